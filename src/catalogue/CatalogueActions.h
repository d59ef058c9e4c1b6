#pragma once

#include "CatalogueClient.h"

#include <QObject>
#include <QString>

#include <functional>

struct MainContext;
class QDialog;
class QWidget;

// "Katalogdaten holen" fills the current record from the library catalogue
// by the ISBN of the series field; "Umschlagbild holen" saves the book's cover
// from there. Both ask only when the person starts them, run without blocking
// the window (busy pointer, status text, Escape cancels) and change nothing
// when the catalogue fails or has nothing.
class CatalogueActions : public QObject
{
    Q_OBJECT

public:
    CatalogueActions(MainContext &ctx, QWidget *window);
    ~CatalogueActions() override;

    void ActionFetchCatalogueDataExecute();
    void ActionFetchCoverExecute();

    bool isBusy() const;
    void cancel();
    CatalogueClient &client() { return m_client; }

    // For tests: when set, the choice and conflict dialogs are handed to this
    // function instead of being shown; it returns what exec() would.
    std::function<int(QDialog &)> modalAnswer;

signals:
    // A look-up or a cover fetch has ended, whatever its outcome, and its
    // dialogs are done.
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The record to fill: the book-data page shows it and it can be edited.
    bool recordReady() const;
    // The valid ISBN of the series field, normalised; empty (the person told
    // by the check's message) when there is none.
    QString isbnOfSeriesField();
    MappingContext mappingContext() const;
    void begin(const QString &status);
    void end(const QString &status);
    void lookupFinished(const CatalogueLookup &result);
    void coverFinished(const CoverFetch &result);
    // Fills the record's empty fields and asks about the others.
    void apply(const CatalogueEntry &entry);
    void offerCover(const QString &isbn13);
    void startCoverFetch(const QString &isbn13);
    int exec(QDialog &dialog);
    void tell(const QString &caption, const QString &message, int kind);

    MainContext &m_ctx;
    QWidget *m_window;
    CatalogueClient m_client;
    bool m_busy = false;
    // The cover name when the fetch began, and whether the person agreed
    // then to replace the cover of that name.
    QString m_coverName;
    bool m_replaceConfirmed = false;
};
