// The selection dialog's arithmetic and pixel work, without any widget.

#include "global.h"
#include "selectgeometry.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

Q_DECLARE_METATYPE(QRect)

namespace {

QImage noisePicture(int width, int height, quint32 seed, QImage::Format format)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return image.convertToFormat(format);
}

// A smooth gradient with some texture: downscaling noise alone would average
// everything to the same gray and hide misplaced rows or columns.
QImage photoPicture(int width, int height, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int n = int(random.bounded(24));
            line[3 * x] = uchar((x * 255 / qMax(1, width - 1) + n) & 0xff);
            line[3 * x + 1] = uchar((y * 255 / qMax(1, height - 1) + n) & 0xff);
            line[3 * x + 2] = uchar(((x + y) * 7 + n) & 0xff);
        }
    }
    return image;
}

// The view picture composed the plain way: painter fills, one drawImage of
// the selected part, pixel()/setPixel() for the dimmed part.
QImage plainComposeView(const QImage& scaled, const QSize& viewport, const QPoint& center,
                        const QRect& rect_sel)
{
    QImage view(viewport, QImage::Format_RGB888);
    view.fill(Qt::magenta); // anything left unpainted shows up
    const QRect img_rect = visibleImageRect(viewport, scaled.size(), center);
    const QPoint origin(center.x() - scaled.width() / 2, center.y() - scaled.height() / 2);
    QPainter painter(&view);
    QRect outside[4];
    RectSub(outside, QRect(QPoint(0, 0), viewport), img_rect);
    for (const QRect& piece : outside) {
        if (!piece.isValid())
            continue;
        QRect gray[4];
        RectSub(gray, piece, rect_sel);
        for (const QRect& g : gray) {
            if (g.isValid())
                painter.fillRect(g, QColor(192, 192, 192));
        }
    }
    QRect blank[4];
    RectSub(blank, rect_sel, img_rect);
    for (const QRect& piece : blank) {
        if (piece.isValid())
            painter.fillRect(piece, COLOR_BACK);
    }
    const QRect bright = rect_sel.intersected(img_rect);
    if (bright.isValid())
        painter.drawImage(bright.topLeft(), scaled, bright.translated(-origin));
    painter.end();
    QRect dim[4];
    RectSub(dim, img_rect, rect_sel);
    for (const QRect& piece : dim) {
        if (!piece.isValid())
            continue;
        for (int y = piece.top(); y <= piece.bottom(); ++y) {
            for (int x = piece.left(); x <= piece.right(); ++x) {
                const QColor c(scaled.pixel(x - origin.x(), y - origin.y()));
                view.setPixel(x, y, qRgb(c.red() - c.red() / 4, c.green() - c.green() / 4,
                                         c.blue() - c.blue() / 4));
            }
        }
    }
    return view;
}

} // namespace

class TestSelectGeometry : public QObject
{
    Q_OBJECT

private slots:
    void fitScale_data();
    void fitScale();
    void scaledSourceSize_data();
    void scaledSourceSize();
    void selectionInView_data();
    void selectionInView();
    void visibleImageRect_data();
    void visibleImageRect();
    void rectSubExamples_data();
    void rectSubExamples();
    void rectSubCoversExactlyTheDifference();
    void composeViewAreas_data();
    void composeViewAreas();
    void composeViewMatchesPlainPainting_data();
    void composeViewMatchesPlainPainting();
    void scalingOnceConvertedMatchesScaled_data();
    void scalingOnceConvertedMatchesScaled();
    void regionViewScalesLikeCopy_data();
    void regionViewScalesLikeCopy();
    void darknessTest_data();
    void darknessTest();
    void targetSize_data();
    void targetSize();
    void sourceAndTargetRect_data();
    void sourceAndTargetRect();
    void thresholdRegionMatchesPlainCut_data();
    void thresholdRegionMatchesPlainCut();
    void handleHalfSize_data();
    void handleHalfSize();
    void hitHandle_data();
    void hitHandle();
    void wheelValue_data();
    void wheelValue();
    void resizedSelection_data();
    void resizedSelection();
    void newSelections();
};

void TestSelectGeometry::fitScale_data()
{
    QTest::addColumn<QSize>("viewport");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<double>("expected");
    QTest::newRow("wide fills both") << QSize(820, 410) << QSize(256, 128) << 820.0 / 256;
    QTest::newRow("tall limited by height") << QSize(820, 410) << QSize(100, 200) << 2.05;
    QTest::newRow("one pixel") << QSize(820, 410) << QSize(1, 1) << 410.0;
    QTest::newRow("very wide limited by width") << QSize(820, 410) << QSize(8200, 10) << 0.1;
    QTest::newRow("null source stays finite") << QSize(820, 410) << QSize(0, 0) << 1.0;
}

