#include "ISBN.h"

namespace {

int charValue(QChar c) { return int(c.unicode()) - int(u'0'); }

} // namespace

QString NormalizeISBN(const QString &text)
{
    QString compact = text;
    compact.remove(u' ');
    compact.remove(u'-');
    if (compact.size() < 10)
        return {};

    QString kept;
    kept.reserve(compact.size());
    for (QChar c : compact) {
        if (c == u'x' || c == u'X')
            kept.append(u'X');
        else if (c >= u'0' && c <= u'9')
            kept.append(c);
    }

    const qsizetype length = kept.size();
    if (length < 10)
        return {};
    if (length == 10 || length == 13)
        return kept;
    if (length < 13)
        return kept.right(10);

    // Longer than an ISBN-13: an "X" cannot stand inside one, so drop them all.
    kept.remove(u'X');
    if (kept.size() < 13)
        return {};
    return kept.right(13);
}

bool IsValidISBN10(const QString &text)
{
    if (text.size() != 10)
        return false;
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += charValue(text[i]) * (10 - i);
    const QChar last = text[9];
    sum += (last == u'X' || last == u'x') ? 10 : charValue(last);
    return sum % 11 == 0;
}

bool IsValidISBN13(const QString &text)
{
    if (text.size() != 13)
        return false;
    int sum = 0;
    for (int i = 0; i < 13; ++i)
        sum += charValue(text[i]) * (i % 2 == 0 ? 1 : 3);
    return sum % 10 == 0;
}

bool IsValidISBN(const QString &normalized, int *kind)
{
    int k = 0;
    bool valid = false;
    if (normalized.size() == 10) {
        k = 10;
        valid = IsValidISBN10(normalized);
    } else if (normalized.size() == 13) {
        k = 13;
        valid = IsValidISBN13(normalized);
    }
    if (kind)
        *kind = k;
    return valid;
}

QString ISBNKindText(const QString &normalized)
{
    switch (normalized.size()) {
    case 10:
        return QStringLiteral("10");
    case 13:
        return QStringLiteral("13");
    default:
        return QStringLiteral("10/13");
    }
}

QString ISBNCheckReport(const QString &input)
{
    const QString normalized = NormalizeISBN(input);
    if (IsValidISBN(normalized, nullptr))
        return normalized + QStringLiteral(" ist eine gültige ISBN") + ISBNKindText(normalized);
    return normalized + QStringLiteral(" ist  k e i n e  gültige ISBN") + ISBNKindText(normalized);
}
