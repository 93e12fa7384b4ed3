// Drawing, panning, zooming and dropping on the main window's canvas, driven
// through the real viewport with real mouse, wheel, key and drag events.
#include "canvasimage.h"
#include "global.h"
#include "mainwindow.h"
#include "stroke.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

class MainWindowTester
{
public:
    explicit MainWindowTester(MainWindow& w) : w(w) {}

    QImage& bitmap() { return w.bitmap; }
    QList<QPoint>& linePoints() { return w.line_points; }
    QList<BITMAP_OPERATE>& history() { return w.history; }
    int historyIndex() const { return w.history_index; }
    QPoint centerPoint() const { return w.center_point; }
    int zoom() const { return w.zoom; }
    TOOL_TYPE tool() const { return w.tool; }
    QPoint lastPoint() const { return w.last_point; }
    QMenu* penMenu() const { return w.pen_menu; }
    QMenu* eraseMenu() const { return w.erase_menu; }
    void refresh() { w.refresh(); }

private:
    MainWindow& w;
};

Q_DECLARE_METATYPE(QList<QPoint>)

namespace {

QStringList debug_lines;
QtMessageHandler previous_handler = nullptr;

void collectMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg)
        debug_lines.append(text);
    if (previous_handler)
        previous_handler(type, context, text);
}

int countSet(const QImage& bitmap)
{
    int n = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            n += bitmap.pixelIndex(x, y);
    return n;
}

int countDifferent(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixelIndex(x, y) != b.pixelIndex(x, y);
    return n;
}

bool isWorkingBitmap(const QImage& image)
{
    return image.format() == QImage::Format_Mono && image.size() == QSize(128, 64)
           && image.colorCount() == 2 && image.color(0) == COLOR_BACK.rgb()
           && image.color(1) == COLOR_FRONT.rgb();
}

// `before` with the side x side square centred on `centre` set to `index`,
// cut at the bitmap's borders.
QImage withSquare(const QImage& before, const QPoint& centre, int side, int index)
{
    QImage expected = before.copy();
    const int half = side / 2;
    for (int y = centre.y() - half; y <= centre.y() + half; ++y)
        for (int x = centre.x() - half; x <= centre.x() + half; ++x)
            if (expected.valid(x, y))
                expected.setPixel(x, y, uint(index));
    return expected;
}

QImage filledBitmap()
{
    QImage bitmap = newBitmap();
    bitmap.fill(1);
    return bitmap;
}

