// The setup database that GetExportDb answers: forms of questions over variable stores, with
// their strings, grouped in data tables. Opcode numbers and fixed sizes shared by the writer
// (SetupDbWriter.h) and the dump (SetupDbDecoder.h). All integers little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fwstore::setupdb {

// Database: a 16-bit table count, a reserved 16-byte GUID from offset 2, then the tables.
constexpr size_t DATABASE_HEADER_BYTES = 18;
constexpr size_t TABLE_HEADER_BYTES = 46;
constexpr size_t PACK_HEADER_BYTES = 6;
constexpr size_t VARIABLE_PACK_NAME_AT = 28;
constexpr size_t STRING_PACK_OFFSETS_AT = 22;

// Pack types are ours: the database's readers go by the table header's offsets alone.
constexpr uint16_t PACK_VARIABLE = 1;
constexpr uint16_t PACK_STRINGS = 2;
constexpr uint16_t PACK_FORMS = 3;

enum Opcode : uint8_t {
    OP_FORM = 0x01,
    OP_ONE_OF = 0x05,
    OP_CHECK_BOX = 0x06,
    OP_NUMERIC = 0x07,
    OP_PASSWORD = 0x08,
    OP_OPTION = 0x09,
    OP_SUPPRESS_IF = 0x0A,
    OP_END_FORM_SET = 0x0D,
    OP_FORM_SET = 0x0E,
    OP_REFERENCE = 0x0F,
    OP_EQ_ID_VAL = 0x12,
    OP_EQ_ID_ID = 0x13,
    OP_EQ_ID_LIST = 0x14,
    OP_AND = 0x15,
    OP_OR = 0x16,
    OP_NOT = 0x17,
    OP_END_IF = 0x18,
    OP_GRAYOUT_IF = 0x19,
    OP_EQ_VAR_VAL = 0x22,
    OP_ORDERED_LIST = 0x23,
    OP_VARIABLE_STORE = 0x24,
    OP_VARIABLE_SELECT = 0x25,
    OP_END_FORM = 0x29,
};

// Opcode lengths (the length byte counts the opcode and length bytes).
constexpr uint8_t FORM_BYTES = 6;
constexpr uint8_t ONE_OF_BYTES = 9;
constexpr uint8_t CHECK_BOX_BYTES = 12;
constexpr uint8_t NUMERIC_BYTES = 20;
constexpr uint8_t PASSWORD_BYTES = 16;
constexpr uint8_t OPTION_BYTES = 9;
constexpr uint8_t REFERENCE_BYTES = 10;
constexpr uint8_t FORM_SET_BYTES = 24;
constexpr uint8_t VARIABLE_STORE_NAME_AT = 22;
constexpr uint8_t VARIABLE_SELECT_BYTES = 4;
constexpr uint8_t EQ_ID_BYTES = 7;        // EQ_ID_VAL, EQ_ID_ID, and EQ_ID_LIST before its values
constexpr uint8_t EQ_VAR_VAL_BYTES = 6;
constexpr uint8_t PLAIN_BYTES = 2;        // AND, OR, NOT, the if opcodes and the end opcodes
// An EQ_ID_LIST's values must leave its length within one byte.
constexpr size_t EQ_ID_LIST_MAX_VALUES = (255 - EQ_ID_BYTES) / 2;

// The vendor of "Setup" and its companions.
constexpr std::string_view SETUP_GUID_TEXT = "{EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}";

// UTF-8 to UTF-16 units and back; nothing when the UTF-8 is malformed. The database's
// strings are UTF-16; profiles and dumps are UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace fwstore::setupdb
