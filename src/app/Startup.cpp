#include "Startup.h"

#include "FAbout.h"
#include "Fmain.h"
#include "Splash.h"
#include "base/IDesktop.h"
#include "base/UState.h"
#include "data/DDataAccess.h"
#include "exchange/FFrontImageDlg.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>

namespace {
constexpr int kSplashMilliseconds = 1500;
}

Program::~Program()
{
    // The window goes before the data it shows.
    aboutBox.reset();
    frontImageDlg.reset();
    mainform.reset();
    dataAccess.reset();
}

std::unique_ptr<Program> StartProgram(
    IDesktop &desktop, const QString &programFile, IMailProgram *mail, IPrinter *printer)
{
    auto splash = std::make_unique<TSplashForm>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();
    desktop.Pause(kSplashMilliseconds);

    auto program = std::make_unique<Program>();
    program->dataAccess = std::make_unique<TDataAccess>(desktop);
    program->mainform
        = std::make_unique<TMainform>(desktop, *program->dataAccess, programFile, mail, printer);
    if (!program->mainform->FormCreate())
        return nullptr;
    program->mainform->show();
    program->frontImageDlg = std::make_unique<TFrontImageDlg>(program->mainform.get());
    program->mainform->setFrontImageDlg(program->frontImageDlg.get());
    program->aboutBox = std::make_unique<TAboutBox1>(program->mainform.get());
    program->mainform->setAboutBox(program->aboutBox.get());

    SetState(StateInitial());
    splash->hide();
    return program;
}

QStringList FilesFromArguments(const QStringList &arguments)
{
    QStringList files;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (options && a == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (a.isEmpty() || (options && a.startsWith(u'-')))
            continue;
        QString path = a;
        if (a.startsWith(QLatin1String("file:")) || a.contains(QLatin1String("://"))) {
            const QUrl url(a);
            if (!url.isLocalFile())
                continue;
            path = url.toLocalFile();
        }
        files.append(QFileInfo(path).absoluteFilePath());
    }
    return files;
}
