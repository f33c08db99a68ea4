// CBiosCapsule through the registered server: loading images, firmware IDs and the
// compatibility rule, splash pictures, the badge and what the logo module supports.
#include "CapsuleTestSupport.h"

#include "FirmwareStore.h"

#include <oleauto.h>

using namespace capsuletest;

namespace {

constexpr HRESULT kBadFileName = static_cast<HRESULT>(0x82390006);
constexpr HRESULT kUnusable = static_cast<HRESULT>(0x82390001);
constexpr HRESULT kNoSplashModule = static_cast<HRESULT>(0x8239001F);
constexpr HRESULT kSplashNotPassed = static_cast<HRESULT>(0x82390021);
constexpr HRESULT kTooLarge = static_cast<HRESULT>(0x8239000D);
constexpr HRESULT kBadgeBeforeSplash = static_cast<HRESULT>(0x82390032);

const wchar_t kNotBio[] = L"Invalid BIO file for the specified operation.";
const wchar_t kNoSplashSupport[] = L"Error:  The BIOS file does not support splash screen customizations.";

std::wstring BiosId(IBiosCapsule* capsule)
{
    UniqueBstr id;
    EXPECT_EQ(capsule->get_BiosId(id.put()), S_OK);
    return id.c_str();
}

LONG SizeRemaining(IBiosCapsule* capsule)
{
    LONG remaining = 0;
    EXPECT_EQ(capsule->GetFlashSizeRemaining(&remaining), S_OK);
    return remaining;
}

DATE Date(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME parts = {year, month, 0, day, hour, minute, 0, 0};
    DATE date = 0;
    SystemTimeToVariantTime(&parts, &date);
    return date;
}

using LoadingTest = CapsuleTest;
using IdTest = CapsuleTest;
using SplashTest = CapsuleTest;
using BadgeTest = CapsuleTest;

} // namespace

TEST_F(LoadingTest, EmptyAndMissingNamesAreRefusedWithTheName)
{
    EXPECT_EQ(m_capsule->LoadBios(Bstr(L"").get()), kBadFileName);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  File  not found.");
    EXPECT_EQ(m_capsule->LoadBios(nullptr), kBadFileName);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  File  not found.");

    const std::wstring missing = m_board.Folder().File(L"missing.bio");
    GUID guid = {};
    EXPECT_EQ(m_capsule->LoadBios(Bstr(missing).get()), kBadFileName);
    EXPECT_EQ(TakeErrorDescription(&guid), L"Error:  File " + missing + L" not found.");
    EXPECT_EQ(guid, IID_IBiosCapsule);
}

TEST_F(LoadingTest, EmptyFileIsAReadError)
{
    const std::wstring empty = WriteBytes({}, L"empty.bio");
    EXPECT_EQ(m_capsule->LoadBios(Bstr(empty).get()), kUnusable);
    EXPECT_EQ(TakeErrorDescription(), L"An error occurred while reading the file:  " + empty +
                                          L".   Verify that the file is not invalid, corrupt, or set to read-only.");
}

TEST_F(LoadingTest, FilesThatAreNoEngineCapsuleAreInvalidBioFiles)
{
    const std::string text = "These are notes, not a firmware image.";
    EXPECT_EQ(m_capsule->LoadBios(Bstr(WriteBytes({text.begin(), text.end()}, L"notes.txt")).get()), kUnusable);
    EXPECT_EQ(TakeErrorDescription(), kNotBio);

    // A real capsule cut short, and one whose size field lies.
    std::vector<uint8_t> bytes = biotest::Serialize(BoardImage());
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
    EXPECT_EQ(m_capsule->LoadBios(Bstr(WriteBytes(cut, L"cut.bio")).get()), kUnusable);
    EXPECT_EQ(TakeErrorDescription(), kNotBio);
    biotest::PutU32(bytes, biotest::kImageSizeField, static_cast<uint32_t>(bytes.size() + 1));
    EXPECT_EQ(m_capsule->LoadBios(Bstr(WriteBytes(bytes, L"liar.bio")).get()), kUnusable);
    EXPECT_EQ(TakeErrorDescription(), kNotBio);
}

