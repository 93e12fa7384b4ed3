// The pieces of the C source generator, and the shipped code templates
// proven by compiling what they produce and reading the bytes back.

#include "codegen.h"
#include "mainwindow.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Points = QVector<QPoint>;

QImage bitmapWith(const Points& points)
{
    QImage image = newBitmap();
    for (const QPoint& p : points)
        image.setPixel(p, 1);
    return image;
}

// A dense, irregular drawing inside `area`, the same for the same seed.
QImage scatteredBitmap(const QRect& area, quint32 seed)
{
    QImage image = newBitmap();
    QRandomGenerator random(seed);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (random.bounded(3) == 0)
                image.setPixel(x, y, 1);
    // The corners pin the bounding box to `area` whatever the draw gave.
    image.setPixel(area.topLeft(), 1);
    image.setPixel(area.bottomRight(), 1);
    return image;
}

// The bytes a display driver must receive for the set pixels of `image` in
// the rectangle `box`: rows padded to whole bytes, the leftmost pixel in the
// most (msb) or least significant bit. Works from the colour index, not from
// the generator's pixel test.
QByteArray expectedBytes(const QImage& image, const QRect& box, bool msb)
{
    QByteArray bytes;
    const int per_row = (box.width() + 7) / 8;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int b = 0; b < per_row; ++b) {
            int value = 0;
            for (int k = 0; k < 8; ++k) {
                const int x = box.left() + 8 * b + k;
                if (x <= box.right() && image.pixelIndex(x, y) == 1)
                    value |= 1 << (msb ? 7 - k : k);
            }
            bytes.append(char(value));
        }
    }
    return bytes;
}

