#include "ScriptHost.h"

#include "ByRefArguments.h"
#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "EventSink.h"
#include "ExcepInfo.h"
#include "ScriptFile.h"
#include "WScriptObject.h"

#include "ErrorMacros.h"

namespace {

constexpr wchar_t kWScriptName[] = L"WScript";

std::wstring ExceptionText(EXCEPINFO& exception, HRESULT fallback)
{
    const HRESULT code = exception.scode ? exception.scode
        : exception.wCode             ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, exception.wCode)
                                      : fallback;
    std::wstring source = exception.bstrSource ? exception.bstrSource : L"";
    std::wstring description = exception.bstrDescription ? exception.bstrDescription : L"";
    wchar_t hex[16];
    swprintf(hex, std::size(hex), L"0x%08lX", static_cast<unsigned long>(code));
    if (description.empty()) {
        description = DescribeResult(code);
    } else if (description.find(hex) == std::wstring::npos) {
        description += L" (" + std::wstring(hex) + L")";
    }
    return source.empty() ? description : source + L": " + description;
}

}  // namespace

CScriptHost::CScriptHost(std::wstring scriptPath, std::vector<std::wstring> arguments)
    : m_scriptPath(std::move(scriptPath)), m_arguments(std::move(arguments))
{
}

CScriptHost::~CScriptHost() = default;

std::wstring CScriptHost::ScriptName() const
{
    const auto separator = m_scriptPath.find_last_of(L"\\/");
    return separator == std::wstring::npos ? m_scriptPath : m_scriptPath.substr(separator + 1);
}

int CScriptHost::Run()
{
    std::wstring text;
    std::wstring error;
    if (!ReadScriptFile(m_scriptPath, text, error)) {
        ReportFailure(error);
        return kExitFailure;
    }
    if (StartEngine()) {
        Execute(text);
    }
    Shutdown();
    if (m_errorCount > 0) {
        return kExitFailure;
    }
    return m_quitRequested ? m_quitCode : 0;
}

bool CScriptHost::StartEngine()
{
    const std::wstring language = ScriptLanguageForPath(m_scriptPath);
    if (language.empty()) {
        ReportFailure(L"no script engine for \"" + m_scriptPath + L"\": the file must end in .vbs or .js");
        return false;
    }
    CLSID engineClass{};
    HRESULT hr = CLSIDFromProgID(language.c_str(), &engineClass);
    if (FAILED(hr)) {
        ReportFailure(L"the " + language + L" engine is not registered: " + DescribeResult(hr));
        return false;
    }
    hr = CoCreateInstance(engineClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_engine));
    if (SUCCEEDED(hr)) {
        hr = m_engine.As(&m_parser);
    }
    if (FAILED(hr)) {
        ReportFailure(L"cannot create the " + language + L" engine: " + DescribeResult(hr));
        return false;
    }
    *m_wscript.ReleaseAndGetAddressOf() = new (std::nothrow) CWScriptObject(this, m_arguments);
    if (!m_wscript) {
        ReportFailure(L"out of memory");
        return false;
    }
    hr = m_engine->SetScriptSite(this);
    if (SUCCEEDED(hr)) {
        hr = m_parser->InitNew();
    }
    if (SUCCEEDED(hr)) {
        hr = m_engine->AddNamedItem(kWScriptName, SCRIPTITEM_ISVISIBLE);
    }
    if (FAILED(hr)) {
        ReportFailure(L"cannot prepare the " + language + L" engine: " + DescribeResult(hr));
        return false;
    }
    return true;
}

void CScriptHost::Execute(const std::wstring& text)
{
    // Parsed while the engine is still initialised, the code waits for the start below, so
    // a syntax error stops the script before any of it runs.
    CExcepInfo exception;
    unsigned errorsBefore = m_errorCount;
    HRESULT hr = m_parser->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0, 0, nullptr, exception.put());
    if (FAILED(hr)) {
        ReportUnreported(hr, errorsBefore, L"the script cannot be parsed", exception.filled());
        return;
    }
    errorsBefore = m_errorCount;
    hr = m_engine->SetScriptState(SCRIPTSTATE_STARTED);
    if (FAILED(hr)) {
        EXCEPINFO none{};
        ReportUnreported(hr, errorsBefore, L"the script failed", none);
    }
}

void CScriptHost::Shutdown()
{
    m_connections.RemoveAll();
    if (m_engine) {
        m_engine->Close();  // releases the site, the named items and everything the script held
    }
    m_parser.Reset();
    m_engine.Reset();
    m_wscript.Reset();
}

void CScriptHost::ReportFailure(const std::wstring& message)
{
    ++m_errorCount;
    WriteConsoleLine(STD_ERROR_HANDLE, L"scripthost: " + message);
}

// Engines report through OnScriptError and then fail the call; only failures that bypassed
// the site need a message of their own.
void CScriptHost::ReportUnreported(HRESULT hr, unsigned errorsBefore, const std::wstring& what, EXCEPINFO& exception)
{
    const bool reportedElsewhere = hr == static_cast<HRESULT>(SCRIPT_E_REPORTED);
    if (m_quitRequested || m_errorCount != errorsBefore || reportedElsewhere) {
        if (reportedElsewhere && m_errorCount == errorsBefore && !m_quitRequested) {
            ++m_errorCount;  // reported to someone, but not to us: still a failure
        }
        return;
    }
    ReportFailure(m_scriptPath + L": " + what + L": " + ExceptionText(exception, hr));
}