TEST_F(LoadingTest, AFailedLoadKeepsTheImageLoadedBefore)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    const std::string text = "not an image";
    EXPECT_EQ(m_capsule->LoadBios(Bstr(WriteBytes({text.begin(), text.end()}, L"bad.bio")).get()), kUnusable);
    EXPECT_EQ(BiosId(m_capsule.Get()), Wide(kImageId));

    // What is armed is still the good image, not the bytes that failed.
    ASSERT_EQ(m_capsule->InvokeCapsule(), S_OK);
    auto staged = std::make_shared<const std::vector<uint8_t>>(m_board.Load().capsule.image);
    biofile::CapsuleImage parsed;
    ASSERT_EQ(biofile::ParseCapsule(staged, parsed), biofile::BioStatus::Ok);
    EXPECT_EQ(parsed.firmwareId, kImageId);
}

TEST_F(LoadingTest, StreamsAreTakenFromTheirStartAndNullIsRefused)
{
    ComPtr<IStream> stream;
    ASSERT_HRESULT_SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    const std::vector<uint8_t> bytes = biotest::Serialize(BoardImage());
    ULONG written = 0;
    ASSERT_HRESULT_SUCCEEDED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written));
    EXPECT_EQ(m_capsule->LoadBiosStream(stream.Get()), S_OK);
    EXPECT_EQ(BiosId(m_capsule.Get()), Wide(kImageId));

    EXPECT_EQ(m_capsule->LoadBiosStream(nullptr), E_POINTER);
    EXPECT_EQ(TakeErrorDescription(), L"An internal error has occurred.");
}

TEST_F(IdTest, BiosIdAndDateComeFromTheImage)
{
    EXPECT_EQ(m_capsule->get_BiosId(nullptr), E_POINTER);
    UniqueBstr none;
    EXPECT_EQ(m_capsule->get_BiosId(none.put()), E_FAIL) << "no image loaded";
    EXPECT_EQ(TakeErrorDescription(), L"The BIOS ID could not be determined from the specified BIO file.");

    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    EXPECT_EQ(BiosId(m_capsule.Get()), L"DBZ7710H.86A.0052.2012.1107.1530");
    DATE date = 0;
    ASSERT_EQ(m_capsule->get_BiosDate(&date), S_OK);
    EXPECT_DOUBLE_EQ(date, Date(2012, 11, 7, 15, 30));
}

TEST_F(IdTest, DatesThatDoNotExistAreRefused)
{
    const char* invalid[] = {
        "DBZ7710H.86A.0052.2012.1307.1530", // month 13
        "DBZ7710H.86A.0052.2012.1131.1530", // 31 November
        "DBZ7710H.86A.0052.2013.0229.1530", // 29 February of a common year
        "DBZ7710H.86A.0052.2012.1107.2430", // hour 24
        "DBZ7710H.86A.0052.0000.1107.1530", // year 0
        "DBZ7710H.86A.0052.2012.1107.15",   // too short
    };
    for (const char* id : invalid) {
        biofile::CapsuleImage image = BoardImage();
        image.firmwareId = id;
        ASSERT_EQ(LoadImage(image), S_OK) << id;
        DATE date = 0;
        EXPECT_EQ(m_capsule->get_BiosDate(&date), E_FAIL) << id;
    }
    biofile::CapsuleImage leap = BoardImage();
    leap.firmwareId = "DBZ7710H.86A.0052.2012.0229.2359";
    ASSERT_EQ(LoadImage(leap), S_OK);
    DATE date = 0;
    EXPECT_EQ(m_capsule->get_BiosDate(&date), S_OK);
    EXPECT_DOUBLE_EQ(date, Date(2012, 2, 29, 23, 59));
}

TEST_F(IdTest, OnlyFamilyCodeAndFieldDecideCompatibility)
{
    VARIANT_BOOL compatible = VARIANT_TRUE;
    EXPECT_EQ(m_capsule->IsTargetBiosCompatible(nullptr), E_POINTER);

    ASSERT_EQ(LoadImage(BoardImage()), S_OK); // version and date differ from the board's
    EXPECT_EQ(m_capsule->IsTargetBiosCompatible(&compatible), S_OK);
    EXPECT_EQ(compatible, VARIANT_TRUE);

    biofile::CapsuleImage other = BoardImage();
    other.firmwareId = "DBZ7710H.86B.0052.2012.1107.1530";
    ASSERT_EQ(LoadImage(other), S_OK);
    EXPECT_EQ(m_capsule->IsTargetBiosCompatible(&compatible), S_OK);
    EXPECT_EQ(compatible, VARIANT_FALSE);
    EXPECT_EQ(TakeErrorDescription(), L"Error: Cannot flash BIOS because BIOS ID (DBZ7710H.86B.0052.2012.1107.1530)\n"
                                      L" doesn't match target system BIOS ID (DBZ7710H.86A.0042.2013.0312.1045)");

    other.firmwareId = "dbz7710h.86A.0052.2012.1107.1530";
    ASSERT_EQ(LoadImage(other), S_OK);
    EXPECT_EQ(m_capsule->IsTargetBiosCompatible(&compatible), S_OK);
    EXPECT_EQ(compatible, VARIANT_FALSE) << "case counts";
}

