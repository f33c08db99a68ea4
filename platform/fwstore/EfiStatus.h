// Status codes that the firmware-variable library answers, as its callers know them.
#pragma once

#include <cstdint>

namespace fwstore {

enum EfiStatus : uint32_t {
    EFI_STATUS_SUCCESS = 0,
    EFI_STATUS_UNKNOWN_ERROR = 1,
    EFI_STATUS_DRIVER_NOT_INSTALLED = 2,
    EFI_STATUS_INVALID_PARAMETER = 3,
    EFI_STATUS_NOT_FOUND = 4,
    EFI_STATUS_DEVICE_ERROR = 5,
    EFI_STATUS_OUT_OF_STORAGE = 6,
    EFI_STATUS_BUFFER_TOO_SMALL = 7,
    EFI_STATUS_UNSUPPORTED_OS = 8,
    EFI_STATUS_DRIVER_LOAD_FAILED = 9,
    EFI_STATUS_DRIVER_UNINSTALL_FAILED = 10,
    EFI_STATUS_DRIVER_COMMUNICATION = 11,
    EFI_STATUS_HII_DATA_INVALID = 12,
    // The library's own codes stop at 12, and 8 already means "not supported on this
    // operating system" to its callers; a refused write of a protected variable takes the
    // next free code so that no caller mistakes it for either.
    EFI_STATUS_WRITE_PROTECTED = 13,
};

} // namespace fwstore
