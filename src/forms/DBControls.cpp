#include "DBControls.h"

#include "base/IDesktop.h"
#include "base/VexUtils.h"
#include "store/DataSet.h"
#include "util/Codec1252.h"
#include "util/Hints.h"

#include <QApplication>
#include <QBrush>
#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QRadioButton>
#include <QTimer>
#include <QValidator>

#include <limits>

namespace {

bool isNumberKind(FieldKind kind)
{
    return kind == FieldKind::Integer || kind == FieldKind::Float || kind == FieldKind::Bcd;
}

// What the person may enter: only characters the files can hold. A letter
// they cannot hold becomes its closest one as it is typed or pasted, and is
// added to replaced, so that the edit can say so.
class Cp1252Validator : public QValidator
{
public:
    Cp1252Validator(QString *replaced, QObject *parent)
        : QValidator(parent)
        , m_replaced(replaced)
    { }
    State validate(QString &input, int &pos) const override
    {
        if (Codec1252::canEncode(input))
            return Acceptable;
        pos = int(Codec1252::replaceUnencodable(QStringView(input).left(pos)).size());
        input = Codec1252::replaceUnencodable(input, m_replaced);
        return Acceptable;
    }

private:
    QString *m_replaced;
};

// A value read from any row, as text.
QString plainText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return NumberText(v.toDouble());
    default:
        return v.toString();
    }
}

// Opens the widget's context menu as the context-menu key does.
void requestContextMenu(QWidget *w, const QPoint &pos)
{
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, pos, w->mapToGlobal(pos));
    QCoreApplication::sendEvent(w, &menu);
}

bool isShiftF10(const QKeyEvent *e)
{
    return e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier;
}

} // namespace

void ApplyHint(QWidget *widget, const QString &hint)
{
    QString tip = GetShortHint(hint);
    tip.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    widget->setToolTip(tip.trimmed());
    QString status = GetLongHint(hint);
    status.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    widget->setStatusTip(status.simplified());
    widget->setProperty("hint", hint);
}

QString ReplacedLettersReport(QStringView replaced)
{
    QStringList pairs;
    for (qsizetype i = 0; i < replaced.size(); ++i) {
        const qsizetype length = replaced[i].isHighSurrogate() && i + 1 < replaced.size() ? 2 : 1;
        const QStringView letter = replaced.mid(i, length);
        i += length - 1;
        pairs.append(
            letter.toString() + QStringLiteral(" → ") + Codec1252::replaceUnencodable(letter));
    }
    return QStringLiteral("Ersetzt (nicht im Zeichensatz der Besprechungsdateien): ")
        + pairs.join(QStringLiteral(", "));
}

QString FormatHashDecimals(const QVariant &value, int decimals)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QString && value.toString().isEmpty())
        return {};
    QString text = QString::number(value.toDouble(), 'f', decimals);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

QString FormatPrice(const QVariant &value)
{
    // Only the two separators a price is read with, so that the shown text
    // reads back.
    const bool comma = QLocale().decimalPoint() == QLatin1String(",");
    QString text = FormatHashDecimals(value, 2);
    if (comma)
        text.replace(u'.', u',');
    return text;
}

// --- FieldLink -----------------------------------------------------------------

