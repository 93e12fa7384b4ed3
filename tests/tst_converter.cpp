// `dotwright convert`, the real executable without a display: its command
// lines, its output byte for byte against the window's Save as code and the
// selection dialog's crop, and --fast against the exact path.

#include "converter.h"
#include "selectdialog.h"
#include "testsupport.h"

#include <QPainter>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>

#include <cmath>

class SelectDialogTester
{
public:
    static QRectF& selectRect(SelectDialog& d) { return d.select_rect; }
};

namespace {

struct Run
{
    int status;
    QString err;
    QString out;
};

// The configuration folder the converter is given, empty but for a test's files.
QString userConfig()
{
    static QTemporaryDir config;
    return config.path();
}

// The converter with no display to reach.
Run convert(const QStringList& arguments, const QString& dir = QDir::tempPath(),
            const char* command = "convert")
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("DISPLAY"), QString());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), userConfig());
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir);
    process.start(DOTWRIGHT_BIN_DIR "/dotwright",
                  (*command ? QStringList { command } : QStringList()) + arguments);
    process.waitForFinished(60000);
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
             process.readAllStandardError(), process.readAllStandardOutput() };
}

// Which of the 128 x 64 pixels are dark, for bitmaps of any format.
QVector<bool> darkPixels(const QImage& bitmap)
{
    QVector<bool> dark;
    for (int y = 0; y < BITMAP_HEIGHT; ++y)
        for (int x = 0; x < BITMAP_WIDTH; ++x)
            dark << (bitmap.size() == bitmapSize() && qGray(bitmap.pixel(x, y)) < 128);
    return dark;
}

// A photo-like picture: soft gradients, coloured shapes, and noise.
QImage scene(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator rng(width);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width, fy = double(y) / height;
            const int v = int(128 + 100 * std::sin(3 * fx + 2 * fy) * std::cos(2 * fy - fx));
            const int n = int(rng.bounded(81)) - 40;
            line[x] = qRgb(qBound(0, v + n, 255), qBound(0, v * 4 / 5 + n, 255), 255 - v);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 30; ++i) {
        painter.setBrush(QColor(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
        const QRect r(rng.bounded(width), rng.bounded(height), width / 4, height / 5);
        i % 2 ? painter.drawEllipse(r) : painter.drawRect(r);
    }
    return image;
}

// Every file under `dir`, relative to it.
QStringList filesIn(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

const QString kHint = QStringLiteral(" (dotwright convert --help lists the options)\n");

} // namespace

class tst_Converter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { forgetSettings(); }
    void commands_data();
    void commands();
    void versionAndHelp();
    void windowOpensNamedPicture();
    void sameAsWindow_data();
    void sameAsWindow();
    void cropMatchesDialog_data();
    void cropMatchesDialog();
    void fastNearlyExact();
};

