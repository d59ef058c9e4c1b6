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

} // namespace Codec1252
