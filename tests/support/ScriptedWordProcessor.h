#pragma once

#include "base/IWordProcessor.h"

#include <QStringList>

// The word processor for tests: records every command as one line
// ("FileNew normal", "FontSize 12", "Insert <text>", ...) and fails the
// command named in failOn (its first occurrence after failAfter others).
class ScriptedWordProcessor : public IWordProcessor
{
public:
    QStringList commands;
    QString failOn; // "Start", "FileSaveAs", ...; empty: nothing fails
    int failAfter = 0; // successful calls of that command before it fails
    QString failText = QStringLiteral("Der Datenträger ist voll.");

    bool Start() override { return record(QStringLiteral("Start"), {}); }
    bool FileNew(const QString &templateName) override
    {
        return record(QStringLiteral("FileNew"), templateName);
    }
    bool Font(const QString &name) override { return record(QStringLiteral("Font"), name); }
    bool FontSize(int points) override
    {
        return record(QStringLiteral("FontSize"), QString::number(points));
    }
    bool Insert(const QString &text) override { return record(QStringLiteral("Insert"), text); }
    bool FileSaveAs(const QString &path) override
    {
        return record(QStringLiteral("FileSaveAs"), path);
    }
    void FileQuit() override { commands.append(QStringLiteral("FileQuit")); }
    QString errorString() const override { return failText; }

    // The commands with the given name, without it.
    QStringList arguments(const QString &command) const
    {
        QStringList out;
        for (const QString &c : commands) {
            if (c.startsWith(command + u' '))
                out.append(c.mid(command.size() + 1));
        }
        return out;
    }

private:
    bool record(const QString &command, const QString &argument)
    {
        commands.append(argument.isNull() ? command : command + u' ' + argument);
        if (command != failOn)
            return true;
        return failAfter-- > 0;
    }
};
