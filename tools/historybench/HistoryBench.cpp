// historybench [--tsv]
// Times appending 100 records (AppendRecord, each locked, written and flushed on its own) to a
// history file that already holds 1,000 records, then one of 100,000 (about 30 MB, under the
// limit). The file is written outside the time. An append reads only the file's last byte,
// so both rows should take about as long. A row fails when an append fails or the file did
// not grow by exactly the lines appended.
// With --tsv each row is "benchmark<TAB>size<TAB>milliseconds<TAB>[FAILED]".
#include "history/HistoryFile.h"

#include "BenchArguments.h"
#include "Owners.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kAppends = 100;

history::Record BenchRecord(size_t n)
{
    history::Record record;
    record.time = "2026-12-09T18:50:24Z";
    record.user = "admin";
    record.host = "C:\\Tools\\pellam.exe";
    record.operation = "set";
    record.components = {"tokens"};
    record.resultName = "S_OK";
    record.items = {{16, "01A2", "Boot order", "1", std::to_string(n), "", false}};
    return record;
}

uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

bool WriteHistory(const std::wstring& path, size_t records)
{
    std::string text;
    for (size_t n = 0; n < records; ++n) {
        text += history::FormatRecord(BenchRecord(n));
    }
    const UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

bool RunRow(const std::wstring& folder, size_t records, bool tsv)
{
    const std::wstring path = folder + L"\\history.jsonl";
    if (!WriteHistory(path, records)) {
        std::fprintf(stderr, "historybench: the history of %zu records cannot be written\n", records);
        return false;
    }
    const uint64_t before = FileSize(path);
    bool ok = true;
    uint64_t added = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (int n = 0; n < kAppends; ++n) {
        const history::Record record = BenchRecord(records + n);
        ok = ok && SUCCEEDED(history::AppendRecord(path, record));
        added += history::FormatRecord(record).size();
    }
    const auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin);
    // A rotation would have begun a new file: the row would not time the larger history.
    ok = ok && FileSize(path) == before + added;
    const char* name = "append a history record";
    if (tsv) {
        std::printf("%s\t%zu\t%.2f\t%s\n", name, records, elapsed.count(), ok ? "" : "FAILED");
    } else {
        std::printf("%-40s %8zu %10.1f ms  %d records%s\n", name, records, elapsed.count(), kAppends, ok ? "" : "  FAILED");
    }
    ::DeleteFileW(path.c_str());
    ::DeleteFileW((path + L".lock").c_str());
    ::DeleteFileW(history::RotatedPath(path).c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    const bool tsv = TakeTsvOption(argc, argv);
    if (argc > 1) {
        std::fprintf(stderr, "usage: historybench [--tsv]\n");
        return 2;
    }
    wchar_t temporary[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder = std::wstring(temporary, length) + L"historybench-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount());
    if (length == 0 || !::CreateDirectoryW(folder.c_str(), nullptr)) {
        std::fprintf(stderr, "historybench: no folder for the history files\n");
        return 1;
    }
    bool ok = true;
    for (const size_t records : {size_t{1000}, size_t{100000}}) {
        ok = RunRow(folder, records, tsv) && ok;
    }
    ::RemoveDirectoryW(folder.c_str());
    return ok ? 0 : 1;
}
