#include "selectgeometry.h"

#include "bitmap.h"
#include "geometry.h"
#include "picture.h"

#include <QPainter>
#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <sched.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define HAVE_PACK_ROW_SSSE3
#define HAVE_SHRINK_AVX2
#endif

// Far beyond any viewport, yet sums of two such values still fit an int.
static const double COORDINATE_LIMIT = double(1 << 29);

static double limited(double value)
{
    return qBound(-COORDINATE_LIMIT, value, COORDINATE_LIMIT);
}

// toAlignedRect() without the integer overflow of absurd rectangles (the
// selection before any source was given).
static QRect alignedRect(const QRectF& rect)
{
    // Edges, not extents, are bounded, so a far edge cannot drag the near one.
    return QRectF(QPointF(limited(rect.left()), limited(rect.top())),
                  QPointF(limited(rect.right()), limited(rect.bottom())))
        .toAlignedRect();
}

double fitScale(const QSize& viewport, const QSize& source)
{
    if (source.width() <= 0 || source.height() <= 0)
        return 1.0;
    return qMin(double(viewport.width()) / source.width(),
                double(viewport.height()) / source.height());
}

double displayScale(double scale_fit, int scale_level)
{
    return scale_fit * scale_level / 5;
}

QSize scaledSourceSize(const QSize& source, int scale_level, double scale_fit)
{
    // Whole products first, in 64 bits: a very wide picture times 25 passes int.
    const double width = double(qint64(source.width()) * scale_level) * scale_fit / 5.0;
    const double height = double(qint64(source.height()) * scale_level) * scale_fit / 5.0;
    return QSize(qRound(width), qRound(height));
}

QRectF wholeSelection(const QSize& source)
{
    return QRectF(-(source.width() / 2), -(source.height() / 2), source.width(), source.height());
}

QRect selectionInView(const QRectF& select_rect, double k, const QPoint& center)
{
    const QRectF scaled(select_rect.x() * k, select_rect.y() * k, select_rect.width() * k,
                        select_rect.height() * k);
    return alignedRect(scaled).translated(center);
}

QRect visibleImageRect(const QSize& viewport, const QSize& scaled, const QPoint& center)
{
    const int sw = scaled.width();
    const int sh = scaled.height();
    const int cx = center.x();
    const int cy = center.y();
    const int left = qMax(0, sw / 2 - cx);
    const int right = qMin(sw, sw / 2 + viewport.width() - cx);
    const int top = qMax(0, sh / 2 - cy);
    const int bottom = qMin(sh, sh / 2 + viewport.height() - cy);
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(left - sw / 2 + cx, top - sh / 2 + cy, right - left, bottom - top);
}

void RectSub(QRect out[4], const QRect& a, const QRect& b)
{
    if (a.isValid() && b.isValid() && a.intersects(b)) {
        const QRect i = a.intersected(b);
        out[0] = QRect(QPoint(a.left(), a.top()), QPoint(a.right(), i.top() - 1));
        out[1] = QRect(QPoint(a.left(), i.top()), QPoint(i.left() - 1, i.bottom()));
        out[2] = QRect(QPoint(i.right() + 1, i.top()), QPoint(a.right(), i.bottom()));
        out[3] = QRect(QPoint(a.left(), i.bottom() + 1), QPoint(a.right(), a.bottom()));
        return;
    }
    out[0] = a;
    out[1] = out[2] = out[3] = QRect();
}

QImage::Format smoothScalingFormat(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    case QImage::Format_RGBX8888:
#endif
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64_Premultiplied:
        return format;
    case QImage::Format_RGBA64:
        return QImage::Format_RGBA64_Premultiplied;
    default:
        break;
    }
    return QImage(1, 1, format).hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                   : QImage::Format_RGB32;
}

