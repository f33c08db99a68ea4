#include "BoardRestart.h"

#include "CapsuleParser.h"
#include "StoreOperations.h"

#include <memory>
#include <vector>

using namespace fwstore;

namespace eficorvid {

const GUID FIRMWARE_ID_VENDOR = {0xEFC071AE, 0x41B8, 0x4018, {0xAF, 0xA7, 0x31, 0x4B, 0x18, 0x5E, 0x57, 0x8B}};
const GUID FIRMWARE_ID_SECOND_VENDOR = {0x5E559C23, 0x1FAA, 0x4AE1, {0x8D, 0x4A, 0xC6, 0xCF, 0x02, 0x6C, 0x76, 0x6F}};
const GUID DETECTION_VARIABLE_VENDOR = {0x05A798EA, 0x39EE, 0x40FC, {0x82, 0xC5, 0x62, 0x25, 0x82, 0xFA, 0x63, 0x4B}};

namespace {

const GUID* const FIRMWARE_ID_VENDORS[] = {&FIRMWARE_ID_VENDOR, &FIRMWARE_ID_SECOND_VENDOR};

// Firmware IDs are 8-bit text; each byte becomes the character of the same value.
std::wstring Widen(const std::string& text)
{
    std::wstring wide;
    for (char c : text)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

// Every "FirmwareId" the board has gets the new ID, in the form (terminated or not) and
// with the attributes it had. Works on a copy of the variables, so a failure leaves the
// board untouched.
uint32_t WriteFirmwareId(StoreImage& image, const std::string& id)
{
    StoreImage changed;
    changed.capacity = image.capacity;
    changed.variables = image.variables;
    for (const GUID* vendor : FIRMWARE_ID_VENDORS) {
        const StoredVariable* current = FindVariable(changed, FIRMWARE_ID_NAME, *vendor);
        if (current == nullptr)
            continue;
        std::vector<uint8_t> data(id.begin(), id.end());
        if (!current->data.empty() && current->data.back() == 0)
            data.push_back(0);
        if (uint32_t status = SetStoredVariable(changed, FIRMWARE_ID_NAME, *vendor, current->attributes, data))
            return status;
    }
    image.variables = std::move(changed.variables);
    return 0;
}

RestartReport Refuse(RestartReport report, uint32_t lastStatus, std::wstring reason)
{
    report.outcome = RestartOutcome::Refused;
    report.lastStatus = lastStatus;
    report.reason = std::move(reason);
    return report;
}

std::wstring NoBoardFamily(const wchar_t* whose, const std::string& id)
{
    return std::wstring(whose) + L" firmware ID \"" + Widen(id) + L"\" is shorter than " +
           std::to_wstring(COMPATIBLE_ID_PREFIX) + L" characters: it names no board family and matches no board";
}

// Checks and applies an armed capsule; the slot is emptied by the caller.
RestartReport ApplyCapsule(StoreImage& image, std::vector<uint8_t> capsule, bool failFlash, RestartReport report)
{
    auto bytes = std::make_shared<const std::vector<uint8_t>>(std::move(capsule));
    biofile::CapsuleImage parsed;
    biofile::BioStatus parseStatus = biofile::ParseCapsule(bytes, parsed);
    if (parseStatus != biofile::BioStatus::Ok) {
        const char* why = biofile::DescribeStatus(parseStatus);
        return Refuse(report, CAPSULE_RESULT_INVALID_IMAGE, L"the capsule is not a valid firmware image: " + Widen(why));
    }
    report.imageId = parsed.firmwareId;
    if (!ReadBoardFirmwareId(image, report.boardId))
        return Refuse(report, CAPSULE_RESULT_NO_FIRMWARE_ID, L"the board has no \"FirmwareId\" to compare the image with");
    if (!NamesBoardFamily(report.imageId))
        return Refuse(report, CAPSULE_RESULT_WRONG_BOARD, NoBoardFamily(L"the image's", report.imageId));
    if (!NamesBoardFamily(report.boardId))
        return Refuse(report, CAPSULE_RESULT_WRONG_BOARD, NoBoardFamily(L"the board's", report.boardId));
    if (!IsCompatibleFirmwareId(report.imageId, report.boardId)) {
        return Refuse(report, CAPSULE_RESULT_WRONG_BOARD,
            L"the image " + Widen(report.imageId) + L" is not for this board (" + Widen(report.boardId) + L")");
    }
    if (failFlash)
        return Refuse(report, CAPSULE_RESULT_FLASH_FAILED, L"the flash failed, as asked");
    if (WriteFirmwareId(image, report.imageId) != 0)
        return Refuse(report, CAPSULE_RESULT_STORAGE_FULL, L"the new \"FirmwareId\" does not fit the variable storage");
    SetStoredVariable(image, DETECTION_VARIABLE_NAME, DETECTION_VARIABLE_VENDOR, 0, {});
    report.outcome = RestartOutcome::Applied;
    report.lastStatus = CAPSULE_RESULT_APPLIED;
    return report;
}

} // namespace

bool ReadBoardFirmwareId(const StoreImage& image, std::string& id)
{
    for (const GUID* vendor : FIRMWARE_ID_VENDORS) {
        if (const StoredVariable* variable = FindVariable(image, FIRMWARE_ID_NAME, *vendor)) {
            id.clear();
            for (uint8_t byte : variable->data) {
                if (byte == 0)
                    break;
                id.push_back(static_cast<char>(byte));
            }
            return true;
        }
    }
    return false;
}

bool NamesBoardFamily(const std::string& id)
{
    return id.size() >= COMPATIBLE_ID_PREFIX;
}

bool IsCompatibleFirmwareId(const std::string& imageId, const std::string& boardId)
{
    // The server's rule (CBiosId::IsCompatible): an ID too short to name a board family
    // matches nothing, not even an equally short one.
    if (!NamesBoardFamily(imageId) || !NamesBoardFamily(boardId))
        return false;
    return imageId.compare(0, COMPATIBLE_ID_PREFIX, boardId, 0, COMPATIBLE_ID_PREFIX) == 0;
}

RestartReport RestartBoard(StoreImage& image, bool failFlash)
{
    RestartReport report;
    CapsuleSlot& slot = image.capsule;
    if (slot.state == CAPSULE_EMPTY)
        return report;
    std::vector<uint8_t> capsule = std::move(slot.image);
    uint32_t state = slot.state;
    slot.image.clear();
    slot.state = CAPSULE_EMPTY;
    slot.resetCount++;
    report.modified = true;
    ReadBoardFirmwareId(image, report.boardId);
    if (state != CAPSULE_ARMED) {
        report.outcome = RestartOutcome::Discarded;
        report.lastStatus = slot.lastStatus;
        return report;
    }
    report = ApplyCapsule(image, std::move(capsule), failFlash, report);
    slot.lastStatus = report.lastStatus;
    return report;
}

} // namespace eficorvid
