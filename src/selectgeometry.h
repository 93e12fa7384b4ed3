#ifndef SELECTGEOMETRY_H
#define SELECTGEOMETRY_H

// The arithmetic and pixel work behind SelectDialog, free of widgets.
//
// Coordinates: a selection is held in source pixels relative to the source's
// centre pixel (W / 2, H / 2); the view shows that centre at `center` and
// draws k viewport pixels per source pixel, k = scale_fit * level / 5.

#include "conversion.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <vector>

// Viewport pixels per source pixel at which the whole source fits the
// viewport. A source without pixels has nothing to fit and gets 1.0, so every
// later product stays finite.
double fitScale(const QSize& viewport, const QSize& source);

// k: viewport pixels per source pixel at a slider level.
double displayScale(double scale_fit, int scale_level);

// Size of the source scaled for display at a level; empty when nothing is left.
QSize scaledSourceSize(const QSize& source, int scale_level, double scale_fit);

// The selection that covers the whole source.
QRectF wholeSelection(const QSize& source);

// rect_sel: the selection in whole viewport pixels.
QRect selectionInView(const QRectF& select_rect, double k, const QPoint& center);

// The visible part of a scaled picture of `scaled` size whose pixel
// (SW / 2, SH / 2) lies at `center`, in viewport coordinates; null when the
// picture lies wholly outside.
QRect visibleImageRect(const QSize& viewport, const QSize& scaled, const QPoint& center);

// out = a minus b as up to four bands (above, left, right, below the
// intersection); unused or empty bands are invalid rectangles. When a and b
// do not intersect, out[0] = a and the rest are null.
void RectSub(QRect out[4], const QRect& a, const QRect& b);

// The format QImage's smooth scaling converts a picture of `format` into
// before it scales; scaling a picture already in it converts nothing.
QImage::Format smoothScalingFormat(QImage::Format format);

// image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), bit
// for bit; an opaque 32-bit picture shrunk both ways is reduced row by row,
// reading each source row once, into memory that is quick to touch: that of
// `memory` (an RGB32 image used as a block of bytes) when no image made in
// it earlier is still alive and it is large enough.
QImage smoothScaled(const QImage& image, const QSize& size, QImage* memory = nullptr);

// Whether smoothScaled uses its own reduction here: it does once it has given
// the toolkit's very pixels on a trial, on a processor with AVX2.
bool ownShrinkInUse();

// Grey level of everything around the picture and the selection.
constexpr int VIEW_GRAY = 192;

// The view picture: gray (192) outside the picture and the selection,
// COLOR_BACK where the selection is off the picture, the picture unchanged
// inside the selection and darkened (c - c / 4) outside it. `buffer` is
// reused when it already has the viewport's size and is not shared.
QImage composeView(const QImage& scaled, const QSize& viewport, const QPoint& center,
                   const QRect& rect_sel, QImage buffer = QImage());

// c - c / 4 on each colour channel, alpha opaque.
QRgb darkened(QRgb colour);

// Size the selection takes in the 128 x 64 bitmap keeping its proportions;
// empty when the selection has no width or no height.
QSize targetSize(const QSize& selection);

// The source's pixels in centred coordinates.
QRect sourceBounds(const QSize& source);

// rect_src: the whole source pixels the selection covers on the picture.
QRect sourceRect(const QRectF& select_rect, const QSize& source);

// rect_dst: where rect_src lands in the bitmap, the whole selection centred.
// Null when the selection or the target has no area.
QRect targetRect(const QRect& rect_src, const QRectF& select_rect, const QSize& target);

// A picture over `image`'s own pixels for `rect` (which must lie inside the
// image), without copying them when the format allows it.
QImage regionView(const QImage& image, const QRect& rect);

// A region of a picture reduced to its place in the bitmap: what the
// conversion settings work on, kept so that a change of them only converts.
struct ReducedRegion
{
    LumaPlane plane;
    QPoint at; // the bitmap pixel of the plane's pixel (0, 0)
};

// `rect` of `image` (the image's own pixels) scaled smoothly into rect_dst;
// when rect_dst is many times the bitmap, only its part on the bitmap. Empty
// when nothing lands on the bitmap.
ReducedRegion reduceRegion(const QImage& image, const QRect& rect, const QRect& rect_dst);

