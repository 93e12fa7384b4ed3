// The canvas picture: enlargement, recolouring and grid; the canvas widget's
// painting; the two geometry helpers.
#include "canvasimage.h"
#include "global.h"
#include "mainwindow.h"

#include <QRandomGenerator>
#include <QSlider>
#include <QtTest>

namespace {

QImage randomBitmap(quint32 seed)
{
    QImage bitmap = newBitmap();
    QRandomGenerator rng(seed);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            bitmap.setPixel(x, y, rng.bounded(2));
    return bitmap;
}

// What a display pixel must show, from the cell it falls in: the first
// column and row of a cell are grid, except along the left and top border.
QRgb expectedDisplayPixel(const QImage& bitmap, int zoom, int x, int y)
{
    const int bx = x / zoom;
    const int by = y / zoom;
    if ((x % zoom == 0 && bx > 0) || (y % zoom == 0 && by > 0))
        return COLOR_GRID.rgb();
    return bitmap.pixelIndex(bx, by) ? CANVAS_SET : CANVAS_CLEAR;
}

// Counts display pixels that differ from the cell-by-cell expectation.
int countWrongPixels(const QImage& bitmap, int zoom, const QImage& shown)
{
    int wrong = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != expectedDisplayPixel(bitmap, zoom, x, y))
                ++wrong;
    return wrong;
}

QColor at(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

class MainWindowTester
{
public:
    static BitmapCtrl* canvas(MainWindow& w) { return w.findChild<BitmapCtrl*>("graphicsView"); }
    static void setBitmap(MainWindow& w, const QImage& b) { w.bitmap = b; }
    static void refresh(MainWindow& w) { w.refresh(); }
};

class TestDisplay : public QObject
{
    Q_OBJECT

private slots:
    void canvasCellsExact_data();
    void canvasCellsExact();
    void canvasReusesBuffer();
    void refreshShowsBitmapAtEveryZoom_data();
    void refreshShowsBitmapAtEveryZoom();
    void strokePreviewLeavesBitmap();

    void recalcLocate_data();
    void recalcLocate();
    void recalcSelectRect_data();
    void recalcSelectRect();

    void paintMargins_data();
    void paintMargins();
    void paintFrame_data();
    void paintFrame();
    void paintFrameLabel();
    void invalidFrameNotDrawn();
};

void TestDisplay::canvasCellsExact_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<quint32>("seed");
    for (int zoom = 5; zoom <= 15; ++zoom)
        QTest::addRow("zoom %d", zoom) << zoom << quint32(1000 + zoom);
}

void TestDisplay::canvasCellsExact()
{
    QFETCH(int, zoom);
    QFETCH(quint32, seed);
    const QImage bitmap = randomBitmap(seed);
    QImage shown;
    renderCanvas(bitmap, zoom, shown);
    QCOMPARE(shown.size(), QSize(128 * zoom, 64 * zoom));
    QCOMPARE(shown.format(), QImage::Format_RGB888);
    QCOMPARE(countWrongPixels(bitmap, zoom, shown), 0);
}

void TestDisplay::canvasReusesBuffer()
{
    QImage shown;
    renderCanvas(randomBitmap(1), 7, shown);
    const uchar* buffer = shown.constBits();
    const QImage second = randomBitmap(2);
    renderCanvas(second, 7, shown);
    QCOMPARE(shown.constBits(), buffer);
    QCOMPARE(countWrongPixels(second, 7, shown), 0);

    // A different zoom needs a new size; the picture must still be exact.
    renderCanvas(second, 12, shown);
    QCOMPARE(countWrongPixels(second, 12, shown), 0);
}

void TestDisplay::refreshShowsBitmapAtEveryZoom_data()
{
    QTest::addColumn<int>("zoom");
    for (int zoom = 5; zoom <= 15; ++zoom)
        QTest::addRow("zoom %d", zoom) << zoom;
}

void TestDisplay::refreshShowsBitmapAtEveryZoom()
{
    QFETCH(int, zoom);
    MainWindow window;
    const QImage bitmap = randomBitmap(quint32(zoom * 7));
    MainWindowTester::setBitmap(window, bitmap);
    window.findChild<QSlider*>("verticalSlider")->setValue(zoom);
    MainWindowTester::refresh(window);
    const QImage shown = MainWindowTester::canvas(window)->image;
    QCOMPARE(shown.size(), QSize(128 * zoom, 64 * zoom));
    QCOMPARE(countWrongPixels(bitmap, zoom, shown), 0);
}

