// Opening pictures, the file dialogs, saving images and C/C++ source.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "codegen.h"
#include "picture.h"
#include "savefile.h"
#include "selectdialog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QToolButton>

bool MainWindow::showFileDialog(QString& path, QFileDialog::AcceptMode mode, const QString& title,
                                const QString& filter)
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
    return true;
}

// The command's button shows held down while its dialog is open.
bool MainWindow::runFileDialog(QToolButton* button, QString& path, QFileDialog::AcceptMode mode,
                               const QString& title, const QString& filter)
{
    holdButtonDown(button, true);
    const bool chosen = showFileDialog(path, mode, title, filter);
    holdButtonDown(button, false);
    return chosen;
}

void MainWindow::onFilterSelected(const QString& filter)
{
    if (!file_dialog)
        return;
    static const char* const patterns[][2] = {
        { "(*.bmp)", "bmp" }, { "(*.jpg)", "jpg" }, { "(*.jpeg)", "jpeg" },
        { "(*.cpp)", "cpp" }, { "(*.c)", "c" },
    };
    for (const auto& pattern : patterns) {
        if (filter.contains(QLatin1String(pattern[0]))) {
            file_dialog->setDefaultSuffix(QLatin1String(pattern[1]));
            return;
        }
    }
}

void MainWindow::onOpenFile()
{
    QString path = QFileInfo(file_path).absolutePath();
    const QString filter = tr("image file") + QStringLiteral("(*.bmp *.jpg *.jpeg)");
    if (runFileDialog(ui->openFileButton, path, QFileDialog::AcceptOpen, tr("Open"), filter))
        openFile(path);
}

void MainWindow::openFile(const QString& path)
{
    QImage picture = loadPicture(path);
    if (picture.isNull()) {
        showError(tr("Open file error"));
        return;
    }

    SelectDialog dialog(this);
    dialog.setSource(picture);
    picture = QImage(); // the dialog keeps its own copy; a large photo should not stay twice
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QImage result = dialog.getSource();

    clearHistory();
    file_path = path;
    bitmap = result;
    center_point = canvasCentre();
    QSlider* slider = ui->verticalSlider;
    if (slider->value() == slider->minimum())
        refresh();
    else
        slider->setValue(slider->minimum());
}

void MainWindow::onSaveFile()
{
    QString path = proposedPath(file_path, QStringLiteral(".bmp"));
    const QString filter = tr("BMP file") + QStringLiteral("(*.bmp);;") + tr("JPG file")
                           + QStringLiteral("(*.jpg);;") + tr("JPEG file")
                           + QStringLiteral("(*.jpeg)");
    if (!runFileDialog(ui->saveFileButton, path, QFileDialog::AcceptSave, tr("Save As"), filter))
        return;

    const QByteArray format = imageFormatForPath(path);
    const QByteArray bytes = format.isEmpty() ? QByteArray() : encodeImage(bitmap, format);
    if (bytes.isEmpty() || writeFileSafely(path, bytes) != WriteResult::Ok)
        showError(tr("Save file error"));
}

QString MainWindow::loadCodeTemplate()
{
    return readCodeTemplate(QCoreApplication::applicationDirPath() + QStringLiteral("/template.txt"));
}

void MainWindow::onSaveCCode()
{
    const QString code_template = loadCodeTemplate();
    if (code_template.isEmpty()) {
        holdButtonDown(ui->saveCCodeButton, true);
        showError(tr("Load code template file error"));
        holdButtonDown(ui->saveCCodeButton, false);
        return;
    }
    const QRect box = setPixelBounds(bitmap);
    if (box.isNull()) {
        showError(tr("Bitmap can not be empty"));
        return;
    }

    QString path = proposedPath(file_path, QStringLiteral(".cpp"));
    const QString filter = tr("C++ file") + QStringLiteral("(*.cpp);;") + tr("C file")
                           + QStringLiteral("(*.c)");
    if (!runFileDialog(ui->saveCCodeButton, path, QFileDialog::AcceptSave, tr("Save As"), filter))
        return;

    const QString identifier = identifierFromPath(path);
    if (identifier.isEmpty())
        return;
    if (!isValidIdentifier(identifier)) {
        showError(tr("File name only can contains numbers, letters, and '_'.\n"
                     "('0~9', 'A~Z', 'a~z' and '_')\n\n"));
        return;
    }

    const QString code = fillCodeTemplate(code_template, fileNameOfPath(file_path), identifier,
                                          pixelRowText(bitmap, box), box.width(), box.height(),
                                          bytesPerRow(box.width()));
    const QByteArray bytes = code.toUtf8();
    const WriteResult result = writeFileSafely(path, bytes);
    if (result == WriteResult::OpenFailed)
        showError(tr("Open file for write error"));
    else if (result == WriteResult::WriteFailed)
        showError(tr("Write file error"));
}

void MainWindow::showError(const QString& text)
{
    QMessageBox::warning(this, tr("Error"), text);
}
