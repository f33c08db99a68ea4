#include "InstallPlan.h"

#include "Owners.h"

#include <cwchar>

CPlanEventRecorder::CPlanEventRecorder(InstallPlan& plan, Passing passing)
    : m_plan(plan), m_passing(passing), m_previous(ToolkitEvents::SetTarget(this))
{
}

CPlanEventRecorder::~CPlanEventRecorder() { ToolkitEvents::SetTarget(m_previous); }

HRESULT CPlanEventRecorder::Fire_OnSMBIOSPrompt(const wchar_t* prompt, BSTR* response)
{
    Record(L"OnSMBIOSPrompt", {Text(prompt)});
    if (!m_previous) {
        return S_OK;
    }
    // The client answers through its own target, held meanwhile as any firing holds it.
    m_previous->Hold();
    const HRESULT hr = m_previous->Fire_OnSMBIOSPrompt(prompt, response);
    m_previous->Unhold();
    return hr;
}

void CPlanEventRecorder::RaiseWarning()
{
    m_plan.warned = true;
    if (m_passing == Passing::On && m_previous) {
        m_previous->RaiseWarning();
    }
}

HRESULT CPlanEventRecorder::Pass(const wchar_t* name, std::vector<std::wstring> arguments,
                                 const std::function<HRESULT(IToolkitEventTarget&)>& fire)
{
    const HRESULT recorded = Record(name, std::move(arguments));
    if (m_passing == Passing::Off || !m_previous) {
        return recorded;
    }
    m_previous->Hold();
    const HRESULT hr = fire(*m_previous);
    m_previous->Unhold();
    return hr;
}

std::wstring CPlanEventRecorder::Text(ULONG value) { return std::to_wstring(value); }

std::wstring CPlanEventRecorder::Text(long value) { return std::to_wstring(value); }

std::wstring CPlanEventRecorder::Text(const wchar_t* text) { return text ? text : L""; }

// A UQI as the events carry it: its first unit is the token's number.
std::wstring CPlanEventRecorder::Text(unsigned short* uqi)
{
    if (!uqi || !*uqi) {
        return L"";
    }
    wchar_t number[8];
    std::swprintf(number, 8, L"%04X", static_cast<unsigned>(*uqi));
    return number;
}

std::wstring CPlanEventRecorder::Text(const VARIANT& value)
{
    UniqueVariant text;
    if (FAILED(::VariantChangeType(text.put(), const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR))) {
        return L"";
    }
    return V_BSTR(text.get()) ? V_BSTR(text.get()) : L"";
}

HRESULT CPlanEventRecorder::Record(const wchar_t* name, std::vector<std::wstring> arguments)
try {
    m_plan.events.push_back({name, std::move(arguments)});
    return S_OK;
}
catch (...) {
    return E_OUTOFMEMORY;
}
