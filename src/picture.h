#ifndef PICTURE_H
#define PICTURE_H

#include <QImage>
#include <QSize>
#include <QList>
#include <QString>
#include <QUrl>

// The largest picture that is decoded: a 100-megapixel camera photo fits,
// a header claiming gigapixels is refused before any memory is taken.
constexpr qint64 MAX_PICTURE_PIXELS = qint64(1) << 27;

// True when a picture of `size`, as its header claims it, may be decoded.
bool pictureSizeAcceptable(const QSize& size);

// Loads the picture at `path` as 24-bit RGB (Format_RGB888) with its EXIF
// orientation applied, the format told by the content, not the name.
// Returns a null image when `path` is not a regular file, the content is
// no readable picture, or its claimed size is too large.
QImage loadPicture(const QString& path);

// The local path of a dropped picture, or an empty string unless `urls` is
// exactly one local file ending in .bmp, .jpg or .jpeg (any case).
QString droppedPicturePath(const QList<QUrl>& urls);

#endif // PICTURE_H
