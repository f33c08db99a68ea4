// The .BIO firmware image: a UEFI capsule whose body describes the firmware and its
// modules. The byte layout is documented in docs/bio-format.md; these are its constants.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace biofile {

// CapsuleGuid {A7A9CDDB-3E80-491C-AE2C-281EF3D3C12A} in the UEFI byte order.
constexpr std::array<uint8_t, 16> kCapsuleGuid = {0xDB, 0xCD, 0xA9, 0xA7, 0x80, 0x3E, 0x1C, 0x49,
                                                  0xAE, 0x2C, 0x28, 0x1E, 0xF3, 0xD3, 0xC1, 0x2A};

constexpr uint32_t kCapsuleHeaderSize = 28;   // EFI_CAPSULE_HEADER as written
constexpr uint32_t kMaxHeaderSize = 1024;     // a longer header is accepted up to this
constexpr uint32_t kPersistAcrossReset = 0x00010000;
constexpr uint32_t kInitiateReset = 0x00040000;
constexpr uint32_t kDefaultCapsuleFlags = kPersistAcrossReset | kInitiateReset;

constexpr std::array<uint8_t, 4> kBodySignature = {'W', 'V', 'C', 'P'};
constexpr uint16_t kFormatVersion = 1;
constexpr uint32_t kBodyHeaderSize = 48;
constexpr size_t kFirmwareIdField = 32;       // ASCII, zero-padded
constexpr uint16_t kMaxModules = 16;
constexpr uint32_t kModuleEntrySize = 16;

// Every size in the image stays below 2 GB, so the engine's 32-bit signed answers hold it.
constexpr uint32_t kMaxImageSize = 0x7FFFFFFF;
constexpr uint32_t kMaxFlashAreaSize = 0x7FFFFFFF;

// The most bytes before the first payload: the header, body header and a full module table.
constexpr size_t kMaxLayoutBytes = kMaxHeaderSize + kBodyHeaderSize + size_t{kMaxModules} * kModuleEntrySize;

constexpr uint32_t kModuleTypeLogo = 0;
constexpr uint32_t kModuleTypeFirmware = 1;
constexpr uint32_t kModuleFlagSplash = 0x1;      // type 0 only: carries the splash picture
constexpr uint32_t kModuleFlagLogoModule2 = 0x2; // requires kModuleFlagSplash
constexpr uint32_t kKnownModuleFlags = kModuleFlagSplash | kModuleFlagLogoModule2;

constexpr std::array<uint8_t, 4> kLogoSignature = {'L', 'O', 'G', 'O'};
constexpr uint32_t kLogoHeaderSize = 32;
constexpr uint32_t kMaxResolution = 32768;
constexpr uint32_t kBadgeBlack = 0;
constexpr uint32_t kBadgeWhite = 1;

enum class BioStatus {
    Ok,
    Truncated,
    NotEngineCapsule,
    BadHeaderSize,
    SizeMismatch,
    TooLarge,
    BadBodySignature,
    BadFormatVersion,
    BadModuleCount,
    BadFirmwareId,
    BadFlashAreaSize,
    BadReservedField,
    ModuleOutOfBounds,
    ModulesOverlap,
    BadModuleFlags,
    FirmwareModuleCount,
    SplashModuleCount,
    BadLogoModule,
    BadResolution,
    BadBadge,
    BadPicture,
    PictureTooLarge,
    WriteFailed,
};

// One English sentence for messages and error information.
const char* DescribeStatus(BioStatus status);

} // namespace biofile
