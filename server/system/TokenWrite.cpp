#include "TokenWrite.h"

#include "HiiConvert.h"
#include "VariableCatalogue.h"
#include "VariableMerge.h"

#include "frame/EventTarget.h"

#include "ErrorMacros.h"

#include <algorithm>

namespace {

bool IsSetup(const GUID& guid, const std::wstring& name)
{
    return name == VariableName::Setup && IsEqualGUID(guid, VendorGuid::Setup);
}

std::wstring TerminatedUqi(const std::wstring& uqi)
{
    std::wstring units = uqi;
    units.push_back(L'\0');
    return units;
}

unsigned short* Units(std::wstring& text) { return reinterpret_cast<unsigned short*>(text.data()); }

} // namespace

namespace TokenWrite {

BYTE ValueWidth(const HII_SETTING& setting)
{
    const uint8_t opcode = setting.Opcode();
    return opcode == HiiOpcode::OrderedList || opcode == HiiOpcode::CheckBox ? 1 : setting.width;
}

size_t ValueCount(const HII_SETTING& setting)
{
    if (setting.Opcode() != HiiOpcode::OrderedList) {
        return 1;
    }
    return setting.opcodeByteCount > 4 ? setting.opcodeBytes[4] : 0;
}

bool Accepts(const HII_SETTING& setting, LONG value)
{
    switch (setting.Opcode()) {
    case HiiOpcode::CheckBox:
        return value == 0 || value == 1;
    case HiiOpcode::Numeric: {
        uint16_t minimum = 0, maximum = 0;
        return setting.NumericField(12, minimum) && setting.NumericField(14, maximum) && value >= minimum &&
               value <= maximum;
    }
    case HiiOpcode::OneOf:
    case HiiOpcode::OrderedList:
        return std::any_of(setting.options.begin(), setting.options.end(),
                           [value](const HII_OPTION& option) { return option.value == value; });
    default:
        return false;
    }
}

long FirstRefused(const HII_SETTING& setting, std::span<const LONG> values)
{
    for (size_t i = 0; i < values.size(); ++i) {
        if (!Accepts(setting, values[i])) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

bool ReadValue(std::span<const BYTE> bytes, size_t offset, BYTE width, LONG& value)
{
    // One-of, check-box and numeric values are at most four bytes wide.
    const size_t count = std::min<size_t>(width, 4);
    if (!variable_merge::FitsInVariable(offset, count, bytes.size())) {
        return false;
    }
    ULONG number = 0;
    for (size_t i = 0; i < count; ++i) {
        number |= static_cast<ULONG>(bytes[offset + i]) << (8 * i);
    }
    value = static_cast<LONG>(number);
    return true;
}

HRESULT FitsVariable(CInstallEFIVar& collector, const HII_SETTING& setting, size_t count, bool& fits)
{
    const std::vector<BYTE>* data = nullptr;
    RETURN_IF_FAILED(collector.GetVariableData(ToGuid(setting.variableGuid), ToWide(setting.variableName), &data));
    fits = variable_merge::FitsInVariable(setting.offset, count * ValueWidth(setting), data->size());
    return S_OK;
}

HRESULT WriteBytes(CInstallEFIVar& collector, const GUID& guid, const std::wstring& name, ULONG offset, BYTE width,
    LONG value)
{
    const auto number = static_cast<ULONG>(value);
    for (BYTE i = 0; i < width; ++i) {
        const BYTE byte = i < sizeof number ? static_cast<BYTE>(number >> (8 * i)) : 0;
        RETURN_IF_FAILED(collector.SetEFIVarData(guid, name, offset + i, byte));
        if (IsSetup(guid, name)) {
            RETURN_IF_FAILED(collector.SetEFIVarData(guid, VariableName::OemDefault, offset + i, byte));
        }
    }
    return S_OK;
}

HRESULT WriteValues(CInstallEFIVar& collector, const HII_SETTING& setting, std::span<const LONG> values)
{
    const GUID guid = ToGuid(setting.variableGuid);
    const std::wstring name = ToWide(setting.variableName);
    const BYTE width = ValueWidth(setting);
    for (size_t i = 0; i < values.size(); ++i) {
        RETURN_IF_FAILED(WriteBytes(collector, guid, name, static_cast<ULONG>(setting.offset + i * width), width, values[i]));
    }
    return S_OK;
}

void FireBadValue(const std::wstring& uqi, const std::wstring& name, long index)
{
    std::wstring units = TerminatedUqi(uqi);
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return target.Fire_OnBadTokenIniValue(Units(units), name.c_str(), index);
    });
    ToolkitEvents::RaiseWarning();
}

void FireUqiNotOnSystem(const std::wstring& uqi)
{
    std::wstring units = TerminatedUqi(uqi);
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return target.Fire_OnUqiNotOnSystem(Units(units)); });
    ToolkitEvents::RaiseWarning();
}

namespace {

using NamedTokenEvent = HRESULT (IToolkitEventTarget::*)(unsigned short*, const wchar_t*);

void FireNamed(NamedTokenEvent event, const std::wstring& uqi, const std::wstring& name)
{
    std::wstring units = TerminatedUqi(uqi);
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) { return (target.*event)(Units(units), name.c_str()); });
    ToolkitEvents::RaiseWarning();
}

} // namespace

void FireNotLockable(const std::wstring& uqi, const std::wstring& name)
{
    FireNamed(&IToolkitEventTarget::Fire_OnTokenNotLockable, uqi, name);
}

void FireNotHideable(const std::wstring& uqi, const std::wstring& name)
{
    FireNamed(&IToolkitEventTarget::Fire_OnTokenNotHideable, uqi, name);
}

void FireLockHideSameTime(const std::wstring& uqi, const std::wstring& name)
{
    FireNamed(&IToolkitEventTarget::Fire_OnTokenLockHideSameTime, uqi, name);
}

} // namespace TokenWrite
