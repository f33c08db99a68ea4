// The emulated restart over a board image: which capsules the firmware applies, what it
// changes when it does, and that a refused or absent capsule leaves the firmware alone.
#include "BoardRestart.h"
#include "StoreOperations.h"
#include "TestCapsules.h"

#include <gtest/gtest.h>

using namespace eficorvid;
using namespace fwstore;

namespace {

const std::string BOARD_ID = "ABCDEFGH.86A.0049.2011.0101.0000";
const std::string NEWER_ID = "ABCDEFGH.86A.0052.2012.1107.1530";

StoreImage Board(const std::string& firmwareId = BOARD_ID)
{
    StoreImage image;
    image.boardName = L"restart board";
    image.capacity = 4096;
    image.variables.push_back({L"FirmwareId", ID_VENDOR, 7, Bytes(firmwareId)});
    image.variables.push_back({L"Setup", ID_SECOND_VENDOR, 7, {1, 2, 3}});
    image.variables.push_back(DetectionVariable());
    return image;
}

void Arm(StoreImage& image, std::vector<uint8_t> capsule, uint32_t state = CAPSULE_ARMED)
{
    image.capsule.image = std::move(capsule);
    image.capsule.state = state;
}

std::string FirmwareIdOf(const StoreImage& image, const GUID& vendor = ID_VENDOR)
{
    const StoredVariable* variable = FindVariable(image, L"FirmwareId", vendor);
    return variable ? std::string(variable->data.begin(), variable->data.end()) : "<absent>";
}

bool HasDetectionVariable(const StoreImage& image)
{
    return FindVariable(image, L"QRVFlashDetectionStatus", DETECTION_VENDOR) != nullptr;
}

void ExpectConsumed(const StoreImage& image, uint32_t resets = 1)
{
    EXPECT_EQ(image.capsule.state, CAPSULE_EMPTY);
    EXPECT_TRUE(image.capsule.image.empty());
    EXPECT_EQ(image.capsule.resetCount, resets);
}

} // namespace

