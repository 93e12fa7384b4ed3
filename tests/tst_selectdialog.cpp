// The crop dialog: its geometry and pixel work, and the dialog itself driven
// through real events on its view and its conversion controls.

#include "canvasimage.h"
#include "selectdialog.h"
#include "selectgeometry.h"
#include "testsupport.h"

#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QToolButton>

Q_DECLARE_METATYPE(ConversionSettings)
Q_DECLARE_METATYPE(DitherMethod)

// Owns the dialog and reaches its private state; widgets found by object name.
class SelectDialogTester
{
public:
    SelectDialog d;
    QRectF& selectRect() { return d.select_rect; }
    QPoint centerPoint() const { return d.center_point; }
    const QImage& scaled() const { return d.scaled_source; }
    const QImage& source() const { return d.source; }
    int tool() const { return d.tool; }
    bool previewExact() const { return d.preview_exact; }
    template <typename T> T* child(const char* name) { return d.findChild<T*>(name); }
    BitmapCtrl* view() { return child<BitmapCtrl>("graphicsView"); }
    QWidget* viewport() { return view()->viewport(); }
    QRect sel() const { return d.getSelectRect(); }
    void click(const char* name) { QTest::mouseClick(child<QToolButton>(name), Qt::LeftButton); }
    // What OK makes of the selection now, worked out afresh.
    QImage exact() const
    {
        const SelectionPlan plan = planSelection(d.source.size(), d.select_rect, sel().size());
        return thresholdRegion(d.source, plan.rect_src, plan.rect_dst, d.getConversion());
    }
    // The bitmap the preview shows, each 2 x 2 cell of its painting read
    // back; null when a cell is not one of the canvas's two colours all over.
    QImage shown()
    {
        const QImage cells = child<QWidget>("previewView")->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage bitmap = newBitmap();
        if (cells.size() != 2 * bitmap.size())
            return QImage();
        for (int y = 0; y < cells.height(); ++y) {
            for (int x = 0; x < cells.width(); ++x) {
                const QRgb c = cells.pixel(x, y);
                if ((c != CANVAS_SET && c != CANVAS_CLEAR) || c != cells.pixel(x & ~1, y & ~1))
                    return QImage();
                bitmap.setPixel(x / 2, y / 2, c == CANVAS_SET);
            }
        }
        return bitmap;
    }
};

namespace {

// Gradients in x and y with fine texture, so a misplaced row or column shows.
QImage gradient(int width, int height, QImage::Format format = QImage::Format_RGB888)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * 7) ^ (y * 13)));
    return image.convertToFormat(format);
}

// Sky, a red disc, a black bar and blue lettering over sensor noise.
QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator noise(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(90 + 120 * x / width + noise.bounded(12), 110 + 90 * y / height,
                                      220 - 160 * y / height + noise.bounded(12)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(200, 30, 30));
    painter.drawEllipse(QRectF(0.1 * width, 0.15 * height, 0.3 * width, 0.35 * height));
    painter.fillRect(QRectF(0.6 * width, 0.6 * height, 0.2 * width, 0.15 * height), Qt::black);
    QFont font;
    font.setPixelSize(height / 9);
    painter.setFont(font);
    painter.setPen(QColor(20, 40, 160));
    painter.drawText(QPointF(0.1 * width, 0.85 * height), QStringLiteral("Dotwright 128 x 64"));
    return image;
}

int countSet(const QImage& bitmap, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += bitmap.pixelIndex(x, y);
    return count;
}

