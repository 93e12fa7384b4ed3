// Drawing, panning, zooming and dropping on the canvas, through the real
// viewport with real mouse, wheel, key and drag events.
#include "canvasimage.h"
#include "stroke.h"
#include "testsupport.h"

#include <QLabel>
#include <QMimeData>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>

class TestCanvasInput : public QObject
{
    Q_OBJECT
    QScopedPointer<MainWindow> window;

    MainWindowTester t() { return MainWindowTester(*window); }
    QWidget* view() { return t().viewport(); }
    // The viewport position of the middle of a bitmap pixel.
    QPoint cell(const QPoint& pixel)
    {
        return t().centerPoint() + (pixel - QPoint(64, 32)) * t().zoom() + QPoint(1, 1) * (t().zoom() / 2);
    }
    void move(const QPoint& pos)
    {
        QMouseEvent event(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton, QGuiApplication::keyboardModifiers());
        QApplication::sendEvent(view(), &event);
    }

    // Plays a gesture, one step per word. A button's name clicks it; zN sets the
    // zoom, wN the current tool's width; + - r press, release and repeat Ctrl,
    // ^ holds Shift, WN turns the wheel by N. d u c m press, release,
    // double-click and move with the button held at the viewport position "x,y";
    // D U C M do so in the middle of the bitmap pixel "x,y"; L moves pixel by
    // pixel to one. Checks: ? only the canvas shows the stroke at the last
    // pixel; =N the zoom is N; #x,y the position read-out shows x and y.
    void play(const QString& script)
    {
        static const QStringList buttons{ "hand", "pen", "eraser", "invert", "", "", "mirror", "flip", "undo", "redo" };
        QPoint at;
        for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
            const QStringList xy = step.mid(1).split(',');
            const QPoint p = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
            const QPoint pos = step[0].isUpper() ? cell(p) : p;
            const bool eraser = t().tool() == TOOL_ERASE;
            const int mouse = QString("du_cm").indexOf(step[0].toLower());  // as QTest::MouseAction
            if (buttons.contains(step))
                QTest::mouseClick(t().child<QToolButton>(qPrintable("toolButton_" + QString::number(buttons.indexOf(step) + 1))), Qt::LeftButton);
            else if (step[0] == 'z')
                t().child<QSlider>("verticalSlider")->setValue(p.x());
            else if (step[0] == 'w')
                t().child<QAction>(qPrintable(QStringLiteral("action_%1size_%2").arg(eraser ? "erase" : "pen").arg(p.x())))->setChecked(true);
            else if (step[0] == '+' || step[0] == '-')
                pressCtrl(window.data(), step[0] == '+');
            else if (step[0] == 'r' || step[0] == '^')
                QTest::simulateEvent(window.data(), true, step[0] == 'r' ? Qt::Key_Control : Qt::Key_Shift,
                                     step[0] == 'r' ? Qt::ControlModifier : Qt::ShiftModifier, QString(), step[0] == 'r');
            else if (mouse == 4)
                move(pos);
            else if (mouse >= 0)
                QTest::mouseEvent(QTest::MouseAction(mouse), view(), Qt::LeftButton, QGuiApplication::keyboardModifiers(), pos);
            else if (step[0] == 'W') {
                QWheelEvent wheel(pos, view()->mapToGlobal(pos), {}, QPoint(0, p.x()), {}, {}, Qt::NoScrollPhase, false);
                QVERIFY(QApplication::sendEvent(view(), &wheel));
            } else if (step[0] == '=')
                QCOMPARE(QPair(t().zoom(), t().canvas()->image.size()), QPair(p.x(), QSize(128, 64) * p.x()));
            else if (step[0] == '#')
                QCOMPARE(t().child<QLabel>("label_PosX")->text() + ',' + t().child<QLabel>("label_PosY")->text(), step.mid(1));
            else if (step[0] == '?')
                QCOMPARE(QPair(t().bitmap().pixelIndex(at), t().canvas()->image.pixel(cell(at) - t().canvas()->image_pos)),
                         QPair(int(eraser), eraser ? CANVAS_CLEAR : CANVAS_SET));
            for (; step[0] == 'L' && at != p; move(cell(at)), move(cell(at) + QPoint(1, 1)))
                at += QPoint((p.x() > at.x()) - (p.x() < at.x()), (p.y() > at.y()) - (p.y() < at.y()));
            if (mouse >= 0 && step[0].isUpper())
                at = p;
        }
    }

