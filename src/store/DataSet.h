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
//
// Events: each operation reports its own event first (afterInsert, afterPost,
// afterCancel, afterDelete, afterOpen), then afterScroll when another record
// (or none) became current: after a move that reached another record, after
// append/insert (the new record), after cancelling a new record (the one
// before it), after a delete, after open() and setData(), and after
// emptyTable() or setFields() dropped the current record. A post never
// scrolls: the posted record stays current, even when the sort order moves
// it. The events also run while controls are disabled.
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
    void setRows(const QList<FieldDef> &fields, QList<CompactRow> rows);
    // The posted records in the current sort order, as values (each text
    // decoded: for a whole archive, prefer rows() and one record at a time).
    QList<Record> records() const;
    // The same as the rows the table keeps (shared, nothing decoded).
    QList<CompactRow> rows() const;

    // --- open and close ----------------------------------------------------
    bool isActive() const;
    // Browse state; the first record (if any) becomes current. No-op when the
    // table is open already.
    void open();
    // Discards a pending edit or insert (no afterCancel; afterClose follows);
    // keeps records and fields. A closed table has no current record.
    void close();

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
    // False also when there is nowhere to go (an empty or closed table, next()
    // at the last record, prior() at the first, a row out of range); true
    // when the target record is current.
    // first(), last(), moveTo(), locate() and gotoBookmark() clear bof() and
    // eof(); on an empty table both are true.
    bool first();
    bool last();
    bool next(); // at the last record: sets eof() and stays
    bool prior(); // at the first record: sets bof() and stays
    bool moveTo(int row);
    // The first record (in sort order) whose field equals value; fields with a
    // lookup index are found without a scan. The value is first converted to
    // the field's kind (the text "5.10" against a Float field is the number
    // 5.1); a value that does not convert is found nowhere. Text is compared
    // exactly, numbers by value. Moves there (after posting) and returns true
    // when found; otherwise the table stays where it is.
    bool locate(const QString &fieldName, const QVariant &value);
    // The same without moving: whether any posted record holds the value.
    bool contains(const QString &fieldName, const QVariant &value) const;
    // Keeps a hash index on the field so locate() and contains() stay fast.
    // Kept up to date by post, delete, emptyTable and setData; the name is
    // kept when the fields change.
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

    // Writes into the edit buffer; needs the edit or insert state (otherwise
    // nothing is written and a warning is logged). Text is cut to the field's
    // entry length; numbers are converted to the field's kind (Integer values
    // are stored as int when they fit, floats are rounded; Float values as
    // double; text is read with "." as decimal point). A value that does not
    // convert leaves the field unchanged (with a warning; setText() says why).
    // An invalid QVariant or an empty string makes the field null.
    void setValue(int field, const QVariant &value);
    void setValue(const QString &fieldName, const QVariant &value);
    // All values of the current record (its edit buffer while editing or
    // inserting); empty when there is none.
    Record currentValues() const;
    // The same as a compact row, without decoding its texts.
    CompactRow currentRow() const;
    // Writes a whole row into the edit buffer, with the same outcome as
    // setValue() field by field, when every value already has the form its
    // field stores (text within its entry length, whole numbers as int,
    // floats as double, null as an invalid QVariant). Otherwise, or when the
    // row does not hold one value per field or nothing is being edited,
    // writes nothing and returns false: the caller then goes field by field.
    bool setStoredValues(const Record &values);
    // The same for a row of another table with the same columns (a merge
    // takes rows over this way without decoding their texts).
    bool setStoredValues(const CompactRow &row);
    // Adds a posted record at the end with the values of a row of another
    // table with the same columns, each in the form its field stores (as
    // setStoredValues() asks): what append(), setStoredValues() and post()
    // do, without their events and without beforePost, for taking many rows
    // over at once. The current record stays; rowsAppended() follows, and
    // the controls hear of it as of a post. Returns the new record's
    // bookmark, or 0 (nothing added) when the table is not open in browse
    // state or the row does not fit.
    Bookmark appendRow(const CompactRow &row);
    // Assigns text and converts it to the field's kind, as a person's input
    // or a merged value is taken over. False (with a German message naming
    // the text) when the text does not convert; the field is then unchanged.
    // Empty text, and blank text for numbers, makes the field null. Integer
    // fields take whole numbers in the int range only.
    bool setText(int field, const QString &text, QString *error = nullptr);

    // --- editing --------------------------------------------------------
    State state() const;
    bool isEditing() const; // edit or insert
    void edit(); // browse -> edit on the current record; no-op without one
    void append(); // new record at the end, insert state
    // New record before the current one, insert state. With a sort order the
    // posted record goes to its sorted place; "before the current one" then
    // holds in the insertion order that an empty sort order shows.
    void insert();
    // Posts a pending edit or insert. Returns false when beforePost refused
    // (silently: the record stays in its state with everything entered).
    bool post();
    void cancel();
    // Deletes the current posted record; false when beforeDelete refused or
    // there is none. The following record becomes current; when the last
    // record was deleted the new last one becomes current and eof() is set, so
    // a "while (!eof())" loop that deletes or moves on ends. A new record being
    // inserted is cancelled instead (afterCancel, no beforeDelete; true). A
    // pending edit of the current record is discarded. The record deleted is
    // the one that was current when beforeDelete was asked, even if the
    // handler moved the table meanwhile.
    bool deleteRecord();
    // Drops every record; the table stays open in browse state.
    void emptyTable();
    // Posts a pending edit/insert when there is one; false when refused.
    bool checkBrowseMode();

    // --- sort order -----------------------------------------------------
    // "Age;Author1Name;BookNbr": ascending, text without regard to case,
    // numbers by value, empty (null) fields first, stable (equal keys keep
    // the insertion order: for appended records, the order in which they
    // were first posted). Empty names and names of unknown fields are
    // skipped; the names are resolved again when the fields change. An empty
    // list keeps the insertion order. The current record stays current; a
    // pending edit stays pending. Sorting is done when an order is next
    // needed, so long runs of posts do not re-sort each time.
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

    // Grows with every change of the posted records (values, rows, order) or
    // of the columns: two equal counts mean the same records in the same
    // order, so what was made from them still holds.
    quint64 changeCount() const;

    // Events that may refuse: return false to abort the operation silently.
    std::function<bool(DataSet &)> beforePost;
    // A control holding input that is not in the record yet (text that does
    // not convert) holds every post back while its guard returns false; the
    // guards are asked before beforePost. A guard goes with its owner.
    void addPostGuard(QObject *owner, std::function<bool()> guard);
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
    // appendRow() added a record (no afterPost for it).
    void rowsAppended();

    // For bound controls; held back while controls are disabled.
    void fieldChanged(int field); // a value of the current record changed
    void currentChanged(); // another record became current (or the state changed)
    void layoutChanged(); // rows added, removed or reordered, or fields replaced

private:
    // next() and prior(): one record forward or back.
    bool step(int delta);

    struct Private;
    Private *d;
};
