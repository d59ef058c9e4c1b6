#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstddef>

// A table-driven 8-bit code page whose bytes below 0x80 are ASCII. The bytes
// from 0x80 on come from a table; those past its end stand for the Latin-1
// character of the same value. Characters the code page cannot hold are
// written as the replacement byte.
template<std::size_t N>
class SingleByteCodec
{
    static_assert(N <= 128);

public:
    constexpr SingleByteCodec(const std::array<char16_t, N> &high, char replacement)
        : m_high(high)
        , m_replacement(replacement)
    { }

    // The byte for u, or -1 when the code page cannot hold it.
    constexpr int byteFor(char16_t u) const
    {
        const int c = u;
        if (c < 0x80 || (c >= kTableEnd && c <= 0xFF))
            return c;
        for (int i = 0; i < kTableSize; ++i) {
            if (m_high[i] == u)
                return 0x80 + i;
        }
        return -1;
    }

    QString decode(QByteArrayView bytes) const
    {
        QString out(bytes.size(), Qt::Uninitialized);
        QChar *dst = out.data();
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const int b = static_cast<unsigned char>(bytes[i]);
            dst[i] = (b >= 0x80 && b < kTableEnd) ? QChar(m_high[b - 0x80]) : QChar(char16_t(b));
        }
        return out;
    }

    QByteArray encode(QStringView text) const
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
            dst[i] = b < 0 ? m_replacement : char(b);
        }
        return out;
    }

private:
    static constexpr int kTableSize = int(N);
    static constexpr int kTableEnd = 0x80 + kTableSize;

    std::array<char16_t, N> m_high;
    char m_replacement;
};
