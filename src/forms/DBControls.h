#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

#include <functional>
#include <optional>

class DataSet;
class QButtonGroup;
class QGridLayout;
class QRadioButton;

// Shows a value of a field as text (book numbers, prices).
using DisplayFunction = std::function<QString(const QVariant &)>;

// Applies a hint "short | long": the short part becomes the tooltip, the long
// part the status tip that the main window shows in its hint field.
void ApplyHint(QWidget *widget, const QString &hint);

// Tells which letters an edit replaced by their closest ones (each letter
// once, as Codec1252::replaceUnencodable lists them).
QString ReplacedLettersReport(QStringView replaced);

// "#.00" and "#.0": fixed decimals without a zero before the point.
QString FormatHashDecimals(const QVariant &value, int decimals);

// A price as "#.00" with the regional decimal separator ("," or ".").
QString FormatPrice(const QVariant &value);

// The one link between a bound control and a field of a table's current
// record. It tells the control when to show the field again, and writes the
// person's changes, putting the table into edit state on the first one.
class FieldLink : public QObject
{
    Q_OBJECT

public:
    FieldLink(DataSet *table, const QString &fieldName, QObject *parent);

    DataSet *table() const { return m_table; }
    QString fieldName() const { return m_fieldName; }
    int field() const;

    QVariant value() const;
    QString text() const;
    // Whether the person can change the value now: the table is open and
    // holds a record to edit (a posted one or a new one being inserted).
    // Without one, typing starts nothing.
    bool canModify() const;
    // Puts the table into edit state for a change by the person; false when
    // there is nothing to edit.
    bool startEdit();
    // Write into the record (edit or insert state needed). The control that
    // writes is not told to show the field again, so typing goes on
    // undisturbed.
    bool writeText(const QString &text);
    void writeValue(const QVariant &value);

signals:
    // The record, its state or the table's rows changed: show the field again.
    void refreshNeeded();

private:
    void notify();

    DataSet *m_table;
    QString m_fieldName;
    bool m_busy = false;
};

// A single-line edit bound to a field. Text fields are written as the person
// types; numbers too as long as the text converts. Leaving the edit writes
// what converts, runs exited() and shows the value in its display format.
// Text that does not convert is never stored, not even in part: the field
// keeps the value it had before the person started typing, the text stays
// in the edit, leaving it reports it through invalidInput, and every post of
// the record is refused (reporting it too) until it converts or is emptied.
class DBEdit : public QLineEdit
{
    Q_OBJECT

public:
    DBEdit(DataSet *table, const QString &fieldName, QWidget *parent = nullptr);

    FieldLink *link() const { return m_link; }
    void setDisplayFunction(DisplayFunction display);
    // The longest text the person may enter; 0 for no limit. Starts with the
    // field's entry length.
    void setEntryLength(int length);
    int entryLength() const { return m_entryLength; }

    // Whether the person changed the text since it was last shown.
    bool isUserModified() const { return m_userModified; }
    // Writes the text into the record when the person changed it and it
    // converts; false when it does not convert (nothing is written then).
    bool commit();

    // Turns the person's text into the text to store, or nothing when it does
    // not convert; without one, blank text is an empty field and anything
    // else has to read as the field's kind.
    std::function<std::optional<QString>(const QString &)> inputConversion;
    // Tells the person that the text does not convert.
    std::function<void(const QString &text)> invalidInput;

public slots:
    void refresh();

signals:
    // The edit lost the focus; its text has been written where it converts.
    void exited();
    // Letters the files cannot hold were replaced in the person's change.
    void lettersReplaced(const QString &report);

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void personEdited(const QString &text);
    // The text to store, or nothing when it does not convert.
    std::optional<QString> storedText(const QString &text) const;
    bool isNumberField() const;
    // Whether the record may be posted; reports a text that does not convert.
    bool postAllowed();
    void reportInvalidInput();

    FieldLink *m_link;
    DisplayFunction m_display;
    QString m_shown;
    int m_entryLength = 0;
    bool m_userModified = false;
    // Set while the edit holds text of the record being edited that does
    // not convert; valueBefore is what the field held before the typing.
    bool m_inputPending = false;
    QVariant m_valueBefore;
    // The letters replaced since the text last changed.
    QString m_replaced;
    // The text just reported, until the event loop turns, so that leaving
    // and the post of the same click do not both report it.
    QString m_reportedText;
};

class IDesktop;

