// The crop dialog driven through real events on its view and its conversion
// controls: what it shows and what OK makes, against the plain toolkit calls
// and worked examples.

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
    int tool() const { return d.tool; }
    bool previewExact() const { return d.preview_exact; }
    template <typename T> T* child(const char* name) { return d.findChild<T*>(name); }
    BitmapCtrl* view() { return child<BitmapCtrl>("graphicsView"); }
    QWidget* viewport() { return view()->viewport(); }
    QSlider* level() { return child<QSlider>("horizontalSlider"); }
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
QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * 7) ^ (y * 13)));
    return image.convertToFormat(QImage::Format_RGB888); // as pictures are opened
}

// The gradient with a red disc, a black bar and blue lettering on it.
QImage photo(int width, int height)
{
    QImage image = gradient(width, height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(200, 30, 30));
    painter.drawEllipse(QRectF(0.1 * width, 0.15 * height, 0.3 * width, 0.35 * height));
    painter.fillRect(QRectF(0.6 * width, 0.6 * height, 0.2 * width, 0.15 * height), Qt::black);
    painter.setFont(QFont(QStringLiteral("Sans"), height / 12));
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

// Not spontaneous, so the modifier state of the last press or key stays.
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

// Shift or Ctrl pressed or let go of as the user does: the modifier state follows.
void holdKey(QWidget* target, Qt::KeyboardModifiers modifier, bool press)
{
    if (modifier)
        QTest::simulateEvent(target, press, modifier == Qt::ShiftModifier ? Qt::Key_Shift : Qt::Key_Control,
                             press ? modifier : Qt::KeyboardModifiers(), QString(), false);
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
    void confirm_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("level");
        QTest::addColumn<QRectF>("selection"); // about the picture's centre; null: all, as opened
        QTest::addColumn<QPoint>("click");     // on the view, selecting one view pixel
        QTest::addColumn<QRect>("src");        // the picture's own pixels taken
        QTest::addColumn<QRect>("dst");        // where they land; of a single pixel, its part on the bitmap
        QTest::addColumn<int>("set");          // -1: not counted
        const auto row = [](const char* name, QImage picture, int level, QRectF selection, QPoint click,
                            QRect src, QRect dst, int set = -1) {
            QTest::newRow(name) << picture << level << selection << click << src << dst << set;
        };
        const auto filled = [](QSize size, QColor colour) {
            QImage picture(size, QImage::Format_RGB888);
            picture.fill(colour);
            return picture;
        };
        QImage checks(8, 8, QImage::Format_RGB888);
        for (int i = 0; i < 64; ++i)
            checks.setPixel(i % 8, i / 8, (i % 8 + i / 8) % 2 ? qRgb(230, 230, 230) : qRgb(20, 20, 20));
        const QSize wide(256, 128);
        const QRect whole(0, 0, 256, 128), all(0, 0, 128, 64);
        const QImage black = filled(wide, Qt::black);
        const QPoint none;
        row("256x128 fills", black, 5, QRectF(), none, whole, all, 128 * 64);
        row("100x200 in 48..79", filled(QSize(100, 200), Qt::black), 5, QRectF(), none, QRect(0, 0, 100, 200),
            QRect(48, 0, 32, 64), 32 * 64);
        row("grey 127 set", filled(wide, QColor(127, 127, 127)), 5, QRectF(), none, whole, all, 128 * 64);
        row("grey 128 clear", filled(wide, QColor(128, 128, 128)), 5, QRectF(), none, whole, all, 0);
        row("wholly off", black, 5, QRectF(200, 100, 60, 30), none, QRect(), QRect(), 0);
        row("zero width", black, 5, QRectF(-10, -10, 0, 20), none, QRect(), QRect(), 0);
        row("a hair's width", black, 5, QRectF(-10, -10, 2.8e-14, 20), none, QRect(), QRect(), 0);
        // At level 25 a click takes a sliver of one picture pixel, which fills the bitmap:
        // the view's centre shows pixel (4, 4).
        row("8x8, a click on a dark pixel", checks, 25, QRectF(), {510, 305}, QRect(4, 4, 1, 1), all, 128 * 64);
        row("8x8, a click on a light pixel", checks, 25, QRectF(), {310, 305}, QRect(3, 4, 1, 1), all, 0);
        row("1x1, a click", checks.copy(0, 0, 1, 1), 25, QRectF(), {500, 300}, QRect(0, 0, 1, 1), all, 128 * 64);
        row("photo size", gradient(1500, 1000), 5, QRectF(), none, QRect(0, 0, 1500, 1000), QRect(16, 0, 96, 64));
        // Twice the picture's width: half the bitmap's width, centred in height.
        row("doubled rightward", gradient(256, 128), 5, QRectF(-128, -64, 512, 128), none, whole, QRect(0, 16, 64, 32));
        // k = 0.4925, shown 84 x 45: 119 x 64 from column 4, of which 46.9 x 53.3 on the picture.
        row("odd, level 1, partly off", gradient(333, 111), 1, QRectF(100, -70, 170, 90), none,
            QRect(266, 0, 67, 75), QRect(4, 11, 47, 53));
        // k = 10.0985, shown 421 x 779: 34 x 64 from column 47; -31..10 x -61..16 at -0.41, -0.62.
        row("tall, level 25, fractional", gradient(97, 203), 25, QRectF(-30.5, -60.25, 41.5, 77), none,
            QRect(17, 40, 42, 78), QRect(47, -1, 34, 65));
        // k = 2.665, shown 1334 x 56: 128 x 5 from row 29.
        row("thin strip, level 13", gradient(500, 400), 13, QRectF(-250, -5, 500, 20.5), none,
            QRect(0, 195, 500, 21), QRect(0, 29, 128, 5));
    }

    // The scaled picture, the view and the bitmap OK gives are what the plain
    // toolkit calls and the darkness test give, bit for bit; as opened, the
    // bitmap is what the converter makes.
    void confirm()
    {
        QFETCH(QImage, picture);
        QFETCH(int, level);
        QFETCH(QRectF, selection);
        QFETCH(QPoint, click);
        QFETCH(QRect, src);
        QFETCH(QRect, dst);
        QFETCH(int, set);
        const QSize size = picture.size();
        SelectDialogTester t;
        t.d.setSource(picture);
        if (!selection.isNull())
            t.selectRect() = selection;
        t.d.onScale(level);
        if (!click.isNull())
            QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, click);
        const double fit = qMin(820.0 / size.width(), 410.0 / size.height());
        const QImage plain = picture.scaled(qRound(size.width() * level * fit / 5.0), qRound(size.height() * level * fit / 5.0),
                                            Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(t.scaled().convertToFormat(QImage::Format_RGB32), plain.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(viewMismatch(t.view()->image, plain, t.centerPoint(), t.sel()), QPoint(-1, -1));

        QImage expected = newBitmap();
        const QImage cut = picture.copy(src).scaled(dst.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (int y = 0; y < cut.height(); ++y)
            for (int x = 0; x < cut.width(); ++x)
                if (expected.rect().contains(dst.topLeft() + QPoint(x, y)))
                    expected.setPixel(dst.topLeft() + QPoint(x, y), isDark(cut.pixel(x, y)));
        const QImage bitmap = t.d.getSource();
        QCOMPARE(bitmap, expected);
        if (set >= 0)
            QCOMPARE(countSet(bitmap, bitmap.rect()), set);
        if (selection.isNull() && level == 5)
            QCOMPARE(proposedBitmap(picture, wholeSelection(size)), bitmap);
#if defined(__x86_64__)
        if (__builtin_cpu_supports("avx2"))
            QVERIFY(ownShrinkInUse()); // else no row proves the own reduction exact
#endif
    }

    void handleSquares_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("half"); // -1: no corner handles at all
        for (const QPoint& row : {QPoint(1, -1), {2, 0}, {3, 0}, {4, 1}, {6, 2}, {10, 2}, {11, 2},
                                  {14, 2}, {15, 3}, {19, 4}, {42, 9}, {43, 10}})
            QTest::addRow("width %d", row.x()) << row.x() << row.y();
    }

    // Probed outward from the top-left corner, where no other handle reaches;
    // the top middle handle comes with 11 pixels.
    void handleSquares()
    {
        QFETCH(int, width);
        QFETCH(int, half);
        const QRect sel(100, 100, width, 60);
        const int edge = qMax(half, 0);
        QCOMPARE(hitHandle(sel, QPoint(100 - edge, 100 - edge)), half < 0 ? -1 : 0);
        QCOMPARE(hitHandle(sel, QPoint(99 - edge, 100)), -1);
        QCOMPARE(hitHandle(sel, QPoint(100, 99 - edge)), -1);
        if (width >= 10)
            QCOMPARE(hitHandle(sel, QPoint(100 + width / 2, 100)), width >= 11 ? 4 : -1);
    }

    void mouseOnTheView_data()
    {
        QTest::addColumn<QPoint>("grab");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QRect>("expected");
        QTest::addColumn<Qt::KeyboardModifiers>("held");
        const auto row = [](const char* name, QPoint grab, QPoint to, int cursor, QRect expected,
                            Qt::KeyboardModifiers held = {}) {
            QTest::newRow(name) << grab << to << cursor << expected << held;
        };
        // The selection 100,50 200x150: edges 100, 50, 299, 199, middles 200 and
        // 125, squares 21 wide. Each handle is grabbed at a far corner of its square.
        row("top-left", {110, 40}, {120, 50}, Qt::SizeFDiagCursor, {110, 60, 190, 140});
        row("top-right", {299, 50}, {319, 40}, Qt::SizeBDiagCursor, {100, 40, 220, 160});
        row("bottom-right", {299, 199}, {289, 209}, Qt::SizeFDiagCursor, {100, 50, 190, 160});
        row("bottom-left", {90, 209}, {100, 189}, Qt::SizeBDiagCursor, {110, 50, 190, 130});
        row("top, left end", {190, 60}, {220, 80}, Qt::SizeVerCursor, {100, 70, 200, 130});
        row("bottom, right end", {210, 189}, {210, 199}, Qt::SizeVerCursor, {100, 50, 200, 160});
        row("left, lower end", {90, 135}, {140, 150}, Qt::SizeHorCursor, {150, 50, 150, 150});
        row("right, upper end", {309, 115}, {289, 115}, Qt::SizeHorCursor, {100, 50, 180, 150});
        // Flipped edges are truncated: the old top, -77.5 source pixels, becomes -77.
        row("corner past both", {309, 209}, {29, 39}, Qt::SizeFDiagCursor, {20, 30, 80, 21});
        row("inside: a band up and left", {200, 125}, {150, 100}, Qt::CrossCursor, {150, 100, 50, 25});
        // Over a handle with a modifier held the hover arms nothing.
        const QRect same(100, 50, 200, 150);
        row("Shift on a handle", {100, 50}, {110, 60}, Qt::CrossCursor, same, Qt::ShiftModifier);
        row("Ctrl on a handle: a pan", {100, 50}, {110, 60}, Qt::OpenHandCursor, same.translated(10, 10),
            Qt::ControlModifier);
    }

    void mouseOnTheView()
    {
        QFETCH(QPoint, grab);
        QFETCH(QPoint, to);
        QFETCH(int, cursor);
        QFETCH(QRect, expected);
        QFETCH(Qt::KeyboardModifiers, held);
        SelectDialogTester t;
        t.d.setSource(gradient(205, 205)); // square: the height sets k = 2
        drag(t.viewport(), QPoint(100, 50), QPoint(300, 200));
        holdKey(&t.d, held, true);
        moveTo(t.viewport(), grab, Qt::NoButton);
        QCOMPARE(int(t.viewport()->cursor().shape()), cursor);
        QCOMPARE(t.tool() == TOOL_CUT, cursor == Qt::CrossCursor || held); // armed a handle or not
        drag(t.viewport(), grab, to, held);
        QCOMPARE(t.sel(), expected);
        QCOMPARE(t.view()->select_frame, expected);
        holdKey(&t.d, held, false);
        moveTo(t.viewport(), QPoint(700, 380), Qt::NoButton); // away from every handle
        QCOMPARE(t.viewport()->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(t.tool(), int(TOOL_CUT));
    }

    // Zoomed by wheel and buttons, panned with Ctrl in the cut tool, then with
    // the hand tool, at level 25 and with the selection across the picture's
    // right edge: all four kinds of area meet the selection's frame.
    void zoomAndPan()
    {
        SelectDialogTester t;
        t.d.setSource(gradient(410, 205));
        drag(t.viewport(), QPoint(700, 180), QPoint(830, 230)); // to column 210 of -205..204
        for (const QPoint& step : {QPoint(60, 5), {-130, 4}, {2640, 25}}) { // wheel delta, level
            QWheelEvent wheel(QPointF(100, 100), QPointF(), QPoint(), QPoint(0, step.x()), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(t.viewport(), &wheel);
            QCOMPARE(t.level()->value(), step.y());
        }
        t.click("zoominButton"); // marked zoom out
        QCOMPARE(t.level()->value(), 24);
        t.click("zoomoutButton");
        QCOMPARE(t.level()->value(), 25); // k = 10
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

    // Fresh, it fits a 1366 x 768 screen less its task bar and has no picture to
    // give. Shown modally: a drag on the view, then OK accepts; Cancel and Close reject.
    void shownModally()
    {
        SelectDialogTester t;
        QVERIFY(t.d.width() <= 1300 && t.d.height() <= 700);
        QCOMPARE(t.d.getSource(), newBitmap());
        t.d.setSource(gradient(410, 205));
        for (const char* button : {"okButton", "cancelButton", "closeButton"}) {
            ModalAnswer answer([&t, button](QWidget*) {
                drag(t.viewport(), QPoint(250, 100), QPoint(490, 300));
                t.click(button);
            });
            QCOMPARE(t.d.exec(), int(qstrcmp(button, "okButton") ? QDialog::Rejected : QDialog::Accepted));
            QCOMPARE(t.sel(), QRect(250, 100, 240, 200));
        }
    }

    void controlsSetTheConversion_data()
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
    // control showing them, the preview showing what OK makes with them, and
    // the converter making that too.
    void controlsSetTheConversion()
    {
        QFETCH(ConversionSettings, before);
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(ConversionSettings, after);
        QFETCH(QString, shown);
        SelectDialogTester t;
        const QImage picture = photo(400, 300);
        t.d.setConversion(before); // before the picture, as the main window does
        t.d.setSource(picture);
        QCoreApplication::processEvents(); // the exact preview follows the picture at once
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
        QCOMPARE(proposedBitmap(picture, wholeSelection(picture.size()), after), t.d.getSource());
    }

    void previewFollowsADrag_data()
    {
        QTest::addColumn<DitherMethod>("method");
        QTest::addColumn<bool>("topLeft"); // the corner dragged inward, else the bottom-right
        for (DitherMethod method : DITHER_METHODS) // odd ones from the top-left
            QTest::newRow(qPrintable(ditherName(method))) << method << (int(method) % 2 == 1);
    }

    // A corner of the whole selection of a large picture dragged: while the
    // button is down the preview is averaged from the copy of twice the fitted
    // view's detail, on release (and after a zoom step) it is what OK makes.
    // Every 8 x 8 block keeps its tone within 8 dots; None and Bayer flip at
    // most 2 % of the pixels, while error diffusion routes its error anew from
    // the first grey that changed, so its dots move.
    void previewFollowsADrag()
    {
        QFETCH(DitherMethod, method);
        QFETCH(bool, topLeft);
        SelectDialogTester t;
        t.d.setConversion({128, method, false, 0, 0});
        t.d.setSource(photo(2000, 1200)); // a copy of 1367 x 820 is averaged
        QCoreApplication::processEvents(); // the exact preview follows the picture at once
        QCOMPARE(t.shown(), t.exact());
        const QPoint corner = topLeft ? t.sel().topLeft() : t.sel().bottomRight();
        const QPoint to = corner + (topLeft ? QPoint(150, 60) : QPoint(-150, -60));
        moveTo(t.viewport(), corner, Qt::NoButton);
        QTest::mousePress(t.viewport(), Qt::LeftButton, {}, corner);
        moveTo(t.viewport(), to);
        QCoreApplication::processEvents(); // the quick preview waits for the queue
        QVERIFY(!t.previewExact());
        const QImage quick = t.shown();
        const QImage exact = t.exact();
        QVERIFY(countSet(exact, exact.rect()) > 500);
        int flipped = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x)
                flipped += quick.pixelIndex(x, y) != exact.pixelIndex(x, y);
        const bool diffusion = method == DitherMethod::FloydSteinberg || method == DitherMethod::Atkinson;
        QVERIFY(diffusion || flipped <= 128 * 64 / 50);
        for (int y = 0; y < 64; y += 8)
            for (int x = 0; x < 128; x += 8)
                QVERIFY(qAbs(countSet(quick, QRect(x, y, 8, 8)) - countSet(exact, QRect(x, y, 8, 8))) <= 8);
        QTest::mouseRelease(t.viewport(), Qt::LeftButton, {}, to);
        QCOMPARE(t.shown(), exact);
        QCOMPARE(t.d.getSource(), exact);
        t.click("zoomoutButton");
        QCOMPARE(t.shown(), t.exact());
    }

};

QTEST_MAIN(TestSelectDialog)
#include "tst_selectdialog.moc"
