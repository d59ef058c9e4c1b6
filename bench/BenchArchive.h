#pragma once

// What the benchmarks share: a desktop that never waits, and a coordinator's
// archive of review files with realistic field sizes.

#include "app/Startup.h"
#include "base/IDesktop.h"

#include <QDate>
#include <QString>

// Answers every question with its default button and never waits.
class QuietDesktop : public IDesktop
{
public:
    int ShowMessageDialog(
        const QString &, const QString &, Msg::Kind, int buttonSet, const QStringList &) override
    {
        ++dialogs;
        return Msg::resultOf(Msg::defaultButton(buttonSet));
    }
    void ShowSystemMessage(const QString &, Msg::Kind) override { }
    int ShellOpen(const QString &) override { return 42; }
    QString GetOpenFileName(
        const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString DocumentsFolder() override { return {}; }
    QDate Today() override { return QDate(2010, 5, 7); }
    void Pause(int) override { }
    bool MoveToTrash(const QString &) override { return true; }
    int dialogs = 0;
};

// Writes `files` review files of `books` books each into folder; book
// numbers are unique across all files.
void writeArchive(const QString &folder, int files, int books, int firstNumber);

// Starts the program headless in programFolder (which ends in "/") with the
// database folder selected in the tree, as "Laden" of everything finds it.
std::unique_ptr<Program> StartOnDatabase(IDesktop &desktop, const QString &programFolder);

// A coordinator's archive (1,000 files of 40 books) written into
// programFolder, the program started on it and everything loaded.
std::unique_ptr<Program> StartOnLoadedArchive(IDesktop &desktop, const QString &programFolder);
