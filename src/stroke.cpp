#include "stroke.h"

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

QString droppedPicturePath(const QList<QUrl>& urls)
{
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    for (const char* suffix : { ".bmp", ".jpg", ".jpeg" }) {
        if (path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return path;
    }
    return QString();
}
