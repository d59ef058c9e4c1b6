#pragma once

#include <QString>
#include <QStringList>

class DataSet;
class IniFile;
class QAction;
class QMenu;
class TDataAccess;

// The lists that help fill the book form: the letter menus of publishers and
// topics, and the language table behind the language drop-down.

// One "key=value" line of a list section; a line without "=" is all key.
struct ListEntry
{
    QString key;
    QString value;
};
ListEntry SplitListLine(const QString &line);

// The group a key belongs to: its first character, a to z in upper case,
// every other character (umlauts too) as it is.
QString LetterMenuInitial(const QString &key);

// Appends the list to the menu, in list order, after the items it already
// holds: consecutive entries with the same initial share a group item
// "X..."; an initial that comes back later opens another group. Every item
// carries its own entry, so it always inserts what its caption names.
void BuildLetterMenu(QMenu *menu, const QStringList &lines);
// The entry a letter-menu item carries; false for any other item.
bool LetterMenuEntry(const QAction *item, ListEntry *entry);

// The review record takes over the chosen publisher and its town, or topic.
void PopupMenuPublisherClick(TDataAccess &data, const QAction *item);
void PopupMenuTopicsClick(TDataAccess &data, const QAction *item);

// The publisher list in file order and the publisher menu built from it.
void IniPublisherMenu(
    const IniFile &settings, const QString &section, QStringList &publisherList, QMenu *menu);
// The topic list in file order and the topic menu built from it.
void IniPopupTopics(
    const IniFile &settings, const QString &section, QStringList &topicList, QMenu *menu);

// The order of a list page: whole lines compared without regard to case.
QStringList SortedListLines(QStringList lines);
// Refills the language table from list lines ("long form=short form"), one
// record per line in the given order.
void FillLanguageTable(DataSet &languages, const QStringList &lines);
