#ifndef HISTORY_H
#define HISTORY_H

#include <QImage>
#include <QList>
#include <QPoint>

enum OPERATE_TYPE : qint32 {
    OPERATE_PEN = 0,
    OPERATE_ERASE = 1,
    OPERATE_INVERT = 2,
    OPERATE_MIRROR_X = 3,
    OPERATE_MIRROR_Y = 4,
    OPERATE_ROTATE_CW = 5,
    OPERATE_ROTATE_CCW = 6,
};

// One edit. Strokes and rotations keep the bitmap as it was before them;
// invert and flips are their own inverse and keep nothing.
struct BITMAP_OPERATE
{
    BITMAP_OPERATE(OPERATE_TYPE type, const QImage& image, QList<QPoint>& points, int param)
        : type(type), image(image), points(points), param(param) {}
    BITMAP_OPERATE(OPERATE_TYPE type, const QImage& image, int param)
        : type(type), image(image), param(param) {}

    OPERATE_TYPE type;
    QImage image;
    QList<QPoint> points;
    int param;
};

#endif // HISTORY_H