QMouseEvent heldMove(const QPoint& pos)
{
    return QMouseEvent(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
}

QMouseEvent freeMove(const QPoint& pos)
{
    return QMouseEvent(QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
}

} // namespace

class TestCanvasInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void mapping_data();
    void mapping();
    void runMerging_data();
    void runMerging();
    void logLine_data();
    void logLine();
    void dropPathTest_data();
    void dropPathTest();
    void wheelArithmetic_data();
    void wheelArithmetic();

    void viewportTracksAndAcceptsDrops();
    void positionLabels_data();
    void positionLabels();
    void clickDrawsCentredSquare_data();
    void clickDrawsCentredSquare();
    void dragRecordsCorners_data();
    void dragRecordsCorners();
    void strokeLeavingBitmap_data();
    void strokeLeavingBitmap();
    void previewLeavesBitmapUntilRelease();
    void ctrlCommitsMidDrag();
    void ctrlRepeatKeepsPanning();
    void ctrlDragPans_data();
    void ctrlDragPans();
    void wheelZooms_data();
    void wheelZooms();
    void handPanning_data();
    void handPanning();
    void doubleClickStartsNewStroke();
    void shiftDoesNothingOnCanvas();
    void toolButtonMenus_data();
    void toolButtonMenus();
    void drops_data();
    void drops();
    void strokeRedoneWithItsWidth();
    void undoRedoRandomEdits_data();
    void undoRedoRandomEdits();

private:
    MainWindowTester tester() { return MainWindowTester(*window); }
    QWidget* viewport() const { return canvas->viewport(); }
    QPoint cellCentre(const QPoint& pixel);
    void press(const QPoint& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void release(const QPoint& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void moveHeld(const QPoint& pos);
    void ctrlKey(bool press, bool repeat = false);
    void clickButton(const char* name);
    void chooseWidth(const char* prefix, int width);
    void drawStroke(const QList<QPoint>& pixels);

    std::unique_ptr<MainWindow> window;
    BitmapCtrl* canvas = nullptr;
    QSlider* slider = nullptr;
};

void TestCanvasInput::initTestCase()
{
    qRegisterMetaType<QList<QPoint>>();
    previous_handler = qInstallMessageHandler(collectMessages);
}

void TestCanvasInput::init()
{
    debug_lines.clear();
    window.reset(new MainWindow);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    canvas = window->findChild<BitmapCtrl*>(QStringLiteral("graphicsView"));
    slider = window->findChild<QSlider*>(QStringLiteral("verticalSlider"));
    QVERIFY(canvas);
    QVERIFY(slider);
    QCOMPARE(viewport()->size(), QSize(640, 320));
}

void TestCanvasInput::cleanup()
{
    // Leave the application's modifier state clear for the next test.
    QTest::simulateEvent(window.get(), false, Qt::Key_Shift, Qt::NoModifier, QString(), false);
    window.reset();
    canvas = nullptr;
    slider = nullptr;
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()
                || std::none_of(QApplication::topLevelWidgets().cbegin(),
                                QApplication::topLevelWidgets().cend(),
                                [](QWidget* w) { return w->isVisible(); }));
}

// The viewport position of the middle of a bitmap pixel, worked out from the
// bitmap's top-left corner on the canvas.
QPoint TestCanvasInput::cellCentre(const QPoint& pixel)
{
    const int z = tester().zoom();
    const QPoint origin = tester().centerPoint() - QPoint(64 * z, 32 * z);
    return origin + pixel * z + QPoint(z / 2, z / 2);
}

void TestCanvasInput::press(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    QTest::mousePress(viewport(), Qt::LeftButton, modifiers, pos);
}

void TestCanvasInput::release(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseRelease(viewport(), Qt::LeftButton, modifiers, pos);
}

void TestCanvasInput::moveHeld(const QPoint& pos)
{
    QMouseEvent move = heldMove(pos);
    QApplication::sendEvent(viewport(), &move);
}

// One key event as the platform sends it: the Ctrl press already carries the
// Ctrl modifier, its release no longer does.
void TestCanvasInput::ctrlKey(bool press, bool repeat)
{
    QTest::simulateEvent(window.get(), press, Qt::Key_Control,
                         press ? Qt::ControlModifier : Qt::NoModifier, QString(), repeat);
}

void TestCanvasInput::clickButton(const char* name)
{
    QToolButton* button = window->findChild<QToolButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void TestCanvasInput::chooseWidth(const char* prefix, int width)
{
    QAction* action =
        window->findChild<QAction*>(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(width));
    QVERIFY(action);
    action->setChecked(true);
}

void TestCanvasInput::drawStroke(const QList<QPoint>& pixels)
{
    press(cellCentre(pixels.first()));
    for (int i = 1; i < pixels.size(); ++i)
        moveHeld(cellCentre(pixels.at(i)));
    release(cellCentre(pixels.last()));
}

// ---------------------------------------------------------------- pure parts

void TestCanvasInput::mapping_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QPoint>("center");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("pixel");

    // Bitmap left edge at x = 100, top edge at y = 0 (zoom 5, centre 420,160).
    QTest::newRow("left edge, 5 px outside") << QPoint(96, 10) << QPoint(420, 160) << 5 << QPoint(0, 2);
    QTest::newRow("left edge, 1 px outside") << QPoint(99, 10) << QPoint(420, 160) << 5 << QPoint(0, 2);
    QTest::newRow("left edge itself") << QPoint(100, 10) << QPoint(420, 160) << 5 << QPoint(0, 2);
    QTest::newRow("last of column 0") << QPoint(104, 10) << QPoint(420, 160) << 5 << QPoint(0, 2);
    QTest::newRow("first of column 1") << QPoint(105, 10) << QPoint(420, 160) << 5 << QPoint(1, 2);
    QTest::newRow("left edge, 6 px outside") << QPoint(94, 10) << QPoint(420, 160) << 5 << QPoint(-1, 2);
    QTest::newRow("left edge, 5 px outside is -1") << QPoint(95, 10) << QPoint(420, 160) << 5 << QPoint(-1, 2);
    // Top edge at y = 50 and left edge at x = 0 with zoom 7: 64 * 7 / 2 = 224,
    // 128 * 7 / 2 = 448, so the centre is (448, 274).
    QTest::newRow("top edge, 6 px above") << QPoint(0, 44) << QPoint(448, 274) << 7 << QPoint(0, 0);
    QTest::newRow("top edge, 7 px above") << QPoint(6, 43) << QPoint(448, 274) << 7 << QPoint(0, -1);
    QTest::newRow("top edge, 13 px above") << QPoint(-7, 37) << QPoint(448, 274) << 7 << QPoint(-1, -1);
    QTest::newRow("top edge, 14 px above") << QPoint(-13, 36) << QPoint(448, 274) << 7 << QPoint(-1, -2);
    QTest::newRow("first of row 1") << QPoint(0, 57) << QPoint(448, 274) << 7 << QPoint(0, 1);
    QTest::newRow("zoom 5 fills view, 7,12") << QPoint(7, 12) << QPoint(320, 160) << 5 << QPoint(1, 2);
    QTest::newRow("zoom 5, bottom right") << QPoint(639, 319) << QPoint(320, 160) << 5 << QPoint(127, 63);
    QTest::newRow("zoom 5, beyond bottom right") << QPoint(640, 320) << QPoint(320, 160) << 5 << QPoint(128, 64);
    QTest::newRow("zoom 15, centred") << QPoint(320, 160) << QPoint(320, 160) << 15 << QPoint(64, 32);
    QTest::newRow("zoom 15, one left of centre") << QPoint(319, 159) << QPoint(320, 160) << 15 << QPoint(63, 31);
    QTest::newRow("zoom 15, shifted bitmap") << QPoint(0, 0) << QPoint(960, 480) << 15 << QPoint(0, 0);
    QTest::newRow("far right") << QPoint(2000, 160) << QPoint(320, 160) << 10 << QPoint(232, 32);
}

void TestCanvasInput::mapping()
{
    QFETCH(QPoint, pos);
    QFETCH(QPoint, center);
    QFETCH(int, zoom);
    QFETCH(QPoint, pixel);
    QCOMPARE(mapCanvasToBitmap(pos, center, zoom, QSize(128, 64)), pixel);
}

void TestCanvasInput::runMerging_data()
{
    QTest::addColumn<QList<QPoint>>("visits");
    QTest::addColumn<QList<QPoint>>("kept");

    QList<QPoint> right;
    for (int x = 10; x <= 40; ++x)
        right << QPoint(x, 5);
    QTest::newRow("straight right") << right << QList<QPoint>{ { 10, 5 }, { 40, 5 } };

    QList<QPoint> up;
    for (int y = 40; y >= 10; --y)
        up << QPoint(5, y);
    QTest::newRow("straight up") << up << QList<QPoint>{ { 5, 40 }, { 5, 10 } };

    QList<QPoint> there_and_back;
    for (int x = 10; x <= 20; ++x)
        there_and_back << QPoint(x, 5);
    for (int x = 19; x >= 15; --x)
        there_and_back << QPoint(x, 5);
    QTest::newRow("turning back keeps the turn")
        << there_and_back << QList<QPoint>{ { 10, 5 }, { 20, 5 }, { 15, 5 } };

    QList<QPoint> diagonal;
    for (int i = 0; i <= 10; ++i)
        diagonal << QPoint(10 + i, 10 + i);
    QTest::newRow("45 degrees") << diagonal << QList<QPoint>{ { 10, 10 }, { 20, 20 } };

    const QList<QPoint> stairs = { { 0, 0 }, { 1, 0 }, { 2, 1 }, { 3, 1 }, { 4, 2 } };
    QTest::newRow("staircase keeps every step") << stairs << stairs;

    QTest::newRow("collinear jumps merge")
        << QList<QPoint>{ { 0, 0 }, { 2, 1 }, { 4, 2 }, { 8, 4 } }
        << QList<QPoint>{ { 0, 0 }, { 8, 4 } };
    QTest::newRow("repeats are skipped")
        << QList<QPoint>{ { 3, 3 }, { 3, 3 }, { 4, 3 }, { 4, 3 }, { 5, 3 } }
        << QList<QPoint>{ { 3, 3 }, { 5, 3 } };
    QTest::newRow("right then down")
        << QList<QPoint>{ { 1, 1 }, { 2, 1 }, { 3, 1 }, { 3, 2 }, { 3, 3 } }
        << QList<QPoint>{ { 1, 1 }, { 3, 1 }, { 3, 3 } };
    QTest::newRow("reversal on a diagonal")
        << QList<QPoint>{ { 1, 1 }, { 2, 2 }, { 3, 3 }, { 2, 2 } }
        << QList<QPoint>{ { 1, 1 }, { 3, 3 }, { 2, 2 } };
    QTest::newRow("outside the bitmap")
        << QList<QPoint>{ { 2, 10 }, { 0, 10 }, { -2, 10 }, { -4, 10 } }
        << QList<QPoint>{ { 2, 10 }, { -4, 10 } };
    QTest::newRow("single point") << QList<QPoint>{ { 7, 7 } } << QList<QPoint>{ { 7, 7 } };
}

void TestCanvasInput::runMerging()
{
    QFETCH(QList<QPoint>, visits);
    QFETCH(QList<QPoint>, kept);
    QList<QPoint> points;
    for (const QPoint& p : visits) {
        const bool repeat = !points.isEmpty() && points.last() == p;
        QCOMPARE(appendStrokePoint(points, p), !repeat);
    }
    QCOMPARE(points, kept);
}

void TestCanvasInput::logLine_data()
{
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QString>("line");
    QTest::newRow("two") << QList<QPoint>{ { 3, 4 }, { 10, 4 } } << "points: (3,4) (10,4)";
    QTest::newRow("one") << QList<QPoint>{ { 0, 0 } } << "points: (0,0)";
    QTest::newRow("outside") << QList<QPoint>{ { -3, 130 }, { 12, -1 } } << "points: (-3,130) (12,-1)";
}

void TestCanvasInput::logLine()
{
    QFETCH(QList<QPoint>, points);
    QFETCH(QString, line);
    QCOMPARE(strokeLogLine(points), line);
}

void TestCanvasInput::dropPathTest_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("path");

    QTest::newRow("bmp") << QList<QUrl>{ QUrl::fromLocalFile("/tmp/a.bmp") } << "/tmp/a.bmp";
    QTest::newRow("jpg") << QList<QUrl>{ QUrl::fromLocalFile("/tmp/a.jpg") } << "/tmp/a.jpg";
    QTest::newRow("JPEG capitals") << QList<QUrl>{ QUrl::fromLocalFile("/tmp/A.JPEG") } << "/tmp/A.JPEG";
    QTest::newRow("Bmp mixed") << QList<QUrl>{ QUrl::fromLocalFile("/x y/p.Bmp") } << "/x y/p.Bmp";
    QTest::newRow("png") << QList<QUrl>{ QUrl::fromLocalFile("/tmp/a.png") } << QString();
    QTest::newRow("bmp inside name") << QList<QUrl>{ QUrl::fromLocalFile("/tmp/a.bmp.png") } << QString();
    QTest::newRow("folder") << QList<QUrl>{ QUrl::fromLocalFile("/tmp/") } << QString();
    QTest::newRow("no suffix dot") << QList<QUrl>{ QUrl::fromLocalFile("/tmp/abmp") } << QString();
    QTest::newRow("remote") << QList<QUrl>{ QUrl("https://example.org/a.bmp") } << QString();
    QTest::newRow("two files") << QList<QUrl>{ QUrl::fromLocalFile("/tmp/a.bmp"),
                                               QUrl::fromLocalFile("/tmp/b.bmp") }
                               << QString();
    QTest::newRow("none") << QList<QUrl>() << QString();
}

