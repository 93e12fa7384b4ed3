#ifndef PREFERENCES_H
#define PREFERENCES_H

// What the program remembers between runs. Nothing is stored until the user
// changes something, so a first start behaves as if nothing were remembered.

#include "conversion.h"

#include <QString>

class QSettings;

struct Preferences
{
    int language = 0;     // index of the language list: 0 English, 1 Chinese
    QString open_folder;  // folder of the last picture opened
    QString save_folder;  // folder of the last file saved
    int zoom = 5;
    int pen_size = 1;
    int erase_size = 1;
    QString code_target;  // empty or "c": the plain template.txt, as C++ or C
    ConversionSettings conversion;

    bool operator==(const Preferences& other) const;
    bool operator!=(const Preferences& other) const { return !(*this == other); }
};

class QObject;

// The user's settings file in the configuration folder; tests point it
// elsewhere through the standard paths' test mode.
QSettings* openSettings(QObject* parent);

// Values out of range (a hand-edited file) fall back to their defaults.
Preferences readPreferences(QSettings& settings);
void writePreferences(QSettings& settings, const Preferences& preferences);

#endif // PREFERENCES_H
