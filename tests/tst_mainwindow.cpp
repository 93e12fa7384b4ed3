// The main window as a user first meets it: start state, zoom, tools,
// width menus, skins and closing.
#include "global.h"
#include "mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

class MainWindowTester
{
public:
    explicit MainWindowTester(MainWindow& w) : w(w) {}
    int zoom() const { return w.zoom; }
    int tool() const { return w.tool; }
    int penSize() const { return w.pen_size; }
    int eraseSize() const { return w.erase_size; }
    QMenu* penMenu() const { return w.pen_menu; }
    QMenu* eraseMenu() const { return w.erase_menu; }
    QPoint centre() const { return w.center_point; }
    void setCentre(const QPoint& p) { w.center_point = p; }
    void moveBitmap() { w.moveBitmap(); }
    MainWindow& w;
};

namespace {

template <typename T> T* child(QWidget& w, const char* name)
{
    T* found = w.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

BitmapCtrl* canvas(QWidget& w) { return child<BitmapCtrl>(w, "graphicsView"); }

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void startState();
    void startLogsCanvasPlacement();
    void languageSkinsAtStart();

    void zoomButtons_data();
    void zoomButtons();
    void zoomKeepsBitmapCoveringCanvas();
    void edgeLines_data();
    void edgeLines();

    void tools_data();
    void tools();
    void widthMenus();
    void canvasContextMenu_data();
    void canvasContextMenu();
    void undoRedoShortcuts_data();
    void undoRedoShortcuts();

    void skinImagesMatchButtons();
    void closeButtonEndsEventLoop();
};

void TestMainWindow::cleanup()
{
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()
                || std::none_of(QApplication::topLevelWidgets().cbegin(),
                                QApplication::topLevelWidgets().cend(),
                                [](QWidget* w) { return w->isVisible() && w->isModal(); }));
}

void TestMainWindow::startState()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowTester t(window);

    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Dotwright"));
    QCOMPARE(window.size(), QSize(1080, 667));
    QCOMPARE(window.minimumSize(), QSize(1080, 667));
    QCOMPARE(window.maximumSize(), QSize(1080, 667));
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);

    QCOMPARE(t.zoom(), 5);
    QCOMPARE(t.tool(), int(TOOL_PEN));
    QCOMPARE(t.penSize(), 1);
    QCOMPARE(t.eraseSize(), 1);
    QVERIFY(child<QToolButton>(window, "toolButton_2")->isChecked());
    QVERIFY(!child<QToolButton>(window, "toolButton_1")->isChecked());
    QVERIFY(!child<QToolButton>(window, "toolButton_3")->isChecked());

    BitmapCtrl* view = canvas(window);
    QCOMPARE(view->viewport()->size(), QSize(640, 320));
    QCOMPARE(view->viewport()->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(view->context_menu, t.penMenu());
    QCOMPARE(view->image.size(), QSize(640, 320));
    QCOMPARE(view->image_pos, QPoint(0, 0));
    QCOMPARE(t.centre(), QPoint(320, 160));

    // The clear bitmap fills the canvas exactly: nothing of the margin shows.
    const QImage shot = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.size(), QSize(640, 320));
    QCOMPARE(shot.pixel(0, 0), QColor(139, 165, 156).rgb());
    QCOMPARE(shot.pixel(639, 319), QColor(139, 165, 156).rgb());
    QCOMPARE(shot.pixel(5, 100), COLOR_GRID.rgb());
    QCOMPARE(shot.pixel(635, 319), COLOR_GRID.rgb());

    for (const char* name : { "label_x", "label_y", "label_PosX", "label_PosY" })
        QCOMPARE(child<QLabel>(window, name)->font().pixelSize(), 18);

    QComboBox* combo = child<QComboBox>(window, "comboBox");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("English"));
    QCOMPARE(combo->itemText(1), QStringLiteral("中文"));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->itemData(1, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
}

