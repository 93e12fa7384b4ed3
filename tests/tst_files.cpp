// Opening pictures and saving the bitmap as an image and as code: every BMP
// and JPEG flavour, hostile files, the shipped templates compiled and run,
// every way a save fails, and a photo taken to a BMP and to code.

#include "codegen.h"
#include "picture.h"
#include "testsupport.h"

#include <QComboBox>
#include <QImageReader>
#include <QImageWriter>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>

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

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QImage bitmapWith(const QVector<QPoint>& points)
{
    QImage image = newBitmap();
    for (const QPoint& p : points)
        image.setPixel(p, 1);
    return image;
}

// What the printer below prints for the set pixels of `image`: the sizes of
// their box, then every byte, the leftmost pixel in the top (msb) or bottom bit.
QByteArray expectedOutput(const QImage& image, bool msb)
{
    QRect box;
    for (int i = 0; i < 128 * 64; ++i)
        box |= image.pixelIndex(i % 128, i / 128) ? QRect(i % 128, i / 128, 1, 1) : QRect();
    QByteArray out = QByteArray::number(box.width()) + ' ' + QByteArray::number(box.height())
                     + ' ' + QByteArray::number((box.width() + 7) / 8) + '\n';
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x0 = box.left(); x0 <= box.right(); x0 += 8) {
            int value = 0;
            for (int k = 0; k < 8 && x0 + k <= box.right(); ++k)
                value |= image.pixelIndex(x0 + k, y) << (msb ? 7 - k : k);
            out += QByteArray::number(value) + '\n';
        }
    }
    return out;
}

// Includes the files <id>.<ext> of `dir` in a program printing each array's
// sizes and bytes, compiled with all warnings as errors, and runs it.
QByteArray compileAndRun(const QString& compiler, const QString& dir, const QStringList& ids,
                         const QString& ext)
{
    QString main = QStringLiteral("#include <stdio.h>\n");
    for (const QString& id : ids)
        main += QStringLiteral("#include \"%1.%2\"\n").arg(id, ext);
    main += QStringLiteral("int main(void)\n{\n    unsigned i;\n");
    for (const QString& id : ids)
        main += QStringLiteral("    printf(\"%d %d %d\\n\", (int)%1_width, (int)%1_height, "
                               "(int)%1_bytes_per_row);\n    for (i = 0; i < sizeof %1; ++i)\n"
                               "        printf(\"%d\\n\", %1[i]);\n").arg(id);
    writeBytes(dir + QStringLiteral("/main.") + ext, (main + "    return 0;\n}\n").toUtf8());
    QProcess sh;
    sh.setWorkingDirectory(dir);
    sh.start("sh", { "-c", compiler + " -Wall -Wextra -Werror -o printer main." + ext
                               + " && ./printer" });
    sh.waitForFinished(60000);
    return sh.readAllStandardOutput() + sh.readAllStandardError();
}

// Runs `act`, answering every dialog it opens: a file dialog gets `path` typed,
// a selection dialog is accepted. Returns the message boxes, as "title: text".
QStringList answering(const std::function<void()>& act, const QString& path = QString())
{
    QStringList said;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        QToolButton* ok = modal ? modal->findChild<QToolButton*>("okButton") : nullptr;
        if (QMessageBox* box = qobject_cast<QMessageBox*>(modal)) {
            said << box->windowTitle() + ": " + box->text();
            box->accept();
        } else if (QFileDialog* files = qobject_cast<QFileDialog*>(modal)) {
            files->setOption(QFileDialog::DontConfirmOverwrite);
            QLineEdit* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
        } else if (ok) {
            QTest::mouseClick(ok, Qt::LeftButton);
        }
    });
    timer.start(10);
    act();
    return said;
}

// Five bits a channel keep them as they are.
const QVector<QRgb> kColours = { qRgb(248, 248, 248), qRgb(0, 0, 0), qRgb(248, 0, 0),
                                 qRgb(0, 128, 248) };

// Squares of `cell` pixels in the first `colours` of kColours, laid out so
// that no turn or mirror of the picture looks the same.
QImage pattern(int w, int h, int cell, int colours)
{
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, kColours[(x / cell + 1) * (y / cell + 2) / 3 % colours]);
    return image;
}

