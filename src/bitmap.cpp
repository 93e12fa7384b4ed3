#include "bitmap.h"

QImage newBitmap()
{
    QImage image(BITMAP_WIDTH, BITMAP_HEIGHT, QImage::Format_Mono);
    image.setColorCount(2);
    image.setColor(0, COLOR_BACK.rgb());
    image.setColor(1, COLOR_FRONT.rgb());
    image.fill(0);
    return image;
}

bool isSet(const QImage& image, int x, int y)
{
    return isDark(image.pixel(x, y));
}
