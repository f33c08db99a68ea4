#include "FailureReport.h"

#include "ErrorInfoManager.h"

#include <cstdarg>
#include <cstring>

namespace {

// A description that cannot be allocated is left out; the failure is still logged and
// returned.
bool FormatInto(std::wstring& text, UINT messageId, va_list arguments) noexcept
{
    try {
        text = FormatMessageText(messageId, arguments);
        return true;
    } catch (...) {
        return false;
    }
}

// "CClass::Method" of a compiler's function signature such as
// "HRESULT CClass<T>::Method(BSTR) [with T = ...]": the name before the parameter list,
// without its return type and template arguments.
std::wstring MethodName(const char* signature)
{
    std::wstring name;
    int depth = 0;
    for (const char* cursor = signature; *cursor; ++cursor) {
        const char c = *cursor;
        if (c == '<') {
            ++depth;
        } else if (c == '>') {
            --depth;
        } else if (depth == 0 && c == '(') {
            break;
        } else if (depth == 0 && c == ' ') {
            name.clear();
        } else if (depth == 0) {
            name += static_cast<wchar_t>(static_cast<unsigned char>(c));
        }
    }
    return name;
}

} // namespace

void LogPassedFailure(HRESULT hr, const char* expression, const char* function, const char* file, int line)
try {
    // Only a log that writes information entries shows these: the names are not worked out
    // for any other, as no report is formatted when the log is off.
    const CDiagnosticsLog& log = CDiagnosticsLog::Instance();
    if (!log.Enabled() || log.Threshold() != LOG_INFORMATION) {
        return;
    }
    const std::wstring method = MethodName(function);
    const std::wstring text(expression, expression + std::strlen(expression));
    ReportDiagnostic(LogSite{method.c_str(), DiagnosticsSourceName(file), line}, LOG_INFORMATION,
                     L"Failure passed on: %s returned 0x%08lX", text.c_str(), static_cast<unsigned long>(hr));
} catch (...) {
    // Recording a failure must not turn it into an exception.
}

Description Description::InterfaceOnly(const IID& iid)
{
    Description description;
    description.m_bInterface = true;
    description.m_iid = iid;
    return description;
}

Description Description::FromMessage(const IID* iid, UINT messageId, va_list arguments)
{
    Description description;
    description.m_bText = FormatInto(description.m_strText, messageId, arguments);
    if (iid) {
        description.m_bInterface = true;
        description.m_iid = *iid;
    }
    return description;
}

Description Describe(UINT messageId, ...)
{
    va_list arguments;
    va_start(arguments, messageId);
    Description description = Description::FromMessage(nullptr, messageId, arguments);
    va_end(arguments);
    return description;
}

Description Describe(const IID& iid, UINT messageId, ...)
{
    va_list arguments;
    va_start(arguments, messageId);
    Description description = Description::FromMessage(&iid, messageId, arguments);
    va_end(arguments);
    return description;
}

HRESULT ReportFailureAt(const LogSite& site, int level, HRESULT hr, const Description& description,
                        const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    ReportDiagnosticV(site, level, format, arguments);
    va_end(arguments);
    // Failures to fill the error object are logged by the error-information manager; the
    // caller's result stays what it was.
    if (description.HasText()) {
        CErrorInfoManager::SetDescription(L"%s", description.Text().c_str());
    }
    if (const IID* iid = description.Interface()) {
        CErrorInfoManager::SetGUID(*iid);
    }
    return hr;
}
