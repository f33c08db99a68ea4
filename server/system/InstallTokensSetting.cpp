#include "Installers.h"

#include "ExtractHiiTokens.h"
#include "HiiConvert.h"
#include "HiiTokenSource.h"
#include "TokenWrite.h"
#include "VariableMerge.h"

#include "config/ComponentMask.h"
#include "config/TokensSetting.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"
#include "Owners.h"

#include <cwchar>

namespace {

// A whole number from an item's value: True is 1, False 0.
bool WholeNumber(const VARIANT& value, LONG& number)
{
    if (V_VT(&value) == VT_BOOL) {
        number = V_BOOL(&value) != VARIANT_FALSE ? 1 : 0;
        return true;
    }
    UniqueVariant converted;
    if (FAILED(::VariantChangeType(converted.put(), const_cast<VARIANT*>(&value), 0, VT_I4))) {
        return false;
    }
    number = V_I4(converted.get());
    return true;
}

// The values the item asks for: the entries of an ordered list, else its one value.
HRESULT ItemValues(CTokensSetting& item, std::vector<LONG>& values)
{
    values.clear();
    if (item.Type() == EConfigType_OrderedList) {
        ComPtr<IVariantCollection> list;
        LONG count = 0;
        if (FAILED(item.GetOrderedList(&list)) || !list || FAILED(list->get_Count(&count))) {
            return REPORT_FAILURE(L"CInstallTokensSetting::VerifyOrderedList", LOG_ERROR, E_FAIL,
                                  Describe(MSG_INTERNAL_ERROR), L"Unable to obtain pointer to Variant Collection");
        }
        for (LONG i = 1; i <= count; ++i) {
            UniqueVariant entry;
            LONG number = 0;
            RETURN_IF_FAILED(list->get_Item(i, entry.put()));
            values.push_back(WholeNumber(*entry.get(), number) ? number : -1);
        }
        return S_OK;
    }
    UniqueVariant value;
    LONG number = 0;
    RETURN_IF_FAILED(item.get_Value(value.put()));
    // A value that is no number matches no question: it is refused like any other.
    values.push_back(WholeNumber(*value.get(), number) ? number : -1);
    return S_OK;
}

std::wstring UqiKey(const std::wstring& uqi)
{
    wchar_t key[8];
    std::swprintf(key, 8, L"%04X", uqi.empty() ? 0u : static_cast<unsigned>(uqi[0]));
    return key;
}

} // namespace

// The system's tokens are indexed once by UQI, so each item is one look-up.
HRESULT CInstallTokensSetting::FindMatchingHiiToken(const std::wstring& uqi, const std::vector<TokenPointer>** tokens)
{
    if (!m_bIndexed) {
        HiiTokenPointers all;
        RETURN_IF_FAILED(CExtractHiiTokens::GetTokens(&all));
        for (const TokenPointer& token : all) {
            m_byUqi[ToWide(token->uqi)].push_back(token);
        }
        m_bIndexed = true;
    }
    const auto found = m_byUqi.find(uqi);
    *tokens = found == m_byUqi.end() ? nullptr : &found->second;
    return S_OK;
}

HRESULT CInstallTokensSetting::CurrentValues(const HII_SETTING& token, size_t count, std::vector<LONG>& values)
{
    const std::vector<BYTE>* data = nullptr;
    RETURN_IF_FAILED(m_collector.GetVariableData(ToGuid(token.variableGuid), ToWide(token.variableName), &data));
    const BYTE width = TokenWrite::ValueWidth(token);
    values.assign(count, 0);
    for (size_t i = 0; i < count; ++i) {
        // The caller has checked that the token lies inside its variable.
        TokenWrite::ReadValue(*data, token.offset + i * width, width, values[i]);
    }
    return S_OK;
}

// Values with the texts of their options, as a user reads them: "1 (Enabled)".
std::wstring CInstallTokensSetting::ValueText(const HII_SETTING& token, const std::vector<LONG>& values) const
{
    std::wstring text;
    for (LONG value : values) {
        text += text.empty() ? L"" : L", ";
        text += std::to_wstring(value);
        for (const HII_OPTION& option : token.options) {
            if (option.value == value) {
                text += L" (" + ToWide(option.text) + L")";
                break;
            }
        }
    }
    return text;
}

