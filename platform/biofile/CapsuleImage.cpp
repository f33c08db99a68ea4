#include "CapsuleImage.h"

#include "FirmwareId.h"

#include <algorithm>

namespace biofile {

ModulePayload::ModulePayload(std::shared_ptr<const std::vector<uint8_t>> buffer, size_t offset, size_t size)
    : m_buffer(std::move(buffer)), m_offset(offset), m_size(size)
{
}

ModulePayload::ModulePayload(std::vector<uint8_t> bytes)
    : m_buffer(std::make_shared<const std::vector<uint8_t>>(std::move(bytes))), m_size(m_buffer->size())
{
}

std::span<const uint8_t> ModulePayload::Bytes() const
{
    if (!m_buffer) {
        return {};
    }
    return std::span<const uint8_t>(*m_buffer).subspan(m_offset, m_size);
}

uint64_t Module::StoredSize() const
{
    return logo ? uint64_t{kLogoHeaderSize} + logo->picture.size() : payload.Size();
}

Module MakeFirmwareModule(std::vector<uint8_t> body)
{
    Module module;
    module.type = kModuleTypeFirmware;
    module.payload = ModulePayload(std::move(body));
    return module;
}

Module MakeLogoModule(const LogoContent& content, bool offersLogoModule2)
{
    Module module;
    module.type = kModuleTypeLogo;
    module.flags = kModuleFlagSplash | (offersLogoModule2 ? kModuleFlagLogoModule2 : 0);
    module.logo = content;
    return module;
}

uint64_t UsedSize(const CapsuleImage& image)
{
    uint64_t used = 0;
    for (const Module& module : image.modules) {
        used += module.StoredSize();
    }
    return used;
}

int64_t SizeRemaining(const CapsuleImage& image)
{
    return static_cast<int64_t>(image.flashAreaSize) - static_cast<int64_t>(UsedSize(image));
}

uint64_t ImageSize(const CapsuleImage& image)
{
    return uint64_t{kCapsuleHeaderSize} + kBodyHeaderSize + uint64_t{kModuleEntrySize} * image.modules.size() +
           UsedSize(image);
}

uint64_t ModuleOffset(const CapsuleImage& image, size_t index)
{
    uint64_t offset = uint64_t{kCapsuleHeaderSize} + kBodyHeaderSize + uint64_t{kModuleEntrySize} * image.modules.size();
    for (size_t i = 0; i < index && i < image.modules.size(); ++i) {
        offset += image.modules[i].StoredSize();
    }
    return offset;
}

std::optional<size_t> FindSplashModule(const CapsuleImage& image)
{
    for (size_t i = 0; i < image.modules.size(); ++i) {
        if (image.modules[i].IsSplashLogo()) {
            return i;
        }
    }
    return std::nullopt;
}

namespace {

BioStatus ValidateModule(const Module& module)
{
    if ((module.flags & ~kKnownModuleFlags) != 0) {
        return BioStatus::BadModuleFlags;
    }
    const bool splash = (module.flags & kModuleFlagSplash) != 0;
    if (splash != module.logo.has_value() || (splash && module.type != kModuleTypeLogo) ||
        (module.OffersLogoModule2() && !splash)) {
        return BioStatus::BadModuleFlags;
    }
    return module.logo ? ValidateLogo(*module.logo) : BioStatus::Ok;
}

} // namespace

BioStatus ValidateImage(const CapsuleImage& image)
{
    if (!IsValidFirmwareId(image.firmwareId)) {
        return BioStatus::BadFirmwareId;
    }
    if (image.flashAreaSize == 0 || image.flashAreaSize > kMaxFlashAreaSize) {
        return BioStatus::BadFlashAreaSize;
    }
    if (image.modules.empty() || image.modules.size() > kMaxModules) {
        return BioStatus::BadModuleCount;
    }
    const auto isFirmware = [](const Module& m) { return m.type == kModuleTypeFirmware; };
    if (std::count_if(image.modules.begin(), image.modules.end(), isFirmware) != 1) {
        return BioStatus::FirmwareModuleCount;
    }
    const auto isSplash = [](const Module& m) { return m.IsSplashLogo(); };
    if (std::count_if(image.modules.begin(), image.modules.end(), isSplash) > 1) {
        return BioStatus::SplashModuleCount;
    }
    for (const Module& module : image.modules) {
        const BioStatus status = ValidateModule(module);
        if (status != BioStatus::Ok) {
            return status;
        }
    }
    return ImageSize(image) > kMaxImageSize ? BioStatus::TooLarge : BioStatus::Ok;
}

BioStatus ValidateBadge(const LogoContent& logo, const BadgeSettings& badge)
{
    // The badge is drawn inside the largest picture the firmware shows.
    const bool inside = badge.x >= 0 && badge.y >= 0 && static_cast<uint32_t>(badge.x) < logo.maxWidth &&
                        static_cast<uint32_t>(badge.y) < logo.maxHeight;
    const bool color = badge.color == kBadgeBlack || badge.color == kBadgeWhite;
    return inside && color ? BioStatus::Ok : BioStatus::BadBadge;
}

BioStatus ValidateLogo(const LogoContent& logo)
{
    if (logo.maxWidth == 0 || logo.maxHeight == 0 || logo.maxWidth > kMaxResolution ||
        logo.maxHeight > kMaxResolution) {
        return BioStatus::BadResolution;
    }
    const BioStatus badge = ValidateBadge(logo, logo.badge);
    if (badge != BioStatus::Ok || logo.picture.empty()) {
        return badge;
    }
    BitmapInfo info;
    return CheckPicture(logo, logo.picture, info);
}

BioStatus CheckPicture(const LogoContent& logo, std::span<const uint8_t> picture, BitmapInfo& info)
{
    if (InspectBitmap(picture, info) != BitmapStatus::Ok) {
        return BioStatus::BadPicture;
    }
    if (info.width > logo.maxWidth || info.height > logo.maxHeight) {
        return BioStatus::PictureTooLarge;
    }
    return BioStatus::Ok;
}

} // namespace biofile
