// Opening pictures, the file dialogs, saving images and C/C++ source.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "codegen.h"
#include "picture.h"
#include "savefile.h"
#include "selectdialog.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

#include <memory>

bool MainWindow::showFileDialog(QString& path, QFileDialog::AcceptMode mode, const QString& title,
                                const QString& filter, QString* type)
{
    const QStringList desktops = QStandardPaths::standardLocations(QStandardPaths::DesktopLocation);

    QFileDialog dialog(this, Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                 | Qt::WindowCloseButtonHint);
    file_dialog = &dialog;
    connect(&dialog, &QFileDialog::filterSelected, this, &MainWindow::onFilterSelected);

    const bool saving = mode == QFileDialog::AcceptSave;
    dialog.setAcceptMode(mode);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(title);
    if (!path.isEmpty()) {
        if (saving)
            dialog.selectFile(path);
        else
            dialog.setDirectory(path);
    }
    dialog.setNameFilter(filter);
    if (type && !type->isEmpty())
        dialog.selectNameFilter(*type);

    if (!desktops.isEmpty()) {
        QList<QUrl> urls = dialog.sidebarUrls();
        urls.append(QUrl::fromLocalFile(desktops.first()));
        dialog.setSidebarUrls(urls);
    }
    onFilterSelected(dialog.selectedNameFilter());

    const int result = dialog.exec();

    disconnect(&dialog, &QFileDialog::filterSelected, this, &MainWindow::onFilterSelected);
    file_dialog = nullptr;

    if (result != QDialog::Accepted)
        return false;
    const QStringList files = dialog.selectedFiles();
    if (files.size() != 1 || files.first().isEmpty())
        return false;
    path = files.first();
    if (type)
        *type = dialog.selectedNameFilter();
    return true;
}

// The command's button shows held down while its dialog is open.
bool MainWindow::runFileDialog(QToolButton* button, QString& path, QFileDialog::AcceptMode mode,
                               const QString& title, const QString& filter, QString* type)
{
    holdButtonDown(button, true);
    const bool chosen = showFileDialog(path, mode, title, filter, type);
    holdButtonDown(button, false);
    return chosen;
}

void MainWindow::onFilterSelected(const QString& filter)
{
    if (!file_dialog)
        return;
    static const char* const patterns[][2] = {
        { "(*.bmp)", "bmp" }, { "(*.jpg)", "jpg" }, { "(*.jpeg)", "jpeg" },
        { "(*.cpp)", "cpp" }, { "(*.c)", "c" }, { "(*.h)", "h" }, { "(*.xbm)", "xbm" },
        { "(*.bin)", "bin" },
    };
    for (const auto& pattern : patterns) {
        if (filter.contains(QLatin1String(pattern[0]))) {
            file_dialog->setDefaultSuffix(QLatin1String(pattern[1]));
            return;
        }
    }
}

QString MainWindow::openFolder() const
{
    if (!picture_opened && QFileInfo(preferences.open_folder).isDir())
        return preferences.open_folder;
    return QFileInfo(file_path).absolutePath();
}

// Beside the picture once one is open; before that, in the last folder saved to.
QString MainWindow::proposedSavePath(const QString& suffix) const
{
    if (!picture_opened && QFileInfo(preferences.save_folder).isDir())
        return proposedPath(preferences.save_folder + QLatin1Char('/') + fileNameOfPath(file_path),
                            suffix);
    return proposedPath(file_path, suffix);
}

void MainWindow::rememberSaveFolder(const QString& path)
{
    clean_bitmap = bitmap;
    preferences.save_folder = QFileInfo(path).absolutePath();
    remember();
}

void MainWindow::onOpenFile()
{
    if (decode_cancel || !maySwitchPicture())
        return;
    QString path = openFolder();
    const QString filter = tr("image file") + QLatin1Char('(') + pictureNameFilter() + QLatin1Char(')');
    if (runFileDialog(ui->openFileButton, path, QFileDialog::AcceptOpen, tr("Open"), filter))
        importPicture(path);
}

void MainWindow::openFile(const QString& path)
{
    if (!decode_cancel && maySwitchPicture())
        importPicture(path);
}

void MainWindow::onPaste()
{
    if (decode_cancel)
        return;
    const QImage copied = QGuiApplication::clipboard()->image();
    OpenedPicture pasted = pastedPicture(copied);
    if (pasted.picture.isNull()) {
        // A picture too large to take is refused as one opened from a file.
        showError(copied.isNull() ? tr("The clipboard holds no picture") : tr("Open file error"));
        return;
    }
    if (maySwitchPicture())
        takePicture(std::move(pasted), QString());
}

