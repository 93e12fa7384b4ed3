// Files through the window: every way a save fails, hostile pictures opened,
// the type chosen in the save dialog, and a photo taken to a BMP and to code.

#include "codegen.h"
#include "picture.h"
#include "testsupport.h"

#include <QComboBox>
#include <QImageReader>

#include <csignal>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Root passes every permission check unless it lays down the capability.
bool dropFileOverride(bool drop)
{
    __user_cap_header_struct header = { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[2];
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    const quint32 bits = 1u << CAP_DAC_OVERRIDE;
    data[0].effective = drop ? data[0].effective & ~bits : data[0].effective | (data[0].permitted & bits);
    return syscall(SYS_capset, &header, data) == 0;
}

const QByteArray kEarlier("an earlier version\n");
const QByteArray kWorked("name=%2 source=%1 size=%4x%5 bytes=%6\n%3end\n");

} // namespace

class tst_Files : public QObject
{
    Q_OBJECT

private slots:
    void init() { forgetSettings(); }
    void commands_data();
    void commands();
    void photoSavedAs_data();
    void photoSavedAs();
};

void tst_Files::commands_data()
{
    QTest::addColumn<QString>("command"); // a button, or "open"
    QTest::addColumn<QByteArray>("code_template"); // or "@none", "@dir": a folder
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("before"); // at the target; or "@none", "@fifo", "@full"
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("after"); // at the target; null: as before
    const char* code = "saveCCodeButton";
    const char* image = "saveFileButton";
    const QString load = QStringLiteral("Load code template file error");
    const QByteArray worked = "name=logo source=logo.bmp size=10x2 bytes=2\n"
                              "  XXXXXXXX, XX______,\n  X_______, _X______\nend\n";
    const auto row = [](const char* tag, const char* command, const QByteArray& code_template,
                        const QString& target, const QString& message,
                        const QByteArray& before = kEarlier, const QByteArray& after = {}) {
        QTest::newRow(tag) << command << code_template << target << before << message << after;
    };
    row("worked example", code, kWorked, "logo.cpp", "", kEarlier, worked);
    row("identifier ends at a dot; template at a NUL", code, QByteArray("%2 %1\n\0%3", 9),
        "my.logo.c", "", kEarlier, "my logo.bmp\n");
    row("template missing", code, "@none", "logo.cpp", load);
    row("template is a folder", code, "@dir", "logo.cpp", load);
    row("bitmap empty", code, kWorked, "@blank", "Bitmap can not be empty");
    row("hyphen in the name", code, kWorked, "my-logo.cpp",
        "File name only can contains numbers, letters, and '_'.\n('0~9', 'A~Z', 'a~z' and '_')\n\n");
    row("empty identifier", code, kWorked, ".cpp", "");
    row("code into a folder that takes no new files", code, kWorked, "locked/dw.cpp",
        "Open file for write error", "@none");
    row("code to /dev/full", code, kWorked, "full.cpp", "Write file error", "@full");
    row("code over a size limit", code, kWorked, "limited.cpp", "Write file error");
    // In a folder that takes no new files the earlier file is written in place;
    // a longer one takes no new space, so the write fails within it.
    row("code in place", code, kWorked, "locked/logo.cpp", "", kEarlier, worked);
    row("code in place over a size limit", code, kWorked, "locked/limited.cpp", "Write file error",
        kEarlier.repeated(8));
    row("no writer for the extension", image, "@none", "pic.xyz", "Save file error");
    row("image over a size limit", image, "@none", "limited.bmp", "Save file error");
    row("open text", "open", "@none", "a.jpg", "Open file error", "just some words\n");
    row("open a named pipe", "open", "@none", "a.jpg", "Open file error", "@fifo");
}

