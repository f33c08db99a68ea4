// Files on disk: reading and writing through the file system, and files that are not INI
// text at all.
#include "LogWatch.h"
#include "TestSupport.h"

#include "frame/ResultCodes.h"
#include "ini/IniParser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

TEST(IniParserFile, ReadAndWriteBackIsByteForByte)
{
    TemporaryFolder folder;
    const std::string content = "; Saved configuration\r\n\r\n[System]\r\nINIversion=2.9\r\n"
                                "[SMBIOS.values]\r\nSystemManufacturer = \"Maker\"  \r\n";
    WriteTextFile(folder.File(L"in.ini"), content);
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ReadINIFile(folder.File(L"in.ini")));
    EXPECT_EQ(folder.File(L"in.ini"), parser.GetPath());
    ASSERT_EQ(S_OK, parser.WriteINIFile(folder.File(L"out.ini")));
    EXPECT_EQ(content, ReadTextFile(folder.File(L"out.ini")));
    // Writing over an existing, longer file truncates it.
    WriteTextFile(folder.File(L"long.ini"), std::string(10000, 'z'));
    ASSERT_EQ(S_OK, parser.WriteINIFile(folder.File(L"long.ini")));
    EXPECT_EQ(content, ReadTextFile(folder.File(L"long.ini")));
}

TEST(IniParserFile, ReadFailures)
{
    TemporaryFolder folder;
    CIniParser parser;
    EXPECT_EQ(ResultCode::E_SETTING_UNUSABLE, parser.ReadINIFile(L""));
    EXPECT_EQ(ResultCode::E_FILE_OPEN, parser.ReadINIFile(folder.File(L"absent.ini")));
    EXPECT_FALSE(parser.IsLoaded());
}

TEST(IniParserFile, WriteFailuresLeaveTheTargetAlone)
{
    TemporaryFolder folder;
    CIniParser parser;
    LogWatch log;
    EXPECT_EQ(E_FAIL, parser.WriteINIFile(folder.File(L"empty.ini")));
    EXPECT_TRUE(log.Saw(L"The element count could not be obtained"));
    EXPECT_FALSE(std::filesystem::exists(folder.File(L"empty.ini")));
    ASSERT_EQ(S_OK, parser.SetProfileString(L"S", L"k", L"v"));
    EXPECT_EQ(E_FAIL, parser.WriteINIFile(folder.File(L"no such folder\\x.ini")));
    EXPECT_TRUE(log.Saw(L"Invalid directory specified"));
    EXPECT_EQ(ResultCode::Make(true, 0x16), parser.WriteINIFile(folder.Path()));
}

TEST(IniParserFile, NulBytesMakeTheFileNoText)
{
    TemporaryFolder folder;
    WriteTextFile(folder.File(L"zero-byte.ini"), std::string("[S]\r\nk=v\0w\r\n", 12));
    LogWatch log;
    CIniParser parser;
    EXPECT_EQ(E_FAIL, parser.ReadINIFile(folder.File(L"zero-byte.ini")));
    EXPECT_TRUE(log.Saw(L"NUL byte at offset 8"));
    EXPECT_FALSE(parser.IsLoaded());
}

TEST(IniParserFile, BinaryGarbageLoadsAsLinesThatStayShort)
{
    std::mt19937 random(7);
    std::string garbage = "[S]\r\n";
    for (int i = 0; i < 200000; ++i) {
        garbage.push_back(static_cast<char>(1 + random() % 255));
    }
    CIniParser parser;
    ASSERT_EQ(S_OK, parser.ParseFile(garbage));
    std::string written;
    ASSERT_EQ(S_OK, parser.BuildFileBytes(&written));
    // Read back, the written file gives the same lines again: nothing grows without bound.
    CIniParser again;
    ASSERT_EQ(S_OK, again.ParseFile(written));
    EXPECT_GE(again.GetLines().size(), parser.GetLines().size());
    for (const CIniLine& line : again.GetLines()) {
        EXPECT_LE(line.GetText().size(), CIniParser::kMaxLineBytes + 1);
    }
}

TEST(IniParserFile, EnormousFilesAreRefusedWithoutReadingThemWhole)
{
    TemporaryFolder folder;
    {
        std::ofstream file(std::filesystem::path(folder.File(L"big.ini")), std::ios::binary);
        std::string chunk = "[S]\r\n" + std::string(1019, 'k') + "\r\n";
        for (size_t written = 0; written <= CIniParser::kMaxFileBytes; written += chunk.size()) {
            file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        }
    }
    LogWatch log;
    CIniParser parser;
    EXPECT_EQ(E_FAIL, parser.ReadINIFile(folder.File(L"big.ini")));
    EXPECT_TRUE(log.Saw(L"is larger than 16777216 bytes"));
    EXPECT_FALSE(parser.IsLoaded());
}

TEST(IniParserFile, FilesOfTooManyLinesAreRefused)
{
    LogWatch log;
    CIniParser parser;
    EXPECT_EQ(E_FAIL, parser.ParseFile(std::string(CIniParser::kMaxLines + 1, '\n')));
    EXPECT_TRUE(log.Saw(L"more than 1000000 lines"));
}

TEST(IniParserFile, DevicesAreNoFiles)
{
    CIniParser parser;
    EXPECT_EQ(ResultCode::E_FILE_OPEN, parser.ReadINIFile(L"CON"));
    EXPECT_EQ(ResultCode::E_FILE_OPEN, parser.ReadINIFile(L"nul.ini"));
    EXPECT_FALSE(parser.IsLoaded());
}
