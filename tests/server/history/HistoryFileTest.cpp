// The history file on the machine: appends that read back as written, from threads and
// processes at once; a record cut short by a crash stays one damaged line; rotation at the
// limit keeps two files.
#include "history/HistoryFile.h"

#include "Owners.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using history::AppendRecord;
using history::ReadHistory;
using history::Record;

// A record whose line has the same length for every `n` below 1000.
Record NumberedRecord(const std::string& who, int n)
{
    char time[32];
    std::snprintf(time, sizeof time, "2026-12-09T18:%02d:%02dZ", n / 60 % 60, n % 60);
    Record record;
    record.time = time;
    record.user = who;
    record.host = "C:\\Tools\\pellam.exe";
    record.operation = "set";
    record.components = {"tokens"};
    record.resultName = "S_OK";
    record.items = {{16, "01A2", "Boot order", "1", std::to_string(100 + n % 900), "", false}};
    return record;
}

// Sets an environment variable for the life of the object, then clears it.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name)
    {
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(m_name, nullptr); }

private:
    const wchar_t* m_name;
};

class HistoryFileTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    const std::wstring path = folder.Path() + L"\\machine\\Pellam\\history.jsonl";
};

TEST_F(HistoryFileTest, AppendsMakeTheFolderAndReadBackAsWritten)
{
    std::vector<Record> written = {NumberedRecord("alice", 1), NumberedRecord("bob", 2), NumberedRecord("alice", 3)};
    written[1].items.push_back({16, "0100", "Password", "old", "new", "", true});
    written[1].result = 0x80070005;
    std::string lines;
    for (const Record& record : written) {
        ASSERT_EQ(AppendRecord(path, record), S_OK);
        lines += history::FormatRecord(record);
    }
    EXPECT_EQ(ReadTextFile(path), lines);
    written[1].items[1].before = written[1].items[1].after = "changed";
    history::ParsedHistory read;
    ASSERT_EQ(ReadHistory(path, read), S_OK);
    EXPECT_EQ(read.records, written);
    EXPECT_TRUE(read.damagedLines.empty());
}

TEST_F(HistoryFileTest, AFileEndingInACutLineGetsTheNextRecordOnALineOfItsOwn)
{
    const std::string good = history::FormatRecord(NumberedRecord("alice", 1));
    const std::string cut = good.substr(0, 30);
    ASSERT_EQ(AppendRecord(path, NumberedRecord("alice", 1)), S_OK);
    ASSERT_TRUE(WriteTextFile(path, good + cut));
    ASSERT_EQ(AppendRecord(path, NumberedRecord("bob", 2)), S_OK);
    EXPECT_EQ(ReadTextFile(path), good + cut + "\n" + history::FormatRecord(NumberedRecord("bob", 2)));
    const history::ParsedHistory read = ReadHistory(path);
    EXPECT_EQ(read.records, (std::vector<Record>{NumberedRecord("alice", 1), NumberedRecord("bob", 2)}));
    EXPECT_EQ(read.damagedLines, std::vector<size_t>{2});
    EXPECT_EQ(read.damagedFiles, std::vector<std::wstring>{path});
}

TEST_F(HistoryFileTest, AtTheLimitTheFileBecomesTheOlderOneAndANewOneIsBegun)
{
    const uint64_t line = history::FormatRecord(NumberedRecord("alice", 0)).size();
    const uint64_t limit = 2 * line + line / 2;  // two lines a file
    const std::wstring older = folder.Path() + L"\\machine\\Pellam\\history.1.jsonl";
    EXPECT_EQ(history::RotatedPath(path), older);
    for (int n = 0; n < 5; ++n) {
        ASSERT_EQ(AppendRecord(path, NumberedRecord("alice", n), limit), S_OK);
    }
    // 0 1 | 2 3 | 4: the second rotation replaced the first older file.
    EXPECT_EQ(ReadTextFile(older), history::FormatRecord(NumberedRecord("alice", 2)) +
                                       history::FormatRecord(NumberedRecord("alice", 3)));
    EXPECT_EQ(ReadHistory(path).records,
        (std::vector<Record>{NumberedRecord("alice", 2), NumberedRecord("alice", 3), NumberedRecord("alice", 4)}));

    // A record larger than the limit is still written, alone in a file.
    Record large = NumberedRecord("bob", 5);
    large.warnings = {std::string(limit, 'w')};
    ASSERT_EQ(AppendRecord(path, large, limit), S_OK);
    ASSERT_EQ(AppendRecord(path, NumberedRecord("alice", 6), limit), S_OK);
    EXPECT_EQ(ReadHistory(path).records, (std::vector<Record>{large, NumberedRecord("alice", 6)}));
}

