#include "converter.h"

#include "bitmap.h"
#include "picture.h"
#include "savefile.h"
#include "selectgeometry.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// The window's own texts, so a log reads like the window's messages.
const char* const OPEN_ERROR = "Open file error";
const char* const TEMPLATE_ERROR = "Load code template file error";
const char* const EMPTY_ERROR = "Bitmap can not be empty";
const char* const IDENTIFIER_ERROR =
    "File name only can contains numbers, letters, and '_'. ('0~9', 'A~Z', 'a~z' and '_')";
const char* const WRITE_OPEN_ERROR = "Open file for write error";
const char* const WRITE_ERROR = "Write file error";

void say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
}

void print(const QString& text)
{
    std::fputs(qPrintable(text), stdout);
}

struct OptionNames
{
    QCommandLineOption output { { "o", "output" },
                                "The output file, or a folder (with several inputs, an "
                                "existing one, or a name ending in /; made when missing) that "
                                "takes each input's base name.",
                                "FILE|DIR" };
    QCommandLineOption target { { "t", "target" },
                                "adafruit (default), u8g2, ssd1306, xbm or bin.", "NAME" };
    QCommandLineOption code_template { "template",
                                       "Fill this code template instead of a target's; the "
                                       "output is named .h unless -o says otherwise.",
                                       "FILE" };
    QCommandLineOption name { "name", "The array's name (default: the output's base name).",
                              "ID" };
    QCommandLineOption crop { "crop",
                              "Take this region of the picture, in its own pixels after its "
                              "orientation (default: the whole picture).",
                              "X,Y,W,H" };
    QCommandLineOption threshold { "threshold", "Grey levels below N become set (0-255, default 128).",
                                   "N" };
    QCommandLineOption dither { "dither", "none (default), floyd-steinberg, atkinson or bayer.",
                                "METHOD" };
    QCommandLineOption invert { "invert", "Convert the negative picture." };
    QCommandLineOption brightness { "brightness", "-100 to 100, default 0.", "N" };
    QCommandLineOption contrast { "contrast", "-100 to 100, default 0.", "N" };
    QCommandLineOption flip { "flip",
                              "Mirror the bitmap top to bottom (x) or left to right (y); may "
                              "be repeated.",
                              "x|y" };
    QCommandLineOption rotate { "rotate", "Turn the bitmap clockwise, after any flip.", "DEG" };
    QCommandLineOption fast { "fast",
                              "Decode large JPEG photos at a reduced size: much faster, a few "
                              "pixels may differ." };
    QCommandLineOption help { { "h", "help" }, "Print this help and exit." };
    QCommandLineOption version { { "v", "version" }, "Print the version and exit." };

    void addTo(QCommandLineParser& parser) const
    {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
        parser.addOptions({ output, target, code_template, name, crop, threshold, dither, invert,
                            brightness, contrast, flip, rotate, fast, help, version });
        parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("Pictures to convert."),
                                     QStringLiteral("INPUT..."));
    }
};

// A whole decimal number within [low, high].
bool readNumber(const QString& text, int low, int high, int* value)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

bool readCrop(const QString& text, QRect* crop)
{
    const QStringList parts = text.split(QLatin1Char(','));
    int v[4];
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (!readNumber(parts[i], i < 2 ? INT_MIN : 1, INT_MAX, &v[i]))
            return false;
    }
    // Every edge must be a number too.
    if (qint64(v[0]) + v[2] > INT_MAX || qint64(v[1]) + v[3] > INT_MAX)
        return false;
    *crop = QRect(v[0], v[1], v[2], v[3]);
    return true;
}

