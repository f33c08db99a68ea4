// GUID, a variable's vendor. On Windows it is the system's type; the native build of the
// store format gets the same layout here.
#pragma once

#ifdef _WIN32

#include <guiddef.h>

#else

#include <cstdint>

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

#endif
