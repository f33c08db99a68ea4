// Shared by the INI tests: a temporary folder that is removed afterwards, file helpers and
// a recorder of the reports that the INI code makes.
#pragma once

#include "ini/IniReport.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        static int s_counter = 0;
        m_path = std::filesystem::path(base) /
                 (L"ini_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++s_counter));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::wstring File(const wchar_t* name) const { return (m_path / name).wstring(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct RecordedReport {
    int level;
    unsigned messageId;
    std::wstring text;
};

// Records every report while it lives.
class ReportRecorder {
public:
    ReportRecorder() : m_previous(SetIniReportObserver(&Record)) { Reports().clear(); }
    ~ReportRecorder() { SetIniReportObserver(m_previous); }
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    static std::vector<RecordedReport>& Reports()
    {
        static std::vector<RecordedReport> s_reports;
        return s_reports;
    }
    bool Saw(const std::wstring& part) const
    {
        for (const auto& report : Reports()) {
            if (report.text.find(part) != std::wstring::npos) {
                return true;
            }
        }
        return false;
    }
    bool SawMessage(unsigned messageId) const
    {
        for (const auto& report : Reports()) {
            if (report.messageId == messageId) {
                return true;
            }
        }
        return false;
    }

private:
    static void Record(int level, unsigned messageId, const std::wstring& text)
    {
        Reports().push_back({level, messageId, text});
    }
    IniReportObserver m_previous;
};