namespace {

// One axis of the toolkit's area-averaging reduction of `s` pixels to `d`
// (QImage::scaled with Qt::SmoothTransformation): destination pixel i takes
// source pixel `first` with weight a, then `middle` pixels of weight c, then
// one of weight `last`; the weights of a pixel add up to 1 << 14.
struct Tap {
    int first;
    int middle;
    quint32 weights; // a | last << 16
};

struct ShrinkAxis {
    std::vector<Tap> taps;
    int c = 0;
    bool inside = true; // no tap reaches past the source
    // When no tap takes more than four pixels: the weights of the four
    // pixels from `first` on, as 16-bit pairs for two taps at a time (eight
    // lanes of pixels 0 and 1, then eight of pixels 2 and 3), and how many
    // leading taps may read four pixels without passing the source's end.
    std::vector<quint32> quads;
    size_t quad_taps = 0;
};

ShrinkAxis shrinkAxis(int s, int d)
{
    ShrinkAxis axis;
    axis.c = int(((qint64(d) << 14) + s - 1) / s);
    const qint64 step = (qint64(s) << 16) / d;
    qint64 position = 0;
    int widest = 0;
    for (int i = 0; i < d; ++i, position += step) {
        const int first = int(position >> 16);
        const int a = int(((0x10000 - (position & 0xffff)) * axis.c) >> 16);
        int rest = (1 << 14) - a;
        int middle = 0;
        for (; rest > axis.c; rest -= axis.c)
            ++middle;
        axis.taps.push_back({ first, middle, quint32(a) | quint32(rest) << 16 });
        axis.inside = axis.inside && first + middle + 1 < s;
        widest = qMax(widest, middle);
        if (first + 3 < s)
            axis.quad_taps = size_t(i) + 1;
    }
    if (widest <= 2) {
        axis.quads.resize(axis.taps.size() / 2 * 16);
        for (size_t i = 0; i + 1 < axis.taps.size(); i += 2) {
            for (size_t half = 0; half < 2; ++half) {
                const Tap& tap = axis.taps[i + half];
                quint32 w[4] = { tap.weights & 0xffff, 0, 0, 0 };
                for (int k = 1; k <= tap.middle; ++k)
                    w[k] = quint32(axis.c);
                w[tap.middle + 1] = tap.weights >> 16;
                for (size_t lane = 0; lane < 4; ++lane) {
                    axis.quads[8 * i + 4 * half + lane] = w[0] | w[1] << 16;
                    axis.quads[8 * i + 8 + 4 * half + lane] = w[2] | w[3] << 16;
                }
            }
        }
    } else {
        axis.quad_taps = 0;
    }
    axis.quad_taps &= ~size_t(1);
    return axis;
}

#ifdef HAVE_SHRINK_AVX2

#define AVX2 __attribute__((target("avx2")))

// The horizontal sums of one source row, four 32-bit channels a pixel, less
// the four low bits the toolkit drops before it weighs the rows. Channels
// and weights fit 16 bits, so pixels are multiplied and added in pairs.
AVX2 void rowSums(const quint32* row, const ShrinkAxis& xs, quint32* into)
{
    // Two taps at a time from four pixels each, reordered as b0 b1 g0 g1 ...
    const __m256i pairs = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15,
                                           0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const __m256i zero = _mm256_setzero_si256();
    size_t x = 0;
    for (; x < xs.quad_taps; x += 2, into += 8) {
        const quint32* w = xs.quads.data() + 8 * x;
        __m256i p = _mm256_inserti128_si256(
            _mm256_castsi128_si256(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + xs.taps[x].first))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + xs.taps[x + 1].first)), 1);
        p = _mm256_shuffle_epi8(p, pairs);
        const __m256i v = _mm256_add_epi32(
            _mm256_madd_epi16(_mm256_unpacklo_epi8(p, zero),
                              _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w))),
            _mm256_madd_epi16(_mm256_unpackhi_epi8(p, zero),
                              _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 8))));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(into), _mm256_srli_epi32(v, 4));
    }
    // The rest one at a time, runs of any length.
    const __m128i c = _mm_set1_epi32(xs.c);
    for (; x < xs.taps.size(); ++x, into += 4) {
        const Tap& tap = xs.taps[x];
        const quint32* p = row + tap.first;
        const __m128i ends = _mm_cvtepu8_epi16(_mm_unpacklo_epi8(
            _mm_cvtsi32_si128(int(p[0])), _mm_cvtsi32_si128(int(p[tap.middle + 1]))));
        __m128i v = _mm_madd_epi16(ends, _mm_set1_epi32(int(tap.weights)));
        if (tap.middle > 128) { // a run whose sums pass 15 bits
            __m128i run = _mm_setzero_si128();
            for (int k = 1; k <= tap.middle; ++k)
                run = _mm_add_epi32(run, _mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(p[k]))));
            v = _mm_add_epi32(v, _mm_mullo_epi32(run, c));
        } else if (tap.middle > 0) {
            // Eight pixels a load, their channels added as 16-bit lanes.
            __m256i eights = _mm256_setzero_si256();
            int k = 1;
            for (; k + 7 <= tap.middle; k += 8) {
                const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k));
                eights = _mm256_add_epi16(eights, _mm256_unpacklo_epi8(pixels, zero));
                eights = _mm256_add_epi16(eights, _mm256_unpackhi_epi8(pixels, zero));
            }
            __m128i run = _mm_add_epi16(_mm256_castsi256_si128(eights),
                                        _mm256_extracti128_si256(eights, 1));
            run = _mm_add_epi16(run, _mm_srli_si128(run, 8));
            for (; k <= tap.middle; ++k)
                run = _mm_add_epi16(run, _mm_cvtepu8_epi16(_mm_cvtsi32_si128(int(p[k]))));
            v = _mm_add_epi32(v, _mm_madd_epi16(_mm_cvtepu16_epi32(run), c));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(into), _mm_srli_epi32(v, 4));
    }
}

