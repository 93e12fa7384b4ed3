// Loading pictures: every BMP and JPEG flavour a user may bring, written
// here byte by byte or through the toolkit's writers, and the files that
// must be refused without hurting the program.

#include "codegen.h"
#include "picture.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// ---------------------------------------------------------------- BMP

enum BmpKind { BmpPlain, BmpTopDown, BmpRle, BmpBitfields565 };

void put16(QByteArray& b, int v)
{
    char c[2];
    qToLittleEndian<quint16>(quint16(v), c);
    b.append(c, 2);
}

void put32(QByteArray& b, qint64 v)
{
    char c[4];
    qToLittleEndian<quint32>(quint32(v), c);
    b.append(c, 4);
}

// The colours a test picture is drawn with; palettes list them in a
// scrambled order so a reader that ignores the palette shows it.
const QList<QRgb> kColours = { qRgb(0, 255, 0), qRgb(0, 0, 0), qRgb(255, 255, 255),
                               qRgb(255, 0, 0) };

// Index into kColours of pixel (x, y): stripes that move with the row, so
// row order and column order both matter.
int colourAt(int x, int y, int colours)
{
    return ((x / 3) + (y / 2) * 3) % colours;
}

QByteArray rle8Row(const QVector<int>& row, bool absolute)
{
    QByteArray out;
    if (absolute && row.size() >= 3) {
        out.append(char(0)).append(char(row.size()));
        for (int v : row)
            out.append(char(v));
        if (row.size() % 2)
            out.append(char(0));
    } else {
        for (int i = 0; i < row.size();) {
            int n = 1;
            while (i + n < row.size() && row[i + n] == row[i] && n < 255)
                ++n;
            out.append(char(n)).append(char(row[i]));
            i += n;
        }
    }
    out.append(char(0)).append(char(0));
    return out;
}

QByteArray rle4Row(const QVector<int>& row, bool absolute)
{
    QByteArray out;
    if (absolute && row.size() >= 3) {
        out.append(char(0)).append(char(row.size()));
        QByteArray packed;
        for (int i = 0; i < row.size(); i += 2)
            packed.append(char((row[i] << 4) | (i + 1 < row.size() ? row[i + 1] : 0)));
        if (packed.size() % 2)
            packed.append(char(0));
        out.append(packed);
    } else {
        for (int i = 0; i < row.size();) {
            int n = 1;
            while (i + n < row.size() && row[i + n] == row[i] && n < 255)
                ++n;
            out.append(char(n)).append(char((row[i] << 4) | row[i]));
            i += n;
        }
    }
    out.append(char(0)).append(char(0));
    return out;
}

