#include "BioFormat.h"

namespace biofile {

const char* DescribeStatus(BioStatus status)
{
    switch (status) {
    case BioStatus::Ok:
        return "The image is valid.";
    case BioStatus::Truncated:
        return "The image is truncated: a header or module ends past the end of the data.";
    case BioStatus::NotEngineCapsule:
        return "The file is not a firmware capsule of this format (unknown capsule GUID).";
    case BioStatus::BadHeaderSize:
        return "The capsule header size is invalid.";
    case BioStatus::SizeMismatch:
        return "The capsule image size does not match the size of the data.";
    case BioStatus::TooLarge:
        return "The image would exceed the largest size the format allows (2 GB).";
    case BioStatus::BadBodySignature:
        return "The capsule body does not start with the image signature.";
    case BioStatus::BadFormatVersion:
        return "The image uses an unknown format version.";
    case BioStatus::BadModuleCount:
        return "The image must have 1 to 16 modules.";
    case BioStatus::BadFirmwareId:
        return "The firmware ID must be 1 to 32 printable ASCII characters.";
    case BioStatus::BadFlashAreaSize:
        return "The flash area size is invalid.";
    case BioStatus::BadReservedField:
        return "A reserved field of the image is not zero.";
    case BioStatus::ModuleOutOfBounds:
        return "A module lies outside the capsule.";
    case BioStatus::ModulesOverlap:
        return "Two modules overlap.";
    case BioStatus::BadModuleFlags:
        return "A module has invalid flags.";
    case BioStatus::FirmwareModuleCount:
        return "The image must hold exactly one firmware module.";
    case BioStatus::SplashModuleCount:
        return "The image may hold at most one splash logo module.";
    case BioStatus::BadLogoModule:
        return "The logo module is malformed.";
    case BioStatus::BadResolution:
        return "The maximum picture size must be 1 to 32768 pixels in each direction.";
    case BioStatus::BadBadge:
        return "The badge must lie inside the maximum picture size and be black (0) or white (1).";
    case BioStatus::BadPicture:
        return "The splash picture is not a valid Windows bitmap (BMP).";
    case BioStatus::PictureTooLarge:
        return "The splash picture is larger than the maximum picture size of the logo module.";
    case BioStatus::WriteFailed:
        return "The image could not be written.";
    }
    return "Unknown image status.";
}

} // namespace biofile
