// Edit history, undo and redo, and the whole-image commands: invert, the two
// flips and the lossless rotations, on the real window and as pure functions.
#include "global.h"
#include "history.h"
#include "mainwindow.h"

#include <QApplication>
#include <QInputDialog>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QToolButton>
#include <QTranslator>
#include <QtMath>
#include <QtTest>

#include <cmath>
#include <functional>

class MainWindowTester
{
public:
    static QImage& bitmap(MainWindow& w) { return w.bitmap; }
    static QList<BITMAP_OPERATE>& history(MainWindow& w) { return w.history; }
    static int& historyIndex(MainWindow& w) { return w.history_index; }
    static void addHistory(MainWindow& w, const BITMAP_OPERATE& op) { w.AddHistory(op); }
    static void clearHistory(MainWindow& w) { w.clearHistory(); }
    static QImage rotateSource(MainWindow& w, int index) { return w.getRotateSource(index); }
};

using T = MainWindowTester;

namespace {

const int W = 128;
const int H = 64;

// Built here rather than with the program's helper, so a wrong colour table
// in the program cannot hide in both sides of a comparison.
QImage blank()
{
    QImage image(W, H, QImage::Format_Mono);
    image.setColorCount(2);
    image.setColor(0, QColor(Qt::white).rgb());
    image.setColor(1, QColor(Qt::black).rgb());
    image.fill(0);
    return image;
}

QImage fromBits(const std::function<bool(int, int)>& set)
{
    QImage image = blank();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            image.setPixel(x, y, set(x, y) ? 1 : 0);
    return image;
}

QImage randomBitmap(quint32 seed)
{
    QRandomGenerator rng(seed);
    return fromBits([&](int, int) { return rng.bounded(2) == 1; });
}

// Random pixels only inside a disc about the frame's centre: any turn about
// the centre keeps the whole picture in the frame.
QImage discBitmap(quint32 seed, double radius = 30.5)
{
    QRandomGenerator rng(seed);
    return fromBits([&](int x, int y) {
        const bool set = rng.bounded(2) == 1;
        return set && std::hypot(x + 0.5 - W / 2, y + 0.5 - H / 2) < radius;
    });
}

bool bit(const QImage& image, int x, int y)
{
    return image.pixelIndex(x, y) == 1;
}

// Empty when the image is a proper working bitmap, else what is wrong.
QString formatProblem(const QImage& image)
{
    if (image.isNull())
        return QStringLiteral("null image");
    if (image.format() != QImage::Format_Mono)
        return QStringLiteral("format %1").arg(int(image.format()));
    if (image.size() != QSize(W, H))
        return QStringLiteral("size %1x%2").arg(image.width()).arg(image.height());
    if (image.colorCount() != 2)
        return QStringLiteral("%1 colours").arg(image.colorCount());
    if (image.color(0) != COLOR_BACK.rgb() || image.color(1) != COLOR_FRONT.rgb())
        return QStringLiteral("colour table %1 %2")
            .arg(image.color(0), 8, 16)
            .arg(image.color(1), 8, 16);
    return QString();
}

// Empty when both hold the same pixels, else the first difference.
QString pixelDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("sizes differ");
    int count = 0;
    QString first;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (bit(actual, x, y) != bit(expected, x, y)) {
                if (count++ == 0)
                    first = QStringLiteral("(%1,%2)").arg(x).arg(y);
            }
    if (count == 0)
        return QString();
    return QStringLiteral("%1 pixels differ, first at %2").arg(count).arg(first);
}

#define COMPARE_BITMAP(actual, expected)                                                       \
    do {                                                                                       \
        const QString problem_ = pixelDifference((actual), (expected));                        \
        QVERIFY2(problem_.isEmpty(), qPrintable(problem_));                                    \
    } while (false)

#define VERIFY_FORMAT(image)                                                                   \
    do {                                                                                       \
        const QString problem_ = formatProblem(image);                                         \
        QVERIFY2(problem_.isEmpty(), qPrintable(problem_));                                    \
    } while (false)

// Reference transforms written pixel by pixel, independent of QImage's own.
QImage refInvert(const QImage& s)
{
    return fromBits([&](int x, int y) { return !bit(s, x, y); });
}

QImage refMirrorX(const QImage& s)
{
    return fromBits([&](int x, int y) { return bit(s, x, H - 1 - y); });
}

QImage refMirrorY(const QImage& s)
{
    return fromBits([&](int x, int y) { return bit(s, W - 1 - x, y); });
}

// Clockwise quarter turns about the frame's centre, in doubled coordinates
// so the pixel centres stay integers; what leaves the frame is lost.
QImage refQuarterTurns(const QImage& s, int quarters)
{
    quarters = ((quarters % 4) + 4) % 4;
    return fromBits([&](int x, int y) {
        const int u = 2 * x + 1 - W;
        const int v = 2 * y + 1 - H;
        int su = u, sv = v;
        switch (quarters) {
        case 1: su = v; sv = -u; break;
        case 2: su = -u; sv = -v; break;
        case 3: su = -v; sv = u; break;
        default: break;
        }
        const int sx = (su + W - 1) / 2;
        const int sy = (sv + H - 1) / 2;
        if (sx < 0 || sx >= W || sy < 0 || sy >= H)
            return false;
        return bit(s, sx, sy);
    });
}

QToolButton* toolButton(MainWindow& w, const char* name)
{
    return w.findChild<QToolButton*>(QLatin1String(name));
}