void TestDisplay::strokePreviewLeavesBitmap()
{
    // The canvas copy must not alias the working bitmap's pixels.
    MainWindow window;
    const QImage before = randomBitmap(5);
    MainWindowTester::setBitmap(window, before);
    MainWindowTester::refresh(window);
    QImage& shown = MainWindowTester::canvas(window)->image;
    shown.fill(Qt::red);
    MainWindowTester::refresh(window);
    QCOMPARE(countWrongPixels(before, 5, MainWindowTester::canvas(window)->image), 0);
}

void TestDisplay::recalcLocate_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("expected");

    const QSize view(640, 320);
    QTest::newRow("zoom 5 forced to centre") << QPoint(10, 900) << QSize(640, 320) << view << QPoint(320, 160);
    QTest::newRow("zoom 10 at upper limit kept") << QPoint(640, 320) << QSize(1280, 640) << view << QPoint(640, 320);
    QTest::newRow("zoom 10 beyond upper limit") << QPoint(700, 400) << QSize(1280, 640) << view << QPoint(640, 320);
    QTest::newRow("zoom 10 beyond lower limit") << QPoint(-5, -1) << QSize(1280, 640) << view << QPoint(0, 0);
    QTest::newRow("zoom 15 inside kept") << QPoint(500, 250) << QSize(1920, 960) << view << QPoint(500, 250);
    QTest::newRow("zoom 15 lower limit") << QPoint(-400, -400) << QSize(1920, 960) << view << QPoint(-320, -160);
    QTest::newRow("odd extent above") << QPoint(400, 160) << QSize(641, 320) << view << QPoint(320, 160);
    QTest::newRow("odd extent below") << QPoint(100, 160) << QSize(641, 320) << view << QPoint(319, 160);
    QTest::newRow("small image fits, left") << QPoint(10, 10) << QSize(101, 51) << view << QPoint(50, 25);
    QTest::newRow("small image fits, right") << QPoint(630, 310) << QSize(101, 51) << view << QPoint(589, 294);
    QTest::newRow("small image inside kept") << QPoint(200, 100) << QSize(101, 51) << view << QPoint(200, 100);
}

void TestDisplay::recalcLocate()
{
    QFETCH(QPoint, point);
    QFETCH(QSize, image);
    QFETCH(QSize, window);
    QFETCH(QPoint, expected);
    RecalcLocate(point, image, window);
    QCOMPARE(point, expected);
}

void TestDisplay::recalcSelectRect_data()
{
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("negative width") << QRectF(30, 5, -20, 8) << QRectF(10, 5, 20, 8);
    QTest::newRow("fractional left loses fraction") << QRectF(30.7, 0, -20.2, 1) << QRectF(10.5, 0, 19.5, 1);
    QTest::newRow("negative height") << QRectF(1, 40, 2, -15) << QRectF(1, 25, 2, 15);
    QTest::newRow("both negative") << QRectF(30, 40, -20, -15) << QRectF(10, 25, 20, 15);
    QTest::newRow("positive unchanged") << QRectF(3.5, 4.25, 10.5, 2.75) << QRectF(3.5, 4.25, 10.5, 2.75);
    QTest::newRow("zero width unchanged") << QRectF(7.5, 2, 0, 3) << QRectF(7.5, 2, 0, 3);
}

void TestDisplay::recalcSelectRect()
{
    QFETCH(QRectF, rect);
    QFETCH(QRectF, expected);
    RecalcSelectRect(rect, QSize(123, 45));
    QCOMPARE(rect, expected);
}

namespace {

// A bare canvas of the given size painting `image` at `pos`.
struct Canvas
{
    explicit Canvas(const QSize& size)
    {
        view.setFrameShape(QFrame::NoFrame);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.resize(size);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    QImage grab() { return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    BitmapCtrl view;
};

const QColor FRAME(1, 174, 255);

} // namespace

void TestDisplay::paintMargins_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::newRow("inside") << QPoint(20, 10);
    QTest::newRow("left and above") << QPoint(-50, 30);
    QTest::newRow("overlapping right and bottom") << QPoint(150, 70);
    QTest::newRow("top left corner") << QPoint(0, 0);
}

void TestDisplay::paintMargins()
{
    QFETCH(QPoint, pos);
    Canvas canvas(QSize(200, 100));
    QImage picture(120, 50, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 4, 77));
    canvas.view.image = picture;
    canvas.view.image_pos = pos;
    canvas.view.setBackgroundBrush(QColor(192, 192, 192));
    const QImage shot = canvas.grab();
    QCOMPARE(shot.size(), QSize(200, 100));

