// The toolkit's configuration calls: loading an INI file, writing it back, the searches,
// and the refusals and warnings a client sees.
#include "IniTreeSupport.h"
#include "InProcessToolkit.h"

#include "config/ConfigGroup.h"
#include "config/TokensSetting.h"
#include "frame/EventTarget.h"
#include "frame/ResultCodes.h"

#include <filesystem>

namespace {

class ToolkitConfigurationTest : public InProcessToolkit {
protected:
    std::wstring Write(const wchar_t* name, const std::string& text)
    {
        const std::wstring path = folder.File(name);
        EXPECT_TRUE(WriteTextFile(path, text));
        return path;
    }
    HRESULT Load(const std::wstring& path, ULONG mask)
    {
        return toolkit->LoadINIFile(UniqueBstr::From(path.c_str()).get(), mask);
    }
    HRESULT Save(const std::wstring& path, ULONG mask)
    {
        return toolkit->WriteINIFile(UniqueBstr::From(path.c_str()).get(), mask);
    }
    ComPtr<IConfigGroup> Group(EConfigGroupID id)
    {
        ComPtr<IConfigGroup> group;
        EXPECT_HRESULT_SUCCEEDED(toolkit->GetConfigGroup(id, &group));
        return group;
    }
    TemporaryFolder folder;
};

std::wstring Sample()
{
    return std::wstring(TOOLKIT_SOURCE_DIR) + L"\\docs\\samples\\kb77dz-settings.ini";
}

TEST_F(ToolkitConfigurationTest, AWrittenFileLoadsToTheSameTreeWithValidChecksums)
{
    ASSERT_EQ(Load(Sample(), 0x13), S_OK);
    const std::wstring tree = Describe(Group(EConfigGroup_Root).Get());
    EXPECT_NE(tree.find(L"= KB77DZ\n"), std::wstring::npos) << tree;
    const std::wstring copy = folder.File(L"copy.ini");
    ASSERT_EQ(Save(copy, 0x13), S_OK);
    ASSERT_EQ(toolkit->Reset(), S_OK);
    ASSERT_EQ(Load(copy, 0x13), S_OK);
    EXPECT_EQ(Describe(Group(EConfigGroup_Root).Get()), tree);
    EXPECT_TRUE(sink->events.empty()) << "no missing value and no invalid checksum";

    // The prompt request survives, and so do the other sections of a file written into.
    const std::string written = ReadTextFile(copy);
    EXPECT_NE(written.find("ChassisAssetTag=$PROMPT$,Type the asset tag"), std::string::npos);
    const std::wstring target = Write(L"target.ini", "; kept\r\n[Mine]\r\nKey=1\r\n[SETTING_0999]\r\nValue=1\r\n");
    ASSERT_EQ(Save(target, 0x13), S_OK);
    const std::string merged = ReadTextFile(target);
    EXPECT_EQ(merged.rfind("; kept\r\n[Mine]\r\nKey=1\r\n", 0), 0u) << merged;
    EXPECT_EQ(merged.find("SETTING_0999"), std::string::npos);
    EXPECT_NE(merged.find("[SETTING_020E]"), std::string::npos);
}

TEST_F(ToolkitConfigurationTest, ACheckBoxWrittenAsTrueReadsBackAsOne)
{
    ASSERT_EQ(toolkit->CreateEmptyConfiguration(), S_OK);
    ComPtr<IConfigGroup> root = Group(EConfigGroup_Root);
    ASSERT_TRUE(root);
    ComPtr<CConfigGroup> tokens;
    ASSERT_EQ(CConfigGroup::CreateAndSetupGroup(tokens.GetAddressOf(), EConfigGroup_Tokens, 0), S_OK);
    ComPtr<CTokensSetting> box;
    ASSERT_EQ(CTokensSetting::Make(box), S_OK);
    box->SetNameText(L"Quiet boot");
    box->SetUQI(std::wstring(1, wchar_t(0x0101)));
    box->SetType(EConfigType_Bool);
    UniqueVariant on;
    V_VT(on.get()) = VT_BOOL;
    V_BOOL(on.get()) = VARIANT_TRUE;
    ASSERT_EQ(box->put_Value(*on.get()), S_OK);
    ASSERT_EQ(tokens->AddChildData(box.Get()), S_OK);
    ASSERT_EQ(static_cast<CConfigGroup*>(root.Get())->AddChildGroup(tokens.Get()), S_OK);

    const std::wstring path = folder.File(L"box.ini");
    ASSERT_EQ(Save(path, 0x10), S_OK);
    EXPECT_NE(ReadTextFile(path).find("[SETTING_0101]\r\nValue=TRUE\r\n"), std::string::npos) << ReadTextFile(path);
    ASSERT_EQ(toolkit->Reset(), S_OK);
    ASSERT_EQ(Load(path, 0x10), S_OK);
    unsigned short uqi[] = {0x0101, 0};
    ComPtr<ITokenConfigData> token;
    ASSERT_EQ(toolkit->GetTokenSetting(uqi, &token), S_OK);
    ComPtr<IConfigData> item;
    ASSERT_HRESULT_SUCCEEDED(token.As(&item));
    EXPECT_EQ(ValueText(item.Get()), L"1");
}

TEST_F(ToolkitConfigurationTest, RefusalsSearchesAndWarnings)
{
    ComPtr<IConfigGroup> group;
    EXPECT_EQ(toolkit->GetConfigGroup(EConfigGroup_Root, &group), ResultCode::E_NO_CONFIGURATION);
    EXPECT_EQ(TakeErrorDescription(), L"No configuration has been loaded.  The operation cannot continue.");
    EXPECT_EQ(toolkit->Install(0x13), ResultCode::E_NO_CONFIGURATION);
    EXPECT_EQ(Save(folder.File(L"none.ini"), 0x13), ResultCode::E_NO_CONFIGURATION);
    EXPECT_EQ(Load(folder.File(L"absent.ini"), 0x13), ResultCode::E_INVALID_FILE_NAME);
    EXPECT_EQ(TakeErrorDescription(), L"An invalid INI filename was specified.");

    // A missing value is a warning, reported once.
    const std::wstring path =
        Write(L"short.ini", "[System]\r\nINIversion=2.9\r\n[SMBIOS.values]\r\nSystemProduct=Desk\r\n");
    ASSERT_EQ(Load(path, 0x02), ResultCode::S_WARNINGS);
    EXPECT_EQ(EventCount(ToolkitEventId::OnINIMissingValue), 7);
    EXPECT_EQ(Load(path, 0x02), ResultCode::E_ALREADY_LOADED);
    EXPECT_EQ(TakeErrorDescription(), L"A configuration has already been loaded.");
    EXPECT_EQ(toolkit->CreateEmptyConfiguration(), ResultCode::E_ALREADY_LOADED);
    EXPECT_EQ(toolkit->GetConfigGroup(EConfigGroup_BIOSImage, &group), ResultCode::S_NOT_FOUND);
    EXPECT_EQ(group, nullptr);
    EXPECT_EQ(Save(folder.File(L"out.ini"), 0x02), S_OK) << "the warning was reported already";

    unsigned short uqi[] = {0x0100, 0};
    ComPtr<ITokenConfigData> token;
    EXPECT_EQ(toolkit->GetTokenSetting(uqi, &token), ResultCode::S_NOT_FOUND);
    EXPECT_EQ(toolkit->GetTokenSetting(nullptr, &token), E_POINTER);
    EXPECT_EQ(toolkit->AddPayload(UniqueBstr::From(L"a.fsc").get()), S_OK);
    EXPECT_EQ(toolkit->AddPayload(UniqueBstr::From(L"b.fsc").get()), ResultCode::S_PAYLOAD_REPLACED);

    // A write that fails leaves no file behind.
    const std::wstring nowhere = folder.File(L"missing\\out.ini");
    EXPECT_TRUE(FAILED(Save(nowhere, 0x02)));
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_EQ(toolkit->Reset(), S_OK);
    EXPECT_EQ(toolkit->GetConfigGroup(EConfigGroup_Root, &group), ResultCode::E_NO_CONFIGURATION);
    ASSERT_EQ(toolkit->CreateEmptyConfiguration(), S_OK);
    EXPECT_EQ(toolkit->GetConfigGroup(EConfigGroup_SMBIOS, &group), ResultCode::S_NOT_FOUND);
    EXPECT_EQ(group, nullptr);
}

} // namespace
