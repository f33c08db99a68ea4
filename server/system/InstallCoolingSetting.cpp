#include "Installers.h"

#include "CoolingBuilder.h"
#include "CoolingValues.h"
#include "DetectCorrin6.h"
#include "VariableCatalogue.h"

#include "cooling/SmbusSequence.h"

#include "config/ComponentMask.h"
#include "config/CoolingSetting.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

using cooling::Choice;
using cooling::SettingDefinition;
using cooling::SettingType;

namespace {

HRESULT Internal(const wchar_t* function, const wchar_t* text)
{
    return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"%ls", text);
}

uint16_t Read16(const std::vector<BYTE>& bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

} // namespace

HRESULT CInstallCoolingSetting::CheckForBMISupport()
{
    const LogSite site = LOG_SITE(L"CInstallCoolingSetting::CheckForBMISupport");
    ULONG size = 0;
    HRESULT hr = m_context.variables.QuerySize(VariableName::BmiGetParams, VendorGuid::BmiGetParams, size, nullptr);
    if (hr != ResultCode::E_BUFFERTOOSMALL) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unexpected HRESULT (1): hr=%x",
                               static_cast<unsigned>(hr));
    }
    if (size <= 6) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unexpected data size: %u",
                               static_cast<unsigned>(size));
    }
    std::vector<BYTE> parameters;
    hr = m_context.variables.Read(VariableName::BmiGetParams, VendorGuid::BmiGetParams, parameters, nullptr);
    if (FAILED(hr) || parameters.size() <= 6) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unexpected HRESULT (2): hr=%x",
                               static_cast<unsigned>(FAILED(hr) ? hr : E_FAIL));
    }
    m_interfaceVersion = Read16(parameters);
    if (!cooling::SupportsSequences(m_interfaceVersion)) {
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_VARIABLE_SIZE, Describe(MSG_BIOS_OPERATION_NOT_SUPPORTED),
                               L"Unsupported BMI version: %u", static_cast<unsigned>(m_interfaceVersion));
    }
    return S_OK;
}

HRESULT CInstallCoolingSetting::SetC6ConfigData()
{
    const LogSite site = LOG_SITE(L"CInstallCoolingSetting::SetC6ConfigData");
    BOOL present = FALSE;
    BYTE address = 0;
    if (FAILED(CDetectCorrin6().DetectASIC(&present, &address)) || !present) {
        return ReportFailureAt(site, LOG_WARNING, E_FAIL, Describe(MSG_NO_COOLING_HARDWARE),
                               L"No Corrin detected during thermal extract");
    }
    if (!m_image.SetAddress(address)) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"Unable to set the Corrin device address using: %hC", static_cast<char>(address));
    }
    m_image.TieProcessorToControlZone();
    // What the chip runs now, for the plan's "before"; a sequence that cannot be read is
    // replaced by the install all the same, and the plan then shows no earlier values.
    m_bCurrentKnown = SUCCEEDED(ReadProgrammedChip(m_context.variables, address, m_current));
    return S_OK;
}

void CInstallCoolingSetting::PlanSetting(const SettingDefinition& definition, CCoolingSetting& setting,
                                         const VARIANT& value)
{
    PlannedItem planned{CComponentMask::kCooling, definition.name, setting.Name()};
    UniqueVariant before;
    if (m_bCurrentKnown && SUCCEEDED(ValueFromImage(definition, m_current, before))) {
        planned.before = CoolingText(*before.get());
    }
    planned.after = CoolingText(value);
    m_context.plan.items.push_back(std::move(planned));
}

