#include "PersonDataPage.h"

#include "SettingsFields.h"
#include "base/DefaultSettings.h"
#include "base/IniFile.h"
#include "base/MainContext.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString kReviewer = QStringLiteral("Reviewer");
const QString kRecipients = QStringLiteral("Recipients");

} // namespace

PersonDataPage::PersonDataPage(MainContext &ctx, QWidget *parent)
    : SettingsPage(parent)
    , m_ctx(ctx)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    buildReviewingPerson();
    buildReceivers();
    GroupBoxReviewingPerson->setMaximumWidth(SettingsGroupMaxWidth);
    GroupBoxReceivers->setMaximumWidth(SettingsGroupMaxWidth);
    layout->addWidget(GroupBoxReviewingPerson);
    layout->addWidget(GroupBoxReceivers);
    layout->addStretch(1);
}

void PersonDataPage::buildReviewingPerson()
{
    auto *group = new QGroupBox(QStringLiteral(" Die Zadizezerev werden erstellt von: "), this);
    group->setObjectName(QStringLiteral("GroupBoxReviewingPerson"));
    GroupBoxReviewingPerson = group;
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(12);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    EditReviewingPersonFirstname
        = NewSettingsEdit(QStringLiteral("EditReviewingPersonFirstname"), group);
    EditReviewingPersonName = NewSettingsEdit(QStringLiteral("EditReviewingPersonName"), group);
    EditReviewingPersonInitials
        = NewSettingsEdit(QStringLiteral("EditReviewingPersonInitials"), group);
    EditReviewingPersonEmail = NewSettingsEdit(QStringLiteral("EditReviewingPersonEmail"), group);

    grid->addWidget(
        NewFieldLabel(QStringLiteral("Vorname"), EditReviewingPersonFirstname, group), 0, 0);
    grid->addWidget(EditReviewingPersonFirstname, 0, 1);
    grid->addWidget(NewFieldLabel(QStringLiteral("Name"), EditReviewingPersonName, group), 0, 2);
    grid->addWidget(EditReviewingPersonName, 0, 3);
    grid->addWidget(
        NewFieldLabel(QStringLiteral("Kurzzeichen"), EditReviewingPersonInitials, group), 1, 0);
    grid->addWidget(EditReviewingPersonInitials, 1, 1);
    grid->addWidget(NewFieldLabel(QStringLiteral("E-Mail"), EditReviewingPersonEmail, group), 1, 2);
    grid->addWidget(EditReviewingPersonEmail, 1, 3);

    auto *choice = new QGroupBox(QStringLiteral("Verwendetes Mail-Programm"), group);
    choice->setObjectName(QStringLiteral("RadioGroupReviewingPersonMailProgram"));
    RadioGroupReviewingPersonMailProgram = choice;
    auto *choiceLayout = new QVBoxLayout(choice);
    RadioButtonStandardMail = new QRadioButton(
        QStringLiteral("Standard-Mail-Programm (Outlook, Eudora, Thunderbird, etc.)"), choice);
    RadioButtonStandardMail->setObjectName(QStringLiteral("RadioButtonStandardMail"));
    RadioButtonWebMail = new QRadioButton(
        QStringLiteral("WEB-Mail (hotmail, gmx, freesurf, bluemail, etc)"), choice);
    RadioButtonWebMail->setObjectName(QStringLiteral("RadioButtonWebMail"));
    choiceLayout->addWidget(RadioButtonStandardMail);
    choiceLayout->addWidget(RadioButtonWebMail);
    m_mailProgram = new QButtonGroup(this);
    m_mailProgram->addButton(RadioButtonStandardMail, mpStandard);
    m_mailProgram->addButton(RadioButtonWebMail, mpWebMail);
    grid->addWidget(choice, 2, 0, 1, 4);

    EditReviewingPersonWebMailUrl
        = NewSettingsEdit(QStringLiteral("EditReviewingPersonWebMailUrl"), group);
    grid->addWidget(
        NewFieldLabel(QStringLiteral("WEB-Mail URL"), EditReviewingPersonWebMailUrl, group), 3, 0);
    grid->addWidget(EditReviewingPersonWebMailUrl, 3, 1, 1, 3);

    // Arrow keys move the choice as well as clicks do.
    connect(m_mailProgram, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RadioGroupReviewingPersonMailProgramClick();
    });
    setMailProgram(mpStandard);
}

