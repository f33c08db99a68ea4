// The board's restart rules (StoreImage.h) at work, free of files and locks: how a rule is
// made from the board as it is, what a protect rule answers to a write, and what the rules
// do at a restart. fwsim runs the restart; the library asks about protection at each write.
#pragma once

#include "StoreImage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fwstore {

// "Setup" and its defaults, under the setup vendor GUID.
constexpr const wchar_t* SETUP_NAME = L"Setup";
constexpr const wchar_t* SETUP_DEFAULT_NAME = L"SetupDefault";
extern const GUID SETUP_VENDOR;

// EFI_STATUS_WRITE_PROTECTED when a protect rule names the variable, else EFI_STATUS_SUCCESS.
uint32_t ProtectionStatus(const StoreImage& image, std::wstring_view name, const GUID& vendor);

// A revert rule of bytes offset..offset+length-1 of a variable, holding the bytes they hold
// now. Answers what stops it ("variable ... does not exist", the range passes the variable's
// end), or an empty string with `rule` made.
std::wstring MakeRevertRule(const StoreImage& image, const std::wstring& name, const GUID& vendor, uint32_t offset,
    uint32_t length, RestartRule& rule);
// Why a defaults rule cannot be kept (the board has no "SetupDefault"), or an empty string.
std::wstring DefaultsRuleProblem(const StoreImage& image);

// What one rule did at a restart. A revert that found its bytes in place reports nothing.
struct RestartRuleEvent {
    enum class Kind {
        Reverted,          // the range went back to its bytes at the previous start
        RevertAbsent,      // the variable does not exist: skipped
        RevertTooShort,    // the variable ends before the range does: skipped
        Reset,             // "Setup" became a copy of "SetupDefault"
        ResetNoDefaults,   // the board has no "SetupDefault" any more
        ResetFailed,       // the copy was refused with `status` (no storage for it)
    };
    Kind kind = Kind::Reverted;
    std::wstring name;
    uint32_t offset = 0;
    uint32_t length = 0;
    size_t variableSize = 0;   // RevertTooShort
    uint32_t status = 0;       // ResetFailed
};

// The rules' part of a restart, before the firmware's own work: revert ranges go back, and a
// defaults rule resets "Setup" and is used up (whether or not it could).
std::vector<RestartRuleEvent> ApplyRestartRules(StoreImage& image);
// After the restart: each revert rule keeps the bytes its range started with, as the bytes
// the next restart goes back to. A rule whose variable is absent or too short keeps the old
// ones. True when any rule changed.
bool RecordStartBytes(StoreImage& image);

} // namespace fwstore
