#include "converter.h"
#include "mainwindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // Past a file size limit a write should fail and be reported, not end the
    // program with the user's work.
    std::signal(SIGXFSZ, SIG_IGN);
    // The converter runs in builds, where there may be no display: it gets a
    // core application only, which loads no platform plugin.
    if (argc >= 2 && std::strcmp(argv[1], "convert") == 0) {
        QCoreApplication app(argc, argv);
        QStringList arguments = app.arguments();
        arguments.removeAt(1);
        return convertCommand(arguments);
    }
    // Answered before the window's application exists, so without a display too.
    if (argc == 2 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help"))) {
        std::fputs(qPrintable(programHelpText()), stdout);
        return 0;
    }
    if (argc == 2 && (!std::strcmp(argv[1], "-v") || !std::strcmp(argv[1], "--version"))) {
        std::fputs("dotwright " DOTWRIGHT_VERSION "\n", stdout);
        return 0;
    }

    // Nothing is drawn with OpenGL; under X11 the toolkit would otherwise load
    // the GL libraries, tens of megabytes, at start-up.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    // The toolkit has taken its own options out by now.
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments.first().startsWith('-'))) {
        std::fprintf(stderr, "dotwright: unexpected '%s' (dotwright --help tells the usage)\n",
                     qPrintable(arguments.value(arguments.size() > 1 ? 1 : 0)));
        return CONVERT_USAGE;
    }
    MainWindow window;
    window.show();
    if (!arguments.isEmpty()) {
        const QString path = QFileInfo(arguments.first()).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, path] { window.openFile(path); });
    }
    return app.exec();
}
