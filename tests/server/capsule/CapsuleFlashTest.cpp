// Arming updates and verifying them on the emulated board: events, the detection variable,
// the verification levels across emulated restarts, the library's statuses, large images,
// and the toolkit's BiosCapsule property.
#include "CapsuleTestSupport.h"

#include "FirmwareStore.h"

using namespace capsuletest;
using fwstore::StoreOperation;

namespace {

const std::string kDetectionData = std::string("QRVFlashDetectionStatus") + '\0';

class FlashTest : public CapsuleTest {
protected:
    // Loads a compatible image and arms it at `level`; OnFlashStart must come once.
    void Arm(EFlashVerificationLevel level, const biofile::CapsuleImage& image = BoardImage())
    {
        ASSERT_EQ(LoadImage(image), S_OK);
        VARIANT_BOOL compatible = VARIANT_FALSE;
        ASSERT_EQ(m_capsule->IsTargetBiosCompatible(&compatible), S_OK);
        ASSERT_EQ(compatible, VARIANT_TRUE);
        ASSERT_EQ(m_capsule->SetFlashStatus(level), S_OK);
        EventRecorder events(m_toolkit.Get());
        ASSERT_EQ(m_capsule->InvokeCapsule(), S_OK);
        EXPECT_EQ(events.Count(EventRecorder::kOnFlashStart), 1);
        EXPECT_EQ(m_board.Load().capsule.state, fwstore::CAPSULE_ARMED);
    }

    // A new capsule object (as after a restart) asked at `level`.
    VARIANT_BOOL Verify(EFlashVerificationLevel level, int* successEvents = nullptr)
    {
        RenewCapsule();
        EventRecorder events(m_toolkit.Get());
        VARIANT_BOOL successful = VARIANT_TRUE;
        EXPECT_EQ(m_capsule->IsFlashSuccessful(level, &successful), S_OK);
        if (successEvents) {
            *successEvents = events.Count(EventRecorder::kOnFlashSuccess);
        }
        return successful;
    }
};

} // namespace

TEST_F(FlashTest, NothingToInvokeBeforeAnImageIsLoaded)
{
    EventRecorder events(m_toolkit.Get());
    EXPECT_EQ(m_capsule->InvokeCapsule(), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  Unexpected internal failure.");
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashStart), 0);
    EXPECT_EQ(m_board.Load().capsule.state, fwstore::CAPSULE_EMPTY);
}

TEST_F(FlashTest, HighLevelCycleAppliesTheImageAndReportsSuccess)
{
    const biofile::CapsuleImage image = BoardImage();
    Arm(EFlashVerification_High, image);
    EXPECT_EQ(m_board.Load().capsule.image, biotest::Serialize(image)) << "an unedited image is staged as it was";
    auto detection = DetectionVariable();
    ASSERT_TRUE(detection.has_value());
    EXPECT_EQ(std::string(detection->begin(), detection->end()), kDetectionData);

    ASSERT_EQ(RunFwsim(L"reboot"), 0);
    EXPECT_EQ(BoardFirmwareId(), kImageId);
    EXPECT_FALSE(DetectionVariable().has_value()) << "firmware removed the marker";
    int successEvents = 0;
    EXPECT_EQ(Verify(EFlashVerification_High, &successEvents), VARIANT_TRUE);
    EXPECT_EQ(successEvents, 1);
}

TEST_F(FlashTest, FailedFlashIsReportedAtEveryLevelAndTheMarkerDeleted)
{
    Arm(EFlashVerification_High);
    ASSERT_EQ(RunFwsim(L"reboot --fail"), 0);
    EXPECT_EQ(BoardFirmwareId(), kBoardId);
    ASSERT_TRUE(DetectionVariable().has_value());

    int successEvents = -1;
    EXPECT_EQ(Verify(EFlashVerification_High, &successEvents), VARIANT_FALSE);
    EXPECT_EQ(successEvents, 0);
    EXPECT_FALSE(DetectionVariable().has_value()) << "deleted by the verification";
    // Without the marker the library's last status decides, at every level.
    EXPECT_EQ(Verify(EFlashVerification_High), VARIANT_FALSE);
    EXPECT_EQ(Verify(EFlashVerification_Medium), VARIANT_FALSE);
    EXPECT_EQ(Verify(EFlashVerification_Low), VARIANT_FALSE);
}

