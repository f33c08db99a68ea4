#include "SystemBuilder.h"

#include "ConfigurationPoint.h"
#include "ExtractHiiTokens.h"
#include "HiiConvert.h"
#include "HiiTokenSource.h"
#include "SarnQRVData.h"
#include "VariableCatalogue.h"

#include "config/ConfigGroup.h"
#include "config/TokensSetting.h"
#include "config/VariantCollection.h"
#include "config/VariantValues.h"
#include "frame/ErrorInfoManager.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

constexpr wchar_t kSetupDefault[] = L"SetupDefault";
// A value is at most four bytes: the widths of one-of, check-box and numeric questions.
constexpr BYTE kMaxValueBytes = 4;

bool IsSetupVariable(const HII_SETTING& setting)
{
    return setting.variableName == u"Setup" && IsEqualGUID(ToGuid(setting.variableGuid), VendorGuid::Setup);
}

// The entries of an ordered list: one byte each, kept in the question's opcode.
BYTE ListEntries(const HII_SETTING& setting)
{
    return setting.opcodeByteCount > 4 ? setting.opcodeBytes[4] : 0;
}

// The value of `width` bytes at `offset`, least significant first; false past the end.
bool LittleEndian(const std::vector<BYTE>& bytes, ULONG offset, BYTE width, LONG& value)
{
    const BYTE count = std::min(width, kMaxValueBytes);
    if (offset > bytes.size() || count > bytes.size() - offset) {
        return false;
    }
    ULONG number = 0;
    for (BYTE i = 0; i < count; ++i) {
        number |= static_cast<ULONG>(bytes[offset + i]) << (8 * i);
    }
    value = static_cast<LONG>(number);
    return true;
}

bool HasOption(const HII_SETTING& setting, LONG value)
{
    return std::any_of(setting.options.begin(), setting.options.end(),
                       [value](const HII_OPTION& option) { return option.value == value; });
}

// A collection of the list's entries; an entry the question has no option for becomes a
// choice without a text, so that the firmware's list is kept as it is.
HRESULT MakeList(CTokensSetting& token, const std::vector<LONG>& entries, ComPtr<CVariantCollection>& list)
{
    RETURN_IF_FAILED(CVariantCollection::Make(list));
    for (LONG entry : entries) {
        UniqueVariant value = IntegerVariant(entry);
        if (!token.HasTextForValue(entry) && token.Choices().IsElementAlreadyInList(*value.get()) != S_OK) {
            RETURN_IF_FAILED(token.AddChoice(*value.get()));
        }
        RETURN_IF_FAILED(list->Add(*value.get()));
    }
    return S_OK;
}

void FireBadValue(const HII_SETTING& setting, long index)
{
    std::wstring uqi = ToWide(setting.uqi);
    const std::wstring name = ToWide(setting.name);
    uqi.push_back(L'\0');
    ToolkitEvents::Fire([&](IToolkitEventTarget& target) {
        return target.Fire_OnBadTokenIniValue(reinterpret_cast<unsigned short*>(uqi.data()), name.c_str(), index);
    });
    ToolkitEvents::RaiseWarning();
}

} // namespace

HRESULT CTokensSystemBuilder::GetTokenValue(const HII_SETTING& setting, ULONG offset, BYTE width, LONG& value)
{
    const std::wstring name = ToWide(setting.variableName);
    const std::vector<BYTE>* data = nullptr;
    if (FAILED(m_collector.GetVariableData(ToGuid(setting.variableGuid), name, &data)) ||
        !LittleEndian(*data, offset, width, value)) {
        return REPORT_FAILURE(L"CTokensSystemBuilder::GetTokenValue", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Error reading token value (UQI: %04X)\n  VarName: %ls  Offset: 0x%08X",
                              setting.UQINumber(), name.c_str(), static_cast<unsigned>(offset));
    }
    return S_OK;
}

