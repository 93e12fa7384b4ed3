// Code templates and targets: the filler against QString::arg, the named
// markers against packings written here, the C targets compiled and read
// back pixel by pixel on the host and placed in flash on AVR, the XBM and the
// binary page buffer, and huge templates refused.

#include "codegen.h"
#include "testsupport.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

// Made on first use: the bitmap's colours are not there before main().
const QList<QImage>& drawings()
{
    static const QList<QImage> made = {
        bitmapWith({ { 37, 21 } }),                            // one pixel
        bitmapWith({ { 40, 5 }, { 47, 6 }, { 42, 9 } }),       // width 8
        bitmapWith({ { 3, 30 }, { 11, 34 }, { 6, 31 } }),      // width 9
        bitmapWith({ { 100, 48 }, { 115, 63 }, { 107, 50 } }), // width 16
        bitmapWith({ { 0, 0 }, { 127, 63 } }),                 // opposite corners
        randomBitmap(7),
    };
    return made;
}

QRect boxOf(const QImage& image)
{
    QRect box;
    for (int i = 0; i < 128 * 64; ++i)
        box |= image.pixelIndex(i % 128, i / 128) ? QRect(i % 128, i / 128, 1, 1) : QRect();
    return box;
}

enum Layout { MSB, LSB, PAGES };

// Byte by byte: which pixels each byte of the layout holds.
QByteArray pack(const QImage& image, const QRect& area, Layout layout)
{
    const int per_row = (area.width() + 7) / 8;
    const int size = layout == PAGES ? area.width() * (area.height() / 8) : per_row * area.height();
    QByteArray bytes;
    for (int i = 0; i < size; ++i) {
        int byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const QPoint p = layout == PAGES ? QPoint(i % area.width(), i / area.width() * 8 + bit)
                                             : QPoint(i % per_row * 8 + (layout == MSB ? 7 - bit : bit),
                                                      i / per_row);
            if (p.x() < area.width() && image.pixelIndex(area.topLeft() + p))
                byte |= 1 << bit;
        }
        bytes += char(byte);
    }
    return bytes;
}

QByteArray hexLines(const QByteArray& bytes, int per_line)
{
    QByteArrayList lines;
    for (int i = 0; i < bytes.size(); i += per_line) {
        QByteArrayList line;
        for (const char b : bytes.mid(i, per_line))
            line += "0x" + QByteArray(1, b).toHex().toUpper();
        lines += "  " + line.join(", ");
    }
    return lines.isEmpty() ? QByteArray() : lines.join(",\n") + '\n';
}

QByteArray filled(const QString& code_template, const QImage& bitmap, const QString& id = "logo")
{
    return fillCodeTemplate(code_template, CodeInput { bitmap, "a.jpg", id }).value_or("(refused)");
}

QString templateOf(const QString& target)
{
    const CodeTarget* found = findCodeTarget(target);
    return readCodeTemplate(found ? codeTemplatePath(*found, DOTWRIGHT_BIN_DIR)
                                  : DOTWRIGHT_BIN_DIR "/" + target);
}

QByteArray run(const QString& dir, const QString& command)
{
    QProcess sh;
    sh.setWorkingDirectory(dir);
    sh.setProcessChannelMode(QProcess::MergedChannels);
    sh.start("sh", { "-c", command });
    sh.waitForFinished(120000);
    return sh.readAll();
}

QByteArray picture(const QImage& image)
{
    QByteArray text;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x)
            text += isDark(image.pixel(x, y)) ? '1' : '0';
        text += '\n';
    }
    return text;
}

// Prints the pixels of a C array as picture() does; `layout` as Layout.
const char* kReader = R"(#include <stdio.h>
#include <string.h>
static void show(const unsigned char* a, int x0, int y0, int w, int h, int per_row, int layout)
{
    int x, y;
    for (y = 0; y < 64; ++y) {
        for (x = 0; x < 128; ++x) {
            int i = x - x0, j = y - y0, on = 0;
            if (layout == 2)
                on = a[y / 8 * 128 + x] >> y % 8 & 1;
            else if (i >= 0 && i < w && j >= 0 && j < h)
                on = a[j * per_row + i / 8] >> (layout ? i % 8 : 7 - i % 8) & 1;
            putchar('0' + on);
        }
        putchar('\n');
    }
}
)";

