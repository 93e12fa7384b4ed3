// Opening pictures, saving images and saving code through the main window's
// buttons, with every modal dialog answered the way a user would.

#include "codegen.h"
#include "mainwindow.h"
#include "selectdialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class MainWindowTester
{
public:
    explicit MainWindowTester(MainWindow& w) : w(w) {}
    QImage& bitmap() { return w.bitmap; }
    QString& filePath() { return w.file_path; }
    QList<BITMAP_OPERATE>& history() { return w.history; }
    int& historyIndex() { return w.history_index; }
    QPoint& centerPoint() { return w.center_point; }
    int zoom() const { return w.zoom; }
    QFileDialog* fileDialog() const { return w.file_dialog; }

private:
    MainWindow& w;
};

namespace {

const QString kLongMessage = QStringLiteral(
    "File name only can contains numbers, letters, and '_'.\n('0~9', 'A~Z', 'a~z' and '_')\n\n");

// One message box the command showed.
struct Box
{
    QString title;
    QString text;
    bool warning;
    int buttons;
};

// Answers every modal dialog that opens while it lives: message boxes are
// recorded and confirmed, the toolkit's own overwrite question is answered
// yes, and every other dialog is passed to the next queued handler.
class Answerer : public QObject
{
public:
    using Handler = std::function<void(QWidget*)>;

    Answerer()
    {
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, &Answerer::poll);
        timer.start();
    }

    void then(const Handler& handler) { handlers.append(handler); }

    QList<Box> boxes;
    QStringList dialogs;  // class names of the dialogs handed to handlers
    int unexpected = 0;   // dialogs that found no handler
    int overwrites = 0;
    std::function<void()> on_box;
    QList<Handler> handlers;

private:
    void poll()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->property("answered").toBool())
            return;
        w->setProperty("answered", true);
        if (QMessageBox* box = qobject_cast<QMessageBox*>(w)) {
            if (qobject_cast<QFileDialog*>(box->parentWidget())) {
                ++overwrites;
                box->button(QMessageBox::Yes)->click();
                return;
            }
            boxes.append({ box->windowTitle(), box->text(), box->icon() == QMessageBox::Warning,
                           box->buttons().size() });
            if (on_box)
                on_box();
            box->buttons().first()->click();
            return;
        }
        dialogs << QString::fromLatin1(w->metaObject()->className());
        if (handlers.isEmpty()) {
            ++unexpected;
            if (QDialog* d = qobject_cast<QDialog*>(w))
                d->reject();
            else
                w->close();
            return;
        }
        // Run outside this timer's slot: a dialog that the handler opens in
        // turn (the overwrite question) needs the timer to fire again.
        const Handler handler = handlers.takeFirst();
        QPointer<QWidget> target(w);
        QTimer::singleShot(0, this, [handler, target] {
            if (target)
                handler(target);
        });
    }

    QTimer timer;
};

// Types `path` into the file dialog's name box and presses Return, as a
// user would; the toolkit's own checks (overwrite question) then run.
Answerer::Handler chooseFile(const QString& path)
{
    return [path](QWidget* w) {
        QLineEdit* name = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!qobject_cast<QFileDialog*>(w) || !name) {
            w->close();
            return;
        }
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    };
}

Answerer::Handler cancelDialog()
{
    return [](QWidget* w) { w->close(); };
}

// Presses the selection dialog's confirm button, or its cancel button.
Answerer::Handler answerSelection(bool accept)
{
    return [accept](QWidget* w) {
        QToolButton* button = w->findChild<QToolButton*>(accept ? QStringLiteral("okButton")
                                                                 : QStringLiteral("cancelButton"));
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        else
            w->close();
    };
}

void click(MainWindow& w, const char* name)
{
    QToolButton* button = w.findChild<QToolButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

QString templatePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/template.txt");
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QImage bitmapWith(const QVector<QPoint>& points)
{
    QImage image = newBitmap();
    for (const QPoint& p : points)
        image.setPixel(p, 1);
    return image;
}

QImage scatteredBitmap(quint32 seed)
{
    QImage image = newBitmap();
    QRandomGenerator random(seed);
    for (int y = 3; y < 60; ++y)
        for (int x = 5; x < 121; ++x)
            if (random.bounded(3) == 0)
                image.setPixel(x, y, 1);
    return image;
}

// Flat 8 x 8 blocks survive JPEG compression on either side of the darkness test.
QImage blockBitmap(quint32 seed)
{
    QImage image = newBitmap();
    QRandomGenerator random(seed);
    for (int by = 0; by < 8; ++by)
        for (int bx = 0; bx < 16; ++bx)
            if (random.bounded(2))
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x)
                        image.setPixel(8 * bx + x, 8 * by + y, 1);
    return image;
}

// Where the two images differ by the darkness test, or an empty string.
QString darknessMismatch(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ");
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (isSetPixel(a.pixel(x, y)) != isSetPixel(b.pixel(x, y)))
                return QStringLiteral("pixel %1,%2").arg(x).arg(y);
    return QString();
}

// Caps the size of any file this process writes while it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }

private:
    struct rlimit saved;
};

