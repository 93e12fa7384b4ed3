// Opening pictures: what the program adds to the toolkit's decoders (content
// over name, orientation, transparency over white, one-bit bitmaps taken as
// they are) and what it refuses (broken files, bombs, endless scans).

#include "picture.h"
#include "testsupport.h"

#include <QBuffer>
#include <QPainter>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

namespace {

const QVector<QRgb> kColours = { qRgb(248, 248, 248), qRgb(0, 0, 0), qRgb(248, 0, 0),
                                 qRgb(0, 128, 248) };

// Squares of `cell` pixels in the first `colours` of kColours, laid out so
// that no turn or mirror of the picture looks the same.
QImage pattern(int w, int h, int cell, int colours)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, kColours[(x / cell + 1) * (y / cell + 2) / 3 % colours]);
    return image;
}

QByteArray encoded(const QImage& image, const char* format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.setQuality(100); // lossless where the format can be
    writer.write(image);
    return bytes;
}

QString written(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
    return file.fileName();
}

// The most memory the process has held so far.
qint64 peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    return text.mid(text.indexOf("VmHWM:") + 6).trimmed().split(' ').value(0).toLongLong();
}

// A progressive JPEG whose last scan comes `repeats` more times.
QByteArray repeatedScans(const QImage& image, int repeats)
{
    const QByteArray jpeg = encoded(image, "jpeg", true);
    const int last = jpeg.lastIndexOf("\xFF\xDA");
    return jpeg.chopped(2) + jpeg.mid(last, jpeg.size() - 2 - last).repeated(repeats) + "\xFF\xD9";
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void opens_data();
    void opens();
    void refused_data();
    void refused();
    void scanCount_data();
    void scanCount();
    void cancelled();
    void oneBitBitmaps_data();
    void oneBitBitmaps();
    void drops();
};

void TestPicture::opens_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QImage>("expected");
    const QImage four = pattern(13, 7, 2, 4), blocks = pattern(48, 24, 8, 2);
    QTest::newRow("BMP named .jpg") << encoded(four, "bmp") << "a.jpg" << four;
    QTest::newRow("JPEG turned clockwise") << exif(encoded(blocks, "jpeg"), 6) << "a.jpg"
                                           << blocks.transformed(QTransform().rotate(90));
    // Transparent around a black square, half transparent black at its side.
    QImage icon(16, 16, QImage::Format_ARGB32), over_white(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::transparent);
    over_white.fill(Qt::white);
    for (QImage* image : { &icon, &over_white }) {
        QPainter(image).fillRect(4, 4, 8, 8, Qt::black);
        QPainter(image).fillRect(12, 4, 2, 8, image == &icon ? QColor(0, 0, 0, 128) : QColor(127, 127, 127));
    }
    QTest::newRow("PNG icon, transparent") << encoded(icon, "png") << "icon.png" << over_white;
}

void TestPicture::opens()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QImage, expected);
    QTemporaryDir dir;
    QCOMPARE(loadPicture(written(dir, name, bytes)), expected);
}

void TestPicture::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QByteArray jpeg = encoded(pattern(48, 24, 8, 2), "jpeg"), huge_jpeg = jpeg;
    const int sof = jpeg.indexOf("\xFF\xC0") + 5;
    jpeg.replace(sof, 4, "\x2E\xE0\x2E\xE0"); // 12000 x 12000: a gigabyte were it decoded
    huge_jpeg.replace(sof, 4, "\xFF\xDC\xFF\xDC"); // 65500 x 65500
    QTest::newRow("JPEG claiming 12000 x 12000") << jpeg << "a.jpg";
    QTest::newRow("JPEG claiming 65500 x 65500") << huge_jpeg << "a.jpg";
    const QByteArray scans = repeatedScans(pattern(64, 64, 8, 2), MAX_JPEG_SCANS);
    QTest::newRow("too many scans") << scans << "a.jpg";
    QTest::newRow("too many scans, a stray byte after the start") << QByteArray(scans).insert(2, '\0') << "a.jpg";
    // A format not offered, whose reader tells no size before decoding.
    QTest::newRow("MNG claiming 23000 x 23000, named .png")
        << QByteArray::fromHex("8a4d4e470d0a1a0a0000001c4d484452000059d8000059d800000001000000000000"
                               "00000000000000000000f4af424a000000004d454e442120f7d5") << "a.png";
    QTest::newRow("broken PNG") << encoded(pattern(13, 7, 2, 4), "png").left(16) + QByteArray(40, '\x5A') << "a.png";
    QTest::newRow("text") << QByteArray("just some words\n") << "a.jpg";
}

