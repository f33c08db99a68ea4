// How the INI core reports what went wrong. The core formats the text; the host decides
// where it goes (the server sends it to the diagnostics log and, when a message identifier
// is given, to the caller's COM error information).
#pragma once

#include <string>

enum IniLogLevel : int {
    INI_LOG_INFORMATION = 1,
    INI_LOG_WARNING = 2,
    INI_LOG_ERROR = 4,
};

// Message identifier 0: the report goes to the log only.
constexpr unsigned kIniNoMessage = 0;

struct IniLogSite {
    const wchar_t* function;
    const wchar_t* file;  // the compiler's path of the source file
    int line;
};

#define INI_WIDEN2(text) L##text
#define INI_WIDEN(text) INI_WIDEN2(text)
#define INI_SITE(function) (IniLogSite{function, INI_WIDEN(__FILE__), __LINE__})

// printf-style; strings are passed as %ls.
void IniReport(const IniLogSite& site, int level, unsigned messageId, const wchar_t* format, ...);

// Implemented by the host: receives the finished text.
void IniReportText(const IniLogSite& site, int level, unsigned messageId, const std::wstring& text);

// Lets a test see every report; returns the observer that was set before.
using IniReportObserver = void (*)(int level, unsigned messageId, const std::wstring& text);
IniReportObserver SetIniReportObserver(IniReportObserver observer);