void TestSelectGeometry::fitScale()
{
    QFETCH(QSize, viewport);
    QFETCH(QSize, source);
    QFETCH(double, expected);
    const double fit = ::fitScale(viewport, source);
    QVERIFY(qIsFinite(fit));
    QCOMPARE(fit, expected);
}

void TestSelectGeometry::scaledSourceSize_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<int>("level");
    QTest::addColumn<double>("fit");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("fit at level 5") << QSize(256, 128) << 5 << 3.203125 << QSize(820, 410);
    QTest::newRow("level 25 five times") << QSize(256, 128) << 25 << 3.203125 << QSize(4100, 2050);
    QTest::newRow("level 1 a fifth") << QSize(256, 128) << 1 << 3.203125 << QSize(164, 82);
    QTest::newRow("tall at level 5") << QSize(100, 200) << 5 << 2.05 << QSize(205, 410);
    // 3 * 1 * 2.5 / 5 = 1.5 and 5 * 1 * 2.5 / 5 = 2.5: halves go up.
    QTest::newRow("halves round up") << QSize(3, 5) << 1 << 2.5 << QSize(2, 3);
    QTest::newRow("thin line vanishes") << QSize(8200, 1) << 1 << 0.1 << QSize(164, 0);
    QTest::newRow("null") << QSize(0, 0) << 5 << 1.0 << QSize(0, 0);
}

void TestSelectGeometry::scaledSourceSize()
{
    QFETCH(QSize, source);
    QFETCH(int, level);
    QFETCH(double, fit);
    QFETCH(QSize, expected);
    QCOMPARE(::scaledSourceSize(source, level, fit), expected);
}

void TestSelectGeometry::selectionInView_data()
{
    QTest::addColumn<QRectF>("select_rect");
    QTest::addColumn<double>("k");
    QTest::addColumn<QPoint>("center");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("whole 256x128 fills 820x410")
        << QRectF(-128, -64, 256, 128) << 3.203125 << QPoint(410, 205) << QRect(0, 0, 820, 410);
    QTest::newRow("whole 100x200")
        << QRectF(-50, -100, 100, 200) << 2.05 << QPoint(410, 205) << QRect(307, 0, 206, 410);
    QTest::newRow("fractions widen outward")
        << QRectF(0.1, 0.1, 1, 1) << 1.0 << QPoint(0, 0) << QRect(0, 0, 2, 2);
    QTest::newRow("negative fractions floor")
        << QRectF(-0.5, -0.5, 1, 1) << 1.0 << QPoint(10, 20) << QRect(9, 19, 2, 2);
    QTest::newRow("zero width keeps height")
        << QRectF(5, 5, 0, 3) << 2.0 << QPoint(0, 0) << QRect(10, 10, 0, 6);
    QTest::newRow("never set")
        << QRectF(2147483647.0, 2147483647.0, 2147483647.0, 2147483647.0) << 1.0 << QPoint(0, 0)
        << QRect(1 << 29, 1 << 29, 1 << 29, 1 << 29);
}

void TestSelectGeometry::selectionInView()
{
    QFETCH(QRectF, select_rect);
    QFETCH(double, k);
    QFETCH(QPoint, center);
    QFETCH(QRect, expected);
    QCOMPARE(::selectionInView(select_rect, k, center), expected);
}

void TestSelectGeometry::visibleImageRect_data()
{
    QTest::addColumn<QSize>("viewport");
    QTest::addColumn<QSize>("scaled");
    QTest::addColumn<QPoint>("center");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("exact fit") << QSize(820, 410) << QSize(820, 410) << QPoint(410, 205)
                               << QRect(0, 0, 820, 410);
    QTest::newRow("larger covers") << QSize(820, 410) << QSize(4100, 2050) << QPoint(410, 205)
                                   << QRect(0, 0, 820, 410);
    QTest::newRow("smaller centred") << QSize(820, 410) << QSize(164, 82) << QPoint(410, 205)
                                     << QRect(328, 164, 164, 82);
    QTest::newRow("clipped top-left") << QSize(820, 410) << QSize(100, 50) << QPoint(0, 0)
                                      << QRect(0, 0, 50, 25);
    QTest::newRow("clipped bottom-right") << QSize(40, 30) << QSize(100, 60) << QPoint(35, 28)
                                          << QRect(0, 0, 40, 30);
    QTest::newRow("odd sizes") << QSize(40, 30) << QSize(5, 3) << QPoint(2, 1)
                               << QRect(0, 0, 5, 3);
    QTest::newRow("off to the left") << QSize(820, 410) << QSize(100, 50) << QPoint(-60, 10)
                                     << QRect();
    QTest::newRow("off below") << QSize(820, 410) << QSize(100, 50) << QPoint(10, 436)
                               << QRect();
    QTest::newRow("nothing to show") << QSize(820, 410) << QSize(0, 0) << QPoint(410, 205)
                                     << QRect();
}

