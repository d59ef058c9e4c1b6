#pragma once

// What the packet harnesses check beyond "no crash": a packet that reads is
// written in both forms, and what a writer accepts reads back the same; what
// it refuses, it refuses with a message. Any difference aborts, so that the
// fuzzer keeps the input.

#include "store/DataPacket.h"
#include "store/DataPacketInternal.h"

#include <QBuffer>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace FuzzCheck {

[[noreturn]] inline void fault(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

inline bool sameValue(const QVariant &a, const QVariant &b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    if (a.metaType().id() == QMetaType::Double && b.metaType().id() == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return (std::isnan(x) && std::isnan(y)) || x == y;
    }
    return a == b;
}

// Columns (name, kind, width) and every value, as both forms keep them.
inline void requireSame(const char *what, const PacketData &a, const PacketData &b)
{
    if (a.fields.size() != b.fields.size())
        fault(
            what, QStringLiteral("column count %1 / %2").arg(a.fields.size()).arg(b.fields.size()));
    for (qsizetype i = 0; i < a.fields.size(); ++i) {
        const FieldDef &x = a.fields[i], &y = b.fields[i];
        if (x.name != y.name || x.kind != y.kind || x.width != y.width
            || (x.attributes & 0xF) != (y.attributes & 0xF))
            fault(what, QStringLiteral("column %1 (%2 / %3)").arg(i).arg(x.name, y.name));
    }
    if (a.rows.size() != b.rows.size())
        fault(what, QStringLiteral("row count %1 / %2").arg(a.rows.size()).arg(b.rows.size()));
    for (qsizetype r = 0; r < a.rows.size(); ++r) {
        if (a.rows[r].size() != a.fields.size() || b.rows[r].size() != b.fields.size())
            fault(what, QStringLiteral("row %1 has the wrong number of values").arg(r));
        for (qsizetype c = 0; c < a.fields.size(); ++c) {
            if (!sameValue(a.rows[r][c], b.rows[r][c]))
                fault(what,
                    QStringLiteral("row %1, column %2: %3 / %4")
                        .arg(r)
                        .arg(c)
                        .arg(a.rows[r][c].toString(), b.rows[r][c].toString()));
        }
    }
}

// Reading from memory and reading a file in chunks agree.
inline bool readBothWays(QByteArrayView bytes, bool xml, PacketData *packet)
{
    QString error, deviceError;
    const bool ok = xml ? DataPacket::readXml(bytes, *packet, &error)
                        : DataPacket::readBinary(bytes, *packet, &error);
    QByteArray copy = bytes.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    PacketData viaDevice;
    bool deviceFailed = false;
    const bool okDevice = xml
        ? DataPacket::Internal::readXmlDevice(&buffer, viaDevice, &deviceError, &deviceFailed)
        : DataPacket::Internal::readBinaryDevice(&buffer, viaDevice, &deviceError, &deviceFailed);
    if (ok != okDevice)
        fault("memory and file reading disagree", error + QStringLiteral(" / ") + deviceError);
    if (!ok) {
        if (error.isEmpty())
            fault("refused without a message");
        if (!packet->fields.isEmpty() || !packet->rows.isEmpty())
            fault("a refused packet left something behind");
        return false;
    }
    requireSame("memory and file reading", *packet, viaDevice);
    return true;
}

using Writer = QByteArray (*)(const PacketData &, QString *, qsizetype);
using Reader = bool (*)(QByteArrayView, PacketData &, QString *);

// One form: what the writer accepts reads back the same, and is written the
// same the second time; what it refuses, it refuses with a message.
inline void roundTrip(const PacketData &packet, Writer write, Reader read, const char *form)
{
    QString error;
    const QByteArray bytes = write(packet, &error, 0);
    if (bytes.isEmpty()) {
        if (error.isEmpty())
            fault(form, QStringLiteral("writer refused without a message"));
        return;
    }
    PacketData back;
    if (!read(bytes, back, &error))
        fault(form, QStringLiteral("writer wrote what its reader refuses: ") + error);
    requireSame(form, packet, back);
    if (write(back, nullptr, 0) != bytes)
        fault(form, QStringLiteral("not written the same the second time"));
}

inline void roundTrips(const PacketData &packet)
{
    roundTrip(packet, &DataPacket::writeBinary, &DataPacket::readBinary, "binary form:");
    roundTrip(packet, &DataPacket::writeXml, &DataPacket::readXml, "XML form:");
}

// The whole check of one input for the form given.
inline int checkInput(const uint8_t *data, size_t size, bool xml)
{
    PacketData packet;
    if (readBothWays(
            QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), xml, &packet))
        roundTrips(packet);
    return 0;
}

} // namespace FuzzCheck
