#include "IniChecksum.h"

uint16_t IniChecksum(const uint8_t* bytes, size_t count)
{
    uint16_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        sum = static_cast<uint16_t>(sum + (bytes[i] ^ static_cast<uint8_t>(i & 0xFF)));
    }
    return static_cast<uint16_t>(0x10000u - sum);
}

bool IniChecksumMatches(long written, uint16_t computed)
{
    return static_cast<uint16_t>(static_cast<unsigned long>(written) & 0xFFFFu) == computed;
}
