#include "CapsuleWriter.h"

#include "ByteReader.h"

namespace biofile {

namespace {

void WriteLayout(const CapsuleImage& image, ByteWriter& writer)
{
    const uint32_t imageSize = static_cast<uint32_t>(ImageSize(image));
    writer.WriteBytes(kCapsuleGuid);
    writer.WriteU32(kCapsuleHeaderSize);
    writer.WriteU32(image.capsuleFlags);
    writer.WriteU32(imageSize);

    writer.WriteBytes(kBodySignature);
    writer.WriteU16(kFormatVersion);
    writer.WriteU16(static_cast<uint16_t>(image.modules.size()));
    writer.WriteU32(image.flashAreaSize);
    writer.WriteBytes(std::span(reinterpret_cast<const uint8_t*>(image.firmwareId.data()), image.firmwareId.size()));
    writer.WriteZeros(kFirmwareIdField - image.firmwareId.size());
    writer.WriteU32(0);

    uint32_t offset = kCapsuleHeaderSize + kBodyHeaderSize + kModuleEntrySize * static_cast<uint32_t>(image.modules.size());
    for (const Module& module : image.modules) {
        const uint32_t size = static_cast<uint32_t>(module.StoredSize());
        writer.WriteU32(module.type);
        writer.WriteU32(module.flags);
        writer.WriteU32(offset);
        writer.WriteU32(size);
        offset += size;
    }
}

} // namespace

std::vector<uint8_t> SerializeLogo(const LogoContent& logo)
{
    ByteWriter writer;
    writer.WriteBytes(kLogoSignature);
    writer.WriteI32(logo.badge.x);
    writer.WriteI32(logo.badge.y);
    writer.WriteU32(logo.badge.shown ? 1 : 0);
    writer.WriteU32(logo.badge.color);
    writer.WriteU32(logo.maxWidth);
    writer.WriteU32(logo.maxHeight);
    writer.WriteU32(static_cast<uint32_t>(logo.picture.size()));
    writer.WriteBytes(logo.picture);
    return std::move(writer.Bytes());
}

BioStatus WriteCapsule(const CapsuleImage& image, const ByteSink& sink)
{
    const BioStatus status = ValidateImage(image);
    if (status != BioStatus::Ok) {
        return status;
    }
    ByteWriter layout;
    WriteLayout(image, layout);
    if (!sink(layout.Bytes())) {
        return BioStatus::WriteFailed;
    }
    for (const Module& module : image.modules) {
        const bool written = module.logo ? sink(SerializeLogo(*module.logo)) : sink(module.payload.Bytes());
        if (!written) {
            return BioStatus::WriteFailed;
        }
    }
    return BioStatus::Ok;
}

BioStatus SerializeCapsule(const CapsuleImage& image, std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> result;
    const BioStatus status = WriteCapsule(image, [&result](std::span<const uint8_t> piece) {
        result.insert(result.end(), piece.begin(), piece.end());
        return true;
    });
    if (status == BioStatus::Ok) {
        bytes = std::move(result);
    }
    return status;
}

} // namespace biofile
