#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Replaces a file with bytes as a whole, or leaves it as it was: the bytes go
// to a temporary file beside it, which takes the file's place only once
// every byte is on disk. (A plain save file reports success even when its
// last buffered write failed, say on a full disk; this checks each step.)
// error receives the file system's text on failure.
bool WriteFileSafely(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Writes a file piece by piece into a temporary file beside it, which takes
// the file's place only on commit(); until then, and when any step fails,
// the file stays as it was and the temporary file goes away. Meant for many
// files in a row (unpacking an archive): unlike WriteFileSafely it does not
// wait for the disk after each file, which would cost milliseconds a file.
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