void TestMainWindow::startLogsCanvasPlacement()
{
    QTest::ignoreMessage(QtDebugMsg, "center_point:(320,160) image size:(640,320)");
    MainWindow window;
    Q_UNUSED(window);
}

void TestMainWindow::languageSkinsAtStart()
{
    MainWindow window;
    QCOMPARE(language_suffix, QStringLiteral("EN"));
    const struct { const char* button; const char* base; } skins[] = {
        { "openFileButton", "Open" }, { "saveFileButton", "SaveAsBitmap" },
        { "saveCCodeButton", "SaveAsCode" }, { "helpButton", "Help" }, { "aboutButton", "About" },
    };
    for (const auto& skin : skins)
        QCOMPARE(child<QToolButton>(window, skin.button)->styleSheet(),
                 qss_button.arg(QLatin1String(skin.base), QStringLiteral("EN")));
    QVERIFY(child<QComboBox>(window, "comboBox")->styleSheet().contains(":/image/Language_EN.png"));
}

void TestMainWindow::zoomButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("expected");
    // The upper button enlarges, the lower one shrinks.
    QTest::newRow("upper five times from 5") << "zoominButton" << 5 << 5 << 10;
    QTest::newRow("upper at 15") << "zoominButton" << 15 << 1 << 15;
    QTest::newRow("upper past the top") << "zoominButton" << 13 << 4 << 15;
    QTest::newRow("lower at 5") << "zoomoutButton" << 5 << 1 << 5;
    QTest::newRow("lower three times from 12") << "zoomoutButton" << 12 << 3 << 9;
}

void TestMainWindow::zoomButtons()
{
    QFETCH(QString, button);
    QFETCH(int, start);
    QFETCH(int, presses);
    QFETCH(int, expected);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSlider* slider = child<QSlider>(window, "verticalSlider");
    slider->setValue(start);
    QToolButton* b = window.findChild<QToolButton*>(button);
    QVERIFY(b);
    for (int i = 0; i < presses; ++i)
        QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(slider->value(), expected);
    MainWindowTester t(window);
    QCOMPARE(t.zoom(), expected);
    QCOMPARE(canvas(window)->image.size(), QSize(128 * expected, 64 * expected));
}

void TestMainWindow::zoomKeepsBitmapCoveringCanvas()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowTester t(window);
    QSlider* slider = child<QSlider>(window, "verticalSlider");
    slider->setValue(15);
    t.setCentre(QPoint(2000, -2000));
    slider->setValue(10);
    // Clamped for zoom 10: x within [0, 640], y within [0, 320].
    QCOMPARE(t.centre(), QPoint(640, 0));
    QCOMPARE(canvas(window)->image_pos, QPoint(0, -320));
    slider->setValue(5);
    QCOMPARE(t.centre(), QPoint(320, 160));
    QCOMPARE(canvas(window)->image_pos, QPoint(0, 0));
}

void TestMainWindow::edgeLines_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<QString>("visible"); // of l, r, t, b
    QTest::newRow("zoom 5 all edges in view") << 5 << QPoint(320, 160) << "lrtb";
    QTest::newRow("zoom 10 centred") << 10 << QPoint(320, 160) << "";
    QTest::newRow("zoom 10 top left in view") << 10 << QPoint(640, 320) << "lt";
    QTest::newRow("zoom 10 bottom right in view") << 10 << QPoint(0, 0) << "rb";
    QTest::newRow("zoom 15 far corner") << 15 << QPoint(-320, 960) << "rt";
    QTest::newRow("zoom 15 one pixel short") << 15 << QPoint(959, 479) << "";
}

void TestMainWindow::edgeLines()
{
    QFETCH(int, zoom);
    QFETCH(QPoint, centre);
    QFETCH(QString, visible);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowTester t(window);
    child<QSlider>(window, "verticalSlider")->setValue(zoom);
    t.setCentre(centre);
    t.moveBitmap();
    QCOMPARE(child<QFrame>(window, "line_left")->isVisible(), visible.contains('l'));
    QCOMPARE(child<QFrame>(window, "line_right")->isVisible(), visible.contains('r'));
    QCOMPARE(child<QFrame>(window, "line_top")->isVisible(), visible.contains('t'));
    QCOMPARE(child<QFrame>(window, "line_bottom")->isVisible(), visible.contains('b'));
}