QString shippedTemplate(const QString& name)
{
    QFile file(QStringLiteral(DOTWRIGHT_BIN_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return decodeCodeTemplate(file.readAll());
}

QString generate(const QString& code_template, const QImage& image, const QString& identifier)
{
    const QRect box = setPixelBounds(image);
    return fillCodeTemplate(code_template, QStringLiteral("photo 100%4.jpg"), identifier,
                            pixelRowText(image, box), box.width(), box.height(),
                            bytesPerRow(box.width()));
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size();
}

// A main program that prints, for each identifier, its three sizes and then
// every byte of its array, one number a line.
QString printerSource(const QStringList& includes, const QStringList& identifiers)
{
    QString source = QStringLiteral("#include <stdio.h>\n");
    for (const QString& include : includes)
        source += QStringLiteral("#include \"%1\"\n").arg(include);
    source += QStringLiteral("int main(void)\n{\n    unsigned i;\n");
    for (const QString& id : identifiers) {
        source += QStringLiteral("    printf(\"%d %d %d\\n\", (int)%1_width, (int)%1_height, "
                                 "(int)%1_bytes_per_row);\n"
                                 "    for (i = 0; i < sizeof %1; ++i)\n"
                                 "        printf(\"%d\\n\", %1[i]);\n")
                      .arg(id);
    }
    source += QStringLiteral("    return 0;\n}\n");
    return source;
}

struct Built
{
    bool ok = false;
    QString log;
    QByteArray output;
};

Built compileAndRun(const QString& compiler, const QString& dir, const QString& main_file)
{
    Built built;
    const QString exe = dir + QStringLiteral("/printer");
    QProcess cc;
    cc.setWorkingDirectory(dir);
    cc.setProcessChannelMode(QProcess::MergedChannels);
    cc.start(compiler, { QStringLiteral("-Wall"), QStringLiteral("-Wextra"),
                         QStringLiteral("-Werror"), QStringLiteral("-o"), exe, main_file });
    if (!cc.waitForFinished(120000) || cc.exitStatus() != QProcess::NormalExit
        || cc.exitCode() != 0) {
        built.log = QString::fromLocal8Bit(cc.readAll());
        return built;
    }
    QProcess run;
    run.start(exe, QStringList());
    if (!run.waitForFinished(30000) || run.exitCode() != 0) {
        built.log = QStringLiteral("the compiled program failed");
        return built;
    }
    built.ok = true;
    built.output = run.readAllStandardOutput();
    return built;
}

// Turns the printer's output back into sizes and bytes, one block per identifier.
struct Printed
{
    int width = -1, height = -1, per_row = -1;
    QByteArray bytes;
};

QList<Printed> parsePrinted(const QByteArray& output, const QList<int>& byte_counts)
{
    QList<Printed> result;
    QList<QByteArray> lines = output.split('\n');
    int at = 0;
    for (int count : byte_counts) {
        Printed p;
        if (at >= lines.size())
            return result;
        const QList<QByteArray> sizes = lines[at++].split(' ');
        if (sizes.size() == 3) {
            p.width = sizes[0].toInt();
            p.height = sizes[1].toInt();
            p.per_row = sizes[2].toInt();
        }
        // A negative count reads every remaining line.
        for (int i = 0; (count < 0 || i < count) && at < lines.size(); ++i) {
            if (count < 0 && lines[at].isEmpty())
                break;
            p.bytes.append(char(lines[at++].toInt()));
        }
        result.append(p);
    }
    return result;
}

QString compilerFor(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

} // namespace

class tst_Codegen : public QObject
{
    Q_OBJECT

private slots:
    void pixelTest_data();
    void pixelTest();
    void bounds_data();
    void bounds();
    void rowText_data();
    void rowText();
    void identifier_data();
    void identifier();
    void proposed_data();
    void proposed();
    void fill_data();
    void fill();
    void decode_data();
    void decode();
    void compiledTemplate_data();
    void compiledTemplate();
    void twoFilesInOneUnit_data();
    void twoFilesInOneUnit();
};

void tst_Codegen::pixelTest_data()
{
    QTest::addColumn<QRgb>("rgb");
    QTest::addColumn<bool>("set");
    QTest::newRow("black") << qRgb(0, 0, 0) << true;
    QTest::newRow("white") << qRgb(255, 255, 255) << false;
    QTest::newRow("gray 128 is exactly luma 128") << qRgb(128, 128, 128) << false;
    QTest::newRow("gray 127") << qRgb(127, 127, 127) << true;
    QTest::newRow("pure red") << qRgb(255, 0, 0) << true;
    QTest::newRow("pure green") << qRgb(0, 255, 0) << false;
    QTest::newRow("pure blue") << qRgb(0, 0, 255) << true;
    // 299*200 + 587*120 + 114*100 = 141640: above the line despite dark blue.
    QTest::newRow("orange") << qRgb(200, 120, 100) << false;
    // 299*100 + 587*150 + 114*50 = 123650.
    QTest::newRow("olive") << qRgb(100, 150, 50) << true;
    QTest::newRow("working bitmap front") << COLOR_FRONT.rgb() << true;
    QTest::newRow("working bitmap back") << COLOR_BACK.rgb() << false;
}

void tst_Codegen::pixelTest()
{
    QFETCH(QRgb, rgb);
    QFETCH(bool, set);
    QCOMPARE(isSetPixel(rgb), set);
}

void tst_Codegen::bounds_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<QRect>("box");
    QTest::newRow("empty") << Points() << QRect();
    QTest::newRow("one pixel") << Points { { 37, 21 } } << QRect(37, 21, 1, 1);
    QTest::newRow("origin") << Points { { 0, 0 } } << QRect(0, 0, 1, 1);
    QTest::newRow("far corner") << Points { { 127, 63 } } << QRect(127, 63, 1, 1);
    QTest::newRow("opposite corners") << Points { { 0, 0 }, { 127, 63 } } << QRect(0, 0, 128, 64);
    QTest::newRow("other diagonal") << Points { { 127, 0 }, { 0, 63 } } << QRect(0, 0, 128, 64);
    QTest::newRow("worked example")
        << Points { { 20, 10 }, { 25, 10 }, { 29, 10 }, { 20, 11 }, { 29, 11 } }
        << QRect(20, 10, 10, 2);
    QTest::newRow("scattered") << Points { { 5, 40 }, { 90, 3 }, { 60, 22 } }
                               << QRect(5, 3, 86, 38);
}

void tst_Codegen::bounds()
{
    QFETCH(Points, points);
    QFETCH(QRect, box);
    QCOMPARE(setPixelBounds(bitmapWith(points)), box);
}

void tst_Codegen::rowText_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<QString>("text");

    Points example;
    for (int x = 20; x <= 29; ++x)
        example << QPoint(x, 10);
    example << QPoint(20, 11) << QPoint(29, 11);
    QTest::newRow("worked example") << example
                                    << QStringLiteral("  XXXXXXXX, XX______,\n"
                                                      "  X_______, _X______\n");
    QTest::newRow("one pixel") << Points { { 100, 50 } } << QStringLiteral("  X_______\n");
    QTest::newRow("width 8") << Points { { 3, 0 }, { 10, 0 }, { 5, 1 } }
                             << QStringLiteral("  X______X,\n  __X_____\n");
    QTest::newRow("width 9") << Points { { 3, 7 }, { 11, 8 } }
                             << QStringLiteral("  X_______, ________,\n"
                                               "  ________, X_______\n");
    QTest::newRow("width 16") << Points { { 64, 2 }, { 79, 2 }, { 72, 4 } }
                              << QStringLiteral("  X_______, _______X,\n"
                                                "  ________, ________,\n"
                                                "  ________, X_______\n");
    QTest::newRow("width 17, three groups") << Points { { 0, 63 }, { 16, 63 } }
                                            << QStringLiteral("  X_______, ________, X_______\n");
}

