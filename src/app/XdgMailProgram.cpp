#include "XdgMailProgram.h"

#include <QObject>
#include <QProcess>
#include <QTimer>

#include <memory>

namespace {

// "xdg-email": no mail program found.
constexpr int kNoMailProgram = 3;
// "xdg-email": the action failed.
constexpr int kFailed = 4;

} // namespace

XdgMailProgram::XdgMailProgram(const QString &program, int handOverMilliseconds)
    : m_program(program)
    , m_handOverMilliseconds(handOverMilliseconds)
{ }

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

void XdgMailProgram::SendMail(const MailMessage &mail, std::function<void(int result)> done)
{
    // The process has no parent: one that outlives the hand-over time is
    // left to finish on its own, also when the program ends; killing it
    // would close the compose window.
    auto *process = new QProcess;
    auto pending = std::make_shared<std::function<void(int)>>(std::move(done));
    const auto answer = [pending](int result) {
        if (!*pending)
            return;
        const std::function<void(int)> once = std::move(*pending);
        *pending = nullptr;
        once(result);
    };
    QObject::connect(process, &QProcess::errorOccurred, process,
        [process, answer](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            answer(kNoMailProgram);
            process->deleteLater();
        });
    QObject::connect(process, &QProcess::finished, process,
        [process, answer](int exitCode, QProcess::ExitStatus status) {
            answer(status == QProcess::NormalExit ? exitCode : kFailed);
            process->deleteLater();
        });
    QTimer::singleShot(m_handOverMilliseconds, process, [answer] { answer(0); });
    process->start(m_program, arguments(mail));
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
