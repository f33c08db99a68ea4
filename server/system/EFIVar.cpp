#include "EFIVar.h"

#include "ProcessState.h"

#include "frame/Companions.h"
#include "frame/FailureReport.h"
#include "MessageIds.h"

#include <new>

int CEFIVar::s_nInstanceCount = 0;
bool CEFIVar::s_bDLLLoaded = false;
HMODULE CEFIVar::s_hDLL = nullptr;
int CEFIVar::s_nLoadCount = 0;

namespace {

using GetVariableExport = UINT(__stdcall*)(const wchar_t*, const GUID*, ULONG*, ULONG*, void*);
using SetVariableExport = UINT(__stdcall*)(const wchar_t*, const GUID*, ULONG*, ULONG*, void*);
using GetExportDbExport = UINT(__stdcall*)(ULONG*, void*);

// Defined with the table of the library's statuses, below.
std::wstring RefusedWriteText(const std::wstring& name, UINT status);

// The library gets its own copy of the GUID; a missing one stays missing (status 3).
const GUID* CopyGuid(const GUID* vendor, GUID& copy)
{
    if (vendor == nullptr)
        return nullptr;
    copy = *vendor;
    return &copy;
}

} // namespace

CEFIVar::CEFIVar()
{
    if (s_nInstanceCount == 0) {
        if (SUCCEEDED(LoadDLL())) {
            ReportDiagnostic(LOG_SITE(L"CEFIVar::CEFIVar"), LOG_INFORMATION, L"The DLL Loaded successfully");
            s_bDLLLoaded = true;
        } else {
            ReportDiagnostic(LOG_SITE(L"CEFIVar::CEFIVar"), LOG_ERROR, L"Not able to load the DLL");
        }
    }
    ++s_nInstanceCount;
}

CEFIVar::~CEFIVar()
{
    --s_nInstanceCount;
    if (s_nInstanceCount > 0 || !s_bDLLLoaded)
        return;
    if (!FreeLibrary(s_hDLL)) {
        ReportDiagnostic(LOG_SITE(L"CEFIVar::~CEFIVar"), LOG_ERROR, L"Not able to unload the DLL");
        return;
    }
    s_hDLL = nullptr;
    s_bDLLLoaded = false;
}

HRESULT CEFIVar::LoadDLL()
{
    // The last instance may have just unloaded the library, whose driver can still be stopping;
    // the pause lets a load that follows at once find it ready.
    Sleep(100);
    s_hDLL = LoadCompanionLibrary(DLL_NAME);
    if (s_hDLL == nullptr) {
        ReportDiagnostic(LOG_SITE(L"CEFIVar::LoadDLL"), LOG_ERROR, L"Not able to load the DLL");
        return ResultCode::E_EFIVAR_DLL_NOT_LOADED;
    }
    ++s_nLoadCount;
    return S_OK;
}

template <typename Function>
HRESULT CEFIVar::BindExport(const char* exportName, const wchar_t* missingMessage, const LogSite& site, Function& bound)
{
    if (!s_bDLLLoaded) {
        return ReportFailureAt(site, LOG_ERROR, ResultCode::E_EFIVAR_DLL_NOT_LOADED,
                               DescriptionForResult(ResultCode::E_EFIVAR_DLL_NOT_LOADED), L"Not able to load the DLL");
    }
    bound = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(s_hDLL, exportName)));
    if (bound == nullptr) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, DescriptionForResult(E_FAIL), L"%s", missingMessage);
    }
    return S_OK;
}

HRESULT CEFIVar::GetVariable(const std::wstring& name, const GUID* vendor, ULONG* attributes, ULONG* dataSize, void* data)
{
    GetVariableExport getVariable = nullptr;
    HRESULT hr = BindExport("GetVariable", L"Failure in GetProcAddress for EFIVar.dll GetVariable()",
        LOG_SITE(L"CEFIVar::GetVariable"), getVariable);
    if (FAILED(hr))
        return hr;
    GUID vendorCopy;
    UINT status = getVariable(name.c_str(), CopyGuid(vendor, vendorCopy), attributes, dataSize, data);
    ReportDiagnostic(LOG_SITE(L"CEFIVar::GetVariable"), LOG_INFORMATION, L"Returning DataSize of %lx and Attributes of %d",
        dataSize ? *dataSize : 0ul, attributes ? static_cast<int>(*attributes) : 0);
    return InterpretEFIRetVal(status);
}

