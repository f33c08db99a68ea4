// setupdbbench [--tsv] [demo board profile]
// Parses the setup database of the demo board and of generated boards of 2,000 and 20,000
// questions, and prints one row per case: questions, database bytes, tokens, the best time
// of several runs, and the ratio to the 2,000-question case with the limit it must stay
// under (the parse is linear: ten times the questions may take at most twelve times as
// long). Two ways are timed: the reader alone over the bytes, and GetTokens on an emulated
// board, which reads the database through the firmware-variable library as well. With --tsv
// each case is one line "benchmark<TAB>questions<TAB>milliseconds" (scripts/bench.sh).
#include "system/ExtractHiiTokens.h"
#include "system/ProcessState.h"
#include "system/SetupDatabase.h"

#include "BenchArguments.h"
#include "BoardGenerator.h"
#include "BoardProfile.h"
#include "FirmwareStore.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <string>

namespace {

struct Case {
    std::string label;
    size_t questions = 0;
    fwstore::StoreImage board;
};

using Clock = std::chrono::steady_clock;

// The best of `runs` runs, in milliseconds. What a run builds is released after its time is
// taken: the server keeps its token list for the life of the process.
template <typename Step>
double BestOf(int runs, const Step& step, bool& ok)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        auto built = step();
        const auto stop = Clock::now();
        ok = built.first && ok;
        best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    return best;
}

// The token list of a database, as the server builds it.
std::unique_ptr<HiiTokenList> ParseBytes(const std::vector<uint8_t>& database)
{
    auto list = std::make_unique<HiiTokenList>();
    SetupDatabaseReader reader(database);
    list->ReserveFor(database.size());
    HII_SETTING record;
    for (WalkStatus status = reader.First(record); status == WalkStatus::Token || status == WalkStatus::NotToken;
         status = reader.Next(record)) {
        if (status == WalkStatus::Token) {
            list->AddToken(std::move(record));
        }
    }
    return list;
}

bool MakeCase(Case& c, const std::string& profile, const std::wstring& source)
{
    const fwstore::StoreResult result = fwstore::ParseBoardProfile(profile, source, {}, c.board);
    if (!result.Ok()) {
        std::fprintf(stderr, "setupdbbench: %ls\n", result.message.c_str());
        return false;
    }
    return true;
}

bool LoadDemo(Case& c, const char* path)
{
    const std::wstring wide(path, path + std::strlen(path));
    const fwstore::StoreResult result = fwstore::LoadBoardProfile(wide, c.board);
    if (!result.Ok()) {
        std::fprintf(stderr, "setupdbbench: %ls\n", result.message.c_str());
    }
    return result.Ok();
}

bool g_tsv = false;

void PrintRow(const char* way, const Case& c, size_t tokens, double ms, double base, bool ok)
{
    if (g_tsv) {
        const std::string what = c.questions ? "setup database parse (" + std::string(way) + ")"
                                             : "setup database parse, demo board (" + std::string(way) + ")";
        std::printf("%s\t%zu\t%.2f%s\n", what.c_str(), c.questions ? c.questions : tokens, ms, ok ? "" : "\tFAILED");
        return;
    }
    const std::string questions = c.questions ? std::to_string(c.questions) : "-";
    std::printf("%-10s %-12s %9s %10zu %8zu %10.2f", way, c.label.c_str(), questions.c_str(), c.board.exportDb.size(),
                tokens, ms);
    if (base > 0 && c.questions != 2000 && c.questions > 0) {
        const double ratio = ms / base;
        const double limit = c.questions == 20000 ? 12.0 : 0.0;
        if (limit > 0) {
            std::printf(" %7.2fx  < %4.1fx %s", ratio, limit, ratio < limit ? "ok" : "OVER");
        } else {
            std::printf(" %7.2fx", ratio);
        }
    } else if (c.questions == 2000) {
        std::printf("    1.00x");
    }
    std::printf("%s\n", ok ? "" : "  FAILED");
}

} // namespace

int main(int argc, char** argv)
{
    g_tsv = TakeTsvOption(argc, argv);
    const char* demoPath = argc > 1 ? argv[1] : "boards/demo-board.ini";
    std::vector<Case> cases(3);
    cases[0].label = "demo board";
    cases[1].label = "generated";
    cases[1].questions = 2000;
    cases[2].label = "generated";
    cases[2].questions = 20000;
    if (!LoadDemo(cases[0], demoPath) || !MakeCase(cases[1], fwstore::GenerateBoardProfile(2000), L"2000") ||
        !MakeCase(cases[2], fwstore::GenerateBoardProfile(cases[2].questions), L"20000")) {
        return 1;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "setupdbbench";
    std::filesystem::create_directories(folder);
    const std::wstring store = (folder / "board.store").wstring();
    ::SetEnvironmentVariableW(L"FWSIM_STORE", store.c_str());

    if (!g_tsv) {
        std::printf("%-10s %-12s %9s %10s %8s %10s %8s  %s\n", "way", "board", "questions", "bytes", "tokens",
                    "best ms", "ratio", "limit");
    }
    const int runs = 5;
    for (const char* way : {"reader", "GetTokens"}) {
        double base = 0;
        for (const Case& c : cases) {
            bool ok = true;
            size_t tokens = 0;
            double ms = 0;
            if (std::string(way) == "reader") {
                ms = BestOf(runs, [&] {
                    auto list = ParseBytes(c.board.exportDb);
                    tokens = list->Size();
                    return std::make_pair(tokens > 0, std::move(list));
                }, ok);
            } else {
                ok = fwstore::CFirmwareStore(store).Create(c.board, true).Ok();
                ms = BestOf(runs, [&] {
                    ProcessState::ForgetFirmwareReadings();
                    HiiTokenPointers list;
                    const bool parsed = SUCCEEDED(CExtractHiiTokens::GetTokens(&list));
                    tokens = list.size();
                    return std::make_pair(parsed, std::move(list));
                }, ok);
            }
            if (c.questions == 2000) {
                base = ms;
            }
            PrintRow(way, c, tokens, ms, base, ok);
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
