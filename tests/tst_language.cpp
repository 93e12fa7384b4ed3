// Switching the language through the main window's box: tool tips, a later
// message box (our texts and the toolkit's button), the skins, and a
// selection dialog built afterwards.

#include "selectdialog.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>

static bool placeCatalogues(bool present)
{
    for (const QString name : { "language_zh_CN.qm", "qt_zh_CN.qm" }) {
        const QString beside = QCoreApplication::applicationDirPath() + "/" + name;
        QFile::remove(beside);
        if (QFile::exists(beside) || (present && !QFile::copy(DOTWRIGHT_BIN_DIR "/" + name, beside)))
            return false;
    }
    return true;
}

class tst_Language : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void cleanupTestCase() { QVERIFY(placeCatalogues(false)); }
    void switchLanguage_data();
    void switchLanguage();
};

void tst_Language::switchLanguage_data()
{
    QTest::addColumn<bool>("catalogues");
    QTest::addColumn<QString>("suffix");
    // Tool tips of the pen, zoom out and the dialog's cut, then the error box
    // for saving code without a template: title, text, button.
    QTest::addColumn<QStringList>("texts");
    const QStringList english = { "Pen", "Zoom out (Ctrl+-)", "Cut", "Error", "Load code template file error", "OK" };
    // Absent first: catalogues that turn up later must be read on the next switch.
    QTest::newRow("catalogues absent") << false << "CN" << english;
    QTest::newRow("chinese") << true << "CN"
                             << QStringList{ "画笔", "缩小 (Ctrl+-)", "裁剪", "错误", "加载代码模板文件出错", "确定" };
    QTest::newRow("back to english") << true << "EN" << english;
}

void tst_Language::switchLanguage()
{
    QFETCH(bool, catalogues);
    QFETCH(QString, suffix);
    QFETCH(QStringList, texts);
    QVERIFY(placeCatalogues(catalogues));
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowTester tester(window);
    for (int i : { 1, suffix == "CN" ? 1 : 0 }) {
        tester.child<QComboBox>("comboBox")->setCurrentIndex(i);
        QCoreApplication::processEvents(); // LanguageChange is posted
    }
    QCOMPARE(language_suffix, suffix);
    for (const char* skinned : { "openFileButton", "saveFileButton", "saveCCodeButton", "helpButton",
                                 "aboutButton", "comboBox" })
        QVERIFY2(tester.child<QWidget>(skinned)->styleSheet().contains("_" + suffix), skinned);

    SelectDialog dialog(&window);
    QLabel* title = dialog.findChild<QLabel*>("title");
    QVERIFY(title);
    QCOMPARE(title->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32),
             QImage(":/image/Title_" + suffix + ".png").convertToFormat(QImage::Format_ARGB32));
    QVERIFY(dialog.findChild<QWidget*>("okButton")->styleSheet().contains("Sure_" + suffix + "_"));
    QVERIFY(dialog.findChild<QWidget*>("cancelButton")->styleSheet().contains("Cancel_" + suffix + "_"));

    QStringList seen = { tester.child<QWidget>("toolButton_2")->toolTip(),
                         tester.child<QWidget>("zoomoutButton")->toolTip(),
                         dialog.findChild<QWidget*>("toolButton_2")->toolTip() };
    {
        ModalAnswer answer([&seen](QWidget* box) {
            seen << box->windowTitle();
            for (QWidget* part : box->findChildren<QWidget*>()) // labels and buttons
                seen << part->property("text").toString().remove('&');
            QTest::keyClick(box, Qt::Key_Escape);
        });
        tester.click("saveCCodeButton");
    }
    for (const QString& text : texts)
        QVERIFY2(seen.contains(text), qPrintable(text + " not in " + seen.join(" | ")));
}

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
