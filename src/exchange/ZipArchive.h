#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// The program's one zip archive object: writes the mail archive and reads
// received archives. Entries are deflated at zlib's fastest level, names are
// kept as the bytes given (the callers use code page 850) with the UTF-8 flag
// clear, those beyond ASCII with their UTF-8 form beside them (see
// AddUnicodePathFields), and no Zip64 records are written. This is the only
// place that knows the zip library.
class ZipArchive
{
public:
    struct Entry
    {
        // The name as stored, and whether the entry marks it as UTF-8. An
        // Info-ZIP Unicode Path field that matches the stored name takes its
        // place (the library reads it so), as UTF-8.
        QByteArray rawName;
        bool utf8 = false;
        // Uncompressed size as the archive declares it.
        quint64 size = 0;
        bool isLink = false;
        bool isDirectory = false;
    };

    ZipArchive();
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // --- writing ---------------------------------------------------------
    // Starts a new archive for path; an open archive is closed first. The
    // archive is put together in memory and written with one safe write on
    // Close, so a failure never leaves half an archive under its name and an
    // older archive of that name stays until the new one is complete.
    bool Create(const QString &path);
    bool AddFile(const QString &sourcePath, const QByteArray &entryName);
    // Writes a created archive; for one opened for reading it only closes.
    bool Close();
    // Closes without writing anything.
    void Discard();

    // --- reading -----------------------------------------------------------
    // An archive whose local headers contradict its central directory, or
    // whose entries share data, is refused as damaged (see ZipLayout.h).
    bool OpenFile(const QString &path);
    // The archive's bytes themselves, for callers without a file.
    bool OpenBytes(const QByteArray &bytes);
    int Count() const;
    Entry EntryAt(int index) const;
    // Reads one entry whole and hands its data to sink piece by piece. False
    // when the entry cannot be read, its data are damaged (checksum, more
    // bytes than declared), it grows past limit, or sink says false.
    bool ReadEntry(int index, quint64 limit, const std::function<bool(const char *, qint64)> &sink);

    QString ArchivePath() const { return m_path; }
    // What went wrong last, in German.
    QString ErrorString() const { return m_error; }

private:
    struct Handle;
    void setError(int zipErrorCode, const QString &what = {});
    // Checks the layout of the archive just opened; closes it when damaged.
    bool checkLayout(quint64 size, const std::function<QByteArray(quint64, qint64)> &read);

    std::unique_ptr<Handle> m_zip;
    QString m_path;
    QByteArray m_bytes;
    QString m_error;
};

// Readers that know no code page 850 (Info-ZIP's unzip among them) take a
// name without the UTF-8 flag for their own code page and garble umlauts.
// This gives every entry whose code page 850 name is not plain ASCII the
// Info-ZIP Unicode Path field (0x7075) in its local and central header: the
// name in UTF-8 with the checksum of the stored name it stands for. The
// stored names and flags stay as they are, so readers that do not know the
// field still see code page 850. The headers grow and the data move, so the
// archive is rebuilt. Zip64, a comment, such a field already there or
// anything else unexpected leave zip unchanged; returns whether it changed.
bool AddUnicodePathFields(QByteArray &zip);
