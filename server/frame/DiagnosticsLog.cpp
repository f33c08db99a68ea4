#include "DiagnosticsLog.h"

#include "EventTarget.h"
#include "FailureReport.h"

#include "ErrorMacros.h"

#include <share.h>

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <map>
#include <mutex>
#include <new>
#include <type_traits>

namespace {

constexpr size_t kMessageLength = 1024; // 1023 characters and the terminator
constexpr DWORD kProfileBuffer = 360;
constexpr const wchar_t* kSection = L"Diagnostics";

const wchar_t* LevelWord(int level)
{
    switch (level) {
    case LOG_INFORMATION:
        return L"Information";
    case LOG_WARNING:
        return L"Warning";
    default:
        return L"Error";
    }
}

bool ThresholdAllows(int threshold, int level)
{
    switch (threshold) {
    case 1:
        return true;
    case 2:
        return level != LOG_INFORMATION;
    case 4:
        return level != LOG_INFORMATION && level != LOG_WARNING;
    default:
        return false;
    }
}

// The log is 8-bit text in the C locale: characters above 255 cannot be written and become
// '?'; a newline becomes CR LF.
void WriteText(FILE* stream, const std::wstring& text)
{
    std::string bytes;
    bytes.reserve(text.size() + 16);
    for (wchar_t character : text) {
        if (character == L'\n') {
            bytes += "\r\n";
        } else {
            bytes += character < 256 ? static_cast<char>(character) : '?';
        }
    }
    fwrite(bytes.data(), 1, bytes.size(), stream);
}

} // namespace

// Failures that RETURN_IF_FAILED passes on are recorded here.
const bool s_bPassedFailuresLogged = (SetFailureHook(&LogPassedFailure), true);

int CDiagnosticsLog::s_nInstanceCount = 0;
bool CDiagnosticsLog::s_bDiagnosticsErrorFired = false;

namespace {

// ".\\Name.cpp" for the compiler's path of a source file: its base name, widened.
template <typename Char>
std::wstring SourceBaseName(const Char* compilerPath)
{
    const Char* base = compilerPath;
    for (const Char* cursor = compilerPath; *cursor; ++cursor) {
        if (*cursor == '/' || *cursor == '\\') {
            base = cursor + 1;
        }
    }
    std::wstring name = L".\\";
    for (const Char* cursor = base; *cursor; ++cursor) {
        name += static_cast<wchar_t>(static_cast<std::make_unsigned_t<Char>>(*cursor));
    }
    return name;
}

// One name per source file, kept for the life of the process so that sites can point at it.
// The paths are the compiler's static strings, so their addresses identify them.
template <typename Char>
const wchar_t* CachedSourceName(const Char* compilerPath)
{
    static std::mutex lock;
    static auto* names = new std::map<const Char*, std::wstring>;
    try {
        std::lock_guard guard(lock);
        auto found = names->find(compilerPath);
        if (found == names->end()) {
            found = names->emplace(compilerPath, SourceBaseName(compilerPath)).first;
        }
        return found->second.c_str();
    } catch (...) {
        return L".\\";
    }
}

} // namespace

const wchar_t* DiagnosticsSourceName(const wchar_t* compilerPath) { return CachedSourceName(compilerPath); }

const wchar_t* DiagnosticsSourceName(const char* compilerPath) { return CachedSourceName(compilerPath); }

CDiagnosticsPreferences::CDiagnosticsPreferences(std::wstring path, std::wstring defaultText)
    : m_strPath(std::move(path)), m_strDefault(std::move(defaultText))
{
}

