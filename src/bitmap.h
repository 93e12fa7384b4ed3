#ifndef BITMAP_H
#define BITMAP_H

// The one-bit working bitmap, free of widgets: its size, its two colours,
// the darkness test and bit access.

#include <QColor>
#include <QImage>
#include <QRgb>
#include <QSize>

// Every translation unit gets its own copy of these, like any header constant.
static const QColor COLOR_FRONT(Qt::black);
static const QColor COLOR_BACK(Qt::white);
// The canvas grid between enlarged pixels.
static const QColor COLOR_GRID(Qt::lightGray);

// The working bitmap's fixed size, the display it is made for.
constexpr int BITMAP_WIDTH = 128;
constexpr int BITMAP_HEIGHT = 64;
inline QSize bitmapSize()
{
    return QSize(BITMAP_WIDTH, BITMAP_HEIGHT);
}

// A clear working bitmap: Format_Mono, colour 0 COLOR_BACK, 1 COLOR_FRONT.
QImage newBitmap();

// The darkness test of the whole program: luma (BT.601, in thousandths)
// below 128 is a set pixel. Inline: it runs for every pixel of a crop.
inline bool isDark(int red, int green, int blue)
{
    return red * 299 + green * 587 + blue * 114 < 128000;
}
inline bool isDark(QRgb colour)
{
    return isDark(qRed(colour), qGreen(colour), qBlue(colour));
}

// Bit x of a Format_Mono row: the leftmost pixel is the top bit of byte 0.
inline bool monoBit(const uchar* row, int x)
{
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
inline void setMonoBit(uchar* row, int x)
{
    row[x >> 3] |= uchar(0x80 >> (x & 7));
}

// Whether pixel (x, y) of a working bitmap (or any picture) counts as set.
bool isSet(const QImage& image, int x, int y);

#endif // BITMAP_H
