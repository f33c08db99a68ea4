#include "StoreImage.h"

#include "EfiGuid.h"

namespace fwstore {

uint64_t VariableStorageBytes(size_t nameLength, size_t dataSize)
{
    return VARIABLE_HEADER_BYTES + 2ull * (nameLength + 1) + dataSize;
}

uint64_t UsedStorageBytes(const StoreImage& image)
{
    uint64_t used = 0;
    for (const auto& variable : image.variables)
        used += VariableStorageBytes(variable.name.size(), variable.data.size());
    return used;
}

StoredVariable* FindVariable(StoreImage& image, std::wstring_view name, const GUID& vendor)
{
    for (auto& variable : image.variables) {
        if (variable.name == name && SameGuid(variable.vendor, vendor))
            return &variable;
    }
    return nullptr;
}

const StoredVariable* FindVariable(const StoreImage& image, std::wstring_view name, const GUID& vendor)
{
    return FindVariable(const_cast<StoreImage&>(image), name, vendor);
}

VariableCounters& CountersFor(StoreImage& image, std::wstring_view name, const GUID& vendor)
{
    for (auto& counters : image.counters) {
        if (counters.name == name && SameGuid(counters.vendor, vendor))
            return counters;
    }
    VariableCounters& added = image.counters.emplace_back();
    added.name = name;
    added.vendor = vendor;
    return added;
}

const VariableCounters* FindCounters(const StoreImage& image, std::wstring_view name, const GUID& vendor)
{
    for (const auto& counters : image.counters) {
        if (counters.name == name && SameGuid(counters.vendor, vendor))
            return &counters;
    }
    return nullptr;
}

} // namespace fwstore
