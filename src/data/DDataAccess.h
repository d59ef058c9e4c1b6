#pragma once

#include "store/DataSet.h"

#include <QObject>

class IDesktop;
class IReviewHost;

// The data module: the review table with its checks and the list tables, for
// the whole run.
class TDataAccess : public QObject
{
    Q_OBJECT

public:
    // Check modes of the review table (its Tag).
    enum CheckMode { tagNone = 0, tagMerging = 1, tagSaving = 2, tagBookData = 3, tagReview = 4 };

    explicit TDataAccess(IDesktop &desktop, QObject *parent = nullptr);
    ~TDataAccess() override;

    void setHost(IReviewHost *host) { m_host = host; }
    IReviewHost *host() const { return m_host; }
    IDesktop &desktop() const { return m_desktop; }

    DataSet *DSetReview;
    DataSet *DSetBuffer;
    DataSet *DSetLanguages;
    DataSet *DSetPublishers;

    // Posted changes that no save has written yet.
    bool UnsavedChanges = false;

    // Starting values of a new record; starts one when none is being inserted.
    void IniReviewRecord();

    // Book-number display: "#.0" for the years 2000 to 2009, "#.00" for
    // 2010 on, decided by the last two digits of the year.
    void SetBookNumberFormat(int year);
    int bookNumberDecimals() const { return m_bookNumberDecimals; }
    // The book number as the field shows it.
    QString BookNumberDisplay(const QVariant &value) const;

    // The checks, as the before-post and before-delete events run them.
    bool DSetReviewBeforePost();
    bool DSetReviewBeforeDelete();

private:
    void DSetReviewAfterInsert();
    void DSetReviewAfterPost();
    void DSetReviewAfterScroll();
    void DSetReviewAfterCancel();
    bool BookDataChecks();
    bool ReviewChecks();
    // A failed check's question; true when the person chose the first button.
    bool askConsistency(const QString &message, const QString &firstCaption);
    void refreshStatusFields();

    IDesktop &m_desktop;
    IReviewHost *m_host = nullptr;
    int m_bookNumberDecimals = 1;
    bool m_inIniReviewRecord = false;
};