void TestCanvasInput::dropPathTest()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, path);
    QCOMPARE(droppedPicturePath(urls), path);
}

void TestCanvasInput::wheelArithmetic_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("result");

    QTest::newRow("notch down at minimum") << 5 << -120 << 5;
    QTest::newRow("notch up at maximum") << 15 << 120 << 15;
    QTest::newRow("two notches at 14") << 14 << 240 << 15;
    QTest::newRow("two notches down at 6") << 6 << -240 << 5;
    QTest::newRow("partial up") << 10 << 119 << 10;
    QTest::newRow("partial down") << 10 << -119 << 10;
    QTest::newRow("one and a half up") << 10 << 180 << 11;
    QTest::newRow("one up") << 10 << 120 << 11;
    QTest::newRow("one down") << 10 << -120 << 9;
    QTest::newRow("three down") << 10 << -360 << 7;
    QTest::newRow("none") << 10 << 0 << 10;
    QTest::newRow("huge up") << 5 << 120 * 100 << 15;
}

void TestCanvasInput::wheelArithmetic()
{
    QFETCH(int, value);
    QFETCH(int, delta);
    QFETCH(int, result);
    QCOMPARE(wheelZoom(value, delta, 5, 15), result);
}

// ---------------------------------------------------------------- the canvas

void TestCanvasInput::viewportTracksAndAcceptsDrops()
{
    QVERIFY(viewport()->hasMouseTracking());
    QVERIFY(viewport()->acceptDrops());
}

