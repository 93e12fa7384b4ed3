// The selection dialog on a 24-megapixel photo, on the program's own path
// (loadPicture, then setSource), against references run in the same rounds:
//
//   G1 dialog ready (load + first picture) vs djpeg -outfile /dev/null:
//      <= 4x by default, <= 1.2x with huge pages (two cores)
//   G2 slider step to level 25 vs djpeg: <= 0.25x on one core
//   G3 confirm of the whole picture vs djpeg: <= 0.25x on one core, and
//      vs one pass of area averaging to 128 x 64: <= 2.5x on one core
//   G6 one view refresh during a handle drag vs a scanline loop over the
//      view (c - c / 4 on every byte): <= 2x, the two taking turns
//
// Each configuration (default malloc or GLIBC_TUNABLES=glibc.malloc.hugetlb=1,
// two cores or taskset -c 0) runs in a child of its own; within a child the
// subjects and the references alternate round by round, and a goal is the
// median of the per-round ratios.
//
//   bench_select               all of it, as a table
//   bench_select --photo W H   print the path of the cached W x H test photo
//   bench_select --child N     (internal) N rounds here, one line per round

#include "benchsupport.h"
#include "global.h"
#include "picture.h"
#include "selectdialog.h"
#include "selectgeometry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QSlider>

#include <functional>
#include <map>
#include <memory>
#include <string>

class SelectDialogTester
{
public:
    static const QImage& source(const SelectDialog& d) { return d.source; }
};

namespace {

const int ROUNDS = 9;
const int MOVES = 20;
const int TURNS = 15;

// The reference of G3: every source pixel added once into the 128 x 64 cell
// it falls in, then each cell divided by its count.
QImage boxFilter(const QImage& picture)
{
    const int w = picture.width();
    const int h = picture.height();
    std::vector<int> column(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        column[size_t(x)] = int(qint64(x) * 128 / w);
    std::vector<quint32> sums(128 * 3);
    QImage out(128, 64, QImage::Format_RGB32);
    int row = 0;
    int rows = 0;
    for (int y = 0; y <= h; ++y) {
        const int target = y < h ? int(qint64(y) * 64 / h) : 64;
        if (target != row) {
            QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(row));
            for (int c = 0; c < 128; ++c) {
                const quint32 count = quint32(rows) * quint32((qint64(c + 1) * w + 127) / 128
                                                            - (qint64(c) * w + 127) / 128);
                line[c] = qRgb(int(sums[3 * c] / count), int(sums[3 * c + 1] / count),
                               int(sums[3 * c + 2] / count));
            }
            std::fill(sums.begin(), sums.end(), 0);
            row = target;
            rows = 0;
        }
        if (y == h)
            break;
        const QRgb* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            quint32* cell = &sums[size_t(3 * column[size_t(x)])];
            cell[0] += qRed(in[x]);
            cell[1] += qGreen(in[x]);
            cell[2] += qBlue(in[x]);
        }
        ++rows;
    }
    return out;
}

QSlider* slider(SelectDialog& dialog)
{
    return dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"));
}

QWidget* viewport(SelectDialog& dialog)
{
    return dialog.findChild<BitmapCtrl*>(QStringLiteral("graphicsView"))->viewport();
}

