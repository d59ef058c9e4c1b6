#include "TableFile.h"

#include "DataPacket.h"
#include "DataSet.h"

bool SaveToFile(const DataSet &table, const QString &path, QString *error)
{
    PacketData packet;
    packet.fields = table.fields();
    packet.rows = table.rows();
    return DataPacket::saveToFile(path, packet, error);
}

bool LoadFromFile(DataSet &table, const QString &path, QString *error)
{
    PacketData packet;
    if (!DataPacket::loadFromFile(path, packet, error)) {
        table.setData({}, {});
        return false;
    }
    table.setRows(packet.fields, std::move(packet.rows));
    return true;
}