void TestCanvasInput::positionLabels_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");

    QTest::newRow("7,12") << 5 << QPoint(7, 12) << "1" << "2";
    QTest::newRow("origin") << 5 << QPoint(0, 0) << "0" << "0";
    QTest::newRow("bottom right") << 5 << QPoint(639, 319) << "127" << "63";
    QTest::newRow("past bottom right") << 5 << QPoint(645, 325) << "129" << "65";
    QTest::newRow("just above left") << 5 << QPoint(-4, -4) << "0" << "0";
    QTest::newRow("above left") << 5 << QPoint(-5, -11) << "-1" << "-2";
    // Zoom 10 centred: the bitmap's top-left lies at (-320, -160).
    QTest::newRow("zoom 10 origin") << 10 << QPoint(0, 0) << "32" << "16";
    QTest::newRow("zoom 10 centre") << 10 << QPoint(320, 160) << "64" << "32";
}

void TestCanvasInput::positionLabels()
{
    QFETCH(int, zoom);
    QFETCH(QPoint, pos);
    QFETCH(QString, x);
    QFETCH(QString, y);

    slider->setValue(zoom);
    const QImage before = tester().bitmap();
    QMouseEvent move = freeMove(pos);
    QApplication::sendEvent(viewport(), &move);
    QCOMPARE(window->findChild<QLabel*>("label_PosX")->text(), x);
    QCOMPARE(window->findChild<QLabel*>("label_PosY")->text(), y);
    // A move without a button draws nothing, even with the pen.
    QVERIFY(tester().linePoints().isEmpty());
    QCOMPARE(countDifferent(tester().bitmap(), before), 0);
}

void TestCanvasInput::clickDrawsCentredSquare_data()
{
    QTest::addColumn<bool>("eraser");
    QTest::addColumn<int>("width");
    QTest::addColumn<QPoint>("pixel");

    for (int width : { 1, 3, 5, 7, 9 }) {
        QTest::addRow("pen %d", width) << false << width << QPoint(20, 30);
        QTest::addRow("eraser %d", width) << true << width << QPoint(100, 11);
    }
    QTest::newRow("pen 9 at the corner") << false << 9 << QPoint(0, 0);
    QTest::newRow("eraser 3 at bottom right") << true << 3 << QPoint(127, 63);
}

void TestCanvasInput::clickDrawsCentredSquare()
{
    QFETCH(bool, eraser);
    QFETCH(int, width);
    QFETCH(QPoint, pixel);

    if (eraser) {
        tester().bitmap() = filledBitmap();
        clickButton("toolButton_3");
        chooseWidth("action_erasesize_", width);
    } else {
        clickButton("toolButton_2");
        chooseWidth("action_pensize_", width);
    }
    const QImage before = tester().bitmap();
    debug_lines.clear();

    press(cellCentre(pixel));
    release(cellCentre(pixel));

    const QImage& after = tester().bitmap();
    QVERIFY(isWorkingBitmap(after));
    QCOMPARE(countDifferent(after, withSquare(before, pixel, width, eraser ? 0 : 1)), 0);
    QVERIFY(countDifferent(after, before) > 0);
    QVERIFY(tester().linePoints().isEmpty());
    QCOMPARE(tester().lastPoint(), INVALID_POINT);

    QCOMPARE(tester().history().size(), 1);
    const BITMAP_OPERATE& entry = tester().history().first();
    QCOMPARE(entry.type, eraser ? OPERATE_ERASE : OPERATE_PEN);
    QCOMPARE(entry.param, width);
    QCOMPARE(entry.points, QList<QPoint>{ pixel });
    QCOMPARE(countDifferent(entry.image, before), 0);

    const QString log = QStringLiteral("points: (%1,%2)").arg(pixel.x()).arg(pixel.y());
    QCOMPARE(debug_lines.contains(log), !eraser);
    QCOMPARE(viewport()->cursor().shape(), Qt::CrossCursor);
}

void TestCanvasInput::dragRecordsCorners_data()
{
    QTest::addColumn<bool>("eraser");
    QTest::addColumn<QList<QPoint>>("visits");
    QTest::addColumn<QList<QPoint>>("kept");

    QList<QPoint> right;
    for (int x = 10; x <= 40; ++x)
        right << QPoint(x, 5);
    const QList<QPoint> right_ends = { { 10, 5 }, { 40, 5 } };
    QTest::newRow("pen straight right") << false << right << right_ends;
    QTest::newRow("eraser straight right") << true << right << right_ends;

    QList<QPoint> turn;
    for (int x = 10; x <= 20; ++x)
        turn << QPoint(x, 5);
    for (int x = 19; x >= 12; --x)
        turn << QPoint(x, 5);
    QTest::newRow("pen turn") << false << turn << QList<QPoint>{ { 10, 5 }, { 20, 5 }, { 12, 5 } };

    QList<QPoint> diagonal;
    for (int i = 0; i <= 12; ++i)
        diagonal << QPoint(30 + i, 40 - i);
    QTest::newRow("pen diagonal") << false << diagonal << QList<QPoint>{ { 30, 40 }, { 42, 28 } };

    const QList<QPoint> stairs = { { 50, 20 }, { 51, 20 }, { 52, 21 }, { 53, 21 }, { 54, 22 } };
    QTest::newRow("pen staircase") << false << stairs << stairs;

    QTest::newRow("eraser L shape")
        << true << QList<QPoint>{ { 60, 10 }, { 61, 10 }, { 62, 10 }, { 62, 11 }, { 62, 12 } }
        << QList<QPoint>{ { 60, 10 }, { 62, 10 }, { 62, 12 } };
}