void click(MainWindow& w, const char* name)
{
    QToolButton* b = toolButton(w, name);
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

// What the angle dialog looked like while it was open.
struct DialogSeen
{
    bool seen = false;
    QString title;
    QString label;
    int minimum = -1;
    int maximum = -1;
    int initial = -1;
    bool int_mode = false;
    bool parent_is_window = false;
    Qt::WindowFlags flags;
    bool button_checked = false;
};

int answer_generation = 0;

// Answers the next angle dialog by typing `typed` and pressing Enter, or
// with Escape when `typed` is empty. Retries until the dialog is up.
void answerAngleDialog(MainWindow* window, const char* button_name, const QString& typed,
                       DialogSeen* seen, int generation, int tries = 300)
{
    QTimer::singleShot(5, window, [=]() {
        if (generation != answer_generation)
            return;
        auto dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (tries > 0)
                answerAngleDialog(window, button_name, typed, seen, generation, tries - 1);
            return;
        }
        seen->seen = true;
        seen->title = dialog->windowTitle();
        seen->label = dialog->labelText();
        seen->minimum = dialog->intMinimum();
        seen->maximum = dialog->intMaximum();
        seen->initial = dialog->intValue();
        seen->int_mode = dialog->inputMode() == QInputDialog::IntInput;
        seen->parent_is_window = dialog->parentWidget() == window;
        seen->flags = dialog->windowFlags();
        QToolButton* b = window->findChild<QToolButton*>(QLatin1String(button_name));
        seen->button_checked = b && b->isCheckable() && b->isChecked();
        QSpinBox* spin = dialog->findChild<QSpinBox*>();
        if (typed.isEmpty() || !spin) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            return;
        }
        spin->selectAll();
        QTest::keyClicks(spin, typed);
        QTest::keyClick(spin, Qt::Key_Return);
    });
}

// Clicks a rotate button and answers its dialog; empty `typed` cancels.
DialogSeen rotateByDialog(MainWindow& w, const char* button_name, const QString& typed)
{
    DialogSeen seen;
    const int generation = ++answer_generation;
    answerAngleDialog(&w, button_name, typed, &seen, generation);
    QTest::mouseClick(toolButton(w, button_name), Qt::LeftButton);
    ++answer_generation; // a dialog that never came must not be answered later
    return seen;
}

// A stroke recorded the way the canvas records one.
void recordStroke(MainWindow& w, OPERATE_TYPE type, QList<QPoint> points, int width)
{
    QImage& bitmap = T::bitmap(w);
    T::addHistory(w, BITMAP_OPERATE(type, bitmap, points, width));
    const QColor colour = type == OPERATE_PEN ? COLOR_FRONT : COLOR_BACK;
    bitmap = ImageLine(bitmap, points, makeStrokePen(colour, width));
}

QStringList* captured_lines = nullptr;

void captureMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    if (captured_lines)
        captured_lines->append(text);
}

// Collects the debug lines written while it lives.
struct MessageCapture
{
    QStringList lines;
    QtMessageHandler previous;
    MessageCapture()
    {
        captured_lines = &lines;
        previous = qInstallMessageHandler(captureMessage);
    }
    ~MessageCapture()
    {
        qInstallMessageHandler(previous);
        captured_lines = nullptr;
    }
    int count(const QString& line) const { return lines.count(line); }
};

// Answers only the two texts of the angle dialog, in the window's context.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char* = nullptr,
                      int = -1) const override
    {
        if (qstrcmp(context, "MainWindow") != 0)
            return QString();
        if (qstrcmp(source, "Tip") == 0)
            return QStringLiteral("[tip]");
        if (qstrcmp(source, "Please input rotate degree") == 0)
            return QStringLiteral("[degree]");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

// Centre of the set pixels.
QPointF centroid(const QImage& image)
{
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (bit(image, x, y)) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
    return n ? QPointF(sx / n, sy / n) : QPointF(-1, -1);
}

} // namespace

Q_DECLARE_METATYPE(OPERATE_TYPE)

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    // Pure functions.
    void selfInverseKeepsFormat_data();
    void selfInverseKeepsFormat();
    void turnRightAngles_data();
    void turnRightAngles();
    void turnAnyAngleKeepsColours_data();
    void turnAnyAngleKeepsColours();
    void rebuildRightAngleRuns_data();
    void rebuildRightAngleRuns();
    void rebuildIgnoresNewerSnapshots();
    void rebuildRejectsNonRotations_data();
    void rebuildRejectsNonRotations();

    // The window.
    void wholeImageButtons_data();
    void wholeImageButtons();
    void mirrorBothWaysIsHalfTurn();
    void angleDialog_data();
    void angleDialog();
    void angleDialogTranslated();
    void rotationRuns_data();
    void rotationRuns();
    void counterClockwiseTurnsLeft();
    void strokeBreaksRun();
    void invertJoinsRun();
    void undoRedoEveryEntry_data();
    void undoRedoEveryEntry();
    void newEditDiscardsRedo();
    void nothingToUndoOrRedo();
    void unknownEntryOnlyMoves();
    void clearedHistoryHasNothingToUndo();
    void nullBitmapCommandsDoNothing_data();
    void nullBitmapCommandsDoNothing();
    void randomEditsUndoAndRedo_data();
    void randomEditsUndoAndRedo();
};

void TestHistory::cleanup()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY2(!(qobject_cast<QInputDialog*>(widget) && widget->isVisible()),
                 "an angle dialog was left open");
}

