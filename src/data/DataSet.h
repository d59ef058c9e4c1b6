#pragma once

#include "FieldDef.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

// A small in-memory record store for any schema: an ordered set of records
// with one current record, the states browse, edit and insert, a sort order
// given by field names, locate through a hash index, bookmarks and the usual
// events. The review table, the scratch table that takes its columns from a
// file and the language table are all built on it.
//
// Positions ("rows") count from 0 in the current sort order and cover only
// posted records; a record being inserted is not counted by recordCount().
class DataSet : public QObject
{
    Q_OBJECT

public:
    enum State { dsInactive, dsBrowse, dsEdit, dsInsert };
    using Bookmark = quint64; // 0 is never a valid bookmark

    explicit DataSet(QObject *parent = nullptr);
    ~DataSet() override;

    // --- structure -------------------------------------------------------
    // Replaces the columns; drops every record. The table stays open or
    // closed as it was.
    void setFields(const QList<FieldDef> &fields);
    const QList<FieldDef> &fields() const;
    int fieldCount() const;
    // Case-insensitive lookup by name; -1 when there is no such field.
    int fieldIndex(const QString &name) const;
    const FieldDef &field(int index) const;

    // Replaces columns and records at once (reading a file). The table is
    // opened, the first record becomes current and the controls are told.
    void setData(const QList<FieldDef> &fields, QList<Record> records);
    // The posted records in the current sort order.
    QList<Record> records() const;

    // --- open and close ----------------------------------------------------
    bool isActive() const;
    void open();  // browse state; the first record (if any) becomes current
    void close(); // cancels a pending edit or insert; keeps records and fields

    // --- navigation --------------------------------------------------------
    int recordCount() const;
    bool isEmpty() const; // no posted record
    // The current row in sort order, or -1 when there is none or the current
    // record is a new one being inserted.
    int recNo() const;
    bool bof() const;
    bool eof() const;
    // Every move first posts a pending edit or insert (checkBrowseMode); when
    // the post is refused the move does not happen and false is returned.
    bool first();
    bool last();
    bool next();  // at the last record: sets eof() and stays
    bool prior(); // at the first record: sets bof() and stays
    bool moveTo(int row);
    // The first record (in sort order) whose field equals value; fields with a
    // lookup index are found without a scan. Text is compared exactly, numbers
    // by value. Moves there (after posting) and returns true when found.
    bool locate(const QString &fieldName, const QVariant &value);
    // The same without moving: whether any posted record holds the value.
    bool contains(const QString &fieldName, const QVariant &value) const;
    // Keeps a hash index on the field so locate() and contains() stay fast.
    void addLookupIndex(const QString &fieldName);

    Bookmark bookmark() const; // of the current posted record, 0 when none
    bool bookmarkValid(Bookmark b) const;
    bool gotoBookmark(Bookmark b);

    // --- values ---------------------------------------------------------
    // Values of the current record (its edit buffer while editing or
    // inserting). An invalid QVariant is an empty field.
    QVariant value(int field) const;
    QVariant value(const QString &fieldName) const;
    bool isNull(int field) const;
    // The value as text: numbers as NumberText, empty for null.
    QString asText(int field) const;
    QString asText(const QString &fieldName) const;
    // Values of any posted row without moving (for grids and documents).
    QVariant valueAt(int row, int field) const;

    // Writes into the edit buffer; needs the edit or insert state. Text is cut
    // to the field's entry length; numbers are converted to the field's kind.
    // An invalid QVariant or an empty string makes the field null.
    void setValue(int field, const QVariant &value);
    void setValue(const QString &fieldName, const QVariant &value);
    // Assigns text and converts it to the field's kind, as a person's input
    // or a merged value is taken over. False (with a German message naming
    // the text) when the text does not convert; the field is then unchanged.
    bool setText(int field, const QString &text, QString *error = nullptr);

    // --- editing --------------------------------------------------------
    State state() const;
    bool isEditing() const; // edit or insert
    void edit();            // browse -> edit on the current record; no-op without one
    void append();          // new record at the end, insert state
    void insert();          // new record before the current one, insert state
    // Posts a pending edit or insert. Returns false when beforePost refused
    // (silently: the record stays in its state with everything entered).
    bool post();
    void cancel();
    // Deletes the current posted record; false when beforeDelete refused or
    // there is none. The following record becomes current; when the last
    // record was deleted the new last one becomes current and eof() is set, so
    // a "while (!eof())" loop that deletes or moves on ends. A new record being
    // inserted is cancelled instead.
    bool deleteRecord();
    // Drops every record; the table stays open in browse state.
    void emptyTable();
    // Posts a pending edit/insert when there is one; false when refused.
    bool checkBrowseMode();

    // --- sort order -----------------------------------------------------
    // "Age;Author1Name;BookNbr": ascending, text without regard to case,
    // stable (equal keys keep the order in which the records came). Empty
    // names and names of unknown fields are skipped. An empty list keeps the
    // insertion order.
    void setIndexFieldNames(const QString &names);
    QString indexFieldNames() const;

    // --- miscellany -------------------------------------------------------
    QString fileName() const;
    void setFileName(const QString &path);
    int tag() const;
    void setTag(int tag);

    // While controls are disabled, the change signals for bound controls are
    // held back and one refresh follows when the last enableControls() runs.
    // Calls nest.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

    // Events that may refuse: return false to abort the operation silently.
    std::function<bool(DataSet &)> beforePost;
    std::function<bool(DataSet &)> beforeDelete;

signals:
    // Events of the record store.
    void afterInsert();
    void afterScroll();
    void afterPost();
    void afterCancel();
    void afterDelete();
    void afterOpen();
    void afterClose();
    void stateChanged();

    // For bound controls; held back while controls are disabled.
    void fieldChanged(int field);  // a value of the current record changed
    void currentChanged();         // another record became current (or the state changed)
    void layoutChanged();          // rows added, removed or reordered, or fields replaced

private:
    struct Private;
    Private *d;
};