// Every move is followed by a second one inside the same pixel, which must
// add nothing and leave the drag's last position where it was.
void TestCanvasInput::dragRecordsCorners()
{
    QFETCH(bool, eraser);
    QFETCH(QList<QPoint>, visits);
    QFETCH(QList<QPoint>, kept);

    if (eraser) {
        tester().bitmap() = filledBitmap();
        clickButton("toolButton_3");
    }
    const QImage before = tester().bitmap();
    debug_lines.clear();

    press(cellCentre(visits.first()));
    for (const QPoint& pixel : visits) {
        const QPoint pos = cellCentre(pixel);
        moveHeld(pos);
        const QList<QPoint> so_far = tester().linePoints();
        QCOMPARE(so_far.last(), pixel);
        moveHeld(pos + QPoint(1, 1));
        QCOMPARE(tester().linePoints(), so_far);
        QCOMPARE(tester().lastPoint(), pos);
    }
    QCOMPARE(tester().linePoints(), kept);
    release(cellCentre(visits.last()));

    QCOMPARE(tester().history().size(), 1);
    QCOMPARE(tester().history().first().points, kept);
    QCOMPARE(tester().history().first().type, eraser ? OPERATE_ERASE : OPERATE_PEN);

    // Width 1 through neighbouring pixels touches exactly the pixels visited.
    QImage expected = before.copy();
    for (const QPoint& pixel : visits)
        expected.setPixel(pixel, eraser ? 0 : 1);
    QCOMPARE(countDifferent(tester().bitmap(), expected), 0);

    bool logged = false;
    for (const QString& line : qAsConst(debug_lines))
        logged = logged || line.startsWith(QLatin1String("points:"));
    QCOMPARE(logged, !eraser);
    if (!eraser) {
        QStringList parts;
        for (const QPoint& p : kept)
            parts << QStringLiteral("(%1,%2)").arg(p.x()).arg(p.y());
        QVERIFY(debug_lines.contains(QStringLiteral("points: ") + parts.join(' ')));
    }
}

void TestCanvasInput::strokeLeavingBitmap_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");  // viewport position, zoom 5, bitmap filling the view
    QTest::addColumn<QPoint>("outside");
    QTest::addColumn<QRect>("drawn");

    QTest::newRow("out left") << QPoint(3, 10) << QPoint(-22, 52) << QPoint(-4, 10) << QRect(0, 10, 4, 1);
    QTest::newRow("out right") << QPoint(125, 20) << QPoint(652, 102) << QPoint(130, 20) << QRect(125, 20, 3, 1);
    QTest::newRow("out top") << QPoint(50, 1) << QPoint(252, -12) << QPoint(50, -2) << QRect(50, 0, 1, 2);
    QTest::newRow("out bottom") << QPoint(70, 61) << QPoint(352, 341) << QPoint(70, 68) << QRect(70, 61, 1, 3);
}

void TestCanvasInput::strokeLeavingBitmap()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QPoint, outside);
    QFETCH(QRect, drawn);

    press(cellCentre(from));
    moveHeld(to);
    release(to);

    QCOMPARE(tester().history().size(), 1);
    QCOMPARE(tester().history().first().points, (QList<QPoint>{ from, outside }));
    const QImage& after = tester().bitmap();
    QVERIFY(isWorkingBitmap(after));
    QCOMPARE(countSet(after), drawn.width() * drawn.height());
    for (int y = drawn.top(); y <= drawn.bottom(); ++y)
        for (int x = drawn.left(); x <= drawn.right(); ++x)
            QCOMPARE(after.pixelIndex(x, y), 1);
}

void TestCanvasInput::previewLeavesBitmapUntilRelease()
{
    chooseWidth("action_pensize_", 3);
    const QPoint a(30, 20), b(40, 20);
    press(cellCentre(a));
    moveHeld(cellCentre(b));

    QCOMPARE(countSet(tester().bitmap()), 0);
    QVERIFY(tester().history().isEmpty());
    // The canvas shows the stroke: the middle of a cell on the line is dark.
    const QImage& shown = canvas->image;
    const QPoint on_line = cellCentre(QPoint(35, 21)) - canvas->image_pos;
    const QPoint off_line = cellCentre(QPoint(35, 23)) - canvas->image_pos;
    QCOMPARE(shown.pixel(on_line), CANVAS_SET);
    QCOMPARE(shown.pixel(off_line), CANVAS_CLEAR);

    // A wider pen chosen mid-stroke applies to the preview at the next refresh.
    chooseWidth("action_pensize_", 7);
    tester().refresh();
    QCOMPARE(canvas->image.pixel(off_line), CANVAS_SET);

    release(cellCentre(b));
    QCOMPARE(countSet(tester().bitmap()), 11 * 7 + 6 * 7);
    QCOMPARE(tester().history().first().param, 7);
}

void TestCanvasInput::ctrlCommitsMidDrag()
{
    chooseWidth("action_pensize_", 3);
    const QPoint a(10, 10), b(30, 10), c(30, 40);
    press(cellCentre(a));
    moveHeld(cellCentre(b));
    QCOMPARE(tester().linePoints(), (QList<QPoint>{ a, b }));

    ctrlKey(true);
    QCOMPARE(QGuiApplication::keyboardModifiers(), Qt::ControlModifier);
    QCOMPARE(tester().history().size(), 1);
    QCOMPARE(tester().history().first().points, (QList<QPoint>{ a, b }));
    QCOMPARE(tester().history().first().param, 3);
    QVERIFY(tester().linePoints().isEmpty());
    QCOMPARE(tester().lastPoint(), INVALID_POINT);
    QCOMPARE(viewport()->cursor().shape(), Qt::OpenHandCursor);
    const QImage committed = tester().bitmap();
    QCOMPARE(countSet(committed), 21 * 3 + 2 * 3);

    // The drag is over: moving on with the button held neither draws nor pans.
    const QPoint centre = tester().centerPoint();
    moveHeld(cellCentre(c));
    ctrlKey(false);
    QCOMPARE(viewport()->cursor().shape(), Qt::CrossCursor);
    moveHeld(cellCentre(c + QPoint(5, 5)));
    release(cellCentre(c + QPoint(5, 5)));
    QCOMPARE(tester().centerPoint(), centre);
    QCOMPARE(countDifferent(tester().bitmap(), committed), 0);
    QCOMPARE(tester().history().size(), 1);
}