FieldLink::FieldLink(DataSet *table, const QString &fieldName, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_fieldName(fieldName)
{
    connect(m_table, &DataSet::currentChanged, this, &FieldLink::notify);
    connect(m_table, &DataSet::layoutChanged, this, &FieldLink::notify);
    connect(m_table, &DataSet::fieldChanged, this, [this](int f) {
        if (f == field())
            notify();
    });
}

int FieldLink::field() const { return m_table->fieldIndex(m_fieldName); }

QVariant FieldLink::value() const { return m_table->value(field()); }

QString FieldLink::text() const { return m_table->asText(field()); }

bool FieldLink::canModify() const
{
    return m_table->isActive() && field() >= 0
        && (m_table->isEditing() || m_table->recordCount() > 0);
}

bool FieldLink::startEdit()
{
    if (!canModify())
        return false;
    if (m_table->isEditing())
        return true;
    m_busy = true;
    m_table->edit();
    m_busy = false;
    return m_table->isEditing();
}

bool FieldLink::writeText(const QString &text)
{
    if (!m_table->isEditing())
        return false;
    m_busy = true;
    const bool ok = m_table->setText(field(), text);
    m_busy = false;
    return ok;
}

void FieldLink::writeValue(const QVariant &value)
{
    if (!m_table->isEditing())
        return;
    m_busy = true;
    m_table->setValue(field(), value);
    m_busy = false;
}

void FieldLink::notify()
{
    if (!m_busy)
        emit refreshNeeded();
}

// --- DBEdit ----------------------------------------------------------------------

DBEdit::DBEdit(DataSet *table, const QString &fieldName, QWidget *parent)
    : QLineEdit(parent)
    , m_link(new FieldLink(table, fieldName, this))
{
    setValidator(new Cp1252Validator(&m_replaced, this));
    const int f = m_link->field();
    if (f >= 0)
        m_entryLength = table->field(f).entryLength;
    connect(this, &QLineEdit::textEdited, this, &DBEdit::personEdited);
    // The letters replaced in one change by the person are reported once;
    // a change of the program's own has none to report.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!m_replaced.isEmpty())
            emit lettersReplaced(ReplacedLettersReport(m_replaced));
    });
    connect(this, &QLineEdit::textChanged, this, [this] { m_replaced.clear(); });
    connect(m_link, &FieldLink::refreshNeeded, this, &DBEdit::refresh);
    if (isNumberField()) {
        table->addPostGuard(this, [this] { return postAllowed(); });
        // The record this text belongs to is done with (posted, cancelled or
        // left), even while the controls wait for their refresh.
        connect(table, &DataSet::stateChanged, this, [this] {
            if (!m_link->table()->isEditing())
                m_inputPending = false;
        });
    }
    refresh();
}

void DBEdit::setDisplayFunction(DisplayFunction display)
{
    m_display = std::move(display);
    refresh();
}

void DBEdit::setEntryLength(int length)
{
    m_entryLength = qMax(0, length);
    refresh();
}

void DBEdit::refresh()
{
    const QString shown = m_display ? m_display(m_link->value()) : m_link->text();
    m_shown = shown;
    m_userModified = false;
    m_inputPending = false;
    m_reportedText.clear();
    setReadOnly(!m_link->canModify());
    // A stored value longer than what may be typed (read from a file) is
    // shown whole; cutting it here would change the record at the next key.
    const int limit = m_entryLength > 0 ? qMax(m_entryLength, int(shown.size()))
                                        : std::numeric_limits<int>::max();
    if (maxLength() != limit)
        setMaxLength(limit);
    if (text() != shown)
        setText(shown);
}

void DBEdit::personEdited(const QString &text)
{
    if (!m_userModified && text == m_shown)
        return; // a refused character changed nothing
    if (!m_link->startEdit()) {
        refresh();
        return;
    }
    if (!m_userModified)
        m_valueBefore = m_link->value();
    m_userModified = true;
    if (!isNumberField()) {
        m_link->writeText(text);
        return;
    }
    // Numbers are taken over while they convert; otherwise the field goes
    // back to what it held, so no piece of the text is kept.
    if (const auto stored = storedText(text)) {
        m_inputPending = false;
        m_link->writeText(*stored);
    } else {
        m_inputPending = true;
        m_link->writeValue(m_valueBefore);
    }
}

bool DBEdit::isNumberField() const
{
    const int f = m_link->field();
    return f >= 0 && isNumberKind(m_link->table()->field(f).kind);
}

std::optional<QString> DBEdit::storedText(const QString &text) const
{
    if (inputConversion)
        return inputConversion(text);
    if (!isNumberField() || text.trimmed().isEmpty())
        return text;
    const int f = m_link->field();
    const bool ok = m_link->table()->field(f).kind == FieldKind::Integer
        ? ParseInteger(text).has_value()
        : ParseNumber(text).has_value();
    return ok ? std::optional<QString>(text) : std::nullopt;
}

bool DBEdit::commit()
{
    if (!m_userModified)
        return true;
    const auto stored = storedText(text());
    m_inputPending = !stored && m_link->table()->isEditing();
    if (!stored || !m_link->startEdit())
        return false;
    return m_link->writeText(*stored);
}

void DBEdit::reportInvalidInput()
{
    // A click elsewhere both leaves the edit and moves the table, which
    // posts: the post of that same click is refused without saying it
    // twice, any later one says it again.
    if (m_reportedText == text())
        return;
    m_reportedText = text();
    if (invalidInput)
        invalidInput(text());
    QTimer::singleShot(0, this, [this] { m_reportedText.clear(); });
}

bool DBEdit::postAllowed()
{
    if (!m_inputPending || !m_link->table()->isEditing())
        return true;
    reportInvalidInput();
    return false;
}

void DBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // A menu or another window taking the focus for a moment is no leaving.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    commit();
    emit exited();
    if (commit())
        refresh();
    else if (m_inputPending)
        reportInvalidInput();
}

void DBEdit::keyPressEvent(QKeyEvent *event)
{
    if (isShiftF10(event)) {
        requestContextMenu(this, cursorRect().bottomLeft());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void WarnOnInvalidNumber(
    DBEdit *edit, IDesktop &desktop, const QString &fieldTitle, bool withoutBlanks)
{
    edit->invalidInput = [&desktop, fieldTitle, withoutBlanks](QString text) {
        if (withoutBlanks)
            text.remove(u' ');
        desktop.ShowMessageDialog(QStringLiteral("Ungültige Eingabe ..."),
            QStringLiteral("Das Feld \"%1\" enthält keine Zahl:\r\n\r\n").arg(fieldTitle) + text,
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
    };
}

// --- DBMemo ------------------------------------------------------------------------

namespace {

// The stored form counts a line break as two characters (CR LF).
int storedLength(QStringView shown)
{
    int n = int(shown.size());
    for (QChar c : shown)
        if (c == u'\n' || c == QChar::ParagraphSeparator)
            ++n;
    return n;
}

QString shownForm(QString stored)
{
    stored.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    stored.replace(u'\r', u'\n');
    return stored;
}

} // namespace

DBMemo::DBMemo(DataSet *table, const QString &fieldName, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_link(new FieldLink(table, fieldName, this))
{
    const int f = m_link->field();
    if (f >= 0)
        m_entryLength = table->field(f).entryLength;
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &DBMemo::personEdited);
    connect(m_link, &FieldLink::refreshNeeded, this, &DBMemo::refresh);
    refresh();
}

QString DBMemo::storedText() const
{
    QString text = toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void DBMemo::refresh()
{
    m_refreshing = true;
    setReadOnly(!m_link->canModify());
    const QString shown = shownForm(m_link->text());
    if (toPlainText() != shown)
        setPlainText(shown);
    m_refreshing = false;
}

void DBMemo::personEdited()
{
    if (m_refreshing)
        return;
    if (!m_link->startEdit()) {
        refresh();
        return;
    }
    m_link->writeText(storedText());
}

int DBMemo::room() const
{
    if (m_entryLength <= 0)
        return std::numeric_limits<int>::max();
    const int selected = storedLength(textCursor().selectedText());
    return m_entryLength - (storedLength(toPlainText()) - selected);
}

QString DBMemo::fitting(const QString &text, QString *replaced) const
{
    const QString shown = shownForm(text);
    int left = room();
    qsizetype keep = 0;
    while (keep < shown.size()) {
        const int cost = shown[keep] == u'\n' ? 2 : 1;
        if (cost > left)
            break;
        left -= cost;
        // A pair of surrogates becomes one character.
        keep += shown[keep].isHighSurrogate() && keep + 1 < shown.size() ? 2 : 1;
    }
    return Codec1252::replaceUnencodable(QStringView(shown).left(keep), replaced);
}

void DBMemo::reportReplaced(const QString &replaced)
{
    if (!replaced.isEmpty())
        emit lettersReplaced(ReplacedLettersReport(replaced));
}

void DBMemo::keyPressEvent(QKeyEvent *event)
{
    if (isShiftF10(event)) {
        requestContextMenu(this, cursorRect().bottomLeft());
        return;
    }
    if (!isReadOnly()) {
        const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        const bool typed = !lineBreak && !event->text().isEmpty() && event->text()[0].isPrint();
        QString replaced;
        const QString text
            = typed ? Codec1252::replaceUnencodable(event->text(), &replaced) : event->text();
        if ((lineBreak && room() < 2) || (typed && room() < storedLength(text))) {
            event->accept();
            return;
        }
        if (!replaced.isEmpty()) {
            QKeyEvent closest(event->type(), event->key(), event->modifiers(), text,
                event->isAutoRepeat(), event->count());
            QPlainTextEdit::keyPressEvent(&closest);
            event->setAccepted(closest.isAccepted());
            reportReplaced(replaced);
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DBMemo::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QString replaced;
    const QString fitted = fitting(commit, &replaced);
    if (fitted == commit) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(fitted, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
    reportReplaced(replaced);
}

void DBMemo::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly() || !source || !source->hasText())
        return;
    QString replaced;
    const QString text = fitting(source->text(), &replaced);
    if (text.isEmpty())
        return;
    insertPlainText(text);
    reportReplaced(replaced);
}

// --- DBRadioGroup ------------------------------------------------------------------

DBRadioGroup::DBRadioGroup(DataSet *table, const QString &fieldName, const QString &title,
    const QList<Item> &items, QWidget *parent)
    : QGroupBox(title, parent)
    , m_link(new FieldLink(table, fieldName, this))
    , m_items(items)
    , m_buttons(new QButtonGroup(this))
    , m_grid(new QGridLayout(this))
{
    m_grid->setContentsMargins(8, 2, 8, 4);
    m_grid->setVerticalSpacing(2);
    for (int i = 0; i < m_items.size(); ++i) {
        auto *b = new QRadioButton(m_items[i].caption, this);
        m_buttons->addButton(b, i);
        m_grid->addWidget(b, i, 0);
    }
    m_grid->setRowStretch(int(m_items.size()), 1);
    connect(m_buttons, &QButtonGroup::idClicked, this, &DBRadioGroup::buttonClicked);
    connect(m_link, &FieldLink::refreshNeeded, this, &DBRadioGroup::refresh);
    refresh();
}

QString DBRadioGroup::value() const { return m_shown; }

void DBRadioGroup::setColumns(int columns)
{
    const int count = int(m_items.size());
    const int perColumn = qMax(1, (count + qMax(1, columns) - 1) / qMax(1, columns));
    for (int i = 0; i < count; ++i) {
        QAbstractButton *b = m_buttons->button(i);
        m_grid->removeWidget(b);
        m_grid->addWidget(b, i % perColumn, i / perColumn);
    }
    m_grid->setRowStretch(count, 0);
    m_grid->setRowStretch(perColumn, 1);
}

QRadioButton *DBRadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton *>(m_buttons->button(index));
}

void DBRadioGroup::refresh() { showValue(m_link->text()); }

void DBRadioGroup::showValue(const QString &value)
{
    int index = -1;
    for (int i = 0; i < m_items.size() && index < 0; ++i)
        if (m_items[i].value == value)
            index = i;
    if (index >= 0) {
        m_buttons->button(index)->setChecked(true);
    } else if (QAbstractButton *checked = m_buttons->checkedButton()) {
        m_buttons->setExclusive(false);
        checked->setChecked(false);
        m_buttons->setExclusive(true);
    }
    const QString shown = index >= 0 ? m_items[index].value : QString();
    if (m_hasShown && shown == m_shown)
        return;
    m_hasShown = true;
    m_shown = shown;
    emit valueChanged(m_shown);
}

void DBRadioGroup::buttonClicked(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    const QString value = m_items[index].value;
    if (value == m_shown)
        return;
    if (!m_link->startEdit()) {
        refresh(); // nothing to edit: the choice does not stick
        return;
    }
    m_link->writeValue(value);
    showValue(value);
    emit chosen(value);
}

bool DBRadioGroup::choose(const QString &value)
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items[i].value == value) {
            buttonClicked(i);
            return m_shown == value;
        }
    }
    return false;
}

// --- DBLookupComboBox -----------------------------------------------------------------

DBLookupComboBox::DBLookupComboBox(DataSet *table, const QString &fieldName, DataSet *lookupTable,
    const QString &keyField, const QString &listField, QWidget *parent)
    : QComboBox(parent)
    , m_link(new FieldLink(table, fieldName, this))
    , m_lookup(lookupTable)
    , m_keyField(keyField)
    , m_listField(listField)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &DBLookupComboBox::personChose);
    connect(m_link, &FieldLink::refreshNeeded, this, &DBLookupComboBox::refresh);
    connect(m_lookup, &DataSet::layoutChanged, this, &DBLookupComboBox::refill);
    refill();
}

