// The parsed .BIO image: capsule flags, firmware ID, flash area size and the modules. The
// firmware body is kept as a view into the loaded bytes (shared, never copied again); the
// logo module is decoded into its settings and picture so that it can be edited.
#pragma once

#include "BioFormat.h"
#include "BitmapInfo.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace biofile {

// Bytes of a module that the engine does not interpret.
class ModulePayload {
public:
    ModulePayload() = default;
    ModulePayload(std::shared_ptr<const std::vector<uint8_t>> buffer, size_t offset, size_t size);
    explicit ModulePayload(std::vector<uint8_t> bytes);

    std::span<const uint8_t> Bytes() const;
    size_t Size() const { return m_size; }

private:
    std::shared_ptr<const std::vector<uint8_t>> m_buffer;
    size_t m_offset = 0;
    size_t m_size = 0;
};

struct BadgeSettings {
    int32_t x = 0;
    int32_t y = 0;
    bool shown = false;
    uint32_t color = kBadgeBlack;
};

struct LogoContent {
    BadgeSettings badge;
    uint32_t maxWidth = 1024;
    uint32_t maxHeight = 768;
    std::vector<uint8_t> picture; // a whole .BMP file, empty when there is no splash
};

struct Module {
    uint32_t type = kModuleTypeFirmware;
    uint32_t flags = 0;
    ModulePayload payload;          // every module but the splash logo module
    std::optional<LogoContent> logo; // the splash logo module

    bool IsSplashLogo() const { return logo.has_value(); }
    bool OffersLogoModule2() const { return (flags & kModuleFlagLogoModule2) != 0; }
    // Bytes that the module takes in the image and in the flash area.
    uint64_t StoredSize() const;
};

struct CapsuleImage {
    uint32_t capsuleFlags = kDefaultCapsuleFlags;
    uint32_t flashAreaSize = 0;
    std::string firmwareId;
    std::vector<Module> modules;
};

Module MakeFirmwareModule(std::vector<uint8_t> body);
Module MakeLogoModule(const LogoContent& content, bool offersLogoModule2);

// Sum of the modules' stored sizes.
uint64_t UsedSize(const CapsuleImage& image);
// Flash area minus the used size; negative when the image does not fit.
int64_t SizeRemaining(const CapsuleImage& image);
// Bytes of the image as it would be written now.
uint64_t ImageSize(const CapsuleImage& image);
// Where module `index` starts in the image as it would be written now.
uint64_t ModuleOffset(const CapsuleImage& image, size_t index);
// Index of the splash logo module, or none.
std::optional<size_t> FindSplashModule(const CapsuleImage& image);

// Checks the rules that every image obeys (firmware ID, module counts and flags, logo
// settings, picture), whether parsed or built.
BioStatus ValidateImage(const CapsuleImage& image);
BioStatus ValidateLogo(const LogoContent& logo);
BioStatus ValidateBadge(const LogoContent& logo, const BadgeSettings& badge);

// The picture as a logo module would hold it: a valid bitmap within the module's maximum
// resolution. `info` receives its size when it is a bitmap.
BioStatus CheckPicture(const LogoContent& logo, std::span<const uint8_t> picture, BitmapInfo& info);

} // namespace biofile