void TestHistory::selfInverseKeepsFormat_data()
{
    QTest::addColumn<OPERATE_TYPE>("type");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("invert") << OPERATE_INVERT << 11u;
    QTest::newRow("mirror x") << OPERATE_MIRROR_X << 12u;
    QTest::newRow("mirror y") << OPERATE_MIRROR_Y << 13u;
}

void TestHistory::selfInverseKeepsFormat()
{
    QFETCH(OPERATE_TYPE, type);
    QFETCH(quint32, seed);
    QVERIFY(isSelfInverse(type));

    const QImage start = randomBitmap(seed);
    QImage image = start;
    applySelfInverse(image, type);
    VERIFY_FORMAT(image);
    const QImage expected = type == OPERATE_INVERT     ? refInvert(start)
                            : type == OPERATE_MIRROR_X ? refMirrorX(start)
                                                       : refMirrorY(start);
    COMPARE_BITMAP(image, expected);
    // The shared original must not be touched.
    COMPARE_BITMAP(start, randomBitmap(seed));

    applySelfInverse(image, type);
    VERIFY_FORMAT(image);
    COMPARE_BITMAP(image, start);
}

void TestHistory::turnRightAngles_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("quarters");
    QTest::newRow("90") << 90 << 1;
    QTest::newRow("180") << 180 << 2;
    QTest::newRow("270") << 270 << 3;
    QTest::newRow("360") << 360 << 0;
    QTest::newRow("450") << 450 << 1;
    QTest::newRow("-90") << -90 << 3;
    QTest::newRow("0") << 0 << 0;
}

void TestHistory::turnRightAngles()
{
    QFETCH(int, angle);
    QFETCH(int, quarters);
    const QImage start = randomBitmap(uint(angle + 1000));
    const QImage turned = turnBitmap(start, angle);
    VERIFY_FORMAT(turned);
    COMPARE_BITMAP(turned, refQuarterTurns(start, quarters));
    if (quarters % 2 == 1) {
        // The 32 columns on each side are uncovered.
        for (int y = 0; y < H; ++y)
            for (int x : { 0, 31, 96, 127 })
                QVERIFY(!bit(turned, x, y));
    }
}

void TestHistory::turnAnyAngleKeepsColours_data()
{
    QTest::addColumn<int>("angle");
    for (int angle : { 1, 10, 30, 45, 89, 137, 200, 300, 333, 359 })
        QTest::newRow(qPrintable(QString::number(angle))) << angle;
}

// A quadrant pattern turned by any angle: well inside a quadrant the pixel
// keeps the quadrant's colour, well outside the turned frame it is clear.
void TestHistory::turnAnyAngleKeepsColours()
{
    QFETCH(int, angle);
    auto quadrant = [](double x, double y) { return (x < W / 2) != (y < H / 2); };
    const QImage start = fromBits([&](int x, int y) { return quadrant(x + 0.5, y + 0.5); });
    const QImage turned = turnBitmap(start, angle);
    VERIFY_FORMAT(turned);

    const double a = qDegreesToRadians(double(angle));
    const double margin = 2.0;
    int checked_set = 0, checked_clear = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double u = x + 0.5 - W / 2;
            const double v = y + 0.5 - H / 2;
            // Undo a clockwise turn (y points down) to find where it came from.
            const double sx = W / 2 + u * qCos(a) + v * qSin(a);
            const double sy = H / 2 - u * qSin(a) + v * qCos(a);
            const bool inside = sx > margin && sx < W - margin && sy > margin && sy < H - margin;
            const bool outside = sx < -margin || sx > W + margin || sy < -margin || sy > H + margin;
            const bool near_edge = qAbs(sx - W / 2) < margin || qAbs(sy - H / 2) < margin;
            if (inside && !near_edge) {
                const bool expected = quadrant(sx, sy);
                QVERIFY2(bit(turned, x, y) == expected,
                         qPrintable(QStringLiteral("(%1,%2)").arg(x).arg(y)));
                ++(expected ? checked_set : checked_clear);
            } else if (outside) {
                QVERIFY2(!bit(turned, x, y), qPrintable(QStringLiteral("(%1,%2)").arg(x).arg(y)));
            }
        }
    QVERIFY(checked_set > 500);
    QVERIFY(checked_clear > 500);
}

void TestHistory::rebuildRightAngleRuns_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("with_invert");
    for (quint32 seed = 1; seed <= 12; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("flips and turns %1").arg(seed)))
            << seed << int(2 + seed % 9) << false;
    for (quint32 seed = 21; seed <= 26; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("with inverts %1").arg(seed)))
            << seed << int(3 + seed % 7) << true;
}

