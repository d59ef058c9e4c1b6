#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

struct MainContext;
class ReviewFileActions;
class TreeNavigation;

// Review files given on the command line, at start or later by another copy
// of the program (a double click in the file manager). A file in the
// database folder gets its node selected in the tree; any other review file
// is offered for import into the tree, as "Importieren" does it. The files
// wait while a dialog is open or the program is busy, so they never break
// into an action that runs.
class CommandLineFiles : public QObject
{
    Q_OBJECT

public:
    CommandLineFiles(MainContext &ctx, TreeNavigation &tree, ReviewFileActions &files,
        QObject *parent = nullptr);

    void offer(const QStringList &files);
    // Files not yet shown or offered.
    QStringList pending() const { return m_pending; }

    // True while the files must wait; by default while a dialog or popup is
    // open, the busy pointer shows or the settings pages are open.
    std::function<bool()> busy;

    // Shows one file at once.
    void open(const QString &file);

private:
    void processNext();
    bool selectInTree(const QString &relativeToDb);
    void offerImport(const QString &file);

    MainContext &m_ctx;
    TreeNavigation &m_tree;
    ReviewFileActions &m_files;
    QStringList m_pending;
    QTimer m_retry;
    bool m_opening = false;
};
