#pragma once

#include "SettingsFields.h"

#include <QString>
#include <QStringList>

struct MainContext;
class IniFile;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

// What tells the publisher page and the language page apart.
struct ListPageTexts
{
    const char *gridName;
    const char *keyTitle;
    const char *valueTitle;
    int keyWidth;
    int valueWidth;
    const char *keyEditName;
    const char *keyEditLabel;
    const char *keyEditHint;
    const char *valueEditName;
    const char *valueEditHint;
    const char *addName;
    const char *addHint;
    const char *removeName;
    const char *removeHint;
    const char *countName;
    const char *countLabel;
    const char *countHint;
    const char *restoreName;
    const char *restoreCaption;
    const char *restoreHint;
    const char *existsMessage;
    const char *section; // the settings section the page edits
    const char *listName; // the page's caption, naming the list in questions
    const char *keyName; // what the first field holds, for messages
    const char *addCaption; // caption of the message refusing an entry
};

// A settings page that edits one list section: a grid of key/value rows in
// sorted order, two fields and a button to add a row, removal of the selected
// row, restoring the default list, and saving the grid into the settings.
class ListSettingsPage : public SettingsPage
{
    Q_OBJECT

public:
    ListSettingsPage(MainContext &ctx, const ListPageTexts &texts, QWidget *parent = nullptr);

    // Fills the hidden list, the grid and the count from a settings section.
    void fillFromSection(const IniFile &settings, const QString &section);
    // Adds the typed row; false when nothing was added.
    bool addRow();
    // Removes the selected row from the grid and the hidden list.
    void removeSelectedRow();
    // Writes the grid rows, in grid order, as the whole section.
    void saveToSettings(const QString &section);

    // Whether the grid differs from what the settings hold for the list
    // (added, removed or restored rows not yet saved).
    bool hasUnsavedChanges() const { return gridLines() != m_savedLines; }
    // Writes the grid into the settings, as "Speichern" does, without leaving.
    void saveChanges();
    // Shows the list the settings hold again.
    void discardChanges();
    // The page's caption ("Verlage", "Sprachen").
    QString listName() const;

    // The grid rows as "key=value" lines, in grid order.
    QStringList gridLines() const;
    // The hidden sorted list behind the grid.
    const QStringList &sortedLines() const { return m_lines; }

    QTableWidget *grid() const { return m_grid; }
    QLineEdit *keyEdit() const { return m_keyEdit; }
    QLineEdit *valueEdit() const { return m_valueEdit; }
    QLineEdit *countEdit() const { return m_countEdit; }

protected:
    // Whether the selected row may be removed; the page reports why not.
    virtual bool mayRemove(const QString &key, const QString &value);
    // Fills the page, and what goes with it, from the section of a settings
    // copy.
    virtual void fillFrom(const IniFile &settings) = 0;
    void keyPressEvent(QKeyEvent *event) override;

    MainContext &m_ctx;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_restoreButton = nullptr;

private:
    void showLines();
    void updateCount();
    bool keyTaken(const QString &key) const;
    // Why the settings file cannot hold the entry; empty when it can.
    QString whyNotWritable(const QString &key, const QString &value) const;

    const ListPageTexts &m_texts;
    QStringList m_lines;
    // The grid lines as the settings hold them.
    QStringList m_savedLines;
    QTableWidget *m_grid = nullptr;
    QLineEdit *m_keyEdit = nullptr;
    QLineEdit *m_valueEdit = nullptr;
    QLineEdit *m_countEdit = nullptr;
};

// The page "Verlage". Besides the page it fills the publisher list in file
// order and the book page's publisher menu.
class PublishersPage : public ListSettingsPage
{
    Q_OBJECT

public:
    PublishersPage(MainContext &ctx, QStringList &publisherList, QMenu *publisherMenu,
        QWidget *parent = nullptr);

    void IniSettingsPublisherList(const IniFile &settings, const QString &section);
    void ButtonPublisherAddClick();
    void ButtonPublisherRemoveClick();
    void ButtonPublishersSaveClick();
    void ButtonRestoreStandardPublishersClick();

protected:
    void fillFrom(const IniFile &settings) override;

private:
    QStringList &m_publisherList;
    QMenu *m_publisherMenu;
};

// The page "Sprachen". Its grid also feeds the language table behind the
// book page's drop-down.
class LanguagesPage : public ListSettingsPage
{
    Q_OBJECT

public:
    explicit LanguagesPage(MainContext &ctx, QWidget *parent = nullptr);

    void IniSettingsLanguageList(const IniFile &settings, const QString &section);
    void ButtonLanguageAddClick();
    void ButtonLanguageRemoveClick();
    void ButtonLanguagesSaveClick();
    void ButtonRestoreStandardLanguagesClick();

protected:
    bool mayRemove(const QString &key, const QString &value) override;
    void fillFrom(const IniFile &settings) override;

    bool eventFilter(QObject *watched, QEvent *event) override;
};
