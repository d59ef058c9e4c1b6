#include "DDataAccess.h"

#include "app/IDesktop.h"

TDataAccess::TDataAccess(IDesktop &desktop, QObject *parent)
    : QObject(parent)
    , DSetReview(new DataSet(this))
    , DSetBuffer(new DataSet(this))
    , DSetLanguages(new DataSet(this))
    , DSetPublishers(new DataSet(this))
    , m_desktop(desktop)
{
    DSetReview->setObjectName(QStringLiteral("DSetReview"));
    DSetBuffer->setObjectName(QStringLiteral("DSetBuffer"));
    DSetLanguages->setObjectName(QStringLiteral("DSetLanguages"));
    DSetPublishers->setObjectName(QStringLiteral("DSetPublishers"));
}

TDataAccess::~TDataAccess() = default;
