#ifndef CODEGEN_H
#define CODEGEN_H

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QString>

// The smallest rectangle holding every set pixel of `image`; a null QRect
// when no pixel is set.
QRect setPixelBounds(const QImage& image);

// The rows of `box` spelled out as groups of eight "X" (set) and "_" (clear),
// leftmost pixel first, groups joined by ", ", every row but the last ended
// by ",", every row indented by two blanks and ended by a line feed.
QString pixelRowText(const QImage& image, const QRect& box);

// Bytes per row of a box `width` pixels wide.
int bytesPerRow(int width);

// The identifier a saved file gives its array: the file name up to its first ".".
QString identifierFromPath(const QString& path);

// True when `identifier` holds only ASCII digits, ASCII letters and "_".
bool isValidIdentifier(const QString& identifier);

// The file name (directory removed, extension kept) of `path`.
QString fileNameOfPath(const QString& path);

// `path` with the extension of its file name replaced by `suffix` (".cpp"),
// or with `suffix` appended when the file name has no ".".
QString proposedPath(const QString& path, const QString& suffix);

// Fills the markers of `code_template` (%1 .. %99, the toolkit's QString::arg
// convention) in one pass: the lowest marker number present receives
// `picture_name`, the next `identifier`, then `rows`, `width`, `height` and
// `bytes_per_row`. Inserted values are never searched for markers.
QString fillCodeTemplate(const QString& code_template, const QString& picture_name,
                         const QString& identifier, const QString& rows, int width, int height,
                         int bytes_per_row);

// Reads a code template from `bytes`: decoded as UTF-8 up to the first NUL.
QString decodeCodeTemplate(const QByteArray& bytes);

// The template in the file at `path`, or an empty string when it is no
// regular file, cannot be read in full or is empty.
QString readCodeTemplate(const QString& path);

#endif // CODEGEN_H
