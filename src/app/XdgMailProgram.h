#pragma once

#include "base/IMailProgram.h"

// The mail program of the freedesktop desktop, reached through "xdg-email";
// its exit status is the error code (3: no mail program set up). Some mail
// programs keep "xdg-email" waiting until their compose window closes: when
// it still runs after the hand-over time, the mail counts as handed over.
class XdgMailProgram : public IMailProgram
{
public:
    explicit XdgMailProgram(
        const QString &program = QStringLiteral("xdg-email"), int handOverMilliseconds = 20000);

    void SendMail(const MailMessage &mail, std::function<void(int result)> done) override;
    // What "xdg-mime" names as the handler of mailto addresses.
    QString DefaultMailClient() override;

    // The arguments of "xdg-email" for a mail.
    static QStringList arguments(const MailMessage &mail);

private:
    QString m_program;
    int m_handOverMilliseconds;
};