TEST_F(HistoryFileTest, TheLastRecordOfSomeOperationsIsTheNewestIntactOneOfEitherFile)
{
    const auto record = [](const std::string& operation, int n) {
        Record numbered = NumberedRecord("alice", n);
        numbered.operation = operation;
        // A value that quotes a member's text does not make its record one of that operation.
        numbered.warnings = {"\"operation\":\"flash\""};
        return numbered;
    };
    const auto lastOf = [&](std::vector<std::string> operations) {
        const std::optional<Record> last = history::LastRecordOf(path, operations);
        return last ? last->operation + " " + last->time : std::string("none");
    };
    EXPECT_EQ(lastOf({"flash"}), "none") << "no file";
    ::CreateDirectoryW((folder.Path() + L"\\machine").c_str(), nullptr);
    ::CreateDirectoryW((folder.Path() + L"\\machine\\Pellam").c_str(), nullptr);
    const std::string older = history::FormatRecord(record("flash", 1)) + history::FormatRecord(record("set", 2));
    ASSERT_TRUE(WriteTextFile(history::RotatedPath(path), older));
    const std::string flash = history::FormatRecord(record("flash", 3));
    ASSERT_TRUE(WriteTextFile(path, history::FormatRecord(record("install", 4)) + flash +
                                        history::FormatRecord(record("set", 5)) + flash.substr(0, flash.size() - 9) +
                                        "\n" + history::FormatRecord(record("verify", 6))));
    EXPECT_EQ(lastOf({"flash", "flash applied"}), "flash 2026-12-09T18:00:03Z") << "the cut flash after it is skipped";
    EXPECT_EQ(lastOf({"install", "set"}), "set 2026-12-09T18:00:05Z");
    EXPECT_EQ(lastOf({"remove"}), "none");
    ASSERT_TRUE(WriteTextFile(path, history::FormatRecord(record("verify", 6))));
    EXPECT_EQ(lastOf({"flash"}), "flash 2026-12-09T18:00:01Z") << "from the older file";
}

TEST_F(HistoryFileTest, ThreadsAppendingAtOnceGiveWholeLinesInEachThreadsOrder)
{
    constexpr int kEach = 200;
    auto append = [&](const char* who, HRESULT& result) {
        result = S_OK;
        for (int n = 0; n < kEach && SUCCEEDED(result); ++n) {
            result = AppendRecord(path, NumberedRecord(who, n));
        }
    };
    HRESULT first = E_FAIL;
    HRESULT second = E_FAIL;
    std::thread alice(append, "alice", std::ref(first));
    std::thread bob(append, "bob", std::ref(second));
    alice.join();
    bob.join();
    EXPECT_EQ(first, S_OK);
    EXPECT_EQ(second, S_OK);
    const history::ParsedHistory read = ReadHistory(path);
    EXPECT_TRUE(read.damagedLines.empty());
    ASSERT_EQ(read.records.size(), 2u * kEach);
    int next[2] = {0, 0};
    for (const Record& record : read.records) {
        const int who = record.user == "alice" ? 0 : 1;
        EXPECT_EQ(record, NumberedRecord(record.user, next[who]++));
    }
}

