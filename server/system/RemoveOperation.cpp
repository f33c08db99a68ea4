#include "RemoveOperation.h"

#include "BIOSModifiedFlag.h"
#include "DetectCorrin6.h"
#include "FanControlConfiguration.h"
#include "FirmwareAccess.h"

#include "config/ComponentMask.h"
#include "config/SMBIOSTable.h"
#include "frame/EventTarget.h"

#include "ErrorMacros.h"

#include <new>
#include <string>
#include <vector>

namespace {

void FireRemoveStart(ULONG component)
{
    ToolkitEvents::Fire([component](IToolkitEventTarget& target) { return target.Fire_OnRemoveStart(component); });
}

void FireRemoveFail(ULONG component)
{
    ToolkitEvents::Fire([component](IToolkitEventTarget& target) { return target.Fire_OnRemoveFail(component); });
}

void FireRemoveSuccess(ULONG component)
{
    ToolkitEvents::Fire([component](IToolkitEventTarget& target) { return target.Fire_OnRemoveSuccess(component); });
}

// A string that is already gone counts as removed; the client hears of it as a warning.
void ReportSMBIOSAlreadyRemoved(const LogSite& site, const std::wstring& key)
{
    ToolkitEvents::Fire([&key](IToolkitEventTarget& target) { return target.Fire_OnSMBIOSRemoved(key.c_str()); });
    ToolkitEvents::RaiseWarning();
    ReportDiagnostic(site, LOG_WARNING, L"Variable already exists");
}

} // namespace

HRESULT CRemoveOperation::Remove(ULONG componentMask)
try {
    const CComponentMask mask(componentMask);
    if (!mask.IsCoolingSkipped() && HasFanControlConfiguration()) {
        return ResultCode::S_NOTHING_TO_DO;
    }
    bool failed = false;
    if (!mask.IsCoolingSkipped()) {
        failed |= FAILED(RemoveCoolingComponent());
    }
    if (!mask.IsBIOSSkipped()) {
        failed |= FAILED(RunComponent(CComponentMask::kBIOS, &CRemoveOperation::SetManufacturingDefaults,
                                      L"BIOS Remove completed successfully"));
    }
    if (!mask.IsSMBIOSSkipped()) {
        failed |= FAILED(RunComponent(CComponentMask::kSMBIOS, &CRemoveOperation::RemoveSMBIOS,
                                      L"SMBIOS Remove completed successfully"));
    }
    // A component that was not removed is a failure of the call, not only an event: a
    // client that looks only at the result must not take the firmware for restored.
    if (failed && !m_leftAsTheyWere.empty()) {
        ReportDiagnostic(LOG_SITE(L"CRemoveOperation::Remove"), LOG_ERROR,
                         L"Variables changed: %s; variables left as they were: %s", VariableList(m_changed).c_str(),
                         VariableList(m_leftAsTheyWere).c_str());
    }
    return failed ? E_FAIL : S_OK;
}
CATCH_RETURN()

std::wstring VariableList(const std::vector<std::wstring>& names)
{
    if (names.empty()) {
        return L"none";
    }
    std::wstring list;
    for (const std::wstring& name : names) {
        list += (list.empty() ? L"\"" : L", \"") + name + L"\"";
    }
    return list;
}

void CRemoveOperation::NoteChanged(const wchar_t* name)
{
    m_changed.emplace_back(name);
}

void CRemoveOperation::NoteLeft(const wchar_t* name)
{
    m_leftAsTheyWere.emplace_back(name);
}

HRESULT CRemoveOperation::RunComponent(ULONG component, Step step, const wchar_t* completion)
{
    FireRemoveStart(component);
    return FinishComponent(component, (this->*step)(), completion);
}

HRESULT CRemoveOperation::FinishComponent(ULONG component, HRESULT hr, const wchar_t* completion)
{
    if (FAILED(hr)) {
        FireRemoveFail(component);
        return hr;
    }
    ReportDiagnostic(LOG_SITE(L"CRemoveOperation::Remove"), LOG_INFORMATION, L"%s", completion);
    FireRemoveSuccess(component);
    // A flag that cannot be set has told the client by its own event; the removal stands.
    CBIOSModifiedFlag::SetFlag();
    return S_OK;
}

bool CRemoveOperation::HasFanControlConfiguration()
{
    CFirmwareAccess access;
    const wchar_t* name = FanControlConfiguration(access.Variables());
    if (name) {
        ReportDiagnostic(LOG_SITE(L"CRemoveOperation::Remove"), LOG_INFORMATION,
                         L"%s exists: the cooling settings belong to the fan-control payload; nothing is removed", name);
    }
    return name != nullptr;
}