void tst_Converter::commands_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");   // all of stderr
    QTest::addColumn<QStringList>("written"); // new files
    QTest::addColumn<QString>("content");   // of the first, a pattern, when given
    const auto row = [](const char* tag, const char* arguments, int status, const QString& message,
                        const QStringList& written = {}, const QString& content = {}) {
        QTest::newRow(tag) << arguments << status << message << written << content;
    };
    // logo.png: 256 x 128, black over x 20..71, y 10..35, halved into the bitmap.
    const QString usage = QStringLiteral("dotwright convert: ");
    row("-o a folder to make", "-t bin -o out/ logo.png", 0, "", { "out/logo.bin" });
    row("several into a folder to make", "-o out a.png b.png", 0, "", { "out/a.h", "out/b.h" });
    row("template, beside the input", "--template tpl.txt logo.png", 0, "", { "logo.h" },
        "logo 10,5 26x13 logo.png");
    row("the user's template first", "-t ssd1306 -o mine.h logo.png", 0, "", { "mine.h" }, "mine mine");
    row("crop inside the black", "--template tpl.txt --crop 23,14,45,20 -o r.c logo.png", 0, "",
        { "r.c" }, "r 0,\\d+ 128x\\d+ logo.png");
    row("one-bit bitmap as it is", "--template tpl.txt --invert --crop 0,0,9,9 -o r.c bitmap.xbm",
        0, "", { "r.c" }, "r 3,4 5x6 bitmap.xbm");
    row("bad value", "--threshold 256 logo.png", 2,
        usage + "Bad value '256' for --threshold: 0 to 255." + kHint);
    row("crop of no width", "--crop 1,2,0,4 logo.png", 2,
        usage + "Bad value '1,2,0,4' for --crop: four whole numbers X,Y,W,H, W and H at least 1."
            + kHint);
    row("template and target", "-t xbm --template tpl.txt logo.png", 2,
        usage + "Give either --target or --template, not both." + kHint);
    row("several, -o a file", "-o plain a.png b.png", 2,
        usage + "With several inputs, -o must name a folder, not the file 'plain'." + kHint);
    row("bad and missing among several", "-o out a.png plain gone.png b.png", 1,
        "plain: Open file error\ngone.png: Open file error\n",
        { "out/a.h", "out/b.h" });
    row("output under a file", "-o plain/x.h logo.png", 1,
        "logo.png: plain/x.h: Open file for write error\n");
    row("bad name", "--name my-logo logo.png", 1, "logo.png: File name only can contains numbers, "
        "letters, and '_'. ('0~9', 'A~Z', 'a~z' and '_')\n");
    row("blank for the box", "--crop 200,100,9,9 logo.png", 1,
        "logo.png: Bitmap can not be empty\n");
    row("blank for the whole bitmap", "-t ssd1306 --crop 200,100,9,9 logo.png", 0, "", { "logo.h" });
    row("crop off the picture", "-t ssd1306 --crop -2147483648,9,9,9 logo.png", 1,
        "logo.png: --crop -2147483648,9,9,9 lies outside the picture (256 x 128)\n");
    row("over the input", "-t xbm bitmap.xbm", 1,
        "bitmap.xbm: bitmap.xbm: The output would replace an input picture\n");
    row("two inputs, one output, through a link", "-o link a.png sub/a.png", 1,
        "sub/a.png: link/a.h: The output of an earlier input is already written here\n",
        { "real/a.h" });
}

void tst_Converter::commands()
{
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QStringList, written);
    QFETCH(QString, content);
    QTemporaryDir dir;
    const QString root = dir.path() + '/';
    QImage logo(256, 128, QImage::Format_RGB32);
    logo.fill(Qt::white);
    QPainter(&logo).fillRect(20, 10, 52, 26, Qt::black);
    QImage bitmap = newBitmap();
    QPainter(&bitmap).fillRect(3, 4, 5, 6, Qt::color1);
    QVERIFY(QDir().mkpath(root + "sub") && QDir().mkpath(root + "real"));
    QVERIFY(QFile::link(root + "real", root + "link"));
    for (const char* name : { "logo.png", "a.png", "b.png", "sub/a.png" })
        QVERIFY(logo.save(root + name));
    QVERIFY(bitmap.save(root + "bitmap.xbm"));
    QVERIFY(writeBytes(root + "plain", ""));
    QVERIFY(writeBytes(root + "tpl.txt", "%{name} %{x},%{y} %{width}x%{height} %{picture}"));
    QVERIFY(writeBytes(userConfig() + "/dotwright/templates/ssd1306.txt", "mine %{name}"));
    const QStringList before = filesIn(root);

    const Run run = convert(arguments.split(' '), root);
    QCOMPARE(run.err, message);
    QCOMPARE(run.status, status);
    QStringList added = filesIn(root);
    for (const QString& file : before)
        added.removeOne(file);
    QCOMPARE(added, written);
    const QString text = readBytes(root + written.value(0));
    QVERIFY2(content.isEmpty() || QRegularExpression('^' + content + '$').match(text).hasMatch(),
             qPrintable(text));
}

