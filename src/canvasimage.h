#ifndef CANVASIMAGE_H
#define CANVASIMAGE_H

#include <QImage>
#include <QRgb>

// Display colours of a clear and a set bitmap pixel.
constexpr QRgb CANVAS_CLEAR = 0xFF8BA59C;
constexpr QRgb CANVAS_SET = 0xFF202020;

// The smallest zoom at which a cell holds its grid line and its colour.
constexpr int CANVAS_MIN_ZOOM = 2;

// Enlarges a one-bit bitmap so that every pixel becomes a zoom x zoom cell of
// its display colour, with a grid line on the first column and row of every
// cell but those touching the left and top border. Writes into `out` (RGB888),
// reusing its buffer when the size already matches: one pass, no allocation.
// A zoom below CANVAS_MIN_ZOOM is refused: `out` becomes null.
void renderCanvas(const QImage& bitmap, int zoom, QImage& out);

#endif // CANVASIMAGE_H
