#include "TableFile.h"

#include "DataPacket.h"
#include "DataSet.h"
#include "PacketReadAhead.h"

bool SaveToFile(const DataSet &table, const QString &path, QString *error)
{
    PacketData packet;
    packet.fields = table.fields();
    packet.rows = table.rows();
    return DataPacket::saveToFile(path, packet, error);
}

namespace {

bool takeOver(DataSet &table, bool read, PacketData &packet)
{
    if (!read) {
        table.setData({}, {});
        return false;
    }
    table.setRows(packet.fields, std::move(packet.rows));
    return true;
}

} // namespace

bool LoadFromFile(DataSet &table, const QString &path, QString *error)
{
    PacketData packet;
    const bool read = DataPacket::loadFromFile(path, packet, error);
    return takeOver(table, read, packet);
}

bool LoadFromFile(DataSet &table, PacketReadAhead &files, const QString &path, QString *error)
{
    PacketData packet;
    const bool read = files.load(path, packet, error);
    return takeOver(table, read, packet);
}
