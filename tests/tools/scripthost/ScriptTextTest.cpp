#include "ScriptText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::byte> Bytes(std::initializer_list<int> values)
{
    std::vector<std::byte> bytes;
    for (int value : values) {
        bytes.push_back(static_cast<std::byte>(value));
    }
    return bytes;
}

std::vector<std::byte> Bytes(const std::string& text)
{
    std::vector<std::byte> bytes;
    for (char c : text) {
        bytes.push_back(static_cast<std::byte>(c));
    }
    return bytes;
}

TEST(ScriptTextTest, ReadsUtf8WithAndWithoutByteOrderMark)
{
    const auto plain = DecodeScriptText(Bytes("x = \"gr\xC3\xBC\xC3\x9F" "e\""));
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.text, L"x = \"gr\u00FC\u00DFe\"");

    const auto marked = DecodeScriptText(Bytes("\xEF\xBB\xBFWScript.Echo 1\r\n"));
    ASSERT_TRUE(marked.ok);
    EXPECT_EQ(marked.text, L"WScript.Echo 1\r\n");  // the mark is not part of the script
}

TEST(ScriptTextTest, ReadsUtf16LittleEndianAfterItsMark)
{
    const auto decoded = DecodeScriptText(Bytes({0xFF, 0xFE, 'a', 0, 0xAC, 0x20, 'b', 0}));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.text, L"a\u20ACb");
}

TEST(ScriptTextTest, EmptyFilesAreEmptyScripts)
{
    EXPECT_TRUE(DecodeScriptText({}).ok);
    EXPECT_TRUE(DecodeScriptText(Bytes({0xFF, 0xFE})).ok);
    const auto bomOnly = DecodeScriptText(Bytes({0xEF, 0xBB, 0xBF}));
    ASSERT_TRUE(bomOnly.ok);
    EXPECT_TRUE(bomOnly.text.empty());
}

TEST(ScriptTextTest, RejectsTextItCannotReadFaithfully)
{
    const auto odd = DecodeScriptText(Bytes({0xFF, 0xFE, 'a', 0, 'b'}));
    EXPECT_FALSE(odd.ok);
    EXPECT_FALSE(odd.error.empty());

    EXPECT_FALSE(DecodeScriptText(Bytes({0xFE, 0xFF, 0, 'a'})).ok) << "big-endian UTF-16";
    EXPECT_FALSE(DecodeScriptText(Bytes({0xEF, 0xBB, 0xBF, 'a', 0xC3})).ok) << "broken UTF-8 after a UTF-8 mark";
    // UTF-16 without a mark looks like text full of NULs; parsing it would stop at the first one.
    EXPECT_FALSE(DecodeScriptText(Bytes({'a', 0, 'b', 0})).ok);
    EXPECT_FALSE(DecodeScriptText(Bytes({0xFF, 0xFE, 'a', 0, 0, 0, 'b', 0})).ok);
}

TEST(ScriptTextTest, FallsBackToTheAnsiCodePageForInvalidUtf8)
{
    const auto decoded = DecodeScriptText(Bytes({'a', 0xE4, 'b'}));  // a Latin-1 style byte alone
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.text.size(), 3u);
    EXPECT_EQ(decoded.text[0], L'a');
    EXPECT_EQ(decoded.text[2], L'b');
}

}  // namespace
