#include "artwork.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cmath>

const char* const ART_FONT_FAMILY = "Noto Sans CJK SC";

namespace {

// ---------------------------------------------------------------- palette
const QColor BAND_TOP(0x27, 0x46, 0x5f);
const QColor BAND_BOTTOM(0x1b, 0x33, 0x48);
const QColor BAND_INK(0xdc, 0xe7, 0xef);
const QColor BAND_MUTED(0x93, 0xad, 0xc1);
const QColor BAND_RAISED(0x33, 0x58, 0x76);
const QColor BAND_RAISED_EDGE(0x5a, 0x83, 0xa3);
const QColor BODY_TOP(0xee, 0xf2, 0xf5);
const QColor BODY_BOTTOM(0xe0, 0xe6, 0xeb);
const QColor PANEL(0xf8, 0xfa, 0xfb);
const QColor PANEL_EDGE(0xc6, 0xd0, 0xd8);
const QColor WELL(0xcf, 0xd8, 0xdf);
const QColor WELL_EDGE(0xa9, 0xb6, 0xc1);
const QColor INK(0x22, 0x31, 0x3d);
const QColor INK_MUTED(0x66, 0x78, 0x87);
const QColor ACCENT(0x17, 0xa3, 0x98);
const QColor ACCENT_TINT(0xd3, 0xf1, 0xed);
const QColor ACCENT_DARK(0x0e, 0x76, 0x6e);
const QColor ACCENT_DEEP(0x0a, 0x5c, 0x56);
const QColor BUTTON_TOP(0xff, 0xff, 0xff);
const QColor BUTTON_BOTTOM(0xee, 0xf2, 0xf5);
const QColor BUTTON_EDGE(0xb0, 0xbd, 0xc8);
const QColor SCREEN(0x0c, 0x1a, 0x23);
const QColor PIXEL_LIT(0x8a, 0xf5, 0xe8);
const QColor CANVAS_CLEAR(0x8b, 0xa5, 0x9c); // the editor's clear pixel, under the preview
const QColor SHADOW(0x14, 0x28, 0x3a, 40);

const qreal STROKE = 2.0;   // icon line art, in output pixels
const qreal RADIUS = 6.0;   // every button body
const qreal PANEL_RADIUS = 8.0;

enum class State { Normal, Selected, Pressed };
enum class Surface { Light, Band };

const char* stateName(State s)
{
    switch (s) {
    case State::Normal: return "Normal";
    case State::Selected: return "Selected";
    case State::Pressed: return "Pressed";
    }
    return "";
}

const State ALL_STATES[] = { State::Normal, State::Selected, State::Pressed };

QFont artFont(qreal pixelSize, bool bold)
{
    QFont f(QString::fromLatin1(ART_FONT_FAMILY));
    f.setPixelSize(qRound(pixelSize));
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QImage blank(QSize size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void beginPainter(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QLinearGradient vertical(qreal y0, qreal y1, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

void drawText(QPainter& p, const QRectF& r, const QString& text, const QFont& font,
              const QColor& color, int align = Qt::AlignCenter)
{
    p.save();
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, align, text);
    p.restore();
}

// ---------------------------------------------------------------- logo

// The logo is a small display module on a 16-unit grid: accent body, four
// header pins, a dark screen with lit pixels. Sizes that are multiples of 16
// keep the pixels crisp.
const char* const LOGO_PIXELS[] = {
    "............",
    "............",
    ".###......##",
    ".#..#....##.",
    ".#..#...##..",
    ".#..#..##...",
    ".###..##....",
    "............",
};

void drawLogo(QPainter& p, const QRectF& r)
{
    const qreal u = r.width() / 16.0;
    p.save();
    p.translate(r.topLeft());
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(0, 16 * u, ACCENT, ACCENT_DARK));
    p.drawRoundedRect(QRectF(0, 0, 16 * u, 16 * u), 3 * u, 3 * u);
    p.setBrush(ACCENT_DEEP);
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF((4 + 2 * i) * u + u / 2, 1.5 * u, u, u));
    p.setBrush(SCREEN);
    p.drawRoundedRect(QRectF(1.5 * u, 4 * u, 13 * u, 10 * u), u / 2, u / 2);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(PIXEL_LIT);
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 12; ++col) {
            if (LOGO_PIXELS[row][col] == '#')
                p.drawRect(QRectF((2 + col) * u, (5 + row) * u, u, u));
        }
    }
    p.restore();
}

// The logo as the desktop's application icon. From 64 px up it keeps a
// margin of a sixteenth, as desktop icons do. Its parts are placed on whole
// pixels, symmetric in the body, and the lit pixels are whole-pixel squares,
// so the sizes where the 16-unit grid falls between pixels stay sharp.
QImage appIcon(int size)
{
    QImage img = blank(QSize(size, size));
    QPainter p(&img);
    beginPainter(p);
    const int margin = size >= 64 ? size / 16 : 0;
    const int bodySize = size - 2 * margin;
    const qreal u = bodySize / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(margin, margin + bodySize, ACCENT, ACCENT_DARK));
    p.drawRoundedRect(QRect(margin, margin, bodySize, bodySize), 3 * u, 3 * u);

    const int pin = qMax(1, qRound(u));
    p.setBrush(ACCENT_DEEP);
    for (int i = 0; i < 4; ++i)
        p.drawRect(margin + qRound((5 + 2 * i) * u - pin / 2.0), margin + qRound(2 * u - pin / 2.0), pin, pin);

    const int inset = int(1.5 * u);
    const QRect screen(margin + inset, margin + qRound(4 * u), bodySize - 2 * inset, qRound(10 * u));
    p.setBrush(SCREEN);
    p.drawRoundedRect(screen, u / 2, u / 2);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(PIXEL_LIT);
    const int cell = qMax(1, int(u));
    const QPoint origin = screen.topLeft()
                          + QPoint((screen.width() - 12 * cell) / 2, (screen.height() - 8 * cell) / 2);
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 12; ++col) {
            if (LOGO_PIXELS[row][col] == '#')
                p.drawRect(QRect(origin + QPoint(col * cell, row * cell), QSize(cell, cell)));
        }
    }
    return img;
}

