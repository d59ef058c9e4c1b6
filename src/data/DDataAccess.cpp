#include "DDataAccess.h"

#include "IReviewHost.h"
#include "base/IDesktop.h"
#include "base/StatusPanel.h"
#include "base/VexUtils.h"
#include "store/ISBN.h"
#include "store/ReviewSchema.h"

#include <QLocale>

namespace {

const QString kConsistency = QStringLiteral("Konsistenzprüfung...");

bool isEmptyValue(const QVariant &v)
{
    return !v.isValid() || v.isNull()
        || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

} // namespace

IReviewHost::~IReviewHost() = default;

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

    DSetReview->setFields(ReviewFields());
    DSetReview->addLookupIndex(QStringLiteral("BookNbr"));
    DSetReview->setIndexFieldNames(QStringLiteral("Age;Author1Name;BookNbr"));
    DSetReview->open();
    DSetReview->beforePost = [this](DataSet &) { return DSetReviewBeforePost(); };
    DSetReview->beforeDelete = [this](DataSet &) { return DSetReviewBeforeDelete(); };
    connect(DSetReview, &DataSet::afterInsert, this, &TDataAccess::DSetReviewAfterInsert);
    connect(DSetReview, &DataSet::afterPost, this, &TDataAccess::DSetReviewAfterPost);
    connect(DSetReview, &DataSet::afterScroll, this, &TDataAccess::DSetReviewAfterScroll);
    connect(DSetReview, &DataSet::afterCancel, this, &TDataAccess::DSetReviewAfterCancel);

    DSetLanguages->setFields({ FieldDef::text(QStringLiteral("LangShort"), 12, 12),
        FieldDef::text(QStringLiteral("LangLong"), 20, 20) });
    DSetLanguages->open();
    DSetPublishers->setFields({ FieldDef::text(QStringLiteral("Publisher"), 40, 40),
        FieldDef::text(QStringLiteral("PublisherLocation"), 40, 40) });
    DSetPublishers->open();
}

TDataAccess::~TDataAccess()
{
    // The window may already be gone; nothing may call back into it now.
    m_host = nullptr;
    DSetReview->beforePost = nullptr;
    DSetReview->beforeDelete = nullptr;
    disconnect(DSetReview, nullptr, this, nullptr);
}

// --- new records -----------------------------------------------------------

void TDataAccess::IniReviewRecord()
{
    DataSet &t = *DSetReview;
    if (t.state() != DataSet::dsInsert) {
        // Starting the record runs this operation once more from the
        // after-insert event; the outcome is the same.
        t.append();
        if (t.state() != DataSet::dsInsert)
            return;
    }
    const int year = m_desktop.Today().year();
    t.setValue(fYearPublished, year);
    t.setValue(fPagination, QStringLiteral("P"));
    t.setValue(fBinding, QStringLiteral("geb"));
    t.setValue(fCurrency, QStringLiteral("Fr"));
    t.setValue(fLanguage, QStringLiteral("-"));
    t.setValue(fAgegroup, QStringLiteral("K"));
    t.setValue(fRecommendation, QStringLiteral("e."));
    t.setValue(
        fReviewerInitials, m_host ? m_host->DefaultReviewerInitials() : QStringLiteral("??"));
    refreshStatusFields();
    if (m_host)
        m_host->FocusBookNumber();
    SetBookNumberFormat(year);
}

void TDataAccess::DSetReviewAfterInsert()
{
    if (m_inIniReviewRecord)
        return;
    m_inIniReviewRecord = true;
    IniReviewRecord();
    m_inIniReviewRecord = false;
}

void TDataAccess::refreshStatusFields()
{
    // While the controls are held back (loading many files) the status bar
    // waits as well; the loading writes its fields when it is done.
    if (!m_host || DSetReview->controlsDisabled())
        return;
    m_host->StatusMsg(StatusPanel::LoadedFiles, QString::number(m_host->CountLoadedFiles()));
    m_host->StatusMsg(StatusPanel::File, m_host->CurrentFileName());
    m_host->StatusMsg(StatusPanel::Books, QString::number(DSetReview->recordCount()));
}

void TDataAccess::SetBookNumberFormat(int year)
{
    const int decimals = (year % 100) >= 10 ? 2 : 1;
    if (decimals == m_bookNumberDecimals)
        return;
    m_bookNumberDecimals = decimals;
    if (m_host)
        m_host->BookNumberFormatChanged(decimals);
}

