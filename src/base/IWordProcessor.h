#pragma once

#include <QString>

// The word processor, driven by the few commands of its automation: one
// session runs from Start() to FileQuit(). A command that fails returns false
// and leaves its reason in errorString().
class IWordProcessor
{
public:
    virtual ~IWordProcessor() = default;

    // Starts the word processor; false when none can be started.
    virtual bool Start() = 0;
    // A new empty document based on the template.
    virtual bool FileNew(const QString &templateName) = 0;
    // Font and size for the text inserted next.
    virtual bool Font(const QString &name) = 0;
    virtual bool FontSize(int points) = 0;
    // Inserts text at the insertion point; each CR starts a new paragraph.
    virtual bool Insert(const QString &text) = 0;
    // Saves the active document under the full path.
    virtual bool FileSaveAs(const QString &path) = 0;
    // Ends the word processor; unsaved documents are dropped.
    virtual void FileQuit() = 0;

    virtual QString errorString() const = 0;
};
