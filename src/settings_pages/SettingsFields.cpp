#include "SettingsFields.h"

#include "util/Codec1252.h"
#include "util/Hints.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

QValidator::State Edit1252Validator::validate(QString &input, int &pos) const
{
    if (Codec1252::canEncode(input))
        return Acceptable;
    // A letter the settings file cannot hold becomes its nearest one ("ř"
    // becomes "r"), as in the review's fields, instead of vanishing; the
    // cursor stays behind the same characters.
    const int beforeCursor
        = int(Codec1252::replaceUnencodable(QStringView(input).left(pos)).size());
    input = Codec1252::replaceUnencodable(input);
    pos = beforeCursor;
    return Acceptable;
}

QLineEdit *NewSettingsEdit(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setValidator(new Edit1252Validator(edit));
    return edit;
}

QLabel *NewFieldLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setBuddy(buddy);
    return label;
}

void SetControlHint(QWidget *control, const QString &hint)
{
    QString tip = GetShortHint(hint);
    tip.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    control->setToolTip(tip.trimmed());
    control->setStatusTip(GetLongHint(hint).simplified());
}

void SettingsPage::keyPressEvent(QKeyEvent *event)
{
    // A line edit leaves Enter unused, so it arrives here.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && mods == Qt::NoModifier && m_defaultButton && m_defaultButton->isEnabled()) {
        m_defaultButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
