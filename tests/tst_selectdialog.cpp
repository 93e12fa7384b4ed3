// SelectDialog driven through its form's widgets and real events on the view.

#include "global.h"
#include "selectdialog.h"
#include "selectgeometry.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>

class SelectDialogTester
{
public:
    explicit SelectDialogTester(SelectDialog& dialog) : d(dialog) {}

    const QImage& scaledSource() const { return d.scaled_source; }
    QRectF& selectRect() { return d.select_rect; }
    QPoint& centerPoint() { return d.center_point; }
    double scaleFit() const { return d.scale_fit; }
    int scaleLevel() const { return d.scale_level; }
    int tool() const { return d.tool; }
    QPoint lastPoint() const { return d.last_point; }
    void refresh() { d.refresh(); }

private:
    SelectDialog& d;
};

namespace {

BitmapCtrl* viewOf(SelectDialog& dialog)
{
    return dialog.findChild<BitmapCtrl*>(QStringLiteral("graphicsView"));
}

QWidget* viewportOf(SelectDialog& dialog)
{
    return viewOf(dialog)->viewport();
}

QImage filled(int width, int height, const QColor& colour)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

// QTest::mouseMove sends no buttons; a drag needs the left button held.
void dragTo(QWidget* viewport, const QPoint& pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

void hover(QWidget* viewport, const QPoint& pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

void wheel(QWidget* viewport, int delta)
{
    const QPoint pos(100, 100);
    QWheelEvent event(QPointF(pos), QPointF(viewport->mapToGlobal(pos)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

int setPixels(const QImage& bitmap, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += bitmap.pixelIndex(x, y);
    }
    return count;
}

QImage gradientPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 0xff));
    }
    return image;
}

} // namespace

class TestSelectDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formGeometry_data();
    void formGeometry();
    void skinImages_data();
    void skinImages();
    void freshDialog();
    void viewportKeepsItsSizeWhenShown();
    void languageTakenAtConstruction_data();
    void languageTakenAtConstruction();

    void wideWorkedExample();
    void tallWorkedExample();
    void darknessThreshold_data();
    void darknessThreshold();
    void selectionOffThePicture_data();
    void selectionOffThePicture();
    void nullSource();
    void secondSourceKeepsLevel();

    void zoomButtons_data();
    void zoomButtons();
    void scaleKeepsCentreAndSelection();
    void toolButtons();
    void viewImageAtLevel25();

    void cutPressStartsOnePixelSelection();
    void rubberBand_data();
    void rubberBand();
    void pressInsideSelectionStartsAgain();
    void doubleClickActsAsPress();
    void hoverArmsHandles_data();
    void hoverArmsHandles();
    void handleDragFlipsWithoutLosingTheDrag();
    void handPans();
    void controlDragPansInAnyTool();
    void shiftDoesNothing_data();
    void shiftDoesNothing();
    void controlKeyStopsRubberBand();
    void controlKeyRelease_data();
    void controlKeyRelease();
    void wheelMovesSlider_data();
    void wheelMovesSlider();

    void execAnswers_data();
    void execAnswers();
    void escapeRejects();
    void confirmAfterDraggingASelection();

private:
    QString saved_suffix;
};

void TestSelectDialog::init()
{
    saved_suffix = language_suffix;
    language_suffix = QStringLiteral("EN");
}

void TestSelectDialog::cleanup()
{
    language_suffix = saved_suffix;
    // Leave no modifier behind for the next test.
    {
        QWidget probe;
        QTest::mouseRelease(&probe, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    }
    QCOMPARE(QGuiApplication::keyboardModifiers(), Qt::NoModifier);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestSelectDialog::formGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("hand") << "toolButton_1" << "QToolButton" << QRect(92, 498, 38, 51) << "Move";
    QTest::newRow("cut") << "toolButton_2" << "QToolButton" << QRect(156, 498, 50, 51) << "Cut";
    QTest::newRow("view") << "graphicsView" << "BitmapCtrl" << QRect(39, 63, 822, 412) << "";
    QTest::newRow("title") << "title" << "QLabel" << QRect(100, 0, 700, 50) << "";
    QTest::newRow("close") << "closeButton" << "QToolButton" << QRect(859, 6, 37, 37) << "";
    QTest::newRow("ok") << "okButton" << "QToolButton" << QRect(698, 498, 53, 51) << "";
    QTest::newRow("cancel") << "cancelButton" << "QToolButton" << QRect(772, 498, 73, 51) << "";
    QTest::newRow("zoom out image") << "zoominButton" << "QToolButton" << QRect(233, 498, 33, 51)
                                    << "Zoom out";
    QTest::newRow("zoom in image") << "zoomoutButton" << "QToolButton" << QRect(635, 498, 33, 51)
                                   << "Zoom in";
    QTest::newRow("slider") << "horizontalSlider" << "QSlider" << QRect(256, 498, 388, 51) << "";
}

void TestSelectDialog::formGeometry()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, toolTip);
    SelectDialog dialog(nullptr);
    QWidget* widget = dialog.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->parentWidget(), static_cast<QWidget*>(&dialog));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->toolTip(), toolTip);
}