// sum = weight * sums (start) or sum += weight * sums, over whole pairs of
// pixels; no lane passes 32 bits.
AVX2 void weigh(quint32* sum, const quint32* sums, size_t lanes, int weight, bool start)
{
    const __m256i w = _mm256_set1_epi32(weight);
    for (size_t i = 0; i < lanes; i += 8) {
        __m256i* to = reinterpret_cast<__m256i*>(sum + i);
        __m256i term = _mm256_mullo_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + i)), w);
        if (!start)
            term = _mm256_add_epi32(term, _mm256_loadu_si256(to));
        _mm256_storeu_si256(to, term);
    }
}

// The bottom row weighed in and the sums made pixels; without `sum`, the
// destination row has only its top and bottom rows, the top weighed here.
AVX2 void finish(quint32* line, size_t width, const quint32* sum, const quint32* top,
                 int top_weight, const quint32* bottom, int bottom_weight)
{
    const __m256i tw = _mm256_set1_epi32(top_weight);
    const __m256i bw = _mm256_set1_epi32(bottom_weight);
    const auto channels = [&](size_t x) AVX2 { // of pixels x and x + 1
        const __m256i before =
            sum ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sum + 4 * x))
                : _mm256_mullo_epi32(
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + 4 * x)), tw);
        const __m256i v = _mm256_mullo_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom + 4 * x)), bw);
        return _mm256_srli_epi32(_mm256_add_epi32(v, before), 24);
    };
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
    size_t x = 0;
    for (; x + 4 <= width; x += 4) {
        // Lane 0 holds pixels x and x + 2, lane 1 pixels x + 1 and x + 3.
        __m256i v = _mm256_packus_epi32(channels(x), channels(x + 2));
        v = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(v, v), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + x),
                         _mm_or_si128(_mm256_castsi256_si128(v), opaque));
    }
    for (; x < width; x += 2) {
        __m256i v = channels(x);
        v = _mm256_packus_epi16(_mm256_packus_epi32(v, v), v);
        line[x] = quint32(_mm256_cvtsi256_si32(v)) | 0xff000000u;
        if (x + 1 < width)
            line[x + 1] = quint32(_mm_cvtsi128_si32(_mm256_extracti128_si256(v, 1))) | 0xff000000u;
    }
}

// The toolkit's sums, in its integer arithmetic, visited row by row: every
// source row is read once, in order, and its horizontal sums serve each
// destination row whose footprint holds it. Rows `begin` to `end` of `out`.
void shrinkRows(const QImage& source, const ShrinkAxis& xs, const ShrinkAxis& ys, uchar* out,
                qsizetype bytes_per_line, int begin, int end)
{
    const size_t width = xs.taps.size();
    const size_t lanes = 8 * ((width + 1) / 2); // whole pairs of pixels
    std::vector<quint32> fresh(lanes), kept(lanes), sum(lanes);
    int kept_row = -1;
    const auto sumsOf = [&](int y) -> const quint32* {
        if (y == kept_row)
            return kept.data();
        rowSums(reinterpret_cast<const quint32*>(source.constScanLine(y)), xs, fresh.data());
        return fresh.data();
    };
    for (int y = begin; y < end; ++y) {
        const Tap& tap = ys.taps[size_t(y)];
        const int bottom = tap.first + tap.middle + 1;
        const quint32* top = sumsOf(tap.first);
        if (tap.middle > 0) {
            weigh(sum.data(), top, lanes, int(tap.weights & 0xffff), true);
            for (int row = tap.first + 1; row < bottom; ++row)
                weigh(sum.data(), sumsOf(row), lanes, ys.c, false);
        } else if (top == fresh.data()) { // the bottom row is about to go there
            kept.swap(fresh);
            kept_row = tap.first;
            top = kept.data();
        }
        const quint32* last = sumsOf(bottom);
        finish(reinterpret_cast<quint32*>(out + y * bytes_per_line), width,
               tap.middle > 0 ? sum.data() : nullptr, top, int(tap.weights & 0xffff), last,
               int(tap.weights >> 16));
        if (last == fresh.data()) { // the bottom row is often the next one's top
            kept.swap(fresh);
            kept_row = bottom;
        }
    }
}

#endif

// The cores this process may run on.
int usableCores()
{
#ifdef Q_OS_LINUX
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof(set), &set) == 0)
        return CPU_COUNT(&set);
#endif
    return int(std::thread::hardware_concurrency());
}