bool isCharDevice(const char* path)
{
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

QString compile(const QString& dir, const QString& main_file, QByteArray* output)
{
    const QString gcc = QStandardPaths::findExecutable(QStringLiteral("gcc"));
    if (gcc.isEmpty())
        return QStringLiteral("skip");
    QProcess cc;
    cc.setWorkingDirectory(dir);
    cc.setProcessChannelMode(QProcess::MergedChannels);
    cc.start(gcc, { QStringLiteral("-Wall"), QStringLiteral("-Werror"), QStringLiteral("-o"),
                    QStringLiteral("printer"), main_file });
    if (!cc.waitForFinished(120000) || cc.exitCode() != 0)
        return QString::fromLocal8Bit(cc.readAll());
    QProcess run;
    run.start(dir + QStringLiteral("/printer"), QStringList());
    if (!run.waitForFinished(30000) || run.exitCode() != 0)
        return QStringLiteral("the compiled program failed");
    *output = run.readAllStandardOutput();
    return QString();
}

} // namespace

class tst_Files : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileDialogs_data();
    void fileDialogs();
    void typeFilterSetsSuffix_data();
    void typeFilterSetsSuffix();
    void workedExample();
    void codeSaves_data();
    void codeSaves();
    void codeFailures_data();
    void codeFailures();
    void templateReadAtEverySave();
    void imageSave_data();
    void imageSave();
    void imageSaveFailures_data();
    void imageSaveFailures();
    void importAccepted_data();
    void importAccepted();
    void importCancelled();
    void importRefused_data();
    void importRefused();
    void openThroughButton();
    void endToEnd();

private:
    QTemporaryDir* dir = nullptr;
};

void tst_Files::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    QFile::remove(templatePath());
}

void tst_Files::cleanup()
{
    QFile::remove(templatePath());
    QDir(templatePath()).removeRecursively();
    delete dir;
    dir = nullptr;
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Files::fileDialogs_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("saving");
    QTest::addColumn<QString>("proposed"); // file name preselected, or empty for opening
    QTest::newRow("open") << "openFileButton" << "Open"
                          << QStringList { "image file(*.bmp *.jpg *.jpeg)" } << "" << false << "";
    QTest::newRow("save image") << "saveFileButton" << "Save As"
                                << QStringList { "BMP file(*.bmp)", "JPG file(*.jpg)",
                                                 "JPEG file(*.jpeg)" }
                                << "bmp" << true << "logo.bmp";
    QTest::newRow("save code") << "saveCCodeButton" << "Save As"
                               << QStringList { "C++ file(*.cpp)", "C file(*.c)" } << "cpp" << true
                               << "logo.cpp";
}

void tst_Files::fileDialogs()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(QStringList, filters);
    QFETCH(QString, suffix);
    QFETCH(bool, saving);
    QFETCH(QString, proposed);

    QVERIFY(writeBytes(templatePath(), "%2\n"));
    MainWindow w;
    MainWindowTester t(w);
    const QString pics = dir->filePath(QStringLiteral("pics"));
    QVERIFY(QDir().mkpath(pics));
    t.filePath() = pics + QStringLiteral("/logo.jpeg");
    t.bitmap() = bitmapWith({ { 3, 3 } });
    QToolButton* tool = w.findChild<QToolButton*>(button);
    QVERIFY(tool);

    Answerer answers;
    bool seen = false, pressed = false, own_dialog = false;
    QString seen_title, seen_suffix, seen_filter, start;
    QStringList seen_filters;
    QFileDialog::FileMode mode = QFileDialog::Directory;
    QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
    Qt::WindowFlags flags;
    QList<QUrl> sidebar;
    answers.then([&](QWidget* widget) {
        QFileDialog* d = qobject_cast<QFileDialog*>(widget);
        if (d) {
            seen = true;
            pressed = tool->isCheckable() && tool->isChecked();
            own_dialog = d->testOption(QFileDialog::DontUseNativeDialog) && t.fileDialog() == d
                         && d->parentWidget() == &w;
            seen_title = d->windowTitle();
            seen_filters = d->nameFilters();
            seen_filter = d->selectedNameFilter();
            seen_suffix = d->defaultSuffix();
            mode = d->fileMode();
            accept = d->acceptMode();
            flags = d->windowFlags();
            sidebar = d->sidebarUrls();
            start = saving ? d->selectedFiles().value(0) : d->directory().absolutePath();
        }
        widget->close();
    });
    QTest::mouseClick(tool, Qt::LeftButton);

    QVERIFY(seen);
    QVERIFY(pressed);
    QVERIFY(own_dialog);
    QCOMPARE(seen_title, title);
    QCOMPARE(seen_filters, filters);
    QCOMPARE(seen_filter, filters.first());
    QCOMPARE(seen_suffix, suffix);
    QCOMPARE(accept, saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    QCOMPARE(mode, saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const Qt::WindowFlags hints = Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                  | Qt::WindowCloseButtonHint;
    QCOMPARE(flags & hints, hints);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                       | Qt::FramelessWindowHint)));
    if (saving)
        QCOMPARE(start, pics + QLatin1Char('/') + proposed);
    else
        QCOMPARE(start, pics);
    const QStringList desktops = QStandardPaths::standardLocations(QStandardPaths::DesktopLocation);
    if (!desktops.isEmpty()) {
        QVERIFY(!sidebar.isEmpty());
        QCOMPARE(sidebar.last(), QUrl::fromLocalFile(desktops.first()));
    }

    // Cancelling leaves nothing behind: no file, no dialog, an ordinary button.
    QCOMPARE(answers.boxes.size(), 0);
    QVERIFY(!tool->isCheckable());
    QVERIFY(!tool->isChecked());
    QVERIFY(!t.fileDialog());
    QCOMPARE(QDir(pics).entryList(QDir::Files).size(), 0);
    w.onFilterSelected(QStringLiteral("(*.bmp)")); // stray call: no dialog to touch
    QVERIFY(!t.fileDialog());
}