void TestSelectDialog::skinImages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size"); // invalid: any size
    QTest::newRow("background") << "background2" << QSize(900, 556);
    QTest::newRow("title EN") << "Title_EN" << QSize(700, 50);
    QTest::newRow("title CN") << "Title_CN" << QSize(700, 50);
    const struct {
        const char* base;
        QSize size;
        bool checkable;
    } buttons[] = {
        {"Hand2", QSize(38, 51), true},          {"Cut", QSize(50, 51), true},
        {"Close2", QSize(37, 37), false},        {"Sure_EN", QSize(53, 51), false},
        {"Sure_CN", QSize(53, 51), false},       {"Cancel_EN", QSize(73, 51), false},
        {"Cancel_CN", QSize(73, 51), false},     {"HorizontalZoomOut", QSize(33, 51), false},
        {"HorizontalZoomIn", QSize(33, 51), false}, {"HorizontalSlider", QSize(22, 51), false},
    };
    for (const auto& button : buttons) {
        for (const char* state : {"Normal", "Selected", "Pressed"}) {
            const QString name = QStringLiteral("%1_%2").arg(QLatin1String(button.base),
                                                             QLatin1String(state));
            QTest::newRow(qPrintable(name)) << name << button.size;
        }
    }
}

// Every image the form and the dialog name must be compiled in, at the size
// of the control it skins.
void TestSelectDialog::skinImages()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage image(QStringLiteral(":/image/") + name + QStringLiteral(".png"));
    QVERIFY2(!image.isNull(), qPrintable(name));
    QCOMPARE(image.size(), size);
}

void TestSelectDialog::freshDialog()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    BitmapCtrl* view = viewOf(dialog);
    QWidget* viewport = view->viewport();

    QCOMPARE(dialog.objectName(), QStringLiteral("SelectDialog"));
    QCOMPARE(dialog.size(), QSize(900, 556));
    QCOMPARE(dialog.minimumSize(), QSize(900, 556));
    QCOMPARE(dialog.maximumSize(), QSize(900, 556));
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dialog.styleSheet().contains(QStringLiteral("url(:/image/background2.png)")));

    QCOMPARE(viewport->size(), QSize(820, 410));
    QCOMPARE(viewport->cursor().shape(), Qt::CrossCursor);
    QVERIFY(viewport->hasMouseTracking()); // hovering arms the handles
    QCOMPARE(view->focusPolicy(), Qt::NoFocus);
    QCOMPARE(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(view->backgroundBrush().color(), QColor(192, 192, 192));
    QCOMPARE(view->backgroundBrush().style(), Qt::SolidPattern);

    auto* hand = dialog.findChild<QToolButton*>(QStringLiteral("toolButton_1"));
    auto* cut = dialog.findChild<QToolButton*>(QStringLiteral("toolButton_2"));
    auto* close = dialog.findChild<QToolButton*>(QStringLiteral("closeButton"));
    QVERIFY(hand->isCheckable() && !hand->isChecked());
    QVERIFY(cut->isCheckable() && cut->isChecked());
    QCOMPARE(hand->nextInFocusChain(), static_cast<QWidget*>(cut));
    QCOMPARE(cut->nextInFocusChain(), static_cast<QWidget*>(close));

    auto* slider = dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"));
    QCOMPARE(slider->minimum(), 1);
    QCOMPARE(slider->maximum(), 25);
    QCOMPARE(slider->pageStep(), 5);
    QCOMPARE(slider->value(), 5);
    QCOMPARE(slider->orientation(), Qt::Horizontal);

    QCOMPARE(tester.scaleLevel(), 5);
    QCOMPARE(tester.tool(), int(TOOL_CUT));
    QCOMPARE(tester.lastPoint(), INVALID_POINT);
    QCOMPARE(tester.selectRect(),
             QRectF(2147483647.0, 2147483647.0, 2147483647.0, 2147483647.0));
    // No source yet: confirming still gives the blank bitmap.
    const QImage result = dialog.getSource();
    QCOMPARE(result.size(), QSize(128, 64));
    QCOMPARE(setPixels(result, result.rect()), 0);
}

void TestSelectDialog::viewportKeepsItsSizeWhenShown()
{
    SelectDialog dialog(nullptr);
    dialog.setSource(gradientPicture(300, 200));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(viewportOf(dialog)->size(), QSize(820, 410));
    QCOMPARE(viewOf(dialog)->image.size(), QSize(820, 410));
    dialog.close();
}