TEST_F(FlashTest, BeforeTheRestartTheMarkerSaysNotFlashed)
{
    Arm(EFlashVerification_High);
    EXPECT_EQ(Verify(EFlashVerification_Medium), VARIANT_FALSE);
    EXPECT_FALSE(DetectionVariable().has_value());
}

TEST_F(FlashTest, LowerLevelsWriteNoMarker)
{
    Arm(EFlashVerification_Medium);
    EXPECT_FALSE(DetectionVariable().has_value());
    ASSERT_EQ(RunFwsim(L"reboot"), 0);
    EXPECT_EQ(Verify(EFlashVerification_Medium), VARIANT_TRUE);

    // A level outside 1 to 3 is kept as given; only High writes the marker.
    ASSERT_EQ(m_capsule->SetFlashStatus(static_cast<EFlashVerificationLevel>(7)), S_OK);
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    ASSERT_EQ(m_capsule->InvokeCapsule(), S_OK);
    EXPECT_FALSE(DetectionVariable().has_value());
    ASSERT_EQ(RunFwsim(L"reboot --fail"), 0);
    EXPECT_EQ(Verify(EFlashVerification_Low), VARIANT_FALSE);
}

TEST_F(FlashTest, LibraryStatusesBecomeResultsAndDescriptions)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    m_board.ArmFault(StoreOperation::InvokeCapsule, 10);
    EXPECT_EQ(m_capsule->InvokeCapsule(), S_OK) << "driver not uninstalled is a success";

    m_board.ArmFault(StoreOperation::InvokeCapsule, 14);
    EXPECT_EQ(m_capsule->InvokeCapsule(), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"An unknown error has occurred.");

    m_board.ArmFault(StoreOperation::PrepareCapsule, 2);
    EXPECT_EQ(m_capsule->InvokeCapsule(), static_cast<HRESULT>(0x8239000E));
    EXPECT_EQ(TakeErrorDescription(), L"A driver failed to load.  Verify that all required files are present.");

    m_board.ArmFault(StoreOperation::PrepareCapsule, 6);
    EXPECT_EQ(m_capsule->InvokeCapsule(), E_OUTOFMEMORY);
    EXPECT_EQ(TakeErrorDescription(), L"The application ran out of memory.");

    m_board.ArmFault(StoreOperation::GetLastStatus, 11);
    VARIANT_BOOL successful = VARIANT_TRUE;
    EXPECT_EQ(m_capsule->IsFlashSuccessful(EFlashVerification_Low, &successful), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"A driver communication error occurred.  Verify that all required files are present.");
    EXPECT_EQ(successful, VARIANT_FALSE);
}

// The library still remembers the earlier update's success; only the marker, which no
// firmware removed, tells that the second update never ran.
TEST_F(FlashTest, AnArmThatFailedAfterASuccessfulUpdateIsNotReportedAsFlashed)
{
    Arm(EFlashVerification_High);
    ASSERT_EQ(RunFwsim(L"reboot"), 0);
    ASSERT_EQ(Verify(EFlashVerification_High), VARIANT_TRUE);

    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    ASSERT_EQ(m_capsule->SetFlashStatus(EFlashVerification_High), S_OK);
    m_board.ArmFault(StoreOperation::InvokeCapsule, 14);
    EXPECT_EQ(m_capsule->InvokeCapsule(), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"An unknown error has occurred.");
    EXPECT_TRUE(DetectionVariable().has_value()) << "the marker stays for the verification";
    ASSERT_EQ(RunFwsim(L"reboot"), 0);
    EXPECT_EQ(Verify(EFlashVerification_High), VARIANT_FALSE);
}

TEST_F(FlashTest, AMarkerThatCannotBeDeletedFailsTheVerification)
{
    Arm(EFlashVerification_High);
    m_board.ArmFault(StoreOperation::SetVariable, 5, L"QRVFlashDetectionStatus");
    VARIANT_BOOL successful = VARIANT_TRUE;
    EXPECT_EQ(m_capsule->IsFlashSuccessful(EFlashVerification_High, &successful), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"Unable to remove one or more components.");
    EXPECT_EQ(successful, VARIANT_FALSE);
    EXPECT_TRUE(DetectionVariable().has_value());
    EXPECT_EQ(m_capsule->IsFlashSuccessful(EFlashVerification_High, nullptr), E_POINTER);
}

