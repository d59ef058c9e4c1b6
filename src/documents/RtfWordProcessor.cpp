#include "RtfWordProcessor.h"

#include "util/Codec1252.h"
#include "util/SafeWrite.h"

namespace {

// Appends text in RTF: Windows-1252 bytes where they exist (above 127 as
// \'hh), every other character as \uN with "?" for readers without Unicode.
void appendEscaped(QByteArray &out, QStringView text, bool paragraphs)
{
    static const char hex[] = "0123456789abcdef";
    out.reserve(out.size() + text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x80 && c != u'\\' && c != u'{' && c != u'}') {
            // Most text is plain ASCII: copy a whole run at once.
            qsizetype end = i + 1;
            while (end < text.size()) {
                const char16_t d = text[end].unicode();
                if (d < 0x20 || d >= 0x80 || d == u'\\' || d == u'{' || d == u'}')
                    break;
                ++end;
            }
            const qsizetype at = out.size();
            out.resize(at + (end - i));
            char *dst = out.data() + at;
            for (qsizetype k = i; k < end; ++k)
                *dst++ = char(text[k].unicode());
            i = end - 1;
        } else if (c == u'\r' || c == u'\n') {
            if (!paragraphs)
                continue;
            // CR LF is one break, as is a CR or an LF alone.
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += "\\par\r\n";
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            // Other control characters have no place in a document.
        } else if (c >= 0xA0 && c <= 0xFF) {
            // Windows-1252 holds Latin-1's upper half at the same codes.
            out += "\\'";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (Codec1252::canEncode(QChar(c))) {
            const QByteArray b = Codec1252::encode(text.mid(i, 1));
            const uchar u = uchar(b.at(0));
            out += "\\'";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += "\\u";
            out += QByteArray::number(qint16(c));
            out += '?';
        }
    }
}

} // namespace

bool RtfWordProcessor::Start()
{
    *this = RtfWordProcessor();
    m_started = true;
    return true;
}

bool RtfWordProcessor::needsDocument()
{
    if (!m_started) {
        m_error = QStringLiteral("Das Textprogramm ist nicht gestartet.");
        return false;
    }
    if (!m_hasDocument) {
        m_error = QStringLiteral("Es ist kein Dokument geöffnet.");
        return false;
    }
    return true;
}

bool RtfWordProcessor::FileNew(const QString &)
{
    if (!m_started) {
        m_error = QStringLiteral("Das Textprogramm ist nicht gestartet.");
        return false;
    }
    m_hasDocument = true;
    m_fonts.clear();
    m_font = -1;
    m_halfPoints = 24;
    m_formatPending = true;
    m_body.clear();
    return true;
}

bool RtfWordProcessor::Font(const QString &name)
{
    if (!needsDocument())
        return false;
    int index = m_fonts.indexOf(name);
    if (index < 0) {
        m_fonts.append(name);
        index = int(m_fonts.size()) - 1;
    }
    m_font = index;
    m_formatPending = true;
    return true;
}

bool RtfWordProcessor::FontSize(int points)
{
    if (!needsDocument())
        return false;
    if (points < 1 || points > 1638) {
        m_error = QStringLiteral("Die Schriftgrösse %1 ist ungültig.").arg(points);
        return false;
    }
    m_halfPoints = points * 2;
    m_formatPending = true;
    return true;
}

bool RtfWordProcessor::Insert(const QString &text)
{
    if (!needsDocument())
        return false;
    if (m_formatPending) {
        m_body += "\\plain";
        if (m_font >= 0)
            m_body += "\\f" + QByteArray::number(m_font);
        m_body += "\\fs" + QByteArray::number(m_halfPoints) + ' ';
        m_formatPending = false;
    }
    appendEscaped(m_body, text, true);
    return true;
}

QByteArray RtfWordProcessor::documentBytes() const
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
    const QStringList fonts
        = m_fonts.isEmpty() ? QStringList { QStringLiteral("Times New Roman") } : m_fonts;
    for (int i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        appendEscaped(out, fonts[i], false);
        out += ";}";
    }
    out += "}\r\n\\viewkind4\\pard\\plain\\fs" + QByteArray::number(m_halfPoints) + "\r\n";
    out += m_body;
    out += "}\r\n";
    return out;
}

bool RtfWordProcessor::FileSaveAs(const QString &path)
{
    if (!needsDocument())
        return false;
    QString error;
    if (!WriteFileSafely(path, documentBytes(), &error)) {
        m_error
            = QStringLiteral("Das Dokument %1 kann nicht gespeichert werden: %2").arg(path, error);
        return false;
    }
    return true;
}

void RtfWordProcessor::FileQuit() { *this = RtfWordProcessor(); }
