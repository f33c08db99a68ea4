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
// Forgets the thread's error object, so that a failure that sets no description of its own,
// or a step that recovered, does not show an earlier one.
void Clear();

} // namespace CErrorInfoManager

// Reads message `id` of the message library (loaded once, by bare name, on first use).
HRESULT LoadMessageString(UINT id, std::wstring* text);
// Releases the message library; the next lookup loads it again.
void UnloadMessageLibrary();

// Message `id` of the message library formatted with the arguments (at most 2048
// characters), or the fallback text when the library or the message is missing.
std::wstring FormatMessageText(UINT id, va_list arguments);
