#pragma once

#include <QString>
#include <QStringList>

#include <functional>

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

    // Hands the mail to the mail program, whose compose window opens with it,
    // and returns at once, so the window stays live meanwhile. done is called
    // once, from the event loop or before this returns: with 0 when the mail
    // was handed over, otherwise with the mail program's error code.
    virtual void SendMail(const MailMessage &mail, std::function<void(int result)> done) = 0;

    // The name under which the desktop knows its default mail program
    // (empty when none is set up).
    virtual QString DefaultMailClient() = 0;
};