// The decode runs off the interface thread, so the window keeps drawing; when
// it takes longer than a moment a busy box offers to cancel it.
OpenedPicture MainWindow::decodeInBackground(const QString& path, bool* cancelled)
{
    std::atomic_bool cancel { false };
    std::atomic_bool done { false };
    OpenedPicture opened;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        opened = openPicture(path, &cancel);
        done = true;
    }));
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    decode_cancel = &cancel;
    worker->start();
    if (!worker->isRunning() && !worker->isFinished()) {
        // No thread to be had: decode here rather than wait for one forever.
        decode_cancel = nullptr;
        *cancelled = false;
        return openPicture(path);
    }

    QTimer::singleShot(BUSY_DELAY_MS, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!done) {
        QProgressDialog busy(tr("Opening the picture..."), tr("Cancel"), 0, 0, this);
        busy.setWindowTitle(QStringLiteral("Dotwright"));
        busy.setWindowModality(Qt::WindowModal);
        busy.setMinimumDuration(0);
        busy.setAutoClose(false);
        busy.setAutoReset(false);
        connect(&busy, &QProgressDialog::canceled, [&cancel] { cancel = true; });
        busy.show();
        if (!done)
            loop.exec();
    }
    worker->wait();
    decode_cancel = nullptr;
    *cancelled = cancel;
    return opened;
}

void MainWindow::importPicture(const QString& path)
{
    bool cancelled = false;
    OpenedPicture opened = decodeInBackground(path, &cancelled);
    if (cancelled)
        return;
    if (opened.picture.isNull() && opened.bitmap.isNull()) {
        showError(tr("Open file error"));
        return;
    }
    takePicture(std::move(opened), path);
}

// A one-bit 128 x 64 picture is the bitmap itself; anything else is cropped in
// the selection dialog first. `path` is empty for a pasted picture.
void MainWindow::takePicture(OpenedPicture&& opened, const QString& path)
{
    QImage result = opened.bitmap;
    if (result.isNull()) {
        SelectDialog dialog(this);
        dialog.setConversion(preferences.conversion);
        dialog.setSource(std::move(opened.picture));
        if (dialog.exec() != QDialog::Accepted)
            return;
        result = dialog.getSource();
        preferences.conversion = dialog.getConversion();
    }

    clearHistory();
    if (path.isEmpty()) {
        file_path = openFolder() + QStringLiteral("/Picture001");
    } else {
        file_path = path;
        picture_opened = true;
        preferences.open_folder = QFileInfo(path).absolutePath();
    }
    remember();
    bitmap = result;
    clean_bitmap = bitmap;
    center_point = canvasCentre();
    QSlider* slider = ui->verticalSlider;
    if (slider->value() == slider->minimum())
        refresh();
    else
        slider->setValue(slider->minimum());
}

bool MainWindow::isModified() const
{
    return bitmap != clean_bitmap;
}

