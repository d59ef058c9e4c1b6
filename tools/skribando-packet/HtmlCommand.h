#pragma once

#include <QString>
#include <QStringList>

class DataSet;

// Reads a review file into a table of the review record's fields, its
// records in file order. False with a message when the file cannot be read.
bool LoadReviewTable(const QString &path, DataSet &table, QString *error);

// "html FILE OUT [--settings INI] [--preview] [--subtitle TEXT]": the page of
// all records of FILE as the program writes it. args are the words after
// "html". 0 when written, 1 with a message in error, -1 for wrong arguments.
int RunHtmlCommand(const QStringList &args, QString *error);
