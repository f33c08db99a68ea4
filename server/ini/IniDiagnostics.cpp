// The server's side of the INI core's reports: the diagnostics log and, when the report
// names a message, the caller's COM error description.
#include "IniReport.h"

#include "frame/DiagnosticsLog.h"
#include "frame/ErrorInfoManager.h"

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
    LogSite logSite{site.function, DiagnosticsSourceName(site.file), site.line};
    ReportDiagnostic(logSite, level, L"%ls", text.c_str());
    if (messageId != kIniNoMessage) {
        CErrorInfoManager::SetDescription(static_cast<UINT>(messageId));
    }
}
