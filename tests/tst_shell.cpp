// The frameless window's own chrome: dragging it by its background,
// minimising it, the help page and the About dialog.

#include "aboutdialog.h"
#include "global.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>

class MainWindowTester
{
public:
    static QPoint dragPoint(const MainWindow& window) { return window.drag_point; }
};

// Stands in for the desktop's file handler so no browser is started.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

class tst_Shell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void helpUrlText_data();
    void helpUrlText();
    void helpUrlReachesThePage_data();
    void helpUrlReachesThePage();
    void helpButtonsOpenThePage_data();
    void helpButtonsOpenThePage();

    void aboutCheckedWhileOpen_data();
    void aboutCheckedWhileOpen();

    void minimiseStaysFrameless();

    void dragByBackground_data();
    void dragByBackground();
    void releaseWithModifierKeepsDrag();

private:
    void answerNextModal(const std::function<void(QDialog*)>& answer);
    QPoint centreOf(const char* object) const;

    MainWindow* window = nullptr;
    QObject* answers = nullptr;
    UrlCatcher catcher;
};

void tst_Shell::initTestCase()
{
    QDesktopServices::setUrlHandler("file", &catcher, "open");
}

void tst_Shell::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("file");
}

void tst_Shell::init()
{
    catcher.urls.clear();
    answers = new QObject;
    window = new MainWindow;
    window->move(100, 60);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void tst_Shell::cleanup()
{
    delete answers;
    answers = nullptr;
    delete window;
    window = nullptr;
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void tst_Shell::answerNextModal(const std::function<void(QDialog*)>& answer)
{
    QTimer* poll = new QTimer(answers);
    auto tries = std::make_shared<int>(0);
    connect(poll, &QTimer::timeout, poll, [poll, tries, answer] {
        QDialog* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (++*tries > 500)
                poll->stop();
            return;
        }
        poll->stop();
        answer(dialog);
    });
    poll->start(10);
}

QPoint tst_Shell::centreOf(const char* object) const
{
    QWidget* widget = window->findChild<QWidget*>(object);
    return widget ? widget->mapTo(window, widget->rect().center()) : QPoint(-1, -1);
}

void tst_Shell::helpUrlText_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("text");
    QTest::newRow("opt") << "/opt/app" << "file:////opt/app/help.html";
    QTest::newRow("blank") << "/home/ann/My Tools" << "file:////home/ann/My Tools/help.html";
    QTest::newRow("chinese") << "/home/李/工具" << "file:////home/李/工具/help.html";
}

void tst_Shell::helpUrlText()
{
    QFETCH(QString, dir);
    QFETCH(QString, text);
    const QUrl url = helpUrl(dir);
    QVERIFY(url.isValid());
    QVERIFY(url.isLocalFile());
    QCOMPARE(url.toString(), text);
}

void tst_Shell::helpUrlReachesThePage_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << "app";
    QTest::newRow("blank") << "My Tools";
    QTest::newRow("chinese") << "点阵工具";
    QTest::newRow("percent") << "100%";
    QTest::newRow("percent before hex digits") << "a%41b";
    QTest::newRow("hash") << "C# tools";
    QTest::newRow("question mark") << "why?";
}

// What the desktop handler gets must name the page that lies there.
void tst_Shell::helpUrlReachesThePage()
{
    QFETCH(QString, folder);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString dir = root.path() + "/" + folder;
    QVERIFY(QDir().mkpath(dir));
    QFile page(dir + "/help.html");
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();

    const QUrl url = helpUrl(dir);
    const QUrl reparsed = QUrl::fromEncoded(url.toEncoded());
    const QFileInfo reached(reparsed.toLocalFile());
    QVERIFY2(reached.exists(), qPrintable(reparsed.toLocalFile()));
    QCOMPARE(reached.canonicalFilePath(), QFileInfo(page.fileName()).canonicalFilePath());
}

void tst_Shell::helpButtonsOpenThePage_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("help") << "helpButton";
    QTest::newRow("question mark") << "questionButton";
}

