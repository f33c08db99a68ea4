// The token records of the setup database: one HII_SETTING per question that lives in the
// setup variable and has a UQI, and one IFR_REF per reference between forms. Plain C++
// without Windows headers.
#pragma once

#include "HiiExpression.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Form id of a question or reference seen before any form.
constexpr uint16_t HII_NO_FORM = 0x5EED;

namespace HiiOpcode {
constexpr uint8_t Form = 0x01;
constexpr uint8_t OneOf = 0x05;
constexpr uint8_t CheckBox = 0x06;
constexpr uint8_t Numeric = 0x07;
constexpr uint8_t Password = 0x08;
constexpr uint8_t Option = 0x09;
constexpr uint8_t SuppressIf = 0x0A;
constexpr uint8_t EndFormSet = 0x0D;
constexpr uint8_t FormSet = 0x0E;
constexpr uint8_t Reference = 0x0F;
constexpr uint8_t EqIdVal = 0x12;
constexpr uint8_t EqIdId = 0x13;
constexpr uint8_t EqIdList = 0x14;
constexpr uint8_t And = 0x15;
constexpr uint8_t Or = 0x16;
constexpr uint8_t Not = 0x17;
constexpr uint8_t EndIf = 0x18;
constexpr uint8_t GrayoutIf = 0x19;
constexpr uint8_t EqVarVal = 0x22;
constexpr uint8_t OrderedList = 0x23;
constexpr uint8_t VariableStore = 0x24;
constexpr uint8_t VariableStoreSelect = 0x25;
} // namespace HiiOpcode

struct HII_OPTION {
    uint16_t value = 0;
    uint8_t flags = 0;
    std::u16string text;
};

struct IFR_REF {
    FirmwareGuid formSetGuid;
    uint16_t sourceForm = HII_NO_FORM;
    uint16_t targetForm = HII_NO_FORM;
    std::vector<CHiiBooleanExpression> suppressConditions;
};

// Where one copy of a question sits: a question repeated in several forms is one token, and
// it is applicable when any copy is. Its suppress conditions are the range
// [firstSuppress, firstSuppress + suppressCount) of the token's suppress conditions.
struct HII_PLACEMENT {
    FirmwareGuid formSetGuid;
    uint16_t formId = HII_NO_FORM;
    size_t firstSuppress = 0;
    size_t suppressCount = 0;
};

struct HII_SETTING {
    uint16_t opcodeHeader = 0;       // opcode in the low byte, length in the high byte
    std::u16string name;             // prompt, "eng"
    std::u16string description;      // help, "eng"; empty when the help token is 0
    std::u16string uqi;              // prompt, "uqi"; its first unit is the token's number
    std::u16string variableName;
    FirmwareGuid variableGuid;
    uint16_t offset = 0;             // the question id: byte offset in the variable
    uint8_t width = 0;               // bytes; 1 for ordered lists
    std::vector<CHiiBooleanExpression> grayoutConditions;
    std::vector<CHiiBooleanExpression> suppressConditions;
    // The kept bytes of the question opcode: 9, 12 or 20.
    std::array<uint8_t, 20> opcodeBytes{};
    uint8_t opcodeByteCount = 0;
    std::vector<HII_OPTION> options;
    FirmwareGuid formSetGuid;
    uint16_t formId = HII_NO_FORM;
    std::vector<HII_PLACEMENT> placements;
    // The references of the database the token came from.
    std::shared_ptr<const std::vector<IFR_REF>> references;

    uint8_t Opcode() const { return static_cast<uint8_t>(opcodeHeader & 0xFF); }
    uint16_t UQINumber() const { return uqi.empty() ? 0 : static_cast<uint16_t>(uqi[0]); }
    // Numeric questions keep minimum, maximum, step and default from their opcode bytes.
    bool NumericField(size_t offsetInOpcode, uint16_t& value) const;
};

// The byte that locks (2) or hides (1) a token: found when a grayout condition compares a
// question with 2 and a suppress condition over the same variable compares the same question
// with 1.
struct HiiLockHideByte {
    std::u16string variableName;
    FirmwareGuid variableGuid;
    uint16_t offset = 0;
    uint8_t width = 0;
};
bool FindLockHideByte(const HII_SETTING& setting, HiiLockHideByte& byte);
