#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The in-memory copy of an INI file. Reads and writes only touch memory;
// UpdateFile() replaces the file on disk as a whole. The file holds
// Windows-1252 text; section and key names match without regard to case.
//
// A section name may occur more than once and a key more than once in a
// section: reads and writes then go to the last occurrence, and every
// occurrence is written back.
class IniFile
{
public:
    // Reads the file when it exists; otherwise the copy starts empty.
    explicit IniFile(const QString &fileName);

    QString fileName() const { return m_fileName; }

    // Replaces the copy with the settings in `bytes`, read as the file is
    // read; the file itself is not touched.
    void readFromBytes(QByteArrayView bytes);
    // The bytes UpdateFile() writes.
    QByteArray toBytes() const;

    // True when the file exists but could not be read; the copy is empty
    // then, and writing it back would replace the file with that.
    bool readFailed() const { return m_readFailed; }

    QString readString(
        const QString &section, const QString &key, const QString &defaultValue) const;
    // "0x"/"0X" followed by hex digits, or a signed decimal number; anything
    // else, also an empty value, gives the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // Read as an integer; any non-zero number is true.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    // Writes only what reads back as written: false, and nothing changes,
    // when the section, key or value holds a line break or a character that
    // Windows-1252 cannot hold, when the key holds "=", starts with ";" or
    // starts or ends with a blank or control character, when the value
    // starts or ends with a control character, or when the line would read
    // as a section name. Blanks around a value are the format's own padding
    // (reading drops them) and are written as given.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInteger(const QString &section, const QString &key, int value);
    bool writeBool(const QString &section, const QString &key, bool value);
    // Whether writeString would take the key and value.
    static bool isWritable(QStringView key, QStringView value);
    static bool isWritableSection(QStringView section);

    bool sectionExists(const QString &section) const;
    bool valueExists(const QString &section, const QString &key) const;
    // The section's stored lines in file order: "key=value", and lines
    // without "=" as they stand.
    QStringList readSectionValues(const QString &section) const;
    // The keys of the section's "key=value" lines in file order.
    QStringList readSectionKeys(const QString &section) const;
    // Every section name in memory order, repeated ones as often as they occur.
    QStringList sectionNames() const;

    // Removes every occurrence of the section with all its lines, so that a
    // section written anew afterwards holds exactly what is written.
    void eraseSection(const QString &section);
    void clear();

    // Replaces the file with the copy: per section "[name]", its lines and one
    // empty line, CR LF line ends, Windows-1252. A failed write leaves the
    // previous file as it was; errorString() then tells why.
    bool UpdateFile();
    QString errorString() const { return m_errorString; }

private:
    struct Line
    {
        QString text;
        qsizetype separator = -1; // index of the first "=", -1 for a key-less line
    };
    struct Section
    {
        QString name;
        QList<Line> lines;
    };

    void load();
    qsizetype findSection(const QString &name) const;
    static qsizetype findLine(const Section &section, const QString &key);
    const Line *findValue(const QString &section, const QString &key) const;

    QString m_fileName;
    QList<Section> m_sections;
    QString m_errorString;
    bool m_readFailed = false;
};
