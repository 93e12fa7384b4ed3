// Times the selection dialog on real-size photos against djpeg decoding the
// same file, and measures the peak memory of a whole selection in a child.
//
//   bench_select            the timings and the peak memory figure
//   bench_select --peak F   (internal) open F, level 25, confirm; print VmHWM
//
// Run it as is and with GLIBC_TUNABLES=glibc.malloc.hugetlb=1: first touches
// of fresh memory are very slow on some virtual machines.

#include "global.h"
#include "selectdialog.h"
#include "selectgeometry.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QMouseEvent>
#include <QProcess>
#include <QSlider>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const int RUNS = 7;

// The machine is shared: every figure is the best of several runs, with the
// median beside it.
struct Timing {
    double best;
    double median;
    Timing operator/(double n) const { return {best / n, median / n}; }
};

// Milliseconds over `runs` calls; `prepare` runs untimed before each.
Timing timeMs(int runs, const std::function<void()>& work,
              const std::function<void()>& prepare = [] {})
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

// Smooth light, soft shapes and sensor noise, so the JPEG codes like a photo.
QImage photoLike(int width, int height)
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

QString writeJpeg(int width, int height, const QString& name)
{
    const QString path = QDir::temp().filePath(name);
    if (QImageReader(path).size() == QSize(width, height))
        return path;
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(photoLike(width, height))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return QString();
    }
    return path;
}

QImage openAs24Bit(const QString& path)
{
    QImage picture = QImageReader(path).read();
    // In place where the toolkit can: the 32-bit and the 24-bit copy need not coexist.
    return std::move(picture).convertToFormat(QImage::Format_RGB888);
}

qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

int peakChild(const QString& path)
{
    const qint64 baseline = statusKb("VmRSS");
    SelectDialog dialog(nullptr);
    const QImage picture = openAs24Bit(path);
    const QSize size = picture.size();
    dialog.setSource(picture);
    dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"))->setValue(25);
    const QImage result = dialog.getSource();
    std::printf("%d %d %lld %lld %d\n", size.width(), size.height(), statusKb("VmHWM"), baseline,
                result.width());
    return 0;
}

void show(const char* what, const Timing& t)
{
    std::printf("  %-44s %8.3f ms  (median %8.3f)\n", what, t.best, t.median);
}

void report(const char* what, const Timing& t, const Timing& reference, double goal)
{
    const double ratio = t.best / reference.best;
    std::printf("  %-44s %8.3f ms  (median %8.3f)  %5.2fx  goal <= %.2fx  %s\n", what, t.best,
                t.median, ratio, goal, ratio <= goal ? "ok" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--peak"))
        return peakChild(args.at(2));

    std::printf("GLIBC_TUNABLES=%s\n", qgetenv("GLIBC_TUNABLES").constData());
    const QString jpeg24 = writeJpeg(6000, 4000, QStringLiteral("bench_select_24mp.jpg"));
    if (jpeg24.isEmpty())
        return 1;

    const Timing djpeg = timeMs(RUNS, [&] {
        QProcess process;
        process.start(QStringLiteral("djpeg"),
                      {QStringLiteral("-outfile"), QStringLiteral("/dev/null"), jpeg24});
        process.waitForFinished(-1);
    });
    std::printf("24-megapixel JPEG, 6000 x 4000 (%s)\n", qPrintable(jpeg24));
    show("djpeg -outfile /dev/null", djpeg);

    std::unique_ptr<SelectDialog> opened;
    const Timing ready = timeMs(
        RUNS,
        [&] {
            opened.reset(new SelectDialog(nullptr));
            opened->setSource(openAs24Bit(jpeg24));
        },
        [&] { opened.reset(); }); // tearing the last one down is not part of it
    opened.reset();
    report("dialog ready (load, 24-bit, setSource)", ready, djpeg, 1.4);

    SelectDialog dialog(nullptr);
    const QImage picture = openAs24Bit(jpeg24);
    dialog.setSource(picture);
    QSlider* slider = dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"));
    const Timing step = timeMs(RUNS, [&] { slider->setValue(25); }, [&] { slider->setValue(24); });
    report("slider step to level 25", step, djpeg, 0.25);
    slider->setValue(5);

    QImage result;
    const Timing confirm = timeMs(RUNS, [&] { result = dialog.getSource(); });
    report("getSource, whole picture selected", confirm, djpeg, 0.25);

    // The same work the plain way, for comparison.
    const QSize level25 = scaledSourceSize(picture.size(), 25, fitScale(QSize(820, 410),
                                                                         picture.size()));
    const Timing plain_step = timeMs(RUNS, [&] {
        picture.scaled(level25, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    });
    const Timing plain_confirm = timeMs(RUNS, [&] {
        picture.copy(picture.rect()).scaled(QSize(128, 85), Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation);
    });
    show("(plain scaled() of the 24-bit picture)", plain_step);
    show("(plain copy().scaled() of the 24-bit picture)", plain_confirm);

    // A handle drag: arm the bottom-right handle, press, then move.
    QWidget* viewport = dialog.findChild<BitmapCtrl*>(QStringLiteral("graphicsView"))->viewport();
    const QRect sel = dialog.getSelectRect();
    const QPoint corner = sel.bottomRight();
    QMouseEvent arm(QEvent::MouseMove, corner, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &arm);
    QMouseEvent press(QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    const int moves = 400;
    int offset = 0;
    const Timing drag = timeMs(RUNS, [&] {
        for (int i = 0; i < moves; ++i) {
            const QPoint to = corner - QPoint(100 + (offset + i) % 200, 50 + (offset + i) % 100);
            QMouseEvent move(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
        }
        offset += moves;
    }) / moves;
    QMouseEvent release(QEvent::MouseButtonRelease, corner, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);

    const QImage frame = picture.scaled(820, 410);
    QImage out(820, 410, QImage::Format_RGB888);
    const Timing loop = timeMs(RUNS, [&] {
        for (int i = 0; i < moves; ++i) {
            for (int y = 0; y < 410; ++y) {
                const uchar* in = frame.constScanLine(y);
                uchar* o = out.scanLine(y);
                for (int x = 0; x < 820 * 3; ++x)
                    o[x] = uchar(in[x] - (in[x] >> 2));
            }
        }
    }) / moves;
    std::printf("820 x 410 view\n");
    show("plain scanline loop (c - c/4, every byte)", loop);
    report("one view refresh during a handle drag", drag, loop, 2.0);

    const int w50 = 8660;
    const int h50 = 5774;
    const QString jpeg50 = writeJpeg(w50, h50, QStringLiteral("bench_select_50mp.jpg"));
    if (jpeg50.isEmpty())
        return 1;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(app.applicationFilePath(), {QStringLiteral("--peak"), jpeg50});
    child.waitForFinished(-1);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() < 4) {
        std::printf("peak memory child failed\n");
        return 1;
    }
    const double size24 = double(fields[0].toInt()) * fields[1].toInt() * 3 / 1024.0;
    const double hwm = fields[2].toDouble();
    const double base = fields[3].toDouble();
    std::printf("50-megapixel JPEG, %s x %s: open, level 25, confirm\n", fields[0].constData(),
                fields[1].constData());
    std::printf("  %-44s %8.0f MiB\n", "24-bit picture", size24 / 1024);
    std::printf("  %-44s %8.0f MiB  %5.2fx  goal <= 2.70x  %s\n", "peak resident (VmHWM)",
                hwm / 1024, hwm / size24, hwm / size24 <= 2.7 ? "ok" : "MISSED");
    std::printf("  %-44s %8.0f MiB\n", "of which before opening", base / 1024);
    return 0;
}
