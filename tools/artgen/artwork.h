#ifndef ARTWORK_H
#define ARTWORK_H

#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

#include <functional>

// The typeface of every text in the artwork, Latin and Chinese alike.
extern const char* const ART_FONT_FAMILY;

// One skin image: its file name under image/, its exact pixel size and the
// function that draws it. Rendering is deterministic.
struct ArtItem {
    QString name;
    QSize size;
    std::function<QImage()> render;
};

// Every image the program and its dialogs name, in a stable order.
QVector<ArtItem> artCatalogue();

// The application icon for the desktop, dotwright_<size>.png at each size of
// the hicolor theme the package fills.
QVector<ArtItem> artDesktopIcons();

// True when the art typeface resolves to itself rather than a fallback;
// `resolved` receives the family the font system actually picked.
bool artFontAvailable(QString* resolved = nullptr);

#endif // ARTWORK_H
