// What the store's operations answer: an EFI status with a message for people. Free of
// Windows headers, so that the readers over text and bytes build natively too.
#pragma once

#include "EfiStatus.h"

#include <cstdint>
#include <string>
#include <utility>

namespace fwstore {

// Status 0 is success.
struct StoreResult {
    uint32_t status = EFI_STATUS_SUCCESS;
    std::wstring message;

    bool Ok() const { return status == EFI_STATUS_SUCCESS; }
    static StoreResult Failure(uint32_t status, std::wstring message) { return {status, std::move(message)}; }
};

} // namespace fwstore
