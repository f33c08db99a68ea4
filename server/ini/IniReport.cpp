#include "IniReport.h"

#include <cstdarg>
#include <cwchar>

void IniReport(const IniLogSite& site, int level, unsigned messageId, const wchar_t* format, ...)
{
    // The log keeps at most 1023 characters of a message; a longer one is cut, never overrun.
    wchar_t buffer[1024] = {};
    va_list arguments;
    va_start(arguments, format);
    int written = std::vswprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), format, arguments);
    va_end(arguments);
    if (written < 0) {
        buffer[sizeof(buffer) / sizeof(buffer[0]) - 1] = L'\0';
    }
    try {
        IniReportText(site, level, messageId, buffer);
    } catch (...) {
        // Reporting must never turn a handled failure into an exception.
    }
}