// `image`, drawn in kColours, as a BMP of `bpp` bits, run-length coded or
// stored top-down on request.
QByteArray bmp(const QImage& image, int bpp, bool rle = false, bool top_down = false)
{
    QString head, body; // as binary digits
    // A value wider than a byte goes low byte first.
    const auto put = [](QString& to, quint32 value, int width) {
        for (int shift = 0; shift < width; shift += 8)
            to += QString::number(value >> shift & 0xFF, 2).rightJustified(qMin(width, 8), '0');
    };
    for (int i = 0; bpp <= 8 && i < 1 << bpp; ++i)
        put(body, kColours.value(i) & 0xFFFFFF, 32);
    const int palette = body.size() / 8;
    for (int r = 0; r < image.height(); ++r) {
        const int y = top_down ? r : image.height() - 1 - r;
        for (int x = 0, run = 1; x < image.width(); x += run, run = 1) {
            const QRgb c = image.pixel(x, y);
            while (rle && x + run < image.width() && image.pixel(x + run, y) == c)
                ++run;
            if (rle) // a run's length, then the index (twice in four bits)
                put(body, kColours.indexOf(c) * (bpp == 4 ? 17 : 1) << 8 | run, 16);
            else if (bpp <= 8)
                put(body, kColours.indexOf(c), bpp);
            else // five bits a channel in sixteen
                put(body, bpp > 16 ? c & 0xFFFFFF
                                   : qRed(c) >> 3 << 10 | qGreen(c) >> 3 << 5 | qBlue(c) >> 3, bpp);
        }
        while (!rle && body.size() % 32)
            body += '0';
        put(body, 0, rle ? 16 : 0); // a run-length row ends with 0 0
    }
    put(body, 0x100, rle ? 16 : 0); // and the picture with 0 1
    const int height = top_down ? -image.height() : image.height();
    for (int v : { 54 + body.size() / 8, 0, 54 + palette, 40, image.width(), height, bpp << 16 | 1,
                   rle ? 3 - bpp / 4 : 0, body.size() / 8 - palette, 2835, 2835, palette / 4, 0 })
        put(head, v, 32);
    QByteArray file("BM");
    for (int i = 0; i < head.size() + body.size(); i += 8)
        file += char((head + body).midRef(i, 8).toInt(nullptr, 2));
    return file;
}

QByteArray jpeg(const QImage& image, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

} // namespace

class tst_Files : public QObject
{
    Q_OBJECT

private slots:
    void init() { forgetSettings(); }
    void compiled_data();
    void compiled();
    void commands_data();
    void commands();
    void photoToBmpAndCode();
    void typedNameTakesChosenType_data();
    void typedNameTakesChosenType();
    void fillingIsOnePass();
};

void tst_Files::compiled_data()
{
    QTest::addColumn<QString>("compiler");
    QTest::newRow("C") << "gcc";
    QTest::newRow("C++") << "g++";
}

// Every drawing from both templates in one program, each from its own file.
void tst_Files::compiled()
{
    QFETCH(QString, compiler);
    QTemporaryDir dir;
    const QString ext = compiler == QLatin1String("gcc") ? "c" : "cpp";
    QStringList ids;
    QByteArray expected;
    const QList<QImage> drawings = {
        bitmapWith({ { 37, 21 } }),                            // one pixel
        bitmapWith({ { 40, 5 }, { 47, 6 }, { 42, 9 } }),       // width 8
        bitmapWith({ { 3, 30 }, { 11, 34 }, { 6, 31 } }),      // width 9
        bitmapWith({ { 100, 48 }, { 115, 63 }, { 107, 50 } }), // width 16
        bitmapWith({ { 0, 0 }, { 127, 63 } }),                 // 128 x 64
        randomBitmap(5),
    };
    for (int i = 0; i < 2 * drawings.size(); ++i) { // from the default template, then u8g2's
        const QImage& image = drawings[i % drawings.size()];
        const QString name = i < drawings.size() ? "template.txt" : "templates/template_u8g2.txt";
        const QRect box = setPixelBounds(image);
        ids << QStringLiteral("logo%1").arg(i);
        const QString code = fillCodeTemplate(
            decodeCodeTemplate(readBytes(QStringLiteral(DOTWRIGHT_BIN_DIR "/") + name)), "a.jpg",
            ids[i], pixelRowText(image, box), box.width(), box.height(), bytesPerRow(box.width()));
        QVERIFY(writeBytes(dir.filePath(ids[i] + '.' + ext), code.toUtf8()));
        expected += expectedOutput(image, i < drawings.size());
    }
    QCOMPARE(compileAndRun(compiler, dir.path(), ids, ext), expected);
}

