#ifndef SAVEFILE_H
#define SAVEFILE_H

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

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

#endif // SAVEFILE_H
