// The XML packet reader on untrusted bytes.

#include "PacketRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PacketData packet;
    if (FuzzCheck::readBothWays(
            QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), true, &packet))
        FuzzCheck::roundTrips(packet);
    return 0;
}
