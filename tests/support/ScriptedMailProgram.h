#pragma once

#include "base/IMailProgram.h"

#include <QList>

// The mail program for tests: keeps every mail it is handed and answers with
// a result code set beforehand, at once or, with holdAnswer, when the test
// calls finish().
class ScriptedMailProgram : public IMailProgram
{
public:
    void SendMail(const MailMessage &mail, std::function<void(int result)> done) override
    {
        sent.append(mail);
        if (holdAnswer)
            pending = std::move(done);
        else
            done(result);
    }
    QString DefaultMailClient() override { return defaultClient; }

    // Answers the hand-over held back.
    void finish(int code)
    {
        const std::function<void(int)> once = std::move(pending);
        pending = nullptr;
        if (once)
            once(code);
    }

    QList<MailMessage> sent;
    int result = 0;
    bool holdAnswer = false;
    std::function<void(int)> pending;
    QString defaultClient = QStringLiteral("thunderbird.desktop");
};