// The file's own path, links resolved once it exists, to tell two names of
// one file apart from two files.
QString fileKey(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // Not there yet: its folder's links resolved, as they will be once it is.
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

// `rect` (centred coordinates of a picture of `from` size) on the same
// picture at `to` size.
QRect rescaledRect(const QRect& rect, const QSize& from, const QSize& to)
{
    const double sx = double(to.width()) / from.width();
    const double sy = double(to.height()) / from.height();
    const QRect own = rect.translated(from.width() / 2, from.height() / 2);
    const int left = qRound(own.left() * sx);
    const int top = qRound(own.top() * sy);
    const int right = qMax(left + 1, qRound((own.right() + 1) * sx));
    const int bottom = qMax(top + 1, qRound((own.bottom() + 1) * sy));
    return QRect(left - to.width() / 2, top - to.height() / 2, right - left, bottom - top);
}

// A crop that takes none of the picture is a mistake in the command, not a
// request for a blank screen.
bool cropMisses(const QRect& crop, const QSize& picture, QSize* missed_size)
{
    if (crop.isNull() || crop.intersects(QRect(QPoint(0, 0), picture)))
        return false;
    if (missed_size)
        *missed_size = picture;
    return true;
}

// The --fast path: false when it does not apply (no JPEG, or not far larger
// than its result), for the exact path to take over; true with *bitmap the
// result, null when the picture is refused or the crop misses it.
bool fastConversion(const QString& path, const ConvertOptions& options, QImage* bitmap,
                    QSize* missed_size)
{
    // openPicture's guards, in its order.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    char head[2];
    if (!file.open(QIODevice::ReadOnly) || file.peek(head, 2) != 2
        || std::memcmp(head, "\xFF\xD8", 2) != 0)
        return false;
    // The decoder reads the mapped file, which the scan count has just paged
    // in, instead of copying it in through reads.
    const uchar* data = file.size() <= INT_MAX ? file.map(0, file.size()) : nullptr;
    if (!data)
        return false;
    *bitmap = QImage();
    if (jpegScanCount(data, file.size()) > MAX_JPEG_SCANS)
        return true;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(file.size()));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!reader.canRead() || reader.format() != "jpeg" || !pictureSizeAcceptable(stored))
        return false;

    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize picture = turned ? stored.transposed() : stored;
    if (cropMisses(options.crop, picture, missed_size))
        return true;
    const SelectionPlan plan = proposedPlan(picture, cropSelection(options.crop, picture));
    const int eighths = fastEighths(plan.rect_src.size(), plan.rect_dst.size());
    if (eighths >= 8)
        return false;
    // Rounded down: the reader then decodes at exactly M/8 and shrinks the
    // odd pixel away, where a size rounded up would make it decode larger.
    reader.setScaledSize(QSize(stored.width() * eighths / 8, stored.height() * eighths / 8));
    QImage reduced;
    if (!reader.read(&reduced))
        return true;
    reduced = std::move(reduced).convertToFormat(QImage::Format_RGB32);
    *bitmap = thresholdRegion(reduced, rescaledRect(plan.rect_src, picture, reduced.size()),
                              plan.rect_dst, options.settings);
    return true;
}

} // namespace

ParseOutcome parseConvertArguments(const QStringList& arguments, ConvertOptions* options,
                                   QString* message)
{
    const OptionNames o;
    QCommandLineParser parser;
    o.addTo(parser);
    const auto wrong = [message](const QString& text) {
        *message = text;
        return ParseOutcome::Usage;
    };
    if (!parser.parse(arguments))
        return wrong(parser.errorText());
    if (parser.isSet(o.help))
        return ParseOutcome::Help;
    if (parser.isSet(o.version))
        return ParseOutcome::Version;

    ConvertOptions result;
    result.inputs = parser.positionalArguments();
    if (result.inputs.isEmpty())
        return wrong(QStringLiteral("No input picture given."));
    result.output = parser.value(o.output);
    if (result.inputs.size() > 1 && QFileInfo::exists(result.output)
        && !QFileInfo(result.output).isDir())
        return wrong(QStringLiteral("With several inputs, -o must name a folder, not the file '%1'.")
                         .arg(result.output));
    if (parser.isSet(o.target) && parser.isSet(o.code_template))
        return wrong(QStringLiteral("Give either --target or --template, not both."));
    result.template_file = parser.value(o.code_template);
    if (!parser.isSet(o.code_template)) {
        const QString name = parser.isSet(o.target) ? parser.value(o.target) : QStringLiteral("adafruit");
        result.target = findCodeTarget(name);
        if (!result.target) {
            QStringList names;
            for (const CodeTarget& target : codeTargets())
                names << target.name;
            return wrong(QStringLiteral("Unknown target '%1'; the targets are %2.")
                             .arg(name, names.join(QStringLiteral(", "))));
        }
    } else if (result.template_file.isEmpty()) {
        return wrong(QStringLiteral("--template needs a file."));
    }
    result.name = parser.value(o.name);

    const auto bad = [&wrong](const QCommandLineOption& option, const QString& value,
                              const char* wanted) {
        return wrong(QStringLiteral("Bad value '%1' for --%2: %3.")
                         .arg(value, option.names().last(), QLatin1String(wanted)));
    };
    if (parser.isSet(o.crop) && !readCrop(parser.value(o.crop), &result.crop))
        return bad(o.crop, parser.value(o.crop), "four whole numbers X,Y,W,H, W and H at least 1");
    ConversionSettings& s = result.settings;
    if (parser.isSet(o.threshold) && !readNumber(parser.value(o.threshold), 0, 255, &s.threshold))
        return bad(o.threshold, parser.value(o.threshold), "0 to 255");
    if (parser.isSet(o.dither) && !ditherFromName(parser.value(o.dither), &s.dither))
        return bad(o.dither, parser.value(o.dither), "none, floyd-steinberg, atkinson or bayer");
    s.invert = parser.isSet(o.invert);
    if (parser.isSet(o.brightness)
        && !readNumber(parser.value(o.brightness), -100, 100, &s.brightness))
        return bad(o.brightness, parser.value(o.brightness), "-100 to 100");
    if (parser.isSet(o.contrast) && !readNumber(parser.value(o.contrast), -100, 100, &s.contrast))
        return bad(o.contrast, parser.value(o.contrast), "-100 to 100");
    for (const QString& axis : parser.values(o.flip)) {
        if (axis.trimmed() == QLatin1String("x"))
            result.flips << OPERATE_MIRROR_X;
        else if (axis.trimmed() == QLatin1String("y"))
            result.flips << OPERATE_MIRROR_Y;
        else
            return bad(o.flip, axis, "x or y");
    }
    if (parser.isSet(o.rotate)
        && !readNumber(parser.value(o.rotate), INT_MIN, INT_MAX, &result.rotation))
        return bad(o.rotate, parser.value(o.rotate), "a whole number of degrees");
    result.fast = parser.isSet(o.fast);
    *options = result;
    return ParseOutcome::Run;
}

