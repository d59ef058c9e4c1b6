#pragma once

#include <QString>

struct MainContext;
class DataSet;
class QTreeWidgetItem;

// Appends the books of source (a review file read into the scratch table) to
// target (the review table), one record at a time: books without a usable
// number are skipped with a note in the status bar, books already in the
// table are listed in one message at the end. Values are copied by position;
// prices and page counts of older files are normalised. Every book taken over
// gets a book node below fileNode.
//
// False when a value does not convert to its field or the file has more
// columns than the review record; error then says why. The books taken over
// before stay in the table and in the tree.
bool MergeDataSets(
    MainContext &ctx, QTreeWidgetItem *fileNode, DataSet &target, DataSet &source, QString *error);

// The merge's normalisation of a source value for the target field.
QString NormalizePrice(QString text);
QString NormalizePages(const QString &text);