// The manufacturing default of a setup value comes from "SetupDefault"; a board without it
// has only the current values to offer.
HRESULT CTokensSystemBuilder::GetDefaultValue(const HII_SETTING& setting, ULONG offset, BYTE width, LONG& value)
{
    const std::vector<BYTE>* defaults = nullptr;
    if (IsSetupVariable(setting) && SUCCEEDED(m_collector.GetVariableData(VendorGuid::Setup, kSetupDefault, &defaults)) &&
        LittleEndian(*defaults, offset, width, value)) {
        return S_OK;
    }
    if (FAILED(GetTokenValue(setting, offset, width, value))) {
        return REPORT_FAILURE(L"CTokensSystemBuilder::GetDefaultValues", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Could not find existing variable for getting defaults");
    }
    return S_OK;
}

HRESULT CTokensSystemBuilder::PopulatePureLockHide(const CHiiTokenSource& source, CTokensSetting& token)
{
    const std::optional<TokenControlByte> control = source.LockHideControl();
    token.SetLockable(control.has_value());
    token.SetHideable(control.has_value());
    token.SetLockHideControl(control);
    if (!control) {
        return S_OK;
    }
    BYTE state = 0;
    if (FAILED(m_collector.GetEFIVarData(&control->variableGuid, control->variableName, control->offset, &state))) {
        return REPORT_FAILURE(L"CTokensSystemBuilder::PopulatePureLockHide", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Error getting lock/hide value for token with UQI %04X\n",
                              source.Setting().UQINumber());
    }
    token.SetLockState(state == 2, state == 1);
    return S_OK;
}

HRESULT CTokensSystemBuilder::PopulateSetting(const std::shared_ptr<const HII_SETTING>& record, CTokensSetting& token)
try {
    const HII_SETTING& setting = *record;
    const uint16_t number = setting.UQINumber();
    token.SetNameText(ToWide(setting.name));
    token.SetDescription(ToWide(setting.description));
    token.SetUQI(ToWide(setting.uqi));
    wchar_t section[16];
    std::swprintf(section, 16, L"SETTING_%04X", number);
    token.SetDataID(section);
    const auto source = std::make_shared<CHiiTokenSource>(record);
    token.SetSource(source);

    LONG value = 0;
    LONG defaultValue = 0;
    const char* kind = "common";
    HRESULT hr = S_OK;
    switch (setting.Opcode()) {
    case HiiOpcode::OneOf:
        kind = "One-of-specific";
        token.SetType(EConfigType_Choice);
        for (const HII_OPTION& option : setting.options) {
            UniqueVariant text;
            if (FAILED(hr = TextVariant(ToWide(option.text), text)) || FAILED(hr = token.AddChoice(option.value, *text.get()))) {
                break;
            }
        }
        // The firmware's value is taken as it is, also one that none of the options has.
        if (SUCCEEDED(hr) && SUCCEEDED(hr = GetTokenValue(setting, setting.offset, setting.width, value)) &&
            SUCCEEDED(hr = GetDefaultValue(setting, setting.offset, setting.width, defaultValue))) {
            hr = token.StoreFirmwareValues(*IntegerVariant(value).get(), *IntegerVariant(defaultValue).get());
        }
        // A value none of the options has: writing the token tells the client.
        token.SetInvalidValue(!token.HasTextForValue(value));
        break;
    case HiiOpcode::CheckBox:
        kind = "Checkbox-specific";
        token.SetType(EConfigType_Bool);
        if (SUCCEEDED(hr = GetTokenValue(setting, setting.offset, 1, value)) &&
            SUCCEEDED(hr = GetDefaultValue(setting, setting.offset, 1, defaultValue))) {
            hr = token.StoreFirmwareValues(*BoolVariant(value != 0).get(), *BoolVariant(defaultValue != 0).get());
        }
        break;
    case HiiOpcode::Numeric: {
        kind = "Numeric-specific";
        token.SetType(EConfigType_Integer);
        uint16_t minimum = 0, maximum = 0, step = 1;
        if (!setting.NumericField(12, minimum) || !setting.NumericField(14, maximum) || !setting.NumericField(16, step)) {
            hr = E_FAIL;
            break;
        }
        token.SetMinimum(minimum);
        token.SetMaximum(maximum);
        token.SetIncrement(step);
        // Taken as it is, also a value outside the question's range.
        if (SUCCEEDED(hr = GetTokenValue(setting, setting.offset, setting.width, value)) &&
            SUCCEEDED(hr = GetDefaultValue(setting, setting.offset, setting.width, defaultValue))) {
            hr = token.StoreFirmwareValues(*IntegerVariant(value).get(), *IntegerVariant(defaultValue).get());
        }
        break;
    }
    case HiiOpcode::OrderedList: {
        kind = "Ordered-list-specific";
        token.SetType(EConfigType_OrderedList);
        for (const HII_OPTION& option : setting.options) {
            UniqueVariant text;
            if (FAILED(hr = TextVariant(ToWide(option.text), text)) || FAILED(hr = token.AddChoice(option.value, *text.get()))) {
                break;
            }
        }
        std::vector<LONG> current, defaults;
        for (BYTE entry = 0; SUCCEEDED(hr) && entry < ListEntries(setting); ++entry) {
            LONG byte = 0, defaultByte = 0;
            if (SUCCEEDED(hr = GetTokenValue(setting, setting.offset + entry, 1, byte)) &&
                SUCCEEDED(hr = GetDefaultValue(setting, setting.offset + entry, 1, defaultByte))) {
                current.push_back(byte);
                defaults.push_back(defaultByte);
            }
        }
        // An entry without a text: the list's mapping is incomplete, and writing it tells the client.
        token.SetInvalidValue(std::any_of(current.begin(), current.end(),
                                          [&token](LONG entry) { return !token.HasTextForValue(entry); }));
        ComPtr<CVariantCollection> list, defaultList;
        if (SUCCEEDED(hr) && SUCCEEDED(hr = MakeList(token, current, list)) &&
            SUCCEEDED(hr = MakeList(token, defaults, defaultList)) && SUCCEEDED(hr = token.SetOrderedList(list.Get()))) {
            hr = token.SetDefaultOrderedList(defaultList.Get());
        }
        break;
    }
    default:
        hr = E_FAIL;
        break;
    }
    if (SUCCEEDED(hr)) {
        kind = "common";
        hr = PopulatePureLockHide(*source, token);
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CTokensSystemBuilder::PopulateSetting", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Error populating %hs data, Token (UQI: %04X)", kind, number);
    }
    return S_OK;
}
CATCH_RETURN()

