// What the firmware-variable library's exports do to a board's state, free of files and
// locks: the library runs these inside one store transaction. Each answers an EFI status
// and sets `modified` when the image must be saved (counters and faults change too).
#pragma once

#include "StoreImage.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace fwstore {

struct OperationResult {
    uint32_t status = 0;
    bool modified = false;
};

OperationResult GetVariableIn(StoreImage& image, const wchar_t* name, const GUID* vendor,
    uint32_t* attributes, uint32_t* dataSize, void* data);
OperationResult SetVariableIn(StoreImage& image, const wchar_t* name, const GUID* vendor,
    const uint32_t* attributes, const uint32_t* dataSize, const void* data);
OperationResult GetExportDbIn(StoreImage& image, uint32_t* dataSize, void* data);
// `nameSize` is in bytes, terminator included, as firmware enumeration counts it. An empty
// name starts the walk; status 4 ends it.
OperationResult GetNextVariableNameIn(StoreImage& image, uint32_t* nameSize, wchar_t* name, GUID* vendor);
// The emulated board maps no physical memory: valid requests answer 8 (not supported).
OperationResult ReadPhysicalMemoryIn(StoreImage& image, uint64_t address, uint32_t* dataSize, void* data);

// Plain variable access for tools: no counters, no faults, the same rules of names, size
// and capacity, so a tool answers the status the library would (3 for an empty name or
// one above 1024 characters, 4 for an absent variable). `SetStoredVariable` with empty
// data deletes.
uint32_t GetStoredVariable(const StoreImage& image, const std::wstring& name, const GUID& vendor,
    const StoredVariable*& variable);
uint32_t SetStoredVariable(StoreImage& image, const std::wstring& name, const GUID& vendor,
    uint32_t attributes, const std::vector<uint8_t>& data);

// The status of the first armed fault that matches the call, consuming it. `name` may be
// null for operations that carry no name.
std::optional<uint32_t> TakeFault(StoreImage& image, StoreOperation operation, const wchar_t* name, const GUID* vendor);

// The length of a NUL-terminated name, or nothing when it is longer than any variable name.
std::optional<size_t> BoundedNameLength(const wchar_t* name);
// The store's rule for variable names (StoreRules.h), which every export and tool applies.
bool ValidVariableName(std::wstring_view name);

} // namespace fwstore

namespace fwstore {

// One library call as one store transaction: takes the board's lock, loads its state, runs
// `operation`, saves when it changed anything. Problems with the store itself go to the
// debugger output under `library`'s name, since the substitute libraries have no log and
// their callers see only the status. No exception leaves it.
uint32_t TransactWithConfiguredStore(const wchar_t* library, const std::function<OperationResult(StoreImage&)>& operation,
                                     uint32_t outOfMemoryStatus, uint32_t unknownStatus);

} // namespace fwstore
