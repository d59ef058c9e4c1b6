#include "HtmlBytes.h"

#include "util/Codec1252.h"

#include <QString>
#include <QtAlgorithms>

#include <array>
#include <cstring>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Byte of every UTF-16 unit in Windows-1252, or -1; built once, so a page of
// many megabytes costs one look-up per character.
const std::array<qint16, 0x10000> &byteTable()
{
    static const auto table = [] {
        auto t = std::make_unique<std::array<qint16, 0x10000>>();
        QString all(0x10000, Qt::Uninitialized);
        for (int u = 0; u < 0x10000; ++u)
            all[u] = QChar(char16_t(u));
        const QByteArray encoded = Codec1252::encode(all);
        for (int u = 0; u < 0x10000; ++u) {
            const bool known = u < 0x80 || Codec1252::canEncode(QChar(char16_t(u)));
            (*t)[size_t(u)] = known ? qint16(static_cast<unsigned char>(encoded[u])) : qint16(-1);
        }
        return t;
    }();
    return *table;
}

// What each byte of a Windows-1252 field text becomes in a page (the CR of
// a line break aside): taken from what its character becomes, so that both
// ways write the same.
struct BytePiece
{
    char text[12];
    quint8 size;
    bool same; // the byte itself
};

const std::array<BytePiece, 256> &bytePieces()
{
    static const auto pieces = [] {
        std::array<BytePiece, 256> t {};
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString character = Codec1252::decode(QByteArrayView(&byte, 1));
            QByteArray written;
            {
                HtmlBytes out(written);
                out.field(character);
            }
            BytePiece &piece = t[size_t(b)];
            piece.size = quint8(qMin<qsizetype>(written.size(), sizeof piece.text));
            std::memcpy(piece.text, written.constData(), piece.size);
            piece.same = written.size() == 1 && uchar(written[0]) == uchar(b);
        }
        return t;
    }();
    return pieces;
}

// The characters below 64 that markup gives a meaning: '"', '&', '<', '>'.
constexpr quint64 kMarkup
    = (quint64(1) << '"') | (quint64(1) << '&') | (quint64(1) << '<') | (quint64(1) << '>');

} // namespace

HtmlBytes::HtmlBytes(QByteArray &out)
    : m_out(out)
    , m_pos(out.size())
    , m_data(out.data())
{ }

HtmlBytes::~HtmlBytes() { finish(); }

void HtmlBytes::finish() { m_out.resize(m_pos); }

void HtmlBytes::reserve(qsizetype more)
{
    if (m_pos + more <= m_out.size())
        return;
    m_out.resize(qMax(qMax(2 * m_out.size(), m_out.capacity()), m_pos + more + 4096));
    m_data = m_out.data();
}

void HtmlBytes::bytes(const char *s, qsizetype n)
{
    reserve(n);
    std::memcpy(m_data + m_pos, s, size_t(n));
    m_pos += n;
}

void HtmlBytes::appendPiece(
    char *&d, qsizetype &pos, const char *piece, qsizetype size, qsizetype left)
{
    m_pos = pos;
    bytes(piece, size);
    reserve(left);
    d = m_data;
    pos = m_pos;
}

HtmlBytes &HtmlBytes::put(QStringView s, bool escape, bool breaks)
{
    const auto &table = byteTable();
    const char16_t *src = s.utf16();
    const qsizetype n = s.size();
    // One byte per character; references make room for themselves.
    reserve(n);
    // Characters that need a second look: markup in field texts, and the
    // CR of a line break.
    const quint64 special = !escape ? 0 : breaks ? kMarkup | (quint64(1) << '\r') : kMarkup;
    // The position lives in locals while the loop runs: a store through a
    // char pointer could change the members as far as the compiler knows.
    char *d = m_data;
    qsizetype pos = m_pos;
    for (qsizetype i = 0; i < n; ++i) {
#ifdef __SSE2__
        // Runs of plain ASCII, the bulk of every review, sixteen (at the end
        // eight) at a time, looked at as bytes.
        const __m128i highBits = _mm_set1_epi16(short(0xFF80));
        const __m128i zero = _mm_setzero_si128();
        while (i + 8 <= n) {
            const bool wide = i + 16 <= n;
            const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
            const __m128i hi
                = wide ? _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i + 8)) : lo;
            // 0xFF for each ASCII character (signed saturation keeps -1).
            const __m128i ascii
                = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(lo, highBits), zero),
                    _mm_cmpeq_epi16(_mm_and_si128(hi, highBits), zero));
            // The bytes, right wherever the character is ASCII.
            const __m128i packed = _mm_packus_epi16(lo, hi);
            unsigned mask = ~unsigned(_mm_movemask_epi8(ascii));
            if (escape) {
                __m128i marked
                    = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(packed, _mm_set1_epi8('<')),
                                       _mm_cmpeq_epi8(packed, _mm_set1_epi8('>'))),
                        _mm_or_si128(_mm_cmpeq_epi8(packed, _mm_set1_epi8('&')),
                            _mm_cmpeq_epi8(packed, _mm_set1_epi8('"'))));
                if (breaks)
                    marked = _mm_or_si128(marked, _mm_cmpeq_epi8(packed, _mm_set1_epi8('\r')));
                mask |= unsigned(_mm_movemask_epi8(marked));
            }
            // All of them go out at once; when one needs a second look, only
            // those before it count, and the rest is written over later (the
            // room for the whole text is reserved).
            const int count = wide ? 16 : 8;
            if (wide)
                _mm_storeu_si128(reinterpret_cast<__m128i *>(d + pos), packed);
            else
                _mm_storel_epi64(reinterpret_cast<__m128i *>(d + pos), packed);
            mask &= wide ? 0xFFFFu : 0xFFu;
            if (mask != 0) {
                const int before = qCountTrailingZeroBits(mask);
                pos += before;
                i += before;
                break;
            }
            pos += count;
            i += count;
        }
