#include "selectdialog.h"
#include "ui_selectdialog.h"

#include "canvasimage.h"
#include "picture.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <QtGlobal>

static const int cursor_type[8] = {
    Qt::SizeFDiagCursor, Qt::SizeBDiagCursor, Qt::SizeFDiagCursor, Qt::SizeBDiagCursor,
    Qt::SizeVerCursor,   Qt::SizeVerCursor,   Qt::SizeHorCursor,   Qt::SizeHorCursor,
};
static const int tool_type[8] = {
    TOOL_TOP_LEFT, TOOL_TOP_RIGHT, TOOL_BOTTOM_RIGHT, TOOL_BOTTOM_LEFT,
    TOOL_TOP,      TOOL_BOTTOM,    TOOL_LEFT,         TOOL_RIGHT,
};

static bool isHandle(int tool)
{
    return tool >= TOOL_TOP_LEFT && tool <= TOOL_RIGHT;
}

// While a selection is dragged, a selection of more picture pixels than this
// is previewed from averages over a copy of the picture; reducing fewer, as
// OK does, costs no more than averaging.
static const qint64 QUICK_BUDGET = 256 * 256;
// The copy has twice the detail of the fitted view.
static const int QUICK_LEVEL = 10;

// Brightness and contrast as the user reads them: +20, 0, −20.
static QString signedValue(int value)
{
    if (value > 0)
        return QStringLiteral("+%1").arg(value);
    if (value < 0)
        return QStringLiteral("\u2212%1").arg(-value);
    return QStringLiteral("0");
}

void BitmapPreview::setBitmap(const QImage& bitmap)
{
    shown = bitmap;
    shown.setColorTable({ CANVAS_CLEAR, CANVAS_SET });
    update();
}

void BitmapPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Without smoothing: every pixel an even square.
    const int factor = qMax(1, width() / BITMAP_WIDTH);
    painter.drawImage(QRect(QPoint(0, 0), shown.size() * factor), shown);
}

SelectDialog::SelectDialog(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowCloseButtonHint)
    , ui(new Ui_SelectDialog)
    , select_rect(2147483647.0, 2147483647.0, 2147483647.0, 2147483647.0)
    , select_rect_origin(0, 0, 0, 0)
    , center_point(0, 0)
    , scale_fit(1.0)
    , scale_level(5)
    , tool(TOOL_CUT)
    , last_point(INVALID_POINT)
{
    ui->setupUi(this);
    setFixedSize(size());
    ui->title->setPixmap(QPixmap(QStringLiteral(":/image/Title_") + language_suffix
                                 + QStringLiteral(".png")));
    ui->okButton->setStyleSheet(qss_button.arg(QStringLiteral("Sure"), language_suffix));
    ui->cancelButton->setStyleSheet(qss_button.arg(QStringLiteral("Cancel"), language_suffix));
    ui->settingsText->setPixmap(QPixmap(QStringLiteral(":/image/Settings_") + language_suffix
                                        + QStringLiteral(".png")));
    ui->ditherNoneButton->setStyleSheet(qss_button.arg(QStringLiteral("DitherNone"), language_suffix));
    ui->invertButton->setStyleSheet(qss_button.arg(QStringLiteral("InvertPicture"), language_suffix));
    ui->defaultsButton->setStyleSheet(qss_button.arg(QStringLiteral("Defaults"), language_suffix));

    BitmapCtrl* view = ui->graphicsView;
    const int frame = qRound(2.0 * view->frameWidth());
    view->viewport()->resize(view->width() - frame, view->height() - frame);
    qDebug("viewport size:(%d, %d)", view->viewport()->width(), view->viewport()->height());
    view->viewport()->installEventFilter(this);
    view->setBackgroundBrush(QBrush(QColor(VIEW_GRAY, VIEW_GRAY, VIEW_GRAY), Qt::SolidPattern));
    scale_level = ui->horizontalSlider->value();

    // Quick previews wait until the queued pointer moves are handled, so that
    // the view always comes first and a burst of moves costs one preview.
    quick_preview.setSingleShot(true);
    quick_preview.setInterval(0);
    connect(&quick_preview, &QTimer::timeout, this, [this] { updatePreview(PreviewDetail::Quick); });
    // A new picture or zoom level shows first; its exact preview follows at once.
    exact_preview.setSingleShot(true);
    exact_preview.setInterval(0);
    connect(&exact_preview, &QTimer::timeout, this, [this] { updatePreview(PreviewDetail::Exact); });
    connect(ui->thresholdSlider, &QSlider::valueChanged, this, [this](int value) {
        conversion.threshold = value;
        conversionChanged();
    });
    connect(ui->brightnessSlider, &QSlider::valueChanged, this, [this](int value) {
        conversion.brightness = value;
        conversionChanged();
    });
    connect(ui->contrastSlider, &QSlider::valueChanged, this, [this](int value) {
        conversion.contrast = value;
        conversionChanged();
    });
    for (DitherMethod method : DITHER_METHODS) {
        connect(ditherButton(method), &QToolButton::clicked, this, [this, method] {
            conversion.dither = method;
            conversionChanged();
        });
    }
    connect(ui->invertButton, &QToolButton::toggled, this, [this](bool on) {
        conversion.invert = on;
        conversionChanged();
    });
    connect(ui->defaultsButton, &QToolButton::clicked, this,
            [this] { setConversion(ConversionSettings()); });
    showConversion();
    updatePreview(PreviewDetail::Exact);
}

