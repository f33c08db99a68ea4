#include "StoreOperations.h"

#include "EfiGuid.h"
#include "EfiStatus.h"
#include "RestartRules.h"
#include "StoreRules.h"

#include <algorithm>
#include <cstring>

namespace fwstore {

namespace {

bool FaultMatches(const FaultRule& fault, StoreOperation operation, const wchar_t* name, const GUID* vendor)
{
    if (fault.operation != operation)
        return false;
    if (!fault.name.empty() && (name == nullptr || fault.name != name))
        return false;
    if ((fault.flags & FAULT_MATCH_VENDOR) && (vendor == nullptr || !SameGuid(fault.vendor, *vendor)))
        return false;
    return true;
}

// A name as the exports receive it: terminated within the longest name, then held to the
// store's rule for variable names (which the tools' access below applies too).
bool ValidName(const wchar_t* name)
{
    auto length = BoundedNameLength(name);
    return length && ValidVariableName(std::wstring_view(name, *length));
}

// Data is only accepted with boot-service access, and run-time access needs it too.
bool ValidAttributes(uint32_t attributes)
{
    return (attributes & ~ATTRIBUTES_SUPPORTED) == 0 && (attributes & ATTRIBUTE_BOOTSERVICE_ACCESS) != 0;
}

uint32_t WriteVariable(StoreImage& image, const wchar_t* name, const GUID& vendor, uint32_t attributes,
    const uint8_t* data, uint32_t size)
{
    StoredVariable* existing = FindVariable(image, name, vendor);
    if (size == 0) {
        if (existing == nullptr)
            return EFI_STATUS_NOT_FOUND;
        image.variables.erase(image.variables.begin() + (existing - image.variables.data()));
        return EFI_STATUS_SUCCESS;
    }
    if (!ValidAttributes(attributes))
        return EFI_STATUS_INVALID_PARAMETER;
    // A variable keeps its attributes for life, as firmware stores insist.
    if (existing != nullptr && existing->attributes != attributes)
        return EFI_STATUS_INVALID_PARAMETER;
    size_t nameLength = wcslen(name);
    uint64_t used = UsedStorageBytes(image);
    if (existing != nullptr)
        used -= VariableStorageBytes(nameLength, existing->data.size());
    if (used + VariableStorageBytes(nameLength, size) > image.capacity)
        return EFI_STATUS_OUT_OF_STORAGE;
    if (existing == nullptr) {
        existing = &image.variables.emplace_back();
        existing->name = name;
        existing->vendor = vendor;
    }
    existing->attributes = attributes;
    existing->data.assign(data, data + size);
    return EFI_STATUS_SUCCESS;
}

} // namespace

std::optional<size_t> BoundedNameLength(const wchar_t* name)
{
    if (name == nullptr)
        return std::nullopt;
    for (size_t i = 0; i <= MAX_NAME_LENGTH; ++i) {
        if (name[i] == 0)
            return i;
    }
    return std::nullopt;
}

std::optional<uint32_t> TakeFault(StoreImage& image, StoreOperation operation, const wchar_t* name, const GUID* vendor)
{
    for (auto it = image.faults.begin(); it != image.faults.end(); ++it) {
        if (!FaultMatches(*it, operation, name, vendor))
            continue;
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        uint32_t status = it->status;
        if ((it->flags & FAULT_EVERY_CALL) == 0 && --it->remaining == 0)
            image.faults.erase(it);
        return status;
    }
    return std::nullopt;
}

OperationResult GetVariableIn(StoreImage& image, const wchar_t* name, const GUID* vendor,
    uint32_t* attributes, uint32_t* dataSize, void* data)
{
    if (!ValidName(name) || vendor == nullptr || dataSize == nullptr)
        return {EFI_STATUS_INVALID_PARAMETER, false};
    CountersFor(image, name, *vendor).reads++;
    if (auto fault = TakeFault(image, StoreOperation::GetVariable, name, vendor))
        return {*fault, true};
    const StoredVariable* variable = FindVariable(image, name, *vendor);
    if (variable == nullptr)
        return {EFI_STATUS_NOT_FOUND, true};
    uint32_t size = static_cast<uint32_t>(variable->data.size());
    // Callers read the attributes of a variable from its size query, so they come back
    // with "buffer too small" as well.
    if (attributes != nullptr)
        *attributes = variable->attributes;
    if (data == nullptr || *dataSize < size) {
        *dataSize = size;
        return {EFI_STATUS_BUFFER_TOO_SMALL, true};
    }
    std::memcpy(data, variable->data.data(), size);
    *dataSize = size;
    return {EFI_STATUS_SUCCESS, true};
}

OperationResult SetVariableIn(StoreImage& image, const wchar_t* name, const GUID* vendor,
    const uint32_t* attributes, const uint32_t* dataSize, const void* data)
{
    if (!ValidName(name) || vendor == nullptr || attributes == nullptr || dataSize == nullptr ||
        (*dataSize != 0 && data == nullptr))
        return {EFI_STATUS_INVALID_PARAMETER, false};
    uint32_t status = EFI_STATUS_SUCCESS;
    // An armed fault is taken first; a protected variable then refuses the write as a fault
    // that fires on every call would.
    if (auto fault = TakeFault(image, StoreOperation::SetVariable, name, vendor))
        status = *fault;
    else if (uint32_t protection = ProtectionStatus(image, name, *vendor))
        status = protection;
    else
        status = WriteVariable(image, name, *vendor, *attributes, static_cast<const uint8_t*>(data), *dataSize);
    VariableCounters& current = CountersFor(image, name, *vendor);
    if (status != EFI_STATUS_SUCCESS) {
        current.failedWrites++;
    } else if (*dataSize == 0) {
        current.deletes++;
    } else {
        current.writes++;
        current.bytesWritten += *dataSize;
    }
    return {status, true};
}

OperationResult GetExportDbIn(StoreImage& image, uint32_t* dataSize, void* data)
{
    if (dataSize == nullptr)
        return {EFI_STATUS_INVALID_PARAMETER, false};
    image.exportDbReads++;
    if (auto fault = TakeFault(image, StoreOperation::GetExportDb, nullptr, nullptr))
        return {*fault, true};
    if (image.exportDb.empty())
        return {EFI_STATUS_HII_DATA_INVALID, true};
    uint32_t size = static_cast<uint32_t>(image.exportDb.size());
    if (data == nullptr || *dataSize < size) {
        *dataSize = size;
        return {EFI_STATUS_BUFFER_TOO_SMALL, true};
    }
    std::memcpy(data, image.exportDb.data(), size);
    *dataSize = size;
    return {EFI_STATUS_SUCCESS, true};
}

OperationResult GetNextVariableNameIn(StoreImage& image, uint32_t* nameSize, wchar_t* name, GUID* vendor)
{
    if (nameSize == nullptr || name == nullptr || vendor == nullptr || *nameSize < sizeof(wchar_t))
        return {EFI_STATUS_INVALID_PARAMETER, false};
    // The previous name must be terminated inside the caller's buffer.
    size_t capacityUnits = *nameSize / sizeof(wchar_t);
    const wchar_t* end = std::find(name, name + std::min<size_t>(capacityUnits, MAX_NAME_LENGTH + 1), L'\0');
    if (end == name + std::min<size_t>(capacityUnits, MAX_NAME_LENGTH + 1))
        return {EFI_STATUS_INVALID_PARAMETER, false};
    if (auto fault = TakeFault(image, StoreOperation::GetNextVariableName, name, vendor))
        return {*fault, true};

    size_t next = 0;
    if (name[0] != 0) {
        const StoredVariable* previous = FindVariable(image, name, *vendor);
        if (previous == nullptr)
            return {EFI_STATUS_INVALID_PARAMETER, false};
        next = static_cast<size_t>(previous - image.variables.data()) + 1;
    }
    if (next >= image.variables.size())
        return {EFI_STATUS_NOT_FOUND, false};
    const StoredVariable& variable = image.variables[next];
    uint32_t needed = static_cast<uint32_t>((variable.name.size() + 1) * sizeof(wchar_t));
    if (*nameSize < needed) {
        *nameSize = needed;
        return {EFI_STATUS_BUFFER_TOO_SMALL, false};
    }
    std::memcpy(name, variable.name.c_str(), needed);
    *vendor = variable.vendor;
    *nameSize = needed;
    return {EFI_STATUS_SUCCESS, false};
}

OperationResult ReadPhysicalMemoryIn(StoreImage& image, uint64_t address, uint32_t* dataSize, void* data)
{
    (void)address;
    if (dataSize == nullptr || *dataSize == 0 || data == nullptr)
        return {EFI_STATUS_INVALID_PARAMETER, false};
    if (auto fault = TakeFault(image, StoreOperation::ReadPhysicalMemory, nullptr, nullptr))
        return {*fault, true};
    return {EFI_STATUS_UNSUPPORTED_OS, false};
}

bool ValidVariableName(std::wstring_view name)
{
    return NameProblem(NameField::Variable, name).empty();
}

uint32_t GetStoredVariable(const StoreImage& image, const std::wstring& name, const GUID& vendor,
    const StoredVariable*& variable)
{
    variable = nullptr;
    if (!ValidVariableName(name))
        return EFI_STATUS_INVALID_PARAMETER;
    variable = FindVariable(image, name, vendor);
    return variable ? EFI_STATUS_SUCCESS : EFI_STATUS_NOT_FOUND;
}

uint32_t SetStoredVariable(StoreImage& image, const std::wstring& name, const GUID& vendor,
    uint32_t attributes, const std::vector<uint8_t>& data)
{
    if (!ValidVariableName(name))
        return EFI_STATUS_INVALID_PARAMETER;
    if (data.size() > UINT32_MAX)
        return EFI_STATUS_OUT_OF_STORAGE;
    return WriteVariable(image, name.c_str(), vendor, attributes, data.data(), static_cast<uint32_t>(data.size()));
}

} // namespace fwstore
