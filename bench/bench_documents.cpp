// The documents of a coordinator's 40,000 reviews: the preview of all of them,
// the publisher documents and the HTML page, each compared with a plain
// baseline of the same output in the same run.

#include "BenchArchive.h"

#include "app/Fmain.h"
#include "app/IniFile.h"
#include "app/Startup.h"
#include "data/DDataAccess.h"
#include "data/ReviewFiles.h"
#include "documents/Preview.h"
#include "documents/PreviewPage.h"
#include "documents/RtfWordProcessor.h"
#include "documents/WebPages.h"
#include "documents/WordDocuments.h"
#include "tree/TreeProcedures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>

namespace {

double msSince(const QElapsedTimer &timer) { return double(timer.nsecsElapsed()) / 1e6; }

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Switzerland));
    QTemporaryDir dir;
    const QString programFolder = dir.path() + u'/';
    writeArchive(programFolder + QStringLiteral("Zadizezerev/DB/Archiv"), 1000, 40, 1);

    QuietDesktop desktop;
    IniFile ini(programFolder + QStringLiteral("Skribando.ini"));
    ini.writeBool(QStringLiteral("Folders"), QStringLiteral("AskYearFolder"), false);
    ini.writeString(
        QStringLiteral("Reviewer"), QStringLiteral("Firstname"), QStringLiteral("Anna"));
    ini.writeString(QStringLiteral("Reviewer"), QStringLiteral("Name"), QStringLiteral("Muster"));
    ini.UpdateFile();
    std::unique_ptr<Program> program
        = StartProgram(desktop, programFolder + QStringLiteral("Skribando"));
    TMainform &w = *program->mainform;
    w.TreeView1->setCurrentItem(RootNode(w.TreeView1));
    w.TreeView1Enter();
    w.reviewFiles()->ActionLoadExecute();
    DataSet &table = *program->dataAccess->DSetReview;
    const int records = table.recordCount();

    // "Alle Besprechungen" against one setPlainText of the same text into
    // the same kind of control.
    QElapsedTimer timer;
    timer.start();
    w.preview()->ShowPreviewInRichEdit(true);
    const double previewMs = msSince(timer);
    const QString text = w.previewPage()->RichEdit1->toPlainText();
    QPlainTextEdit plain;
    plain.setReadOnly(true);
    plain.setFont(PreviewPage::previewFont());
    timer.restart();
    plain.setPlainText(text);
    const double plainMs = msSince(timer);

    // The publisher documents against writing as many bytes at once.
    const QString wordFolder = programFolder + QStringLiteral("Word/");
    QDir().mkpath(wordFolder);
    RtfWordProcessor word;
    const auto style = ReadDocStyle(w.SettingsFile(), nullptr);
    QStringList written;
    timer.restart();
    WordDocuments(table, word).WritePublisherDocuments(wordFolder, *style, nullptr, &written);
    const double publisherMs = msSince(timer);
    qint64 bytes = 0;
    for (const QString &f : written)
        bytes += QFileInfo(f).size();
    const QByteArray same(bytes, 'x');
    timer.restart();
    {
        QFile out(programFolder + QStringLiteral("plain.bin"));
        if (out.open(QIODevice::WriteOnly))
            out.write(same);
    }
    const double plainWriteMs = msSince(timer);

    // The HTML page of the same table against writing as many bytes at once.
    const QString page = w.folders().htmlFolder + QStringLiteral("Alle.htm");
    timer.restart();
    w.webPages()->WriteHtmlFile(page, false);
    const double htmlMs = msSince(timer);
    const QByteArray sameAsPage(QFileInfo(page).size(), 'x');
    timer.restart();
    {
        QFile out(programFolder + QStringLiteral("plain.htm"));
        if (out.open(QIODevice::WriteOnly))
            out.write(sameAsPage);
    }
    const double plainPageMs = msSince(timer);

    std::printf("records %d\n", records);
    std::printf("preview_all_ms %.1f ms (%lld characters)\n", previewMs, qint64(text.size()));
    std::printf("preview_plain_set_ms %.1f ms\n", plainMs);
    std::printf("preview_all_ratio %.2f\n", previewMs / plainMs);
    std::printf("publisher_docs_ms %.1f ms (%lld documents, %lld bytes)\n", publisherMs,
        qint64(written.size()), bytes);
    std::printf("publisher_docs_plain_write_ms %.1f ms\n", plainWriteMs);
    std::printf("publisher_docs_vs_plain_write_ratio %.2f\n", publisherMs / plainWriteMs);
    std::printf("html_write_ms %.1f ms (%lld bytes)\n", htmlMs, qint64(sameAsPage.size()));
    std::printf("html_plain_write_ms %.1f ms\n", plainPageMs);
    std::printf("html_write_ratio %.2f\n", htmlMs / plainPageMs);
    std::printf("publisher_docs_ratio %.2f\n", publisherMs / htmlMs);
    return 0;
}
