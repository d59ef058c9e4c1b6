#pragma once

#include <QList>
#include <QWidget>

class DBEdit;
class DBLookupComboBox;
class DBRadioGroup;
class QAction;
class QHBoxLayout;
class QMenu;
class TDataAccess;

// The page "Buchdaten": the bibliographic data of the current review record.
class BookDataPage : public QWidget
{
    Q_OBJECT

public:
    // checkIsbn: the window's action behind "ISBN prüfen" of the series field.
    BookDataPage(TDataAccess &dataAccess, QAction *checkIsbn, QWidget *parent = nullptr);

    // The controls, by their names.
    DBEdit *DBEditBookNbr = nullptr;
    DBEdit *DBEditBookTitle = nullptr;
    DBEdit *DBEditBookSerie = nullptr;
    DBEdit *DBEditPublisher = nullptr;
    DBEdit *DBEditPublisherLocality = nullptr;
    DBEdit *DBEditYear = nullptr;
    DBRadioGroup *DBRadioGroupBinding = nullptr;
    DBRadioGroup *DBRadioGroupPagination = nullptr;
    DBEdit *DBEditPages = nullptr;
    DBRadioGroup *DBRadioGroupCurrency = nullptr;
    DBEdit *DBEditPrice = nullptr;
    // Name and first name of each person, in field order.
    QList<DBEdit *> AuthorEdits;
    QList<DBEdit *> IllustratorEdits;
    QList<DBEdit *> TranslatorEdits;
    DBLookupComboBox *DBLookupComboBoxLanguage = nullptr;
    QMenu *PopupMenuISBN = nullptr;
    QMenu *PopupMenuPublisher = nullptr;

    // Offers further actions on the series field: in its context menu and as
    // buttons beside it.
    void addSeriesActions(const QList<QAction *> &actions);

    void DBEditPriceExit();
    void DBEditYearExit();
    void DBRadioGroupPaginationChange();
    void DBRadioGroupBindingChange();

private:
    void build(QAction *checkIsbn);
    DBEdit *edit(const QString &field, const QString &hint = {});

    TDataAccess &m_data;
    QHBoxLayout *m_seriesRow = nullptr;
};
