#include "StatusProgress.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

namespace {

// How often the window paints while work runs (milliseconds).
constexpr qint64 kRefreshEvery = 50;

} // namespace

StatusProgress::StatusProgress(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusProgress"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    // Room for the usual texts, so the bar does not jump as they change.
    ProgressLabel->setMinimumWidth(ProgressLabel->fontMetrics().horizontalAdvance(
        QStringLiteral("Lade 0000 von 0000 Dateien")));
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedWidth(160);
    ButtonStopWork = new QPushButton(QStringLiteral("Abbrechen"), this);
    ButtonStopWork->setObjectName(QStringLiteral("ButtonStopWork"));
    ButtonStopWork->setToolTip(QStringLiteral("Die Arbeit anhalten (Esc)"));
    ButtonStopWork->setFocusPolicy(Qt::NoFocus);
    connect(ButtonStopWork, &QPushButton::clicked, this, &StatusProgress::requestStop);
    layout->addWidget(ProgressLabel);
    layout->addWidget(ProgressBar);
    layout->addWidget(ButtonStopWork);
    hide();
}

StatusProgress::~StatusProgress()
{
    if (!m_levels.empty()) {
        m_levels.clear();
        hideWork();
    }
}

void StatusProgress::begin(const QString &text, qint64 total, bool stoppable)
{
    if (m_levels.empty()) {
        m_running.start();
        m_sinceRefresh.start();
        m_refreshEvery = kRefreshEvery;
        // Input waits while the work runs; Escape and "Abbrechen" pass.
        qApp->installEventFilter(this);
    }
    m_levels.push_back({ text, qMax<qint64>(0, total), 0, stoppable, false });
    if (m_shown)
        refresh();
}

bool StatusProgress::advance(qint64 done, const QString &text)
{
    if (m_levels.empty())
        return true;
    Level &level = m_levels.back();
    level.done = done;
    if (!text.isNull())
        level.text = text;
    emit advanced(done, level.total, level.text);
    if (!m_shown && m_running.elapsed() >= m_showDelay)
        showWork();
    if (m_shown) {
        if (m_sinceRefresh.elapsed() >= m_refreshEvery) {
            QElapsedTimer painting;
            painting.start();
            refresh();
            // The window paints, and Escape or a click on "Abbrechen" come
            // through; other input is held back by the event filter.
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            // Painting may cost (a tree of a whole archive lays itself out
            // anew): it takes at most a twentieth of the time, and happens at
            // least once a second.
            m_refreshEvery = qBound<qint64>(kRefreshEvery, 19 * painting.elapsed(), 1000);
            m_sinceRefresh.restart();
        }
    }
    return m_levels.empty() || !m_levels.back().stopped;
}

void StatusProgress::end()
{
    if (m_levels.empty())
        return;
    m_levels.pop_back();
    if (!m_levels.empty()) {
        if (m_shown)
            refresh();
        return;
    }
    qApp->removeEventFilter(this);
    hideWork();
}

void StatusProgress::requestStop()
{
    for (Level &level : m_levels) {
        if (level.stoppable)
            level.stopped = true;
    }
    if (m_shown)
        refresh();
}

void StatusProgress::showWork()
{
    m_shown = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    refresh();
    show();
    emit shownChanged(true);
}

void StatusProgress::refresh()
{
    if (m_levels.empty())
        return;
    const Level &level = m_levels.back();
    bool stoppable = false;
    bool stopping = false;
    for (const Level &l : m_levels) {
        stoppable = stoppable || l.stoppable;
        stopping = stopping || l.stopped;
    }
    ProgressLabel->setText(stopping ? QStringLiteral("Wird abgebrochen ...") : level.text);
    if (level.total > 0) {
        // The bar counts in ints; long work is scaled down.
        const int scale = level.total > 1000000 ? int(level.total / 1000000 + 1) : 1;
        ProgressBar->setRange(0, int(level.total / scale));
        // The bar would paint itself, and so the window, at once; it paints
        // with the window instead.
        ProgressBar->setUpdatesEnabled(false);
        ProgressBar->setValue(int(qMin(level.done, level.total) / scale));
        ProgressBar->setUpdatesEnabled(true);
    } else {
        ProgressBar->setRange(0, 0); // busy, without an end in sight
    }
    ButtonStopWork->setVisible(stoppable);
    ButtonStopWork->setEnabled(!stopping);
}

void StatusProgress::hideWork()
{
    if (!m_shown)
        return;
    m_shown = false;
    hide();
    QApplication::restoreOverrideCursor();
    emit shownChanged(false);
}

bool StatusProgress::eventFilter(QObject *watched, QEvent *event)
{
    // A question asked during the work (a file that cannot be read) is
    // answered as always.
    if (QApplication::activeModalWidget())
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            requestStop();
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // A window hands its clicks on to the widget under the pointer,
        // where only "Abbrechen" takes them.
        if (watched->isWindowType())
            return false;
        return watched != ButtonStopWork;
    case QEvent::Close:
        // Closing the window asks the work to stop; the window stays.
        if (watched->isWindowType()) {
            requestStop();
            event->ignore();
            return true;
        }
        return false;
    default:
        return false;
    }
}
