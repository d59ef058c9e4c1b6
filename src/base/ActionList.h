#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

// The fourteen review actions, by their bit in the action set.
enum ReviewActionBit : int {
    baNewFolder = 0,
    baNew,
    baLoad,
    baRemove,
    baImport,
    baImportZip,
    baSave,
    baDeletefromTree,
    baPrint,
    baSendMail,
    baShowMissingFrontImages,
    baFindFrontImage,
    baPublisherDocuments,
    baWebPage,
    baCount
};
constexpr int AllReviewActions = (1 << baCount) - 1;

// Every action of the main window with its caption, hint, picture and
// shortcut, built from one table; the menus, the tool bar and the tree's popup
// menu are laid out from it.
class ActionList : public QObject
{
    Q_OBJECT

public:
    explicit ActionList(QWidget *owner);

    QAction *action(const QString &name) const;
    QAction *reviewAction(int bit) const { return m_review.value(bit); }
    QList<QAction *> allActions() const { return m_all; }

    // Enables each review action whose bit is set, disables the others.
    void EnableActions(int actionSet);
    // The set of review actions that are enabled now.
    int enabledSet() const;

    void buildMainMenu(QMenuBar *bar);
    // searchMenu is the drop-down of "Titelbild suchen".
    void buildToolBar(QToolBar *bar, QMenu *searchMenu);
    void buildTreePopup(QMenu *menu);

private:
    QHash<QString, QAction *> m_byName;
    QList<QAction *> m_review;
    QList<QAction *> m_all;
    QWidget *m_owner;
};
