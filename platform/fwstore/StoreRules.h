// What a board's store may hold. The store reader applies these rules to every record it
// reads, the writer to the whole image before it saves, and the tools to what users give
// them: a store that the writer accepts is one that the reader accepts. The limits are in
// docs/emulated-board.md ("Store file format").
//
// Each check answers what is wrong, in words that name the field ("fault name has 1025
// characters, ..."), or an empty string when the rule holds.
#pragma once

#include "StoreImage.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fwstore {

// The names a store keeps. Every name has at most MAX_NAME_LENGTH UTF-16 units and never
// holds NUL; board, fault and rule names may be empty (a fault without a name matches any;
// a defaults rule names no variable).
enum class NameField { Board, Variable, Counter, Fault, Rule };

const wchar_t* NameFieldLabel(NameField field);   // "board name", "variable name", ...
// The length alone, for a reader that has not read the name yet.
std::wstring NameLengthProblem(NameField field, size_t length);
std::wstring NameProblem(NameField field, std::wstring_view name);

// A variable, given the variables before it in the store: a valid name, at least one byte
// and at most 4294967295 bytes of data, and no other variable with its name and GUID.
std::wstring VariableProblem(std::span<const StoredVariable> earlier, const StoredVariable& variable);
// The counters of a variable: a valid name, and no other counters with its name and GUID.
std::wstring CountersProblem(std::span<const VariableCounters> earlier, const VariableCounters& counters);
// A fault: a known operation, known flags, at least one call left unless it fires on every
// call, a valid name.
std::wstring FaultProblem(const FaultRule& fault);
// A restart rule: a known kind; revert and protect name a valid variable, defaults none; a
// revert range of at least one byte that ends within 32 bits, the other kinds no range.
std::wstring RestartRuleProblem(const RestartRule& rule);
// The capsule slot: a known state and an image of at most 4294967295 bytes.
std::wstring CapsuleProblem(const CapsuleSlot& slot);

// Every rule above over a whole image, naming the record that breaks one ("fault 2: ...",
// counted from 1 as `fwsim fault list` does).
std::wstring StoreImageProblem(const StoreImage& image);

// A store larger than this is refused as damaged rather than read into memory, so none
// larger is ever written.
constexpr uint64_t STORE_MAX_FILE_BYTES = 256ull * 1024 * 1024;
std::wstring StoreFileSizeProblem(uint64_t bytes);

} // namespace fwstore
