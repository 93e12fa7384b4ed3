// Pen and eraser strokes, and the canvas's pointer, wheel, drop and Ctrl handling.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "picture.h"
#include "stroke.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QWheelEvent>

static QString dropPath(const QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (!mime || !mime->hasUrls())
        return QString();
    return droppedPicturePath(mime->urls());
}

// A dropped picture is only read, so never let the source believe it was moved.
static void acceptAsCopy(QDropEvent* event)
{
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    event->accept();
}

QPoint MainWindow::mapToBitmap(const QPoint& viewport_pos) const
{
    return mapCanvasToBitmap(viewport_pos, center_point, zoom, QSize(BITMAP_WIDTH, BITMAP_HEIGHT));
}

void MainWindow::beginStroke(const QPoint& viewport_pos)
{
    if (bitmap.isNull())
        return;
    // A stroke whose release never came (a popup took it) is kept, not dropped.
    if (!line_points.isEmpty())
        commitStroke();
    line_points.append(mapToBitmap(viewport_pos));
    refresh();
}

bool MainWindow::extendStroke(const QPoint& pixel)
{
    if (bitmap.isNull())
        return false;
    return appendStrokePoint(line_points, pixel);
}

void MainWindow::commitStroke()
{
    const QString log_line = tool == TOOL_PEN ? strokeLogLine(line_points) : QString();
    if (!commitStrokeOnCtrl())
        return;
    ui->graphicsView->viewport()->setCursor(Qt::CrossCursor);
    if (!log_line.isEmpty())
        qDebug("%s", qPrintable(log_line));
    refresh();
}

// Draws the stroke into the bitmap and records it; false when there is none.
// The canvas already shows it from its last preview, so no refresh here.
bool MainWindow::commitStrokeOnCtrl()
{
    if (!isDrawingTool(tool) || bitmap.isNull() || line_points.isEmpty())
        return false;
    // The history keeps the bitmap from before the stroke.
    if (tool == TOOL_PEN)
        AddHistory(BITMAP_OPERATE(OPERATE_PEN, bitmap, line_points, pen_size));
    else
        AddHistory(BITMAP_OPERATE(OPERATE_ERASE, bitmap, line_points, erase_size));
    bitmap = ImageLine(bitmap, line_points, strokePen());
    line_points.clear();
    return true;
}

// Events of the canvas viewport. True when the event is consumed.
bool MainWindow::canvasEvent(QEvent* event)
{
    QWidget* viewport = ui->graphicsView->viewport();
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();

    switch (event->type()) {
    case QEvent::DragEnter: {
        QDragEnterEvent* drag = static_cast<QDragEnterEvent*>(event);
        if (dropPath(drag).isEmpty())
            drag->ignore();
        else
            acceptAsCopy(drag);
        return true;
    }
    case QEvent::Drop: {
        QDropEvent* drop = static_cast<QDropEvent*>(event);
        const QString path = dropPath(drop);
        if (path.isEmpty()) {
            drop->ignore();
        } else {
            acceptAsCopy(drop);
            activateWindow();
            // The import's dialogs must not run inside the drop: the drag
            // source would stay frozen until they close.
            QMetaObject::invokeMethod(this, [this, path] { openFile(path); },
                                      Qt::QueuedConnection);
        }
        return true;
    }
    case QEvent::ContextMenu:
        // The menu takes the left button's release from a stroke under way.
        if (isDrawingTool(tool))
            commitStroke();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const QMouseEvent* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (modifiers == Qt::ControlModifier) {
            last_point = mouse->pos();
            return true;
        }
        if (modifiers != Qt::NoModifier)
            return false;
        last_point = mouse->pos();
        if (isDrawingTool(tool))
            beginStroke(mouse->pos());
        else if (tool == TOOL_MOVE)
            viewport->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const QMouseEvent* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (modifiers == Qt::ControlModifier) {
            last_point = INVALID_POINT;
            viewport->setCursor(Qt::OpenHandCursor);
            return true;
        }
        if (modifiers != Qt::NoModifier) {
            // The stroke on the canvas is the user's work whatever is held.
            if (isDrawingTool(tool))
                commitStroke();
            return false;
        }
        last_point = INVALID_POINT;
        if (isDrawingTool(tool))
            commitStroke();
        else if (tool == TOOL_MOVE)
            viewport->setCursor(Qt::OpenHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        const QMouseEvent* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->pos();
        const QPoint pixel = mapToBitmap(pos);
        ui->label_PosX->setText(QString::number(pixel.x()));
        ui->label_PosY->setText(QString::number(pixel.y()));
        if (isInvalidPoint(last_point) || mouse->buttons() != Qt::LeftButton)
            return false;
        if (modifiers == Qt::ControlModifier) {
            center_point += pos - last_point;
            moveBitmap();
            last_point = pos;
            refresh();
            return true;
        }
        if (modifiers != Qt::NoModifier)
            return false;
        if (isDrawingTool(tool)) {
            if (!extendStroke(pixel))
                return true;
        } else if (tool == TOOL_MOVE) {
            center_point += pos - last_point;
            moveBitmap();
        } else {
            return true;
        }
        last_point = pos;
        refresh();
        return true;
    }
    case QEvent::Wheel: {
        const QWheelEvent* wheel = static_cast<QWheelEvent*>(event);
        turnSlider(ui->verticalSlider, wheel->angleDelta().y());
        return true;
    }
    default:
        return false;
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;

    if (press && (watched == ui->toolButton_2 || watched == ui->toolButton_3)) {
        const QMouseEvent* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton
            && QGuiApplication::keyboardModifiers() == Qt::NoModifier) {
            QMenu* menu = watched == ui->toolButton_2 ? pen_menu : erase_menu;
            menu->exec(mouse->globalPos());
        }
        return QMainWindow::eventFilter(watched, event);
    }

    if (watched == ui->graphicsView->viewport() && canvasEvent(event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Control) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    // A held key repeats on some desktops; a repeat must not end a Ctrl-drag.
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    qDebug("control key pressed");
    last_point = INVALID_POINT;
    ui->graphicsView->viewport()->setCursor(Qt::OpenHandCursor);
    commitStrokeOnCtrl();
    event->accept();
}

void MainWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Control) {
        QMainWindow::keyReleaseEvent(event);
        return;
    }
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    qDebug("control key released");
    last_point = INVALID_POINT;
    QWidget* viewport = ui->graphicsView->viewport();
    if (isDrawingTool(tool))
        viewport->setCursor(Qt::CrossCursor);
    else if (tool == TOOL_MOVE)
        viewport->setCursor(Qt::ClosedHandCursor);
    event->accept();
}
