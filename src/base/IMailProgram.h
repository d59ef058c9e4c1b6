#pragma once

#include <QString>
#include <QStringList>

// A mail as the program hands it to the person's mail program, whose compose
// window opens with it; the person sends it from there.
struct MailMessage
{
    QString subject;
    QString body;
    QStringList to;
    QStringList cc;
    // Full paths; each file must exist.
    QStringList attachments;
};

// The person's mail program, part of the desktop seam. Tests record the
// mails instead.
class IMailProgram
{
public:
    virtual ~IMailProgram() = default;

    // Opens the mail program's compose window with the mail. 0 when the mail
    // was handed over, otherwise the mail program's error code.
    virtual int SendMail(const MailMessage &mail) = 0;

    // The name under which the desktop knows its default mail program
    // (empty when none is set up).
    virtual QString DefaultMailClient() = 0;
};
