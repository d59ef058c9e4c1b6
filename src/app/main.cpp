#include "app/DesktopPrinter.h"
#include "app/DesktopServices.h"
#include "app/Fmain.h"
#include "app/QtTranslations.h"
#include "app/Startup.h"
#include "app/XdgMailProgram.h"

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
    std::unique_ptr<Program> program = StartProgram(desktop, QApplication::applicationFilePath());
    if (!program)
        return 1;
    desktop.setOwner(program->mainform.get());
    program->mainform->setMailProgram(&mail);
    printer.setOwner(program->mainform.get());
    program->mainform->setPrinter(&printer);
    return app.exec();
}