void tst_Codegen::rowText()
{
    QFETCH(Points, points);
    QFETCH(QString, text);
    const QImage image = bitmapWith(points);
    QCOMPARE(pixelRowText(image, setPixelBounds(image)), text);
}

void tst_Codegen::identifier_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "/out/logo.cpp" << "logo" << true;
    QTest::newRow("two dots") << "/out/my.logo.cpp" << "my" << true;
    QTest::newRow("leading digit") << "/out/2logo.c" << "2logo" << true;
    QTest::newRow("own extension") << "/out/logo.h" << "logo" << true;
    QTest::newRow("underscores and caps") << "/o/My_Logo_9.cpp" << "My_Logo_9" << true;
    QTest::newRow("dot in the folder") << "/my.out/logo.cpp" << "logo" << true;
    QTest::newRow("empty base name") << "/out/.cpp" << "" << true;
    QTest::newRow("blank") << "/out/my logo.cpp" << "my logo" << false;
    QTest::newRow("hyphen") << "/out/my-logo.cpp" << "my-logo" << false;
    QTest::newRow("non-ASCII letter") << QString::fromUtf8("/out/l\xc3\xb6go.cpp")
                                      << QString::fromUtf8("l\xc3\xb6go") << false;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("/out/logo\xd9\xa3.cpp")
                                     << QString::fromUtf8("logo\xd9\xa3") << false;
    QTest::newRow("dollar") << "/out/a$b.cpp" << "a$b" << false;
}

void tst_Codegen::identifier()
{
    QFETCH(QString, path);
    QFETCH(QString, identifier);
    QFETCH(bool, valid);
    QCOMPARE(identifierFromPath(path), identifier);
    QCOMPARE(isValidIdentifier(identifier), valid);
}

void tst_Codegen::proposed_data()
{
    QTest::addColumn<QString>("file_path");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("file_name");
    QTest::newRow("initial name, code") << "Picture001" << ".cpp" << "Picture001.cpp"
                                        << "Picture001";
    QTest::newRow("initial name, image") << "Picture001" << ".bmp" << "Picture001.bmp"
                                         << "Picture001";
    QTest::newRow("bmp to code") << "/pics/logo.bmp" << ".cpp" << "/pics/logo.cpp" << "logo.bmp";
    QTest::newRow("jpeg to bmp") << "/some/dir/logo.jpeg" << ".bmp" << "/some/dir/logo.bmp"
                                 << "logo.jpeg";
    QTest::newRow("last dot only") << "/a/b.c.jpg" << ".cpp" << "/a/b.c.cpp" << "b.c.jpg";
    QTest::newRow("dot in a folder only") << "/my.pics/logo" << ".cpp" << "/my.pics/logo.cpp"
                                          << "logo";
}

void tst_Codegen::proposed()
{
    QFETCH(QString, file_path);
    QFETCH(QString, suffix);
    QFETCH(QString, proposed);
    QFETCH(QString, file_name);
    QCOMPARE(proposedPath(file_path, suffix), proposed);
    QCOMPARE(fileNameOfPath(file_path), file_name);
}