void TestSelectGeometry::visibleImageRect()
{
    QFETCH(QSize, viewport);
    QFETCH(QSize, scaled);
    QFETCH(QPoint, center);
    QFETCH(QRect, expected);
    QCOMPARE(::visibleImageRect(viewport, scaled, center), expected);
}

void TestSelectGeometry::rectSubExamples_data()
{
    QTest::addColumn<QRect>("a");
    QTest::addColumn<QRect>("b");
    QTest::addColumn<QRect>("above");
    QTest::addColumn<QRect>("left");
    QTest::addColumn<QRect>("right");
    QTest::addColumn<QRect>("below");
    const auto r = [](int l, int t, int rr, int b) { return QRect(QPoint(l, t), QPoint(rr, b)); };
    QTest::newRow("hole in the middle") << r(0, 0, 9, 9) << r(3, 4, 5, 6) << r(0, 0, 9, 3)
                                        << r(0, 4, 2, 6) << r(6, 4, 9, 6) << r(0, 7, 9, 9);
    QTest::newRow("b covers a") << r(2, 2, 5, 5) << r(0, 0, 9, 9) << r(2, 2, 5, 1)
                                << r(2, 2, 1, 5) << r(6, 2, 5, 5) << r(2, 6, 5, 5);
    QTest::newRow("disjoint") << r(0, 0, 4, 4) << r(5, 0, 9, 4) << r(0, 0, 4, 4) << QRect()
                              << QRect() << QRect();
    QTest::newRow("b invalid") << r(0, 0, 4, 4) << QRect(3, 3, 0, 5) << r(0, 0, 4, 4)
                               << QRect() << QRect() << QRect();
}

void TestSelectGeometry::rectSubExamples()
{
    QFETCH(QRect, a);
    QFETCH(QRect, b);
    QRect out[4];
    RectSub(out, a, b);
    QTEST(out[0], "above");
    QTEST(out[1], "left");
    QTEST(out[2], "right");
    QTEST(out[3], "below");
}

void TestSelectGeometry::rectSubCoversExactlyTheDifference()
{
    QRandomGenerator random(20240611);
    const auto randomRect = [&random]() {
        const int l = int(random.bounded(-6, 18));
        const int t = int(random.bounded(-6, 18));
        // Widths from -1 up, so invalid and empty rectangles take part.
        return QRect(l, t, int(random.bounded(-1, 14)), int(random.bounded(-1, 14)));
    };
    for (int round = 0; round < 3000; ++round) {
        const QRect a = randomRect();
        const QRect b = randomRect();
        QRect out[4];
        RectSub(out, a, b);
        for (int y = -8; y < 34; ++y) {
            for (int x = -8; x < 34; ++x) {
                const QPoint p(x, y);
                int covered = 0;
                for (const QRect& piece : out) {
                    if (piece.isValid() && piece.contains(p))
                        ++covered;
                }
                const bool wanted = a.isValid() && a.contains(p)
                                    && !(b.isValid() && b.contains(p));
                if (covered != (wanted ? 1 : 0)) {
                    QFAIL(qPrintable(QStringLiteral("a=(%1,%2 %3x%4) b=(%5,%6 %7x%8) at (%9,%10): "
                                                    "covered %11 times")
                                         .arg(a.x()).arg(a.y()).arg(a.width()).arg(a.height())
                                         .arg(b.x()).arg(b.y()).arg(b.width()).arg(b.height())
                                         .arg(x).arg(y).arg(covered)));
                }
            }
        }
    }
}

