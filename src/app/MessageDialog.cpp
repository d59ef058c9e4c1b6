#include "MessageDialog.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QProxyStyle>
#include <QPushButton>

namespace {

QString standardCaption(Msg::Button b)
{
    switch (b) {
    case Msg::mbYes:
        return QStringLiteral("&Ja");
    case Msg::mbNo:
        return QStringLiteral("&Nein");
    case Msg::mbOK:
        return QStringLiteral("OK");
    case Msg::mbCancel:
        return QStringLiteral("Abbrechen");
    case Msg::mbAbort:
        return QStringLiteral("&Abbrechen");
    case Msg::mbRetry:
        return QStringLiteral("&Wiederholen");
    case Msg::mbIgnore:
        return QStringLiteral("&Ignorieren");
    case Msg::mbAll:
        return QStringLiteral("&Alle");
    case Msg::mbNoToAll:
        return QStringLiteral("A&lle Nein");
    case Msg::mbYesToAll:
        return QStringLiteral("Alle &Ja");
    case Msg::mbHelp:
        return QStringLiteral("&Hilfe");
    }
    return {};
}

QMessageBox::Icon iconOf(Msg::Kind kind)
{
    switch (kind) {
    case Msg::mtWarning:
        return QMessageBox::Warning;
    case Msg::mtError:
        return QMessageBox::Critical;
    case Msg::mtInformation:
        return QMessageBox::Information;
    case Msg::mtConfirmation:
        return QMessageBox::Question;
    case Msg::mtCustom:
        break;
    }
    return QMessageBox::NoIcon;
}

// Keeps the buttons in the order they were added, whatever button layout the
// desktop theme prefers: the callers' captions depend on that order.
class FixedButtonOrderStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
        QStyleHintReturn *ret) const override
    {
        if (hint == SH_DialogButtonLayout)
            return QDialogButtonBox::WinLayout;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

} // namespace

MessageDialog::MessageDialog(QWidget *parent, const QString &caption, const QString &message,
    Msg::Kind kind, int buttonSet, const QStringList &captions)
    : QMessageBox(parent)
{
    setWindowTitle(caption);
    setIcon(iconOf(kind));
    setTextFormat(Qt::PlainText);
    setText(displayText(message));

    if (auto *box = findChild<QDialogButtonBox *>()) {
        auto *style = new FixedButtonOrderStyle;
        style->setParent(box);
        box->setStyle(style);
    }

    qsizetype captionIndex = 0;
    for (Msg::Button b : Msg::buttonsInOrder(buttonSet)) {
        QString text = standardCaption(b);
        if (captionIndex < captions.size())
            text = captions.at(captionIndex++);
        QPushButton *button = addButton(text, QMessageBox::ActionRole);
        m_buttons.insert(b, button);
        m_ordered.append(button);
    }
    if (QPushButton *def = m_buttons.value(Msg::defaultButton(buttonSet))) {
        setDefaultButton(def);
        def->setFocus();
    }
    if (QPushButton *esc = m_buttons.value(Msg::escapeButton(buttonSet)))
        setEscapeButton(esc);
}

int MessageDialog::run()
{
    m_closedByBox = false;
    exec();
    return resultCode();
}

int MessageDialog::resultCode() const
{
    if (m_closedByBox)
        return Msg::mrCancel;
    QAbstractButton *clicked = clickedButton();
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it) {
        if (it.value() == clicked)
            return Msg::resultOf(Msg::Button(it.key()));
    }
    return Msg::mrCancel;
}

QString MessageDialog::displayText(const QString &message)
{
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.remove(u'\r');
    return text;
}

void MessageDialog::closeEvent(QCloseEvent *event)
{
    // Only the window's close box sends a close event; the buttons and the
    // keyboard end the dialog without one.
    m_closedByBox = true;
    QMessageBox::closeEvent(event);
    if (!event->isAccepted()) {
        // Without an escape button the message box refuses to close; the
        // close box still ends the dialog with the Cancel code.
        event->accept();
        done(0);
    }
}

int ExecMessageDialog(QWidget *parent, const QString &caption, const QString &message,
    Msg::Kind kind, int buttonSet, const QStringList &captions)
{
    MessageDialog box(parent, caption, message, kind, buttonSet, captions);
    return box.run();
}
