// Switching between English and Chinese through the main window's language
// box: tool tips, later dialogs, the toolkit's own buttons and the skins.

#include "global.h"
#include "mainwindow.h"
#include "selectdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

const QStringList CATALOGUES = { "language_zh_CN.qm", "qt_zh_CN.qm" };

QString besideTest(const QString& name)
{
    return QCoreApplication::applicationDirPath() + "/" + name;
}

bool putCatalogues()
{
    bool ok = true;
    for (const QString& name : CATALOGUES) {
        QFile::remove(besideTest(name));
        ok = QFile::copy(QStringLiteral(DOTWRIGHT_BIN_DIR "/") + name, besideTest(name)) && ok;
    }
    return ok;
}

bool removeCatalogues()
{
    bool ok = true;
    for (const QString& name : CATALOGUES)
        ok = (!QFile::exists(besideTest(name)) || QFile::remove(besideTest(name))) && ok;
    return ok;
}

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Everything a user reads in a modal dialog, captured while it is open.
struct Seen
{
    bool shown = false;
    QString class_name;
    QString title;
    QStringList labels;
    QString ok_text;
    QString cancel_text;
};

} // namespace

class tst_Language : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startsInEnglish();
    void toolTipsFollowLanguage_data();
    void toolTipsFollowLanguage();
    void skinsFollowLanguage_data();
    void skinsFollowLanguage();
    void toolkitButtonsFollowLanguage_data();
    void toolkitButtonsFollowLanguage();
    void laterDialogsFollowLanguage_data();
    void laterDialogsFollowLanguage();
    void absentCataloguesKeepEnglishTexts();
    void selectDialogFollowsLanguage_data();
    void selectDialogFollowsLanguage();

private:
    void switchTo(int index);
    void answerNextModal(const std::function<void(QDialog*)>& answer);

    MainWindow* window = nullptr;
    QObject* answers = nullptr; // parent of pending modal pollers
};

void tst_Language::initTestCase()
{
    QVERIFY(putCatalogues());
}

void tst_Language::cleanupTestCase()
{
    QVERIFY(removeCatalogues());
}

void tst_Language::init()
{
    QVERIFY(putCatalogues());
    answers = new QObject;
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void tst_Language::cleanup()
{
    delete answers;
    answers = nullptr;
    delete window;
    window = nullptr;
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void tst_Language::switchTo(int index)
{
    QComboBox* combo = window->findChild<QComboBox*>("comboBox");
    QVERIFY(combo);
    QCOMPARE(combo->count(), 2);
    combo->setCurrentIndex(index);
    QCOMPARE(combo->currentIndex(), index);
    // The application posts LanguageChange to its windows.
    QCoreApplication::processEvents();
}

// Runs `answer` on the first modal dialog, from inside its own event loop;
// `answer` must close it.
void tst_Language::answerNextModal(const std::function<void(QDialog*)>& answer)
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

void tst_Language::startsInEnglish()
{
    QCOMPARE(language_suffix, QString("EN"));
    QComboBox* combo = window->findChild<QComboBox*>("comboBox");
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->itemText(0), QString("English"));
    QCOMPARE(combo->itemText(1), QString("中文"));
    QVERIFY(combo->styleSheet().contains("url(:/image/Language_EN.png)"));
    QCOMPARE(window->findChild<QToolButton*>("toolButton_2")->toolTip(), QString("Pen"));
}

void tst_Language::toolTipsFollowLanguage_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");
    QTest::newRow("hand") << "toolButton_1" << "Move" << "移动";
    QTest::newRow("pen") << "toolButton_2" << "Pen" << "画笔";
    QTest::newRow("eraser") << "toolButton_3" << "Erase" << "橡皮擦";
    QTest::newRow("invert") << "toolButton_4" << "Invert color" << "反色";
    QTest::newRow("rotate cw") << "toolButton_5" << "Clockwise rotation" << "顺时针旋转";
    QTest::newRow("rotate ccw") << "toolButton_6" << "Counter-clockwise rotation"
                                << "逆时针旋转";
    QTest::newRow("mirror x") << "toolButton_7" << "Vertical flip" << "垂直翻转";
    QTest::newRow("mirror y") << "toolButton_8" << "Horizontal flip" << "水平翻转";
    QTest::newRow("undo") << "toolButton_9" << "Undo" << "撤销";
    QTest::newRow("redo") << "toolButton_10" << "Redo" << "重做";
    QTest::newRow("upper zoom") << "zoominButton" << "Zoom in" << "放大";
    QTest::newRow("lower zoom") << "zoomoutButton" << "Zoom out" << "缩小";
}

