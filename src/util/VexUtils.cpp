#include "VexUtils.h"

#include <cmath>
#include <limits>

namespace {

// Whole number as the platform's integer conversion reads it: an optional
// sign and digits, leading blanks allowed.
std::optional<qint64> parseWhole(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    text = text.mid(i);
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace

int EncodeBookKey(const QString &numberText)
{
    const qsizetype dot = numberText.indexOf(u'.');
    if (dot < 0)
        return 0;
    QString whole = numberText.left(dot);
    whole.remove(u'_');
    const auto n = parseWhole(whole);
    const auto f = parseWhole(QStringView(numberText).mid(dot + 1));
    if (!n || !f)
        return 0;
    const qint64 key = *n * 10000 + 2000 + *f;
    if (key < std::numeric_limits<int>::min() || key > std::numeric_limits<int>::max())
        return 0;
    return int(key);
}

QString BookKeyToText(int key)
{
    if (key == 0)
        return QStringLiteral("---.-");
    return QStringLiteral("%1.%2").arg(key / 10000).arg(key % 10000 - 2000);
}

QString NumberText(double value) { return QString::number(value, 'g', 15); }

std::optional<double> ParseNumber(const QString &text)
{
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