void TestSelectDialog::languageTakenAtConstruction_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("English") << "EN";
    QTest::newRow("Chinese") << "CN";
}

void TestSelectDialog::languageTakenAtConstruction()
{
    QFETCH(QString, suffix);
    language_suffix = suffix;
    SelectDialog dialog(nullptr);
    language_suffix = suffix == QLatin1String("EN") ? QStringLiteral("CN") : QStringLiteral("EN");

    auto* title = dialog.findChild<QLabel*>(QStringLiteral("title"));
    QVERIFY(!title->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(title->pixmap(Qt::ReturnByValue).toImage(),
             QPixmap(QStringLiteral(":/image/Title_%1.png").arg(suffix)).toImage());
    QCOMPARE(title->alignment(), Qt::AlignCenter);
    const QString ok = dialog.findChild<QToolButton*>(QStringLiteral("okButton"))->styleSheet();
    const QString cancel =
        dialog.findChild<QToolButton*>(QStringLiteral("cancelButton"))->styleSheet();
    for (const char* state : {"Normal", "Selected", "Pressed"}) {
        QVERIFY(ok.contains(QStringLiteral(":/image/Sure_%1_%2.png").arg(suffix, state)));
        QVERIFY(cancel.contains(QStringLiteral(":/image/Cancel_%1_%2.png").arg(suffix, state)));
    }
}

void TestSelectDialog::wideWorkedExample()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    // Left half black, right half white: an exact halving keeps the edge.
    QImage picture = filled(256, 128, Qt::white);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 0));
    }
    dialog.setSource(picture);
    QCOMPARE(tester.scaleFit(), 3.203125);
    QCOMPARE(tester.centerPoint(), QPoint(410, 205));
    QCOMPARE(tester.selectRect(), QRectF(-128, -64, 256, 128));
    QCOMPARE(tester.scaledSource().size(), QSize(820, 410));
    QCOMPARE(dialog.getSelectRect(), QRect(0, 0, 820, 410));
    QCOMPARE(viewOf(dialog)->select_frame, QRect(0, 0, 820, 410));

    const QImage result = dialog.getSource();
    QCOMPARE(result.size(), QSize(128, 64));
    QCOMPARE(result.format(), QImage::Format_Mono);
    QCOMPARE(result.colorTable(), (QVector<QRgb>{COLOR_BACK.rgb(), COLOR_FRONT.rgb()}));
    QCOMPARE(setPixels(result, QRect(0, 0, 64, 64)), 64 * 64);
    QCOMPARE(setPixels(result, QRect(64, 0, 64, 64)), 0);

    dialog.setSource(filled(256, 128, Qt::black));
    QCOMPARE(setPixels(dialog.getSource(), QRect(0, 0, 128, 64)), 128 * 64);
}

void TestSelectDialog::tallWorkedExample()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    dialog.setSource(filled(100, 200, Qt::black));
    QCOMPARE(tester.scaleFit(), 2.05);
    QCOMPARE(dialog.getSelectRect().size(), QSize(206, 410));
    const QImage result = dialog.getSource();
    for (int x = 0; x < 128; ++x) {
        const int expected = (x >= 48 && x <= 79) ? 64 : 0;
        QCOMPARE(setPixels(result, QRect(x, 0, 1, 64)), expected);
    }
}

void TestSelectDialog::darknessThreshold_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("set");
    QTest::newRow("gray 127") << QColor(127, 127, 127) << 128 * 64;
    QTest::newRow("gray 128") << QColor(128, 128, 128) << 0;
    QTest::newRow("white") << QColor(Qt::white) << 0;
    QTest::newRow("pure blue") << QColor(0, 0, 255) << 128 * 64;
}

void TestSelectDialog::darknessThreshold()
{
    QFETCH(QColor, colour);
    QFETCH(int, set);
    SelectDialog dialog(nullptr);
    dialog.setSource(filled(320, 160, colour));
    QCOMPARE(setPixels(dialog.getSource(), QRect(0, 0, 128, 64)), set);
}

void TestSelectDialog::selectionOffThePicture_data()
{
    QTest::addColumn<QRectF>("select_rect");
    QTest::addColumn<QRect>("setArea"); // every set pixel, and nothing else
    // A 256 x 128 black picture; centred coordinates run from -128 to 127.
    QTest::newRow("doubled to the right") << QRectF(-128, -64, 512, 128) << QRect(0, 16, 64, 32);
    QTest::newRow("shifted left by a quarter") << QRectF(-192, -64, 256, 128)
                                               << QRect(32, 0, 96, 64);
    QTest::newRow("upper half off the top") << QRectF(-128, -128, 256, 128)
                                            << QRect(0, 32, 128, 32);
    QTest::newRow("wholly off") << QRectF(200, 100, 60, 30) << QRect();
    QTest::newRow("zero width") << QRectF(-10, -10, 0, 20) << QRect();
    QTest::newRow("zero height") << QRectF(-10, -10, 20, 0) << QRect();
}

