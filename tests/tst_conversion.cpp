// The one-bit conversion: threshold, dithering, invert, brightness and contrast.

#include "bitmap.h"
#include "conversion.h"

#include <QRandomGenerator>
#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(DitherMethod)

namespace {

const DitherMethod DITHERS[] = {DitherMethod::FloydSteinberg, DitherMethod::Atkinson,
                                DitherMethod::Bayer};

QImage greys(int width, int height, const std::function<int(int, int)>& grey)
{
    QImage picture(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.scanLine(y)[x] = uchar(grey(x, y));
    return picture;
}

QImage flat(int grey, int width = 128, int height = 64)
{
    return greys(width, height, [grey](int, int) { return grey; });
}

ConversionSettings method(DitherMethod dither, int threshold = 128)
{
    ConversionSettings settings;
    settings.dither = dither;
    settings.threshold = threshold;
    return settings;
}

QImage convert(const QImage& picture, const ConversionSettings& settings, QPoint at = QPoint())
{
    QImage bitmap = newBitmap();
    convertPlane(LumaPlane(picture), at, settings, bitmap);
    return bitmap;
}

bool bit(const QImage& bitmap, int x, int y)
{
    return monoBit(bitmap.constScanLine(y), x);
}

int countSet(const QImage& bitmap, const QRect& area = QRect(0, 0, 128, 64))
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += bit(bitmap, x, y);
    return count;
}

// Error diffusion written the plain way, apart from the code under test: the
// picture as one grid, each share added into the pixel it lands on.
QStringList referenceDiffusion(const QImage& grey, bool atkinson)
{
    const QVector<QVector<int>> kernel = atkinson // dx, dy, weight
        ? QVector<QVector<int>>{{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}}
        : QVector<QVector<int>>{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
    const int w = grey.width(), h = grey.height();
    QVector<int> v(w * h); // the tone curve of threshold 128: 127.5 / 128, 127.5 / 127
    for (int i = 0; i < w * h; ++i) {
        const int luma = 1000 * grey.constScanLine(i / w)[i % w];
        v[i] = luma <= 128000 ? luma * 255 / 256 : 127500 + (luma - 128000) * 255 / 254;
    }
    QStringList text;
    for (int y = 0; y < h; ++y) {
        text << QString(w, '_');
        const int dir = y % 2 ? -1 : 1;
        for (int x = dir > 0 ? 0 : w - 1; x >= 0 && x < w; x += dir) {
            const int value = qBound(0, v[y * w + x], 255000);
            const int error = value < 127500 ? value : value - 255000;
            if (value < 127500)
                text.last()[x] = 'X';
            for (const QVector<int>& s : kernel) {
                if (x + dir * s[0] >= 0 && x + dir * s[0] < w && y + s[1] < h)
                    v[(y + s[1]) * w + x + dir * s[0]] += error * s[2] / (atkinson ? 8 : 16);
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
    void thresholdOnEveryGrey()
    {
        const QImage all = greys(16, 16, [](int x, int y) { return 16 * y + x; });
        for (int invert = 0; invert < 2; ++invert) {
            for (int threshold = 0; threshold < 256; ++threshold) {
                ConversionSettings settings = method(DitherMethod::None, threshold);
                settings.invert = invert;
                const QImage bitmap = convert(all, settings);
                for (int grey = 0; grey < 256; ++grey) {
                    const bool set = (invert ? 255 - grey : grey) < threshold;
                    QVERIFY2(bit(bitmap, grey % 16, grey / 16) == set,
                             qPrintable(QString("grey %1, threshold %2").arg(grey).arg(threshold)));
                }
            }
        }
    }

    void adjustments()
    {
        // Set pixels of a flat 16 x 8 field (128 pixels).
        const struct {
            DitherMethod dither; int grey, brightness, contrast; bool invert; int threshold, set;
        } cases[] = {
            {DitherMethod::None, 100, 0, 0, false, 128, 128},
            {DitherMethod::None, 100, 20, 0, false, 128, 0},     // 151000
            {DitherMethod::None, 150, -10, 0, false, 128, 128},  // 124500
            {DitherMethod::None, 120, 0, 100, false, 115, 128},  // 112500
            {DitherMethod::None, 250, 0, -100, false, 128, 128}, // mid grey 127500
            {DitherMethod::None, 200, 100, -60, false, 200, 128}, // white, then 178500
            {DitherMethod::None, 100, 20, 0, true, 128, 0},      // inverted first: 206000
            {DitherMethod::Bayer, 100, 20, 0, false, 128, 56},   // curve 150590: cells 9 .. 15
        };
        for (const auto& c : cases) {
            ConversionSettings s = method(c.dither, c.threshold);
            s.brightness = c.brightness;
            s.contrast = c.contrast;
            s.invert = c.invert;
            QCOMPARE(countSet(convert(flat(c.grey, 16, 8), s)), c.set);
        }
    }

    void defaultsAreTheDarknessTest()
    {
        // The top rows are greys around 128, the boundary.
        QImage colours(128, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x)
                colours.setPixel(x, y, y < 2 ? qRgb(64 + x / 2, 64 + x / 2, 64 + x / 2)
                                             : qRgb(2 * x + y % 2, 4 * y, (x * 7) ^ (y * 13)));
        for (QImage::Format format :
             {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
              QImage::Format_RGB888, QImage::Format_Grayscale8, QImage::Format_RGB16,
              QImage::Format_RGBA8888}) {
            const QImage picture = colours.convertToFormat(format);
            const QImage bitmap = convert(picture, ConversionSettings());
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 128; ++x)
                    QVERIFY2(bit(bitmap, x, y) == isDark(picture.pixel(x, y)),
                             qPrintable(QString("format %1 (%2, %3)").arg(format).arg(x).arg(y)));
        }
    }

    void alphaOverWhite()
    {
        // Black at alpha a over white is grey 255 - a; red at 128 is 128 red
        // plus 127 white: 299 * 128 + 1000 * 127.
        QImage picture(256, 2, QImage::Format_ARGB32);
        for (int a = 0; a < 256; ++a) {
            picture.setPixel(a, 0, qRgba(0, 0, 0, a));
            picture.setPixel(a, 1, qRgba(255, 0, 0, 128));
        }
        for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
            const LumaPlane plane(picture.convertToFormat(format));
            for (int a = 0; a < 256; ++a)
                QCOMPARE(plane.row(0)[a], 1000 * (255 - a));
            QCOMPARE(plane.row(1)[0], 299 * 128 + 1000 * 127);
        }
    }

    void flatFields()
    {
        for (DitherMethod dither : DITHERS) {
            // Diffusion keeps the mean but drops what leaves the plane: allow a row.
            const int slack = dither == DitherMethod::Bayer ? 0 : 64;
            for (int threshold : {1, 50, 127, 128, 200, 254}) {
                const ConversionSettings s = method(dither, threshold);
                const QByteArray at = ditherName(dither).toLatin1() + QByteArray::number(threshold);
                QVERIFY2(qAbs(countSet(convert(flat(threshold), s)) - 4096) <= slack, at);
                QVERIFY2(countSet(convert(flat(threshold / 2), s)) > 4096 + slack, at);
                QVERIFY2(countSet(convert(flat((threshold + 256) / 2), s)) < 4096 - slack, at);
                QCOMPARE(countSet(convert(flat(0), s)), 8192);
                QCOMPARE(countSet(convert(flat(255), s)), 0);
            }
            QCOMPARE(countSet(convert(flat(0), method(dither, 0))), 0);
            QVERIFY(qAbs(countSet(convert(flat(255), method(dither, 255))) - 4096) <= slack);
        }
    }

    void bayerPattern_data()
    {
        // The 4 x 4 cells set on a flat field, by rank in the Bayer matrix.
        QTest::addColumn<int>("grey");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("black") << 0 << QStringList{"XXXX", "XXXX", "XXXX", "XXXX"};
        QTest::newRow("12 of 16") << 64 << QStringList{"_X_X", "XXXX", "_X_X", "XXXX"};
        QTest::newRow("half") << 128 << QStringList{"_X_X", "X_X_", "_X_X", "X_X_"};
        QTest::newRow("4 of 16") << 192 << QStringList{"____", "X_X_", "____", "X_X_"};
        QTest::newRow("1 of 16") << 240 << QStringList{"____", "____", "____", "X___"};
        QTest::newRow("white") << 255 << QStringList{"____", "____", "____", "____"};
    }

    void bayerPattern()
    {
        QFETCH(int, grey);
        QFETCH(QStringList, cells);
        for (const QPoint at : {QPoint(0, 0), QPoint(5, 3), QPoint(-3, -1), QPoint(121, 61)}) {
            const QImage bitmap = convert(flat(grey, 21, 11), method(DitherMethod::Bayer), at);
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 128; ++x)
                    QVERIFY2(bit(bitmap, x, y) == (QRect(at, QSize(21, 11)).contains(x, y)
                                                   && cells[y % 4][x % 4] == 'X'),
                             qPrintable(QString("(%1, %2)").arg(x).arg(y)));
        }
    }

    void diffusionMatchesReference_data()
    {
        QTest::addColumn<DitherMethod>("dither");
        QTest::newRow("floyd-steinberg") << DitherMethod::FloydSteinberg;
        QTest::newRow("atkinson") << DitherMethod::Atkinson;
    }

    // A rough grey ramp with a black band: the edges are where clamping and
    // the scan order show. Partly off the bitmap the hidden part still diffuses.
    void diffusionMatchesReference()
    {
        QFETCH(DitherMethod, dither);
        QRandomGenerator rng(3);
        const QImage picture = greys(40, 24, [&rng](int x, int y) {
            return x >= 10 && x <= 12 ? 0 : qMin(255, 6 * x + 4 * y + int(rng.bounded(40)));
        });
        const QStringList expected = referenceDiffusion(picture, dither == DitherMethod::Atkinson);
        for (const QPoint at : {QPoint(0, 0), QPoint(-5, -3), QPoint(100, 50)}) {
            const QImage bitmap = convert(picture, method(dither), at);
            int shown = 0;
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x) {
                    if (!bitmap.rect().contains(at + QPoint(x, y)))
                        continue;
                    shown += expected[y][x] == 'X';
                    QCOMPARE(bit(bitmap, at.x() + x, at.y() + y), expected[y][x] == 'X');
                }
            }
            QCOMPARE(countSet(bitmap), shown);
        }
    }