void TestCanvasInput::ctrlRepeatKeepsPanning()
{
    slider->setValue(10);
    ctrlKey(true);
    press(QPoint(300, 150), Qt::ControlModifier);
    moveHeld(QPoint(290, 150));
    ctrlKey(true, true);
    moveHeld(QPoint(280, 140));
    QCOMPARE(tester().centerPoint(), QPoint(300, 150));
    release(QPoint(280, 140), Qt::ControlModifier);
    ctrlKey(false);
}

void TestCanvasInput::ctrlDragPans_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<Qt::CursorShape>("after_ctrl_release");
    QTest::newRow("pen") << "toolButton_2" << Qt::CrossCursor;
    QTest::newRow("eraser") << "toolButton_3" << Qt::CrossCursor;
    QTest::newRow("hand") << "toolButton_1" << Qt::ClosedHandCursor;
}

void TestCanvasInput::ctrlDragPans()
{
    QFETCH(QString, button);
    QFETCH(Qt::CursorShape, after_ctrl_release);

    clickButton(qPrintable(button));
    slider->setValue(10);
    QCOMPARE(tester().centerPoint(), QPoint(320, 160));
    const QImage before = tester().bitmap();

    ctrlKey(true);
    QCOMPARE(viewport()->cursor().shape(), Qt::OpenHandCursor);
    press(QPoint(300, 150), Qt::ControlModifier);
    moveHeld(QPoint(250, 120));
    QCOMPARE(tester().centerPoint(), QPoint(270, 130));
    QCOMPARE(canvas->image_pos, QPoint(270 - 640, 130 - 320));
    moveHeld(QPoint(260, 125));
    QCOMPARE(tester().centerPoint(), QPoint(280, 135));

    // Releasing the button first ends the pan with the open hand.
    release(QPoint(260, 125), Qt::ControlModifier);
    QCOMPARE(tester().lastPoint(), INVALID_POINT);
    QCOMPARE(viewport()->cursor().shape(), Qt::OpenHandCursor);
    moveHeld(QPoint(200, 100));
    QCOMPARE(tester().centerPoint(), QPoint(280, 135));

    ctrlKey(false);
    QCOMPARE(viewport()->cursor().shape(), after_ctrl_release);
    QVERIFY(tester().linePoints().isEmpty());
    QVERIFY(tester().history().isEmpty());
    QCOMPARE(countDifferent(tester().bitmap(), before), 0);
}

void TestCanvasInput::wheelZooms_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("expected");

    QTest::newRow("towards the user at 5") << 5 << -120 << 5;
    QTest::newRow("away at 15") << 15 << 120 << 15;
    QTest::newRow("two notches at 14") << 14 << 240 << 15;
    QTest::newRow("two notches down at 6") << 6 << -240 << 5;
    QTest::newRow("one notch away at 5") << 5 << 120 << 6;
    QTest::newRow("one notch towards at 15") << 15 << -120 << 14;
    QTest::newRow("partial away") << 10 << 90 << 10;
    QTest::newRow("partial towards") << 10 << -90 << 10;
    QTest::newRow("three notches towards") << 12 << -360 << 9;
}

void TestCanvasInput::wheelZooms()
{
    QFETCH(int, start);
    QFETCH(int, delta);
    QFETCH(int, expected);

    slider->setValue(start);
    QCOMPARE(tester().zoom(), start);
    const QPoint pos(100, 100);
    QWheelEvent wheel(pos, viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QVERIFY(QApplication::sendEvent(viewport(), &wheel));
    QCOMPARE(slider->value(), expected);
    QCOMPARE(tester().zoom(), expected);
    QCOMPARE(canvas->image.size(), QSize(128 * expected, 64 * expected));
}

void TestCanvasInput::handPanning_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("right");
    QTest::addColumn<bool>("top");
    QTest::addColumn<bool>("bottom");

    QTest::newRow("zoom 5 cannot move") << 5 << QPoint(100, 50) << QPoint(320, 160) << true << true << true << true;
    QTest::newRow("zoom 10 inside") << 10 << QPoint(-100, 40) << QPoint(220, 200) << false << false << false << false;
    QTest::newRow("zoom 10 to top left limit") << 10 << QPoint(1000, 1000) << QPoint(640, 320) << true << false << true << false;
    QTest::newRow("zoom 10 to bottom right limit") << 10 << QPoint(-1000, -1000) << QPoint(0, 0) << false << true << false << true;
    QTest::newRow("zoom 10 exactly at left limit") << 10 << QPoint(320, 0) << QPoint(640, 160) << true << false << false << false;
    QTest::newRow("zoom 15 top right") << 15 << QPoint(2000, -2000) << QPoint(960, -160) << true << false << false << true;
    QTest::newRow("zoom 15 one short of limit") << 15 << QPoint(639, 319) << QPoint(959, 479) << false << false << false << false;
    QTest::newRow("zoom 7 small move") << 7 << QPoint(5, -3) << QPoint(325, 157) << false << false << false << false;
    QTest::newRow("zoom 7 far left") << 7 << QPoint(-500, 0) << QPoint(192, 160) << false << true << false << false;
}