// An RGB32 image of `size` over the start of `memory` when no other image
// uses that memory and it is large enough, else a new one. The image keeps
// the memory alive.
QImage imageIn(QImage& memory, const QSize& size)
{
    const qsizetype bytes = qsizetype(size.width()) * size.height() * 4;
    if (memory.isNull() || !memory.isDetached() || memory.sizeInBytes() < bytes)
        return newLargeImage(size, QImage::Format_RGB32);
    uchar* bits = memory.bits(); // before the copy below, which would make this detach
    return QImage(bits, size.width(), size.height(), size.width() * 4, QImage::Format_RGB32,
                  [](void* owner) { delete static_cast<QImage*>(owner); }, new QImage(memory));
}

// shrink() where it is known to give the toolkit's pixels.
QImage shrinkOrNull(const QImage& source, const QSize& size, QImage& memory)
{
#ifdef HAVE_SHRINK_AVX2
    if (source.format() != QImage::Format_RGB32 || size.width() >= source.width()
        || size.height() >= source.height() || size.isEmpty() || size.width() >= (1 << 17)
        || size.height() >= (1 << 17) || !__builtin_cpu_supports("avx2"))
        return QImage();
    const ShrinkAxis xs = shrinkAxis(source.width(), size.width());
    const ShrinkAxis ys = shrinkAxis(source.height(), size.height());
    if (!xs.inside || !ys.inside)
        return QImage();
    QImage out = imageIn(memory, size);
    if (out.isNull())
        return out;
    uchar* bits = out.bits();
    const qsizetype bytes_per_line = out.bytesPerLine();
    const int rows = size.height();
    // A large picture is halved between two threads where there are two
    // cores, as the toolkit's own scaling would.
    if (qint64(source.width()) * source.height() >= (1 << 20) && rows >= 2 && usableCores() >= 2) {
        std::thread lower(shrinkRows, std::cref(source), std::cref(xs), std::cref(ys), bits,
                          bytes_per_line, rows / 2, rows);
        shrinkRows(source, xs, ys, bits, bytes_per_line, 0, rows / 2);
        lower.join();
    } else {
        shrinkRows(source, xs, ys, bits, bytes_per_line, 0, rows);
    }
    return out;
#else
    Q_UNUSED(source);
    Q_UNUSED(size);
    Q_UNUSED(memory);
    return QImage();
#endif
}

// Whether shrinkOrNull gives what QImage::scaled gives with the toolkit
// this program runs on, tried once on noise.
bool shrinkMatchesToolkit()
{
    quint32 noise = 2463534242u;
    for (const QSize& from : { QSize(97, 61), QSize(300, 41), QSize(23, 200) }) {
        QImage probe(from, QImage::Format_RGB32);
        for (int y = 0; y < from.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(probe.scanLine(y));
            for (int x = 0; x < from.width(); ++x) {
                noise ^= noise << 13;
                noise ^= noise >> 17;
                noise ^= noise << 5;
                line[x] = noise | 0xff000000u;
            }
        }
        for (const QSize& to : { QSize(from.width() / 2 + 1, from.height() / 3 + 1),
                                 QSize(from.width() / 7 + 1, from.height() - 1) }) {
            QImage none;
            const QImage mine = shrinkOrNull(probe, to, none);
            if (mine.isNull()
                || mine != probe.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
                return false;
        }
    }
    return true;
}

} // namespace

bool ownShrinkInUse()
{
    static const bool exact = shrinkMatchesToolkit();
    return exact;
}

QImage smoothScaled(const QImage& image, const QSize& size, QImage* memory)
{
    if (ownShrinkInUse()) {
        QImage none;
        QImage shrunk = shrinkOrNull(image, size, memory ? *memory : none);
        if (!shrunk.isNull())
            return shrunk;
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QRgb darkened(QRgb colour)
{
    const int r = qRed(colour);
    const int g = qGreen(colour);
    const int b = qBlue(colour);
    return qRgb(r - r / 4, g - g / 4, b - b / 4);
}

// One row of 32-bit pixels into RGB888, optionally darkened.
static void packRow(uchar* out, const QRgb* in, int count, bool dim)
{
    for (int x = 0; x < count; ++x, out += 3) {
        const QRgb c = dim ? darkened(in[x]) : in[x];
        out[0] = uchar(qRed(c));
        out[1] = uchar(qGreen(c));
        out[2] = uchar(qBlue(c));
    }
}

#ifdef HAVE_PACK_ROW_SSSE3

// Four pixels at a time: darkening is c - (c >> 2) on every byte at once, and
// one shuffle drops the alpha bytes.
__attribute__((target("ssse3"))) static void packRowSsse3(uchar* out, const QRgb* in,
                                                          int count, bool dim)
{
    const __m128i to_rgb = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const __m128i low_six = _mm_set1_epi8(0x3f);
    int x = 0;
    // Each store writes 16 bytes of which 12 are kept; the next store or the
    // tail loop overwrites the rest, so never store past the row's end.
    for (; x + 6 <= count; x += 4, out += 12) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        if (dim)
            v = _mm_sub_epi8(v, _mm_and_si128(_mm_srli_epi16(v, 2), low_six));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(v, to_rgb));
    }
    packRow(out, in + x, count - x, dim);
}
#endif

