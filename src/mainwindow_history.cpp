// Edit history and the whole-image commands.
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::AddHistory(const BITMAP_OPERATE& op)
{
    while (history_index > 0) {
        history.removeFirst();
        --history_index;
    }
    history.prepend(op);
}

QImage MainWindow::getRotateSource(int) { return bitmap; }
void MainWindow::rotate(OPERATE_TYPE) {}
void MainWindow::onUndo() {}
void MainWindow::onRedo() {}
void MainWindow::onInvert() {}
void MainWindow::onMirrorX() {}
void MainWindow::onMirrorY() {}
void MainWindow::onRotateCW() {}
void MainWindow::onRotateCCW() {}
