// What outlives a session and what a session must not lose: remembered
// settings, the question before unsaved edits go, the user's own template.
#include "testsupport.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QImageWriter>
#include <QProgressDialog>
#include <QPushButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QSlider>
#include <QToolButton>

namespace {

QString configFile(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + '/' + name;
}

bool writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Answers an open dialog with `open`, a save dialog with `save`, a selection
// dialog with OK, anything else with Escape.
void answerFileOrPicture(QWidget* modal, const QString& open, const QString& save = QString())
{
    if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        files->setOption(QFileDialog::DontConfirmOverwrite);
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(files->acceptMode() == QFileDialog::AcceptOpen ? open : save);
        QTest::keyClick(name, Qt::Key_Return);
    } else if (auto* ok = modal->findChild<QToolButton*>(QStringLiteral("okButton"))) {
        QTest::mouseClick(ok, Qt::LeftButton);
    } else {
        QTest::keyClick(modal, Qt::Key_Escape);
    }
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void init() { forgetSettings(); }
    void secondStartRestores();
    void unsavedEdits_data();
    void unsavedEdits();
    void userTemplateWins();
    void waysIn_data();
    void waysIn();
};

void TestSession::secondStartRestores()
{
    QTemporaryDir pictures;
    const QString picture = pictures.filePath(QStringLiteral("dot.bmp"));
    QImage(16, 8, QImage::Format_RGB32).save(picture);
    {
        MainWindow w;
        MainWindowTester t(w);
        t.child<QComboBox>("comboBox")->setCurrentIndex(1);
        t.child<QSlider>("verticalSlider")->setValue(9);
        t.child<QAction>("action_pensize_7")->trigger();
        t.child<QAction>("action_erasesize_3")->trigger();
        ModalAnswer accept([](QWidget* dialog) { answerFileOrPicture(dialog, QString()); });
        w.openFile(picture); // the import sets the zoom back to 5
        t.child<QSlider>("verticalSlider")->setValue(11);
    }
    MainWindow w;
    MainWindowTester t(w);
    QCOMPARE(language_suffix, QStringLiteral("CN"));
    QCOMPARE(t.zoom(), 11);
    QCOMPARE(t.penSize(), 7);
    QCOMPARE(t.eraseSize(), 3);
    QVERIFY(t.child<QAction>("action_pensize_7")->isChecked());
    QString folder;
    ModalAnswer look([&folder](QWidget* dialog) {
        folder = qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QTest::mouseClick(t.child<QToolButton>("openFileButton"), Qt::LeftButton);
    QCOMPARE(folder, QFileInfo(pictures.path()).absoluteFilePath());
    t.child<QComboBox>("comboBox")->setCurrentIndex(0);
}

void TestSession::unsavedEdits_data()
{
    QTest::addColumn<QString>("act");    // "close", "open" or "drop"
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QString>("answer"); // the question's button, or "" when none may come
    QTest::addColumn<QString>("saved");  // the file the answer writes
    QTest::addColumn<bool>("goesOn");    // the window closes, or the picture is opened
    QTest::newRow("close unchanged") << "close" << false << "" << "" << true;
    QTest::newRow("close, cancel") << "close" << true << "Cancel" << "" << false;
    QTest::newRow("close, discard") << "close" << true << "Discard" << "" << true;
    QTest::newRow("open, save as code") << "open" << true << "Save as code" << "kept.cpp" << true;
    QTest::newRow("drop, save as bitmap") << "drop" << true << "Save as bitmap" << "kept.bmp" << true;
    QTest::newRow("drop, cancel") << "drop" << true << "Cancel" << "" << false;
}

void TestSession::unsavedEdits()
{
    QFETCH(QString, act);
    QFETCH(bool, edited);
    QFETCH(QString, answer);
    QFETCH(QString, saved);
    QFETCH(bool, goesOn);
    QVERIFY(writeText(configFile("template.txt"), "%1%2%3"));
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("new.bmp"));
    QImage black(32, 16, QImage::Format_RGB32);
    black.fill(Qt::black);
    QVERIFY(black.save(picture));

    MainWindow w;
    MainWindowTester t(w);
    w.show();
    const QImage drawing = randomBitmap(9);
    if (edited)
        t.bitmap() = drawing;

    QStringList asked;
    ModalAnswer question([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        asked << (box ? box->windowTitle() : QString(modal->metaObject()->className()));
        if (!box)
            return answerFileOrPicture(modal, picture);
        for (QAbstractButton* button : box->buttons())
            if (button->text() == answer)
                button->click();
        if (box->isVisible())
            box->reject();
        // Whatever the answer starts, every later dialog is answered too.
        auto* rest = new QTimer(&w);
        QObject::connect(rest, &QTimer::timeout, [&, rest] {
            if (QWidget* next = QApplication::activeModalWidget()) {
                asked << next->metaObject()->className();
                answerFileOrPicture(next, picture, dir.filePath(saved));
            }
        });
        rest->start(10);
    }, answer.isEmpty() ? 300 : 5000);
    if (act == "close") {
        QCOMPARE(w.close(), goesOn);
    } else if (act == "open") {
        QTest::mouseClick(t.child<QToolButton>("openFileButton"), Qt::LeftButton);
    } else {
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(picture) });
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t.viewport(), &enter);
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t.viewport(), &drop);
        QTest::qWait(200);
    }
    if (answer.isEmpty())
        question.answered = true; // nothing may be asked
    QCOMPARE(asked.value(0), answer.isEmpty() ? QString() : QStringLiteral("Unsaved changes"));
    QCOMPARE(w.isVisible(), act != "close" || !goesOn);
    if (!saved.isEmpty())
        QVERIFY2(QFileInfo(dir.filePath(saved)).size() > 0, qPrintable(asked.join(',')));
    if (edited) // the black picture opened, or the drawing kept
        QCOMPARE(t.bitmap() == drawing, act == "close" || !goesOn);
}

