// The wizard's decisions: Windows versions, the command line, legacy firmware and the
// resume command.
#include "WizardRules.h"

#include <gtest/gtest.h>

TEST(WindowsVersion, SixAnyMinorIsSupported)
{
    EXPECT_TRUE(IsSupportedWindowsVersion(6, 0, 0));
    EXPECT_TRUE(IsSupportedWindowsVersion(6, 1, 0x0100));
    EXPECT_TRUE(IsSupportedWindowsVersion(6, 2, 0x0200)); // later Windows without a manifest
    EXPECT_TRUE(IsSupportedWindowsVersion(6, 3, 0));
}

TEST(WindowsVersion, FiveOneAndTwoExceptHomeEdition)
{
    EXPECT_TRUE(IsSupportedWindowsVersion(5, 1, 0));
    EXPECT_TRUE(IsSupportedWindowsVersion(5, 1, 0x0100));
    EXPECT_TRUE(IsSupportedWindowsVersion(5, 2, 0x0010));
    EXPECT_FALSE(IsSupportedWindowsVersion(5, 1, 0x0200));
    // The home edition as it reports itself, with single-user terminal services.
    EXPECT_FALSE(IsSupportedWindowsVersion(5, 1, 0x0300));
    EXPECT_FALSE(IsSupportedWindowsVersion(5, 2, 0x0200));
}

TEST(WindowsVersion, OtherVersionsAreRefused)
{
    EXPECT_FALSE(IsSupportedWindowsVersion(5, 0, 0));
    EXPECT_FALSE(IsSupportedWindowsVersion(5, 3, 0));
    EXPECT_FALSE(IsSupportedWindowsVersion(4, 0, 0));
    EXPECT_FALSE(IsSupportedWindowsVersion(10, 0, 0));
    EXPECT_FALSE(IsSupportedWindowsVersion(7, 0, 0));
}

TEST(CommandLine, OnlyExactlyVerifyAsSecondAndLastArgument)
{
    EXPECT_TRUE(IsVerifyRun({L"Tolva.exe", L"VERIFY"}));
    EXPECT_FALSE(IsVerifyRun({L"Tolva.exe"}));
    EXPECT_FALSE(IsVerifyRun({L"Tolva.exe", L"verify"}));
    EXPECT_FALSE(IsVerifyRun({L"Tolva.exe", L"VERIFY "}));
    EXPECT_FALSE(IsVerifyRun({L"Tolva.exe", L"VERIFY", L"VERIFY"}));
    EXPECT_FALSE(IsVerifyRun({L"Tolva.exe", L"x", L"VERIFY"}));
    EXPECT_FALSE(IsVerifyRun({}));
}

TEST(LegacyFirmware, FamilyIgnoresCaseAndVersionUpTo170)
{
    EXPECT_TRUE(IsLegacyFirmwareId(L"KD31207R.86A.0170.2010.0101.0000"));
    EXPECT_TRUE(IsLegacyFirmwareId(L"kd31207r.86A.0170.2010.0101.0000"));
    EXPECT_TRUE(IsLegacyFirmwareId(L"KD31207R.86A.0001.2010.0101.0000"));
    EXPECT_FALSE(IsLegacyFirmwareId(L"KD31207R.86A.0171.2010.0101.0000"));
    EXPECT_FALSE(IsLegacyFirmwareId(L"KD31207R.86A.1000.2010.0101.0000"));
}

TEST(LegacyFirmware, OtherFamiliesAndMalformedIds)
{
    EXPECT_FALSE(IsLegacyFirmwareId(L""));
    EXPECT_FALSE(IsLegacyFirmwareId(L"KD31207R"));             // no dot
    EXPECT_FALSE(IsLegacyFirmwareId(L".86A.0100"));            // empty family
    EXPECT_FALSE(IsLegacyFirmwareId(L"DBZ7710H.86A.0042.2013.0312.1045"));
    EXPECT_FALSE(IsLegacyFirmwareId(L"KD31207RX.86A.0100.2010.0101.0000"));
    EXPECT_FALSE(IsLegacyFirmwareId(L"KD31207.86A.0100.2010.0101.0000"));
}

TEST(LegacyFirmware, ShortOrNonNumericVersionReadsItsLeadingDigits)
{
    // The version field reads as its leading digits, 0 when there are none; an ID cut short
    // is read within its bounds.
    EXPECT_TRUE(IsLegacyFirmwareId(L"KD31207R."));
    EXPECT_TRUE(IsLegacyFirmwareId(L"KD31207R.86A.X999"));
    EXPECT_TRUE(IsLegacyFirmwareId(L"KD31207R.86A.01"));
    EXPECT_FALSE(IsLegacyFirmwareId(L"KD31207R.86A.0200"));
    EXPECT_FALSE(IsLegacyFirmwareId(L"KD31207R.86A.999"));
}

TEST(ResumeCommand, QuotedPathAndVerify)
{
    const auto command = BuildResumeCommand(L"C:\\Users\\me\\Downloads\\Tolva.exe");
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(*command, L"\"C:\\Users\\me\\Downloads\\Tolva.exe\" VERIFY");
}

TEST(ResumeCommand, MustFitWithItsTerminator)
{
    // Quotes, blank and VERIFY take 9 characters, the terminator one more.
    const std::wstring longest(kMaxResumeCommand - 10, L'a');
    const auto fits = BuildResumeCommand(longest);
    ASSERT_TRUE(fits.has_value());
    EXPECT_EQ(fits->size(), kMaxResumeCommand - 1);
    EXPECT_FALSE(BuildResumeCommand(longest + L"a").has_value());
    EXPECT_FALSE(BuildResumeCommand(std::wstring(1000, L'a')).has_value());
    EXPECT_FALSE(BuildResumeCommand(L"").has_value());
}
