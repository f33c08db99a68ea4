#pragma once
// Runs one script in the system's VBScript or JScript engine and acts as the engine's site:
// reports script errors, offers the WScript object, and keeps the event connections scripts
// ask for until the script ends.
#include "EventConnections.h"

#include "ComObject.h"

#include <activscp.h>

#include <string>
#include <vector>

class CWScriptObject;

// Raised through a WScript call to unwind the script after WScript.Quit.
constexpr HRESULT SCRIPTHOST_E_QUIT = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);

constexpr int kExitFailure = 1;

class CScriptHost final : public ComObject<CScriptHost, IActiveScriptSite> {
public:
    CScriptHost(std::wstring scriptPath, std::vector<std::wstring> arguments);

    // Returns the process exit code: the WScript.Quit code, or kExitFailure after any error.
    int Run();

    const std::wstring& ScriptFullName() const { return m_scriptPath; }
    std::wstring ScriptName() const;

    void RequestQuit(int exitCode);
    bool QuitRequested() const { return m_quitRequested; }

    HRESULT ConnectObject(IUnknown* object, const std::wstring& prefix, std::wstring& error);
    void DisconnectObject(IUnknown* object);
    // Calls the script's procedure `name` if the script defines one; events nobody handles are dropped.
    void InvokeHandler(const std::wstring& name, DISPPARAMS* parameters, VARIANT* result);

    // IActiveScriptSite
    STDMETHODIMP GetLCID(LCID* locale) override;
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override;
    STDMETHODIMP GetDocVersionString(BSTR* version) override;
    STDMETHODIMP OnScriptTerminate(const VARIANT* result, const EXCEPINFO* exception) override;
    STDMETHODIMP OnStateChange(SCRIPTSTATE state) override;
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override;
    STDMETHODIMP OnEnterScript() override;
    STDMETHODIMP OnLeaveScript() override;

private:
    ~CScriptHost() override;

    bool StartEngine();
    void Execute(const std::wstring& text);
    void Shutdown();
    void ReportFailure(const std::wstring& message);
    void ReportUnreported(HRESULT hr, unsigned errorsBefore, const std::wstring& what, EXCEPINFO& exception);

    std::wstring m_scriptPath;
    std::vector<std::wstring> m_arguments;
    ComPtr<IActiveScript> m_engine;
    ComPtr<IActiveScriptParse> m_parser;
    ComPtr<IDispatch> m_wscript;
    CEventConnections m_connections;
    unsigned m_errorCount = 0;
    bool m_quitRequested = false;
    int m_quitCode = 0;
};
