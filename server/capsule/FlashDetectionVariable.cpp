#include "FlashDetectionVariable.h"

#include "frame/DiagnosticsLog.h"
#include "frame/ErrorInfoManager.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "MessageIds.h"
#include "system/EFIVar.h"

#include <vector>

namespace {

constexpr ULONG kDataSize = 24;     // 23 characters and the terminator

} // namespace

HRESULT CFlashDetectionVariable::Set()
{
    char data[kDataSize] = {};
    ::WideCharToMultiByte(CP_ACP, 0, VariableName::FlashDetectionStatus, -1, data, kDataSize, nullptr, nullptr);
    data[kDataSize - 1] = '\0';
    CEFIVar efiVar;
    ULONG attributes = EFI_VARIABLE_ATTRIBUTES_DEFAULT;
    ULONG size = kDataSize;
    const HRESULT hr = efiVar.SetVariable(VariableName::FlashDetectionStatus, &VendorGuid::FlashDetectionStatus,
                                          &attributes, &size, data);
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::Set"), LOG_ERROR,
                         L"Not able to set Flash Detection Variable hr = %lx", static_cast<unsigned long>(hr));
        return E_FAIL;
    }
    ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::Set"), LOG_INFORMATION, L"Success:  Exiting function");
    return S_OK;
}

bool CFlashDetectionVariable::IsRemoved()
{
    CEFIVar efiVar;
    BYTE data[kDataSize] = {};
    ULONG attributes = EFI_VARIABLE_ATTRIBUTES_DEFAULT;
    ULONG size = 0;
    const HRESULT hr = efiVar.GetVariable(VariableName::FlashDetectionStatus, &VendorGuid::FlashDetectionStatus,
                                          &attributes, &size, data);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::IsRemoved"), LOG_WARNING, L"Variable removed");
        return true;
    }
    ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::IsRemoved"), LOG_ERROR,
                     L"Variable exists, flash not successful.");
    return false;
}

HRESULT CFlashDetectionVariable::Remove()
{
    ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::Remove"), LOG_INFORMATION, L"Entering function");
    CEFIVar efiVar;
    ULONG attributes = EFI_VARIABLE_ATTRIBUTES_DEFAULT;
    ULONG size = 0;
    HRESULT hr = efiVar.GetVariable(VariableName::FlashDetectionStatus, &VendorGuid::FlashDetectionStatus,
                                    &attributes, &size, nullptr);
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::Remove"), LOG_WARNING, L"Variable already removed");
        return S_OK;
    }
    if (FAILED(hr) && hr != ResultCode::E_BUFFERTOOSMALL) {
        ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::Remove"), LOG_ERROR,
                         L"GetVariable() returned an invalid error %lx", static_cast<unsigned long>(hr));
        return E_FAIL;
    }
    ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::Remove"), LOG_INFORMATION,
                     L"Received uiAttributes value of %lx", static_cast<unsigned long>(attributes));
    std::vector<BYTE> buffer(size + 1, 0);
    ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::Remove"), LOG_INFORMATION, L"Resetting uiDataSize to zero");
    size = 0;
    hr = efiVar.SetVariable(VariableName::FlashDetectionStatus, &VendorGuid::FlashDetectionStatus, &attributes,
                            &size, buffer.data());
    // A delete that failed leaves the marker behind, so the next check would misread it.
    if (FAILED(hr)) {
        return REPORT_FAILURE(L"CFlashDetectionVariable::Remove", LOG_ERROR,
                              hr == ResultCode::E_EFIVAR_UNKNOWN ? ResultCode::E_EFIVAR_UNKNOWN_RESULT : hr,
                              Describe(MSG_REMOVE_FAILED), L"Unknown return value received from EFIVAR.dll");
    }
    ReportDiagnostic(LOG_SITE(L"CFlashDetectionVariable::Remove"), LOG_INFORMATION, L"Success:  Exiting function");
    return S_OK;
}
