// The committed skin images: every image the forms and the code name exists at
// the size its control was laid out for; the resource list, the image folder
// and the generator hold the same set; each PNG is what the generator draws.
// The same for the desktop icons the package installs.
#include "artwork.h"
#include "global.h"

#include <QtTest>

namespace {

// Sizes from the windows' layout, independent of the generator's catalogue.
// kind: 1 one image, 2 one per language, 3 Normal/Selected/Pressed, 6 both.
struct Base { const char* name; int width, height, kind; };
const Base BASES[] = {
    {"background1", 1080, 667, 1}, {"icon", 32, 32, 1}, {"Minimize", 43, 48, 3}, {"Close1", 43, 48, 3},
    {"Help", 33, 48, 3}, {"Hand1", 42, 55, 3}, {"Pen", 54, 55, 3}, {"Eraser", 64, 55, 3},
    {"Invert", 56, 55, 3}, {"Undo_Normal", 50, 54, 1}, {"Undo_Selected", 50, 54, 1},
    {"Undo_Pressed", 50, 55, 1}, {"Redo", 51, 55, 3}, {"RotationCW", 55, 55, 3},
    {"RotationCCW", 55, 55, 3}, {"MirrorX", 55, 54, 3}, {"MirrorY", 55, 55, 3},
    {"VerticalZoomIn", 47, 34, 3}, {"VerticalZoomOut", 47, 36, 3}, {"VerticalSlider", 47, 24, 3},
    {"Open", 63, 33, 6}, {"SaveAsCode", 135, 33, 6}, {"SaveAsBitmap", 153, 33, 6}, {"Help", 65, 33, 6},
    {"About", 69, 33, 6}, {"Language", 86, 30, 2}, {"background2", 1210, 556, 1}, {"Title", 700, 50, 2},
    {"Close2", 37, 37, 3}, {"Sure", 53, 51, 6}, {"Cancel", 73, 51, 6}, {"HorizontalZoomOut", 33, 51, 3},
    {"HorizontalZoomIn", 33, 51, 3}, {"HorizontalSlider", 22, 51, 3}, {"Hand2", 38, 51, 3},
    {"Cut", 50, 51, 3}, {"Settings", 292, 412, 2}, {"SettingSlider", 16, 24, 3}, {"DitherNone", 42, 44, 6},
    {"DitherFloydSteinberg", 110, 44, 3}, {"DitherAtkinson", 62, 44, 3}, {"DitherBayer", 48, 44, 3},
    {"InvertPicture", 131, 30, 6}, {"Defaults", 131, 30, 6}, {"AboutText", 579, 226, 1}, {"AboutOK", 75, 33, 6},
};

// The hicolor sizes the package fills.
const int ICON_SIZES[] = { 16, 24, 32, 48, 64, 128, 256 };

QMap<QString, QSize> expected()
{
    QMap<QString, QSize> out;
    for (const Base& b : BASES)
        for (const QString language : { "", "_EN", "_CN" })
            for (const QString state : { "", "_Normal", "_Selected", "_Pressed" })
                if (language.isEmpty() == bool(b.kind % 2) && state.isEmpty() == (b.kind < 3))
                    out.insert(b.name + language + state + ".png", QSize(b.width, b.height));
    return out;
}

QSet<QString> captures(const QString& text, const char* pattern)
{
    QSet<QString> found;
    for (auto it = QRegularExpression(pattern).globalMatch(text); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

QString source(const QString& path)
{
    QFile file(DOTWRIGHT_SOURCE_DIR "/" + path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class tst_Artwork : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameSetEverywhere();
    void selectionDialogControlsFitTheirImages();
    void matchesLayoutAndGenerator_data();
    void matchesLayoutAndGenerator();
    void desktopIcons_data();
    void desktopIcons();
};

void tst_Artwork::initTestCase()
{
    Q_INIT_RESOURCE(resource);
    QVERIFY2(artFontAvailable(), "the committed PNGs were drawn with the art font, which is missing");
}

void tst_Artwork::sameSetEverywhere()
{
    const QStringList keys = expected().keys();
    const QSet<QString> want(keys.begin(), keys.end());
    QSet<QString> named;
    for (const char* form : { "src/mainwindow.ui", "src/selectdialog.ui", "src/aboutdialog.ui" })
        named += captures(source(form), ":/image/(\\w+\\.png)");
    // Code names skins through qss_button, and "<base>_" plus the language.
    for (const QString& code : QDir(DOTWRIGHT_SOURCE_DIR "/src").entryList({ "*.cpp" })) {
        const QString text = source("src/" + code);
        for (const QString& language : { "EN", "CN" }) {
            for (const QString& base : captures(text, "qss_button\\.arg\\(QStringLiteral\\(\"(\\w+)\""))
                named += captures(qss_button.arg(base, language), ":/image/(\\w+\\.png)");
            for (const QString& base : captures(text, ":/image/(\\w+)_(?:%1|\")"))
                named << base + "_" + language + ".png";
        }
    }
    QVERIFY2(named.size() > 40, "the sources name fewer images than they should");
    QVERIFY2((named - want).isEmpty(), qPrintable(QStringList((named - want).values()).join(" ")));

    // The generator draws as many; each of them has a size in the layout (below).
    QCOMPARE(artCatalogue().size(), want.size());
    QCOMPARE(captures(source("src/resource.qrc"), "<file>image/([^<]+)</file>"), want);
    const QStringList files = QDir(DOTWRIGHT_SOURCE_DIR "/src/image").entryList(QDir::Files);
    QCOMPARE(QSet<QString>(files.begin(), files.end()), want);

    // The icon folder holds one icon per size and nothing else.
    QSet<QString> icons;
    for (const ArtItem& item : artDesktopIcons())
        icons << item.name;
    const QStringList iconFiles = QDir(DOTWRIGHT_SOURCE_DIR "/packaging/icons").entryList(QDir::Files);
    QCOMPARE(QSet<QString>(iconFiles.begin(), iconFiles.end()), icons);
    QCOMPARE(icons.size(), int(std::size(ICON_SIZES)));
}

// The selection dialog's form: every widget whose own skin or pixmap names an
// image (the dialog's background included) is as large as that image, so no
// image is stretched.
void tst_Artwork::selectionDialogControlsFitTheirImages()
{
    QXmlStreamReader form(source("src/selectdialog.ui"));
    QStringList widgets;        // the enclosing widgets, innermost last
    QMap<QString, QSize> sizes; // of each widget
    QString property;
    int checked = 0;
    while (!form.atEnd()) {
        form.readNext();
        if (form.isStartElement() && form.name() == QLatin1String("widget")) {
            widgets << form.attributes().value("name").toString();
        } else if (form.isEndElement() && form.name() == QLatin1String("widget")) {
            widgets.removeLast();
        } else if (form.isStartElement() && form.name() == QLatin1String("property")) {
            property = form.attributes().value("name").toString();
        } else if (form.isStartElement() && property == "geometry" && form.name() == QLatin1String("width")) {
            sizes[widgets.last()].setWidth(form.readElementText().toInt());
        } else if (form.isStartElement() && property == "geometry" && form.name() == QLatin1String("height")) {
            sizes[widgets.last()].setHeight(form.readElementText().toInt());
        } else if (form.isEndElement() && form.name() == QLatin1String("property")) {
            property.clear();
        } else if (form.isStartElement() && (property == "styleSheet" || property == "pixmap")) {
            const QString text = form.readElementText();
            for (const QString& name : captures(text, "(?:border-image: url\\(|^):/image/(\\w+\\.png)")) {
                QCOMPARE(QImage(":/image/" + name).size(), sizes.value(widgets.last()));
                ++checked;
            }
        }
    }
    QVERIFY2(!form.hasError(), qPrintable(form.errorString()));
    QVERIFY2(checked > 40, qPrintable(QString::number(checked)));
}

void tst_Artwork::matchesLayoutAndGenerator_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QSize>("size"); // of its control; none if the layout has no such image
    const QVector<ArtItem> items = artCatalogue();
    for (int i = 0; i < items.size(); ++i)
        QTest::newRow(qPrintable(items[i].name)) << i << expected().value(items[i].name);
}

// The resource has its control's size, and a generator change without
// regenerated PNGs shows up here.
void tst_Artwork::matchesLayoutAndGenerator()
{
    QFETCH(int, index);
    QFETCH(QSize, size);
    const ArtItem item = artCatalogue().at(index);
    QCOMPARE(QImage(":/image/" + item.name).size(), size);
    const QImage drawn = item.render().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(QImage(DOTWRIGHT_SOURCE_DIR "/src/image/" + item.name).convertToFormat(drawn.format()) == drawn,
             qPrintable(item.name + " differs: run tools/artgen again"));
}

void tst_Artwork::desktopIcons_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("index");
    const QVector<ArtItem> items = artDesktopIcons();
    QStringList names;
    for (const ArtItem& item : items)
        names << item.name;
    for (int size : ICON_SIZES)
        QTest::newRow(qPrintable(QString::number(size))) << size << int(names.indexOf(QString("dotwright_%1.png").arg(size)));
}

// Square at its size, (nearly) transparent in the rounded corners, and what
// the generator draws now.
void tst_Artwork::desktopIcons()
{
    QFETCH(int, size);
    QFETCH(int, index);
    QVERIFY2(index >= 0, "the generator draws no icon of this size");
    const ArtItem item = artDesktopIcons().at(index);
    const QImage committed(DOTWRIGHT_SOURCE_DIR "/packaging/icons/" + item.name);
    QCOMPARE(committed.size(), QSize(size, size));
    QVERIFY(qAlpha(committed.pixel(0, 0)) < 16 && qAlpha(committed.pixel(size - 1, size - 1)) < 16);
    QCOMPARE(qAlpha(committed.pixel(size / 2, size / 2)), 255);
    const QImage drawn = item.render().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(committed.convertToFormat(drawn.format()) == drawn,
             qPrintable(item.name + " differs: run tools/artgen again"));
}

QTEST_MAIN(tst_Artwork)
#include "tst_artwork.moc"
