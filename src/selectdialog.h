#ifndef SELECTDIALOG_H
#define SELECTDIALOG_H

#include "conversion.h"
#include "global.h"
#include "selectgeometry.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QTimer>

#include <optional>

class QToolButton;
class Ui_SelectDialog;

// A working bitmap shown as the canvas shows its pixels, each a square as
// many screen pixels wide as the widget is wider than the bitmap; painted
// when the window paints, so setting a bitmap costs no drawing.
class BitmapPreview : public QWidget
{
    Q_OBJECT

public:
    explicit BitmapPreview(QWidget* parent = nullptr) : QWidget(parent) {}
    void setBitmap(const QImage& bitmap);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage shown;
};

// Modal crop dialog: shows a picture, lets the user pick a region and the
// conversion settings, previews the 128 x 64 one-bit working bitmap they give
// and makes it.
class SelectDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SelectDialog(QWidget* parent = nullptr);
    ~SelectDialog() override;

    // Takes the picture to crop. The rvalue form keeps a picture that is
    // already in the format smooth scaling works in (Format_RGB32 for an
    // opaque one) without converting or copying it.
    void setSource(const QImage& image);
    void setSource(QImage&& image);
    QImage getSource() const;
    // How the selection becomes bits; the defaults are the plain darkness
    // test. Setting them also sets the dialog's controls.
    void setConversion(const ConversionSettings& settings);
    ConversionSettings getConversion() const { return conversion; }
    QRect getSelectRect() const;

public slots:
    void onScale(int value);
    void onZoomIn();
    void onZoomOut();
    void onMove();
    void onCut();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    friend class SelectDialogTester;

    // How closely the preview follows the selection: Quick while a selection
    // is dragged (averaged over a copy of the picture when the picture's own
    // region is too large to reduce at every move), Exact otherwise.
    enum class PreviewDetail { Quick, Exact };

    void refresh();
    SelectionPlan currentPlan() const;
    void updatePreview(PreviewDetail detail);
    // A quick preview once the pointer moves already queued are handled.
    void schedulePreview();
    void showConversion();
    void conversionChanged();
    QToolButton* ditherButton(DitherMethod method) const;
    void pointerPress(const QPoint& pos);
    void pointerRelease();
    void pointerDrag(const QPoint& pos);
    void pointerHover(const QPoint& pos);
    void wheelTurn(int delta);

    Ui_SelectDialog* ui;
    // Held in the format smooth scaling works in, so that no slider step
    // converts the whole picture again; the pixels are those given.
    QImage source;
    QImage scaled_source;
    // The memory scaled_source is made in, reused from step to step so that
    // a step touches few fresh pages.
    QImage scaled_memory;
    QRectF select_rect;
    QRectF select_rect_origin;
    QPoint center_point;
    double scale_fit;
    int scale_level;
    int tool;
    QPoint last_point;
    ConversionSettings conversion;
    QTimer quick_preview; // zero interval: fires when the queue is drained
    QTimer exact_preview;
    // Grey sums of a copy of the picture, made at the first quick preview
    // that needs them.
    LumaIntegral quick_integral;
    // The selection the preview was made for, its reduced pixels (from the
    // picture itself when preview_exact) and the bits they give.
    std::optional<SelectionPlan> preview_plan;
    ReducedRegion preview_region;
    bool preview_exact = false;
    QImage preview;
};

#endif // SELECTDIALOG_H
