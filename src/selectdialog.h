#ifndef SELECTDIALOG_H
#define SELECTDIALOG_H

#include "conversion.h"
#include "global.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRectF>

class Ui_SelectDialog;

// Modal crop dialog: shows a picture, lets the user pick a region, and turns
// that region into the 128 x 64 one-bit working bitmap.
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
    // How the selection becomes bits; the defaults are the plain darkness test.
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

    void refresh();
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
};

#endif // SELECTDIALOG_H
