#ifndef CONVERTER_H
#define CONVERTER_H

// `dotwright convert`: pictures to code without a window. Every step is the
// window's own: openPicture, the selection dialog's reduction as OK at once
// gives it (or for a chosen region), the editor's flips and turns, and Save
// as code's template, checks and safe write.

#include "codegen.h"
#include "conversion.h"
#include "history.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// The program's version; the build passes the project's own.
#ifndef DOTWRIGHT_VERSION
#define DOTWRIGHT_VERSION "1.0.0"
#endif

// Exit statuses of `dotwright convert`.
constexpr int CONVERT_OK = 0;     // every input converted
constexpr int CONVERT_FAILED = 1; // some input failed, the others were converted
constexpr int CONVERT_USAGE = 2;  // the command line is wrong, nothing was done

struct ConvertOptions
{
    QStringList inputs;
    QString output;                     // -o: a file or a folder; empty: beside each input
    const CodeTarget* target = nullptr; // null when a template file is given
    QString template_file;              // --template
    QString name;                       // --name; empty: the output's base name
    QRect crop;                         // the picture's own pixels; null: the whole picture
    ConversionSettings settings;        // the program's defaults, never the window's
    QList<OPERATE_TYPE> flips;          // OPERATE_MIRROR_X / _Y, in the order given
    int rotation = 0;                   // degrees clockwise, after the flips
    bool fast = false;
};

enum class ParseOutcome { Run, Help, Version, Usage };

// Reads the command line of `dotwright convert`: `arguments` as the process
// got them with the word "convert" taken out. On Usage, *message is the one
// line that says what is wrong.
ParseOutcome parseConvertArguments(const QStringList& arguments, ConvertOptions* options,
                                   QString* message);

// What `dotwright convert --help` prints.
QString convertHelpText();

// What `dotwright --help` prints in window mode.
QString programHelpText();

// The selection, in the dialog's centred source coordinates, that `crop`
// (the picture's own pixels; null: the whole picture) stands for.
QRectF cropSelection(const QRect& crop, const QSize& picture);

// --fast decodes a JPEG at M/8 of its size, M the least that keeps at least
// this many picture pixels per bitmap pixel in each direction: reducing from
// there gives the exact path's bitmap but for a few pixels on the threshold.
constexpr int FAST_PIXELS_PER_DOT = 4;

// M (1 .. 8) for a selection that takes `rect_src` of the picture into
// `rect_dst` of the bitmap; 8: decode at full size.
int fastEighths(const QSize& rect_src, const QSize& rect_dst);

// The working bitmap `options` make of the picture at `path`, before flips
// and turns: a one-bit 128 x 64 picture as it is, anything else reduced as
// the selection dialog reduces it for options.crop with options.settings
// (with options.fast, from a JPEG decoded smaller). Null when the picture
// cannot be opened, or when options.crop misses it: then *missed_size, if
// given, is the picture's size.
QImage convertedPicture(const QString& path, const ConvertOptions& options,
                        QSize* missed_size = nullptr);

// options.flips, then options.rotation, applied to `bitmap` as the editor's
// buttons apply them.
QImage transformedBitmap(QImage bitmap, const ConvertOptions& options);

// Why Save as code refuses a bitmap before filling a template, if it does.
enum class CodeRefusal { None, EmptyBitmap, BadIdentifier };

// A blank bitmap is refused unless the target writes the whole bitmap; the
// identifier must pass isValidIdentifier and not be empty, unless the target
// writes raw bytes. `target` is null for a template file of the user's.
CodeRefusal codeRefusal(const QImage& bitmap, const CodeTarget* target, const QString& identifier);

// Converts every input as `options` say, one line on stderr per problem.
// Returns CONVERT_OK or CONVERT_FAILED.
int runConvert(const ConvertOptions& options);

// The whole command: parses `arguments` (as parseConvertArguments takes
// them), prints help or the version on stdout, usage errors on stderr, and
// returns the exit status.
int convertCommand(const QStringList& arguments);

#endif // CONVERTER_H
