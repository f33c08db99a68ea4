// The toolkit's one-request flash entry, as a command-line front end reaches it: through
// IToolkitInternal of the toolkit made in process, on the emulated board.
#include "CapsuleTestSupport.h"

#include "frame/EventTarget.h"
#include "frame/ResultCodes.h"
#include "toolkit/Toolkit.h"
#include "toolkit/ToolkitInternal.h"

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
        ASSERT_HRESULT_SUCCEEDED(m_toolkit.As(&m_internal));
    }
    void TearDown() override
    {
        m_internal.Reset();
        m_toolkit.Reset();
        BoardTest::TearDown();
    }

    HRESULT Flash(const std::wstring& bio, const std::wstring& splash, short badge = VARIANT_FALSE)
    {
        return m_internal->FlashBIOS(Bstr(bio).get(), Bstr(splash).get(), badge);
    }

    biofile::CapsuleImage StagedImage() const
    {
        auto staged = std::make_shared<const std::vector<uint8_t>>(m_board.Load().capsule.image);
        biofile::CapsuleImage parsed;
        EXPECT_EQ(biofile::ParseCapsule(staged, parsed), biofile::BioStatus::Ok);
        return parsed;
    }
    bool NothingStaged() const
    {
        const fwstore::StoreImage board = m_board.Load();
        return board.capsule.state == fwstore::CAPSULE_EMPTY && board.capsule.image.empty();
    }

    ComPtr<IToolkit> m_toolkit;
    ComPtr<IToolkitInternal> m_internal;
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
    GUID guid{};
    EXPECT_EQ(TakeErrorDescription(&guid),
              L"Error: Cannot flash BIOS because BIOS ID (DBZ7710H.86B.0052.2012.1107.1530)\n"
              L" doesn't match target system BIOS ID (DBZ7710H.86A.0042.2013.0312.1045)");
    EXPECT_EQ(guid, IID_IToolkit);
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashStart), 1);
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashSuccess), 0);
    EXPECT_TRUE(NothingStaged());
}

TEST_F(FlashEntryTest, SplashWithBadgeIsShownAtTheOrigin)
{
    // The image's logo module keeps its badge elsewhere and hidden.
    biofile::CapsuleImage image = BoardImage();
    image.modules.back().logo->badge = {12, 9, false, biofile::kBadgeBlack};
    const std::vector<uint8_t> picture = biotest::MakeBitmap(24, 24);
    EXPECT_EQ(Flash(WriteImage(image), WriteBytes(picture, L"s.bmp"), VARIANT_TRUE), S_OK);
    const biofile::CapsuleImage staged = StagedImage();
    const auto logo = biofile::FindSplashModule(staged);
    ASSERT_TRUE(logo.has_value());
    const biofile::LogoContent& content = *staged.modules[*logo].logo;
    EXPECT_EQ(content.picture, picture);
    EXPECT_TRUE(content.badge.shown);
    EXPECT_EQ(content.badge.x, 0);
    EXPECT_EQ(content.badge.y, 0);

    EXPECT_EQ(Flash(WriteImage(image), WriteBytes(picture, L"s.bmp"), VARIANT_FALSE), S_OK);
    EXPECT_EQ(StagedImage().modules[*logo].logo->picture, picture);
    EXPECT_FALSE(StagedImage().modules[*logo].logo->badge.shown);
}

TEST_F(FlashEntryTest, SplashTooLargeStagesNothing)
{
    const std::vector<uint8_t> picture = biotest::MakeBitmap(100, 100);
    biofile::CapsuleImage image = BoardImage();
    image.flashAreaSize = static_cast<uint32_t>(biofile::UsedSize(image) + picture.size() - 2048);
    EventRecorder events(m_toolkit.Get());
    EXPECT_EQ(Flash(WriteImage(image), WriteBytes(picture, L"s.bmp")), static_cast<HRESULT>(0x8239000D));
    EXPECT_EQ(TakeErrorDescription(), L"Error:  The specified splash image is too large.  "
                                      L"The flash update process has been aborted.");
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashSuccess), 0);
    EXPECT_TRUE(NothingStaged());
}

TEST_F(FlashEntryTest, MissingOrEmptyNamesAreInvalidArguments)
{
    EventRecorder events(m_toolkit.Get());
    // An empty name reaches the flash, which refuses it before it reads anything.
    EXPECT_EQ(Flash(L"", WriteBytes(biotest::MakeBitmap(8, 8), L"s.bmp")), E_INVALIDARG);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  Unexpected internal failure.");
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashStart), 1);
    // A missing name is refused at the door.
    const std::wstring image = WriteImage(BoardImage());
    EXPECT_EQ(m_internal->FlashBIOS(nullptr, Bstr(L"").get(), 0), E_INVALIDARG);
    EXPECT_EQ(m_internal->FlashBIOS(Bstr(image).get(), nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashStart), 1);
    const std::wstring missing = m_board.Folder().File(L"missing.bio");
    EXPECT_EQ(Flash(missing, L""), static_cast<HRESULT>(0x82390006));
    EXPECT_EQ(TakeErrorDescription(), L"Error:  File " + missing + L" not found.");
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashSuccess), 0);
    EXPECT_TRUE(NothingStaged());
}

TEST_F(FlashEntryTest, ImageWithoutLogoModuleTakesNoSplash)
{
    const std::wstring splash = WriteBytes(biotest::MakeBitmap(8, 8), L"s.bmp");
    EXPECT_EQ(Flash(WriteImage(BoardImage(4096, false)), splash), static_cast<HRESULT>(0x8239001F));
    EXPECT_EQ(TakeErrorDescription(), L"Error:  The BIOS file does not support splash screen customizations.");
    EXPECT_TRUE(NothingStaged());
}

TEST_F(FlashEntryTest, AWarningLeftByAnEarlierCallIsReportedByTheFlashThatSucceeds)
{
    // Reading the board reports no warnings of its own; a handler of its first event stands
    // in for a part of the read that warns.
    EventRecorder events(m_toolkit.Get());
    events.Sink().onInvoke = [](DISPID id, DISPPARAMS*) {
        if (id == ToolkitEventId::OnExtractStart) {
            ToolkitEvents::RaiseWarning();
        }
    };
    ASSERT_EQ(m_toolkit->LoadConfigFromSystem(0x02), S_OK) << "the read itself reports none";

    biofile::CapsuleImage other = BoardImage();
    other.firmwareId = "DBZ7710H.86B.0052.2012.1107.1530";
    EXPECT_EQ(Flash(WriteImage(other, L"other.bio"), L""), E_FAIL) << "a failure keeps the warning";
    const std::wstring image = WriteImage(BoardImage());
    EXPECT_EQ(Flash(image, L""), ResultCode::S_WARNINGS);
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashSuccess), 1);
    EXPECT_EQ(m_board.Load().capsule.state, fwstore::CAPSULE_ARMED);
    EXPECT_EQ(Flash(image, L""), S_OK) << "the warning was taken";
    EXPECT_EQ(events.Count(EventRecorder::kOnFlashSuccess), 2);
}
