#include "selectdialog.h"

#include <QKeyEvent>

// Placeholder until the dialog is built; keeps the program linking.
SelectDialog::SelectDialog(QWidget* parent)
    : QDialog(parent), ui(nullptr), scale_fit(1.0), scale_level(5), tool(TOOL_CUT),
      last_point(INVALID_POINT) {}
SelectDialog::~SelectDialog() = default;
void SelectDialog::setSource(const QImage& image) { source = image; }
QImage SelectDialog::getSource() const { return QImage(); }
QRect SelectDialog::getSelectRect() const { return QRect(); }
void SelectDialog::onScale(int) {}
void SelectDialog::onZoomIn() {}
void SelectDialog::onZoomOut() {}
void SelectDialog::onMove() {}
void SelectDialog::onCut() {}
void SelectDialog::refresh() {}
bool SelectDialog::eventFilter(QObject* w, QEvent* e) { return QDialog::eventFilter(w, e); }
void SelectDialog::keyPressEvent(QKeyEvent* e) { QDialog::keyPressEvent(e); }
void SelectDialog::keyReleaseEvent(QKeyEvent* e) { QDialog::keyReleaseEvent(e); }
