// Whole-process conversion of a photo to C source, `dotwright convert`,
// against ImageMagick's
//
//   convert IN -resize 128x64 -colorspace Gray -threshold 50% OUT.xbm
//
// on JPEGs of 0.3, 2, 24 and 50 megapixels:
//
//   exact path  <= 0.5x ImageMagick's time at every size
//   --fast      <= 0.1x from 2 megapixels up
//
// The three commands take turns within each round, each round starting with
// another; a goal is the median of the per-round ratios. No process gets
// transparent huge pages: the setting is inherited by every child.
//
//   bench_convert [rounds]

#include "benchsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Milliseconds `command` takes from start to exit, output thrown away;
// negative when it cannot start or fails.
double runMs(const QStringList& command)
{
    std::vector<QByteArray> bytes;
    for (const QString& argument : command)
        bytes.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (started != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0)
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

struct Picture
{
    const char* label;
    int width;
    int height;
    bool fast_goal;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(7, argc > 1 ? QByteArray(argv[1]).toInt() : 7);
    const bool no_huge_pages = prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0) == 0;
    const QString dotwright = QDir::cleanPath(QStringLiteral(DOTWRIGHT_BENCH_DIR "/../bin/dotwright"));
    // Debian's ImageMagick, not whatever else is called convert earlier in PATH.
    QString magick = QStandardPaths::findExecutable(QStringLiteral("convert"), { "/usr/bin" });
    if (magick.isEmpty())
        magick = QStandardPaths::findExecutable(QStringLiteral("convert"));
    QTemporaryDir out;

    std::printf("bench_convert: dotwright convert (picture to C source) vs ImageMagick's convert -resize "
                "128x64 -colorspace Gray -threshold 50%%, %d rounds, huge pages %s\n", rounds,
                no_huge_pages ? "off" : "NOT off (prctl failed)");
    if (magick.isEmpty()) {
        std::printf("  ImageMagick's convert not found (Debian package imagemagick): failed\n");
        return 1;
    }
    std::printf("  %-22s %9s %9s %7s %6s %-7s %9s %7s %6s %s\n", "picture", "IM ms", "exact ms",
                "ratio", "goal", "verdict", "fast ms", "ratio", "goal", "verdict");
    const Picture pictures[] = { { "0.3 MP (640 x 480)", 640, 480, false },
                                 { "2 MP (1632 x 1224)", 1632, 1224, true },
                                 { "24 MP (6000 x 4000)", 6000, 4000, true },
                                 { "50 MP (8660 x 5774)", 8660, 5774, true } };
    int failures = 0;
    for (const Picture& picture : pictures) {
        const QString photo = cachedPhoto(picture.width, picture.height);
        const QString code = out.filePath(QStringLiteral("photo.h"));
        const QStringList commands[] = {
            { magick, photo, "-resize", "128x64", "-colorspace", "Gray", "-threshold", "50%",
              out.filePath(QStringLiteral("photo.xbm")) },
            { dotwright, "convert", "-o", code, photo },
            { dotwright, "convert", "--fast", "-o", code, photo },
        };
        std::vector<double> ms[3], exact_ratio, fast_ratio;
        bool failed = photo.isEmpty();
        // Round 0 only brings the files into the page cache.
        for (int round = 0; round <= rounds && !failed; ++round) {
            double taken[3];
            for (int k = 0; k < 3; ++k) {
                const int which = (round + k) % 3;
                taken[which] = runMs(commands[which]);
                failed = failed || taken[which] < 0;
            }
            if (round == 0 || failed)
                continue;
            for (int k = 0; k < 3; ++k)
                ms[k].push_back(taken[k]);
            exact_ratio.push_back(taken[1] / taken[0]);
            fast_ratio.push_back(taken[2] / taken[0]);
        }
        if (failed) {
            std::printf("  %-22s a command failed\n", picture.label);
            ++failures;
            continue;
        }
        const double exact = median(exact_ratio), fast = median(fast_ratio);
        std::printf("  %-22s %9.1f %9.1f %6.3fx %6.2f %-7s %9.1f %6.3fx %6s %s\n", picture.label,
                    median(ms[0]), median(ms[1]), exact, 0.5, verdict(exact, 0.5), median(ms[2]),
                    fast, picture.fast_goal ? "0.10" : "-",
                    picture.fast_goal ? verdict(fast, 0.1) : "(no goal)");
    }
    std::printf("  load average after: %s\n", loadAverage().constData());
    return failures ? 1 : 0;
}