TEST_F(HistoryFileTest, AnAppendWaitsWhileAnotherWriterHoldsTheLock)
{
    ASSERT_EQ(AppendRecord(path, NumberedRecord("alice", 1)), S_OK);
    const std::string first = ReadTextFile(path);
    // Another writer's lock, taken as every writer takes it (docs/history.md).
    UniqueFile lockFile(::CreateFileW((path + L".lock").c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr));
    ASSERT_TRUE(lockFile);
    OVERLAPPED at{};
    ASSERT_TRUE(::LockFileEx(lockFile.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
    HRESULT appended = E_PENDING;
    std::thread writer([&] { appended = AppendRecord(path, NumberedRecord("bob", 2)); });
    ::Sleep(300);
    EXPECT_EQ(ReadTextFile(path), first) << "the append did not wait for the lock";
    ::UnlockFileEx(lockFile.get(), 0, 1, 0, &at);
    writer.join();
    EXPECT_EQ(appended, S_OK);
    EXPECT_EQ(ReadHistory(path).records, (std::vector<Record>{NumberedRecord("alice", 1), NumberedRecord("bob", 2)}));
}

// What the child process of the next test appends, cut short by the test hook.
Record CutRecord()
{
    return NumberedRecord("child", 7);
}

// Runs only as the child of the next test (HISTORY_TEST_CHILD set): appends to the file
// PELLAM_HISTORY names, which the hook cuts short, ending the process.
TEST(HistoryFileChild, AppendsUnderTheCutHook)
{
    if (::GetEnvironmentVariableW(L"HISTORY_TEST_CHILD", nullptr, 0) == 0) {
        GTEST_SKIP() << "runs only as the child of CutHookLeavesOneDamagedLineAndTheNextAppendIsIntact";
    }
    AppendRecord(history::HistoryPath(), CutRecord());
    ADD_FAILURE() << "the cut hook did not end the process";
}

TEST_F(HistoryFileTest, CutHookLeavesOneDamagedLineAndTheNextAppendIsIntact)
{
    ASSERT_EQ(AppendRecord(path, NumberedRecord("alice", 1)), S_OK);
    wchar_t program[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    DWORD exitCode = kNotStarted;
    {
        ScopedVariable child(L"HISTORY_TEST_CHILD", L"1");
        ScopedVariable cut(L"PELLAM_HISTORY_TEST_CUT", L"40");
        ScopedVariable place(L"PELLAM_HISTORY", path);
        exitCode = RunProgram(L"\"" + std::wstring(program) + L"\" --gtest_filter=HistoryFileChild.*");
    }
    EXPECT_EQ(exitCode, 99u);
    const std::string first = history::FormatRecord(NumberedRecord("alice", 1));
    EXPECT_EQ(ReadTextFile(path), first + history::FormatRecord(CutRecord()).substr(0, 40));

    ASSERT_EQ(AppendRecord(path, NumberedRecord("bob", 2)), S_OK);
    const history::ParsedHistory read = ReadHistory(path);
    EXPECT_EQ(read.records, (std::vector<Record>{NumberedRecord("alice", 1), NumberedRecord("bob", 2)}));
    EXPECT_EQ(read.damagedLines, std::vector<size_t>{2});
}

TEST_F(HistoryFileTest, ThePlaceIsTheVariablesOrTheMachinesProgramData)
{
    {
        ScopedVariable place(L"PELLAM_HISTORY", path);
        EXPECT_EQ(history::HistoryPath(), path);
    }
    wchar_t programData[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(history::HistoryPath(), std::wstring(programData, length) + L"\\Pellam\\history.jsonl");
}

TEST_F(HistoryFileTest, FailuresComeBackAsTheSystemsErrors)
{
    // No history yet is no error.
    history::ParsedHistory read;
    EXPECT_EQ(ReadHistory(path, read), S_OK);
    EXPECT_TRUE(read.records.empty());
    // A folder in the path that is a file.
    ASSERT_TRUE(WriteTextFile(folder.File(L"machine"), "not a folder"));
    const HRESULT hr = AppendRecord(path, NumberedRecord("alice", 1));
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32) << std::hex << hr;
    EXPECT_EQ(AppendRecord(L"", NumberedRecord("alice", 1)), E_INVALIDARG);
}

} // namespace