SelectDialog::~SelectDialog()
{
    delete ui;
}

void SelectDialog::setSource(const QImage& image)
{
    setSource(QImage(image));
}

void SelectDialog::setSource(QImage&& image)
{
    // The last picture and its view go before the new ones are made.
    source = QImage();
    scaled_source = QImage();
    scaled_memory = QImage();
    quick_integral = LumaIntegral();
    preview_plan.reset();
    preview_region = ReducedRegion();
    const QImage::Format format = smoothScalingFormat(image.format());
    source = std::move(image).convertToFormat(format);
    const QSize viewport = ui->graphicsView->viewport()->size();
    scale_fit = fitScale(viewport, source.size());
    // Room for the largest level's picture, of which only what the levels
    // touch becomes resident.
    const int top_level = ui->horizontalSlider->maximum();
    const QSize largest = scaledSourceSize(source.size(), top_level, scale_fit);
    if (!largest.isEmpty() && largest.width() < source.width())
        scaled_memory = newLargeImage(largest, QImage::Format_RGB32);
    center_point = QPoint(viewport.width() / 2, viewport.height() / 2);
    select_rect = wholeSelection(source.size());
    qDebug("source:center_point=(%d,%d) select_rect=(%.3lf,%.3lf,%.3lf,%.3lf)", center_point.x(),
           center_point.y(), select_rect.x(), select_rect.y(), select_rect.width(),
           select_rect.height());
    onScale(ui->horizontalSlider->value());
}

QImage SelectDialog::getSource() const
{
    const QRect rect_sel = getSelectRect();
    const SelectionPlan plan = currentPlan();
    const QRect& rect_src = plan.rect_src;
    const QRect& rect_dst = plan.rect_dst;
    qDebug("rect_sel:(%d,%d,%d,%d) rect_src:(%d,%d,%d,%d) rect_dst:(%d,%d,%d,%d)", rect_sel.x(),
           rect_sel.y(), rect_sel.width(), rect_sel.height(), rect_src.x(), rect_src.y(),
           rect_src.width(), rect_src.height(), rect_dst.x(), rect_dst.y(), rect_dst.width(),
           rect_dst.height());
    // The exact preview was made the same way, with the same settings.
    if (preview_exact && preview_plan == plan)
        return preview;
    return thresholdRegion(source, rect_src, rect_dst, conversion);
}

void SelectDialog::setConversion(const ConversionSettings& settings)
{
    conversion = clampedSettings(settings);
    conversionChanged();
}

SelectionPlan SelectDialog::currentPlan() const
{
    return planSelection(source.size(), select_rect, getSelectRect().size());
}

void SelectDialog::schedulePreview()
{
    if (!quick_preview.isActive())
        quick_preview.start();
}

