#include "aboutdialog.h"
#include "ui_aboutdialog.h"

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , ui(new Ui_AboutDialog)
{
    ui->setupUi(this);
    setFixedSize(size());
}

AboutDialog::~AboutDialog()
{
    delete ui;
}
