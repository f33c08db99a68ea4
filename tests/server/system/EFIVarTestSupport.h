// Reading what CEFIVar reported: the new lines of the diagnostics log and the thread's
// error description.
#pragma once

#include <windows.h>

#include <string>

// The log named by the test folder's Preferences.ini, from the moment of construction on.
class LogWatch {
public:
    LogWatch();
    std::string NewText() const;
    // True when a new line holds "\t<level>\t<message>\t".
    bool Has(const char* level, const std::string& message) const;

private:
    size_t m_start = 0;
};

// Clears the thread's error object before a call.
void ClearErrorInfo();
// The description of the thread's error object, or "<none>".
std::wstring ErrorDescription();

std::string Narrow(const std::wstring& text);
