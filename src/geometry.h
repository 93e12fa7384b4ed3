#ifndef GEOMETRY_H
#define GEOMETRY_H

// View arithmetic shared by both windows, free of widgets.

#include <QPoint>
#include <QRectF>
#include <QSize>

// Means no point: no drag under way, no last position.
static const QPoint INVALID_POINT(0x7FFFFFFF, 0x7FFFFFFF);

inline bool isInvalidPoint(const QPoint& point)
{
    return point.x() == INVALID_POINT.x() || point.y() == INVALID_POINT.y();
}

enum TOOL_TYPE : unsigned char {
    TOOL_MOVE = 0,
    TOOL_PEN = 1,
    TOOL_ERASE = 2,
    TOOL_CUT = 3,
    TOOL_TOP_LEFT = 4,
    TOOL_TOP_RIGHT = 5,
    TOOL_BOTTOM_RIGHT = 6,
    TOOL_BOTTOM_LEFT = 7,
    TOOL_TOP = 8,
    TOOL_BOTTOM = 9,
    TOOL_LEFT = 10,
    TOOL_RIGHT = 11,
};

// The pen and the eraser draw; every other tool moves or selects.
inline bool isDrawingTool(int tool)
{
    return tool == TOOL_PEN || tool == TOOL_ERASE;
}

// Keeps an image of image_size centred at `point` inside (or, when larger,
// covering) a window of window_size.
void RecalcLocate(QPoint& point, const QSize& image_size, const QSize& window_size);

// Turns a negative width or height into a positive one by swapping edges.
void RecalcSelectRect(QRectF& rect, const QSize& size);

// A slider value after a wheel turn of `delta` eighths of a degree: whole
// notches only, kept within [minimum, maximum].
int wheelStep(int value, int delta, int minimum, int maximum);

#endif // GEOMETRY_H
