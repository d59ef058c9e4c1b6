#include "PageControl.h"

#include <QKeyEvent>
#include <QMouseEvent>

PageControl::PageControl(QWidget *parent)
    : QTabWidget(parent)
{
    setTabBar(new GuardedTabBar(this));
}

void PageControl::activatePage(int index)
{
    if (index >= 0 && index < count() && isTabVisible(index))
        setCurrentIndex(index);
}

bool PageControl::userSwitchTo(int index)
{
    const int from = currentIndex();
    if (index == from || index < 0 || index >= count() || !isTabVisible(index))
        return false;
    if (changing && !changing(from, index))
        return false;
    setCurrentIndex(index);
    emit userChanged(index);
    return true;
}

namespace {

// The next visible tab from index in direction step (+1 or -1), wrapping.
int nextVisible(const QTabWidget *tabs, int index, int step)
{
    const int n = tabs->count();
    for (int i = 1; i <= n; ++i) {
        const int candidate = ((index + step * i) % n + n) % n;
        if (tabs->isTabVisible(candidate))
            return candidate;
    }
    return index;
}

bool isTabSwitchKey(const QKeyEvent *e, int *step)
{
    if ((e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)
        && (e->modifiers() & Qt::ControlModifier)) {
        *step = (e->key() == Qt::Key_Backtab || (e->modifiers() & Qt::ShiftModifier)) ? -1 : 1;
        return true;
    }
    return false;
}

} // namespace

void PageControl::keyPressEvent(QKeyEvent *event)
{
    int step = 0;
    if (isTabSwitchKey(event, &step)) {
        userSwitchTo(nextVisible(this, currentIndex(), step));
        event->accept();
        return;
    }
    QTabWidget::keyPressEvent(event);
}

GuardedTabBar::GuardedTabBar(PageControl *owner)
    : QTabBar(owner)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("PageControl1TabBar"));
}

void GuardedTabBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const int index = tabAt(event->position().toPoint());
        if (index >= 0 && index != currentIndex()) {
            m_owner->userSwitchTo(index);
            event->accept();
            return;
        }
    }
    QTabBar::mousePressEvent(event);
}

void GuardedTabBar::keyPressEvent(QKeyEvent *event)
{
    int step = 0;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        step = event->key() == Qt::Key_Right ? 1 : -1;
        m_owner->userSwitchTo(nextVisible(m_owner, currentIndex(), step));
        event->accept();
        return;
    }
    if (isTabSwitchKey(event, &step)) {
        m_owner->userSwitchTo(nextVisible(m_owner, currentIndex(), step));
        event->accept();
        return;
    }
    QTabBar::keyPressEvent(event);
}

void GuardedTabBar::wheelEvent(QWheelEvent *event)
{
    // Scrolling over the tabs would switch pages behind the guard's back.
    event->ignore();
}
