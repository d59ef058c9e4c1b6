#pragma once

#include <QObject>

struct MainContext;
class TreeNavigation;

// "Zip importieren": unpacks a received archive into the selected folder of
// the review tree and its pictures into the cover folder.
class ZipActions : public QObject
{
    Q_OBJECT

public:
    ZipActions(MainContext &ctx, TreeNavigation &tree, QObject *parent = nullptr);

    void ActionImportZipExecute();

private:
    MainContext &m_ctx;
    TreeNavigation &m_tree;
};
