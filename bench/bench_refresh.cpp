// Cost of one canvas refresh plus its paint, at several zooms, next to the
// straightforward recipe (scaled + recolour + convert + painter grid) that
// the direct fill replaced. Run: build/bench/bench_refresh
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
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        runOnce(window, view, yardstick);
        samples.append(timer.nsecsElapsed());
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2] / 1000.0;
}

void BenchRefresh::summary()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowTester::setBitmap(window, bitmap);
    BitmapCtrl* view = window.findChild<BitmapCtrl*>("graphicsView");

    const double yard = measure(window, view, true, 5);
    const double z5 = measure(window, view, false, 5);
    const double z10 = measure(window, view, false, 10);
    const double z15 = measure(window, view, false, 15);
    const double yard15 = measure(window, view, true, 15);
    qInfo("median refresh + paint, microseconds:");
    qInfo("  straightforward zoom 5 : %8.1f   (zoom 15: %.1f)", yard, yard15);
    qInfo("  direct zoom 5          : %8.1f   %.2fx yardstick (goal <= 0.25)", z5, z5 / yard);
    qInfo("  direct zoom 10         : %8.1f   %.2fx yardstick (goal <= 0.25)", z10, z10 / yard);
    qInfo("  direct zoom 15         : %8.1f   %.2fx yardstick (goal <= 0.25), %.2fx zoom 5 (goal <= 2)",
          z15, z15 / yard, z15 / z5);
}

QTEST_MAIN(BenchRefresh)
#include "bench_refresh.moc"
