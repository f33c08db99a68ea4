#include "ErrorInfoManager.h"

#include "Companions.h"
#include "Owners.h"
#include "ResultCodes.h"

#include <wrl/client.h>

#include <cwchar>

using Microsoft::WRL::ComPtr;

namespace {

constexpr size_t kDescriptionLength = 2048;
constexpr int kMessageLength = 2048;

HMODULE g_messageLibrary = nullptr;
bool g_messageLibraryAttempted = false;

const wchar_t kFallbackText[] =
    L"An error occurred : Specific information could not be retrieved from application resources (PellamWRes.DLL)";

void FormatInto(wchar_t* buffer, size_t size, const wchar_t* format, va_list arguments)
{
    _vsnwprintf(buffer, size - 1, format, arguments);
    buffer[size - 1] = L'\0';
}

// Makes `created` the thread's current error information.
HRESULT MakeCurrent(ICreateErrorInfo* created, const LogSite& site)
{
    ComPtr<IErrorInfo> errorInfo;
    if (FAILED(created->QueryInterface(IID_PPV_ARGS(&errorInfo)))) {
        ReportDiagnostic(site, LOG_ERROR, L"Query Interface failed.");
        return E_FAIL;
    }
    ::SetErrorInfo(0, errorInfo.Get());
    return S_OK;
}

HRESULT SetDescriptionText(const wchar_t* description)
{
    ComPtr<ICreateErrorInfo> created;
    HRESULT hr = CErrorInfoManager::GetErrorInfoForApartment(&created);
    if (FAILED(hr)) {
        return hr;
    }
    if (FAILED(created->SetDescription(const_cast<LPOLESTR>(description)))) {
        ReportDiagnostic(LOG_SITE(L"CErrorInfoManager::SetDescription"), LOG_ERROR,
                         L"SetDescription failed - Return E_OUTOFMEMORY");
        return E_OUTOFMEMORY;
    }
    return MakeCurrent(created.Get(), LOG_SITE(L"CErrorInfoManager::SetDescription"));
}

} // namespace

namespace CErrorInfoManager {

HRESULT GetErrorInfoForApartment(ICreateErrorInfo** errorInfo)
{
    if (!errorInfo) {
        return E_POINTER;
    }
    *errorInfo = nullptr;
    ComPtr<IErrorInfo> current;
    HRESULT hr = ::GetErrorInfo(0, &current);
    if (FAILED(hr)) {
        ReportDiagnostic(LOG_SITE(L"CErrorInfoManager::GetErrorInfoForApartment"), LOG_ERROR,
                         L"Not able to obtain the error information object - Return E_FAIL");
        return E_FAIL;
    }
    if (hr == S_FALSE || !current) {
        if (FAILED(::CreateErrorInfo(errorInfo))) {
            ReportDiagnostic(LOG_SITE(L"CErrorInfoManager::GetErrorInfoForApartment"), LOG_ERROR,
                             L"Not able to create an error object - Return E_OUTOFMEMORY");
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    // Keep filling the same object, so that description and GUID set in steps accumulate.
    if (FAILED(current->QueryInterface(IID_PPV_ARGS(errorInfo)))) {
        ReportDiagnostic(LOG_SITE(L"CErrorInfoManager::GetErrorInfoForApartment"), LOG_ERROR, L"Query Interface failed.");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT SetDescription(const wchar_t* format, ...)
{
    wchar_t description[kDescriptionLength] = {};
    va_list arguments;
    va_start(arguments, format);
    FormatInto(description, kDescriptionLength, format ? format : L"", arguments);
    va_end(arguments);
    return SetDescriptionText(description);
}

HRESULT SetDescriptionV(UINT messageId, va_list arguments)
try {
    return SetDescriptionText(FormatMessageText(messageId, arguments).c_str());
} catch (...) {
    return E_OUTOFMEMORY;
}

HRESULT SetDescription(UINT messageId, ...)
{
    va_list arguments;
    va_start(arguments, messageId);
    const HRESULT hr = SetDescriptionV(messageId, arguments);
    va_end(arguments);
    return hr;
}

void Clear() { ::SetErrorInfo(0, nullptr); }

HRESULT SetGUID(const IID& iid)
{
    ComPtr<ICreateErrorInfo> created;
    HRESULT hr = GetErrorInfoForApartment(&created);
    if (FAILED(hr)) {
        return hr;
    }
    if (FAILED(created->SetGUID(iid))) {
        ReportDiagnostic(LOG_SITE(L"CErrorInfoManager::SetGUID"), LOG_ERROR, L"SetGUID failed - Return E_OUTOFMEMORY");
        return E_OUTOFMEMORY;
    }
    return MakeCurrent(created.Get(), LOG_SITE(L"CErrorInfoManager::SetGUID"));
}

} // namespace CErrorInfoManager

HRESULT LoadMessageString(UINT id, std::wstring* text)
{
    if (!text) {
        return E_POINTER;
    }
    if (!g_messageLibraryAttempted) {
        g_messageLibraryAttempted = true;
        g_messageLibrary = LoadCompanionLibrary(L"PellamWRes.dll");
    }
    if (!g_messageLibrary) {
        return ResultCode::E_MESSAGE_LIBRARY;
    }
    wchar_t buffer[kMessageLength + 1] = {};
    const int length = ::LoadStringW(g_messageLibrary, id, buffer, kMessageLength);
    if (length <= 0) {
        return ResultCode::E_MESSAGE_NOT_FOUND;
    }
    text->assign(buffer, length);
    return S_OK;
}

void UnloadMessageLibrary()
{
    if (g_messageLibrary) {
        ::FreeLibrary(g_messageLibrary);
        g_messageLibrary = nullptr;
    }
    g_messageLibraryAttempted = false;
}

std::wstring FormatMessageText(UINT id, va_list arguments)
{
    std::wstring text;
    if (FAILED(LoadMessageString(id, &text))) {
        text = kFallbackText;
    }
    wchar_t description[kDescriptionLength] = {};
    FormatInto(description, kDescriptionLength, text.c_str(), arguments);
    return description;
}
