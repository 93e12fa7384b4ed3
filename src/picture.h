#ifndef PICTURE_H
#define PICTURE_H

#include <QImage>
#include <QIODevice>
#include <QSize>
#include <QString>

#include <functional>

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

enum class WriteResult { Ok, OpenFailed, WriteFailed };

// Writes a file through `write`, which returns false when it could not
// produce its content. A regular target (or a new one) is written to a
// temporary file beside it and replaced only when everything was written,
// so a failed save leaves the old file as it was; a device or pipe is
// written in place.
WriteResult writeFileSafely(const QString& path, QIODevice::OpenMode mode,
                            const std::function<bool(QIODevice&)>& write);

// The image format a saved file gets from its extension, or an empty
// string when the toolkit has no writer for it.
QByteArray imageFormatForPath(const QString& path);

#endif // PICTURE_H
