#include "WebSettingsPage.h"

#include "base/IniFile.h"
#include "base/MainContext.h"
#include "base/WorkingFolders.h"

#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kWebPage = QStringLiteral("WEBpage");

} // namespace

WebSettingsPage::WebSettingsPage(MainContext &ctx, QWidget *parent)
    : SettingsPage(parent)
    , m_ctx(ctx)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *group = new QGroupBox(QStringLiteral(" Angaben für die WEB-Seite "), this);
    group->setObjectName(QStringLiteral("GroupBoxWebPage"));
    GroupBoxWebPage = group;
    QFont captionFont = group->font();
    captionFont.setBold(true);
    group->setFont(captionFont);
    group->setMaximumWidth(SettingsGroupMaxWidth);
    layout->addWidget(group);
    layout->addStretch(1);

    // Only the caption is bold; the fields sit on a plain-font panel.
    auto *groupLayout = new QVBoxLayout(group);
    auto *fields = new QWidget(group);
    QFont fieldFont = captionFont;
    fieldFont.setBold(false);
    fields->setFont(fieldFont);
    groupLayout->addWidget(fields);
    auto *grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->setColumnStretch(1, 1);

    ComboBoxStyleSheet = new QComboBox(fields);
    ComboBoxStyleSheet->setObjectName(QStringLiteral("ComboBoxStyleSheet"));
    ComboBoxStyleSheet->setEditable(false);
    ComboBoxStyleSheet->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ComboBoxStyleSheet->setMinimumContentsLength(24);
    SetControlHint(ComboBoxStyleSheet,
        QStringLiteral("Wählen Sie ein Stylesheet für die Gestaltung der Web-Seite"));
    EditRelativePath = NewSettingsEdit(QStringLiteral("EditRelativePath"), fields);
    EditTitle = NewSettingsEdit(QStringLiteral("EditTitle"), fields);
    EditSubtitle = NewSettingsEdit(QStringLiteral("EditSubtitle"), fields);
    CheckBoxTakeFromDirectory = new QCheckBox(QStringLiteral("übernehmen"), fields);
    CheckBoxTakeFromDirectory->setObjectName(QStringLiteral("CheckBoxTakeFromDirectory"));
    SetControlHint(CheckBoxTakeFromDirectory,
        QStringLiteral("Verzeichnistitel übernehmen (Belletristik, Bilderbücher, Sachbücher)"));
    EditHomeLinkText = NewSettingsEdit(QStringLiteral("EditHomeLinkText"), fields);
    EditHomeURL = NewSettingsEdit(QStringLiteral("EditHomeURL"), fields);

    const struct
    {
        const char *label;
        QWidget *field;
    } rows[] = {
        { "CSS Stylesheet", ComboBoxStyleSheet },
        { "Rel. Pfad zum Stylesheet", EditRelativePath },
        { "Titel", EditTitle },
        { "Untertitel", EditSubtitle },
        { "Text  des Home-Links", EditHomeLinkText },
        { "Ziel-URL des Home-Links ", EditHomeURL },
    };
    int line = 0;
    for (const auto &row : rows) {
        grid->addWidget(NewFieldLabel(QString::fromUtf8(row.label), row.field, fields), line, 0);
        if (row.field == ComboBoxStyleSheet) {
            grid->addWidget(row.field, line, 1, Qt::AlignLeft);
        } else if (row.field == EditSubtitle) {
            grid->addWidget(row.field, line, 1);
            grid->addWidget(CheckBoxTakeFromDirectory, line, 2);
        } else {
            grid->addWidget(row.field, line, 1);
        }
        ++line;
    }

    connect(CheckBoxTakeFromDirectory, &QCheckBox::toggled, this,
        &WebSettingsPage::CheckBoxTakeFromDirectoryClick);
    CheckBoxTakeFromDirectoryClick();
}

