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
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimer>
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
    BitmapCtrl* canvas() const { return child<BitmapCtrl>("graphicsView"); }
    QWidget* viewport() const { return canvas()->viewport(); }

    QImage& bitmap() { return w.bitmap; }
    QImage& cleanBitmap() { return w.clean_bitmap; }
    EditHistory& history() { return w.history; }
    QList<QPoint>& linePoints() { return w.line_points; }
    QPoint& centerPoint() { return w.center_point; }
    QPoint& lastPoint() { return w.last_point; }
    QPoint& dragPoint() { return w.drag_point; }
    QString& filePath() { return w.file_path; }
    TOOL_TYPE tool() const { return w.tool; }
    int zoom() const { return w.zoom; }
    int penSize() const { return w.pen_size; }
    int eraseSize() const { return w.erase_size; }
    QMenu* penMenu() const { return w.pen_menu; }
    QMenu* eraseMenu() const { return w.erase_menu; }
    QFileDialog* fileDialog() const { return w.file_dialog; }

    void refresh() { w.refresh(); }
    void moveBitmap() { w.moveBitmap(); }
    void addHistory(const BITMAP_OPERATE& op) { w.AddHistory(op); }
    void clearHistory() { w.clearHistory(); }
    QString loadCodeTemplate() { return w.loadCodeTemplate(); }

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

// Runs `answer` on the next modal dialog or popup as soon as it is up.
inline void whenModal(std::function<void(QWidget*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            modal = QApplication::activePopupWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        answer(modal);
    });
    timer->start();
}

// Answers the next modal dialog or popup with `answer` as soon as it is up,
// for as long as the object lives. A dialog that never came up by the end of
// the scope, or within `deadline_ms`, fails the test; nothing is left running
// to answer a later test's dialog.
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer, int deadline_ms = 5000)
        : answer(std::move(answer))
    {
        deadline.start();
        QObject::connect(&timer, &QTimer::timeout, [this, deadline_ms] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                modal = QApplication::activePopupWidget();
            if (modal) {
                timer.stop();
                answered = true;
                this->answer(modal);
            } else if (deadline.hasExpired(deadline_ms)) {
                timer.stop();
            }
        });
        timer.start(10);
    }
    ~ModalAnswer()
    {
        if (!answered)
            QTest::qFail("no dialog came up to be answered", __FILE__, __LINE__);
    }
    bool answered = false;

private:
    std::function<void(QWidget*)> answer;
    QTimer timer;
    QElapsedTimer deadline;
};

// QTest's key events set the application's modifier state only through the
// modifiers they carry, so Ctrl is sent with itself as modifier.
inline void pressCtrl(QWidget* target, bool press = true)
{
    QTest::simulateEvent(target, press, Qt::Key_Control,
                         press ? Qt::ControlModifier : Qt::NoModifier, QString(), false);
}

#endif // TESTSUPPORT_H
