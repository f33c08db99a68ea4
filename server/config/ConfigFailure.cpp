#include "ConfigFailure.h"

#include "frame/ErrorInfoManager.h"

#include <cstdarg>

HRESULT ReportConfigFailure(const LogSite& site, int level, HRESULT hr, UINT messageId, const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    ReportDiagnosticV(site, level, format, arguments);
    va_end(arguments);
    CErrorInfoManager::SetDescription(messageId);
    return hr;
}

HRESULT ReportInterfaceFailure(const LogSite& site, int level, HRESULT hr, UINT messageId, const IID& iid,
                               const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    ReportDiagnosticV(site, level, format, arguments);
    va_end(arguments);
    CErrorInfoManager::SetDescription(messageId);
    CErrorInfoManager::SetGUID(iid);
    return hr;
}