// Quarter turns and flips are exact, so a disc-shaped picture put through a
// run entry by entry must equal the run rebuilt from the oldest snapshot.
void TestHistory::rebuildRightAngleRuns()
{
    QFETCH(quint32, seed);
    QFETCH(int, length);
    QFETCH(bool, with_invert);
    QRandomGenerator rng(seed);
    const QImage start = discBitmap(seed);

    QList<BITMAP_OPERATE> history;
    QImage stepwise = start;
    QStringList names;
    for (int i = 0; i < length; ++i) {
        const bool last = i == length - 1;
        const int pick = last ? 0 : int(rng.bounded(with_invert ? 4 : 3));
        if (pick == 0) {
            const int quarters = 1 + int(rng.bounded(3));
            const bool cw = rng.bounded(2) == 0;
            const OPERATE_TYPE type = cw ? OPERATE_ROTATE_CW : OPERATE_ROTATE_CCW;
            history.prepend(BITMAP_OPERATE(type, stepwise, cw ? 90 * quarters : 360 - 90 * quarters));
            stepwise = refQuarterTurns(stepwise, cw ? quarters : -quarters);
            names << QStringLiteral("%1%2").arg(cw ? "cw" : "ccw").arg(90 * quarters);
        } else if (pick == 1) {
            history.prepend(BITMAP_OPERATE(OPERATE_MIRROR_X, QImage(), 0));
            stepwise = refMirrorX(stepwise);
            names << QStringLiteral("mx");
        } else if (pick == 2) {
            history.prepend(BITMAP_OPERATE(OPERATE_MIRROR_Y, QImage(), 0));
            stepwise = refMirrorY(stepwise);
            names << QStringLiteral("my");
        } else {
            history.prepend(BITMAP_OPERATE(OPERATE_INVERT, QImage(), 0));
            stepwise = refInvert(stepwise);
            names << QStringLiteral("inv");
        }
    }
    // An older stroke ends the run; its snapshot must never be used.
    QList<QPoint> points{ QPoint(3, 3) };
    history.append(BITMAP_OPERATE(OPERATE_PEN, randomBitmap(seed + 99), points, 1));

    const QImage rebuilt = rebuildRotation(history, 0);
    VERIFY_FORMAT(rebuilt);
    const QString run = names.join(QLatin1Char(' '));
    if (!with_invert) {
        const QString problem = pixelDifference(rebuilt, stepwise);
        QVERIFY2(problem.isEmpty(), qPrintable(run + QStringLiteral(": ") + problem));
        return;
    }
    // Inverting colours the uncovered background too, which a rebuilt turn
    // leaves as background: compare the disc, where nothing is uncovered.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (std::hypot(x + 0.5 - W / 2, y + 0.5 - H / 2) < 31.5)
                QVERIFY2(bit(rebuilt, x, y) == bit(stepwise, x, y),
                         qPrintable(run + QStringLiteral(" at (%1,%2)").arg(x).arg(y)));
}

void TestHistory::rebuildIgnoresNewerSnapshots()
{
    const QImage start = randomBitmap(5);
    QList<BITMAP_OPERATE> history;
    // Oldest first: cw 90, cw 45, cw 45, ccw 90 (stored 270), cw 90; sum 540.
    const int params[] = { 90, 45, 45, 270, 90 };
    for (int i = 0; i < 5; ++i) {
        const QImage snapshot = i == 0 ? start : randomBitmap(100 + i);
        history.prepend(BITMAP_OPERATE(i == 3 ? OPERATE_ROTATE_CCW : OPERATE_ROTATE_CW, snapshot,
                                       params[i]));
    }
    COMPARE_BITMAP(rebuildRotation(history, 0), refQuarterTurns(start, 2));
    // Index 2 is the second cw 45: sum 180 so far.
    COMPARE_BITMAP(rebuildRotation(history, 2), refQuarterTurns(start, 2));
    // Index 3 is the first cw 45: sum 135, not a right angle.
    COMPARE_BITMAP(rebuildRotation(history, 3), turnBitmap(start, 135));
    COMPARE_BITMAP(rebuildRotation(history, 4), refQuarterTurns(start, 1));
    // Index 1, the ccw 90: sum 450.
    COMPARE_BITMAP(rebuildRotation(history, 1), refQuarterTurns(start, 1));
}

void TestHistory::rebuildRejectsNonRotations_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("invert entry") << 0;
    QTest::newRow("stroke entry") << 1;
    QTest::newRow("past the end") << 3;
    QTest::newRow("negative") << -1;
}

void TestHistory::rebuildRejectsNonRotations()
{
    QFETCH(int, index);
    QList<QPoint> points{ QPoint(1, 1) };
    QList<BITMAP_OPERATE> history;
    history.prepend(BITMAP_OPERATE(OPERATE_ROTATE_CW, randomBitmap(1), 30));
    history.prepend(BITMAP_OPERATE(OPERATE_PEN, randomBitmap(2), points, 3));
    history.prepend(BITMAP_OPERATE(OPERATE_INVERT, QImage(), 0));
    QVERIFY(rebuildRotation(history, index).isNull());
}

void TestHistory::wholeImageButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<OPERATE_TYPE>("type");
    QTest::addColumn<QString>("message");
    QTest::newRow("invert") << "toolButton_4" << OPERATE_INVERT << "invert";
    QTest::newRow("mirror x") << "toolButton_7" << OPERATE_MIRROR_X << "mirror x";
    QTest::newRow("mirror y") << "toolButton_8" << OPERATE_MIRROR_Y << "mirror y";
}