TEST(BoardRestart, ArmedCapsuleOfTheBoardIsApplied)
{
    StoreImage image = Board();
    image.capsule.lastStatus = 7;
    Arm(image, MakeBio(NEWER_ID));
    RestartReport report = RestartBoard(image, false);
    EXPECT_EQ(report.outcome, RestartOutcome::Applied);
    EXPECT_TRUE(report.modified);
    EXPECT_EQ(report.boardId, BOARD_ID);
    EXPECT_EQ(report.imageId, NEWER_ID);
    EXPECT_EQ(FirmwareIdOf(image), NEWER_ID);
    EXPECT_FALSE(HasDetectionVariable(image));
    EXPECT_EQ(image.capsule.lastStatus, 0u);
    ExpectConsumed(image);
    const StoredVariable* setup = FindVariable(image, L"Setup", ID_SECOND_VENDOR);
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->data, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(BoardRestart, ApplyingWithoutDetectionVariableStillSucceeds)
{
    StoreImage image = Board();
    SetStoredVariable(image, L"QRVFlashDetectionStatus", DETECTION_VENDOR, 0, {});
    Arm(image, MakeBio(NEWER_ID));
    EXPECT_EQ(RestartBoard(image, false).outcome, RestartOutcome::Applied);
    EXPECT_EQ(FirmwareIdOf(image), NEWER_ID);
    EXPECT_EQ(image.capsule.lastStatus, 0u);
}

TEST(BoardRestart, FailedFlashLeavesFirmwareAndMarker)
{
    StoreImage image = Board();
    Arm(image, MakeBio(NEWER_ID));
    RestartReport report = RestartBoard(image, true);
    EXPECT_EQ(report.outcome, RestartOutcome::Refused);
    EXPECT_EQ(FirmwareIdOf(image), BOARD_ID);
    EXPECT_TRUE(HasDetectionVariable(image));
    EXPECT_EQ(image.capsule.lastStatus, static_cast<uint32_t>(CAPSULE_RESULT_FLASH_FAILED));
    ExpectConsumed(image);
}

TEST(BoardRestart, OnlyTheFirstTwelveCharactersDecide)
{
    EXPECT_TRUE(IsCompatibleFirmwareId(NEWER_ID, BOARD_ID));
    EXPECT_FALSE(IsCompatibleFirmwareId(NEWER_ID, "ABCDEFGH.86B.0049.2011.0101.0000"));
    EXPECT_FALSE(IsCompatibleFirmwareId(NEWER_ID, "abcdefgh.86A.0049.2011.0101.0000"));
    // Exactly 12 characters name a board family.
    EXPECT_TRUE(IsCompatibleFirmwareId("ABCDEFGH.86A", BOARD_ID));
    EXPECT_TRUE(IsCompatibleFirmwareId(NEWER_ID, "ABCDEFGH.86A"));
    EXPECT_TRUE(IsCompatibleFirmwareId("ABCDEFGH.86A", "ABCDEFGH.86A"));
}

TEST(BoardRestart, IdShorterThanTwelveCharactersMatchesNothing)
{
    // As the server decides (CBiosId::IsCompatible): an ID that cannot name a board family
    // matches no board, not even an equally short one.
    EXPECT_FALSE(IsCompatibleFirmwareId("ABCDEFGH.86", BOARD_ID));
    EXPECT_FALSE(IsCompatibleFirmwareId(BOARD_ID, "ABCDEFGH.86"));
    EXPECT_FALSE(IsCompatibleFirmwareId("ABCDEFGH.86", "ABCDEFGH.86"));
    EXPECT_FALSE(IsCompatibleFirmwareId("A", "A"));
    EXPECT_FALSE(IsCompatibleFirmwareId(NEWER_ID, ""));
    EXPECT_FALSE(IsCompatibleFirmwareId("", ""));

    // At the restart: a short board ID, a short image ID, or both equal and short, are
    // refused as another board's image; the firmware and the marker stay.
    struct Case {
        std::string board, image;
        const wchar_t* whose;
    };
    for (const Case& test : {Case{"ABCDEFGH.86", NEWER_ID, L"the board's firmware ID \"ABCDEFGH.86\""},
             Case{BOARD_ID, "ABCDEFGH.86", L"the image's firmware ID \"ABCDEFGH.86\""},
             Case{"ABCDEFGH.86", "ABCDEFGH.86", L"the image's firmware ID \"ABCDEFGH.86\""},
             Case{"", NEWER_ID, L"the board's firmware ID \"\""}}) {
        SCOPED_TRACE(test.board + " / " + test.image);
        StoreImage image = Board(test.board);
        if (test.board.empty())
            image.variables[0].data = {0};   // a "FirmwareId" that holds only its terminator
        Arm(image, MakeBio(test.image));
        RestartReport report = RestartBoard(image, false);
        EXPECT_EQ(report.outcome, RestartOutcome::Refused);
        EXPECT_EQ(image.capsule.lastStatus, static_cast<uint32_t>(CAPSULE_RESULT_WRONG_BOARD));
        EXPECT_NE(report.reason.find(test.whose), std::wstring::npos) << std::string(report.reason.begin(), report.reason.end());
        EXPECT_NE(report.reason.find(L"names no board family"), std::wstring::npos);
        EXPECT_TRUE(HasDetectionVariable(image));
        const StoredVariable* id = FindVariable(image, L"FirmwareId", ID_VENDOR);
        ASSERT_NE(id, nullptr);
        EXPECT_EQ(id->data, test.board.empty() ? std::vector<uint8_t>{0} : Bytes(test.board));
        ExpectConsumed(image);
    }

    // A board ID of exactly 12 characters still takes an image of its family.
    StoreImage image = Board("ABCDEFGH.86A");
    Arm(image, MakeBio(NEWER_ID));
    EXPECT_EQ(RestartBoard(image, false).outcome, RestartOutcome::Applied);
    EXPECT_EQ(FirmwareIdOf(image), NEWER_ID);
}

TEST(BoardRestart, ImageOfAnotherBoardIsRefused)
{
    StoreImage image = Board();
    Arm(image, MakeBio("ABCDEFGH.86B.0052.2012.1107.1530"));
    RestartReport report = RestartBoard(image, false);
    EXPECT_EQ(report.outcome, RestartOutcome::Refused);
    EXPECT_EQ(image.capsule.lastStatus, static_cast<uint32_t>(CAPSULE_RESULT_WRONG_BOARD));
    EXPECT_EQ(FirmwareIdOf(image), BOARD_ID);
    EXPECT_TRUE(HasDetectionVariable(image));
    EXPECT_NE(report.reason.find(L"ABCDEFGH.86B"), std::wstring::npos);
    ExpectConsumed(image);
}

TEST(BoardRestart, CapsuleThatIsNoFirmwareImageIsRefused)
{
    for (auto capsule : {MakeBareCapsule(200), std::vector<uint8_t>{}}) {
        StoreImage image = Board();
        Arm(image, capsule);
        RestartReport report = RestartBoard(image, false);
        EXPECT_EQ(report.outcome, RestartOutcome::Refused);
        EXPECT_EQ(image.capsule.lastStatus, static_cast<uint32_t>(CAPSULE_RESULT_INVALID_IMAGE));
        EXPECT_EQ(FirmwareIdOf(image), BOARD_ID);
        EXPECT_TRUE(HasDetectionVariable(image));
        ExpectConsumed(image);
    }
    // A real image cut short is refused as well.
    std::vector<uint8_t> cut = MakeBio(NEWER_ID);
    cut.resize(cut.size() - 1);
    StoreImage image = Board();
    Arm(image, cut);
    RestartBoard(image, false);
    EXPECT_EQ(image.capsule.lastStatus, static_cast<uint32_t>(CAPSULE_RESULT_INVALID_IMAGE));
}

TEST(BoardRestart, BoardWithoutFirmwareIdRefuses)
{
    StoreImage image = Board();
    SetStoredVariable(image, L"FirmwareId", ID_VENDOR, 0, {});
    Arm(image, MakeBio(NEWER_ID));
    RestartBoard(image, false);
    EXPECT_EQ(image.capsule.lastStatus, static_cast<uint32_t>(CAPSULE_RESULT_NO_FIRMWARE_ID));
    EXPECT_EQ(FirmwareIdOf(image), "<absent>");
}

TEST(BoardRestart, SecondVendorGuidIsReadAndUpdated)
{
    StoreImage image = Board();
    SetStoredVariable(image, L"FirmwareId", ID_VENDOR, 0, {});
    std::vector<uint8_t> terminated = Bytes(BOARD_ID);
    terminated.push_back(0);
    image.variables.push_back({L"FirmwareId", ID_SECOND_VENDOR, 3, terminated});
    Arm(image, MakeBio(NEWER_ID));
    EXPECT_EQ(RestartBoard(image, false).outcome, RestartOutcome::Applied);
    const StoredVariable* updated = FindVariable(image, L"FirmwareId", ID_SECOND_VENDOR);
    ASSERT_NE(updated, nullptr);
    // The terminator and the attributes stay as the board had them.
    std::vector<uint8_t> expected = Bytes(NEWER_ID);
    expected.push_back(0);
    EXPECT_EQ(updated->data, expected);
    EXPECT_EQ(updated->attributes, 3u);
    EXPECT_EQ(FindVariable(image, L"FirmwareId", ID_VENDOR), nullptr);
}

TEST(BoardRestart, BothFirmwareIdsAreUpdated)
{
    StoreImage image = Board();
    image.variables.push_back({L"FirmwareId", ID_SECOND_VENDOR, 7, Bytes(BOARD_ID)});
    Arm(image, MakeBio(NEWER_ID));
    RestartBoard(image, false);
    EXPECT_EQ(FirmwareIdOf(image, ID_VENDOR), NEWER_ID);
    EXPECT_EQ(FirmwareIdOf(image, ID_SECOND_VENDOR), NEWER_ID);
}

TEST(BoardRestart, FullStorageRefusesWithoutChangingAnything)
{
    StoreImage image = Board("ABCDEFGH.86A");
    image.capacity = static_cast<uint32_t>(UsedStorageBytes(image));
    std::vector<StoredVariable> before = image.variables;
    Arm(image, MakeBio(NEWER_ID));
    RestartReport report = RestartBoard(image, false);
    EXPECT_EQ(report.outcome, RestartOutcome::Refused);
    EXPECT_EQ(image.capsule.lastStatus, static_cast<uint32_t>(CAPSULE_RESULT_STORAGE_FULL));
    ASSERT_EQ(image.variables.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(image.variables[i].data, before[i].data);
}

TEST(BoardRestart, PreparedButNeverInvokedCapsuleIsDropped)
{
    StoreImage image = Board();
    image.capsule.lastStatus = 3;
    Arm(image, MakeBio(NEWER_ID), CAPSULE_STAGED);
    RestartReport report = RestartBoard(image, false);
    EXPECT_EQ(report.outcome, RestartOutcome::Discarded);
    EXPECT_EQ(FirmwareIdOf(image), BOARD_ID);
    EXPECT_TRUE(HasDetectionVariable(image));
    EXPECT_EQ(image.capsule.lastStatus, 3u);
    ExpectConsumed(image);
}

TEST(BoardRestart, NothingStagedChangesNothing)
{
    for (bool fail : {false, true}) {
        StoreImage image = Board();
        image.capsule.lastStatus = 2;
        image.capsule.resetCount = 4;
        RestartReport report = RestartBoard(image, fail);
        EXPECT_EQ(report.outcome, RestartOutcome::NothingStaged);
        EXPECT_FALSE(report.modified);
        EXPECT_EQ(image.capsule.lastStatus, 2u);
        EXPECT_EQ(image.capsule.resetCount, 4u);
        EXPECT_EQ(FirmwareIdOf(image), BOARD_ID);
        EXPECT_TRUE(HasDetectionVariable(image));
    }
}
