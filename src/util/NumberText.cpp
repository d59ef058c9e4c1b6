#include "NumberText.h"

#include <QStringView>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Exact as doubles.
constexpr double kPowersOfTen[]
    = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
} // namespace

QString NumberText(double value)
{
    // Most numbers here have a few decimals at most (book numbers, prices).
    // When the value is the nearest double to m / 10^k with m of up to 15
    // digits, fifteen significant digits give back exactly that decimal, so
    // it can be written out directly.
    if (std::isfinite(value) && value != 0 && std::abs(value) < 1e14) {
        for (int k = 0; k < 5; ++k) {
            const double scaled = std::round(value * kPowersOfTen[k]);
            if (std::abs(scaled) >= 1e15)
                break;
            if (scaled / kPowersOfTen[k] != value)
                continue;
            qint64 m = qint64(scaled);
            const bool negative = m < 0;
            if (negative)
                m = -m;
            char digits[24];
            int n = 0;
            for (int i = 0; i < k || m > 0; ++i) {
                digits[n++] = char('0' + m % 10);
                m /= 10;
                if (i + 1 == k)
                    digits[n++] = '.';
            }
            if (digits[n - 1] == '.')
                digits[n++] = '0';
            if (negative)
                digits[n++] = '-';
            std::reverse(digits, digits + n);
            return QString::fromLatin1(digits, n);
        }
    }
    return QString::number(value, 'g', 15);
}

namespace {

// Plain decimals such as book numbers ("12345.07"): up to 15 digits are an
// exact integer and a power of ten up to 1e22 is exact too, so one division
// gives the correctly rounded value, the same as the general conversion.
std::optional<double> plainDecimal(QStringView t)
{
    qsizetype i = 0;
    const bool negative = !t.isEmpty() && t[0] == u'-';
    if (negative)
        ++i;
    qint64 mantissa = 0;
    int digits = 0;
    int decimals = -1;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++digits > 15)
                return std::nullopt;
            mantissa = mantissa * 10 + (c - u'0');
            if (decimals >= 0)
                ++decimals;
        } else if (c == u'.' && decimals < 0 && digits > 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || decimals == 0)
        return std::nullopt;
    double v = double(mantissa);
    if (decimals > 0)
        v /= kPowersOfTen[decimals];
    return negative ? -v : v;
}

} // namespace

std::optional<double> ParseNumber(const QString &text)
{
    if (const auto plain = plainDecimal(QStringView(text).trimmed()))
        return plain;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> ParseInteger(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<double> ParsePrice(QStringView text)
{
    qint64 cents = 0;
    int digits = 0;
    int decimals = -1; // -1: no separator yet
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') {
            // Beyond fifteen digits a double no longer holds every cent.
            if (++digits > 15 || decimals == 2)
                return std::nullopt;
            cents = cents * 10 + (u - u'0');
            if (decimals >= 0)
                ++decimals;
        } else if ((u == u',' || u == u'.') && decimals < 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    for (int d = qMax(decimals, 0); d < 2; ++d)
        cents *= 10;
    return double(cents) / 100;
}
