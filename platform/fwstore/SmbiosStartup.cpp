#include "SmbiosStartup.h"

#include "EfiStatus.h"
#include "StoreOperations.h"

namespace fwstore {

const GUID SMBIOS_STRING_VENDOR = {0x70E56C5E, 0x280C, 0x44B0, {0xA4, 0x97, 0x09, 0x68, 0x1A, 0xBC, 0x37, 0x5E}};
const GUID EMULATED_FIRMWARE_VENDOR = {0x6D3B9A41, 0x2C7E, 0x4F15, {0xB8, 0xD0, 0x94, 0xA1, 0xE2, 0x5C, 0x7F, 0x36}};

const std::array<SmbiosString, 8> SMBIOS_STRINGS = {{
    {L"1.4", L"1.4"},
    {L"1.5", L"1.5"},
    {L"1.6", L"1.6"},
    {L"1.7", L"1.7"},
    {L"3.4", L"3.4"},
    {L"3.6", L"3.6"},
    {L"3.7", L"3.7Rv3&Kd9z"},
    {L"3.8", L"3.8Wm5+Tq8h"},
}};

void RecordManufacturingStrings(StoreImage& image)
{
    for (const SmbiosString& string : SMBIOS_STRINGS) {
        const StoredVariable* shown = FindVariable(image, string.name, SMBIOS_STRING_VENDOR);
        if (shown == nullptr || FindVariable(image, string.name, EMULATED_FIRMWARE_VENDOR) != nullptr)
            continue;
        // Copied before the push, which may move the vector the pointer points into.
        std::vector<uint8_t> data = shown->data;
        image.variables.push_back({string.name, EMULATED_FIRMWARE_VENDOR, MANUFACTURING_STRING_ATTRIBUTES, std::move(data)});
    }
}

std::vector<SmbiosStartupChange> StartSmbiosStrings(StoreImage& image)
{
    std::vector<SmbiosStartupChange> changes;
    for (const SmbiosString& string : SMBIOS_STRINGS) {
        const bool ownOverride = std::wstring_view(string.name) != string.override;
        const StoredVariable* shown = FindVariable(image, string.name, SMBIOS_STRING_VENDOR);
        const StoredVariable* manufactured = FindVariable(image, string.name, EMULATED_FIRMWARE_VENDOR);
        const StoredVariable* source = nullptr;
        SmbiosStartupChange change;
        if (ownOverride) {
            if (const StoredVariable* written = FindVariable(image, string.override, SMBIOS_STRING_VENDOR)) {
                source = written;
                change.kind = SmbiosStartupChange::Kind::Overridden;
            } else {
                source = manufactured;
            }
        } else if (shown == nullptr) {
            source = manufactured;
        }
        if (source == nullptr || (shown != nullptr && shown->data == source->data))
            continue;
        change.name = string.name;
        if (change.kind == SmbiosStartupChange::Kind::Overridden)
            change.source = string.override;
        // Copied: the write may move the variables.
        std::vector<uint8_t> data = source->data;
        uint32_t attributes = shown != nullptr ? shown->attributes : SMBIOS_STRING_ATTRIBUTES;
        change.status = SetStoredVariable(image, string.name, SMBIOS_STRING_VENDOR, attributes, data);
        if (change.status != EFI_STATUS_SUCCESS)
            change.kind = SmbiosStartupChange::Kind::Failed;
        changes.push_back(std::move(change));
    }
    return changes;
}

} // namespace fwstore
