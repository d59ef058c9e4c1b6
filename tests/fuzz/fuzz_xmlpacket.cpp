// The XML packet reader on untrusted bytes.

#include "PacketRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return FuzzCheck::checkInput(data, size, true);
}
