#include "ScriptedDesktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

void failNow(const QString &why)
{
    if (!QTest::currentTestFailed())
        QTest::qFail(qPrintable(why), __FILE__, __LINE__);
}

} // namespace

void ScriptedDesktop::answer(int result, const QString &captionMustContain)
{
    m_answers.enqueue({ result, captionMustContain });
}

const ScriptedDesktop::Dialog &ScriptedDesktop::lastDialog() const
{
    static const Dialog none;
    return m_dialogs.isEmpty() ? none : m_dialogs.last();
}

QStringList ScriptedDesktop::dialogMessages() const
{
    QStringList out;
    for (const Dialog &d : m_dialogs)
        out.append(d.message);
    return out;
}

void ScriptedDesktop::clear()
{
    m_answers.clear();
    m_dialogs.clear();
    systemMessages.clear();
    opened.clear();
    openFileCalls.clear();
    trashed.clear();
    pauses.clear();
}

int ScriptedDesktop::ShowMessageDialog(const QString &caption, const QString &message,
    Msg::Kind kind, int buttonSet, const QStringList &captions)
{
    Dialog d { caption, message, int(kind), buttonSet, captions, Msg::mrCancel };
    if (!m_answers.isEmpty()) {
        const Answer a = m_answers.dequeue();
        if (!a.captionMustContain.isEmpty() && !caption.contains(a.captionMustContain)) {
            failNow(QStringLiteral("dialog \"%1\" came where \"%2\" was expected: %3")
                        .arg(caption, a.captionMustContain, message));
        }
        d.answer = a.result;
    } else if (m_answerAllDefault) {
        d.answer = Msg::resultOf(Msg::defaultButton(buttonSet));
    } else {
        failNow(QStringLiteral("unexpected dialog \"%1\": %2").arg(caption, message));
    }
    m_dialogs.append(d);
    return d.answer;
}

void ScriptedDesktop::ShowSystemMessage(const QString &message, Msg::Kind)
{
    systemMessages.append(message);
}

int ScriptedDesktop::ShellOpen(const QString &target)
{
    opened.append(target);
    return shellOpenResult;
}

QString ScriptedDesktop::GetOpenFileName(const QString &title, const QString &defaultExtension,
    const QString &filter, const QString &initialFolder)
{
    openFileCalls.append({ title, defaultExtension, filter, initialFolder });
    return openFileAnswers.isEmpty() ? QString() : openFileAnswers.dequeue();
}

bool ScriptedDesktop::MoveToTrash(const QString &path)
{
    trashed.append(path);
    if (!trashSucceeds)
        return false;
    const QFileInfo fi(path);
    if (fi.isDir())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}
