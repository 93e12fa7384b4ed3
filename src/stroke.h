#ifndef STROKE_H
#define STROKE_H

#include <QColor>
#include <QImage>
#include <QList>
#include <QPen>
#include <QPoint>
#include <QSize>
#include <QString>

// The bitmap pixel under viewport position `pos` when the bitmap, enlarged
// `zoom` times, is centred at `center`. Integer division truncates toward
// zero, so up to zoom - 1 viewport pixels left of (or above) the bitmap still
// map to column (row) 0.
QPoint mapCanvasToBitmap(const QPoint& pos, const QPoint& center, int zoom,
                         const QSize& bitmap_size);

// Adds `p` to a stroke, replacing the last point when `p` continues the last
// straight run. Returns false, leaving `points` unchanged, when `p` repeats
// the last point.
bool appendStrokePoint(QList<QPoint>& points, const QPoint& p);

// The log line of a committed pen stroke: "points: (3,4) (10,4)".
QString strokeLogLine(const QList<QPoint>& points);

// Returns a copy of `image` with the stroke through `points` drawn by `pen`.
QImage ImageLine(const QImage& image, QList<QPoint> points, const QPen& pen);

// The pen every stroke is drawn with: solid, square caps, bevel joins.
QPen makeStrokePen(const QColor& colour, int width);

#endif // STROKE_H
