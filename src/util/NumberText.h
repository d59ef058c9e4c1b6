#pragma once

#include <QString>
#include <optional>

// The text of a number as book keys, lookups and merging use it: shortest
// general form, up to 15 significant digits, "." as decimal point.
QString NumberText(double value);

// Reads a decimal number with "." as decimal point; surrounding blanks are
// allowed, anything else makes it fail.
std::optional<double> ParseNumber(const QString &text);
std::optional<int> ParseInteger(const QString &text);

// Reads a price as people write it, whatever the regional format: digits
// with "," or "." as the decimal separator and at most two decimals ("19,90",
// "19.90", "19", ",5"). No blanks, signs or thousands separators.
std::optional<double> ParsePrice(QStringView text);