// A w x h BMP of `bpp` bits holding the stripes of colourAt; `colours` says
// how many of kColours are used.
QByteArray makeBmp(int w, int h, int bpp, BmpKind kind, int colours)
{
    const bool paletted = bpp <= 8;
    const int compression = kind == BmpRle ? (bpp == 8 ? 1 : 2) : kind == BmpBitfields565 ? 3 : 0;
    QByteArray palette;
    if (paletted) {
        for (int i = 0; i < (1 << bpp); ++i) {
            const QRgb c = i < colours ? kColours[i] : qRgb(128, 128, 128);
            palette.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(0));
        }
    }
    if (kind == BmpBitfields565) {
        put32(palette, 0xF800);
        put32(palette, 0x07E0);
        put32(palette, 0x001F);
    }

    QByteArray pixels;
    for (int r = 0; r < h; ++r) {
        const int y = kind == BmpTopDown ? r : h - 1 - r;
        QVector<int> idx(w);
        for (int x = 0; x < w; ++x)
            idx[x] = colourAt(x, y, colours);
        if (kind == BmpRle) {
            pixels += bpp == 8 ? rle8Row(idx, r % 2) : rle4Row(idx, r % 2);
            continue;
        }
        QByteArray row;
        if (paletted) {
            quint32 acc = 0;
            int bits = 0;
            for (int x = 0; x < w; ++x) {
                acc = (acc << bpp) | quint32(idx[x]);
                bits += bpp;
                if (bits == 8) {
                    row.append(char(acc));
                    acc = 0;
                    bits = 0;
                }
            }
            if (bits)
                row.append(char(acc << (8 - bits)));
        } else {
            for (int x = 0; x < w; ++x) {
                const QRgb c = kColours[idx[x]];
                if (bpp == 16 && kind == BmpBitfields565)
                    put16(row, ((qRed(c) >> 3) << 11) | ((qGreen(c) >> 2) << 5) | (qBlue(c) >> 3));
                else if (bpp == 16)
                    put16(row, ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3));
                else {
                    row.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
                    if (bpp == 32)
                        row.append(char(0));
                }
            }
        }
        while (row.size() % 4)
            row.append(char(0));
        pixels += row;
    }
    if (kind == BmpRle)
        pixels.append(char(0)).append(char(1));

    QByteArray bmp("BM");
    const int offset = 14 + 40 + palette.size();
    put32(bmp, offset + pixels.size());
    put32(bmp, 0);
    put32(bmp, offset);
    put32(bmp, 40);
    put32(bmp, w);
    put32(bmp, kind == BmpTopDown ? -h : h);
    put16(bmp, 1);
    put16(bmp, bpp);
    put32(bmp, compression);
    put32(bmp, pixels.size());
    put32(bmp, 2835);
    put32(bmp, 2835);
    put32(bmp, paletted ? (1 << bpp) : 0);
    put32(bmp, 0);
    return bmp + palette + pixels;
}

// A 24-bit BMP header that claims w x h pixels and brings a few bytes of data.
QByteArray bmpBomb(int w, int h)
{
    QByteArray bmp("BM");
    put32(bmp, 14 + 40 + 64);
    put32(bmp, 0);
    put32(bmp, 14 + 40);
    put32(bmp, 40);
    put32(bmp, w);
    put32(bmp, h);
    put16(bmp, 1);
    put16(bmp, 24);
    put32(bmp, 0);
    put32(bmp, 0);
    put32(bmp, 2835);
    put32(bmp, 2835);
    put32(bmp, 0);
    put32(bmp, 0);
    return bmp + QByteArray(64, '\x40');
}

// ---------------------------------------------------------------- JPEG

// Blocks of 8 x 8 pixels, dark where (bx + by) is even.
QImage blockPicture(int bw, int bh, QImage::Format format)
{
    QImage image(8 * bw, 8 * bh, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, ((x / 8 + y / 8) % 2 == 0) ? qRgb(10, 10, 10) : qRgb(245, 245, 245));
    return image.convertToFormat(format);
}

QByteArray writeJpeg(const QImage& image, bool progressive, bool optimized = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    writer.setOptimizedWrite(optimized);
    writer.setQuality(90);
    if (!writer.write(image))
        return QByteArray();
    return bytes;
}

struct Segment
{
    int marker;
    int pos; // of the 0xFF
    int length; // of the segment body including its two length bytes
};

// The header segments of a JPEG, up to and including the first SOS.
QList<Segment> jpegSegments(const QByteArray& jpeg)
{
    QList<Segment> segments;
    int pos = 2;
    while (pos + 4 <= jpeg.size() && uchar(jpeg[pos]) == 0xFF) {
        const int marker = uchar(jpeg[pos + 1]);
        const int length = (uchar(jpeg[pos + 2]) << 8) | uchar(jpeg[pos + 3]);
        segments.append({ marker, pos, length });
        if (marker == 0xDA)
            break;
        pos += 2 + length;
    }
    return segments;
}

// The first segment with one of `markers`; marker -1 when there is none.
Segment findSegment(const QList<Segment>& segments, std::initializer_list<int> markers)
{
    for (const Segment& s : segments)
        for (int m : markers)
            if (s.marker == m)
                return s;
    return { -1, 0, 0 };
}

