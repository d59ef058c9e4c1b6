#include "DesktopPrinter.h"
#include "DesktopServices.h"
#include "Fmain.h"
#include "InstanceLink.h"
#include "ProgramFolder.h"
#include "QtTranslations.h"
#include "Startup.h"
#include "XdgMailProgram.h"
#include "base/IDesktop.h"

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
    QApplication::setDesktopFileName(QStringLiteral("org.skribando.Skribando"));
    InstallQtGermanTranslations();

    DesktopServices desktop;
    const QStringList files = FilesFromArguments(QApplication::arguments());

    // One window per program folder: a copy started while another runs on
    // the same folder hands its files over and ends.
    const ProgramPlace place = ChooseProgramFolder(QApplication::applicationFilePath());
    InstanceLink link(place.folder);
    switch (link.handOver(files)) {
    case InstanceLink::HandedOver:
        return 0;
    case InstanceLink::NoAnswer:
        desktop.ShowMessageDialog(QStringLiteral("Skribando..."),
            QStringLiteral("Skribando läuft bereits mit dem Programmverzeichnis\r\n%1\r\n"
                           "und antwortet nicht. Versuchen Sie es später noch einmal.")
                .arg(place.folder),
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        return 1;
    case InstanceLink::NoneRunning:
        break;
    }
    // Files handed over during start-up wait for the window.
    QStringList early;
    TMainform *window = nullptr;
    QObject::connect(&link, &InstanceLink::filesReceived, &app, [&](const QStringList &more) {
        if (window)
            window->OpenFiles(more);
        else
            early += more;
    });
    link.listen();

    XdgMailProgram mail;
    DesktopPrinter printer;
    std::unique_ptr<Program> program
        = StartProgram(desktop, QApplication::applicationFilePath(), &mail, &printer);
    if (!program)
        return 1;
    desktop.setOwner(program->mainform.get());
    printer.setOwner(program->mainform.get());
    window = program->mainform.get();
    if (!files.isEmpty() || !early.isEmpty())
        window->OpenFiles(files + early);
    const int status = app.exec();
    window = nullptr;
    return status;
}
