#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

// Shared by the benchmarks: test photos made the same way every time, medians
// and the goal lines every benchmark prints.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// Smooth light, soft shapes and sensor noise, so the JPEG codes like a photo.
inline QImage photoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    quint32 noise = 12345;
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        const double fy = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width;
            noise = noise * 1664525u + 1013904223u;
            const int n = int(noise >> 28) - 8;
            const double sky = 1.0 - fy;
            const int wave = int(40 * ((x / 97 + y / 61) % 3));
            line[3 * x] = uchar(qBound(0, int(90 + 120 * sky * fx) + wave + n, 255));
            line[3 * x + 1] = uchar(qBound(0, int(110 + 90 * fy) - wave / 2 + n, 255));
            line[3 * x + 2] = uchar(qBound(0, int(200 * sky + 30 * fx) + n, 255));
        }
    }
    return image;
}

// The photo of `width` x `height` as a baseline JPEG of quality 90, written
// once into the build folder; empty when it cannot be written.
inline QString cachedPhoto(int width, int height)
{
    const QString folder = QStringLiteral(DOTWRIGHT_BENCH_DIR "/pictures");
    QDir().mkpath(folder);
    const QString path = QStringLiteral("%1/photo_%2x%3.jpg").arg(folder).arg(width).arg(height);
    if (QImageReader(path).size() == QSize(width, height))
        return path;
    const QString part = path + QStringLiteral(".part");
    QImageWriter writer(part, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(photoLike(width, height))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(part),
                     qPrintable(writer.errorString()));
        return QString();
    }
    QFile::remove(path);
    return QFile::rename(part, path) ? path : QString();
}

// Milliseconds `work` takes.
inline double timeMs(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// "ok" or "MISSED": run.sh counts the second.
inline const char* verdict(double value, double goal)
{
    return value <= goal ? "ok" : "MISSED";
}

inline QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').mid(0, 3).join(' ')
                                          : QByteArray("?");
}

#endif // BENCHSUPPORT_H
