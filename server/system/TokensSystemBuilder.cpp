#include "SystemBuilder.h"

#include "ConfigurationPoint.h"
#include "ExtractHiiTokens.h"
#include "HiiConvert.h"
#include "HiiTokenSource.h"
#include "SarnQRVData.h"
#include "TokenWrite.h"
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
#include <iterator>
#include <set>

namespace {

constexpr wchar_t kSetupDefault[] = L"SetupDefault";
bool IsSetupVariable(const HII_SETTING& setting)
{
    return setting.variableName == u"Setup" && IsEqualGUID(ToGuid(setting.variableGuid), VendorGuid::Setup);
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

} // namespace

HRESULT CTokensSystemBuilder::GetTokenValue(const HII_SETTING& setting, ULONG offset, BYTE width, LONG& value)
{
    const std::wstring name = ToWide(setting.variableName);
    const std::vector<BYTE>* data = nullptr;
    if (FAILED(m_collector.GetVariableData(ToGuid(setting.variableGuid), name, &data)) ||
        !TokenWrite::ReadValue(*data, offset, width, value)) {
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
        TokenWrite::ReadValue(*defaults, offset, width, value)) {
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
        if (SUCCEEDED(hr = GetTokenValue(setting, setting.offset, TokenWrite::ValueWidth(setting), value)) &&
            SUCCEEDED(hr = GetDefaultValue(setting, setting.offset, TokenWrite::ValueWidth(setting), defaultValue))) {
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
        for (BYTE entry = 0; SUCCEEDED(hr) && entry < TokenWrite::ValueCount(setting); ++entry) {
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
// own that is committed at once. A value the question does not take is refused; a one-of
// value may be an option of another question with the same UQI, tried in list order.
HRESULT CTokensSystemBuilder::InstallConfigurationPoint(const HiiTokenPointers& candidates)
try {
    const std::vector<USHORT>& given = ConfigurationPoint::Token()->values;
    const HII_SETTING& first = *candidates.front();
    const size_t count = std::min(given.size(), TokenWrite::ValueCount(first));
    const std::vector<LONG> values(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(count));
    const HII_SETTING* chosen = nullptr;
    for (const auto& candidate : candidates) {
        if (TokenWrite::FirstRefused(*candidate, values) < 0) {
            chosen = candidate.get();
            break;
        }
        if (first.Opcode() != HiiOpcode::OneOf) {
            break;
        }
    }
    if (!chosen) {
        const long refused = TokenWrite::FirstRefused(first, values);
        TokenWrite::FireBadValue(ToWide(first.uqi), ToWide(first.name), refused < 0 ? 0 : refused);
        return S_OK;
    }
    CInstallEFIVar collector;
    bool fits = false;
    if (FAILED(TokenWrite::FitsVariable(collector, *chosen, values.size(), fits)) || !fits) {
        ReportDiagnostic(LOG_SITE(L"CTokensSystemBuilder::InstallConfigurationPoint"), LOG_WARNING,
                         L"Token (UQI: %04X) lies outside its variable; it is not installed", chosen->UQINumber());
        TokenWrite::FireBadValue(ToWide(chosen->uqi), ToWide(chosen->name), 0);
        return S_OK;
    }
    RETURN_IF_FAILED(TokenWrite::WriteValues(collector, *chosen, values));
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
        HiiTokenPointers candidates;
        std::copy_if(tokens.begin(), tokens.end(), std::back_inserter(candidates),
                     [&point](const auto& token) { return token->UQINumber() == point->uqi; });
        if (candidates.empty()) {
            return S_OK;
        }
        if (doNotShow.count(DoNotShowKey(candidates.front()->UQINumber())) != 0) {
            CErrorInfoManager::SetDescription(L"\nThis setting customization is not supported by QRV\n");
            return S_OK;
        }
        RETURN_IF_FAILED(InstallConfigurationPoint(candidates));
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