// ---------------------------------------------------------------- icons
// Icons are drawn on a 24-unit design grid scaled into their box; the pen
// is compensated so every line comes out STROKE pixels wide.

using Icon = std::function<void(QPainter&, const QColor& ink)>;

void drawIcon(QPainter& p, const QRectF& box, const QColor& ink, const Icon& icon)
{
    p.save();
    p.translate(box.topLeft());
    const qreal s = box.width() / 24.0;
    p.scale(s, s);
    p.setPen(QPen(ink, STROKE / s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    icon(p, ink);
    p.restore();
}

void arrowHead(QPainter& p, QPointF tip, qreal angleDeg, qreal length = 4.5)
{
    const qreal a = qDegreesToRadians(angleDeg);
    const qreal spread = qDegreesToRadians(40.0);
    QPainterPath head;
    head.moveTo(tip - QPointF(std::cos(a - spread), std::sin(a - spread)) * length);
    head.lineTo(tip);
    head.lineTo(tip - QPointF(std::cos(a + spread), std::sin(a + spread)) * length);
    p.drawPath(head);
}

void iconHand(QPainter& p, const QColor&)
{
    const qreal width = 3.7;
    const qreal xs[] = { 6.0, 9.7, 13.4, 17.1 };
    const qreal tops[] = { 4.0, 1.5, 2.5, 5.0 };
    QPainterPath hand;
    for (int i = 0; i < 4; ++i) {
        QPainterPath f;
        f.addRoundedRect(QRectF(xs[i], tops[i], width, 15 - tops[i]), width / 2, width / 2);
        hand = hand.united(f);
    }
    QPainterPath palm;
    palm.addRoundedRect(QRectF(6.0, 12.0, 14.8, 10.5), 5, 5);
    hand = hand.united(palm);
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-1.6, -1.6, 8.5, 3.2), 1.6, 1.6);
    QTransform t;
    t.translate(2.4, 12.6);
    t.rotate(42);
    hand = hand.united(t.map(thumb));
    p.drawPath(hand.simplified());
    // Finger partings, from the lower fingertip of each pair to the palm.
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(xs[i], qMax(tops[i - 1], tops[i]) + 2.4), QPointF(xs[i], 11.0));
}

void iconPen(QPainter& p, const QColor& ink)
{
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    QPainterPath body;
    body.moveTo(-11, 0);
    body.lineTo(-6, -3);
    body.lineTo(9, -3);
    body.quadTo(11, -3, 11, -1);
    body.lineTo(11, 1);
    body.quadTo(11, 3, 9, 3);
    body.lineTo(-6, 3);
    body.closeSubpath();
    p.drawPath(body);
    p.drawLine(QPointF(-6, -3), QPointF(-6, 3));
    p.drawLine(QPointF(6, -3), QPointF(6, 3));
    QPainterPath tip;
    tip.moveTo(-11, 0);
    tip.lineTo(-8.6, -1.45);
    tip.lineTo(-8.6, 1.45);
    tip.closeSubpath();
    p.setBrush(ink);
    p.drawPath(tip);
    p.restore();
}

void iconEraser(QPainter& p, const QColor& ink)
{
    p.save();
    p.translate(12, 11);
    p.rotate(-40);
    const QRectF block(-9, -4.5, 18, 9);
    QPainterPath left;
    left.addRoundedRect(QRectF(-9, -4.5, 8, 9), 1.5, 1.5);
    p.setBrush(ink);
    p.drawPath(left);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(block, 1.5, 1.5);
    p.restore();
    p.drawLine(QPointF(4, 21), QPointF(20, 21));
}

void iconInvert(QPainter& p, const QColor& ink)
{
    const QRectF circle(4, 4, 16, 16);
    QPainterPath half;
    half.moveTo(12, 4);
    half.arcTo(circle, 90, 180);
    half.closeSubpath();
    p.save();
    p.setBrush(ink);
    p.drawPath(half);
    p.restore();
    p.drawEllipse(circle);
}

// A U-turn arrow pointing left; redo is its mirror image.
void iconUndo(QPainter& p, const QColor&)
{
    QPainterPath path;
    path.moveTo(5, 9);
    path.lineTo(14, 9);
    path.arcTo(QRectF(9, 9, 10, 10), 90, -180);
    path.lineTo(8, 19);
    p.drawPath(path);
    arrowHead(p, QPointF(5, 9), 180);
}

void iconRedo(QPainter& p, const QColor& ink)
{
    p.save();
    p.translate(24, 0);
    p.scale(-1, 1);
    iconUndo(p, ink);
    p.restore();
}

// An almost closed circle running clockwise, open at the upper right, with
// the arrow head at its end near the top.
void iconRotateCW(QPainter& p, const QColor&)
{
    const QPointF centre(12, 12.5);
    const qreal r = 7.5;
    const qreal start = 350;
    const qreal sweep = -285;
    QPainterPath arc;
    arc.arcMoveTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), start);
    arc.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), start, sweep);
    p.drawPath(arc);
    const qreal end = qDegreesToRadians(start + sweep);
    const QPointF tip(centre.x() + r * std::cos(end), centre.y() - r * std::sin(end));
    // Moving clockwise on screen at angle t heads along (sin t, cos t).
    const qreal heading = std::atan2(std::cos(end), std::sin(end));
    arrowHead(p, tip, qRadiansToDegrees(heading), 5);
}

void iconRotateCCW(QPainter& p, const QColor& ink)
{
    p.save();
    p.translate(24, 0);
    p.scale(-1, 1);
    iconRotateCW(p, ink);
    p.restore();
}

