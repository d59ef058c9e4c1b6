#pragma once

#include "util/NumberText.h"

#include <QString>
#include <QVariant>

// Book numbers are written N.F: N the running number the coordinator gives,
// F the publication year minus 2000. The book key packs both into one integer
// that the review tree keeps in its book nodes. A number without decimals
// ("12") is a book of 2000; an empty or unreadable text has key 0.
int EncodeBookKey(const QString &numberText);
QString BookKeyToText(int key);

// The key of a stored book number (the BookNbr value of a record), taken
// from its number text; a null value has key 0. Every place that matches a
// record with its tree node goes through this, so that a number typed as
// "8.70" and stored as 8.7 has one key everywhere.
int BookKeyOf(const QVariant &storedNumber);

class IDesktop;

// --- shell operations ------------------------------------------------------
// Paths use "/"; a trailing "/" of a path is dropped first.

// Moves a file or folder with all its contents into the desktop's trash, so
// the removal can be undone from the file manager. No question is asked.
bool DeleteToRecycleBin(IDesktop &desktop, const QString &path);

// Moves a file or folder into a folder. When the folder already holds an item
// of that name, the person is asked whether to replace it; the replaced item
// goes to the trash.
bool ShellMove(IDesktop &desktop, const QString &source, const QString &destinationFolder);

// Renames a folder; fails when the new name is taken.
bool ShellRenameFolder(const QString &oldPath, const QString &newPath);

// Places a copy of the file in the folder. A name that is taken gives the copy
// a new one ("name - Kopie.ext", then "name - Kopie (2).ext", ...); nothing is
// ever replaced. copyPath receives where the copy went.
bool CopyFileInto(const QString &file, const QString &folder, QString *copyPath = nullptr);

// The name a copy of fileName gets in folder when that name is taken.
QString FreeCopyName(const QString &folder, const QString &fileName);

// Opens a document or web address with its associated program; above 32 is
// success, 2 that the file was not found.
int ShellOpen(IDesktop &desktop, const QString &target);
