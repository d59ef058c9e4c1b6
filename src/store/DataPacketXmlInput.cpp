#include "DataPacketXmlInput.h"

#include "util/Codec1252.h"

#include <QStringDecoder>

#include <array>
#include <cstring>

namespace DataPacket::Internal {

namespace {

// Windows-1252 bytes as UTF-8.
QByteArray ansiToUtf8(QByteArrayView in)
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t {};
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString text = Codec1252::decode(all);
        for (int b = 0; b < 256; ++b)
            t[b] = text.at(b).unicode();
        return t;
    }();
    const auto *bytes = reinterpret_cast<const uchar *>(in.data());
    qsizetype extra = 0;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (bytes[i] >= 0x80)
            extra += table[bytes[i]] < 0x800 ? 1 : 2;
    }
    QByteArray out(in.size() + extra, Qt::Uninitialized);
    char *o = out.data();
    for (qsizetype i = 0; i < in.size(); ++i) {
        const uchar b = bytes[i];
        if (b < 0x80) {
            *o++ = char(b);
            continue;
        }
        const char16_t u = table[b];
        if (u < 0x800) {
            *o++ = char(0xC0 | (u >> 6));
            *o++ = char(0x80 | (u & 0x3F));
        } else {
            *o++ = char(0xE0 | (u >> 12));
            *o++ = char(0x80 | ((u >> 6) & 0x3F));
            *o++ = char(0x80 | (u & 0x3F));
        }
    }
    out.resize(o - out.constData());
    return out;
}

bool hasHighBytes(QByteArrayView in)
{
    unsigned high = 0;
    const auto *bytes = reinterpret_cast<const uchar *>(in.data());
    for (qsizetype i = 0; i < in.size(); ++i)
        high |= bytes[i];
    return high >= 0x80;
}

// Where the encoding pseudo-attribute of the declaration at the start of
// `head` is ([from, to)); false when there is none.
bool declaredEncoding(QByteArrayView head, qsizetype *from, qsizetype *to, QByteArray *name)
{
    if (!head.startsWith("<?xml"))
        return false;
    const qsizetype declEnd = head.first(qMin<qsizetype>(head.size(), 1024)).indexOf("?>");
    if (declEnd < 0)
        return false;
    const QByteArrayView decl = head.first(declEnd);
    const qsizetype e = decl.indexOf("encoding");
    if (e < 0)
        return false;
    qsizetype q = e + 8;
    while (q < decl.size() && (decl[q] == ' ' || decl[q] == '='))
        ++q;
    if (q >= decl.size() || (decl[q] != '"' && decl[q] != '\''))
        return false;
    const qsizetype close = decl.indexOf(decl[q], q + 1);
    if (close < 0)
        return false;
    *from = e;
    *to = close + 1;
    *name = decl.sliced(q + 1, close - q - 1).toByteArray().toLower();
    return true;
}

// Brings an XML packet into the one form the XML reader is given: UTF-8
// without byte-order mark and without an encoding in the declaration. The
// input is UTF-16 or UTF-8 by byte-order mark or declaration, otherwise in
// the ANSI code page, which is what a declaration without an encoding means
// in these files. Broken UTF-8 or UTF-16 is refused, not mended.
class XmlNormaliser
{
public:
    // Converts the next piece of the input; false when it cannot be read.
    bool convert(QByteArrayView in, QByteArray *out)
    {
        if (m_mode == Mode::Unknown && !start(in))
            return false;
        in = in.sliced(qMin(m_skip, in.size()));
        m_skip = 0;
        switch (m_mode) {
        case Mode::Utf8:
            // Checked only; the reader gets the bytes as they are.
            m_decoder(in);
            *out = in.toByteArray();
            break;
        case Mode::Utf16:
            *out = QString(m_decoder(in)).toUtf8();
            break;
        case Mode::Ansi:
            *out = hasHighBytes(in) ? ansiToUtf8(in) : in.toByteArray();
            break;
        case Mode::Unknown:
            break;
        }
        if (m_decoder.isValid() && m_decoder.hasError()) {
            m_error = m_mode == Mode::Utf8
                ? QStringLiteral("Der Text ist nicht gültig in UTF-8 kodiert.")
                : QStringLiteral("Der Text ist nicht gültig in UTF-16 kodiert.");
            return false;
        }
        if (!m_declarationDone) {
            m_declarationDone = true;
            qsizetype from = -1, to = -1;
            QByteArray name;
            if (declaredEncoding(*out, &from, &to, &name))
                out->remove(from, to - from);
        }
        return true;
    }
    const QString &error() const { return m_error; }

private:
    enum class Mode { Unknown, Utf8, Utf16, Ansi };