QList<WebSettingsPage::Binding> WebSettingsPage::bindings() const
{
    return {
        { EditTitle, QStringLiteral("Title"), QStringLiteral("Besprechungen") },
        { EditSubtitle, QStringLiteral("SubTitle"), QStringLiteral("Empfohlene Bücher") },
        { EditRelativePath, QStringLiteral("RelativePath"), QStringLiteral("../") },
        { EditHomeLinkText, QStringLiteral("HomeLink"), QStringLiteral("Zur Startseite") },
        { EditHomeURL, QStringLiteral("HomeURL"), QStringLiteral("../../index.htm") },
    };
}

void WebSettingsPage::IniSettingsWeb(const IniFile &settings)
{
    for (const Binding &b : bindings()) {
        // The relative path is read from "WEBPage"; section names do not
        // depend on case, so that is the same section.
        const QString section = b.edit == EditRelativePath ? QStringLiteral("WEBPage") : kWebPage;
        b.edit->setText(settings.readString(section, b.key, b.defaultValue));
    }
    CheckBoxTakeFromDirectory->setChecked(
        settings.readBool(kWebPage, QStringLiteral("takeFromDirectory"), true));
    CheckBoxTakeFromDirectoryClick();

    const QStringList names
        = m_ctx.folders ? ListStyleSheets(m_ctx.folders->htmlFolder) : QStringList();
    FillStyleSheets(names,
        settings.readString(
            kWebPage, QStringLiteral("StyleSheet"), QStringLiteral("ubo-morbel.css")));
}

void WebSettingsPage::ButtonWebPageSaveSettingsClick()
{
    if (!m_ctx.settings)
        return;
    IniFile &settings = *m_ctx.settings;
    settings.writeString(kWebPage, QStringLiteral("StyleSheet"), selectedStyleSheet());
    // The subtitle is kept also while it is taken from the folder.
    settings.writeString(kWebPage, QStringLiteral("Title"), EditTitle->text());
    settings.writeString(kWebPage, QStringLiteral("SubTitle"), EditSubtitle->text());
    settings.writeBool(
        kWebPage, QStringLiteral("takeFromDirectory"), CheckBoxTakeFromDirectory->isChecked());
    settings.writeString(kWebPage, QStringLiteral("RelativePath"), EditRelativePath->text());
    settings.writeString(kWebPage, QStringLiteral("HomeLink"), EditHomeLinkText->text());
    settings.writeString(kWebPage, QStringLiteral("HomeURL"), EditHomeURL->text());
}

void WebSettingsPage::CheckBoxTakeFromDirectoryClick()
{
    EditSubtitle->setEnabled(!CheckBoxTakeFromDirectory->isChecked());
}

QStringList WebSettingsPage::ListStyleSheets(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    // The pattern matches without regard to case: "Blau.CSS" is listed too.
    return QDir(folder).entryList(
        { QStringLiteral("*.css") }, QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
}

void WebSettingsPage::FillStyleSheets(const QStringList &names, const QString &storedName)
{
    QStringList sorted = names;
    QCollator collator { QLocale() };
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Names that differ only in case (possible here) keep a fixed order.
    std::sort(sorted.begin(), sorted.end(), [&collator](const QString &a, const QString &b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });

    ComboBoxStyleSheet->clear();
    ComboBoxStyleSheet->addItems(sorted);
    // The entry is looked up in the sorted list it is shown in. An exact
    // match wins over one that differs only in case.
    qsizetype index = sorted.indexOf(storedName);
    if (index < 0) {
        const auto it
            = std::find_if(sorted.cbegin(), sorted.cend(), [&storedName](const QString &n) {
                  return n.compare(storedName, Qt::CaseInsensitive) == 0;
              });
        index = it == sorted.cend() ? -1 : it - sorted.cbegin();
    }
    ComboBoxStyleSheet->setCurrentIndex(int(index));
}

QString WebSettingsPage::selectedStyleSheet() const
{
    return ComboBoxStyleSheet->currentIndex() < 0 ? QString() : ComboBoxStyleSheet->currentText();
}