void TestSelectDialog::selectionOffThePicture()
{
    QFETCH(QRectF, select_rect);
    QFETCH(QRect, setArea);
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    dialog.setSource(filled(256, 128, Qt::black));
    tester.selectRect() = select_rect;
    tester.refresh();
    const QImage result = dialog.getSource();
    QCOMPARE(result.size(), QSize(128, 64));
    QCOMPARE(setPixels(result, QRect(0, 0, 128, 64)), setArea.width() * setArea.height());
    if (!setArea.isEmpty())
        QCOMPARE(setPixels(result, setArea), setArea.width() * setArea.height());
}

void TestSelectDialog::nullSource()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(QImage());
    QVERIFY(qIsFinite(tester.scaleFit()));
    QVERIFY(tester.scaledSource().isNull());
    const QImage view = viewOf(dialog)->image;
    QCOMPARE(view.size(), QSize(820, 410));
    QImage gray(view.size(), QImage::Format_RGB888);
    gray.fill(QColor(192, 192, 192));
    QCOMPARE(view, gray);
    QVERIFY(!viewOf(dialog)->select_frame.isValid());

    // Everything still works and nothing comes of it.
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    dragTo(viewport, QPoint(200, 150));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    QCOMPARE(dialog.getSelectRect(), QRect(100, 100, 100, 50));
    wheel(viewport, 240);
    QCOMPARE(tester.scaleLevel(), 7);
    const QImage result = dialog.getSource();
    QCOMPARE(result.size(), QSize(128, 64));
    QCOMPARE(result.format(), QImage::Format_Mono);
    QCOMPARE(result.colorTable(), (QVector<QRgb>{COLOR_BACK.rgb(), COLOR_FRONT.rgb()}));
    QCOMPARE(setPixels(result, result.rect()), 0);
}

void TestSelectDialog::secondSourceKeepsLevel()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    dialog.setSource(gradientPicture(256, 128));
    dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"))->setValue(9);
    tester.centerPoint() = QPoint(12, 34);
    dialog.setSource(gradientPicture(100, 200));
    QCOMPARE(tester.scaleLevel(), 9);
    QCOMPARE(tester.centerPoint(), QPoint(410, 205));
    QCOMPARE(tester.selectRect(), QRectF(-50, -100, 100, 200));
    QCOMPARE(tester.scaledSource().size(), QSize(369, 738)); // 2.05 * 9 / 5 = 3.69
}

void TestSelectDialog::zoomButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("zoom-out image lowers") << "zoominButton" << 5 << 4;
    QTest::newRow("zoom-in image raises") << "zoomoutButton" << 5 << 6;
    QTest::newRow("not below 1") << "zoominButton" << 1 << 1;
    QTest::newRow("not above 25") << "zoomoutButton" << 25 << 25;
    QTest::newRow("down to 1") << "zoominButton" << 2 << 1;
}

void TestSelectDialog::zoomButtons()
{
    QFETCH(QString, button);
    QFETCH(int, from);
    QFETCH(int, to);
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    dialog.setSource(gradientPicture(256, 128));
    auto* slider = dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"));
    slider->setValue(from);
    QSignalSpy changes(slider, &QSlider::valueChanged);
    QTest::mouseClick(dialog.findChild<QToolButton*>(button), Qt::LeftButton);
    QCOMPARE(slider->value(), to);
    QCOMPARE(changes.count(), from == to ? 0 : 1);
    QCOMPARE(tester.scaleLevel(), to);
    // 256 x 128 fits 820 x 410 at level 5: 164 x 82 per level.
    QCOMPARE(tester.scaledSource().size(), QSize(164 * to, 82 * to));
}

void TestSelectDialog::scaleKeepsCentreAndSelection()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    dialog.setSource(gradientPicture(410, 205));
    tester.selectRect() = QRectF(-50, -20, 100, 40);
    tester.centerPoint() = QPoint(300, 150);
    dialog.onScale(10);
    QCOMPARE(tester.selectRect(), QRectF(-50, -20, 100, 40));
    QCOMPARE(tester.centerPoint(), QPoint(300, 150));
    // k = 2 * 10 / 5 = 4.
    QCOMPARE(dialog.getSelectRect(), QRect(100, 70, 400, 160));
    QCOMPARE(viewOf(dialog)->select_frame, QRect(100, 70, 400, 160));
}