void CScriptHost::RequestQuit(int exitCode)
{
    if (!m_quitRequested) {
        m_quitRequested = true;
        m_quitCode = exitCode;
    }
}

HRESULT CScriptHost::ConnectObject(IUnknown* object, const std::wstring& prefix, std::wstring& error)
{
    ComPtr<ITypeInfo> eventInfo;
    IID eventIid{};
    HRESULT hr = CEventConnections::FindDefaultSource(object, &eventInfo, &eventIid, error);
    if (FAILED(hr)) {
        return hr;
    }
    // The sink holds the host: an object may fire after the script let go of it.
    EventHandler handler = [host = ComPtr<CScriptHost>(this), prefix](const std::wstring& name, DISPPARAMS* parameters,
                                                                       VARIANT* result) {
        host->InvokeHandler(prefix + name, parameters, result);
    };
    ComPtr<IUnknown> sink;
    *sink.ReleaseAndGetAddressOf() = static_cast<IDispatch*>(new (std::nothrow) CEventSink(std::move(handler), eventInfo.Get(), eventIid));
    if (!sink) {
        return E_OUTOFMEMORY;
    }
    hr = m_connections.Add(object, eventIid, sink.Get());
    if (FAILED(hr)) {
        error = L"the object refused the event connection: " + DescribeResult(hr);
    }
    return hr;
}

void CScriptHost::DisconnectObject(IUnknown* object)
{
    m_connections.Remove(object);
}

void CScriptHost::InvokeHandler(const std::wstring& name, DISPPARAMS* parameters, VARIANT* result)
{
    if (m_quitRequested || !m_engine) {
        return;
    }
    ComPtr<IDispatch> script;
    if (FAILED(m_engine->GetScriptDispatch(nullptr, &script)) || !script) {
        return;
    }
    DISPID handler = DISPID_UNKNOWN;
    auto* handlerName = const_cast<LPOLESTR>(name.c_str());
    if (FAILED(script->GetIDsOfNames(IID_NULL, &handlerName, 1, LOCALE_USER_DEFAULT, &handler))) {
        return;
    }
    DISPPARAMS none{};
    CByRefArguments adapted(parameters ? *parameters : none);
    CExcepInfo exception;
    UINT argumentError = 0;
    const unsigned errorsBefore = m_errorCount;
    HRESULT hr = script->Invoke(handler, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
        adapted.parameters(), result, exception.put(), &argumentError);
    if (SUCCEEDED(hr)) {
        adapted.CopyBack();
    }
    if (FAILED(hr)) {
        ReportUnreported(hr, errorsBefore, L"event handler " + name + L" failed", exception.filled());
        RequestQuit(kExitFailure);
    }
}

STDMETHODIMP CScriptHost::GetLCID(LCID* locale)
{
    if (!locale) {
        return E_POINTER;
    }
    *locale = GetUserDefaultLCID();
    return S_OK;
}

STDMETHODIMP CScriptHost::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info)
{
    if (mask & SCRIPTINFO_IUNKNOWN) {
        if (!item) {
            return E_POINTER;
        }
        *item = nullptr;
    }
    if (mask & SCRIPTINFO_ITYPEINFO) {
        if (!info) {
            return E_POINTER;
        }
        *info = nullptr;
    }
    if (!name || CompareStringOrdinal(name, -1, kWScriptName, -1, TRUE) != CSTR_EQUAL || !m_wscript) {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    if (mask & SCRIPTINFO_ITYPEINFO) {
        return TYPE_E_ELEMENTNOTFOUND;  // the object describes itself only through IDispatch
    }
    if (mask & SCRIPTINFO_IUNKNOWN) {
        m_wscript->AddRef();
        *item = m_wscript.Get();
    }
    return S_OK;
}

STDMETHODIMP CScriptHost::GetDocVersionString(BSTR* version)
{
    if (version) {
        *version = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP CScriptHost::OnScriptTerminate(const VARIANT*, const EXCEPINFO*)
{
    return S_OK;
}

STDMETHODIMP CScriptHost::OnStateChange(SCRIPTSTATE)
{
    return S_OK;
}

STDMETHODIMP CScriptHost::OnScriptError(IActiveScriptError* error)
{
    if (!error) {
        return E_POINTER;
    }
    if (m_quitRequested) {
        return S_OK;  // the unwinding WScript.Quit started
    }
    try {
        CExcepInfo exception;
        error->GetExceptionInfo(exception.put());
        std::wstring position;
        DWORD context = 0;
        ULONG line = 0;
        LONG column = 0;
        if (SUCCEEDED(error->GetSourcePosition(&context, &line, &column))) {
            position = L"(" + std::to_wstring(line + 1) + L", " + std::to_wstring(column + 1) + L")";
        }
        ++m_errorCount;
        WriteConsoleLine(STD_ERROR_HANDLE, m_scriptPath + position + L" " + ExceptionText(exception.filled(), E_FAIL));
        // An error in an event handler returns to the object, not to the script: stop the
        // script at its next WScript call, as an error in its main body would.
        RequestQuit(kExitFailure);
        return S_OK;
    }
    CATCH_RETURN()
}

STDMETHODIMP CScriptHost::OnEnterScript()
{
    return S_OK;
}

STDMETHODIMP CScriptHost::OnLeaveScript()
{
    return S_OK;
}