    void invertKeepsMarginsClear()
    {
        for (DitherMethod dither : DITHER_METHODS) {
            ConversionSettings settings = method(dither);
            settings.invert = true;
            const QImage bitmap = convert(flat(255, 30, 20), settings, QPoint(50, 22));
            QCOMPARE(countSet(bitmap, QRect(50, 22, 30, 20)), 600);
            QCOMPARE(countSet(bitmap), 600);
        }
    }

    void namesAndRanges()
    {
        for (DitherMethod dither : DITHER_METHODS) {
            DitherMethod read = DitherMethod::Bayer;
            QVERIFY(ditherFromName(ditherName(dither), &read) && read == dither);
        }
        QCOMPARE(ditherName(DitherMethod::FloydSteinberg), QString("floyd-steinberg"));
        DitherMethod read = DitherMethod::Atkinson;
        QVERIFY(ditherFromName(" Bayer ", &read) && read == DitherMethod::Bayer);
        for (const char* unknown : {"", "floyd", "ordered", "none2"})
            QVERIFY(!ditherFromName(unknown, &read) && read == DitherMethod::Bayer);

        const ConversionSettings low = clampedSettings({-5, DitherMethod(9), true, 101, -300});
        QCOMPARE(low, (ConversionSettings{0, DitherMethod::None, true, 100, -100}));
        QCOMPARE(clampedSettings({300, DitherMethod::Atkinson, false, -101, 300}),
                 (ConversionSettings{255, DitherMethod::Atkinson, false, -100, 100}));
        QVERIFY(ConversionSettings().isDefault() && !low.isDefault());
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