void SelectDialog::updatePreview(PreviewDetail detail)
{
    if (detail == PreviewDetail::Exact) {
        quick_preview.stop();
        exact_preview.stop();
    }
    const SelectionPlan plan = currentPlan();
    const bool current = preview_plan == plan && (preview_exact || detail == PreviewDetail::Quick);
    if (!current) {
        const QRect& rect_src = plan.rect_src;
        bool quick = detail == PreviewDetail::Quick && rect_src.isValid()
                     && qint64(rect_src.width()) * rect_src.height() > QUICK_BUDGET;
        if (quick && quick_integral.isNull()) {
            const QSize size = scaledSourceSize(source.size(), QUICK_LEVEL, scale_fit);
            quick_integral = LumaIntegral(size.width() < source.width() ? smoothScaled(source, size)
                                                                        : source);
            quick = !quick_integral.isNull();
        }
        if (quick) {
            preview_region = averageRegion(
                quick_integral, areaInCopy(rect_src, source.size(), quick_integral.size()),
                plan.rect_dst);
        } else {
            const QRect own = rect_src.translated(source.width() / 2, source.height() / 2);
            preview_region = rect_src.isValid() ? reduceRegion(source, own, plan.rect_dst)
                                                : ReducedRegion();
        }
        preview_plan = plan;
        preview_exact = !quick;
    }
    preview = convertRegion(preview_region, conversion);
    ui->previewView->setBitmap(preview);
}

QToolButton* SelectDialog::ditherButton(DitherMethod method) const
{
    switch (method) {
    case DitherMethod::FloydSteinberg:
        return ui->ditherFloydButton;
    case DitherMethod::Atkinson:
        return ui->ditherAtkinsonButton;
    case DitherMethod::Bayer:
        return ui->ditherBayerButton;
    case DitherMethod::None:
        break;
    }
    return ui->ditherNoneButton;
}

void SelectDialog::showConversion()
{
    const QSignalBlocker threshold(ui->thresholdSlider);
    const QSignalBlocker brightness(ui->brightnessSlider);
    const QSignalBlocker contrast(ui->contrastSlider);
    const QSignalBlocker invert(ui->invertButton);
    ui->thresholdSlider->setValue(conversion.threshold);
    ui->brightnessSlider->setValue(conversion.brightness);
    ui->contrastSlider->setValue(conversion.contrast);
    ui->invertButton->setChecked(conversion.invert);
    for (DitherMethod method : DITHER_METHODS)
        ditherButton(method)->setChecked(method == conversion.dither);
    ui->thresholdValue->setText(QString::number(conversion.threshold));
    ui->brightnessValue->setText(signedValue(conversion.brightness));
    ui->contrastValue->setText(signedValue(conversion.contrast));
}

void SelectDialog::conversionChanged()
{
    showConversion();
    updatePreview(PreviewDetail::Exact);
}

QRect SelectDialog::getSelectRect() const
{
    return selectionInView(select_rect, displayScale(scale_fit, scale_level), center_point);
}

void SelectDialog::onScale(int value)
{
    scale_level = value;
    scaled_source = QImage(); // not held twice while the next one is made
    const QSize size = scaledSourceSize(source.size(), value, scale_fit);
    if (!source.isNull() && !size.isEmpty())
        scaled_source = smoothScaled(source, size, &scaled_memory);
    refresh();
    exact_preview.start();
}

void SelectDialog::onZoomIn()
{
    stepSlider(ui->horizontalSlider, -1);
}

void SelectDialog::onZoomOut()
{
    stepSlider(ui->horizontalSlider, +1);
}

void SelectDialog::onMove()
{
    ui->toolButton_1->setChecked(true);
    ui->toolButton_2->setChecked(false);
    ui->graphicsView->viewport()->setCursor(Qt::OpenHandCursor);
    tool = TOOL_MOVE;
}

void SelectDialog::onCut()
{
    ui->toolButton_1->setChecked(false);
    ui->toolButton_2->setChecked(true);
    ui->graphicsView->viewport()->setCursor(Qt::CrossCursor);
    tool = TOOL_CUT;
}

void SelectDialog::refresh()
{
    BitmapCtrl* view = ui->graphicsView;
    const QRect rect_sel = getSelectRect();
    // Hand the last frame's buffer back for reuse; nothing else holds it.
    QImage buffer;
    buffer.swap(view->image);
    view->image = composeView(scaled_source, view->viewport()->size(), center_point, rect_sel,
                              std::move(buffer));
    view->select_frame = rect_sel;
    view->viewport()->update();
}

