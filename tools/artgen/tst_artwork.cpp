// Checks the committed skin images: every name the program uses exists as a
// resource at the size its control needs, the states look like states, and
// the PNGs are what the generator draws today.
#include "artwork.h"
#include "global.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

// Sizes straight from the layout of the windows, independent of the
// generator's own catalogue.
struct Expected {
    QString name;
    QSize size;
};

QVector<Expected> expectedImages()
{
    QVector<Expected> out;
    const QStringList states = { "Normal", "Selected", "Pressed" };
    auto three = [&](const QString& base, int w, int h) {
        for (const QString& s : states)
            out.append({ base + "_" + s + ".png", QSize(w, h) });
    };
    auto perLanguage = [&](const QString& base, int w, int h) {
        three(base + "_EN", w, h);
        three(base + "_CN", w, h);
    };
    out.append({ "background1.png", QSize(1080, 667) });
    out.append({ "icon.png", QSize(32, 32) });
    three("Minimize", 43, 48);
    three("Close1", 43, 48);
    three("Help", 33, 48);
    three("Hand1", 42, 55);
    three("Pen", 54, 55);
    three("Eraser", 64, 55);
    three("Invert", 56, 55);
    out.append({ "Undo_Normal.png", QSize(50, 54) });
    out.append({ "Undo_Selected.png", QSize(50, 54) });
    out.append({ "Undo_Pressed.png", QSize(50, 55) });
    three("Redo", 51, 55);
    three("RotationCW", 55, 55);
    three("RotationCCW", 55, 55);
    three("MirrorX", 55, 54);
    three("MirrorY", 55, 55);
    three("VerticalZoomIn", 47, 34);
    three("VerticalZoomOut", 47, 36);
    three("VerticalSlider", 47, 24);
    perLanguage("Open", 63, 33);
    perLanguage("SaveAsCode", 135, 33);
    perLanguage("SaveAsBitmap", 153, 33);
    perLanguage("Help", 65, 33);
    perLanguage("About", 69, 33);
    out.append({ "Language_EN.png", QSize(86, 30) });
    out.append({ "Language_CN.png", QSize(86, 30) });
    out.append({ "background2.png", QSize(900, 556) });
    out.append({ "Title_EN.png", QSize(700, 50) });
    out.append({ "Title_CN.png", QSize(700, 50) });
    three("Close2", 37, 37);
    perLanguage("Sure", 53, 51);
    perLanguage("Cancel", 73, 51);
    three("HorizontalZoomOut", 33, 51);
    three("HorizontalZoomIn", 33, 51);
    three("HorizontalSlider", 22, 51);
    three("Hand2", 38, 51);
    three("Cut", 50, 51);
    out.append({ "AboutText.png", QSize(579, 226) });
    return out;
}

// Every base that comes in Normal / Selected / Pressed.
QStringList stateBases()
{
    QStringList bases;
    for (const Expected& e : expectedImages()) {
        if (e.name.endsWith("_Normal.png"))
            bases << e.name.chopped(int(strlen("_Normal.png")));
    }
    return bases;
}

QString sourcePath(const QString& relative)
{
    return QDir(QStringLiteral(DOTWRIGHT_SOURCE_DIR)).filePath(relative);
}

QString readText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

QImage resource(const QString& name)
{
    return QImage(QStringLiteral(":/image/") + name);
}

// Mean Rec. 601 luma of an image laid over a flat grey backdrop.
double meanLuma(const QImage& image)
{
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(QColor(128, 128, 128));
    QPainter(&flat).drawImage(0, 0, image);
    double sum = 0;
    for (int y = 0; y < flat.height(); ++y) {
        for (int x = 0; x < flat.width(); ++x)
            sum += qGray(flat.pixel(x, y));
    }
    return sum / (flat.width() * flat.height());
}

double meanDifference(const QImage& a, const QImage& b)
{
    const QImage ca = a.convertToFormat(QImage::Format_ARGB32);
    const QImage cb = b.convertToFormat(QImage::Format_ARGB32);
    const int w = qMin(ca.width(), cb.width());
    const int h = qMin(ca.height(), cb.height());
    double sum = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = ca.pixel(x, y);
            const QRgb q = cb.pixel(x, y);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q))
                + qAbs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * w * h);
}

int firstVisibleRow(const QImage& image)
{
    const QImage c = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            if (qAlpha(c.pixel(x, y)) > 0)
                return y;
        }
    }
    return -1;
}

double regionLuma(const QImage& image, const QRect& r)
{
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x)
            sum += qGray(image.pixel(x, y));
    }
    return sum / (r.width() * r.height());
}

} // namespace

