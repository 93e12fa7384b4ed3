// The main window as a user first meets it: start state, zoom, tools, width
// menus, shortcuts and closing.
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>

namespace {

struct ShownWindow
{
    ShownWindow()
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    MainWindow window;
    MainWindowTester t { window };
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { forgetSettings(); }
    void startState();
    void zoomButtons_data();
    void zoomButtons();
    void placementAndEdgeLines_data();
    void placementAndEdgeLines();
    void tools_data();
    void tools();
    void widthMenus();
    void undoRedoShortcuts_data();
    void undoRedoShortcuts();
    void closeButtonEndsEventLoop();
};

void TestMainWindow::startState()
{
    QTest::ignoreMessage(QtDebugMsg, "center_point:(320,160) image size:(640,320)");
    ShownWindow s;
    MainWindowTester& t = s.t;
    QCOMPARE(s.window.size(), QSize(1080, 667));
    QCOMPARE(s.window.maximumSize(), QSize(1080, 667));
    QVERIFY(s.window.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(t.zoom(), 5);
    QCOMPARE(t.tool(), TOOL_PEN);
    QCOMPARE(t.penSize(), 1);
    QCOMPARE(t.eraseSize(), 1);
    QVERIFY(t.child<QToolButton>("toolButton_2")->isChecked());
    QVERIFY(t.bitmap().format() == QImage::Format_Mono && t.bitmap().size() == QSize(128, 64));

    // The clear bitmap fills the 640 x 320 canvas exactly, grid and all.
    QCOMPARE(t.viewport()->size(), QSize(640, 320));
    QCOMPARE(t.canvas()->image_pos, QPoint(0, 0));
    const QImage shot = t.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.pixel(0, 0), qRgb(139, 165, 156));
    QCOMPARE(shot.pixel(639, 319), qRgb(139, 165, 156));
    QCOMPARE(shot.pixel(635, 100), COLOR_GRID.rgb());

    QCOMPARE(t.child<QLabel>("label_PosX")->font().pixelSize(), 18);
    QComboBox* combo = t.child<QComboBox>("comboBox");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("English"));
    QCOMPARE(language_suffix, QStringLiteral("EN"));
    QCOMPARE(t.child<QToolButton>("saveCCodeButton")->styleSheet(),
             qss_button.arg(QStringLiteral("SaveAsCode"), QStringLiteral("EN")));
}

void TestMainWindow::zoomButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("expected");
    // The upper button enlarges the cells, the lower one shrinks them.
    QTest::newRow("upper five times") << "zoominButton" << 5 << 5 << 10;
    QTest::newRow("upper stops at 15") << "zoominButton" << 13 << 4 << 15;
    QTest::newRow("lower stops at 5") << "zoomoutButton" << 6 << 3 << 5;
    QTest::newRow("lower three times") << "zoomoutButton" << 12 << 3 << 9;
}

void TestMainWindow::zoomButtons()
{
    QFETCH(QString, button);
    QFETCH(int, start);
    QFETCH(int, presses);
    QFETCH(int, expected);
    ShownWindow s;
    s.t.child<QSlider>("verticalSlider")->setValue(start);
    for (int i = 0; i < presses; ++i)
        QTest::mouseClick(s.window.findChild<QToolButton*>(button), Qt::LeftButton);
    QCOMPARE(s.t.zoom(), expected);
    QCOMPARE(s.t.canvas()->image.size(), QSize(128 * expected, 64 * expected));
}

void TestMainWindow::placementAndEdgeLines_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<QPoint>("placed");
    QTest::addColumn<QString>("lines"); // visible of left, right, top, bottom
    QTest::newRow("zoom 5") << 5 << QPoint(0, 0) << QPoint(320, 160) << "lrtb";
    QTest::newRow("zoom 10 centred") << 10 << QPoint(320, 160) << QPoint(320, 160) << "";
    QTest::newRow("zoom 10 top left") << 10 << QPoint(2000, 2000) << QPoint(640, 320) << "lt";
    QTest::newRow("zoom 10 bottom right") << 10 << QPoint(-9, -9) << QPoint(0, 0) << "rb";
    QTest::newRow("zoom 15 one short") << 15 << QPoint(959, 479) << QPoint(959, 479) << "";
}

