#pragma once

#include "base/IDesktop.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

// The desktop seam for tests: records every call and answers dialogs from a
// queue. A dialog nobody queued an answer for fails the running test at once
// and is answered with Cancel (2), so nothing ever waits for a person.
class ScriptedDesktop : public IDesktop
{
public:
    struct Dialog
    {
        QString caption;
        QString message;
        int kind = 0;
        int buttonSet = 0;
        QStringList captions;
        int answer = 0;
    };
    struct Answer
    {
        int result;
        QString captionMustContain; // empty: any caption
    };

    // Queues the answer for the next message dialog.
    void answer(int result, const QString &captionMustContain = {});
    // Answers every further message dialog with its default button (Enter).
    void answerAllWithDefault(bool on = true) { m_answerAllDefault = on; }

    int pendingAnswers() const { return int(m_answers.size()); }
    const QList<Dialog> &dialogs() const { return m_dialogs; }
    const Dialog &lastDialog() const;
    QStringList dialogMessages() const;
    void clear();

    // ShowSystemMessage calls (the platform's own box).
    QStringList systemMessages;
    // ShellOpen calls and the code each returns.
    QStringList opened;
    int shellOpenResult = 42;
    // GetOpenFileName: the next answers, and what each call asked.
    QQueue<QString> openFileAnswers;
    QList<QStringList> openFileCalls; // title, default extension, filter, initial folder
    QString documentsFolder;
    QDate today = QDate(2007, 5, 12);
    QList<int> pauses;
    // MoveToTrash: what was asked, and whether it succeeds (the real move is
    // done by removing the path, so tests can look at the disk).
    QStringList trashed;
    bool trashSucceeds = true;

    int ShowMessageDialog(const QString &caption, const QString &message, Msg::Kind kind,
        int buttonSet, const QStringList &captions) override;
    void ShowSystemMessage(const QString &message, Msg::Kind kind) override;
    int ShellOpen(const QString &target) override;
    QString GetOpenFileName(const QString &title, const QString &defaultExtension,
        const QString &filter, const QString &initialFolder) override;
    QString DocumentsFolder() override { return documentsFolder; }
    QDate Today() override { return today; }
    void Pause(int milliseconds) override { pauses.append(milliseconds); }
    bool MoveToTrash(const QString &path) override;

private:
    QQueue<Answer> m_answers;
    QList<Dialog> m_dialogs;
    bool m_answerAllDefault = false;
};