void TestCanvasInput::handPanning()
{
    QFETCH(int, zoom);
    QFETCH(QPoint, drag);
    QFETCH(QPoint, centre);
    QFETCH(bool, left);
    QFETCH(bool, right);
    QFETCH(bool, top);
    QFETCH(bool, bottom);

    clickButton("toolButton_1");
    QCOMPARE(tester().tool(), TOOL_MOVE);
    QCOMPARE(viewport()->cursor().shape(), Qt::OpenHandCursor);
    slider->setValue(zoom);
    QCOMPARE(tester().centerPoint(), QPoint(320, 160));

    const QPoint start(320, 160);
    press(start);
    QCOMPARE(viewport()->cursor().shape(), Qt::ClosedHandCursor);
    // Two halves, so the limit also holds on the way.
    moveHeld(start + drag / 2);
    moveHeld(start + drag);
    QCOMPARE(tester().centerPoint(), centre);
    QCOMPARE(canvas->image_pos, centre - QPoint(64 * zoom, 32 * zoom));
    release(start + drag);
    QCOMPARE(viewport()->cursor().shape(), Qt::OpenHandCursor);

    QCOMPARE(!window->findChild<QWidget*>("line_left")->isHidden(), left);
    QCOMPARE(!window->findChild<QWidget*>("line_right")->isHidden(), right);
    QCOMPARE(!window->findChild<QWidget*>("line_top")->isHidden(), top);
    QCOMPARE(!window->findChild<QWidget*>("line_bottom")->isHidden(), bottom);
    QCOMPARE(countSet(tester().bitmap()), 0);
    QVERIFY(tester().history().isEmpty());
}

void TestCanvasInput::doubleClickStartsNewStroke()
{
    const QPoint a(10, 10), b(20, 12), c(25, 12);
    press(cellCentre(a));
    release(cellCentre(a));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, cellCentre(b), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QVERIFY(QApplication::sendEvent(viewport(), &dbl));
    QCOMPARE(tester().linePoints(), QList<QPoint>{ b });
    QCOMPARE(tester().history().size(), 1);
    moveHeld(cellCentre(c));
    release(cellCentre(c));
    QCOMPARE(tester().history().size(), 2);
    QCOMPARE(tester().history().first().points, (QList<QPoint>{ b, c }));
    QCOMPARE(tester().history().last().points, QList<QPoint>{ a });

    // QTest's double click on a widget is the double-click event alone.
    const QPoint d(60, 30);
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(d));
    QCOMPARE(tester().linePoints(), QList<QPoint>{ d });
    QCOMPARE(tester().history().size(), 2);
    release(cellCentre(d));
    QCOMPARE(tester().history().size(), 3);
    QCOMPARE(tester().history().first().points, QList<QPoint>{ d });
    QCOMPARE(tester().bitmap().pixelIndex(60, 30), 1);
}

void TestCanvasInput::shiftDoesNothingOnCanvas()
{
    for (const char* tool : { "toolButton_2", "toolButton_3", "toolButton_1" }) {
        clickButton(tool);
        const QPoint centre = tester().centerPoint();
        const Qt::CursorShape cursor = viewport()->cursor().shape();
        press(cellCentre(QPoint(40, 40)), Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::keyboardModifiers(), Qt::ShiftModifier);
        QCOMPARE(tester().lastPoint(), INVALID_POINT);
        moveHeld(cellCentre(QPoint(60, 40)));
        release(cellCentre(QPoint(60, 40)), Qt::ShiftModifier);
        QVERIFY(tester().linePoints().isEmpty());
        QVERIFY(tester().history().isEmpty());
        QCOMPARE(tester().centerPoint(), centre);
        QCOMPARE(viewport()->cursor().shape(), cursor);
    }
    QCOMPARE(countSet(tester().bitmap()), 0);
}

void TestCanvasInput::toolButtonMenus_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("menu");  // 0 none, 1 pen, 2 eraser

    QTest::newRow("pen right") << "toolButton_2" << Qt::MouseButtons(Qt::RightButton) << Qt::KeyboardModifiers() << 1;
    QTest::newRow("eraser right") << "toolButton_3" << Qt::MouseButtons(Qt::RightButton) << Qt::KeyboardModifiers() << 2;
    QTest::newRow("pen right with shift") << "toolButton_2" << Qt::MouseButtons(Qt::RightButton) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 0;
    QTest::newRow("eraser right with ctrl") << "toolButton_3" << Qt::MouseButtons(Qt::RightButton) << Qt::KeyboardModifiers(Qt::ControlModifier) << 0;
    QTest::newRow("pen left") << "toolButton_2" << Qt::MouseButtons(Qt::LeftButton) << Qt::KeyboardModifiers() << 0;
    QTest::newRow("hand right") << "toolButton_1" << Qt::MouseButtons(Qt::RightButton) << Qt::KeyboardModifiers() << 0;
}

void TestCanvasInput::toolButtonMenus()
{
    QFETCH(QString, button);
    QFETCH(Qt::MouseButtons, buttons);
    const Qt::MouseButton mouse = Qt::MouseButton(int(buttons));
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, menu);

    QWidget* popup = nullptr;
    QTimer::singleShot(100, [&popup] {
        popup = QApplication::activePopupWidget();
        if (popup)
            popup->close();
    });
    QToolButton* target = window->findChild<QToolButton*>(button);
    QTest::mousePress(target, mouse, modifiers, QPoint(10, 10));
    QTest::mouseRelease(target, mouse, modifiers, QPoint(10, 10));
    QTest::qWait(200);

    QWidget* wanted = menu == 1 ? static_cast<QWidget*>(tester().penMenu())
                    : menu == 2 ? static_cast<QWidget*>(tester().eraseMenu())
                                : nullptr;
    QCOMPARE(popup, wanted);
}

void TestCanvasInput::drops_data()
{
    QTest::addColumn<QStringList>("names");  // files made in a temporary folder
    QTest::addColumn<bool>("pictures");      // real pictures, or garbage
    QTest::addColumn<QStringList>("urls");   // as dragged; %1 is the folder
    QTest::addColumn<QStringList>("shown");  // what the import shows, in order

    const QStringList error{ QStringLiteral("Open file error") };
    const QStringList selection{ QStringLiteral("SelectDialog") };
    QTest::newRow("one bad bmp") << QStringList{ "x.bmp" } << false << QStringList{ "file://%1/x.bmp" } << error;
    QTest::newRow("one bad jpg") << QStringList{ "x.jpg" } << false << QStringList{ "file://%1/x.jpg" } << error;
    QTest::newRow("one bad JPEG") << QStringList{ "x.JPEG" } << false << QStringList{ "file://%1/x.JPEG" } << error;
    QTest::newRow("one good bmp") << QStringList{ "p.bmp" } << true << QStringList{ "file://%1/p.bmp" } << selection;
    QTest::newRow("one good JPEG") << QStringList{ "P.JPEG" } << true << QStringList{ "file://%1/P.JPEG" } << selection;
    QTest::newRow("two files") << QStringList{ "a.bmp", "b.bmp" } << true
                               << QStringList{ "file://%1/a.bmp", "file://%1/b.bmp" } << QStringList();
    QTest::newRow("folder") << QStringList() << false << QStringList{ "file://%1/" } << QStringList();
    QTest::newRow("remote") << QStringList() << false << QStringList{ "https://example.org/x.bmp" } << QStringList();
    QTest::newRow("png") << QStringList{ "x.png" } << true << QStringList{ "file://%1/x.png" } << QStringList();
    QTest::newRow("no urls") << QStringList() << false << QStringList() << QStringList();
}