void TestSelectGeometry::composeViewAreas_data()
{
    QTest::addColumn<QSize>("viewport");
    QTest::addColumn<QSize>("scaled");
    QTest::addColumn<QPoint>("center");
    QTest::addColumn<QRect>("rect_sel");
    QTest::newRow("whole picture selected")
        << QSize(820, 410) << QSize(820, 410) << QPoint(410, 205) << QRect(0, 0, 820, 410);
    QTest::newRow("selection inside picture")
        << QSize(820, 410) << QSize(600, 300) << QPoint(410, 205) << QRect(200, 100, 300, 150);
    QTest::newRow("selection partly off picture")
        << QSize(820, 410) << QSize(300, 200) << QPoint(410, 205) << QRect(500, 150, 200, 200);
    QTest::newRow("selection wholly off picture")
        << QSize(820, 410) << QSize(300, 200) << QPoint(200, 205) << QRect(600, 50, 100, 80);
    QTest::newRow("selection beyond viewport")
        << QSize(820, 410) << QSize(300, 200) << QPoint(410, 205) << QRect(-50, -40, 500, 300);
    QTest::newRow("zero width selection")
        << QSize(820, 410) << QSize(300, 200) << QPoint(410, 205) << QRect(400, 100, 0, 100);
    QTest::newRow("picture off viewport")
        << QSize(820, 410) << QSize(300, 200) << QPoint(-400, 205) << QRect(10, 10, 50, 50);
    QTest::newRow("level 25 small viewport")
        << QSize(40, 30) << QSize(205, 103) << QPoint(20, 15) << QRect(5, 7, 21, 13);
    QTest::newRow("level 25 small viewport, picture corner")
        << QSize(40, 30) << QSize(205, 103) << QPoint(-90, -40) << QRect(0, 0, 25, 20);
    QTest::newRow("level 25 small viewport, selection spills over")
        << QSize(40, 30) << QSize(205, 103) << QPoint(140, 60) << QRect(-10, 22, 70, 30);
}

// Every viewport pixel classified on its own, from the placement formula.
void TestSelectGeometry::composeViewAreas()
{
    QFETCH(QSize, viewport);
    QFETCH(QSize, scaled);
    QFETCH(QPoint, center);
    QFETCH(QRect, rect_sel);
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
        const QImage picture = noisePicture(scaled.width(), scaled.height(), 7, format);
        const QImage view = composeView(picture, viewport, center, rect_sel);
        QCOMPARE(view.size(), viewport);
        QCOMPARE(view.format(), QImage::Format_RGB888);
        const int ox = center.x() - scaled.width() / 2;
        const int oy = center.y() - scaled.height() / 2;
        for (int y = 0; y < viewport.height(); ++y) {
            for (int x = 0; x < viewport.width(); ++x) {
                const bool on_picture = x >= ox && x < ox + scaled.width() && y >= oy
                                        && y < oy + scaled.height();
                const bool selected = x >= rect_sel.left() && x <= rect_sel.right()
                                      && y >= rect_sel.top() && y <= rect_sel.bottom();
                QRgb expected;
                if (on_picture) {
                    const QRgb c = picture.pixel(x - ox, y - oy);
                    // c - floor(c / 4) is ceil(3c / 4).
                    expected = selected ? c
                                        : qRgb((3 * qRed(c) + 3) / 4, (3 * qGreen(c) + 3) / 4,
                                               (3 * qBlue(c) + 3) / 4);
                } else {
                    expected = selected ? qRgb(255, 255, 255) : qRgb(192, 192, 192);
                }
                if (view.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1,%2) is %3, expected %4")
                                         .arg(x).arg(y)
                                         .arg(view.pixel(x, y), 8, 16)
                                         .arg(expected, 8, 16)));
            }
        }
    }
}

void TestSelectGeometry::composeViewMatchesPlainPainting_data()
{
    composeViewAreas_data();
}

void TestSelectGeometry::composeViewMatchesPlainPainting()
{
    QFETCH(QSize, viewport);
    QFETCH(QSize, scaled);
    QFETCH(QPoint, center);
    QFETCH(QRect, rect_sel);
    const QImage picture = noisePicture(scaled.width(), scaled.height(), 11, QImage::Format_RGB32);
    const QImage plain = plainComposeView(picture, viewport, center, rect_sel);
    QCOMPARE(composeView(picture, viewport, center, rect_sel), plain);

    // A reused buffer still holding an older frame must not shine through.
    QImage stale(viewport, QImage::Format_RGB888);
    stale.fill(Qt::green);
    QCOMPARE(composeView(picture, viewport, center, rect_sel, stale), plain);
}

