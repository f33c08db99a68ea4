#include "FirmwareStore.h"
#include "StoreOperations.h"

#include <windows.h>

#include <new>

namespace fwstore {

uint32_t TransactWithConfiguredStore(const wchar_t* library, const std::function<OperationResult(StoreImage&)>& operation,
                                     uint32_t outOfMemoryStatus, uint32_t unknownStatus)
{
    try {
        std::unique_ptr<CFirmwareStore> store;
        StoreResult result = CFirmwareStore::FromEnvironment(store);
        uint32_t status = 0;
        if (result.Ok()) {
            result = store->Update([&](StoreImage& image) {
                OperationResult outcome = operation(image);
                status = outcome.status;
                return outcome.modified;
            });
        }
        if (!result.Ok()) {
            OutputDebugStringW((std::wstring(library) + L": " + result.message + L"\n").c_str());
            return result.status;
        }
        return status;
    } catch (const std::bad_alloc&) {
        return outOfMemoryStatus;
    } catch (...) {
        return unknownStatus;
    }
}

} // namespace fwstore