void send(QWidget* to, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
          Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

// One line per round: the milliseconds of every measured step.
int child(int rounds)
{
    const QString jpeg = cachedPhoto(6000, 4000);
    if (jpeg.isEmpty())
        return 1;
    const auto djpeg = [&] {
        QProcess process;
        process.start(QStringLiteral("djpeg"),
                      { QStringLiteral("-outfile"), QStringLiteral("/dev/null"), jpeg });
        process.waitForFinished(-1);
    };

    // A click at level 25 on a 2 x 2 picture: a sliver of one pixel.
    SelectDialog tiny(nullptr);
    QImage two(2, 2, QImage::Format_RGB32);
    two.fill(Qt::black);
    tiny.setSource(two);
    slider(tiny)->setValue(25);
    send(viewport(tiny), QEvent::MouseButtonPress, QPoint(500, 300), Qt::LeftButton,
         Qt::LeftButton);
    send(viewport(tiny), QEvent::MouseButtonRelease, QPoint(500, 300), Qt::LeftButton,
         Qt::NoButton);

    std::unique_ptr<SelectDialog> dialog;
    QImage frame(820, 410, QImage::Format_RGB888);
    frame.fill(Qt::darkCyan);
    QImage out(820, 410, QImage::Format_RGB888);
    for (int round = 0; round < rounds; ++round) {
        std::map<std::string, double> ms;
        const auto references = [&] {
            ms["djpeg"] = timeMs(djpeg);
            if (dialog) {
                const QImage& source = SelectDialogTester::source(*dialog);
                ms["box"] = timeMs([&] { boxFilter(source); });
            }
        };
        const auto subjects = [&] {
            dialog.reset(); // the last picture goes first, as in the program
            ms["ready"] = timeMs([&] {
                dialog.reset(new SelectDialog(nullptr));
                dialog->setSource(loadPicture(jpeg));
            });
            slider(*dialog)->setValue(24);
            ms["step"] = timeMs([&] { slider(*dialog)->setValue(25); });
            slider(*dialog)->setValue(5);
            // What OK makes when no preview has been kept: the whole picture reduced.
            const QImage& picture = SelectDialogTester::source(*dialog);
            ms["confirm"] = timeMs([&] { proposedBitmap(picture, wholeSelection(picture.size())); });
            ms["tiny"] = timeMs([&] { tiny.getSource(); });

            // A handle drag: arm the bottom-right handle, press, then move;
            // in turns with the loop, a few moves and as many passes at a time.
            QWidget* view = viewport(*dialog);
            const QPoint corner = dialog->getSelectRect().bottomRight();
            send(view, QEvent::MouseMove, corner, Qt::NoButton, Qt::NoButton);
            send(view, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
            std::vector<double> drags, loops;
            for (int turn = 0; turn < TURNS; ++turn) {
                drags.push_back(timeMs([&] {
                    for (int i = 0; i < MOVES; ++i)
                        send(view, QEvent::MouseMove,
                             corner - QPoint(100 + (turn * MOVES + i) % 200, 50 + i % 100),
                             Qt::NoButton, Qt::LeftButton);
                }) / MOVES);
                loops.push_back(timeMs([&] {
                    for (int i = 0; i < MOVES; ++i) {
                        for (int y = 0; y < 410; ++y) {
                            const uchar* in = frame.constScanLine(y);
                            uchar* o = out.scanLine(y);
                            for (int x = 0; x < 820 * 3; ++x)
                                o[x] = uchar(in[x] - (in[x] >> 2));
                        }
                    }
                }) / MOVES);
            }
            send(view, QEvent::MouseButtonRelease, corner, Qt::LeftButton, Qt::NoButton);
            ms["drag"] = median(drags);
            ms["loop"] = median(loops);
        };
        if (round % 2) {
            subjects();
            references();
        } else {
            references();
            subjects();
        }
        if (!ms.count("box")) // the first round has no picture before its subjects
            ms["box"] = timeMs([&] { boxFilter(SelectDialogTester::source(*dialog)); });
        for (const char* key : { "djpeg", "ready", "step", "confirm", "box", "drag", "loop", "tiny" })
            std::printf("%s %.4f ", key, ms[key]);
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}

struct Config {
    const char* mode;
    bool huge;
    bool one_core;
};

// Every round's figures of one configuration, by name.
using Rounds = std::vector<std::map<QByteArray, double>>;

Rounds runChild(const QString& self, const Config& config)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (config.huge)
        env.insert(QStringLiteral("GLIBC_TUNABLES"), QStringLiteral("glibc.malloc.hugetlb=1"));
    else
        env.remove(QStringLiteral("GLIBC_TUNABLES"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QStringList args = { QStringLiteral("--child"), QString::number(ROUNDS) };
    if (config.one_core)
        process.start(QStringLiteral("taskset"), QStringList{ "-c", "0", self } + args);
    else
        process.start(self, args);
    process.waitForFinished(-1);
    Rounds rounds;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        std::map<QByteArray, double> round;
        for (int i = 0; i + 1 < fields.size(); i += 2)
            round[fields[i]] = fields[i + 1].toDouble();
        rounds.push_back(round);
    }
    return rounds;
}

double medianOf(const Rounds& rounds, const QByteArray& key)
{
    std::vector<double> values;
    for (const auto& round : rounds)
        values.push_back(round.at(key));
    return median(values);
}

double medianRatio(const Rounds& rounds, const QByteArray& subject, const QByteArray& reference)
{
    std::vector<double> ratios;
    for (const auto& round : rounds)
        ratios.push_back(round.at(subject) / round.at(reference));
    return median(ratios);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--photo")) {
        const QString path = cachedPhoto(args.at(2).toInt(), args.at(3).toInt());
        std::printf("%s\n", qPrintable(path));
        return path.isEmpty() ? 1 : 0;
    }
    if (args.size() == 3 && args.at(1) == QLatin1String("--child"))
        return child(args.at(2).toInt());

    if (cachedPhoto(6000, 4000).isEmpty())
        return 1;
    std::printf("bench_select: 24-megapixel JPEG (6000 x 4000, quality 90), %d rounds a "
                "configuration, load average %s\n",
                ROUNDS, loadAverage().constData());
    const Config configs[] = {
        { "default", false, false },
        { "default", false, true },
        { "huge pages", true, false },
        { "huge pages", true, true },
    };
    std::map<std::pair<bool, bool>, Rounds> results;
    for (const Config& config : configs) {
        results[{ config.huge, config.one_core }] = runChild(app.applicationFilePath(), config);
        if (results[{ config.huge, config.one_core }].empty()) {
            std::printf("  the %s child failed\n", config.mode);
            return 1;
        }
    }

    std::printf("  %-40s %-10s %9s %9s %9s %9s  %-7s %s\n", "goal", "mode", "ms", "ref ms",
                "ratio", "other", "goal", "verdict");
    // The verdict's cores first; "other" is the same ratio on the other count.
    const auto row = [&](const char* name, bool huge, bool one_core, const char* subject,
                         const char* reference, double goal) {
        const Rounds& rounds = results[{ huge, one_core }];
        const double ratio = medianRatio(rounds, subject, reference);
        const double other = medianRatio(results[{ huge, !one_core }], subject, reference);
        std::printf("  %-40s %-10s %9.2f %9.2f %8.2fx %8.2fx  <=%-5.2f %s\n", name,
                    huge ? "huge pages" : "default", medianOf(rounds, subject),
                    medianOf(rounds, reference), ratio, other, goal, verdict(ratio, goal));
    };
    for (const bool huge : { false, true }) {
        row("G1 dialog ready vs djpeg (2 cores)", huge, false, "ready", "djpeg", huge ? 1.2 : 4.0);
        row("G2 step to level 25 vs djpeg (1 core)", huge, true, "step", "djpeg", 0.25);
        row("G3 confirm vs djpeg (1 core)", huge, true, "confirm", "djpeg", 0.25);
        row("G3 confirm vs box filter (1 core)", huge, true, "confirm", "box", 2.5);
    }
    row("G6 view refresh in a drag vs loop", false, false, "drag", "loop", 2.0);
    std::printf("  %-40s %-10s %9.3f\n", "(confirm of a click on 2 x 2, level 25)", "default",
                medianOf(results[{ false, false }], "tiny"));
    std::printf("  load average after: %s\n", loadAverage().constData());
    return 0;
}
