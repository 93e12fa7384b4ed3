#include "codegen.h"

#include "bitmap.h"

#include <QFile>
#include <QFileInfo>

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

QString fillCodeTemplate(const QString& code_template, const QString& picture_name,
                         const QString& identifier, const QString& rows, int width, int height,
                         int bytes_per_row)
{
    // The multi-argument arg() replaces all markers at once, so a "%4" inside
    // a picture's name reaches the output as it is.
    return code_template.arg(picture_name, identifier, rows, QString::number(width),
                             QString::number(height), QString::number(bytes_per_row));
}

QString decodeCodeTemplate(const QByteArray& bytes)
{
    const int nul = bytes.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul));
}

QString readCodeTemplate(const QString& path)
{
    // Anything but a regular file (a folder, a pipe) counts as missing.
    if (!QFileInfo(path).isFile())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const qint64 size = file.size();
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.size() != size)
        return QString();
    return decodeCodeTemplate(bytes);
}