// A target named limited.* is written while the process may write files only
// a little longer than kEarlier.
void tst_Files::commands()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, code_template);
    QFETCH(QString, target);
    QFETCH(QByteArray, before);
    QFETCH(QString, message);
    QFETCH(QByteArray, after);
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/template.txt");
    QFile::remove(beside) || QDir(beside).removeRecursively(); // a file, or a folder
    if (code_template == "@dir")
        QVERIFY(QDir().mkpath(beside));
    else if (code_template != "@none")
        QVERIFY(writeBytes(beside, code_template));
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).absoluteFilePath(target);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    if (before == "@fifo")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (before == "@full")
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
    else if (before != "@none")
        QVERIFY(writeBytes(path, before));
    const bool locked = target.startsWith(QLatin1String("locked/"));
    if (locked) // even root must be refused new files there
        QVERIFY(chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 0555) == 0
                && dropFileOverride(true));

    MainWindow w;
    MainWindowTester t(w);
    t.filePath() = QStringLiteral("/pics/logo.bmp");
    t.history().record(BITMAP_OPERATE(OPERATE_INVERT, QImage(), 0));
    // The worked example's drawing.
    const QImage drawing = t.cleanBitmap() = t.bitmap() = target == "@blank" ? newBitmap() : bitmapWith({
        { 20, 10 }, { 21, 10 }, { 22, 10 }, { 23, 10 }, { 24, 10 }, { 25, 10 }, { 26, 10 },
        { 27, 10 }, { 28, 10 }, { 29, 10 }, { 20, 11 }, { 29, 11 } });
    struct rlimit saved, limit;
    getrlimit(RLIMIT_FSIZE, &saved);
    limit = { QFileInfo(target).fileName().startsWith(QLatin1String("limited")) ? rlim_t(kEarlier.size() + 16)
                                                          : saved.rlim_cur, saved.rlim_max };
    std::signal(SIGXFSZ, SIG_IGN);
    QStringList said;
    {
        Answering answers(path);
        setrlimit(RLIMIT_FSIZE, &limit);
        if (command == QLatin1String("open"))
            w.openFile(path);
        else
            t.click(qPrintable(command));
        setrlimit(RLIMIT_FSIZE, &saved);
        said = answers.shown.filter(QRegularExpression("^(?!QFileDialog$)"));
    }
    if (locked) {
        dropFileOverride(false);
        chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 0755);
    }

    QCOMPARE(said, message.isEmpty() ? QStringList() : QStringList { message });
    QCOMPARE(t.bitmap(), drawing);
    QCOMPARE(t.filePath(), QStringLiteral("/pics/logo.bmp"));
    QCOMPARE(t.history().entries().size(), 1);
    if (!before.startsWith('@'))
        QCOMPARE(readBytes(path), after.isNull() ? before : after);
    const QDir::Filters all = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(all),
             before == "@none" ? QStringList() : QStringList { QFileInfo(path).fileName() });
    if (before == "@full") // still a link, to the device as it was
        QVERIFY(QFileInfo(path).isSymLink() && !QFileInfo(QStringLiteral("/dev/full")).isFile());
}

void tst_Files::photoSavedAs_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("format"); // read back as the photo's bitmap when "bmp" or "xbm"
    QTest::newRow("image, first type") << "saveFileButton" << 0 << "pic.bmp" << QByteArray("bmp");
    QTest::newRow("image, JPG") << "saveFileButton" << 1 << "pic.jpg" << QByteArray("jpeg");
    QTest::newRow("code, C") << "saveCCodeButton" << 1 << "pic.c" << QByteArray();
    QTest::newRow("code, u8g2") << "saveCCodeButton" << 3 << "pic.h" << QByteArray();
    QTest::newRow("code, XBM") << "saveCCodeButton" << 5 << "pic.xbm" << QByteArray("xbm");
}

// A photo opened whole, then saved under a bare name: the name takes the
// extension of the type chosen in the dialog, the type picks the format.
void tst_Files::photoSavedAs()
{
    QFETCH(QString, button);
    QFETCH(int, type);
    QFETCH(QString, written);
    QFETCH(QByteArray, format);
    const QString beside = QCoreApplication::applicationDirPath();
    QDir().mkpath(beside + "/templates");
    for (const QString& file : { QStringLiteral("template.txt"), QStringLiteral("templates/u8g2.txt"),
                                 QStringLiteral("templates/xbm.txt") }) {
        QFile::remove(beside + '/' + file) || QDir(beside + '/' + file).removeRecursively();
        QVERIFY(QFile::copy(DOTWRIGHT_BIN_DIR "/" + file, beside + '/' + file));
    }
    QTemporaryDir dir;
    // Not a JPEG: the dialog would select the photo itself when its type is chosen.
    const QString photo = dir.filePath(QStringLiteral("badge.png"));
    const QImage drawing = randomBitmap(3);
    QVERIFY(drawing.scaled(256, 128).convertToFormat(QImage::Format_RGB32).save(photo));
    QDir().mkpath(dir.filePath("out"));

    MainWindow w;
    MainWindowTester t(w);
    {
        Answering answers;
        w.openFile(photo);
        QCOMPARE(answers.shown, QStringList { "SelectDialog" });
    }
    QCOMPARE(t.bitmap(), drawing); // the whole photo, halved
    {
        ModalAnswer save([&](QWidget* modal) {
            QComboBox* types = modal->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; i < type; ++i) // as the user does, so the dialog hears of it
                QTest::keyClick(types, Qt::Key_Down);
            QLineEdit* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(dir.filePath("out/pic"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        t.click(qPrintable(button));
    }
    QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::Files), QStringList { written });
    const QString path = dir.filePath("out/" + written);
    if (!format.isEmpty())
        QCOMPARE(QImageReader::imageFormat(path), format);
    if (format == "bmp" || format == "xbm")
        QCOMPARE(QImage(path).convertToFormat(QImage::Format_Mono), drawing);
    QCOMPARE(t.fileDialog(), nullptr);
}

QTEST_MAIN(tst_Files)
#include "tst_files.moc"