TEST_F(IdTest, IdsTooShortToNameAFamilyMatchNothing)
{
    // The board runs a short ID, and the image carries the very same short ID.
    ASSERT_TRUE(m_board.Update([](fwstore::StoreImage& image) {
        for (auto& variable : image.variables) {
            if (variable.name == L"FirmwareId") {
                variable.data.assign({'D', 'B', 'Z', '7'});
            }
        }
        return true;
    }));
    biofile::CapsuleImage image = BoardImage();
    image.firmwareId = "DBZ7";
    ASSERT_EQ(LoadImage(image), S_OK);
    VARIANT_BOOL compatible = VARIANT_TRUE;
    EXPECT_EQ(m_capsule->IsTargetBiosCompatible(&compatible), S_OK);
    EXPECT_EQ(compatible, VARIANT_FALSE);
}

TEST_F(IdTest, RunningIdIsReadUnderEitherVendorGuid)
{
    UniqueBstr id;
    EXPECT_EQ(m_capsule->GetBiosIdFromVariable(nullptr), E_POINTER);
    ASSERT_EQ(m_capsule->GetBiosIdFromVariable(id.put()), S_OK);
    EXPECT_EQ(std::wstring(id.c_str()), Wide(kBoardId));

    const GUID second = {0x5E559C23, 0x1FAA, 0x4AE1, {0x8D, 0x4A, 0xC6, 0xCF, 0x02, 0x6C, 0x76, 0x6F}};
    ASSERT_TRUE(m_board.Update([&](fwstore::StoreImage& image) {
        for (auto& variable : image.variables) {
            if (variable.name == L"FirmwareId") {
                variable.vendor = second;
                variable.data.assign({'S', 'E', 'C', 'O', 'N', 'D', '.', '8', '6', 'A', 0, 'x'});
            }
        }
        return true;
    }));
    ASSERT_EQ(m_capsule->GetBiosIdFromVariable(id.put()), S_OK);
    EXPECT_EQ(std::wstring(id.c_str()), L"SECOND.86A") << "the text ends at its first zero byte";

    ASSERT_TRUE(m_board.Update([](fwstore::StoreImage& image) {
        std::erase_if(image.variables, [](const auto& variable) { return variable.name == L"FirmwareId"; });
        return true;
    }));
    EXPECT_EQ(m_capsule->GetBiosIdFromVariable(id.put()), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"An error occurred while retrieving data from the system.");
    VARIANT_BOOL compatible = VARIANT_TRUE;
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    EXPECT_EQ(m_capsule->IsTargetBiosCompatible(&compatible), E_FAIL);
    EXPECT_EQ(compatible, VARIANT_FALSE);
}

TEST_F(SplashTest, PictureTakesRoomUntilRemoved)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    const LONG before = SizeRemaining(m_capsule.Get());
    const std::vector<uint8_t> picture = biotest::MakeBitmap(64, 48);
    ASSERT_EQ(m_capsule->SetSplash(Bstr(WriteBytes(picture, L"splash.bmp")).get()), S_OK);
    EXPECT_EQ(SizeRemaining(m_capsule.Get()), before - static_cast<LONG>(picture.size()));
    EXPECT_EQ(m_capsule->RemoveSplash(), S_OK);
    EXPECT_EQ(SizeRemaining(m_capsule.Get()), before);
}

TEST_F(SplashTest, BadNamesAndBadPicturesAreRefused)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    EXPECT_EQ(m_capsule->SetSplash(Bstr(L"").get()), E_INVALIDARG);
    EXPECT_EQ(TakeErrorDescription(), L"An invalid INI filename was specified.");
    EXPECT_EQ(m_capsule->SetSplash(Bstr(m_board.Folder().File(L"none.bmp")).get()), kBadFileName);
    TakeErrorDescription();

    const std::string text = "no picture";
    EXPECT_EQ(m_capsule->SetSplash(Bstr(WriteBytes({text.begin(), text.end()}, L"text.bmp")).get()), kSplashNotPassed);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  The specified splash image could not be installed.  "
                                      L"The flash update process has been aborted.");
    // Larger than the module's maximum picture (800 x 600).
    EXPECT_EQ(m_capsule->SetSplash(Bstr(WriteBytes(biotest::MakeBitmap(801, 10), L"wide.bmp")).get()),
              kSplashNotPassed);
    EXPECT_EQ(m_capsule->put_BadgeXPosition(1), kBadgeBeforeSplash) << "no picture went in";
}

