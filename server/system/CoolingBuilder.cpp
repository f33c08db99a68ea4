#include "CoolingBuilder.h"

#include "CoolingValues.h"
#include "DetectCorrin6.h"
#include "FanControlConfiguration.h"
#include "FirmwareAccess.h"
#include "VariableCatalogue.h"

#include "cooling/SmbusSequence.h"

#include "config/ConfigGroup.h"
#include "config/CoolingSetting.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

#include "ErrorMacros.h"
#include "MessageIds.h"

#include <map>
#include <string>

using cooling::SettingDefinition;

namespace {

constexpr wchar_t kBuild[] = L"CCoolingBuilder::CreateConfigurationTree";

bool NotLoaded(HRESULT hr)
{
    return hr == ResultCode::E_QUERY_INTERFACE || hr == ResultCode::E_OUT_OF_BOUNDS;
}

HRESULT CreateGroups(std::map<std::wstring, ComPtr<CConfigGroup>>& groups, ComPtr<CConfigGroup>& root)
{
    unsigned long number = 0;
    for (const cooling::GroupDefinition& definition : cooling::Groups()) {
        ReportDiagnostic(LOG_SITE(kBuild), LOG_INFORMATION, L"Creating group %lu", number++);
        ComPtr<CConfigGroup> group;
        RETURN_IF_FAILED(CBuilder::CreateGroupObject(definition.titleMessage, group.GetAddressOf()));
        if (!definition.parent) {
            root = group;
        } else {
            const auto parent = groups.find(definition.parent);
            if (parent == groups.end()) {
                return REPORT_FAILURE(kBuild, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                      L"No parent group %ls for %ls", definition.parent, definition.name);
            }
            RETURN_IF_FAILED(parent->second->AddChildGroup(group.Get()));
        }
        groups.emplace(definition.name, group);
    }
    return S_OK;
}

} // namespace

void CCoolingBuilder::DetectHardware()
{
    BOOL present = FALSE;
    BYTE address = 0;
    m_bHardwarePresent = SUCCEEDED(CDetectCorrin6().DetectASIC(&present, &address)) && present;
    m_chipAddress = m_bHardwarePresent ? address : 0;
    if (!m_bHardwarePresent) {
        ReportDiagnostic(LOG_SITE(kBuild), LOG_WARNING, L"No Corrin detected during thermal extract");
        ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnNoCoolingHardwareFound(); });
    }
}

