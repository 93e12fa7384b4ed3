#include "conversion.h"

#include "bitmap.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>

namespace {

constexpr int FULL = 255000;
constexpr int MID = 127500;

// Luma of a colour whose channels are already composited over white.
inline int luma(int red, int green, int blue)
{
    return red * 299 + green * 587 + blue * 114;
}

// floor(n / d) by one multiply, exact for 0 <= n / d < 2^17 and 0 < d < 2^12:
// with m = ceil(2^41 / d), n m / 2^41 exceeds n / d by less than n / 2^41,
// below 1 / d since n < 2^29, so the floor stays. The products fit 64 bits.
struct Divider {
    quint64 m = 0;
    explicit Divider(int d) : m(d > 0 ? ((quint64(1) << 41) + quint64(d) - 1) / quint64(d) : 0) {}
    int operator()(int n) const { return int((quint64(n) * m) >> 41); }
};

// Steps 2 to 4 of the header and, for the dithering methods, the tone curve.
struct Tone {
    bool adjusts;
    int invert_base; // v becomes invert_base + invert_sign v
    int invert_sign;
    int brightness; // added, in thousandths
    int contrast;   // 100 + c
    int threshold;  // t = 1000 T
    Divider low;    // by 10 T: 127500 / t is 1275 / (10 T), so t -> MID exactly
    Divider high;   // by 10 (255 - T); with T = 255 every value takes the first segment

    explicit Tone(const ConversionSettings& s)
        : adjusts(s.invert || s.brightness != 0 || s.contrast != 0),
          invert_base(s.invert ? FULL : 0), invert_sign(s.invert ? -1 : 1),
          brightness(2550 * s.brightness), contrast(100 + s.contrast),
          threshold(1000 * s.threshold), low(10 * s.threshold), high(10 * (255 - s.threshold))
    {
    }

    // Each step is an identity at its neutral setting, so none needs a branch.
    int adjusted(int v) const
    {
        v = qBound(0, invert_base + invert_sign * v + brightness, FULL);
        return qBound(0, MID + (v - MID) * contrast / 100, FULL);
    }

    int curved(int v) const
    {
        return v <= threshold ? low(v * 1275) : MID + high((v - threshold) * 1275);
    }

    void adjustRow(const int* in, int* out, int count) const
    {
        if (!adjusts) {
            std::memcpy(out, in, sizeof(int) * size_t(count));
            return;
        }
        for (int x = 0; x < count; ++x)
            out[x] = adjusted(in[x]);
    }

    void curveRow(const int* in, int* out, int count) const
    {
        adjustRow(in, out, count);
        for (int x = 0; x < count; ++x)
            out[x] = curved(out[x]);
    }
};

// The part of the plane that lands on the bitmap, in plane coordinates.
struct Visible {
    int left, right, top, bottom; // half-open

