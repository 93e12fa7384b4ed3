#include "stroke.h"

#include <QPainter>
#include <QVector>
#include <QtGlobal>

QPoint mapCanvasToBitmap(const QPoint& pos, const QPoint& center, int zoom,
                         const QSize& bitmap_size)
{
    const int px = (bitmap_size.width() * zoom / 2 + pos.x() - center.x()) / zoom;
    const int py = (bitmap_size.height() * zoom / 2 + pos.y() - center.y()) / zoom;
    return QPoint(px, py);
}

// True when `p` continues the segment b -> a along the same straight line
// without turning back, so `a` can be dropped from the stroke.
static bool continuesRun(const QPoint& b, const QPoint& a, const QPoint& p)
{
    // 64-bit so that points far outside the bitmap cannot overflow the products.
    const qint64 dx1 = p.x() - a.x();
    const qint64 dx0 = a.x() - b.x();
    const qint64 dy1 = p.y() - a.y();
    const qint64 dy0 = a.y() - b.y();
    return dx1 * dx0 >= 0 && dx1 * dy0 == dx0 * dy1 && dy1 * dy0 >= 0;
}

bool appendStrokePoint(QList<QPoint>& points, const QPoint& p)
{
    if (!points.isEmpty() && points.last() == p)
        return false;
    const int n = points.size();
    if (n >= 2 && continuesRun(points.at(n - 2), points.at(n - 1), p))
        points.removeLast();
    points.append(p);
    return true;
}

QString strokeLogLine(const QList<QPoint>& points)
{
    QString line = QStringLiteral("points:");
    for (const QPoint& p : points)
        line += QString::asprintf(" (%d,%d)", p.x(), p.y());
    return line;
}

QPen makeStrokePen(const QColor& colour, int width)
{
    return QPen(QBrush(colour, Qt::SolidPattern), qreal(width), Qt::SolidLine, Qt::SquareCap,
                Qt::BevelJoin);
}

QImage ImageLine(const QImage& image, QList<QPoint> points, const QPen& pen)
{
    QImage result = image;
    const int n = points.size();
    if (n == 0)
        return result;
    QPainter painter(&result);
    painter.setPen(pen);
    if (n == 1) {
        const QLine dot(points.constFirst(), points.constFirst());
        painter.drawLines(&dot, 1);
    } else {
        // Each point twice in a row, read from the second: (p0,p1), (p1,p2), ...
        // so every segment gets its own square caps and no joins form.
        QVector<QPoint> pairs;
        pairs.reserve(2 * n);
        for (const QPoint& p : points) {
            pairs.append(p);
            pairs.append(p);
        }
        painter.drawLines(pairs.constData() + 1, n - 1);
    }
    painter.end();
    return result;
}
