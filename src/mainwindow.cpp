#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "canvasimage.h"
#include "stroke.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTranslator>

QUrl helpUrl(const QString& app_dir, const QString& page)
{
    // A folder name may hold characters that a URL reads as syntax; encode
    // those so the link still names the page ("%" first, so it is not doubled).
    QString dir = app_dir;
    dir.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('#'), QLatin1String("%23"))
        .replace(QLatin1Char('?'), QLatin1String("%3F"));
    return QUrl(QStringLiteral("file:///") + dir + QLatin1Char('/') + page, QUrl::TolerantMode);
}

QString helpPage(const QString& app_dir, const QString& language)
{
    const QString chinese = QStringLiteral("help_zh_CN.html");
    if (language == QLatin1String("CN") && QFileInfo(app_dir + QLatin1Char('/') + chinese).isFile())
        return chinese;
    return QStringLiteral("help.html");
}

void holdButtonDown(QToolButton* button, bool down)
{
    if (down) {
        button->setCheckable(true);
        button->setChecked(true);
    } else {
        button->setChecked(false);
        button->setCheckable(false);
    }
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent, Qt::FramelessWindowHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , ui(new Ui_MainWindow)
    , file_dialog(nullptr)
    , pen_menu(nullptr)
    , erase_menu(nullptr)
    , pen_group(this)
    , erase_group(this)
    , drag_point(INVALID_POINT)
    , center_point(0, 0)
    , last_point(INVALID_POINT)
    , tool(TOOL_PEN)
    , zoom(5)
    , pen_size(1)
    , erase_size(1)
    , settings(nullptr)
    , picture_opened(false)
    , decode_cancel(nullptr)
{
    ui->setupUi(this);
    setFixedSize(size());

    QFont label_font = ui->label_x->font();
    label_font.setPixelSize(18);
    ui->label_x->setFont(label_font);
    ui->label_y->setFont(label_font);
    ui->label_PosX->setFont(label_font);
    ui->label_PosY->setFont(label_font);

    // Inserting the first item makes it current, which runs onLanguage(0).
    QListWidget* list = new QListWidget;
    ui->comboBox->setView(list);
    ui->comboBox->setModel(list->model());
    ui->comboBox->insertItem(0, QStringLiteral("English"));
    ui->comboBox->insertItem(1, QStringLiteral("中文"));
    QFont list_font = ui->comboBox->font();
    list_font.setPixelSize(14);
    list->setFont(list_font);
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setData(Qt::TextAlignmentRole, int(Qt::AlignCenter));

    pen_menu = new QMenu(this);
    erase_menu = new QMenu(this);
    const QList<QAction*> pen_actions = { ui->action_pensize_1, ui->action_pensize_3,
                                          ui->action_pensize_5, ui->action_pensize_7,
                                          ui->action_pensize_9 };
    const QList<QAction*> erase_actions = { ui->action_erasesize_1, ui->action_erasesize_3,
                                            ui->action_erasesize_5, ui->action_erasesize_7,
                                            ui->action_erasesize_9 };
    for (QAction* action : pen_actions) {
        pen_menu->addAction(action);
        pen_group.addAction(action);
    }
    for (QAction* action : erase_actions) {
        erase_menu->addAction(action);
        erase_group.addAction(action);
    }

    ui->graphicsView->viewport()->installEventFilter(this);
    ui->graphicsView->context_menu = pen_menu;
    ui->toolButton_2->installEventFilter(this);
    ui->toolButton_3->installEventFilter(this);

    zoom = quint8(ui->verticalSlider->value());
    pen_size = 1;
    erase_size = 1;
    tool = TOOL_PEN;

    file_path = QStringLiteral("Picture001");
    bitmap = newBitmap();
    clean_bitmap = bitmap;
    center_point = canvasCentre();
    refresh();

    addShortcuts();
    retranslateExtras();
    restorePreferences();

    const QString dir = QCoreApplication::applicationDirPath();
    QStringList found;
    for (const char* name : { "template.txt", "help.html", "help_zh_CN.html", "language_zh_CN.qm",
                              "qt_zh_CN.qm" }) {
        if (QFileInfo(dir + QLatin1Char('/') + QLatin1String(name)).isFile())
            found << QLatin1String(name);
    }
    qDebug("data folder %s: %s", qPrintable(dir), qPrintable(found.join(QLatin1Char(' '))));
}

void MainWindow::addShortcuts()
{
    ui->openFileButton->setShortcut(QKeySequence::Open);
    ui->saveCCodeButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    ui->saveFileButton->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    ui->helpButton->setShortcut(QKeySequence(Qt::Key_F1));
    // The upper button enlarges the cells.
    ui->zoominButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus));
    ui->zoomoutButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    // Ctrl and the key that carries "+" without Shift on most keyboards.
    auto* equal = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), this);
    connect(equal, &QShortcut::activated, this, &MainWindow::onZoomOut);
    auto* paste = new QShortcut(QKeySequence::Paste, this);
    connect(paste, &QShortcut::activated, this, &MainWindow::onPaste);
}