void TestSelectGeometry::scalingOnceConvertedMatchesScaled_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("target");
    QTest::newRow("down to fit") << QSize(1600, 900) << QSize(729, 410);
    QTest::newRow("down uneven") << QSize(997, 613) << QSize(131, 81);
    QTest::newRow("up five times") << QSize(123, 77) << QSize(615, 385);
    QTest::newRow("up one way, down the other") << QSize(300, 900) << QSize(410, 137);
    QTest::newRow("same size") << QSize(320, 200) << QSize(320, 200);
    QTest::newRow("to one pixel") << QSize(320, 200) << QSize(1, 1);
}

void TestSelectGeometry::scalingOnceConvertedMatchesScaled()
{
    QFETCH(QSize, source);
    QFETCH(QSize, target);
    const QImage picture = photoPicture(source.width(), source.height(), 3);
    const QImage plain = picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage converted = picture.convertToFormat(smoothScalingFormat(picture.format()));
    const QImage once = converted.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(once.size(), plain.size());
    QCOMPARE(once.convertToFormat(QImage::Format_RGB32),
             plain.convertToFormat(QImage::Format_RGB32));
}

void TestSelectGeometry::regionViewScalesLikeCopy_data()
{
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QSize>("target");
    QTest::newRow("whole") << QRect(0, 0, 640, 480) << QSize(85, 64);
    QTest::newRow("inner") << QRect(101, 37, 333, 222) << QSize(96, 64);
    QTest::newRow("right edge") << QRect(500, 0, 140, 480) << QSize(19, 64);
    QTest::newRow("bottom rows") << QRect(0, 470, 640, 10) << QSize(128, 2);
    QTest::newRow("enlarged") << QRect(300, 200, 20, 10) << QSize(128, 64);
    QTest::newRow("one pixel") << QRect(639, 479, 1, 1) << QSize(3, 3);
    QTest::newRow("kept size") << QRect(17, 19, 128, 64) << QSize(128, 64);
}

void TestSelectGeometry::regionViewScalesLikeCopy()
{
    QFETCH(QRect, region);
    QFETCH(QSize, target);
    const QImage picture = photoPicture(640, 480, 5);
    const QImage plain = picture.copy(region).scaled(target, Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation);
    const QImage converted = picture.convertToFormat(smoothScalingFormat(picture.format()));
    const QImage view = regionView(converted, region);
    QCOMPARE(view.size(), region.size());
    const QImage viewed = view.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(viewed.convertToFormat(QImage::Format_RGB32),
             plain.convertToFormat(QImage::Format_RGB32));
    // Borrowed, not copied (a whole-picture region is the picture itself).
    QCOMPARE(view.constBits() - converted.constBits(),
             qptrdiff(region.y()) * converted.bytesPerLine() + region.x() * 4);
}

void TestSelectGeometry::darknessTest_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("dark");
    QTest::newRow("gray 127 set") << QColor(127, 127, 127) << true;
    QTest::newRow("gray 128 clear, exactly 128000") << QColor(128, 128, 128) << false;
    QTest::newRow("black") << QColor(0, 0, 0) << true;
    QTest::newRow("white") << QColor(255, 255, 255) << false;
    QTest::newRow("pure red is dark") << QColor(255, 0, 0) << true;
    QTest::newRow("pure green is light") << QColor(0, 255, 0) << false;
    QTest::newRow("pure blue is dark") << QColor(0, 0, 255) << true;
    // 299*200 + 587*100 + 114*100 = 130000.
    QTest::newRow("reddish just light") << QColor(200, 100, 100) << false;
    // 299*0 + 587*218 + 0 = 127966.
    QTest::newRow("green 218 dark") << QColor(0, 218, 0) << true;
}

void TestSelectGeometry::darknessTest()
{
    QFETCH(QColor, colour);
    QFETCH(bool, dark);
    QCOMPARE(isDark(colour.red(), colour.green(), colour.blue()), dark);
    QCOMPARE(isDark(colour.rgb()), dark);
}

void TestSelectGeometry::targetSize_data()
{
    QTest::addColumn<QSize>("selection");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("two to one fills") << QSize(820, 410) << QSize(128, 64);
    QTest::newRow("tall 206x410") << QSize(206, 410) << QSize(32, 64);
    QTest::newRow("slightly narrow") << QSize(99, 50) << QSize(126, 64);
    QTest::newRow("slightly wide") << QSize(101, 50) << QSize(128, 63);
    QTest::newRow("square") << QSize(300, 300) << QSize(64, 64);
    QTest::newRow("flat line") << QSize(1000, 1) << QSize(128, 0);
    QTest::newRow("no width") << QSize(0, 10) << QSize();
    QTest::newRow("no height") << QSize(10, 0) << QSize();
    QTest::newRow("nothing") << QSize(0, 0) << QSize();
}