// The same JPEG with its frame header claiming w x h pixels.
QByteArray jpegBomb(int w, int h)
{
    QByteArray jpeg = writeJpeg(blockPicture(2, 2, QImage::Format_RGB32), false);
    const QList<Segment> segments = jpegSegments(jpeg);
    const Segment sof = findSegment(segments, { 0xC0 });
    if (sof.marker < 0)
        return QByteArray();
    jpeg[sof.pos + 5] = char(h >> 8);
    jpeg[sof.pos + 6] = char(h);
    jpeg[sof.pos + 7] = char(w >> 8);
    jpeg[sof.pos + 8] = char(w);
    return jpeg;
}

// Inserts an EXIF block carrying `orientation` right after the start marker.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation)
{
    QByteArray exif;
    exif.append("\xFF\xE1", 2);
    const QByteArray body = QByteArray("Exif\0\0", 6) + QByteArray("MM\0\x2A\0\0\0\x08", 8)
                            + QByteArray("\0\x01", 2) // one entry
                            + QByteArray("\x01\x12\0\x03\0\0\0\x01", 8) // Orientation, SHORT, 1
                            + QByteArray(1, '\0') + QByteArray(1, char(orientation))
                            + QByteArray(2, '\0') + QByteArray(4, '\0'); // no next IFD
    exif.append(char((body.size() + 2) >> 8)).append(char(body.size() + 2));
    exif += body;
    return jpeg.left(2) + exif + jpeg.mid(2);
}

class BitWriter
{
public:
    void put(quint32 value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            acc = (acc << 1) | ((value >> i) & 1);
            if (++count == 8)
                flushByte();
        }
    }
    QByteArray finish()
    {
        while (count != 0)
            put(1, 1);
        return out;
    }

private:
    void flushByte()
    {
        out.append(char(acc));
        if (acc == 0xFF)
            out.append(char(0));
        acc = 0;
        count = 0;
    }
    QByteArray out;
    quint32 acc = 0;
    int count = 0;
};

// A baseline JPEG of flat 8 x 8 blocks with `components` components, each
// block's component values given by `value`; no colour transform marker, so
// four components are read as CMYK.
QByteArray flatJpeg(int bw, int bh, int components, const std::function<int(int, int, int)>& value)
{
    auto segment = [](int marker, const QByteArray& body) {
        QByteArray s;
        s.append(char(0xFF)).append(char(marker));
        s.append(char((body.size() + 2) >> 8)).append(char(body.size() + 2));
        return s + body;
    };
    QByteArray jpeg("\xFF\xD8", 2);
    jpeg += segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\x08'));
    QByteArray sof;
    sof.append(char(8)).append(char((8 * bh) >> 8)).append(char(8 * bh));
    sof.append(char((8 * bw) >> 8)).append(char(8 * bw)).append(char(components));
    for (int c = 0; c < components; ++c)
        sof.append(char(c + 1)).append(char(0x11)).append(char(0));
    jpeg += segment(0xC0, sof);
    QByteArray dc(1, '\0');
    QByteArray bits(16, '\0');
    bits[3] = 12; // twelve codes of four bits: categories 0 .. 11
    dc += bits;
    for (int i = 0; i < 12; ++i)
        dc.append(char(i));
    jpeg += segment(0xC4, dc);
    QByteArray ac(1, '\x10');
    QByteArray ac_bits(16, '\0');
    ac_bits[0] = 1; // end of block, one bit "0"
    ac += ac_bits;
    ac.append(char(0));
    jpeg += segment(0xC4, ac);
    QByteArray sos(1, char(components));
    for (int c = 0; c < components; ++c)
        sos.append(char(c + 1)).append(char(0));
    sos.append(char(0)).append(char(63)).append(char(0));
    jpeg += segment(0xDA, sos);

    BitWriter bw_out;
    QVector<int> previous(components, 0);
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            for (int c = 0; c < components; ++c) {
                const int dc_value = value(bx, by, c) - 128; // quantised by 8
                const int diff = dc_value - previous[c];
                previous[c] = dc_value;
                int size = 0;
                for (int m = qAbs(diff); m; m >>= 1)
                    ++size;
                bw_out.put(quint32(size), 4);
                if (size)
                    bw_out.put(quint32(diff >= 0 ? diff : diff + (1 << size) - 1), size);
                bw_out.put(0, 1);
            }
        }
    }
    jpeg += bw_out.finish();
    jpeg.append("\xFF\xD9", 2);
    return jpeg;
}

