#include "savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

static WriteResult writeInPlace(const QString& path, QIODevice::OpenMode mode,
                                const std::function<bool(QIODevice&)>& write)
{
    QFile file(path);
    // Unbuffered, so a failing device reports the failure to the writer.
    if (!file.open(mode | QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return WriteResult::OpenFailed;
    const bool written = write(file) && file.flush() && file.error() == QFileDevice::NoError;
    file.close();
    return written && file.error() == QFileDevice::NoError ? WriteResult::Ok
                                                             : WriteResult::WriteFailed;
}

WriteResult writeFileSafely(const QString& path, QIODevice::OpenMode mode,
                            const std::function<bool(QIODevice&)>& write)
{
    const QFileInfo target(path);
    if (target.isDir())
        return WriteResult::OpenFailed;
    // Replacing a device node such as /dev/full by a regular file would be
    // far worse than a failed write.
    if (target.exists() && !target.isFile())
        return writeInPlace(path, mode, write);

    QSaveFile file(path);
    // A writable file in a folder that takes no new files is still written,
    // in place, as a plain save would.
    file.setDirectWriteFallback(true);
    if (!file.open(mode | QIODevice::WriteOnly))
        return WriteResult::OpenFailed;
    // The toolkit's commit() does not notice a short write while flushing
    // its buffer (a full disk, a file size limit), so flush first.
    if (!write(file) || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return WriteResult::WriteFailed;
    }
    return file.commit() ? WriteResult::Ok : WriteResult::WriteFailed;
}

QByteArray imageFormatForPath(const QString& path)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (suffix.isEmpty() || !QImageWriter::supportedImageFormats().contains(suffix))
        return QByteArray();
    return suffix;
}