void TestSelectGeometry::targetSize()
{
    QFETCH(QSize, selection);
    QFETCH(QSize, expected);
    const QSize target = ::targetSize(selection);
    if (expected.isValid())
        QCOMPARE(target, expected);
    else
        QVERIFY(target.isEmpty());
}

void TestSelectGeometry::sourceAndTargetRect_data()
{
    QTest::addColumn<QRectF>("select_rect");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QRect>("rect_src");
    QTest::addColumn<QRect>("rect_dst");
    QTest::newRow("whole 256x128") << QRectF(-128, -64, 256, 128) << QSize(256, 128)
                                   << QSize(128, 64) << QRect(-128, -64, 256, 128)
                                   << QRect(0, 0, 128, 64);
    QTest::newRow("whole 100x200") << QRectF(-50, -100, 100, 200) << QSize(100, 200)
                                   << QSize(32, 64) << QRect(-50, -100, 100, 200)
                                   << QRect(48, 0, 32, 64);
    QTest::newRow("odd source bounds") << QRectF(-3, -2, 7, 5) << QSize(7, 5) << QSize(128, 64)
                                       << QRect(-3, -2, 7, 5) << QRect(0, 0, 128, 64);
    // Double the width to the right: the left half of the bitmap's band.
    QTest::newRow("runs off to the right") << QRectF(-128, -64, 512, 128) << QSize(256, 128)
                                           << QSize(128, 32) << QRect(-128, -64, 256, 128)
                                           << QRect(0, 16, 64, 32);
    QTest::newRow("starts left of the picture") << QRectF(-192, -64, 256, 128)
                                                << QSize(256, 128) << QSize(128, 64)
                                                << QRect(-128, -64, 192, 128)
                                                << QRect(32, 0, 96, 64);
    QTest::newRow("fractional edges widen") << QRectF(-10.5, -5.25, 20, 10) << QSize(256, 128)
                                            << QSize(128, 64) << QRect(-11, -6, 21, 11)
                                            << QRect(-3, -5, 134, 70);
    QTest::newRow("wholly off") << QRectF(1000, 1000, 50, 50) << QSize(256, 128)
                                << QSize(64, 64) << QRect() << QRect();
    QTest::newRow("null source") << QRectF(0, 0, 0, 0) << QSize(0, 0) << QSize() << QRect()
                                 << QRect();
}

void TestSelectGeometry::sourceAndTargetRect()
{
    QFETCH(QRectF, select_rect);
    QFETCH(QSize, source);
    QFETCH(QSize, target);
    QFETCH(QRect, rect_src);
    QFETCH(QRect, rect_dst);
    const QRect src = sourceRect(select_rect, source);
    if (rect_src.isNull())
        QVERIFY(!src.isValid());
    else
        QCOMPARE(src, rect_src);
    if (rect_src.isNull())
        return; // rect_dst is never used without a source rectangle
    QCOMPARE(targetRect(src, select_rect, target), rect_dst);
}

void TestSelectGeometry::thresholdRegionMatchesPlainCut_data()
{
    QTest::addColumn<QRectF>("select_rect");
    QTest::newRow("whole") << QRectF(-320, -240, 640, 480);
    QTest::newRow("inner") << QRectF(-100.3, -50.7, 211.4, 97.9);
    QTest::newRow("tall") << QRectF(-30, -240, 60, 480);
    QTest::newRow("partly off left and top") << QRectF(-400, -300, 300, 200);
    QTest::newRow("partly off right") << QRectF(200, -100, 300, 100);
    QTest::newRow("tiny enlarged") << QRectF(0, 0, 4, 2);
}

