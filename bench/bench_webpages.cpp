// The HTML pages of a coordinator's table: writing the page of 40,000
// records against writing as many bytes with one plain file write, and
// showing the web-page tab of 1,000 records until the page is at its book.

#include "BenchSupport.h"
#include "app/Fmain.h"
#include "app/IniFile.h"
#include "app/Startup.h"
#include "data/DDataAccess.h"
#include "data/ReviewSchema.h"
#include "documents/WebPages.h"
#include "tree/TreeNavigation.h"
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
    QTreeWidgetItem *file = nullptr;
};

// A started window whose review table holds `books` records, shown as the
// book nodes of one review file.
void startWithBooks(Window &w, const QString &programFolder, int books)
{
    QDir().mkpath(programFolder + QStringLiteral("Zadizezerev/DB/Archiv"));
    QDir().mkpath(programFolder + QStringLiteral("Zadizezerev/Html"));
    QFile(programFolder + QStringLiteral("Zadizezerev/DB/Archiv/AB.cds"))
        .open(QIODevice::WriteOnly);
    QFile css(programFolder + QStringLiteral("Zadizezerev/Html/ubo.css"));
    css.open(QIODevice::WriteOnly);
    css.write("body { font-family: sans-serif }\n");
    css.close();
    IniFile ini(programFolder + QStringLiteral("Skribando.ini"));
    ini.writeBool(QStringLiteral("Folders"), QStringLiteral("AskYearFolder"), false);
    ini.writeString(
        QStringLiteral("WEBpage"), QStringLiteral("StyleSheet"), QStringLiteral("ubo.css"));
    ini.UpdateFile();
    w.program = StartProgram(w.desktop, programFolder + QStringLiteral("Skribando"));
    TMainform &m = *w.program->mainform;
    DataSet &t = *w.program->dataAccess->DSetReview;
    t.setTag(TDataAccess::tagNone);
    QRandomGenerator rng(7);
    t.disableControls();
    for (int i = 1; i <= books; ++i) {
        FillBenchRecord(t, i, rng);
        t.post();
    }
    t.enableControls();
    w.file = FindNodeByPath(m.TreeView1, QStringLiteral("DB/Archiv/AB.cds"));
    m.treeNavigation()->TreeViewPopulateFileNode(w.file);
}

template<typename F>
double bestOf3Ms(F &&f)
{
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

// The baseline, as a function of its own.
[[gnu::noinline]] void plainWrite(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
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
    qputenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false");
    QApplication app(argc, argv);

    QTemporaryDir large;
    const QString largeFolder = large.path() + u'/';
    double pageMs = 0;
    double plainMs = 0;
    qint64 pageBytes = 0;
    {
        Window w;
        startWithBooks(w, largeFolder, 40000);
        TMainform &m = *w.program->mainform;
        const QString page = largeFolder + QStringLiteral("Zadizezerev/Html/Alle.htm");
        pageMs = bestOf3Ms([&] { m.webPages()->WriteHtmlFile(page, false); });
        pageBytes = QFileInfo(page).size();
        const QByteArray same(pageBytes, 'x');
        const QString plain = largeFolder + QStringLiteral("Zadizezerev/Html/Plain.htm");
        plainMs = bestOf3Ms([&] { plainWrite(plain, same); });
    }

    QTemporaryDir small;
    const QString smallFolder = small.path() + u'/';
    Window w;
    startWithBooks(w, smallFolder, 1000);
    TMainform &m = *w.program->mainform;
    m.resize(1000, 700);
    m.show();
    m.TreeView1->setCurrentItem(w.file->child(500));
    const double firstMs = showWebTabMs(m);
    m.TreeView1->setCurrentItem(w.file->child(900));
    const double againMs = showWebTabMs(m);

    std::printf("html_write_40000_ms %.1f ms (%.1f MB)\n", pageMs, double(pageBytes) / 1e6);
    std::printf("plain_write_same_bytes_ms %.1f ms\n", plainMs);
    std::printf("html_write_ratio %.2f\n", pageMs / plainMs);
    std::printf("web_tab_1000_ms %.1f ms\n", firstMs);
    std::printf("web_tab_1000_again_ms %.1f ms\n", againMs);
    return 0;
}