void tst_Files::typeFilterSetsSuffix_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("keys"); // pressed on the type box, in order
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("magic");
    const QList<int> none;
    const QByteArray code("source.jpg logo   XXX_____\n3x1\n");
    QTest::newRow("BMP by default") << "saveFileButton" << none << "pic" << "pic.bmp"
                                    << QByteArray("BM");
    QTest::newRow("JPG") << "saveFileButton" << QList<int> { Qt::Key_Down } << "pic" << "pic.jpg"
                         << QByteArray("\xFF\xD8", 2);
    QTest::newRow("JPEG") << "saveFileButton" << QList<int> { Qt::Key_Down, Qt::Key_Down } << "pic"
                          << "pic.jpeg" << QByteArray("\xFF\xD8", 2);
    QTest::newRow("JPG filter, own .bmp extension")
        << "saveFileButton" << QList<int> { Qt::Key_Down } << "pic.bmp" << "pic.bmp"
        << QByteArray("BM");
    QTest::newRow("C++ by default") << "saveCCodeButton" << none << "logo" << "logo.cpp"
                                    << code;
    QTest::newRow("C") << "saveCCodeButton" << QList<int> { Qt::Key_Down } << "logo" << "logo.c"
                       << code;
    QTest::newRow("C, then C++ again")
        << "saveCCodeButton" << QList<int> { Qt::Key_Down, Qt::Key_Up } << "logo" << "logo.cpp"
        << code;
    QTest::newRow("C++ filter, own .h extension")
        << "saveCCodeButton" << none << "logo.h" << "logo.h" << code;
}

void tst_Files::typeFilterSetsSuffix()
{
    QFETCH(QString, button);
    QFETCH(QList<int>, keys);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QByteArray, magic);

    QVERIFY(writeBytes(templatePath(), "%1 %2 %3%4x%5\n"));
    MainWindow w;
    MainWindowTester t(w);
    t.filePath() = dir->filePath(QStringLiteral("source.jpg"));
    t.bitmap() = bitmapWith({ { 40, 20 }, { 41, 20 }, { 42, 20 } });

    Answerer answers;
    answers.then([&](QWidget* widget) {
        QComboBox* types = widget->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QLineEdit* name = widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!types || !name) {
            widget->close();
            return;
        }
        for (int key : keys)
            QTest::keyClick(types, Qt::Key(key));
        name->clear();
        QTest::keyClicks(name, typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    click(w, button.toLatin1().constData());

    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.boxes.size(), 0);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList { written });
    const QByteArray bytes = readBytes(dir->filePath(written));
    if (magic.endsWith('\n'))
        QCOMPARE(bytes, magic);
    else
        QVERIFY2(bytes.startsWith(magic), bytes.left(4).toHex().constData());
}

void tst_Files::workedExample()
{
    QVERIFY(writeBytes(templatePath(), "name=%2 source=%1 size=%4x%5 bytes=%6\n%3end\n"));
    MainWindow w;
    MainWindowTester t(w);
    QImage image = newBitmap();
    for (int x = 20; x <= 29; ++x)
        image.setPixel(x, 10, 1);
    image.setPixel(20, 11, 1);
    image.setPixel(29, 11, 1);
    t.bitmap() = image;
    const QString pics = dir->filePath(QStringLiteral("pics"));
    const QString out = dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(pics) && QDir().mkpath(out));
    t.filePath() = pics + QStringLiteral("/logo.bmp");

    Answerer answers;
    QString proposed;
    answers.then([&](QWidget* widget) {
        if (QFileDialog* d = qobject_cast<QFileDialog*>(widget))
            proposed = d->selectedFiles().value(0);
        chooseFile(out + QStringLiteral("/logo.cpp"))(widget);
    });
    click(w, "saveCCodeButton");

    QCOMPARE(proposed, pics + QStringLiteral("/logo.cpp"));
    QCOMPARE(answers.boxes.size(), 0);
    QCOMPARE(readBytes(out + QStringLiteral("/logo.cpp")),
             QByteArray("name=logo source=logo.bmp size=10x2 bytes=2\n"
                        "  XXXXXXXX, XX______,\n"
                        "  X_______, _X______\n"
                        "end\n"));
    // The command reads the bitmap and the picture's path, never changes them.
    QCOMPARE(t.bitmap(), image);
    QCOMPARE(t.filePath(), pics + QStringLiteral("/logo.bmp"));
}

