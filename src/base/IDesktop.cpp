#include "IDesktop.h"

namespace Msg {

namespace {
constexpr Button kOrder[] = { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll,
    mbNoToAll, mbYesToAll, mbHelp };
}

QList<Button> buttonsInOrder(int buttonSet)
{
    QList<Button> out;
    for (Button b : kOrder) {
        if (buttonSet & b)
            out.append(b);
    }
    return out;
}

int resultOf(Button b)
{
    switch (b) {
    case mbYes:
        return mrYes;
    case mbNo:
        return mrNo;
    case mbOK:
        return mrOk;
    case mbCancel:
        return mrCancel;
    case mbAbort:
        return mrAbort;
    case mbRetry:
        return mrRetry;
    case mbIgnore:
        return mrIgnore;
    case mbAll:
        return mrAll;
    case mbNoToAll:
        return mrNoToAll;
    case mbYesToAll:
        return mrYesToAll;
    case mbHelp:
        return mrNone;
    }
    return mrNone;
}

Button defaultButton(int buttonSet)
{
    if (buttonSet & mbOK)
        return mbOK;
    if (buttonSet & mbYes)
        return mbYes;
    if (buttonSet & mbRetry)
        return mbRetry;
    return Button(0);
}

Button escapeButton(int buttonSet)
{
    if (buttonSet & mbCancel)
        return mbCancel;
    if (buttonSet & mbNo)
        return mbNo;
    if (buttonSet & mbOK)
        return mbOK;
    return Button(0);
}

QString standardTitle(Kind kind)
{
    switch (kind) {
    case mtWarning:
        return QStringLiteral("Warning");
    case mtError:
        return QStringLiteral("Error");
    case mtInformation:
        return QStringLiteral("Information");
    case mtConfirmation:
        return QStringLiteral("Confirm");
    case mtCustom:
        break;
    }
    return {};
}

} // namespace Msg

IDesktop::~IDesktop() = default;

void IDesktop::ShowStandardMessage(const QString &message, Msg::Kind kind)
{
    ShowMessageDialog(Msg::standardTitle(kind), message, kind, Msg::mbOK, { QStringLiteral("OK") });
}

void IDesktop::ShowPlainMessage(const QString &message)
{
    ShowMessageDialog(
        m_applicationTitle, message, Msg::mtCustom, Msg::mbOK, { QStringLiteral("OK") });
}
