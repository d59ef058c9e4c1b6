#pragma once

#include "DataSet.h"

#include <QObject>

class IDesktop;

// The data module: the review table and the list tables, for the whole run.
class TDataAccess : public QObject
{
    Q_OBJECT

public:
    explicit TDataAccess(IDesktop &desktop, QObject *parent = nullptr);
    ~TDataAccess() override;

    DataSet *DSetReview;
    DataSet *DSetBuffer;
    DataSet *DSetLanguages;
    DataSet *DSetPublishers;

    // Posted changes that no save has written yet.
    bool UnsavedChanges = false;

private:
    IDesktop &m_desktop;
};