void TestSession::userTemplateWins()
{
    QVERIFY(writeText(configFile("template.txt"), "mine %1 %2\n"));
    QTemporaryDir dir;
    MainWindow w;
    MainWindowTester t(w);
    t.bitmap() = randomBitmap(2);
    ModalAnswer name([&dir](QWidget* modal) { answerFileOrPicture(modal, {}, dir.filePath("art.c")); });
    QTest::mouseClick(t.child<QToolButton>("saveCCodeButton"), Qt::LeftButton);
    QFile written(dir.filePath("art.c"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("mine Picture001 art\n"));
}

void TestSession::waysIn_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QStringList>("dialogs"); // what comes up, in order, each answered
    QTest::addColumn<QString>("taken");       // the bitmap afterwards: "file", "black" or "kept"
    QTest::newRow("a one-bit 128 x 64 file is the bitmap") << "xbm" << QStringList() << "file";
    QTest::newRow("paste") << "paste" << QStringList { "SelectDialog" } << "black";
    QTest::newRow("paste of no picture") << "paste text"
                                         << QStringList { "The clipboard holds no picture" } << "kept";
    // A slow decode brings up its busy box, whose Cancel ends the opening.
    QTest::newRow("cancel a slow decode") << "slow" << QStringList { "QProgressDialog" } << "kept";
}

void TestSession::waysIn()
{
    QFETCH(QString, way);
    QFETCH(QStringList, dialogs);
    QFETCH(QString, taken);
    QTemporaryDir dir;
    const QImage drawing = randomBitmap(4);
    QString path = dir.filePath("art.xbm");
    QVERIFY(drawing.save(path, "xbm"));
    if (way == "slow") { // a large progressive JPEG whose last scan comes again and again
        QImage grey(6000, 4000, QImage::Format_RGB32);
        grey.fill(Qt::gray);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QVERIFY(writer.write(grey));
        const int last = jpeg.lastIndexOf("\xFF\xDA");
        jpeg = jpeg.chopped(2) + jpeg.mid(last, jpeg.size() - 2 - last).repeated(88) + "\xFF\xD9";
        path = dir.filePath("slow.jpg");
        QVERIFY(writeText(path, jpeg));
    }
    QImage black(32, 16, QImage::Format_RGB32);
    black.fill(Qt::black);
    if (way == "paste")
        QGuiApplication::clipboard()->setImage(black);
    else
        QGuiApplication::clipboard()->setText(QStringLiteral("words"));

    MainWindow w;
    MainWindowTester t(w);
    w.show();
    const QImage before = t.bitmap();
    t.history().record(BITMAP_OPERATE(OPERATE_INVERT, QImage(), 0));
    QStringList seen;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            seen << box->text();
        else
            seen << modal->metaObject()->className();
        if (qobject_cast<QProgressDialog*>(modal))
            QTest::mouseClick(modal->findChild<QPushButton*>(), Qt::LeftButton);
        else
            answerFileOrPicture(modal, QString());
    });
    answer.start(10);
    if (way.startsWith("paste")) {
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.windowHandle(), Qt::Key_V, Qt::ControlModifier);
    }
    else
        w.openFile(path);
    QCOMPARE(seen.join(','), dialogs.join(','));
    QImage black_bitmap = newBitmap();
    black_bitmap.fill(1);
    QCOMPARE(t.bitmap(), taken == "file" ? drawing : taken == "black" ? black_bitmap : before);
    QCOMPARE(t.filePath() == path, taken == "file");
    QCOMPARE(t.history().entries().size(), taken == "kept" ? 1 : 0); // a new picture starts afresh
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
