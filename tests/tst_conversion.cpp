// The one-bit conversion: threshold, dithering, invert, brightness and contrast.

#include "bitmap.h"
#include "conversion.h"

#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(DitherMethod)

namespace {

const DitherMethod DITHERS[] = {DitherMethod::FloydSteinberg, DitherMethod::Atkinson,
                                DitherMethod::Bayer};

QImage greyPicture(int width, int height, const std::function<int(int, int)>& grey)
{
    QImage picture(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.scanLine(y)[x] = uchar(grey(x, y));
    return picture;
}

QImage convert(const QImage& picture, const ConversionSettings& settings, QPoint at = QPoint())
{
    QImage bitmap = newBitmap();
    convertPlane(LumaPlane(picture), at, settings, bitmap);
    return bitmap;
}

ConversionSettings method(DitherMethod dither, int threshold = 128)
{
    ConversionSettings settings;
    settings.dither = dither;
    settings.threshold = threshold;
    return settings;
}

int countSet(const QImage& bitmap, const QRect& area = QRect(0, 0, 128, 64))
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += monoBit(bitmap.constScanLine(y), x);
    return count;
}

QStringList rows(const QImage& bitmap, const QSize& size)
{
    QStringList text;
    for (int y = 0; y < size.height(); ++y) {
        text << QString();
        for (int x = 0; x < size.width(); ++x)
            text.last() += monoBit(bitmap.constScanLine(y), x) ? 'X' : '_';
    }
    return text;
}

// Error diffusion written the plain way, independent of the code under test:
// the whole picture as one grid, each share added into the pixel it lands on.
QStringList referenceDiffusion(const QImage& grey, int threshold, bool atkinson)
{
    struct Share { int dx, dy, weight; };
    const QVector<Share> kernel = atkinson
        ? QVector<Share>{{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}}
        : QVector<Share>{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
    const int divisor = atkinson ? 8 : 16;
    const int w = grey.width(), h = grey.height(), t = 1000 * threshold;
    QVector<int> v(w * h);
    for (int i = 0; i < w * h; ++i) {
        const int luma = 1000 * grey.constScanLine(i / w)[i % w];
        v[i] = luma <= t ? luma * 255 / (2 * threshold)
                         : 127500 + (luma - t) * 255 / (2 * (255 - threshold));
    }
    QStringList text;
    for (int y = 0; y < h; ++y) {
        text << QString(w, '_');
        const int dir = y % 2 ? -1 : 1;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            const int value = qBound(0, v[y * w + x], 255000);
            const int error = value < 127500 ? value : value - 255000;
            if (value < 127500)
                text.last()[x] = 'X';
            for (const Share& s : kernel) {
                const int nx = x + dir * s.dx, ny = y + s.dy;
                if (nx >= 0 && nx < w && ny < h)
                    v[ny * w + nx] += error * s.weight / divisor;
            }
        }
    }
    return text;
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void thresholdOnEveryGrey();
    void brightnessContrastInvert_data();
    void brightnessContrastInvert();
    void defaultsAreTheDarknessTest_data();
    void defaultsAreTheDarknessTest();
    void alphaOverWhite();
    void flatFields();
    void rampDensity_data();
    void rampDensity();
    void bayerPattern_data();
    void bayerPattern();
    void goldens_data();
    void goldens();
    void marginsStayClear();
    void namesAndRanges();
};

void TestConversion::thresholdOnEveryGrey()
{
    const QImage greys = greyPicture(16, 16, [](int x, int y) { return 16 * y + x; });
    for (int invert = 0; invert < 2; ++invert) {
        for (int threshold = 0; threshold < 256; ++threshold) {
            ConversionSettings settings = method(DitherMethod::None, threshold);
            settings.invert = invert;
            const QImage bitmap = convert(greys, settings);
            for (int grey = 0; grey < 256; ++grey) {
                const bool set = monoBit(bitmap.constScanLine(grey / 16), grey % 16);
                QVERIFY2(set == ((invert ? 255 - grey : grey) < threshold),
                         qPrintable(QString("grey %1, threshold %2").arg(grey).arg(threshold)));
            }
        }
    }
}

void TestConversion::brightnessContrastInvert_data()
{
    QTest::addColumn<DitherMethod>("dither");
    QTest::addColumn<int>("grey");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("expected"); // set pixels of 128 in a flat 16 x 8 field
    const DitherMethod none = DitherMethod::None;
    QTest::newRow("unchanged") << none << 100 << 0 << 0 << false << 128 << 128;
    QTest::newRow("brighter") << none << 100 << 20 << 0 << false << 128 << 0; // 151000
    QTest::newRow("darker") << none << 150 << -10 << 0 << false << 128 << 128; // 124500
    QTest::newRow("more contrast") << none << 120 << 0 << 100 << false << 115 << 128; // 112500
    QTest::newRow("no contrast is mid grey") << none << 250 << 0 << -100 << false << 128 << 128;
    // 200 + 100% clamps to white before contrast 40% brings it to 178500.
    QTest::newRow("clamped between") << none << 200 << 100 << -60 << false << 200 << 128;
    // Invert first: 155000 + 51000 is light.
    QTest::newRow("inverted, brighter") << none << 100 << 20 << 0 << true << 128 << 0;
    // 151000 on the tone curve is 150590: Bayer cells 9 .. 15 set.
    QTest::newRow("bayer brighter") << DitherMethod::Bayer << 100 << 20 << 0 << false << 128 << 56;
}

void TestConversion::brightnessContrastInvert()
{
    QFETCH(DitherMethod, dither);
    QFETCH(int, grey);
    ConversionSettings settings = method(dither);
    QFETCH(int, brightness);
    QFETCH(int, contrast);
    QFETCH(bool, invert);
    QFETCH(int, threshold);
    settings.brightness = brightness;
    settings.contrast = contrast;
    settings.invert = invert;
    settings.threshold = threshold;
    QTEST(countSet(convert(greyPicture(16, 8, [grey](int, int) { return grey; }), settings)),
          "expected");
}

void TestConversion::defaultsAreTheDarknessTest_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("RGB32") << QImage::Format_RGB32;
    QTest::newRow("ARGB32") << QImage::Format_ARGB32;
    QTest::newRow("premultiplied") << QImage::Format_ARGB32_Premultiplied;
    QTest::newRow("RGB888") << QImage::Format_RGB888;
    QTest::newRow("Grayscale8") << QImage::Format_Grayscale8;
    QTest::newRow("RGB16") << QImage::Format_RGB16;
    QTest::newRow("RGBA8888") << QImage::Format_RGBA8888;
}

