#pragma once

#include <QString>
#include <QValidator>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QLineEdit;

// Lets through only what Windows-1252 can hold: the settings file is
// written in it, so what the person sees is what is stored. A character it
// cannot hold becomes its nearest letter, or "?", in typed and pasted text.
class Edit1252Validator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

// Beyond this the groups of a settings page stop growing with the window;
// wider fields only get harder to read.
constexpr int SettingsGroupMaxWidth = 820;

// A line edit of a settings page, named for its field.
QLineEdit *NewSettingsEdit(const QString &name, QWidget *parent);

// A field's caption, shown exactly as given (blanks included).
QLabel *NewFieldLabel(const QString &text, QWidget *buddy, QWidget *parent);

// Applies a control hint: the short part becomes the tooltip, the long part
// the status-bar text.
void SetControlHint(QWidget *control, const QString &hint);

// A settings page on which Enter presses the default button (as in a
// dialog), unless the focused control uses the key itself.
class SettingsPage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    void setDefaultButton(QAbstractButton *button) { m_defaultButton = button; }
    QAbstractButton *defaultButton() const { return m_defaultButton; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QAbstractButton *m_defaultButton = nullptr;
};
