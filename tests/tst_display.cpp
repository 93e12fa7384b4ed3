// The canvas picture, the canvas widget's painting and the geometry helpers.
#include "canvasimage.h"
#include "testsupport.h"

#include <QSlider>

namespace {

// A display pixel from the cell it falls in: the first column and row of a
// cell are grid, except along the left and top border.
QRgb expectedPixel(const QImage& bitmap, int zoom, int x, int y)
{
    const int bx = x / zoom, by = y / zoom;
    if ((x % zoom == 0 && bx > 0) || (y % zoom == 0 && by > 0))
        return COLOR_GRID.rgb();
    return bitmap.pixelIndex(bx, by) ? CANVAS_SET : CANVAS_CLEAR;
}

int wrongPixels(const QImage& bitmap, int zoom, const QImage& shown)
{
    int wrong = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            wrong += shown.pixel(x, y) != expectedPixel(bitmap, zoom, x, y);
    return wrong;
}

// A bare canvas over a page of one colour.
QImage paint(const QSize& size, const QImage& picture, const QPoint& pos, const QRect& frame,
             const QBrush& margin = Qt::NoBrush)
{
    BitmapCtrl view;
    view.setFrameShape(QFrame::NoFrame);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.resize(size);
    view.image = picture;
    view.image_pos = pos;
    view.select_frame = frame;
    view.setBackgroundBrush(margin);
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage page(const QSize& size)
{
    QImage white(size, QImage::Format_RGB32);
    white.fill(Qt::white);
    return white;
}

const QRgb FRAME = qRgb(1, 174, 255);

} // namespace

class TestDisplay : public QObject
{
    Q_OBJECT

private slots:
    void init() { forgetSettings(); }
    void cellsExactAtEveryZoom_data();
    void cellsExactAtEveryZoom();
    void recalcSelectRect_data();
    void recalcSelectRect();
    void paintMargins_data();
    void paintMargins();
    void paintFrame_data();
    void paintFrame();
};

void TestDisplay::cellsExactAtEveryZoom_data()
{
    QTest::addColumn<int>("zoom");
    for (int zoom = 0; zoom <= 15; ++zoom)
        QTest::addRow("zoom %d", zoom) << zoom;
}

// Enlarging with QImage::scaled lets cell edges drift by a pixel at some zooms;
// below its lowest zoom the grid would not fit and the buffer would overflow.
void TestDisplay::cellsExactAtEveryZoom()
{
    QFETCH(int, zoom);
    const QImage bitmap = randomBitmap(quint32(zoom));
    QImage shown(7, 7, QImage::Format_RGB888);
    if (zoom < CANVAS_MIN_ZOOM) {
#ifdef QT_NO_DEBUG
        renderCanvas(bitmap, zoom, shown);
        QVERIFY(shown.isNull());
#endif
        return;
    }
    renderCanvas(bitmap, zoom, shown);
    QCOMPARE(shown.size(), QSize(128 * zoom, 64 * zoom));
    QCOMPARE(wrongPixels(bitmap, zoom, shown), 0);
}

void TestDisplay::recalcSelectRect_data()
{
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("negative width") << QRectF(30, 5, -20, 8) << QRectF(10, 5, 20, 8);
    QTest::newRow("old left loses its fraction") << QRectF(30.7, 0, -20.2, 1) << QRectF(10.5, 0, 19.5, 1);
    QTest::newRow("both negative") << QRectF(30, 40, -20, -15) << QRectF(10, 25, 20, 15);
    QTest::newRow("positive unchanged") << QRectF(3.5, 4.25, 10.5, 2.75) << QRectF(3.5, 4.25, 10.5, 2.75);
}

void TestDisplay::recalcSelectRect()
{
    QFETCH(QRectF, rect);
    QFETCH(QRectF, expected);
    RecalcSelectRect(rect, QSize(123, 45));
    QCOMPARE(rect, expected);
}

void TestDisplay::paintMargins_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::newRow("left and above") << QPoint(-50, 30);
    QTest::newRow("over right and bottom") << QPoint(150, 70);
}

void TestDisplay::paintMargins()
{
    QFETCH(QPoint, pos);
    QImage picture(120, 50, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 4, 77));
    const QImage shot = paint(QSize(200, 100), picture, pos, QRect(), QColor(192, 192, 192));
    const QRect placed(pos, picture.size());
    int wrong = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            wrong += shot.pixel(x, y) != (placed.contains(x, y) ? picture.pixel(x - pos.x(), y - pos.y())
                                                                : qRgb(192, 192, 192));
    QCOMPARE(wrong, 0);
}

void TestDisplay::paintFrame_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<bool>("horizontalMiddles");
    QTest::addColumn<bool>("verticalMiddles");
    QTest::newRow("10 x 31") << QRect(QPoint(10, 30), QPoint(19, 60)) << false << true;
    QTest::newRow("12 x 12") << QRect(QPoint(40, 30), QPoint(51, 41)) << true << true;
    QTest::newRow("11 x 11") << QRect(QPoint(40, 30), QPoint(50, 40)) << false << false;
    QTest::newRow("60 x 8") << QRect(QPoint(20, 40), QPoint(79, 47)) << true << false;
    QTest::newRow("zero width") << QRect(QPoint(40, 30), QPoint(39, 50)) << false << false;
}

void TestDisplay::paintFrame()
{
    QFETCH(QRect, frame);
    QFETCH(bool, horizontalMiddles);
    QFETCH(bool, verticalMiddles);
    const QImage shot = paint(QSize(160, 90), page(QSize(160, 90)), QPoint(), frame);
    if (!frame.isValid()) {
        QCOMPARE(shot, page(QSize(160, 90)));
        return;
    }
    const int x1 = frame.left(), y1 = frame.top(), x2 = frame.right(), y2 = frame.bottom();
    for (int x = x1; x <= x2; ++x)
        QVERIFY(shot.pixel(x, y1) == FRAME && shot.pixel(x, y2) == FRAME);
    for (int y = y1; y <= y2; ++y)
        QVERIFY(shot.pixel(x1, y) == FRAME && shot.pixel(x2, y) == FRAME);
    // Corner marks are 5 x 5 and centred on the corner.
    for (const QPoint& c : { QPoint(x1, y1), QPoint(x2, y1), QPoint(x1, y2), QPoint(x2, y2) }) {
        QVERIFY(shot.pixel(c.x() - 2, c.y() + 2) == FRAME && shot.pixel(c.x() + 2, c.y() + 2) == FRAME);
        QVERIFY(shot.pixel(c.x() - 3, c.y() + 3) == qRgb(255, 255, 255));
    }
    QCOMPARE(shot.pixel((x1 + x2 + 1) / 2, y2 + 2) == FRAME, horizontalMiddles);
    QCOMPARE(shot.pixel(x2 + 2, (y1 + y2 + 1) / 2) == FRAME, verticalMiddles);

    // The size label: a black 64 x 14 box above the top-left corner.
    QCOMPARE(shot.pixel(x1 + 63, y1 - 16), qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(x1 + 64, y1 - 10), qRgb(255, 255, 255));
}

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
