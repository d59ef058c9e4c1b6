// The web-page tab of a table of 1,000 records: from showing the tab until
// the page is loaded at the current book, the first time (the browser engine
// starts) and again.

#include "BenchArchive.h"

#include "app/Fmain.h"
#include "app/Startup.h"
#include "base/IniFile.h"
#include "data/DDataAccess.h"
#include "documents/WebPages.h"
#include "files/ReviewFiles.h"
#include "tree/TreeProcedures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <unistd.h>

namespace {

struct Window
{
    QuietDesktop desktop;
    std::unique_ptr<Program> program;
};

// A started window that has loaded an archive of `files` review files of 40
// books, with the style sheet in place.
void startWithArchive(Window &w, const QString &programFolder, int files)
{
    writeArchive(programFolder + QStringLiteral("Zadizezerev/DB/Archiv"), files, 40, 1);
    QDir().mkpath(programFolder + QStringLiteral("Zadizezerev/Html"));
    QFile css(programFolder + QStringLiteral("Zadizezerev/Html/ubo.css"));
    css.open(QIODevice::WriteOnly);
    css.write("body { font-family: sans-serif }\n");
    css.close();
    IniFile ini(programFolder + QStringLiteral("Skribando.ini"));
    ini.writeBool(QStringLiteral("Folders"), QStringLiteral("AskYearFolder"), false);
    ini.writeString(
        QStringLiteral("Reviewer"), QStringLiteral("Firstname"), QStringLiteral("Anna"));
    ini.writeString(QStringLiteral("Reviewer"), QStringLiteral("Name"), QStringLiteral("Muster"));
    ini.writeString(
        QStringLiteral("WEBpage"), QStringLiteral("StyleSheet"), QStringLiteral("ubo.css"));
    ini.UpdateFile();
    w.program = StartProgram(w.desktop, programFolder + QStringLiteral("Skribando"));
    TMainform &m = *w.program->mainform;
    m.TreeView1->setCurrentItem(RootNode(m.TreeView1));
    m.TreeView1Enter();
    m.reviewFiles()->ActionLoadExecute();
}

// Shows the web-page tab and waits until the page is loaded at its book.
double showWebTabMs(TMainform &m)
{
    m.SetActivePage(TMainform::pgBookData);
    QEventLoop loop;
    QObject::connect(m.webPages(), &WebPages::pageShown, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    m.SetActivePage(TMainform::pgWebPage);
    loop.exec();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QApplication app(argc, argv);

    QTemporaryDir small;
    const QString smallFolder = small.path() + u'/';
    Window w;
    startWithArchive(w, smallFolder, 25);
    TMainform &m = *w.program->mainform;
    m.resize(1000, 700);
    m.show();
    QTreeWidgetItem *file = FindNodeByPath(m.TreeView1, QStringLiteral("DB/Archiv/AB_0012.cds"));
    m.TreeView1->setCurrentItem(file->child(20));
    const double firstMs = showWebTabMs(m);
    m.TreeView1->setCurrentItem(
        FindNodeByPath(m.TreeView1, QStringLiteral("DB/Archiv/AB_0022.cds"))->child(30));
    const double againMs = showWebTabMs(m);

    std::printf("web_tab_1000_ms %.1f ms\n", firstMs);
    std::printf("web_tab_1000_again_ms %.1f ms\n", againMs);
    return 0;
}
