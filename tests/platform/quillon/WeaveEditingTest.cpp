#include "WeaveEngineSupport.h"

#include "CapsuleParser.h"

#include <memory>

using namespace biotest;

namespace {

biofile::CapsuleImage ParseBytes(const std::vector<uint8_t>& bytes)
{
    biofile::CapsuleImage image;
    EXPECT_EQ(biofile::ParseCapsule(std::make_shared<const std::vector<uint8_t>>(bytes), image), biofile::BioStatus::Ok);
    return image;
}

} // namespace

TEST_F(WeaveEngineTest, SplashPictureTakesRoomAndCanBeRemoved)
{
    Load(MakeImage());
    const LONG before = SizeRemaining();
    ComPtr<IWeaveSplashSite> site = SplashSite();
    ASSERT_TRUE(site);
    const std::vector<uint8_t> picture = MakeBitmap(320, 200, 8);
    ASSERT_EQ(site->PutSplash(StreamOf(picture).Get()), S_OK);
    EXPECT_EQ(SizeRemaining(), before - static_cast<LONG>(picture.size()));
    LONG width = 0, height = 0;
    EXPECT_EQ(site->get_SplashWidth(&width), S_OK);
    EXPECT_EQ(site->get_SplashHeight(&height), S_OK);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    ComPtr<IStream> copy = StreamOf({});
    EXPECT_EQ(site->GetSplash(copy.Get()), S_OK);
    EXPECT_EQ(StreamBytes(copy.Get()), picture);

    ASSERT_EQ(site->RemoveSplash(), S_OK);
    EXPECT_EQ(SizeRemaining(), before);
    VARIANT_BOOL present = VARIANT_TRUE;
    EXPECT_EQ(site->get_HasSplash(&present), S_OK);
    EXPECT_EQ(present, VARIANT_FALSE);
    EXPECT_EQ(site->RemoveSplash(), S_OK) << "removing nothing is not a failure";
}

TEST_F(WeaveEngineTest, PicturesThatAreNotBitmapsOrTooLargeAreRefused)
{
    Load(MakeImage()); // maximum picture size 800x600
    ComPtr<IWeaveSplashSite> site = SplashSite();
    ASSERT_TRUE(site);
    const LONG before = SizeRemaining();
    EXPECT_EQ(site->PutSplash(StreamOf(std::vector<uint8_t>(4000, 'x')).Get()), WEAVE_E_BAD_PICTURE);
    EXPECT_EQ(site->PutSplash(StreamOf({}).Get()), WEAVE_E_BAD_PICTURE);
    std::vector<uint8_t> truncated = MakeBitmap(100, 100);
    truncated.resize(truncated.size() - 1);
    EXPECT_EQ(site->PutSplash(StreamOf(truncated).Get()), WEAVE_E_BAD_PICTURE);
    EXPECT_EQ(site->PutSplash(StreamOf(MakeBitmap(801, 10, 1)).Get()), WEAVE_E_PICTURE_TOO_LARGE);
    EXPECT_EQ(site->PutSplash(StreamOf(MakeBitmap(10, 601, 1)).Get()), WEAVE_E_PICTURE_TOO_LARGE);
    EXPECT_EQ(site->PutSplash(nullptr), E_POINTER);
    EXPECT_EQ(SizeRemaining(), before) << "a refused picture changes nothing";
    EXPECT_EQ(site->PutSplash(StreamOf(MakeBitmap(800, 600, 1)).Get()), S_OK);
}

// The engine places a picture that leaves the flash area too small; the answer turns
// negative by exactly the excess, and the caller decides.
TEST_F(WeaveEngineTest, PictureTooBigForTheFlashAreaMakesRemainingNegative)
{
    const std::vector<uint8_t> picture = MakeBitmap(64, 64); // 12342 bytes
    biofile::CapsuleImage image = MakeImage(1000);
    image.flashAreaSize = static_cast<uint32_t>(1000 + 32 + picture.size() - 2048);
    Load(image);
    ComPtr<IWeaveSplashSite> site = SplashSite();
    ASSERT_TRUE(site);
    ASSERT_EQ(site->PutSplash(StreamOf(picture).Get()), S_OK);
    EXPECT_EQ(SizeRemaining(), -2048);
    ASSERT_EQ(site->RemoveSplash(), S_OK);
    EXPECT_GT(SizeRemaining(), 0);
}

TEST_F(WeaveEngineTest, BadgeSettingsAreStoredAndChecked)
{
    Load(MakeImage());
    ComPtr<IWeaveLogoModule> logo;
    ASSERT_EQ(FindLogoModule(&logo), S_OK);
    VARIANT_BOOL shown = VARIANT_TRUE;
    EXPECT_EQ(logo->get_BadgeShown(&shown), S_OK);
    EXPECT_EQ(shown, VARIANT_FALSE);
    EXPECT_EQ(logo->put_BadgeShown(1), S_OK); // the plain 1 that callers pass
    EXPECT_EQ(logo->get_BadgeShown(&shown), S_OK);
    EXPECT_EQ(shown, VARIANT_TRUE);
    EXPECT_EQ(logo->put_BadgeXPosition(799), S_OK);
    EXPECT_EQ(logo->put_BadgeXPosition(800), E_INVALIDARG);
    EXPECT_EQ(logo->put_BadgeYPosition(-1), E_INVALIDARG);
    LONG x = 0;
    EXPECT_EQ(logo->get_BadgeXPosition(&x), S_OK);
    EXPECT_EQ(x, 799) << "a refused position keeps the old one";

    ComPtr<LogoModule2> logo2;
    ASSERT_EQ(logo.As(&logo2), S_OK);
    LONG color = -1;
    EXPECT_EQ(logo2->put_BadgeColor(5), E_INVALIDARG);
    EXPECT_EQ(logo2->get_BadgeColor(&color), S_OK);
    EXPECT_EQ(color, 0);
    EXPECT_EQ(logo2->put_BadgeColor(1), S_OK);
    EXPECT_EQ(logo2->get_BadgeColor(&color), S_OK);
    EXPECT_EQ(color, 1);
}

