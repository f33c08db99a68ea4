// Each export is one store transaction: take the board's lock, load its state, apply the
// operation, save when anything changed. No exception leaves an export.
#include "EfiCorvid.h"

#include "CapsuleOperations.h"
#include "FirmwareStore.h"

#include <functional>
#include <new>

using namespace eficorvid;
using namespace fwstore;

namespace {

// Runs `operation` against the configured store. Problems with the store itself go to the
// debugger output, since the library has no log of its own and its callers see only the status.
uint32_t Transact(const std::function<OperationResult(StoreImage&)>& operation)
{
    try {
        std::unique_ptr<CFirmwareStore> store;
        StoreResult result = CFirmwareStore::FromEnvironment(store);
        uint32_t status = CORVID_SUCCESS;
        if (result.Ok()) {
            result = store->Update([&](StoreImage& image) {
                OperationResult outcome = operation(image);
                status = outcome.status;
                return outcome.modified;
            });
        }
        if (!result.Ok()) {
            OutputDebugStringW((L"EfiCorvid: " + result.message + L"\n").c_str());
            return result.status;
        }
        return status;
    } catch (const std::bad_alloc&) {
        return CORVID_OUT_OF_RESOURCES;
    } catch (...) {
        return CORVID_UNKNOWN_ERROR;
    }
}

} // namespace

extern "C" {

uint32_t __stdcall PrepareCapsule(const void* capsule, uint32_t size, uint32_t* reserved)
{
    (void)reserved;
    return Transact([&](StoreImage& image) { return PrepareCapsuleIn(image, capsule, size); });
}

uint32_t __stdcall InvokeCapsule(uint32_t reserved)
{
    return Transact([&](StoreImage& image) { return InvokeCapsuleIn(image, reserved); });
}

uint32_t __stdcall GetLastStatus(uint32_t* status)
{
    return Transact([&](StoreImage& image) { return GetLastStatusIn(image, status); });
}

}
