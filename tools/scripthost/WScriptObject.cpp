#include "WScriptObject.h"

#include "ArgumentsCollection.h"
#include "ConsoleOutput.h"
#include "ScriptHost.h"
#include "TextInStream.h"
#include "TextOutStream.h"

#include "Owners.h"

namespace {

enum : DISPID {
    kEcho = 1,
    kQuit,
    kArguments,
    kCreateObject,
    kConnectObject,
    kDisconnectObject,
    kSleep,
    kScriptName,
    kScriptFullName,
    kStdOut,
    kStdErr,
    kStdIn,
    kName,
};

constexpr DispatchMember kMembers[] = {
    {L"Name", DISPID_VALUE},
    {L"Echo", kEcho},
    {L"Quit", kQuit},
    {L"Arguments", kArguments},
    {L"CreateObject", kCreateObject},
    {L"ConnectObject", kConnectObject},
    {L"DisconnectObject", kDisconnectObject},
    {L"Sleep", kSleep},
    {L"ScriptName", kScriptName},
    {L"ScriptFullName", kScriptFullName},
    {L"StdOut", kStdOut},
    {L"StdErr", kStdErr},
    {L"StdIn", kStdIn},
};

constexpr wchar_t kHostName[] = L"Script Host";

HRESULT QuitUnwinding(EXCEPINFO* exception)
{
    return RaiseDispatchError(exception, SCRIPTHOST_E_QUIT, L"the script called WScript.Quit");
}

// Echo shows Empty as nothing and Null as "null" rather than failing on them.
HRESULT EchoText(VARIANT& argument, std::wstring& text)
{
    UniqueVariant plain;
    HRESULT hr = VariantCopyInd(plain.put(), &argument);
    if (FAILED(hr)) {
        return hr;
    }
    if (V_VT(plain.get()) == VT_EMPTY) {
        text.clear();
        return S_OK;
    }
    if (V_VT(plain.get()) == VT_NULL) {
        text = L"null";
        return S_OK;
    }
    UniqueVariant converted;
    hr = VariantChangeType(converted.put(), plain.get(), 0, VT_BSTR);
    if (FAILED(hr)) {
        return hr;
    }
    const BSTR value = V_BSTR(converted.get());
    text.assign(value ? value : L"", value ? SysStringLen(value) : 0);
    return S_OK;
}

HRESULT CreateByName(const std::wstring& name, IDispatch** object)
{
    CLSID classId{};
    HRESULT hr = CLSIDFromProgID(name.c_str(), &classId);
    if (FAILED(hr) && !name.empty() && name.front() == L'{') {
        hr = CLSIDFromString(name.c_str(), &classId);
    }
    if (FAILED(hr)) {
        return hr;
    }
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
        reinterpret_cast<void**>(object));
}

}  // namespace

CWScriptObject::CWScriptObject(CScriptHost* host, std::vector<std::wstring> arguments)
    : CNamedDispatch(kMembers), m_host(host)
{
    *m_arguments.ReleaseAndGetAddressOf() = new (std::nothrow) CArgumentsCollection(std::move(arguments));
}

CWScriptObject::~CWScriptObject() = default;