HRESULT CCoolingBuilder::CreateSetting(const SettingDefinition& definition, ComPtr<CCoolingSetting>& setting)
{
    const HRESULT hr = CCoolingSetting::Make(setting);
    if (FAILED(hr)) {
        return REPORT_FAILURE(kBuild, LOG_ERROR, hr, Describe(MSG_INTERNAL_ERROR),
                              L"Unable to create cooling setting.  hr=%x", static_cast<unsigned>(hr));
    }
    setting->SetDataID(definition.name);
    RETURN_IF_FAILED(setting->SetName(definition.titleMessage));
    setting->SetIncrement(1);
    switch (definition.kind) {
    case cooling::SettingKind::Range:
        setting->SetType(EConfigType_Integer);
        RETURN_IF_FAILED(setting->SetMinimum(definition.minimum));
        RETURN_IF_FAILED(setting->SetMaximum(definition.maximum));
        return setting->SetDefaultValueForType(EConfigType_Integer);
    case cooling::SettingKind::Choice: {
        setting->SetType(EConfigType_Choice);
        unsigned long number = 0;
        for (const cooling::Choice& choice : definition.choices) {
            ReportDiagnostic(LOG_SITE(kBuild), LOG_INFORMATION, L"Processing choice # %lu", number++);
            UniqueVariant shown;
            RETURN_IF_FAILED(ShownChoice(choice, shown));
            RETURN_IF_FAILED(setting->AddChoice(*shown.get()));
        }
        return S_OK;
    }
    }
    return REPORT_FAILURE(kBuild, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Unexpected setting type");
}

HRESULT CCoolingBuilder::CreateConfigurationTree(IConfigGroup** root)
try {
    if (!root) {
        return REPORT_FAILURE(kBuild, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    *root = nullptr;
    if (!m_bFanControlChecked) {
        CFirmwareAccess access;
        if (FanControlConfiguration(access.Variables())) {
            return ResultCode::S_NOTHING_TO_DO;
        }
    }
    DetectHardware();
    std::map<std::wstring, ComPtr<CConfigGroup>> groups;
    ComPtr<CConfigGroup> top;
    RETURN_IF_FAILED(CreateGroups(groups, top));
    bool notLoaded = false;
    unsigned long number = 0;
    for (const SettingDefinition& definition : cooling::Settings()) {
        ReportDiagnostic(LOG_SITE(kBuild), LOG_INFORMATION, L"Creating data object #%lu", number++);
        ComPtr<CCoolingSetting> setting;
        RETURN_IF_FAILED(CreateSetting(definition, setting));
        const HRESULT hr = FillSetting(definition, *setting.Get());
        if (NotLoaded(hr)) {
            notLoaded = true;
        } else if (FAILED(hr)) {
            return hr;
        }
        RETURN_IF_FAILED(groups.at(definition.group)->AddChildData(setting.Get()));
    }
    RETURN_IF_FAILED(top->QueryInterface(IID_PPV_ARGS(root)));
    if (notLoaded) {
        return REPORT_FAILURE(kBuild, LOG_ERROR, ResultCode::E_QUERY_INTERFACE, Describe(MSG_INI_VALUES_NOT_LOADED),
                              L"One or more cooling values could not be loaded");
    }
    return m_bHardwarePresent ? S_OK : ResultCode::S_NO_COOLING_HARDWARE;
}
CATCH_RETURN()

// What the last install asked the chip for is what the firmware runs at each start: the
// sequence in "BmiUserSequence", run on the chip as it powers on.
HRESULT ReadProgrammedChip(IFirmwareVariables& variables, BYTE address, cooling::Corrin6Config& programmed)
try {
    const LogSite site = LOG_SITE(L"ReadProgrammedChip");
    std::array<uint8_t, 256> registers = cooling::ChipDefaults();
    programmed = cooling::Corrin6Config::FromRegisters(registers);
    std::vector<BYTE> buffer;
    const HRESULT hr = variables.Read(VariableName::BmiUserSequence, VendorGuid::BmiUserSequence, buffer, nullptr);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        ReportDiagnostic(site, LOG_INFORMATION, L"No fan-control sequence is installed: the chip runs its power-on values");
        return S_OK;
    }
    if (FAILED(hr)) {
        return ReportFailureAt(site, LOG_ERROR, hr, Describe(MSG_RETRIEVE_FAILED), L"Unable to read BmiUserSequence: %lx",
                               static_cast<unsigned long>(hr));
    }
    cooling::DecodedBuffer decoded;
    std::string problem;
    if (!cooling::DecodeBuffer(buffer, decoded, problem)) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_RETRIEVE_FAILED),
                               L"BmiUserSequence cannot be read: %hs", problem.c_str());
    }
    for (const cooling::Sequence& sequence : decoded.sequences) {
        // Sequences for other devices on the bus are not the chip's business.
        if (address == 0 || sequence.firstAttribute != (address << 1)) {
            continue;
        }
        if (!cooling::RunOnChip(sequence, address, registers, problem)) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_RETRIEVE_FAILED),
                                   L"The sequence in BmiUserSequence cannot run on the chip: %hs", problem.c_str());
        }
    }
    programmed = cooling::Corrin6Config::FromRegisters(registers);
    return S_OK;
}
CATCH_RETURN()

HRESULT CCoolingSystemBuilder::LoadImages()
{
    m_defaults = cooling::Corrin6Config::FromRegisters(cooling::ChipDefaults());
    m_bLoaded = true;
    CFirmwareAccess access;
    return ReadProgrammedChip(access.Variables(), ChipAddress(), m_programmed);
}

HRESULT CCoolingSystemBuilder::FillSetting(const SettingDefinition& definition, CCoolingSetting& setting)
try {
    if (!m_bLoaded) {
        RETURN_IF_FAILED(LoadImages());
    }
    UniqueVariant value;
    UniqueVariant defaultValue;
    if (FAILED(ValueFromImage(definition, m_programmed, value)) ||
        FAILED(ValueFromImage(definition, m_defaults, defaultValue))) {
        return REPORT_FAILURE(L"CCoolingSystemBuilder::FillSetting", LOG_ERROR, E_FAIL, Describe(MSG_RETRIEVE_FAILED),
                              L"The chip holds no value of %ls", definition.name);
    }
    return setting.StoreFirmwareValues(*value.get(), *defaultValue.get());
}
CATCH_RETURN()
