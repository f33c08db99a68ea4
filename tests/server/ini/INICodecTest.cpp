// The letter codec for binary values and the checksum that guards them.
#include "LogWatch.h"
#include "TestSupport.h"

#include "ini/INICodec.h"
#include "ini/IniChecksum.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Decode(const std::wstring& text, HRESULT expected = S_OK)
{
    std::vector<uint8_t> bytes{0xEE};
    uint16_t count = 0xBEEF;
    EXPECT_EQ(expected, CINICodec::DecodeVariableBuffer(text.c_str(), &bytes, text.size(), &count));
    if (expected == S_OK) {
        EXPECT_EQ(bytes.size(), count);
    } else {
        EXPECT_EQ(std::vector<uint8_t>{0xEE}, bytes);
        EXPECT_EQ(0xBEEF, count);
    }
    return bytes;
}

} // namespace

TEST(INICodec, LettersAToPAreTheNibbles)
{
    EXPECT_EQ(std::vector<uint8_t>{0x01}, Decode(L"AB"));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x1F, 0xA5}), Decode(L"AABPKF"));
    EXPECT_EQ(std::vector<uint8_t>{0xFF}, Decode(L"PP"));
    std::wstring text;
    const uint8_t bytes[] = {0x00, 0x1F, 0xA5};
    ASSERT_EQ(S_OK, CINICodec::EncodeVariableBuffer(bytes, 3, &text));
    EXPECT_EQ(L"AABPKF", text);
    ASSERT_EQ(S_OK, CINICodec::EncodeVariableBuffer(nullptr, 0, &text));
    EXPECT_EQ(L"", text);
}

TEST(INICodec, EveryByteSurvivesEncodeAndDecode)
{
    std::vector<uint8_t> all(256);
    for (size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<uint8_t>(i);
    }
    std::wstring text;
    ASSERT_EQ(S_OK, CINICodec::EncodeVariableBuffer(all.data(), all.size(), &text));
    EXPECT_EQ(all, Decode(text));
}

TEST(INICodec, InvalidBuffers)
{
    EXPECT_EQ(S_OK, CINICodec::ValidateBuffer(L"AP", 2));
    EXPECT_EQ(S_FALSE, CINICodec::ValidateBuffer(L"A", 1));
    EXPECT_EQ(S_FALSE, CINICodec::ValidateBuffer(L"AQ", 2));
    EXPECT_EQ(S_FALSE, CINICodec::ValidateBuffer(L"ab", 2));
    EXPECT_EQ(S_FALSE, CINICodec::ValidateBuffer(L"A@", 2));
    EXPECT_EQ(S_FALSE, CINICodec::ValidateBuffer(L"", 0));
    EXPECT_EQ(E_POINTER, CINICodec::ValidateBuffer(nullptr, 2));
    LogWatch log;
    Decode(L"A", E_FAIL);
    Decode(L"AQ", E_FAIL);
    Decode(L"", E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"An error occurred while trying to load the specified INI file.");
    std::vector<uint8_t> bytes;
    uint16_t count = 0;
    EXPECT_EQ(E_POINTER, CINICodec::DecodeVariableBuffer(L"AB", nullptr, 2, &count));
    EXPECT_EQ(E_POINTER, CINICodec::DecodeVariableBuffer(L"AB", &bytes, 2, nullptr));
    EXPECT_EQ(E_POINTER, CINICodec::DecodeVariableBuffer(nullptr, &bytes, 2, &count));
}

TEST(INICodec, ValuesBeyondTheSixteenBitCountAreRefusedNotCut)
{
    std::wstring largest(2 * 0xFFFF, L'P');
    EXPECT_EQ(0xFFFFu, Decode(largest).size());
    LogWatch log;
    Decode(largest + L"AB", E_INVALIDARG);
    EXPECT_TRUE(log.Saw(L"decodes to 65536 bytes; a value holds at most 65535"));
    std::vector<uint8_t> tooMany(0x10000);
    std::wstring text = L"kept";
    EXPECT_EQ(E_INVALIDARG, CINICodec::EncodeVariableBuffer(tooMany.data(), tooMany.size(), &text));
    EXPECT_EQ(L"kept", text);
}

TEST(IniChecksum, SumOfBytesXorPositionNegated)
{
    const uint8_t ab[] = {0x41, 0x42};
    EXPECT_EQ(65404, IniChecksum(ab, 2));
    EXPECT_EQ(0, IniChecksum(nullptr, 0));
    const uint8_t zeroSum[] = {0x00, 0x01, 0x02};
    EXPECT_EQ(0, IniChecksum(zeroSum, 3));
    // Positions count modulo 256: byte i holding i & 0xFF adds nothing.
    std::vector<uint8_t> positions(600);
    for (size_t i = 0; i < positions.size(); ++i) {
        positions[i] = static_cast<uint8_t>(i);
    }
    EXPECT_EQ(0, IniChecksum(positions.data(), positions.size()));
    // Three rounds of 0xFF XOR 0..255 add up to 3 * 32640 = 97920, which wraps to 32384.
    std::vector<uint8_t> ones(768, 0xFF);
    EXPECT_EQ(65536 - 32384, IniChecksum(ones.data(), ones.size()));
}

TEST(IniChecksum, OnlyTheLowSixteenBitsOfTheWrittenNumberCount)
{
    EXPECT_TRUE(IniChecksumMatches(65404, 0xFF7C));
    EXPECT_TRUE(IniChecksumMatches(-132, 0xFF7C));
    EXPECT_TRUE(IniChecksumMatches(65404 + 65536, 0xFF7C));
    EXPECT_FALSE(IniChecksumMatches(65403, 0xFF7C));
    EXPECT_TRUE(IniChecksumMatches(0, 0));
}
