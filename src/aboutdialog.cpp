#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include "global.h"

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , ui(new Ui_AboutDialog)
{
    // The skinned OK picks its language's images through this property, which
    // must be there before the form lays the button out.
    setProperty("language", language_suffix);
    ui->setupUi(this);
    setFixedSize(size());
}

AboutDialog::~AboutDialog()
{
    delete ui;
}