bool CDiagnosticsPreferences::FileExists() const
{
    return ::GetFileAttributesW(m_strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CDiagnosticsPreferences::ReadString(const wchar_t* key, std::wstring& value) const
{
    wchar_t buffer[kProfileBuffer] = {};
    const DWORD length = ::GetPrivateProfileStringW(kSection, key, m_strDefault.c_str(), buffer, kProfileBuffer,
                                                    m_strPath.c_str());
    value.assign(buffer, length);
    return length > 0;
}

CDiagnosticsLog& CDiagnosticsLog::Instance()
{
    // Lives until the process ends, so the stream stays open for every late report.
    static CDiagnosticsLog* instance = new CDiagnosticsLog;
    return *instance;
}

CDiagnosticsLog::CDiagnosticsLog()
{
    if (s_nInstanceCount == 0) {
        ReadPreferences();
        if (m_bEnabled) {
            Open();
        }
    }
    ++s_nInstanceCount;
}

void CDiagnosticsLog::ReadPreferences()
{
    wchar_t directory[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, directory);
    std::wstring path(directory, length < MAX_PATH ? length : 0);
    path += L"\\Preferences.ini";
    CDiagnosticsPreferences preferences(path, L"Default");
    if (!preferences.FileExists()) {
        m_bEnabled = false;
        return;
    }
    std::wstring value;
    m_bEnabled = preferences.ReadString(L"Enable", value) && _wcsicmp(value.c_str(), L"true") == 0;
    m_nThreshold = LOG_ERROR;
    if (preferences.ReadString(L"DefaultMode", value)) {
        const long mode = wcstol(value.c_str(), nullptr, 10);
        m_nThreshold = mode == 1 ? 1 : mode == 2 ? 2 : 4;
    }
    m_strFileName = preferences.ReadString(L"Filename", value) ? value : L"PellamWDiags.txt";
}

void CDiagnosticsLog::Open()
{
    m_bFileExisted = ::GetFileAttributesW(m_strFileName.c_str()) != INVALID_FILE_ATTRIBUTES;
    m_pStream = _wfsopen(m_strFileName.c_str(), L"ab", _SH_DENYNO);
    if (!m_pStream) {
        FireDiagnosticsErrorOnce();
        return;
    }
    if (!m_bFileExisted) {
        WriteHeader();
    }
}

void CDiagnosticsLog::WriteHeader()
{
    WriteText(m_pStream, L"; PellamW Diagnostics file\n"
                         L"; Vestra(R) Kelmora\n"
                         L"; Copyright (C) 2026 Vestra Corporation.  All rights reserved.\n\n"
                         L"\n"
                         L"Line #\tFile\tFunction\tTime\tType\tDescription\t\n"
                         L"\n");
    fflush(m_pStream);
}

void CDiagnosticsLog::Report(const LogSite& site, int level, const wchar_t* format, va_list arguments)
{
    if (!m_bEnabled) {
        return;
    }
    if (!m_pStream) {
        FireDiagnosticsErrorOnce();
        return;
    }
    wchar_t message[kMessageLength] = {};
    va_list measure;
    va_copy(measure, arguments);
    const int needed = _vscwprintf(format, measure);
    va_end(measure);
    if (needed < 0) {
        FireDiagnosticsErrorOnce();
    }
    // The Microsoft formatter: %s takes a wide string here, as everywhere in the server.
    _vsnwprintf(message, kMessageLength - 1, format, arguments);
    message[kMessageLength - 1] = L'\0';

    if (!ThresholdAllows(m_nThreshold, level)) {
        return;
    }
    wchar_t time[128] = {};
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now)) {
        std::wcsftime(time, 128, L"%A, %B %d, %Y, %H:%M:%S", local);
    }
    try {
        std::wstring line = std::to_wstring(site.line) + L'\t';
        line += site.file ? site.file : L"";
        line += L'\t';
        line += site.function ? site.function : L"";
        line += L'\t';
        line += time;
        line += L'\t';
        line += LevelWord(level);
        line += L'\t';
        line += message;
        line += L"\t\n";
        WriteText(m_pStream, line);
        fflush(m_pStream);
    } catch (...) {
        FireDiagnosticsErrorOnce();
    }
}

void CDiagnosticsLog::FireDiagnosticsErrorOnce()
{
    if (s_bDiagnosticsErrorFired) {
        return;
    }
    s_bDiagnosticsErrorFired = true;
    ToolkitEvents::Fire([](IToolkitEventTarget& target) { return target.Fire_OnDiagnosticsError(); });
}

void ReportDiagnosticV(const LogSite& site, int level, const wchar_t* format, va_list arguments)
{
    CDiagnosticsLog* log = nullptr;
    try {
        log = &CDiagnosticsLog::Instance();
    } catch (...) {
        CDiagnosticsLog::FireDiagnosticsErrorOnce();
        return;
    }
    log->Report(site, level, format, arguments);
}

void ReportDiagnostic(const LogSite& site, int level, const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    ReportDiagnosticV(site, level, format, arguments);
    va_end(arguments);
}
