// Edit history and the whole-image commands.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "stroke.h"

#include <QInputDialog>

void MainWindow::AddHistory(const BITMAP_OPERATE& op)
{
    history.record(op);
}

void MainWindow::onUndo()
{
    if (!history.undo(bitmap))
        return;
    qDebug("undo");
    refresh();
}

void MainWindow::onRedo()
{
    if (!history.redo(bitmap))
        return;
    qDebug("redo");
    refresh();
}

// Invert and the flips: recorded without an image, applied in place.
void MainWindow::applyWholeImage(OPERATE_TYPE type, const char* message)
{
    if (bitmap.isNull())
        return;
    qDebug("%s", message);
    AddHistory(BITMAP_OPERATE(type, QImage(), 0));
    applySelfInverse(bitmap, type);
    refresh();
}

void MainWindow::onInvert() { applyWholeImage(OPERATE_INVERT, "invert"); }
void MainWindow::onMirrorX() { applyWholeImage(OPERATE_MIRROR_X, "mirror x"); }
void MainWindow::onMirrorY() { applyWholeImage(OPERATE_MIRROR_Y, "mirror y"); }

void MainWindow::onRotateCW()
{
    if (bitmap.isNull())
        return;
    qDebug("rotate cw");
    rotate(OPERATE_ROTATE_CW);
}

void MainWindow::onRotateCCW()
{
    if (bitmap.isNull())
        return;
    qDebug("rotate ccw");
    rotate(OPERATE_ROTATE_CCW);
}

void MainWindow::rotate(OPERATE_TYPE type)
{
    QToolButton* button = type == OPERATE_ROTATE_CW ? ui->toolButton_5 : ui->toolButton_6;
    holdButtonDown(button, true);

    bool accepted = false;
    int degrees = 0;
    {
        QInputDialog dialog(this, Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        dialog.setInputMode(QInputDialog::IntInput);
        dialog.setIntRange(1, 359);
        dialog.setIntValue(90);
        dialog.setWindowTitle(tr("Tip"));
        dialog.setLabelText(tr("Please input rotate degree"));
        accepted = dialog.exec() == QDialog::Accepted;
        degrees = dialog.intValue();
    }

    holdButtonDown(button, false);
    if (!accepted)
        return;

    // Stored clockwise whatever the direction asked for.
    const int param = type == OPERATE_ROTATE_CW ? degrees : 360 - degrees;
    bitmap = history.rotate(bitmap, type, param);
    refresh();
}

// A new picture starts with nothing to undo or redo.
void MainWindow::clearHistory()
{
    history.clear();
}
