#include "CapsuleParser.h"

#include "ByteReader.h"

#include <algorithm>
#include <cstring>

namespace biofile {

namespace {

BioStatus ReadCapsuleHeader(ByteReader& reader, uint64_t available, CapsuleLayout& layout)
{
    std::span<const uint8_t> guid;
    if (!reader.ReadBytes(kCapsuleGuid.size(), guid) || !std::equal(guid.begin(), guid.end(), kCapsuleGuid.begin())) {
        return BioStatus::NotEngineCapsule;
    }
    if (!reader.ReadU32(layout.headerSize) || !reader.ReadU32(layout.capsuleFlags) ||
        !reader.ReadU32(layout.imageSize)) {
        return BioStatus::Truncated;
    }
    if (layout.headerSize < kCapsuleHeaderSize || layout.headerSize > kMaxHeaderSize) {
        return BioStatus::BadHeaderSize;
    }
    if (layout.imageSize > kMaxImageSize) {
        return BioStatus::TooLarge;
    }
    if (available != layout.imageSize) {
        return available < layout.imageSize ? BioStatus::Truncated : BioStatus::SizeMismatch;
    }
    if (uint64_t{layout.headerSize} + kBodyHeaderSize > layout.imageSize) {
        return BioStatus::Truncated;
    }
    return reader.Skip(layout.headerSize - kCapsuleHeaderSize) ? BioStatus::Ok : BioStatus::Truncated;
}

BioStatus ReadFirmwareId(std::span<const uint8_t> field, std::string& id)
{
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    if (std::any_of(end, field.end(), [](uint8_t b) { return b != 0; })) {
        return BioStatus::BadFirmwareId; // text after the terminator
    }
    id.assign(field.begin(), end);
    return BioStatus::Ok;
}

BioStatus ReadBodyHeader(ByteReader& reader, CapsuleLayout& layout, uint16_t& moduleCount)
{
    std::span<const uint8_t> signature;
    std::span<const uint8_t> idField;
    uint16_t version = 0;
    uint32_t reserved = 0;
    if (!reader.ReadBytes(kBodySignature.size(), signature) || !reader.ReadU16(version) ||
        !reader.ReadU16(moduleCount) || !reader.ReadU32(layout.flashAreaSize) ||
        !reader.ReadBytes(kFirmwareIdField, idField) || !reader.ReadU32(reserved)) {
        return BioStatus::Truncated;
    }
    if (!std::equal(signature.begin(), signature.end(), kBodySignature.begin())) {
        return BioStatus::BadBodySignature;
    }
    if (version != kFormatVersion) {
        return BioStatus::BadFormatVersion;
    }
    if (moduleCount == 0 || moduleCount > kMaxModules) {
        return BioStatus::BadModuleCount;
    }
    if (layout.flashAreaSize == 0 || layout.flashAreaSize > kMaxFlashAreaSize) {
        return BioStatus::BadFlashAreaSize;
    }
    if (reserved != 0) {
        return BioStatus::BadReservedField;
    }
    return ReadFirmwareId(idField, layout.firmwareId);
}

BioStatus CheckEntries(const CapsuleLayout& layout, uint64_t payloadStart)
{
    std::vector<ModuleEntry> sorted = layout.entries;
    for (const ModuleEntry& entry : sorted) {
        if ((entry.flags & ~kKnownModuleFlags) != 0) {
            return BioStatus::BadModuleFlags;
        }
        if (entry.offset < payloadStart || uint64_t{entry.offset} + entry.size > layout.imageSize) {
            return BioStatus::ModuleOutOfBounds;
        }
    }
    std::sort(sorted.begin(), sorted.end(), [](const ModuleEntry& a, const ModuleEntry& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (uint64_t{sorted[i - 1].offset} + sorted[i - 1].size > sorted[i].offset) {
            return BioStatus::ModulesOverlap;
        }
    }
    return BioStatus::Ok;
}

BioStatus ReadModuleTable(ByteReader& reader, uint16_t moduleCount, CapsuleLayout& layout)
{
    layout.entries.resize(moduleCount);
    for (ModuleEntry& entry : layout.entries) {
        if (!reader.ReadU32(entry.type) || !reader.ReadU32(entry.flags) || !reader.ReadU32(entry.offset) ||
            !reader.ReadU32(entry.size)) {
            return BioStatus::Truncated;
        }
    }
    return CheckEntries(layout, reader.Offset());
}

} // namespace

BioStatus ParseLayout(std::span<const uint8_t> front, uint64_t available, CapsuleLayout& layout)
{
    ByteReader reader(front);
    uint16_t moduleCount = 0;
    BioStatus status = ReadCapsuleHeader(reader, available, layout);
    if (status == BioStatus::Ok) {
        status = ReadBodyHeader(reader, layout, moduleCount);
    }
    if (status == BioStatus::Ok) {
        status = ReadModuleTable(reader, moduleCount, layout);
    }
    return status;
}

BioStatus ParseLogoContent(std::span<const uint8_t> payload, LogoContent& logo)
{
    ByteReader reader(payload);
    std::span<const uint8_t> signature;
    uint32_t shown = 0;
    uint32_t pictureSize = 0;
    if (!reader.ReadBytes(kLogoSignature.size(), signature) || !reader.ReadI32(logo.badge.x) ||
        !reader.ReadI32(logo.badge.y) || !reader.ReadU32(shown) || !reader.ReadU32(logo.badge.color) ||
        !reader.ReadU32(logo.maxWidth) || !reader.ReadU32(logo.maxHeight) || !reader.ReadU32(pictureSize)) {
        return BioStatus::Truncated;
    }
    if (!std::equal(signature.begin(), signature.end(), kLogoSignature.begin()) || shown > 1) {
        return BioStatus::BadLogoModule;
    }
    if (pictureSize != reader.Remaining()) {
        return pictureSize > reader.Remaining() ? BioStatus::Truncated : BioStatus::BadLogoModule;
    }
    logo.badge.shown = shown != 0;
    // The picture is the rest of the payload, as its size says.
    std::span<const uint8_t> picture = payload.subspan(reader.Offset());
    logo.picture.assign(picture.begin(), picture.end());
    return ValidateLogo(logo);
}

BioStatus ParseCapsule(const std::shared_ptr<const std::vector<uint8_t>>& bytes, CapsuleImage& image)
{
    CapsuleLayout layout;
    BioStatus status = ParseLayout(*bytes, bytes->size(), layout);
    if (status != BioStatus::Ok) {
        return status;
    }
    CapsuleImage parsed;
    parsed.capsuleFlags = layout.capsuleFlags;
    parsed.flashAreaSize = layout.flashAreaSize;
    parsed.firmwareId = layout.firmwareId;
    for (const ModuleEntry& entry : layout.entries) {
        Module module;
        module.type = entry.type;
        module.flags = entry.flags;
        if (entry.type == kModuleTypeLogo && (entry.flags & kModuleFlagSplash) != 0) {
            LogoContent logo;
            status = ParseLogoContent(std::span<const uint8_t>(*bytes).subspan(entry.offset, entry.size), logo);
            if (status != BioStatus::Ok) {
                return status;
            }
            module.logo = std::move(logo);
        } else {
            module.payload = ModulePayload(bytes, entry.offset, entry.size);
        }
        parsed.modules.push_back(std::move(module));
    }
    status = ValidateImage(parsed);
    if (status == BioStatus::Ok) {
        image = std::move(parsed);
    }
    return status;
}

} // namespace biofile
