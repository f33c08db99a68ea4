// Every committed seed and every regression input of the fuzz targets, run through the
// target in the normal test suite: an input that once crashed a parser or broke one of its
// promises stays fixed. The native program is built by gcc without libFuzzer; under the
// fuzz build's sanitizers the same test checks every read.
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct FuzzTarget {
    const char* name;
    void (*fuzzOne)(const uint8_t*, size_t);
};

constexpr FuzzTarget kTargets[] = {
    {"ini", ini_fuzz::FuzzOne},
    {"setupdb", setupdb_fuzz::FuzzOne},
    {"bio", bio_fuzz::FuzzOne},
    {"store", store_fuzz::FuzzOne},
    {"profile", profile_fuzz::FuzzOne},
    {"merge", merge_fuzz::FuzzOne},
    {"payload", payload_fuzz::FuzzOne},
    {"sequence", sequence_fuzz::FuzzOne},
    {"history", history_fuzz::FuzzOne},
};

// Test names and failures name the target.
void PrintTo(const FuzzTarget& target, std::ostream* out)
{
    *out << target.name;
}

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Runs every file of `folder` (when there is one) through the target; the number run.
size_t RunFolder(const FuzzTarget& target, const fs::path& folder)
{
    size_t count = 0;
    if (!fs::is_directory(folder)) {
        return 0;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::vector<uint8_t> bytes = ReadBytes(entry.path());
        // An exact allocation, so that a read past the end leaves the buffer.
        const auto exact = std::make_unique<uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), exact.get());
        EXPECT_NO_THROW(target.fuzzOne(exact.get(), bytes.size())) << target.name << ": " << entry.path();
        ++count;
    }
    return count;
}

class FuzzInputs : public testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzInputs, SeedsAndRegressionInputsPassTheTarget)
{
    const FuzzTarget& target = GetParam();
    const fs::path root = FUZZ_DIR;
    const size_t seeds = RunFolder(target, root / "corpus" / target.name);
    RunFolder(target, root / "regressions" / target.name);
    // Each target has committed seeds: an empty folder means the corpus went missing.
    EXPECT_GT(seeds, 0u) << "no committed seeds for " << target.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzInputs, testing::ValuesIn(kTargets),
    [](const testing::TestParamInfo<FuzzTarget>& info) { return std::string(info.param.name); });

TEST(FuzzInputs, ABrokenPromiseOfAParserIsReportedAsAFailure)
{
    EXPECT_THROW(FuzzCheck(false, "broken"), FuzzFailure);
    EXPECT_NO_THROW(FuzzCheck(true, "kept"));
}

} // namespace
