#include "IniFile.h"

#include "util/FileErrors.h"
#include "util/SafeWrite.h"

#include "util/Codec1252.h"

#include <QFile>

#include <limits>
#include <optional>

namespace {

// Blanks and control characters, as the loader trims them.
bool isTrimmed(QChar c) { return c.unicode() <= 0x20; }

QStringView trimmedView(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isTrimmed(s[begin]))
        ++begin;
    while (end > begin && isTrimmed(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Strict on purpose: no blanks, no digit grouping, nothing outside int.
std::optional<int> parseInteger(QStringView s)
{
    constexpr qint64 kMax = std::numeric_limits<int>::max();
    qint64 value = 0;
    if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
        for (QChar c : s.sliced(2)) {
            const int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            value = value * 16 + d;
            if (value > kMax)
                return std::nullopt;
        }
        return int(value);
    }

    bool negative = false;
    if (!s.isEmpty() && (s[0] == u'-' || s[0] == u'+')) {
        negative = s[0] == u'-';
        s = s.sliced(1);
    }
    if (s.isEmpty())
        return std::nullopt;
    const qint64 limit = negative ? kMax + 1 : kMax;
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > limit)
            return std::nullopt;
    }
    return int(negative ? -value : value);
}

bool isControl(QChar c) { return c.unicode() < 0x20; }

// Text that stays on its line and in the file's code page.
bool staysOnItsLine(QStringView text)
{
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n')
            return false;
    }
    return Codec1252::canEncode(text);
}

QString joinLine(QStringView key, QStringView value)
{
    QString line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append(u'=').append(value);
    return line;
}

} // namespace

IniFile::IniFile(const QString &fileName)
    : m_fileName(fileName)
{
    load();
}

void IniFile::load()
{
    QFile file(m_fileName);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_readFailed = true;
        m_errorString = FileErrorText(file.errorString());
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_readFailed = true;
        m_errorString = FileErrorText(file.errorString());
        return;
    }
    readFromBytes(bytes);
}

void IniFile::readFromBytes(QByteArrayView bytes)
{
    m_sections.clear();
    const QString text = Codec1252::decode(bytes);
    const QStringView all(text);

    // CR, LF or both end a line; the empty lines that splitting at every one
    // of them leaves are skipped like any other empty line.
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = start;
        while (end < all.size() && all[end] != u'\r' && all[end] != u'\n')
            ++end;
        const QStringView line = trimmedView(all.sliced(start, end - start));
        start = end + 1;

        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            m_sections.append({ trimmedView(line.sliced(1, line.size() - 2)).toString(), {} });
            continue;
        }
        if (m_sections.isEmpty())
            continue;

        Section &section = m_sections.last();
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            section.lines.append({ line.toString(), -1 });
            continue;
        }
        const QStringView key = trimmedView(line.first(eq));
        const QStringView value = trimmedView(line.sliced(eq + 1));
        section.lines.append({ joinLine(key, value), key.size() });
    }
}

qsizetype IniFile::findSection(const QString &name) const
{
    for (qsizetype i = m_sections.size() - 1; i >= 0; --i) {
        if (m_sections[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype IniFile::findLine(const Section &section, const QString &key)
{
    for (qsizetype i = section.lines.size() - 1; i >= 0; --i) {
        const Line &line = section.lines[i];
        if (line.separator >= 0
            && QStringView(line.text).first(line.separator).compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

const IniFile::Line *IniFile::findValue(const QString &section, const QString &key) const
{
    const qsizetype s = findSection(section);
    if (s < 0)
        return nullptr;
    const qsizetype l = findLine(m_sections[s], key);
    return l < 0 ? nullptr : &m_sections[s].lines[l];
}

QString IniFile::readString(
    const QString &section, const QString &key, const QString &defaultValue) const
{
    const Line *line = findValue(section, key);
    return line ? line->text.mid(line->separator + 1) : defaultValue;
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const Line *line = findValue(section, key);
    if (!line)
        return defaultValue;
    return parseInteger(QStringView(line->text).sliced(line->separator + 1)).value_or(defaultValue);
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::isWritableSection(QStringView section)
{
    return staysOnItsLine(section) && trimmedView(section).size() == section.size();
}

bool IniFile::isWritable(QStringView key, QStringView value)
{
    if (!staysOnItsLine(key) || !staysOnItsLine(value) || key.contains(u'='))
        return false;
    // The reader trims the key, and the value of control characters.
    if (trimmedView(key).size() != key.size())
        return false;
    if (!value.isEmpty() && (isControl(value.front()) || isControl(value.back())))
        return false;
    // Nor may the line read as a comment or as a section name.
    if (key.startsWith(u';'))
        return false;
    const QStringView end = trimmedView(value);
    return !(key.startsWith(u'[') && !end.isEmpty() && end.back() == u']');
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    if (!isWritableSection(section) || !isWritable(key, value))
        return false;
    qsizetype s = findSection(section);
    if (s < 0) {
        m_sections.append({ section, {} });
        s = m_sections.size() - 1;
    }
    Section &target = m_sections[s];
    Line line { joinLine(key, value), key.size() };
    const qsizetype l = findLine(target, key);
    if (l >= 0)
        target.lines[l] = std::move(line);
    else
        target.lines.append(std::move(line));
    return true;
}

bool IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::sectionExists(const QString &section) const { return findSection(section) >= 0; }

bool IniFile::valueExists(const QString &section, const QString &key) const
{
    return findValue(section, key) != nullptr;
}

QStringList IniFile::readSectionValues(const QString &section) const
{
    QStringList out;
    const qsizetype s = findSection(section);
    if (s < 0)
        return out;
    out.reserve(m_sections[s].lines.size());
    for (const Line &line : m_sections[s].lines)
        out.append(line.text);
    return out;
}

QStringList IniFile::readSectionKeys(const QString &section) const
{
    QStringList out;
    const qsizetype s = findSection(section);
    if (s < 0)
        return out;
    for (const Line &line : m_sections[s].lines) {
        if (line.separator >= 0)
            out.append(line.text.left(line.separator));
    }
    return out;
}

QStringList IniFile::sectionNames() const
{
    QStringList out;
    out.reserve(m_sections.size());
    for (const Section &section : m_sections)
        out.append(section.name);
    return out;
}

void IniFile::eraseSection(const QString &section)
{
    m_sections.removeIf(
        [&section](const Section &s) { return s.name.compare(section, Qt::CaseInsensitive) == 0; });
}

void IniFile::clear() { m_sections.clear(); }

QByteArray IniFile::toBytes() const
{
    const QLatin1String lineEnd("\r\n");
    QString text;
    for (const Section &section : m_sections) {
        text.append(u'[').append(section.name).append(u']').append(lineEnd);
        for (const Line &line : section.lines)
            text.append(line.text).append(lineEnd);
        text.append(lineEnd);
    }
    return Codec1252::encode(text);
}

bool IniFile::UpdateFile()
{
    // A file that could not be read is not replaced with what little this
    // copy holds.
    if (m_readFailed) {
        m_errorString
            = QStringLiteral("Die Datei konnte nicht gelesen werden und bleibt, wie sie ist.");
        return false;
    }
    const QByteArray bytes = toBytes();

    QString why;
    if (!WriteFileSafely(m_fileName, bytes, &why)) {
        m_errorString = why;
        return false;
    }
    m_errorString.clear();
    return true;
}