// Not spontaneous, so the modifier state of the last press stays.
void moveTo(QWidget* viewport, const QPoint& pos, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent move(QEvent::MouseMove, pos, QPointF(), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

void drag(QWidget* viewport, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mousePress(viewport, Qt::LeftButton, modifiers, from);
    moveTo(viewport, (from + to) / 2);
    moveTo(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, modifiers, to);
}

// The first view pixel off its kind of area, else (-1, -1): gray off the
// picture and the selection, white in the selection off the picture, the
// picture as is in the selection and c - c / 4 = ceil(3c / 4) outside it.
QPoint viewMismatch(const QImage& view, const QImage& scaled, QPoint center, QRect sel)
{
    const QPoint origin(center.x() - scaled.width() / 2, center.y() - scaled.height() / 2);
    for (int y = 0; y < view.height(); ++y) {
        for (int x = 0; x < view.width(); ++x) {
            const bool selected = sel.contains(x, y);
            QRgb want = selected ? qRgb(255, 255, 255) : qRgb(192, 192, 192);
            if (QRect(origin, scaled.size()).contains(x, y)) {
                const QRgb c = scaled.pixel(QPoint(x, y) - origin);
                want = selected ? c : qRgb((3 * qRed(c) + 3) / 4, (3 * qGreen(c) + 3) / 4,
                                           (3 * qBlue(c) + 3) / 4);
            }
            if (view.pixel(x, y) != (want | 0xff000000u))
                return QPoint(x, y);
        }
    }
    return QPoint(-1, -1);
}

} // namespace

class TestSelectDialog : public QObject
{
    Q_OBJECT

private slots:
    void composeViewAreas_data();
    void composeViewAreas();
    void handleSquares_data();
    void handleSquares();
    void bitmapFromSelection_data();
    void bitmapFromSelection();
    void wheelSteps_data();
    void wheelSteps();
    void mouseOnTheView_data();
    void mouseOnTheView();
    void panAtLevel25();
    void execAnswers();
    void sameAsStraightforwardCalls_data();
    void sameAsStraightforwardCalls();
    void smoothScaledIsTheToolkits_data();
    void smoothScaledIsTheToolkits();
    void clickAtLevel25_data();
    void clickAtLevel25();
    void takenWithoutCopy();
    void stepsKeepEarlierPictures();
    void averagesOverFractionalBoxes_data();
    void averagesOverFractionalBoxes();
    void controlsSetTheConversion_data();
    void controlsSetTheConversion();
    void previewFollowsADrag_data();
    void previewFollowsADrag();
    void proposedIsWhatAFreshDialogMakes_data();
    void proposedIsWhatAFreshDialogMakes();
    void fitsASmallScreen();
};

void TestSelectDialog::composeViewAreas_data()
{
    QTest::addColumn<QSize>("viewport");
    QTest::addColumn<QSize>("scaled");
    QTest::addColumn<QPoint>("center");
    QTest::addColumn<QRect>("sel");
    const QSize v(820, 410), small(40, 30), p(300, 200), l25(205, 103);
    QTest::newRow("whole") << v << v << QPoint(410, 205) << QRect(0, 0, 820, 410);
    QTest::newRow("partly off") << v << p << QPoint(410, 205) << QRect(500, 150, 200, 200);
    QTest::newRow("wholly off") << v << p << QPoint(200, 205) << QRect(600, 50, 100, 80);
    QTest::newRow("zero width") << v << p << QPoint(410, 205) << QRect(400, 100, 0, 100);
    QTest::newRow("picture off view") << v << p << QPoint(-400, 205) << QRect(10, 10, 50, 50);
    QTest::newRow("level 25, small") << small << l25 << QPoint(20, 15) << QRect(5, 7, 21, 13);
    QTest::newRow("level 25, spill") << small << l25 << QPoint(140, 60) << QRect(-10, 22, 70, 30);
}

void TestSelectDialog::composeViewAreas()
{
    QFETCH(QSize, viewport);
    QFETCH(QSize, scaled);
    QFETCH(QPoint, center);
    QFETCH(QRect, sel);
    QImage stale(viewport, QImage::Format_RGB888); // a reused buffer must not shine through
    stale.fill(Qt::green);
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
        const QImage picture = gradient(scaled.width(), scaled.height(), format);
        for (const QImage& buffer : {QImage(), stale}) {
            const QImage view = composeView(picture, viewport, center, sel, buffer);
            QCOMPARE(view.size(), viewport);
            QCOMPARE(viewMismatch(view, picture, center, sel), QPoint(-1, -1));
        }
    }
}

void TestSelectDialog::handleSquares_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("half"); // -1: no corner handles at all
    for (const QPoint& row : {QPoint(1, -1), {2, 0}, {3, 0}, {4, 1}, {6, 2}, {10, 2}, {11, 2},
                              {14, 2}, {15, 3}, {18, 3}, {19, 4}, {42, 9}, {43, 10}, {800, 10}})
        QTest::addRow("width %d", row.x()) << row.x() << row.y();
}

