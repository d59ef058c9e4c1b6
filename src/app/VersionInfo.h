#pragma once

#include <QStringList>

// The program's version information as a list of "Key = value" lines. There
// is no version resource on this platform, so the values are compiled in.

// Fills list with "VersionInfoSize = n" and the ten keys whose value is set.
void ReadVersionInfo(QStringList &list);

// The same from an explicit table of key/value pairs (tests use other
// versions); keys without a value are left out.
void ReadVersionInfo(QStringList &list, const QList<QPair<QString, QString>> &values);

// The value of the line whose text before "=" equals key without regard to
// case; it keeps the blank that follows "=". Empty when there is none.
QString VersionValue(const QStringList &list, const QString &key);

// From the file version (with its leading blank): n = 0 the text before the
// first point, 1 before the second, 2 before the third, 3 the whole value.
QString GetVersionField(const QStringList &list, int n);

// The compiled-in values, in the order of the list.
QList<QPair<QString, QString>> CompiledVersionValues();