void DBLookupComboBox::refill()
{
    m_filling = true;
    clear();
    const int key = m_lookup->fieldIndex(m_keyField);
    const int list = m_lookup->fieldIndex(m_listField);
    if (m_lookup->isActive() && key >= 0 && list >= 0) {
        const int rows = m_lookup->recordCount();
        for (int r = 0; r < rows; ++r)
            addItem(plainText(m_lookup->valueAt(r, list)), plainText(m_lookup->valueAt(r, key)));
    }
    m_filling = false;
    refresh();
}

void DBLookupComboBox::refresh()
{
    const int index = findData(m_link->text());
    if (currentIndex() != index)
        setCurrentIndex(index);
}

void DBLookupComboBox::personChose(int index)
{
    if (m_filling || index < 0)
        return;
    const QString key = itemData(index).toString();
    if (key == m_link->text())
        return;
    if (!m_link->startEdit()) {
        refresh();
        return;
    }
    m_link->writeValue(key);
}

// --- DataSetModel -----------------------------------------------------------------------

DataSetModel::DataSetModel(DataSet *table, const QList<GridColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
    , m_columns(columns)
    , m_titleColors(columns.size())
{
    resolveFields();
    connect(m_table, &DataSet::layoutChanged, this, [this] {
        beginResetModel();
        resolveFields();
        endResetModel();
    });
    connect(m_table, &DataSet::fieldChanged, this, &DataSetModel::fieldChanged);
    // Cancelling an edit brings the posted values back.
    connect(m_table, &DataSet::currentChanged, this, [this] { fieldChanged(-1); });
}

void DataSetModel::resolveFields()
{
    m_fields.clear();
    for (const GridColumn &c : m_columns)
        m_fields.append(m_table->fieldIndex(c.fieldName));
}

int DataSetModel::fieldOf(int column) const { return m_fields.value(column, -1); }

void DataSetModel::setTitleColor(int column, const QColor &color)
{
    if (column < 0 || column >= m_columns.size() || m_titleColors[column] == color)
        return;
    m_titleColors[column] = color;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QColor DataSetModel::titleColor(int column) const { return m_titleColors.value(column); }

void DataSetModel::refreshValues()
{
    const int rows = rowCount();
    if (rows > 0 && !m_columns.isEmpty())
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
}

void DataSetModel::fieldChanged(int)
{
    // Only the current row can differ from what was shown.
    const int row = m_table->recNo();
    if (row >= 0 && row < rowCount() && !m_columns.isEmpty())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_table->isActive())
        return 0;
    return m_table->recordCount();
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int field = m_fields[index.column()];
    if (field < 0)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        const int row = index.row();
        const QVariant value = m_table->isEditing() && row == m_table->recNo()
            ? m_table->value(field)
            : m_table->valueAt(row, field);
        const GridColumn &c = m_columns[index.column()];
        return c.display ? c.display(value) : plainText(value);
    }
    case Qt::TextAlignmentRole:
        if (isNumberKind(m_table->field(field).kind))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole: {
        const GridColumn &c = m_columns[section];
        if (!c.title.isEmpty())
            return c.title;
        const int field = m_fields[section];
        if (field >= 0 && !m_table->field(field).label.isEmpty())
            return m_table->field(field).label;
        return c.fieldName;
    }
    case Qt::BackgroundRole:
        if (m_titleColors[section].isValid())
            return QBrush(m_titleColors[section]);
        return {};
    default:
        return {};
    }
}

