#include "XdgMailProgram.h"

#include <QObject>
#include <QProcess>

namespace {

// "xdg-email": no mail program found.
constexpr int kNoMailProgram = 3;
// "xdg-email": the action failed.
constexpr int kFailed = 4;
// Some mail programs keep "xdg-email" waiting until their compose window
// closes; after this long the mail counts as handed over.
constexpr int kHandOverMilliseconds = 20000;

} // namespace

QStringList XdgMailProgram::arguments(const MailMessage &mail)
{
    QStringList args;
    for (const QString &cc : mail.cc)
        args << QStringLiteral("--cc") << cc;
    args << QStringLiteral("--subject") << mail.subject << QStringLiteral("--body") << mail.body;
    for (const QString &file : mail.attachments)
        args << QStringLiteral("--attach") << file;
    args += mail.to;
    return args;
}

int XdgMailProgram::SendMail(const MailMessage &mail)
{
    auto *process = new QProcess;
    process->start(QStringLiteral("xdg-email"), arguments(mail));
    if (!process->waitForStarted()) {
        delete process;
        return kNoMailProgram;
    }
    if (!process->waitForFinished(kHandOverMilliseconds)) {
        // Left to finish on its own; killing it would close the compose window.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return 0;
    }
    const int code = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : kFailed;
    delete process;
    return code;
}

QString XdgMailProgram::DefaultMailClient()
{
    QProcess process;
    process.start(QStringLiteral("xdg-mime"),
        { QStringLiteral("query"), QStringLiteral("default"),
            QStringLiteral("x-scheme-handler/mailto") });
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}