// Unsaved edits are kept unless the user saves them or lets them go.
bool MainWindow::maySwitchPicture()
{
    commitStrokeOnCtrl(); // one under way is an edit too
    if (!isModified())
        return true;
    QMessageBox box(QMessageBox::Question, tr("Unsaved changes"),
                    tr("The bitmap has changes that are not saved. Save them first?"),
                    QMessageBox::NoButton, this);
    QPushButton* code = box.addButton(tr("Save as code"), QMessageBox::AcceptRole);
    QPushButton* image = box.addButton(tr("Save as bitmap"), QMessageBox::AcceptRole);
    box.addButton(tr("Discard"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(code);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == code)
        return saveAsCode();
    if (box.clickedButton() == image)
        return saveAsBitmap();
    return box.clickedButton() != cancel;
}

void MainWindow::onSaveFile()
{
    saveAsBitmap();
}

bool MainWindow::saveAsBitmap()
{
    QString path = proposedSavePath(QStringLiteral(".bmp"));
    const QString filter = tr("BMP file") + QStringLiteral("(*.bmp);;") + tr("JPG file")
                           + QStringLiteral("(*.jpg);;") + tr("JPEG file")
                           + QStringLiteral("(*.jpeg)");
    if (!runFileDialog(ui->saveFileButton, path, QFileDialog::AcceptSave, tr("Save As"), filter))
        return false;

    const QByteArray format = imageFormatForPath(path);
    const QByteArray bytes = format.isEmpty() ? QByteArray() : encodeImage(bitmap, format);
    if (bytes.isEmpty() || writeFileSafely(path, bytes) != WriteResult::Ok) {
        showError(tr("Save file error"));
        return false;
    }
    rememberSaveFolder(path);
    return true;
}

QString MainWindow::loadCodeTemplate()
{
    return readTemplate(QStringLiteral("template.txt"));
}

QString MainWindow::readTemplate(const QString& relative)
{
    const QString path = templateLocation(relative, QCoreApplication::applicationDirPath());
    qDebug("template: %s", qPrintable(path));
    return readCodeTemplate(path);
}

// The type filter of a target in the save dialog; the plain template's are
// those of C++ and C.
static QString targetFilter(const CodeTarget& target)
{
    return QCoreApplication::translate("CodeTarget", target.label) + QStringLiteral("(*.")
           + target.extensions.first() + QLatin1Char(')');
}

void MainWindow::onSaveCCode()
{
    saveAsCode();
}

bool MainWindow::saveAsCode()
{
    // The plain template is checked before the dialog; a named target after
    // it, so a broken one, or one refusing a blank bitmap, never keeps the
    // user from picking another type.
    const CodeTarget* target = findCodeTarget(preferences.code_target);
    const bool plain_c = preferences.code_target == QLatin1String("c");
    QString code_template = target ? readTemplate(target->template_file) : loadCodeTemplate();
    if (!target && code_template.isEmpty()) {
        holdButtonDown(ui->saveCCodeButton, true);
        showError(tr("Load code template file error"));
        holdButtonDown(ui->saveCCodeButton, false);
        return false;
    }
    // A blank bitmap is refused unless the output is the whole bitmap.
    const bool blank = setPixelBounds(bitmap).isNull();
    const auto refusesBlank = [blank](const CodeTarget* t) { return blank && !(t && t->whole_bitmap); };
    if (!target && refusesBlank(target)) {
        showError(tr("Bitmap can not be empty"));
        return false;
    }

    const QString c_filter = tr("C file") + QStringLiteral("(*.c)");
    QString path = proposedSavePath(QLatin1Char('.') + (target ? target->extensions.first()
                                                               : QLatin1String(plain_c ? "c" : "cpp")));
    QString filter = tr("C++ file") + QStringLiteral("(*.cpp);;") + c_filter;
    for (const CodeTarget& t : codeTargets())
        filter += QStringLiteral(";;") + targetFilter(t);
    QString type = target ? targetFilter(*target) : plain_c ? c_filter : QString();
    if (!runFileDialog(ui->saveCCodeButton, path, QFileDialog::AcceptSave, tr("Save As"), filter,
                       &type))
        return false;

    // The type chosen in the dialog picks the template.
    const CodeTarget* chosen = nullptr;
    for (const CodeTarget& t : codeTargets())
        if (type == targetFilter(t))
            chosen = &t;
    if (chosen != target || code_template.isEmpty()) {
        code_template = chosen ? readTemplate(chosen->template_file) : loadCodeTemplate();
        if (code_template.isEmpty()) {
            showError(tr("Load code template file error"));
            return false;
        }
    }

    if (refusesBlank(chosen)) {
        showError(tr("Bitmap can not be empty"));
        return false;
    }

    // Raw bytes name nothing, so any file name does.
    const bool raw = chosen && chosen->name == QLatin1String("bin");
    const QString identifier = identifierFromPath(path);
    if (!raw && identifier.isEmpty())
        return false;
    if (!raw && !isValidIdentifier(identifier)) {
        showError(tr("File name only can contains numbers, letters, and '_'.\n"
                     "('0~9', 'A~Z', 'a~z' and '_')\n\n"));
        return false;
    }

    const std::optional<QByteArray> code =
        fillCodeTemplate(code_template, CodeInput { bitmap, fileNameOfPath(file_path), identifier });
    if (!code) {
        showError(tr("Load code template file error"));
        return false;
    }
    const WriteResult result = writeFileSafely(path, *code);
    if (result == WriteResult::OpenFailed)
        showError(tr("Open file for write error"));
    else if (result == WriteResult::WriteFailed)
        showError(tr("Write file error"));
    if (result != WriteResult::Ok)
        return false;
    preferences.code_target = chosen ? chosen->name : QLatin1String(type == c_filter ? "c" : "");
    rememberSaveFolder(path);
    return true;
}

void MainWindow::showError(const QString& text)
{
    QMessageBox::warning(this, tr("Error"), text);
}