void tst_Files::codeSaves_data()
{
    QTest::addColumn<QByteArray>("code_template");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("identifier stops at the first dot")
        << QByteArray("%2|%1\n") << "/x/logo.bmp" << "my.logo.cpp" << QByteArray()
        << QByteArray("my|logo.bmp\n");
    QTest::newRow("leading digit accepted") << QByteArray("%2|%1\n") << "/x/logo.bmp" << "2logo.c"
                                            << QByteArray() << QByteArray("2logo|logo.bmp\n");
    QTest::newRow("nothing imported yet") << QByteArray("%1 %2\n") << "Picture001" << "a_B9.cpp"
                                          << QByteArray() << QByteArray("Picture001 a_B9\n");
    QTest::newRow("cut at the NUL") << QByteArray("%1 %2\n\0%3 garbage\n", 19) << "/x/logo.bmp"
                                    << "logo.cpp" << QByteArray() << QByteArray("logo.bmp logo\n");
    QTest::newRow("CR LF kept") << QByteArray("%1\r\n%2\r\n") << "/x/logo.bmp" << "logo.cpp"
                                << QByteArray() << QByteArray("logo.bmp\r\nlogo\r\n");
    QTest::newRow("UTF-8 through") << QByteArray("// \xe5\x9b\xbe %1 %2\n")
                                   << QString::fromUtf8("/x/\xe5\x9b\xbe\xe7\x89\x87.jpg")
                                   << "logo.cpp" << QByteArray()
                                   << QByteArray("// \xe5\x9b\xbe \xe5\x9b\xbe\xe7\x89\x87.jpg logo\n");
    QTest::newRow("marker in the picture's name") << QByteArray("%1 %2 %3%4x%5 %6")
                                                  << "/x/100%4.jpg" << "logo.cpp" << QByteArray()
                                                  << QByteArray("100%4.jpg logo   X_______\n1x1 1");
    QTest::newRow("no markers") << QByteArray("int x;\n") << "/x/logo.bmp" << "logo.cpp"
                                << QByteArray() << QByteArray("int x;\n");
    QTest::newRow("longer file replaced whole")
        << QByteArray("%1 %2\n") << "/x/logo.bmp" << "logo.cpp" << QByteArray(5000, 'z')
        << QByteArray("logo.bmp logo\n");
}

void tst_Files::codeSaves()
{
    QFETCH(QByteArray, code_template);
    QFETCH(QString, picture);
    QFETCH(QString, name);
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, content);

    QVERIFY(writeBytes(templatePath(), code_template));
    MainWindow w;
    MainWindowTester t(w);
    t.filePath() = picture;
    t.bitmap() = bitmapWith({ { 77, 33 } });
    const QString target = dir->filePath(name);
    if (!existing.isEmpty())
        QVERIFY(writeBytes(target, existing));

    Answerer answers;
    answers.then(chooseFile(target));
    click(w, "saveCCodeButton");
    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.boxes.size(), 0);
    QCOMPARE(answers.overwrites, existing.isEmpty() ? 0 : 1);
    QCOMPARE(readBytes(target), content);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList { name });
}

void tst_Files::codeFailures_data()
{
    QTest::addColumn<QString>("code_template"); // bytes, or "@missing", "@folder", "@short"
    QTest::addColumn<bool>("empty_bitmap");
    QTest::addColumn<QString>("target"); // "" no dialog, "@cancel", or a path ("~/" the temp dir)
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("pressed_during_box");

    const QString ok = QStringLiteral("%1 %2\n%3");
    const QStringList none;
    const QStringList load { "Load code template file error" };
    QTest::newRow("template missing") << "@missing" << false << "" << load << true;
    QTest::newRow("template of zero bytes") << "" << false << "" << load << true;
    QTest::newRow("template unreadable") << "@folder" << false << "" << load << true;
    QTest::newRow("template reads short") << "@short" << false << "" << load << true;
    QTest::newRow("template begins with NUL") << "@nul" << false << "" << load << true;
    QTest::newRow("template missing, bitmap empty too") << "@missing" << true << "" << load << true;
    QTest::newRow("bitmap empty") << ok << true << "" << QStringList { "Bitmap can not be empty" }
                                  << false;
    QTest::newRow("dialog cancelled") << ok << false << "@cancel" << none << false;
    QTest::newRow("empty identifier") << ok << false << "~/.cpp" << none << false;
    QTest::newRow("blank in the name") << ok << false << "~/my logo.cpp" << QStringList { kLongMessage }
                                       << false;
    QTest::newRow("hyphen in the name") << ok << false << "~/my-logo.cpp"
                                        << QStringList { kLongMessage } << false;
    QTest::newRow("non-ASCII letter") << ok << false << QString::fromUtf8("~/l\xc3\xb6go.cpp")
                                      << QStringList { kLongMessage } << false;
    QTest::newRow("folder nobody may write") << ok << false << "/proc/dotwright_logo.cpp"
                                             << QStringList { "Open file for write error" } << false;
    QTest::newRow("read-only folder") << ok << false << "@readonly"
                                      << QStringList { "Open file for write error" } << false;
    QTest::newRow("device that is always full") << ok << false << "@full"
                                                << QStringList { "Write file error" } << false;
    QTest::newRow("disk quota reached") << ok << false << "@quota"
                                        << QStringList { "Write file error" } << false;
}

