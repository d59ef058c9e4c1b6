#pragma once

#include <QString>

// The series field holds a series name, an ISBN or nothing. These functions
// pull a candidate ISBN out of what was typed there and test its check digit.

// Drops blanks, hyphens and everything but digits and "X" (after upper-casing)
// and cuts the rest to 10 or 13 characters; empty when nothing usable is left.
QString NormalizeISBN(const QString &text);

// A normalised text of 10 characters is tested as ISBN-10, one of 13 as
// ISBN-13; kind (may be null) receives 10, 13 or 0 for any other length.
bool IsValidISBN(const QString &normalized, int *kind);

// Check-digit rules. A character counts its code minus the code of "0", so an
// "X" counts 40 anywhere but in the last place of an ISBN-10, where "X" and
// "x" count 10.
bool IsValidISBN10(const QString &text);
bool IsValidISBN13(const QString &text);

// "10" or "13" by the length of a normalised text, "10/13" for any other length.
QString ISBNKindText(const QString &normalized);

// The report of the action "ISBN prüfen" for the text of the series field.
QString ISBNCheckReport(const QString &input);