// Flip top-to-bottom: an outlined triangle above a dashed horizontal axis
// and its filled mirror image below.
void iconMirrorX(QPainter& p, const QColor& ink)
{
    QPainterPath up;
    up.moveTo(6, 9.5);
    up.lineTo(18, 9.5);
    up.lineTo(12, 2.5);
    up.closeSubpath();
    p.drawPath(up);
    QPainterPath down;
    down.moveTo(6, 14.5);
    down.lineTo(18, 14.5);
    down.lineTo(12, 21.5);
    down.closeSubpath();
    p.save();
    p.setBrush(ink);
    p.drawPath(down);
    p.restore();
    p.save();
    QPen dashed = p.pen();
    dashed.setCapStyle(Qt::FlatCap);
    dashed.setDashPattern({ 1.0, 1.0 });
    p.setPen(dashed);
    p.drawLine(QPointF(2, 12), QPointF(22, 12));
    p.restore();
}

// Flip left-to-right: the same figure about a vertical axis.
void iconMirrorY(QPainter& p, const QColor& ink)
{
    p.save();
    p.translate(12, 12);
    p.rotate(-90);
    p.translate(-12, -12);
    iconMirrorX(p, ink);
    p.restore();
}

void iconMagnifier(QPainter& p, bool plus)
{
    p.drawEllipse(QRectF(3, 3, 14, 14));
    p.drawLine(QPointF(15.2, 15.2), QPointF(21, 21));
    p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
    if (plus)
        p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
}

void iconZoomIn(QPainter& p, const QColor&) { iconMagnifier(p, true); }
void iconZoomOut(QPainter& p, const QColor&) { iconMagnifier(p, false); }

void iconMinimize(QPainter& p, const QColor&)
{
    p.drawLine(QPointF(6, 17), QPointF(18, 17));
}

void iconCross(QPainter& p, const QColor&)
{
    p.drawLine(QPointF(6.5, 6.5), QPointF(17.5, 17.5));
    p.drawLine(QPointF(17.5, 6.5), QPointF(6.5, 17.5));
}

void iconQuestion(QPainter& p, const QColor& ink)
{
    p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
    QPainterPath q;
    q.moveTo(9, 9.6);
    q.cubicTo(9, 6.9, 15, 6.9, 15, 9.6);
    q.cubicTo(15, 11.6, 12, 11.8, 12, 14.2);
    p.drawPath(q);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(12, 17.4), 1.35, 1.35);
    p.restore();
}

// The crop symbol: two interlocking corner brackets.
void iconCut(QPainter& p, const QColor&)
{
    QPainterPath a;
    a.moveTo(7, 2.5);
    a.lineTo(7, 17);
    a.lineTo(21.5, 17);
    p.drawPath(a);
    QPainterPath b;
    b.moveTo(2.5, 7);
    b.lineTo(17, 7);
    b.lineTo(17, 21.5);
    p.drawPath(b);
}

void iconCheck(QPainter& p, const QColor&)
{
    QPainterPath path;
    path.moveTo(4.5, 12.5);
    path.lineTo(9.5, 17.5);
    path.lineTo(19.5, 6.5);
    p.drawPath(path);
}

// ---------------------------------------------------------------- buttons

// Paints the body of a button in the given state and returns the content
// rectangle (moved one pixel down when pressed) and the ink to draw with.
QRectF paintBody(QPainter& p, QSize size, State state, Surface surface, QColor* ink)
{
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal dy = state == State::Pressed ? 1 : 0;
    if (surface == Surface::Band) {
        const QRectF body(2, 2 + dy, w - 4, h - 5);
        if (state == State::Normal) {
            *ink = BAND_INK;
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(state == State::Selected ? ACCENT : ACCENT_DARK);
            p.drawRoundedRect(body, RADIUS, RADIUS);
            *ink = Qt::white;
        }
        return body;
    }

    const QRectF body(1, 1 + dy, w - 2, h - 3);
    if (state != State::Pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(SHADOW);
        p.drawRoundedRect(body.translated(0, 1.5), RADIUS, RADIUS);
    }
    switch (state) {
    case State::Normal:
        p.setBrush(vertical(body.top(), body.bottom(), BUTTON_TOP, BUTTON_BOTTOM));
        p.setPen(QPen(BUTTON_EDGE, 1));
        p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), RADIUS - 0.5, RADIUS - 0.5);
        *ink = INK;
        break;
    case State::Selected:
        p.setBrush(ACCENT_TINT);
        p.setPen(QPen(ACCENT, 2));
        p.drawRoundedRect(body.adjusted(1, 1, -1, -1), RADIUS - 1, RADIUS - 1);
        *ink = ACCENT_DARK;
        break;
    case State::Pressed:
        p.setBrush(vertical(body.top(), body.bottom(), ACCENT_DARK, ACCENT_DEEP));
        p.setPen(QPen(ACCENT_DEEP, 1));
        p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), RADIUS - 0.5, RADIUS - 0.5);
        *ink = Qt::white;
        break;
    }
    return body;
}

qreal iconBoxFor(QSize size)
{
    const int shortest = qMin(size.width(), size.height());
    if (shortest >= 50)
        return 28;
    if (shortest >= 40)
        return 24;
    if (shortest >= 33)
        return 20;
    return 18;
}

QImage iconButton(QSize size, State state, Surface surface, const Icon& icon, qreal box = 0)
{
    QImage img = blank(size);
    QPainter p(&img);
    beginPainter(p);
    QColor ink;
    const QRectF body = paintBody(p, size, state, surface, &ink);
    if (box <= 0)
        box = iconBoxFor(size);
    const QPointF c = body.center();
    drawIcon(p, QRectF(c.x() - box / 2, c.y() - box / 2, box, box), ink, icon);
    return img;
}

QImage textButton(QSize size, State state, const QString& text)
{
    QImage img = blank(size);
    QPainter p(&img);
    beginPainter(p);
    QColor ink;
    const QRectF body = paintBody(p, size, state, Surface::Light, &ink);
    drawText(p, body, text, artFont(14, true), ink);
    return img;
}