// The result the plain way: a copy of the region, smooth scaling of the copy,
// setPixel() per dark pixel.
void TestSelectGeometry::thresholdRegionMatchesPlainCut()
{
    QFETCH(QRectF, select_rect);
    const QImage picture = photoPicture(640, 480, 9);
    const QSize size = picture.size();
    const double k = 1.37;
    const QRect rect_sel = ::selectionInView(select_rect, k, QPoint(410, 205));
    const QRect rect_src = sourceRect(select_rect, size);
    const QRect rect_dst = targetRect(rect_src, select_rect, ::targetSize(rect_sel.size()));
    QVERIFY(rect_src.isValid());
    QVERIFY(rect_dst.width() > 0 && rect_dst.height() > 0);

    QImage plain(128, 64, QImage::Format_Mono);
    plain.setColorCount(2);
    plain.setColor(0, COLOR_BACK.rgb());
    plain.setColor(1, COLOR_FRONT.rgb());
    plain.fill(0);
    const QImage cut = picture.copy(rect_src.translated(size.width() / 2, size.height() / 2))
                           .scaled(rect_dst.size(), Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
    for (int y = 0; y < cut.height(); ++y) {
        for (int x = 0; x < cut.width(); ++x) {
            const QColor c(cut.pixel(x, y));
            const QPoint at(rect_dst.x() + x, rect_dst.y() + y);
            if (plain.rect().contains(at)
                && c.red() * 299 + c.green() * 587 + c.blue() * 114 < 128000)
                plain.setPixel(at, 1);
        }
    }
    const QImage converted = picture.convertToFormat(smoothScalingFormat(picture.format()));
    const QImage result = thresholdRegion(converted, rect_src, rect_dst);
    QCOMPARE(result.format(), QImage::Format_Mono);
    QCOMPARE(result.colorTable(), plain.colorTable());
    QCOMPARE(result, plain);
}

void TestSelectGeometry::handleHalfSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("half");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("3") << 3 << 0;
    QTest::newRow("4") << 4 << 1;
    QTest::newRow("5") << 5 << 1;
    QTest::newRow("6") << 6 << 2;
    QTest::newRow("10, squares of side 5") << 10 << 2;
    QTest::newRow("14") << 14 << 2;
    QTest::newRow("15") << 15 << 3;
    QTest::newRow("18") << 18 << 3;
    QTest::newRow("19") << 19 << 4;
    QTest::newRow("42") << 42 << 9;
    QTest::newRow("43, squares of side 21") << 43 << 10;
    QTest::newRow("800") << 800 << 10;
}

void TestSelectGeometry::handleHalfSize()
{
    QFETCH(int, width);
    QFETCH(int, half);
    QCOMPARE(::handleHalfSize(width), half);
}

void TestSelectGeometry::hitHandle_data()
{
    QTest::addColumn<QRect>("rect_sel");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("handle");
    const QRect big(100, 100, 200, 100); // L 100 T 100 R 299 B 199, mx 200, my 150
    QTest::newRow("top-left corner") << big << QPoint(100, 100) << 0;
    QTest::newRow("top-left square edge") << big << QPoint(90, 110) << 0;
    QTest::newRow("just outside the square") << big << QPoint(89, 100) << -1;
    QTest::newRow("top-right") << big << QPoint(305, 95) << 1;
    QTest::newRow("bottom-right") << big << QPoint(299, 199) << 2;
    QTest::newRow("bottom-left") << big << QPoint(110, 209) << 3;
    QTest::newRow("top middle") << big << QPoint(200, 100) << 4;
    QTest::newRow("bottom middle") << big << QPoint(190, 190) << 5;
    QTest::newRow("left middle") << big << QPoint(100, 150) << 6;
    QTest::newRow("right middle") << big << QPoint(309, 160) << 7;
    QTest::newRow("inside, away from handles") << big << QPoint(150, 130) << -1;
    QTest::newRow("10 wide: side 5 corner") << QRect(100, 100, 10, 50) << QPoint(102, 98) << 0;
    QTest::newRow("10 wide: beyond side 5") << QRect(100, 100, 10, 50) << QPoint(103, 100) << -1;
    QTest::newRow("10 wide: no top middle") << QRect(100, 100, 10, 50) << QPoint(105, 100) << -1;
    QTest::newRow("10 wide, 50 high: left middle") << QRect(100, 100, 10, 50) << QPoint(98, 125)
                                                   << 6;
    QTest::newRow("43 wide: side 21") << QRect(0, 0, 43, 43) << QPoint(10, -10) << 0;
    QTest::newRow("43 wide: one more is out") << QRect(0, 0, 43, 43) << QPoint(11, 11) << -1;
    QTest::newRow("1 wide: no corners") << QRect(50, 50, 1, 5) << QPoint(50, 50) << -1;
    QTest::newRow("1 wide, tall: side handle") << QRect(50, 50, 1, 30) << QPoint(50, 65) << 6;
    QTest::newRow("2 wide: right corner") << QRect(50, 50, 2, 2) << QPoint(51, 50) << 1;
    QTest::newRow("flat: top-left beats bottom-left") << QRect(0, 0, 100, 5) << QPoint(0, 2) << 0;
    QTest::newRow("flat: top middle beats bottom") << QRect(0, 0, 100, 5) << QPoint(50, 3) << 4;
    QTest::newRow("corner beats side middle") << QRect(0, 0, 100, 11) << QPoint(0, 5) << 0;
    QTest::newRow("zero width") << QRect(50, 50, 0, 5) << QPoint(50, 50) << -1;
}