void tst_Files::codeFailures()
{
    QFETCH(QString, code_template);
    QFETCH(bool, empty_bitmap);
    QFETCH(QString, target);
    QFETCH(QStringList, messages);
    QFETCH(bool, pressed_during_box);

    if (code_template == QLatin1String("@folder")) {
        QVERIFY(QDir().mkpath(templatePath()));
    } else if (code_template == QLatin1String("@short")) {
        // Reports a size of 0 and then yields its text.
        QVERIFY(QFile::link(QStringLiteral("/proc/self/status"), templatePath()));
    } else if (code_template == QLatin1String("@nul")) {
        QVERIFY(writeBytes(templatePath(), QByteArray("\0%2 %3\n", 7)));
    } else if (code_template != QLatin1String("@missing")) {
        QVERIFY(writeBytes(templatePath(), code_template.toUtf8()));
    }

    QScopedPointer<FileSizeLimit> limit;
    QString path = target;
    path.replace(QLatin1String("~/"), dir->path() + QLatin1Char('/'));
    if (target == QLatin1String("@readonly")) {
        const QString locked = dir->filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(locked));
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        if (::access(QFile::encodeName(locked).constData(), W_OK) == 0)
            QSKIP("permissions do not bind this user");
        path = locked + QStringLiteral("/logo.cpp");
    } else if (target == QLatin1String("@quota")) {
        path = dir->filePath(QStringLiteral("logo.cpp"));
    } else if (target == QLatin1String("@full")) {
        // A name the dialog leaves alone, standing for the device.
        path = dir->filePath(QStringLiteral("full.cpp"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
    }
    // An earlier version of the file must survive every failed save.
    const QByteArray precious("precious earlier version\n");
    const bool keeps = path.startsWith(dir->path()) && target != QLatin1String("@readonly")
                       && target != QLatin1String("@full");
    if (keeps)
        QVERIFY(writeBytes(path, precious));

    MainWindow w;
    MainWindowTester t(w);
    t.filePath() = QStringLiteral("/pics/logo.bmp");
    if (!empty_bitmap)
        t.bitmap() = scatteredBitmap(5);
    const QImage before = t.bitmap();
    QToolButton* button = w.findChild<QToolButton*>(QStringLiteral("saveCCodeButton"));

    Answerer answers;
    QList<bool> pressed;
    answers.on_box = [&] { pressed << (button->isCheckable() && button->isChecked()); };
    if (target == QLatin1String("@cancel"))
        answers.then(cancelDialog());
    else if (!target.isEmpty())
        answers.then(chooseFile(path));
    if (target == QLatin1String("@quota"))
        limit.reset(new FileSizeLimit(precious.size() + 16));
    QTest::mouseClick(button, Qt::LeftButton);
    limit.reset();

    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.handlers.size(), 0);
    QCOMPARE(answers.dialogs.size(), target.isEmpty() ? 0 : 1);
    QStringList texts;
    for (const Box& box : answers.boxes) {
        texts << box.text;
        QCOMPARE(box.title, QStringLiteral("Error"));
        QVERIFY(box.warning);
        QCOMPARE(box.buttons, 1);
    }
    QCOMPARE(texts, messages);
    for (bool p : pressed)
        QCOMPARE(p, pressed_during_box);
    QVERIFY(!button->isCheckable());
    QVERIFY(!button->isChecked());

    if (keeps)
        QCOMPARE(readBytes(path), precious);
    const QStringList left = QDir(dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(left, keeps || target == QLatin1String("@full") ? QStringList { QFileInfo(path).fileName() }
                                                             : QStringList());
    QVERIFY(isCharDevice("/dev/full"));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/dotwright_logo.cpp")));
    QCOMPARE(t.bitmap(), before);
}

void tst_Files::templateReadAtEverySave()
{
    QVERIFY(writeBytes(templatePath(), "first %1 %2\n"));
    MainWindow w;
    MainWindowTester t(w);
    t.filePath() = dir->filePath(QStringLiteral("logo.jpg"));
    t.bitmap() = bitmapWith({ { 1, 1 } });
    const QString first = dir->filePath(QStringLiteral("one.cpp"));
    const QString second = dir->filePath(QStringLiteral("two.c"));

    Answerer answers;
    QStringList proposed;
    auto record = [&](const QString& path) {
        return [&, path](QWidget* widget) {
            if (QFileDialog* d = qobject_cast<QFileDialog*>(widget))
                proposed << d->selectedFiles().value(0);
            chooseFile(path)(widget);
        };
    };
    answers.then(record(first));
    click(w, "saveCCodeButton");
    QVERIFY(writeBytes(templatePath(), "second %1 %2\n"));
    answers.then(record(second));
    click(w, "saveCCodeButton");

    QCOMPARE(readBytes(first), QByteArray("first logo.jpg one\n"));
    QCOMPARE(readBytes(second), QByteArray("second logo.jpg two\n"));
    const QString expected = dir->filePath(QStringLiteral("logo.cpp"));
    QCOMPARE(proposed, QStringList({ expected, expected }));
}

void tst_Files::imageSave_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("exact");
    QTest::newRow("BMP") << "pic.bmp" << QByteArray("bmp") << true;
    QTest::newRow("JPG") << "pic.jpg" << QByteArray("jpeg") << false;
    QTest::newRow("JPEG") << "pic.jpeg" << QByteArray("jpeg") << false;
    QTest::newRow("upper-case BMP") << "PIC.BMP" << QByteArray("bmp") << true;
    QTest::newRow("a format of the toolkit's own") << "pic.png" << QByteArray("png") << true;
}

