#include "DbOverviewPage.h"

#include "DBControls.h"
#include "data/DDataAccess.h"
#include "store/DataSet.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>
#include <QVBoxLayout>

#include <iterator>

namespace {

struct ColumnSpec
{
    const char *field;
    int width; // -1: the field's display width
    const char *title; // nullptr: the field's label
    const char *widest = nullptr; // a value the column shows whole
};

const ColumnSpec kColumns[] = {
    { "BookNbr", 40, nullptr, "999.99" },
    { "ReviewerInitials", 42, nullptr },
    { "BookTitle", 207, nullptr },
    { "Category", 104, nullptr },
    { "Recommendation", 61, nullptr, "n.e." },
    { "Age", 48, nullptr, "99" },
    { "Agegroup", 65, nullptr },
    { "Price", 37, "Preis", "9999.90" },
    { "Publisher", -1, nullptr },
    { "YearPublished", 29, "Jahr", "2099" },
    { "Pages", 37, "Seiten", "9999" },
    { "Author1Name", 68, nullptr },
    { "Illustrator1Name", 72, nullptr },
    { "Translator1Name", 74, nullptr },
    { "Language", 45, nullptr },
};

} // namespace

DbOverviewPage::DbOverviewPage(TDataAccess &dataAccess, QWidget *parent)
    : QWidget(parent)
    , m_data(dataAccess)
{
    setObjectName(QStringLiteral("DbOverviewPage"));
    QList<GridColumn> columns;
    for (const ColumnSpec &c : kColumns) {
        GridColumn column;
        column.fieldName = QLatin1String(c.field);
        column.width = c.width;
        if (c.title)
            column.title = QString::fromUtf8(c.title);
        columns.append(column);
    }
    columns[0].display = [this](const QVariant &v) { return m_data.BookNumberDisplay(v); };
    columns[7].display = [](const QVariant &v) { return FormatPrice(v); };

    DBGrid1 = new DBGrid(m_data.DSetReview, columns, this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    // Each column is at least as wide as its title and its widest short value
    // in the grid's font, so neither is cut.
    QHeaderView *header = DBGrid1->horizontalHeader();
    const int cellMargin
        = 2 * (DBGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, DBGrid1) + 1)
        + 4;
    for (int c = 0; c < int(std::size(kColumns)); ++c) {
        int width = qMax(DBGrid1->columnWidth(c), header->sectionSizeHint(c));
        if (kColumns[c].widest)
            width = qMax(width,
                DBGrid1->fontMetrics().horizontalAdvance(QLatin1String(kColumns[c].widest))
                    + cellMargin);
        DBGrid1->setColumnWidth(c, width);
    }
    connect(DBGrid1, &DBGrid::titleClicked, this, &DbOverviewPage::DBGrid1TitleClick);
    for (QWidget *w : { DBGrid1->horizontalHeader()->viewport(), DBGrid1->viewport() }) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBGrid1);
}

void DbOverviewPage::DBGrid1TitleClick(int column)
{
    DataSetModel *model = DBGrid1->dataModel();
    if (column < 0 || column >= model->columnCount())
        return;
    const QPalette &palette = DBGrid1->palette();
    for (int c = 0; c < model->columnCount(); ++c)
        model->setTitleColor(c, palette.color(QPalette::Window));
    m_data.DSetReview->setIndexFieldNames(
        model->column(column).fieldName + QStringLiteral(";Author1Name;BookNbr"));
    model->setTitleColor(column, palette.color(QPalette::ToolTipBase));
}

void DbOverviewPage::DBGrid1MouseMove(const QPoint &pos)
{
    // The titles sort when clicked: the hand says so.
    const bool overTitles = DBGrid1->horizontalHeader()->geometry().contains(pos);
    DBGrid1->setCursor(overTitles ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void DbOverviewPage::refreshValues() { DBGrid1->dataModel()->refreshValues(); }

bool DbOverviewPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        auto *w = static_cast<QWidget *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        DBGrid1MouseMove(w->mapTo(DBGrid1, mouse->position().toPoint()));
    }
    return QWidget::eventFilter(watched, event);
}
