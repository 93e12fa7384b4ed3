#include "global.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QSlider>
#include <QtGlobal>

QString language_suffix;

static const QColor FRAME_COLOR(1, 174, 255);

BitmapCtrl::BitmapCtrl(QWidget* parent)
    : QGraphicsView(parent)
    , context_menu(nullptr)
    , image_pos(0, 0)
{
}

BitmapCtrl::~BitmapCtrl() = default;

void BitmapCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int ox = image_pos.x();
    const int oy = image_pos.y();
    const int iw = image.width();
    const int ih = image.height();
    const int W = width();
    const int H = height();

    if (!image.isNull()) {
        // Only the part of the picture that can land inside the viewport.
        const QRect source = QRect(-ox, -oy, W, H).intersected(image.rect());
        if (!source.isEmpty())
            painter.drawImage(QPoint(ox + source.x(), oy + source.y()), image, source);
    }

    const QBrush margin = backgroundBrush();
    if (ox > 0)
        painter.fillRect(QRect(0, 0, ox, H), margin);
    if (ox + iw < W)
        painter.fillRect(QRect(ox + iw, 0, W - (ox + iw), H), margin);
    const int x0 = qMax(ox, 0);
    const int x1 = qMin(ox + iw, W);
    if (oy > 0)
        painter.fillRect(QRect(x0, 0, x1 - x0, oy), margin);
    if (oy + ih < H)
        painter.fillRect(QRect(x0, oy + ih, x1 - x0, H - (oy + ih) + 1), margin);

    if (select_frame.isValid()) {
        const int x1f = select_frame.left();
        const int y1f = select_frame.top();
        const int x2f = select_frame.right();
        const int y2f = select_frame.bottom();

        painter.setPen(QPen(FRAME_COLOR, 1));
        painter.drawLine(x1f, y1f, x2f, y1f);
        painter.drawLine(x2f, y1f, x2f, y2f);
        painter.drawLine(x1f, y2f, x2f, y2f);
        painter.drawLine(x1f, y1f, x1f, y2f);

        auto mark = [&painter](int cx, int cy) { painter.fillRect(cx - 2, cy - 2, 5, 5, FRAME_COLOR); };
        mark(x1f, y1f);
        mark(x2f, y1f);
        mark(x1f, y2f);
        mark(x2f, y2f);
        if (x2f - x1f >= 11) {
            const int cx = (x1f + x2f + 1) / 2;
            mark(cx, y1f);
            mark(cx, y2f);
        }
        if (y2f - y1f >= 11) {
            const int cy = (y1f + y2f + 1) / 2;
            mark(x1f, cy);
            mark(x2f, cy);
        }

        const QRect box(QPoint(x1f, y1f - 16), QPoint(x1f + 63, y1f - 3));
        painter.fillRect(box, Qt::black);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(10);
        font.setBold(false);
        font.setItalic(false);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::asprintf("%d,%d", x2f + 1 - x1f, y2f + 1 - y1f));
    }
}

void BitmapCtrl::contextMenuEvent(QContextMenuEvent*)
{
    if (context_menu)
        context_menu->exec(QCursor::pos());
}

void stepSlider(QSlider* slider, int step)
{
    const int value = slider->value() + step;
    if (value >= slider->minimum() && value <= slider->maximum())
        slider->setValue(value);
}

int wheelStep(int value, int delta, int minimum, int maximum)
{
    const int notches = delta / 120;
    if (notches < 0 && value > minimum)
        return qMax(minimum, value + notches);
    if (notches > 0 && value < maximum)
        return qMin(maximum, value + notches);
    return value;
}

QImage newBitmap()
{
    QImage image(BITMAP_WIDTH, BITMAP_HEIGHT, QImage::Format_Mono);
    image.setColorCount(2);
    image.setColor(0, COLOR_BACK.rgb());
    image.setColor(1, COLOR_FRONT.rgb());
    image.fill(0);
    return image;
}

// One axis: the centre is clamped into [lo, hi], or [hi, lo] when the image
// is larger than the window.
static int clampLocate(int coordinate, int image_extent, int window_extent)
{
    const int lo = image_extent / 2;
    const int hi = window_extent - image_extent + lo;
    if (lo <= hi)
        return qBound(lo, coordinate, hi);
    return qBound(hi, coordinate, lo);
}

void RecalcLocate(QPoint& point, const QSize& image_size, const QSize& window_size)
{
    qDebug("locate:point=(%d,%d) image size=(%d,%d) window size=(%d,%d)", point.x(), point.y(),
           image_size.width(), image_size.height(), window_size.width(), window_size.height());
    point.setX(clampLocate(point.x(), image_size.width(), window_size.width()));
    point.setY(clampLocate(point.y(), image_size.height(), window_size.height()));
    qDebug("locate:point=(%d,%d)", point.x(), point.y());
}

void RecalcSelectRect(QRectF& rect, const QSize&)
{
    if (rect.left() > rect.right()) {
        const int old_left = int(rect.left());
        rect.setLeft(rect.right());
        rect.setRight(old_left);
    }
    if (rect.top() > rect.bottom()) {
        const int old_top = int(rect.top());
        rect.setTop(rect.bottom());
        rect.setBottom(old_top);
    }
}

// The images live in the same static library as this file; referencing the
// initialiser keeps the linker from dropping them.
static int registerResources()
{
    Q_INIT_RESOURCE(resource);
    return 0;
}
[[maybe_unused]] static const int resources_registered = registerResources();
