#pragma once

#include <QTabBar>
#include <QTabWidget>

#include <functional>

// The page control: a tab widget whose page changes by the person can be
// refused by a guard before they happen, and which tells changes by the
// person apart from those the program makes.
class PageControl : public QTabWidget
{
    Q_OBJECT

public:
    explicit PageControl(QWidget *parent = nullptr);

    // Asked before the person switches from page "from" to page "to"; false
    // keeps the current page.
    std::function<bool(int from, int to)> changing;

    // Makes a visible page the current one (a hidden page is left alone: the
    // tab widget would still show it).
    void activatePage(int index);
    // Switches as the person does: guard, then the change, then userChanged.
    bool userSwitchTo(int index);

signals:
    // After a change that the person made (by mouse or keyboard).
    void userChanged(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class GuardedTabBar;
};

class GuardedTabBar : public QTabBar
{
    Q_OBJECT

public:
    explicit GuardedTabBar(PageControl *owner);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    PageControl *m_owner;
};