void PersonDataPage::buildReceivers()
{
    auto *group = new QGroupBox(
        QStringLiteral(" Die Zadizezerev werden an folgende Personen gesendet: "), this);
    group->setObjectName(QStringLiteral("GroupBoxReceivers"));
    GroupBoxReceivers = group;
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(12);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 2);
    grid->setColumnStretch(3, 3);

    const char *const headings[] = { "Vorname", "Name", "Email" };
    for (int column = 0; column < 3; ++column) {
        auto *heading = NewFieldLabel(QLatin1String(headings[column]), nullptr, group);
        grid->addWidget(heading, 0, column + 1);
    }

    struct Row
    {
        const char *label;
        QLineEdit **firstname;
        QLineEdit **name;
        QLineEdit **email;
        const char *number;
    };
    const Row rows[] = {
        { "TO:", &EditFirstnameReceiver1, &EditNameReceiver1, &EditEmailReceiver1, "1" },
        { "CC:", &EditFirstnameReceiver2, &EditNameReceiver2, &EditEmailReceiver2, "2" },
    };
    int line = 1;
    for (const Row &row : rows) {
        const QString number = QLatin1String(row.number);
        *row.firstname = NewSettingsEdit(QStringLiteral("EditFirstnameReceiver") + number, group);
        *row.name = NewSettingsEdit(QStringLiteral("EditNameReceiver") + number, group);
        *row.email = NewSettingsEdit(QStringLiteral("EditEmailReceiver") + number, group);
        grid->addWidget(NewFieldLabel(QLatin1String(row.label), *row.firstname, group), line, 0);
        grid->addWidget(*row.firstname, line, 1);
        grid->addWidget(*row.name, line, 2);
        grid->addWidget(*row.email, line, 3);
        ++line;
    }
}

QList<PersonDataPage::Binding> PersonDataPage::bindings() const
{
    return {
        { EditReviewingPersonFirstname, kReviewer, QStringLiteral("Firstname"),
            QStringLiteral("X") },
        { EditReviewingPersonName, kReviewer, QStringLiteral("Name"), QStringLiteral("Y") },
        { EditReviewingPersonInitials, kReviewer, QStringLiteral("Initials"),
            QStringLiteral("XY") },
        { EditReviewingPersonEmail, kReviewer, QStringLiteral("Email"), DefaultReviewerEmail() },
        { EditReviewingPersonWebMailUrl, kReviewer, QStringLiteral("WebMailUrl"),
            DefaultWebMailUrl() },
        { EditFirstnameReceiver1, kRecipients, QStringLiteral("Firstname1"), QString() },
        { EditNameReceiver1, kRecipients, QStringLiteral("Name1"), QString() },
        { EditEmailReceiver1, kRecipients, QStringLiteral("Email1"), QString() },
        { EditFirstnameReceiver2, kRecipients, QStringLiteral("Firstname2"), QString() },
        { EditNameReceiver2, kRecipients, QStringLiteral("Name2"), QString() },
        { EditEmailReceiver2, kRecipients, QStringLiteral("Email2"), QString() },
    };
}

void PersonDataPage::IniSettingsPersonData(const IniFile &settings)
{
    for (const Binding &b : bindings())
        b.edit->setText(settings.readString(b.section, b.key, b.defaultValue));
    const bool webMail = settings.readBool(kReviewer, QStringLiteral("WebMail"), false);
    setMailProgram(webMail ? mpWebMail : mpStandard);
}

void PersonDataPage::ButtonPersonDataSaveSettingsClick()
{
    // The next new review file is named with the new initials at once.
    m_ctx.UserInitials = EditReviewingPersonInitials->text();
    if (!m_ctx.settings)
        return;
    IniFile &settings = *m_ctx.settings;
    // Written as typed: a blocked web-mail address keeps its text as well.
    const QList<Binding> all = bindings();
    for (const Binding &b : all) {
        if (b.section == kReviewer)
            settings.writeString(b.section, b.key, b.edit->text());
    }
    settings.writeBool(kReviewer, QStringLiteral("WebMail"), mailProgram() == mpWebMail);
    for (const Binding &b : all) {
        if (b.section != kReviewer)
            settings.writeString(b.section, b.key, b.edit->text());
    }
}

void PersonDataPage::RadioGroupReviewingPersonMailProgramClick()
{
    EditReviewingPersonWebMailUrl->setEnabled(mailProgram() == mpWebMail);
}

int PersonDataPage::mailProgram() const { return m_mailProgram->checkedId(); }

void PersonDataPage::setMailProgram(int item)
{
    if (QAbstractButton *button = m_mailProgram->button(item))
        button->setChecked(true);
    RadioGroupReviewingPersonMailProgramClick();
}
