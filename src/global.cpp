#include "global.h"

#include <QSlider>

QString language_suffix;

void stepSlider(QSlider* slider, int step)
{
    const int value = slider->value() + step;
    if (value >= slider->minimum() && value <= slider->maximum())
        slider->setValue(value);
}

void turnSlider(QSlider* slider, int delta)
{
    const int value = wheelStep(slider->value(), delta, slider->minimum(), slider->maximum());
    if (value != slider->value())
        slider->setValue(value);
}

// The images live in the same static library as this file; referencing the
// initialiser keeps the linker from dropping them.
static int registerResources()
{
    Q_INIT_RESOURCE(resource);
    return 0;
}
[[maybe_unused]] static const int resources_registered = registerResources();
