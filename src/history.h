#ifndef HISTORY_H
#define HISTORY_H

#include <QImage>
#include <QList>
#include <QPoint>

enum OPERATE_TYPE : qint32 {
    OPERATE_PEN = 0,
    OPERATE_ERASE = 1,
    OPERATE_INVERT = 2,
    OPERATE_MIRROR_X = 3,
    OPERATE_MIRROR_Y = 4,
    OPERATE_ROTATE_CW = 5,
    OPERATE_ROTATE_CCW = 6,
};

// One edit. Strokes and rotations keep the bitmap as it was before them;
// invert and flips are their own inverse and keep nothing.
struct BITMAP_OPERATE
{
    BITMAP_OPERATE(OPERATE_TYPE type, const QImage& image, QList<QPoint>& points, int param)
        : type(type), image(image), points(points), param(param) {}
    BITMAP_OPERATE(OPERATE_TYPE type, const QImage& image, int param)
        : type(type), image(image), param(param) {}

    OPERATE_TYPE type;
    QImage image;
    QList<QPoint> points;
    int param;
};

// Applies the change of an invert or flip entry to `image`, keeping its format
// and colour table; any other type leaves `image` as it is.
void applySelfInverse(QImage& image, OPERATE_TYPE type);

// `source` turned clockwise by `angle` degrees about the centre of the
// 128 x 64 frame, nearest pixel. The result is always a 128 x 64 working bitmap:
// covered pixels keep their black or white, the rest is COLOR_BACK, and what
// leaves the frame is cut off. An angle that is a multiple of 360 returns a copy.
QImage turnBitmap(const QImage& source, int angle);

// The bitmap as it must be after the rotation entry at `index` of `history`
// (newest first) and everything older: rebuilt from the snapshot of the oldest
// rotation of the run of whole-image entries that ends at `index`, so a run of
// rotations is resampled once. Flips met along the run are folded in before the
// turn, reversing the turn made so far, so the result is what applying the
// run's entries one by one shows, without their losses. Returns a null image
// when `index` is out of range or its entry holds no snapshot.
QImage rebuildRotation(const QList<BITMAP_OPERATE>& history, int index);

// The edit history: entries newest first and how many of the newest are
// undone. Each kind of entry is undone and redone in its own way: strokes and
// rotations restore or rebuild from their snapshot, invert and flips apply
// themselves again.
class EditHistory
{
public:
    // Records an edit already made; a new edit ends every redo.
    void record(const BITMAP_OPERATE& op);
    // Undoes or redoes one entry on `bitmap`; false when there is none.
    bool undo(QImage& bitmap);
    bool redo(QImage& bitmap);
    void clear();

    // Records a turn of `bitmap` by `param` degrees clockwise and returns the
    // result, rebuilt once from the oldest snapshot of its run.
    QImage rotate(const QImage& bitmap, OPERATE_TYPE type, int param);

    const QList<BITMAP_OPERATE>& entries() const { return m_entries; }
    int undone() const { return m_undone; }

private:
    QImage rotationResult(const QImage& current) const;

    QList<BITMAP_OPERATE> m_entries;
    int m_undone = 0;
};

#endif // HISTORY_H
