#pragma once

#include <QWidget>

class DBEdit;
class DBMemo;
class DBRadioGroup;
class QMenu;
class TDataAccess;

// The page "Besprechung": the review text and the reviewer's verdict.
class ReviewPage : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewPage(TDataAccess &dataAccess, QWidget *parent = nullptr);

    // The controls, by their names.
    DBMemo *DBMemoReview = nullptr;
    DBRadioGroup *DBRadioGroupAgeGroup = nullptr;
    DBEdit *DBEditCategory = nullptr;
    DBEdit *DBEditAge = nullptr;
    DBRadioGroup *DBRadioGroupRecommendation = nullptr;
    DBEdit *DBEditReviewerInitials = nullptr;
    QMenu *PopupMenuTopics = nullptr;

    // The review text's font size in points (from the settings).
    void setReviewFontSize(int points);

private:
    TDataAccess &m_data;
};
