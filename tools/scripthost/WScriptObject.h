#pragma once
// The global WScript object scripts see.
#include "NamedDispatch.h"

#include <string>
#include <vector>

class CScriptHost;

class CWScriptObject final : public CNamedDispatch {
public:
    CWScriptObject(CScriptHost* host, std::vector<std::wstring> arguments);

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const CCallArguments& arguments, VARIANT* result,
        EXCEPINFO* exception) override;

private:
    ~CWScriptObject() override;

    HRESULT Echo(const CCallArguments& arguments, EXCEPINFO* exception);
    HRESULT Quit(const CCallArguments& arguments, EXCEPINFO* exception);
    HRESULT GetArguments(const CCallArguments& arguments, VARIANT* result, EXCEPINFO* exception);
    HRESULT CreateObject(const CCallArguments& arguments, VARIANT* result, EXCEPINFO* exception);
    HRESULT ConnectObject(const CCallArguments& arguments, EXCEPINFO* exception);
    HRESULT DisconnectObject(const CCallArguments& arguments, EXCEPINFO* exception);
    HRESULT Sleep(const CCallArguments& arguments, EXCEPINFO* exception);
    HRESULT GetStream(ComPtr<IDispatch>& stream, DWORD standardHandle, VARIANT* result);
    HRESULT Connect(IUnknown* object, const std::wstring& prefix, EXCEPINFO* exception);

    ComPtr<CScriptHost> m_host;
    ComPtr<IDispatch> m_arguments;
    ComPtr<IDispatch> m_stdOut;
    ComPtr<IDispatch> m_stdErr;
    ComPtr<IDispatch> m_stdIn;
};
