#include "LetterMenus.h"

#include "base/IniFile.h"
#include "data/DDataAccess.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"

#include <QAction>
#include <QCollator>
#include <QLocale>
#include <QMenu>

#include <algorithm>

namespace {

// What a letter-menu item carries: its key and value.
const char *const kEntryProperty = "letterMenuEntry";

QString menuCaption(QString text)
{
    // "&" would turn into an access key and vanish from the caption.
    return text.replace(u'&', QStringLiteral("&&"));
}

// Puts the review table into edit mode; false when there is no record.
bool editReview(DataSet &t)
{
    t.edit();
    return t.isEditing();
}

} // namespace

ListEntry SplitListLine(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return { line, QString() };
    return { line.left(eq), line.mid(eq + 1) };
}

QString LetterMenuInitial(const QString &key)
{
    if (key.isEmpty())
        return {};
    const QChar c = key.front();
    if (c >= u'a' && c <= u'z')
        return QString(QChar(c.unicode() - u'a' + u'A'));
    return QString(c);
}

void BuildLetterMenu(QMenu *menu, const QStringList &lines)
{
    QString previous;
    QMenu *group = nullptr;
    for (const QString &line : lines) {
        const ListEntry entry = SplitListLine(line);
        if (entry.key.isEmpty())
            continue; // nothing to name and nothing to insert
        const QString initial = LetterMenuInitial(entry.key);
        if (!group || initial != previous) {
            group = menu->addMenu(menuCaption(initial + QStringLiteral("...")));
            previous = initial;
        }
        QAction *item = group->addAction(menuCaption(entry.key));
        item->setProperty(kEntryProperty, QStringList { entry.key, entry.value });
    }
}

bool LetterMenuEntry(const QAction *item, ListEntry *entry)
{
    if (!item)
        return false;
    const QStringList parts = item->property(kEntryProperty).toStringList();
    if (parts.size() != 2)
        return false;
    if (entry)
        *entry = { parts[0], parts[1] };
    return true;
}

void PopupMenuPublisherClick(TDataAccess &data, const QAction *item)
{
    ListEntry entry;
    if (!LetterMenuEntry(item, &entry) || !editReview(*data.DSetReview))
        return;
    data.DSetReview->setValue(fPublisher, entry.key);
    data.DSetReview->setValue(fPublisherLocation, entry.value);
}

void PopupMenuTopicsClick(TDataAccess &data, const QAction *item)
{
    ListEntry entry;
    if (!LetterMenuEntry(item, &entry) || !editReview(*data.DSetReview))
        return;
    data.DSetReview->setValue(fCategory, entry.key);
}

void IniPublisherMenu(
    const IniFile &settings, const QString &section, QStringList &publisherList, QMenu *menu)
{
    publisherList = settings.readSectionValues(section);
    BuildLetterMenu(menu, publisherList);
}

void IniPopupTopics(
    const IniFile &settings, const QString &section, QStringList &topicList, QMenu *menu)
{
    topicList = settings.readSectionValues(section);
    BuildLetterMenu(menu, topicList);
}

QStringList SortedListLines(QStringList lines)
{
    // A fixed locale, so the order does not depend on the machine.
    QCollator collator { QLocale(QLocale::German, QLocale::Germany) };
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(lines.begin(), lines.end(),
        [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return lines;
}

void FillLanguageTable(DataSet &languages, const QStringList &lines)
{
    const int shortField = languages.fieldIndex(QStringLiteral("LangShort"));
    const int longField = languages.fieldIndex(QStringLiteral("LangLong"));
    // The drop-down refills once, not once per language.
    languages.disableControls();
    languages.open();
    languages.emptyTable();
    for (const QString &line : lines) {
        const ListEntry entry = SplitListLine(line);
        languages.append();
        languages.setValue(shortField, entry.value);
        languages.setValue(longField, entry.key);
        languages.post();
    }
    languages.enableControls();
}
