#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file with bytes as a whole, or leaves it as it was: the bytes go
// to a temporary file beside it, which takes the file's place only once
// every byte is on disk. (A plain save file reports success even when its
// last buffered write failed, say on a full disk; this checks each step.)
// error receives the file system's text on failure.
bool WriteFileSafely(const QString &path, const QByteArray &bytes, QString *error = nullptr);