// Tool tips the form does not set, and the shortcut of every button that has one.
void MainWindow::retranslateExtras()
{
    ui->openFileButton->setToolTip(tr("Open a picture"));
    ui->saveCCodeButton->setToolTip(tr("Save as C/C++ source"));
    ui->saveFileButton->setToolTip(tr("Save as image"));
    ui->helpButton->setToolTip(tr("Help"));
    ui->aboutButton->setToolTip(tr("About"));
    for (QToolButton* button : { ui->openFileButton, ui->saveCCodeButton, ui->saveFileButton,
                                 ui->helpButton, ui->zoominButton, ui->zoomoutButton,
                                 ui->toolButton_9, ui->toolButton_10 }) {
        const QString keys = button->shortcut().toString(QKeySequence::NativeText);
        if (!keys.isEmpty())
            button->setToolTip(tr("%1 (%2)").arg(button->toolTip(), keys));
    }
}

void MainWindow::restorePreferences()
{
    // Nothing is written back while the remembered state is being applied.
    QSettings* stored = openSettings(this);
    preferences = readPreferences(*stored);
    ui->comboBox->setCurrentIndex(preferences.language);
    const QList<QAction*> pen = pen_group.actions();
    const QList<QAction*> erase = erase_group.actions();
    for (int i = 0; i < pen.size(); ++i) {
        const int size = 2 * i + 1;
        if (size == preferences.pen_size)
            pen[i]->setChecked(true);
        if (size == preferences.erase_size)
            erase[i]->setChecked(true);
    }
    ui->verticalSlider->setValue(preferences.zoom);
    settings = stored;
}

// Everything the user chose is written as soon as it changes.
void MainWindow::remember()
{
    if (!settings)
        return;
    preferences.language = qMax(0, ui->comboBox->currentIndex());
    preferences.zoom = zoom;
    preferences.pen_size = pen_size;
    preferences.erase_size = erase_size;
    if (readPreferences(*settings) != preferences)
        writePreferences(*settings, preferences);
}

MainWindow::~MainWindow()
{
    // The filters read the form, which goes first.
    ui->graphicsView->viewport()->removeEventFilter(this);
    ui->toolButton_2->removeEventFilter(this);
    ui->toolButton_3->removeEventFilter(this);
    delete ui;
}

QPen MainWindow::strokePen() const
{
    if (tool == TOOL_ERASE)
        return makeStrokePen(COLOR_BACK, erase_size);
    return makeStrokePen(COLOR_FRONT, pen_size);
}

void MainWindow::refresh()
{
    if (bitmap.isNull())
        return;

    const bool drawing = isDrawingTool(tool) && !line_points.isEmpty();
    const QImage work = drawing ? ImageLine(bitmap, line_points, strokePen()) : bitmap;

    BitmapCtrl* view = ui->graphicsView;
    renderCanvas(work, zoom, view->image);
    const int W = view->image.width();
    const int H = view->image.height();
    qDebug("center_point:(%d,%d) image size:(%d,%d)", center_point.x(), center_point.y(), W, H);
    view->image_pos = QPoint(center_point.x() - W / 2, center_point.y() - H / 2);
    view->viewport()->update();
}

QPoint MainWindow::canvasCentre() const
{
    return QPoint(ui->graphicsView->width() / 2, ui->graphicsView->height() / 2);
}

void MainWindow::moveBitmap()
{
    const QSize view_size = ui->graphicsView->viewport()->size();
    const int sw = BITMAP_WIDTH * zoom;
    const int sh = BITMAP_HEIGHT * zoom;
    RecalcLocate(center_point, QSize(sw, sh), view_size);
    const int lx = center_point.x();
    const int ly = center_point.y();
    ui->line_left->setVisible(lx >= sw / 2);
    ui->line_right->setVisible(view_size.width() - lx >= sw - sw / 2);
    ui->line_top->setVisible(ly >= sh / 2);
    ui->line_bottom->setVisible(view_size.height() - ly >= sh - sh / 2);
}

void MainWindow::onZoom(int value)
{
    zoom = quint8(value);
    moveBitmap();
    refresh();
    remember();
}

// The slot names run against the buttons: onZoomIn shrinks the cells.
void MainWindow::onZoomIn()
{
    stepSlider(ui->verticalSlider, -1);
}

void MainWindow::onZoomOut()
{
    stepSlider(ui->verticalSlider, +1);
}

// The three tool buttons are not auto-exclusive; this keeps exactly one checked.
void MainWindow::selectTool(TOOL_TYPE new_tool, Qt::CursorShape cursor, QMenu* menu)
{
    ui->toolButton_1->setChecked(new_tool == TOOL_MOVE);
    ui->toolButton_2->setChecked(new_tool == TOOL_PEN);
    ui->toolButton_3->setChecked(new_tool == TOOL_ERASE);
    ui->graphicsView->viewport()->setCursor(cursor);
    ui->graphicsView->context_menu = menu;
    tool = new_tool;
}

