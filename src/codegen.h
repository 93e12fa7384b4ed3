#ifndef CODEGEN_H
#define CODEGEN_H

// The bitmap as source code or a binary file, through code templates: the
// pixel rows, the template markers and their one filler, the reading of a
// template file, and the named output targets.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

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

// The largest template text read and the largest output filled, in bytes.
// Every sensible output is tiny: the whole bitmap spelled out in any layout
// is under 100 KiB, so 64 MiB leaves room for any honest template while a
// save (template as text, output, the copy being written) stays within a few
// hundred MiB: a repetitive template gets refused instead of exhausting memory.
constexpr qint64 CODE_SIZE_LIMIT = 64 * 1024 * 1024;

// What a template is filled from.
struct CodeInput
{
    QImage bitmap;        // the working bitmap (any size works; the program's is 128 x 64)
    QString picture_name; // file name of the picture imported, extension kept
    QString identifier;   // the name the output gives its array
};

// Markers of a code template. The numbered ones follow QString::arg: the
// lowest number present (%0 .. %999, also written %L1 or %01) receives value
// 1, the next value 2, and so on up to 6; numbers above the sixth lowest are
// left as they are. The named ones, written %{name}, are never markers for
// QString::arg, so templates made before they existed fill as they always
// did; a %{...} with an unknown name stays as it is. Filling is one pass:
// a value inserted is never searched for markers.
//
// "The box" is the bounding box of the set pixels (empty when none is set:
// its texts are then empty and its numbers 0). Hex texts are laid out like
// the pixel rows: lines of "0x.." bytes joined by ", ", indented by two
// blanks, every line but the last ended by ",", each by a line feed.
//
//   %1  %{picture}        file name of the picture imported
//   %2  %{name}           identifier: the array's name
//   %3  %{rows}           the box's rows as "X"/"_" groups of eight (pixelRowText)
//   %4  %{width}          width of the box in pixels
//   %5  %{height}         height of the box in pixels
//   %6  %{bytes_per_row}  bytes per row of the box: width / 8 rounded up
//       %{x} %{y}         the box's top left pixel in the bitmap, where firmware
//                         draws the picture to put it back where it was
//       %{bitmap_width} %{bitmap_height}   the whole bitmap's size (128, 64)
//       %{hex_box_msb}    the box in row order, leftmost pixel of a byte in its
//                         top bit (Adafruit GFX drawBitmap); one line per row
//       %{hex_box_lsb}    the same, leftmost pixel in the low bit (XBM, u8g2
//                         drawXBMP, Adafruit GFX drawXBitmap)
//       %{hex_bitmap_msb} %{hex_bitmap_lsb}   the whole bitmap likewise, one
//                         line per row (16 bytes a line for 128 pixels)
//       %{hex_pages}      the whole bitmap in SSD1306 / SH1106 page order:
//                         one page per 8 pixel rows, top page first, one byte
//                         per column, bit 0 the top pixel of the page (1024
//                         bytes, 16 a line)
//       %{box_bytes}      bytes of %{hex_box_msb} (height x bytes per row)
//       %{bitmap_bytes}   bytes of %{hex_bitmap_msb} (1024)
//       %{pages_bytes}    bytes of %{hex_pages} (1024)
//       %{raw_box_msb} %{raw_box_lsb} %{raw_bitmap_msb} %{raw_bitmap_lsb}
//       %{raw_pages}      the bytes of the matching hex marker themselves,
//                         for binary output
//
// Text is written as UTF-8; raw markers insert their bytes as they are.

// The template filled from `input`, or nothing when the output would be
// larger than `limit` bytes (limits above 1 GiB act as 1 GiB).
std::optional<QByteArray> fillCodeTemplate(const QString& code_template, const CodeInput& input,
                                           qint64 limit = CODE_SIZE_LIMIT);

// The template in the file at `path`: its text up to the first NUL, decoded
// as UTF-8. An empty string when the file is no regular file, cannot be read
// in full, is empty, or its text passes `limit` bytes. The file is read in
// chunks up to the NUL, so a huge file with an early NUL costs little.
QString readCodeTemplate(const QString& path, qint64 limit = CODE_SIZE_LIMIT);

// An output offered by name, one template file each.
struct CodeTarget
{
    QString name;           // as typed on a command line: "adafruit"
    QString template_file;  // relative to the program's directory
    QStringList extensions; // suggested, without dots; the first is proposed
    const char* label;      // in English, for the window to translate
    bool whole_bitmap;      // writes the whole bitmap, so a blank one is fine too
};

// The targets, in the order to offer them:
//   adafruit  Adafruit GFX drawBitmap: the box in rows, leftmost pixel in the top bit
//   u8g2      u8g2 drawXBMP, Adafruit GFX drawXBitmap: the box in rows, leftmost pixel in the low bit
//   ssd1306   the whole bitmap as the SSD1306 / SH1106 page buffer, 1024 bytes
//   xbm       the whole bitmap as an XBM image
//   bin       the whole bitmap as the raw page buffer, 1024 bytes, streamed
//             straight into the display RAM or a page-ordered frame buffer
const QVector<CodeTarget>& codeTargets();

// The target called `name`, or null.
const CodeTarget* findCodeTarget(const QString& name);

// Where the template of `target` lies for a program in `program_dir`.
QString codeTemplatePath(const CodeTarget& target, const QString& program_dir);

// Where a template file (`relative` to the program's folder: "template.txt",
// "templates/u8g2.txt") is read: the user's configuration folder first, where
// a user of an installed program can keep an edited copy, then the program's.
QString templateLocation(const QString& relative, const QString& program_dir);

#endif // CODEGEN_H
