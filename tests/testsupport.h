#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

// Shared by the test programs: reach into MainWindow, make bitmaps, answer
// modal dialogs, hold Ctrl.

#include "global.h"
#include "history.h"
#include "stroke.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>

class MainWindowTester
{
public:
    explicit MainWindowTester(MainWindow& w) : w(w) {}

    template <typename T> T* child(const char* name) const
    {
        T* found = w.findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void click(const char* name, Qt::MouseButton button = Qt::LeftButton) const
    {
        QTest::mouseClick(child<QWidget>(name), button);
    }
    BitmapCtrl* canvas() const { return child<BitmapCtrl>("graphicsView"); }
    QWidget* viewport() const { return canvas()->viewport(); }

    QImage& bitmap() { return w.bitmap; }
    QImage& cleanBitmap() { return w.clean_bitmap; }
    EditHistory& history() { return w.history; }
    QList<QPoint>& linePoints() { return w.line_points; }
    QPoint& centerPoint() { return w.center_point; }
    QPoint& dragPoint() { return w.drag_point; }
    QString& filePath() { return w.file_path; }
    TOOL_TYPE tool() const { return w.tool; }
    int zoom() const { return w.zoom; }
    int penSize() const { return w.pen_size; }
    int eraseSize() const { return w.erase_size; }
    QMenu* penMenu() const { return w.pen_menu; }
    QMenu* eraseMenu() const { return w.erase_menu; }
    QFileDialog* fileDialog() const { return w.file_dialog; }

    MainWindow& w;
};

// Every test program starts with nothing remembered, in a folder of its own.
inline void forgetSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).removeRecursively();
}

// A working bitmap with about one pixel in `one_in` set.
inline QImage randomBitmap(quint32 seed, int one_in = 2)
{
    QImage bitmap = newBitmap();
    QRandomGenerator rng(seed);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            bitmap.setPixel(x, y, rng.bounded(one_in) == 0 ? 1 : 0);
    return bitmap;
}

// A working bitmap with just these pixels set.
inline QImage bitmapWith(const QVector<QPoint>& points)
{
    QImage image = newBitmap();
    for (const QPoint& p : points)
        image.setPixel(p, 1);
    return image;
}

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Writes `bytes` to `path`, making its folder first.
inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// `jpeg` with an EXIF block saying how the camera was turned.
inline QByteArray exif(const QByteArray& jpeg, char orientation)
{
    const QByteArray block("\xFF\xE1\0\x22" // one entry: tag 0x112, a short, the orientation
                           "Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 29);
    return jpeg.left(2) + block + orientation + QByteArray(6, '\0') + jpeg.mid(2);
}

inline QWidget* modalOrPopup()
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : QApplication::activePopupWidget();
}

// Answers modal dialogs and popups that come up while it lives: the first
// one only, or every one. Expecting one, the test fails when none came up
// within `deadline_ms`, or when another one came after it (which is closed,
// and the first one with it).
// Nothing outlives the scope to answer a later test's dialog; a dialog coming
// late is still answered, so the test cannot hang.
class ModalAnswer
{
public:
    enum Count { First, Every };
    explicit ModalAnswer(std::function<void(QWidget*)> answer, Count count = First,
                         int deadline_ms = 5000)
        : answer(std::move(answer)), count(count), deadline_ms(deadline_ms)
    {
        started.start();
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start(10);
    }
    ~ModalAnswer()
    {
        if (count == First && (answered == 0 || late))
            QTest::qFail(qPrintable(QStringLiteral("no dialog came up within %1 ms").arg(deadline_ms)),
                         __FILE__, __LINE__);
        if (!unexpected.isEmpty())
            QTest::qFail(qPrintable("unexpected dialog " + unexpected), __FILE__, __LINE__);
    }
    int answered = 0;

private:
    void poll()
    {
        QWidget* modal = modalOrPopup();
        if (!modal || busy)
            return;
        if (count == First && answered > 0) {
            if (modal == first && unexpected.isEmpty())
                return; // still closing from its answer
            if (modal != first) // and the first one goes after it
                unexpected = modal->metaObject()->className();
            modal->close();
            return;
        }
        if (count == First)
            first = modal;
        late = answered == 0 && started.hasExpired(deadline_ms);
        ++answered;
        busy = true;
        answer(modal);
        busy = false;
    }

    std::function<void(QWidget*)> answer;
    Count count;
    int deadline_ms;
    bool late = false;
    bool busy = false;
    QPointer<QWidget> first;
    QString unexpected;
    QTimer timer;
    QElapsedTimer started;
};

// Answers every dialog that comes up while it lives, as a user going on
// would: a file dialog gets `open` or `save` typed (by its mode, an existing
// file replaced without asking), a message box the button called `button` or
// else OK or its escape, the busy box Cancel, the rotation dialog `degrees`,
// the selection dialog OK. `shown` lists what came up, in order: a message
// box as its text, any other dialog by its class name.
class Answering
{
public:
    explicit Answering(const QString& save = QString(), const QString& open = QString(),
                       const QString& button = QString(), int degrees = 90)
        : modal([=](QWidget* dialog) { answer(dialog, save, open, button, degrees); }, ModalAnswer::Every)
    {
    }
    QStringList shown;

private:
    void answer(QWidget* dialog, const QString& save, const QString& open, const QString& button,
                int degrees)
    {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            shown << box->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == button)
                    return b->click();
            if (box->escapeButton())
                return box->escapeButton()->click();
            return box->accept();
        }
        shown << dialog->metaObject()->className();
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            files->setOption(QFileDialog::DontConfirmOverwrite);
            auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(files->acceptMode() == QFileDialog::AcceptOpen ? open : save);
            QTest::keyClick(name, Qt::Key_Return);
        } else if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            input->setIntValue(degrees);
            input->accept();
        } else if (qobject_cast<QProgressDialog*>(dialog)) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        } else if (auto* ok = dialog->findChild<QToolButton*>(QStringLiteral("okButton"))) {
            QTest::mouseClick(ok, Qt::LeftButton);
        } else {
            QTest::keyClick(dialog, Qt::Key_Escape);
        }
    }

    ModalAnswer modal;
};

// QTest's key events set the application's modifier state only through the
// modifiers they carry, so Ctrl is sent with itself as modifier.
inline void pressCtrl(QWidget* target, bool press = true)
{
    QTest::simulateEvent(target, press, Qt::Key_Control,
                         press ? Qt::ControlModifier : Qt::NoModifier, QString(), false);
}

#endif // TESTSUPPORT_H