QString TDataAccess::BookNumberDisplay(const QVariant &value) const
{
    if (isEmptyValue(value))
        return {};
    QString text = QString::number(value.toDouble(), 'f', m_bookNumberDecimals);
    // "#.0": no leading zero before the point.
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

// --- checks ------------------------------------------------------------------

bool TDataAccess::askConsistency(const QString &message, const QString &firstCaption)
{
    const int answer = m_desktop.ShowMessageDialog(kConsistency, message, Msg::mtInformation,
        Msg::mbOKCancel, { firstCaption, QStringLiteral("Ignorieren") });
    return answer == Msg::mrOk;
}

bool TDataAccess::DSetReviewBeforePost()
{
    switch (DSetReview->tag()) {
    case tagBookData:
        return BookDataChecks();
    case tagReview:
        return ReviewChecks();
    default:
        return true;
    }
}

bool TDataAccess::BookDataChecks()
{
    DataSet &t = *DSetReview;
    const QVariant yearValue = t.value(fYearPublished);
    const int year = isEmptyValue(yearValue) ? 0 : yearValue.toInt();
    const double number = isEmptyValue(t.value(fBookNbr)) ? 0.0 : t.value(fBookNbr).toDouble();

    // 1. The number's decimals are the publication year.
    const QString formatted = QString::asprintf((year % 100) < 10 ? "%5.1f" : "%5.2f", number);
    const QString keyText = QString::number(EncodeBookKey(formatted));
    const QString yearText = isEmptyValue(yearValue) ? QString() : QString::number(year);
    if (keyText.right(4) != yearText) {
        askConsistency(QStringLiteral("Die Buchnummer entspricht nicht dem Erscheinungsjahr.\r\n"
                                      "Ändern Sie die Nummer oder das Jahr."),
            QStringLiteral("Ändern"));
        return false;
    }

    // 2. Title.
    if (isEmptyValue(t.value(fBookTitle))
        && askConsistency(QStringLiteral("Sie haben noch keinen Buchtitel eingegeben."),
            QStringLiteral("Eingeben"))) {
        if (m_host)
            m_host->ShowBookDataPage();
        return false;
    }

    // 3. ISBN; an empty field and a plain series name meet the question too.
    const QString isbn = NormalizeISBN(t.asText(fBookSerie));
    if (!IsValidISBN(isbn, nullptr)
        && askConsistency(
            QStringLiteral("Buchreihe,ISBN enthält keine gültige ISBN") + ISBNKindText(isbn),
            QStringLiteral("Korrigieren")))
        return false;

    // 4. Publisher.
    if (isEmptyValue(t.value(fPublisher))
        && askConsistency(
            QStringLiteral("Sie haben noch keinen Verlag angegeben."), QStringLiteral("Eingeben")))
        return false;

    // 5. Price; an empty field reads 0.
    const double price = isEmptyValue(t.value(fPrice)) ? 0.0 : t.value(fPrice).toDouble();
    if (qRound64(price * 10000) == 0
        && askConsistency(
            QStringLiteral("Sie haben noch keinen Preis angegeben."), QStringLiteral("Eingeben")))
        return false;
    return true;
}

bool TDataAccess::ReviewChecks()
{
    DataSet &t = *DSetReview;
    if (isEmptyValue(t.value(fCategory))
        && askConsistency(QStringLiteral("Sie haben noch keinen Stoffkreis angegeben."),
            QStringLiteral("Eingeben")))
        return false;
    const QVariant age = t.value(fAge);
    if ((isEmptyValue(age) || age.toInt() == 0)
        && askConsistency(
            QStringLiteral("Sie haben noch kein Lesealter angegeben."), QStringLiteral("Eingeben")))
        return false;

    const QString review = t.asText(fReview);
    if (!review.isEmpty()) {
        qsizetype from = 0;
        qsizetype to = review.size();
        while (from < to && review[from].unicode() <= 32)
            ++from;
        while (to > from && review[to - 1].unicode() <= 32)
            --to;
        if (from > 0 || to < review.size())
            t.setValue(fReview, review.mid(from, to - from));
    }
    return true;
}

bool TDataAccess::DSetReviewBeforeDelete()
{
    if (DSetReview->tag() == tagSaving)
        return true;
    const int answer = m_desktop.ShowMessageDialog(QStringLiteral("Datensatz löschen..."),
        QStringLiteral("Wollen Sie den aktuellen Datensatz wirklich löschen?"), Msg::mtConfirmation,
        Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") });
    if (answer != Msg::mrOk)
        return false;
    const int key = BookKeyOf(DSetReview->value(fBookNbr));
    if (m_host && key != 0)
        m_host->RemoveBookNode(key);
    return true;
}

// --- after events --------------------------------------------------------------

void TDataAccess::DSetReviewAfterPost()
{
    UnsavedChanges = true;
    if (m_host)
        m_host->SetAllowedFormActions();
}

void TDataAccess::DSetReviewAfterScroll()
{
    const QVariant number = DSetReview->value(fBookNbr);
    if (isEmptyValue(number) || !m_host)
        return;
    m_host->SelectBookNode(BookKeyOf(number));
}

void TDataAccess::DSetReviewAfterCancel()
{
    if (DSetReview->recordCount() != 0 || !m_host)
        return;
    m_host->SetAllowedFormActions();
    m_host->FocusBookNumber();
}