void TestConversion::defaultsAreTheDarknessTest()
{
    QFETCH(QImage::Format, format);
    QImage colours(128, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            colours.setPixel(x, y, qRgb(2 * x + y % 2, 4 * y, (x * 7) ^ (y * 13)));
    colours = colours.convertToFormat(format);
    const QImage bitmap = convert(colours, ConversionSettings());
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            QCOMPARE(bool(monoBit(bitmap.constScanLine(y), x)), isDark(colours.pixel(x, y)));
}

void TestConversion::alphaOverWhite()
{
    const QRgb colours[] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(10, 200, 30)};
    const int alphas[] = {0, 1, 128, 254, 255};
    for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
        QImage picture(5, 3, QImage::Format_ARGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                picture.setPixel(x, y, (colours[y] & 0xffffff) | uint(alphas[x]) << 24);
        const LumaPlane plane(picture.convertToFormat(format));
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const double a = alphas[x] / 255.0;
                const double over = 1000 * (0.299 * qRed(colours[y]) + 0.587 * qGreen(colours[y])
                                            + 0.114 * qBlue(colours[y])) * a
                                    + 255000 * (1 - a);
                // Premultiplied channels are whole levels, each off by up to half.
                QVERIFY2(qAbs(plane.row(y)[x] - over) <= 500, qPrintable(QString::number(x)));
            }
        }
    }
}

