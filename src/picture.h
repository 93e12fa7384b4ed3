#ifndef PICTURE_H
#define PICTURE_H

// Opening pictures, free of widgets and safe on any thread: files, drops and
// pasted images all end as the same dialog-ready picture.

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>

// The largest picture that is decoded: a 100-megapixel camera photo fits,
// a header claiming gigapixels is refused before any memory is taken.
constexpr qint64 MAX_PICTURE_PIXELS = qint64(1) << 27;

// The most scans a JPEG may have. Encoders write about ten (libjpeg's
// progressive script: 10 for colour, 6 for grey); each scan costs a pass over
// the whole picture, so a small file repeating one scan thousands of times
// would keep the decoder busy for a minute. 100 is ten times what encoders
// write and bounds the waste: 90 scans more cost about 1 s at 24 megapixels,
// 6 s at MAX_PICTURE_PIXELS, on the machine this was written on.
constexpr int MAX_JPEG_SCANS = 100;

// QImage(size, format), uninitialised; when large, its memory is asked to
// come in huge pages: where the first touch of fresh memory is slow, page by
// page, it is then touched 2 MiB at a time.
QImage newLargeImage(const QSize& size, QImage::Format format);

// True when a picture of `size`, as its header claims it, may be decoded.
bool pictureSizeAcceptable(const QSize& size);

// An opened picture.
struct OpenedPicture {
    // What the selection dialog works on: opaque Format_RGB32, transparent
    // parts laid over white, EXIF orientation applied. Null when refused.
    QImage picture;
    // When the picture is a one-bit 128 x 64 image: the working bitmap it
    // stands for (Format_Mono, 0 COLOR_BACK, 1 COLOR_FRONT, dark pixels set),
    // to be taken as it is. Otherwise null.
    QImage bitmap;
};

// Opens the picture at `path`, its format told by the content, not the name.
// The picture is null when `path` is not a regular file, the content is no
// readable picture, its claimed size is too large, it is a JPEG of more
// than MAX_JPEG_SCANS scans, or `cancel` was set before it was done; a set
// `cancel` stops the decoding soon.
OpenedPicture openPicture(const QString& path, const std::atomic_bool* cancel = nullptr);

// openPicture(path, cancel).picture.
QImage loadPicture(const QString& path, const std::atomic_bool* cancel = nullptr);

// A pasted image made what openPicture makes of a file; the picture is null
// when `image` is null or too large.
OpenedPicture pastedPicture(const QImage& image);

// The number of scans (SOS markers) of the JPEG `data`, walking its markers
// and the entropy-coded data between them; counting stops once past `stop`.
// -1 when `data` does not start like a JPEG.
int jpegScanCount(const uchar* data, qint64 size, int stop = MAX_JPEG_SCANS);

// Lower-case suffixes, without the dot, of the pictures the program opens:
// those of the known formats whose reader is installed.
QStringList pictureSuffixes();

// "*.bmp *.jpg ..." of pictureSuffixes(), for a file dialog's filter.
QString pictureNameFilter();

// The local path of a dropped picture, or an empty string unless `urls` is
// exactly one local file whose suffix is one of pictureSuffixes() (any case).
QString droppedPicturePath(const QList<QUrl>& urls);

#endif // PICTURE_H
