// The edit history as a value: every kind of entry recorded, undone and redone,
// checked pixel for pixel against independent reference transforms.
#include "testsupport.h"

namespace {

const int W = 128, H = 64;

#define CHECK(p) do { const QString p_ = (p); QVERIFY2(p_.isEmpty(), qPrintable(p_)); } while (0)

// Reference transforms, pixel by pixel: each pixel takes the source pixel
// `from` names, clear when that lies outside the frame.
QImage remap(const QImage& source, const std::function<QPoint(int, int)>& from, bool invert = false)
{
    QImage result = source.copy();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const QPoint p = from(x, y);
            const bool set = QRect(0, 0, W, H).contains(p) && source.pixelIndex(p) == 1;
            result.setPixel(x, y, set != invert ? 1 : 0);
        }
    return result;
}

// The next "pen" or "erase" stroke from `rng` drawn on `image`; `entry` gets
// the history entry the canvas would record for it.
QImage stroke(const QImage& image, const QString& op, QRandomGenerator& rng, BITMAP_OPERATE* entry)
{
    QList<QPoint> points;
    for (int i = int(rng.bounded(1, 6)); i > 0; --i)
        points << QPoint(rng.bounded(-6, 134), rng.bounded(-6, 70));
    const int width = 1 + 2 * int(rng.bounded(5));
    *entry = BITMAP_OPERATE(op == "pen" ? OPERATE_PEN : OPERATE_ERASE, image, points, width);
    return ImageLine(image, points, makeStrokePen(op == "pen" ? COLOR_FRONT : COLOR_BACK, width));
}

// "inv", "mx", "my", "qN" (N clockwise quarter turns about the centre, losing
// what leaves the frame), "pen" or "erase" (the next stroke from `rng`).
QImage reference(const QImage& s, const QString& op, QRandomGenerator& rng)
{
    if (op == "inv") return remap(s, [](int x, int y) { return QPoint(x, y); }, true);
    if (op == "mx") return remap(s, [](int x, int y) { return QPoint(x, H - 1 - y); });
    if (op == "my") return remap(s, [](int x, int y) { return QPoint(W - 1 - x, y); });
    if (op.startsWith('q'))
        return remap(s, [&](int x, int y) {
            int u = 2 * x + 1 - W, v = 2 * y + 1 - H; // doubled, about the centre
            for (int i = op.mid(1).toInt(); i > 0; --i) std::swap(u, v), v = -v;
            return QPoint((u + W - 1) / 2, (v + H - 1) / 2);
        });
    BITMAP_OPERATE entry(OPERATE_PEN, QImage(), 0);
    return stroke(s, op, rng, &entry);
}

// A history, its bitmap, and every bitmap it has shown: states[k] is the
// picture with the oldest k entries applied.
struct Session
{
    Session(const QImage& start, quint32 seed) : bitmap(start), rng(seed), states{ start } {}
    int applied() const { return history.entries().size() - history.undone(); }

    // Ops as for `reference`, plus "u" undo, "r" redo, "cwN"/"ccwN" turns by
    // N degrees. Empty when all is as it should be.
    QString step(const QString& op)
    {
        const int before = applied();
        const bool edit = op != "u" && op != "r";
        if (edit) states.erase(states.begin() + before + 1, states.end()); // the redo branch goes
        if (op == "u") {
            history.undo(bitmap);
        } else if (op == "r") {
            history.redo(bitmap);
        } else if (op == "inv" || op == "mx" || op == "my") {
            const OPERATE_TYPE type = op == "inv" ? OPERATE_INVERT : op == "mx" ? OPERATE_MIRROR_X
                                                                               : OPERATE_MIRROR_Y;
            history.record(BITMAP_OPERATE(type, QImage(), 0));
            applySelfInverse(bitmap, type);
        } else if (op.startsWith('c')) {
            const bool cw = op.startsWith("cw");
            const int degrees = op.mid(cw ? 2 : 3).toInt();
            bitmap = history.rotate(bitmap, cw ? OPERATE_ROTATE_CW : OPERATE_ROTATE_CCW,
                                    cw ? degrees : 360 - degrees);
        } else {
            BITMAP_OPERATE entry(OPERATE_PEN, QImage(), 0);
            bitmap = stroke(bitmap, op, rng, &entry);
            history.record(entry);
        }
        if (edit) states << bitmap;
        const int want = edit ? states.size() - 1 : op == "u" ? qMax(before - 1, 0)
                       : qMin(before + 1, states.size() - 1);
        if (bitmap.format() != QImage::Format_Mono || bitmap.size() != QSize(W, H)
            || bitmap.colorTable() != QVector<QRgb>{ COLOR_BACK.rgb(), COLOR_FRONT.rgb() })
            return op + ": not a 128 x 64 mono bitmap with the working colours";
        if (history.entries().size() != states.size() - 1 || applied() != want)
            return op + QString(": %1 entries, %2 applied").arg(history.entries().size()).arg(applied());
        return bitmap == states.at(want) ? QString() : op + QString(": not state %1").arg(want);
    }