void TestSelectDialog::toolButtons()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    auto* hand = dialog.findChild<QToolButton*>(QStringLiteral("toolButton_1"));
    auto* cut = dialog.findChild<QToolButton*>(QStringLiteral("toolButton_2"));
    QWidget* viewport = viewportOf(dialog);

    QTest::mouseClick(hand, Qt::LeftButton);
    QCOMPARE(tester.tool(), int(TOOL_MOVE));
    QVERIFY(hand->isChecked() && !cut->isChecked());
    QCOMPARE(viewport->cursor().shape(), Qt::OpenHandCursor);

    QTest::mouseClick(hand, Qt::LeftButton); // a second click does not uncheck it
    QVERIFY(hand->isChecked() && !cut->isChecked());

    QTest::mouseClick(cut, Qt::LeftButton);
    QCOMPARE(tester.tool(), int(TOOL_CUT));
    QVERIFY(!hand->isChecked() && cut->isChecked());
    QCOMPARE(viewport->cursor().shape(), Qt::CrossCursor);
}

void TestSelectDialog::viewImageAtLevel25()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205)); // fit 2, so k = 10 at level 25
    dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"))->setValue(25);
    const QImage& scaled = tester.scaledSource();
    QCOMPARE(scaled.size(), QSize(4100, 2050));

    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(400, 200));
    dragTo(viewport, QPoint(450, 230));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(450, 230));
    QCOMPARE(dialog.getSelectRect(), QRect(400, 200, 50, 30));

    // Pan until the picture's last column is viewport column 599.
    QTest::mousePress(viewport, Qt::LeftButton, Qt::ControlModifier, QPoint(800, 300));
    dragTo(viewport, QPoint(-1060, 300));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::ControlModifier, QPoint(-1060, 300));
    QCOMPARE(tester.centerPoint(), QPoint(-1450, 205));
    QCOMPARE(dialog.getSelectRect(), QRect(-1460, 200, 50, 30));

    // A selection across the picture's right edge: columns 570 ... 629.
    tester.selectRect() = QRectF(202, -5.5, 6, 4);
    tester.refresh();
    const QRect rect_sel(570, 150, 60, 40);
    QCOMPARE(dialog.getSelectRect(), rect_sel);
    QCOMPARE(viewOf(dialog)->select_frame, rect_sel);

    const QImage view = viewOf(dialog)->image;
    QCOMPARE(view.size(), QSize(820, 410));
    for (int y = 0; y < 410; ++y) {
        for (int x = 0; x < 820; ++x) {
            const bool on_picture = x <= 599;
            const bool selected = rect_sel.contains(x, y);
            QRgb expected;
            if (on_picture) {
                const QRgb c = scaled.pixel(x + 1450 + 2050, y - 205 + 1025);
                expected = selected ? c
                                    : qRgb((3 * qRed(c) + 3) / 4, (3 * qGreen(c) + 3) / 4,
                                           (3 * qBlue(c) + 3) / 4);
            } else {
                expected = selected ? qRgb(255, 255, 255) : qRgb(192, 192, 192);
            }
            if (view.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("view pixel (%1,%2)").arg(x).arg(y)));
        }
    }
}

void TestSelectDialog::cutPressStartsOnePixelSelection()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205)); // k = 2, s = 10
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
    QCOMPARE(tester.selectRect(), QRectF(-155, -77.5, 0.5, 0.5));
    QCOMPARE(dialog.getSelectRect(), QRect(100, 50, 1, 1));
    QCOMPARE(viewOf(dialog)->select_frame, QRect(100, 50, 1, 1));
    QCOMPARE(tester.lastPoint(), QPoint(100, 50));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
    QCOMPARE(tester.lastPoint(), INVALID_POINT);

    // Other buttons do nothing.
    QTest::mousePress(viewport, Qt::RightButton, Qt::NoModifier, QPoint(300, 300));
    QCOMPARE(dialog.getSelectRect(), QRect(100, 50, 1, 1));
    QCOMPARE(tester.lastPoint(), INVALID_POINT);
    QTest::mouseRelease(viewport, Qt::RightButton, Qt::NoModifier, QPoint(300, 300));
}

void TestSelectDialog::rubberBand_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("down right") << QPoint(100, 50) << QPoint(300, 200) << QRect(100, 50, 200, 150);
    // Flipping an edge truncates the old one toward zero: the top at -77.5
    // source pixels becomes a bottom at -77, half a source pixel lower.
    QTest::newRow("up left normalised") << QPoint(100, 50) << QPoint(50, 20)
                                        << QRect(50, 20, 50, 31);
    QTest::newRow("up right") << QPoint(100, 50) << QPoint(400, 10) << QRect(100, 10, 300, 41);
    QTest::newRow("beyond the viewport") << QPoint(700, 300) << QPoint(1000, 600)
                                         << QRect(700, 300, 300, 300);
    QTest::newRow("back to the press point") << QPoint(100, 50) << QPoint(100, 50)
                                             << QRect(100, 50, 0, 0);
}

