#include "DetectCorrin6.h"

#include "SarnQRVData.h"

#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"

namespace {

// Record 1 of "QrvDataVar": the 8-byte record header, then the 8-bit SMBus addresses of the
// first, second and third chip (0: none) and a pad byte.
constexpr DWORD kHardwareMonitorRecord = 1;
constexpr ULONG kRecordBytes = 12;
constexpr size_t kFirstChip = 8;
constexpr size_t kSecondChip = 9;
constexpr size_t kThirdChip = 10;

} // namespace

HRESULT CDetectCorrin6::DetectASIC(BOOL* present, BYTE* address)
{
    const LogSite site = LOG_SITE(L"CDetectCorrin6::DetectASIC");
    if (!present || !address) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    *present = FALSE;
    *address = 0;
    BYTE record[kRecordBytes] = {};
    ULONG size = kRecordBytes;
    const HRESULT hr = CSarnQRVData(kHardwareMonitorRecord).ReadFromBIOS(record, &size);
    if (FAILED(hr)) {
        return hr;  // reported where it was found; an absent record is no failure of its own
    }
    // A short record cannot say that there is no chip: read as zeros, a missing address
    // would pass for "none" and let a payload onto a board that has one.
    if (size < kRecordBytes) {
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_VARIABLE_SIZE, Describe(MSG_BIOS_OPERATION_NOT_SUPPORTED),
                               L"Hardware-monitor record has %lu bytes, fewer than %lu", size, kRecordBytes);
    }
    if (record[kSecondChip] != 0 || record[kThirdChip] != 0) {
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_MONITOR_CHIPS, Describe(MSG_COOLING_NOT_SUPPORTED),
                               L"2nd/3rd Corrin found");
    }
    *present = record[kFirstChip] != 0 ? TRUE : FALSE;
    *address = static_cast<BYTE>(record[kFirstChip] >> 1);
    return S_OK;
}

HRESULT GetCorrinsPresent(ULONG* count, HRESULT* detection)
{
    if (!count) {
        return REPORT_FAILURE(L"GetCorrinsPresent", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    *count = 0;
    BOOL present = FALSE;
    BYTE address = 0;
    const HRESULT hr = CDetectCorrin6().DetectASIC(&present, &address);
    if (detection) {
        *detection = hr;
    }
    if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
        return S_OK;  // a board without the description has no chip
    }
    if (FAILED(hr)) {
        return S_FALSE;
    }
    *count = present ? 1 : 0;
    return S_OK;
}
