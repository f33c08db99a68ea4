#include "WeaveEngineSupport.h"

#include "CapsuleParser.h"

using namespace biotest;

TEST_F(WeaveEngineTest, RecognisesOnlyItsOwnCapsules)
{
    VARIANT_BOOL answer = VARIANT_TRUE;
    const std::vector<uint8_t> good = Serialize(MakeImage());
    ComPtr<IStream> stream = StreamOf(good);
    ASSERT_EQ(m_engine->CheckIfWeaveCapsule(stream.Get(), &answer), S_OK);
    EXPECT_EQ(answer, VARIANT_TRUE);
    EXPECT_EQ(StreamPosition(stream.Get()), 0u) << "the check leaves the stream where it was";

    const std::vector<std::vector<uint8_t>> foreign = {
        {}, MakeBitmap(8, 8), std::vector<uint8_t>(good.begin(), good.end() - 1), std::vector<uint8_t>(5000, 0xA5)};
    for (const auto& bytes : foreign) {
        answer = VARIANT_TRUE;
        EXPECT_EQ(m_engine->CheckIfWeaveCapsule(StreamOf(bytes).Get(), &answer), S_OK);
        EXPECT_EQ(answer, VARIANT_FALSE) << bytes.size() << " bytes";
    }
    EXPECT_EQ(m_engine->CheckIfWeaveCapsule(nullptr, &answer), E_POINTER);
    EXPECT_EQ(m_engine->CheckIfWeaveCapsule(stream.Get(), nullptr), E_POINTER);
}

TEST_F(WeaveEngineTest, AnswersTheFirmwareIdAndSizesOfTheLoadedImage)
{
    UniqueBstr id;
    LONG remaining = 0;
    EXPECT_EQ(m_engine->get_FirmwareId(id.put()), WEAVE_E_NOT_LOADED);
    EXPECT_EQ(m_engine->get_SizeRemaining(&remaining), WEAVE_E_NOT_LOADED);

    biofile::CapsuleImage image = MakeImage(1000);
    image.flashAreaSize = 5000;
    Load(image);
    ASSERT_EQ(m_engine->get_FirmwareId(id.put()), S_OK);
    EXPECT_STREQ(id.c_str(), L"ABCDEFGH.86A.0052.2012.1107.1530");
    EXPECT_EQ(SizeRemaining(), 5000 - 1000 - 32);
    LONG size = 0;
    ASSERT_EQ(m_engine->get_ImageSize(&size), S_OK);
    EXPECT_EQ(static_cast<size_t>(size), Serialize(image).size());
}

TEST_F(WeaveEngineTest, MalformedImageFailsAndKeepsThePreviousImage)
{
    Load(MakeImage());
    std::vector<uint8_t> bad = Serialize(MakeImage());
    PutU32(bad, kModuleTable + kEntrySize, 0xFFFFFFFFu);
    EXPECT_EQ(m_engine->LoadWeaveCapsule(StreamOf(bad).Get()), WEAVE_E_BAD_CAPSULE);
    EXPECT_EQ(m_engine->LoadWeaveCapsule(StreamOf({}).Get()), WEAVE_E_BAD_CAPSULE);
    EXPECT_EQ(m_engine->LoadWeaveCapsule(nullptr), E_POINTER);
    UniqueBstr id;
    EXPECT_EQ(m_engine->get_FirmwareId(id.put()), S_OK);
    EXPECT_STREQ(id.c_str(), L"ABCDEFGH.86A.0052.2012.1107.1530");
}

TEST_F(WeaveEngineTest, ModuleCursorWalksTheModulesInOrder)
{
    Load(MakeImage());
    ComPtr<IWeaveModules> modules;
    ASSERT_EQ(m_engine->GetCapsuleModules(&modules), S_OK);
    ComPtr<IWeaveModule> module;
    EXPECT_EQ(modules->GetCurrent(&module), WEAVE_E_NO_CURRENT) << "starts before the first module";
    VARIANT_BOOL more = VARIANT_FALSE;
    LONG type = -1;
    VARIANT_BOOL splash = VARIANT_TRUE;
    ASSERT_EQ(modules->raw_MoveNext(&more), S_OK);
    ASSERT_EQ(more, VARIANT_TRUE);
    ASSERT_EQ(modules->GetCurrent(&module), S_OK);
    EXPECT_EQ(module->get_type(&type), S_OK);
    EXPECT_EQ(type, WEAVE_MODULE_TYPE_FIRMWARE);
    EXPECT_EQ(module->get_SplashCapable(&splash), S_OK);
    EXPECT_EQ(splash, VARIANT_FALSE);
    ComPtr<IWeaveLogoModule> notLogo;
    EXPECT_EQ(module.As(&notLogo), E_NOINTERFACE);

    ASSERT_EQ(modules->raw_MoveNext(&more), S_OK);
    ASSERT_EQ(more, VARIANT_TRUE);
    ASSERT_EQ(modules->GetCurrent(&module), S_OK);
    EXPECT_EQ(module->get_type(&type), S_OK);
    EXPECT_EQ(type, WEAVE_MODULE_TYPE_LOGO);
    EXPECT_EQ(module->get_SplashCapable(&splash), S_OK);
    EXPECT_EQ(splash, VARIANT_TRUE);

    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(modules->raw_MoveNext(&more), S_OK);
        EXPECT_EQ(more, VARIANT_FALSE);
    }
    EXPECT_EQ(modules->GetCurrent(&module), WEAVE_E_NO_CURRENT);
    EXPECT_EQ(modules->Reset(), S_OK);
    EXPECT_EQ(modules->raw_MoveNext(&more), S_OK);
    EXPECT_EQ(more, VARIANT_TRUE);
}