// Icon above a short caption, for the selection dialog's confirm buttons.
QImage captionButton(QSize size, State state, const Icon& icon, const QString& caption)
{
    QImage img = blank(size);
    QPainter p(&img);
    beginPainter(p);
    QColor ink;
    const QRectF body = paintBody(p, size, state, Surface::Light, &ink);
    const qreal box = 20;
    drawIcon(p, QRectF(body.center().x() - box / 2, body.top() + 5, box, box), ink, icon);
    drawText(p, QRectF(body.left(), body.top() + 26, body.width(), 18), caption, artFont(12, true), ink);
    return img;
}

// Slider handles: a raised grip; `vertical` is the main window's handle that
// slides up and down (its grip lines run across it). The grip's body takes
// `height` rows from `top` (all of them by default), so that what lies below
// a short handle stays in sight.
QImage sliderHandle(QSize size, State state, bool verticalSlider, int top = 0, int height = 0)
{
    QImage img = blank(size);
    QPainter p(&img);
    beginPainter(p);
    p.translate(0, top);
    QColor ink;
    const QRectF body = paintBody(p, QSize(size.width(), height > 0 ? height : size.height()),
                                  state, Surface::Light, &ink);
    const QPointF c = body.center();
    const qreal spacing = body.height() < 24 ? 4 : 5;
    const qreal half = qMin<qreal>(4, body.width() / 2 - 4);
    p.setPen(QPen(state == State::Normal ? ACCENT : ink, STROKE, Qt::SolidLine, Qt::RoundCap));
    for (int i = -1; i <= 1; ++i) {
        if (verticalSlider)
            p.drawLine(QPointF(c.x() + 5 * i, c.y() - 4), QPointF(c.x() + 5 * i, c.y() + 4));
        else
            p.drawLine(QPointF(c.x() - half, c.y() + spacing * i), QPointF(c.x() + half, c.y() + spacing * i));
    }
    return img;
}

// A left-to-right grey ramp as each dithering method turns it into dots.
const char* const SWATCH_NONE[] = {
    "########........", "########........", "########........",
    "########........", "########........", "########........",
};
const char* const SWATCH_FLOYD[] = {
    "#####.#.#.......", "###.###.#.#.#...", "#####.#.#.#.....",
    "###.##.#.#...#..", "#####.#.#.#.....", "####.###.#..#...",
};
const char* const SWATCH_ATKINSON[] = {
    "#######..#......", "####.##.##......", "#####..#..#.....",
    "#########..#....", "####.#..#..#....", "########..#.....",
};
const char* const SWATCH_BAYER[] = {
    "####.#.#........", "#####.#.#.#.#.#.", "##.#.#.#.#......",
    "#######.#.#.#...", "####.#.#........", "#####.#.#.#.#.#.",
};
const int SWATCH_COLUMNS = 16;
const int SWATCH_ROWS = 6;
const int SWATCH_CELL = 2;

// A dithering method's button: its swatch in a thin frame above its name.
QImage swatchButton(QSize size, State state, const char* const* swatch, const QString& name)
{
    QImage img = blank(size);
    QPainter p(&img);
    beginPainter(p);
    QColor ink;
    const QRectF body = paintBody(p, size, state, Surface::Light, &ink);
    const int w = SWATCH_COLUMNS * SWATCH_CELL;
    const int h = SWATCH_ROWS * SWATCH_CELL;
    const QPoint origin(qRound(body.center().x() - w / 2.0), qRound(body.top()) + 6);
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(origin, QSizeF(w, h)).adjusted(-1.5, -1.5, 1.5, 1.5));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    for (int row = 0; row < SWATCH_ROWS; ++row)
        for (int col = 0; col < SWATCH_COLUMNS; ++col)
            if (swatch[row][col] == '#')
                p.drawRect(QRect(origin + QPoint(col, row) * SWATCH_CELL, QSize(SWATCH_CELL, SWATCH_CELL)));
    drawText(p, QRectF(body.left(), body.top() + 21, body.width(), 18), name, artFont(12, true), ink);
    return img;
}

// Icon and label side by side, centred together.
QImage iconTextButton(QSize size, State state, const Icon& icon, const QString& text)
{
    QImage img = blank(size);
    QPainter p(&img);
    beginPainter(p);
    QColor ink;
    const QRectF body = paintBody(p, size, state, Surface::Light, &ink);
    const QFont font = artFont(12, true);
    const qreal box = 18;
    const qreal gap = 6;
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(text);
    const qreal left = std::round(body.center().x() - (box + gap + textWidth) / 2);
    drawIcon(p, QRectF(left, body.center().y() - box / 2, box, box), ink, icon);
    drawText(p, QRectF(left + box + gap, body.top(), textWidth + 2, body.height()), text, font, ink,
             Qt::AlignLeft | Qt::AlignVCenter);
    return img;
}

