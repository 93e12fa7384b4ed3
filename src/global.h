#ifndef GLOBAL_H
#define GLOBAL_H

#include <QColor>
#include <QGraphicsView>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

class QMenu;
class QSlider;

// Every translation unit gets its own copy of these, like any header constant.
static const QPoint INVALID_POINT(0x7FFFFFFF, 0x7FFFFFFF);
static const QColor COLOR_FRONT(Qt::black);
static const QColor COLOR_BACK(Qt::white);
static const QColor COLOR_GRID(Qt::lightGray);

// %1 is the image base name, %2 the language suffix ("EN" or "CN").
static const QString qss_button = QStringLiteral(
    "QToolButton{border-image: url(:/image/%1_%2_Normal.png);}\n"
    "QToolButton::hover{border-image: url(:/image/%1_%2_Selected.png);}\n"
    "QToolButton::pressed{border-image: url(:/image/%1_%2_Pressed.png);}"
    "QToolButton::checked{border-image: url(:/image/%1_%2_Selected.png);}");

// The working bitmap's fixed size, the display it is made for.
constexpr int BITMAP_WIDTH = 128;
constexpr int BITMAP_HEIGHT = 64;

// A clear working bitmap: Format_Mono, colour 0 COLOR_BACK, 1 COLOR_FRONT.
QImage newBitmap();

// "EN" or "CN" once the first language has been applied; empty before.
extern QString language_suffix;

enum TOOL_TYPE : unsigned char {
    TOOL_MOVE = 0,
    TOOL_PEN = 1,
    TOOL_ERASE = 2,
    TOOL_CUT = 3,
    TOOL_TOP_LEFT = 4,
    TOOL_TOP_RIGHT = 5,
    TOOL_BOTTOM_RIGHT = 6,
    TOOL_BOTTOM_LEFT = 7,
    TOOL_TOP = 8,
    TOOL_BOTTOM = 9,
    TOOL_LEFT = 10,
    TOOL_RIGHT = 11,
};

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

// Keeps an image of image_size centred at `point` inside (or, when larger,
// covering) a window of window_size.
void RecalcLocate(QPoint& point, const QSize& image_size, const QSize& window_size);

// Turns a negative width or height into a positive one by swapping edges.
void RecalcSelectRect(QRectF& rect, const QSize& size);

// The darkness test of the whole program: luma (BT.601, in thousandths)
// below 128 is a set pixel. Inline: it runs for every pixel of a crop.
inline bool isDark(int red, int green, int blue)
{
    return red * 299 + green * 587 + blue * 114 < 128000;
}
inline bool isDark(QRgb colour)
{
    return isDark(qRed(colour), qGreen(colour), qBlue(colour));
}

// Moves a slider one step (+1 or -1) unless it already stands at that end.
void stepSlider(QSlider* slider, int step);

// A slider value after a wheel turn of `delta` eighths of a degree: whole
// notches only, kept within [minimum, maximum].
int wheelStep(int value, int delta, int minimum, int maximum);

#endif // GLOBAL_H
