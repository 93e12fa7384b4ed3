#include "picture.h"

#include "bitmap.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixelFormat>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

bool cancelled(const std::atomic_bool* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

// The file as the decoders read it: every read fails once `cancel` is set.
// A JPEG decoder takes a failed read for the end of the data and decodes the
// rest of the picture from zeros; a second start-of-image marker first is an
// error that it gives up on at the end of the scan.
class CancellableFile : public QIODevice
{
public:
    CancellableFile(const QString& path, const std::atomic_bool* cancel)
        : file(path), cancel(cancel)
    {
    }

    bool open(OpenMode mode) override
    {
        return file.open(mode) && QIODevice::open(mode | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return file.size(); }
    bool seek(qint64 pos) override { return file.seek(pos) && QIODevice::seek(pos); }

    QFile file;
    bool jpeg = false;

protected:
    qint64 readData(char* data, qint64 max) override
    {
        if (!cancelled(cancel))
            return file.read(data, max);
        if (!jpeg || max < 2)
            return -1;
        jpeg = false;
        std::memcpy(data, "\xFF\xD8", 2);
        return 2;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const std::atomic_bool* cancel;
};

bool tooManyScans(CancellableFile& device)
{
    QFile& file = device.file;
    // The decoder needs only the start marker: it skips stray bytes after it.
    char head[2];
    device.jpeg = file.peek(head, 2) == 2 && std::memcmp(head, "\xFF\xD8", 2) == 0;
    if (!device.jpeg)
        return false;
    if (uchar* data = file.map(0, file.size())) {
        const bool refused = jpegScanCount(data, file.size()) > MAX_JPEG_SCANS;
        file.unmap(data);
        return refused;
    }
    const QByteArray bytes = file.readAll();
    file.seek(0);
    return jpegScanCount(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size())
           > MAX_JPEG_SCANS;
}

// A premultiplied colour laid over white.
QRgb onWhite(QRgb premultiplied)
{
    return (premultiplied + (255 - qAlpha(premultiplied)) * 0x010101u) | 0xff000000u;
}

// Format_RGB32 with transparent parts over white, in place where it can.
QImage opaque(QImage image)
{
    if (!image.hasAlphaChannel())
        return std::move(image).convertToFormat(QImage::Format_RGB32);
    image = std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = onWhite(line[x]);
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

QImage oneBitBitmap(const QImage& image)
{
    if ((image.format() != QImage::Format_Mono && image.format() != QImage::Format_MonoLSB)
        || image.size() != bitmapSize())
        return QImage();
    QImage bitmap = newBitmap();
    for (int y = 0; y < BITMAP_HEIGHT; ++y) {
        uchar* line = bitmap.scanLine(y);
        for (int x = 0; x < BITMAP_WIDTH; ++x) {
            if (isDark(onWhite(qPremultiply(image.pixel(x, y)))))
                setMonoBit(line, x);
        }
    }
    return bitmap;
}

OpenedPicture opened(QImage image)
{
    OpenedPicture result;
    result.bitmap = oneBitBitmap(image);
    result.picture = opaque(std::move(image));
    return result;
}

} // namespace

QImage newLargeImage(const QSize& size, QImage::Format format)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    const qsizetype bits = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytes_per_line = (qsizetype(size.width()) * bits + 31) / 32 * 4;
    const size_t bytes = size_t(bytes_per_line) * size_t(qMax(0, size.height()));
    if (size.width() > 0 && size.height() > 0 && format != QImage::Format_Invalid
        && bytes >= (size_t(4) << 20)) {
        void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                          -1, 0);
        if (data != MAP_FAILED) {
            madvise(data, bytes, MADV_HUGEPAGE);
            struct Mapping {
                void* data;
                size_t bytes;
            };
            const auto unmap = [](void* info) {
                const Mapping* mapping = static_cast<Mapping*>(info);
                munmap(mapping->data, mapping->bytes);
                delete mapping;
            };
            return QImage(static_cast<uchar*>(data), size.width(), size.height(),
                          bytes_per_line, format, unmap, new Mapping{ data, bytes });
        }
    }
#endif
    return QImage(size, format);
}

bool pictureSizeAcceptable(const QSize& size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return false;
    return qint64(size.width()) * qint64(size.height()) <= MAX_PICTURE_PIXELS;
}

OpenedPicture openPicture(const QString& path, const std::atomic_bool* cancel)
{
    // A folder fails at once, and a named pipe would block the read forever.
    if (!QFileInfo(path).isFile())
        return {};
    CancellableFile file(path, cancel);
    if (!file.open(QIODevice::ReadOnly) || tooManyScans(file) || cancelled(cancel))
        return {};

    // Without a name the reader tells the format by the content alone.
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};

    // Decoders allocate the whole claimed size before reading a pixel, so a
    // tiny file may otherwise ask for gigabytes. Every format offered tells
    // its size from the header; others (found by content) are not decoded.
    static const QByteArray offered[] = { "bmp", "jpeg", "png", "gif", "pbm", "pgm",
                                          "ppm", "xbm", "tiff", "webp" };
    if (std::find(std::begin(offered), std::end(offered), reader.format()) == std::end(offered))
        return {};
    const QSize claimed = reader.size();
    if (!claimed.isValid() || !pictureSizeAcceptable(claimed))
        return {};

    // The JPEG reader decodes into a given image of the right size and format.
    QImage image;
    if (reader.format() == "jpeg" && claimed.isValid())
        image = newLargeImage(claimed, reader.imageFormat());
    if (!reader.read(&image) || !pictureSizeAcceptable(image.size()) || cancelled(cancel))
        return {};
    OpenedPicture result = opened(std::move(image));
    if (cancelled(cancel))
        return {};
    return result;
}