void TestConversion::flatFields()
{
    const auto flat = [](int grey) {
        return greyPicture(128, 64, [grey](int, int) { return grey; });
    };
    for (DitherMethod dither : DITHERS) {
        // Diffusion keeps the mean but drops what leaves the plane: allow a row.
        const int slack = dither == DitherMethod::Bayer ? 0 : 64;
        for (int threshold : {1, 50, 127, 128, 200, 254}) {
            const ConversionSettings s = method(dither, threshold);
            const QString where = ditherName(dither) + QString::number(threshold);
            QVERIFY2(qAbs(countSet(convert(flat(threshold), s)) - 4096) <= slack, qPrintable(where));
            QVERIFY2(countSet(convert(flat(threshold / 2), s)) > 4096 + slack, qPrintable(where));
            QVERIFY2(countSet(convert(flat((threshold + 256) / 2), s)) < 4096 - slack,
                     qPrintable(where));
            QCOMPARE(countSet(convert(flat(0), s)), 8192);
            QCOMPARE(countSet(convert(flat(255), s)), 0);
        }
        QCOMPARE(countSet(convert(flat(0), method(dither, 0))), 0);
        QVERIFY(qAbs(countSet(convert(flat(255), method(dither, 255))) - 4096) <= slack);
    }
}

void TestConversion::rampDensity_data()
{
    // Densities of 4-column bands (256 pixels) against 1 - grey / 255.
    // Floyd-Steinberg passes all error on, so only the rounding of a band's
    // few dots is off: 0.03. Atkinson drops a quarter of each error, which
    // pushes greys toward the nearer extreme: 0.03 at mid grey, growing to
    // 0.15 at black and white.
    QTest::addColumn<DitherMethod>("dither");
    QTest::addColumn<double>("growth");
    QTest::newRow("floyd-steinberg") << DitherMethod::FloydSteinberg << 0.0;
    QTest::newRow("atkinson") << DitherMethod::Atkinson << 0.12;
}

void TestConversion::rampDensity()
{
    QFETCH(DitherMethod, dither);
    QFETCH(double, growth);
    const QImage bitmap = convert(greyPicture(128, 64, [](int x, int) { return 2 * x; }),
                                  method(dither));
    for (int band = 0; band < 128; band += 4) {
        const double grey = 2 * band + 3; // the band's mean
        const double density = countSet(bitmap, QRect(band, 0, 4, 64)) / 256.0;
        const double tolerance = 0.03 + growth * qAbs(grey - 127.5) / 127.5;
        QVERIFY2(qAbs(density - (1 - grey / 255)) <= tolerance, qPrintable(QString::number(band)));
    }
}

void TestConversion::bayerPattern_data()
{
    // The 4 x 4 cells set on a flat field, by rank of the Bayer matrix.
    QTest::addColumn<int>("grey");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("black") << 0 << QStringList{"XXXX", "XXXX", "XXXX", "XXXX"};
    QTest::newRow("12 of 16") << 64 << QStringList{"_X_X", "XXXX", "_X_X", "XXXX"};
    QTest::newRow("half") << 128 << QStringList{"_X_X", "X_X_", "_X_X", "X_X_"};
    QTest::newRow("4 of 16") << 192 << QStringList{"____", "X_X_", "____", "X_X_"};
    QTest::newRow("1 of 16") << 240 << QStringList{"____", "____", "____", "X___"};
    QTest::newRow("white") << 255 << QStringList{"____", "____", "____", "____"};
}

void TestConversion::bayerPattern()
{
    QFETCH(int, grey);
    QFETCH(QStringList, cells);
    const QImage field = greyPicture(21, 11, [grey](int, int) { return grey; });
    for (const QPoint at : {QPoint(0, 0), QPoint(5, 3), QPoint(-3, -1), QPoint(121, 61)}) {
        const QImage bitmap = convert(field, method(DitherMethod::Bayer), at);
        const QRect inside = QRect(at, field.size());
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 128; ++x) {
                const bool set = inside.contains(x, y) && cells[y % 4][x % 4] == 'X';
                QVERIFY2(bool(monoBit(bitmap.constScanLine(y), x)) == set,
                         qPrintable(QString("(%1, %2)").arg(x).arg(y)));
            }
        }
    }
}

