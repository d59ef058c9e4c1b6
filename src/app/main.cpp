#include "DesktopPrinter.h"
#include "DesktopServices.h"
#include "Fmain.h"
#include "QtTranslations.h"
#include "Startup.h"
#include "XdgMailProgram.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char *argv[])
{
    // The browser engine of the web-page tab refuses to start its sandbox for
    // root; there it runs without one.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skribando"));
    InstallQtGermanTranslations();

    DesktopServices desktop;
    XdgMailProgram mail;
    DesktopPrinter printer;
    std::unique_ptr<Program> program
        = StartProgram(desktop, QApplication::applicationFilePath(), &mail, &printer);
    if (!program)
        return 1;
    desktop.setOwner(program->mainform.get());
    printer.setOwner(program->mainform.get());
    return app.exec();
}
