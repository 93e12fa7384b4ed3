#ifndef GLOBAL_H
#define GLOBAL_H

// The umbrella of the windows: the bitmap model, the shared view geometry,
// the canvas widget, and what only the skinned windows need.

#include "bitmap.h"
#include "bitmapctrl.h"
#include "geometry.h"

#include <QString>

class QSlider;

// %1 is the image base name, %2 the language suffix ("EN" or "CN").
static const QString qss_button = QStringLiteral(
    "QToolButton{border-image: url(:/image/%1_%2_Normal.png);}\n"
    "QToolButton::hover{border-image: url(:/image/%1_%2_Selected.png);}\n"
    "QToolButton::pressed{border-image: url(:/image/%1_%2_Pressed.png);}"
    "QToolButton::checked{border-image: url(:/image/%1_%2_Selected.png);}");

// "EN" or "CN" once the first language has been applied; empty before.
extern QString language_suffix;

// Moves a slider one step (+1 or -1) unless it already stands at that end.
void stepSlider(QSlider* slider, int step);

// Moves a slider by the whole notches of a wheel turn of `delta` eighths of a degree.
void turnSlider(QSlider* slider, int delta);

#endif // GLOBAL_H
