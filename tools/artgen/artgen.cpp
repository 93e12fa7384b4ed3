// Writes every skin image of the program into one directory and, given a
// second one, the desktop icons into that:
//   QT_QPA_PLATFORM=offscreen build/tools/artgen src/image packaging/icons
// With --preview it instead composes review sheets from an image directory:
//   QT_QPA_PLATFORM=offscreen build/tools/artgen --preview src/image /tmp/art
#include "artwork.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int writeAll(const QVector<ArtItem>& items, const QString& dirPath)
{
    QDir dir;
    if (!dir.mkpath(dirPath)) {
        err() << "artgen: cannot create " << dirPath << "\n";
        return 1;
    }
    for (const ArtItem& item : items) {
        const QImage img = item.render();
        if (img.size() != item.size) {
            err() << "artgen: " << item.name << " rendered at the wrong size\n";
            return 1;
        }
        const QString path = QDir(dirPath).filePath(item.name);
        if (!img.save(path, "PNG")) {
            err() << "artgen: cannot write " << path << "\n";
            return 1;
        }
    }
    // Read everything back: the files on disk are what the program gets.
    int bad = 0;
    for (const ArtItem& item : items) {
        const QImage back(QDir(dirPath).filePath(item.name));
        if (back.size() != item.size) {
            err() << "artgen: " << item.name << " is " << back.width() << "x" << back.height()
                  << ", expected " << item.size.width() << "x" << item.size.height() << "\n";
            ++bad;
        }
    }
    if (bad)
        return 1;
    QTextStream(stdout) << "artgen: wrote " << items.size() << " images to " << dirPath << "\n";
    return 0;
}

// ---------------------------------------------------------------- previews

struct Placed {
    const char* image;
    int x, y;
};

QImage compose(const QString& dir, const char* background, QSize size, const QVector<Placed>& parts)
{
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(QColor(0xef, 0xef, 0xef));
    QPainter p(&out);
    if (background)
        p.drawImage(0, 0, QImage(QDir(dir).filePath(QLatin1String(background))));
    for (const Placed& part : parts)
        p.drawImage(part.x, part.y, QImage(QDir(dir).filePath(QLatin1String(part.image))));
    return out;
}

