#include "ErrorBox.h"

#include "WizardRules.h"

std::wstring LoadText(UINT id)
{
    const wchar_t* text = nullptr;
    // With a zero length LoadString hands out a pointer into the resource itself.
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

void ShowErrorBox(UINT id)
{
    const std::wstring text = LoadText(id);
    ::MessageBoxW(nullptr, text.c_str(), L"Error", MB_ICONERROR | MB_TASKMODAL);
}

HRESULT CheckOperatingSystem()
{
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    // Without a compatibility manifest for later systems, later Windows report 6.2 here,
    // which this check accepts.
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        return E_FAIL;
    }
    return IsSupportedWindowsVersion(version.dwMajorVersion, version.dwMinorVersion, version.wSuiteMask) ? S_OK
                                                                                                         : E_FAIL;
}
