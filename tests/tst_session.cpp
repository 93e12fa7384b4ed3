// What outlives a session and what a session must not lose: remembered
// settings, the question before unsaved edits go, the user's own template.
#include "selectdialog.h"
#include "testsupport.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QImageWriter>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QSlider>

namespace {

QString configFile(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + '/' + name;
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
    void waysIn_data();
    void waysIn();
};

// Before any import the open dialog starts in the folder remembered; after
// one, in the picture's folder.
void TestSession::secondStartRestores()
{
    QTemporaryDir pictures, others;
    const QString picture = pictures.filePath(QStringLiteral("dot.bmp"));
    const QString other = others.filePath(QStringLiteral("dot.bmp"));
    QImage(16, 8, QImage::Format_RGB32).save(picture);
    QImage(16, 8, QImage::Format_RGB32).save(other);
    {
        MainWindow w;
        MainWindowTester t(w);
        t.child<QComboBox>("comboBox")->setCurrentIndex(1);
        t.child<QSlider>("verticalSlider")->setValue(9);
        t.child<QAction>("action_pensize_7")->trigger();
        t.child<QAction>("action_erasesize_3")->trigger();
        {
            ModalAnswer settle([](QWidget* dialog) { // settings chosen in the selection dialog
                dialog->findChild<QSlider*>("thresholdSlider")->setValue(150);
                QTest::mouseClick(dialog->findChild<QToolButton*>("ditherAtkinsonButton"), Qt::LeftButton);
                QTest::mouseClick(dialog->findChild<QToolButton*>("okButton"), Qt::LeftButton);
            });
            w.openFile(picture); // the import sets the zoom back to 5
        }
        t.child<QSlider>("verticalSlider")->setValue(11);
        QVERIFY(writeBytes(configFile("templates/u8g2.txt"), "%{name}")
                && writeBytes(configFile("template.txt"), "%2"));
        ModalAnswer save([&](QWidget* dialog) { // the code type chosen in the save dialog
            auto* files = qobject_cast<QFileDialog*>(dialog);
            if (!files)
                return QTest::keyClick(dialog, Qt::Key_Escape);
            files->selectNameFilter(files->nameFilters().value(3));
            auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(pictures.filePath("art.h"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        t.click("saveCCodeButton");
    }
    MainWindow w;
    MainWindowTester t(w);
    QCOMPARE(language_suffix, QStringLiteral("CN"));
    QCOMPARE(t.zoom(), 11);
    QCOMPARE(QPair(t.penSize(), t.eraseSize()), QPair(7, 3));
    QVERIFY(t.child<QAction>("action_pensize_7")->isChecked());
    QString type;
    t.bitmap() = t.cleanBitmap() = newBitmap(); // blank: a named target is checked once chosen
    {
        ModalAnswer look([&type](QWidget* dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(dialog))
                type = files->selectedNameFilter();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        t.click("saveCCodeButton");
    }
    QVERIFY2(type.startsWith("u8g2"), qPrintable(type));
    ConversionSettings remembered;
    {
        ModalAnswer look([&remembered](QWidget* dialog) {
            if (auto* select = qobject_cast<SelectDialog*>(dialog))
                remembered = select->getConversion();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        w.openFile(picture);
    }
    QCOMPARE(QPair(remembered.threshold, remembered.dither), QPair(150, DitherMethod::Atkinson));
    for (const QString& expected : { pictures.path(), others.path() }) {
        QString folder;
        {
            ModalAnswer look([&folder](QWidget* dialog) {
                folder = qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
                QTest::keyClick(dialog, Qt::Key_Escape);
            });
            t.click("openFileButton");
        }
        QCOMPARE(folder, QFileInfo(expected).absoluteFilePath());
        Answering answer;
        w.openFile(other);
    }
    t.child<QComboBox>("comboBox")->setCurrentIndex(0);
}

void TestSession::unsavedEdits_data()
{
    QTest::addColumn<QString>("act");    // "close", "open" or "drop"
    QTest::addColumn<int>("edited");     // 0: not, 1: drawn, 2: a stroke under way
    QTest::addColumn<QString>("answer"); // the question's button, or "" when none may come
    QTest::addColumn<QString>("saved");  // the file the answer writes
    QTest::addColumn<bool>("goesOn");    // the window closes, or the picture is opened
    QTest::newRow("close unchanged") << "close" << 0 << "" << "" << true;
    QTest::newRow("close mid-stroke, cancel") << "close" << 2 << "Cancel" << "" << false;
    QTest::newRow("close, discard") << "close" << 1 << "Discard" << "" << true;
    QTest::newRow("open, save as code") << "open" << 1 << "Save as code" << "kept.cpp" << true;
    QTest::newRow("drop, save as bitmap") << "drop" << 1 << "Save as bitmap" << "kept.bmp" << true;
    QTest::newRow("drop, cancel") << "drop" << 1 << "Cancel" << "" << false;
}

// Code is saved through the user's own template, which is read first.
void TestSession::unsavedEdits()
{
    QFETCH(QString, act);
    QFETCH(int, edited);
    QFETCH(QString, answer);
    QFETCH(QString, saved);
    QFETCH(bool, goesOn);
    QVERIFY(writeBytes(configFile("template.txt"), "mine %1 %2\n"));
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("new.bmp"));
    QImage black(32, 16, QImage::Format_RGB32);
    black.fill(Qt::black);
    QVERIFY(black.save(picture));

    MainWindow w;
    MainWindowTester t(w);
    w.show();
    const QImage drawing = randomBitmap(9);
    if (edited == 1)
        t.bitmap() = drawing;
    if (edited == 2)
        t.linePoints() = { QPoint(5, 5) };

    Answering answers(dir.filePath(saved), picture, answer);
    if (act == "close") {
        QCOMPARE(w.close(), goesOn);
    } else if (act == "open") {
        t.click("openFileButton");
    } else {
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(picture) });
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t.viewport(), &enter);
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t.viewport(), &drop);
        QTRY_COMPARE(answers.shown.size(), goesOn ? 3 : 1); // the question, the save, the selection
    }
    QCOMPARE(answers.shown.value(0), answer.isEmpty() ? QString()
             : QStringLiteral("The bitmap has changes that are not saved. Save them first?"));
    QCOMPARE(w.isVisible(), act != "close" || !goesOn);
    if (saved.endsWith(".cpp"))
        QCOMPARE(readBytes(dir.filePath(saved)), QByteArray("mine Picture001 kept\n"));
    if (saved.endsWith(".bmp"))
        QCOMPARE(QImage(dir.filePath(saved)), drawing);
    if (edited == 1) // the black picture opened, or the drawing kept
        QCOMPARE(t.bitmap() == drawing, act == "close" || !goesOn);
    if (edited == 2)
        QCOMPARE(t.bitmap().pixelIndex(5, 5), 1);
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
        QVERIFY(writeBytes(path, jpeg));
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
    Answering answers;
    if (way.startsWith("paste")) {
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.windowHandle(), Qt::Key_V, Qt::ControlModifier);
    } else {
        w.openFile(path);
    }
    QCOMPARE(answers.shown, dialogs);
    QImage black_bitmap = newBitmap();
    black_bitmap.fill(1);
    QCOMPARE(t.bitmap(), taken == "file" ? drawing : taken == "black" ? black_bitmap : before);
    QCOMPARE(t.filePath() == path, taken == "file");
    QCOMPARE(t.history().entries().size(), taken == "kept" ? 1 : 0); // a new picture starts afresh
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
