// A coordinator's archive: loads 100 and then 1,000 review files of 40 books
// each through the real "Laden" of a headless main window, and compares with
// reading the same files with the packet reader alone, in the same run.

#include "BenchArchive.h"

#include "app/Fmain.h"
#include "app/Startup.h"
#include "base/ActionList.h"
#include "base/IDesktop.h"
#include "base/IniFile.h"
#include "data/DDataAccess.h"
#include "files/ReviewFiles.h"
#include "store/DataPacket.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <sys/resource.h>

namespace {

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Fresh memory costs a page fault per page; on some machines that is a
// large part of a load.
long pageFaults()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Resident kilobytes now ("VmRSS") or at the peak ("VmHWM") of this process.
long statusKilobytes(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

qint64 folderBytes(const QString &folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

// Run in a process of its own, so nothing the other measurements left on
// the heap is counted or reused: the started empty window, then "Laden" of
// the archive and "Speichern" of the loaded table. Prints the peak resident
// memory over that of the started window, in kilobytes.
int measureMemory(const QString &programFolder)
{
    QuietDesktop desktop;
    std::unique_ptr<Program> program = StartOnDatabase(desktop, programFolder);
    TMainform &w = *program->mainform;
    QApplication::processEvents();
    const long started = statusKilobytes("VmRSS");
    // Starts the peak afresh from here (where the kernel allows it).
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    w.reviewFiles()->ActionLoadExecute();
    const long loaded = statusKilobytes("VmHWM");
    QTreeWidget *tree = w.TreeView1;
    tree->setCurrentItem(FindNodeByPath(tree, QStringLiteral("DB/Archiv/")));
    w.TreeView1Enter();
    w.reviewFiles()->ActionSaveExecute();
    // Not getrusage(): its peak carries over from the parent at fork.
    const long peak = statusKilobytes("VmHWM");
    std::printf(
        "%ld %ld %d %ld\n", started, peak, program->dataAccess->DSetReview->recordCount(), loaded);
    return 0;
}

// The baselines, as functions of their own so that an instruction count
// (valgrind --tool=callgrind --toggle-collect=...) can take each alone.
[[gnu::noinline]] int readFiles(const QString &folder, const QStringList &files)
{
    int rows = 0;
    for (const QString &name : files) {
        PacketData packet;
        DataPacket::loadFromFile(folder + name, packet);
        rows += int(packet.rows.size());
    }
    return rows;
}

[[gnu::noinline]] QList<PacketData> readFilesKept(const QString &folder, const QStringList &files)
{
    QList<PacketData> kept;
    for (const QString &name : files) {
        PacketData packet;
        DataPacket::loadFromFile(folder + name, packet);
        kept.append(std::move(packet));
    }
    return kept;
}

struct LoadResult
{
    double loadMs = 0;
    double readMs = 0;
    double keptReadMs = 0;
    long peakKb = 0;
    double saveMs = 0;
    int books = 0;
    long loadFaults = 0;
    long readFaults = 0;
    long keptReadFaults = 0;
};

LoadResult loadArchive(const QString &programFolder, bool timeSave)
{
    QuietDesktop desktop;
    std::unique_ptr<Program> program = StartOnDatabase(desktop, programFolder);
    TMainform &w = *program->mainform;
    QTreeWidget *tree = w.TreeView1;

    LoadResult r;
    QElapsedTimer timer;
    long faults = pageFaults();
    timer.start();
    w.reviewFiles()->ActionLoadExecute();
    r.loadMs = double(timer.nsecsElapsed()) / 1e6;
    r.loadFaults = pageFaults() - faults;
    r.books = program->dataAccess->DSetReview->recordCount();

    const QString db = w.folders().dbFolder;
    const QStringList files
        = QDir(db + QStringLiteral("Archiv")).entryList(QDir::Files, QDir::Name);
    if (timeSave) {
        tree->setCurrentItem(FindNodeByPath(tree, QStringLiteral("DB/Archiv/")));
        w.TreeView1Enter();
        timer.restart();
        w.reviewFiles()->ActionSaveExecute();
        r.saveMs = double(timer.nsecsElapsed()) / 1e6;
    }
    r.peakKb = peakKilobytes();

    // The same files through the packet reader alone.
    faults = pageFaults();
    timer.restart();
    const int rows = readFiles(db + QStringLiteral("Archiv/"), files);
    r.readMs = double(timer.nsecsElapsed()) / 1e6;
    r.readFaults = pageFaults() - faults;
    // The same again, keeping what was read as loading must: the memory it
    // fills is a large part of the cost, and the plain read above reuses
    // the same few megabytes for every file.
    {
        faults = pageFaults();
        timer.restart();
        const QList<PacketData> kept = readFilesKept(db + QStringLiteral("Archiv/"), files);
        r.keptReadMs = double(timer.nsecsElapsed()) / 1e6;
        r.keptReadFaults = pageFaults() - faults;
    }
    if (rows != r.books)
        std::fprintf(stderr, "books read %d, loaded %d\n", rows, r.books);

    return r;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Switzerland));
    if (argc == 3 && QByteArray(argv[1]) == "--memory")
        return measureMemory(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir small;
    QTemporaryDir large;
    const QString smallProgram = small.path() + u'/';
    const QString largeProgram = large.path() + u'/';
    writeArchive(smallProgram + QStringLiteral("Zadizezerev/DB/Archiv"), 100, 40, 1);
    writeArchive(largeProgram + QStringLiteral("Zadizezerev/DB/Archiv"), 1000, 40, 1);

    const LoadResult s = loadArchive(smallProgram, false);
    const LoadResult l = loadArchive(largeProgram, true);

    // Memory in a fresh process on a fresh copy of the archive (the save
    // above added a file to this one).
    QTemporaryDir fresh;
    const QString freshProgram = fresh.path() + u'/';
    const QString freshArchive = freshProgram + QStringLiteral("Zadizezerev/DB/Archiv");
    writeArchive(freshArchive, 1000, 40, 1);
    const qint64 archiveBytes = folderBytes(freshArchive);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(), { QStringLiteral("--memory"), freshProgram });
    child.waitForFinished(-1);
    const QList<QByteArray> memory = child.readAllStandardOutput().trimmed().split(' ');
    const double startedMb = memory.value(0).toLong() / 1024.0;
    const double peakMb = memory.value(1).toLong() / 1024.0;
    const double filesMb = double(archiveBytes) / (1024.0 * 1024.0);

    std::printf("load_100_files %.1f ms (%d books)\n", s.loadMs, s.books);
    std::printf("load_1000_files %.1f ms (%d books)\n", l.loadMs, l.books);
    std::printf("read_1000_files_packet_reader %.1f ms\n", l.readMs);
    std::printf("read_1000_files_packet_reader_kept %.1f ms\n", l.keptReadMs);
    std::printf("page_faults_load_1000_files %ld\n", l.loadFaults);
    std::printf("page_faults_read_1000_files %ld\n", l.readFaults);
    std::printf("page_faults_read_1000_files_kept %ld\n", l.keptReadFaults);
    std::printf("save_40000_records %.1f ms\n", l.saveMs);
    std::printf("peak_memory_after_load_and_save %.1f MB\n", l.peakKb / 1024.0);
    std::printf("memory_started_window %.1f MB\n", startedMb);
    std::printf("memory_peak_after_load_and_save %.1f MB (%s books)\n", peakMb,
        memory.value(2).constData());
    std::printf("memory_peak_after_load %.1f MB\n", memory.value(3).toLong() / 1024.0);
    std::printf("memory_review_files %.1f MB\n", filesMb);
    std::printf("memory_over_files_ratio %.2f\n", (peakMb - startedMb) / filesMb);
    std::printf("load_scaling_ratio %.2f\n", l.loadMs / s.loadMs);
    std::printf("load_overhead_ratio %.2f\n", l.loadMs / l.readMs);
    std::printf("load_overhead_vs_kept_read_ratio %.2f\n", l.loadMs / l.keptReadMs);
    return 0;
}