void tst_Language::toolTipsFollowLanguage()
{
    QFETCH(QString, object);
    QFETCH(QString, english);
    QFETCH(QString, chinese);
    QToolButton* button = window->findChild<QToolButton*>(object);
    QVERIFY(button);

    QCOMPARE(button->toolTip(), english);
    switchTo(1);
    QCOMPARE(button->toolTip(), chinese);
    switchTo(0);
    QCOMPARE(button->toolTip(), english);
}

void tst_Language::skinsFollowLanguage_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("base");
    QTest::newRow("open") << "openFileButton" << "Open";
    QTest::newRow("save image") << "saveFileButton" << "SaveAsBitmap";
    QTest::newRow("save code") << "saveCCodeButton" << "SaveAsCode";
    QTest::newRow("help") << "helpButton" << "Help";
    QTest::newRow("about") << "aboutButton" << "About";
}

void tst_Language::skinsFollowLanguage()
{
    QFETCH(QString, object);
    QFETCH(QString, base);
    QToolButton* button = window->findChild<QToolButton*>(object);
    QVERIFY(button);
    QComboBox* combo = window->findChild<QComboBox*>("comboBox");

    const QStringList states = { "Normal", "Selected", "Pressed" };
    for (const QString& suffix : { QString("CN"), QString("EN") }) {
        switchTo(suffix == "CN" ? 1 : 0);
        QCOMPARE(language_suffix, suffix);
        const QString other = suffix == "CN" ? "_EN_" : "_CN_";
        QVERIFY2(!button->styleSheet().contains(other), qPrintable(button->styleSheet()));
        for (const QString& state : states) {
            const QString image = QString(":/image/%1_%2_%3.png").arg(base, suffix, state);
            QVERIFY2(button->styleSheet().contains("url(" + image + ")"),
                     qPrintable(button->styleSheet()));
            QVERIFY2(!QImage(image).isNull(), qPrintable(image + " is missing"));
        }
        const QString flag = QString(":/image/Language_%1.png").arg(suffix);
        QVERIFY2(combo->styleSheet().contains("url(" + flag + ")"), qPrintable(combo->styleSheet()));
        QVERIFY2(!QImage(flag).isNull(), qPrintable(flag + " is missing"));
    }
}

void tst_Language::toolkitButtonsFollowLanguage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("chinese") << 1 << "确定" << "取消";
    QTest::newRow("back to english") << 0 << "OK" << "Cancel";
}

void tst_Language::toolkitButtonsFollowLanguage()
{
    QFETCH(int, index);
    QFETCH(QString, ok);
    QFETCH(QString, cancel);
    switchTo(1);
    switchTo(index);

    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(withoutMnemonic(box.button(QDialogButtonBox::Ok)->text()), ok);
    QCOMPARE(withoutMnemonic(box.button(QDialogButtonBox::Cancel)->text()), cancel);
}

void tst_Language::laterDialogsFollowLanguage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("dialog_class");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("cancel");

    // template.txt is never put beside the test, so saving code must fail.
    QTest::newRow("missing template, chinese")
        << 1 << "saveCCodeButton" << "QMessageBox" << "错误" << "加载代码模板文件出错"
        << "确定" << "";
    QTest::newRow("missing template, english again")
        << 0 << "saveCCodeButton" << "QMessageBox" << "Error" << "Load code template file error"
        << "OK" << "";
    QTest::newRow("angle, chinese") << 1 << "toolButton_5" << "QInputDialog" << "提示"
                                    << "请输入旋转角度" << "确定" << "取消";
    QTest::newRow("angle, english again")
        << 0 << "toolButton_6" << "QInputDialog" << "Tip" << "Please input rotate degree"
        << "OK" << "Cancel";
    QTest::newRow("about, chinese") << 1 << "aboutButton" << "AboutDialog" << "关于" << ""
                                    << "确定" << "";
    QTest::newRow("about, english again") << 0 << "aboutButton" << "AboutDialog" << "About"
                                          << "" << "OK" << "";
}

