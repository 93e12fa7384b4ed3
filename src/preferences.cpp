#include "preferences.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

const int PEN_SIZES[] = { 1, 3, 5, 7, 9 };

bool isPenSize(int size)
{
    for (int s : PEN_SIZES)
        if (s == size)
            return true;
    return false;
}

int readInt(QSettings& settings, const QString& key, int fallback, bool (*valid)(int))
{
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok && valid(value) ? value : fallback;
}

} // namespace

bool Preferences::operator==(const Preferences& o) const
{
    return language == o.language && open_folder == o.open_folder
           && save_folder == o.save_folder && zoom == o.zoom && pen_size == o.pen_size
           && erase_size == o.erase_size && code_target == o.code_target
           && conversion == o.conversion;
}

QSettings* openSettings(QObject* parent)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return new QSettings(folder + QStringLiteral("/dotwright.conf"), QSettings::IniFormat, parent);
}

Preferences readPreferences(QSettings& s)
{
    Preferences p;
    p.language = readInt(s, QStringLiteral("language"), p.language,
                         [](int v) { return v == 0 || v == 1; });
    p.open_folder = s.value(QStringLiteral("open_folder")).toString();
    p.save_folder = s.value(QStringLiteral("save_folder")).toString();
    p.zoom = readInt(s, QStringLiteral("zoom"), p.zoom, [](int v) { return v >= 5 && v <= 15; });
    p.pen_size = readInt(s, QStringLiteral("pen_size"), p.pen_size, isPenSize);
    p.erase_size = readInt(s, QStringLiteral("erase_size"), p.erase_size, isPenSize);
    p.code_target = s.value(QStringLiteral("code_target")).toString();
    ConversionSettings& c = p.conversion;
    c.threshold = readInt(s, QStringLiteral("threshold"), c.threshold,
                          [](int v) { return v >= 0 && v <= 255; });
    ditherFromName(s.value(QStringLiteral("dither")).toString(), &c.dither);
    c.invert = s.value(QStringLiteral("invert"), c.invert).toBool();
    const auto percent = [](int v) { return v >= -100 && v <= 100; };
    c.brightness = readInt(s, QStringLiteral("brightness"), c.brightness, percent);
    c.contrast = readInt(s, QStringLiteral("contrast"), c.contrast, percent);
    return p;
}

void writePreferences(QSettings& s, const Preferences& p)
{
    s.setValue(QStringLiteral("language"), p.language);
    s.setValue(QStringLiteral("open_folder"), p.open_folder);
    s.setValue(QStringLiteral("save_folder"), p.save_folder);
    s.setValue(QStringLiteral("zoom"), p.zoom);
    s.setValue(QStringLiteral("pen_size"), p.pen_size);
    s.setValue(QStringLiteral("erase_size"), p.erase_size);
    s.setValue(QStringLiteral("code_target"), p.code_target);
    s.setValue(QStringLiteral("threshold"), p.conversion.threshold);
    s.setValue(QStringLiteral("dither"), ditherName(p.conversion.dither));
    s.setValue(QStringLiteral("invert"), p.conversion.invert);
    s.setValue(QStringLiteral("brightness"), p.conversion.brightness);
    s.setValue(QStringLiteral("contrast"), p.conversion.contrast);
}