// Eight pixels at a time: the shuffle packs each half's four into twelve
// bytes, a permutation puts the two twelves together.
__attribute__((target("avx2"))) static void packRowAvx2(uchar* out, const QRgb* in, int count,
                                                        bool dim)
{
    const __m256i to_rgb = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,
                                            2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const __m256i together = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    const __m256i low_six = _mm256_set1_epi8(0x3f);
    int x = 0;
    // Each store writes 32 bytes of which 24 are kept; as in packRowSsse3,
    // never past the row's end.
    for (; x + 11 <= count; x += 8, out += 24) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        if (dim)
            v = _mm256_sub_epi8(v, _mm256_and_si256(_mm256_srli_epi16(v, 2), low_six));
        v = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, to_rgb), together);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v);
    }
    packRowSsse3(out, in + x, count - x, dim);
}

static void packRowBest(uchar* out, const QRgb* in, int count, bool dim)
{
#ifdef HAVE_PACK_ROW_SSSE3
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        packRowAvx2(out, in, count, dim);
        return;
    }
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        packRowSsse3(out, in, count, dim);
        return;
    }
#endif
    packRow(out, in, count, dim);
}

namespace {

// Row-wise painters on an RGB888 canvas; every rectangle is clipped first.
struct ViewPainter {
    QImage& canvas;
    const QImage& pixels; // Format_RGB32
    QPoint to_scaled;     // viewport position + to_scaled = scaled pixel
    uchar* canvas_bits = canvas.bits();
    const uchar* pixel_bits = pixels.constBits();

    QRect clipped(const QRect& rect) const { return rect.intersected(canvas.rect()); }
    uchar* line(int y) const { return canvas_bits + qsizetype(y) * canvas.bytesPerLine(); }

    void fill(const QRect& piece, uchar level)
    {
        const QRect r = clipped(piece);
        if (r.isEmpty())
            return;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memset(line(y) + 3 * r.left(), level, size_t(3 * r.width()));
    }

    void copy(const QRect& piece, bool dim)
    {
        const QRect r = clipped(piece);
        if (r.isEmpty())
            return;
        const int sx = r.left() + to_scaled.x();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            uchar* out = line(y) + 3 * r.left();
            const uchar* in = pixel_bits + qsizetype(y + to_scaled.y()) * pixels.bytesPerLine();
            packRowBest(out, reinterpret_cast<const QRgb*>(in) + sx, r.width(), dim);
        }
    }
};

} // namespace

QImage composeView(const QImage& scaled, const QSize& viewport, const QPoint& center,
                   const QRect& rect_sel, QImage buffer)
{
    QImage canvas = std::move(buffer);
    if (canvas.size() != viewport || canvas.format() != QImage::Format_RGB888)
        canvas = QImage(viewport, QImage::Format_RGB888);
    if (canvas.isNull())
        return canvas;

    // The dialog's pictures are RGB32 already; anything else is made so once.
    QImage pixels = scaled;
    if (pixels.format() != QImage::Format_RGB32)
        pixels = pixels.convertToFormat(QImage::Format_RGB32);

    const QRect view_rect(QPoint(0, 0), viewport);
    const QRect img_rect = visibleImageRect(viewport, pixels.size(), center);
    ViewPainter painter{canvas, pixels,
                        QPoint(pixels.width() / 2 - center.x(), pixels.height() / 2 - center.y())};

    QRect outside[4];
    RectSub(outside, view_rect, img_rect);
    for (const QRect& piece : outside) {
        if (!piece.isValid())
            continue;
        QRect gray[4];
        RectSub(gray, piece, rect_sel);
        for (const QRect& g : gray) {
            if (g.isValid())
                painter.fill(g, VIEW_GRAY);
        }
    }

    QRect blank[4];
    RectSub(blank, rect_sel, img_rect);
    for (const QRect& piece : blank) {
        if (piece.isValid())
            painter.fill(piece, uchar(COLOR_BACK.red())); // white: stays blank in the bitmap
    }

    const QRect bright = rect_sel.intersected(img_rect);
    if (bright.isValid())
        painter.copy(bright, false);

    QRect dim[4];
    RectSub(dim, img_rect, rect_sel);
    for (const QRect& piece : dim) {
        if (piece.isValid())
            painter.copy(piece, true);
    }
    return canvas;
}