void TestHistory::wholeImageButtons()
{
    QFETCH(QString, button);
    QFETCH(OPERATE_TYPE, type);
    QFETCH(QString, message);
    const QByteArray name = button.toLatin1();

    MainWindow w;
    const QImage start = randomBitmap(77);
    T::bitmap(w) = start;
    const QImage expected = type == OPERATE_INVERT     ? refInvert(start)
                            : type == OPERATE_MIRROR_X ? refMirrorX(start)
                                                       : refMirrorY(start);
    {
        MessageCapture capture;
        click(w, name.constData());
        QCOMPARE(capture.count(message), 1);
    }
    VERIFY_FORMAT(T::bitmap(w));
    COMPARE_BITMAP(T::bitmap(w), expected);
    QCOMPARE(T::history(w).size(), 1);
    QCOMPARE(T::historyIndex(w), 0);
    const BITMAP_OPERATE& op = T::history(w).first();
    QCOMPARE(op.type, type);
    QVERIFY(op.image.isNull());
    QVERIFY(op.points.isEmpty());
    QCOMPARE(op.param, 0);

    click(w, "toolButton_9");
    VERIFY_FORMAT(T::bitmap(w));
    COMPARE_BITMAP(T::bitmap(w), start);
    click(w, "toolButton_10");
    COMPARE_BITMAP(T::bitmap(w), expected);
    click(w, "toolButton_9");
    COMPARE_BITMAP(T::bitmap(w), start);
    QVERIFY(T::history(w).first().image.isNull());

    // Twice is no change, and two entries.
    click(w, name.constData());
    click(w, name.constData());
    COMPARE_BITMAP(T::bitmap(w), start);
    QCOMPARE(T::history(w).size(), 2);
    QCOMPARE(T::history(w).at(0).type, type);
    QCOMPARE(T::history(w).at(1).type, type);
}

void TestHistory::mirrorBothWaysIsHalfTurn()
{
    MainWindow w;
    const QImage start = randomBitmap(8);
    T::bitmap(w) = start;
    click(w, "toolButton_7");
    click(w, "toolButton_8");
    COMPARE_BITMAP(T::bitmap(w), refQuarterTurns(start, 2));
}

void TestHistory::angleDialog_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<OPERATE_TYPE>("type");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("param");
    QTest::newRow("cw 45") << "toolButton_5" << OPERATE_ROTATE_CW << "rotate cw" << "45" << 45;
    QTest::newRow("cw 359") << "toolButton_5" << OPERATE_ROTATE_CW << "rotate cw" << "359" << 359;
    QTest::newRow("cw typed 360 stops at 36")
        << "toolButton_5" << OPERATE_ROTATE_CW << "rotate cw" << "360" << 36;
    QTest::newRow("cw cancelled") << "toolButton_5" << OPERATE_ROTATE_CW << "rotate cw" << "" << -1;
    QTest::newRow("ccw 30") << "toolButton_6" << OPERATE_ROTATE_CCW << "rotate ccw" << "30" << 330;
    QTest::newRow("ccw 1") << "toolButton_6" << OPERATE_ROTATE_CCW << "rotate ccw" << "1" << 359;
    QTest::newRow("ccw cancelled") << "toolButton_6" << OPERATE_ROTATE_CCW << "rotate ccw" << ""
                                   << -1;
}

void TestHistory::angleDialog()
{
    QFETCH(QString, button);
    QFETCH(OPERATE_TYPE, type);
    QFETCH(QString, message);
    QFETCH(QString, typed);
    QFETCH(int, param);
    const QByteArray name = button.toLatin1();

    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // One entry in effect and one undone: a cancel must keep the redo.
    T::bitmap(w) = randomBitmap(3);
    click(w, "toolButton_4");
    click(w, "toolButton_7");
    click(w, "toolButton_9");
    const QImage before = T::bitmap(w);

    DialogSeen seen;
    {
        MessageCapture capture;
        seen = rotateByDialog(w, name.constData(), typed);
        QCOMPARE(capture.count(message), 1);
    }
    QVERIFY(seen.seen);
    QVERIFY(seen.int_mode);
    QVERIFY(seen.parent_is_window);
    QCOMPARE(seen.minimum, 1);
    QCOMPARE(seen.maximum, 359);
    QCOMPARE(seen.initial, 90);
    QCOMPARE(seen.title, QStringLiteral("Tip"));
    QCOMPARE(seen.label, QStringLiteral("Please input rotate degree"));
    QVERIFY(seen.flags & Qt::WindowTitleHint);
    QVERIFY(seen.flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(seen.flags & Qt::WindowContextHelpButtonHint));
    QVERIFY(!(seen.flags & Qt::WindowMinMaxButtonsHint));
    QVERIFY2(seen.button_checked, "the rotate button is not shown checked while asking");
    QVERIFY(!toolButton(w, name.constData())->isChecked());
    QVERIFY(!toolButton(w, name.constData())->isCheckable());

    if (param < 0) {
        QCOMPARE(T::history(w).size(), 2);
        QCOMPARE(T::historyIndex(w), 1);
        COMPARE_BITMAP(T::bitmap(w), before);
        click(w, "toolButton_10");
        COMPARE_BITMAP(T::bitmap(w), refMirrorX(before));
        return;
    }
    QCOMPARE(T::history(w).size(), 2);
    QCOMPARE(T::historyIndex(w), 0);
    const BITMAP_OPERATE& op = T::history(w).first();
    QCOMPARE(op.type, type);
    QCOMPARE(op.param, param);
    QVERIFY(op.points.isEmpty());
    COMPARE_BITMAP(op.image, before);
    VERIFY_FORMAT(T::bitmap(w));
    COMPARE_BITMAP(T::bitmap(w), turnBitmap(before, param));
}

void TestHistory::angleDialogTranslated()
{
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    MainWindow w;
    T::bitmap(w) = randomBitmap(4);
    const DialogSeen seen = rotateByDialog(w, "toolButton_5", QString());
    QCoreApplication::removeTranslator(&translator);
    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral("[tip]"));
    QCOMPARE(seen.label, QStringLiteral("[degree]"));
}

