// Each export is one store transaction: take the board's lock, load its state, apply the
// operation, save when anything changed. No exception leaves an export.
#include "QrvEfiVar.h"

#include "EfiStatus.h"
#include "FirmwareStore.h"
#include "StoreOperations.h"

#include <functional>

using namespace fwstore;

namespace {

uint32_t Transact(const std::function<OperationResult(StoreImage&)>& operation)
{
    return TransactWithConfiguredStore(L"qrvefivar", operation, EFI_STATUS_UNKNOWN_ERROR, EFI_STATUS_UNKNOWN_ERROR);
}

} // namespace

extern "C" {

uint32_t __stdcall GetVariable(const wchar_t* name, const GUID* vendor, uint32_t* attributes, uint32_t* dataSize, void* data)
{
    return Transact([&](StoreImage& image) { return GetVariableIn(image, name, vendor, attributes, dataSize, data); });
}

uint32_t __stdcall SetVariable(const wchar_t* name, const GUID* vendor, uint32_t* attributes, uint32_t* dataSize, void* data)
{
    return Transact([&](StoreImage& image) { return SetVariableIn(image, name, vendor, attributes, dataSize, data); });
}

uint32_t __stdcall GetExportDb(uint32_t* dataSize, void* data)
{
    return Transact([&](StoreImage& image) { return GetExportDbIn(image, dataSize, data); });
}

uint32_t __stdcall GetNextVariableName(uint32_t* nameSize, wchar_t* name, GUID* vendor)
{
    return Transact([&](StoreImage& image) { return GetNextVariableNameIn(image, nameSize, name, vendor); });
}

uint32_t __stdcall ReadPhysicalMemory(uint64_t address, uint32_t* dataSize, void* data)
{
    return Transact([&](StoreImage& image) { return ReadPhysicalMemoryIn(image, address, dataSize, data); });
}

}