QImage mainWindowPreview(const QString& dir, const char* lang)
{
    const bool en = QLatin1String(lang) == QLatin1String("EN");
    QVector<Placed> parts = {
        { "Minimize_Normal.png", 974, 10 }, { "Close1_Selected.png", 1025, 10 },
        { "Help_Normal.png", 932, 10 },
        { en ? "Language_EN.png" : "Language_CN.png", 106, 15 },
        { en ? "Open_EN_Normal.png" : "Open_CN_Normal.png", 264, 110 },
        { en ? "SaveAsCode_EN_Selected.png" : "SaveAsCode_CN_Selected.png", 347, 110 },
        { en ? "SaveAsBitmap_EN_Normal.png" : "SaveAsBitmap_CN_Normal.png", 501, 110 },
        { en ? "Help_EN_Normal.png" : "Help_CN_Normal.png", 663, 110 },
        { en ? "About_EN_Pressed.png" : "About_CN_Pressed.png", 743, 110 },
        { "Hand1_Normal.png", 242, 563 }, { "Pen_Selected.png", 343, 564 },
        { "Eraser_Normal.png", 445, 564 }, { "Invert_Normal.png", 556, 564 },
        { "Undo_Normal.png", 666, 564 }, { "Redo_Pressed.png", 771, 564 },
        { "RotationCW_Normal.png", 948, 206 }, { "RotationCCW_Selected.png", 948, 285 },
        { "MirrorY_Normal.png", 948, 366 }, { "MirrorX_Normal.png", 948, 444 },
        { "VerticalZoomIn_Normal.png", 119, 201 }, { "VerticalZoomOut_Normal.png", 119, 470 },
        { "VerticalSlider_Normal.png", 119, 456 },
    };
    QImage out = compose(dir, "background1.png", QSize(1080, 667), parts);
    QPainter p(&out);
    // The canvas at zoom 5 with its grid, as the program shows a clear bitmap.
    p.fillRect(216, 189, 640, 320, Qt::white);
    p.setPen(QColor(Qt::lightGray));
    for (int i = 1; i < 128; ++i)
        p.drawLine(216 + 5 * i, 189, 216 + 5 * i, 508);
    for (int j = 1; j < 64; ++j)
        p.drawLine(216, 189 + 5 * j, 855, 189 + 5 * j);
    p.setFont(QFont(QStringLiteral("Arial"), 12));
    p.setPen(Qt::black);
    p.drawText(QRect(750, 165, 21, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("X:"));
    p.drawText(QRect(770, 165, 31, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("64"));
    p.drawText(QRect(810, 165, 21, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Y:"));
    p.drawText(QRect(830, 165, 25, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("32"));
    return out;
}

QImage selectDialogPreview(const QString& dir, const char* lang)
{
    const bool en = QLatin1String(lang) == QLatin1String("EN");
    // Slider value 5: handle left edge at 256 + (5 - 1) * (388 - 22) / 24;
    // the settings' handles at their defaults, 960 + 150 * 128 / 255 and 960 + 75.
    const QVector<Placed> parts = {
        { en ? "Title_EN.png" : "Title_CN.png", 255, 0 }, { "Close2_Normal.png", 1169, 6 },
        { "Hand2_Normal.png", 92, 498 }, { "Cut_Selected.png", 156, 498 },
        { "HorizontalZoomOut_Normal.png", 233, 498 }, { "HorizontalZoomIn_Normal.png", 635, 498 },
        { en ? "Sure_EN_Normal.png" : "Sure_CN_Normal.png", 1025, 498 },
        { en ? "Cancel_EN_Selected.png" : "Cancel_CN_Selected.png", 1098, 498 },
        { "HorizontalSlider_Normal.png", 256 + 4 * 366 / 24, 498 },
        { en ? "Settings_EN.png" : "Settings_CN.png", 880, 63 },
        { "SettingSlider_Normal.png", 1035, 236 },
        { en ? "DitherNone_EN_Normal.png" : "DitherNone_CN_Normal.png", 892, 287 },
        { "DitherFloydSteinberg_Selected.png", 936, 287 }, { "DitherAtkinson_Pressed.png", 1048, 287 },
        { "DitherBayer_Normal.png", 1112, 287 },
        { "SettingSlider_Selected.png", 1035, 351 }, { "SettingSlider_Pressed.png", 1035, 383 },
        { en ? "InvertPicture_EN_Normal.png" : "InvertPicture_CN_Normal.png", 892, 428 },
        { en ? "Defaults_EN_Selected.png" : "Defaults_CN_Selected.png", 1029, 428 },
    };
    QImage out = compose(dir, "background2.png", QSize(1210, 556), parts);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(39.5, 63.5, 821, 411), 8, 8);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(34, 49, 61));
    const struct { int y; const char* text; } values[] = { { 236, "128" }, { 351, "0" }, { 383, "0" } };
    for (const auto& value : values)
        p.drawText(QRect(1128, value.y, 32, 24), Qt::AlignRight | Qt::AlignVCenter, QLatin1String(value.text));
    return out;
}

QImage aboutPreview(const QString& dir)
{
    QImage out(577, 295, QImage::Format_ARGB32_Premultiplied);
    out.fill(QColor(0xee, 0xf2, 0xf5)); // the form's background below the picture
    QPainter p(&out);
    p.drawImage(0, 0, QImage(QDir(dir).filePath(QStringLiteral("AboutText.png"))));
    p.drawImage(482, 244, QImage(QDir(dir).filePath(QStringLiteral("AboutOK_EN_Normal.png"))));
    return out;
}

// Every image below 200 px on a neutral grey, named, so the states of one
// base sit side by side.
QImage contactSheet(const QString& dir)
{
    const int width = 1400;
    QImage out(width, 1100, QImage::Format_ARGB32_Premultiplied);
    out.fill(QColor(0x9a, 0xa4, 0xad));
    QPainter p(&out);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(10);
    p.setFont(font);
    int x = 10, y = 10, rowHeight = 0;
    for (const ArtItem& item : artCatalogue()) {
        if (item.size.width() > 200)
            continue;
        const QImage img(QDir(dir).filePath(item.name));
        const int cellW = qMax(img.width(), 110) + 12;
        if (x + cellW > width) {
            x = 10;
            y += rowHeight + 24;
            rowHeight = 0;
        }
        p.drawImage(x, y, img);
        p.setPen(Qt::black);
        p.drawText(QRect(x, y + img.height() + 2, cellW, 14), Qt::AlignLeft,
                   QString(item.name).remove(QStringLiteral(".png")));
        x += cellW;
        rowHeight = qMax(rowHeight, img.height());
    }
    return out.copy(0, 0, width, y + rowHeight + 24);
}

// The desktop icons at every size, once on a light and once on a dark desktop.
QImage iconSheet()
{
    const QVector<ArtItem> icons = artDesktopIcons();
    int width = 16;
    for (const ArtItem& icon : icons)
        width += icon.size.width() + 16;
    QImage out(width, 2 * (256 + 32), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    const QColor desktops[] = { QColor(0xf6, 0xf5, 0xf4), QColor(0x24, 0x24, 0x24) };
    for (int row = 0; row < 2; ++row) {
        const int top = row * (256 + 32);
        p.fillRect(0, top, width, 256 + 32, desktops[row]);
        int x = 16;
        for (const ArtItem& icon : icons) {
            p.drawImage(x, top + 16 + 256 - icon.size.height(), icon.render());
            x += icon.size.width() + 16;
        }
    }
    return out;
}

int writePreviews(const QString& imageDir, const QString& outDir)
{
    QDir().mkpath(outDir);
    const QDir out(outDir);
    bool ok = contactSheet(imageDir).save(out.filePath(QStringLiteral("contact.png")));
    ok = mainWindowPreview(imageDir, "EN").save(out.filePath(QStringLiteral("main_EN.png"))) && ok;
    ok = mainWindowPreview(imageDir, "CN").save(out.filePath(QStringLiteral("main_CN.png"))) && ok;
    ok = selectDialogPreview(imageDir, "EN").save(out.filePath(QStringLiteral("select_EN.png"))) && ok;
    ok = selectDialogPreview(imageDir, "CN").save(out.filePath(QStringLiteral("select_CN.png"))) && ok;
    ok = aboutPreview(imageDir).save(out.filePath(QStringLiteral("about.png"))) && ok;
    ok = iconSheet().save(out.filePath(QStringLiteral("icons.png"))) && ok;
    if (!ok) {
        err() << "artgen: cannot write previews to " << outDir << "\n";
        return 1;
    }
    QTextStream(stdout) << "artgen: previews in " << outDir << "\n";
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    QString resolved;
    if (!artFontAvailable(&resolved)) {
        err() << "artgen: font family \"" << ART_FONT_FAMILY << "\" not found (got \"" << resolved
              << "\"); install fonts-noto-cjk\n";
        return 1;
    }

    const bool plain = !args.isEmpty() && !args[0].startsWith(QLatin1Char('-'));
    if (plain && args.size() == 1)
        return writeAll(artCatalogue(), args[0]);
    if (plain && args.size() == 2)
        return writeAll(artCatalogue(), args[0]) || writeAll(artDesktopIcons(), args[1]);
    if (args.size() == 3 && args[0] == QLatin1String("--preview"))
        return writePreviews(args[1], args[2]);

    err() << "usage: artgen <image-dir> [<icon-dir>]\n"
             "       artgen --preview <image-dir> <output-dir>\n";
    return 2;
}