void tst_Shell::helpButtonsOpenThePage()
{
    QFETCH(QString, button);
    QToolButton* widget = window->findChild<QToolButton*>(button);
    QVERIFY(widget);
    // No help.html lies beside the test: a missing page is still only handed on.
    QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + "/help.html"));

    QTest::mouseClick(widget, Qt::LeftButton);

    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(catcher.urls.first(), helpUrl(QCoreApplication::applicationDirPath()));
    QCOMPARE(catcher.urls.first().toString(),
             "file:///" + QCoreApplication::applicationDirPath() + "/help.html");
    QCoreApplication::processEvents();
    QVERIFY(!QApplication::activeModalWidget());
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY2(top == window || !top->isVisible(), top->metaObject()->className());
}

void tst_Shell::aboutCheckedWhileOpen_data()
{
    QTest::addColumn<QString>("closing");
    QTest::newRow("ok button") << "ok";
    QTest::newRow("escape") << "escape";
    QTest::newRow("window close") << "close";
}

void tst_Shell::aboutCheckedWhileOpen()
{
    QFETCH(QString, closing);
    QToolButton* about = window->findChild<QToolButton*>("aboutButton");
    QVERIFY(about);
    QVERIFY(!about->isCheckable());

    struct
    {
        bool shown = false;
        bool checkable = false;
        bool checked = false;
        QString class_name;
        QSize size, minimum, maximum;
        bool framed = false;
        QSize picture;
        QString ok_text;
    } seen;

    answerNextModal([&seen, about, closing](QDialog* dialog) {
        seen.shown = true;
        seen.checkable = about->isCheckable();
        seen.checked = about->isChecked();
        seen.class_name = dialog->metaObject()->className();
        seen.size = dialog->size();
        seen.minimum = dialog->minimumSize();
        seen.maximum = dialog->maximumSize();
        seen.framed = !(dialog->windowFlags() & Qt::FramelessWindowHint)
                      && (dialog->windowFlags() & Qt::WindowCloseButtonHint);
        QLabel* label = dialog->findChild<QLabel*>("label");
        if (label && label->pixmap())
            seen.picture = label->pixmap()->size();
        QDialogButtonBox* box = dialog->findChild<QDialogButtonBox*>("buttonBox");
        QPushButton* ok = box ? box->button(QDialogButtonBox::Ok) : nullptr;
        if (ok)
            seen.ok_text = ok->text();
        if (closing == "ok" && ok)
            QTest::mouseClick(ok, Qt::LeftButton);
        else if (closing == "escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
    });

    QTest::mouseClick(about, Qt::LeftButton);

    QVERIFY(seen.shown);
    QCOMPARE(seen.class_name, QString("AboutDialog"));
    QVERIFY(seen.checkable);
    QVERIFY(seen.checked);
    QCOMPARE(seen.size, QSize(577, 295));
    QCOMPARE(seen.minimum, QSize(577, 295));
    QCOMPARE(seen.maximum, QSize(577, 295));
    QVERIFY(seen.framed);
    QCOMPARE(seen.picture, QSize(579, 226));
    QVERIFY(!seen.ok_text.isEmpty());

    QVERIFY(!about->isChecked());
    QVERIFY(!about->isCheckable());
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Shell::minimiseStaysFrameless()
{
    QToolButton* minimise = window->findChild<QToolButton*>("minimizeButton");
    QVERIFY(minimise);
    QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);

    QTest::mouseClick(minimise, Qt::LeftButton);

    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags & Qt::FramelessWindowHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(window->isVisible());
    QCOMPARE(window->size(), QSize(1080, 667));

    // Restored, a plain press on its background still takes hold of it.
    window->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QWindow* handle = window->windowHandle();
    const QPoint grip = handle->mapToGlobal(QPoint(40, 300));
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, QPoint(40, 300));
    QCOMPARE(MainWindowTester::dragPoint(*window), grip);
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, QPoint(40, 300));
    QCOMPARE(MainWindowTester::dragPoint(*window), INVALID_POINT);
}

