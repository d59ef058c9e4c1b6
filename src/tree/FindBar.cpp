#include "FindBar.h"

#include "TreeFilter.h"
#include "util/Hints.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTreeWidget>

FindBar::FindBar(QTreeWidget *tree, DataSet &table, QWidget *parent)
    : QWidget(parent)
    , m_tree(tree)
    , m_filter(new TreeFilter(tree, table, this))
{
    setObjectName(QStringLiteral("PanelFind"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);

    EditFind = new QLineEdit(this);
    EditFind->setObjectName(QStringLiteral("EditFind"));
    EditFind->setPlaceholderText(QStringLiteral("Suchen (Strg+F)"));
    EditFind->setClearButtonEnabled(true);
    const QString hint = QStringLiteral(
        "Bücher aller geladenen Berichte finden|Zeigt nur die Bücher, in denen jedes Wort "
        "vorkommt (Titel, Personen, Verlag, ISBN, Text ...). Enter oder F3: nächster Treffer.");
    EditFind->setToolTip(GetShortHint(hint));
    EditFind->setStatusTip(GetLongHint(hint));
    EditFind->installEventFilter(this);
    layout->addWidget(EditFind, 1);

    LabelFindCount = new QLabel(this);
    LabelFindCount->setObjectName(QStringLiteral("LabelFindCount"));
    layout->addWidget(LabelFindCount);

    connect(EditFind, &QLineEdit::textChanged, m_filter, &TreeFilter::setQuery);
    connect(EditFind, &QLineEdit::returnPressed, this, &FindBar::FindNext);
    connect(m_filter, &TreeFilter::filtered, this, &FindBar::showCount);
    connect(m_filter, &TreeFilter::working, this,
        [this] { LabelFindCount->setText(QStringLiteral("Suche ...")); });

    // Anywhere in the window, as long as the tree panel takes input.
    auto *next = new QShortcut(QKeySequence(Qt::Key_F3), this);
    next->setContext(Qt::WindowShortcut);
    connect(next, &QShortcut::activated, this, &FindBar::FindNext);
    auto *previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    previous->setContext(Qt::WindowShortcut);
    connect(previous, &QShortcut::activated, this, &FindBar::FindPrevious);
}

void FindBar::ActionFindExecute()
{
    if (!isEnabled())
        return;
    m_filter->prepare();
    EditFind->setFocus(Qt::ShortcutFocusReason);
    EditFind->selectAll();
}

void FindBar::FindNext()
{
    if (!isEnabled())
        return;
    if (!m_filter->isActive()) {
        ActionFindExecute();
        return;
    }
    m_filter->selectNext();
}

void FindBar::FindPrevious()
{
    if (!isEnabled())
        return;
    if (!m_filter->isActive()) {
        ActionFindExecute();
        return;
    }
    m_filter->selectPrevious();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == EditFind && event->type() == QEvent::FocusIn)
        m_filter->prepare();
    if (watched == EditFind && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            if (EditFind->text().isEmpty())
                m_tree->setFocus(Qt::OtherFocusReason);
            else
                EditFind->clear();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & Qt::ShiftModifier)) {
            FindPrevious();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::showCount(int matches, int books)
{
    if (!m_filter->isActive()) {
        LabelFindCount->clear();
        return;
    }
    LabelFindCount->setText(QStringLiteral("%1 von %2 Büchern").arg(matches).arg(books));
}
