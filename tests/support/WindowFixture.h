#pragma once

#include "ScriptedDesktop.h"
#include "ScriptedMailProgram.h"
#include "ScriptedPrinter.h"
#include "ScriptedWordProcessor.h"
#include "TestEnv.h"

#include "app/Startup.h"

#include <QString>

#include <memory>

class TMainform;
class TDataAccess;
class TFrontImageDlg;
class DataSet;

// The real main window, started headless in a temporary program folder with
// the scripted desktop and a fixed date, without the year question.
class WindowFixture
{
public:
    // extraSettings: settings-file lines (CR LF) written over the defaults
    // that keep start-up quiet (no year question, person data "Erika Muster",
    // initials "EM"; a "[Reviewer]" of its own replaces the person data).
    explicit WindowFixture(const QByteArray &extraSettings = {});
    ~WindowFixture();

    // Writes a file below the database folder before start().
    bool writeDbFile(const QString &relative, const QByteArray &bytes = {});
    bool makeDbFolder(const QString &relative);
    // Starts the program; false when start-up failed.
    bool start();

    TMainform &window() const;
    TDataAccess &data() const;
    DataSet &table() const;
    // The cover-image dialog. Until a test sets its modalAnswer, showing it
    // fails the test and is answered with "Schliessen"/"Mail nicht senden".
    TFrontImageDlg &coverDialog() const;
    QString dbFolder() const;

    TestEnv env;
    ScriptedDesktop desktop;
    ScriptedMailProgram mail;
    ScriptedPrinter printer;
    // Set by useScriptedWordProcessor(); otherwise documents are really written.
    ScriptedWordProcessor wordProcessor;
    void useScriptedWordProcessor();

private:
    std::unique_ptr<Program> m_program;
};
