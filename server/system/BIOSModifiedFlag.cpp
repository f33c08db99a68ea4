#include "BIOSModifiedFlag.h"

#include "EFIVar.h"
#include "ProcessState.h"

#include "frame/DiagnosticsLog.h"
#include "frame/EventTarget.h"
#include "frame/FailureReport.h"

#include <vector>

namespace {

HRESULT SetFailed()
{
    ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnBIOSModifiedFlagSetFailure(); });
    ToolkitEvents::RaiseWarning();
    return E_FAIL;
}

} // namespace

HRESULT CBIOSModifiedFlag::SetFlag()
{
    ProcessState& state = ProcessState::Instance();
    if (state.biosModifiedAttempted) {
        return state.biosModifiedResult;
    }
    state.biosModifiedAttempted = true;
    _SBIOSModifiedFlag flag;
    const HRESULT hr = flag.ReadVariable();
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        ReportDiagnostic(LOG_SITE(L"CBIOSModifiedFlag::SetFlag"), LOG_INFORMATION,
                         L"BIOS Modified variable not found.  Initializing to 0");
        flag.m_data.flags = 0;
    } else if (FAILED(hr)) {
        state.biosModifiedResult = SetFailed();
        return state.biosModifiedResult;
    }
    // A flag set by an earlier process is not written again: the write would change nothing
    // and cost an erase of the flash.
    if (hr == S_OK && (flag.m_data.flags & 0x01) != 0) {
        state.biosModifiedResult = S_OK;
        return state.biosModifiedResult;
    }
    // The other bits belong to the firmware and are kept as they were.
    flag.m_data.flags |= 0x01;
    state.biosModifiedResult = FAILED(flag.WriteVariable()) ? SetFailed() : S_OK;
    return state.biosModifiedResult;
}

HRESULT CBIOSModifiedFlag::IsSet(IFirmwareVariables& variables, bool& set)
{
    set = false;
    std::vector<BYTE> data;
    const HRESULT hr = variables.Read(VariableName::QrvBiosModVar, VendorGuid::QrvData, data, nullptr);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        return S_OK;
    }
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CBIOSModifiedFlag::IsSet", LOG_ERROR, E_FAIL, Describe(MSG_RETRIEVE_FAILED),
                              L"Unable to read variable: %s (0x%08lX)", VariableName::QrvBiosModVar,
                              static_cast<unsigned long>(hr));
    }
    set = !data.empty() && (data[0] & 0x01) != 0;
    return S_OK;
}
