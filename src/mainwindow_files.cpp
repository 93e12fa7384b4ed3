// Opening pictures, the file dialogs, saving images and C/C++ source.
#include "mainwindow.h"
#include "ui_mainwindow.h"

bool MainWindow::showFileDialog(QString&, QFileDialog::AcceptMode, const QString&, const QString&)
{
    return false;
}
void MainWindow::onFilterSelected(const QString&) {}
void MainWindow::onOpenFile() {}
void MainWindow::openFile(const QString&) {}
void MainWindow::onSaveFile() {}
QString MainWindow::loadCodeTemplate() { return QString(); }
void MainWindow::onSaveCCode() {}
void MainWindow::showError(const QString&) {}
