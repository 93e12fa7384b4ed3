// The selection dialog's live preview on a 24-megapixel photo, against the
// work it rides on, measured in the same rounds:
//
//   P1 quick preview at a move of a handle drag vs the view refresh of that
//      move (refresh, composeView): <= 2x, at level 5 and level 25, with the
//      whole picture selected and with a small region
//   P2 exact preview after the release vs the confirm (getSource, nothing
//      cached) of the same selection: <= 1.05x (measuring noise); both
//      reduce the same pixels the same way, the preview is painted later
//
// Each round times every subject and its reference in turns, move by move
// and release by release, which of them goes first alternating; a goal is
// the median of the per-round ratios.
//
//   bench_preview        all of it, as a table

#include "benchsupport.h"
#include "picture.h"
#include "selectdialog.h"
#include "selectgeometry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>

#include <functional>

class SelectDialogTester
{
public:
    explicit SelectDialogTester(SelectDialog& d) : d(d) {}
    QRectF& selectRect() { return d.select_rect; }
    void refresh() { d.refresh(); }
    void quickPreview() { d.updatePreview(SelectDialog::PreviewDetail::Quick); }
    void exactPreview() { d.updatePreview(SelectDialog::PreviewDetail::Exact); }
    bool previewExact() const { return d.preview_exact; }
    void forgetPreview()
    {
        d.preview_plan.reset();
        d.preview_exact = false;
    }
    void forgetIntegral() { d.quick_integral = LumaIntegral(); }
    SelectDialog& d;
};

namespace {

const int ROUNDS = 15;
const int MOVES = 40;
const int RELEASES = 6;

struct Case {
    const char* name;
    int level;
    QRectF selection; // centred source pixels; null: the whole picture
};

struct Figures {
    std::vector<double> preview, refresh, exact, confirm; // one median a round
    int quick_exact = 0; // quick previews that came out exact
    int quick_total = 0;
};

// A handle drag: the bottom-right corner moves a view pixel or two a move.
QRectF dragged(const QRectF& start, int move, double k)
{
    const double step = (1 + move % 3) / k;
    return start.adjusted(0, 0, -step * (move % 17), -step * (move % 11));
}

void measure(SelectDialog& dialog, const Case& c, int round, Figures& f)
{
    SelectDialogTester t(dialog);
    dialog.findChild<QSlider*>(QStringLiteral("horizontalSlider"))->setValue(c.level);
    const QRectF start = c.selection.isNull() ? t.selectRect() : c.selection;
    t.selectRect() = start;
    const double k = dialog.getSelectRect().width() / start.width();
    const bool preview_first = round % 2;

    std::vector<double> previews, refreshes;
    for (int move = 0; move < MOVES; ++move) {
        t.selectRect() = dragged(start, move, k);
        const auto preview = [&] { previews.push_back(timeMs([&] { t.quickPreview(); })); };
        const auto view = [&] { refreshes.push_back(timeMs([&] { t.refresh(); })); };
        if (preview_first) {
            preview();
            view();
        } else {
            view();
            preview();
        }
        f.quick_exact += t.previewExact();
        ++f.quick_total;
    }
    f.preview.push_back(median(previews));
    f.refresh.push_back(median(refreshes));

    // The release: the quick preview of the last move made exact.
    std::vector<double> exacts, confirms;
    for (int release = 0; release < RELEASES; ++release) {
        t.selectRect() = dragged(start, MOVES + release, k);
        const auto exact = [&] {
            t.forgetPreview();
            t.quickPreview();
            exacts.push_back(timeMs([&] { t.exactPreview(); }));
        };
        const auto confirm = [&] {
            t.forgetPreview();
            confirms.push_back(timeMs([&] { dialog.getSource(); }));
        };
        if ((release + round) % 2) {
            exact();
            confirm();
        } else {
            confirm();
            exact();
        }
    }
    f.exact.push_back(median(exacts));
    f.confirm.push_back(median(confirms));
}

std::vector<double> ratios(const std::vector<double>& subject, const std::vector<double>& reference)
{
    std::vector<double> out;
    for (size_t i = 0; i < subject.size(); ++i)
        out.push_back(subject[i] / reference[i]);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    QApplication app(argc, argv);

    const QString jpeg = cachedPhoto(6000, 4000);
    if (jpeg.isEmpty())
        return 1;
    SelectDialog dialog(nullptr);
    dialog.setSource(loadPicture(jpeg));

    // The small region: 600 x 300 picture pixels left of the centre, a
    // tenth of the width; 61 x 31 view pixels at level 5, 307 x 154 at 25.
    const QRectF small(-900, -200, 600, 300);
    const Case cases[] = {
        { "level 5, whole picture", 5, QRectF() },
        { "level 5, small region", 5, small },
        { "level 25, whole picture", 25, QRectF() },
        { "level 25, small region", 25, small },
    };
    // The first quick preview of a picture makes the grey sums it averages.
    std::vector<double> firsts;
    for (int round = 0; round < 5; ++round) {
        SelectDialogTester t(dialog);
        t.selectRect() = wholeSelection(QSize(6000, 4000)).adjusted(0, 0, -10 - round, 0);
        t.forgetIntegral();
        firsts.push_back(timeMs([&] { t.quickPreview(); }));
    }
    std::vector<Figures> figures(std::size(cases));
    std::printf("bench_preview: 24-megapixel photo (6000 x 4000), %d rounds of %d moves and %d "
                "releases a case, load average %s\n",
                ROUNDS, MOVES, RELEASES, loadAverage().constData());
    for (int round = 0; round < ROUNDS; ++round)
        for (size_t i = 0; i < std::size(cases); ++i) {
            SelectDialogTester(dialog).selectRect() = wholeSelection(QSize(6000, 4000));
            measure(dialog, cases[i], round, figures[i]);
        }

    std::printf("  %-46s %9s %9s %9s  %-7s %s\n", "goal", "ms", "ref ms", "ratio", "goal",
                "verdict");
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Figures& f = figures[i];
        const double p1 = median(ratios(f.preview, f.refresh));
        const double p2 = median(ratios(f.exact, f.confirm));
        const QByteArray name = cases[i].name;
        std::printf("  %-46s %9.3f %9.3f %8.2fx  <=%-5.2f %s\n",
                    ("P1 quick preview vs refresh, " + name).constData(), median(f.preview),
                    median(f.refresh), p1, 2.0, verdict(p1, 2.0));
        std::printf("  %-46s %9.3f %9.3f %8.2fx  <=%-5.2f %s\n",
                    ("P2 exact preview vs confirm, " + name).constData(), median(f.exact),
                    median(f.confirm), p2, 1.05, verdict(p2, 1.05));
        std::printf("  %-46s %d of %d\n", "   (quick previews that were exact)", f.quick_exact,
                    f.quick_total);
    }
    std::printf("  %-46s %9.3f\n", "(first quick preview of the picture)", median(firsts));
    std::printf("  load average after: %s\n", loadAverage().constData());
    return 0;
}
