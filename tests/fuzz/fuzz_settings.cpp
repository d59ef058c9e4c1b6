// The settings file reader on untrusted bytes: what it reads is written and
// read back the same.

#include "base/IniFile.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    IniFile first { QString() };
    first.readFromBytes(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray written = first.toBytes();

    IniFile second { QString() };
    second.readFromBytes(written);
    if (second.toBytes() != written)
        fault("written again, the settings file is not the same");
    const QStringList sections = first.sectionNames();
    if (second.sectionNames() != sections)
        fault("the sections differ after writing");
    // Every lookup scans its section, so only the first few are looked up:
    // the comparison of the whole text above covers the rest.
    for (const QString &section : sections.mid(0, 64)) {
        if (second.readSectionValues(section) != first.readSectionValues(section))
            fault("a section's lines differ after writing");
        for (const QString &key : first.readSectionKeys(section).mid(0, 64)) {
            if (second.readString(section, key, QStringLiteral("\x01"))
                != first.readString(section, key, QStringLiteral("\x02")))
                fault("a value differs after writing");
            if (second.readInteger(section, key, -7) != first.readInteger(section, key, -7))
                fault("a number differs after writing");
        }
    }
    return 0;
}