void tst_Language::laterDialogsFollowLanguage()
{
    QFETCH(int, index);
    QFETCH(QString, trigger);
    QFETCH(QString, dialog_class);
    QFETCH(QString, title);
    QFETCH(QString, label);
    QFETCH(QString, ok);
    QFETCH(QString, cancel);
    switchTo(1);
    switchTo(index);

    Seen seen;
    answerNextModal([&seen](QDialog* dialog) {
        seen.shown = true;
        seen.class_name = dialog->metaObject()->className();
        seen.title = dialog->windowTitle();
        for (QLabel* l : dialog->findChildren<QLabel*>())
            if (!l->text().isEmpty())
                seen.labels << l->text();
        QDialogButtonBox* box = dialog->findChild<QDialogButtonBox*>();
        QPushButton* close = nullptr;
        if (box) {
            if (QPushButton* b = box->button(QDialogButtonBox::Ok)) {
                seen.ok_text = withoutMnemonic(b->text());
                close = b;
            }
            if (QPushButton* b = box->button(QDialogButtonBox::Cancel)) {
                seen.cancel_text = withoutMnemonic(b->text());
                close = b; // cancel rather than rotate
            }
        }
        if (close)
            QTest::mouseClick(close, Qt::LeftButton);
        else
            dialog->reject();
    });

    QToolButton* button = window->findChild<QToolButton*>(trigger);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);

    QTRY_VERIFY(seen.shown);
    QCOMPARE(seen.class_name, dialog_class);
    QCOMPARE(seen.title, title);
    if (!label.isEmpty())
        QVERIFY2(seen.labels.contains(label), qPrintable(seen.labels.join(" | ")));
    QCOMPARE(seen.ok_text, ok);
    QCOMPARE(seen.cancel_text, cancel);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_Language::absentCataloguesKeepEnglishTexts()
{
    QVERIFY(removeCatalogues());
    switchTo(1);

    QCOMPARE(language_suffix, QString("CN"));
    QVERIFY(window->findChild<QToolButton*>("openFileButton")
                ->styleSheet()
                .contains("url(:/image/Open_CN_Normal.png)"));
    QVERIFY(window->findChild<QComboBox*>("comboBox")
                ->styleSheet()
                .contains("url(:/image/Language_CN.png)"));
    QCOMPARE(window->findChild<QToolButton*>("toolButton_2")->toolTip(), QString("Pen"));
    QCOMPARE(window->findChild<QToolButton*>("zoomoutButton")->toolTip(), QString("Zoom out"));

    QDialogButtonBox box(QDialogButtonBox::Cancel);
    QCOMPARE(withoutMnemonic(box.button(QDialogButtonBox::Cancel)->text()), QString("Cancel"));

    // Catalogues that turn up later are read on the next switch.
    QVERIFY(putCatalogues());
    switchTo(0);
    switchTo(1);
    QCOMPARE(window->findChild<QToolButton*>("toolButton_2")->toolTip(), QString("画笔"));
}

void tst_Language::selectDialogFollowsLanguage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("cut_tip");
    QTest::newRow("chinese") << 1 << "CN" << "裁剪";
    QTest::newRow("back to english") << 0 << "EN" << "Cut";
}

void tst_Language::selectDialogFollowsLanguage()
{
    QFETCH(int, index);
    QFETCH(QString, suffix);
    QFETCH(QString, cut_tip);
    switchTo(1);
    switchTo(index);

    SelectDialog dialog(window);
    QLabel* title = dialog.findChild<QLabel*>("title");
    QToolButton* ok = dialog.findChild<QToolButton*>("okButton");
    QToolButton* cancel = dialog.findChild<QToolButton*>("cancelButton");
    QToolButton* cut = dialog.findChild<QToolButton*>("toolButton_2");
    QVERIFY(title && ok && cancel && cut);

    const QImage expected(QString(":/image/Title_%1.png").arg(suffix));
    QVERIFY2(!expected.isNull(), "title image missing");
    QVERIFY(title->pixmap() && !title->pixmap()->isNull());
    QCOMPARE(title->pixmap()->toImage().convertToFormat(QImage::Format_ARGB32),
             expected.convertToFormat(QImage::Format_ARGB32));
    QVERIFY2(ok->styleSheet().contains(QString("url(:/image/Sure_%1_Normal.png)").arg(suffix)),
             qPrintable(ok->styleSheet()));
    QVERIFY2(cancel->styleSheet().contains(QString("url(:/image/Cancel_%1_Normal.png)").arg(suffix)),
             qPrintable(cancel->styleSheet()));
    QCOMPARE(cut->toolTip(), cut_tip);
}

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