void tst_Files::imageSave()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(bool, exact);

    MainWindow w;
    MainWindowTester t(w);
    t.filePath() = dir->filePath(QStringLiteral("holiday.jpeg"));
    const QImage image = exact ? scatteredBitmap(11) : blockBitmap(11);
    t.bitmap() = image;
    const QString path = dir->filePath(name);

    Answerer answers;
    QStringList proposed;
    for (int i = 0; i < 2; ++i) {
        answers.then([&](QWidget* widget) {
            if (QFileDialog* d = qobject_cast<QFileDialog*>(widget))
                proposed << d->selectedFiles().value(0);
            chooseFile(path)(widget);
        });
        click(w, "saveFileButton");
    }
    QCOMPARE(answers.boxes.size(), 0);
    QCOMPARE(answers.overwrites, 1);
    const QString expected = dir->filePath(QStringLiteral("holiday.bmp"));
    QCOMPARE(proposed, QStringList({ expected, expected }));

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage back = reader.read();
    QCOMPARE(back.size(), QSize(128, 64));
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            const QRgb c = back.pixel(x, y);
            if (exact) {
                QCOMPARE(c, image.pixelIndex(x, y) ? COLOR_FRONT.rgb() : COLOR_BACK.rgb());
            }
        }
    }
    if (!exact) {
        const QString mismatch = darknessMismatch(back, image);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }
    QCOMPARE(t.bitmap(), image);
    QCOMPARE(t.filePath(), dir->filePath(QStringLiteral("holiday.jpeg")));
}

void tst_Files::imageSaveFailures_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("extension without a writer") << "~/pic.xyz";
    QTest::newRow("no extension at all") << "~/pic.";
    QTest::newRow("folder nobody may write") << "/proc/dotwright_pic.bmp";
    QTest::newRow("device that is always full") << "@full";
    QTest::newRow("disk quota reached") << "@quota";
}

void tst_Files::imageSaveFailures()
{
    QFETCH(QString, target);
    QString path = target;
    path.replace(QLatin1String("~/"), dir->path() + QLatin1Char('/'));
    if (target == QLatin1String("@quota"))
        path = dir->filePath(QStringLiteral("pic.bmp"));
    if (target == QLatin1String("@full")) {
        path = dir->filePath(QStringLiteral("full.bmp"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
    }
    const QByteArray precious("an older picture\n");
    const bool keeps = path.startsWith(dir->path()) && target != QLatin1String("@full");
    if (keeps)
        QVERIFY(writeBytes(path, precious));

    MainWindow w;
    MainWindowTester t(w);
    t.bitmap() = scatteredBitmap(3);
    const QImage before = t.bitmap();
    Answerer answers;
    answers.then(chooseFile(path));
    QScopedPointer<FileSizeLimit> limit;
    if (target == QLatin1String("@quota"))
        limit.reset(new FileSizeLimit(precious.size() + 16));
    click(w, "saveFileButton");
    limit.reset();

    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.boxes.size(), 1);
    QCOMPARE(answers.boxes[0].title, QStringLiteral("Error"));
    QCOMPARE(answers.boxes[0].text, QStringLiteral("Save file error"));
    QCOMPARE(answers.boxes[0].buttons, 1);
    if (keeps) {
        QCOMPARE(readBytes(path), precious);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList { QFileInfo(path).fileName() });
    }
    QVERIFY(isCharDevice("/dev/full"));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/dotwright_pic.bmp")));
    QCOMPARE(t.bitmap(), before);
    QToolButton* button = w.findChild<QToolButton*>(QStringLiteral("saveFileButton"));
    QVERIFY(!button->isCheckable());
}

namespace {

// A 256 x 128 photo-like picture: a dark shape on the left half, light on the right.
QString writeJpegPicture(const QString& path)
{
    QImage picture(256, 128, QImage::Format_RGB32);
    picture.fill(qRgb(235, 230, 220));
    QPainter painter(&picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 30, 40));
    painter.drawRect(8, 8, 112, 112);
    painter.setBrush(QColor(250, 250, 250));
    painter.drawEllipse(QPoint(64, 64), 30, 30);
    painter.setBrush(QColor(10, 10, 10));
    painter.drawRect(160, 40, 80, 12);
    painter.end();
    return picture.save(path, "jpeg", 95) ? path : QString();
}

} // namespace

void tst_Files::importAccepted_data()
{
    QTest::addColumn<int>("zoom_before");
    QTest::newRow("zoomed in") << 9;
    QTest::newRow("zoom already at its minimum") << 5;
}