void TestMainWindow::placementAndEdgeLines()
{
    QFETCH(int, zoom);
    QFETCH(QPoint, centre);
    QFETCH(QPoint, placed);
    QFETCH(QString, lines);
    ShownWindow s;
    s.t.centerPoint() = centre;
    s.t.child<QSlider>("verticalSlider")->setValue(zoom);
    s.t.moveBitmap();
    QCOMPARE(s.t.centerPoint(), placed);
    QCOMPARE(s.t.canvas()->image_pos, placed - QPoint(64 * zoom, 32 * zoom));
    QCOMPARE(s.t.child<QFrame>("line_left")->isVisible(), lines.contains('l'));
    QCOMPARE(s.t.child<QFrame>("line_right")->isVisible(), lines.contains('r'));
    QCOMPARE(s.t.child<QFrame>("line_top")->isVisible(), lines.contains('t'));
    QCOMPARE(s.t.child<QFrame>("line_bottom")->isVisible(), lines.contains('b'));
}

void TestMainWindow::tools_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("cursor");
    QTest::newRow("hand") << QStringList{ "toolButton_1" } << int(TOOL_MOVE) << int(Qt::OpenHandCursor);
    QTest::newRow("eraser twice") << QStringList{ "toolButton_3", "toolButton_3" } << int(TOOL_ERASE)
                                  << int(Qt::CrossCursor);
    QTest::newRow("hand then pen") << QStringList{ "toolButton_1", "toolButton_2" } << int(TOOL_PEN)
                                   << int(Qt::CrossCursor);
    QTest::newRow("pen clicked again") << QStringList{ "toolButton_2" } << int(TOOL_PEN) << int(Qt::CrossCursor);
}

// Exactly one tool button checked, and a right click on the canvas shows the
// width menu of the current tool (none for the hand).
void TestMainWindow::tools()
{
    QFETCH(QStringList, clicks);
    QFETCH(int, tool);
    QFETCH(int, cursor);
    ShownWindow s;
    for (const QString& name : clicks)
        QTest::mouseClick(s.window.findChild<QToolButton*>(name), Qt::LeftButton);
    QCOMPARE(int(s.t.tool()), tool);
    const char* buttons[] = { "toolButton_1", "toolButton_2", "toolButton_3" };
    for (int i = 0; i < 3; ++i)
        QCOMPARE(s.t.child<QToolButton>(buttons[i])->isChecked(), i == tool);
    QCOMPARE(int(s.t.viewport()->cursor().shape()), cursor);

    QWidget* shown = nullptr;
    whenModal([&shown](QWidget* popup) {
        shown = popup;
        popup->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 100), s.t.viewport()->mapToGlobal(QPoint(100, 100)));
    QApplication::sendEvent(s.t.viewport(), &event);
    QTest::qWait(50);
    QMenu* expected = tool == TOOL_PEN ? s.t.penMenu() : tool == TOOL_ERASE ? s.t.eraseMenu() : nullptr;
    QCOMPARE(shown, static_cast<QWidget*>(expected));
}

void TestMainWindow::widthMenus()
{
    MainWindow window;
    MainWindowTester t(window);
    QCOMPARE(t.penMenu()->actions().size(), 5);
    t.child<QAction>("action_erasesize_7")->trigger();
    QTest::mouseClick(t.child<QToolButton>("toolButton_2"), Qt::LeftButton);
    t.child<QAction>("action_pensize_9")->trigger();
    t.child<QAction>("action_pensize_5")->trigger();
    QCOMPARE(t.penSize(), 5);
    QCOMPARE(t.eraseSize(), 7);
    // Each menu is exclusive; unchecking the current width by hand keeps it.
    QVERIFY(!t.child<QAction>("action_pensize_9")->isChecked());
    t.child<QAction>("action_pensize_5")->setChecked(false);
    QCOMPARE(t.penSize(), 5);
}

void TestMainWindow::undoRedoShortcuts_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("button");
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << "toolButton_9";
    QTest::newRow("Ctrl+Y") << int(Qt::Key_Y) << "toolButton_10";
}

void TestMainWindow::undoRedoShortcuts()
{
    QFETCH(int, key);
    QFETCH(QString, button);
    ShownWindow s;
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QSignalSpy clicked(s.window.findChild<QToolButton*>(button), &QToolButton::clicked);
    QTest::keyClick(s.window.windowHandle(), Qt::Key(key), Qt::ControlModifier);
    QTRY_COMPARE(clicked.count(), 1); // a shortcut animates the click
}

void TestMainWindow::closeButtonEndsEventLoop()
{
    auto* window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QPointer<MainWindow> alive(window);
    QTimer::singleShot(0, [window] {
        QTest::mouseClick(window->findChild<QToolButton*>("closeButton"), Qt::LeftButton);
    });
    QTimer watchdog;
    connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(99); });
    watchdog.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QTRY_VERIFY(alive.isNull());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
