#include "codegen.h"

#include "bitmap.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>
#include <functional>
#include <vector>

QRect setPixelBounds(const QImage& image)
{
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!isDark(image.pixel(x, y)))
                continue;
            left = qMin(left, x);
            right = qMax(right, x);
            top = qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    if (right < 0)
        return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

int bytesPerRow(int width)
{
    return (width + 7) / 8;
}

QString pixelRowText(const QImage& image, const QRect& box)
{
    static const QString padding = QStringLiteral("________");
    if (box.isEmpty())
        return QString();

    const int remainder = box.width() % 8;
    QString text;
    // Each group of eight takes ten characters with its separator.
    text.reserve(box.height() * (4 + bytesPerRow(box.width()) * 10));
    for (int y = box.top(); y <= box.bottom(); ++y) {
        text += QLatin1String("  ");
        for (int x = box.left(), i = 0; x <= box.right(); ++x, ++i) {
            text += isDark(image.pixel(x, y)) ? QLatin1Char('X') : QLatin1Char('_');
            if (x != box.right() && i % 8 == 7)
                text += QLatin1String(", ");
        }
        if (remainder != 0)
            text += padding.left(8 - remainder);
        if (y != box.bottom())
            text += QLatin1Char(',');
        text += QLatin1Char('\n');
    }
    return text;
}

QString identifierFromPath(const QString& path)
{
    return QFileInfo(path).baseName();
}

bool isValidIdentifier(const QString& identifier)
{
    for (const QChar c : identifier) {
        const ushort u = c.unicode();
        const bool ok = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z')
                        || (u >= 'a' && u <= 'z') || u == '_';
        if (!ok)
            return false;
    }
    return true;
}

QString fileNameOfPath(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString proposedPath(const QString& path, const QString& suffix)
{
    // Only a dot in the file name starts an extension; /my.pics/logo has none.
    const int name_start = path.lastIndexOf(QLatin1Char('/')) + 1;
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < name_start)
        return path + suffix;
    return path.left(dot) + suffix;
}


namespace {

// Slots 0 to 5 are the six values of the numbered markers; every slot can
// also be reached by name.
enum Slot {
    PICTURE, NAME, ROWS, WIDTH, HEIGHT, BYTES_PER_ROW,
    X, Y, WHOLE_WIDTH, WHOLE_HEIGHT, BOX_BYTES, WHOLE_BYTES, PAGES_BYTES,
    HEX_BOX_MSB, HEX_BOX_LSB, HEX_WHOLE_MSB, HEX_WHOLE_LSB, HEX_PAGES,
    RAW_BOX_MSB, RAW_BOX_LSB, RAW_WHOLE_MSB, RAW_WHOLE_LSB, RAW_PAGES,
    SLOT_COUNT
};
const char* const SLOT_NAMES[SLOT_COUNT] = {
    "picture", "name", "rows", "width", "height", "bytes_per_row",
    "x", "y", "bitmap_width", "bitmap_height", "box_bytes", "bitmap_bytes", "pages_bytes",
    "hex_box_msb", "hex_box_lsb", "hex_bitmap_msb", "hex_bitmap_lsb", "hex_pages",
    "raw_box_msb", "raw_box_lsb", "raw_bitmap_msb", "raw_bitmap_lsb", "raw_pages",
};
constexpr int NUMBERED_VALUES = 6;
constexpr int MAX_NUMBER = 999; // the highest marker number QString::arg reads
constexpr int LONGEST_NAME = 16;
constexpr int PAGE_BYTES_PER_LINE = 16;
constexpr qint64 READ_CHUNK = 64 * 1024;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A numbered marker at t[*pos] == '%' as QString::arg reads it: "%", an
// optional "L", digits. Its number, with *pos moved past it, or -1.
int numberedMarker(const char* t, int size, int* pos)
{
    int i = *pos + 1;
    if (i < size && t[i] == 'L')
        ++i;
    if (i >= size || !isDigit(t[i]))
        return -1;
    // Wraps around like the toolkit's int, so absurdly long numbers match it.
    quint32 number = 0;
    for (; i < size && isDigit(t[i]); ++i)
        number = number * 10 + quint32(t[i] - '0');
    if (number > MAX_NUMBER)
        return -1;
    *pos = i;
    return int(number);
}

// A named marker "%{name}" at t[*pos] == '%': its slot, with *pos moved past
// it, or -1.
int namedMarker(const char* t, int size, int* pos)
{
    const int open = *pos + 1;
    if (open >= size || t[open] != '{')
        return -1;
    const int search = qMin(size - open - 1, LONGEST_NAME + 1);
    const char* close = static_cast<const char*>(std::memchr(t + open + 1, '}', search));
    if (!close)
        return -1;
    const int length = int(close - t) - open - 1;
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        if (int(std::strlen(SLOT_NAMES[slot])) == length
            && std::memcmp(SLOT_NAMES[slot], t + open + 1, length) == 0) {
            *pos = int(close - t) + 1;
            return slot;
        }
    }
    return -1;
}