void tst_Files::importAccepted()
{
    QFETCH(int, zoom_before);
    const QString path = writeJpegPicture(dir->filePath(QStringLiteral("logo.jpeg")));
    QVERIFY(!path.isEmpty());

    MainWindow w;
    MainWindowTester t(w);
    QSlider* slider = w.findChild<QSlider*>(QStringLiteral("verticalSlider"));
    BitmapCtrl* view = w.findChild<BitmapCtrl*>(QStringLiteral("graphicsView"));
    QVERIFY(slider && view);
    slider->setValue(zoom_before);
    for (int i = 0; i < 3; ++i)
        t.history().append(BITMAP_OPERATE(OPERATE_INVERT, QImage(), 0));
    t.historyIndex() = 1;
    t.centerPoint() += QPoint(-40, 17);
    const QImage old_view = view->image;

    Answerer answers;
    QImage shown;
    answers.then([&](QWidget* widget) {
        if (SelectDialog* d = qobject_cast<SelectDialog*>(widget))
            shown = d->findChild<BitmapCtrl*>(QStringLiteral("graphicsView"))->image;
        answerSelection(true)(widget);
    });
    w.openFile(path);

    QCOMPARE(answers.dialogs, QStringList { "SelectDialog" });
    QCOMPARE(answers.boxes.size(), 0);
    QVERIFY(!shown.isNull());
    QCOMPARE(t.history().size(), 0);
    QCOMPARE(t.historyIndex(), 0);
    QCOMPARE(t.filePath(), path);
    const QImage& bitmap = t.bitmap();
    QCOMPARE(bitmap.size(), QSize(128, 64));
    QCOMPARE(bitmap.format(), QImage::Format_Mono);
    QCOMPARE(bitmap.colorTable(), QVector<QRgb>({ COLOR_BACK.rgb(), COLOR_FRONT.rgb() }));
    // The whole picture fills the bitmap: halved in each direction.
    QCOMPARE(bitmap.pixelIndex(10, 10), 1);  // dark square
    QCOMPARE(bitmap.pixelIndex(32, 32), 0);  // light disc inside it
    QCOMPARE(bitmap.pixelIndex(100, 23), 1); // dark bar
    QCOMPARE(bitmap.pixelIndex(100, 40), 0); // background
    QCOMPARE(t.centerPoint(), QPoint(view->width() / 2, view->height() / 2));
    QCOMPARE(slider->value(), slider->minimum());
    QCOMPARE(t.zoom(), slider->minimum());
    // The canvas shows the new bitmap: the dark square's cell dark, the rest light.
    QVERIFY(view->image != old_view);
    QCOMPARE(view->image.size(), QSize(128 * 5, 64 * 5));
    QVERIFY(isSetPixel(view->image.pixel(10 * 5 + 2, 10 * 5 + 2)));
    QVERIFY(!isSetPixel(view->image.pixel(100 * 5 + 2, 40 * 5 + 2)));
}

void tst_Files::importCancelled()
{
    const QString path = writeJpegPicture(dir->filePath(QStringLiteral("logo.jpg")));
    MainWindow w;
    MainWindowTester t(w);
    t.bitmap() = scatteredBitmap(9);
    const QString earlier = dir->filePath(QStringLiteral("earlier/pic.bmp"));
    QVERIFY(QDir().mkpath(dir->filePath(QStringLiteral("earlier"))));
    t.filePath() = earlier;
    t.history().append(BITMAP_OPERATE(OPERATE_INVERT, QImage(), 0));
    const QImage before = t.bitmap();

    Answerer answers;
    answers.then(answerSelection(false));
    w.openFile(path);
    QCOMPARE(answers.dialogs, QStringList { "SelectDialog" });
    QCOMPARE(t.bitmap(), before);
    QCOMPARE(t.filePath(), earlier);
    QCOMPARE(t.history().size(), 1);

    // A later save still proposes the earlier name.
    QString proposed;
    answers.then([&](QWidget* widget) {
        if (QFileDialog* d = qobject_cast<QFileDialog*>(widget))
            proposed = d->selectedFiles().value(0);
        widget->close();
    });
    click(w, "saveFileButton");
    QCOMPARE(proposed, earlier);
}

void tst_Files::importRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("empty file") << "empty";
    QTest::newRow("text named .jpg") << "text";
    QTest::newRow("missing file") << "missing";
    QTest::newRow("folder") << "folder";
    QTest::newRow("named pipe") << "fifo";
    QTest::newRow("JPEG header claiming 65500 x 65500") << "bomb";
}

void tst_Files::importRefused()
{
    QFETCH(QString, kind);
    QString path = dir->filePath(QStringLiteral("x.jpg"));
    if (kind == QLatin1String("empty")) {
        QVERIFY(writeBytes(path, QByteArray()));
    } else if (kind == QLatin1String("text")) {
        QVERIFY(writeBytes(path, "just some words\n"));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("bomb")) {
        QImage small(16, 16, QImage::Format_RGB32);
        small.fill(Qt::gray);
        QVERIFY(small.save(path, "jpeg"));
        QByteArray bytes = readBytes(path);
        const int sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
        QVERIFY(sof > 0);
        bytes[sof + 5] = char(0xFF);
        bytes[sof + 6] = char(0xDC);
        bytes[sof + 7] = char(0xFF);
        bytes[sof + 8] = char(0xDC);
        QVERIFY(writeBytes(path, bytes));
    }

    MainWindow w;
    MainWindowTester t(w);
    t.bitmap() = scatteredBitmap(4);
    t.filePath() = QStringLiteral("/earlier/pic.bmp");
    t.history().append(BITMAP_OPERATE(OPERATE_MIRROR_X, QImage(), 0));
    QSlider* slider = w.findChild<QSlider*>(QStringLiteral("verticalSlider"));
    slider->setValue(8);
    const QImage before = t.bitmap();
    const QPoint centre = t.centerPoint();

    Answerer answers;
    w.openFile(path);
    QCOMPARE(answers.dialogs, QStringList());
    QCOMPARE(answers.unexpected, 0);
    QCOMPARE(answers.boxes.size(), 1);
    QCOMPARE(answers.boxes[0].title, QStringLiteral("Error"));
    QCOMPARE(answers.boxes[0].text, QStringLiteral("Open file error"));
    QVERIFY(answers.boxes[0].warning);
    QCOMPARE(t.bitmap(), before);
    QCOMPARE(t.filePath(), QStringLiteral("/earlier/pic.bmp"));
    QCOMPARE(t.history().size(), 1);
    QCOMPARE(slider->value(), 8);
    QCOMPARE(t.centerPoint(), centre);
}

