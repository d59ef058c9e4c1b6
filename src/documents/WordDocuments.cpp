#include "WordDocuments.h"

#include "PreviewText.h"
#include "base/IWordProcessor.h"
#include "base/IniFile.h"
#include "base/Progress.h"
#include "base/VexUtils.h"
#include "store/DataSet.h"

#include <QHash>
#include <QSet>

std::optional<DocStyle> ReadDocStyle(const IniFile &settings, QString *error)
{
    const QString section = QStringLiteral("DocStyle");
    DocStyle style;
    style.dotFile
        = settings.readString(section, QStringLiteral("DotFile"), QStringLiteral("normal"));
    style.font
        = settings.readString(section, QStringLiteral("Font"), QStringLiteral("Times New Roman"));
    const QString size
        = settings.readString(section, QStringLiteral("FontSize"), QStringLiteral("10"));
    const auto points = ParseInteger(size);
    if (!points) {
        if (error)
            *error = QStringLiteral("'%1' ist kein gültiger Integerwert.").arg(size);
        return std::nullopt;
    }
    style.fontSize = *points;
    return style;
}

QString SafeFileName(const QString &name)
{
    QString safe = name;
    for (const QChar c : QStringView(u"\\/:*?\"<>"))
        safe.replace(c, u'_');
    return safe;
}

QString NoPublisherDocumentName() { return QStringLiteral("Ohne Verlag.doc"); }

WordDocuments::WordDocuments(DataSet &table, IWordProcessor &word, const QLocale &locale)
    : m_table(table)
    , m_word(word)
    , m_locale(PriceLocale(locale))
{ }

bool WordDocuments::fail(QString *error)
{
    if (error)
        *error = m_word.errorString();
    if (m_started)
        m_word.FileQuit();
    m_started = false;
    return false;
}

bool WordDocuments::insertReview(const CompactRow &row, const DocStyle &style)
{
    return m_word.Font(style.font) && m_word.FontSize(style.fontSize)
        && m_word.Insert(ComposePreview(ReviewTextsOf(row), m_locale));
}

bool WordDocuments::stop(QString *error)
{
    if (error)
        error->clear();
    m_word.FileQuit(); // the document being written is dropped
    m_started = false;
    m_stopped = true;
    m_table.last();
    return false;
}

bool WordDocuments::WriteWordFile(const QString &path, const DocStyle &style, QString *error)
{
    m_stopped = false;
    m_started = m_word.Start();
    if (!m_started || !m_word.FileNew(style.dotFile))
        return fail(error);
    if (m_table.state() == DataSet::dsInsert)
        m_table.cancel();
    // Moving through the table would post a pending edit first.
    m_table.checkBrowseMode();
    const QList<CompactRow> records = m_table.rows();
    LongWork work(progress, QStringLiteral("Schreibe das Word-Dokument"), records.size(), true);
    m_table.disableControls();
    bool ok = true;
    for (qsizetype row = 0; row < records.size() && ok && work.step(row); ++row)
        ok = insertReview(records[row], style);
    m_table.enableControls();
    if (work.stopped())
        return stop(error);
    if (!ok || !m_word.FileSaveAs(path))
        return fail(error);
    m_word.FileQuit();
    m_started = false;
    m_table.last();
    return true;
}

bool WordDocuments::WritePublisherDocuments(
    const QString &folder, const DocStyle &style, QString *error, QStringList *written)
{
    if (error)
        error->clear();
    m_stopped = false;
    m_table.setIndexFieldNames(QStringLiteral("Publisher;Author1Name"));
    if (m_table.state() == DataSet::dsInsert)
        m_table.cancel();
    m_table.checkBrowseMode();
    const QList<CompactRow> records = m_table.rows();
    if (records.isEmpty())
        return false;

    // The order compares publishers without regard to case, so the rows of
    // one exact publisher text are gathered first; each group keeps the
    // table's order.
    QList<QList<qsizetype>> groups;
    QStringList publishers;
    QHash<QString, int> groupOf;
    for (qsizetype row = 0; row < records.size(); ++row) {
        const QString publisher = records[row].value(fPublisher).toString();
        auto it = groupOf.constFind(publisher);
        if (it == groupOf.constEnd()) {
            it = groupOf.insert(publisher, int(groups.size()));
            groups.append(QList<qsizetype>());
            publishers.append(publisher);
        }
        groups[*it].append(row);
    }

    m_started = m_word.Start();
    if (!m_started)
        return fail(error);
    LongWork work(progress, QStringLiteral("Schreibe Verlagsdokumente"), records.size(), true);
    qsizetype done = 0;
    m_table.disableControls();
    QSet<QString> usedNames; // folded to lower case: names must differ on any disk
    bool ok = true;
    for (int g = 0; g < groups.size() && ok && !work.stopped(); ++g) {
        const QString name = publishers[g].isEmpty()
            ? NoPublisherDocumentName()
            : SafeFileName(publishers[g] + QStringLiteral(".doc"));
        QString unique = name;
        for (int n = 2; usedNames.contains(unique.toLower()); ++n)
            unique = name.chopped(4) + QStringLiteral(" (%1).doc").arg(n);
        usedNames.insert(unique.toLower());

        ok = m_word.FileNew(style.dotFile);
        const QString text
            = QStringLiteral("Verlagsdokument %1 von %2").arg(g + 1).arg(groups.size());
        for (int i = 0; i < groups[g].size() && ok && work.step(done++, text); ++i)
            ok = insertReview(records[groups[g][i]], style);
        if (work.stopped())
            break;
        ok = ok && m_word.FileSaveAs(folder + unique);
        if (ok && written)
            written->append(folder + unique);
    }
    m_table.enableControls();
    if (work.stopped())
        return stop(error);
    if (!ok)
        return fail(error);
    m_word.FileQuit();
    m_started = false;
    m_table.last();
    return true;
}
