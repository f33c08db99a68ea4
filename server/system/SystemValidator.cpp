#include "SystemValidator.h"

#include "EFIVar.h"
#include "ProcessState.h"

#include "frame/EventTarget.h"

#include "ErrorMacros.h"

#include <new>
#include <vector>

namespace {

constexpr size_t kFirstFieldMin = 2;
constexpr size_t kFirstFieldMax = 14;
constexpr size_t kSecondFieldMin = 2;
constexpr size_t kSecondFieldMax = 4;

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Firmware IDs are 8-bit text in the ANSI code page.
std::wstring WidenAnsi(const std::vector<char>& text)
{
    const int length = static_cast<int>(std::char_traits<char>::length(text.data()));
    if (length == 0) {
        return {};
    }
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring result(wide > 0 ? static_cast<size_t>(wide) : 0, L'\0');
    if (wide > 0) {
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), wide);
    }
    return result;
}

} // namespace

bool CSystemValidator::IsSupportedBoardId(std::wstring_view biosId)
{
    const std::wstring text = std::wstring(biosId) + L".";
    const size_t firstDot = text.find(L'.');
    const size_t secondDot = text.find(L'.', firstDot + 1);
    if (secondDot == std::wstring::npos) {
        return false;
    }
    const std::wstring_view view(text);
    const std::wstring_view first = view.substr(0, firstDot);
    const std::wstring_view second = view.substr(firstDot + 1, secondDot - firstDot - 1);
    if (first.size() < kFirstFieldMin || first.size() > kFirstFieldMax || second.size() < kSecondFieldMin ||
        second.size() > kSecondFieldMax) {
        return false;
    }
    // The family is named by exactly three characters; a two- or four-character field
    // fits the bounds but names none.
    if (second.size() != 3) {
        return false;
    }
    const bool desktopFamily = second[0] == L'8' && second[1] == L'6' && IsAsciiLetter(second[2]);
    const bool numberedFamily = IsAsciiDigit(second[0]) && IsAsciiDigit(second[1]) && (second[2] == L'T' || second[2] == L't');
    return desktopFamily || numberedFamily;
}

bool CSystemValidator::IsSystemValidated() { return ProcessState::Instance().systemValidated; }

HRESULT CSystemValidator::ValidateSystem()
try {
    const LogSite site = LOG_SITE(L"CSystemValidator::ValidateSystem");
    if (IsSystemValidated()) {
        ReportDiagnostic(site, LOG_INFORMATION, L"System already validated, skipping system validation");
        return S_OK;
    }
    HRESULT hr = ValidateBIOS();
    if (FAILED(hr)) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Description::LogOnly(),
                               L"Failure occurred in ValidateBIOS, not able to validate BIOS");
    }
    if (hr != S_OK) {
        return S_FALSE;
    }
    hr = ValidateBoard();
    if (FAILED(hr)) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Description::LogOnly(),
                               L"Failure occurred in ValidateBoard, not able to validate Desktopboard");
    }
    if (hr != S_OK) {
        return S_FALSE;
    }
    ProcessState::Instance().systemValidated = true;
    ReportDiagnostic(site, LOG_INFORMATION, L"System is a valid.");
    return S_OK;
}
CATCH_RETURN()

bool CSystemValidator::CheckForSecureSMBIOS()
{
    const LogSite site = LOG_SITE(L"CSystemValidator::CheckForSecureSMBIOS");
    CEFIVar efiVar;
    ULONG attributes = 0;
    ULONG size = 0;
    HRESULT hr = efiVar.GetVariable(VariableName::SmbiosSystemManufacturer, &VendorGuid::Smbios, &attributes, &size, nullptr);
    if (hr == S_OK) {
        return true;
    }
    if (hr != ResultCode::E_BUFFERTOOSMALL) {
        ReportDiagnostic(site, LOG_ERROR, L"GetVariable returned unknown error code");
        return false;
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"DataSize = %u", static_cast<unsigned>(size));
    std::vector<BYTE> text;
    try {
        text.assign(size, 0);
    } catch (const std::bad_alloc&) {
        ReportDiagnostic(site, LOG_ERROR, L"Unable to get string");
        return false;
    }
    hr = efiVar.GetVariable(VariableName::SmbiosSystemManufacturer, &VendorGuid::Smbios, &attributes, &size, text.data());
    if (FAILED(hr)) {
        ReportDiagnostic(site, LOG_ERROR, L"Unable to get string");
        return false;
    }
    return true;
}

HRESULT CSystemValidator::ValidateBIOS()
{
    if (CheckForSecureSMBIOS()) {
        return S_OK;
    }
    ReportDiagnostic(LOG_SITE(L"CSystemValidator::ValidateBIOS"), LOG_WARNING,
                     L"The firmware does not publish its SMBIOS strings as variables");
    ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnInvalidBIOS(); });
    return S_FALSE;
}

HRESULT CSystemValidator::GetBIOSIDFromVariable(std::wstring& biosId)
try {
    const LogSite site = LOG_SITE(L"CSystemValidator::GetBIOSIDFromVariable");
    CEFIVar efiVar;
    for (const GUID* vendor : {&VendorGuid::FirmwareId, &VendorGuid::FirmwareIdFallback}) {
        ULONG attributes = 0;
        ULONG size = 0;
        BYTE* data = nullptr;
        if (FAILED(efiVar.AllocateAndGetVariable(VariableName::FirmwareId, vendor, &attributes, &size, &data))) {
            continue;
        }
        const VariableBuffer owned(data);
        // Zero-terminated whatever the variable holds, so the text ends inside the buffer.
        std::vector<char> text(static_cast<size_t>(size) + 1, '\0');
        if (size != 0) {
            std::copy(data, data + size, text.begin());
        }
        biosId = WidenAnsi(text);
        ReportDiagnostic(site, LOG_INFORMATION, L"BIOS ID: %s", biosId.c_str());
        return S_OK;
    }
    return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                           L"Failed to obtain variable.  BIOS ID unknown");
}
CATCH_RETURN()

HRESULT CSystemValidator::ValidateBoard()
{
    const LogSite site = LOG_SITE(L"CSystemValidator::ValidateBoard");
    std::wstring biosId;
    if (FAILED(GetBIOSIDFromVariable(biosId))) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Description::LogOnly(),
                               L"Failed to obtain variable.  Board ID unknown");
    }
    if (IsSupportedBoardId(biosId)) {
        return S_OK;
    }
    ReportDiagnostic(site, LOG_WARNING, L"The BIOS ID %s names no supported board family", biosId.c_str());
    ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnInvalidBoard(); });
    return S_FALSE;
}