void tst_Files::openThroughButton()
{
    const QString sub = dir->filePath(QStringLiteral("photos"));
    QVERIFY(QDir().mkpath(sub));
    const QString path = writeJpegPicture(sub + QStringLiteral("/cat.jpg"));
    QVERIFY(!path.isEmpty());
    MainWindow w;
    MainWindowTester t(w);
    t.filePath() = dir->filePath(QStringLiteral("Picture001"));

    Answerer answers;
    QStringList starts;
    auto open = [&](QWidget* widget) {
        QFileDialog* d = qobject_cast<QFileDialog*>(widget);
        QLineEdit* name = widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!d || !name) {
            widget->close();
            return;
        }
        starts << d->directory().absolutePath();
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    };
    answers.then(open);
    answers.then(answerSelection(true));
    click(w, "openFileButton");
    QCOMPARE(answers.dialogs, QStringList({ "QFileDialog", "SelectDialog" }));
    QCOMPARE(t.filePath(), path);

    // The next open dialog starts beside the picture just opened.
    answers.then([&](QWidget* widget) {
        if (QFileDialog* d = qobject_cast<QFileDialog*>(widget))
            starts << d->directory().absolutePath();
        widget->close();
    });
    click(w, "openFileButton");
    QCOMPARE(starts.value(0), dir->path());
    QCOMPARE(answers.dialogs.size(), 3);
    QToolButton* button = w.findChild<QToolButton*>(QStringLiteral("openFileButton"));
    QVERIFY(!button->isCheckable());
    QCOMPARE(t.filePath(), path);
    QCOMPARE(starts.value(1), sub);
}

void tst_Files::endToEnd()
{
    // The shipped template, beside this test program.
    QVERIFY(QFile::copy(QStringLiteral(DOTWRIGHT_BIN_DIR "/template.txt"), templatePath()));
    const QString path = writeJpegPicture(dir->filePath(QStringLiteral("badge.jpg")));
    MainWindow w;
    MainWindowTester t(w);
    Answerer answers;
    answers.then(answerSelection(true));
    w.openFile(path);
    const QImage bitmap = t.bitmap();
    QCOMPARE(bitmap.size(), QSize(128, 64));
    QVERIFY(!setPixelBounds(bitmap).isNull());

    const QString bmp = dir->filePath(QStringLiteral("badge.bmp"));
    answers.then(chooseFile(bmp));
    click(w, "saveFileButton");
    const QImage back(bmp);
    QCOMPARE(back.size(), QSize(128, 64));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            QCOMPARE(back.pixel(x, y),
                     bitmap.pixelIndex(x, y) ? COLOR_FRONT.rgb() : COLOR_BACK.rgb());

    const QString code = dir->filePath(QStringLiteral("badge.c"));
    answers.then(chooseFile(code));
    click(w, "saveCCodeButton");
    QCOMPARE(answers.boxes.size(), 0);
    QVERIFY(writeBytes(dir->filePath(QStringLiteral("main.c")),
                       "#include <stdio.h>\n#include \"badge.c\"\n"
                       "int main(void)\n{\n    unsigned i;\n"
                       "    printf(\"%d %d\\n\", badge_width, badge_height);\n"
                       "    for (i = 0; i < sizeof badge; ++i)\n"
                       "        printf(\"%d\\n\", badge[i]);\n    return 0;\n}\n"));
    QByteArray output;
    const QString failure = compile(dir->path(), QStringLiteral("main.c"), &output);
    if (failure == QLatin1String("skip"))
        QSKIP("no C compiler installed");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // Cropped to the set pixels, leftmost pixel in the top bit.
    int left = 128, right = -1, top = 64, bottom = -1;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            if (bitmap.pixelIndex(x, y)) {
                left = qMin(left, x);
                right = qMax(right, x);
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
    const int width = right - left + 1, height = bottom - top + 1;
    QList<QByteArray> lines = output.trimmed().split('\n');
    QCOMPARE(lines.takeFirst(), QByteArray::number(width) + ' ' + QByteArray::number(height));
    QCOMPARE(lines.size(), height * ((width + 7) / 8));
    int at = 0;
    for (int y = top; y <= bottom; ++y) {
        for (int x0 = left; x0 <= right; x0 += 8) {
            int value = 0;
            for (int k = 0; k < 8 && x0 + k <= right; ++k)
                if (bitmap.pixelIndex(x0 + k, y))
                    value |= 0x80 >> k;
            QCOMPARE(lines[at++].toInt(), value);
        }
    }
}

QTEST_MAIN(tst_Files)
#include "tst_files.moc"
