// The server's side of the INI core's reports: the diagnostics log and, when the report
// names a message, the caller's COM error description.
#include "IniReport.h"

#include "frame/DiagnosticsLog.h"
#include "frame/FailureReport.h"

namespace {

IniReportObserver s_observer = nullptr;

} // namespace

IniReportObserver SetIniReportObserver(IniReportObserver observer)
{
    IniReportObserver previous = s_observer;
    s_observer = observer;
    return previous;
}

void IniReportText(const IniLogSite& site, int level, unsigned messageId, const std::wstring& text)
{
    if (s_observer != nullptr) {
        s_observer(level, messageId, text);
    }
    const LogSite logSite{site.function, DiagnosticsSourceName(site.file), site.line};
    ReportFailureAt(logSite, level, S_OK,
                    messageId != kIniNoMessage ? Describe(static_cast<UINT>(messageId)) : Description::LogOnly(), L"%ls",
                    text.c_str());
}