// Only a board with its one chip has cooling settings to take away; on any other the
// component ends with the news that there is no cooling hardware, and nothing is changed.
HRESULT CRemoveOperation::RemoveCoolingComponent()
{
    FireRemoveStart(CComponentMask::kCooling);
    ULONG chips = 0;
    if (GetCorrinsPresent(&chips) != S_OK || chips != 1) {
        ReportDiagnostic(LOG_SITE(L"CRemoveOperation::Remove"), LOG_WARNING, L"No Corrin detected during thermal extract");
        ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnNoCoolingHardwareFound(); });
        return S_OK;
    }
    return FinishComponent(CComponentMask::kCooling, RemoveCooling(), L"Thermal Remove completed successfully");
}

HRESULT CRemoveOperation::RemoveCooling()
{
    const LogSite site = LOG_SITE(L"CRemoveOperation::RemoveCooling");
    ReportDiagnostic(site, LOG_INFORMATION, L"Entering function");
    ULONG attributes = 0;
    ULONG size = 0;
    HRESULT hr = m_efiVar.GetVariable(VariableName::BmiUserSequence, &VendorGuid::BmiUserSequence, &attributes, &size,
                                      nullptr);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        const ULONG component = CComponentMask::kCooling;
        ToolkitEvents::Fire([component](IToolkitEventTarget& target) { return target.Fire_OnComponentRemoved(component); });
        ToolkitEvents::RaiseWarning();
        ReportDiagnostic(site, LOG_WARNING, L"Variable already exists");
        return S_OK;
    }
    if (hr != ResultCode::E_BUFFERTOOSMALL && FAILED(hr)) {
        NoteLeft(VariableName::BmiUserSequence);
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_REMOVE_FAILED),
                               L"GetVariable() returned an invalid error %lx", static_cast<unsigned long>(hr));
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"Received uiAttributes value of %lx", static_cast<unsigned long>(attributes));
    ULONG deleteAttributes = EFI_VARIABLE_ATTRIBUTES_DEFAULT;
    ULONG deleteSize = 0;
    hr = m_efiVar.SetVariable(VariableName::BmiUserSequence, &VendorGuid::BmiUserSequence, &deleteAttributes,
                              &deleteSize, nullptr);
    // A sequence that is still there runs at the next start: a delete that failed in any
    // way is a failure of the removal, not only the library's unknown answer.
    if (FAILED(hr)) {
        NoteLeft(VariableName::BmiUserSequence);
        if (hr == ResultCode::E_EFIVAR_UNKNOWN) {
            ReportDiagnostic(site, LOG_ERROR, L"Unknown return value received from EFIVAR.dll");
        }
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_REMOVE_FAILED),
                               L"Unable to delete BmiUserSequence: %lx", static_cast<unsigned long>(hr));
    }
    NoteChanged(VariableName::BmiUserSequence);
    ReportDiagnostic(site, LOG_INFORMATION, L"Success:  Exiting function");
    return S_OK;
}