// Probed outward from the top-left corner, where no other handle reaches.
void TestSelectDialog::handleSquares()
{
    QFETCH(int, width);
    QFETCH(int, half);
    const QRect sel(100, 100, width, 60);
    const int edge = qMax(half, 0);
    QCOMPARE(hitHandle(sel, QPoint(100 - edge, 100 - edge)), half < 0 ? -1 : 0);
    QCOMPARE(hitHandle(sel, QPoint(99 - edge, 100)), -1);
    QCOMPARE(hitHandle(sel, QPoint(100, 99 - edge)), -1);
    if (width >= 10) // the top middle handle, from 11 wide on
        QCOMPARE(hitHandle(sel, QPoint(100 + width / 2, 100)), width >= 11 ? 4 : -1);
}

void TestSelectDialog::bitmapFromSelection_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QRectF>("sel"); // null: the whole picture, as opened
    QTest::addColumn<QRect>("set");  // every set pixel, and nothing else
    const auto row = [](const char* name, QSize source, QColor colour, QRectF sel, QRect set) {
        QTest::newRow(name) << source << colour << sel << set;
    };
    const QSize wide(256, 128);
    const QRect all(0, 0, 128, 64);
    row("256x128 fills", wide, Qt::black, QRectF(), all);
    row("100x200 in 48..79", QSize(100, 200), Qt::black, QRectF(), QRect(48, 0, 32, 64));
    row("grey 127 set", wide, QColor(127, 127, 127), QRectF(), all);
    row("grey 128 clear", wide, QColor(128, 128, 128), QRectF(), QRect());
    row("pure green light", wide, QColor(0, 255, 0), QRectF(), QRect());
    row("doubled rightward", wide, Qt::black, QRectF(-128, -64, 512, 128), QRect(0, 16, 64, 32));
    row("shifted left", wide, Qt::black, QRectF(-192, -64, 256, 128), QRect(32, 0, 96, 64));
    row("half off the top", wide, Qt::black, QRectF(-128, -128, 256, 128), QRect(0, 32, 128, 32));
    row("wholly off", wide, Qt::black, QRectF(200, 100, 60, 30), QRect());
    row("zero width", wide, Qt::black, QRectF(-10, -10, 0, 20), QRect());
    row("no picture", QSize(), Qt::black, QRectF(), QRect());
}

void TestSelectDialog::bitmapFromSelection()
{
    QFETCH(QSize, source);
    QFETCH(QColor, colour);
    QFETCH(QRectF, sel);
    QFETCH(QRect, set);
    SelectDialogTester t;
    QImage picture(source, QImage::Format_RGB888);
    picture.fill(colour);
    t.d.setSource(picture);
    t.selectRect() = sel.isNull() ? t.selectRect() : sel;
    const QImage bitmap = t.d.getSource();
    QCOMPARE(bitmap.colorTable(), (QVector<QRgb>{COLOR_BACK.rgb(), COLOR_FRONT.rgb()}));
    QCOMPARE(countSet(bitmap, bitmap.rect()), set.width() * set.height());
    QCOMPARE(countSet(bitmap, set), set.width() * set.height());
}

void TestSelectDialog::wheelSteps_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("to");
    QTest::newRow("half a notch") << 5 << 60 << 5;
    QTest::newRow("two notches up") << 5 << 240 << 7;
    QTest::newRow("-130 one down") << 5 << -130 << 4;
    QTest::newRow("clamped down") << 2 << -480 << 1;
}