void tst_Codegen::fill_data()
{
    QTest::addColumn<QString>("code_template");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("result");
    const QString rows = QStringLiteral("  X_______\n");
    QTest::newRow("worked example")
        << "name=%2 source=%1 size=%4x%5 bytes=%6\n%3end\n" << "logo.bmp"
        << "name=logo source=logo.bmp size=10x2 bytes=2\n  X_______\nend\n";
    QTest::newRow("all six in order") << "%1|%2|%3|%4|%5|%6" << "a.jpg"
                                      << "a.jpg|logo|  X_______\n|10|2|2";
    QTest::newRow("identifier twice") << "%1: %2 = %2;" << "a.jpg" << "a.jpg: logo = logo;";
    QTest::newRow("only %3 and %7") << "[%3][%7]" << "a.jpg" << "[a.jpg][logo]";
    QTest::newRow("no markers") << "static int x;\n" << "a.jpg" << "static int x;\n";
    QTest::newRow("markers inside the picture name") << "%1 %4 %5" << "100%4 %1 %L2.jpg"
                                                     << "100%4 %1 %L2.jpg logo   X_______\n";
    QTest::newRow("markers inside the identifier position") << "%2:%1" << "%3%6.jpg"
                                                            << "logo:%3%6.jpg";
    QTest::newRow("CR LF kept") << "%1 %2\r\n%3%4\r\n" << "a.jpg"
                                << "a.jpg logo\r\n  X_______\n10\r\n";
    QTest::newRow("gaps in numbering") << "%9 %10 %12 %20 %31 %40" << "p.bmp"
                                       << "p.bmp logo   X_______\n 10 2 2";
    QTest::newRow("lone percent and percent-letter") << "100% %x %2" << "p.bmp"
                                                     << "100% %x p.bmp";
}

void tst_Codegen::fill()
{
    QFETCH(QString, code_template);
    QFETCH(QString, picture);
    QFETCH(QString, result);
    QCOMPARE(fillCodeTemplate(code_template, picture, QStringLiteral("logo"),
                              QStringLiteral("  X_______\n"), 10, 2, 2),
             result);
}

void tst_Codegen::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QByteArray("a %1\n") << "a %1\n";
    QTest::newRow("cut at NUL") << QByteArray("before\0after", 12) << "before";
    QTest::newRow("NUL first") << QByteArray("\0after", 6) << "";
    QTest::newRow("UTF-8") << QByteArray("// \xe5\x9b\xbe %2\r\n") << QString::fromUtf8("// 图 %2\r\n");
    QTest::newRow("empty") << QByteArray() << "";
}

void tst_Codegen::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeCodeTemplate(bytes), text);
}

void tst_Codegen::compiledTemplate_data()
{
    QTest::addColumn<QString>("template_name");
    QTest::addColumn<bool>("msb");
    QTest::addColumn<QString>("compiler");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QImage>("image");

    const QList<QPair<const char*, QImage>> bitmaps = {
        { "one pixel", bitmapWith({ { 37, 21 } }) },
        { "width 8", scatteredBitmap(QRect(40, 5, 8, 6), 8) },
        { "width 9", scatteredBitmap(QRect(3, 30, 9, 5), 9) },
        { "width 16", scatteredBitmap(QRect(100, 48, 16, 16), 16) },
        { "opposite corners", bitmapWith({ { 0, 0 }, { 127, 63 } }) },
        { "whole bitmap scattered", scatteredBitmap(QRect(0, 0, 128, 64), 2024) },
        { "width 13", scatteredBitmap(QRect(60, 10, 13, 40), 13) },
    };
    const QList<QPair<const char*, bool>> templates = {
        { "template.txt", true },
        { "templates/template_u8g2.txt", false },
    };
    const QList<QPair<const char*, const char*>> compilers = { { "gcc", "c" }, { "g++", "cpp" } };
    for (const auto& t : templates)
        for (const auto& c : compilers)
            for (const auto& b : bitmaps)
                QTest::addRow("%s, %s, %s", t.first, c.first, b.first)
                    << QString::fromLatin1(t.first) << t.second << QString::fromLatin1(c.first)
                    << QString::fromLatin1(c.second) << b.second;
}

