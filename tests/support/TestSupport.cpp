#include "TestSupport.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> arguments,
                     VARIANT* result, EXCEPINFO* exception)
{
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        return hr;
    }
    std::reverse(arguments.begin(), arguments.end());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    EXCEPINFO local{};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, exception ? exception : &local,
                        nullptr);
    if (!exception) {
        ::SysFreeString(local.bstrSource);
        ::SysFreeString(local.bstrDescription);
        ::SysFreeString(local.bstrHelpFile);
    }
    return hr;
}

std::wstring TakeErrorDescription(GUID* guid)
{
    ComPtr<IErrorInfo> error;
    if (::GetErrorInfo(0, &error) != S_OK || !error) {
        return kNoErrorInformation;
    }
    UniqueBstr description;
    error->GetDescription(description.put());
    if (guid) {
        error->GetGUID(guid);
    }
    return description.c_str();
}

IFACEMETHODIMP RecordingSink::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}
IFACEMETHODIMP RecordingSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
IFACEMETHODIMP RecordingSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
IFACEMETHODIMP RecordingSink::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT*,
                                     EXCEPINFO*, UINT*)
{
    sawNonNullIid = sawNonNullIid || iid != IID_NULL;
    RecordedEvent event{id, flags, {}, {}};
    for (UINT i = parameters->cArgs; i-- > 0;) {
        VARIANT& argument = parameters->rgvarg[i];
        event.types.push_back(V_VT(&argument));
        UniqueVariant text;
        VARIANT value;
        ::VariantInit(&value);
        // Read through references, as a script would.
        if (SUCCEEDED(::VariantCopyInd(&value, &argument))
            && SUCCEEDED(::VariantChangeType(text.get(), &value, 0, VT_BSTR))) {
            event.texts.push_back(V_BSTR(text.get()) ? V_BSTR(text.get()) : L"");
        } else {
            event.texts.push_back(L"<?>");
        }
        ::VariantClear(&value);
    }
    events.push_back(std::move(event));
    if (onInvoke) {
        onInvoke(id, parameters);
    }
    return S_OK;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

void ClearErrorInfo()
{
    ::SetErrorInfo(0, nullptr);
}

// Output goes to a file, not a pipe: Wine may start helper processes (such as its desktop
// process) from the program, and they would inherit a pipe and hold it open.
DWORD RunProgram(std::wstring commandLine, const std::wstring& folder, const std::wstring& output)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueFile file;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!output.empty()) {
        file.reset(::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return kNotStarted;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = file.get();
        startup.hStdError = file.get();
    }
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, file ? TRUE : FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        return kNotStarted;
    }
    file.reset();
    UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    ::WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD code = kNotStarted;
    ::GetExitCodeProcess(processHandle.get(), &code);
    return code;
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    return path;
}

TemporaryFolder::TemporaryFolder()
{
    wchar_t base[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, base);
    for (unsigned attempt = ::GetTickCount();; ++attempt) {
        m_path = std::wstring(base) + L"toolkit-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-"
            + std::to_wstring(attempt);
        if (::CreateDirectoryW(m_path.c_str(), nullptr)) {
            break;
        }
    }
}

TemporaryFolder::~TemporaryFolder()
{
    std::wstring from = m_path;
    from.push_back(L'\0'); // double-terminated list
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&operation);
}

bool WriteTextFile(const std::wstring& path, const std::string& text)
{
    std::ofstream file(path.c_str(), std::ios::binary);
    file << text;
    return static_cast<bool>(file);
}

bool ReadTextFile(const std::wstring& path, std::string& text)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return true;
}

std::string ReadTextFile(const std::wstring& path)
{
    std::string text;
    ReadTextFile(path, text);
    return text;
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}
