// Thousands of corrupted copies of the demo board's setup database: flipped bytes,
// truncations and wild header fields. The walk ends every time, in at most a step per byte,
// without a crash. Plain C++: the native program runs it too, where the sanitizers of the
// fuzzing build also check every read.
#include "system/HiiTokenList.h"
#include "system/SetupDatabase.h"

#include "SetupDbWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <random>

namespace {

std::vector<uint8_t> DemoDatabase()
{
    std::ifstream file(std::string(BOARDS_DIR) + "/demo-board.ini", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    fwstore::setup::CompiledSetup compiled;
    fwstore::setup::SetupError error;
    EXPECT_TRUE(fwstore::setup::CompileSetupProfile(text, compiled, error)) << error.line << ": " << error.message;
    return compiled.database;
}

void Corrupt(std::vector<uint8_t>& copy, int round, std::mt19937& random)
{
    switch (round % 4) {
    case 0:
        copy.resize(random() % copy.size());
        break;
    case 1:  // a few bytes anywhere
        for (int i = 1 + static_cast<int>(random() % 4); i > 0; --i) {
            copy[random() % copy.size()] = static_cast<uint8_t>(random());
        }
        break;
    case 2:  // table headers and the first packs: sizes, offsets, counts
        for (int i = 1 + static_cast<int>(random() % 4); i > 0; --i) {
            copy[random() % std::min<size_t>(copy.size(), 200)] = 0xFF;
        }
        break;
    default:  // many bytes
        for (int i = 1 + static_cast<int>(random() % 64); i > 0; --i) {
            copy[random() % copy.size()] = static_cast<uint8_t>(random());
        }
        break;
    }
}

TEST(SetupDatabaseCorruption, CorruptedCopiesOfTheDemoDatabaseAreWalkedSafely)
{
    const std::vector<uint8_t> original = DemoDatabase();
    ASSERT_GT(original.size(), 1000u);
    std::mt19937 random(20261209);
    size_t tokensSeen = 0;
    size_t malformed = 0;
    size_t passwordsSeen = 0;
    size_t scansRefused = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> copy = original;
        Corrupt(copy, round, random);
        // An exact allocation, so that a read past the end leaves the buffer.
        const auto exact = std::make_unique<uint8_t[]>(copy.size());
        std::copy(copy.begin(), copy.end(), exact.get());
        SetupDatabaseReader reader(std::span<const uint8_t>(exact.get(), copy.size()));
        HiiTokenList list;
        HII_SETTING record;
        size_t steps = 0;
        WalkStatus status = reader.First(record);
        for (; status == WalkStatus::Token || status == WalkStatus::NotToken; status = reader.Next(record)) {
            if (status == WalkStatus::Token) {
                list.AddToken(std::move(record));
            }
            ASSERT_LE(++steps, copy.size()) << "round " << round;
        }
        malformed += status == WalkStatus::Malformed ? 1 : 0;
        tokensSeen += list.Size();
        // The password scan stops at the same damage, with its place named.
        SetupDatabaseReader scanner(std::span<const uint8_t>(exact.get(), copy.size()));
        std::vector<SetupDatabaseReader::PasswordQuestion> passwords;
        if (scanner.FindPasswords(u"SystemPassword", SETUP_VARIABLE_GUID, passwords)) {
            passwordsSeen += passwords.size();
        } else {
            ++scansRefused;
            EXPECT_FALSE(scanner.Problem().what.empty()) << "round " << round;
        }
    }
    EXPECT_GT(tokensSeen, 0u);
    EXPECT_GT(malformed, 0u);
    EXPECT_GT(passwordsSeen, 0u);
    EXPECT_GT(scansRefused, 0u);
}

} // namespace
