// Cost of one canvas refresh plus its paint, at several zooms, next to the
// straightforward recipe (scaled + recolour + convert + painter grid) that
// the direct fill replaced. Run: build/bench/bench_refresh
#include "benchsupport.h"
#include "canvasimage.h"
#include "global.h"
#include "mainwindow.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPainter>
#include <QRandomGenerator>
#include <QSlider>
#include <QtTest>

#include <algorithm>

class MainWindowTester
{
public:
    static void setBitmap(MainWindow& w, const QImage& b) { w.bitmap = b; }
    static void refresh(MainWindow& w) { w.refresh(); }
    static QPoint centre(MainWindow& w) { return w.center_point; }
};

namespace {

// The yardstick: enlarge with QImage::scaled, recolour, convert, draw the grid.
void straightforwardRefresh(const QImage& bitmap, int zoom, const QPoint& centre, BitmapCtrl* view)
{
    QImage work = bitmap.scaled(bitmap.width() * zoom, bitmap.height() * zoom, Qt::IgnoreAspectRatio,
                                Qt::FastTransformation);
    work.setColor(0, CANVAS_CLEAR);
    work.setColor(1, CANVAS_SET);
    work = work.convertToFormat(QImage::Format_RGB888);
    const int W = work.width();
    const int H = work.height();
    QVector<QLine> lines;
    for (int i = 1; i < 128; ++i)
        lines.append(QLine(zoom * i, 0, zoom * i, H));
    for (int j = 1; j < 64; ++j)
        lines.append(QLine(0, zoom * j, W, zoom * j));
    QPainter painter(&work);
    painter.setPen(QPen(COLOR_GRID));
    painter.drawLines(lines);
    painter.end();
    view->image = work;
    view->image_pos = QPoint(centre.x() - W / 2, centre.y() - H / 2);
    view->viewport()->update();
}

QImage randomBitmap()
{
    QImage bitmap = newBitmap();
    QRandomGenerator rng(42);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            bitmap.setPixel(x, y, rng.bounded(3) == 0 ? 1 : 0);
    return bitmap;
}

} // namespace

class BenchRefresh : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refreshAndPaint_data();
    void refreshAndPaint();
    void summary();

private:
    // Median microseconds of one refresh + paint.
    double measure(MainWindow& window, BitmapCtrl* view, bool yardstick, int zoom);
    void runOnce(MainWindow& window, BitmapCtrl* view, bool yardstick);

    QImage target { 640, 320, QImage::Format_ARGB32_Premultiplied };
    const QImage bitmap = randomBitmap();
};

void BenchRefresh::initTestCase()
{
    // The log line of every refresh would otherwise time the terminal.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

void BenchRefresh::runOnce(MainWindow& window, BitmapCtrl* view, bool yardstick)
{
    if (yardstick)
        straightforwardRefresh(bitmap, window.findChild<QSlider*>("verticalSlider")->value(),
                               MainWindowTester::centre(window), view);
    else
        MainWindowTester::refresh(window);
    view->viewport()->render(&target);
}

void BenchRefresh::refreshAndPaint_data()
{
    QTest::addColumn<bool>("yardstick");
    QTest::addColumn<int>("zoom");
    QTest::newRow("straightforward zoom 5") << true << 5;
    QTest::newRow("direct zoom 5") << false << 5;
    QTest::newRow("direct zoom 10") << false << 10;
    QTest::newRow("direct zoom 15") << false << 15;
}

void BenchRefresh::refreshAndPaint()
{
    QFETCH(bool, yardstick);
    QFETCH(int, zoom);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowTester::setBitmap(window, bitmap);
    window.findChild<QSlider*>("verticalSlider")->setValue(zoom);
    BitmapCtrl* view = window.findChild<BitmapCtrl*>("graphicsView");
    QBENCHMARK {
        runOnce(window, view, yardstick);
    }
}

double BenchRefresh::measure(MainWindow& window, BitmapCtrl* view, bool yardstick, int zoom)
{
    window.findChild<QSlider*>("verticalSlider")->setValue(zoom);
    QVector<qint64> samples;
    for (int i = 0; i < 40; ++i) {
        QElapsedTimer timer;
        timer.start();
        runOnce(window, view, yardstick);
        samples.append(timer.nsecsElapsed());
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2] / 1000.0;
}

// Display pixels off their cell's colour: the first column and row of a
// cell are grid, except along the left and top border.
static int wrongCells(const QImage& bitmap, int zoom, const QImage& shown)
{
    if (shown.size() != bitmap.size() * zoom)
        return shown.width() * shown.height() + 1;
    int wrong = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const int bx = x / zoom, by = y / zoom;
            const bool grid = (x % zoom == 0 && bx > 0) || (y % zoom == 0 && by > 0);
            const QRgb want = grid ? COLOR_GRID.rgb()
                                   : bitmap.pixelIndex(bx, by) ? CANVAS_SET : CANVAS_CLEAR;
            wrong += shown.pixel(x, y) != want;
        }
    }
    return wrong;
}

// Rounds of every zoom and the yardstick in turn; each goal is the median of
// the per-round ratios.
void BenchRefresh::summary()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowTester::setBitmap(window, bitmap);
    BitmapCtrl* view = window.findChild<BitmapCtrl*>("graphicsView");

    int wrong = 0;
    for (int zoom : { 5, 10, 15 }) {
        window.findChild<QSlider*>("verticalSlider")->setValue(zoom);
        MainWindowTester::refresh(window);
        wrong += wrongCells(bitmap, zoom, view->image);
    }

    std::vector<double> yard, z5, z10, z15, to_yard5, to_yard10, to_yard15, to_z5;
    for (int round = 0; round < 9; ++round) {
        yard.push_back(measure(window, view, true, 5));
        z5.push_back(measure(window, view, false, 5));
        z10.push_back(measure(window, view, false, 10));
        z15.push_back(measure(window, view, false, 15));
        to_yard5.push_back(z5.back() / yard.back());
        to_yard10.push_back(z10.back() / yard.back());
        to_yard15.push_back(z15.back() / yard.back());
        to_z5.push_back(z15.back() / z5.back());
    }
    std::printf("bench_refresh: canvas refresh + paint, microseconds, 9 rounds, load average %s\n",
                loadAverage().constData());
    std::printf("  %-40s %9.1f\n", "straightforward zoom 5 (yardstick)", median(yard));
    const auto row = [](const char* name, double us, double ratio, double goal) {
        std::printf("  %-40s %9.1f %8.2fx  <=%-5.2f %s\n", name, us, ratio, goal,
                    verdict(ratio, goal));
    };
    row("direct zoom 5 vs yardstick", median(z5), median(to_yard5), 0.25);
    row("direct zoom 10 vs yardstick", median(z10), median(to_yard10), 0.25);
    row("direct zoom 15 vs yardstick", median(z15), median(to_yard15), 0.25);
    row("G4 direct zoom 15 vs zoom 5", median(z15), median(to_z5), 2.0);
    std::printf("  %-40s %9d pixels off   %s\n", "G4 exact cells at zoom 5, 10, 15", wrong,
                wrong == 0 ? "ok" : "MISSED");
}

QTEST_MAIN(BenchRefresh)
#include "bench_refresh.moc"