// Fills every template with every image into `dir`, as t<template>_<image>.h
// with that identifier; returns the lines including them.
QString writeHeaders(const QString& dir, const QStringList& templates, const QList<QImage>& images)
{
    QString includes;
    for (int t = 0; t < templates.size(); ++t) {
        for (int i = 0; i < images.size(); ++i) {
            const QString id = QStringLiteral("t%1_%2").arg(t).arg(i);
            if (!writeBytes(dir + '/' + id + ".h", filled(templateOf(templates[t]), images[i], id)))
                qFatal("cannot write %s", qPrintable(id));
            includes += "#include \"" + id + ".h\"\n";
        }
    }
    return includes;
}

} // namespace

class tst_Codegen : public QObject
{
    Q_OBJECT

private slots:
    void fillsLikeArg();
    void namedMarkers_data();
    void namedMarkers();
    void compiledOnHost_data();
    void compiledOnHost();
    void inFlashOnAvr();
    void refusesHugeOutput();
    void readsTemplate_data();
    void readsTemplate();
};

// Random templates of numbered markers, stray "%" and text, named-looking
// text that names no marker, and values holding markers themselves.
void tst_Codegen::fillsLikeArg()
{
    const QStringList pieces = { "%", "%L", "%%", "%0", "%07", "%L1", "%100", "%999", "%1000",
                                 "%4294967297", "%2147483649", "ab", "é€", "\n", "{", "9",
                                 "%{", "%{x", "%{X}", "%{bogus}", "%{name_}", "L" };
    const QImage bitmap = drawings()[5];
    const QRect box = boxOf(bitmap);
    const QString rows = pixelRowText(bitmap, box);
    QRandomGenerator rng(42);
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&,
                                                                const QString&) {}); // "argument(s) missing"
    for (int round = 0; round < 3000; ++round) {
        QString t;
        for (int n = rng.bounded(12); n > 0; --n)
            t += rng.bounded(2) ? "%" + QString::number(rng.bounded(100)) : pieces[rng.bounded(pieces.size())];
        const QString expected = t.arg("%4%{x}.jpg", "id%1", rows, QString::number(box.width()),
                                       QString::number(box.height()), QString::number((box.width() + 7) / 8));
        const std::optional<QByteArray> code = fillCodeTemplate(t, CodeInput { bitmap, "%4%{x}.jpg", "id%1" });
        QVERIFY2(code && *code == expected.toUtf8(), qPrintable(t));
    }
    qInstallMessageHandler(previous);
}

void tst_Codegen::namedMarkers_data()
{
    QTest::addColumn<QImage>("bitmap");
    for (const QImage& image : drawings())
        QTest::addRow("box %dx%d", boxOf(image).width(), boxOf(image).height()) << image;
    QTest::newRow("blank") << newBitmap();
}

void tst_Codegen::namedMarkers()
{
    QFETCH(QImage, bitmap);
    const QRect box = boxOf(bitmap), whole(0, 0, 128, 64);
    const int per_row = (box.width() + 7) / 8;
    const auto n = [](int number) { return QByteArray::number(number); };
    const QVector<QPair<QString, QByteArray>> expected = {
        { "picture", "a.jpg" }, { "name", "logo" }, { "width", n(box.width()) }, { "height", n(box.height()) },
        { "bytes_per_row", n(per_row) }, { "x", n(box.x()) }, { "y", n(box.y()) }, { "bitmap_width", "128" },
        { "bitmap_height", "64" }, { "box_bytes", n(per_row * box.height()) }, { "bitmap_bytes", "1024" },
        { "pages_bytes", "1024" },
        { "raw_box_msb", pack(bitmap, box, MSB) }, { "raw_box_lsb", pack(bitmap, box, LSB) },
        { "raw_bitmap_msb", pack(bitmap, whole, MSB) }, { "raw_bitmap_lsb", pack(bitmap, whole, LSB) },
        { "raw_pages", pack(bitmap, whole, PAGES) },
    };
    for (const auto& marker : expected) {
        QCOMPARE(filled("<%{" + marker.first + "}>", bitmap), "<" + marker.second + ">");
        if (marker.first.startsWith("raw_")) // one line per row of the box, 16 bytes a line for the rest
            QCOMPARE(filled("%{hex_" + marker.first.mid(4) + "}", bitmap),
                     hexLines(marker.second, marker.first.contains("box") ? per_row : 16));
    }
    // The whole-bitmap targets: the raw page buffer, and an XBM image that reads back.
    QCOMPARE(filled(templateOf("bin"), bitmap), pack(bitmap, whole, PAGES));
    QCOMPARE(picture(QImage::fromData(filled(templateOf("xbm"), bitmap), "XBM")), picture(bitmap));
}