// Calls found(begin, end, number, slot) for every marker of the UTF-8 `text`
// in order; a numbered marker comes with slot -1, a named one with number -1.
// Markers are ASCII and UTF-8 never puts ASCII bytes inside a character, so
// reading bytes finds what QString::arg finds in the characters.
template <typename Found>
void forEachMarker(const QByteArray& text, Found found)
{
    const char* t = text.constData();
    const int size = text.size();
    int i = 0;
    // A "%" in the last place starts nothing.
    while (i < size - 1) {
        const void* percent = std::memchr(t + i, '%', size - 1 - i);
        if (!percent)
            return;
        i = int(static_cast<const char*>(percent) - t);
        const int begin = i;
        const int slot = namedMarker(t, size, &i);
        const int number = slot < 0 ? numberedMarker(t, size, &i) : -1;
        if (slot >= 0 || number >= 0)
            found(begin, i, number, slot);
        else
            ++i;
    }
}

// The one filler: `make` gives the value of a slot, asked at most once and
// only for slots the template uses.
std::optional<QByteArray> fill(const QString& code_template,
                               const std::function<QByteArray(int)>& make, qint64 limit)
{
    limit = qMin(limit, qint64(1) << 30);
    const QByteArray text = code_template.toUtf8();

    std::vector<qint64> count(MAX_NUMBER + 1), spelled(MAX_NUMBER + 1);
    std::vector<qint64> named_count(SLOT_COUNT);
    qint64 size = text.size();
    forEachMarker(text, [&](int begin, int end, int number, int slot) {
        if (slot >= 0) {
            ++named_count[slot];
        } else {
            ++count[number];
            spelled[number] += end - begin;
        }
        size -= end - begin;
    });

    // The lowest numbers present take the six values in turn.
    std::vector<int> slot_of(MAX_NUMBER + 1, -1);
    for (int n = 0, next = 0; n <= MAX_NUMBER && next < NUMBERED_VALUES; ++n) {
        if (count[n] > 0)
            slot_of[n] = next++;
    }
    std::vector<std::optional<QByteArray>> values(SLOT_COUNT);
    const auto value = [&](int slot) -> const QByteArray& {
        if (!values[slot])
            values[slot] = make(slot);
        return *values[slot];
    };

    // The size before the output: a template repeating a long value must be
    // refused without allocating it. Checked after every term, no sum overflows.
    if (size > limit)
        return std::nullopt;
    for (int n = 0; n <= MAX_NUMBER; ++n) {
        if (count[n] == 0)
            continue;
        size += slot_of[n] < 0 ? spelled[n] : count[n] * value(slot_of[n]).size();
        if (size > limit)
            return std::nullopt;
    }
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        if (named_count[slot] == 0)
            continue;
        size += named_count[slot] * value(slot).size();
        if (size > limit)
            return std::nullopt;
    }

    QByteArray out;
    out.reserve(int(size));
    int last = 0;
    forEachMarker(text, [&](int begin, int end, int number, int slot) {
        out.append(text.constData() + last, begin - last);
        const int filled = slot >= 0 ? slot : slot_of[number];
        if (filled >= 0)
            out += value(filled);
        else
            out.append(text.constData() + begin, end - begin);
        last = end;
    });
    out.append(text.constData() + last, text.size() - last);
    Q_ASSERT(out.size() == size);
    return out;
}

// The rows of `box`, each padded to whole bytes; the leftmost pixel of a byte
// in its top bit when `msb_first`, else in its low bit.
QByteArray packRows(const QImage& image, const QRect& box, bool msb_first)
{
    const int per_row = bytesPerRow(box.width());
    QByteArray bytes(box.height() * per_row, '\0');
    char* data = bytes.data();
    for (int y = 0; y < box.height(); ++y) {
        for (int x = 0; x < box.width(); ++x) {
            if (isDark(image.pixel(box.left() + x, box.top() + y)))
                data[y * per_row + x / 8] |= char(msb_first ? 0x80 >> x % 8 : 1 << x % 8);
        }
    }
    return bytes;
}

// SSD1306 / SH1106 display RAM order: a page per 8 rows, a byte per column,
// bit 0 the page's top pixel.
QByteArray packPages(const QImage& image)
{
    QByteArray bytes((image.height() + 7) / 8 * image.width(), '\0');
    char* data = bytes.data();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isDark(image.pixel(x, y)))
                data[y / 8 * image.width() + x] |= char(1 << y % 8);
        }
    }
    return bytes;
}

// `bytes` as "0x.." joined by ", ", `per_line` a line, laid out like pixelRowText.
QByteArray hexLines(const QByteArray& bytes, int per_line)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray text;
    if (bytes.isEmpty() || per_line <= 0)
        return text;
    text.reserve(bytes.size() * 6 + bytes.size() / per_line * 2 + 2);
    for (int i = 0; i < bytes.size(); ++i) {
        text += i == 0 ? "  " : i % per_line == 0 ? ",\n  " : ", ";
        const uchar byte = uchar(bytes[i]);
        text += "0x";
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    text += '\n';
    return text;
}