TEST_F(FlashTest, MarkerFailureDoesNotStopTheUpdate)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    m_board.ArmFault(StoreOperation::SetVariable, 6, L"QRVFlashDetectionStatus");
    EXPECT_EQ(m_capsule->InvokeCapsule(), S_OK);
    EXPECT_EQ(m_board.Load().capsule.state, fwstore::CAPSULE_ARMED);
    EXPECT_FALSE(DetectionVariable().has_value());
}

TEST_F(FlashTest, SplashAndBadgeEditsReachTheStagedImage)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    const std::vector<uint8_t> picture = biotest::MakeBitmap(40, 20, 8);
    ASSERT_EQ(m_capsule->SetSplash(Bstr(WriteBytes(picture, L"s.bmp")).get()), S_OK);
    ASSERT_EQ(m_capsule->put_DisplayBadge(VARIANT_TRUE), S_OK);
    ASSERT_EQ(m_capsule->put_BadgeXPosition(12), S_OK);
    ASSERT_EQ(m_capsule->put_BadgeColor(EWhite), S_OK);
    ASSERT_EQ(m_capsule->InvokeCapsule(), S_OK);

    auto staged = std::make_shared<const std::vector<uint8_t>>(m_board.Load().capsule.image);
    biofile::CapsuleImage parsed;
    ASSERT_EQ(biofile::ParseCapsule(staged, parsed), biofile::BioStatus::Ok);
    const auto logo = biofile::FindSplashModule(parsed);
    ASSERT_TRUE(logo.has_value());
    const biofile::LogoContent& content = *parsed.modules[*logo].logo;
    EXPECT_EQ(content.picture, picture);
    EXPECT_TRUE(content.badge.shown);
    EXPECT_EQ(content.badge.x, 12);
    EXPECT_EQ(content.badge.y, 0);
    EXPECT_EQ(content.badge.color, biofile::kBadgeWhite);
}

TEST_F(FlashTest, ThirtyTwoMegabyteImageIsLoadedCheckedAndStaged)
{
    const biofile::CapsuleImage image = BoardImage(32u * 1024 * 1024);
    const std::vector<uint8_t> bytes = biotest::Serialize(image);
    Arm(EFlashVerification_High, image);
    const fwstore::StoreImage board = m_board.Load();
    EXPECT_EQ(board.capsule.image.size(), bytes.size());
    EXPECT_TRUE(board.capsule.image == bytes);
    ASSERT_EQ(RunFwsim(L"reboot"), 0);
    EXPECT_EQ(Verify(EFlashVerification_High), VARIANT_TRUE);
}

TEST_F(FlashTest, ToolkitHandsOutOneCapsuleUntilReset)
{
    ComPtr<IBiosCapsule> again;
    ASSERT_EQ(m_toolkit->get_BiosCapsule(&again), S_OK);
    EXPECT_EQ(again.Get(), m_capsule.Get());
    EXPECT_EQ(m_toolkit->get_BiosCapsule(nullptr), E_POINTER);

    ASSERT_EQ(m_capsule->SetFlashStatus(EFlashVerification_Low), S_OK);
    ASSERT_EQ(m_toolkit->Reset(), S_OK);
    ComPtr<IBiosCapsule> renewed;
    ASSERT_EQ(m_toolkit->get_BiosCapsule(&renewed), S_OK);
    EXPECT_NE(renewed.Get(), m_capsule.Get());

    // The capsule is also reachable by late binding, as scripts call it.
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(renewed.As(&dispatch));
    UniqueVariant result;
    EXCEPINFO exception = {};
    VARIANT name;
    VariantInit(&name);
    V_VT(&name) = VT_BSTR;
    V_BSTR(&name) = SysAllocString(L"");
    EXPECT_EQ(InvokeByName(dispatch.Get(), L"LoadBios", DISPATCH_METHOD, {name}, result.put(), &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, static_cast<HRESULT>(0x82390006));
    EXPECT_STREQ(exception.bstrDescription, L"Error:  File  not found.");
    VariantClear(&name);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
}

TEST_F(FlashTest, ResetReloadsTheCompanionsAndForgetsTheImage)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    ASSERT_EQ(m_capsule->Reset(), S_OK);
    EXPECT_EQ(m_capsule->InvokeCapsule(), E_FAIL) << "no image after Reset";
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    EXPECT_EQ(m_capsule->InvokeCapsule(), S_OK);
}