QSize targetSize(const QSize& selection)
{
    const qint64 w = selection.width();
    const qint64 h = selection.height();
    if (w <= 0 || h <= 0)
        return QSize();
    if (w * BITMAP_HEIGHT < h * BITMAP_WIDTH)
        return QSize(int(w * BITMAP_HEIGHT / h), BITMAP_HEIGHT);
    return QSize(BITMAP_WIDTH, int(h * BITMAP_WIDTH / w));
}

QRect sourceBounds(const QSize& source)
{
    const int w = source.width();
    const int h = source.height();
    return QRect(QPoint(-(w / 2), -(h / 2)), QPoint(w - w / 2 - 1, h - h / 2 - 1));
}

QRect sourceRect(const QRectF& select_rect, const QSize& source)
{
    const QRect bounds = sourceBounds(source);
    const QRect aligned = alignedRect(select_rect);
    if (!bounds.isValid() || !aligned.isValid())
        return QRect();
    return aligned.intersected(bounds);
}

QRect targetRect(const QRect& rect_src, const QRectF& sel, const QSize& target)
{
    if (!(sel.width() > 0) || !(sel.height() > 0) || target.isEmpty())
        return QRect();
    const int tw = target.width();
    const int th = target.height();
    const double v[] = { (rect_src.x() - sel.x()) * tw / sel.width(),
                         (rect_src.y() - sel.y()) * th / sel.height(),
                         double(tw) * rect_src.width() / sel.width(),
                         double(th) * rect_src.height() / sel.height() };
    // A selection rounded to a hair's width (an edge dragged onto the
    // opposite one) would magnify past what an int holds: it selects nothing.
    for (const double d : v) {
        if (!(std::abs(d) < double(1 << 30)))
            return QRect();
    }
    return QRect(qRound(v[0]) + (BITMAP_WIDTH - tw) / 2, qRound(v[1]) + (BITMAP_HEIGHT - th) / 2,
                 qRound(v[2]), qRound(v[3]));
}

QImage regionView(const QImage& image, const QRect& rect)
{
    const QRect r = rect.intersected(image.rect());
    if (r == image.rect())
        return image;
    if (r.isEmpty())
        return QImage();
    if (image.depth() < 8 || image.colorCount() > 0)
        return image.copy(r);
    const int bytes_per_pixel = image.depth() / 8;
    const uchar* first = image.constBits() + qsizetype(r.y()) * image.bytesPerLine()
                         + qsizetype(r.x()) * bytes_per_pixel;
    return QImage(first, r.width(), r.height(), image.bytesPerLine(), image.format());
}

// The part `window` (bitmap coordinates) of `region` scaled smoothly to
// `target`: the pixels QImage::scaled would give there, sampled the same way
// (bilinear between pixel centres), without making the whole scaled picture.
static QImage magnifiedWindow(const QImage& region, const QRect& target, const QRect& window)
{
    QImage out(window.size(), QImage::Format_RGB32);
    if (region.width() == 1 && region.height() == 1) {
        out.fill(region.pixel(0, 0));
        return out;
    }
    const double fx = double(target.width()) / region.width();
    const double fy = double(target.height()) / region.height();
    // The source pixels that reach the window, one more on each side for
    // the interpolation.
    const QPointF from = QPointF(window.topLeft() - target.topLeft());
    const QRect needed = QRect(QPoint(int(from.x() / fx) - 1, int(from.y() / fy) - 1),
                               QPoint(int((from.x() + window.width()) / fx) + 1,
                                      int((from.y() + window.height()) / fy) + 1))
                             .intersected(region.rect());
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(-from);
    painter.scale(fx, fy);
    painter.drawImage(needed.topLeft(), regionView(region, needed));
    return out;
}

ReducedRegion reduceRegion(const QImage& image, const QRect& rect, const QRect& rect_dst)
{
    if (image.isNull() || !rect.isValid() || rect_dst.width() <= 0 || rect_dst.height() <= 0)
        return {};
    const QRect visible = rect_dst.intersected(QRect(QPoint(0, 0), bitmapSize()));
    if (visible.isEmpty())
        return {};

    // The view borrows the image's pixels; it must not outlive this call.
    const QImage region = regionView(image, rect);
    if (region.isNull())
        return {};
    // A selection of less than a source pixel asks for a target many times
    // the bitmap's size: only its part inside the bitmap is made then.
    if (rect_dst.width() <= 4 * BITMAP_WIDTH && rect_dst.height() <= 4 * BITMAP_HEIGHT)
        return { LumaPlane(smoothScaled(region, rect_dst.size())), rect_dst.topLeft() };
    return { LumaPlane(magnifiedWindow(region, rect_dst, visible)), visible.topLeft() };
}

