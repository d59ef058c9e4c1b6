#pragma once

#include "SettingsFields.h"

#include <QList>
#include <QString>

struct MainContext;
class IniFile;
class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QRadioButton;

// The settings page "Personendaten": the reviewer's name, initials and mail
// set-up, and the two persons who receive the reviews.
class PersonDataPage : public SettingsPage
{
    Q_OBJECT

public:
    // Items of the mail-program choice.
    enum MailProgram { mpStandard = 0, mpWebMail = 1 };

    explicit PersonDataPage(MainContext &ctx, QWidget *parent = nullptr);

    // Fills the page from the settings; run once at start-up.
    void IniSettingsPersonData(const IniFile &settings);
    // Writes the page into the in-memory settings and takes over the
    // initials for the next new review file. Leaving the page is the
    // window's business.
    void ButtonPersonDataSaveSettingsClick();
    // The web-mail address takes input only while web mail is chosen.
    void RadioGroupReviewingPersonMailProgramClick();

    int mailProgram() const;
    void setMailProgram(int item);

    QGroupBox *GroupBoxReviewingPerson = nullptr;
    QLineEdit *EditReviewingPersonFirstname = nullptr;
    QLineEdit *EditReviewingPersonName = nullptr;
    QLineEdit *EditReviewingPersonInitials = nullptr;
    QLineEdit *EditReviewingPersonEmail = nullptr;
    QGroupBox *RadioGroupReviewingPersonMailProgram = nullptr;
    QRadioButton *RadioButtonStandardMail = nullptr;
    QRadioButton *RadioButtonWebMail = nullptr;
    QLineEdit *EditReviewingPersonWebMailUrl = nullptr;

    QGroupBox *GroupBoxReceivers = nullptr;
    QLineEdit *EditFirstnameReceiver1 = nullptr;
    QLineEdit *EditNameReceiver1 = nullptr;
    QLineEdit *EditEmailReceiver1 = nullptr;
    QLineEdit *EditFirstnameReceiver2 = nullptr;
    QLineEdit *EditNameReceiver2 = nullptr;
    QLineEdit *EditEmailReceiver2 = nullptr;

private:
    // One text field and the key it edits.
    struct Binding
    {
        QLineEdit *edit;
        QString section;
        QString key;
        QString defaultValue;
    };
    QList<Binding> bindings() const;

    void buildReviewingPerson();
    void buildReceivers();

    MainContext &m_ctx;
    QButtonGroup *m_mailProgram = nullptr;
};