// A dropped file must reach the import, which reports garbage or opens the
// selection dialog (cancelled here); anything else is refused without a word.
void TestCanvasInput::drops()
{
    QFETCH(QStringList, names);
    QFETCH(bool, pictures);
    QFETCH(QStringList, urls);
    QFETCH(QStringList, shown);
    const bool accepted = !shown.isEmpty();

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString& name : names) {
        if (pictures) {
            QImage picture(40, 30, QImage::Format_RGB32);
            picture.fill(Qt::darkBlue);
            const QByteArray format = name.endsWith(QLatin1String(".png")) ? "PNG" : "BMP";
            QVERIFY(picture.save(dir.filePath(name), format.constData()));
        } else {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a picture");
        }
    }
    QMimeData mime;
    QList<QUrl> list;
    for (const QString& url : urls)
        list << QUrl(url.contains(QLatin1String("%1")) ? url.arg(dir.path()) : url);
    if (list.isEmpty())
        mime.setText(QStringLiteral("just text"));
    else
        mime.setUrls(list);

    const QImage before = tester().bitmap();
    const QPoint pos(100, 100);
    QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport(), &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(enter.dropAction(), Qt::CopyAction);

    QStringList seen;
    QTimer watcher;
    watcher.setInterval(20);
    connect(&watcher, &QTimer::timeout, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (QMessageBox* box = qobject_cast<QMessageBox*>(modal)) {
            seen << box->text();
            box->reject();
        } else if (QDialog* dialog = qobject_cast<QDialog*>(modal)) {
            seen << QString::fromLatin1(dialog->metaObject()->className());
            dialog->reject();
        }
    });
    watcher.start();

    QDropEvent drop(pos, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &drop);
    QCOMPARE(drop.isAccepted(), accepted);
    // The import starts only once the drop has returned.
    QVERIFY(seen.isEmpty());
    QTest::qWait(400);
    watcher.stop();

    QCOMPARE(seen, shown);
    QCOMPARE(countDifferent(tester().bitmap(), before), 0);
    QVERIFY(tester().history().isEmpty());
}

void TestCanvasInput::strokeRedoneWithItsWidth()
{
    chooseWidth("action_pensize_", 5);
    drawStroke({ QPoint(20, 20), QPoint(40, 20) });
    const QImage drawn = tester().bitmap();
    QCOMPARE(countSet(drawn), 21 * 5 + 4 * 5);

    chooseWidth("action_pensize_", 1);
    clickButton("toolButton_9");
    QCOMPARE(countSet(tester().bitmap()), 0);
    clickButton("toolButton_10");
    QCOMPARE(countDifferent(tester().bitmap(), drawn), 0);
}

void TestCanvasInput::undoRedoRandomEdits_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : { 1u, 7u, 42u, 2024u, 99991u })
        QTest::addRow("seed %u", seed) << seed;
}

// Random pen and eraser strokes of random widths mixed with invert and the
// flips, all through the real controls; then undo everything and redo
// everything, comparing with the state after each step.
void TestCanvasInput::undoRedoRandomEdits()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    const int widths[] = { 1, 3, 5, 7, 9 };

    QList<QImage> states{ tester().bitmap() };
    const int steps = 24;
    for (int step = 0; step < steps; ++step) {
        const int kind = rng.bounded(10);
        if (kind < 4) {
            clickButton("toolButton_2");
            chooseWidth("action_pensize_", widths[rng.bounded(5)]);
        } else if (kind < 7) {
            clickButton("toolButton_3");
            chooseWidth("action_erasesize_", widths[rng.bounded(5)]);
        } else {
            const char* buttons[] = { "toolButton_4", "toolButton_7", "toolButton_8" };
            clickButton(buttons[kind - 7]);
            states << tester().bitmap();
            continue;
        }
        QList<QPoint> pixels;
        const int n = 1 + rng.bounded(6);
        for (int i = 0; i < n; ++i)
            pixels << QPoint(rng.bounded(-4, 132), rng.bounded(-4, 68));
        drawStroke(pixels);
        // The next stroke's width must not leak into the redo of this one.
        chooseWidth("action_pensize_", widths[rng.bounded(5)]);
        chooseWidth("action_erasesize_", widths[rng.bounded(5)]);
        states << tester().bitmap();
    }
    QCOMPARE(tester().history().size(), steps);
    QVERIFY(countDifferent(states.first(), states.last()) > 0);

    for (int i = steps - 1; i >= 0; --i) {
        clickButton("toolButton_9");
        QCOMPARE(countDifferent(tester().bitmap(), states.at(i)), 0);
    }
    clickButton("toolButton_9");
    QCOMPARE(countDifferent(tester().bitmap(), states.first()), 0);
    for (int i = 1; i <= steps; ++i) {
        clickButton("toolButton_10");
        QCOMPARE(countDifferent(tester().bitmap(), states.at(i)), 0);
    }
    QVERIFY(isWorkingBitmap(tester().bitmap()));
}

QTEST_MAIN(TestCanvasInput)
#include "tst_canvas_input.moc"
