#include "canvasimage.h"

#include "bitmap.h"

#include <cstring>

namespace {

inline void putRgb(uchar* p, QRgb c)
{
    p[0] = uchar(qRed(c));
    p[1] = uchar(qGreen(c));
    p[2] = uchar(qBlue(c));
}

} // namespace

void renderCanvas(const QImage& bitmap, int zoom, QImage& out)
{
    Q_ASSERT(zoom >= CANVAS_MIN_ZOOM);
    if (zoom < CANVAS_MIN_ZOOM) {
        out = QImage();
        return;
    }
    const QImage mono = bitmap.format() == QImage::Format_Mono
                            ? bitmap
                            : bitmap.convertToFormat(QImage::Format_Mono);
    const int bw = mono.width();
    const int bh = mono.height();
    const int W = bw * zoom;
    const int H = bh * zoom;
    if (out.size() != QSize(W, H) || out.format() != QImage::Format_RGB888)
        out = QImage(W, H, QImage::Format_RGB888);
    if (out.isNull())
        return;

    // Recoloured by index: 0 is a clear pixel, 1 a set one.
    const QRgb colour[2] = { CANVAS_CLEAR, CANVAS_SET };
    const QRgb grid = COLOR_GRID.rgb();
    const int bpl = int(out.bytesPerLine());
    const size_t lineBytes = size_t(W) * 3;

    for (int by = 0; by < bh; ++by) {
        const uchar* src = mono.constScanLine(by);
        const int top = by * zoom;
        const int first = by > 0 ? top + 1 : top;
        uchar* line = out.scanLine(first);
        uchar* p = line;
        for (int bx = 0; bx < bw; ++bx) {
            const QRgb c = colour[monoBit(src, bx)];
            putRgb(p, bx > 0 ? grid : c);
            p += 3;
            for (int k = 1; k < zoom; ++k, p += 3)
                putRgb(p, c);
        }
        for (int y = first + 1; y < top + zoom; ++y)
            std::memcpy(line + (y - first) * bpl, line, lineBytes);
        if (by > 0) {
            uchar* g = out.scanLine(top);
            for (int x = 0; x < W; ++x, g += 3)
                putRgb(g, grid);
        }
    }
}