void TestSelectDialog::rubberBand()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, to);
    QFETCH(QRect, expected);
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, press);
    dragTo(viewport, (press + to) / 2);
    dragTo(viewport, to);
    QCOMPARE(tester.lastPoint(), press); // the band runs from the press point
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
    QCOMPARE(dialog.getSelectRect(), expected);
    QVERIFY(tester.selectRect().width() >= 0 && tester.selectRect().height() >= 0);
    QCOMPARE(viewOf(dialog)->select_frame, expected);
}

void TestSelectDialog::pressInsideSelectionStartsAgain()
{
    SelectDialog dialog(nullptr);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    QCOMPARE(dialog.getSelectRect(), QRect(0, 1, 820, 410));
    hover(viewport, QPoint(400, 200));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(400, 200));
    QCOMPARE(dialog.getSelectRect(), QRect(400, 200, 1, 1));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(400, 200));
}

void TestSelectDialog::doubleClickActsAsPress()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(222, 111));
    QCOMPARE(dialog.getSelectRect(), QRect(222, 111, 1, 1));
    QCOMPARE(tester.lastPoint(), QPoint(222, 111));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(222, 111));
}

void TestSelectDialog::hoverArmsHandles_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("cursor");
    // Whole 410 x 205 picture selected: L 0, T 1, R 819, B 410; middles at 410 and 206.
    QTest::newRow("top-left") << QPoint(0, 1) << int(TOOL_TOP_LEFT) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right") << QPoint(809, 11) << int(TOOL_TOP_RIGHT)
                               << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-right") << QPoint(819, 405) << int(TOOL_BOTTOM_RIGHT)
                                  << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-left") << QPoint(10, 400) << int(TOOL_BOTTOM_LEFT)
                                 << int(Qt::SizeBDiagCursor);
    QTest::newRow("top") << QPoint(400, 5) << int(TOOL_TOP) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom") << QPoint(420, 409) << int(TOOL_BOTTOM) << int(Qt::SizeVerCursor);
    QTest::newRow("left") << QPoint(3, 200) << int(TOOL_LEFT) << int(Qt::SizeHorCursor);
    QTest::newRow("right") << QPoint(815, 216) << int(TOOL_RIGHT) << int(Qt::SizeHorCursor);
    QTest::newRow("inside") << QPoint(400, 200) << int(TOOL_CUT) << int(Qt::CrossCursor);
    QTest::newRow("just past a corner") << QPoint(11, 1) << int(TOOL_CUT) << int(Qt::CrossCursor);
}

void TestSelectDialog::hoverArmsHandles()
{
    QFETCH(QPoint, pos);
    QFETCH(int, tool);
    QFETCH(int, cursor);
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    hover(viewport, pos);
    QCOMPARE(tester.tool(), tool);
    QCOMPARE(int(viewport->cursor().shape()), cursor);
    // Hovering away disarms.
    hover(viewport, QPoint(300, 150));
    QCOMPARE(tester.tool(), int(TOOL_CUT));
    QCOMPARE(viewport->cursor().shape(), Qt::CrossCursor);
    // The hand tool ignores hovering.
    dialog.onMove();
    hover(viewport, pos);
    QCOMPARE(tester.tool(), int(TOOL_MOVE));
    QCOMPARE(viewport->cursor().shape(), Qt::OpenHandCursor);
}

void TestSelectDialog::handleDragFlipsWithoutLosingTheDrag()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
    dragTo(viewport, QPoint(300, 200));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QCOMPARE(dialog.getSelectRect(), QRect(100, 50, 200, 150));

    hover(viewport, QPoint(102, 125)); // left middle: (100, 125)
    QCOMPARE(tester.tool(), int(TOOL_LEFT));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(102, 125));
    dragTo(viewport, QPoint(152, 140));
    QCOMPARE(dialog.getSelectRect(), QRect(150, 50, 150, 150));
    dragTo(viewport, QPoint(402, 90)); // past the right edge
    QCOMPARE(dialog.getSelectRect(), QRect(300, 50, 100, 150));
    QCOMPARE(tester.tool(), int(TOOL_LEFT));
    dragTo(viewport, QPoint(52, 125)); // and back beyond the old left edge
    QCOMPARE(dialog.getSelectRect(), QRect(50, 50, 250, 150));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(52, 125));
    QCOMPARE(tester.tool(), int(TOOL_LEFT)); // until the next hover

    hover(viewport, QPoint(300, 200)); // bottom-right corner (299, 199)
    QCOMPARE(tester.tool(), int(TOOL_BOTTOM_RIGHT));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    dragTo(viewport, QPoint(20, 30)); // across both opposite edges
    // The old top, -77.5 source pixels, is truncated to -77 as it becomes the bottom.
    QCOMPARE(dialog.getSelectRect(), QRect(20, 30, 30, 21));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
}