void TestMainWindow::tools_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("menu");
    QTest::newRow("hand") << QStringList{ "toolButton_1" } << int(TOOL_MOVE) << int(Qt::OpenHandCursor) << "";
    QTest::newRow("eraser") << QStringList{ "toolButton_3" } << int(TOOL_ERASE) << int(Qt::CrossCursor) << "erase";
    QTest::newRow("hand then pen") << QStringList{ "toolButton_1", "toolButton_2" } << int(TOOL_PEN)
                                   << int(Qt::CrossCursor) << "pen";
    QTest::newRow("pen clicked again stays") << QStringList{ "toolButton_2" } << int(TOOL_PEN)
                                             << int(Qt::CrossCursor) << "pen";
    QTest::newRow("eraser twice") << QStringList{ "toolButton_3", "toolButton_3" } << int(TOOL_ERASE)
                                  << int(Qt::CrossCursor) << "erase";
    QTest::newRow("eraser then hand") << QStringList{ "toolButton_3", "toolButton_1" } << int(TOOL_MOVE)
                                      << int(Qt::OpenHandCursor) << "";
}

void TestMainWindow::tools()
{
    QFETCH(QStringList, clicks);
    QFETCH(int, tool);
    QFETCH(int, cursor);
    QFETCH(QString, menu);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QString& name : clicks)
        QTest::mouseClick(window.findChild<QToolButton*>(name), Qt::LeftButton);

    MainWindowTester t(window);
    QCOMPARE(t.tool(), tool);
    const char* buttons[] = { "toolButton_1", "toolButton_2", "toolButton_3" };
    for (int i = 0; i < 3; ++i)
        QCOMPARE(child<QToolButton>(window, buttons[i])->isChecked(), i == tool);
    QCOMPARE(int(canvas(window)->viewport()->cursor().shape()), cursor);
    QMenu* expected = menu == "pen" ? t.penMenu() : menu == "erase" ? t.eraseMenu() : nullptr;
    QCOMPARE(canvas(window)->context_menu, expected);
}

void TestMainWindow::widthMenus()
{
    MainWindow window;
    MainWindowTester t(window);
    QCOMPARE(t.penMenu()->actions().size(), 5);
    QCOMPARE(t.eraseMenu()->actions().size(), 5);

    child<QAction>(window, "action_erasesize_7")->trigger();
    QCOMPARE(t.eraseSize(), 7);
    QCOMPARE(t.penSize(), 1);
    QTest::mouseClick(child<QToolButton>(window, "toolButton_2"), Qt::LeftButton);
    QCOMPARE(t.penSize(), 1);
    QCOMPARE(t.eraseSize(), 7);

    child<QAction>(window, "action_pensize_9")->trigger();
    child<QAction>(window, "action_pensize_5")->trigger();
    QCOMPARE(t.penSize(), 5);
    QCOMPARE(t.eraseSize(), 7);
    // Each menu stays exclusive: the earlier choice is unchecked, not kept.
    QVERIFY(!child<QAction>(window, "action_pensize_9")->isChecked());
    QVERIFY(!child<QAction>(window, "action_pensize_1")->isChecked());
    QVERIFY(child<QAction>(window, "action_erasesize_7")->isChecked());
    const QList<QAction*> pen = t.penMenu()->actions();
    QCOMPARE(std::count_if(pen.cbegin(), pen.cend(), [](QAction* a) { return a->isChecked(); }), 1);

    // Unchecking by hand is ignored: the width stays what was chosen.
    child<QAction>(window, "action_pensize_5")->setChecked(false);
    QCOMPARE(t.penSize(), 5);
}