#endif
        // The few characters after the last full run, in a tight loop of
        // their own: most pieces of a page end in some.
        while (i < n && src[i] < 0x80 && (src[i] >= 64 || !((special >> src[i]) & 1)))
            d[pos++] = char(src[i++]);
        if (i >= n)
            break;
        const char16_t u = src[i];
        if (u < 0x80) {
            if (u >= 64 || !((special >> u) & 1)) {
                d[pos++] = char(u);
                continue;
            }
            if (u == u'\r') {
                if (i + 1 < n && src[i + 1] == u'\n') {
                    appendPiece(d, pos, "<br>", 4, n - i);
                    ++i;
                } else {
                    d[pos++] = '\r';
                }
                continue;
            }
            const char *entity = u == u'<' ? "&lt;"
                : u == u'>'                ? "&gt;"
                : u == u'&'                ? "&amp;"
                                           : "&quot;";
            appendPiece(d, pos, entity, qsizetype(std::strlen(entity)), n - i);
            continue;
        }
        const qint16 b = table[u];
        if (b >= 0) {
            d[pos++] = char(b);
            continue;
        }
        char32_t code = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(src[i + 1])) {
            code = QChar::surrogateToUcs4(u, src[i + 1]);
            ++i;
        }
        const QByteArray reference = "&#" + QByteArray::number(uint(code)) + ';';
        appendPiece(d, pos, reference.constData(), reference.size(), n - i);
    }
    m_pos = pos;
    return *this;
}

HtmlBytes &HtmlBytes::ansiFieldWithBreaks(QByteArrayView ansi)
{
    const auto &pieces = bytePieces();
    const char *src = ansi.data();
    const qsizetype n = ansi.size();
    reserve(n);
    char *d = m_data;
    qsizetype pos = m_pos;
    qsizetype i = 0;
    while (i < n) {
#ifdef __SSE2__
        // Sixteen bytes at a time up to one that markup, a line break or
        // the upper half of the code page makes worth a second look.
        while (i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
            const __m128i marked
                = _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('<')),
                                                _mm_cmpeq_epi8(v, _mm_set1_epi8('>'))),
                                   _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')),
                                       _mm_cmpeq_epi8(v, _mm_set1_epi8('"')))),
                    _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
            const unsigned mask
                = unsigned(_mm_movemask_epi8(marked)) | unsigned(_mm_movemask_epi8(v));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + pos), v);
            if (mask != 0) {
                const int before = qCountTrailingZeroBits(mask);
                pos += before;
                i += before;
                break;
            }
            pos += 16;
            i += 16;
        }
        if (i >= n)
            break;
#endif
        const uchar b = uchar(src[i]);
        if (b == '\r') {
            if (i + 1 < n && src[i + 1] == '\n') {
                appendPiece(d, pos, "<br>", 4, n - i);
                i += 2;
            } else {
                d[pos++] = '\r';
                ++i;
            }
            continue;
        }
        const BytePiece &piece = pieces[b];
        if (piece.same)
            d[pos++] = char(b);
        else
            appendPiece(d, pos, piece.text, piece.size, n - i);
        ++i;
    }
    m_pos = pos;
    return *this;
}
