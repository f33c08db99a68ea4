// The diagnostics log: a tab-separated text file, switched on by "Preferences.ini" in the
// current directory (section "Diagnostics").
#pragma once

#include <windows.h>

#include <cstdarg>
#include <fstream>
#include <string>

enum LogLevel : int {
    LOG_INFORMATION = 1,
    LOG_WARNING = 2,
    LOG_ERROR = 4,
};

// Where a report comes from: the function as Class::Method, the source file as ".\\File.cpp".
struct LogSite {
    const wchar_t* function;
    const wchar_t* file;
    int line;
};

#define TOOLKIT_WIDEN2(text) L##text
#define TOOLKIT_WIDEN(text) TOOLKIT_WIDEN2(text)
// LOG_SITE(L"CClass::Method") names the current source file by its base name.
#define LOG_SITE(function) (LogSite{function, DiagnosticsSourceName(TOOLKIT_WIDEN(__FILE__)), __LINE__})

// ".\\Name.cpp" for a compiler path such as "/src/server/frame/Name.cpp"; the result is a
// static string, so it can live in a LogSite.
const wchar_t* DiagnosticsSourceName(const wchar_t* compilerPath);
const wchar_t* DiagnosticsSourceName(const char* compilerPath);

// Writes one entry; the log never reports its own failures to the caller (it fires
// OnDiagnosticsError once instead). The first call creates the log (reads preferences).
void ReportDiagnostic(const LogSite& site, int level, const wchar_t* format, ...);
void ReportDiagnosticV(const LogSite& site, int level, const wchar_t* format, va_list arguments);

class CDiagnosticsPreferences {
public:
    CDiagnosticsPreferences(std::wstring path, std::wstring defaultText);
    const std::wstring& Path() const { return m_strPath; }
    bool FileExists() const;
    // Private-profile read of section "Diagnostics"; false when the read gave nothing.
    bool ReadString(const wchar_t* key, std::wstring& value) const;

private:
    std::wstring m_strPath;
    std::wstring m_strDefault;
};

class CDiagnosticsLog {
public:
    static CDiagnosticsLog& Instance();
    void Report(const LogSite& site, int level, const wchar_t* format, va_list arguments);

    bool Enabled() const { return m_bEnabled; }
    int Threshold() const { return m_nThreshold; }
    const std::wstring& FileName() const { return m_strFileName; }

    // Tells the clients once per process that the log failed.
    static void FireDiagnosticsErrorOnce();

private:
    CDiagnosticsLog();
    void ReadPreferences();
    void Open();
    void WriteHeader();

    bool m_bEnabled = true;
    int m_nThreshold = LOG_ERROR;
    bool m_bFileExisted = false;
    std::wstring m_strFileName;
    FILE* m_pStream = nullptr;
    static int s_nInstanceCount;
    static bool s_bDiagnosticsErrorFired;
};
