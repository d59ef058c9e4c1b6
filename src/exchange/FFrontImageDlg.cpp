#include "FFrontImageDlg.h"

#include "CoverImages.h"
#include "base/IDesktop.h"
#include "base/ImageList1.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kKeyColumnWidth = 80;
constexpr int kValueColumnWidth = 327;
constexpr int kListHeight = 130;

} // namespace

// --- the two lists -------------------------------------------------------------

CoverListEditor::CoverListEditor(QWidget *parent)
    : QTableWidget(0, 2, parent)
{
    setHorizontalHeaderLabels({ QStringLiteral("Bild"), QStringLiteral("Buchtitel") });
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    setColumnWidth(0, kKeyColumnWidth);
    setColumnWidth(1, kValueColumnWidth);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    const int frame = 2 * frameWidth();
    setFixedSize(kKeyColumnWidth + kValueColumnWidth + frame
            + style()->pixelMetric(QStyle::PM_ScrollBarExtent),
        kListHeight);
}

void CoverListEditor::setLines(const QStringList &lines)
{
    clearContents();
    setRowCount(int(lines.size()));
    for (int row = 0; row < lines.size(); ++row) {
        setItem(row, 0, new QTableWidgetItem(CoverLineFileName(lines[row])));
        setItem(row, 1, new QTableWidgetItem(CoverLineTitle(lines[row])));
    }
    if (!lines.isEmpty())
        setCurrentCell(0, 0);
}

QStringList CoverListEditor::lines() const
{
    QStringList out;
    for (int row = 0; row < rowCount(); ++row)
        out.append(item(row, 0)->text() + u'=' + item(row, 1)->text());
    return out;
}

QString CoverListEditor::currentKey() const
{
    const QTableWidgetItem *key = currentRow() < 0 ? nullptr : item(currentRow(), 0);
    return key ? key->text() : QString();
}

QString CoverListEditor::currentValue() const
{
    const QTableWidgetItem *value = currentRow() < 0 ? nullptr : item(currentRow(), 1);
    return value ? value->text() : QString();
}

// --- the dialog -------------------------------------------------------------------

TFrontImageDlg::TFrontImageDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrontImageDlg"));
    setWindowTitle(QStringLiteral("Umschlagbilder..."));
    // No close box where the window manager allows that: the buttons say how
    // the dialog ends (closed nonetheless, it ends like "&Mail nicht senden").
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const auto list = [this, layout](const QString &labelName, const QString &text,
                          const QString &listName, QLabel *&label, CoverListEditor *&editor) {
        label = new QLabel(text, this);
        label->setObjectName(labelName);
        editor = new CoverListEditor(this);
        editor->setObjectName(listName);
        label->setBuddy(editor);
        layout->addWidget(label);
        layout->addWidget(editor);
    };
    list(QStringLiteral("LabelImagesAvailable"),
        QStringLiteral("Die Umschlagbilder folgender Bücher sind vorhanden:"),
        QStringLiteral("ValueListEditorImagesAvailable"), LabelImagesAvailable,
        ValueListEditorImagesAvailable);
    layout->addSpacing(4);
    list(QStringLiteral("LabelImagesMissing"),
        QStringLiteral("Die Umschlagbilder folgender Bücher fehlen:"),
        QStringLiteral("ValueListEditorImagesMissing"), LabelImagesMissing,
        ValueListEditorImagesMissing);
    ValueListEditorImagesMissing->setSelectionBehavior(QAbstractItemView::SelectRows);

    const auto button = [this](const QString &name, const QString &text, int result, int picture) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        if (picture >= 0)
            b->setIcon(ImageList1::icon(picture));
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    const auto group = [this, layout](const QString &name, const QString &title,
                           const QList<QPushButton *> &buttons) {
        auto *box = new QGroupBox(title, this);
        box->setObjectName(name);
        auto *row = new QHBoxLayout(box);
        row->addStretch(1);
        for (QPushButton *b : buttons) {
            b->setParent(box);
            row->addWidget(b);
        }
        layout->addWidget(box);
        return box;
    };

    BitBtnFindImage = button(QStringLiteral("BitBtnFindImage"), QStringLiteral("&Bild suchen"),
        Msg::mrYes, ImageList1::ActionFindFrontImage);
    BitBtnClose
        = button(QStringLiteral("BitBtnClose"), QStringLiteral("&Schliessen"), Msg::mrCancel, -1);
    GroupBoxFindImages = group(QStringLiteral("GroupBoxFindImages"),
        QStringLiteral(" Bild suchen "), { BitBtnFindImage, BitBtnClose });

    BitBtnYes = button(QStringLiteral("BitBtnYes"), QStringLiteral("&Ja"), Msg::mrYes, -1);
    BitBtnNo = button(QStringLiteral("BitBtnNo"), QStringLiteral("&Nein"), Msg::mrNo, -1);
    BitBtnCancel = button(QStringLiteral("BitBtnCancel"), QStringLiteral("&Mail nicht senden"),
        Msg::mrCancel, ImageList1::Warning);
    GroupBoxAppendImages = group(QStringLiteral("GroupBoxAppendImages"),
        QStringLiteral(" Vorhandene Bilder der Mail anhängen? "),
        { BitBtnYes, BitBtnNo, BitBtnCancel });

    // A double click on a missing cover searches for it, as the button does.
    connect(ValueListEditorImagesMissing, &QTableWidget::cellDoubleClicked, this, [this] {
        if (!m_appendMode && BitBtnFindImage->isEnabled())
            BitBtnFindImage->click();
    });

    SetAppendMode(false);
}

void TFrontImageDlg::SetAppendMode(bool append)
{
    m_appendMode = append;
    GroupBoxAppendImages->setVisible(append);
    GroupBoxFindImages->setVisible(!append);
    // Enter sends the covers along in mail mode and searches in search mode.
    BitBtnYes->setDefault(append);
    BitBtnFindImage->setDefault(!append);
}

void TFrontImageDlg::ClearLists()
{
    ValueListEditorImagesAvailable->setLines({});
    ValueListEditorImagesMissing->setLines({});
}

int TFrontImageDlg::ListCoverImages(
    const QString &reviewFile, const QString &coverFolder, QString *error)
{
    QStringList available = availableLines();
    QStringList missing = missingLines();
    const int count = ::ListCoverImages(reviewFile, coverFolder, available, missing, error);
    ValueListEditorImagesAvailable->setLines(available);
    ValueListEditorImagesMissing->setLines(missing);
    return count;
}

int TFrontImageDlg::ShowModal()
{
    setResult(0);
    if (modalAnswer) {
        const int answer = modalAnswer(*this);
        setResult(answer);
        return answer;
    }
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return exec();
}

void TFrontImageDlg::reject() { done(m_appendMode ? Msg::mrNo : Msg::mrCancel); }

void TFrontImageDlg::closeEvent(QCloseEvent *event)
{
    // Not reject(): Escape answers "&Nein" in mail mode, but a window closed
    // without a word must not send the mail.
    if (isVisible())
        done(Msg::mrCancel);
    event->accept();
}
