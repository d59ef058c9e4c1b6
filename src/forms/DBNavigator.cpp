#include "DBNavigator.h"

#include "base/ImageList1.h"
#include "store/DataSet.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {

struct ButtonSpec
{
    const char *name;
    const char *hint;
    ImageList1::NavigatorGlyph glyph;
};

const ButtonSpec kButtons[DBNavigator::nbCount] = {
    { "First", "Erster Datensatz", ImageList1::First },
    { "Prior", "Vorheriger Datensatz", ImageList1::Prior },
    { "Next", "Nächster Datensatz", ImageList1::Next },
    { "Last", "Letzter Datensatz", ImageList1::Last },
    { "Insert", "Datensatz einfügen", ImageList1::Insert },
    { "Delete", "Datensatz löschen", ImageList1::Delete },
    { "Post", "Daten übernehmen", ImageList1::Post },
    { "Cancel", "Bearbeitung abbrechen", ImageList1::Cancel },
};

} // namespace

DBNavigator::DBNavigator(DataSet *table, QWidget *parent)
    : QWidget(parent)
    , m_table(table)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < nbCount; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QStringLiteral("DBNavigatorButton") + QLatin1String(kButtons[i].name));
        b->setIcon(ImageList1::navigatorIcon(kButtons[i].glyph));
        b->setToolTip(QString::fromUtf8(kButtons[i].hint));
        b->setFixedSize(30, 25);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        m_buttons.append(b);
        connect(b, &QToolButton::clicked, this, [this, i] { press(Button(i)); });
    }
    connect(m_table, &DataSet::stateChanged, this, &DBNavigator::updateEnabled);
    connect(m_table, &DataSet::afterScroll, this, &DBNavigator::updateEnabled);
    connect(m_table, &DataSet::currentChanged, this, &DBNavigator::updateEnabled);
    connect(m_table, &DataSet::layoutChanged, this, &DBNavigator::updateEnabled);
    connect(m_table, &DataSet::fieldChanged, this, &DBNavigator::updateEnabled);
    updateEnabled();
}

void DBNavigator::setVisibleButtons(int buttons)
{
    m_visible = buttons & AllButtons;
    for (int i = 0; i < nbCount; ++i)
        m_buttons[i]->setVisible((m_visible >> i) & 1);
}

int DBNavigator::visibleButtons() const { return m_visible; }

QToolButton *DBNavigator::button(Button b) const { return m_buttons.value(b); }

void DBNavigator::press(Button b)
{
    switch (b) {
    case nbFirst:
        m_table->first();
        break;
    case nbPrior:
        m_table->prior();
        break;
    case nbNext:
        m_table->next();
        break;
    case nbLast:
        m_table->last();
        break;
    case nbInsert:
        m_table->insert();
        break;
    case nbDelete:
        m_table->deleteRecord();
        break;
    case nbPost:
        m_table->post();
        break;
    case nbCancel:
        m_table->cancel();
        break;
    case nbCount:
        return;
    }
    updateEnabled();
    emit clicked(b);
}

void DBNavigator::updateEnabled()
{
    // While the controls are held back the table tells them once at the end.
    if (m_table->controlsDisabled())
        return;
    const bool active = m_table->isActive();
    const bool editing = m_table->isEditing();
    const bool hasRecords = m_table->recordCount() > 0;
    const int row = m_table->recNo();
    const bool atFirst = !hasRecords || row == 0;
    const bool atLast = !hasRecords || row == m_table->recordCount() - 1;
    m_buttons[nbFirst]->setEnabled(active && (editing || !atFirst));
    m_buttons[nbPrior]->setEnabled(active && (editing || !atFirst));
    m_buttons[nbNext]->setEnabled(active && (editing || !atLast));
    m_buttons[nbLast]->setEnabled(active && (editing || !atLast));
    m_buttons[nbInsert]->setEnabled(active);
    m_buttons[nbDelete]->setEnabled(
        active && (hasRecords || m_table->state() == DataSet::dsInsert));
    m_buttons[nbPost]->setEnabled(active && editing);
    m_buttons[nbCancel]->setEnabled(active && editing);
}
