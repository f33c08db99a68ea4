// The one way a server function reports a failure: an entry in the diagnostics log under the
// caller's site and, for the COM caller, a description from the message library and the
// interface that failed. Returns the result it is given, so a failing path reads
//
//     return REPORT_FAILURE(L"CBiosCapsule::LoadBiosStream", LOG_ERROR, E_POINTER,
//                           Describe(IID_IBiosCapsule, MSG_INTERNAL_ERROR), L"Invalid Pointer");
//
// The log entry is written first, then the description, then the interface, as COM callers
// expect of a failing method.
#pragma once

#include "DiagnosticsLog.h"
#include "MessageIds.h"

#include <oaidl.h>

#include <cstdarg>

#include <string>

// What the caller's error object is told about a failure.
class Description {
public:
    // Nothing: the failure goes to the log only.
    static Description LogOnly() { return Description(); }
    // Keeps the description already set (by the call that failed) and names `iid`.
    static Description InterfaceOnly(const IID& iid);

    bool HasText() const { return m_bText; }
    const std::wstring& Text() const { return m_strText; }
    const IID* Interface() const { return m_bInterface ? &m_iid : nullptr; }

private:
    friend Description Describe(UINT messageId, ...);
    friend Description Describe(const IID& iid, UINT messageId, ...);
    Description() = default;
    static Description FromMessage(const IID* iid, UINT messageId, va_list arguments);

    bool m_bText = false;
    std::wstring m_strText;
    bool m_bInterface = false;
    IID m_iid = {};
};

// Message `messageId` of the message library, formatted with the arguments (printf style).
Description Describe(UINT messageId, ...);
// The same, and `iid` as the interface whose method failed.
Description Describe(const IID& iid, UINT messageId, ...);

// Logs `format` at `level` under `site`, tells the caller's error object what `description`
// holds, and returns `hr`.
HRESULT ReportFailureAt(const LogSite& site, int level, HRESULT hr, const Description& description,
                        const wchar_t* format, ...);

// `function` is the reporting function as Class::Method; the site's file and line are the
// caller's.
#define REPORT_FAILURE(function, level, hr, description, ...)                                                         \
    ReportFailureAt(LOG_SITE(function), level, hr, description, __VA_ARGS__)

// The diagnostics log's record of a failure passed on by RETURN_IF_FAILED: information level,
// the expression and its result, under the function and line where it was passed on.
void LogPassedFailure(HRESULT hr, const char* expression, const char* function, const char* file, int line);
