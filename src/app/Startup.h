#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class IDesktop;
class IMailProgram;
class IPrinter;
class TAboutBox1;
class TDataAccess;
class TFrontImageDlg;
class TMainform;

// What the running program consists of, in the order it is created.
struct Program
{
    std::unique_ptr<TDataAccess> dataAccess;
    std::unique_ptr<TMainform> mainform;
    std::unique_ptr<TFrontImageDlg> frontImageDlg;
    std::unique_ptr<TAboutBox1> aboutBox;
    ~Program();
};

// The start-up sequence: splash window and pause, data module, main window,
// cover-image dialog, about box, initial state. Returns nothing when start-up
// failed (the person has been told why); the program then ends. The mail
// program and the printer of the desktop seam come with the desktop.
std::unique_ptr<Program> StartProgram(IDesktop &desktop, const QString &programFile,
    IMailProgram *mail = nullptr, IPrinter *printer = nullptr);

// The files named on the command line (the arguments after the program
// file's), as absolute paths; "file:" addresses are taken as their paths.
// Options (starting with "-") are skipped up to a "--".
QStringList FilesFromArguments(const QStringList &arguments);