TEST_F(WeaveEngineTest, ImageWithoutLogoModuleHasNoSplashModule)
{
    Load(MakeImage(256, false));
    ComPtr<IWeaveLogoModule> logo;
    EXPECT_EQ(FindLogoModule(&logo), S_FALSE);
}

TEST_F(WeaveEngineTest, LogoInterfacesChainByQueryAndShareOneIdentity)
{
    Load(MakeImage());
    ComPtr<IWeaveLogoModule> logo;
    ASSERT_EQ(FindLogoModule(&logo), S_OK);
    ComPtr<IWeaveSplashSite> site;
    ASSERT_EQ(logo.As(&site), S_OK);
    ComPtr<LogoModule2> logo2;
    ASSERT_EQ(site.As(&logo2), S_OK);
    ComPtr<IUnknown> a, b, c;
    logo.As(&a);
    site.As(&b);
    logo2.As(&c);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(b.Get(), c.Get());
    ComPtr<IWeaveLogoModule> back;
    ASSERT_EQ(logo2.As(&back), S_OK);
    EXPECT_EQ(back.Get(), logo.Get());
}

TEST_F(WeaveEngineTest, LogoModuleWithoutLogoModule2RefusesIt)
{
    Load(MakeImage(256, true, false));
    ComPtr<IWeaveLogoModule> logo;
    ASSERT_EQ(FindLogoModule(&logo), S_OK);
    ComPtr<IWeaveSplashSite> site;
    ASSERT_EQ(logo.As(&site), S_OK);
    ComPtr<LogoModule2> logo2;
    EXPECT_EQ(site.As(&logo2), E_NOINTERFACE);
}

// The slot numbers are the ones the server's tables name; a reordered IDL breaks this.
TEST_F(WeaveEngineTest, VtableSlotsMatchTheCallersTables)
{
    const std::vector<uint8_t> bytes = Serialize(MakeImage(100));
    ComPtr<IStream> stream = StreamOf(bytes);
    VARIANT_BOOL answer = VARIANT_FALSE;
    ASSERT_EQ(CallSlot(m_engine.Get(), 10, stream.Get(), &answer), S_OK);
    EXPECT_EQ(answer, VARIANT_TRUE);
    ASSERT_EQ(CallSlot(m_engine.Get(), 11, stream.Get()), S_OK);
    UniqueBstr id;
    ASSERT_EQ(CallSlot(m_engine.Get(), 22, id.put()), S_OK);
    EXPECT_STREQ(id.c_str(), L"ABCDEFGH.86A.0052.2012.1107.1530");
    LONG remaining = 0;
    ASSERT_EQ(CallSlot(m_engine.Get(), 24, &remaining), S_OK);
    EXPECT_EQ(remaining, 64 * 1024 - 100 - 32);

    IWeaveModules* modules = nullptr;
    ASSERT_EQ(CallSlot(m_engine.Get(), 18, &modules), S_OK);
    ComPtr<IWeaveModules> owned;
    *owned.ReleaseAndGetAddressOf() = modules;
    EXPECT_EQ(CallSlot(modules, 7), S_OK);
    VARIANT_BOOL more = VARIANT_FALSE;
    ASSERT_EQ(CallSlot(modules, 8, &more), S_OK);
    ASSERT_EQ(CallSlot(modules, 8, &more), S_OK);
    IWeaveModule* module = nullptr;
    ASSERT_EQ(CallSlot(modules, 9, &module), S_OK);
    ComPtr<IWeaveModule> ownedModule;
    *ownedModule.ReleaseAndGetAddressOf() = module;
    LONG type = -1;
    VARIANT_BOOL splash = VARIANT_FALSE;
    EXPECT_EQ(CallSlot(module, 8, &type), S_OK);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(CallSlot(module, 13, &splash), S_OK);
    EXPECT_EQ(splash, VARIANT_TRUE);

    ComPtr<IWeaveLogoModule> logo;
    ASSERT_EQ(ownedModule.As(&logo), S_OK);
    LONG value = -1;
    EXPECT_EQ(CallSlot(logo.Get(), 12, VARIANT_BOOL{1}), S_OK);
    EXPECT_EQ(CallSlot(logo.Get(), 8, LONG{40}), S_OK);
    EXPECT_EQ(CallSlot(logo.Get(), 10, LONG{30}), S_OK);
    EXPECT_EQ(CallSlot(logo.Get(), 7, &value), S_OK);
    EXPECT_EQ(value, 40);
    EXPECT_EQ(CallSlot(logo.Get(), 9, &value), S_OK);
    EXPECT_EQ(value, 30);
    EXPECT_EQ(CallSlot(logo.Get(), 11, &splash), S_OK);
    EXPECT_EQ(splash, VARIANT_TRUE);

    ComPtr<IWeaveSplashSite> site;
    ASSERT_EQ(logo.As(&site), S_OK);
    ComPtr<IStream> picture = StreamOf(MakeBitmap(20, 10));
    EXPECT_EQ(CallSlot(site.Get(), 14, picture.Get()), S_OK);
    EXPECT_EQ(SizeRemaining(), 64 * 1024 - 100 - 32 - static_cast<LONG>(MakeBitmap(20, 10).size()));
    EXPECT_EQ(CallSlot(site.Get(), 16), S_OK);
    EXPECT_EQ(SizeRemaining(), 64 * 1024 - 100 - 32);

    ComPtr<LogoModule2> logo2;
    ASSERT_EQ(site.As(&logo2), S_OK);
    EXPECT_EQ(CallSlot(logo2.Get(), 13, &value), S_OK);
    EXPECT_EQ(value, 800);
    EXPECT_EQ(CallSlot(logo2.Get(), 14, &value), S_OK);
    EXPECT_EQ(value, 600);
    EXPECT_EQ(CallSlot(logo2.Get(), 16, LONG{1}), S_OK);
    EXPECT_EQ(CallSlot(logo2.Get(), 15, &value), S_OK);
    EXPECT_EQ(value, 1);

    ComPtr<IStream> saved = StreamOf({});
    EXPECT_EQ(CallSlot(m_engine.Get(), 12, saved.Get()), S_OK);
    EXPECT_FALSE(StreamBytes(saved.Get()).empty());
}