void tst_Converter::versionAndHelp()
{
    QFile cmake(DOTWRIGHT_SOURCE_DIR "/CMakeLists.txt");
    QVERIFY(cmake.open(QIODevice::ReadOnly));
    const QString version = QRegularExpression("project\\(Dotwright VERSION ([0-9.]+)")
                                .match(cmake.readAll()).captured(1);
    for (const char* command : { "convert", "" })
        QCOMPARE(convert({ "--version" }, QDir::tempPath(), command).out,
                 "dotwright " + version + "\n");
    const QString help = convert({ "-h" }).out;
    for (const CodeTarget& target : codeTargets())
        QVERIFY2(help.contains(target.name), qPrintable(target.name));
    QVERIFY(convert({ "--help" }, QDir::tempPath(), "").out.contains("dotwright convert"));
}

// What a file manager's "Open with" does: the picture goes to the selection dialog.
void tst_Converter::windowOpensNamedPicture()
{
    QTemporaryDir dir;
    QVERIFY(QImage(60, 30, QImage::Format_RGB32).save(dir.filePath("named.png")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), userConfig());
    QProcess window;
    window.setProcessEnvironment(env);
    window.setWorkingDirectory(dir.path());
    window.setProcessChannelMode(QProcess::MergedChannels);
    window.start(DOTWRIGHT_BIN_DIR "/dotwright", { "named.png" });
    QByteArray said;
    // The dialog logs the picture it is given: centred, all of it selected.
    const QByteArray shown("source:center_point=(410,205) select_rect=(-30.000,-15.000,60.000,30.000)");
    QElapsedTimer clock;
    clock.start();
    while (!said.contains(shown) && window.state() != QProcess::NotRunning && !clock.hasExpired(20000)) {
        if (window.waitForReadyRead(200))
            said += window.readAll();
    }
    window.kill();
    window.waitForFinished();
    QVERIFY2(said.contains(shown), said.right(400).constData());
    QCOMPARE(convert({ "-platform", "offscreen", "one.png", "two.png" }, dir.path(), "").status,
             int(CONVERT_USAGE));
}

void tst_Converter::sameAsWindow_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("settings"); // remembered by the window, given to the converter
    QTest::addColumn<QString>("edits");        // the editor's buttons in turn: x, y, one r<degrees>
    QTest::newRow("adafruit") << "adafruit" << QStringList() << "";
    QTest::newRow("u8g2") << "u8g2" << QStringList { "threshold", "100", "dither", "atkinson" }
                          << "y r90";
    QTest::newRow("bin") << "bin" << QStringList { "invert", "", "dither", "floyd-steinberg",
                                                   "brightness", "-10", "contrast", "-30" }
                         << "x y r200";
}