HRESULT CWScriptObject::InvokeMember(DISPID id, WORD, const CCallArguments& arguments, VARIANT* result,
    EXCEPINFO* exception)
{
    // After WScript.Quit (say, from an event handler) every call unwinds whatever script still runs.
    if (m_host->QuitRequested()) {
        return QuitUnwinding(exception);
    }
    switch (id) {
    case DISPID_VALUE:
        return ReturnString(result, kHostName);
    case kEcho:
        return Echo(arguments, exception);
    case kQuit:
        return Quit(arguments, exception);
    case kArguments:
        return GetArguments(arguments, result, exception);
    case kCreateObject:
        return CreateObject(arguments, result, exception);
    case kConnectObject:
        return ConnectObject(arguments, exception);
    case kDisconnectObject:
        return DisconnectObject(arguments, exception);
    case kSleep:
        return Sleep(arguments, exception);
    case kScriptName:
        return ReturnString(result, m_host->ScriptName());
    case kScriptFullName:
        return ReturnString(result, m_host->ScriptFullName());
    case kStdOut:
        return GetStream(m_stdOut, STD_OUTPUT_HANDLE, result);
    case kStdErr:
        return GetStream(m_stdErr, STD_ERROR_HANDLE, result);
    case kStdIn:
        if (!m_stdIn) {
            *m_stdIn.ReleaseAndGetAddressOf() = new (std::nothrow) CTextInStream();
            if (!m_stdIn) {
                return E_OUTOFMEMORY;
            }
        }
        return ReturnObject(result, m_stdIn.Get());
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CWScriptObject::Echo(const CCallArguments& arguments, EXCEPINFO* exception)
{
    std::wstring line;
    for (UINT i = 0; i < arguments.Count(); ++i) {
        std::wstring text;
        const HRESULT hr = EchoText(arguments.At(i), text);
        if (FAILED(hr)) {
            return RaiseDispatchError(exception, hr,
                L"WScript.Echo cannot show argument " + std::to_wstring(i + 1) + L" as text");
        }
        if (i > 0) {
            line += L' ';
        }
        line += text;
    }
    WriteConsoleLine(STD_OUTPUT_HANDLE, line);
    return S_OK;
}

HRESULT CWScriptObject::Quit(const CCallArguments& arguments, EXCEPINFO* exception)
{
    LONG code = 0;
    if (!arguments.IsMissing(0)) {
        const HRESULT hr = arguments.GetLong(0, code);
        if (FAILED(hr)) {
            return RaiseDispatchError(exception, hr, L"WScript.Quit needs a numeric exit code");
        }
    }
    m_host->RequestQuit(static_cast<int>(code));
    return QuitUnwinding(exception);
}

// `WScript.Arguments(0)` reaches us as a call of Arguments with the index.
HRESULT CWScriptObject::GetArguments(const CCallArguments& arguments, VARIANT* result, EXCEPINFO* exception)
{
    if (!m_arguments) {
        return E_OUTOFMEMORY;
    }
    if (arguments.Count() == 0) {
        return ReturnObject(result, m_arguments.Get());
    }
    LONG index = 0;
    const HRESULT hr = arguments.GetLong(0, index);
    if (FAILED(hr)) {
        return RaiseDispatchError(exception, hr, L"the argument index is not a number");
    }
    VARIANT indexArgument;
    VariantInit(&indexArgument);
    V_VT(&indexArgument) = VT_I4;
    V_I4(&indexArgument) = index;
    DISPPARAMS itemParameters{&indexArgument, nullptr, 1, 0};
    return m_arguments->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
        &itemParameters, result, exception, nullptr);
}

HRESULT CWScriptObject::CreateObject(const CCallArguments& arguments, VARIANT* result, EXCEPINFO* exception)
{
    std::wstring name;
    std::wstring prefix;
    HRESULT hr = arguments.GetString(0, name);
    if (FAILED(hr) || name.empty()) {
        return RaiseDispatchError(exception, FAILED(hr) ? hr : E_INVALIDARG, L"WScript.CreateObject needs a ProgID");
    }
    if (!arguments.IsMissing(1) && FAILED(hr = arguments.GetString(1, prefix))) {
        return RaiseDispatchError(exception, hr, L"the event prefix is not a string");
    }
    ComPtr<IDispatch> object;
    hr = CreateByName(name, &object);
    if (FAILED(hr)) {
        return RaiseDispatchError(exception, hr, L"cannot create object \"" + name + L"\"");
    }
    if (!prefix.empty()) {
        hr = Connect(object.Get(), prefix, exception);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return ReturnObject(result, object.Get());
}

HRESULT CWScriptObject::ConnectObject(const CCallArguments& arguments, EXCEPINFO* exception)
{
    ComPtr<IUnknown> object;
    HRESULT hr = arguments.GetObject(0, &object);
    if (FAILED(hr)) {
        return RaiseDispatchError(exception, hr, L"WScript.ConnectObject needs an object");
    }
    std::wstring prefix;
    hr = arguments.GetString(1, prefix);
    if (FAILED(hr) || prefix.empty()) {
        return RaiseDispatchError(exception, FAILED(hr) ? hr : E_INVALIDARG, L"WScript.ConnectObject needs an event prefix");
    }
    return Connect(object.Get(), prefix, exception);
}

HRESULT CWScriptObject::Connect(IUnknown* object, const std::wstring& prefix, EXCEPINFO* exception)
{
    std::wstring error;
    const HRESULT hr = m_host->ConnectObject(object, prefix, error);
    if (FAILED(hr)) {
        return RaiseDispatchError(exception, hr, L"cannot connect the events of the object: " + error);
    }
    return S_OK;
}

HRESULT CWScriptObject::DisconnectObject(const CCallArguments& arguments, EXCEPINFO* exception)
{
    ComPtr<IUnknown> object;
    const HRESULT hr = arguments.GetObject(0, &object);
    if (FAILED(hr)) {
        return RaiseDispatchError(exception, hr, L"WScript.DisconnectObject needs an object");
    }
    m_host->DisconnectObject(object.Get());
    return S_OK;
}

// Keeps the apartment's messages flowing while it waits, so objects can deliver events.
HRESULT CWScriptObject::Sleep(const CCallArguments& arguments, EXCEPINFO* exception)
{
    LONG milliseconds = 0;
    const HRESULT hr = arguments.GetLong(0, milliseconds);
    if (FAILED(hr) || milliseconds < 0) {
        return RaiseDispatchError(exception, FAILED(hr) ? hr : E_INVALIDARG, L"WScript.Sleep needs a time of 0 ms or more");
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (m_host->QuitRequested()) {
            return QuitUnwinding(exception);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return S_OK;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

HRESULT CWScriptObject::GetStream(ComPtr<IDispatch>& stream, DWORD standardHandle, VARIANT* result)
{
    if (!stream) {
        *stream.ReleaseAndGetAddressOf() = new (std::nothrow) CTextOutStream(standardHandle);
        if (!stream) {
            return E_OUTOFMEMORY;
        }
    }
    return ReturnObject(result, stream.Get());
}