void MainWindow::onMove()
{
    qDebug("set move mode");
    selectTool(TOOL_MOVE, Qt::OpenHandCursor, nullptr);
}

void MainWindow::onPen()
{
    qDebug("set pen mode");
    selectTool(TOOL_PEN, Qt::CrossCursor, pen_menu);
}

void MainWindow::onErase()
{
    qDebug("set erase mode");
    selectTool(TOOL_ERASE, Qt::CrossCursor, erase_menu);
}

void MainWindow::onPenSize1(bool checked) { if (checked) { pen_size = 1; remember(); } }
void MainWindow::onPenSize3(bool checked) { if (checked) { pen_size = 3; remember(); } }
void MainWindow::onPenSize5(bool checked) { if (checked) { pen_size = 5; remember(); } }
void MainWindow::onPenSize7(bool checked) { if (checked) { pen_size = 7; remember(); } }
void MainWindow::onPenSize9(bool checked) { if (checked) { pen_size = 9; remember(); } }
void MainWindow::onEraseSize1(bool checked) { if (checked) { erase_size = 1; remember(); } }
void MainWindow::onEraseSize3(bool checked) { if (checked) { erase_size = 3; remember(); } }
void MainWindow::onEraseSize5(bool checked) { if (checked) { erase_size = 5; remember(); } }
void MainWindow::onEraseSize7(bool checked) { if (checked) { erase_size = 7; remember(); } }
void MainWindow::onEraseSize9(bool checked) { if (checked) { erase_size = 9; remember(); } }

void MainWindow::onLanguage(int index)
{
    static QTranslator translator_local;
    static QTranslator translator_system;

    if (index == 0) {
        language_suffix = QStringLiteral("EN");
        translator_system.load(QString());
        translator_local.load(QString());
    } else {
        language_suffix = QStringLiteral("CN");
        const QString dir = QCoreApplication::applicationDirPath();
        translator_system.load(QStringLiteral("qt_zh_CN.qm"), dir);
        translator_local.load(QStringLiteral("language_zh_CN.qm"), dir);
    }
    // installTranslator would stack a second copy of an installed translator.
    QCoreApplication::removeTranslator(&translator_system);
    QCoreApplication::removeTranslator(&translator_local);
    QCoreApplication::installTranslator(&translator_system);
    QCoreApplication::installTranslator(&translator_local);

    ui->openFileButton->setStyleSheet(qss_button.arg(QStringLiteral("Open"), language_suffix));
    ui->saveFileButton->setStyleSheet(qss_button.arg(QStringLiteral("SaveAsBitmap"), language_suffix));
    ui->saveCCodeButton->setStyleSheet(qss_button.arg(QStringLiteral("SaveAsCode"), language_suffix));
    ui->helpButton->setStyleSheet(qss_button.arg(QStringLiteral("Help"), language_suffix));
    ui->aboutButton->setStyleSheet(qss_button.arg(QStringLiteral("About"), language_suffix));
    ui->comboBox->setStyleSheet(
        QStringLiteral("QComboBox{color:transparent;border-image:url(:/image/Language_%1.png);}\n"
                       "QComboBox::drop-down{border:none;color:transparent;}\n"
                       "QComboBox::down-arrow{color:transparent;}")
            .arg(language_suffix));
    remember();
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        retranslateExtras();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (decode_cancel) { // the decode ends first; the user may close again then
        *decode_cancel = true;
        event->ignore();
        return;
    }
    if (maySwitchPicture())
        event->accept();
    else
        event->ignore();
}

void MainWindow::onHelp()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QUrl url = helpUrl(dir, helpPage(dir, language_suffix));
    qDebug("help: %s", qPrintable(url.toString()));
    QDesktopServices::openUrl(url);
}

void MainWindow::onAbout()
{
    holdButtonDown(ui->aboutButton, true);
    {
        AboutDialog dialog(this);
        dialog.exec();
    }
    holdButtonDown(ui->aboutButton, false);
}

void MainWindow::showMinimized()
{
    // A frameless window cannot be iconified on every desktop; lend it a
    // frame for the moment of minimising.
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QWidget::showMinimized();
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    show();
}

static bool plainLeft(Qt::MouseButton button)
{
    return button == Qt::LeftButton && QGuiApplication::keyboardModifiers() == Qt::NoModifier;
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    if (plainLeft(event->button()))
        drag_point = event->globalPos();
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() != Qt::LeftButton
        || QGuiApplication::keyboardModifiers() != Qt::NoModifier)
        return;
    if (isInvalidPoint(drag_point))
        return;
    move(pos() + event->globalPos() - drag_point);
    drag_point = event->globalPos();
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (plainLeft(event->button()))
        drag_point = INVALID_POINT;
}
