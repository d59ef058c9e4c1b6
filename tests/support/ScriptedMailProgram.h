#pragma once

#include "base/IMailProgram.h"

#include <QList>

// The mail program for tests: keeps every mail it is handed and answers with
// a result code set beforehand.
class ScriptedMailProgram : public IMailProgram
{
public:
    int SendMail(const MailMessage &mail) override
    {
        sent.append(mail);
        return result;
    }
    QString DefaultMailClient() override { return defaultClient; }

    QList<MailMessage> sent;
    int result = 0;
    QString defaultClient = QStringLiteral("thunderbird.desktop");
};
