#include "Codec1252.h"

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

int byteFor(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

namespace Codec1252 {

QString decode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        dst[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray encode(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            dst[i] = char(u);
            continue;
        }
        const int b = byteFor(u);
        dst[i] = b < 0 ? '?' : char(b);
    }
    return out;
}

bool canEncode(QChar c) { return byteFor(c.unicode()) >= 0; }

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

} // namespace Codec1252
