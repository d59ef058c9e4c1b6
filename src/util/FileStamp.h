#pragma once

#include <QString>

#include <optional>

// One state of one file: the file itself (device and inode, so that a file
// put in its place is another one), its size and the time of its last change.
// Two stamps are equal while nobody wrote, replaced or moved in the file.
struct FileStamp
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;

    // Nothing when there is no file at the path.
    static std::optional<FileStamp> of(const QString &path);

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};
