// The frameless window's own chrome: the help page, the About dialog,
// minimising and dragging the window by its background.

#include "testsupport.h"

#include <QDesktopServices>
#include <QToolButton>

class tst_Shell : public QObject
{
    Q_OBJECT
    QWidget* child(const char* name) { return MainWindowTester(window).child<QWidget>(name); }
    QPoint centre(const char* name) { return child(name)->mapTo(&window, child(name)->rect().center()); }
    MainWindow window; // one window throughout: dragging must still work after minimising
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl& url) { urls << url; } // stands in for the desktop's browser
private slots:
    void initTestCase();
    void helpUrl_data();
    void helpUrl();
    void ownButtons();
    void drag_data();
    void drag();
};

void tst_Shell::initTestCase()
{
    forgetSettings();
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

void tst_Shell::helpUrl_data()
{
    QTest::addColumn<QString>("folder");
    for (const char* folder : { "My Tools", "点阵工具", "100%", "a%41b", "C# tools", "why?" })
        QTest::newRow(folder) << QString::fromUtf8(folder);
}

// "file:///", the directory, "/help.html"; what the handler gets must name
// the page even when the folder's name reads as URL syntax.
void tst_Shell::helpUrl()
{
    QFETCH(QString, folder);
    QTemporaryDir root;
    const QString dir = root.path() + "/" + folder;
    QFile page(dir + "/help.html");
    QVERIFY(QDir().mkpath(dir) && page.open(QIODevice::WriteOnly));
    const QUrl url = ::helpUrl(dir);
    if (!folder.contains(QRegularExpression("[%#?]")))
        QCOMPARE(url.toString(), "file:///" + dir + "/help.html");
    const QFileInfo reached(QUrl::fromEncoded(url.toEncoded()).toLocalFile());
    QCOMPARE(reached.canonicalFilePath(), QFileInfo(page).canonicalFilePath());
}

void tst_Shell::ownButtons()
{
    // Both help buttons hand the page beside the program to the desktop.
    QTest::mouseClick(child("helpButton"), Qt::LeftButton);
    QTest::mouseClick(child("questionButton"), Qt::LeftButton);
    const QUrl beside = ::helpUrl(QCoreApplication::applicationDirPath());
    QCOMPARE(urls, QList<QUrl>({ beside, beside }));

    // About stays checked exactly as long as its dialog is open.
    auto* about = qobject_cast<QToolButton*>(child("aboutButton"));
    QString seen;
    {
        ModalAnswer answer([&seen, about](QWidget* dialog) {
            seen = dialog->metaObject()->className() + QString(about->isChecked() ? " checked" : "");
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QTest::mouseClick(about, Qt::LeftButton);
    }
    QCOMPARE(seen, QString("AboutDialog checked"));
    QVERIFY(!about->isChecked() && !about->isCheckable());

    // Minimising lends the window a frame only for the moment.
    QTest::mouseClick(child("minimizeButton"), Qt::LeftButton);
    QVERIFY(window.isVisible() && (window.windowFlags() & Qt::FramelessWindowHint));
}

void tst_Shell::drag_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<int>("input"); // mouse button | keyboard modifiers
    QTest::addColumn<bool>("moves");
    const QPoint bare(40, 300); // background left of the zoom controls
    QTest::newRow("background") << bare << int(Qt::LeftButton) << true;
    QTest::newRow("caption") << centre("label_x") << int(Qt::LeftButton) << true;
    QTest::newRow("shift held") << bare << (int(Qt::LeftButton) | int(Qt::ShiftModifier)) << false;
    QTest::newRow("right button") << bare << int(Qt::RightButton) << false;
    QTest::newRow("canvas") << centre("graphicsView") << int(Qt::LeftButton) << false;
}

void tst_Shell::drag()
{
    QFETCH(QPoint, from);
    QFETCH(int, input);
    QFETCH(bool, moves);
    const auto button = Qt::MouseButton(input & ~Qt::KeyboardModifierMask);
    const auto keys = Qt::KeyboardModifiers(input & Qt::KeyboardModifierMask);
    const QPoint start = window.pos(), step(-30, 20);
    // The pointer follows a fixed path on the screen, in two moves, while the
    // window moves under it.
    QWindow* handle = window.windowHandle();
    const QPoint to = handle->mapToGlobal(from) + 2 * step;
    QTest::mousePress(handle, button, keys, from);
    QTest::mouseMove(handle, handle->mapFromGlobal(to - step));
    QTest::mouseMove(handle, handle->mapFromGlobal(to));
    QTest::mouseRelease(handle, button, keys, handle->mapFromGlobal(to));
    QCOMPARE(window.pos(), moves ? start + 2 * step : start);
    QCOMPARE(MainWindowTester(window).dragPoint(), INVALID_POINT);
}

QTEST_MAIN(tst_Shell)
#include "tst_shell.moc"
