#include "bitmapctrl.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>

static const QColor FRAME_COLOR(1, 174, 255);

BitmapCtrl::BitmapCtrl(QWidget* parent)
    : QGraphicsView(parent)
    , context_menu(nullptr)
    , image_pos(0, 0)
{
}

BitmapCtrl::~BitmapCtrl() = default;

void BitmapCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int ox = image_pos.x();
    const int oy = image_pos.y();
    const int iw = image.width();
    const int ih = image.height();
    const int W = width();
    const int H = height();

    if (!image.isNull()) {
        // Only the part of the picture that can land inside the viewport.
        const QRect source = QRect(-ox, -oy, W, H).intersected(image.rect());
        if (!source.isEmpty())
            painter.drawImage(QPoint(ox + source.x(), oy + source.y()), image, source);
    }

    const QBrush margin = backgroundBrush();
    if (ox > 0)
        painter.fillRect(QRect(0, 0, ox, H), margin);
    if (ox + iw < W)
        painter.fillRect(QRect(ox + iw, 0, W - (ox + iw), H), margin);
    const int x0 = qMax(ox, 0);
    const int x1 = qMin(ox + iw, W);
    if (oy > 0)
        painter.fillRect(QRect(x0, 0, x1 - x0, oy), margin);
    if (oy + ih < H)
        painter.fillRect(QRect(x0, oy + ih, x1 - x0, H - (oy + ih) + 1), margin);

    if (select_frame.isValid()) {
        const int x1f = select_frame.left();
        const int y1f = select_frame.top();
        const int x2f = select_frame.right();
        const int y2f = select_frame.bottom();

        painter.setPen(QPen(FRAME_COLOR, 1));
        painter.drawLine(x1f, y1f, x2f, y1f);
        painter.drawLine(x2f, y1f, x2f, y2f);
        painter.drawLine(x1f, y2f, x2f, y2f);
        painter.drawLine(x1f, y1f, x1f, y2f);

        auto mark = [&painter](int cx, int cy) { painter.fillRect(cx - 2, cy - 2, 5, 5, FRAME_COLOR); };
        mark(x1f, y1f);
        mark(x2f, y1f);
        mark(x1f, y2f);
        mark(x2f, y2f);
        if (x2f - x1f >= 11) {
            const int cx = (x1f + x2f + 1) / 2;
            mark(cx, y1f);
            mark(cx, y2f);
        }
        if (y2f - y1f >= 11) {
            const int cy = (y1f + y2f + 1) / 2;
            mark(x1f, cy);
            mark(x2f, cy);
        }

        const QRect box(QPoint(x1f, y1f - 16), QPoint(x1f + 63, y1f - 3));
        painter.fillRect(box, Qt::black);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(10);
        font.setBold(false);
        font.setItalic(false);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::asprintf("%d,%d", x2f + 1 - x1f, y2f + 1 - y1f));
    }
}

void BitmapCtrl::contextMenuEvent(QContextMenuEvent*)
{
    if (context_menu)
        context_menu->exec(QCursor::pos());
}