// A blank bitmap with `region` converted into it by `settings`.
QImage convertRegion(const ReducedRegion& region, const ConversionSettings& settings);

// The working bitmap for a source region: blank, then rect_src of `source`
// (centred coordinates) scaled smoothly into rect_dst and converted to bits
// by `settings` (by default the darkness test). Anything off the bitmap is
// dropped. The same as convertRegion of reduceRegion.
QImage thresholdRegion(const QImage& source, const QRect& rect_src, const QRect& rect_dst,
                       const ConversionSettings& settings = ConversionSettings());

// Where a selection goes: rect_src on the picture, rect_dst in the bitmap,
// for a selection shown `view_selection` viewport pixels large.
struct SelectionPlan
{
    QRect rect_src;
    QRect rect_dst;

    bool operator==(const SelectionPlan& other) const
    {
        return rect_src == other.rect_src && rect_dst == other.rect_dst;
    }
};
SelectionPlan planSelection(const QSize& source, const QRectF& select_rect,
                            const QSize& view_selection);

// The selection dialog's viewport, where a picture is first shown whole at level 5.
constexpr int SELECT_VIEW_WIDTH = 820;
constexpr int SELECT_VIEW_HEIGHT = 410;

// What the selection dialog gives on OK for `select_rect` (centred source
// coordinates) when it is shown at level 5, as a freshly opened dialog
// shows it: with the whole picture selected, what OK at once gives.
QImage proposedBitmap(const QImage& source, const QRectF& select_rect,
                      const ConversionSettings& settings = ConversionSettings());
// The plan behind proposedBitmap.
SelectionPlan proposedPlan(const QSize& source, const QRectF& select_rect);

// Running sums of a picture's grey levels (its luma rounded to 0 .. 255),
// from which the mean of any box, whole pixels or not, takes a few lookups.
// For pictures of fewer than 2^24 pixels, whose sums fit 32 bits.
class LumaIntegral
{
public:
    LumaIntegral() = default;
    explicit LumaIntegral(const QImage& picture);

    bool isNull() const { return sums.empty(); }
    QSize size() const { return QSize(integral_width, integral_height); }
    // Row y of the sums at the pixels' corners: width + 1 of them, the sums
    // over [0, x) x [0, y) for x = 0 ... width. Between corners the sums are
    // bilinear, as for pixels that are uniform squares.
    const quint32* corners(int y) const
    {
        return sums.data() + size_t(y) * (size_t(integral_width) + 1);
    }

private:
    int integral_width = 0;
    int integral_height = 0;
    std::vector<quint32> sums; // (width + 1) x (height + 1), row 0 and column 0 zero
};

// rect_src (centred source coordinates) in the pixels of a copy of a
// `source`-sized picture scaled to `copy`, unrounded.
QRectF areaInCopy(const QRect& rect_src, const QSize& source, const QSize& copy);

// `area` of the picture behind `integral` (its pixels, fractional) spread
// over rect_dst, each bitmap pixel the mean of its share: close to what
// reduceRegion makes of the picture, at a few lookups a bitmap pixel. Only
// the part on the bitmap; empty when nothing lands there.
ReducedRegion averageRegion(const LumaIntegral& integral, const QRectF& area,
                            const QRect& rect_dst);

// Half the side of a selection handle's hit square for a selection `width`
// viewport pixels wide.
int handleHalfSize(int width);

// Index 0 ... 7 (corners TL, TR, BR, BL, then top, bottom, left, right) of
// the first handle of rect_sel whose square holds `pos`, or -1.
int hitHandle(const QRect& rect_sel, const QPoint& pos);

// Source-pixel distance of a viewport distance at display scale s = level * fit.
double viewToSource(int distance, double s);

// A new selection of one viewport pixel at `pos`.
QRectF pixelSelection(const QPoint& pos, const QPoint& center, double s);

// The rubber band from `press` to `pos`, not yet normalised.
QRectF rubberBand(const QPoint& press, const QPoint& pos, const QPoint& center, double s);

// `origin` with the edges that the handle `tool` moves shifted by (dx, dy)
// source pixels, not yet normalised.
QRectF resizedSelection(const QRectF& origin, int tool, double dx, double dy);

#endif // SELECTGEOMETRY_H