void tst_Files::commands_data()
{
    QTest::addColumn<QString>("command"); // a button, or "open"
    QTest::addColumn<QByteArray>("code_template"); // or "@none", "@dir": a folder
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("before"); // at the target; or "@none", "@dir", "@fifo", "@full"
    QTest::addColumn<QString>("message"); // "either": may also be opened
    QTest::addColumn<QByteArray>("after"); // at the target; null: as before
    const char* code = "saveCCodeButton";
    const QString load = QStringLiteral("Load code template file error");
    const auto row = [](const char* tag, const char* command, const QByteArray& code_template,
                        const QString& target, const QString& message,
                        const QByteArray& before = kEarlier, const QByteArray& after = {}) {
        QTest::newRow(tag) << command << code_template << target << before << message << after;
    };
    row("worked example", code, kWorked, "logo.cpp", "", kEarlier,
        "name=logo source=logo.bmp size=10x2 bytes=2\n"
        "  XXXXXXXX, XX______,\n  X_______, _X______\nend\n");
    row("identifier ends at a dot; template at a NUL", code, QByteArray("%2 %1\n\0%3", 9),
        "my.logo.c", "", kEarlier, "my logo.bmp\n");
    row("only %3 and %7", code, "[%3][%7]\r\n", "x.h", "", kEarlier, "[logo.bmp][x]\r\n");
    row("template missing", code, "@none", "logo.cpp", load);
    row("template of zero bytes", code, "", "logo.cpp", load);
    row("template is a folder", code, "@dir", "logo.cpp", load);
    row("template begins with NUL", code, QByteArray("\0%2", 3), "logo.cpp", load);
    row("bitmap empty", code, kWorked, "@blank", "Bitmap can not be empty");
    row("hyphen in the name", code, kWorked, "my-logo.cpp",
        "File name only can contains numbers, letters, and '_'.\n('0~9', 'A~Z', 'a~z' and '_')\n\n");
    row("empty identifier", code, kWorked, ".cpp", "");
    row("code into a folder that takes no new files", code, kWorked, "locked/dw.cpp",
        "Open file for write error", "@none");
    row("code to /dev/full", code, kWorked, "full.cpp", "Write file error", "@full");
    row("code over a size limit", code, kWorked, "limited.cpp", "Write file error");
    // In a folder that takes no new files the earlier file is written in place.
    row("code in place", code, kWorked, "locked/logo.cpp", "", kEarlier,
        "name=logo source=logo.bmp size=10x2 bytes=2\n"
        "  XXXXXXXX, XX______,\n  X_______, _X______\nend\n");
    row("code in place over a size limit", code, kWorked, "locked/limited.cpp", "Write file error");
    row("no writer for the extension", "saveFileButton", "@none", "pic.xyz", "Save file error");
    row("image into a folder that takes no new files", "saveFileButton", "@none", "locked/dw.bmp",
        "Save file error", "@none");
    row("image to /dev/full", "saveFileButton", "@none", "full.bmp", "Save file error", "@full");
    row("image over a size limit", "saveFileButton", "@none", "limited.bmp", "Save file error");

    QByteArray bomb = jpeg(pattern(48, 24, 8, 2)), big_bomb = bomb; // frame headers claiming
    const int sof = bomb.indexOf("\xFF\xC0") + 5;                    // a huge height and width
    bomb.replace(sof, 4, "\x2E\xE0\x2E\xE0"); // 12000 x 12000: a gigabyte were it decoded
    big_bomb.replace(sof, 4, "\xFF\xDC\xFF\xDC"); // 65500 x 65500
    row("open an empty file", "open", "@none", "a.jpg", "Open file error", "");
    row("open text", "open", "@none", "a.jpg", "Open file error", "just some words\n");
    row("open a missing file", "open", "@none", "a.jpg", "Open file error", "@none");
    row("open a folder", "open", "@none", "a.jpg", "Open file error", "@dir");
    row("open a named pipe", "open", "@none", "a.jpg", "Open file error", "@fifo");
    row("open a 12000 x 12000 JPEG header", "open", "@none", "a.jpg", "Open file error", bomb);
    row("open a 65500 x 65500 JPEG header", "open", "@none", "a.jpg", "Open file error", big_bomb);
    row("open a JPEG cut in the scan", "open", "@none", "a.jpg", "either",
        jpeg(pattern(160, 120, 8, 4)).chopped(900));
    row("open an RLE BMP cut short", "open", "@none", "a.bmp", "either",
        bmp(pattern(13, 7, 2, 4), 8, true).chopped(9));
}

// A target named limited.* is written while the process may write files only
// a little longer than the earlier version.
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
    if (before == "@dir")
        QVERIFY(QDir().mkpath(path));
    else if (before == "@fifo")
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
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    const long peak = usage.ru_maxrss;
    const QStringList said = answering([&] {
        setrlimit(RLIMIT_FSIZE, &limit);
        if (command == QLatin1String("open"))
            w.openFile(path);
        else
            QTest::mouseClick(t.child<QToolButton>(qPrintable(command)), Qt::LeftButton);
        setrlimit(RLIMIT_FSIZE, &saved);
    }, path);
    getrusage(RUSAGE_SELF, &usage);
    if (locked) {
        dropFileOverride(false);
        chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 0755);
    }
    QVERIFY2(usage.ru_maxrss - peak < 64 * 1024, "memory taken for a size claimed");

    if (message == QLatin1String("either") && said.isEmpty())
        return; // shown, and taken
    QCOMPARE(said, message.isEmpty() ? QStringList() : QStringList { "Error: " + message });
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

