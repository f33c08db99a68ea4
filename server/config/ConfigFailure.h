// Failure reporting shared by the configuration classes: one log line at the stated level,
// the caller's description from the message library, and, for published interface
// operations, the IID of the failing interface.
#pragma once

#include "frame/DiagnosticsLog.h"

#include <oaidl.h>

// Logs `format` at `level`, sets the description to message `messageId`, returns `hr`.
HRESULT ReportConfigFailure(const LogSite& site, int level, HRESULT hr, UINT messageId, const wchar_t* format, ...);
// The same, and sets `iid` as the interface that failed.
HRESULT ReportInterfaceFailure(const LogSite& site, int level, HRESULT hr, UINT messageId, const IID& iid,
                               const wchar_t* format, ...);