    // In 64 bits: `at` may be anywhere.
    Visible(const LumaPlane& plane, const QPoint& at, const QImage& bitmap)
        : left(int(qBound<qint64>(0, -qint64(at.x()), plane.width()))),
          right(int(qBound<qint64>(0, qint64(bitmap.width()) - at.x(), plane.width()))),
          top(int(qBound<qint64>(0, -qint64(at.y()), plane.height()))),
          bottom(int(qBound<qint64>(0, qint64(bitmap.height()) - at.y(), plane.height())))
    {
    }
    bool isEmpty() const { return left >= right || top >= bottom; }
};

// ORs `count` decisions (0 or 1) into a Format_Mono row from bit `x` on,
// a byte at a time: one read-modify-write per pixel would chain every pixel
// of a byte on the one before.
void orBits(uchar* row, int x, const int* set, int count)
{
    int n = 0;
    for (; n < count && ((x + n) & 7) != 0; ++n)
        row[(x + n) >> 3] |= uchar(set[n] << (7 - ((x + n) & 7)));
    for (; n + 8 <= count; n += 8) {
        const int* s = set + n;
        row[(x + n) >> 3] |= uchar(s[0] << 7 | s[1] << 6 | s[2] << 5 | s[3] << 4 | s[4] << 3
                                   | s[5] << 2 | s[6] << 1 | s[7]);
    }
    for (; n < count; ++n)
        row[(x + n) >> 3] |= uchar(set[n] << (7 - ((x + n) & 7)));
}

void convertThreshold(const LumaPlane& plane, const QPoint& at, const Tone& tone,
                      const Visible& vis, QImage& bitmap, int* line)
{
    const int count = vis.right - vis.left;
    for (int y = vis.top; y < vis.bottom; ++y) {
        tone.adjustRow(plane.row(y) + vis.left, line, count);
        for (int n = 0; n < count; ++n)
            line[n] = line[n] < tone.threshold;
        orBits(bitmap.scanLine(y + at.y()), vis.left + at.x(), line, count);
    }
}

void convertBayer(const LumaPlane& plane, const QPoint& at, const Tone& tone, const Visible& vis,
                  QImage& bitmap, int* line)
{
    static const int MATRIX[4][4] = {
        {0, 8, 2, 10},
        {12, 4, 14, 6},
        {3, 11, 1, 9},
        {15, 7, 13, 5},
    };
    const int count = vis.right - vis.left;
    const int bx = vis.left + at.x();
    for (int y = vis.top; y < vis.bottom; ++y) {
        const int by = y + at.y();
        int limits[4]; // (2m + 1) FULL, for the row's pixels from bx on
        for (int i = 0; i < 4; ++i)
            limits[i] = (2 * MATRIX[by & 3][(bx + i) & 3] + 1) * FULL;
        tone.curveRow(plane.row(y) + vis.left, line, count);
        for (int n = 0; n < count; ++n)
            line[n] = 32 * line[n] < limits[n & 3];
        orBits(bitmap.scanLine(by), bx, line, count);
    }
}

// The error of one row is diffused by a kernel walking it in direction `step`
// (+1 or -1): `line` holds the row's values and receives its decisions (1 set,
// 0 clear), `below` and `below2` collect the next two rows' error. The shares
// for the pixels ahead on the same row travel in registers.
void diffuseFloydSteinberg(int* line, const int* here, int* below, int*, int first, int count,
                           int step)
{
    int ahead = 0;
    for (int n = 0, x = first; n < count; ++n, x += step) {
        const int v = qBound(0, line[x] + here[x] + ahead, FULL);
        const bool set = v < MID;
        const int error = set ? v : v - FULL;
        ahead = error * 7 / 16;
        below[x - step] += error * 3 / 16;
        below[x] += error * 5 / 16;
        below[x + step] += error / 16;
        line[x] = set;
    }
}

void diffuseAtkinson(int* line, const int* here, int* below, int* below2, int first, int count,
                     int step)
{
    int ahead = 0;
    int ahead2 = 0;
    for (int n = 0, x = first; n < count; ++n, x += step) {
        const int v = qBound(0, line[x] + here[x] + ahead, FULL);
        const bool set = v < MID;
        const int share = (set ? v : v - FULL) / 8;
        ahead = ahead2 + share;
        ahead2 = share;
        below[x - step] += share;
        below[x] += share;
        below[x + step] += share;
        below2[x] += share;
        line[x] = set;
    }
}

template <void (*diffuse)(int*, const int*, int*, int*, int, int, int)>
void convertDiffusion(const LumaPlane& plane, const QPoint& at, const Tone& tone,
                      const Visible& vis, QImage& bitmap, int* line)
{
    const int width = plane.width();
    const int pad = 1; // the farthest a share to another row reaches sideways
    const int stride = width + 2 * pad;
    // Error of three consecutive rows, the row y one at y % 3.
    std::vector<int> errors(3 * size_t(stride), 0);
    // Rows above the bitmap feed it error; rows below it cannot.
    for (int y = 0; y < vis.bottom; ++y) {
        int* here = errors.data() + (y % 3) * stride + pad;
        int* below = errors.data() + ((y + 1) % 3) * stride + pad;
        int* below2 = errors.data() + ((y + 2) % 3) * stride + pad;
        tone.curveRow(plane.row(y), line, width);
        if (y & 1)
            diffuse(line, here, below, below2, width - 1, width, -1);
        else
            diffuse(line, here, below, below2, 0, width, 1);
        if (y >= vis.top)
            orBits(bitmap.scanLine(y + at.y()), vis.left + at.x(), line + vis.left,
                   vis.right - vis.left);
        // This row's buffer comes back as row y + 3.
        std::fill(here - pad, here - pad + stride, 0);
    }
}

} // namespace

QString ditherName(DitherMethod method)
{
    switch (method) {
    case DitherMethod::None:
        break;
    case DitherMethod::FloydSteinberg:
        return QStringLiteral("floyd-steinberg");
    case DitherMethod::Atkinson:
        return QStringLiteral("atkinson");
    case DitherMethod::Bayer:
        return QStringLiteral("bayer");
    }
    return QStringLiteral("none");
}