HRESULT CRemoveOperation::SetManufacturingDefaults()
{
    const LogSite site = LOG_SITE(L"CRemoveOperation::SetManufacturingDefaults");
    ReportDiagnostic(site, LOG_INFORMATION, L"Entering function");
    ULONG attributes = 0;
    ULONG size = 0;
    HRESULT hr = m_efiVar.GetVariable(VariableName::SetupDefault, &VendorGuid::Setup, &attributes, &size, nullptr);
    if (hr != ResultCode::E_BUFFERTOOSMALL && FAILED(hr)) {
        // Without the defaults nothing can be restored; going on would report the setup
        // values as restored while they are untouched.
        NoteLeft(VariableName::Setup);
        NoteLeft(VariableName::OemDefault);
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_REMOVE_FAILED),
                               L"Setup Defaults variable returned an invalid error %lx", static_cast<unsigned long>(hr));
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"Received uiAttributes value of %lx", static_cast<unsigned long>(attributes));
    ReportDiagnostic(site, LOG_INFORMATION, L"Received uiDatasize value of %lx", static_cast<unsigned long>(size));
    if (size == 0) {
        ReportDiagnostic(site, LOG_ERROR, L"Datasize is 0");
        return S_OK;
    }
    std::vector<BYTE> defaults;
    try {
        defaults.assign(size, 0);
    } catch (const std::bad_alloc&) {
        NoteLeft(VariableName::Setup);
        NoteLeft(VariableName::OemDefault);
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_REMOVE_FAILED),
                               L"Not able to retrieve SetupVariable %lx", static_cast<unsigned long>(E_OUTOFMEMORY));
    }
    ULONG read = size;
    hr = m_efiVar.GetVariable(VariableName::SetupDefault, &VendorGuid::Setup, &attributes, &read, defaults.data());
    if (FAILED(hr)) {
        NoteLeft(VariableName::Setup);
        NoteLeft(VariableName::OemDefault);
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_REMOVE_FAILED),
                               L"Not able to retrieve SetupVariable %lx", static_cast<unsigned long>(hr));
    }
    // The variable may have shrunk between the two calls; only what was read is written.
    ULONG written = read < size ? read : size;
    ULONG setupAttributes = attributes;
    hr = m_efiVar.SetVariable(VariableName::Setup, &VendorGuid::Setup, &setupAttributes, &written, defaults.data());
    if (FAILED(hr)) {
        NoteLeft(VariableName::Setup);
        NoteLeft(VariableName::OemDefault);
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_REMOVE_FAILED),
                               L"Not able to set variable 'Setup' %lx", static_cast<unsigned long>(hr));
    }
    NoteChanged(VariableName::Setup);
    ULONG oemAttributes = attributes;
    written = read < size ? read : size;
    hr = m_efiVar.SetVariable(VariableName::OemDefault, &VendorGuid::Setup, &oemAttributes, &written, defaults.data());
    if (FAILED(hr)) {
        NoteLeft(VariableName::OemDefault);
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_REMOVE_FAILED),
                               L"Not able to set variable 'OemDefaults' %lx", static_cast<unsigned long>(hr));
    }
    NoteChanged(VariableName::OemDefault);
    ReportDiagnostic(site, LOG_INFORMATION, L"Success:  Exiting function");
    return S_OK;
}

HRESULT CRemoveOperation::RemoveSMBIOS()
try {
    const LogSite site = LOG_SITE(L"CRemoveOperation::RemoveSMBIOS");
    ReportDiagnostic(site, LOG_INFORMATION, L"Entering function");
    // The rows from the failing one on are left as they were.
    auto leaveFrom = [this](const SMBIOSRow& failing) {
        for (const SMBIOSRow* row = &failing; row != kSMBIOSRows.data() + kSMBIOSRows.size(); ++row) {
            NoteLeft(row->writtenVariable);
        }
    };
    for (const SMBIOSRow& row : kSMBIOSRows) {
        const std::wstring key = SMBIOSDataID(row);
        ULONG attributes = 0;
        ULONG size = 0;
        HRESULT hr = m_efiVar.GetVariable(row.readVariable, &VendorGuid::Smbios, &attributes, &size, nullptr);
        if (hr == ResultCode::E_VARIABLE_NOT_FOUND || hr == E_INVALIDARG) {
            ReportSMBIOSAlreadyRemoved(site, key);
            continue;
        }
        if (hr != ResultCode::E_BUFFERTOOSMALL && FAILED(hr)) {
            ReportDiagnostic(site, LOG_ERROR, L"OEM Defaults variable returned an invalid error %lx",
                             static_cast<unsigned long>(hr));
            if (size == 0) {
                leaveFrom(row);
                ReportDiagnostic(site, LOG_ERROR, L"Failure:  Exiting function");
                return E_FAIL;
            }
        }
        ULONG deleteAttributes = EFI_VARIABLE_ATTRIBUTES_DEFAULT;
        ULONG deleteSize = 0;
        hr = m_efiVar.SetVariable(row.writtenVariable, &VendorGuid::Smbios, &deleteAttributes, &deleteSize, nullptr);
        if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
            // The chassis serial number and asset tag are written under names of their own,
            // which exist only once an install has written them: nothing to take away.
            ReportSMBIOSAlreadyRemoved(site, key);
            continue;
        }
        if (FAILED(hr)) {
            ReportDiagnostic(site, LOG_ERROR, L"Unable to clear the SMBIOS data entry: %s", key.c_str());
            if (hr == ResultCode::E_EFIVAR_UNKNOWN) {
                ReportFailureAt(site, LOG_ERROR, hr, Describe(MSG_REMOVE_FAILED),
                                L"Unknown return value received from EFIVAR.dll");
            }
            leaveFrom(row);
            ReportDiagnostic(site, LOG_ERROR, L"Failure:  Exiting function");
            return E_FAIL;
        }
        NoteChanged(row.writtenVariable);
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"Success:  Exiting function");
    return S_OK;
}
CATCH_RETURN()