    bool start(QByteArrayView head)
    {
        const auto byte = [&](qsizetype i) { return i < head.size() ? uchar(head[i]) : 0; };
        if (byte(0) == 0xFF && byte(1) == 0xFE) {
            m_mode = Mode::Utf16;
            m_decoder = QStringDecoder(QStringDecoder::Utf16LE);
            m_skip = 2;
        } else if (byte(0) == 0xFE && byte(1) == 0xFF) {
            m_mode = Mode::Utf16;
            m_decoder = QStringDecoder(QStringDecoder::Utf16BE);
            m_skip = 2;
        } else if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
            m_mode = Mode::Utf8;
            m_decoder = QStringDecoder(QStringDecoder::Utf8);
            m_skip = 3;
        } else {
            qsizetype from = -1, to = -1;
            QByteArray name;
            m_mode = Mode::Ansi;
            if (declaredEncoding(head, &from, &to, &name)) {
                if (name == "utf-8" || name == "utf8") {
                    m_mode = Mode::Utf8;
                    m_decoder = QStringDecoder(QStringDecoder::Utf8);
                } else if (name.startsWith("utf-16") || name.startsWith("utf-32")) {
                    m_error = QStringLiteral("Die Kodierung %1 ist angegeben, aber die Datei "
                                             "beginnt nicht mit ihrer Bytefolge-Marke.")
                                  .arg(QString::fromLatin1(name));
                    return false;
                }
            }
        }
        return true;
    }

    Mode m_mode = Mode::Unknown;
    qsizetype m_skip = 0;
    bool m_declarationDone = false;
    QStringDecoder m_decoder;
    QString m_error;
};

// Looks at the UTF-8 bytes before the XML reader does and refuses what would
// cost it more than linear time or what a packet never holds: an element with
// far more attributes than the packet has columns, more attribute work than
// the input's size allows, elements nested deeper than any packet, namespace
// declarations, and document type declarations (whose entities could bring in
// markup this does not see).
class MarkupGuard
{
public:
    explicit MarkupGuard(qint64 inputSize)
        : m_workLeft(attributeWorkAllowed(inputSize))
    { }

    bool scan(QByteArrayView bytes)
    {
        for (const char ch : bytes) {
            const uchar c = uchar(ch);
            switch (m_state) {
            case State::Text:
                if (c == '<')
                    m_state = State::Open;
                break;
            case State::Open:
                if (c == '!') {
                    m_state = State::Bang;
                    m_bang.clear();
                } else if (c == '?') {
                    m_state = State::Instruction;
                } else if (c == '/') {
                    m_state = State::EndTag;
                } else {
                    m_state = State::Tag;
                    m_count = 0;
                    m_name.clear();
                    m_inName = true;
                    m_inAttrName = false;
                    if (!tagByte(c))
                        return false;
                }
                break;
            case State::Bang:
                m_bang.append(char(c));
                if (m_bang == "--") {
                    m_state = State::Comment;
                } else if (m_bang == "[CDATA[") {
                    m_state = State::CData;
                } else if (!QByteArrayView("--").startsWith(m_bang)
                    && !QByteArrayView("[CDATA[").startsWith(m_bang)) {
                    return refuse(QStringLiteral("Das XML enthält eine Dokumenttyp- oder "
                                                 "andere Deklaration (<!…>), die in einem "
                                                 "Datenpaket nicht vorkommt."));
                }
                break;
            case State::Comment:
                if (c == '>' && m_last == '-' && m_beforeLast == '-')
                    m_state = State::Text;
                break;
            case State::Instruction:
                if (c == '>' && m_last == '?')
                    m_state = State::Text;
                break;
            case State::CData:
                if (c == '>' && m_last == ']' && m_beforeLast == ']')
                    m_state = State::Text;
                break;
            case State::EndTag:
                if (c == '>') {
                    m_state = State::Text;
                    --m_depth;
                }
                break;
            case State::Tag:
                if (!tagByte(c))
                    return false;
                break;
            case State::Quoted:
                if (c == m_quote)
                    m_state = State::Tag;
                break;
            }
            m_beforeLast = m_last;
            m_last = c;
        }
        return true;
    }
    const QString &error() const { return m_error; }

private:
    static constexpr int kMaxDepth = 256;
    enum class State { Text, Open, Bang, Comment, Instruction, CData, EndTag, Tag, Quoted };

