#include "Codec1252.h"

#include "SingleByteCodec.h"

#include <array>

namespace {

// 0x80..0x9F; the five unassigned codes map to the C1 control of the same
// value, as the platform codec does, so every byte survives a round trip.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

constexpr SingleByteCodec<32> kCodec(kHigh, '?');

} // namespace

namespace Codec1252 {

QString decode(QByteArrayView bytes) { return kCodec.decode(bytes); }

QByteArray encode(QStringView text) { return kCodec.encode(text); }

bool canEncode(QChar c) { return kCodec.byteFor(c.unicode()) >= 0; }

bool canEncode(QStringView text)
{
    for (QChar c : text) {
        if (!canEncode(c))
            return false;
    }
    return true;
}

QString filterEncodable(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (canEncode(c))
            out.append(c);
    }
    return out;
}

namespace {

// Letters whose decomposition holds no plain letter.
QChar lookAlike(char16_t c)
{
    switch (c) {
    case u'\u0141': return u'L'; // Ł
    case u'\u0142': return u'l'; // ł
    case u'\u0110': return u'D'; // Đ
    case u'\u0111': return u'd'; // đ
    case u'\u0131': return u'i'; // ı
    case u'\u0126': return u'H'; // Ħ
    case u'\u0127': return u'h'; // ħ
    case u'\u0166': return u'T'; // Ŧ
    case u'\u0167': return u't'; // ŧ
    case u'\u0138': return u'k'; // ĸ
    default: return QChar();
    }
}

QChar closestLetter(QChar c)
{
    if (const QChar alike = lookAlike(c.unicode()); !alike.isNull())
        return alike;
    const QString decomposed = QString(c).normalized(QString::NormalizationForm_KD);
    QChar base;
    for (QChar d : decomposed) {
        if (d.category() == QChar::Mark_NonSpacing || d.category() == QChar::Mark_Enclosing)
            continue;
        if (!base.isNull())
            return u'?'; // more than one letter
        base = d;
    }
    return !base.isNull() && base != c && canEncode(base) ? base : QChar(u'?');
}

} // namespace

QString replaceUnencodable(QStringView text, QString *replaced)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (canEncode(c)) {
            out.append(c);
            continue;
        }
        QStringView original = text.mid(i, 1);
        QChar replacement = u'?';
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            original = text.mid(i, 2);
            ++i;
        } else if (!c.isSurrogate()) {
            replacement = closestLetter(c);
        }
        out.append(replacement);
        if (replaced && !replaced->contains(original))
            replaced->append(original);
    }
    return out;
}

} // namespace Codec1252
