// The zip import on untrusted bytes: entries are read within their declared
// size, and extracting writes only review files and pictures, only into the
// two folders it is given.

#include "exchange/ZipImport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

// Entries larger than this are only read, not extracted: the fuzzer makes
// many archives a second.
constexpr quint64 kExtractLimit = 1 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir work;
    ZipArchive zip;
    if (!zip.OpenBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)))) {
        if (zip.ErrorString().isEmpty())
            fault("an archive was refused without a message");
        return 0;
    }
    bool small = true;
    for (int i = 0; i < zip.Count(); ++i) {
        const ZipArchive::Entry entry = zip.EntryAt(i);
        const QString name = EntryFileName(entry);
        if (name.contains(u'/') || name.contains(u'\\') || name == u"." || name == u"..")
            fault("an entry name leads out of its folder:", name);
        small = small && entry.size <= kExtractLimit;
        quint64 got = 0;
        zip.ReadEntry(i, kExtractLimit, [&](const char *, qint64 n) {
            got += quint64(n);
            return true;
        });
        if (got > entry.size || got > kExtractLimit)
            fault("an entry gave more bytes than it declares");
    }
    if (!small)
        return 0;

    QDir root(work.path());
    root.removeRecursively();
    const QString target = work.filePath(QStringLiteral("DB/2026/"));
    const QString covers = work.filePath(QStringLiteral("Html/Umschlagbilder/"));
    QDir().mkpath(target);
    QDir().mkpath(covers);
    const ZipImportResult result = ExtractReviewArchive(
        zip, target, covers, [](const QString &path) { return QFile::remove(path); });
    if (!result.ok && result.error.isEmpty())
        fault("the import failed without a message");
    for (const QString &path : result.extracted) {
        if (!(path.startsWith(target) || path.startsWith(covers)) || path.contains(u"/../"))
            fault("a file was extracted outside its folder:", path);
    }
    QDirIterator it(
        work.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString folder = QFileInfo(path).absolutePath() + u'/';
        if (folder != target && folder != covers)
            fault("a file was written outside the two folders:", path);
        if (!result.extracted.contains(path))
            fault("a file was left that the import does not name:", path);
    }
    return 0;
}
