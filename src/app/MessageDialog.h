#pragma once

#include "base/IDesktop.h"

#include <QHash>
#include <QMessageBox>

class QPushButton;

// The program's message dialog: the platform's message box with a caption of
// the caller's choice, the standard buttons in their fixed order, relabelled
// with the caller's captions, and the result codes of the buttons' roles.
class MessageDialog : public QMessageBox
{
    Q_OBJECT

public:
    MessageDialog(QWidget *parent, const QString &caption, const QString &message, Msg::Kind kind,
        int buttonSet, const QStringList &captions);

    // Shows the dialog modally and returns the result code of the pressed
    // button, or mrCancel when the window's close box was used.
    int run();
    int resultCode() const;

    QPushButton *buttonFor(Msg::Button b) const { return m_buttons.value(b); }
    // The buttons as they stand from left to right.
    QList<QPushButton *> orderedButtons() const { return m_ordered; }

    // CR LF and stray CRs of the program's texts as the label shows them.
    static QString displayText(const QString &message);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QHash<int, QPushButton *> m_buttons;
    QList<QPushButton *> m_ordered;
    bool m_closedByBox = false;
};

// Runs the dialog; the real desktop's ShowMessageDialog.
int ExecMessageDialog(QWidget *parent, const QString &caption, const QString &message,
    Msg::Kind kind, int buttonSet, const QStringList &captions);