void TestSelectDialog::handPans()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    QTest::mouseClick(dialog.findChild<QToolButton*>(QStringLiteral("toolButton_1")),
                      Qt::LeftButton);
    const QRectF selection = tester.selectRect();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QCOMPARE(viewport->cursor().shape(), Qt::ClosedHandCursor);
    dragTo(viewport, QPoint(130, 90));
    dragTo(viewport, QPoint(160, 95));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(160, 95));
    QCOMPARE(viewport->cursor().shape(), Qt::OpenHandCursor);
    QCOMPARE(tester.centerPoint(), QPoint(470, 200));
    QCOMPARE(tester.selectRect(), selection); // the selection moves with the picture
    QCOMPARE(dialog.getSelectRect(), QRect(60, -4, 820, 410));
    // The view image follows: the picture now starts at column 60.
    QCOMPARE(viewOf(dialog)->image.pixel(59, 100), qRgb(192, 192, 192));
    QVERIFY(viewOf(dialog)->image.pixel(60, 100) != qRgb(192, 192, 192));
}

void TestSelectDialog::controlDragPansInAnyTool()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
    dragTo(viewport, QPoint(300, 200));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    const QRectF selection = tester.selectRect();

    QTest::mousePress(viewport, Qt::LeftButton, Qt::ControlModifier, QPoint(500, 300));
    QCOMPARE(QGuiApplication::keyboardModifiers(), Qt::ControlModifier);
    dragTo(viewport, QPoint(480, 320));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::ControlModifier, QPoint(480, 320));
    QCOMPARE(tester.centerPoint(), QPoint(390, 225));
    QCOMPARE(tester.selectRect(), selection);
    QCOMPARE(dialog.getSelectRect(), QRect(80, 70, 200, 150));
    QCOMPARE(tester.tool(), int(TOOL_CUT));
    QCOMPARE(viewport->cursor().shape(), Qt::OpenHandCursor);
    QCOMPARE(tester.lastPoint(), INVALID_POINT);
}

void TestSelectDialog::shiftDoesNothing_data()
{
    QTest::addColumn<bool>("hand");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("cut, Shift") << false << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("hand, Shift") << true << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("cut, Control+Shift")
        << false << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("cut, Alt") << false << Qt::KeyboardModifiers(Qt::AltModifier);
}

void TestSelectDialog::shiftDoesNothing()
{
    QFETCH(bool, hand);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    if (hand)
        dialog.onMove();
    const Qt::CursorShape cursor = viewport->cursor().shape();
    const QImage view = viewOf(dialog)->image;

    QTest::mousePress(viewport, Qt::LeftButton, modifiers, QPoint(100, 50));
    dragTo(viewport, QPoint(300, 200));
    hover(viewport, QPoint(0, 1)); // over the top-left handle
    QTest::mouseRelease(viewport, Qt::LeftButton, modifiers, QPoint(300, 200));

    QCOMPARE(tester.selectRect(), QRectF(-205, -102, 410, 205));
    QCOMPARE(tester.centerPoint(), QPoint(410, 205));
    QCOMPARE(tester.lastPoint(), INVALID_POINT);
    QCOMPARE(tester.tool(), hand ? int(TOOL_MOVE) : int(TOOL_CUT));
    QCOMPARE(viewport->cursor().shape(), cursor);
    QCOMPARE(viewOf(dialog)->image, view);
}

void TestSelectDialog::controlKeyStopsRubberBand()
{
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
    dragTo(viewport, QPoint(200, 100));
    QCOMPARE(dialog.getSelectRect(), QRect(100, 50, 100, 50));

    QTest::keyPress(&dialog, Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(tester.lastPoint(), INVALID_POINT);
    QCOMPARE(viewport->cursor().shape(), Qt::OpenHandCursor);
    dragTo(viewport, QPoint(300, 300)); // with Control held: no jump of the picture
    QCOMPARE(tester.centerPoint(), QPoint(410, 205));
    QCOMPARE(dialog.getSelectRect(), QRect(100, 50, 100, 50));

    QTest::keyRelease(&dialog, Qt::Key_Control, Qt::NoModifier);
    dragTo(viewport, QPoint(350, 350)); // nor once it is released
    QCOMPARE(tester.centerPoint(), QPoint(410, 205));
    QCOMPARE(dialog.getSelectRect(), QRect(100, 50, 100, 50));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(350, 350));
}

