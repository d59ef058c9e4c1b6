// The documents of a coordinator's 40,000 reviews: the preview of all of them,
// the HTML page and the publisher documents, each compared with a plain
// baseline of the same output in the same run. Ratios use the thread's processor time, which
// the other work on these shared machines disturbs far less than the clock.

#include "BenchArchive.h"

#include "app/Fmain.h"
#include "data/DDataAccess.h"
#include "documents/Preview.h"
#include "documents/PreviewPage.h"
#include "documents/RtfWordProcessor.h"
#include "documents/WebPages.h"
#include "documents/WordDocuments.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

// Wall time and processor time of one step, in milliseconds.
struct Lap
{
    double wallMs = 0;
    double processorMs = 0;
};

class Stopwatch
{
public:
    Stopwatch()
    {
        m_wall.start();
        m_cpu = cpuMs();
    }
    Lap lap() const { return { double(m_wall.nsecsElapsed()) / 1e6, cpuMs() - m_cpu }; }

private:
    static double cpuMs()
    {
        timespec ts {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    }
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

void report(const char *name, const Lap &step)
{
    std::printf("%s %.1f ms (processor %.1f ms)\n", name, step.wallMs, step.processorMs);
}

// The baseline: as many bytes written to a new file with one plain write.
Lap plainWriteOf(const QString &path, qint64 bytes)
{
    const QByteArray same(bytes, 'x');
    Stopwatch plainWrite;
    {
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(same);
    }
    return plainWrite.lap();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Switzerland));
    QTemporaryDir dir;
    const QString programFolder = dir.path() + u'/';
    QuietDesktop desktop;
    std::unique_ptr<Program> program = StartOnLoadedArchive(desktop, programFolder);
    TMainform &w = *program->mainform;
    DataSet &table = *program->dataAccess->DSetReview;
    std::printf("records %d\n", table.recordCount());

    // "Alle Besprechungen" against one setPlainText of the same text into
    // the same kind of control.
    Stopwatch preview;
    w.preview()->ShowPreviewInRichEdit(true);
    const Lap previewDone = preview.lap();
    const QString text = w.previewPage()->RichEdit1->toPlainText();
    QPlainTextEdit plain;
    plain.setReadOnly(true);
    plain.setFont(PreviewPage::previewFont());
    plain.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    plain.resize(w.previewPage()->RichEdit1->size());
    Stopwatch plainSet;
    plain.setPlainText(text);
    const Lap plainSetDone = plainSet.lap();
    report("preview_all", previewDone);
    report("preview_plain_set", plainSetDone);
    std::printf("preview_all_ratio %.2f (wall %.2f; %lld characters)\n",
        previewDone.processorMs / plainSetDone.processorMs,
        previewDone.wallMs / plainSetDone.wallMs, qint64(text.size()));

    // The HTML page against writing as many bytes at once.
    const QString page = w.folders().htmlFolder + QStringLiteral("Alle.htm");
    Stopwatch html;
    w.webPages()->WriteHtmlFile(page, false);
    const Lap htmlDone = html.lap();
    const qint64 pageBytes = QFileInfo(page).size();
    const Lap plainPageDone = plainWriteOf(programFolder + QStringLiteral("plain.htm"), pageBytes);
    report("html_write", htmlDone);
    report("html_plain_write", plainPageDone);
    std::printf("html_write_ratio %.2f (wall %.2f; %lld bytes)\n",
        htmlDone.processorMs / plainPageDone.processorMs, htmlDone.wallMs / plainPageDone.wallMs,
        pageBytes);

    // The publisher documents against writing as many bytes at once, and
    // against the HTML page of the same table.
    const QString wordFolder = programFolder + QStringLiteral("Word/");
    QDir().mkpath(wordFolder);
    RtfWordProcessor word;
    const auto style = ReadDocStyle(w.SettingsFile(), nullptr);
    QStringList written;
    Stopwatch publishers;
    WordDocuments(table, word).WritePublisherDocuments(wordFolder, *style, nullptr, &written);
    const Lap publishersDone = publishers.lap();
    qint64 bytes = 0;
    for (const QString &f : written)
        bytes += QFileInfo(f).size();
    const Lap plainWriteDone = plainWriteOf(programFolder + QStringLiteral("plain.bin"), bytes);
    report("publisher_docs", publishersDone);
    report("publisher_docs_plain_write", plainWriteDone);
    std::printf(
        "publisher_docs_vs_plain_write_ratio %.2f (wall %.2f; %lld bytes, %lld documents)\n",
        publishersDone.processorMs / plainWriteDone.processorMs,
        publishersDone.wallMs / plainWriteDone.wallMs, bytes, qint64(written.size()));
    std::printf("publisher_docs_ratio %.2f (wall %.2f; against the HTML page)\n",
        publishersDone.processorMs / htmlDone.processorMs, publishersDone.wallMs / htmlDone.wallMs);
    return 0;
}