HRESULT CInstallCoolingSetting::GetSettingDefinition(const std::wstring& name, const SettingDefinition** definition)
{
    *definition = cooling::FindSetting(name);
    if (!*definition) {
        return REPORT_FAILURE(L"CInstallCoolingSetting::GetSettingDefinition", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to find table entry: %ls", name.c_str());
    }
    return S_OK;
}

HRESULT CInstallCoolingSetting::GetMatchingChoice(const SettingDefinition& definition, CCoolingSetting& setting,
                                                  const VARIANT& value, const Choice** choice)
{
    // The item's own list decides what its value is; the table says what that choice means.
    UniqueVariant match;
    *choice = nullptr;
    if (setting.GetMatchingChoice(value, match.get()) == S_OK) {
        *choice = MatchChoice(definition, *match.get());
    }
    if (!*choice) {
        return REPORT_FAILURE(L"CInstallCoolingSetting::GetMatchingChoice", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"No choice of %ls matches its value", definition.name);
    }
    return S_OK;
}

// The code a Mapping or Frequency choice stands for: its internal value, looked up in the
// setting's code table.
HRESULT CInstallCoolingSetting::ChoiceCode(const wchar_t* function, const Choice& choice,
                                           std::optional<uint8_t> (*table)(int), uint8_t& code)
{
    const std::optional<int> internal = InternalNumber(choice);
    if (!internal) {
        return REPORT_FAILURE(function, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unable to coerce choice: %ls",
                              choice.text);
    }
    const std::optional<uint8_t> found = table(*internal);
    if (!found) {
        return Internal(function, L"Internal index is larger than the number of entries");
    }
    code = *found;
    return S_OK;
}

HRESULT CInstallCoolingSetting::GetZoneAssociation(const Choice& choice, uint8_t& code)
{
    return ChoiceCode(L"CInstallCoolingSetting::GetZoneAssociation", choice, cooling::MappingCode, code);
}

HRESULT CInstallCoolingSetting::GetFrequencyAssociation(const Choice& choice, uint8_t& code)
{
    return ChoiceCode(L"CInstallCoolingSetting::GetFrequencyAssociation", choice, cooling::FrequencyCode, code);
}

HRESULT CInstallCoolingSetting::ConfigureC6WithValue(const SettingDefinition& definition, double value)
{
    if (static_cast<unsigned>(definition.type) > static_cast<unsigned>(SettingType::Mapping)) {
        return Internal(L"CInstallCoolingSetting::ConfigureC6WithValue", L"Invalid setting type");
    }
    if (m_image.Write(definition.type, definition.index, value) != cooling::WriteResult::Ok) {
        return REPORT_FAILURE(L"CInstallCoolingSetting::ConfigureC6WithValue", LOG_ERROR, E_FAIL,
                              Describe(MSG_INTERNAL_ERROR), L"Unable to set configuration data: %ls = %g",
                              definition.name, value);
    }
    return S_OK;
}

HRESULT CInstallCoolingSetting::AddSetting(CCoolingSetting* setting)
try {
    if (!m_bPrepared) {
        RETURN_IF_FAILED(CheckForBMISupport());
        RETURN_IF_FAILED(SetC6ConfigData());
        m_bPrepared = true;
    }
    std::wstring name;
    RETURN_IF_FAILED(setting->GetDataID(&name));
    const SettingDefinition* definition = nullptr;
    RETURN_IF_FAILED(GetSettingDefinition(name, &definition));
    UniqueVariant value;
    RETURN_IF_FAILED(setting->get_Value(value.put()));
    double number = 0;
    if (definition->kind == cooling::SettingKind::Range) {
        UniqueVariant whole;
        if (FAILED(::VariantChangeType(whole.get(), value.get(), 0, VT_I4))) {
            return Internal(L"CInstallCoolingSetting::AddSetting", L"Unable to read the setting's value");
        }
        number = V_I4(whole.get());
    } else {
        const Choice* choice = nullptr;
        RETURN_IF_FAILED(GetMatchingChoice(*definition, *setting, *value.get(), &choice));
        uint8_t code = 0;
        if (definition->type == SettingType::Mapping) {
            RETURN_IF_FAILED(GetZoneAssociation(*choice, code));
            number = code;
        } else if (definition->type == SettingType::Frequency) {
            RETURN_IF_FAILED(GetFrequencyAssociation(*choice, code));
            number = code;
        } else {
            number = choice->number;
        }
    }
    RETURN_IF_FAILED(ConfigureC6WithValue(*definition, number));
    PlanSetting(*definition, *setting, *value.get());
    m_bAdded = true;
    return S_OK;
}
CATCH_RETURN()

HRESULT CInstallCoolingSetting::Commit()
try {
    const wchar_t* function = L"CInstallCoolingSetting::Commit";
    if (!m_bAdded) {
        ReportDiagnostic(LOG_SITE(function), LOG_INFORMATION, L"No cooling setting to install");
        return S_OK;
    }
    const cooling::Sequence sequence = cooling::ChipSequence(m_image, m_interfaceVersion);
    if (sequence.operations.empty()) {
        return Internal(function, L"Unable to get Corrin 6 sequence");
    }
    const std::vector<uint8_t> buffer =
        cooling::WrapSequences(cooling::FormatCode(m_interfaceVersion), std::span<const cooling::Sequence>(&sequence, 1));
    if (buffer.empty()) {
        return Internal(function, L"Unable to wrap Corrin 6 sequence");
    }
    RETURN_IF_FAILED(CheckForBMISupport());
    EFIVarRecord record;
    record.name = VariableName::BmiUserSequence;
    record.guid = VendorGuid::BmiUserSequence;
    record.data.assign(buffer.begin(), buffer.end());
    record.mask.assign(buffer.size(), 0xFF);
    RETURN_IF_FAILED(m_collector.SetEFIVarData(record));
    return m_collector.Commit();
}
CATCH_RETURN()