private slots:
    void init()
    {
        forgetSettings();
        window.reset(new MainWindow);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    }
    void cleanup()
    {
        pressCtrl(window.data(), false);  // leaves the application's modifiers clear
        window.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void gestures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("strokes");  // the history's points, oldest first
        QTest::addColumn<QString>("drawn");    // rectangles x,y,w,h inked
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<QString>("edges");    // the edge lines in view
        auto row = [](QString name, QString script, QString strokes, QString drawn, QPoint centre = { 320, 160 }, QString edges = "lrtb") {
            QTest::newRow(qPrintable(name)) << script << strokes << drawn << centre << edges;
        };
        // At zoom 5 the bitmap fills the 640 x 320 viewport; D0,0 is at (2,2).
        row("click width 1", "D20,30 U20,30", "(20,30)", "20,30,1,1");
        row("click width 3", "w3 D20,30 U20,30", "(20,30)", "19,29,3,3");
        row("click width 9 clipped", "w9 D0,0 U0,0", "(0,0)", "0,0,5,5");
        row("eraser click width 9", "eraser w9 D100,11 U100,11", "(100,11)", "96,7,9,9");
        row("straight drag", "D10,5 L40,5 ? U40,5", "(10,5) (40,5)", "10,5,31,1");
        row("turn", "D10,5 L20,5 L12,5 U12,5", "(10,5) (20,5) (12,5)", "10,5,11,1");
        row("vertical turn", "D10,5 L10,20 L10,12 U10,12", "(10,5) (10,20) (10,12)", "10,5,1,16");
        row("eraser corner", "eraser D60,10 L62,10 L62,12 ? U62,12", "(60,10) (62,10) (62,12)", "60,10,3,1 62,11,1,2");
        row("leaving left", "D3,10 m-22,52 u-22,52", "(3,10) (-4,10)", "0,10,4,1");
        row("leaving bottom", "D70,61 m352,341 u352,341", "(70,61) (70,68)", "70,61,1,3");
        row("truncated: 4 left and above", "d-4,-4 u-4,-4", "(0,0)", "0,0,1,1");
        row("truncated: 5 left, 11 above", "d-5,-11 u-5,-11", "(-1,-2)", "");
        // Ctrl ends the drag: the button, still held, neither draws nor pans.
        row("ctrl commits mid-drag", "z10 w3 D40,20 M60,20 + M60,40 - M65,45", "(40,20) (60,20)", "39,19,23,3", { 320, 160 }, "");
        // A release with Shift held, or none at all before the next press, still ends the stroke.
        row("shift at the release", "D10,5 L20,5 ^ U20,5", "(10,5) (20,5)", "10,5,11,1");
        row("release lost", "D10,5 L20,5 D30,5 U30,5", "(10,5) (20,5)|(30,5)", "10,5,11,1 30,5,1,1");
        row("double click", "D10,10 U10,10 C20,12 M25,12 U25,12", "(10,10)|(20,12) (25,12)", "10,10,1,1 20,12,6,1");
        row("undo, redo", "D10,5 U10,5 D20,5 L20,9 U20,9 D30,5 U30,5 undo undo redo", "(10,5)|(20,5) (20,9)|(30,5)", "10,5,1,1 20,5,1,5");
        row("read-out", "m300,150 #60,30 M7,45 #7,45 m-3,319 #0,63", "", "");
        for (const QString tool : { "pen", "eraser", "hand" }) {
            row("ctrl pans, " + tool, tool + " z10 + d300,150 m250,120 r m260,125 u260,125 m200,100 -", "", "", { 280, 135 }, "");
            row("shift, " + tool, tool + " z10 ^ d300,150 m200,100 u200,100", "", "", { 320, 160 }, "");
        }
        // A notch is 120; the wheel turned away from the user enlarges.
        row("wheel at 5", "W-120 =5 W120 =6 W-240 =5", "", "");
        row("wheel at 15", "z14 W240 =15 W120 =15 W-120 =14", "", "", { 320, 160 }, "");
        row("partial notches", "z10 W119 =10 W-119 =10 W180 =11 W-239 =10", "", "", { 320, 160 }, "");
        // The hand drags in two halves, so the limit also holds on the way.
        row("zoom 5 cannot pan", "hand d320,160 m370,185 m420,210 u420,210", "", "");
        row("top left limit", "hand z10 d320,160 m820,660 m1320,1160 u1320,1160", "", "", { 640, 320 }, "lt");
        row("bottom right limit", "hand z10 d320,160 m-180,-340 m-680,-840 u-680,-840", "", "", { 0, 0 }, "rb");
        row("at the left limit", "hand z10 d320,160 m480,160 m640,160 u640,160", "", "", { 640, 160 }, "l");
        row("one short of the limit", "hand z15 d1,1 m640,320 u640,320", "", "", { 959, 479 }, "");
    }
    void gestures()
    {
        QFETCH(QString, script);
        QFETCH(QString, strokes);
        QFETCH(QString, drawn);
        QFETCH(QPoint, centre);
        QFETCH(QString, edges);
        const bool eraser = script.startsWith("eraser");
        t().bitmap().fill(eraser);
        QImage expected = t().bitmap();
        for (const QString& rect : drawn.split(' ', Qt::SkipEmptyParts)) {
            const QStringList n = rect.split(',');
            for (int y = n[1].toInt(); y < n[1].toInt() + n[3].toInt(); ++y)
                for (int x = n[0].toInt(); x < n[0].toInt() + n[2].toInt(); ++x)
                    expected.setPixel(x, y, !eraser);
        }
        for (const QString& stroke : strokes.split('|', Qt::SkipEmptyParts))
            if (!eraser && !script.contains('+'))  // the pen logs the strokes its release commits
                QTest::ignoreMessage(QtDebugMsg, qPrintable("points: " + stroke));
        play(script);
        QCOMPARE(t().bitmap(), expected);
        QStringList history;
        for (const BITMAP_OPERATE& entry : t().history().entries())
            history.prepend(strokeLogLine(entry.points).remove("points: "));
        QCOMPARE(history.join('|'), strokes);
        QVERIFY(t().linePoints().isEmpty());
        QCOMPARE(t().centerPoint(), centre);
        QCOMPARE(t().canvas()->image_pos, centre - QPoint(64, 32) * t().zoom());
        QString shown;
        for (const QString edge : { "left", "right", "top", "bottom" })
            shown += t().child<QWidget>(qPrintable("line_" + edge))->isVisible() ? edge.left(1) : "";
        QCOMPARE(shown, edges);
    }

    void drops_data()
    {
        QTest::addColumn<QString>("name");  // in a folder holding p.bmp, x.JPEG (empty) and p.txt (a PNG)
        QTest::addColumn<QString>("shown"); // what the import shows
        QTest::newRow("bmp") << "p.bmp" << "SelectDialog";
        QTest::newRow("broken JPEG") << "x.JPEG" << "Open file error";
        QTest::newRow("not a picture") << "p.txt" << "";
    }
    // Shift proposes a move; an accepted drop turns it into a copy and reaches
    // the import only after the drop has returned.
    void drops()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QVERIFY(view()->acceptDrops());
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("x.JPEG")).open(QIODevice::WriteOnly));
        QVERIFY(randomBitmap(1).convertToFormat(QImage::Format_RGB32).save(dir.filePath("p.bmp")));
        QVERIFY(randomBitmap(1).save(dir.filePath("p.txt"), "png"));
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(dir.filePath(name)) });
        Answering answer;
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(view(), &enter);
        QCOMPARE(enter.isAccepted(), !shown.isEmpty());
        QDropEvent drop(QPoint(100, 100), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(view(), &drop);
        QCOMPARE(drop.isAccepted(), !shown.isEmpty());
        QCOMPARE(drop.dropAction(), drop.isAccepted() ? Qt::CopyAction : Qt::MoveAction);
        QVERIFY(answer.shown.isEmpty());
        QTest::qWait(50);
        QTRY_COMPARE(answer.shown.join(""), shown);
        QCOMPARE(t().bitmap(), shown == "SelectDialog" ? randomBitmap(1) : newBitmap());
    }
};

QTEST_MAIN(TestCanvasInput)
#include "tst_canvas_input.moc"