void TestHistory::rotationRuns_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");
    QStringList ten;
    for (int i = 0; i < 36; ++i)
        ten << QStringLiteral("cw10");
    QTest::newRow("36 x cw 10 is the start") << ten << "start";
    QTest::newRow("cw 90 turns the middle square") << QStringList{ "cw90" } << "quarter";
    QTest::newRow("cw 90 twice loses nothing") << QStringList{ "cw90", "cw90" } << "half";
    QTest::newRow("cw 45 twice is one cw 90") << QStringList{ "cw45", "cw45" } << "quarter";
    QTest::newRow("cw 90 then ccw 90 is the start") << QStringList{ "cw90", "ccw90" } << "start";
    QTest::newRow("ccw 120 three times is the start")
        << QStringList{ "ccw120", "ccw120", "ccw120" } << "start";
    QTest::newRow("cw 30, mirror x, cw 30 straightens")
        << QStringList{ "cw30", "mx", "cw30" } << "mirror x";
    QTest::newRow("cw 70, mirror y, cw 70 straightens")
        << QStringList{ "cw70", "my", "cw70" } << "mirror y";
    QTest::newRow("cw 90, mirror x, ccw 90 is mirror y")
        << QStringList{ "cw90", "mx", "ccw90" } << "mirror y";
    QTest::newRow("ccw 90, mirror y, ccw 90 is mirror y")
        << QStringList{ "ccw90", "my", "ccw90" } << "mirror y";
    QTest::newRow("cw 30, both mirrors, cw 150 is the start")
        << QStringList{ "cw30", "mx", "my", "cw150" } << "start";
    QTest::newRow("mirror before the run, then cw 90 twice")
        << QStringList{ "mx", "cw90", "cw90" } << "mirror y";
    QTest::newRow("cw 20, invert, ccw 20, invert") << QStringList{ "cw20", "inv", "ccw20", "inv" }
                                                   << "start";
}

void TestHistory::rotationRuns()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage start = randomBitmap(qHash(steps.join(' ')));
    T::bitmap(w) = start;
    for (const QString& step : steps) {
        if (step == QLatin1String("mx")) {
            click(w, "toolButton_7");
        } else if (step == QLatin1String("my")) {
            click(w, "toolButton_8");
        } else if (step == QLatin1String("inv")) {
            click(w, "toolButton_4");
        } else {
            const bool cw = step.startsWith(QLatin1String("cw"));
            const QString degrees = step.mid(cw ? 2 : 3);
            const DialogSeen seen = rotateByDialog(w, cw ? "toolButton_5" : "toolButton_6", degrees);
            QVERIFY(seen.seen);
        }
        VERIFY_FORMAT(T::bitmap(w));
    }
    QCOMPARE(T::history(w).size(), steps.size());

    QImage want;
    if (expected == QLatin1String("start"))
        want = start;
    else if (expected == QLatin1String("quarter"))
        want = refQuarterTurns(start, 1);
    else if (expected == QLatin1String("half"))
        want = refQuarterTurns(start, 2);
    else if (expected == QLatin1String("mirror x"))
        want = refMirrorX(start);
    else if (expected == QLatin1String("mirror y"))
        want = refMirrorY(start);
    QVERIFY(!want.isNull());
    COMPARE_BITMAP(T::bitmap(w), want);

    // Undo walks every step back to the start; redo rebuilds the same end.
    const QImage end = T::bitmap(w);
    for (int i = 0; i < steps.size(); ++i)
        click(w, "toolButton_9");
    COMPARE_BITMAP(T::bitmap(w), start);
    for (int i = 0; i < steps.size(); ++i)
        click(w, "toolButton_10");
    COMPARE_BITMAP(T::bitmap(w), end);
}

void TestHistory::counterClockwiseTurnsLeft()
{
    MainWindow w;
    // A 5 x 5 block 36 pixels right of the centre.
    T::bitmap(w) = fromBits([](int x, int y) { return x >= 98 && x <= 102 && y >= 30 && y <= 34; });
    const QPointF before = centroid(T::bitmap(w));
    QCOMPARE(before, QPointF(100.5, 32.5));
    QVERIFY(rotateByDialog(w, "toolButton_6", QStringLiteral("30")).seen);
    const QPointF after = centroid(T::bitmap(w));
    const double a = qDegreesToRadians(-30.0);
    const QPointF d = before - QPointF(W / 2, H / 2);
    const QPointF want(W / 2 + d.x() * qCos(a) - d.y() * qSin(a),
                       H / 2 + d.x() * qSin(a) + d.y() * qCos(a));
    QVERIFY2(QLineF(after, want).length() < 1.5,
             qPrintable(QStringLiteral("block at (%1,%2), expected near (%3,%4)")
                            .arg(after.x()).arg(after.y()).arg(want.x()).arg(want.y())));
}

void TestHistory::strokeBreaksRun()
{
    MainWindow w;
    const QImage start = randomBitmap(21);
    T::bitmap(w) = start;
    QVERIFY(rotateByDialog(w, "toolButton_5", QStringLiteral("30")).seen);
    recordStroke(w, OPERATE_PEN, { QPoint(10, 10), QPoint(60, 40), QPoint(120, 5) }, 5);
    const QImage stroked = T::bitmap(w);
    QVERIFY(rotateByDialog(w, "toolButton_5", QStringLiteral("30")).seen);
    COMPARE_BITMAP(T::history(w).first().image, stroked);
    COMPARE_BITMAP(T::bitmap(w), turnBitmap(stroked, 30));
    QVERIFY(!pixelDifference(T::bitmap(w), turnBitmap(start, 60)).isEmpty());
}