// Lets a number edit report text that does not convert: "Ungültige Eingabe
// ..." naming the field, with the text (without its blanks when they do not
// count, as in prices).
void WarnOnInvalidNumber(
    DBEdit *edit, IDesktop &desktop, const QString &fieldTitle, bool withoutBlanks = false);

// A multi-line edit bound to a text field; line breaks are stored as CR LF.
class DBMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    DBMemo(DataSet *table, const QString &fieldName, QWidget *parent = nullptr);

    FieldLink *link() const { return m_link; }
    int entryLength() const { return m_entryLength; }
    // The text as the record stores it.
    QString storedText() const;

public slots:
    void refresh();

signals:
    // Letters the files cannot hold were replaced in the person's change.
    void lettersReplaced(const QString &report);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void personEdited();
    // How many characters of the stored form may still be added in place of
    // the selection.
    int room() const;
    // The part of the text that fits, in the shown form, with every letter
    // the files cannot hold replaced by its closest one (listed in replaced).
    QString fitting(const QString &text, QString *replaced) const;
    void reportReplaced(const QString &replaced);

    FieldLink *m_link;
    int m_entryLength = 0;
    bool m_refreshing = false;
};

// A group of radio buttons bound to a field: each caption stands for a stored
// value. A value that none stands for checks no button.
class DBRadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    struct Item
    {
        QString caption;
        QString value;
    };

    DBRadioGroup(DataSet *table, const QString &fieldName, const QString &title,
        const QList<Item> &items, QWidget *parent = nullptr);

    FieldLink *link() const { return m_link; }
    // The stored value the group shows (empty when no button is checked).
    QString value() const;
    // Chooses a value as the person does: the record is written. False when
    // there is no record to edit or no button stands for it.
    bool choose(const QString &value);
    QRadioButton *button(int index) const;
    // Spreads the buttons over columns, filling each column top-down.
    void setColumns(int columns);
    // The buttons sit in the first columns; other controls may join them.
    QGridLayout *grid() const { return m_grid; }

public slots:
    void refresh();

signals:
    // The shown value changed, by the person or because the record did.
    void valueChanged(const QString &value);
    // The person chose a value.
    void chosen(const QString &value);

private:
    void showValue(const QString &value);
    void buttonClicked(int index);

    FieldLink *m_link;
    QList<Item> m_items;
    QButtonGroup *m_buttons;
    QGridLayout *m_grid;
    QString m_shown;
    bool m_hasShown = false;
};

// A drop-down list bound to a field: it shows the list field of a lookup
// table and stores the key field of the chosen row. It follows the lookup
// table when that changes.
class DBLookupComboBox : public QComboBox
{
    Q_OBJECT

public:
    DBLookupComboBox(DataSet *table, const QString &fieldName, DataSet *lookupTable,
        const QString &keyField, const QString &listField, QWidget *parent = nullptr);

    FieldLink *link() const { return m_link; }

public slots:
    void refresh();
    void refill();

private:
    void personChose(int index);

    FieldLink *m_link;
    DataSet *m_lookup;
    QString m_keyField;
    QString m_listField;
    bool m_filling = false;
};

// One column of a grid.
struct GridColumn
{
    QString fieldName;
    int width = -1; // -1: the field's display width
    QString title; // empty: the field's label, else its name
    DisplayFunction display; // empty: the value as text
};

// The rows of a table as an item model, without copying them: every value is
// read from the table when it is shown. The current record shows its edit
// buffer while it is edited.
class DataSetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    DataSetModel(DataSet *table, const QList<GridColumn> &columns, QObject *parent = nullptr);

    DataSet *table() const { return m_table; }
    const GridColumn &column(int index) const { return m_columns[index]; }
    int fieldOf(int column) const;
    // Background of a column's title; an invalid colour leaves the default.
    void setTitleColor(int column, const QColor &color);
    QColor titleColor(int column) const;
    // The display format of the values changed (the rows did not).
    void refreshValues();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void resolveFields();
    void fieldChanged(int field);

    DataSet *m_table;
    QList<GridColumn> m_columns;
    QList<int> m_fields;
    QList<QColor> m_titleColors;
};

// A read-only grid over a table. Selecting a row makes it the table's current
// record; the grid follows the current record.
class DBGrid : public QTableView
{
    Q_OBJECT

public:
    DBGrid(DataSet *table, const QList<GridColumn> &columns, QWidget *parent = nullptr);

    DataSetModel *dataModel() const { return m_model; }
    DataSet *table() const { return m_model->table(); }

signals:
    void titleClicked(int column);

private:
    void followTable();
    void rowChosen(const QModelIndex &current);

    DataSetModel *m_model;
    bool m_following = false;
};