QString convertHelpText()
{
    QCommandLineParser parser;
    OptionNames().addTo(parser);
    parser.setApplicationDescription(
        QStringLiteral("Converts each picture INPUT into a 128 x 64 one-bit bitmap, as opening it "
                       "in the window and pressing OK at once does, and writes it as code."));
    QString text = parser.helpText();
    text = QStringLiteral("Usage: dotwright convert [options] INPUT...")
           + text.mid(text.indexOf(QLatin1Char('\n')));
    return text
           + QStringLiteral(
               "\nWithout -o each output goes beside its input: the same base name with the "
               "target's extension (.h, .xbm, .bin).\n"
               "A one-bit 128 x 64 picture is taken as the bitmap itself: --crop and the "
               "conversion settings leave it as it is.\n"
               "Templates are looked up as the window looks them up: in ~/.config/dotwright/ "
               "first, then beside the program.\n\n"
               "Exit status: 0 every input converted, 1 some input failed (the others were "
               "converted), 2 the command line is wrong.\n");
}

QString programHelpText()
{
    return QStringLiteral("Usage: dotwright [FILE]\n"
                          "       dotwright convert [options] INPUT...\n\n"
                          "Without a command the window opens, with the picture FILE when one is "
                          "given.\n"
                          "dotwright convert --help lists the converter's options.\n");
}

QRectF cropSelection(const QRect& crop, const QSize& picture)
{
    if (crop.isNull())
        return wholeSelection(picture);
    return QRectF(double(crop.x()) - picture.width() / 2, double(crop.y()) - picture.height() / 2,
                  crop.width(), crop.height());
}

int fastEighths(const QSize& rect_src, const QSize& rect_dst)
{
    if (rect_src.isEmpty() || rect_dst.isEmpty())
        return 8;
    const auto needed = [](int src, int dst) {
        return int((qint64(8) * FAST_PIXELS_PER_DOT * dst + src - 1) / src);
    };
    return qBound(1, qMax(needed(rect_src.width(), rect_dst.width()),
                          needed(rect_src.height(), rect_dst.height())), 8);
}

QImage convertedPicture(const QString& path, const ConvertOptions& options, QSize* missed_size)
{
    QImage bitmap;
    if (options.fast && fastConversion(path, options, &bitmap, missed_size))
        return bitmap;
    OpenedPicture opened = openPicture(path);
    if (!opened.bitmap.isNull())
        return opened.bitmap;
    if (opened.picture.isNull() || cropMisses(options.crop, opened.picture.size(), missed_size))
        return QImage();
    const QRectF selection = cropSelection(options.crop, opened.picture.size());
    return proposedBitmap(opened.picture, selection, options.settings);
}

QImage transformedBitmap(QImage bitmap, const ConvertOptions& options)
{
    for (OPERATE_TYPE flip : options.flips)
        applySelfInverse(bitmap, flip);
    return options.rotation % 360 ? turnBitmap(bitmap, options.rotation) : bitmap;
}