void tst_Files::photoToBmpAndCode()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/template.txt");
    QFile::remove(beside) || QDir(beside).removeRecursively();
    QVERIFY(QFile::copy(QStringLiteral(DOTWRIGHT_BIN_DIR "/template.txt"), beside));
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("badge.jpg"));
    const QImage drawing = randomBitmap(3);
    QVERIFY(drawing.scaled(256, 128).convertToFormat(QImage::Format_RGB32).save(photo, "jpeg", 95));

    MainWindow w;
    MainWindowTester t(w);
    QCOMPARE(answering([&] { w.openFile(photo); }), QStringList());
    QCOMPARE(t.bitmap(), drawing); // the whole photo, halved
    QCOMPARE(t.filePath(), photo);

    // Typed without an extension, the name gets that of the type first offered.
    const QString typed = dir.filePath(QStringLiteral("badge"));
    QToolButton* save = t.child<QToolButton>("saveFileButton");
    QCOMPARE(answering([&] { QTest::mouseClick(save, Qt::LeftButton); }, typed), QStringList());
    QCOMPARE(QImage(typed + ".bmp"), drawing); // one bit a pixel, black and white

    QToolButton* code = t.child<QToolButton>("saveCCodeButton");
    QCOMPARE(answering([&] { QTest::mouseClick(code, Qt::LeftButton); }, typed), QStringList());
    QCOMPARE(compileAndRun("g++", dir.path(), { QStringLiteral("badge") }, QStringLiteral("cpp")),
             expectedOutput(drawing, true));
}

void tst_Files::typedNameTakesChosenType_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("image, first type") << "saveFileButton" << 0 << "pic.bmp" << QByteArray("bmp");
    QTest::newRow("image, JPG") << "saveFileButton" << 1 << "pic.jpg" << QByteArray("jpeg");
    QTest::newRow("image, JPEG") << "saveFileButton" << 2 << "pic.jpeg" << QByteArray("jpeg");
    QTest::newRow("code, C++") << "saveCCodeButton" << 0 << "pic.cpp" << QByteArray();
    QTest::newRow("code, C") << "saveCCodeButton" << 1 << "pic.c" << QByteArray();
    QTest::newRow("code, u8g2") << "saveCCodeButton" << 3 << "pic.h" << QByteArray();
    QTest::newRow("code, XBM") << "saveCCodeButton" << 5 << "pic.xbm" << QByteArray("xbm");
}

// A bare name typed in the save dialog takes the extension of the chosen type.
void tst_Files::typedNameTakesChosenType()
{
    QFETCH(QString, button);
    QFETCH(int, type);
    QFETCH(QString, written);
    QFETCH(QByteArray, format);
    const QString beside = QCoreApplication::applicationDirPath();
    QVERIFY(writeBytes(beside + "/template.txt", kWorked));
    QDir().mkpath(beside + "/templates");
    for (const CodeTarget& target : codeTargets()) {
        QFile::remove(beside + '/' + target.template_file);
        QVERIFY(QFile::copy(DOTWRIGHT_BIN_DIR "/" + target.template_file,
                            beside + '/' + target.template_file));
    }
    QTemporaryDir dir;
    MainWindow w;
    MainWindowTester t(w);
    t.bitmap() = bitmapWith({ { 3, 4 } });
    whenModal([&](QWidget* modal) {
        QComboBox* types = modal->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; i < type; ++i) // as the user does, so the dialog hears of it
            QTest::keyClick(types, Qt::Key_Down);
        QLineEdit* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(dir.path() + QStringLiteral("/pic"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(t.child<QToolButton>(qPrintable(button)), Qt::LeftButton);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { written });
    if (!format.isEmpty())
        QCOMPARE(QImageReader::imageFormat(dir.filePath(written)), format);
    QCOMPARE(t.fileDialog(), nullptr);
}

// A marker inside a value already filled in is not filled again.
void tst_Files::fillingIsOnePass()
{
    QCOMPARE(fillCodeTemplate(QStringLiteral("%1|%2|%4|%9"), QStringLiteral("100%4.jpg"),
                              QStringLiteral("id"), QStringLiteral("rows"), 10, 2, 2),
             QStringLiteral("100%4.jpg|id|rows|10"));
}

QTEST_MAIN(tst_Files)
#include "tst_files.moc"