void tst_Codegen::compiledTemplate()
{
    QFETCH(QString, template_name);
    QFETCH(bool, msb);
    QFETCH(QString, compiler);
    QFETCH(QString, extension);
    QFETCH(QImage, image);

    const QString cc = compilerFor(compiler);
    if (cc.isEmpty())
        QSKIP("no compiler installed");
    const QString code_template = shippedTemplate(template_name);
    QVERIFY2(!code_template.isEmpty(), qPrintable(template_name));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString asset = QStringLiteral("logo.") + extension;
    QVERIFY(writeText(dir.filePath(asset), generate(code_template, image, QStringLiteral("logo"))));
    const QString main_file = QStringLiteral("main.") + extension;
    QVERIFY(writeText(dir.filePath(main_file),
                      printerSource({ asset }, { QStringLiteral("logo") })));

    const Built built = compileAndRun(cc, dir.path(), main_file);
    QVERIFY2(built.ok, qPrintable(built.log));

    const QRect box = setPixelBounds(image);
    const QByteArray expected = expectedBytes(image, box, msb);
    const QList<Printed> printed = parsePrinted(built.output, { -1 });
    QCOMPARE(printed.size(), 1);
    QCOMPARE(printed[0].width, box.width());
    QCOMPARE(printed[0].height, box.height());
    QCOMPARE(printed[0].per_row, (box.width() + 7) / 8);
    QCOMPARE(printed[0].bytes.size(), expected.size());
    QCOMPARE(printed[0].bytes.toHex(' '), expected.toHex(' '));
}

void tst_Codegen::twoFilesInOneUnit_data()
{
    QTest::addColumn<QStringList>("templates");
    QTest::addColumn<QString>("compiler");
    QTest::addColumn<QString>("extension");
    const QString gfx = QStringLiteral("template.txt");
    const QString u8g2 = QStringLiteral("templates/template_u8g2.txt");
    QTest::newRow("default twice, C") << QStringList { gfx, gfx } << "gcc" << "c";
    QTest::newRow("default twice, C++") << QStringList { gfx, gfx } << "g++" << "cpp";
    QTest::newRow("u8g2 twice, C") << QStringList { u8g2, u8g2 } << "gcc" << "c";
    QTest::newRow("u8g2 twice, C++") << QStringList { u8g2, u8g2 } << "g++" << "cpp";
    QTest::newRow("one of each, C") << QStringList { gfx, u8g2 } << "gcc" << "c";
    QTest::newRow("one of each, C++") << QStringList { u8g2, gfx } << "g++" << "cpp";
}

void tst_Codegen::twoFilesInOneUnit()
{
    QFETCH(QStringList, templates);
    QFETCH(QString, compiler);
    QFETCH(QString, extension);

    const QString cc = compilerFor(compiler);
    if (cc.isEmpty())
        QSKIP("no compiler installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    const QList<QImage> images = { scatteredBitmap(QRect(10, 10, 21, 7), 1),
                                   scatteredBitmap(QRect(64, 0, 64, 64), 2) };
    const QStringList ids = { QStringLiteral("logo"), QStringLiteral("icon") };
    QStringList includes;
    QList<QByteArray> expected;
    for (int i = 0; i < 2; ++i) {
        const QString code_template = shippedTemplate(templates[i]);
        QVERIFY(!code_template.isEmpty());
        const QString asset = ids[i] + QLatin1Char('.') + extension;
        QVERIFY(writeText(dir.filePath(asset), generate(code_template, images[i], ids[i])));
        includes << asset;
        expected << expectedBytes(images[i], setPixelBounds(images[i]),
                                  templates[i] == QLatin1String("template.txt"));
    }
    const QString main_file = QStringLiteral("main.") + extension;
    QVERIFY(writeText(dir.filePath(main_file), printerSource(includes, ids)));

    const Built built = compileAndRun(cc, dir.path(), main_file);
    QVERIFY2(built.ok, qPrintable(built.log));
    const QList<Printed> printed = parsePrinted(built.output, { expected[0].size(), expected[1].size() });
    QCOMPARE(printed.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QRect box = setPixelBounds(images[i]);
        QCOMPARE(printed[i].width, box.width());
        QCOMPARE(printed[i].height, box.height());
        QCOMPARE(printed[i].bytes.toHex(' '), expected[i].toHex(' '));
    }
}

QTEST_MAIN(tst_Codegen)
#include "tst_codegen.moc"