void TestSelectDialog::wheelSteps()
{
    QFETCH(int, from);
    QFETCH(int, delta);
    QFETCH(int, to);
    SelectDialogTester t;
    t.d.setSource(gradient(256, 128));
    t.child<QSlider>("horizontalSlider")->setValue(from);
    QWheelEvent wheel(QPointF(100, 100), QPointF(), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(t.viewport(), &wheel);
    QCOMPARE(t.child<QSlider>("horizontalSlider")->value(), to);
    // 256 x 128 fits the 820 x 410 view at level 5: 164 x 82 per level.
    QCOMPARE(t.scaled().size(), QSize(164 * to, 82 * to));
    t.click("zoomoutButton"); // the larger picture
    QCOMPARE(t.child<QSlider>("horizontalSlider")->value(), to + 1);
    t.click("zoominButton");
    QCOMPARE(t.child<QSlider>("horizontalSlider")->value(), to);
}

void TestSelectDialog::mouseOnTheView_data()
{
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    const auto row = [](const char* name, QPoint grab, QPoint to, int cursor, QRect expected,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::newRow(name) << grab << to << cursor << expected << modifiers;
    };
    // Handles of the 100,50 200x150 selection: edges 100, 50, 299, 199; middles 200, 125.
    row("top-left", {100, 50}, {110, 60}, Qt::SizeFDiagCursor, {110, 60, 190, 140});
    row("top-right", {299, 50}, {319, 40}, Qt::SizeBDiagCursor, {100, 40, 220, 160});
    row("bottom-right", {299, 199}, {289, 209}, Qt::SizeFDiagCursor, {100, 50, 190, 160});
    row("top", {200, 50}, {230, 70}, Qt::SizeVerCursor, {100, 70, 200, 130});
    row("left", {100, 125}, {150, 140}, Qt::SizeHorCursor, {150, 50, 150, 150});
    row("right", {299, 125}, {279, 125}, Qt::SizeHorCursor, {100, 50, 180, 150});
    row("left past right", {109, 125}, {409, 90}, Qt::SizeHorCursor, {300, 50, 100, 150});
    // Flipped edges are truncated: the old top, -77.5 source pixels, becomes -77.
    row("corner past both", {309, 209}, {29, 39}, Qt::SizeFDiagCursor, {20, 30, 80, 21});
    row("inside: a new band", {200, 125}, {150, 100}, Qt::CrossCursor, {150, 100, 50, 25});
    row("zero width band", {200, 125}, {200, 160}, Qt::CrossCursor, {200, 125, 0, 35});
    const QRect same(100, 50, 200, 150); // other modifiers do nothing
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    row("Shift on a handle", {100, 50}, {110, 60}, Qt::SizeFDiagCursor, same, shift);
}

void TestSelectDialog::mouseOnTheView()
{
    QFETCH(QPoint, grab);
    QFETCH(QPoint, to);
    QFETCH(int, cursor);
    QFETCH(QRect, expected);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    SelectDialogTester t;
    t.d.setSource(gradient(205, 205)); // square: the height sets k = 2
    drag(t.viewport(), QPoint(100, 50), QPoint(300, 200));
    moveTo(t.viewport(), grab, Qt::NoButton);
    QCOMPARE(int(t.viewport()->cursor().shape()), cursor);
    drag(t.viewport(), grab, to, modifiers);
    QCOMPARE(t.sel(), expected);
    QCOMPARE(t.view()->select_frame, expected);
    if (modifiers)
        return; // hovering with them held does nothing either
    moveTo(t.viewport(), QPoint(700, 380), Qt::NoButton); // away from every handle
    QCOMPARE(t.viewport()->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(t.tool(), int(TOOL_CUT));
}

// Panned with Ctrl in the cut tool, then with the hand tool, at level 25 and
// with the selection across the picture's right edge: all four kinds of area
// meet the selection's frame.
void TestSelectDialog::panAtLevel25()
{
    SelectDialogTester t;
    t.d.setSource(gradient(410, 205));
    QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, QPoint(123, 45));
    QCOMPARE(t.sel(), QRect(123, 45, 1, 1)); // a click selects one view pixel
    drag(t.viewport(), QPoint(700, 180), QPoint(830, 230)); // to column 210 of -205..204
    t.child<QSlider>("horizontalSlider")->setValue(25);    // k = 10
    pressCtrl(&t.d);
    QCOMPARE(t.viewport()->cursor().shape(), Qt::OpenHandCursor);
    drag(t.viewport(), QPoint(800, 300), QPoint(0, 305), Qt::ControlModifier);
    pressCtrl(&t.d, false);
    QCOMPARE(t.viewport()->cursor().shape(), Qt::CrossCursor);
    t.click("toolButton_1");
    drag(t.viewport(), QPoint(500, 300), QPoint(-400, 305));
    QCOMPARE(t.viewport()->cursor().shape(), Qt::OpenHandCursor);
    QCOMPARE(t.sel(), QRect(160, 90, 650, 250));
    QCOMPARE(viewMismatch(t.view()->image, t.scaled(), t.centerPoint(), t.sel()), QPoint(-1, -1));
}

// Shown modally: a selection dragged on the view and confirmed; then the
// other two ways out.
void TestSelectDialog::execAnswers()
{
    SelectDialogTester t;
    QImage picture(410, 205, QImage::Format_RGB888);
    picture.fill(Qt::white);
    QPainter(&picture).fillRect(0, 0, 205, 102, Qt::black); // the top-left quarter
    t.d.setSource(picture);
    whenModal([&t](QWidget*) {
        drag(t.viewport(), QPoint(250, 100), QPoint(490, 300));
        t.click("okButton");
    });
    QCOMPARE(t.d.exec(), int(QDialog::Accepted));
    // Source columns -80..40 of -205..204 become bitmap columns 26..101, black
    // up to 76; rows -53..47 of -102..102 become 65 rows from 0, black up to 34.
    const QImage bitmap = t.d.getSource();
    QCOMPARE(countSet(bitmap, QRect(26, 0, 50, 33)), 50 * 33);
    QCOMPARE(countSet(bitmap, bitmap.rect()) - countSet(bitmap, QRect(26, 0, 51, 35)), 0);
    for (const char* button : {"cancelButton", "closeButton"}) {
        whenModal([&t, button](QWidget*) { t.click(button); });
        QCOMPARE(t.d.exec(), int(QDialog::Rejected));
    }
}

void TestSelectDialog::sameAsStraightforwardCalls_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("level");
    QTest::addColumn<QRectF>("selection"); // source pixels about the centre; null: whole
    QTest::newRow("wide, fitted, whole") << QSize(640, 300) << 5 << QRectF();
    QTest::newRow("tall, level 25, inner") << QSize(97, 203) << 25 << QRectF(-30.5, -60.25, 41.5, 77);
    QTest::newRow("odd, level 1, partly off") << QSize(333, 111) << 1 << QRectF(100, -70, 150, 90);
    QTest::newRow("level 13, thin strip") << QSize(500, 400) << 13 << QRectF(-250, -195, 500, 20.5);
}

