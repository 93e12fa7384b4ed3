#include "geometry.h"

#include <QtGlobal>

int wheelStep(int value, int delta, int minimum, int maximum)
{
    const int notches = delta / 120;
    if (notches < 0 && value > minimum)
        return qMax(minimum, value + notches);
    if (notches > 0 && value < maximum)
        return qMin(maximum, value + notches);
    return value;
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