// --- DBGrid -------------------------------------------------------------------------------

DBGrid::DBGrid(DataSet *table, const QList<GridColumn> &columns, QWidget *parent)
    : QTableView(parent)
    , m_model(new DataSetModel(table, columns, this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setAlternatingRowColors(false);
    // Fixed row heights keep tens of thousands of rows cheap.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 5);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    const int charWidth = fontMetrics().averageCharWidth();
    for (int c = 0; c < columns.size(); ++c) {
        int width = columns[c].width;
        if (width < 0) {
            const int f = m_model->fieldOf(c);
            const int chars = f >= 0 ? table->field(f).width : 0;
            width = chars > 0 ? chars * charWidth + 8 : horizontalHeader()->defaultSectionSize();
        }
        setColumnWidth(c, width);
    }

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DBGrid::titleClicked);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current, const QModelIndex &) { rowChosen(current); });
    connect(table, &DataSet::currentChanged, this, &DBGrid::followTable);
    connect(table, &DataSet::layoutChanged, this, &DBGrid::followTable);
    followTable();
}

void DBGrid::followTable()
{
    m_following = true;
    const int row = table()->recNo();
    if (row >= 0 && row < m_model->rowCount()) {
        const int column = qMax(0, currentIndex().column());
        const QModelIndex target = m_model->index(row, column);
        if (currentIndex() != target)
            selectionModel()->setCurrentIndex(
                target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    } else {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    }
    m_following = false;
}

void DBGrid::rowChosen(const QModelIndex &current)
{
    if (m_following || !current.isValid() || current.row() == table()->recNo())
        return;
    // A refused post keeps the record; the grid goes back to it.
    if (!table()->moveTo(current.row()))
        followTable();
}
