#include "MergeDataSets.h"

#include "base/IDesktop.h"
#include "base/MainContext.h"
#include "base/StatusPanel.h"
#include "base/VexUtils.h"
#include "data/DDataAccess.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "tree/TreeProcedures.h"

#include <QTreeWidget>

#include <limits>

namespace {

QString duplicatesMessage(const QStringList &duplicates)
{
    QString text = QStringLiteral("Folgende Buchenummern sind bereits vorhanden\r\n\r\n");
    for (qsizetype i = 0; i < duplicates.size(); ++i) {
        text += duplicates[i] + u'\t';
        if ((i + 1) % 10 == 0)
            text += QStringLiteral("\r\n");
    }
    text += QStringLiteral("\r\n\r\nund wurden nicht mehr geladen.");
    return text;
}

// The review record's whole numbers are 32 bits wide; a larger value from a
// file goes through its text, which then fails to convert.
bool fitsField(FieldKind kind, const QVariant &value)
{
    if (kind != FieldKind::Integer || !value.isValid())
        return true;
    bool ok = false;
    const qlonglong v = value.toLongLong(&ok);
    return ok && value.metaType().id() != QMetaType::ULongLong
        && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

void expandAll(QTreeWidgetItem *node)
{
    node->setExpanded(true);
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->childCount() > 0)
            expandAll(node->child(i));
    }
}

// The tree's node of a book taken over from the source's current record: a
// copy of a node that has the pictures of an included book already, which
// is cheaper than giving each node its pictures anew.
QTreeWidgetItem *newBookNode(
    const QTreeWidgetItem &prototype, DataSet &source, int sourceTitle, double number)
{
    QTreeWidgetItem *book = prototype.clone();
    book->setText(0, sourceTitle >= 0 ? source.asText(sourceTitle) : QString());
    book->setData(0, TreeRoles::Data, BookKeyOf(number));
    return book;
}

} // namespace

QString NormalizePrice(QString text)
{
    text.remove(u' ');
    text.replace(u'-', u'0');
    return text;
}

QString NormalizePages(const QString &text) { return ParseInteger(text) ? text : QString(); }

bool MergeDataSets(
    MainContext &ctx, QTreeWidgetItem *fileNode, DataSet &target, DataSet &source, QString *error)
{
    QStringList duplicates;
    source.first();
    if (target.isEditing())
        target.cancel();

    const int sourceNumber = source.fieldIndex(QStringLiteral("BookNbr"));
    const int sourceTitle = source.fieldIndex(QStringLiteral("BookTitle"));
    const int targetPrice = target.fieldIndex(QStringLiteral("Price"));
    const int targetPages = target.fieldIndex(QStringLiteral("Pages"));
    // Files written with the review record's own columns, as nearly all
    // are, can hand over whole rows.
    bool sameColumns = source.fieldCount() == target.fieldCount();
    for (int i = 0; sameColumns && i < source.fieldCount(); ++i)
        sameColumns = source.field(i).kind == target.field(i).kind;
    QList<QTreeWidgetItem *> newNodes;
    // Pictures before the nodes are in the tree: there every change of a
    // node is reported to the views and looks for its row among all its
    // siblings.
    QTreeWidgetItem prototype;
    prototype.setText(0, QString());
    prototype.setData(0, TreeRoles::Data, 0);
    SetNodeImages(&prototype, VexConst::imgBookIncluded, VexConst::imgBookIncluded);
    DataSet::Bookmark lastAdded = 0;
    bool ok = true;

    while (!source.eof() && source.recordCount() > 0) {
        const QString text = sourceNumber >= 0 ? source.asText(sourceNumber) : QString();
        const std::optional<double> number = ParseNumber(text);
        // A whole number is a book of 2000 (12 is 12.0); only zero and less
        // name no book. Refusing them would drop such books from the next save.
        const bool usable = number && (text.contains(u'.') || *number >= 1);
        if (!usable) {
            ctx.window->StatusMsg(
                StatusPanel::Hint, QStringLiteral("Ungültige Buchnummer: <%1>").arg(text));
            source.next();
            continue;
        }
        if (target.contains(QStringLiteral("BookNbr"), *number)) {
            duplicates.append(text);
            source.next();
            continue;
        }
        if (source.fieldCount() > target.fieldCount()) {
            if (error) {
                *error = QStringLiteral(
                    "Der Besprechungsbericht hat %1 Spalten, eine Besprechung nur %2.\r\n"
                    "Die Besprechung %3 und die folgenden wurden nicht geladen.")
                             .arg(source.fieldCount())
                             .arg(target.fieldCount())
                             .arg(text);
            }
            ok = false;
            break;
        }

        if (sameColumns) {
            // A whole row that needs no conversion goes over as it is, with
            // no starting values, checks or events for each book. A negative
            // price goes through its text below, like a value of another
            // kind; so does a row that needs any conversion.
            const CompactRow row = source.currentRow();
            const DataSet::Bookmark added
                = targetPrice < 0 || row.value(targetPrice).toDouble() >= 0
                ? target.appendRow(row)
                : 0;
            if (added != 0) {
                lastAdded = added;
                newNodes.append(newBookNode(prototype, source, sourceTitle, *number));
                source.next();
                continue;
            }
        }

        target.append(); // starting values first; the file's values follow
        bool converted = true;
        for (int i = 0; i < source.fieldCount(); ++i) {
            // A value of the field's own kind goes over as it is (a text is
            // still cut to the entry length); everything else passes through
            // its text, as older files need it.
            const QVariant raw = source.value(i);
            const FieldKind kind = source.field(i).kind;
            if (kind == target.field(i).kind
                && (kind == FieldKind::Text || (kind == FieldKind::Float && i != targetPrice)
                    || (kind == FieldKind::Float && raw.toDouble() >= 0)
                    || (kind == FieldKind::Integer && fitsField(kind, raw)))) {
                target.setValue(i, raw);
                continue;
            }
            QString value = source.asText(i);
            if (i == targetPrice)
                value = NormalizePrice(value);
            else if (i == targetPages)
                value = NormalizePages(value);
            QString why;
            if (value.isEmpty()) {
                target.setValue(i, QVariant());
            } else if (!target.setText(i, value, &why)) {
                if (error)
                    *error = why;
                converted = false;
                break;
            }
        }
        if (!converted) {
            target.cancel();
            ok = false;
            break;
        }
        const int previousTag = target.tag();
        target.setTag(TDataAccess::tagMerging);
        target.post();
        target.setTag(previousTag);
        ctx.data->UnsavedChanges = false;
        lastAdded = 0; // this one is current

        newNodes.append(newBookNode(prototype, source, sourceTitle, *number));
        source.next();
    }

    // As after posting them one by one, the last book taken over is current.
    if (lastAdded != 0) {
        target.gotoBookmark(lastAdded);
        ctx.window->SetAllowedFormActions();
    }

    // Added in one go: tens of thousands of nodes one by one cost seconds.
    if (QTreeWidget *tree = fileNode->treeWidget())
        DeferTreeLayout(tree);
    fileNode->addChildren(newNodes);
    expandAll(fileNode);

    if (ok && !duplicates.isEmpty()) {
        ctx.desktop->ShowMessageDialog(QStringLiteral("Zadizezerev laden"),
            duplicatesMessage(duplicates), Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    }
    return ok;
}