    const QRect placed(pos, picture.size());
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb expected = placed.contains(x, y) ? picture.pixel(x - pos.x(), y - pos.y())
                                                        : qRgb(192, 192, 192);
            if (shot.pixel(x, y) != expected)
                QFAIL(qPrintable(QString("pixel (%1,%2) is %3, expected %4")
                                     .arg(x).arg(y).arg(shot.pixel(x, y), 0, 16).arg(expected, 0, 16)));
        }
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
}

void TestDisplay::paintFrame()
{
    QFETCH(QRect, frame);
    QFETCH(bool, horizontalMiddles);
    QFETCH(bool, verticalMiddles);
    Canvas canvas(QSize(160, 90));
    QImage white(160, 90, QImage::Format_RGB32);
    white.fill(Qt::white);
    canvas.view.image = white;
    canvas.view.select_frame = frame;
    const QImage shot = canvas.grab();

    const int x1 = frame.left(), y1 = frame.top(), x2 = frame.right(), y2 = frame.bottom();
    for (int x = x1; x <= x2; ++x) {
        QCOMPARE(at(shot, x, y1), FRAME);
        QCOMPARE(at(shot, x, y2), FRAME);
    }
    for (int y = y1; y <= y2; ++y) {
        QCOMPARE(at(shot, x1, y), FRAME);
        QCOMPARE(at(shot, x2, y), FRAME);
    }
    // Corner marks reach two pixels outside the frame.
    for (const QPoint& c : { QPoint(x1, y1), QPoint(x2, y1), QPoint(x1, y2), QPoint(x2, y2) }) {
        QCOMPARE(at(shot, c.x() - 2, c.y() + 2), FRAME);
        QCOMPARE(at(shot, c.x() + 2, c.y() + 2), FRAME);
        for (const QPoint& d : { QPoint(-3, 3), QPoint(3, 3) })
            QCOMPARE(at(shot, c.x() + d.x(), c.y() + d.y()), QColor(Qt::white));
    }
    const int mx = (x1 + x2 + 1) / 2;
    const int my = (y1 + y2 + 1) / 2;
    // Just outside the bottom edge, under its middle: only a middle mark paints there.
    QCOMPARE(at(shot, mx, y2 + 2) == FRAME, horizontalMiddles);
    QCOMPARE(at(shot, x2 + 2, my) == FRAME, verticalMiddles);
    QCOMPARE(at(shot, x1 - 2, my) == FRAME, verticalMiddles);
}

void TestDisplay::paintFrameLabel()
{
    Canvas canvas(QSize(200, 120));
    QImage white(200, 120, QImage::Format_RGB32);
    white.fill(Qt::white);
    canvas.view.image = white;
    canvas.view.select_frame = QRect(QPoint(30, 50), QPoint(129, 99));
    const QImage shot = canvas.grab();

    // The box spans (30,34)-(93,47); white text inside, white page around it.
    int black = 0, light = 0;
    for (int y = 34; y <= 47; ++y)
        for (int x = 30; x <= 93; ++x) {
            const QColor c = at(shot, x, y);
            if (c == QColor(Qt::black))
                ++black;
            else if (c.lightness() > 128)
                ++light;
        }
    QVERIFY2(black > 64 * 14 / 2, "label box is not black");
    QVERIFY2(light > 5, "label text is missing");
    QCOMPARE(at(shot, 94, 40), QColor(Qt::white));
    QCOMPARE(at(shot, 60, 33), QColor(Qt::white));
    QCOMPARE(at(shot, 60, 48), QColor(Qt::white));
}

void TestDisplay::invalidFrameNotDrawn()
{
    Canvas canvas(QSize(100, 60));
    QImage white(100, 60, QImage::Format_RGB32);
    white.fill(Qt::white);
    canvas.view.image = white;
    canvas.view.select_frame = QRect(QPoint(40, 30), QPoint(39, 50)); // zero width
    const QImage shot = canvas.grab();
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            QCOMPARE(at(shot, x, y), QColor(Qt::white));
}

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