void tst_Shell::dragByBackground_data()
{
    QTest::addColumn<QString>("where"); // object name, or empty for the bare background
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QPoint>("step");
    QTest::addColumn<QPoint>("moved");

    const int left = Qt::LeftButton;
    const int none = Qt::NoModifier;
    QTest::newRow("plain left on background") << "" << left << none << QPoint(30, 20)
                                              << QPoint(30, 20);
    QTest::newRow("plain left, up and left") << "" << left << none << QPoint(-45, -12)
                                             << QPoint(-45, -12);
    QTest::newRow("plain left on a caption") << "label_x" << left << none << QPoint(12, 7)
                                             << QPoint(12, 7);
    QTest::newRow("shift held") << "" << left << int(Qt::ShiftModifier) << QPoint(30, 20)
                                << QPoint(0, 0);
    QTest::newRow("ctrl held") << "" << left << int(Qt::ControlModifier) << QPoint(30, 20)
                               << QPoint(0, 0);
    QTest::newRow("right button") << "" << int(Qt::RightButton) << none << QPoint(30, 20)
                                  << QPoint(0, 0);
    QTest::newRow("on the canvas") << "graphicsView" << left << none << QPoint(30, 20)
                                   << QPoint(0, 0);
    QTest::newRow("on a tool button") << "toolButton_4" << left << none << QPoint(30, 20)
                                      << QPoint(0, 0);
    QTest::newRow("on the zoom slider") << "verticalSlider" << left << none << QPoint(0, 20)
                                        << QPoint(0, 0);
}

void tst_Shell::dragByBackground()
{
    QFETCH(QString, where);
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(QPoint, step);
    QFETCH(QPoint, moved);

    // (40, 300) is bare background left of the zoom controls.
    const QPoint from = where.isEmpty() ? QPoint(40, 300) : centreOf(where.toLatin1().constData());
    QVERIFY(window->rect().contains(from));
    const QPoint start = window->pos();
    QWindow* handle = window->windowHandle();
    const auto mouse_button = Qt::MouseButton(button);
    const auto keys = Qt::KeyboardModifiers(modifiers);

    // The pointer follows a fixed path on the screen while the window moves under it.
    const QPoint grip = handle->mapToGlobal(from);
    QTest::mousePress(handle, mouse_button, keys, handle->mapFromGlobal(grip));
    QTest::mouseMove(handle, handle->mapFromGlobal(grip + step));
    QCoreApplication::processEvents();
    QTest::mouseRelease(handle, mouse_button, keys, handle->mapFromGlobal(grip + step));
    QCoreApplication::processEvents();

    QCOMPARE(window->pos(), start + moved);
    QCOMPARE(MainWindowTester::dragPoint(*window), INVALID_POINT);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Shell::releaseWithModifierKeepsDrag()
{
    QWindow* handle = window->windowHandle();
    const QPoint start = window->pos();
    const QPoint grip = handle->mapToGlobal(QPoint(40, 300));

    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, handle->mapFromGlobal(grip));
    QTest::mouseMove(handle, handle->mapFromGlobal(grip + QPoint(10, 5)));
    QTRY_COMPARE(window->pos(), start + QPoint(10, 5));
    QCOMPARE(MainWindowTester::dragPoint(*window), grip + QPoint(10, 5));

    QTest::keyPress(handle, Qt::Key_Shift);
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::ShiftModifier,
                        handle->mapFromGlobal(grip + QPoint(10, 5)));
    QCoreApplication::processEvents();
    QCOMPARE(MainWindowTester::dragPoint(*window), grip + QPoint(10, 5));
    QCOMPARE(window->pos(), start + QPoint(10, 5));
    QTest::keyRelease(handle, Qt::Key_Shift);
    QCOMPARE(QGuiApplication::keyboardModifiers(), Qt::NoModifier);

    // A later move with only the left button held carries on from there. The
    // platform never reports a held button whose press it did not see, so
    // this move and its release are handed to the window directly.
    const QPoint later = grip + QPoint(17, 8);
    QMouseEvent move(QEvent::MouseMove, handle->mapFromGlobal(later), later, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    QTRY_COMPARE(window->pos(), start + QPoint(17, 8));

    QMouseEvent release(QEvent::MouseButtonRelease, handle->mapFromGlobal(later), later,
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &release);
    QCOMPARE(MainWindowTester::dragPoint(*window), INVALID_POINT);
    QCOMPARE(window->pos(), start + QPoint(17, 8));
}

QTEST_MAIN(tst_Shell)
#include "tst_shell.moc"
