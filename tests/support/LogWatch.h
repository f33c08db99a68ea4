// The one way tests observe what the toolkit reports: its diagnostics log. The log records
// every report of the server (its subsystems and the INI core alike) with level and text;
// in-process and out-of-process tests can read it, and the log format is tested on it too.
// A program that watches runs in a folder whose Preferences.ini logs every level
// (DefaultMode=1) and names the file (toolkit_logged_folder in tests/CMakeLists.txt).
#pragma once

#include <string>
#include <vector>

// The fields of one log line: line number, source file, function, time, level, message.
using LogEntry = std::vector<std::string>;
enum LogField : size_t { kLogLine, kLogFile, kLogFunction, kLogTime, kLogLevel, kLogMessage };
// A new log begins with a header of six lines and a blank one.
constexpr size_t kLogHeaderLines = 7;

// The lines of a log, each of which must end in CR LF.
std::vector<std::string> LogLines(const std::string& text);
// The fields of a line, each of which must be followed by a tab.
LogEntry LogFields(const std::string& line);
// The entries of a log after its first `skip` lines.
std::vector<LogEntry> LogEntries(const std::string& text, size_t skip = kLogHeaderLines);

// The log named by Preferences.ini in the folder that was current when the program started,
// from the moment of construction on.
class LogWatch {
public:
    LogWatch();
    std::string NewText() const;
    std::vector<LogEntry> NewEntries() const;
    // True when a new entry at `level` ("Information", "Warning", "Error") says `message`.
    bool Has(const char* level, const std::string& message) const;
    // True when a new entry's message holds `part`.
    bool Saw(const std::string& part) const;
    bool Saw(const std::wstring& part) const;

private:
    size_t m_start = 0;
};