QImage loadPicture(const QString& path, const std::atomic_bool* cancel)
{
    return openPicture(path, cancel).picture;
}

OpenedPicture pastedPicture(const QImage& image)
{
    if (!pictureSizeAcceptable(image.size()))
        return {};
    return opened(image);
}

int jpegScanCount(const uchar* data, qint64 size, int stop)
{
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return -1;
    int scans = 0;
    qint64 pos = 2;
    while (pos + 1 < size && scans <= stop) {
        // Like the decoder, pass over stray bytes and fill bytes to a marker.
        if (data[pos] != 0xFF || data[pos + 1] == 0xFF) {
            ++pos;
            continue;
        }
        const uchar marker = data[pos + 1];
        pos += 2;
        if (marker == 0xD9) // end of image
            break;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (pos + 1 >= size)
            break;
        const int length = data[pos] << 8 | data[pos + 1];
        pos += length;
        if (marker != 0xDA)
            continue;
        ++scans;
        // Entropy-coded data: 0xFF is followed by 0 (a stuffed byte), a
        // restart marker, or the marker that ends the scan.
        while (pos + 1 < size) {
            const void* ff = std::memchr(data + pos, 0xFF, size_t(size - pos));
            if (!ff)
                return scans;
            pos = static_cast<const uchar*>(ff) - data;
            if (pos + 1 >= size)
                break;
            const uchar next = data[pos + 1];
            if (next != 0x00 && (next < 0xD0 || next > 0xD7))
                break;
            pos += 2;
        }
    }
    return scans;
}

QStringList pictureSuffixes()
{
    static const char* const known[] = { "bmp", "jpg",  "jpeg", "png", "gif",  "pbm",
                                         "pgm", "ppm", "xbm",  "tif", "tiff", "webp" };
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    QStringList suffixes;
    for (const char* suffix : known) {
        if (readable.contains(QByteArray(suffix)))
            suffixes << QLatin1String(suffix);
    }
    return suffixes;
}

QString pictureNameFilter()
{
    QStringList patterns;
    for (const QString& suffix : pictureSuffixes())
        patterns << QStringLiteral("*.") + suffix;
    return patterns.join(QLatin1Char(' '));
}

QString droppedPicturePath(const QList<QUrl>& urls)
{
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    if (!pictureSuffixes().contains(QFileInfo(path).suffix().toLower()))
        return QString();
    return path;
}