// ---------------------------------------------------------------- helpers

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

long peakResidentKiB()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Every block of a blockPicture, read back, must fall on the right side of
// the darkness test at its centre.
QString blockMismatch(const QImage& image, int bw, int bh)
{
    if (image.size() != QSize(8 * bw, 8 * bh))
        return QStringLiteral("size %1 x %2").arg(image.width()).arg(image.height());
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx)
            if (isSetPixel(image.pixel(8 * bx + 4, 8 * by + 4)) != ((bx + by) % 2 == 0))
                return QStringLiteral("block %1,%2").arg(bx).arg(by);
    return QString();
}

} // namespace

Q_DECLARE_METATYPE(BmpKind)

class tst_Import : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bmp_data();
    void bmp();
    void jpeg_data();
    void jpeg();
    void cmykJpeg();
    void exifOrientation_data();
    void exifOrientation();
    void mislabelled_data();
    void mislabelled();
    void damaged_data();
    void damaged();
    void bomb_data();
    void bomb();
    void sizeLimit_data();
    void sizeLimit();
    void notARegularFile_data();
    void notARegularFile();

private:
    QTemporaryDir dir;
};

void tst_Import::initTestCase()
{
    QVERIFY(dir.isValid());
}

void tst_Import::bmp_data()
{
    QTest::addColumn<int>("bpp");
    QTest::addColumn<BmpKind>("kind");
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("1 bit") << 1 << BmpPlain << 2 << 0;
    QTest::newRow("1 bit top-down") << 1 << BmpTopDown << 2 << 0;
    QTest::newRow("4 bits") << 4 << BmpPlain << 4 << 0;
    QTest::newRow("4 bits RLE") << 4 << BmpRle << 4 << 0;
    QTest::newRow("8 bits") << 8 << BmpPlain << 4 << 0;
    QTest::newRow("8 bits RLE") << 8 << BmpRle << 4 << 0;
    QTest::newRow("8 bits top-down") << 8 << BmpTopDown << 4 << 0;
    // Five bits a channel: 255 comes back as 248 or so.
    QTest::newRow("16 bits") << 16 << BmpPlain << 4 << 8;
    QTest::newRow("16 bits 5-6-5 bit fields") << 16 << BmpBitfields565 << 4 << 8;
    QTest::newRow("24 bits") << 24 << BmpPlain << 4 << 0;
    QTest::newRow("24 bits top-down") << 24 << BmpTopDown << 4 << 0;
    QTest::newRow("32 bits") << 32 << BmpPlain << 4 << 0;
}

void tst_Import::bmp()
{
    QFETCH(int, bpp);
    QFETCH(BmpKind, kind);
    QFETCH(int, colours);
    QFETCH(int, tolerance);

    // 13 x 7: odd sizes, so every row needs padding.
    const int w = 13, h = 7;
    const QString path = writeFile(dir, QStringLiteral("pic.bmp"), makeBmp(w, h, bpp, kind, colours));
    QVERIFY(!path.isEmpty());
    const QImage image = loadPicture(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.format(), QImage::Format_RGB888);
    QCOMPARE(image.size(), QSize(w, h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb want = kColours[colourAt(x, y, colours)];
            const QRgb got = image.pixel(x, y);
            const bool close = qAbs(qRed(got) - qRed(want)) <= tolerance
                               && qAbs(qGreen(got) - qGreen(want)) <= tolerance
                               && qAbs(qBlue(got) - qBlue(want)) <= tolerance;
            QVERIFY2(close, qPrintable(QStringLiteral("pixel %1,%2 is #%3, want #%4")
                                           .arg(x).arg(y).arg(got & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                                           .arg(want & 0xFFFFFF, 6, 16, QLatin1Char('0'))));
        }
    }
}

void tst_Import::jpeg_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<bool>("optimized");
    QTest::addColumn<int>("frame_marker");
    QTest::addColumn<int>("components");
    QTest::newRow("baseline colour") << QImage::Format_RGB32 << false << false << 0xC0 << 3;
    QTest::newRow("baseline optimised") << QImage::Format_RGB32 << false << true << 0xC0 << 3;
    QTest::newRow("progressive colour") << QImage::Format_RGB32 << true << false << 0xC2 << 3;
    QTest::newRow("grayscale") << QImage::Format_Grayscale8 << false << false << 0xC0 << 1;
    QTest::newRow("progressive grayscale") << QImage::Format_Grayscale8 << true << false << 0xC2 << 1;
}

