#include "LogWatch.h"

#include "TestSupport.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace {

std::wstring CurrentFolder()
{
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

// Taken before any test runs: tests may change the current folder, the log stays put.
const std::wstring g_startFolder = CurrentFolder();

const std::wstring& LogPath()
{
    static const std::wstring path = [] {
        const std::wstring preferences = g_startFolder + L"\\Preferences.ini";
        wchar_t name[MAX_PATH] = {};
        ::GetPrivateProfileStringW(L"Diagnostics", L"Filename", L"", name, MAX_PATH, preferences.c_str());
        return g_startFolder + L"\\" + name;
    }();
    return path;
}

std::string ReadLog()
{
    std::ifstream file(LogPath().c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The parts of `text` that `terminator` ends; returns how much of the text they cover.
size_t Split(const std::string& text, const char* terminator, std::vector<std::string>& parts)
{
    const size_t length = std::char_traits<char>::length(terminator);
    size_t start = 0;
    for (size_t end; (end = text.find(terminator, start)) != std::string::npos; start = end + length) {
        parts.push_back(text.substr(start, end - start));
    }
    return start;
}

// Entries read leniently: a message may hold any character.
std::vector<LogEntry> EntriesFrom(const std::string& text)
{
    std::vector<std::string> lines;
    Split(text, "\r\n", lines);
    std::vector<LogEntry> entries;
    for (const std::string& line : lines) {
        entries.emplace_back();
        Split(line, "\t", entries.back());
    }
    return entries;
}

} // namespace

std::vector<std::string> LogLines(const std::string& text)
{
    std::vector<std::string> lines;
    EXPECT_EQ(Split(text, "\r\n", lines), text.size()) << "every line ends in CR LF";
    return lines;
}

LogEntry LogFields(const std::string& line)
{
    LogEntry fields;
    EXPECT_EQ(Split(line, "\t", fields), line.size()) << "every field is followed by a tab";
    return fields;
}

std::vector<LogEntry> LogEntries(const std::string& text, size_t skip)
{
    std::vector<LogEntry> entries;
    const std::vector<std::string> lines = LogLines(text);
    for (size_t i = skip; i < lines.size(); ++i) {
        entries.push_back(LogFields(lines[i]));
    }
    return entries;
}

LogWatch::LogWatch() : m_start(ReadLog().size()) {}

std::string LogWatch::NewText() const
{
    std::string text = ReadLog();
    return text.size() > m_start ? text.substr(m_start) : std::string();
}

std::vector<LogEntry> LogWatch::NewEntries() const
{
    return EntriesFrom(NewText());
}

bool LogWatch::Has(const char* level, const std::string& message) const
{
    for (const LogEntry& entry : NewEntries()) {
        if (entry.size() > kLogMessage && entry[kLogLevel] == level && entry[kLogMessage] == message) {
            return true;
        }
    }
    return false;
}

bool LogWatch::Saw(const std::string& part) const
{
    for (const LogEntry& entry : NewEntries()) {
        if (entry.size() > kLogMessage && entry[kLogMessage].find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

bool LogWatch::Saw(const std::wstring& part) const
{
    return Saw(Narrow(part));
}
