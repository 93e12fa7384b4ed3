#include "mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Nothing is drawn with OpenGL; under X11 the toolkit would otherwise load
    // the GL libraries, tens of megabytes, at start-up.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