void tst_Codegen::compiledOnHost_data()
{
    QTest::addColumn<QString>("compiler");
    QTest::newRow("C") << "gcc -x c";
    QTest::newRow("C++") << "g++ -x c++";
}

// Every drawing through every C target, and through the numbered templates
// beside the targets of their layout: the same array, only spelled differently.
void tst_Codegen::compiledOnHost()
{
    QFETCH(QString, compiler);
    QTemporaryDir dir;
    const QStringList templates = { "adafruit", "u8g2", "ssd1306", "template.txt", "templates/template_u8g2.txt" };
    QString main = kReader + writeHeaders(dir.path(), templates, drawings()) + "int main(void)\n{\n";
    QByteArray expected;
    for (int i = 0; i < drawings().size(); ++i) {
        main += QString("show(t0_%1, t0_%1_x, t0_%1_y, t0_%1_width, t0_%1_height, t0_%1_bytes_per_row, 0);\n"
                        "show(t1_%1, t1_%1_x, t1_%1_y, t1_%1_width, t1_%1_height, t1_%1_bytes_per_row, 1);\n"
                        "show(t2_%1, 0, 0, 0, 0, 0, 2);\n"
                        "puts(sizeof t3_%1 == sizeof t0_%1 && !memcmp(t3_%1, t0_%1, sizeof t0_%1) ? \"same\" : \"differ\");\n"
                        "puts(sizeof t4_%1 == sizeof t1_%1 && !memcmp(t4_%1, t1_%1, sizeof t1_%1) ? \"same\" : \"differ\");\n")
                    .arg(i);
        expected += picture(drawings()[i]).repeated(3) + "same\nsame\n";
    }
    QVERIFY(writeBytes(dir.filePath("main.c"), (main + "return 0;\n}\n").toUtf8()));
    QCOMPARE(run(dir.path(), compiler + " -Wall -Wextra -Werror -o reader main.c && ./reader"), expected);
}

// Included before the display library's header, an array must not fall back
// to RAM while the library reads flash.
void tst_Codegen::inFlashOnAvr()
{
    for (const char* tool : { "avr-gcc", "avr-g++", "avr-objdump" }) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP("no AVR tool chain: install the Debian packages gcc-avr, avr-libc, binutils-avr");
    }
    QTemporaryDir dir;
    // Stands in for a display library: its own flash macro, made of PROGMEM.
    QVERIFY(writeBytes(dir.filePath("display.h"), "#ifndef DISPLAY_H\n#define DISPLAY_H\n"
                      "#include <avr/pgmspace.h>\n#define U8X8_PROGMEM PROGMEM\n#endif\n"));
    const QStringList templates = { "adafruit", "u8g2", "ssd1306", "template.txt", "templates/template_u8g2.txt" };
    const QString headers = writeHeaders(dir.path(), templates, { drawings()[5] });
    const QString display = "#include \"display.h\"\n";
    // C with the generated files first, C++ with the library's header first.
    for (const QString& compiler : { "avr-gcc -x c", "avr-g++ -x c++" }) {
        QString main = compiler.endsWith(" c") ? headers + display : display + headers;
        for (int t = 0; t < templates.size(); ++t)
            main += QString("unsigned char read%1(unsigned i) { return pgm_read_byte(&t%1_0[i]); }\n").arg(t);
        QVERIFY(writeBytes(dir.filePath("main.c"), main.toUtf8()));
        const QString symbols = run(dir.path(), compiler + " -mmcu=atmega328p -Os -Wall -Wextra -Werror"
                                                           " -c -o main.o main.c && avr-objdump -t main.o");
        for (int t = 0; t < templates.size(); ++t) {
            const QRegularExpression in_flash(QString("\\s\\.progmem\\.data\\s+\\w+\\s+\\w*t%1_0\\n").arg(t));
            QVERIFY2(symbols.contains(in_flash), qPrintable(compiler + ": " + templates[t] + " not in flash:\n" + symbols));
        }
    }
}

