// The emulated restart: what firmware does with the capsule slot when the board starts
// again. An armed capsule is checked against the board and applied, or refused; either way
// it is consumed, and the capsule-update library's last status tells the outcome.
#pragma once

#include "StoreImage.h"

#include <cstdint>
#include <string>

namespace eficorvid {

// Last statuses that an emulated restart records (0: the update was applied).
enum CapsuleResult : uint32_t {
    CAPSULE_RESULT_APPLIED = 0,
    CAPSULE_RESULT_FLASH_FAILED = 1,     // the flash write failed (fwsim reboot --fail)
    CAPSULE_RESULT_INVALID_IMAGE = 2,    // not a firmware image of this format
    CAPSULE_RESULT_WRONG_BOARD = 3,      // the image's firmware ID is for another board
    CAPSULE_RESULT_NO_FIRMWARE_ID = 4,   // the board has no "FirmwareId" to compare with
    CAPSULE_RESULT_STORAGE_FULL = 5,     // the new "FirmwareId" does not fit the variable storage
};

enum class RestartOutcome {
    NothingStaged,   // empty slot: the board is left exactly as it was
    Discarded,       // prepared but never handed to the firmware: dropped, nothing else changes
    Applied,
    Refused,         // the capsule was consumed without changing the firmware
};

struct RestartReport {
    RestartOutcome outcome = RestartOutcome::NothingStaged;
    uint32_t lastStatus = CAPSULE_RESULT_APPLIED;
    std::string imageId;   // the capsule's firmware ID, when it could be read
    std::string boardId;   // the board's firmware ID before the restart
    std::wstring reason;   // why a capsule was refused
    bool modified = false; // the store must be saved
};

// "FirmwareId" under its usual vendor GUID, then under the second one.
constexpr const wchar_t* FIRMWARE_ID_NAME = L"FirmwareId";
extern const GUID FIRMWARE_ID_VENDOR;
extern const GUID FIRMWARE_ID_SECOND_VENDOR;
// The marker that the flashing program writes before it arms an update; firmware removes
// it when it applies the capsule.
constexpr const wchar_t* DETECTION_VARIABLE_NAME = L"QRVFlashDetectionStatus";
extern const GUID DETECTION_VARIABLE_VENDOR;
// Characters of the firmware ID that must match: family code (8), dot and the field after
// it (3). A shorter ID names no board family.
constexpr size_t COMPATIBLE_ID_PREFIX = 12;

// `failFlash` makes the flash of an otherwise valid capsule fail.
RestartReport RestartBoard(fwstore::StoreImage& image, bool failFlash);

// The board's firmware ID: the first "FirmwareId" found, up to its first zero byte.
bool ReadBoardFirmwareId(const fwstore::StoreImage& image, std::string& id);
// At least COMPATIBLE_ID_PREFIX characters: the ID can name a board family.
bool NamesBoardFamily(const std::string& id);
// The server's rule: both IDs name a board family and their first 12 characters are equal,
// case-sensitively. An ID shorter than 12 characters matches nothing.
bool IsCompatibleFirmwareId(const std::string& imageId, const std::string& boardId);

} // namespace eficorvid
