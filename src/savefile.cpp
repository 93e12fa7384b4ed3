#include "savefile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Unbuffered, so every failure reaches the caller at its write.
bool writeAll(QFile& file, const QByteArray& bytes)
{
    return file.write(bytes) == bytes.size() && file.flush()
           && file.error() == QFileDevice::NoError;
}

WriteResult writeDevice(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return WriteResult::OpenFailed;
    return writeAll(file, bytes) ? WriteResult::Ok : WriteResult::WriteFailed;
}

// The file is never truncated before the new bytes are in: the space they
// need is taken first, and whatever fails after that, the earlier bytes are
// written back over the same blocks, which needs no new space.
WriteResult overwriteInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return WriteResult::OpenFailed;
    const QByteArray earlier = file.readAll();
    if (file.error() != QFileDevice::NoError || earlier.size() != file.size())
        return WriteResult::OpenFailed;
    if (bytes.size() > earlier.size()
        && posix_fallocate(file.handle(), 0, bytes.size()) != 0)
        return WriteResult::WriteFailed;
    if (file.seek(0) && writeAll(file, bytes) && file.resize(bytes.size()))
        return WriteResult::Ok;
    file.unsetError();
    file.seek(0);
    writeAll(file, earlier);
    file.resize(earlier.size());
    return WriteResult::WriteFailed;
}

} // namespace

WriteResult writeFileSafely(const QString& path, const QByteArray& bytes)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        // Replacing a device such as /dev/full by a regular file would be far
        // worse than a failed write; a pipe without a reader would never open.
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
            return writeDevice(path, bytes);
        return WriteResult::OpenFailed;
    }

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        const QFileInfo target(path);
        if (target.isFile() && target.isWritable())
            return overwriteInPlace(path, bytes);
        return WriteResult::OpenFailed;
    }
    // The toolkit's commit() does not notice a short write while flushing
    // its buffer (a full disk, a file size limit), so flush first.
    if (file.write(bytes) != bytes.size() || !file.flush()
        || file.error() != QFileDevice::NoError) {
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

QByteArray encodeImage(const QImage& image, const QByteArray& format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format.constData()))
        return QByteArray();
    return bytes;
}
