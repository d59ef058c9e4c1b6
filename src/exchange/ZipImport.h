#pragma once

#include "ZipArchive.h"

#include <QString>
#include <QStringList>

#include <functional>

class IProgress;

// Unpacking a received archive of review files and cover pictures. Nothing
// here needs a window, so the same code serves the action and the tests that
// feed it hostile archives.

// An entry of more than this is no review file or cover and is refused.
constexpr quint64 MaxZipEntrySize = quint64(256) * 1024 * 1024;
// One import writes at most this much; a larger archive is refused whole.
constexpr quint64 MaxZipImportSize = quint64(4) * 1024 * 1024 * 1024;

// The name an entry is extracted under: the last part of its stored name,
// with "/" and "\" both taken as separators, read as UTF-8 when the entry
// says so and as code page 850 otherwise. Empty for entries that are never
// extracted: links, folders, names that end empty, "." and "..", names with
// control characters or bytes that are no UTF-8 where UTF-8 is claimed.
QString EntryFileName(const ZipArchive::Entry &entry);

// The target of an entry: a picture with exactly the extension ".jpg" goes
// into the cover folder (name becomes coverFolder + name); anything else
// keeps its bare name, which the caller places in the target folder.
void ZipForge1ExtractFile(const QString &coverFolder, QString &name);

struct ZipImportResult
{
    bool ok = true;
    // German, naming the entry or file, when ok is false.
    QString error;
    // Full paths of the files written, in order.
    QStringList extracted;
    // The person stopped the import (ok stays true): the files extracted
    // before stay, each of them whole.
    bool stopped = false;
};

// Extracts the review files ("*.cds", then "*.xml") and the pictures
// ("*.jpg") in three passes; other entries stay in the archive. Folders end
// with "/". Entries that together declare more than MaxZipImportSize are
// refused before anything is written. Each entry is written to a temporary
// file in its target folder and takes its place only when it was read whole
// with a correct checksum; a file it replaces goes to moveToTrash first (one
// that cannot is not replaced). The first entry that fails ends the import;
// what was extracted before stays. Pieces an earlier import cut short left
// in the two folders are removed first. progress, when given, shows how far
// it is and may stop the import between two entries.
ZipImportResult ExtractReviewArchive(ZipArchive &zip, const QString &targetFolder,
    const QString &coverFolder, const std::function<bool(const QString &)> &moveToTrash,
    IProgress *progress = nullptr);
