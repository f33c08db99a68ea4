// The toolkit's working-folder policy.
#include "Toolkit.h"

#include "MessageIds.h"
#include "frame/FailureReport.h"

// Relative names given to the server, "Preferences.ini" and the message library are found
// next to the host program.
HRESULT CToolkit::SetWorkingDirectory()
{
    wchar_t saved[MAX_PATH] = {};
    const DWORD savedLength = ::GetCurrentDirectoryW(MAX_PATH, saved);
    if (savedLength == 0 || savedLength >= MAX_PATH) {
        return REPORT_FAILURE(L"CToolkit::SetWorkingDirectory", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Failure in GetCurrentDirectory()");
    }
    m_strSavedDirectory.assign(saved, savedLength);
    wchar_t program[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return REPORT_FAILURE(L"CToolkit::SetWorkingDirectory", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"Failure in GetModuleFileName()");
    }
    std::wstring directory(program, length);
    directory.erase(directory.find_last_of(L"\\/") + 1);
    if (!::SetCurrentDirectoryW(directory.c_str())) {
        return REPORT_FAILURE(L"CToolkit::SetWorkingDirectory", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"The current directory could not be set to %s", directory.c_str());
    }
    return S_OK;
}
