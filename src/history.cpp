#include "history.h"

#include "bitmap.h"
#include "stroke.h"

#include <QTransform>

namespace {

bool isRotation(OPERATE_TYPE type)
{
    return type == OPERATE_ROTATE_CW || type == OPERATE_ROTATE_CCW;
}

bool isStroke(OPERATE_TYPE type)
{
    return type == OPERATE_PEN || type == OPERATE_ERASE;
}

int normalAngle(int degrees)
{
    return (degrees % 360 + 360) % 360;
}

} // namespace

void applySelfInverse(QImage& image, OPERATE_TYPE type)
{
    switch (type) {
    case OPERATE_INVERT:
        image.invertPixels(QImage::InvertRgb);
        break;
    case OPERATE_MIRROR_X:
        image = image.mirrored(false, true);
        break;
    case OPERATE_MIRROR_Y:
        image = image.mirrored(true, false);
        break;
    default:
        break;
    }
}

QImage turnBitmap(const QImage& source, int angle)
{
    angle = normalAngle(angle);
    if (angle == 0)
        return source;

    QTransform turn;
    turn.rotate(angle);
    // The turned picture is its own bounding box; the corners it does not
    // cover come out transparent for angles off the right angles.
    const QImage turned =
        source.transformed(turn, Qt::FastTransformation).convertToFormat(QImage::Format_ARGB32);
    const int left = (BITMAP_WIDTH - turned.width()) / 2;
    const int top = (BITMAP_HEIGHT - turned.height()) / 2;

    QImage result = newBitmap();
    for (int y = 0; y < BITMAP_HEIGHT; ++y) {
        const int ty = y - top;
        if (ty < 0 || ty >= turned.height())
            continue;
        const QRgb* in = reinterpret_cast<const QRgb*>(turned.constScanLine(ty));
        uchar* out = result.scanLine(y);
        for (int x = 0; x < BITMAP_WIDTH; ++x) {
            const int tx = x - left;
            if (tx < 0 || tx >= turned.width())
                continue;
            const QRgb pixel = in[tx];
            if (qAlpha(pixel) >= 128 && isDark(pixel))
                setMonoBit(out, x);
        }
    }
    return result;
}

QImage rebuildRotation(const QList<BITMAP_OPERATE>& history, int index)
{
    if (index < 0 || index >= history.size() || !isRotation(history.at(index).type))
        return QImage();

    int oldest = index;
    for (int k = index; k < history.size(); ++k) {
        const OPERATE_TYPE type = history.at(k).type;
        if (isStroke(type))
            break;
        if (isRotation(type))
            oldest = k;
    }
    QImage result = history.at(oldest).image;
    if (result.isNull())
        return QImage();

    // The run, replayed oldest first, is kept as "invert and flip the snapshot,
    // then turn by angle". A flip after a turn by a equals the flip before a
    // turn by -a, so each flip reverses the angle gathered so far.
    bool invert = false;
    bool flip_x = false;
    bool flip_y = false;
    int angle = 0;
    for (int k = oldest; k >= index; --k) {
        const BITMAP_OPERATE& op = history.at(k);
        switch (op.type) {
        case OPERATE_INVERT:
            invert = !invert;
            break;
        case OPERATE_MIRROR_X:
            flip_x = !flip_x;
            angle = normalAngle(-angle);
            break;
        case OPERATE_MIRROR_Y:
            flip_y = !flip_y;
            angle = normalAngle(-angle);
            break;
        case OPERATE_ROTATE_CW:
        case OPERATE_ROTATE_CCW:
            angle = normalAngle(angle + normalAngle(op.param));
            break;
        default:
            break;
        }
    }

    if (invert)
        applySelfInverse(result, OPERATE_INVERT);
    if (flip_x)
        applySelfInverse(result, OPERATE_MIRROR_X);
    if (flip_y)
        applySelfInverse(result, OPERATE_MIRROR_Y);
    return turnBitmap(result, angle);
}

void EditHistory::record(const BITMAP_OPERATE& op)
{
    m_entries.erase(m_entries.begin(), m_entries.begin() + m_undone);
    m_undone = 0;
    m_entries.prepend(op);
}

QImage EditHistory::rotationResult(const QImage& current) const
{
    const QImage rebuilt = rebuildRotation(m_entries, m_undone);
    return rebuilt.isNull() ? current : rebuilt;
}

bool EditHistory::undo(QImage& bitmap)
{
    if (m_undone >= m_entries.size())
        return false;
    const BITMAP_OPERATE& op = m_entries.at(m_undone++);
    if (isStroke(op.type) || isRotation(op.type))
        bitmap = op.image;
    else
        applySelfInverse(bitmap, op.type);
    return true;
}

bool EditHistory::redo(QImage& bitmap)
{
    if (m_undone <= 0)
        return false;
    const BITMAP_OPERATE& op = m_entries.at(--m_undone);
    if (isStroke(op.type))
        bitmap = ImageLine(bitmap, op.points,
                           makeStrokePen(op.type == OPERATE_PEN ? COLOR_FRONT : COLOR_BACK, op.param));
    else if (isRotation(op.type))
        bitmap = rotationResult(bitmap);
    else
        applySelfInverse(bitmap, op.type);
    return true;
}

void EditHistory::clear()
{
    m_entries.clear();
    m_undone = 0;
}

QImage EditHistory::rotate(const QImage& bitmap, OPERATE_TYPE type, int param)
{
    record(BITMAP_OPERATE(type, bitmap, param));
    return rotationResult(bitmap);
}