class tst_Artwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void resourceSize_data();
    void resourceSize();
    void catalogueCoversExactlyTheLayout();
    void resourceCollectionListsEveryImage();

    void referencedImageExists_data();
    void referencedImageExists();

    void statesAreDistinct_data();
    void statesAreDistinct();

    void buttonCornersAreTransparent_data();
    void buttonCornersAreTransparent();

    void surfaceContrast_data();
    void surfaceContrast();

    void committedMatchesGenerator_data();
    void committedMatchesGenerator();
};

void tst_Artwork::initTestCase()
{
    Q_INIT_RESOURCE(resource);
    QString resolved;
    QVERIFY2(artFontAvailable(&resolved),
             qPrintable(QStringLiteral("art font resolves to \"%1\"").arg(resolved)));
}

void tst_Artwork::resourceSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    for (const Expected& e : expectedImages())
        QTest::newRow(qPrintable(e.name)) << e.name << e.size;
}

void tst_Artwork::resourceSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage img = resource(name);
    QVERIFY2(!img.isNull(), qPrintable(name + " is not a resource"));
    QCOMPARE(img.size(), size);
}

void tst_Artwork::catalogueCoversExactlyTheLayout()
{
    QSet<QString> expected;
    for (const Expected& e : expectedImages())
        expected.insert(e.name);
    QSet<QString> generated;
    for (const ArtItem& item : artCatalogue()) {
        QVERIFY2(!generated.contains(item.name), qPrintable(item.name + " generated twice"));
        generated.insert(item.name);
    }
    const QSet<QString> missing = expected - generated;
    const QSet<QString> extra = generated - expected;
    QVERIFY2(missing.isEmpty(), qPrintable("not generated: " + QStringList(missing.values()).join(", ")));
    QVERIFY2(extra.isEmpty(), qPrintable("not in the layout: " + QStringList(extra.values()).join(", ")));
}

void tst_Artwork::resourceCollectionListsEveryImage()
{
    const QString qrc = readText(sourcePath("src/resource.qrc"));
    QVERIFY(!qrc.isEmpty());
    QSet<QString> listed;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("<file>image/([^<]+)</file>")).globalMatch(qrc);
    while (it.hasNext())
        listed.insert(it.next().captured(1));
    QVERIFY(qrc.contains(QStringLiteral("<qresource prefix=\"/\">")));

    QSet<QString> expected;
    for (const Expected& e : expectedImages())
        expected.insert(e.name);
    QCOMPARE(listed.size(), expected.size());
    QVERIFY(listed == expected);

    // Nothing stale lies beside them either.
    const QStringList files = QDir(sourcePath("src/image")).entryList({ "*.png" }, QDir::Files);
    QCOMPARE(QSet<QString>(files.begin(), files.end()), expected);
}

void tst_Artwork::referencedImageExists_data()
{
    QTest::addColumn<QString>("name");
    QSet<QString> names;
    for (const char* form : { "src/mainwindow.ui", "src/selectdialog.ui", "src/aboutdialog.ui" }) {
        const QString text = readText(sourcePath(form));
        QRegularExpressionMatchIterator it =
            QRegularExpression(QStringLiteral(":/image/([A-Za-z0-9_]+\\.png)")).globalMatch(text);
        while (it.hasNext())
            names.insert(it.next().captured(1));
    }
    QVERIFY2(names.size() > 40, "the forms name fewer images than expected");

    const QRegularExpression url(QStringLiteral(":/image/([A-Za-z0-9_]+\\.png)"));
    for (const char* base : { "Open", "SaveAsBitmap", "SaveAsCode", "Help", "About", "Sure", "Cancel" }) {
        for (const char* lang : { "EN", "CN" }) {
            const QString sheet = qss_button.arg(QLatin1String(base), QLatin1String(lang));
            QRegularExpressionMatchIterator it = url.globalMatch(sheet);
            int count = 0;
            while (it.hasNext()) {
                names.insert(it.next().captured(1));
                ++count;
            }
            QCOMPARE(count, 4);
        }
    }
    for (const char* lang : { "EN", "CN" }) {
        names.insert(QStringLiteral("Language_%1.png").arg(QLatin1String(lang)));
        names.insert(QStringLiteral("Title_%1.png").arg(QLatin1String(lang)));
    }
    QStringList sorted = names.values();
    sorted.sort();
    for (const QString& n : sorted)
        QTest::newRow(qPrintable(n)) << n;
}

