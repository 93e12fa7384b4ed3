// What one pointer move costs while a stroke is under way: the preview
// rebuilt by refresh() and the canvas painting it, at the largest zoom.
#include "global.h"
#include "mainwindow.h"
#include "stroke.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSlider>
#include <QtMath>
#include <QtTest>

class MainWindowTester
{
public:
    explicit MainWindowTester(MainWindow& w) : w(w) {}
    QList<QPoint>& linePoints() { return w.line_points; }
    QPoint centerPoint() const { return w.center_point; }
    void refresh() { w.refresh(); }

private:
    MainWindow& w;
};

namespace {

// The points a wavy drag leaves: `sweeps` passes across the bitmap along a
// sine, sampled at every viewport pixel and merged as the canvas merges them.
QList<QPoint> wavyStroke(int sweeps, int zoom, const QPoint& centre)
{
    QList<QPoint> points;
    const int width = 128 * zoom;
    for (int sweep = 0; sweep < sweeps; ++sweep) {
        for (int i = 0; i < width; ++i) {
            const int x = sweep % 2 ? width - 1 - i : i;
            const double phase = x / (12.0 * zoom) + sweep;
            const int y = int(32 * zoom + 24 * zoom * qSin(phase));
            const QPoint pos = centre - QPoint(64 * zoom, 32 * zoom) + QPoint(x, y);
            appendStrokePoint(points, mapCanvasToBitmap(pos, centre, zoom, QSize(128, 64)));
        }
    }
    return points;
}

} // namespace

class BenchStroke : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void refreshDuringStroke_data();
    void refreshDuringStroke();
    void paintDuringStroke_data();
    void paintDuringStroke();
    void moveEventDuringStroke();

private:
    void prepare(int zoom, int sweeps, int width);

    MainWindow* window = nullptr;
    BitmapCtrl* canvas = nullptr;
};

void BenchStroke::initTestCase()
{
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    canvas = window->findChild<BitmapCtrl*>(QStringLiteral("graphicsView"));
    QVERIFY(canvas);
    // refresh() logs a line per call; keep the figures readable.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg)
            fprintf(stderr, "%s\n", qPrintable(text));
    });
}

void BenchStroke::cleanupTestCase()
{
    delete window;
}

void BenchStroke::prepare(int zoom, int sweeps, int width)
{
    window->findChild<QSlider*>(QStringLiteral("verticalSlider"))->setValue(zoom);
    window->findChild<QAction*>(QStringLiteral("action_pensize_%1").arg(width))->setChecked(true);
    MainWindowTester tester(*window);
    tester.linePoints() = wavyStroke(sweeps, zoom, tester.centerPoint());
    tester.refresh();
    // QBENCHMARK calls the test function again while it calibrates.
    static QByteArray last_row;
    if (last_row != QTest::currentDataTag()) {
        last_row = QTest::currentDataTag();
        fprintf(stdout, "  zoom %d, pen %d: %d stroke points\n", zoom, width,
                int(tester.linePoints().size()));
    }
}

void BenchStroke::refreshDuringStroke_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("sweeps");
    QTest::addColumn<int>("width");
    QTest::newRow("zoom 5, no stroke") << 5 << 0 << 1;
    QTest::newRow("zoom 15, no stroke") << 15 << 0 << 1;
    QTest::newRow("zoom 15, one sweep, pen 1") << 15 << 1 << 1;
    QTest::newRow("zoom 15, eight sweeps, pen 1") << 15 << 8 << 1;
    QTest::newRow("zoom 15, eight sweeps, pen 9") << 15 << 8 << 9;
    QTest::newRow("zoom 15, forty sweeps, pen 9") << 15 << 40 << 9;
}

void BenchStroke::refreshDuringStroke()
{
    QFETCH(int, zoom);
    QFETCH(int, sweeps);
    QFETCH(int, width);
    prepare(zoom, sweeps, width);
    MainWindowTester tester(*window);
    QBENCHMARK {
        tester.refresh();
    }
}

void BenchStroke::paintDuringStroke_data()
{
    refreshDuringStroke_data();
}

void BenchStroke::paintDuringStroke()
{
    QFETCH(int, zoom);
    QFETCH(int, sweeps);
    QFETCH(int, width);
    prepare(zoom, sweeps, width);
    QWidget* viewport = canvas->viewport();
    QBENCHMARK {
        const QPixmap shot = viewport->grab();
        Q_UNUSED(shot);
    }
}

// A whole held move as the canvas receives it: map, extend, refresh.
void BenchStroke::moveEventDuringStroke()
{
    prepare(15, 8, 9);
    MainWindowTester tester(*window);
    QWidget* viewport = canvas->viewport();
    const QList<QPoint> base = tester.linePoints();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    tester.linePoints() = base;
    // Every move turns back, so each adds a point, as a scribble would.
    const int moves = 400;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < moves; ++i) {
        const QPoint pos(100 + (i % 2) * 15, 100);
        QMouseEvent move(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    const qint64 ns = timer.nsecsElapsed();
    fprintf(stdout, "  %d held moves from %d to %d stroke points: %.3f ms per move\n", moves,
            int(base.size()), int(tester.linePoints().size()), ns / 1e6 / moves);
    QVERIFY(tester.linePoints().size() > base.size());
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
}

QTEST_MAIN(BenchStroke)
#include "bench_stroke.moc"