void tst_Converter::sameAsWindow()
{
    QFETCH(QString, target);
    QFETCH(QStringList, settings);
    QFETCH(QString, edits);
    const QString beside = QCoreApplication::applicationDirPath() + '/';
    QDir().mkpath(beside + "templates");
    for (const CodeTarget& t : codeTargets()) {
        QFile::remove(beside + t.template_file);
        QVERIFY(QFile::copy(DOTWRIGHT_BIN_DIR "/" + t.template_file, beside + t.template_file));
    }
    forgetSettings();
    QStringList arguments = { "-t", target };
    {
        QSettings remembered(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                                 + "/dotwright.conf", QSettings::IniFormat);
        remembered.setValue("code_target", target);
        for (int i = 0; i < settings.size(); i += 2) {
            remembered.setValue(settings[i], settings[i + 1].isEmpty() ? "true" : settings[i + 1]);
            arguments << "--" + settings[i] << settings[i + 1];
        }
    }
    arguments.removeAll(QString());
    QTemporaryDir dir;
    const QString photo = dir.filePath("photo.jpg");
    QVERIFY(scene(333, 211).save(photo, "jpeg"));
    const QString name = "photo." + findCodeTarget(target)->extensions.first();

    MainWindow w;
    MainWindowTester t(w);
    {
        Answering answers(dir.filePath("window/" + name), {}, {}, edits.section('r', 1).toInt());
        w.openFile(photo);
        for (const QString& edit : edits.split(' ', Qt::SkipEmptyParts)) {
            arguments << (edit.startsWith('r') ? "--rotate" : "--flip") << edit.mid(edit.startsWith('r'));
            t.click(edit == "x" ? "toolButton_7" : edit == "y" ? "toolButton_8" : "toolButton_5");
        }
        QDir().mkpath(dir.filePath("window"));
        t.click("saveCCodeButton");
        QCOMPARE(answers.shown.filter(QRegularExpression("^(?!Q)")), QStringList { "SelectDialog" });
    }

    const Run run = convert(arguments << "-o" << name << photo, dir.path());
    QCOMPARE(run.err, QString());
    const QByteArray saved = readBytes(dir.filePath("window/" + name));
    QVERIFY(saved.size() > 100);
    QCOMPARE(readBytes(dir.filePath(name)), saved);
}

void tst_Converter::cropMatchesDialog_data()
{
    QTest::addColumn<QRect>("crop");
    QTest::newRow("inside") << QRect(37, 21, 150, 60);
    QTest::newRow("partly off, top left") << QRect(-40, -10, 120, 90);
    QTest::newRow("partly off, bottom right") << QRect(250, 120, 100, 60);
}

// The dialog's selection is in centred source coordinates; --crop in the
// picture's own pixels.
void tst_Converter::cropMatchesDialog()
{
    QFETCH(QRect, crop);
    QTemporaryDir dir;
    const QString path = dir.filePath("p.png");
    const QImage picture = scene(301, 151);
    QVERIFY(picture.save(path));
    SelectDialog dialog;
    dialog.setSource(picture);
    SelectDialogTester::selectRect(dialog) = QRectF(crop.x() - 301 / 2, crop.y() - 151 / 2,
                                                    crop.width(), crop.height());
    const QString region = QStringLiteral("%1,%2,%3,%4").arg(crop.x()).arg(crop.y())
                             .arg(crop.width()).arg(crop.height());
    QCOMPARE(convert({ "-t", "xbm", "--crop", region, path }).status, 0);
    QCOMPARE(darkPixels(QImage(dir.filePath("p.xbm"))), darkPixels(dialog.getSource()));
}

// Photos of 4 and 6 megapixels, one taken turned.
void tst_Converter::fastNearlyExact()
{
    QTemporaryDir dir;
    int differing = 0;
    for (const QSize size : { QSize(2400, 1600), QSize(3000, 2000) }) {
        const QString path = dir.filePath(QStringLiteral("p%1.jpg").arg(size.width()));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(scene(size.width(), size.height()).save(&buffer, "jpeg", 90));
        QVERIFY(writeBytes(path, size.width() < 3000 ? jpeg : exif(jpeg, 6)));
        QCOMPARE(convert({ "-t", "xbm", "-o", dir.filePath("exact.xbm"), path }).status, 0);
        QCOMPARE(convert({ "--fast", "-t", "xbm", "-o", dir.filePath("fast.xbm"), path }).status, 0);
        const QVector<bool> exact = darkPixels(QImage(dir.filePath("exact.xbm")));
        const QVector<bool> fast = darkPixels(QImage(dir.filePath("fast.xbm")));
        int differ = 0;
        for (int i = 0; i < exact.size(); ++i)
            differ += exact[i] != fast[i];
        QVERIFY2(differ <= BITMAP_WIDTH * BITMAP_HEIGHT / 50, qPrintable(QString::number(differ)));
        differing += differ;
    }
    QVERIFY2(differing > 0, "the reduced decoding was taken");
}

QTEST_MAIN(tst_Converter)
#include "tst_converter.moc"
