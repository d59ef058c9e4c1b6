#pragma once

#include "SettingsFields.h"

#include <QList>
#include <QString>
#include <QStringList>

struct MainContext;
class IniFile;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

// The settings page "Web-Seite": style sheet, titles and home link of the
// HTML pages the program writes.
class WebSettingsPage : public SettingsPage
{
    Q_OBJECT

public:
    explicit WebSettingsPage(MainContext &ctx, QWidget *parent = nullptr);

    // Fills the page and its style sheet list from the settings and the HTML
    // folder; run once at start-up, after the working folders are known.
    void IniSettingsWeb(const IniFile &settings);
    // Writes the page into the in-memory settings. Leaving the page is the
    // window's business.
    void ButtonWebPageSaveSettingsClick();
    // The subtitle takes input only while it is not taken from the folder.
    void CheckBoxTakeFromDirectoryClick();

    // The names of the "*.css" files directly in folder, in whatever order
    // the file system gives them; folders are left out.
    static QStringList ListStyleSheets(const QString &folder);
    // Shows names sorted and selects the entry of the stored name, compared
    // without regard to case; none when no entry matches.
    void FillStyleSheets(const QStringList &names, const QString &storedName);
    // The selected entry's name; empty when none is selected.
    QString selectedStyleSheet() const;

    QGroupBox *GroupBoxWebPage = nullptr;
    QComboBox *ComboBoxStyleSheet = nullptr;
    QLineEdit *EditRelativePath = nullptr;
    QLineEdit *EditTitle = nullptr;
    QLineEdit *EditSubtitle = nullptr;
    QCheckBox *CheckBoxTakeFromDirectory = nullptr;
    QLineEdit *EditHomeLinkText = nullptr;
    QLineEdit *EditHomeURL = nullptr;

private:
    // One text field and the key it edits.
    struct Binding
    {
        QLineEdit *edit;
        QString key;
        QString defaultValue;
    };
    QList<Binding> bindings() const;

    MainContext &m_ctx;
};
