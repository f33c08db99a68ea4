// fwsim sequence: what the firmware does at the next start with the SMBus sequence buffer
// that the server's cooling install wrote. It reads "BmiUserSequence", checks and decodes it,
// runs its sequences on the board's hardware-monitor chip (the address that record 1 of
// "QrvDataVar" lists) from the chip's power-on registers, and shows the operations, the
// registers they changed and every cooling setting as the programmed chip reads back. The
// store is not changed: the chip's registers live only for the command.
#include "FwSimCommands.h"

#include "EfiGuid.h"
#include "EfiStatus.h"
#include "FirmwareStore.h"
#include "StoreOperations.h"
#include "cooling/SmbusSequence.h"
#include "system/QrvRecords.h"

#include <cwchar>

using namespace fwstore;

namespace fwsim {

namespace {

constexpr wchar_t kSequenceVariable[] = L"BmiUserSequence";
constexpr GUID kSequenceVendor = {0x8388ED89, 0x444E, 0x46F7, {0xAB, 0xA0, 0xD8, 0x4E, 0x3B, 0x6A, 0xEF, 0xCB}};
constexpr wchar_t kDataVariable[] = L"QrvDataVar";
constexpr GUID kDataVendor = {0x3812723D, 0x7E48, 0x4E29, {0xBC, 0x27, 0xF5, 0xA3, 0x9A, 0xC9, 0x4E, 0xF1}};
constexpr uint32_t kMonitorRecord = 1;
constexpr size_t kFirstChipOffset = 8;

using Registers = std::array<uint8_t, 256>;

std::wstring Hex(unsigned value)
{
    wchar_t text[8];
    swprintf(text, 8, L"0x%02X", value);
    return text;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::wstring Number(double value)
{
    wchar_t text[32];
    swprintf(text, 32, L"%g", value);
    return text;
}

std::wstring VariableName(const wchar_t* name, const GUID& vendor)
{
    return L"\"" + std::wstring(name) + L"\" " + FormatRegistryGuid(vendor);
}

// The data of a variable, or false with the message already printed.
bool ReadVariable(const StoreImage& image, const wchar_t* name, const GUID& vendor, const StoredVariable*& variable)
{
    const uint32_t status = GetStoredVariable(image, name, vendor, variable);
    if (status == EFI_STATUS_NOT_FOUND) {
        PrintError(L"variable " + VariableName(name, vendor) + L" does not exist");
        return false;
    }
    if (status != EFI_STATUS_SUCCESS) {
        PrintError(L"cannot read " + VariableName(name, vendor) + L": status " + std::to_wstring(status));
        return false;
    }
    return true;
}

// The chip's 7-bit address from record 1 of "QrvDataVar", or 0 with the message printed.
uint8_t ChipAddress(const StoreImage& image)
{
    const StoredVariable* variable = nullptr;
    if (!ReadVariable(image, kDataVariable, kDataVendor, variable))
        return 0;
    std::span<const uint8_t> record;
    std::string problem;
    switch (FindQrvRecord(variable->data, kMonitorRecord, record, problem)) {
    case QrvFind::Malformed:
        PrintError(VariableName(kDataVariable, kDataVendor) + L" is damaged: " + Widen(problem));
        return 0;
    case QrvFind::Absent:
        PrintError(VariableName(kDataVariable, kDataVendor) + L" has no record 1: the board lists no hardware-monitor chip");
        return 0;
    case QrvFind::Found:
        break;
    }
    if (record.size() <= kFirstChipOffset || record[kFirstChipOffset] == 0) {
        PrintError(L"record 1 of " + VariableName(kDataVariable, kDataVendor) + L" lists no hardware-monitor chip");
        return 0;
    }
    return record[kFirstChipOffset] >> 1;
}

const wchar_t* FormatName(uint8_t formatCode)
{
    switch (formatCode) {
    case 1: return L"interface before 1.1";
    case 2: return L"interface 1.1 to 1.5";
    default: return L"interface 1.6 or later";
    }
}

std::wstring Count(size_t count, const wchar_t* thing)
{
    return std::to_wstring(count) + L" " + thing + (count == 1 ? L"" : L"s");
}

std::wstring Condition(uint8_t code, const std::wstring& reg, const std::wstring& value)
{
    namespace op = cooling::opcode;
    switch (code) {
    case op::IfAnySet: return L"(" + reg + L" & " + value + L") != 0";
    case op::IfNoneSet: return L"(" + reg + L" & " + value + L") == 0";
    case op::IfEqual: return reg + L" == " + value;
    case op::IfNotEqual: return reg + L" != " + value;
    case op::IfBelow: return reg + L" < " + value;
    case op::IfAtLeast: return reg + L" >= " + value;
    case op::IfAbove: return reg + L" > " + value;
    default: return reg + L" <= " + value;
    }
}

std::wstring Describe(const cooling::Operation& operation)
{
    namespace op = cooling::opcode;
    const std::wstring reg = L"register " + Hex(operation.reg);
    const std::wstring value = Hex(operation.value);
    switch (operation.code) {
    case op::WriteByte: return L"write " + reg + L" = " + value;
    case op::UpdateBits: return L"update " + reg + L": bits " + Hex(operation.extra) + L" = " + value;
    case op::ReadByte: return L"read " + reg;
    case op::WriteChecked: return L"write " + reg + L" = " + value + L" and check it";
    default: break;
    }
    return L"if " + Condition(operation.code, reg, value) + L", run the next " + Count(operation.extra, L"operation");
}

void PrintSequence(size_t number, const cooling::Sequence& sequence)
{
    Print(L"sequence " + std::to_wstring(number) + L": device " + Hex(sequence.firstAttribute) + L" (7-bit " +
          Hex(sequence.firstAttribute >> 1u) + L"), version " + std::to_wstring(sequence.secondAttribute) + L", " +
          Count(sequence.operations.size(), L"operation"));
    for (size_t i = 0; i < sequence.operations.size(); ++i) {
        const cooling::Operation& operation = sequence.operations[i];
        wchar_t bytes[32];
        swprintf(bytes, 32, L"  %2u: %02X %02X %02X %02X  ", static_cast<unsigned>(i + 1), operation.code, operation.reg, operation.value,
            operation.extra);
        Print(bytes + Describe(operation));
    }
}

// The choice of `setting` whose internal value is `internal`.
std::wstring ChoiceText(const cooling::SettingDefinition& setting, std::optional<int> internal, double code)
{
    for (const cooling::Choice& choice : setting.choices) {
        if (internal && choice.internal != nullptr && std::to_wstring(*internal) == choice.internal)
            return choice.text;
    }
    return L"code " + Number(code) + L" (none of the setting's choices)";
}

std::wstring SettingValue(const cooling::SettingDefinition& setting, double value)
{
    const auto code = static_cast<uint8_t>(value);
    switch (setting.type) {
    case cooling::SettingType::Mapping:
        return ChoiceText(setting, cooling::MappingInternalValue(code), value);
    case cooling::SettingType::Frequency:
        return ChoiceText(setting, cooling::FrequencyInternalValue(code), value);
    default:
        return Number(value);
    }
}

void PrintChip(const Registers& registers)
{
    const Registers powerOn = cooling::ChipDefaults();
    Print(L"registers changed from power-on:");
    for (size_t reg = 0; reg < registers.size(); ++reg) {
        if (registers[reg] != powerOn[reg])
            Print(L"  " + Hex(static_cast<unsigned>(reg)) + L" = " + Hex(registers[reg]) + L" (was " + Hex(powerOn[reg]) + L")");
    }
    Print(L"settings as the chip reads back:");
    const cooling::Corrin6Config chip = cooling::Corrin6Config::FromRegisters(registers);
    for (const cooling::SettingDefinition& setting : cooling::Settings()) {
        const std::optional<double> value = chip.Read(setting.type, setting.index);
        Print(L"  " + std::wstring(setting.name) + L" = " + (value ? SettingValue(setting, *value) : L"?"));
    }
}

} // namespace

int ShowSequence(const Arguments& arguments)
{
    if (!arguments.empty()) {
        PrintError(L"sequence takes no arguments");
        return EXIT_USAGE;
    }
    std::unique_ptr<CFirmwareStore> store;
    StoreResult result = CFirmwareStore::FromEnvironment(store);
    StoreImage image;
    if (result.Ok())
        result = store->Load(image);
    if (!result.Ok()) {
        PrintError(result.message);
        return EXIT_FAILED;
    }
    const StoredVariable* variable = nullptr;
    if (!ReadVariable(image, kSequenceVariable, kSequenceVendor, variable))
        return EXIT_FAILED;
    cooling::DecodedBuffer decoded;
    std::string problem;
    if (!cooling::DecodeBuffer(variable->data, decoded, problem)) {
        PrintError(L"the sequence buffer in " + VariableName(kSequenceVariable, kSequenceVendor) + L" is refused: " +
                   Widen(problem));
        return EXIT_FAILED;
    }
    const uint8_t address = ChipAddress(image);
    if (address == 0)
        return EXIT_FAILED;

    Print(VariableName(kSequenceVariable, kSequenceVendor) + L": " + std::to_wstring(variable->data.size()) +
          L" bytes, format " + std::to_wstring(decoded.formatCode) + L" (" + FormatName(decoded.formatCode) + L"), " +
          Count(decoded.sequences.size(), L"sequence"));
    Registers registers = cooling::ChipDefaults();
    for (size_t i = 0; i < decoded.sequences.size(); ++i) {
        PrintSequence(i + 1, decoded.sequences[i]);
        if (!cooling::RunOnChip(decoded.sequences[i], address, registers, problem)) {
            PrintError(L"sequence " + std::to_wstring(i + 1) + L" does not run on the board's chip: " + Widen(problem));
            return EXIT_FAILED;
        }
    }
    PrintChip(registers);
    return EXIT_OK;
}

} // namespace fwsim