TEST_F(SplashTest, APictureThatDoesNotFitStaysUntilRemoved)
{
    const std::vector<uint8_t> picture = biotest::MakeBitmap(100, 100);
    biofile::CapsuleImage image = BoardImage(4096);
    // Room for everything but 2048 bytes of the picture.
    image.flashAreaSize = static_cast<uint32_t>(biofile::UsedSize(image) + picture.size() - 2048);
    ASSERT_EQ(LoadImage(image), S_OK);
    const std::wstring path = WriteBytes(picture, L"large.bmp");
    EXPECT_EQ(m_capsule->SetSplash(Bstr(path).get()), kTooLarge);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  The specified splash image is too large.  "
                                      L"The flash update process has been aborted.");
    EXPECT_EQ(SizeRemaining(m_capsule.Get()), -2048);
    EXPECT_EQ(m_capsule->put_DisplayBadge(VARIANT_TRUE), S_OK) << "the splash counts as set";
    EXPECT_EQ(m_capsule->RemoveSplash(), S_OK);
    EXPECT_EQ(SizeRemaining(m_capsule.Get()), static_cast<LONG>(picture.size()) - 2048);
    EXPECT_EQ(m_capsule->put_DisplayBadge(VARIANT_TRUE), kBadgeBeforeSplash);
}

TEST_F(SplashTest, ImageWithoutLogoModuleOffersNoSplash)
{
    ASSERT_EQ(LoadImage(BoardImage(4096, false)), S_OK);
    EXPECT_EQ(m_capsule->SetSplash(Bstr(WriteBytes(biotest::MakeBitmap(8, 8), L"s.bmp")).get()), kNoSplashModule);
    EXPECT_EQ(TakeErrorDescription(), kNoSplashSupport);
    LONG x = 0;
    EXPECT_EQ(m_capsule->get_BadgeXPosition(&x), kNoSplashModule);
    EXPECT_EQ(m_capsule->RemoveSplash(), S_OK) << "nothing to remove";
    VARIANT_BOOL supported = VARIANT_TRUE;
    EXPECT_EQ(m_capsule->IsMaxResolutionSupported(&supported), S_OK);
    EXPECT_EQ(supported, VARIANT_FALSE);
    supported = VARIANT_TRUE;
    EXPECT_EQ(m_capsule->IsBadgeColorSupported(&supported), S_OK);
    EXPECT_EQ(supported, VARIANT_FALSE);
}

TEST_F(SplashTest, NothingToEditBeforeAnImageIsLoaded)
{
    EXPECT_EQ(m_capsule->SetSplashStream(nullptr), E_POINTER);
    LONG x = 0;
    EXPECT_EQ(m_capsule->get_BadgeXPosition(&x), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  Unexpected internal failure.");
}

TEST_F(SplashTest, LoadingAnotherImageStartsItsEditingAfresh)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    ASSERT_EQ(m_capsule->SetSplash(Bstr(WriteBytes(biotest::MakeBitmap(16, 16), L"s.bmp")).get()), S_OK);
    ASSERT_EQ(m_capsule->put_BadgeXPosition(5), S_OK);
    ASSERT_EQ(LoadImage(BoardImage(8192)), S_OK);
    // The new image has no picture: no badge, and its own logo module answers.
    EXPECT_EQ(m_capsule->put_BadgeXPosition(5), kBadgeBeforeSplash);
    LONG x = -1;
    EXPECT_EQ(m_capsule->get_BadgeXPosition(&x), S_OK);
    EXPECT_EQ(x, 0);
}

TEST_F(BadgeTest, BadgeNeedsASplashFirst)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    EXPECT_EQ(m_capsule->put_BadgeXPosition(40), kBadgeBeforeSplash);
    EXPECT_EQ(TakeErrorDescription(), L"Error:  Unexpected internal failure.");
    EXPECT_EQ(m_capsule->put_BadgeYPosition(40), kBadgeBeforeSplash);
    EXPECT_EQ(m_capsule->put_DisplayBadge(VARIANT_TRUE), kBadgeBeforeSplash);
    LONG x = -1;
    VARIANT_BOOL shown = VARIANT_TRUE;
    EXPECT_EQ(m_capsule->get_BadgeXPosition(&x), S_OK);
    EXPECT_EQ(m_capsule->get_DisplayBadge(&shown), S_OK);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(shown, VARIANT_FALSE);
}