TEST_F(WeaveEngineTest, MaximumResolutionIsReportedAsStored)
{
    biofile::CapsuleImage image = MakeImage();
    image.modules[1].logo->maxWidth = 1600;
    image.modules[1].logo->maxHeight = 1200;
    Load(image);
    ComPtr<IWeaveLogoModule> logo;
    ASSERT_EQ(FindLogoModule(&logo), S_OK);
    ComPtr<LogoModule2> logo2;
    ASSERT_EQ(logo.As(&logo2), S_OK);
    LONG width = 0, height = 0;
    EXPECT_EQ(logo2->get_MaxResolutionX(&width), S_OK);
    EXPECT_EQ(logo2->get_MaxResolutionY(&height), S_OK);
    EXPECT_EQ(width, 1600); // the caller caps it for its clients
    EXPECT_EQ(height, 1200);
}

TEST_F(WeaveEngineTest, SaveWritesTheEditsAndCutsTheOldTail)
{
    biofile::CapsuleImage image = MakeImage(500);
    image.modules[1].logo->picture = MakeBitmap(200, 100);
    Load(image);
    const size_t loadedSize = StreamBytes(m_stream.Get()).size();
    ComPtr<IWeaveLogoModule> logo;
    ASSERT_EQ(FindLogoModule(&logo), S_OK);
    ComPtr<IWeaveSplashSite> site;
    ASSERT_EQ(logo.As(&site), S_OK);
    ASSERT_EQ(site->RemoveSplash(), S_OK);
    ASSERT_EQ(logo->put_BadgeShown(VARIANT_TRUE), S_OK);
    ASSERT_EQ(logo->put_BadgeXPosition(40), S_OK);

    LARGE_INTEGER zero = {};
    m_stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(m_engine->SaveWeaveCapsule(m_stream.Get()), S_OK);
    const std::vector<uint8_t> saved = StreamBytes(m_stream.Get());
    EXPECT_LT(saved.size(), loadedSize);
    LONG imageSize = 0;
    EXPECT_EQ(m_engine->get_ImageSize(&imageSize), S_OK);
    EXPECT_EQ(saved.size(), static_cast<size_t>(imageSize)) << "the stream ends where the image ends";

    const biofile::CapsuleImage reread = ParseBytes(saved);
    ASSERT_EQ(reread.modules.size(), 2u);
    EXPECT_TRUE(reread.modules[1].logo->picture.empty());
    EXPECT_TRUE(reread.modules[1].logo->badge.shown);
    EXPECT_EQ(reread.modules[1].logo->badge.x, 40);
    const auto body = reread.modules[0].payload.Bytes();
    const auto original = image.modules[0].payload.Bytes();
    EXPECT_TRUE(std::equal(body.begin(), body.end(), original.begin(), original.end()));
}

TEST_F(WeaveEngineTest, SaveWithoutImageFails)
{
    ComPtr<IStream> stream = StreamOf({});
    EXPECT_EQ(m_engine->SaveWeaveCapsule(stream.Get()), WEAVE_E_NOT_LOADED);
    EXPECT_TRUE(StreamBytes(stream.Get()).empty());
    Load(MakeImage());
    EXPECT_EQ(m_engine->SaveWeaveCapsule(nullptr), E_POINTER);
}

TEST_F(WeaveEngineTest, ThirtyTwoMegabyteImageLoadsEditsAndSaves)
{
    biofile::CapsuleImage image = MakeImage(32 * 1024 * 1024);
    image.flashAreaSize = 33 * 1024 * 1024;
    const std::vector<uint8_t> bytes = Serialize(image);
    m_stream = StreamOf(bytes);
    VARIANT_BOOL answer = VARIANT_FALSE;
    ASSERT_EQ(m_engine->CheckIfWeaveCapsule(m_stream.Get(), &answer), S_OK);
    ASSERT_EQ(answer, VARIANT_TRUE);
    ASSERT_EQ(m_engine->LoadWeaveCapsule(m_stream.Get()), S_OK);
    ComPtr<IWeaveSplashSite> site = SplashSite();
    ASSERT_TRUE(site);
    ASSERT_EQ(site->PutSplash(StreamOf(MakeBitmap(640, 480)).Get()), S_OK);
    ComPtr<IStream> saved = StreamOf({});
    ASSERT_EQ(m_engine->SaveWeaveCapsule(saved.Get()), S_OK);
    const std::vector<uint8_t> written = StreamBytes(saved.Get());
    EXPECT_EQ(written.size(), bytes.size() + MakeBitmap(640, 480).size());
    EXPECT_TRUE(std::equal(bytes.begin() + 108, bytes.end() - 32, written.begin() + 108)) << "firmware body unchanged";
}