    // Undo everything and one more, then redo everything and one more.
    QString rewind()
    {
        for (const char* op : { "u", "r" })
            for (int i = states.size(); i >= 0; --i)
                if (const QString problem = step(op); !problem.isEmpty()) return problem;
        return QString();
    }

    EditHistory history;
    QImage bitmap;
    QRandomGenerator rng;
    QList<QImage> states;
};

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void edits_data();
    void edits();
    void randomEdits_data();
    void randomEdits();
    void uncoveredCornersClear();
    void turnsAboutTheCentre();
};

void TestHistory::edits_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected"); // reference ops on the start picture
    QTest::newRow("36 x cw 10 is the start") << QString("cw10 ").repeated(36).trimmed() << "";
    QTest::newRow("cw 45 twice is one cw 90") << "cw45 cw45" << "q1";
    QTest::newRow("ccw 90 turns left") << "ccw90" << "q3";
    // A flip inside a run reverses the turn gathered so far.
    QTest::newRow("cw 30, mirror x, cw 30 straightens") << "cw30 mx cw30" << "mx";
    QTest::newRow("mirror inside a run goes before the turn") << "cw90 mx ccw90" << "my";
    QTest::newRow("both mirrors inside a run") << "cw30 mx my cw150" << "";
    QTest::newRow("mirror before the run") << "mx cw90 cw90" << "mx q2";
    QTest::newRow("strokes break runs") << "cw90 pen cw90 erase ccw90" << "q1 pen q1 erase q3";
    QTest::newRow("invert joins the run") << "cw20 inv ccw20 inv" << "";
    QTest::newRow("every entry type") << "pen erase inv mx my cw37 ccw37" << "pen erase inv mx my";
    QTest::newRow("new edit after undo ends the redo") << "pen inv u u my r" << "my";
}

// Each step is checked on the way, then every entry undone and redone.
void TestHistory::edits()
{
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    const QImage start = randomBitmap(qHash(steps));
    Session session(start, 7);
    for (const QString& op : steps.split(' '))
        CHECK(session.step(op));
    QImage want = start;
    QRandomGenerator rng(7); // the session's stroke sequence
    for (const QString& op : expected.split(' ', Qt::SkipEmptyParts))
        want = reference(want, op, rng);
    QCOMPARE(session.bitmap, want);
    CHECK(session.rewind());
}

void TestHistory::randomEdits_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : { 1u, 42u })
        QTest::newRow(qPrintable(QString::number(seed))) << seed;
}

// Any mix of edits, undos and redos: after every step the picture is a
// working bitmap and the one the history says; undoing everything gives the
// start back and redoing everything the end.
void TestHistory::randomEdits()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    Session session(randomBitmap(seed), seed);
    const QStringList kinds{ "inv", "mx", "my", "cw", "ccw", "pen", "erase", "u", "r" };
    for (int i = 0; i < 120; ++i) {
        QString op = kinds.at(int(rng.bounded(kinds.size())));
        if (op.startsWith('c'))
            op += QString::number(rng.bounded(1, 360));
        CHECK(session.step(op));
    }
    QVERIFY(session.states.size() > 20);
    CHECK(session.rewind());
}

// Off the right angles the turned picture leaves the frame's corners uncovered.
void TestHistory::uncoveredCornersClear()
{
    Session session(randomBitmap(1, 1), 7); // every pixel set
    CHECK(session.step("ccw45"));
    for (QPoint p : { QPoint(0, 0), QPoint(127, 0), QPoint(0, 63), QPoint(127, 63), QPoint(64, 32) })
        QCOMPARE(session.bitmap.pixelIndex(p), p.x() == 64 ? 1 : 0);
}

// Off the right angles a turn cannot be exact, but it stays about the frame's
// centre: a centred disc keeps its centroid there within a pixel.
void TestHistory::turnsAboutTheCentre()
{
    QImage disc = newBitmap();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            disc.setPixel(x, y, std::hypot(x - 63.5, y - 31.5) < 28);
    for (int angle = 1; angle < 360; ++angle) {
        const QImage turned = turnBitmap(disc, angle);
        QPointF sum;
        int count = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (turned.pixelIndex(x, y)) {
                    sum += QPointF(x - 63.5, y - 31.5);
                    ++count;
                }
        QVERIFY2(qAbs(sum.x()) < count && qAbs(sum.y()) < count, qPrintable(QString::number(angle)));
    }
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