HRESULT CEFIVar::SetVariable(const std::wstring& name, const GUID* vendor, ULONG* attributes, ULONG* dataSize, void* data)
{
    SetVariableExport setVariable = nullptr;
    HRESULT hr = BindExport("SetVariable", L"Failure in GetProcAddress for EFIVar.dll SetVariable()",
        LOG_SITE(L"CEFIVar::SetVariable"), setVariable);
    if (FAILED(hr))
        return hr;
    GUID vendorCopy;
    const GUID* vendorArgument = CopyGuid(vendor, vendorCopy);
    LogSite site = LOG_SITE(L"CEFIVar::SetVariable");
    ReportDiagnostic(site, LOG_INFORMATION, L"SetVariable-VarName:      %s", name.c_str());
    if (vendorArgument != nullptr) {
        ReportDiagnostic(site, LOG_INFORMATION, L"SetVariable-GUID:         %x-%hx-%hx...",
            static_cast<unsigned>(vendorCopy.Data1), vendorCopy.Data2, vendorCopy.Data3);
    }
    ReportDiagnostic(site, LOG_INFORMATION, L"SetVariable-Attributes:   %x", attributes ? static_cast<unsigned>(*attributes) : 0u);
    if (dataSize != nullptr)
        ReportDiagnostic(site, LOG_INFORMATION, L"SetVariable-DataSize:     %x", static_cast<unsigned>(*dataSize));
    if (data != nullptr)
        ReportDiagnostic(site, LOG_INFORMATION, L"SetVariable-Data Pointer: %p", data);
    UINT status = setVariable(name.c_str(), vendorArgument, attributes, dataSize, data);
    if (status != 0) {
        ProcessState::Instance().refusedWrite = RefusedWriteText(name, status);
    }
    return InterpretEFIRetVal(status);
}

HRESULT CEFIVar::GetExportDb(ULONG* dataSize, void* data)
{
    GetExportDbExport getExportDb = nullptr;
    HRESULT hr = BindExport("GetExportDb", L"Failure in GetProcAddress for EFIVar.dll GetExportDb()",
        LOG_SITE(L"CEFIVar::GetExportDb"), getExportDb);
    if (FAILED(hr))
        return hr;
    LogSite site = LOG_SITE(L"CEFIVar::GetExportDb");
    ReportDiagnostic(site, LOG_INFORMATION, L"GetExportDb()");
    if (dataSize != nullptr)
        ReportDiagnostic(site, LOG_INFORMATION, L"GetExportDb-DataSize:     %x", static_cast<unsigned>(*dataSize));
    if (data != nullptr)
        ReportDiagnostic(site, LOG_INFORMATION, L"GetExportDb-Data Pointer: %p", data);
    UINT status = getExportDb(dataSize, data);
    return InterpretEFIRetVal(status);
}

HRESULT CEFIVar::AllocateAndGetVariable(const std::wstring& name, const GUID* vendor, ULONG* attributes, ULONG* size, BYTE** data)
{
    LogSite site = LOG_SITE(L"CEFIVar::AllocateAndGetVariable");
    if (data == nullptr || attributes == nullptr || size == nullptr) {
        return ReportFailureAt(site, LOG_ERROR, E_POINTER, Describe(MSG_INTERNAL_ERROR), L"Invalid Pointer");
    }
    if (*data != nullptr)
        ReportDiagnostic(site, LOG_WARNING, L"Non-null pointer provided.  Possible memory leak.");
    *data = nullptr;
    *size = 0;
    HRESULT hr = GetVariable(name, vendor, attributes, size, nullptr);
    if (hr == ResultCode::E_BUFFERTOOSMALL) {
        BYTE* buffer = new (std::nothrow) BYTE[*size];
        if (buffer == nullptr) {
            return ReportFailureAt(site, LOG_ERROR, E_OUTOFMEMORY, Describe(MSG_RETRIEVE_FAILED),
                                   L"Error retrieving %s variable.", name.c_str());
        }
        hr = GetVariable(name, vendor, attributes, size, buffer);
        if (SUCCEEDED(hr)) {
            *data = buffer;
            return S_OK;
        }
        delete[] buffer;
    } else if (SUCCEEDED(hr)) {
        // Only a variable without data answers the size query with success.
        *size = 0;
        return hr;
    }
    return ReportFailureAt(site, LOG_WARNING, hr, Describe(MSG_RETRIEVE_FAILED), L"Error retrieving %s variable.",
                           name.c_str());
}

HRESULT CEFIVar::ReadVariable(const std::wstring& name, const GUID* vendor, std::vector<BYTE>& data, ULONG* attributes,
    size_t zeroBytes)
{
    ULONG ignoredAttributes = 0;
    ULONG* attributesOut = attributes ? attributes : &ignoredAttributes;
    ULONG size = 0;
    HRESULT hr = GetVariable(name, vendor, attributesOut, &size, nullptr);
    if (hr != ResultCode::E_BUFFERTOOSMALL) {
        if (SUCCEEDED(hr))
            data.assign(zeroBytes, 0);
        return hr;
    }
    std::vector<BYTE> buffer;
    try {
        buffer.assign(static_cast<size_t>(size) + zeroBytes, 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    ULONG readSize = size;
    hr = GetVariable(name, vendor, attributesOut, &readSize, buffer.data());
    if (FAILED(hr))
        return hr;
    // The variable may have shrunk between the calls; keep only what was read.
    buffer.resize(static_cast<size_t>(readSize < size ? readSize : size));
    buffer.resize(buffer.size() + zeroBytes, 0);
    data = std::move(buffer);
    return hr;
}

HRESULT CEFIVar::ReadExportDatabase(std::vector<BYTE>& data)
{
    LogSite site = LOG_SITE(L"CEFIVar::ReadExportDatabase");
    ULONG size = 0;
    HRESULT hr = GetExportDb(&size, nullptr);
    if (hr != ResultCode::E_BUFFERTOOSMALL || size == 0 || size > MAXDWORD / 2) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Error retrieving HII database");
    }
    ULONG doubled = size * 2;
    std::vector<BYTE> buffer;
    try {
        buffer.assign(doubled, 0);
    } catch (const std::bad_alloc&) {
        ReportDiagnostic(site, LOG_ERROR, L"Error retrieving HII database");
        return E_FAIL;
    }
    hr = GetExportDb(&doubled, buffer.data());
    if (FAILED(hr) || doubled > buffer.size()) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR), L"Error retrieving HII database");
    }
    buffer.resize(doubled);
    data = std::move(buffer);
    return S_OK;
}