    static bool isBlank(uchar c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    bool tagByte(uchar c)
    {
        if (m_inName) {
            if (isBlank(c) || c == '/' || c == '>') {
                m_inName = false;
            } else {
                if (m_name.size() < 8)
                    m_name.append(char(c));
                return true;
            }
        }
        if (c == '"' || c == '\'') {
            m_quote = c;
            m_state = State::Quoted;
            m_inAttrName = false;
        } else if (c == '=') {
            m_inAttrName = false;
            ++m_count;
            m_workLeft -= 2 * m_count - 1;
            if (m_count > m_fields + kSpareAttributes) {
                return refuse(QStringLiteral("Ein Element hat %1 Attribute oder mehr, weit "
                                             "mehr, als das Datenpaket Spalten hat.")
                                  .arg(m_count));
            }
            if (m_workLeft < 0) {
                return refuse(QStringLiteral("Die Elemente haben so viele Attribute, dass das "
                                             "Lesen unangemessen lange dauern würde."));
            }
        } else if (c == '>') {
            m_state = State::Text;
            if (m_last != '/' && ++m_depth > kMaxDepth)
                return refuse(QStringLiteral("Die Elemente sind tiefer verschachtelt, als ein "
                                             "Datenpaket es je ist."));
            if (m_name == "FIELD")
                ++m_fields;
        } else if (isBlank(c)) {
            m_inAttrName = true;
            m_attrName.clear();
        } else if (m_inAttrName && m_attrName.size() < 5) {
            m_attrName.append(char(c));
            if (m_attrName == "xmlns")
                return refuse(QStringLiteral("Das XML deklariert einen Namensraum; ein "
                                             "Datenpaket hat keine."));
        }
        return true;
    }
    bool refuse(const QString &why)
    {
        m_error = why;
        return false;
    }

    State m_state = State::Text;
    QByteArray m_bang;
    QByteArray m_name;
    QByteArray m_attrName;
    bool m_inName = false;
    bool m_inAttrName = false;
    uchar m_quote = 0;
    uchar m_last = 0;
    uchar m_beforeLast = 0;
    qint64 m_count = 0;
    qint64 m_fields = 0;
    qint64 m_workLeft;
    int m_depth = 0;
    QString m_error;
};

} // namespace

bool prepareXmlInput(QByteArrayView bytes, QByteArray *out, QString *error)
{
    XmlNormaliser normaliser;
    if (!normaliser.convert(bytes, out)) {
        *error = normaliser.error();
        return false;
    }
    MarkupGuard guard(bytes.size());
    if (!guard.scan(*out)) {
        *error = guard.error();
        return false;
    }
    return true;
}

struct XmlInputDevice::Filters
{
    explicit Filters(qint64 size)
        : guard(size)
    { }
    XmlNormaliser normaliser;
    MarkupGuard guard;
};

XmlInputDevice::XmlInputDevice(QIODevice *source, qint64 size)
    : m_source(source)
    , m_filters(std::make_unique<Filters>(size))
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

XmlInputDevice::~XmlInputDevice() = default;

qint64 XmlInputDevice::readData(char *data, qint64 maxSize)
{
    if (m_pos == m_pending.size() && !fill())
        return m_failed ? -1 : 0;
    const qint64 n = qMin<qint64>(maxSize, m_pending.size() - m_pos);
    std::memcpy(data, m_pending.constData() + m_pos, size_t(n));
    m_pos += n;
    return n;
}

bool XmlInputDevice::fill()
{
    constexpr qint64 kChunk = 1 << 16;
    if (!m_refusal.isEmpty())
        return false;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    const qint64 got = m_source->read(chunk.data(), kChunk);
    if (got <= 0) {
        m_failed = got < 0;
        return false;
    }
    chunk.resize(got);
    m_pending.clear();
    m_pos = 0;
    if (!m_filters->normaliser.convert(chunk, &m_pending)) {
        m_refusal = m_filters->normaliser.error();
        return false;
    }
    if (!m_filters->guard.scan(m_pending)) {
        m_refusal = m_filters->guard.error();
        m_pending.clear();
        return false;
    }
    return true;
}

} // namespace DataPacket::Internal