void tst_Artwork::referencedImageExists()
{
    QFETCH(QString, name);
    QVERIFY2(QFile::exists(QStringLiteral(":/image/") + name), qPrintable(name + " is named but missing"));
}

void tst_Artwork::statesAreDistinct_data()
{
    QTest::addColumn<QString>("base");
    for (const QString& base : stateBases())
        QTest::newRow(qPrintable(base)) << base;
}

// Hover must be plainly visible, pressed darker than hover, and a pressed
// button's content one pixel lower than its raised look.
void tst_Artwork::statesAreDistinct()
{
    QFETCH(QString, base);
    const QImage normal = resource(base + "_Normal.png");
    const QImage selected = resource(base + "_Selected.png");
    const QImage pressed = resource(base + "_Pressed.png");
    QVERIFY(!normal.isNull() && !selected.isNull() && !pressed.isNull());

    QVERIFY2(meanDifference(normal, selected) > 8.0,
             qPrintable(QString::number(meanDifference(normal, selected))));
    QVERIFY2(meanDifference(selected, pressed) > 8.0,
             qPrintable(QString::number(meanDifference(selected, pressed))));
    QVERIFY2(meanLuma(pressed) < meanLuma(selected) - 5,
             qPrintable(QStringLiteral("pressed %1, selected %2").arg(meanLuma(pressed)).arg(meanLuma(selected))));
    QCOMPARE(firstVisibleRow(pressed), firstVisibleRow(selected) + 1);
}

void tst_Artwork::buttonCornersAreTransparent_data()
{
    QTest::addColumn<QString>("name");
    for (const Expected& e : expectedImages()) {
        if (e.name.contains(QLatin1Char('_')) && !e.name.startsWith("Title_"))
            QTest::newRow(qPrintable(e.name)) << e.name;
    }
}

// Rounded buttons leave their corners to the background they sit on.
void tst_Artwork::buttonCornersAreTransparent()
{
    QFETCH(QString, name);
    const QImage img = resource(name).convertToFormat(QImage::Format_ARGB32);
    const int r = img.width() - 1;
    const int b = img.height() - 1;
    for (const QPoint& corner : { QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b) })
        QCOMPARE(qAlpha(img.pixel(corner)), 0);
}

void tst_Artwork::surfaceContrast_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<bool>("light");

    // Black coordinate labels need a light surface; the light-on-dark band
    // buttons and the white dialog title a dark one.
    QTest::newRow("coordinate read-out") << "background1.png" << QRect(750, 165, 105, 20) << true;
    QTest::newRow("title band under help") << "background1.png" << QRect(932, 10, 33, 48) << false;
    QTest::newRow("title band under minimise") << "background1.png" << QRect(974, 10, 43, 48) << false;
    QTest::newRow("title band under close") << "background1.png" << QRect(1025, 10, 43, 48) << false;
    QTest::newRow("window body") << "background1.png" << QRect(20, 300, 60, 200) << true;
    QTest::newRow("dialog title band") << "background2.png" << QRect(100, 2, 700, 46) << false;
    QTest::newRow("dialog close") << "background2.png" << QRect(859, 6, 37, 37) << false;
    QTest::newRow("dialog body") << "background2.png" << QRect(39, 63, 822, 412) << true;
    QTest::newRow("dialog foot band") << "background2.png" << QRect(0, 490, 80, 60) << false;
}

void tst_Artwork::surfaceContrast()
{
    QFETCH(QString, name);
    QFETCH(QRect, area);
    QFETCH(bool, light);
    const QImage img = resource(name);
    const double luma = regionLuma(img, area);
    if (light)
        QVERIFY2(luma > 200, qPrintable(QString::number(luma)));
    else
        QVERIFY2(luma < 90, qPrintable(QString::number(luma)));
}

void tst_Artwork::committedMatchesGenerator_data()
{
    QTest::addColumn<int>("index");
    const QVector<ArtItem> items = artCatalogue();
    for (int i = 0; i < items.size(); ++i)
        QTest::newRow(qPrintable(items[i].name)) << i;
}

// A generator change without regenerated PNGs shows up here.
void tst_Artwork::committedMatchesGenerator()
{
    QFETCH(int, index);
    const ArtItem item = artCatalogue().at(index);
    const QImage committed = QImage(sourcePath("src/image/" + item.name)).convertToFormat(QImage::Format_ARGB32);
    const QImage drawn = item.render().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(drawn.size(), item.size);
    QVERIFY2(committed == drawn, qPrintable(item.name + " differs: run tools/artgen again"));
}

QTEST_MAIN(tst_Artwork)
#include "tst_artwork.moc"