QImage languageBox(const QString& text)
{
    QImage img = blank(QSize(86, 30));
    QPainter p(&img);
    beginPainter(p);
    p.setBrush(BAND_RAISED);
    p.setPen(QPen(BAND_RAISED_EDGE, 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 85, 29), RADIUS, RADIUS);
    drawText(p, QRectF(4, 0, 62, 30), text, artFont(14, true), Qt::white);
    p.setPen(QPen(BAND_INK, STROKE, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath chevron;
    chevron.moveTo(69, 13);
    chevron.lineTo(73.5, 17.5);
    chevron.lineTo(78, 13);
    p.drawPath(chevron);
    return img;
}

QImage titleText(const QString& text)
{
    QImage img = blank(QSize(700, 50));
    QPainter p(&img);
    beginPainter(p);
    drawText(p, QRectF(0, 0, 700, 50), text, artFont(20, true), Qt::white);
    return img;
}

QImage iconImage()
{
    QImage img = blank(QSize(32, 32));
    QPainter p(&img);
    beginPainter(p);
    drawLogo(p, QRectF(0, 0, 32, 32));
    return img;
}

// ---------------------------------------------------------------- surfaces

void panel(QPainter& p, const QRectF& r, qreal radius = PANEL_RADIUS)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x14, 0x28, 0x3a, 18));
    p.drawRoundedRect(r.translated(0, 3), radius + 1, radius + 1);
    p.setBrush(QColor(0x14, 0x28, 0x3a, 26));
    p.drawRoundedRect(r.translated(0, 1), radius, radius);
    p.setBrush(PANEL);
    p.setPen(QPen(PANEL_EDGE, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

void well(QPainter& p, const QRectF& r)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(WELL);
    p.drawRoundedRect(r, 4, 4);
    // Inner shadow along the top edge makes the well read as recessed.
    QLinearGradient shade(0, r.top(), 0, r.top() + 6);
    shade.setColorAt(0, QColor(0x14, 0x28, 0x3a, 60));
    shade.setColorAt(1, QColor(0x14, 0x28, 0x3a, 0));
    p.setBrush(shade);
    p.drawRoundedRect(r, 4, 4);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(WELL_EDGE, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(QPen(QColor(255, 255, 255, 160), 1));
    p.drawLine(QPointF(r.left() + 4, r.bottom() + 0.5), QPointF(r.right() - 4, r.bottom() + 0.5));
    p.restore();
}

void band(QPainter& p, const QRectF& r, bool accentBelow)
{
    p.fillRect(r, vertical(r.top(), r.bottom(), BAND_TOP, BAND_BOTTOM));
    // A one-pixel highlight on the band's top edge.
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), QColor(255, 255, 255, 24));
    const qreal y = accentBelow ? r.bottom() : r.top() - 2;
    p.fillRect(QRectF(r.left(), y, r.width(), 2), ACCENT);
}

void separator(QPainter& p, QPointF a, QPointF b, const QColor& c = PANEL_EDGE)
{
    p.save();
    p.setPen(QPen(c, 1));
    p.drawLine(a, b);
    p.restore();
}

void windowEdge(QPainter& p, QSize size)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(BAND_BOTTOM, 1));
    p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
    p.restore();
}

