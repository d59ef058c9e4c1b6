#include "PreviewPage.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

PreviewPage::PreviewPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewPage"));
    RadioGroupPreview = new QGroupBox(QStringLiteral("Vorschau"), this);
    RadioGroupPreview->setObjectName(QStringLiteral("RadioGroupPreview"));
    auto *items = new QHBoxLayout(RadioGroupPreview);
    m_items = new QButtonGroup(this);
    const QString captions[]
        = { QStringLiteral("Aktuelle Besprechung"), QStringLiteral("Alle Besprechungen") };
    for (int i = 0; i < 2; ++i) {
        auto *item = new QRadioButton(captions[i], RadioGroupPreview);
        item->setObjectName(QStringLiteral("RadioGroupPreviewItem%1").arg(i));
        m_items->addButton(item, i);
        items->addWidget(item);
    }
    items->addStretch(1);
    m_items->button(0)->setChecked(true);
    connect(m_items, &QButtonGroup::idClicked, this, &PreviewPage::previewModeClicked);

    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setFont(previewFont());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroupPreview);
    layout->addWidget(RichEdit1, 1);
}

bool PreviewPage::showsCurrent() const { return m_items->checkedId() != 1; }

void PreviewPage::setShowsCurrent(bool current)
{
    m_items->button(current ? 0 : 1)->setChecked(true);
}

QFont PreviewPage::previewFont()
{
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}
