// The setup sections of a board profile: [Store NAME] (a variable store of the setup
// database) and [FormSet NAME] (one data table: its forms, questions and conditions, as
// statements in file order). The syntax is in docs/emulated-board.md, "Setup forms".
// Plain C++ over text; the compiler is SetupDbWriter.h.
#pragma once

#include "Guid.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fwstore::setup {

// A problem found in the profile, with the line it is on (1-based).
struct SetupError {
    size_t line = 0;
    std::string message;
};

struct StoreDefinition {
    std::string name;
    size_t line = 0;
    std::optional<GUID> guid;
    std::optional<uint16_t> id;
    std::optional<uint32_t> size;   // bytes; without it the end of its highest question
};

enum class StatementKind {
    Form, Goto, SuppressIf, GrayoutIf, EndIf, OneOf, Option, CheckBox, Numeric, OrderedList, Select, Password, Byte
};

// One word of a condition: the opcode and its numbers, as written.
struct ConditionTerm {
    uint8_t opcode = 0;
    uint16_t first = 0;              // question id, or the variable id of EqVarVal
    uint8_t width = 0;
    std::vector<uint16_t> values;    // value, second question id, or the list
};

struct Statement {
    StatementKind kind = StatementKind::Form;
    size_t line = 0;
    uint16_t id = 0;                 // Form: its id; Goto: the target form
    uint16_t offset = 0;             // questions, Password, Byte
    uint8_t width = 0;               // bytes of the value (OrderedList: its entries)
    std::string prompt, help;        // UTF-8; Form title and Option text go in `prompt`
    std::vector<uint16_t> uqi;
    std::optional<uint32_t> defaultValue;
    std::vector<uint8_t> listDefault;   // OrderedList: one byte per entry
    uint16_t minimum = 0, maximum = 0, step = 0, key = 0;
    uint16_t value = 0;              // Option value, Byte value
    uint8_t flags = 0;
    bool hasFlags = false;
    std::string store;               // Select
    std::vector<ConditionTerm> condition;
};

struct FormSetDefinition {
    std::string name;
    size_t line = 0;
    std::optional<GUID> guid;
    std::optional<GUID> package;
    std::optional<std::vector<std::string>> stores;   // none given: "Setup" when defined
    size_t storesLine = 0;
    std::vector<std::string> languages{"eng", "uqi"};
    size_t languagesLine = 0;
    std::vector<Statement> statements;
};

struct SetupDescription {
    std::vector<StoreDefinition> stores;
    std::vector<FormSetDefinition> formSets;
};

// Reads the setup sections line by line. The board profile hands it every section header
// and the lines of the sections it takes.
class SetupProfileReader {
public:
    // True when the header (text between the brackets) opens a setup section; the reader
    // then takes the lines up to the next header. False with an empty error otherwise.
    bool StartSection(std::string_view name, size_t line, SetupError& error);
    bool Line(std::string_view line, size_t lineNumber, SetupError& error);
    void EndSection() { m_current = Current::None; }

    SetupDescription TakeDescription() { return std::move(m_description); }

private:
    enum class Current { None, Store, FormSet };

    bool StoreKey(std::string_view key, std::string_view value, SetupError& error);
    bool FormSetKey(std::string_view key, std::string_view value, SetupError& error);
    bool AddStatement(std::string_view key, std::string_view value, SetupError& error);

    SetupDescription m_description;
    Current m_current = Current::None;
    size_t m_line = 0;
};

// Drops a trailing "; comment" (a ';' at the start or after a space, outside quotes).
std::string_view StripTrailingComment(std::string_view line);

// Reads the setup sections of a whole profile, skipping its other sections. Malformed
// headers are left to the board profile's reader.
bool ReadSetupSections(std::string_view profileText, SetupDescription& description, SetupError& error);

} // namespace fwstore::setup