void TestHistory::invertJoinsRun()
{
    MainWindow w;
    const QImage start = randomBitmap(22);
    T::bitmap(w) = start;
    QVERIFY(rotateByDialog(w, "toolButton_5", QStringLiteral("30")).seen);
    click(w, "toolButton_4");
    QVERIFY(rotateByDialog(w, "toolButton_5", QStringLiteral("30")).seen);
    COMPARE_BITMAP(T::bitmap(w), turnBitmap(refInvert(start), 60));
}

void TestHistory::undoRedoEveryEntry_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<OPERATE_TYPE>("type");
    QTest::newRow("pen") << "pen" << OPERATE_PEN;
    QTest::newRow("erase") << "erase" << OPERATE_ERASE;
    QTest::newRow("invert") << "toolButton_4" << OPERATE_INVERT;
    QTest::newRow("mirror x") << "toolButton_7" << OPERATE_MIRROR_X;
    QTest::newRow("mirror y") << "toolButton_8" << OPERATE_MIRROR_Y;
    QTest::newRow("rotate cw") << "toolButton_5" << OPERATE_ROTATE_CW;
    QTest::newRow("rotate ccw") << "toolButton_6" << OPERATE_ROTATE_CCW;
}

void TestHistory::undoRedoEveryEntry()
{
    QFETCH(QString, edit);
    QFETCH(OPERATE_TYPE, type);
    MainWindow w;
    // A half-set picture, so both pen and eraser change something.
    const QImage start = fromBits([](int x, int y) { return (x * 7 + y * 3) % 5 < 2; });
    T::bitmap(w) = start;
    click(w, "toolButton_7"); // an older entry that must stay in effect
    const QImage before = T::bitmap(w);

    if (type == OPERATE_PEN || type == OPERATE_ERASE)
        recordStroke(w, type, { QPoint(-3, 2), QPoint(40, 50), QPoint(90, 20), QPoint(130, 70) }, 3);
    else if (type == OPERATE_ROTATE_CW || type == OPERATE_ROTATE_CCW)
        QVERIFY(rotateByDialog(w, edit.toLatin1().constData(), QStringLiteral("37")).seen);
    else
        click(w, edit.toLatin1().constData());
    const QImage after = T::bitmap(w);
    QVERIFY(!pixelDifference(after, before).isEmpty());
    QCOMPARE(T::history(w).first().type, type);

    for (int round = 0; round < 2; ++round) {
        {
            MessageCapture capture;
            click(w, "toolButton_9");
            QCOMPARE(capture.count(QStringLiteral("undo")), 1);
        }
        QCOMPARE(T::historyIndex(w), 1);
        VERIFY_FORMAT(T::bitmap(w));
        COMPARE_BITMAP(T::bitmap(w), before);
        {
            MessageCapture capture;
            click(w, "toolButton_10");
            QCOMPARE(capture.count(QStringLiteral("redo")), 1);
        }
        QCOMPARE(T::historyIndex(w), 0);
        VERIFY_FORMAT(T::bitmap(w));
        COMPARE_BITMAP(T::bitmap(w), after);
    }
    QCOMPARE(T::history(w).size(), 2);
    click(w, "toolButton_9");
    click(w, "toolButton_9");
    COMPARE_BITMAP(T::bitmap(w), start);
}

void TestHistory::newEditDiscardsRedo()
{
    MainWindow w;
    const QImage start = randomBitmap(31);
    T::bitmap(w) = start;
    recordStroke(w, OPERATE_PEN, { QPoint(5, 5), QPoint(50, 5) }, 1);
    const QImage first = T::bitmap(w);
    click(w, "toolButton_4");
    recordStroke(w, OPERATE_ERASE, { QPoint(20, 20) }, 9);
    click(w, "toolButton_9");
    click(w, "toolButton_9");
    QCOMPARE(T::historyIndex(w), 2);
    COMPARE_BITMAP(T::bitmap(w), first);

    click(w, "toolButton_8");
    QCOMPARE(T::history(w).size(), 2);
    QCOMPARE(T::historyIndex(w), 0);
    QCOMPARE(T::history(w).at(0).type, OPERATE_MIRROR_Y);
    QCOMPARE(T::history(w).at(1).type, OPERATE_PEN);
    const QImage now = T::bitmap(w);
    {
        MessageCapture capture;
        click(w, "toolButton_10");
        QCOMPARE(capture.count(QStringLiteral("redo")), 0);
    }
    COMPARE_BITMAP(T::bitmap(w), now);
    click(w, "toolButton_9");
    click(w, "toolButton_9");
    COMPARE_BITMAP(T::bitmap(w), start);
}

void TestHistory::nothingToUndoOrRedo()
{
    MainWindow w;
    const QImage start = randomBitmap(41);
    T::bitmap(w) = start;
    {
        MessageCapture capture;
        click(w, "toolButton_9");
        click(w, "toolButton_10");
        QVERIFY2(capture.lines.isEmpty(), qPrintable(capture.lines.join('|')));
    }
    QCOMPARE(T::historyIndex(w), 0);
    COMPARE_BITMAP(T::bitmap(w), start);

    click(w, "toolButton_4");
    click(w, "toolButton_9");
    {
        MessageCapture capture;
        click(w, "toolButton_9");
        QVERIFY2(capture.lines.isEmpty(), qPrintable(capture.lines.join('|')));
    }
    QCOMPARE(T::historyIndex(w), 1);
    COMPARE_BITMAP(T::bitmap(w), start);
}

