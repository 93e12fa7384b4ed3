#ifndef SAVEFILE_H
#define SAVEFILE_H

#include <QByteArray>
#include <QImage>
#include <QString>

enum class WriteResult { Ok, OpenFailed, WriteFailed };

// Writes `bytes` to `path` so that a failed save leaves an earlier file
// exactly as it was and a successful one is complete. A new or regular
// target is written to a temporary file beside it that replaces it at the
// end; in a folder that takes no new files an existing file is overwritten
// in place, its earlier bytes put back on failure. A character or block
// device is written in place; anything else that is not a regular file
// (a folder, a pipe) is refused.
WriteResult writeFileSafely(const QString& path, const QByteArray& bytes);

// The image format a saved file gets from its extension, or an empty
// string when the toolkit has no writer for it.
QByteArray imageFormatForPath(const QString& path);

// `image` encoded in `format`; empty when the encoder fails.
QByteArray encodeImage(const QImage& image, const QByteArray& format);

#endif // SAVEFILE_H
