#include "PellamRun.h"

#include "FlashOutcome.h"
#include "Json.h"
#include "ToolkitClient.h"

#include "Console.h"
#include "ExitCodes.h"
#include "Owners.h"

#include "frame/ResultCodes.h"
#include "frame/ResultNames.h"
#include "toolkit/ToolkitInternal.h"

#include <cwchar>

namespace {

// The thread's error object's description, or the system's text for the code.
std::wstring ErrorText(HRESULT hr)
{
    ComPtr<IErrorInfo> info;
    UniqueBstr description;
    if (::GetErrorInfo(0, &info) == S_OK && info && SUCCEEDED(info->GetDescription(description.put())) &&
        description.length() > 0) {
        return description.c_str();
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : L"";
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
        message.pop_back();
    }
    return message;
}

std::wstring JsonStrings(const std::vector<std::wstring>& texts)
{
    std::wstring json = L"[";
    for (size_t i = 0; i < texts.size(); ++i) {
        json += (i ? L"," : L"") + JsonString(texts[i]);
    }
    return json + L"]";
}

} // namespace

std::wstring ResultText(HRESULT hr)
{
    wchar_t text[16];
    swprintf(text, 16, L"0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::wstring ResultName(HRESULT hr)
{
    return ResultCodeName(hr);
}

PellamRun::PellamRun(std::wstring operation, RunOptions options)
    : m_operation(std::move(operation)), m_options(std::move(options))
{
}

PellamRun::~PellamRun()
{
    if (m_point) {
        m_point->Unadvise(m_cookie);
    }
    m_point.Reset();
    m_toolkit.Reset();
    m_sink.Reset();
    if (m_comEntered) {
        ::CoUninitialize();
    }
}

bool PellamRun::Open()
{
    if (!Check(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), L"entering COM")) {
        return false;
    }
    m_comEntered = true;
    const HRESULT created = CreateToolkitByProgId(m_toolkit);
    if (FAILED(created)) {
        Check(created, L"creating the toolkit (" + std::wstring(kToolkitProgId) + L"; is PellamW.dll registered?)");
        return false;
    }
    ComPtr<IConnectionPointContainer> container;
    if (!Check(PellamEventSink::Make(m_sink), L"making the event sink") || !Check(m_toolkit.As(&container), L"") ||
        !Check(container->FindConnectionPoint(DIID__IToolkitEvents, &m_point), L"finding the toolkit's events")) {
        return false;
    }
    m_sink->Configure(m_toolkit.Get(), !Quiet(), m_options.answers);
    if (!Check(m_point->Advise(m_sink.Get(), &m_cookie), L"connecting to the toolkit's events")) {
        return false;
    }
    pellam::RecordFlashOutcome(*this);
    return true;
}

bool PellamRun::Check(HRESULT hr, const std::wstring& what)
{
    if (SUCCEEDED(hr)) {
        if (hr != S_OK && SUCCEEDED(m_result)) {
            m_result = hr; // a success code that says something (warnings, nothing to do)
        }
        return true;
    }
    m_result = hr;
    m_message = ErrorText(hr);
    if (!what.empty()) {
        m_message = what + L": " + (m_message.empty() ? ResultText(hr) : m_message);
    }
    return false;
}

void PellamRun::ExplainRefusedWrite()
{
    ComPtr<IToolkitInternal> internal;
    UniqueBstr text;
    if (m_toolkit && SUCCEEDED(m_toolkit.As(&internal)) && SUCCEEDED(internal->GetRefusedWrite(text.put())) &&
        text.length() > 0) {
        m_message += L" (" + std::wstring(text.c_str()) + L")";
    }
}

bool PellamRun::Plan(ULONG mask, std::wstring& plan)
{
    ComPtr<IToolkitInternal> internal;
    if (!Check(m_toolkit.As(&internal), L"asking the toolkit for its install plan")) {
        return false;
    }
    UniqueBstr text;
    const HRESULT hr = internal->PlanInstall(mask, text.put());
    plan = text.c_str();
    return Check(hr, L"planning the install");
}

void PellamRun::Say(const std::wstring& line) const
{
    if (!Quiet()) {
        cli::Print(line);
    }
}

void PellamRun::Warn(const std::wstring& text)
{
    m_warnings.push_back(text);
    Say(L"warning: " + text);
}

void PellamRun::AddData(const std::wstring& name, const std::wstring& json)
{
    m_data.emplace_back(name, json);
}

int PellamRun::Finish(int success, const std::wstring& summary)
{
    int exitCode = success;
    std::wstring line = summary;
    if (FAILED(m_result) && m_sink && !m_sink->unanswered.empty()) {
        m_message = L"the file asks \"" + m_sink->unanswered.front() + L"\" and no --answer KEY=TEXT answers it";
    }
    if (FAILED(m_result)) {
        exitCode = cli::EXIT_FAILED;
        line = m_operation + L" failed: " + m_message + L" (" + ResultText(m_result) + L")";
    } else if (const size_t warnings = (m_sink ? m_sink->WarningCount() : 0) + m_warnings.size();
               m_options.warningsAsErrors && warnings > 0) {
        exitCode = cli::EXIT_FAILED;
        line = summary + L"; failed: " + std::to_wstring(warnings) + L" warnings (--warnings-as-errors)";
    }
    if (m_options.json) {
        cli::Print(Document(exitCode, line));
    } else if (exitCode == cli::EXIT_FAILED) {
        cli::PrintError(line);
    } else {
        cli::Print(line);
    }
    return exitCode;
}

int PellamRun::Fail(const std::wstring& message, int exitCode)
{
    if (SUCCEEDED(m_result)) {
        m_result = E_FAIL;
    }
    m_message = message;
    const std::wstring line = m_operation + L" failed: " + message;
    if (m_options.json) {
        cli::Print(Document(exitCode, line));
    } else {
        cli::PrintError(line);
    }
    return exitCode;
}

std::wstring PellamRun::Document(int exitCode, const std::wstring& summary) const
{
    std::vector<std::wstring> warnings;
    std::wstring events = L"[";
    const std::vector<RecordedToolkitEvent> none;
    const auto& recorded = m_sink ? m_sink->events : none;
    for (size_t i = 0; i < recorded.size(); ++i) {
        const RecordedToolkitEvent& event = recorded[i];
        if (event.warning) {
            warnings.push_back(event.line.substr(wcslen(L"warning: ")));
        }
        events += std::wstring(i ? L"," : L"") + L"{\"name\":" + JsonString(event.name) +
                  L",\"arguments\":" + JsonStrings(event.arguments) + L",\"warning\":" +
                  (event.warning ? L"true" : L"false") + L"}";
    }
    events += L"]";
    warnings.insert(warnings.end(), m_warnings.begin(), m_warnings.end());
    std::wstring json = L"{\"operation\":" + JsonString(m_operation) + L",\"result\":" +
                        JsonString(ResultText(m_result)) + L",\"resultName\":" + JsonString(ResultName(m_result)) +
                        L",\"message\":" + JsonString(m_message) + L",\"exitCode\":" + std::to_wstring(exitCode) +
                        L",\"summary\":" + JsonString(summary) + L",\"warnings\":" + JsonStrings(warnings) +
                        L",\"events\":" + events;
    for (const auto& [name, value] : m_data) {
        json += L"," + JsonString(name) + L":" + value;
    }
    return json + L"}";
}
