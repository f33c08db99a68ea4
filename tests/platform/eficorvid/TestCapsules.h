// Capsules for the tests: real .BIO images made by the format library, and bare UEFI
// capsules whose header fields a test chooses.
#pragma once

#include "BioTestImages.h"
#include "StoreImage.h"

#include <cstdint>
#include <string>
#include <vector>

// A firmware image without a logo module.
inline std::vector<uint8_t> MakeBio(const std::string& firmwareId, size_t bodySize = 4096)
{
    biofile::CapsuleImage image = biotest::MakeImage(bodySize, false);
    image.firmwareId = firmwareId;
    image.flashAreaSize = static_cast<uint32_t>(bodySize * 2);
    return biotest::Serialize(image);
}

// A UEFI capsule of `size` bytes with an arbitrary GUID and body.
inline std::vector<uint8_t> MakeBareCapsule(uint32_t size, uint32_t headerSize = 28, uint32_t flags = 0x00050000)
{
    std::vector<uint8_t> bytes(size, 0x5A);
    biotest::PutU32(bytes, biotest::kHeaderSizeField, headerSize);
    biotest::PutU32(bytes, 20, flags);
    biotest::PutU32(bytes, biotest::kImageSizeField, size);
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
