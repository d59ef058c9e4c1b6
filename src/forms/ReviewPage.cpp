#include "ReviewPage.h"

#include "DBControls.h"
#include "LetterMenus.h"
#include "data/DDataAccess.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QVBoxLayout>

ReviewPage::ReviewPage(TDataAccess &dataAccess, QWidget *parent)
    : QWidget(parent)
    , m_data(dataAccess)
{
    setObjectName(QStringLiteral("ReviewPage"));
    DataSet *t = m_data.DSetReview;
    // The verdict sits in a column of its own beside the review text.
    auto *verdictColumn = new QWidget(this);
    verdictColumn->setObjectName(QStringLiteral("ReviewVerdict"));

    DBMemoReview = new DBMemo(t, QStringLiteral("Review"), this);
    DBMemoReview->setObjectName(QStringLiteral("DBMemoReview"));
    ApplyHint(DBMemoReview, QStringLiteral("| Ihre Beurteilung (max 2000 Zeichen)."));
    auto *memoLabel = new QLabel(QStringLiteral("Beurteilung"), this);
    memoLabel->setBuddy(DBMemoReview);

    DBRadioGroupAgeGroup
        = new DBRadioGroup(t, QStringLiteral("Agegroup"), QStringLiteral("Altersgruppe"),
            { { QStringLiteral("Kinder"), QStringLiteral("K") },
                { QStringLiteral("Jugendl."), QStringLiteral("J") },
                { QStringLiteral("Erwachs."), QStringLiteral("E") } },
            verdictColumn);
    DBRadioGroupAgeGroup->setObjectName(QStringLiteral("DBRadioGroupAgeGroup"));
    ApplyHint(DBRadioGroupAgeGroup,
        QStringLiteral("Geeignet für K, J, E | Zielleserschaft Kinder, Jugendliche, Erwachsene"));

    DBEditCategory = new DBEdit(t, QStringLiteral("Category"), verdictColumn);
    DBEditCategory->setObjectName(QStringLiteral("DBEditCategory"));
    ApplyHint(DBEditCategory, QStringLiteral("Stoffkreisbezeichnung | Stoffkreisbezeichnung"));
    PopupMenuTopics = new QMenu(this);
    PopupMenuTopics->setObjectName(QStringLiteral("PopupMenuTopics"));
    DBEditCategory->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBEditCategory, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (!PopupMenuTopics->isEmpty())
            PopupMenuTopics->popup(DBEditCategory->mapToGlobal(pos));
    });
    connect(PopupMenuTopics, &QMenu::triggered, this,
        [this](QAction *item) { PopupMenuTopicsClick(m_data, item); });
    auto *categoryLabel = new QLabel(QStringLiteral("Stoffkreis"), verdictColumn);
    categoryLabel->setBuddy(DBEditCategory);

    DBEditAge = new DBEdit(t, QStringLiteral("Age"), verdictColumn);
    DBEditAge->setObjectName(QStringLiteral("DBEditAge"));
    DBEditAge->setFixedWidth(44);
    DBEditAge->setAlignment(Qt::AlignRight);
    WarnOnInvalidNumber(DBEditAge, m_data.desktop(), QStringLiteral("Lesealter"));
    auto *ageLabel = new QLabel(QStringLiteral("Lesealter"), verdictColumn);
    auto *fromLabel = new QLabel(QStringLiteral("ab"), verdictColumn);
    fromLabel->setBuddy(DBEditAge);

    DBRadioGroupRecommendation
        = new DBRadioGroup(t, QStringLiteral("Recommendation"), QStringLiteral("Empfehlung"),
            { { QStringLiteral("nicht empfohlen"), QStringLiteral("n.e.") },
                { QStringLiteral("bedingt empfohlen"), QStringLiteral("b.e.") },
                { QStringLiteral("empfohlen"), QStringLiteral("e.") },
                { QStringLiteral("sehr empfohlen"), QStringLiteral("s.e.") } },
            verdictColumn);
    DBRadioGroupRecommendation->setObjectName(QStringLiteral("DBRadioGroupRecommendation"));

    DBEditReviewerInitials = new DBEdit(t, QStringLiteral("ReviewerInitials"), verdictColumn);
    DBEditReviewerInitials->setObjectName(QStringLiteral("DBEditReviewerInitials"));
    ApplyHint(DBEditReviewerInitials, QStringLiteral("Initialen der beurteilenden Person"));
    DBEditReviewerInitials->setAlignment(Qt::AlignCenter);
    DBEditReviewerInitials->setFixedWidth(64);
    auto *initialsLabel = new QLabel(QStringLiteral("Initialen"), verdictColumn);
    initialsLabel->setBuddy(DBEditReviewerInitials);

    auto *memoColumn = new QVBoxLayout;
    memoColumn->setSpacing(4);
    memoColumn->addWidget(memoLabel);
    memoColumn->addWidget(DBMemoReview, 1);

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(6);
    fields->addWidget(categoryLabel, 0, 0);
    fields->addWidget(DBEditCategory, 0, 1, 1, 2);
    fields->addWidget(ageLabel, 1, 0);
    auto *ageRow = new QHBoxLayout;
    ageRow->setSpacing(6);
    ageRow->addWidget(fromLabel);
    ageRow->addWidget(DBEditAge);
    ageRow->addStretch(1);
    fields->addLayout(ageRow, 1, 1, 1, 2);
    fields->addWidget(initialsLabel, 2, 0);
    fields->addWidget(DBEditReviewerInitials, 2, 1, Qt::AlignLeft);
    fields->setColumnStretch(2, 1);

    auto *verdict = new QVBoxLayout;
    verdict->setSpacing(8);
    verdict->addWidget(DBRadioGroupAgeGroup);
    verdict->addLayout(fields);
    verdict->addWidget(DBRadioGroupRecommendation);
    verdict->addStretch(1);

    verdictColumn->setLayout(verdict);
    verdict->setContentsMargins(0, 0, 0, 0);
    verdictColumn->setFixedWidth(196);
    auto *page = new QHBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 8);
    page->setSpacing(12);
    page->addLayout(memoColumn, 1);
    page->addWidget(verdictColumn);

    QList<QWidget *> order { DBMemoReview };
    for (int i = 0; i < 3; ++i)
        order.append(DBRadioGroupAgeGroup->button(i));
    order << DBEditCategory << DBEditAge;
    for (int i = 0; i < 4; ++i)
        order.append(DBRadioGroupRecommendation->button(i));
    order.append(DBEditReviewerInitials);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void ReviewPage::setReviewFontSize(int points)
{
    if (points <= 0)
        return;
    QFont f = DBMemoReview->font();
    f.setPointSize(points);
    DBMemoReview->setFont(f);
}
