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