void TestMainWindow::canvasContextMenu_data()
{
    QTest::addColumn<QString>("toolButton");
    QTest::addColumn<QString>("menu");
    QTest::newRow("pen") << "toolButton_2" << "pen";
    QTest::newRow("eraser") << "toolButton_3" << "erase";
    QTest::newRow("hand") << "toolButton_1" << "";
}

void TestMainWindow::canvasContextMenu()
{
    QFETCH(QString, toolButton);
    QFETCH(QString, menu);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowTester t(window);
    QTest::mouseClick(window.findChild<QToolButton*>(toolButton), Qt::LeftButton);

    QWidget* shown = nullptr;
    QTimer::singleShot(50, [&shown] {
        shown = QApplication::activePopupWidget();
        if (shown)
            shown->close();
    });
    QWidget* viewport = canvas(window)->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 100), viewport->mapToGlobal(QPoint(100, 100)));
    QApplication::sendEvent(viewport, &event);
    QTest::qWait(100);
    QMenu* expected = menu == "pen" ? t.penMenu() : menu == "erase" ? t.eraseMenu() : nullptr;
    QCOMPARE(shown, static_cast<QWidget*>(expected));
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
    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicked(window.findChild<QToolButton*>(button), &QToolButton::clicked);
    QTest::keyClick(window.windowHandle(), Qt::Key(key), Qt::ControlModifier);
    // A shortcut animates the click, so the signal comes a moment later.
    QTRY_COMPARE(clicked.count(), 1);
}

void TestMainWindow::skinImagesMatchButtons()
{
    // Every picture a style sheet names must exist and fit its control;
    // the language-dependent ones in both languages.
    MainWindow window;
    QComboBox* combo = child<QComboBox>(window, "comboBox");
    static const QRegularExpression url(QStringLiteral("url\\((:/image/[^)]+)\\)"));
    QStringList checked;
    for (int language : { 1, 0 }) {
        combo->setCurrentIndex(language);
        const QList<QWidget*> widgets = window.findChildren<QWidget*>();
        for (QWidget* widget : widgets) {
            auto it = url.globalMatch(widget->styleSheet());
            while (it.hasNext()) {
                const QString path = it.next().captured(1);
                const QImage image(path);
                QVERIFY2(!image.isNull(), qPrintable(path + " is missing"));
                checked << path;
                if (qobject_cast<QToolButton*>(widget)) {
                    // The undo skins may be a pixel lower; border-image stretches them.
                    const QSize size = widget->size();
                    QVERIFY2(image.width() == size.width()
                                 && qAbs(image.height() - size.height()) <= (path.contains("Undo") ? 1 : 0),
                             qPrintable(QString("%1 is %2x%3, its button %4x%5")
                                            .arg(path).arg(image.width()).arg(image.height())
                                            .arg(size.width()).arg(size.height())));
                } else if (qobject_cast<QComboBox*>(widget)) {
                    QCOMPARE(image.size(), QSize(86, 30));
                } else if (qobject_cast<QSlider*>(widget)) {
                    QCOMPARE(image.size(), QSize(47, 24));
                } else if (widget == &window || widget->objectName() == "MainWindow") {
                    QCOMPARE(image.size(), QSize(1080, 667));
                }
            }
        }
    }
    const QString sheet = window.styleSheet();
    QVERIFY(sheet.contains(":/image/background1.png"));
    QCOMPARE(QImage(":/image/background1.png").size(), QSize(1080, 667));
    QCOMPARE(QImage(":/image/icon.png").size(), QSize(32, 32));
    QVERIFY(checked.contains(":/image/Open_CN_Normal.png"));
    QVERIFY(checked.contains(":/image/Pen_Selected.png"));
}

void TestMainWindow::closeButtonEndsEventLoop()
{
    auto* window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QPointer<MainWindow> alive(window);
    QTimer::singleShot(0, [window] {
        QTest::mouseClick(window->findChild<QToolButton*>("closeButton"), Qt::LeftButton);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(99); });
    watchdog.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QTRY_VERIFY(alive.isNull());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
