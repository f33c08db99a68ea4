#include "FirmwareId.h"

#include <gtest/gtest.h>

using namespace biofile;

TEST(FirmwareId, ValidIdsArePrintableAsciiUpTo32Characters)
{
    EXPECT_TRUE(IsValidFirmwareId("A"));
    EXPECT_TRUE(IsValidFirmwareId("ABCDEFGH.86A.0052.2012.1107.1530"));
    EXPECT_FALSE(IsValidFirmwareId(""));
    EXPECT_FALSE(IsValidFirmwareId("ABCDEFGH.86A.0052.2012.1107.15301"));
    EXPECT_FALSE(IsValidFirmwareId(std::string_view("AB\0C", 4)));
    EXPECT_FALSE(IsValidFirmwareId("AB\tC"));
    EXPECT_FALSE(IsValidFirmwareId("AB\xE9"));
}

TEST(FirmwareId, LayoutIsTheDottedFieldsWithDigits)
{
    EXPECT_TRUE(HasFirmwareIdLayout("ABCDEFGH.86A.0052.2012.1107.1530"));
    EXPECT_TRUE(HasFirmwareIdLayout("ABCDEFGH.86A.0052.2012.1307.1530")); // month 13 keeps the shape
    EXPECT_FALSE(HasFirmwareIdLayout("ABCDEFGH.86A.0052.2012.1107.153"));
    EXPECT_FALSE(HasFirmwareIdLayout("ABCDEFGH.86A.00X2.2012.1107.1530"));
    EXPECT_FALSE(HasFirmwareIdLayout("ABCDEFGH-86A.0052.2012.1107.1530"));
    EXPECT_FALSE(HasFirmwareIdLayout("ABCD.FGH.86A.052.2012.1107.1530"));
}
