#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Replaces a file with bytes as a whole, or leaves it as it was: the bytes go
// to a temporary file beside it, which takes the file's place only once
// every byte is on disk. (A plain save file reports success even when its
// last buffered write failed, say on a full disk; this checks each step.)
// error receives the file system's reason on failure, in German.
bool WriteFileSafely(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Writes a file piece by piece into a temporary file beside it, which takes
// the file's place only on commit(); until then, and when any step fails,
// the file stays as it was and the temporary file goes away. Meant for many
// files in a row (unpacking an archive): unlike WriteFileSafely it does not
// wait for the disk after each file, which would cost milliseconds a file.
// The temporary file is a hidden piece (".name.part"), which a program cut
// short leaves behind; see RemoveLeftoverPieces.
class SafeFileWriter
{
public:
    SafeFileWriter() = default;
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    bool open(const QString &path);
    bool write(const char *data, qint64 size);
    // Puts the written bytes in the file's place.
    bool commit();
    // Drops what was written.
    void cancel();
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QFile m_temp;
    QString m_error;
};

// Whether name is that of a temporary file that a save cut short left
// behind on a file system without unnamed temporary files (FAT sticks,
// network shares): the name of the file it was to replace, a dot and six
// letters or digits ("A.cds.AbC123"). Only files with one of extensions
// (".cds", compared without regard to case) count.
bool IsSaveTemporaryName(const QString &name, const QStringList &extensions);

// Whether name is that of a piece a SafeFileWriter cut short left behind.
bool IsLeftoverPieceName(const QString &name);

// Removes the pieces in folder that writers cut short left behind.
void RemoveLeftoverPieces(const QString &folder);