bool ditherFromName(const QString& name, DitherMethod* method)
{
    const QString wanted = name.trimmed();
    for (DitherMethod candidate : DITHER_METHODS) {
        if (wanted.compare(ditherName(candidate), Qt::CaseInsensitive) == 0) {
            *method = candidate;
            return true;
        }
    }
    return false;
}

bool ConversionSettings::operator==(const ConversionSettings& other) const
{
    return threshold == other.threshold && dither == other.dither && invert == other.invert
           && brightness == other.brightness && contrast == other.contrast;
}

bool ConversionSettings::isDefault() const
{
    return *this == ConversionSettings();
}

ConversionSettings clampedSettings(ConversionSettings settings)
{
    settings.threshold = qBound(0, settings.threshold, 255);
    settings.brightness = qBound(-100, settings.brightness, 100);
    settings.contrast = qBound(-100, settings.contrast, 100);
    const auto known = std::find(std::begin(DITHER_METHODS), std::end(DITHER_METHODS),
                                 settings.dither);
    if (known == std::end(DITHER_METHODS))
        settings.dither = DitherMethod::None;
    return settings;
}

LumaPlane::LumaPlane(const QImage& picture)
{
    if (picture.isNull())
        return;
    QImage image = picture;
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB888:
    case QImage::Format_Grayscale8:
        break;
    default:
        image = image.convertToFormat(image.hasAlphaChannel()
                                          ? QImage::Format_ARGB32_Premultiplied
                                          : QImage::Format_RGB32);
        if (image.isNull())
            return; // out of memory
    }
    plane_width = image.width();
    plane_height = image.height();
    values.resize(size_t(plane_width) * size_t(plane_height));

    for (int y = 0; y < plane_height; ++y) {
        int* out = values.data() + size_t(y) * size_t(plane_width);
        const uchar* in = image.constScanLine(y);
        const QRgb* rgb = reinterpret_cast<const QRgb*>(in);
        switch (image.format()) {
        case QImage::Format_RGB32:
            for (int x = 0; x < plane_width; ++x)
                out[x] = luma(qRed(rgb[x]), qGreen(rgb[x]), qBlue(rgb[x]));
            break;
        case QImage::Format_ARGB32:
            for (int x = 0; x < plane_width; ++x) {
                const int alpha = qAlpha(rgb[x]);
                const int own = luma(qRed(rgb[x]), qGreen(rgb[x]), qBlue(rgb[x]));
                out[x] = alpha == 255 ? own : (own * alpha + FULL * (255 - alpha) + 127) / 255;
            }
            break;
        case QImage::Format_ARGB32_Premultiplied:
            for (int x = 0; x < plane_width; ++x)
                out[x] = qMin(FULL, luma(qRed(rgb[x]), qGreen(rgb[x]), qBlue(rgb[x]))
                                        + 1000 * (255 - qAlpha(rgb[x])));
            break;
        case QImage::Format_RGB888:
            for (int x = 0; x < plane_width; ++x, in += 3)
                out[x] = luma(in[0], in[1], in[2]);
            break;
        default: // Grayscale8; the weights add up to 1000
            for (int x = 0; x < plane_width; ++x)
                out[x] = 1000 * in[x];
            break;
        }
    }
}

void convertPlane(const LumaPlane& plane, const QPoint& at, const ConversionSettings& settings,
                  QImage& bitmap)
{
    if (bitmap.format() != QImage::Format_Mono)
        return;
    const ConversionSettings s = clampedSettings(settings);
    const Visible vis(plane, at, bitmap);
    if (plane.isNull() || vis.isEmpty() || s.threshold == 0)
        return;
    const Tone tone(s);
    std::vector<int> line(size_t(plane.width()));
    switch (s.dither) {
    case DitherMethod::None:
        convertThreshold(plane, at, tone, vis, bitmap, line.data());
        break;
    case DitherMethod::FloydSteinberg:
        convertDiffusion<diffuseFloydSteinberg>(plane, at, tone, vis, bitmap, line.data());
        break;
    case DitherMethod::Atkinson:
        convertDiffusion<diffuseAtkinson>(plane, at, tone, vis, bitmap, line.data());
        break;
    case DitherMethod::Bayer:
        convertBayer(plane, at, tone, vis, bitmap, line.data());
        break;
    }
}