// Through IDispatch, as a script would call it: the type library matches the vtables.
TEST_F(WeaveEngineTest, LateBoundCallsReachTheSameMethods)
{
    Load(MakeImage());
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(m_engine.As(&dispatch), S_OK);
    UniqueVariant result;
    ASSERT_EQ(InvokeByName(dispatch.Get(), L"FirmwareId", DISPATCH_PROPERTYGET, {}, result.put()), S_OK);
    ASSERT_EQ(result->vt, VT_BSTR);
    EXPECT_STREQ(result->bstrVal, L"ABCDEFGH.86A.0052.2012.1107.1530");
    ASSERT_EQ(InvokeByName(dispatch.Get(), L"SizeRemaining", DISPATCH_PROPERTYGET, {}, result.put()), S_OK);
    EXPECT_EQ(result->vt, VT_I4);
    EXPECT_EQ(result->lVal, SizeRemaining());
}

// A module object of an earlier image must not edit an image that will never be saved.
TEST_F(WeaveEngineTest, ModulesOfAReplacedImageAreDetached)
{
    Load(MakeImage());
    ComPtr<IWeaveLogoModule> old;
    ASSERT_EQ(FindLogoModule(&old), S_OK);
    ComPtr<IWeaveModules> oldModules;
    ASSERT_EQ(m_engine->GetCapsuleModules(&oldModules), S_OK);
    Load(MakeImage());
    EXPECT_EQ(old->put_BadgeShown(VARIANT_TRUE), WEAVE_E_DETACHED);
    VARIANT_BOOL more = VARIANT_FALSE;
    EXPECT_EQ(oldModules->raw_MoveNext(&more), WEAVE_E_DETACHED);
    ComPtr<IWeaveLogoModule> fresh;
    ASSERT_EQ(FindLogoModule(&fresh), S_OK);
    EXPECT_EQ(fresh->put_BadgeShown(VARIANT_TRUE), S_OK);
}

TEST_F(WeaveEngineTest, FirmwareIdCanBeReplacedOnlyByValidText)
{
    Load(MakeImage());
    UniqueBstr text = UniqueBstr::From(L"NEWBOARD.86A.0001.2020.0101.0000");
    EXPECT_EQ(m_engine->put_FirmwareId(text.get()), S_OK);
    UniqueBstr bad = UniqueBstr::From(L"caf\x00e9");
    EXPECT_EQ(m_engine->put_FirmwareId(bad.get()), E_INVALIDARG);
    EXPECT_EQ(m_engine->put_FirmwareId(nullptr), E_INVALIDARG);
    UniqueBstr id;
    ASSERT_EQ(m_engine->get_FirmwareId(id.put()), S_OK);
    EXPECT_STREQ(id.c_str(), L"NEWBOARD.86A.0001.2020.0101.0000");
}