QImage convertRegion(const ReducedRegion& region, const ConversionSettings& settings)
{
    QImage result = newBitmap();
    convertPlane(region.plane, region.at, settings, result);
    return result;
}

QImage thresholdRegion(const QImage& source, const QRect& rect_src, const QRect& rect_dst,
                       const ConversionSettings& settings)
{
    if (source.isNull() || !rect_src.isValid())
        return newBitmap();
    const QRect own = rect_src.translated(source.width() / 2, source.height() / 2);
    return convertRegion(reduceRegion(source, own, rect_dst), settings);
}

SelectionPlan planSelection(const QSize& source, const QRectF& select_rect,
                            const QSize& view_selection)
{
    const QRect rect_src = sourceRect(select_rect, source);
    return { rect_src, targetRect(rect_src, select_rect, targetSize(view_selection)) };
}

SelectionPlan proposedPlan(const QSize& source, const QRectF& select_rect)
{
    const QSize view(SELECT_VIEW_WIDTH, SELECT_VIEW_HEIGHT);
    const double k = displayScale(fitScale(view, source), 5);
    const QRect rect_sel = selectionInView(select_rect, k, QPoint(view.width() / 2, view.height() / 2));
    return planSelection(source, select_rect, rect_sel.size());
}

QImage proposedBitmap(const QImage& source, const QRectF& select_rect,
                      const ConversionSettings& settings)
{
    const SelectionPlan plan = proposedPlan(source.size(), select_rect);
    return thresholdRegion(source, plan.rect_src, plan.rect_dst, settings);
}

LumaIntegral::LumaIntegral(const QImage& picture)
{
    if (picture.isNull() || qint64(picture.width()) * picture.height() >= (qint64(1) << 24))
        return;
    integral_width = picture.width();
    integral_height = picture.height();
    const size_t stride = size_t(integral_width) + 1;
    sums.assign(stride * (size_t(integral_height) + 1), 0);
    for (int y = 0; y < integral_height; ++y) {
        // A row at a time: the picture's luma is never held whole.
        const LumaPlane luma(regionView(picture, QRect(0, y, integral_width, 1)));
        const int* in = luma.row(0);
        const quint32* above = sums.data() + size_t(y) * stride;
        quint32* line = sums.data() + size_t(y + 1) * stride;
        quint32 run = 0;
        for (int x = 0; x < integral_width; ++x) {
            run += quint32((in[x] + 500) / 1000);
            line[x + 1] = above[x + 1] + run;
        }
    }
}

namespace {

// Where a coordinate falls between the integral's corners: the corner before
// it and how far on, the last corner's step taken as a whole one.
struct Corner {
    int index;
    double fraction;
};

Corner cornerAt(double v, int size)
{
    v = qBound(0.0, v, double(size));
    const int index = qMin(int(v), size - 1);
    return { index, v - index };
}

} // namespace

QRectF areaInCopy(const QRect& rect_src, const QSize& source, const QSize& copy)
{
    if (!rect_src.isValid() || source.isEmpty())
        return QRectF();
    const double fx = double(copy.width()) / source.width();
    const double fy = double(copy.height()) / source.height();
    const QRect own = rect_src.translated(source.width() / 2, source.height() / 2);
    return QRectF(own.x() * fx, own.y() * fy, own.width() * fx, own.height() * fy);
}