QImage background1()
{
    const QSize size(1080, 667);
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    beginPainter(p);
    p.fillRect(QRect(QPoint(0, 0), size), vertical(68, 667, BODY_TOP, BODY_BOTTOM));

    band(p, QRectF(0, 0, 1080, 68), true);
    p.fillRect(QRectF(0, 70, 1080, 5), vertical(70, 75, QColor(0x14, 0x28, 0x3a, 40), QColor(0x14, 0x28, 0x3a, 0)));
    drawLogo(p, QRectF(34, 10, 48, 48));
    const QFont nameFont = artFont(28, true);
    drawText(p, QRectF(212, 0, 300, 66), QStringLiteral("Dotwright"), nameFont, Qt::white,
             Qt::AlignLeft | Qt::AlignVCenter);
    const qreal nameWidth = QFontMetricsF(nameFont).horizontalAdvance(QStringLiteral("Dotwright"));
    const QFont badgeFont = artFont(12, true);
    const QString badge = QStringLiteral("128 × 64");
    const qreal badgeWidth = QFontMetricsF(badgeFont).horizontalAdvance(badge) + 16;
    const QRectF badgeRect(212 + nameWidth + 14, 24, badgeWidth, 21);
    p.setPen(QPen(ACCENT, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(badgeRect.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    drawText(p, badgeRect, badge, badgeFont, PIXEL_LIT);

    // File commands: Open, Save as code, Save as bitmap | Help, About.
    panel(p, QRectF(248, 100, 580, 53));
    separator(p, QPointF(658.5, 113), QPointF(658.5, 140));

    // Canvas card: a header row for the pointer read-out above a recessed
    // well; the program draws 2-px edge lines just outside the canvas.
    panel(p, QRectF(200, 155, 672, 370));
    well(p, QRectF(208, 183, 656, 334));
    p.fillRect(QRectF(216, 189, 640, 320), Qt::white);
    // Crosshair in front of the "X: … Y: …" read-out.
    p.save();
    p.setPen(QPen(INK_MUTED, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(736, 175), 5, 5);
    p.drawLine(QPointF(736, 167), QPointF(736, 171));
    p.drawLine(QPointF(736, 179), QPointF(736, 183));
    p.drawLine(QPointF(728, 175), QPointF(732, 175));
    p.drawLine(QPointF(740, 175), QPointF(744, 175));
    p.restore();

    // Zoom column: the slider's groove is transparent, so its track and
    // scale live here. The 24-px handle centres run from 237 (15) to 468 (5).
    panel(p, QRectF(111, 193, 63, 321));
    p.setPen(QPen(WELL_EDGE, 1));
    p.setBrush(WELL);
    p.drawRoundedRect(QRectF(140, 237, 5, 231), 2.5, 2.5);
    for (int v = 5; v <= 15; ++v) {
        const qreal y = std::round(237 + (15 - v) * 23.1) + 0.5;
        const bool major = v == 5 || v == 10 || v == 15;
        const qreal len = major ? 10 : 6;
        separator(p, QPointF(134 - len, y), QPointF(134, y), major ? INK_MUTED : WELL_EDGE);
        separator(p, QPointF(151, y), QPointF(151 + len, y), major ? INK_MUTED : WELL_EDGE);
    }

    // Rotations above, flips below.
    panel(p, QRectF(940, 193, 71, 321));
    separator(p, QPointF(952, 353.5), QPointF(999, 353.5));

    // Tools | invert | history.
    panel(p, QRectF(226, 553, 612, 76));
    separator(p, QPointF(532.5, 565), QPointF(532.5, 617));
    separator(p, QPointF(639.5, 565), QPointF(639.5, 617));

    windowEdge(p, size);
    return img;
}

// The selection dialog's layout, as its form places the controls.
const QSize DIALOG2_SIZE(1210, 556);
const QRectF SETTINGS_PANEL(880, 63, 292, 412);
const QRectF PREVIEW_RECT(898, 95, 256, 128);  // the 2x preview label
const qreal SETTING_SLIDER_X = 960;            // each 166 wide, its handle 16
const qreal SETTING_SLIDER_WIDTH = 166;
const qreal SETTING_HANDLE_WIDTH = 16;
const qreal THRESHOLD_Y = 236;                 // rows 24 high
const qreal DITHER_CAPTION_Y = 266;
const qreal BRIGHTNESS_Y = 351;
const qreal CONTRAST_Y = 383;

// A settings slider's track, with a mark where the default value rests.
void settingTrack(QPainter& p, qreal rowY, qreal defaultFraction)
{
    const qreal left = SETTING_SLIDER_X + SETTING_HANDLE_WIDTH / 2;
    const qreal length = SETTING_SLIDER_WIDTH - SETTING_HANDLE_WIDTH;
    const qreal y = rowY + 12;
    p.save();
    p.setPen(QPen(WELL_EDGE, 1));
    p.setBrush(WELL);
    p.drawRoundedRect(QRectF(left, y - 2, length, 4), 2, 2);
    const qreal x = std::round(left + defaultFraction * length) + 0.5;
    separator(p, QPointF(x, y + 5), QPointF(x, y + 9), INK_MUTED);
    p.restore();
}

QImage background2()
{
    const QSize size = DIALOG2_SIZE;
    const qreal w = size.width();
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    beginPainter(p);
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    band(p, QRectF(0, 0, w, 50), true);
    p.fillRect(QRectF(0, 52, w, 4), vertical(52, 56, QColor(0x14, 0x28, 0x3a, 36), QColor(0x14, 0x28, 0x3a, 0)));
    drawLogo(p, QRectF(14, 9, 32, 32));

    // Soft shadow under the view; the view draws its own rounded border.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x14, 0x28, 0x3a, 14));
    p.drawRoundedRect(QRectF(37, 63, 826, 416), 10, 10);
    p.setBrush(QColor(0x14, 0x28, 0x3a, 22));
    p.drawRoundedRect(QRectF(38, 63, 824, 414), 9, 9);
    p.setBrush(PANEL);
    p.drawRoundedRect(QRectF(39, 63, 822, 412), 8, 8);

    // The settings panel: the preview in a thin dark frame, the sliders'
    // tracks (their grooves are transparent), rules between the groups.
    panel(p, SETTINGS_PANEL);
    p.setPen(QPen(SCREEN, 1));
    p.setBrush(CANVAS_CLEAR);
    p.drawRect(PREVIEW_RECT.adjusted(-0.5, -0.5, 0.5, 0.5));
    settingTrack(p, THRESHOLD_Y, 128.0 / 255);
    settingTrack(p, BRIGHTNESS_Y, 0.5);
    settingTrack(p, CONTRAST_Y, 0.5);
    const qreal inner = SETTINGS_PANEL.left() + 12;
    const qreal innerRight = SETTINGS_PANEL.right() - 12;
    separator(p, QPointF(inner, 341.5), QPointF(innerRight, 341.5));
    separator(p, QPointF(inner, 418.5), QPointF(innerRight, 418.5));

    band(p, QRectF(0, 487, w, 69), false);
    separator(p, QPointF(219.5, 502), QPointF(219.5, 545), BAND_RAISED_EDGE);
    separator(p, QPointF(683.5, 502), QPointF(683.5, 545), BAND_RAISED_EDGE);

    // Slider scale: handle centres run from 267 (1) to 633 (25). The handle
    // covers only the track's rows, so the numbers below stay readable
    // wherever it rests.
    const qreal trackY = 523.5;
    p.setPen(QPen(BAND_RAISED_EDGE, 1));
    p.setBrush(QColor(0x10, 0x22, 0x33));
    p.drawRoundedRect(QRectF(267, trackY - 2.5, 366, 5), 2.5, 2.5);
    const QFont numberFont = artFont(10, true);
    for (int v = 1; v <= 25; ++v) {
        const qreal x = std::round(267 + (v - 1) * 15.25) + 0.5;
        const bool major = v == 1 || v % 5 == 0;
        const QColor c = major ? BAND_INK : BAND_MUTED;
        separator(p, QPointF(x, major ? 512 : 515), QPointF(x, 518), c);
        separator(p, QPointF(x, 529), QPointF(x, major ? 536 : 533), c);
        // The end labels lean inwards, clear of the zoom buttons.
        if (v == 1)
            drawText(p, QRectF(x - 1, 539, 24, 13), QString::number(v), numberFont, BAND_INK, Qt::AlignLeft);
        else if (v == 25)
            drawText(p, QRectF(x - 23, 539, 24, 13), QString::number(v), numberFont, BAND_INK, Qt::AlignRight);
        else if (major)
            drawText(p, QRectF(x - 12, 539, 24, 13), QString::number(v), numberFont, BAND_INK);
    }
    windowEdge(p, size);
    return img;
}

// The words of the settings panel, over the panel of background2.png.
QImage settingsText(bool chinese)
{
    QImage img = blank(SETTINGS_PANEL.size().toSize());
    QPainter p(&img);
    beginPainter(p);
    p.translate(-SETTINGS_PANEL.topLeft());
    const QFont caption = artFont(12, true);
    const qreal left = SETTINGS_PANEL.left() + 12;
    const qreal width = SETTINGS_PANEL.width() - 24;
    const int leftMiddle = Qt::AlignLeft | Qt::AlignVCenter;
    drawText(p, QRectF(left, 71, width, 18), chinese ? QStringLiteral("预览") : QStringLiteral("Preview"),
             caption, INK, leftMiddle);
    drawText(p, QRectF(left, 71, width - 2, 18), QStringLiteral("128 × 64"), artFont(11, true), INK_MUTED,
             Qt::AlignRight | Qt::AlignVCenter);
    const struct { qreal y; const char* en; const char* cn; } rows[] = {
        { THRESHOLD_Y, "Threshold", "阈值" },
        { DITHER_CAPTION_Y - 4, "Dithering", "抖动" },
        { BRIGHTNESS_Y, "Brightness", "亮度" },
        { CONTRAST_Y, "Contrast", "对比度" },
    };
    for (const auto& row : rows)
        drawText(p, QRectF(left, row.y, width, 24), QString::fromUtf8(chinese ? row.cn : row.en), caption, INK,
                 leftMiddle);
    return img;
}

QImage aboutText()
{
    const QSize size(579, 226);
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    beginPainter(p);
    p.fillRect(QRect(QPoint(0, 0), size), PANEL);
    p.fillRect(QRectF(0, 0, 180, 226), vertical(0, 226, BAND_TOP, BAND_BOTTOM));
    p.fillRect(QRectF(180, 0, 2, 226), ACCENT);
    drawLogo(p, QRectF(42, 49, 96, 96));
    drawText(p, QRectF(0, 158, 180, 20), QStringLiteral("128 × 64 · 1-bit"), artFont(12, true), PIXEL_LIT);

    const qreal x = 206;
    const qreal w = 579 - x - 14;
    drawText(p, QRectF(x, 22, w, 44), QStringLiteral("Dotwright"), artFont(34, true), INK,
             Qt::AlignLeft | Qt::AlignVCenter);
    drawText(p, QRectF(x, 66, w, 20), QStringLiteral("Version 1.0.0"), artFont(14, true), ACCENT_DARK,
             Qt::AlignLeft | Qt::AlignVCenter);
    drawText(p, QRectF(x, 94, w, 22), QStringLiteral("For 128 × 64 monochrome OLED / LCD displays"),
             artFont(15, false), INK, Qt::AlignLeft | Qt::AlignVCenter);
    separator(p, QPointF(x, 134.5), QPointF(x + w, 134.5));
    drawText(p, QRectF(x, 146, w, 20),
             QStringLiteral("© 2026 The Dotwright developers · MIT License"),
             artFont(12, false), INK_MUTED, Qt::AlignLeft | Qt::AlignVCenter);
    drawText(p, QRectF(x, 172, w, 20), QStringLiteral("dotwright@example.org"), artFont(13, true),
             ACCENT_DARK, Qt::AlignLeft | Qt::AlignVCenter);
    p.fillRect(QRectF(0, 224, 579, 2), ACCENT);
    return img;
}

// ---------------------------------------------------------------- catalogue

void addStates(QVector<ArtItem>& out, const QString& base, QSize size,
               const std::function<QImage(QSize, State)>& make)
{
    for (State s : ALL_STATES) {
        out.append({ QStringLiteral("%1_%2.png").arg(base, QLatin1String(stateName(s))), size,
                     [make, size, s] { return make(size, s); } });
    }
}

void addIconButton(QVector<ArtItem>& out, const QString& base, QSize size, Surface surface,
                   Icon icon, qreal box = 0)
{
    addStates(out, base, size, [surface, icon, box](QSize sz, State s) {
        return iconButton(sz, s, surface, icon, box);
    });
}

} // namespace

bool artFontAvailable(QString* resolved)
{
    const QFontInfo info(artFont(14, true));
    if (resolved)
        *resolved = info.family();
    return info.family() == QLatin1String(ART_FONT_FAMILY);
}

QVector<ArtItem> artCatalogue()
{
    QVector<ArtItem> out;
    const Surface L = Surface::Light;
    const Surface B = Surface::Band;

    // Main window.
    out.append({ QStringLiteral("background1.png"), QSize(1080, 667), background1 });
    out.append({ QStringLiteral("icon.png"), QSize(32, 32), iconImage });
    addIconButton(out, QStringLiteral("Minimize"), QSize(43, 48), B, iconMinimize, 22);
    addIconButton(out, QStringLiteral("Close1"), QSize(43, 48), B, iconCross, 22);
    addIconButton(out, QStringLiteral("Help"), QSize(33, 48), B, iconQuestion, 22);
    addIconButton(out, QStringLiteral("Hand1"), QSize(42, 55), L, iconHand);
    addIconButton(out, QStringLiteral("Pen"), QSize(54, 55), L, iconPen);
    addIconButton(out, QStringLiteral("Eraser"), QSize(64, 55), L, iconEraser);
    addIconButton(out, QStringLiteral("Invert"), QSize(56, 55), L, iconInvert);
    // Undo's resting and hover images are a pixel lower; the style sheet
    // stretches them to the 55-px button.
    for (State s : ALL_STATES) {
        const QSize sz(50, s == State::Pressed ? 55 : 54);
        out.append({ QStringLiteral("Undo_%1.png").arg(QLatin1String(stateName(s))), sz,
                     [sz, s] { return iconButton(sz, s, Surface::Light, iconUndo, 28); } });
    }
    addIconButton(out, QStringLiteral("Redo"), QSize(51, 55), L, iconRedo);
    addIconButton(out, QStringLiteral("RotationCW"), QSize(55, 55), L, iconRotateCW);
    addIconButton(out, QStringLiteral("RotationCCW"), QSize(55, 55), L, iconRotateCCW);
    addIconButton(out, QStringLiteral("MirrorX"), QSize(55, 54), L, iconMirrorX);
    addIconButton(out, QStringLiteral("MirrorY"), QSize(55, 55), L, iconMirrorY);
    addIconButton(out, QStringLiteral("VerticalZoomIn"), QSize(47, 34), L, iconZoomIn, 22);
    addIconButton(out, QStringLiteral("VerticalZoomOut"), QSize(47, 36), L, iconZoomOut, 22);
    addStates(out, QStringLiteral("VerticalSlider"), QSize(47, 24),
              [](QSize sz, State s) { return sliderHandle(sz, s, true); });

    struct Labelled { const char* base; int width; const char* en; const char* cn; };
    const Labelled labelled[] = {
        { "Open", 63, "Open", "打开" },
        { "SaveAsCode", 135, "Save as code", "保存为代码" },
        { "SaveAsBitmap", 153, "Save as bitmap", "保存为位图" },
        { "Help", 65, "Help", "帮助" },
        { "About", 69, "About", "关于" },
    };
    for (const Labelled& b : labelled) {
        for (int lang = 0; lang < 2; ++lang) {
            const QString text = QString::fromUtf8(lang == 0 ? b.en : b.cn);
            const QString base = QStringLiteral("%1_%2").arg(QLatin1String(b.base),
                                                               lang == 0 ? QStringLiteral("EN") : QStringLiteral("CN"));
            addStates(out, base, QSize(b.width, 33),
                      [text](QSize sz, State s) { return textButton(sz, s, text); });
        }
    }
    out.append({ QStringLiteral("Language_EN.png"), QSize(86, 30), [] { return languageBox(QStringLiteral("English")); } });
    out.append({ QStringLiteral("Language_CN.png"), QSize(86, 30), [] { return languageBox(QStringLiteral("中文")); } });

    // Selection dialog.
    out.append({ QStringLiteral("background2.png"), DIALOG2_SIZE, background2 });
    out.append({ QStringLiteral("Title_EN.png"), QSize(700, 50), [] { return titleText(QStringLiteral("Select Effective Area")); } });
    out.append({ QStringLiteral("Title_CN.png"), QSize(700, 50), [] { return titleText(QStringLiteral("选择有效区域")); } });
    addIconButton(out, QStringLiteral("Close2"), QSize(37, 37), B, iconCross, 20);
    const struct { const char* base; int width; Icon icon; const char* caption; } captioned[] = {
        { "Sure_EN", 53, iconCheck, "OK" },
        { "Sure_CN", 53, iconCheck, "确定" },
        { "Cancel_EN", 73, iconCross, "Cancel" },
        { "Cancel_CN", 73, iconCross, "取消" },
    };
    for (const auto& b : captioned) {
        const Icon icon = b.icon;
        const QString caption = QString::fromUtf8(b.caption);
        addStates(out, QLatin1String(b.base), QSize(b.width, 51),
                  [icon, caption](QSize sz, State s) { return captionButton(sz, s, icon, caption); });
    }
    addIconButton(out, QStringLiteral("HorizontalZoomOut"), QSize(33, 51), L, iconZoomOut, 22);
    addIconButton(out, QStringLiteral("HorizontalZoomIn"), QSize(33, 51), L, iconZoomIn, 22);
    // The grip covers the track's rows only: the scale's numbers show below it.
    addStates(out, QStringLiteral("HorizontalSlider"), QSize(22, 51),
              [](QSize sz, State s) { return sliderHandle(sz, s, false, 11, 29); });
    addIconButton(out, QStringLiteral("Hand2"), QSize(38, 51), L, iconHand, 26);
    addIconButton(out, QStringLiteral("Cut"), QSize(50, 51), L, iconCut, 26);
    out.append({ QStringLiteral("Settings_EN.png"), SETTINGS_PANEL.size().toSize(), [] { return settingsText(false); } });
    out.append({ QStringLiteral("Settings_CN.png"), SETTINGS_PANEL.size().toSize(), [] { return settingsText(true); } });
    addStates(out, QStringLiteral("SettingSlider"), QSize(16, 24),
              [](QSize sz, State s) { return sliderHandle(sz, s, false); });
    const struct { const char* base; int width; const char* const* swatch; const char* name; } dithers[] = {
        { "DitherNone_EN", 42, SWATCH_NONE, "None" },
        { "DitherNone_CN", 42, SWATCH_NONE, "无" },
        { "DitherFloydSteinberg", 110, SWATCH_FLOYD, "Floyd–Steinberg" },
        { "DitherAtkinson", 62, SWATCH_ATKINSON, "Atkinson" },
        { "DitherBayer", 48, SWATCH_BAYER, "Bayer" },
    };
    for (const auto& d : dithers) {
        const char* const* swatch = d.swatch;
        const QString name = QString::fromUtf8(d.name);
        addStates(out, QLatin1String(d.base), QSize(d.width, 44),
                  [swatch, name](QSize sz, State s) { return swatchButton(sz, s, swatch, name); });
    }
    const struct { const char* base; Icon icon; const char* text; } settingButtons[] = {
        { "InvertPicture_EN", iconInvert, "Invert" },
        { "InvertPicture_CN", iconInvert, "反色" },
        { "Defaults_EN", iconRotateCCW, "Defaults" },
        { "Defaults_CN", iconRotateCCW, "恢复默认" },
    };
    for (const auto& b : settingButtons) {
        const Icon icon = b.icon;
        const QString text = QString::fromUtf8(b.text);
        addStates(out, QLatin1String(b.base), QSize(131, 30),
                  [icon, text](QSize sz, State s) { return iconTextButton(sz, s, icon, text); });
    }

    // About dialog.
    out.append({ QStringLiteral("AboutText.png"), QSize(579, 226), aboutText });
    const QString okTexts[][2] = { { QStringLiteral("AboutOK_EN"), QStringLiteral("OK") },
                                   { QStringLiteral("AboutOK_CN"), QStringLiteral("确定") } };
    for (const auto& ok : okTexts) {
        const QString text = ok[1];
        addStates(out, ok[0], QSize(75, 33), [text](QSize sz, State s) { return textButton(sz, s, text); });
    }
    return out;
}

QVector<ArtItem> artDesktopIcons()
{
    QVector<ArtItem> out;
    for (int size : { 16, 24, 32, 48, 64, 128, 256 })
        out.append({ QStringLiteral("dotwright_%1.png").arg(size), QSize(size, size), [size] { return appIcon(size); } });
    return out;
}
