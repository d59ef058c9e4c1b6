#pragma once

#include <QString>

#include <functional>

// Where the program keeps its settings file and its folder tree. A program
// whose own folder is writable keeps everything beside itself (the portable
// program folder); an installed one, or one in a folder it cannot write to,
// keeps it in the person's data folder.
struct ProgramPlace
{
    QString folder; // ends with "/"
    QString settingsFile;
    bool portable = true;
};

// programFile: the path of the running program file.
ProgramPlace ChooseProgramFolder(const QString &programFile);
// The same choice with the facts it rests on given: whether the program
// file's folder may be written to, and the person's data folder
// ($XDG_DATA_HOME or ~/.local/share).
ProgramPlace ChooseProgramFolder(const QString &programFile,
    const std::function<bool(const QString &folder)> &writable, const QString &dataHome);

// True for a program file that was installed with its data beside it
// (<prefix>/bin/ with <prefix>/share/skribando/).
bool IsInstalledProgram(const QString &programFile);
// The person's data folder after the freedesktop rule: $XDG_DATA_HOME when it
// is an absolute path, otherwise ~/.local/share. No trailing "/".
QString DataHomeFolder();
// The manual "Skribando.html": in the folder "Hilfe" beside the program file,
// or, for an installed program, in <prefix>/share/skribando/Hilfe/.
QString ManualPath(const QString &programFile);
