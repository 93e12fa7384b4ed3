// The main window as a user first meets it: start state, zoom buttons, tools,
// width menus, shortcuts and closing.
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>

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

// The popups that `act` opens, each closed at once.
QList<QWidget*> popups(const std::function<void()>& act)
{
    QList<QWidget*> shown;
    ModalAnswer answer([&shown](QWidget* popup) { shown << popup; popup->close(); }, ModalAnswer::Every);
    act();
    return shown;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { forgetSettings(); }
    void startState();
    void zoomButtons_data();
    void zoomButtons();
    void tools_data();
    void tools();
    void widthMenus();
    void undoRedoShortcuts_data();
    void undoRedoShortcuts();
    void closeButtonEndsEventLoop();
};

void TestMainWindow::startState()
{
    ShownWindow s;
    MainWindowTester& t = s.t;
    QCOMPARE(t.zoom(), 5);
    QCOMPARE(t.tool(), TOOL_PEN);
    QVERIFY(t.child<QToolButton>("toolButton_2")->isChecked());
    QCOMPARE(QPair(t.penSize(), t.eraseSize()), QPair(1, 1));
    QCOMPARE(t.bitmap(), newBitmap());
    QCOMPARE(t.child<QComboBox>("comboBox")->currentText(), QStringLiteral("English"));

    // The clear bitmap fills the 640 x 320 canvas exactly, grid and all.
    QCOMPARE(t.viewport()->size(), QSize(640, 320));
    const QImage shot = t.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.pixel(0, 0), qRgb(139, 165, 156));
    QCOMPARE(shot.pixel(639, 319), qRgb(139, 165, 156));
    QCOMPARE(shot.pixel(635, 100), COLOR_GRID.rgb());
}

void TestMainWindow::zoomButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected"); // after three presses
    // The upper button enlarges the cells, the lower one shrinks them.
    QTest::newRow("upper stops at 15") << "zoominButton" << 13 << 15;
    QTest::newRow("lower stops at 5") << "zoomoutButton" << 7 << 5;
}

void TestMainWindow::zoomButtons()
{
    QFETCH(QString, button);
    QFETCH(int, start);
    QFETCH(int, expected);
    ShownWindow s;
    s.t.child<QSlider>("verticalSlider")->setValue(start);
    for (int i = 0; i < 3; ++i)
        s.t.click(qPrintable(button));
    QCOMPARE(s.t.zoom(), expected);
    QCOMPARE(s.t.canvas()->image.size(), QSize(128 * expected, 64 * expected));
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
        s.t.click(qPrintable(name));
    QCOMPARE(int(s.t.tool()), tool);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(s.t.child<QToolButton>(qPrintable(QString("toolButton_%1").arg(i + 1)))->isChecked(), i == tool);
    QCOMPARE(int(s.t.viewport()->cursor().shape()), cursor);

    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 100), s.t.viewport()->mapToGlobal(QPoint(100, 100)));
    const QList<QWidget*> shown = popups([&] { QApplication::sendEvent(s.t.viewport(), &event); });
    QMenu* menu = tool == TOOL_PEN ? s.t.penMenu() : s.t.eraseMenu();
    QCOMPARE(shown, tool == TOOL_MOVE ? QList<QWidget*>() : QList<QWidget*>{ menu });
}

// A right click on the pen or the eraser button opens its own width menu.
// Each menu is exclusive; unchecking the current width by hand keeps it.
void TestMainWindow::widthMenus()
{
    ShownWindow s;
    MainWindowTester& t = s.t;
    const QList<QWidget*> shown = popups([&] {
        t.click("toolButton_3", Qt::RightButton);
        t.click("toolButton_2", Qt::RightButton);
    });
    QCOMPARE(shown, (QList<QWidget*>{ t.eraseMenu(), t.penMenu() }));
    QCOMPARE(t.tool(), TOOL_PEN);
    t.child<QAction>("action_erasesize_7")->trigger();
    t.child<QAction>("action_pensize_9")->trigger();
    t.child<QAction>("action_pensize_5")->trigger();
    QCOMPARE(QPair(t.penSize(), t.eraseSize()), QPair(5, 7));
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
    QSignalSpy clicked(s.t.child<QToolButton>(qPrintable(button)), &QToolButton::clicked);
    QTest::keyClick(s.window.windowHandle(), Qt::Key(key), Qt::ControlModifier);
    QTRY_COMPARE(clicked.count(), 1); // a shortcut animates the click
}

void TestMainWindow::closeButtonEndsEventLoop()
{
    auto* window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QPointer<MainWindow> alive(window);
    QTimer::singleShot(0, [window] { MainWindowTester(*window).click("closeButton"); });
    QTimer watchdog;
    connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(99); });
    watchdog.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QTRY_VERIFY(alive.isNull());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