void TestHistory::unknownEntryOnlyMoves()
{
    MainWindow w;
    const QImage start = randomBitmap(51);
    T::bitmap(w) = start;
    T::addHistory(w, BITMAP_OPERATE(OPERATE_TYPE(9), randomBitmap(52), 7));
    {
        MessageCapture capture;
        click(w, "toolButton_9");
        QCOMPARE(capture.count(QStringLiteral("undo")), 1);
    }
    QCOMPARE(T::historyIndex(w), 1);
    COMPARE_BITMAP(T::bitmap(w), start);
    {
        MessageCapture capture;
        click(w, "toolButton_10");
        QCOMPARE(capture.count(QStringLiteral("redo")), 1);
    }
    QCOMPARE(T::historyIndex(w), 0);
    COMPARE_BITMAP(T::bitmap(w), start);
}

void TestHistory::clearedHistoryHasNothingToUndo()
{
    MainWindow w;
    T::bitmap(w) = randomBitmap(61);
    click(w, "toolButton_4");
    click(w, "toolButton_7");
    click(w, "toolButton_9");
    T::clearHistory(w);
    QVERIFY(T::history(w).isEmpty());
    QCOMPARE(T::historyIndex(w), 0);
    const QImage now = T::bitmap(w);
    click(w, "toolButton_9");
    click(w, "toolButton_10");
    COMPARE_BITMAP(T::bitmap(w), now);
    QCOMPARE(T::historyIndex(w), 0);
}

void TestHistory::nullBitmapCommandsDoNothing_data()
{
    QTest::addColumn<QString>("button");
    for (const char* name :
         { "toolButton_4", "toolButton_5", "toolButton_6", "toolButton_7", "toolButton_8" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestHistory::nullBitmapCommandsDoNothing()
{
    QFETCH(QString, button);
    MainWindow w;
    T::bitmap(w) = QImage();
    DialogSeen seen;
    {
        MessageCapture capture;
        seen = rotateByDialog(w, button.toLatin1().constData(), QString());
        QVERIFY2(capture.lines.isEmpty(), qPrintable(capture.lines.join('|')));
    }
    QVERIFY(!seen.seen);
    QVERIFY(T::bitmap(w).isNull());
    QVERIFY(T::history(w).isEmpty());
}

void TestHistory::randomEditsUndoAndRedo_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("steps");
    for (quint32 seed : { 1u, 7u, 42u, 1999u, 31337u })
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed << 120;
}

// Any mix of edits, with undos now and then that later edits cut off: undoing
// everything gives the start back and redoing everything the end.
void TestHistory::randomEditsUndoAndRedo()
{
    QFETCH(quint32, seed);
    QFETCH(int, steps);
    QRandomGenerator rng(seed);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage start = randomBitmap(seed ^ 0x5A5A5A5Au);
    T::bitmap(w) = start;

    const int widths[] = { 1, 3, 5, 7, 9 };
    for (int step = 0; step < steps; ++step) {
        const bool last = step == steps - 1;
        const int pick = int(rng.bounded(last ? 7 : 8));
        const QString what = QStringLiteral("step %1 kind %2").arg(step).arg(pick);
        switch (pick) {
        case 0: click(w, "toolButton_4"); break;
        case 1: click(w, "toolButton_7"); break;
        case 2: click(w, "toolButton_8"); break;
        case 3:
        case 4: {
            const QString degrees = QString::number(1 + rng.bounded(359));
            const DialogSeen seen =
                rotateByDialog(w, pick == 3 ? "toolButton_5" : "toolButton_6", degrees);
            QVERIFY2(seen.seen, qPrintable(what));
            break;
        }
        case 5:
        case 6: {
            QList<QPoint> points;
            const int n = 1 + int(rng.bounded(6));
            for (int i = 0; i < n; ++i)
                points << QPoint(int(rng.bounded(140)) - 6, int(rng.bounded(76)) - 6);
            recordStroke(w, pick == 5 ? OPERATE_PEN : OPERATE_ERASE, points,
                         widths[rng.bounded(5)]);
            break;
        }
        default: {
            const int undos = 1 + int(rng.bounded(3));
            for (int i = 0; i < undos; ++i)
                click(w, "toolButton_9");
            break;
        }
        }
        const QString problem = formatProblem(T::bitmap(w));
        QVERIFY2(problem.isEmpty(), qPrintable(what + QStringLiteral(": ") + problem));
    }
    QCOMPARE(T::historyIndex(w), 0);
    const QImage end = T::bitmap(w);
    const int entries = T::history(w).size();
    QVERIFY(entries > steps / 4);

    for (int i = 0; i < entries; ++i) {
        click(w, "toolButton_9");
        const QString problem = formatProblem(T::bitmap(w));
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("undo %1: ").arg(i) + problem));
    }
    QCOMPARE(T::historyIndex(w), entries);
    COMPARE_BITMAP(T::bitmap(w), start);
    for (int i = 0; i < entries; ++i) {
        click(w, "toolButton_10");
        const QString problem = formatProblem(T::bitmap(w));
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("redo %1: ").arg(i) + problem));
    }
    QCOMPARE(T::historyIndex(w), 0);
    COMPARE_BITMAP(T::bitmap(w), end);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