TEST_F(BadgeTest, PlacingShowsAndShowingMovesHome)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    ASSERT_EQ(m_capsule->SetSplash(Bstr(WriteBytes(biotest::MakeBitmap(32, 32), L"s.bmp")).get()), S_OK);
    ASSERT_EQ(m_capsule->put_BadgeXPosition(40), S_OK);
    ASSERT_EQ(m_capsule->put_BadgeYPosition(30), S_OK);
    LONG x = 0, y = 0;
    VARIANT_BOOL shown = VARIANT_FALSE;
    EXPECT_EQ(m_capsule->get_DisplayBadge(&shown), S_OK);
    EXPECT_EQ(shown, VARIANT_TRUE);
    EXPECT_EQ(m_capsule->get_BadgeXPosition(&x), S_OK);
    EXPECT_EQ(m_capsule->get_BadgeYPosition(&y), S_OK);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 30);

    ASSERT_EQ(m_capsule->put_DisplayBadge(VARIANT_TRUE), S_OK);
    EXPECT_EQ(m_capsule->get_BadgeXPosition(&x), S_OK);
    EXPECT_EQ(m_capsule->get_BadgeYPosition(&y), S_OK);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // Outside the picture area the position is refused; the badge was shown before the
    // position was tried.
    ASSERT_EQ(m_capsule->put_DisplayBadge(VARIANT_FALSE), S_OK);
    EXPECT_EQ(m_capsule->put_BadgeXPosition(5000), E_FAIL);
    EXPECT_EQ(m_capsule->get_DisplayBadge(&shown), S_OK);
    EXPECT_EQ(shown, VARIANT_TRUE);
    EXPECT_EQ(m_capsule->get_BadgeXPosition(&x), S_OK);
    EXPECT_EQ(x, 0) << "the refused position changed nothing else";
}

TEST_F(BadgeTest, ColourIsBlackOrWhite)
{
    ASSERT_EQ(LoadImage(BoardImage()), S_OK);
    EBadge_Color color = EWhite;
    ASSERT_EQ(m_capsule->get_BadgeColor(&color), S_OK);
    EXPECT_EQ(color, EBlack);
    ASSERT_EQ(m_capsule->put_BadgeColor(static_cast<EBadge_Color>(5)), S_OK);
    ASSERT_EQ(m_capsule->get_BadgeColor(&color), S_OK);
    EXPECT_EQ(color, EWhite);
    ASSERT_EQ(m_capsule->put_BadgeColor(EBlack), S_OK);
    ASSERT_EQ(m_capsule->get_BadgeColor(&color), S_OK);
    EXPECT_EQ(color, EBlack);
}

TEST_F(BadgeTest, MaximumResolutionIsCappedAtWhatFirmwareShows)
{
    LONG width = 0, height = 0;
    VARIANT_BOOL supported = VARIANT_FALSE;
    ASSERT_EQ(LoadImage(BoardImage(4096, true, true, 1600, 1200)), S_OK);
    EXPECT_EQ(m_capsule->IsMaxResolutionSupported(&supported), S_OK);
    EXPECT_EQ(supported, VARIANT_TRUE);
    EXPECT_EQ(m_capsule->get_MaxResolutionX(&width), S_OK);
    EXPECT_EQ(m_capsule->get_MaxResolutionY(&height), S_OK);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 800);

    ASSERT_EQ(LoadImage(BoardImage(4096, true, true, 1024, 768)), S_OK);
    EXPECT_EQ(m_capsule->get_MaxResolutionX(&width), S_OK);
    EXPECT_EQ(m_capsule->get_MaxResolutionY(&height), S_OK);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);

    ASSERT_EQ(LoadImage(BoardImage(4096, true, false)), S_OK);
    EXPECT_EQ(m_capsule->IsMaxResolutionSupported(&supported), S_OK);
    EXPECT_EQ(supported, VARIANT_FALSE);
    EXPECT_EQ(m_capsule->IsBadgeColorSupported(&supported), S_OK);
    EXPECT_EQ(supported, VARIANT_FALSE);
    EXPECT_EQ(m_capsule->get_MaxResolutionX(&width), kNoSplashModule);
    EBadge_Color color = EBlack;
    EXPECT_EQ(m_capsule->get_BadgeColor(&color), kNoSplashModule);
    // The splash itself still works without the second interface.
    EXPECT_EQ(m_capsule->SetSplash(Bstr(WriteBytes(biotest::MakeBitmap(8, 8), L"s.bmp")).get()), S_OK);
}