ReducedRegion averageRegion(const LumaIntegral& integral, const QRectF& area,
                            const QRect& rect_dst)
{
    const QRect visible = rect_dst.intersected(QRect(QPoint(0, 0), bitmapSize()));
    if (integral.isNull() || area.isEmpty() || visible.isEmpty())
        return {};
    const double fx = area.width() / rect_dst.width();
    const double fy = area.height() / rect_dst.height();
    const double left = area.left() + (visible.left() - rect_dst.left()) * fx;
    const double top = area.top() + (visible.top() - rect_dst.top()) * fy;
    const int w = visible.width();
    const int h = visible.height();
    QImage grey(w, h, QImage::Format_Grayscale8);
    if (grey.isNull())
        return {};

    // The sums at the corners of the bitmap pixels' boxes, a row of corners
    // at a time, bilinear between the integral's corners; where each box's
    // edges fall between those is worked out once for all rows.
    const int iw = integral.size().width();
    const int ih = integral.size().height();
    std::vector<Corner> columns(size_t(w) + 1);
    for (int i = 0; i <= w; ++i)
        columns[size_t(i)] = cornerAt(left + i * fx, iw);
    const auto rowSums = [&](int j, std::vector<double>& out) {
        const Corner cy = cornerAt(top + j * fy, ih);
        const quint32* upper = integral.corners(cy.index);
        const quint32* lower = integral.corners(cy.index + 1);
        for (size_t i = 0; i < columns.size(); ++i) {
            const int x = columns[i].index;
            const double f = columns[i].fraction;
            const double a = upper[x] + f * (double(upper[x + 1]) - upper[x]);
            const double b = lower[x] + f * (double(lower[x + 1]) - lower[x]);
            out[i] = a + cy.fraction * (b - a);
        }
    };
    // The means divide by the part of each box on the picture.
    const auto clippedX = [&](int i) { return qBound(0.0, left + i * fx, double(iw)); };
    const auto clippedY = [&](int j) { return qBound(0.0, top + j * fy, double(ih)); };
    std::vector<double> widths(static_cast<size_t>(w));
    for (int i = 0; i < w; ++i)
        widths[size_t(i)] = clippedX(i + 1) - clippedX(i);
    std::vector<double> above(columns.size());
    std::vector<double> below(columns.size());
    rowSums(0, above);
    for (int j = 0; j < h; ++j) {
        rowSums(j + 1, below);
        const double height = clippedY(j + 1) - clippedY(j);
        uchar* out = grey.scanLine(j);
        for (int i = 0; i < w; ++i) {
            const double covered = widths[size_t(i)] * height;
            const size_t c = size_t(i);
            const double sum = below[c + 1] - below[c] - above[c + 1] + above[c];
            // A box wholly off the picture stays clear, as the margins do.
            out[i] = uchar(covered > 0 ? qBound(0, int(sum / covered + 0.5), 255) : 255);
        }
        above.swap(below);
    }
    return { LumaPlane(grey), visible.topLeft() };
}

int handleHalfSize(int width)
{
    if (width > 42)
        return 10;
    if (width >= 15)
        return (width - 3) / 4;
    if (width >= 6)
        return 2;
    if (width >= 4)
        return 1;
    return 0;
}

int hitHandle(const QRect& rect_sel, const QPoint& pos)
{
    const int l = rect_sel.left();
    const int t = rect_sel.top();
    const int r = rect_sel.right();
    const int b = rect_sel.bottom();
    const int w = r + 1 - l;
    const int h = b + 1 - t;
    const int half = handleHalfSize(w);
    const int mx = (l + r + 1) / 2;
    const int my = (t + b + 1) / 2;

    struct Anchor {
        QPoint at;
        bool present;
    };
    const Anchor anchors[8] = {
        {QPoint(l, t), w >= 2},   {QPoint(r, t), w >= 2},   {QPoint(r, b), w >= 2},
        {QPoint(l, b), w >= 2},   {QPoint(mx, t), w >= 11}, {QPoint(mx, b), w >= 11},
        {QPoint(l, my), h >= 11}, {QPoint(r, my), h >= 11},
    };
    for (int i = 0; i < 8; ++i) {
        if (anchors[i].present && qAbs(pos.x() - anchors[i].at.x()) <= half
            && qAbs(pos.y() - anchors[i].at.y()) <= half)
            return i;
    }
    return -1;
}

double viewToSource(int distance, double s)
{
    return 5.0 * distance / s;
}

QRectF pixelSelection(const QPoint& pos, const QPoint& center, double s)
{
    return QRectF(viewToSource(pos.x() - center.x(), s), viewToSource(pos.y() - center.y(), s),
                  5.0 / s, 5.0 / s);
}

QRectF rubberBand(const QPoint& press, const QPoint& pos, const QPoint& center, double s)
{
    const double left = viewToSource(press.x() - center.x(), s);
    const double top = viewToSource(press.y() - center.y(), s);
    const double right = viewToSource(pos.x() - center.x(), s);
    const double bottom = viewToSource(pos.y() - center.y(), s);
    return QRectF(left, top, right - left, bottom - top);
}

QRectF resizedSelection(const QRectF& o, int tool, double dx, double dy)
{
    double left = o.x();
    double top = o.y();
    double right = o.x() + o.width();
    double bottom = o.y() + o.height();
    switch (tool) {
    case TOOL_TOP_LEFT:
        left += dx;
        top += dy;
        break;
    case TOOL_TOP_RIGHT:
        right += dx;
        top += dy;
        break;
    case TOOL_BOTTOM_RIGHT:
        right += dx;
        bottom += dy;
        break;
    case TOOL_BOTTOM_LEFT:
        left += dx;
        bottom += dy;
        break;
    case TOOL_TOP:
        top += dy;
        break;
    case TOOL_BOTTOM:
        bottom += dy;
        break;
    case TOOL_LEFT:
        left += dx;
        break;
    case TOOL_RIGHT:
        right += dx;
        break;
    default:
        break;
    }
    return QRectF(left, top, right - left, bottom - top);
}
