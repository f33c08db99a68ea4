// What the capsule-update library's exports do to a board's state, free of files and locks:
// the library runs these inside one store transaction, as qrvefivar.dll does for variables.
// Each answers a status of the library and sets `modified` when the image must be saved.
#pragma once

#include "StoreImage.h"
#include "StoreOperations.h"

#include <cstdint>
#include <span>

namespace eficorvid {

// Statuses of the capsule-update library, as its callers interpret them.
enum CorvidStatus : uint32_t {
    CORVID_SUCCESS = 0,
    CORVID_UNKNOWN_ERROR = 1,
    CORVID_DRIVER_NOT_INSTALLED = 2,
    CORVID_INVALID_PARAMETER = 3,
    CORVID_OUT_OF_RESOURCES = 6,
    CORVID_UNSUPPORTED_OS = 8,
    CORVID_DRIVER_LOAD_FAILED = 9,
    CORVID_DRIVER_UNINSTALL_FAILED = 10,
    CORVID_DRIVER_COMMUNICATION = 11,
    CORVID_LIBRARY_NOT_FOUND = 14,
};

// The UEFI capsule header: GUID (16), header size (4), flags (4), image size (4).
constexpr uint32_t CAPSULE_HEADER_BYTES = 28;
constexpr uint32_t CAPSULE_FLAG_PERSIST_ACROSS_RESET = 0x00010000;
constexpr uint32_t CAPSULE_FLAG_INITIATE_RESET = 0x00040000;
// Largest capsule the emulated board keeps; it must leave room in the store file for the
// board's variables.
constexpr uint32_t MAX_CAPSULE_BYTES = 128u * 1024 * 1024;

// Status 0 when `capsule` is a whole UEFI capsule: a header that fits, an image size equal to
// the bytes given, and reset flags that firmware accepts; status 3 otherwise. The body is
// the firmware's business and is checked at the restart.
uint32_t CheckCapsuleHeader(std::span<const uint8_t> capsule);

// Puts `capsule` into the board's capsule slot, replacing whatever was there; `arm` also
// hands it to the firmware for the next restart. No faults are consulted (for tools).
uint32_t StageCapsule(fwstore::StoreImage& image, std::span<const uint8_t> capsule, bool arm);

// The exports: parameters are checked first, then an armed fault of the operation answers
// instead of the work (status 10, a warning after the work, answers with the work done).
fwstore::OperationResult PrepareCapsuleIn(fwstore::StoreImage& image, const void* capsule, uint32_t size);
// Arms the prepared capsule; status 3 when nothing is prepared or `reserved` is not 0.
fwstore::OperationResult InvokeCapsuleIn(fwstore::StoreImage& image, uint32_t reserved);
fwstore::OperationResult GetLastStatusIn(fwstore::StoreImage& image, uint32_t* status);

} // namespace eficorvid
