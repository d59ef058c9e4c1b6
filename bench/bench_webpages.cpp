// The web-page tab of a coordinator's archive of 40,000 books: from showing
// the tab until the page is loaded and stands at the current book, the first
// time after the browser engine has started and again when no record has
// changed. The engine's start is measured on its own first, with a page of
// one book, and the time of a plain write of the page's bytes is the
// baseline of the same run.

#include "BenchArchive.h"

#include "app/Fmain.h"
#include "app/Startup.h"
#include "base/IniFile.h"
#include "base/WorkingFolders.h"
#include "data/DDataAccess.h"
#include "documents/WebPages.h"
#include "files/ReviewFiles.h"
#include "store/DataSet.h"
#include "tree/TreeProcedures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>
#include <unistd.h>

namespace {

struct Window
{
    QuietDesktop desktop;
    std::unique_ptr<Program> program;
};

// A started window over the database folder with the archive of `files`
// review files of 40 books in DB/Archiv and one file of one book in
// DB/Klein, with the style sheet in place.
void startWithArchive(Window &w, const QString &programFolder, int files)
{
    writeArchive(programFolder + QStringLiteral("Zadizezerev/DB/Archiv"), files, 40, 1);
    writeArchive(programFolder + QStringLiteral("Zadizezerev/DB/Klein"), 1, 1, 900000);
    QDir().mkpath(programFolder + QStringLiteral("Zadizezerev/Html"));
    QFile css(programFolder + QStringLiteral("Zadizezerev/Html/ubo.css"));
    css.open(QIODevice::WriteOnly);
    css.write("body { font-family: sans-serif }\n");
    css.close();
    IniFile ini(programFolder + QStringLiteral("Skribando.ini"));
    ini.writeString(
        QStringLiteral("WEBpage"), QStringLiteral("StyleSheet"), QStringLiteral("ubo.css"));
    ini.UpdateFile();
    w.program = StartOnDatabase(w.desktop, programFolder);
}

void load(TMainform &m, const QString &path)
{
    m.TreeView1->setCurrentItem(FindNodeByPath(m.TreeView1, path));
    m.TreeView1Enter();
    m.reviewFiles()->ActionLoadExecute();
}

// Shows the web-page tab and waits until the page is loaded and the
// browser tells where the current book's entry stands (0: at the top).
double showWebTabMs(TMainform &m, double *entryTop)
{
    m.SetActivePage(TMainform::pgBookData);
    QEventLoop loop;
    QElapsedTimer timer;
    const QString anchor = m.webPages()
                               ->pages()
                               .ComposePreviewHTML(true)
                               .section(QStringLiteral("<a name=\""), 1, 1)
                               .section(u'"', 0, 0);
    const auto conn = QObject::connect(m.webPages(), &WebPages::pageShown, &loop, [&] {
        m.webPages()->WebBrowser()->page()->runJavaScript(
            QStringLiteral("(function(){var a=document.getElementsByName('%1')[0];"
                           "return a?a.getBoundingClientRect().top:-1e9;})()")
                .arg(anchor),
            [&](const QVariant &top) {
                *entryTop = top.toDouble();
                loop.quit();
            });
    });
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    timer.start();
    m.SetActivePage(TMainform::pgWebPage);
    loop.exec();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    QObject::disconnect(conn);
    return ms;
}

double plainWriteMs(const QString &path, qint64 bytes)
{
    const QByteArray same(bytes, 'x');
    QElapsedTimer timer;
    timer.start();
    QFile out(path);
    if (out.open(QIODevice::WriteOnly))
        out.write(same);
    out.close();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString programFolder = dir.path() + u'/';
    Window w;
    startWithArchive(w, programFolder, 1000);
    TMainform &m = *w.program->mainform;
    m.resize(1000, 700);
    m.show();

    // The engine starts with the page of one book.
    load(m, QStringLiteral("DB/Klein/AB_0000.cds"));
    double top = 0;
    const double engineMs = showWebTabMs(m, &top);

    load(m, QStringLiteral("DB/Archiv/"));
    const int books = w.program->dataAccess->DSetReview->recordCount();
    m.TreeView1->setCurrentItem(
        FindNodeByPath(m.TreeView1, QStringLiteral("DB/Archiv/AB_0512.cds"))->child(20));
    double firstTop = 0;
    const double firstMs = showWebTabMs(m, &firstTop);
    m.TreeView1->setCurrentItem(
        FindNodeByPath(m.TreeView1, QStringLiteral("DB/Archiv/AB_0822.cds"))->child(30));
    double againTop = 0;
    const double againMs = showWebTabMs(m, &againTop);

    const QString page = w.program->mainform->folders().htmlFolder + QStringLiteral("tmp.htm");
    const qint64 pageBytes = QFileInfo(page).size();
    const double plainMs = plainWriteMs(programFolder + QStringLiteral("plain.htm"), pageBytes);

    std::printf("web_engine_start_ms %.1f ms (a page of one book)\n", engineMs);
    std::printf("web_tab_40000_ms %.1f ms (%d books, entry at %.0f px, %lld bytes)\n", firstMs,
        books, firstTop, pageBytes);
    std::printf("web_tab_40000_again_ms %.1f ms (entry at %.0f px)\n", againMs, againTop);
    std::printf("web_tab_plain_write_ms %.1f ms\n", plainMs);
    std::printf("web_tab_ratio %.2f (first showing against a plain write of the page)\n",
        firstMs / plainMs);
    return 0;
}