void tst_Codegen::refusesHugeOutput()
{
    // About 3 GB of pixel rows: refused before anything that large is made.
    const CodeInput corners { drawings()[4], "a.jpg", "logo" };
    const QString bomb = "%1%2" + QString("%3").repeated(300000);
    QVERIFY(!fillCodeTemplate(bomb, corners));
    QVERIFY(!fillCodeTemplate(QString("%{hex_pages}").repeated(20000), corners)); // 120 MB
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("bomb.txt"), bomb.toUtf8()));
    QVERIFY(!fillCodeTemplate(readCodeTemplate(dir.filePath("bomb.txt")), corners));

    // Right at the limit, and a byte over it; a marker left unfilled counts as text.
    const CodeInput blank { newBitmap(), "a.jpg", "logo" };
    const QVector<QPair<QString, int>> sizes = { { "%{raw_pages}|", 1025 }, { "<%1%1>", 12 },
                                                 { "%1%2%3%4%5%6%L07|", 17 } };
    for (const auto& size : sizes) {
        QCOMPARE(fillCodeTemplate(size.first, blank, size.second).value_or("").size(), size.second);
        QVERIFY(!fillCodeTemplate(size.first, blank, size.second - 1));
    }
}

void tst_Codegen::readsTemplate_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("size"); // the file's, padded with NULs
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("text");
    const QByteArray a1000(1000, 'a');
    const qint64 none = 0, limit = CODE_SIZE_LIMIT;
    QTest::newRow("UTF-8") << QByteArray("%2 é\r\n") << none << limit << "%2 é\r\n";
    QTest::newRow("cut at a NUL") << QByteArray("ab\0cd", 5) << none << limit << "ab";
    QTest::newRow("NUL in the second chunk") << QByteArray(70000, 'a') + '\0' + "zz" << none << limit
                                             << QString(70000, 'a');
    QTest::newRow("NUL first") << QByteArray("\0ab", 3) << none << limit << "";
    QTest::newRow("at the limit") << a1000 << none << qint64(1000) << QString(a1000);
    QTest::newRow("over the limit") << a1000 << none << qint64(999) << "";
    QTest::newRow("over the limit before a NUL") << a1000 + '\0' << none << qint64(999) << "";
    QTest::newRow("long file, short text") << QByteArray("ab\0", 3) + a1000 << none << qint64(999) << "ab";
    QTest::newRow("sparse 256 MiB, text of two") << QByteArray("%2") << qint64(256 << 20) << limit << "%2";
}

// Nothing beyond the NUL is read.
void tst_Codegen::readsTemplate()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    QFETCH(qint64, limit);
    QFETCH(QString, text);
    QTemporaryDir dir;
    QFile file(dir.filePath("t.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && (!size || file.resize(size)));
    file.close();
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    const long peak = usage.ru_maxrss;
    QCOMPARE(readCodeTemplate(file.fileName(), limit), text);
    getrusage(RUSAGE_SELF, &usage);
    QVERIFY2(usage.ru_maxrss - peak < 16 * 1024, "read beyond the NUL");
}

QTEST_GUILESS_MAIN(tst_Codegen)
#include "tst_codegen.moc"
