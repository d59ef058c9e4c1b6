#include "StatusPanels.h"

#include "StatusProgress.h"

#include <QLabel>

using namespace StatusPanel;

namespace {

struct PanelSpec
{
    int width;
    const char *fixedText; // nullptr for the panels the program writes
};

const PanelSpec kPanels[StatusPanel::Count] = {
    { 45, "Hinweis:" },
    { 360, nullptr },
    { 105, "Geladene Berichte:" },
    { 30, nullptr },
    { 45, "Datei:" },
    { 130, nullptr },
    { 115, "Besprochene Bücher:" },
    { 20, nullptr },
};

} // namespace

using namespace StatusPanel;

StatusPanels::StatusPanels(QWidget *parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(true);
    for (int i = 0; i < Count; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // The panels take at least their width and more where a text needs
        // it (a five-digit book count, a long file name, a wide font); the
        // hint field gives way first when the window is narrow.
        label->setMinimumWidth(i == Hint ? 120 : kPanels[i].width);
        if (i == Hint)
            label->setMaximumWidth(kPanels[i].width);
        if (kPanels[i].fixedText) {
            label->setText(QString::fromUtf8(kPanels[i].fixedText));
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            label->setFrameStyle(QFrame::NoFrame);
        } else {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setContentsMargins(2, 0, 2, 0);
        }
        addWidget(label, i == Hint ? 1 : 0);
        m_panels.append(label);
    }
    m_panels[Books]->setText(QStringLiteral("0"));
    m_progress = new StatusProgress(this);
    addPermanentWidget(m_progress);
    m_progress->hide(); // until work lasts
    // While work shows its progress, that takes the hint field's room.
    connect(m_progress, &StatusProgress::shownChanged, this,
        [this](bool shown) { m_panels[Hint]->setVisible(!shown); });
}

void StatusPanels::setPanelText(int index, const QString &text)
{
    if (index < 0 || index >= Count)
        return;
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(u'\n', u' ');
    m_panels[index]->setText(t);
    m_panels[index]->setToolTip(index == Hint ? QString() : t);
    emit panelChanged(index, t);
}

QString StatusPanels::panelText(int index) const
{
    return (index >= 0 && index < Count) ? m_panels[index]->text() : QString();
}

QLabel *StatusPanels::panel(int index) const { return m_panels.value(index); }
