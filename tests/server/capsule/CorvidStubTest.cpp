// CBiosCapsule beside a capsule-update library without InvokeCapsule and GetLastStatus.
#include "CapsuleTestSupport.h"

using namespace capsuletest;

using CorvidStubTest = CapsuleTest;

TEST_F(CorvidStubTest, MissingExportsAreReportedAsALibraryLoadError)
{
    VARIANT_BOOL successful = VARIANT_TRUE;
    EXPECT_EQ(m_capsule->IsFlashSuccessful(EFlashVerification_Low, &successful), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"Error loading Corvid.dll file.");
    EXPECT_EQ(successful, VARIANT_FALSE);

    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    EventRecorder events(m_toolkit.Get());
    EXPECT_EQ(m_capsule->InvokeCapsule(), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"Error loading Corvid.dll file.");
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashStart), 1);
    EXPECT_FALSE(DetectionVariable().has_value()) << "no marker for an update that cannot be armed";
}