void TestSelectDialog::controlKeyRelease_data()
{
    QTest::addColumn<bool>("hand");
    QTest::addColumn<QPoint>("hoverAt");
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("cursor");
    QTest::newRow("cut") << false << QPoint(400, 200) << int(TOOL_CUT) << int(Qt::CrossCursor);
    QTest::newRow("armed handle") << false << QPoint(0, 1) << int(TOOL_CUT)
                                  << int(Qt::CrossCursor);
    QTest::newRow("hand: closed hand") << true << QPoint(400, 200) << int(TOOL_MOVE)
                                       << int(Qt::ClosedHandCursor);
}

void TestSelectDialog::controlKeyRelease()
{
    QFETCH(bool, hand);
    QFETCH(QPoint, hoverAt);
    QFETCH(int, tool);
    QFETCH(int, cursor);
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    QWidget* viewport = viewportOf(dialog);
    dialog.setSource(gradientPicture(410, 205));
    if (hand)
        dialog.onMove();
    hover(viewport, hoverAt);
    QTest::keyPress(&dialog, Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(viewport->cursor().shape(), Qt::OpenHandCursor);
    QTest::keyRelease(&dialog, Qt::Key_Control, Qt::NoModifier);
    QCOMPARE(tester.tool(), tool);
    QCOMPARE(int(viewport->cursor().shape()), cursor);
    QCOMPARE(tester.lastPoint(), INVALID_POINT);
}

void TestSelectDialog::wheelMovesSlider_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("to");
    QTest::newRow("60 nothing") << 5 << 60 << 5;
    QTest::newRow("240 two up") << 5 << 240 << 7;
    QTest::newRow("-130 one down") << 5 << -130 << 4;
    QTest::newRow("at maximum") << 25 << 120 << 25;
    QTest::newRow("at minimum") << 1 << -120 << 1;
    QTest::newRow("clamped") << 23 << 600 << 25;
}

void TestSelectDialog::wheelMovesSlider()
{
    QFETCH(int, from);
    QFETCH(int, delta);
    QFETCH(int, to);
    SelectDialog dialog(nullptr);
    SelectDialogTester tester(dialog);
    dialog.setSource(gradientPicture(256, 128));
    auto* slider = dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"));
    slider->setValue(from);
    wheel(viewportOf(dialog), delta);
    QCOMPARE(slider->value(), to);
    QCOMPARE(tester.scaleLevel(), to);
    QCOMPARE(tester.scaledSource().width(), 164 * to);
}

void TestSelectDialog::execAnswers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("ok accepts") << "okButton" << int(QDialog::Accepted);
    QTest::newRow("cancel rejects") << "cancelButton" << int(QDialog::Rejected);
    QTest::newRow("close rejects") << "closeButton" << int(QDialog::Rejected);
}

void TestSelectDialog::execAnswers()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    SelectDialog dialog(nullptr);
    dialog.setSource(gradientPicture(256, 128));
    QTimer::singleShot(0, &dialog, [&dialog, button]() {
        QTest::mouseClick(dialog.findChild<QToolButton*>(button), Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), result);
}

void TestSelectDialog::escapeRejects()
{
    SelectDialog dialog(nullptr);
    dialog.setSource(gradientPicture(256, 128));
    QTimer::singleShot(0, &dialog, [&dialog]() { QTest::keyClick(&dialog, Qt::Key_Escape); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
}

// The whole road: shown modally, a selection dragged on the view, confirmed.
void TestSelectDialog::confirmAfterDraggingASelection()
{
    SelectDialog dialog(nullptr);
    // Black on the left half of the picture, white on the right.
    QImage picture = filled(410, 205, Qt::white);
    for (int y = 0; y < 205; ++y) {
        for (int x = 0; x < 205; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 0));
    }
    dialog.setSource(picture);
    QTimer::singleShot(0, &dialog, [&dialog]() {
        QWidget* viewport = viewportOf(dialog);
        QCOMPARE(viewport->size(), QSize(820, 410));
        // View x 410 is the picture's column 205, the black/white edge.
        hover(viewport, QPoint(250, 100));
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(250, 100));
        dragTo(viewport, QPoint(490, 300));
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(490, 300));
        QTest::mouseClick(dialog.findChild<QToolButton*>(QStringLiteral("okButton")),
                          Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.getSelectRect(), QRect(250, 100, 240, 200));
    // 240 x 200 becomes 76 x 64 at columns 26 ... 101; two thirds of it black.
    const QImage result = dialog.getSource();
    QCOMPARE(setPixels(result, QRect(0, 0, 26, 64)), 0);
    QCOMPARE(setPixels(result, QRect(102, 0, 26, 64)), 0);
    QCOMPARE(setPixels(result, QRect(26, 0, 50, 64)), 50 * 64);
    QCOMPARE(setPixels(result, QRect(77, 0, 25, 64)), 0);
}

QTEST_MAIN(TestSelectDialog)
#include "tst_selectdialog.moc"