CodeRefusal codeRefusal(const QImage& bitmap, const CodeTarget* target, const QString& identifier)
{
    if (!(target && target->whole_bitmap) && setPixelBounds(bitmap).isNull())
        return CodeRefusal::EmptyBitmap;
    const bool raw = target && target->name == QLatin1String("bin");
    if (!raw && (identifier.isEmpty() || !isValidIdentifier(identifier)))
        return CodeRefusal::BadIdentifier;
    return CodeRefusal::None;
}

int runConvert(const ConvertOptions& options)
{
    const QString template_path =
        options.target ? templateLocation(options.target->template_file,
                                          QCoreApplication::applicationDirPath())
                       : options.template_file;
    const QString code_template = readCodeTemplate(template_path);
    if (code_template.isEmpty()) {
        say(template_path + QStringLiteral(": ") + QLatin1String(TEMPLATE_ERROR));
        return CONVERT_FAILED;
    }

    const QString suffix = QLatin1Char('.')
                           + (options.target ? options.target->extensions.first() : QStringLiteral("h"));
    const QString& output = options.output;
    const bool into_folder = !output.isEmpty()
                             && (options.inputs.size() > 1 || output.endsWith(QLatin1Char('/'))
                                 || QFileInfo(output).isDir());
    if (into_folder && !QDir().mkpath(output)) {
        say(output + QStringLiteral(": Cannot make the output folder"));
        return CONVERT_FAILED;
    }

    QSet<QString> inputs;
    for (const QString& input : options.inputs)
        inputs.insert(fileKey(input));
    QSet<QString> written;
    int failed = 0;
    for (const QString& input : options.inputs) {
        QString path = output;
        if (output.isEmpty())
            path = proposedPath(input, suffix);
        else if (into_folder)
            path = QDir(output).filePath(fileNameOfPath(proposedPath(input, suffix)));
        const auto fail = [&](const QString& text) {
            say(input + QStringLiteral(": ") + text);
            ++failed;
        };
        const auto failWrite = [&](const QString& text) { fail(path + QStringLiteral(": ") + text); };

        const QString key = fileKey(path);
        if (inputs.contains(key)) {
            failWrite(QStringLiteral("The output would replace an input picture"));
            continue;
        }
        if (written.contains(key)) {
            failWrite(QStringLiteral("The output of an earlier input is already written here"));
            continue;
        }
        QSize missed;
        QImage bitmap = convertedPicture(input, options, &missed);
        if (bitmap.isNull() && missed.isValid()) {
            const QRect& c = options.crop;
            fail(QStringLiteral("--crop %1,%2,%3,%4 lies outside the picture (%5 x %6)")
                     .arg(c.x()).arg(c.y()).arg(c.width()).arg(c.height())
                     .arg(missed.width()).arg(missed.height()));
            continue;
        }
        if (bitmap.isNull()) {
            fail(QLatin1String(OPEN_ERROR));
            continue;
        }
        bitmap = transformedBitmap(std::move(bitmap), options);
        const QString identifier = options.name.isEmpty() ? identifierFromPath(path) : options.name;
        const CodeRefusal refusal = codeRefusal(bitmap, options.target, identifier);
        if (refusal != CodeRefusal::None) {
            fail(QLatin1String(refusal == CodeRefusal::EmptyBitmap ? EMPTY_ERROR : IDENTIFIER_ERROR));
            continue;
        }
        const std::optional<QByteArray> code =
            fillCodeTemplate(code_template, CodeInput { bitmap, fileNameOfPath(input), identifier });
        if (!code) {
            fail(QLatin1String(TEMPLATE_ERROR));
            continue;
        }
        const WriteResult result = writeFileSafely(path, *code);
        if (result != WriteResult::Ok) {
            failWrite(QLatin1String(result == WriteResult::OpenFailed ? WRITE_OPEN_ERROR : WRITE_ERROR));
            continue;
        }
        written.insert(key);
    }
    return failed ? CONVERT_FAILED : CONVERT_OK;
}

int convertCommand(const QStringList& arguments)
{
    ConvertOptions options;
    QString message;
    switch (parseConvertArguments(arguments, &options, &message)) {
    case ParseOutcome::Help:
        print(convertHelpText());
        return CONVERT_OK;
    case ParseOutcome::Version:
        print(QStringLiteral("dotwright " DOTWRIGHT_VERSION "\n"));
        return CONVERT_OK;
    case ParseOutcome::Usage:
        say(QStringLiteral("dotwright convert: ") + message
            + QStringLiteral(" (dotwright convert --help lists the options)"));
        return CONVERT_USAGE;
    case ParseOutcome::Run:
        break;
    }
    return runConvert(options);
}