void tst_Import::jpeg()
{
    QFETCH(QImage::Format, format);
    QFETCH(bool, progressive);
    QFETCH(bool, optimized);
    QFETCH(int, frame_marker);
    QFETCH(int, components);

    const QByteArray bytes = writeJpeg(blockPicture(6, 4, format), progressive, optimized);
    // Make sure the file really is the kind this row is about.
    const Segment sof = findSegment(jpegSegments(bytes), { 0xC0, 0xC1, 0xC2 });
    QCOMPARE(sof.marker, frame_marker);
    QCOMPARE(int(uchar(bytes[sof.pos + 9])), components);

    const QImage image = loadPicture(writeFile(dir, QStringLiteral("pic.jpg"), bytes));
    QVERIFY(!image.isNull());
    QCOMPARE(image.format(), QImage::Format_RGB888);
    const QString mismatch = blockMismatch(image, 6, 4);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void tst_Import::cmykJpeg()
{
    // Inverted CMYK as Adobe writes it: 255 is no ink. Dark blocks carry
    // full black ink; light blocks none; one block is pure magenta ink.
    const QByteArray bytes = flatJpeg(4, 2, 4, [](int bx, int by, int c) {
        if (bx == 3 && by == 1)
            return c == 1 ? 0 : 255;
        const bool dark = (bx + by) % 2 == 0;
        return c == 3 ? (dark ? 0 : 255) : 255;
    });
    const Segment sof = findSegment(jpegSegments(bytes), { 0xC0 });
    QCOMPARE(sof.marker, 0xC0);
    QCOMPARE(int(uchar(bytes[sof.pos + 9])), 4);

    const QImage image = loadPicture(writeFile(dir, QStringLiteral("cmyk.jpeg"), bytes));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(32, 16));
    for (int by = 0; by < 2; ++by) {
        for (int bx = 0; bx < 3 + (by == 0); ++bx) {
            const QRgb c = image.pixel(8 * bx + 4, 8 * by + 4);
            QCOMPARE(isSetPixel(c), (bx + by) % 2 == 0);
        }
    }
    const QRgb magenta = image.pixel(28, 12);
    QVERIFY2(qRed(magenta) > 200 && qGreen(magenta) < 60 && qBlue(magenta) > 200,
             qPrintable(QString::number(magenta & 0xFFFFFF, 16)));
}

void tst_Import::exifOrientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("dark");  // a point that must come out dark
    QTest::addColumn<QPoint>("light"); // and one that must come out light
    // The stored picture is 48 x 24 with its left 16 columns dark.
    QTest::newRow("1, as stored") << 1 << QSize(48, 24) << QPoint(4, 12) << QPoint(44, 12);
    QTest::newRow("3, upside down") << 3 << QSize(48, 24) << QPoint(44, 12) << QPoint(4, 12);
    QTest::newRow("6, turned clockwise") << 6 << QSize(24, 48) << QPoint(12, 4) << QPoint(12, 44);
    QTest::newRow("8, turned counter-clockwise") << 8 << QSize(24, 48) << QPoint(12, 44)
                                                 << QPoint(12, 4);
}

void tst_Import::exifOrientation()
{
    QFETCH(int, orientation);
    QFETCH(QSize, size);
    QFETCH(QPoint, dark);
    QFETCH(QPoint, light);

    QImage stored(48, 24, QImage::Format_RGB32);
    stored.fill(qRgb(250, 250, 250));
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 16; ++x)
            stored.setPixel(x, y, qRgb(5, 5, 5));
    const QByteArray bytes = withExifOrientation(writeJpeg(stored, false), orientation);
    const QImage image = loadPicture(writeFile(dir, QStringLiteral("phone.jpg"), bytes));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
    QVERIFY(isSetPixel(image.pixel(dark)));
    QVERIFY(!isSetPixel(image.pixel(light)));
}