void TestSelectGeometry::hitHandle()
{
    QFETCH(QRect, rect_sel);
    QFETCH(QPoint, pos);
    QFETCH(int, handle);
    QCOMPARE(::hitHandle(rect_sel, pos), handle);
}

void TestSelectGeometry::wheelValue_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("expected");
    QTest::newRow("half notch nothing") << 5 << 60 << 5;
    QTest::newRow("just under a notch") << 5 << 119 << 5;
    QTest::newRow("back half notch nothing") << 5 << -119 << 5;
    QTest::newRow("one notch") << 5 << 120 << 6;
    QTest::newRow("two notches") << 5 << 240 << 7;
    QTest::newRow("-130 one down") << 5 << -130 << 4;
    QTest::newRow("-250 two down") << 5 << -250 << 3;
    QTest::newRow("at maximum") << 25 << 120 << 25;
    QTest::newRow("at minimum") << 1 << -120 << 1;
    QTest::newRow("clamped up") << 24 << 360 << 25;
    QTest::newRow("clamped down") << 2 << -480 << 1;
}

void TestSelectGeometry::wheelValue()
{
    QFETCH(int, value);
    QFETCH(int, delta);
    QFETCH(int, expected);
    QCOMPARE(::wheelValue(value, 1, 25, delta), expected);
}

void TestSelectGeometry::resizedSelection_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<double>("dx");
    QTest::addColumn<double>("dy");
    QTest::addColumn<QRectF>("expected"); // after normalising
    // The origin runs from (10, 20) to (40, 60).
    QTest::newRow("top-left") << int(TOOL_TOP_LEFT) << 5.0 << 7.0 << QRectF(15, 27, 25, 33);
    QTest::newRow("top-right") << int(TOOL_TOP_RIGHT) << 5.0 << 7.0 << QRectF(10, 27, 35, 33);
    QTest::newRow("bottom-right") << int(TOOL_BOTTOM_RIGHT) << 5.0 << 7.0
                                  << QRectF(10, 20, 35, 47);
    QTest::newRow("bottom-left") << int(TOOL_BOTTOM_LEFT) << 5.0 << 7.0 << QRectF(15, 20, 25, 47);
    QTest::newRow("top") << int(TOOL_TOP) << 5.0 << 7.0 << QRectF(10, 27, 30, 33);
    QTest::newRow("bottom") << int(TOOL_BOTTOM) << 5.0 << 7.0 << QRectF(10, 20, 30, 47);
    QTest::newRow("left") << int(TOOL_LEFT) << 5.0 << 7.0 << QRectF(15, 20, 25, 40);
    QTest::newRow("right") << int(TOOL_RIGHT) << 5.0 << 7.0 << QRectF(10, 20, 35, 40);
    QTest::newRow("left across right flips") << int(TOOL_LEFT) << 40.0 << 0.0
                                             << QRectF(40, 20, 10, 40);
    QTest::newRow("top across bottom flips") << int(TOOL_TOP) << 0.0 << 50.0
                                             << QRectF(10, 60, 30, 10);
    QTest::newRow("corner across both") << int(TOOL_BOTTOM_RIGHT) << -40.0 << -50.0
                                        << QRectF(0, 10, 10, 10);
}

void TestSelectGeometry::resizedSelection()
{
    QFETCH(int, tool);
    QFETCH(double, dx);
    QFETCH(double, dy);
    QFETCH(QRectF, expected);
    QRectF rect = ::resizedSelection(QRectF(10, 20, 30, 40), tool, dx, dy);
    RecalcSelectRect(rect, QSize());
    QCOMPARE(rect, expected);
}

void TestSelectGeometry::newSelections()
{
    // s = 10: one viewport pixel is half a source pixel.
    QCOMPARE(pixelSelection(QPoint(15, 25), QPoint(10, 20), 10.0), QRectF(2.5, 2.5, 0.5, 0.5));
    QCOMPARE(rubberBand(QPoint(15, 25), QPoint(5, 45), QPoint(10, 20), 10.0),
             QRectF(2.5, 2.5, -5, 10));
    QCOMPARE(viewToSource(-7, 2.5), -14.0);
}

QTEST_MAIN(TestSelectGeometry)
#include "tst_selectgeometry.moc"
