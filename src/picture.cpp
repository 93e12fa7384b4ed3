#include "picture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

bool pictureSizeAcceptable(const QSize& size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return false;
    return qint64(size.width()) * qint64(size.height()) <= MAX_PICTURE_PIXELS;
}

QImage loadPicture(const QString& path)
{
    // A folder fails at once, and a named pipe would block the read forever.
    if (!QFileInfo(path).isFile())
        return QImage();

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return QImage();

    // Decoders allocate the whole claimed size before reading a pixel, so a
    // tiny file may otherwise ask for gigabytes. A handler that cannot tell
    // the size without decoding gets the benefit of the doubt.
    const QSize claimed = reader.size();
    if (claimed.isValid() && !pictureSizeAcceptable(claimed))
        return QImage();

    const QImage picture = reader.read();
    if (picture.isNull())
        return QImage();
    return picture.convertToFormat(QImage::Format_RGB888);
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
