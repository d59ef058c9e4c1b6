#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// A bibliographic record in MARC 21 as the library catalogues deliver it in
// XML ("MARCXML"): a leader, control fields (001 to 009) and data fields
// with two indicators and coded subfields.
struct MarcSubfield
{
    QChar code;
    QString text;
};

struct MarcField
{
    QString tag;
    QChar ind1 = u' ';
    QChar ind2 = u' ';
    QString data; // a control field's content
    QList<MarcSubfield> subfields;

    // The first subfield of the code; empty when there is none.
    QString subfield(QChar code) const;
    QStringList subfieldsOf(QChar code) const;
    bool has(QChar code) const;
};

struct MarcRecord
{
    QString leader;
    QList<MarcField> fields;

    QList<const MarcField *> fieldsWithTag(QStringView tag) const;
    // The first field of the tag, or null.
    const MarcField *field(QStringView tag) const;
};

// An answer of a catalogue's SRU interface (searchRetrieve).
struct SruAnswer
{
    // As the answer states it; -1 when it does not.
    qint64 numberOfRecords = -1;
    // The explanation of the first diagnostic; empty when the answer has none.
    QString diagnostic;
    QList<MarcRecord> records;
};

// Reads an SRU answer. Document type definitions are refused (no entity is
// ever expanded). False, with a German reason in error, when the bytes are no
// well-formed XML, carry a DTD or are no SRU answer. At most the first 100
// records are kept.
bool ParseSruAnswer(QByteArrayView xml, SruAnswer &answer, QString *error);

// A catalogue's text as the program keeps it: composed (NFC) from the
// decomposed form the catalogues send, without the markers around a leading
// article that is not sorted (U+0098, U+009C) and the other C1 controls, with
// control characters and runs of blanks made one blank.
QString CatalogueText(QStringView raw);
