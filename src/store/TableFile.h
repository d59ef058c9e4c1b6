#pragma once

#include <QString>

class DataSet;
class PacketReadAhead;

// Writes a table as a review file: the XML form when the name ends in ".xml"
// (any letter case), the binary packet otherwise. The table's records are
// written in its current order; a record being edited is not included.
bool SaveToFile(const DataSet &table, const QString &path, QString *error = nullptr);

// Replaces the table's columns and records with those of the file. On failure
// the table is left without columns or records and error says why.
bool LoadFromFile(DataSet &table, const QString &path, QString *error = nullptr);
// The same, with the file taken from those read ahead.
bool LoadFromFile(
    DataSet &table, PacketReadAhead &files, const QString &path, QString *error = nullptr);
