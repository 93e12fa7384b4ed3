#ifndef ABOUTDIALOG_H
#define ABOUTDIALOG_H

#include <QDialog>

class Ui_AboutDialog;

class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

private:
    Ui_AboutDialog* ui;
};

#endif // ABOUTDIALOG_H