void TestPicture::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const qint64 before = peakKb();
    QVERIFY(loadPicture(written(dir, name, bytes)).isNull());
    QVERIFY2(peakKb() - before < 20000, "memory taken for a refused picture");
}

void TestPicture::scanCount_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("scans");
    const QImage blocks = pattern(48, 24, 8, 2);
    QTest::newRow("baseline") << encoded(blocks, "jpeg") << 1;
    QTest::newRow("progressive colour") << encoded(blocks, "jpeg", true) << 10; // libjpeg's script
    // Stuffed zeros, restarts and fill bytes are data; a marker is not.
    QTest::newRow("markers in the data")
        << QByteArray("\xFF\xD8\xFF\xDA\0\x03\x01\xFF\0\x02\xFF\xD3\x04\xFF\xFF\xFF\xDA\0\x02"
                      "\xFF\xFE\0\x04\xFF\xDA\xFF\xD9\xFF\xDA",
                      30)
        << 2;
    QTest::newRow("not a JPEG") << QByteArray("\x89PNG\r\n") << -1;
}

void TestPicture::scanCount()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, scans);
    QCOMPARE(jpegScanCount(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size()), scans);
}

// A set flag stops the decoding of a slow JPEG midway, and one set before
// anything is read refuses a picture that would open.
void TestPicture::cancelled()
{
    QTemporaryDir dir;
    QImage grey(2000, 2000, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    const QString slow = written(dir, "slow.jpg", repeatedScans(grey, MAX_JPEG_SCANS - 10));
    std::atomic_bool cancel(false);
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        cancel = true;
    });
    const QImage picture = loadPicture(slow, &cancel);
    canceller.join();
    QVERIFY(picture.isNull());
    const QString quick = written(dir, "quick.png", encoded(pattern(13, 7, 2, 4), "png"));
    QVERIFY(loadPicture(quick, &cancel).isNull());
    cancel = false;
    QVERIFY(!loadPicture(quick, &cancel).isNull());
}

void TestPicture::oneBitBitmaps_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("taken");
    QTest::newRow("XBM 128 x 64") << "a.xbm" << QByteArray("xbm") << bitmapSize() << true;
    QTest::newRow("one-bit BMP") << "a.bmp" << QByteArray("bmp") << bitmapSize() << true;
    QTest::newRow("PBM 64 x 128") << "a.pbm" << QByteArray("pbm") << QSize(64, 128) << false;
    QTest::newRow("grey PGM") << "a.pgm" << QByteArray("pgm") << bitmapSize() << false;
}

// Saved by the toolkit as the program would save the working bitmap; it
// comes back as exactly that bitmap, or not at all.
void TestPicture::oneBitBitmaps()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QFETCH(bool, taken);
    QImage bitmap(size, QImage::Format_Mono);
    bitmap.setColorTable({ COLOR_BACK.rgb(), COLOR_FRONT.rgb() });
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            bitmap.setPixel(x, y, (x * 7 + y * y) % 5 < 2);
    QTemporaryDir dir;
    QVERIFY(bitmap.save(dir.filePath(name), format));
    const OpenedPicture opened = openPicture(dir.filePath(name));
    QVERIFY(!opened.picture.isNull());
    QCOMPARE(opened.bitmap, taken ? bitmap : QImage());
    // In other colours, dark red is set and transparent black, over white, is not.
    if (taken) {
        QImage red = bitmap;
        red.setColorTable({ qRgba(0, 0, 0, 0), qRgb(200, 0, 0) });
        QCOMPARE(pastedPicture(red).bitmap, bitmap);
    }
}

// Every format opened may be dropped, alone and local.
void TestPicture::drops()
{
    QVERIFY(pictureSuffixes().contains("webp") && pictureSuffixes().contains("xbm"));
    for (const QString& suffix : pictureSuffixes() + QStringList{ "txt" }) {
        const QUrl url = QUrl::fromLocalFile("/p/a." + suffix.toUpper());
        QCOMPARE(droppedPicturePath({ url }).isEmpty(), suffix == "txt");
        QVERIFY(droppedPicturePath({ url, url }).isEmpty());
    }
    QVERIFY(droppedPicturePath({ QUrl("https://example.org/a.png") }).isEmpty());
}

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
