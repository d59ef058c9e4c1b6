#pragma once

#include "base/IMailProgram.h"

// The mail program of the freedesktop desktop, reached through "xdg-email";
// its exit status is the error code (3: no mail program set up).
class XdgMailProgram : public IMailProgram
{
public:
    int SendMail(const MailMessage &mail) override;
    // What "xdg-mime" names as the handler of mailto addresses.
    QString DefaultMailClient() override;

    // The arguments of "xdg-email" for a mail.
    static QStringList arguments(const MailMessage &mail);
};
