// COM error information for the caller: the thread's error object filled with a message
// of the message library and the IID of the failing interface.
#pragma once

#include "DiagnosticsLog.h"

#include <oaidl.h>

#include <string>

namespace CErrorInfoManager {

// The thread's error object to fill in: the current one, or a new one.
HRESULT GetErrorInfoForApartment(ICreateErrorInfo** errorInfo);
HRESULT SetDescription(const wchar_t* format, ...);
HRESULT SetDescription(UINT messageId, ...);
HRESULT SetDescriptionV(UINT messageId, va_list arguments);
HRESULT SetGUID(const IID& iid);

} // namespace CErrorInfoManager

// Reads message `id` of the message library (loaded once, by bare name, on first use).
HRESULT LoadMessageString(UINT id, std::wstring* text);
// Releases the message library; the next lookup loads it again.
void UnloadMessageLibrary();

// Sets the caller's error information — message `messageId` formatted with the arguments,
// and the interface's IID — and returns `hr`. Logging is the caller's.
HRESULT DescribeFailure(HRESULT hr, const IID& iid, UINT messageId, ...);
HRESULT DescribeFailureV(HRESULT hr, const IID& iid, UINT messageId, va_list arguments);

// The convention of a failing COM method: log at level 4, describe with message
// `messageId` (formatted with the arguments), set the interface's IID, return `hr`.
HRESULT ReportComFailure(const LogSite& site, HRESULT hr, const IID& iid, UINT messageId, ...);