QByteArray codeValue(const CodeInput& input, const QRect& box, int slot)
{
    const QImage& bitmap = input.bitmap;
    const int per_row = bytesPerRow(box.width());
    const int whole_per_row = bytesPerRow(bitmap.width());
    switch (slot) {
    case PICTURE: return input.picture_name.toUtf8();
    case NAME: return input.identifier.toUtf8();
    case ROWS: return pixelRowText(bitmap, box).toUtf8();
    case WIDTH: return QByteArray::number(box.width());
    case HEIGHT: return QByteArray::number(box.height());
    case BYTES_PER_ROW: return QByteArray::number(per_row);
    case X: return QByteArray::number(box.left());
    case Y: return QByteArray::number(box.top());
    case WHOLE_WIDTH: return QByteArray::number(bitmap.width());
    case WHOLE_HEIGHT: return QByteArray::number(bitmap.height());
    case BOX_BYTES: return QByteArray::number(box.height() * per_row);
    case WHOLE_BYTES: return QByteArray::number(bitmap.height() * whole_per_row);
    case PAGES_BYTES: return QByteArray::number((bitmap.height() + 7) / 8 * bitmap.width());
    case HEX_BOX_MSB: return hexLines(packRows(bitmap, box, true), per_row);
    case HEX_BOX_LSB: return hexLines(packRows(bitmap, box, false), per_row);
    case HEX_WHOLE_MSB: return hexLines(packRows(bitmap, bitmap.rect(), true), whole_per_row);
    case HEX_WHOLE_LSB: return hexLines(packRows(bitmap, bitmap.rect(), false), whole_per_row);
    case HEX_PAGES: return hexLines(packPages(bitmap), PAGE_BYTES_PER_LINE);
    case RAW_BOX_MSB: return packRows(bitmap, box, true);
    case RAW_BOX_LSB: return packRows(bitmap, box, false);
    case RAW_WHOLE_MSB: return packRows(bitmap, bitmap.rect(), true);
    case RAW_WHOLE_LSB: return packRows(bitmap, bitmap.rect(), false);
    case RAW_PAGES: return packPages(bitmap);
    }
    return QByteArray();
}

} // namespace

std::optional<QByteArray> fillCodeTemplate(const QString& code_template, const CodeInput& input,
                                           qint64 limit)
{
    const QRect box = setPixelBounds(input.bitmap);
    return fill(code_template,
                [&](int slot) { return codeValue(input, box, slot); }, limit);
}

QString readCodeTemplate(const QString& path, qint64 limit)
{
    // Anything but a regular file (a folder, a pipe) counts as missing.
    if (!QFileInfo(path).isFile())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const qint64 size = file.size();
    limit = qMin(limit, qint64(1) << 30);
    QByteArray text;
    for (;;) {
        const int start = text.size();
        text.resize(start + int(READ_CHUNK));
        const qint64 got = file.read(text.data() + start, READ_CHUNK);
        if (got < 0)
            return QString();
        text.resize(start + int(got));
        const int nul = text.indexOf('\0', start);
        if (nul >= 0)
            text.truncate(nul);
        if (text.size() > limit)
            return QString();
        if (nul >= 0)
            break;
        if (got == 0) {
            if (text.size() != size) // cut short, or changed while read
                return QString();
            break;
        }
    }
    return QString::fromUtf8(text.constData(), text.size());
}

const QVector<CodeTarget>& codeTargets()
{
    // The labels are translated in the context "CodeTarget" where they are shown.
    static const QVector<CodeTarget> targets = {
        { "adafruit", "templates/adafruit.txt", { "h", "c", "cpp" },
          QT_TRANSLATE_NOOP("CodeTarget", "Adafruit GFX drawBitmap"), false },
        { "u8g2", "templates/u8g2.txt", { "h", "c", "cpp" },
          QT_TRANSLATE_NOOP("CodeTarget", "u8g2 drawXBMP, Adafruit GFX drawXBitmap"), false },
        { "ssd1306", "templates/ssd1306.txt", { "h", "c", "cpp" },
          QT_TRANSLATE_NOOP("CodeTarget", "SSD1306 / SH1106 page buffer"), true },
        { "xbm", "templates/xbm.txt", { "xbm" }, QT_TRANSLATE_NOOP("CodeTarget", "XBM image"), true },
        { "bin", "templates/bin.txt", { "bin" },
          QT_TRANSLATE_NOOP("CodeTarget", "Raw page buffer"), true },
    };
    return targets;
}

const CodeTarget* findCodeTarget(const QString& name)
{
    for (const CodeTarget& target : codeTargets()) {
        if (target.name == name)
            return &target;
    }
    return nullptr;
}

QString codeTemplatePath(const CodeTarget& target, const QString& program_dir)
{
    return program_dir + QLatin1Char('/') + target.template_file;
}

QString templateLocation(const QString& relative, const QString& program_dir)
{
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                         + QLatin1Char('/') + relative;
    if (QFileInfo(user).isFile())
        return user;
    return program_dir + QLatin1Char('/') + relative;
}