bool SelectDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != ui->graphicsView->viewport())
        return QDialog::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            pointerPress(mouse->localPos().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            pointerRelease();
            updatePreview(PreviewDetail::Exact); // whatever the modifiers, the drag is over
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() == Qt::LeftButton)
            pointerDrag(mouse->localPos().toPoint());
        else if (mouse->buttons() == Qt::NoButton)
            pointerHover(mouse->localPos().toPoint());
        return true;
    }
    case QEvent::Wheel:
        wheelTurn(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void SelectDialog::pointerPress(const QPoint& pos)
{
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    if (modifiers == Qt::ControlModifier) {
        last_point = pos;
        return;
    }
    if (modifiers != Qt::NoModifier)
        return;
    last_point = pos;
    if (tool == TOOL_CUT) {
        select_rect = pixelSelection(pos, center_point, scale_level * scale_fit);
        refresh();
        schedulePreview();
    } else if (tool == TOOL_MOVE) {
        ui->graphicsView->viewport()->setCursor(Qt::ClosedHandCursor);
    } else if (isHandle(tool)) {
        select_rect_origin = select_rect;
    }
}

void SelectDialog::pointerRelease()
{
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    if (modifiers == Qt::ControlModifier) {
        last_point = INVALID_POINT;
        ui->graphicsView->viewport()->setCursor(Qt::OpenHandCursor);
    } else if (modifiers == Qt::NoModifier) {
        last_point = INVALID_POINT;
        if (tool == TOOL_MOVE)
            ui->graphicsView->viewport()->setCursor(Qt::OpenHandCursor);
    }
}

void SelectDialog::pointerDrag(const QPoint& pos)
{
    if (last_point == INVALID_POINT)
        return;
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    const bool control = modifiers == Qt::ControlModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const double s = scale_level * scale_fit;

    if (control || (plain && tool == TOOL_MOVE)) {
        center_point += pos - last_point;
        last_point = pos;
        refresh(); // the selection stays on the same pixels: the preview stands
    } else if (plain && tool == TOOL_CUT) {
        select_rect = rubberBand(last_point, pos, center_point, s);
        RecalcSelectRect(select_rect, scaled_source.size());
        refresh();
        schedulePreview();
    } else if (plain && isHandle(tool)) {
        select_rect = resizedSelection(select_rect_origin, tool,
                                       viewToSource(pos.x() - last_point.x(), s),
                                       viewToSource(pos.y() - last_point.y(), s));
        RecalcSelectRect(select_rect, scaled_source.size());
        refresh();
        schedulePreview();
    }
}

void SelectDialog::pointerHover(const QPoint& pos)
{
    if (QGuiApplication::keyboardModifiers() != Qt::NoModifier)
        return;
    if (tool != TOOL_CUT && !isHandle(tool))
        return;
    const int handle = hitHandle(getSelectRect(), pos);
    if (handle >= 0) {
        ui->graphicsView->viewport()->setCursor(Qt::CursorShape(cursor_type[handle]));
        tool = tool_type[handle];
    } else if (isHandle(tool)) {
        ui->graphicsView->viewport()->setCursor(Qt::CrossCursor);
        tool = TOOL_CUT;
    }
}

void SelectDialog::wheelTurn(int delta)
{
    QSlider* slider = ui->horizontalSlider;
    const int value = wheelStep(slider->value(), delta, slider->minimum(), slider->maximum());
    if (value != slider->value())
        slider->setValue(value);
}

void SelectDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Control) {
        QDialog::keyPressEvent(event);
        return;
    }
    qDebug("control key pressed");
    last_point = INVALID_POINT;
    ui->graphicsView->viewport()->setCursor(Qt::OpenHandCursor);
    updatePreview(PreviewDetail::Exact); // a drag under way stops here
    event->accept();
}

void SelectDialog::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Control) {
        QDialog::keyReleaseEvent(event);
        return;
    }
    qDebug("control key released");
    last_point = INVALID_POINT;
    if (tool != TOOL_MOVE) {
        tool = TOOL_CUT;
        ui->graphicsView->viewport()->setCursor(Qt::CrossCursor);
    } else {
        ui->graphicsView->viewport()->setCursor(Qt::ClosedHandCursor);
    }
    event->accept();
}