namespace {

// The library's statuses, in their order: what each means and the result it maps to.
struct Mapping {
    const wchar_t* message;
    int level;
    HRESULT result;
    bool describe;
    HRESULT describeAs;
};
const Mapping kStatuses[] = {
    {L"EFI Operation successful", LOG_INFORMATION, S_OK, false, S_OK},
    {L"EFI Operation returned an unknown error", LOG_ERROR, ResultCode::E_EFIVAR_UNKNOWN, true, E_FAIL},
    {L"Variable.sys driver not installed", LOG_ERROR, ResultCode::E_EFIVAR_DRIVER, true, ResultCode::E_EFIVAR_DRIVER},
    {L"EFI Var received an invalid parameter", LOG_ERROR, E_INVALIDARG, true, E_INVALIDARG},
    {L"The requested variable was not found", LOG_ERROR, ResultCode::E_VARIABLE_NOT_FOUND, true, ResultCode::E_VARIABLE_NOT_FOUND},
    {L"EFI Var could not save the variable due to a hardware failure", LOG_ERROR, ResultCode::E_EFIVAR_DEVICE_ERROR, true,
        ResultCode::E_EFIVAR_DEVICE_ERROR},
    {L"There is not enough storage to hold the variable and its data", LOG_ERROR, ResultCode::E_EFIVAR_OUT_OF_STORAGE, true,
        ResultCode::E_EFIVAR_OUT_OF_STORAGE},
    {L"The buffer passed to the function was too small", LOG_ERROR, ResultCode::E_BUFFERTOOSMALL, true, ResultCode::E_BUFFERTOOSMALL},
    {L"EFI Var DLL is not supported in this OS", LOG_ERROR, ResultCode::E_EFIVAR_UNSUPPORTED_OS, true,
        ResultCode::E_EFIVAR_UNSUPPORTED_OS},
    {L"The variable.sys device driver failed to load", LOG_ERROR, ResultCode::E_EFIVAR_DRIVER, true, ResultCode::E_EFIVAR_DRIVER},
    {L"The variable.sys driver failed to uninstall", LOG_WARNING, ResultCode::S_EFIVAR_DRIVER_NOT_UNINSTALLED, false, S_OK},
    {L"EFI Var not able to communicate with variable.sys driver", LOG_ERROR, ResultCode::E_EFIVAR_DRIVER, false, S_OK},
    {L"HII data is invalid.", LOG_ERROR, ResultCode::E_HII_DATA_INVALID, false, S_OK},
};

// The text of a write the library refused: the variable, the status and, for a status the
// library defines, what it means.
std::wstring RefusedWriteText(const std::wstring& name, UINT status)
{
    std::wstring text = L"the firmware-variable library answered status " + std::to_wstring(status) +
                        L" to the write of \"" + name + L"\"";
    return status < std::size(kStatuses) ? text + L" (" + kStatuses[status].message + L")" : text;
}

} // namespace

HRESULT CEFIVar::InterpretEFIRetVal(UINT status)
{
    LogSite site = LOG_SITE(L"CEFIVar::InterpretEFIRetVal");
    if (status >= std::size(kStatuses)) {
        ReportDiagnostic(site, LOG_ERROR, L"An unknown error occurred in the EFI Var DLL: %x", status);
        return E_FAIL;
    }
    const Mapping& mapping = kStatuses[status];
    if (!mapping.describe) {
        ReportDiagnostic(site, mapping.level, L"%s", mapping.message);
        return mapping.result;
    }
    return ReportFailureAt(site, mapping.level, mapping.result, DescriptionForResult(mapping.describeAs), L"%s",
                           mapping.message);
}

Description CEFIVar::DescriptionForResult(HRESULT result)
{
    switch (result) {
    case ResultCode::E_EFIVAR_DLL_NOT_LOADED:
        return Describe(MSG_DLL_NOT_LOADED, DLL_NAME);
    case ResultCode::E_EFIVAR_DEVICE_ERROR:
        return Describe(MSG_DEVICE_ERROR);
    case ResultCode::E_EFIVAR_DRIVER:
        return Describe(MSG_DRIVER_COMMUNICATION);
    case ResultCode::E_EFIVAR_UNSUPPORTED_OS:
        return Describe(MSG_NOT_SUPPORTED_ON_OS);
    default:
        return Describe(MSG_INTERNAL_ERROR);
    }
}