void tst_Import::mislabelled_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    const QByteArray bmp = makeBmp(13, 7, 24, BmpPlain, 4);
    const QByteArray jpg = writeJpeg(blockPicture(2, 1, QImage::Format_RGB32), false);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(9, 5, QImage::Format_RGB32).save(&buffer, "png");
    QTest::newRow("BMP named .jpg") << bmp << "really_bmp.jpg" << QSize(13, 7);
    QTest::newRow("JPEG named .bmp") << jpg << "really_jpeg.bmp" << QSize(16, 8);
    QTest::newRow("PNG named .jpeg") << png << "really_png.jpeg" << QSize(9, 5);
    QTest::newRow("BMP named .JPEG") << bmp << "UPPER.JPEG" << QSize(13, 7);
}

void tst_Import::mislabelled()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage image = loadPicture(writeFile(dir, name, bytes));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
    QCOMPARE(image.format(), QImage::Format_RGB888);
}

void tst_Import::damaged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("must_refuse");

    const QByteArray bmp = makeBmp(13, 7, 24, BmpPlain, 4);
    const QByteArray rle = makeBmp(13, 7, 8, BmpRle, 4);
    const QByteArray jpg = writeJpeg(blockPicture(8, 8, QImage::Format_RGB32), false);
    const QByteArray progressive = writeJpeg(blockPicture(8, 8, QImage::Format_RGB32), true);
    QByteArray noise(4096, '\0');
    QRandomGenerator random(7);
    for (char& c : noise)
        c = char(random.bounded(256));

    QTest::newRow("empty .jpg") << QByteArray() << "empty.jpg" << true;
    QTest::newRow("empty .bmp") << QByteArray() << "empty.bmp" << true;
    QTest::newRow("one byte") << QByteArray("B") << "one.bmp" << true;
    QTest::newRow("noise") << noise << "noise.jpg" << true;
    QTest::newRow("text") << QByteArray("not a picture at all\n") << "text.bmp" << true;
    QTest::newRow("BMP signature only") << QByteArray("BM") << "sig.bmp" << true;
    QTest::newRow("JPEG start marker only") << QByteArray("\xFF\xD8", 2) << "soi.jpg" << true;
    QTest::newRow("BMP cut in the header") << bmp.left(30) << "header.bmp" << true;
    QTest::newRow("BMP cut in the pixels") << bmp.left(bmp.size() / 2) << "half.bmp" << false;
    QTest::newRow("RLE BMP cut short") << rle.left(rle.size() - 9) << "rle.bmp" << false;
    QTest::newRow("JPEG cut in the header") << jpg.left(100) << "hdr.jpg" << false;
    QTest::newRow("JPEG cut in the scan") << jpg.left(jpg.size() * 2 / 3) << "cut.jpg" << false;
    QTest::newRow("progressive JPEG cut") << progressive.left(progressive.size() / 2)
                                          << "pcut.jpg" << false;
    QByteArray scrambled = jpg;
    for (int i = jpg.size() / 2; i < jpg.size() - 2; i += 7)
        scrambled[i] = char(random.bounded(256));
    QTest::newRow("JPEG with noise in the scan") << scrambled << "scrambled.jpg" << false;

    // An RLE run that runs far past the end of its row and of the picture.
    const int data = 14 + 40 + 256 * 4;
    QByteArray evil = rle.left(data);
    for (int i = 0; i < 40; ++i)
        evil.append(char(255)).append(char(1));
    evil.append(char(0)).append(char(2)).append(char(200)).append(char(200)); // delta far away
    evil.append(char(0)).append(char(1));
    QTest::newRow("RLE runs past the picture") << evil << "overrun.bmp" << false;

    QByteArray offset = bmp;
    offset[10] = char(0xF0);
    offset[11] = char(0xFF);
    offset[12] = char(0xFF);
    offset[13] = char(0x7F);
    QTest::newRow("BMP pixel offset beyond the file") << offset << "offset.bmp" << false;
}

