// The toolkit's one-request flash entry (CToolkit::FlashBIOS), driven in process on the
// emulated board.
#include "CapsuleTestSupport.h"

#include "toolkit/Toolkit.h"

using namespace capsuletest;

namespace {

class FlashEntryTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        ComPtr<IUnknown> classObject;
        ASSERT_HRESULT_SUCCEEDED(CreateToolkitClassObject(&classObject));
        ComPtr<IClassFactory> factory;
        ASSERT_HRESULT_SUCCEEDED(classObject.As(&factory));
        ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&m_toolkit)));
    }
    void TearDown() override
    {
        m_toolkit.Reset();
        BoardTest::TearDown();
    }

    HRESULT Flash(const std::wstring& bio, const std::wstring& splash, short badge = 0)
    {
        return static_cast<CToolkit*>(m_toolkit.Get())->FlashBIOS(Bstr(bio).get(), Bstr(splash).get(), badge);
    }

    biofile::CapsuleImage StagedImage() const
    {
        auto staged = std::make_shared<const std::vector<uint8_t>>(m_board.Load().capsule.image);
        biofile::CapsuleImage parsed;
        EXPECT_EQ(biofile::ParseCapsule(staged, parsed), biofile::BioStatus::Ok);
        return parsed;
    }

    ComPtr<IToolkit> m_toolkit;
};

} // namespace

TEST_F(FlashEntryTest, WithoutSplashTheLoadedBytesAreStagedUnchanged)
{
    // A gap before the firmware payload, which the engine would drop if it saved the image.
    std::vector<uint8_t> bytes = biotest::Serialize(BoardImage(4096, false));
    const size_t payload = biotest::GetU32(bytes, biotest::kModuleTable + biotest::kEntryOffset);
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(payload), 16, 0xEE);
    biotest::PutU32(bytes, biotest::kModuleTable + biotest::kEntryOffset, static_cast<uint32_t>(payload + 16));
    biotest::PutU32(bytes, biotest::kImageSizeField, static_cast<uint32_t>(bytes.size()));
    const std::wstring path = WriteBytes(bytes, L"image.bio");
    EventRecorder events(m_toolkit.Get());
    EXPECT_EQ(Flash(path, L""), S_OK);
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashStart), 1);
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashSuccess), 1);
    EXPECT_EQ(m_board.Load().capsule.state, fwstore::CAPSULE_ARMED);
    EXPECT_TRUE(m_board.Load().capsule.image == bytes);
    EXPECT_FALSE(DetectionVariable().has_value()) << "the command path writes no marker";
}

TEST_F(FlashEntryTest, ImageOfAnotherBoardIsRefusedAndNothingStaged)
{
    biofile::CapsuleImage image = BoardImage();
    image.firmwareId = "DBZ7710H.86B.0052.2012.1107.1530";
    EventRecorder events(m_toolkit.Get());
    EXPECT_EQ(Flash(WriteImage(image), L""), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"Error: Cannot flash BIOS because BIOS ID (DBZ7710H.86B.0052.2012.1107.1530)\n"
                                      L" doesn't match target system BIOS ID (DBZ7710H.86A.0042.2013.0312.1045)");
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashSuccess), 0);
    EXPECT_EQ(m_board.Load().capsule.state, fwstore::CAPSULE_EMPTY);
}

TEST_F(FlashEntryTest, SplashWithBadgeIsShownAtTheOrigin)
{
    const std::vector<uint8_t> picture = biotest::MakeBitmap(24, 24);
    EXPECT_EQ(Flash(WriteImage(BoardImage()), WriteBytes(picture, L"s.bmp"), -1), S_OK);
    const biofile::CapsuleImage staged = StagedImage();
    const auto logo = biofile::FindSplashModule(staged);
    ASSERT_TRUE(logo.has_value());
    const biofile::LogoContent& content = *staged.modules[*logo].logo;
    EXPECT_EQ(content.picture, picture);
    EXPECT_TRUE(content.badge.shown);
    EXPECT_EQ(content.badge.x, 0);
    EXPECT_EQ(content.badge.y, 0);

    EXPECT_EQ(Flash(WriteImage(BoardImage()), WriteBytes(picture, L"s.bmp"), 0), S_OK);
    EXPECT_FALSE(StagedImage().modules[*logo].logo->badge.shown);
}

TEST_F(FlashEntryTest, SplashTooLargeStagesNothing)
{
    const std::vector<uint8_t> picture = biotest::MakeBitmap(100, 100);
    biofile::CapsuleImage image = BoardImage();
    image.flashAreaSize = static_cast<uint32_t>(biofile::UsedSize(image) + picture.size() - 2048);
    EXPECT_EQ(Flash(WriteImage(image), WriteBytes(picture, L"s.bmp")), static_cast<HRESULT>(0x8239000D));
    EXPECT_EQ(TakeErrorDescription(), L"Error:  The specified splash image is too large.  "
                                      L"The flash update process has been aborted.");
    EXPECT_EQ(m_board.Load().capsule.state, fwstore::CAPSULE_EMPTY);
}

TEST_F(FlashEntryTest, MissingOrEmptyNamesAreInvalidArguments)
{
    EXPECT_EQ(Flash(L"", L""), E_INVALIDARG);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  Unexpected internal failure.");
    CToolkit* toolkit = static_cast<CToolkit*>(m_toolkit.Get());
    EXPECT_EQ(toolkit->FlashBIOS(nullptr, Bstr(L"").get(), 0), E_INVALIDARG);
    EXPECT_EQ(toolkit->FlashBIOS(Bstr(L"x.bio").get(), nullptr, 0), E_INVALIDARG);
    const std::wstring missing = m_board.Folder().File(L"missing.bio");
    EXPECT_EQ(Flash(missing, L""), static_cast<HRESULT>(0x82390006));
    EXPECT_EQ(TakeErrorDescription(), L"Error:  File " + missing + L" not found.");
}

TEST_F(FlashEntryTest, ImageWithoutLogoModuleTakesNoSplash)
{
    const std::wstring splash = WriteBytes(biotest::MakeBitmap(8, 8), L"s.bmp");
    EXPECT_EQ(Flash(WriteImage(BoardImage(4096, false)), splash), static_cast<HRESULT>(0x8239001F));
    EXPECT_EQ(TakeErrorDescription(), L"Error:  The BIOS file does not support splash screen customizations.");
    EXPECT_EQ(m_board.Load().capsule.state, fwstore::CAPSULE_EMPTY);
}
