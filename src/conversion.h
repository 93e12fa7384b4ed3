#ifndef CONVERSION_H
#define CONVERSION_H

// Turning a picture into the bits of a working bitmap, free of widgets: the
// selection dialog, its live preview and the command-line converter share it.
//
// All arithmetic is integer, in thousandths of a grey level (0 .. 255000,
// black to white), so a result never depends on the machine. Per pixel:
//
//  1. luma: 299 R + 587 G + 114 B of the picture composited over white;
//  2. invert: luma becomes 255000 - luma. It acts on the luma, before
//     everything else, so brightness, contrast and threshold act on the
//     positive picture the user wants: more brightness always gives a lighter
//     result and a higher threshold a darker one, invert on or off;
//  3. brightness b: + 2550 b (b% of the full range), clamped to 0 .. 255000;
//  4. contrast c: around mid grey 127500, mid + (v - mid) * (100 + c) / 100,
//     clamped; -100 flattens everything to mid grey, +100 doubles distances;
//  5. the method's rule with threshold T (0 .. 255), t = 1000 T:
//     - None: set exactly when v < t. With the default settings this is the
//       program's darkness test isDark().
//     - The dithering methods first map v through a piecewise linear tone
//       curve 0 -> 0, t -> 127500, 255000 -> 255000 (each segment truncated),
//       then dither around mid grey 127500. So T is the grey that comes out
//       half set for every method: a flat field darker than T is more than
//       half set, lighter less, black all set and white all clear.
//       T = 255 is the darkest setting: the first segment then spans the whole
//       range, white maps to mid grey and comes out half set.
//     - T = 0 sets nothing for every method: no grey is darker than 0.
//
// The dithering methods:
//  - FloydSteinberg: 7/16 ahead, 3/16 behind below, 5/16 below, 1/16 ahead
//    below. Atkinson: 1/8 to two ahead, three below and one two rows below;
//    only 6/8 of the error travels, so contrast stays crisp and the
//    extremes clip. Both scan serpentine (odd plane rows right to left,
//    kernels mirrored), which keeps the error from drifting one way into
//    diagonal streaks. A pixel's value plus the error it receives is clamped
//    to 0 .. 255000 before its decision, so the error it passes on stays
//    within half the range: error cannot pile up in black or white areas and
//    smear stray dots beyond them, and (T < 255) black areas stay all set and
//    white all clear whatever lies beside them. Each share is truncated
//    toward zero; shares that would leave the plane are dropped.
//  - Bayer: the ordered 4 x 4 matrix, indexed by the pixel's bitmap
//    coordinates (x mod 4, y mod 4), so the pattern lines up with the display
//    whatever the selection. Cell m (0 .. 15) is set when 32 v < (2m + 1)
//    255000: a flat field sets the matrix's cells of the highest ranks, mid
//    grey exactly half of them.

#include <QImage>
#include <QPoint>
#include <QString>

#include <vector>

enum class DitherMethod { None, FloydSteinberg, Atkinson, Bayer };

// Every method, in the order a user is offered them.
constexpr DitherMethod DITHER_METHODS[] = {DitherMethod::None, DitherMethod::FloydSteinberg,
                                           DitherMethod::Atkinson, DitherMethod::Bayer};

// The name used wherever a method is typed or stored: "none",
// "floyd-steinberg", "atkinson", "bayer".
QString ditherName(DitherMethod method);

// The method called `name` (any case, surrounding blanks ignored); false,
// leaving *method unchanged, for an unknown name.
bool ditherFromName(const QString& name, DitherMethod* method);

struct ConversionSettings {
    int threshold = 128; // 0 .. 255
    DitherMethod dither = DitherMethod::None;
    bool invert = false;
    int brightness = 0; // -100 .. 100
    int contrast = 0;   // -100 .. 100

    bool operator==(const ConversionSettings& other) const;
    bool operator!=(const ConversionSettings& other) const { return !(*this == other); }
    // The settings that give what the darkness test alone gives.
    bool isDefault() const;
};

// `settings` with every field brought into its range; an unknown method
// becomes None.
ConversionSettings clampedSettings(ConversionSettings settings);

// The luma of every pixel of a picture, 0 .. 255000, row by row. Any format
// is read; alpha is composited over white first.
class LumaPlane
{
public:
    LumaPlane() = default;
    explicit LumaPlane(const QImage& picture);

    bool isNull() const { return values.empty(); }
    int width() const { return plane_width; }
    int height() const { return plane_height; }
    const int* row(int y) const { return values.data() + size_t(y) * size_t(plane_width); }

private:
    int plane_width = 0;
    int plane_height = 0;
    std::vector<int> values;
};

// Sets the bits of `bitmap` that `plane`, its pixel (0, 0) placed at bitmap
// pixel `at`, converts to with `settings` (clamped first). Bits are only ever
// set, never cleared; plane pixels off the bitmap are dropped, though the
// error they diffuse still reaches those on it. `bitmap` must be Format_Mono
// (as newBitmap() makes it); any other bitmap is left as it is.
void convertPlane(const LumaPlane& plane, const QPoint& at, const ConversionSettings& settings,
                  QImage& bitmap);

#endif // CONVERSION_H