void tst_Import::damaged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(bool, must_refuse);

    const QString path = writeFile(dir, name, bytes);
    QVERIFY(!path.isEmpty());
    const QImage image = loadPicture(path);
    if (must_refuse) {
        QVERIFY(image.isNull());
        return;
    }
    // Shown or refused are both fine; shown means a usable picture.
    if (!image.isNull()) {
        QCOMPARE(image.format(), QImage::Format_RGB888);
        QVERIFY(image.width() > 0 && image.height() > 0);
        QVERIFY(qint64(image.width()) * image.height() <= 64 * 64);
    }
}

void tst_Import::bomb_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::newRow("JPEG claiming 65500 x 65500") << jpegBomb(65500, 65500) << "bomb.jpg";
    QTest::newRow("JPEG claiming 20000 x 20000") << jpegBomb(20000, 20000) << "bomb2.jpg";
    QTest::newRow("JPEG bomb named .bmp") << jpegBomb(65500, 65500) << "bomb.bmp";
    QTest::newRow("BMP claiming 65500 x 65500") << bmpBomb(65500, 65500) << "bomb.bmp";
    QTest::newRow("BMP claiming 30000 x 30000") << bmpBomb(30000, 30000) << "bomb2.bmp";
}

void tst_Import::bomb()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QVERIFY(bytes.size() > 0 && bytes.size() < 2048);
    const QString path = writeFile(dir, name, bytes);
    const long before = peakResidentKiB();
    const QImage image = loadPicture(path);
    const long grown = peakResidentKiB() - before;
    QVERIFY(image.isNull());
    QVERIFY2(grown < 64 * 1024, qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(grown)));
}

void tst_Import::sizeLimit_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("one pixel") << QSize(1, 1) << true;
    QTest::newRow("phone, 12 MP") << QSize(4032, 3024) << true;
    QTest::newRow("camera, 102 MP") << QSize(11648, 8736) << true;
    QTest::newRow("camera, 100 MP upright") << QSize(8736, 11648) << true;
    QTest::newRow("panorama 30000 x 4000") << QSize(30000, 4000) << true;
    QTest::newRow("20000 squared") << QSize(20000, 20000) << false;
    QTest::newRow("65500 squared") << QSize(65500, 65500) << false;
    QTest::newRow("one endless row") << QSize(2147483647, 1) << false;
    QTest::newRow("zero width") << QSize(0, 10) << false;
    QTest::newRow("negative") << QSize(-5, 10) << false;
}

void tst_Import::sizeLimit()
{
    QFETCH(QSize, size);
    QFETCH(bool, accepted);
    QCOMPARE(pictureSizeAcceptable(size), accepted);
}

void tst_Import::notARegularFile_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("missing file");
    QTest::newRow("folder named like a picture");
    QTest::newRow("named pipe");
    QTest::newRow("link to a folder");
    QTest::newRow("endless device");
}

void tst_Import::notARegularFile()
{
    const QString what = QString::fromLatin1(QTest::currentDataTag());
    QString path;
    if (what == QLatin1String("missing file")) {
        path = dir.filePath(QStringLiteral("nothing_here.jpg"));
    } else if (what == QLatin1String("folder named like a picture")) {
        path = dir.filePath(QStringLiteral("folder.jpg"));
        QVERIFY(QDir().mkpath(path));
    } else if (what == QLatin1String("named pipe")) {
        path = dir.filePath(QStringLiteral("x.jpg"));
        QFile::remove(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (what == QLatin1String("link to a folder")) {
        path = dir.filePath(QStringLiteral("link.bmp"));
        QVERIFY(QFile::link(dir.path(), path));
    } else {
        path = QStringLiteral("/dev/zero");
    }
    // Were the pipe or the device opened, this call would never return.
    QVERIFY(loadPicture(path).isNull());
}

QTEST_MAIN(tst_Import)
#include "tst_import.moc"