HRESULT CInstallTokensSetting::InstallToken(CTokensSetting& item, const std::vector<TokenPointer>& tokens,
    PlannedItem& planned)
{
    const std::wstring& uqi = item.GetUQI();
    std::vector<LONG> values;
    RETURN_IF_FAILED(ItemValues(item, values));
    // A one-of value the first token lacks may be an option of another question with the
    // same UQI: the first that has it is the one installed. An item read from this board
    // knows its own question and is installed there or not at all: another question of its
    // UQI that happens to take the value must not receive it.
    std::vector<TokenPointer> candidates;
    const auto* own = dynamic_cast<const CHiiTokenSource*>(item.Source().get());
    for (const TokenPointer& token : tokens) {
        if (own && &own->Setting() == token.get()) {
            candidates = {token};
            break;
        }
        candidates.push_back(token);
    }
    TokenPointer chosen = candidates.front();
    long refused = TokenWrite::FirstRefused(*chosen, values);
    if (refused >= 0 && chosen->Opcode() == HiiOpcode::OneOf) {
        for (size_t i = 1; i < candidates.size() && refused >= 0; ++i) {
            if (TokenWrite::FirstRefused(*candidates[i], values) < 0) {
                chosen = candidates[i];
                refused = -1;
            }
        }
    }
    const uint8_t opcode = chosen->Opcode();
    if (opcode != HiiOpcode::OneOf && opcode != HiiOpcode::CheckBox && opcode != HiiOpcode::Numeric &&
        opcode != HiiOpcode::OrderedList) {
        return E_FAIL;
    }
    if (refused >= 0) {
        TokenWrite::FireBadValue(uqi, item.Name(), opcode == HiiOpcode::OrderedList ? refused : 0);
        planned.skipped = L"value not allowed";
        return S_OK;
    }
    if (opcode == HiiOpcode::OrderedList) {
        values.resize(std::min(values.size(), TokenWrite::ValueCount(*chosen)));
    }
    bool fits = false;
    const HRESULT fitted = TokenWrite::FitsVariable(m_collector, *chosen, values.size(), fits);
    if (FAILED(fitted) || !fits) {
        ReportDiagnostic(LOG_SITE(L"CInstallTokensSetting::InstallToken"), LOG_WARNING,
                         L"Token (UQI: %ls) lies outside its variable %ls (offset 0x%04X); it is not installed",
                         UqiKey(uqi).c_str(), ToWide(chosen->variableName).c_str(), static_cast<unsigned>(chosen->offset));
        TokenWrite::FireBadValue(uqi, item.Name(), 0);
        planned.skipped = L"outside its variable";
        return S_OK;
    }
    std::vector<LONG> before;
    RETURN_IF_FAILED(CurrentValues(*chosen, values.size(), before));
    planned.before = ValueText(*chosen, before);
    planned.after = ValueText(*chosen, values);
    RETURN_IF_FAILED(TokenWrite::WriteValues(m_collector, *chosen, values));
    return InstallSettingLockHide(item, chosen);
}

HRESULT CInstallTokensSetting::InstallSettingLockHide(CTokensSetting& item, const TokenPointer& token)
{
    const auto source = std::make_shared<CHiiTokenSource>(token);
    const std::optional<TokenControlByte> control = source->LockHideControl();
    item.SetSource(source);
    item.SetLockable(control.has_value());
    item.SetHideable(control.has_value());
    item.SetLockHideControl(control);
    VARIANT_BOOL lockedFlag = VARIANT_FALSE, hiddenFlag = VARIANT_FALSE;
    item.get_Locked(&lockedFlag);
    item.get_Hidden(&hiddenFlag);
    const bool locked = lockedFlag != VARIANT_FALSE;
    const bool hidden = hiddenFlag != VARIANT_FALSE;
    if (locked && hidden) {
        TokenWrite::FireLockHideSameTime(item.GetUQI(), item.Name());
    }
    if (locked && !control) {
        TokenWrite::FireNotLockable(item.GetUQI(), item.Name());
    }
    if (hidden && !control) {
        TokenWrite::FireNotHideable(item.GetUQI(), item.Name());
    }
    if (!control || !(locked || hidden || item.LockedChanged() || item.HiddenChanged())) {
        return S_OK;
    }
    const LONG state = hidden ? 1 : locked ? 2 : 0;
    return TokenWrite::WriteBytes(m_collector, control->variableGuid, control->variableName, control->offset,
                                  control->width, state);
}

HRESULT CInstallTokensSetting::AddSetting(CTokensSetting* setting)
try {
    if (!setting) {
        return REPORT_FAILURE(L"CInstallTokensSetting::AddSetting", LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid Pointer");
    }
    const std::wstring& uqi = setting->GetUQI();
    PlannedItem planned{CComponentMask::kTokens, UqiKey(uqi), setting->Name()};
    const std::vector<TokenPointer>* tokens = nullptr;
    RETURN_IF_FAILED(FindMatchingHiiToken(uqi, &tokens));
    HRESULT hr = S_OK;
    if (!tokens) {
        TokenWrite::FireUqiNotOnSystem(uqi);
        planned.skipped = L"not on this board";
    } else {
        hr = InstallToken(*setting, *tokens, planned);
    }
    m_context.plan.items.push_back(std::move(planned));
    return hr;
}
CATCH_RETURN()