void TestConversion::goldens_data()
{
    // Grey 16 x + 8 y, capped at white. None: set where 2 x + y < 16. Bayer:
    // the cells of bayerPattern's levels. The diffusions agree with
    // referenceDiffusion, and were made by it.
    QTest::addColumn<DitherMethod>("dither");
    QTest::addColumn<QStringList>("golden");
    QTest::newRow("none") << DitherMethod::None << QStringList{
        "XXXXXXXX________", "XXXXXXXX________", "XXXXXXX_________", "XXXXXXX_________",
        "XXXXXX__________", "XXXXXX__________", "XXXXX___________", "XXXXX___________"};
    QTest::newRow("floyd-steinberg") << DitherMethod::FloydSteinberg << QStringList{
        "XXXXXX_X_X______", "XXX_X_X_X_X_X___", "XXXXXX_X________", "XXX_X_X_X_X_X___",
        "XX_XX_X_X_______", "_XXX_X_X__X_____", "XX_X_X__X_______", "X_XX_X_X________"};
    QTest::newRow("atkinson") << DitherMethod::Atkinson << QStringList{
        "XXXXXXX__X______", "XXXX_XX_XX______", "XXXXX__X__X_____", "XXX_XX_XX_______",
        "XXXX_XX____X____", "XXXX__X__X______", "XX_XX__X________", "XXX_XX_X________"};
    QTest::newRow("bayer") << DitherMethod::Bayer << QStringList{
        "XXXX_X_X________", "XXXXX_X_X_X_____", "XX_X_X_X_X______", "XXXXXXX_X_X_X___",
        "_X_X_X_X________", "XXXXX_X_X_X_____", "XX_X_X__________", "XXX_X_X_X_______"};
}

void TestConversion::goldens()
{
    QFETCH(DitherMethod, dither);
    QFETCH(QStringList, golden);
    const QImage picture = greyPicture(16, 8, [](int x, int y) { return qMin(255, 16 * x + 8 * y); });
    QCOMPARE(rows(convert(picture, method(dither)), picture.size()), golden);
    if (dither == DitherMethod::FloydSteinberg || dither == DitherMethod::Atkinson)
        QCOMPARE(referenceDiffusion(picture, 128, dither == DitherMethod::Atkinson), golden);
}

void TestConversion::marginsStayClear()
{
    const QImage white = greyPicture(30, 20, [](int, int) { return 255; });
    for (DitherMethod dither : DITHER_METHODS) {
        ConversionSettings settings = method(dither);
        settings.invert = true;
        const QImage bitmap = convert(white, settings, QPoint(50, 22));
        QCOMPARE(countSet(bitmap, QRect(50, 22, 30, 20)), 600);
        QCOMPARE(countSet(bitmap), 600);
    }
}

void TestConversion::namesAndRanges()
{
    for (DitherMethod dither : DITHER_METHODS) {
        DitherMethod read = DitherMethod::Bayer;
        QVERIFY(ditherFromName(ditherName(dither), &read));
        QCOMPARE(read, dither);
    }
    QCOMPARE(ditherName(DitherMethod::FloydSteinberg), QString("floyd-steinberg"));
    DitherMethod read = DitherMethod::Atkinson;
    QVERIFY(ditherFromName(" Bayer ", &read) && read == DitherMethod::Bayer);
    for (const char* unknown : {"", "floyd", "ordered", "none2"}) {
        QVERIFY(!ditherFromName(unknown, &read));
        QCOMPARE(read, DitherMethod::Bayer);
    }

    ConversionSettings wild{-5, DitherMethod(9), true, 101, -300};
    const ConversionSettings low = clampedSettings(wild);
    QCOMPARE(low, (ConversionSettings{0, DitherMethod::None, true, 100, -100}));
    wild = {300, DitherMethod::Atkinson, false, -101, 300};
    QCOMPARE(clampedSettings(wild), (ConversionSettings{255, DitherMethod::Atkinson, false, -100, 100}));
    QVERIFY(ConversionSettings().isDefault() && !low.isDefault());
}

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