// The dialog converts once, scales from a view of the region and composes row
// by row; each must give what the plain calls on the 24-bit picture give.
void TestSelectDialog::sameAsStraightforwardCalls()
{
    QFETCH(QSize, size);
    QFETCH(int, level);
    QFETCH(QRectF, selection);
    const QImage picture = gradient(size.width(), size.height());
    SelectDialogTester t;
    t.d.setSource(picture);
    t.child<QSlider>("horizontalSlider")->setValue(level);
    if (!selection.isNull()) {
        t.selectRect() = selection;
        t.d.onScale(level);
    }

    const QSize viewport = t.viewport()->size();
    const double fit = qMin(double(viewport.width()) / size.width(), double(viewport.height()) / size.height());
    const QImage plain_scaled = picture.scaled(qRound(size.width() * level * fit / 5.0),
                                               qRound(size.height() * level * fit / 5.0),
                                               Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(t.scaled().convertToFormat(QImage::Format_RGB32), plain_scaled.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(viewMismatch(t.view()->image, plain_scaled, t.centerPoint(), t.sel()), QPoint(-1, -1));

    const QRect rect_src = sourceRect(t.selectRect(), size);
    const QRect rect_dst = targetRect(rect_src, t.selectRect(), targetSize(t.sel().size()));
    QImage expected = newBitmap();
    if (rect_src.isValid() && !rect_dst.isEmpty()) {
        const QImage cut = picture.copy(rect_src.translated(size.width() / 2, size.height() / 2))
                               .scaled(rect_dst.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (int y = 0; y < cut.height(); ++y)
            for (int x = 0; x < cut.width(); ++x)
                if (expected.rect().contains(rect_dst.topLeft() + QPoint(x, y)))
                    expected.setPixel(rect_dst.topLeft() + QPoint(x, y), isDark(cut.pixel(x, y)) ? 1 : 0);
    }
    QVERIFY(countSet(expected, expected.rect()) > 0);
    QCOMPARE(t.d.getSource(), expected);
}

void TestSelectDialog::smoothScaledIsTheToolkits_data()
{
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");
    QTest::newRow("a photo to the bitmap") << QSize(1500, 1000) << QSize(128, 85);
    QTest::newRow("just under half") << QSize(611, 407) << QSize(307, 205);
    QTest::newRow("one pixel less") << QSize(300, 200) << QSize(299, 199);
    QTest::newRow("to one pixel") << QSize(77, 53) << QSize(1, 1);
    QTest::newRow("tall to a strip") << QSize(40, 900) << QSize(3, 899);
    QTest::newRow("wider: the toolkit's own") << QSize(50, 60) << QSize(70, 30);
}

// The dialog's own reduction gives what QImage::scaled gives, on noise.
void TestSelectDialog::smoothScaledIsTheToolkits()
{
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    QImage noise(from, QImage::Format_RGB32);
    QRandomGenerator random(from.width() * 7 + to.height());
    for (int y = 0; y < from.height(); ++y)
        for (int x = 0; x < from.width(); ++x)
            noise.setPixel(x, y, random.generate());
    QCOMPARE(smoothScaled(noise, to), noise.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2"))
        QVERIFY(ownShrinkInUse()); // else the comparison proves nothing
#endif
}

void TestSelectDialog::clickAtLevel25_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<QPoint>("click"); // the view's centre is the picture's pixel (side / 2, side / 2)
    QTest::addColumn<bool>("dark");
    QTest::newRow("8 x 8, dark pixel") << 8 << QPoint(410 + 100, 205 + 100) << true;
    QTest::newRow("8 x 8, light pixel") << 8 << QPoint(410 - 100, 205 + 100) << false;
    QTest::newRow("1 x 1, dark") << 1 << QPoint(500, 300) << true;
}

// A click selects a sliver of one picture pixel many times smaller than the
// bitmap: the bitmap is that pixel's darkness all over.
void TestSelectDialog::clickAtLevel25()
{
    QFETCH(int, side);
    QFETCH(QPoint, click);
    QFETCH(bool, dark);
    QImage checks(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            checks.setPixel(x, y, (x + y) % 2 ? qRgb(230, 230, 230) : qRgb(20, 20, 20));
    SelectDialogTester t;
    t.d.setSource(checks);
    t.child<QSlider>("horizontalSlider")->setValue(25);
    QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, click);
    QCOMPARE(t.sel().size(), QSize(1, 1));
    const QImage bitmap = t.d.getSource();
    QCOMPARE(countSet(bitmap, bitmap.rect()), dark ? 128 * 64 : 0);
}

// A picture in the format the dialog works in is kept, not copied.
void TestSelectDialog::takenWithoutCopy()
{
    QImage picture = gradient(300, 200, QImage::Format_RGB32);
    const uchar* pixels = picture.constBits();
    SelectDialogTester t;
    t.d.setSource(std::move(picture));
    QCOMPARE(t.source().constBits(), pixels);
}

// Levels are made in memory reused from step to step, never under a picture
// someone still holds; a photo large enough that level 25 still shrinks it.
void TestSelectDialog::stepsKeepEarlierPictures()
{
    QImage photo(4400, 2200, QImage::Format_RGB32);
    quint32 noise = 2463534242u;
    for (int y = 0; y < photo.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x, noise = noise * 1664525u + 1013904223u)
            line[x] = noise >> 8;
    }
    SelectDialogTester t;
    t.d.setSource(photo);
    QSlider* slider = t.child<QSlider>("horizontalSlider");
    slider->setValue(24);
    QImage held = t.scaled();
    const QImage copy = held.copy();
    slider->setValue(25);
    QCOMPARE(held, copy);
    held = QImage();
    for (int level : { 23, 25 }) {
        slider->setValue(level);
        QCOMPARE(t.scaled(), photo.scaled(t.scaled().size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
}

void TestSelectDialog::averagesOverFractionalBoxes_data()
{
    QTest::addColumn<QRectF>("area"); // of the 7 x 5 picture
    QTest::addColumn<QRect>("target");
    QTest::newRow("fractions") << QRectF(0.3, 0.6, 5.9, 3.7) << QRect(0, 0, 4, 3);
    QTest::newRow("magnified") << QRectF(2.25, 1.5, 1.5, 1) << QRect(0, 0, 9, 5);
    QTest::newRow("partly off the picture") << QRectF(4.5, -1, 5, 4) << QRect(0, 0, 5, 4);
    QTest::newRow("partly off the bitmap") << QRectF(0, 0, 7, 5) << QRect(120, 60, 14, 10);
}

// Each bitmap pixel is the mean grey of the picture over its share of the
// area, each picture pixel weighed by how much of it the share covers;
// worked out here by intersecting the squares.
void TestSelectDialog::averagesOverFractionalBoxes()
{
    QFETCH(QRectF, area);
    QFETCH(QRect, target);
    QImage picture(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            picture.setPixel(x, y, qRgb(37 * x, 50 * y, (x * y * 29) % 256));
    const ReducedRegion region = averageRegion(LumaIntegral(picture), area, target);
    const QRect visible = target.intersected(QRect(0, 0, 128, 64));
    QCOMPARE(region.at, visible.topLeft());
    QCOMPARE(QSize(region.plane.width(), region.plane.height()), visible.size());
    const QSizeF share(area.width() / target.width(), area.height() / target.height());
    for (int j = 0; j < visible.height(); ++j) {
        for (int i = 0; i < visible.width(); ++i) {
            const QPoint cell = visible.topLeft() - target.topLeft() + QPoint(i, j);
            const QRectF box(area.left() + cell.x() * share.width(), area.top() + cell.y() * share.height(),
                             share.width(), share.height());
            double sum = 0, covered = 0;
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < 7; ++x) {
                    const QRectF part = box.intersected(QRectF(x, y, 1, 1));
                    const QRgb c = picture.pixel(x, y);
                    sum += part.width() * part.height() * qRound((qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000.0);
                    covered += part.width() * part.height();
                }
            }
            const int want = covered > 0 ? 1000 * qRound(sum / covered) : 255000;
            QVERIFY2(qAbs(region.plane.row(j)[i] - want) <= 1000, qPrintable(QTest::toString(cell)));
        }
    }
}

void TestSelectDialog::controlsSetTheConversion_data()
{
    QTest::addColumn<ConversionSettings>("before");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key"); // 0: a click
    QTest::addColumn<ConversionSettings>("after");
    QTest::addColumn<QString>("shown"); // the control's value label, if it has one
    using D = DitherMethod;
    const ConversionSettings plain, floyd{128, D::FloydSteinberg, false, 0, 0};
    const auto row = [](const char* name, ConversionSettings before, const char* control, int key,
                        ConversionSettings after, const char* shown = "") {
        QTest::newRow(name) << before << control << key << after << shown;
    };
    row("threshold a page up", plain, "thresholdSlider", Qt::Key_PageUp, {144, D::None, false, 0, 0}, "144");
    row("threshold to 0", plain, "thresholdSlider", Qt::Key_Home, {0, D::None, false, 0, 0}, "0");
    row("brightness down", plain, "brightnessSlider", Qt::Key_PageDown, {128, D::None, false, -10, 0}, "\u221210");
    row("contrast to the top", plain, "contrastSlider", Qt::Key_End, {128, D::None, false, 0, 100}, "+100");
    row("Floyd-Steinberg", plain, "ditherFloydButton", 0, floyd);
    row("Atkinson", floyd, "ditherAtkinsonButton", 0, {128, D::Atkinson, false, 0, 0});
    row("Bayer", plain, "ditherBayerButton", 0, {128, D::Bayer, false, 0, 0});
    row("none again", floyd, "ditherNoneButton", 0, plain);
    row("invert", plain, "invertButton", 0, {128, D::None, true, 0, 0});
    row("defaults", {40, D::Bayer, true, 30, -20}, "defaultsButton", 0, plain);
}

// A key on a slider or a click on a button, then: the settings, every
// control showing them, and the preview showing what OK makes with them.
void TestSelectDialog::controlsSetTheConversion()
{
    QFETCH(ConversionSettings, before);
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(ConversionSettings, after);
    QFETCH(QString, shown);
    SelectDialogTester t;
    t.d.setSource(photo(400, 300));
    const auto showsSettings = [&t](const ConversionSettings& s) {
        QCOMPARE(t.d.getConversion(), s);
        QCOMPARE(t.child<QSlider>("thresholdSlider")->value(), s.threshold);
        QCOMPARE(t.child<QSlider>("brightnessSlider")->value(), s.brightness);
        QCOMPARE(t.child<QSlider>("contrastSlider")->value(), s.contrast);
        QCOMPARE(t.child<QToolButton>("invertButton")->isChecked(), s.invert);
        const char* methods[] = {"ditherNoneButton", "ditherFloydButton", "ditherAtkinsonButton", "ditherBayerButton"};
        for (DitherMethod method : DITHER_METHODS)
            QCOMPARE(t.child<QToolButton>(methods[int(method)])->isChecked(), method == s.dither);
    };
    t.d.setConversion(before);
    showsSettings(before);
    const QImage was = t.shown();
    QCOMPARE(was, t.exact());
    QWidget* widget = t.child<QWidget>(qPrintable(control));
    if (key)
        QTest::keyClick(widget, Qt::Key(key));
    else
        QTest::mouseClick(widget, Qt::LeftButton);
    showsSettings(after);
    if (!shown.isEmpty())
        QCOMPARE(t.child<QLabel>(qPrintable(control.replace("Slider", "Value")))->text(), shown);
    QCOMPARE(t.shown(), t.exact());
    QVERIFY(t.shown() != was);
}

void TestSelectDialog::previewFollowsADrag_data()
{
    QTest::addColumn<DitherMethod>("method");
    for (DitherMethod method : DITHER_METHODS)
        QTest::newRow(qPrintable(ditherName(method))) << method;
}

// A handle of the whole selection of a large picture dragged: while the
// button is down the preview is averaged from the copy of twice the fitted
// view's detail, on release (and after a zoom step) it is what OK makes.
// None and Bayer then flip at most 2 % of the pixels. Error diffusion routes
// its error anew from the first grey that changed, so its dots move; every
// 8 x 8 block keeps its tone within 8 dots.
void TestSelectDialog::previewFollowsADrag()
{
    QFETCH(DitherMethod, method);
    SelectDialogTester t;
    ConversionSettings settings;
    settings.dither = method;
    t.d.setConversion(settings);
    t.d.setSource(photo(2000, 1200)); // a copy of 1367 x 820 is averaged
    QCoreApplication::processEvents(); // the exact preview follows the picture at once
    QCOMPARE(t.shown(), t.exact());
    const QPoint corner = t.sel().bottomRight();
    const QPoint to = corner - QPoint(150, 60);
    moveTo(t.viewport(), corner, Qt::NoButton);
    QTest::mousePress(t.viewport(), Qt::LeftButton, {}, corner);
    moveTo(t.viewport(), to);
    QCoreApplication::processEvents(); // the quick preview waits for the queue
    QVERIFY(!t.previewExact());
    const QImage quick = t.shown();
    const QImage exact = t.exact();
    QVERIFY(countSet(exact, exact.rect()) > 500);
    if (method == DitherMethod::None || method == DitherMethod::Bayer) {
        QImage flipped = quick;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x)
                flipped.setPixel(x, y, quick.pixelIndex(x, y) != exact.pixelIndex(x, y));
        QVERIFY(countSet(flipped, flipped.rect()) <= 128 * 64 / 50);
    } else {
        for (int y = 0; y < 64; y += 8)
            for (int x = 0; x < 128; x += 8)
                QVERIFY(qAbs(countSet(quick, QRect(x, y, 8, 8)) - countSet(exact, QRect(x, y, 8, 8))) <= 8);
    }
    QTest::mouseRelease(t.viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(t.shown(), exact);
    QCOMPARE(t.d.getSource(), exact);
    t.click("zoomoutButton");
    QCOMPARE(t.shown(), t.exact());
}

void TestSelectDialog::proposedIsWhatAFreshDialogMakes_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<ConversionSettings>("settings");
    const QImage pictures[] = {photo(1500, 1000), gradient(333, 111), gradient(100, 200), photo(64, 64)};
    const ConversionSettings settings[] = {
        {}, {100, DitherMethod::FloydSteinberg, false, 0, 0}, {128, DitherMethod::Atkinson, false, 0, 40},
        {90, DitherMethod::Bayer, true, 20, -30}};
    for (const QImage& picture : pictures)
        for (const ConversionSettings& s : settings)
            QTest::addRow("%dx%d %s", picture.width(), picture.height(), qPrintable(ditherName(s.dither)))
                << picture << s;
}

// The command-line converter calls proposedBitmap for a picture as a whole.
void TestSelectDialog::proposedIsWhatAFreshDialogMakes()
{
    QFETCH(QImage, picture);
    QFETCH(ConversionSettings, settings);
    SelectDialogTester t;
    t.d.setConversion(settings); // before the picture, as the main window does
    t.d.setSource(picture);
    QCOMPARE(t.d.getSource(), proposedBitmap(picture, wholeSelection(picture.size()), settings));
}

// Room for the settings beside the unchanged view, within a 1366 x 768 screen
// less its task bar; the tab chain goes on from the close button into them.
void TestSelectDialog::fitsASmallScreen()
{
    SelectDialogTester t;
    QVERIFY(t.d.width() <= 1300 && t.d.height() <= 700);
    QCOMPARE(t.viewport()->size(), QSize(820, 410));
    QWidget* w = t.child<QWidget>("toolButton_1");
    for (const char* next : {"toolButton_2", "closeButton", "thresholdSlider", "ditherNoneButton"})
        QCOMPARE((w = w->nextInFocusChain())->objectName(), QString(next));
}

QTEST_MAIN(TestSelectDialog)
#include "tst_selectdialog.moc"
