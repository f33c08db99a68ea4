// Capsules for the tests: real .BIO images made by the format library, and bare UEFI
// capsules whose header fields a test chooses.
#pragma once

#include "CapsuleImage.h"
#include "CapsuleWriter.h"
#include "StoreImage.h"

#include <cstdint>
#include <string>
#include <vector>

inline std::vector<uint8_t> MakeBio(const std::string& firmwareId, size_t bodySize = 4096)
{
    biofile::CapsuleImage image;
    image.firmwareId = firmwareId;
    image.flashAreaSize = static_cast<uint32_t>(bodySize * 2);
    std::vector<uint8_t> body(bodySize);
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<uint8_t>(i * 7 + 3);
    image.modules.push_back(biofile::MakeFirmwareModule(std::move(body)));
    std::vector<uint8_t> bytes;
    biofile::SerializeCapsule(image, bytes);
    return bytes;
}

inline void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A UEFI capsule of `size` bytes with an arbitrary GUID and body.
inline std::vector<uint8_t> MakeBareCapsule(uint32_t size, uint32_t headerSize = 28, uint32_t flags = 0x00050000)
{
    std::vector<uint8_t> bytes(size, 0x5A);
    PutU32(bytes, 16, headerSize);
    PutU32(bytes, 20, flags);
    PutU32(bytes, 24, size);
    return bytes;
}

inline constexpr GUID DETECTION_VENDOR = {0x05A798EA, 0x39EE, 0x40FC, {0x82, 0xC5, 0x62, 0x25, 0x82, 0xFA, 0x63, 0x4B}};
inline constexpr GUID ID_VENDOR = {0xEFC071AE, 0x41B8, 0x4018, {0xAF, 0xA7, 0x31, 0x4B, 0x18, 0x5E, 0x57, 0x8B}};
inline constexpr GUID ID_SECOND_VENDOR = {0x5E559C23, 0x1FAA, 0x4AE1, {0x8D, 0x4A, 0xC6, 0xCF, 0x02, 0x6C, 0x76, 0x6F}};

inline std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The detection marker as the server writes it: its own name in 8-bit text and a zero.
inline fwstore::StoredVariable DetectionVariable()
{
    std::vector<uint8_t> data = Bytes("QRVFlashDetectionStatus");
    data.push_back(0);
    return {L"QRVFlashDetectionStatus", DETECTION_VENDOR, 7, data};
}
