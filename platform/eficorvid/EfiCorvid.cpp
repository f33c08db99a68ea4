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

uint32_t Transact(const std::function<OperationResult(StoreImage&)>& operation)
{
    return TransactWithConfiguredStore(L"EfiCorvid", operation, CORVID_OUT_OF_RESOURCES, CORVID_UNKNOWN_ERROR);
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
