#pragma once

#include "FieldDef.h"

#include <QString>
#include <QStringList>

#include <memory>

// Reads a known list of review files ahead, on a thread of its own, while
// the caller takes over the ones before: a load of many files then costs
// about the longer of reading and taking over instead of both. At most
// `ahead` packets, and files of 64 MB together (or one bigger file), wait
// read; none is read twice.
//
// The caller asks for the files in the order of the list and may leave
// some out; a path that is not ahead in the list is read at once in the
// calling thread. Either way the answer is that of DataPacket::loadFromFile
// for the file. Destroying the object stops the reading (after the file
// being read) and drops what was read ahead.
class PacketReadAhead
{
public:
    explicit PacketReadAhead(QStringList paths, int ahead = 64);
    ~PacketReadAhead();
    PacketReadAhead(const PacketReadAhead &) = delete;
    PacketReadAhead &operator=(const PacketReadAhead &) = delete;

    bool load(const QString &path, PacketData &out, QString *error = nullptr);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
