#ifndef BITMAPCTRL_H
#define BITMAPCTRL_H

#include <QGraphicsView>
#include <QImage>
#include <QPoint>
#include <QRect>

class QMenu;

// Passive display: the owner composes `image`, places it at `image_pos`,
// optionally sets `select_frame`, and calls viewport()->update().
class BitmapCtrl : public QGraphicsView
{
    Q_OBJECT

public:
    explicit BitmapCtrl(QWidget* parent = nullptr);
    ~BitmapCtrl() override;

    QMenu* context_menu;
    QImage image;
    QPoint image_pos;
    QRect select_frame;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

#endif // BITMAPCTRL_H
