#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "global.h"
#include "history.h"
#include "picture.h"
#include "preferences.h"

#include <QActionGroup>
#include <QFileDialog>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <QUrl>

class QMenu;
class QSettings;
class QToolButton;
class Ui_MainWindow;

// The URL of the help page `page` of a program living in `app_dir`.
QUrl helpUrl(const QString& app_dir, const QString& page = QStringLiteral("help.html"));

// The help page of a language ("EN" or "CN") that exists in `app_dir`,
// falling back to the English one.
QString helpPage(const QString& app_dir, const QString& language);


// While a command's dialog is open its button shows its selected skin:
// checkable and checked, then back to a plain button.
void holdButtonDown(QToolButton* button, bool down);

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Imports the picture at `path`, first asking what to do with unsaved edits.
    void openFile(const QString& path);

public slots:
    void onFilterSelected(const QString& filter);
    void onLanguage(int index);
    void showMinimized();
    void onOpenFile();
    void onSaveFile();
    void onSaveCCode();
    void onHelp();
    void onAbout();
    void onZoom(int zoom);
    void onZoomIn();
    void onZoomOut();
    void onMove();
    void onPen();
    void onErase();
    void onInvert();
    void onRotateCW();
    void onRotateCCW();
    void onMirrorX();
    void onMirrorY();
    void onUndo();
    void onRedo();
    void onPenSize1(bool checked);
    void onPenSize3(bool checked);
    void onPenSize5(bool checked);
    void onPenSize7(bool checked);
    void onPenSize9(bool checked);
    void onEraseSize1(bool checked);
    void onEraseSize3(bool checked);
    void onEraseSize5(bool checked);
    void onEraseSize7(bool checked);
    void onEraseSize9(bool checked);
    void onPaste();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class MainWindowTester;

    QPoint canvasCentre() const;
    void moveBitmap();
    void refresh();
    void selectTool(TOOL_TYPE new_tool, Qt::CursorShape cursor, QMenu* menu);
    void addShortcuts();
    void retranslateExtras();
    void restorePreferences();
    void remember();

    // Edit history and whole-image commands (mainwindow_history.cpp).
    void AddHistory(const BITMAP_OPERATE& op);
    void clearHistory();
    void rotate(OPERATE_TYPE type);
    void applyWholeImage(OPERATE_TYPE type, const char* message);

    // Strokes and canvas pointer handling (mainwindow_canvas.cpp).
    QPen strokePen() const;
    QPoint mapToBitmap(const QPoint& viewport_pos) const;
    void beginStroke(const QPoint& viewport_pos);
    bool extendStroke(const QPoint& pixel);
    void commitStroke();
    bool commitStrokeOnCtrl();
    bool canvasEvent(QEvent* event);

    // Files (mainwindow_files.cpp).
    // `type`, when given, names the type filter selected at the start and
    // receives the one the user chose.
    bool showFileDialog(QString& path, QFileDialog::AcceptMode mode, const QString& title,
                        const QString& filter, QString* type = nullptr);
    bool runFileDialog(QToolButton* button, QString& path, QFileDialog::AcceptMode mode,
                       const QString& title, const QString& filter, QString* type = nullptr);
    QString loadCodeTemplate();
    QString readTemplate(const QString& relative);
    void showError(const QString& text);
    void importPicture(const QString& path);
    OpenedPicture decodeInBackground(const QString& path, bool* cancelled);
    void takePicture(OpenedPicture&& opened, const QString& path);
    bool saveAsBitmap();
    bool saveAsCode();
    bool isModified() const;
    bool maySwitchPicture();
    QString openFolder() const;
    QString proposedSavePath(const QString& suffix) const;
    void rememberSaveFolder(const QString& path);

    Ui_MainWindow* ui;
    QFileDialog* file_dialog;
    QMenu* pen_menu;
    QMenu* erase_menu;
    QActionGroup pen_group;
    QActionGroup erase_group;
    QPoint drag_point;
    QImage bitmap;
    QString file_path;
    EditHistory history;
    QList<QPoint> line_points;
    QPoint center_point;
    QPoint last_point;
    TOOL_TYPE tool;
    quint8 zoom;
    quint8 pen_size;
    quint8 erase_size;
    QSettings* settings;
    Preferences preferences;
    // The bitmap as last opened or saved: edits are unsaved while it differs.
    QImage clean_bitmap;
    bool picture_opened;
    // Set while a picture decodes: the decode's cancel flag.
    std::atomic_bool* decode_cancel;
};

// How long a decode runs before its busy box comes up, in milliseconds.
constexpr int BUSY_DELAY_MS = 400;

#endif // MAINWINDOW_H