// The configuration-point token is installed as soon as it is read, with a collector of its
// own that is committed at once. A value the question does not take is refused.
HRESULT CTokensSystemBuilder::InstallConfigurationPoint(const std::shared_ptr<const HII_SETTING>& record)
try {
    const HII_SETTING& setting = *record;
    const std::vector<USHORT>& values = ConfigurationPoint::Token()->values;
    const bool isList = setting.Opcode() == HiiOpcode::OrderedList;
    const size_t count = isList ? std::min<size_t>(values.size(), ListEntries(setting)) : std::min<size_t>(values.size(), 1);
    for (size_t i = 0; i < count; ++i) {
        uint16_t minimum = 0, maximum = 0;
        const bool valid = setting.Opcode() == HiiOpcode::CheckBox ? values[i] <= 1
                           : setting.Opcode() == HiiOpcode::Numeric
                               ? setting.NumericField(12, minimum) && setting.NumericField(14, maximum) &&
                                     values[i] >= minimum && values[i] <= maximum
                               : HasOption(setting, values[i]);
        if (!valid) {
            FireBadValue(setting, static_cast<long>(i));
            return S_OK;
        }
    }
    CInstallEFIVar collector;
    const GUID guid = ToGuid(setting.variableGuid);
    const std::wstring name = ToWide(setting.variableName);
    const BYTE width = isList ? 1 : setting.width;
    for (size_t i = 0; i < count; ++i) {
        for (BYTE b = 0; b < width; ++b) {
            const ULONG offset = static_cast<ULONG>(setting.offset + (isList ? i : 0) + b);
            const BYTE byte = static_cast<BYTE>(b < 2 ? values[i] >> (8 * b) : 0);
            RETURN_IF_FAILED(collector.SetEFIVarData(guid, name, offset, byte));
            if (IsSetupVariable(setting)) {
                RETURN_IF_FAILED(collector.SetEFIVarData(guid, L"OemDefault", offset, byte));
            }
        }
    }
    const HRESULT hr = collector.Commit();
    return FAILED(hr) ? hr : S_OK;
}
CATCH_RETURN()

HRESULT CTokensSystemBuilder::CreateConfigurationTree(IConfigGroup** out)
try {
    if (!out) {
        return E_POINTER;
    }
    ComPtr<CConfigGroup> group;
    RETURN_IF_FAILED(CConfigGroup::CreateAndSetupGroup(group.GetAddressOf(), EConfigGroup_Tokens, MSG_TOKENS_DATA));
    RETURN_IF_FAILED(group.CopyTo(out));
    HiiTokenPointers tokens;
    RETURN_IF_FAILED(CExtractHiiTokens::GetTokens(&tokens));
    std::set<std::wstring> doNotShow;
    RETURN_IF_FAILED(PopulateDoNotShowList(doNotShow));

    if (const std::optional<ConfigurationPointToken>& point = ConfigurationPoint::Token()) {
        for (const auto& token : tokens) {
            if (token->UQINumber() != point->uqi) {
                continue;
            }
            if (doNotShow.count(DoNotShowKey(token->UQINumber())) != 0) {
                CErrorInfoManager::SetDescription(L"\nThis setting customization is not supported by QRV\n");
            } else {
                RETURN_IF_FAILED(InstallConfigurationPoint(token));
            }
            break;
        }
        return S_OK;
    }

    for (const auto& token : tokens) {
        if (doNotShow.count(DoNotShowKey(token->UQINumber())) != 0) {
            continue;
        }
        ComPtr<CTokensSetting> item;
        HRESULT hr = CTokensSetting::Make(item);
        if (FAILED(hr)) {
            return REPORT_FAILURE(L"CTokensSystemBuilder::CreateSettingAndAddToGroup", LOG_ERROR, hr,
                                  Describe(MSG_INTERNAL_ERROR), L"Unable to create Tokens setting.  hr=%x",
                                  static_cast<unsigned>(hr));
        }
        RETURN_IF_FAILED(PopulateSetting(token, *item.Get()));
        if (FAILED(hr = group->AddChildData(item.Get()))) {
            return REPORT_FAILURE(L"CTokensSystemBuilder::CreateSettingAndAddToGroup", LOG_ERROR, hr,
                                  Describe(MSG_INTERNAL_ERROR), L"Unable to QueryInterface for IConfigGroup.  hr=%x",
                                  static_cast<unsigned>(hr));
        }
    }
    return S_OK;
}
CATCH_RETURN()
