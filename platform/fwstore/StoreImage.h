// The whole state of one emulated board, as held in its store file: variables, the setup
// export database, call counters, armed faults, the capsule slot and the restart rules.
#pragma once

#include "Guid.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fwstore {

// Longest variable name, in UTF-16 code units without the terminator.
constexpr uint32_t MAX_NAME_LENGTH = 1024;
// Bytes of variable storage that a variable takes besides its data and its name:
// the header that a flash store keeps for each variable.
constexpr uint32_t VARIABLE_HEADER_BYTES = 32;

// Attribute bits that the emulated store accepts.
constexpr uint32_t ATTRIBUTE_NON_VOLATILE = 0x1;
constexpr uint32_t ATTRIBUTE_BOOTSERVICE_ACCESS = 0x2;
constexpr uint32_t ATTRIBUTE_RUNTIME_ACCESS = 0x4;
constexpr uint32_t ATTRIBUTES_SUPPORTED = 0x7;

struct StoredVariable {
    std::wstring name;
    GUID vendor{};
    uint32_t attributes = 0;
    std::vector<uint8_t> data;
};

// Calls per variable, kept whether or not the variable exists (reads of absent variables
// and deletions count too).
struct VariableCounters {
    std::wstring name;
    GUID vendor{};
    uint32_t reads = 0;          // GetVariable calls
    uint32_t writes = 0;         // successful SetVariable calls with data
    uint32_t deletes = 0;        // successful SetVariable calls with size 0
    uint32_t failedWrites = 0;   // SetVariable calls that answered a failure
    uint64_t bytesWritten = 0;   // data bytes of the successful writes
};

enum class StoreOperation : uint32_t {
    GetVariable = 1,
    SetVariable = 2,
    GetExportDb = 3,
    GetNextVariableName = 4,
    ReadPhysicalMemory = 5,
    // The capsule-update library's exports; they carry no variable name.
    PrepareCapsule = 6,
    InvokeCapsule = 7,
    GetLastStatus = 8,
};
constexpr uint32_t STORE_OPERATION_LAST = 8;

constexpr uint32_t FAULT_MATCH_VENDOR = 0x1;   // only calls with this vendor GUID match
constexpr uint32_t FAULT_EVERY_CALL = 0x2;     // fires on every matching call, never used up
constexpr uint32_t FAULT_FLAGS_KNOWN = 0x3;

// "Let `skip` matching calls pass, then answer `status` to the next `remaining` ones."
// An empty name matches every name (and calls that carry none).
struct FaultRule {
    StoreOperation operation = StoreOperation::SetVariable;
    uint32_t status = 0;
    uint32_t flags = 0;
    uint32_t skip = 0;
    uint32_t remaining = 1;
    GUID vendor{};
    std::wstring name;
};

enum CapsuleState : uint32_t {
    CAPSULE_EMPTY = 0,
    CAPSULE_STAGED = 1,   // an image was handed over
    CAPSULE_ARMED = 2,    // the update is armed and runs at the next restart
};
constexpr uint32_t CAPSULE_STATE_LAST = 2;

// The capsule-update component's view of the board: the staged image and what the last
// update attempt answered; resetCount counts emulated restarts.
struct CapsuleSlot {
    uint32_t state = CAPSULE_EMPTY;
    uint32_t lastStatus = 0;
    uint32_t flags = 0;
    uint32_t resetCount = 0;
    std::vector<uint8_t> image;
};

// How the board misbehaves around a restart, as real firmware does: it drops a write, refuses
// to write a variable, or falls back to its defaults after a failed start.
enum class RestartRuleKind : uint32_t {
    Revert = 1,     // a byte range of a variable goes back, at every restart, to what it held at the previous start
    Protect = 2,    // every SetVariable of the variable is refused
    Defaults = 3,   // at the next restart only, "Setup" becomes a copy of "SetupDefault"
};
constexpr uint32_t RESTART_RULE_KIND_LAST = 3;

struct RestartRule {
    RestartRuleKind kind = RestartRuleKind::Protect;
    std::wstring name;   // the variable, for Revert and Protect; empty for Defaults
    GUID vendor{};
    uint32_t offset = 0; // Revert: the first byte of the range
    // Revert: the range's bytes at the board's previous start; its size is the range's length.
    std::vector<uint8_t> startBytes;
};

struct StoreImage {
    std::wstring boardName;
    uint32_t capacity = 0;   // bytes of variable storage
    std::vector<StoredVariable> variables;
    std::vector<uint8_t> exportDb;
    uint32_t exportDbReads = 0;
    std::vector<VariableCounters> counters;
    std::vector<FaultRule> faults;
    CapsuleSlot capsule;
    std::vector<RestartRule> restartRules;
};

// Bytes of storage one variable takes: header, name with its terminator, data.
uint64_t VariableStorageBytes(size_t nameLength, size_t dataSize);
uint64_t UsedStorageBytes(const StoreImage& image);

StoredVariable* FindVariable(StoreImage& image, std::wstring_view name, const GUID& vendor);
const StoredVariable* FindVariable(const StoreImage& image, std::wstring_view name, const GUID& vendor);
// The counters of a variable, created on first use.
VariableCounters& CountersFor(StoreImage& image, std::wstring_view name, const GUID& vendor);
const VariableCounters* FindCounters(const StoreImage& image, std::wstring_view name, const GUID& vendor);

} // namespace fwstore
