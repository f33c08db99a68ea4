// Vendor GUIDs in the firmware's byte layout and in the registry text form
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
#pragma once

#include "Guid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fwstore {

constexpr size_t GUID_BYTES = 16;

// 32-bit, 16-bit, 16-bit little-endian, then 8 bytes as they are.
std::array<uint8_t, GUID_BYTES> GuidToBytes(const GUID& guid);
GUID GuidFromBytes(std::span<const uint8_t, GUID_BYTES> bytes);

// The registry form only: braces, hyphens in place, hex digits of either case.
std::optional<GUID> ParseRegistryGuid(std::wstring_view text);
std::wstring FormatRegistryGuid(const GUID& guid);

inline bool SameGuid(const GUID& a, const GUID& b)
{
    return GuidToBytes(a) == GuidToBytes(b);
}

} // namespace fwstore
