// Loading INI files into configuration trees: the version rule, the structure of the tree,
// and each component's sections, with the events a client sees.
#include "IniTreeSupport.h"
#include "RecordingEventTarget.h"

#include "config/BIOSImage.h"
#include "config/BIOSInfo.h"
#include "config/SMBIOSSetting.h"
#include "config/TokensSetting.h"
#include "frame/ResultCodes.h"
#include "ini/INIBuilder.h"

#include <gtest/gtest.h>

namespace {

constexpr ULONG kAll = 0x13;
const std::string kHeader = "[System]\r\nINIversion=2.9\r\n";

class INIBuilderTest : public ComTest {
protected:
    // Loads `text` for `mask`: the build's result, the tree in `root`.
    HRESULT Load(const std::string& text, ULONG mask = kAll)
    {
        const std::wstring path = m_folder.File(L"config.ini");
        EXPECT_TRUE(WriteTextFile(path, text));
        root.Reset();
        CINIBuilder builder(path, CComponentMask(mask));
        return builder.CreateConfigurationTree(root.GetAddressOf());
    }
    std::vector<ComPtr<IConfigData>> ItemsOf(EConfigGroupID id) { return Items(FindGroup(root.Get(), id).Get()); }
    template <typename Item>
    Item* As(const ComPtr<IConfigData>& item)
    {
        return static_cast<Item*>(item.Get());
    }

    TemporaryFolder m_folder;
    RecordingEventTarget events;
    ComPtr<IConfigGroup> root;
};

TEST_F(INIBuilderTest, VersionRule)
{
    struct Case {
        const char* version;
        HRESULT expected;
        int minorEvents;
    };
    const Case cases[] = {
        {"2.7", S_OK, 0},  {"2.8", S_OK, 0},  {"2.9", S_OK, 0}, {"2.10", S_OK, 1},
        {"2.6", ResultCode::E_INI_VERSION, 0}, {"3.0", ResultCode::E_INI_VERSION, 0},
        {"two", ResultCode::E_INI_VERSION, 0}, {"2", ResultCode::E_INI_VERSION, 0},
        {"0.0", ResultCode::E_INI_VERSION, 0}, {"2.9x", ResultCode::E_INI_VERSION, 0},
    };
    for (const Case& c : cases) {
        events.events.clear();
        EXPECT_EQ(Load(std::string("[System]\r\nINIversion=") + c.version + "\r\n", 0), c.expected) << c.version;
        EXPECT_EQ(events.Count(ToolkitEventId::OnINIMinorVer), c.minorEvents) << c.version;
        EXPECT_EQ(root != nullptr, SUCCEEDED(c.expected)) << c.version;
    }
    EXPECT_EQ(Load("[Other]\r\nA=1\r\n", 0), ResultCode::E_INI_VERSION);
    EXPECT_EQ(TakeErrorDescription(), L"The version of the specified INI file is not supported.");

    events.events.clear();
    EXPECT_EQ(Load("[System]\r\nINIversion=\r\n", 0), ResultCode::E_INI_VERSION);
    EXPECT_EQ(events.Count(ToolkitEventId::OnINIMissingValue), 1);
    EXPECT_EQ(events.warnings, 1);
}

TEST_F(INIBuilderTest, TreeHasTheStructuralGroupsAndOneGroupPerSelectedComponent)
{
    const std::string text = kHeader + "[ReferenceSystem]\r\nReferenceID=BOARD.86A.0042\r\n[Config.info]\r\nCount=0\r\n" +
                             "[SMBIOS.values]\r\nSystemManufacturer=Maker\r\n[SETTING_0012]\r\nValue=3\r\n";
    ASSERT_EQ(Load(text, 0x13), S_OK);
    const std::vector<ComPtr<IConfigGroup>> top = ChildGroups(root.Get());
    ASSERT_EQ(top.size(), 1u);
    const std::vector<ComPtr<IConfigGroup>> bios = ChildGroups(top[0].Get());
    ASSERT_EQ(bios.size(), 2u);
    const std::vector<ComPtr<IConfigGroup>> visible = ChildGroups(bios[0].Get());
    ASSERT_EQ(visible.size(), 3u);
    EXPECT_EQ(NameOf(visible[0].Get()), L"BIOS Info");
    EXPECT_EQ(visible[1].Get(), FindGroup(root.Get(), EConfigGroup_SMBIOS).Get());
    EXPECT_EQ(visible[2].Get(), FindGroup(root.Get(), EConfigGroup_Tokens).Get());
    const std::vector<ComPtr<IConfigGroup>> nonVisible = ChildGroups(bios[1].Get());
    ASSERT_EQ(nonVisible.size(), 1u);
    EXPECT_EQ(nonVisible[0].Get(), FindGroup(root.Get(), EConfigGroup_BIOSImage).Get());
    EXPECT_TRUE(Items(nonVisible[0].Get()).empty()) << "a Count of 0 is an empty image group";

    // Without a mask only the BIOS information is read.
    events.events.clear();
    ASSERT_EQ(Load(text, 0), S_OK);
    EXPECT_EQ(ChildGroups(ChildGroups(ChildGroups(root.Get())[0].Get())[0].Get()).size(), 1u);
    EXPECT_EQ(FindGroup(root.Get(), EConfigGroup_Tokens), nullptr);
    EXPECT_TRUE(events.events.empty());
}

TEST_F(INIBuilderTest, ReferenceIdAndItsChecksum)
{
    // The checksum of "AB" is 0xFF7C, written as 65404 or -132.
    for (const char* checksum : {"65404", "-132", "1"}) {
        ASSERT_EQ(Load(kHeader + "[ReferenceSystem]\r\nReferenceID=AB\r\nReferenceChecksum=" + checksum + "\r\n", 0),
                  S_OK);
        const auto items = ItemsOf(EConfigGroup_BIOSInfo);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(ValueText(items[0].Get()), L"AB");
        EXPECT_EQ(As<CBIOSInfo>(items[0])->ChecksumValid(), std::string(checksum) != "1") << checksum;
        VARIANT_BOOL readOnly = VARIANT_FALSE;
        items[0]->get_IsReadOnly(&readOnly);
        EXPECT_EQ(readOnly, VARIANT_TRUE);
    }
    ASSERT_EQ(Load(kHeader, 0), S_OK);
    EXPECT_TRUE(ItemsOf(EConfigGroup_BIOSInfo).empty());
}

TEST_F(INIBuilderTest, ImagesJoinTheirPartsAndDropWhatTheirChecksumsRefuse)
{
    IniImage first;
    for (int i = 0; i < 40; ++i) {
        first.data.push_back(static_cast<uint8_t>(i * 7));
    }
    first.mask.assign(40, 0xF0);
    IniImage second = first;
    second.name = L"OemDefault";
    second.status = "Cannot overwrite existing passwords.";
    std::string text = kHeader + "[Config.info]\r\nCount=2\r\n" + ImageSectionText(0, first) + ImageSectionText(1, second);
    // The 40 bytes are VariableData1 and VariableData2; a part after a gap is not part of the
    // value (read, it would break the checksum).
    const size_t gap = text.find("VariableDataChecksum");
    ASSERT_NE(text.rfind("VariableData2=", gap), std::string::npos);
    text.insert(gap, "VariableData4=AAAA\r\n");
    ASSERT_EQ(Load(text, 0x01), S_OK);
    auto images = ItemsOf(EConfigGroup_BIOSImage);
    ASSERT_EQ(images.size(), 2u);
    BIOSImageRecord record{4096};
    ASSERT_EQ(As<CBIOSImage>(images[0])->GetBIOSImage(&record), S_OK);
    EXPECT_EQ(record.data, first.data);
    EXPECT_EQ(record.mask, first.mask);
    EXPECT_EQ(As<CBIOSImage>(images[0])->GetVariableName(), L"Setup");
    EXPECT_EQ(As<CBIOSImage>(images[0])->GetWriteFlag(), 1u);
    EXPECT_EQ(As<CBIOSImage>(images[1])->GetWriteFlag(), 0u);
    EXPECT_EQ(As<CBIOSImage>(images[1])->GetVariableName(), L"OemDefault");
    EXPECT_TRUE(events.events.empty());

    // One changed letter: the image goes, its neighbour stays.
    const size_t at = text.find("VariableData1=") + std::string("VariableData1=").size();
    text[at] = text[at] == 'A' ? 'B' : 'A';
    EXPECT_EQ(Load(text, 0x01), E_FAIL);
    EXPECT_EQ(events.Count(ToolkitEventId::OnInvalidChecksum), 1);
    images = ItemsOf(EConfigGroup_BIOSImage);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(As<CBIOSImage>(images[0])->GetVariableName(), L"OemDefault");
}

TEST_F(INIBuilderTest, ImageCountsAndValuesBeyondWhatAFileCanHoldAreRefused)
{
    for (const char* count : {"4000000000", "-1", "70000"}) {
        events.events.clear();
        EXPECT_EQ(Load(kHeader + "[Config.info]\r\nCount=" + count + "\r\n", 0x01), E_FAIL) << count;
        EXPECT_EQ(events.Count(ToolkitEventId::OnINIInvalidValue), 1) << count;
    }
    events.events.clear();
    EXPECT_EQ(Load(kHeader + "[Config.info]\r\n", 0x01), E_FAIL);
    EXPECT_EQ(events.Count(ToolkitEventId::OnINIMissingValue), 1);

    // 5,000 one-byte parts: more than a written file ever has; 1,000 parts of 140 letters: more
    // than 64 KiB of data.
    for (const auto& [count, letters] : {std::pair{5000, 2}, std::pair{1000, 140}}) {
        std::string parts = kHeader + "[Config.info]\r\nCount=1\r\n[Configuration.Imagedata0]\r\n";
        for (int part = 1; part <= count; ++part) {
            parts += "VariableData" + std::to_string(part) + "=" + std::string(letters, 'A') + "\r\n";
        }
        events.events.clear();
        EXPECT_EQ(Load(parts, 0x01), E_FAIL) << count;
        EXPECT_EQ(events.Count(ToolkitEventId::OnINIInvalidValue), 1) << count;
        EXPECT_TRUE(ItemsOf(EConfigGroup_BIOSImage).empty());
    }

    // A mask shorter than its data would be read past its end when installed.
    IniImage image;
    image.data.assign(8, 1);
    image.mask.assign(4, 0xFF);
    events.events.clear();
    EXPECT_EQ(Load(kHeader + "[Config.info]\r\nCount=1\r\n" + ImageSectionText(0, image), 0x01), E_FAIL);
    EXPECT_EQ(events.Count(ToolkitEventId::OnINIInvalidValue), 1);
}

TEST_F(INIBuilderTest, SmbiosRowsMissingValuesAndPromptRequests)
{
    std::string text = kHeader + "[SMBIOS.values]\r\nSystemManufacturer=Maker\r\nSystemProduct=Desk\r\n"
                                 "SystemSerialNum=S1\r\nChassisManufacturer=Maker\r\nChassisVersion=2\r\n"
                                 "ChassisSerialNum=$PROMPT$,Scan the label\r\nChassisAssetTag=$prompt$\r\n";
    ASSERT_EQ(Load(text, 0x02), S_OK);
    const auto items = ItemsOf(EConfigGroup_SMBIOS);
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(events.Count(ToolkitEventId::OnINIMissingValue), 1);
    EXPECT_EQ(events.warnings, 1);
    EXPECT_EQ(ValueText(items[1].Get()), L"Desk");
    EXPECT_FALSE(As<CSMBIOSSetting>(items[1])->IsPromptRequest());
    ASSERT_TRUE(As<CSMBIOSSetting>(items[5])->IsPromptRequest());
    EXPECT_EQ(As<CSMBIOSSetting>(items[5])->Prompt(), L"Scan the label");
    ASSERT_TRUE(As<CSMBIOSSetting>(items[6])->IsPromptRequest());
    EXPECT_TRUE(As<CSMBIOSSetting>(items[6])->PromptGivenText().empty());
    EXPECT_FALSE(As<CSMBIOSSetting>(items[6])->Prompt().empty()) << "the row's own prompt";
    EXPECT_EQ(ValueText(items[6].Get()), L"");

    events.events.clear();
    events.warnings = 0;
    ASSERT_EQ(Load(kHeader, 0x02), S_OK);
    EXPECT_TRUE(ItemsOf(EConfigGroup_SMBIOS).empty());
    EXPECT_EQ(events.Count(ToolkitEventId::OnINIMissingSection), 1);
    EXPECT_EQ(events.warnings, 1);
}

TEST_F(INIBuilderTest, TokenValuesListsAndFlags)
{
    const std::string text = kHeader +
                             "[SETTING_0012]\r\nValue=7\r\nLock=t\r\n"
                             "[SETTING_00a1]\r\nValue=TRUE\r\nHide=fals\r\n"
                             "[SETTING_0031]\r\nValue1=3\r\nValue2=1\r\nValue3=2\r\nValue5=9\r\nLock=perhaps\r\n"
                             "[SETTING_12]\r\nValue=1\r\n"
                             "[SETTING_00120034]\r\nValue=1\r\n";
    ASSERT_EQ(Load(text, 0x10), S_OK);
    const auto tokens = ItemsOf(EConfigGroup_Tokens);
    ASSERT_EQ(tokens.size(), 3u);
    auto* first = As<CTokensSetting>(tokens[0]);
    EXPECT_EQ(first->GetUQI(), std::wstring(1, wchar_t(0x0012)));
    EXPECT_EQ(ValueText(tokens[0].Get()), L"7");
    VARIANT_BOOL flag = VARIANT_FALSE;
    first->get_Locked(&flag);
    EXPECT_EQ(flag, VARIANT_TRUE);
    first->get_IsHideable(&flag);
    EXPECT_EQ(flag, VARIANT_FALSE);

    auto* checkBox = As<CTokensSetting>(tokens[1]);
    EXPECT_EQ(checkBox->GetUQI(), std::wstring(1, wchar_t(0x00A1)));
    EXPECT_EQ(ValueText(tokens[1].Get()), L"1");
    checkBox->get_IsHideable(&flag);
    EXPECT_EQ(flag, VARIANT_TRUE);
    checkBox->get_Hidden(&flag);
    EXPECT_EQ(flag, VARIANT_FALSE);

    EXPECT_EQ(ValueText(tokens[2].Get()), L"<list> 3 1 2");
    EXPECT_EQ(As<CTokensSetting>(tokens[2])->Type(), EConfigType_OrderedList);

    EXPECT_EQ(events.Count(ToolkitEventId::OnInvalidUQIToken), 1);
    EXPECT_EQ(events.Count(ToolkitEventId::OnINIInvalidValue), 1) << "Lock=perhaps";
    EXPECT_EQ(events.Count(ToolkitEventId::OnTokenIniVerTooEarly), 0);
}

TEST_F(INIBuilderTest, TokenSectionsThatCannotBeRead)
{
    CPellamParser parser;
    const std::wstring path = m_folder.File(L"plain.ini");
    ASSERT_TRUE(WriteTextFile(path, kHeader + "[SMBIOS.values]\r\nSystemProduct=Desk\r\n"));
    ASSERT_EQ(parser.ReadINIFile(path, false), S_OK);
    ComPtr<IConfigGroup> group;
    EXPECT_EQ(CTokensINIBuilder(parser).CreateConfigurationTree(group.GetAddressOf()), ResultCode::E_NO_TOKEN_HEADERS);
    EXPECT_EQ(Load(kHeader, 0x10), E_FAIL) << "the load fails with its token component";

    struct Case {
        std::string sections;
        HRESULT expected;
        DISPID event;
    };
    const Case cases[] = {
        {"[SETTING_0012]\r\nValue=1\r\n[setting_0012]\r\n[SETTING_0012]\r\nValue=2\r\n", E_FAIL,
         ToolkitEventId::OnDuplicateTokenInIni},
        {"[SETTING_0012]\r\nValue=1\r\nValue=2\r\n[SETTING_0013]\r\nValue=1\r\n", S_OK, ToolkitEventId::OnDuplicateToken},
        {"[SETTING_0012]\r\nValue=abc\r\n", E_FAIL, ToolkitEventId::OnINIInvalidValue},
        {"[SETTING_0012]\r\nLock=TRUE\r\n", E_FAIL, ToolkitEventId::OnINIMissingValue},
        {"[SETTING_00G2]\r\nValue=1\r\n", E_FAIL, ToolkitEventId::OnInvalidUQIToken},
    };
    for (const Case& c : cases) {
        events.events.clear();
        EXPECT_EQ(Load(kHeader + c.sections, 0x10), c.expected) << c.sections;
        EXPECT_EQ(events.Count(c.event), 1) << c.sections;
    }
    EXPECT_EQ(ItemsOf(EConfigGroup_Tokens).size(), 0u);

    events.events.clear();
    ASSERT_EQ(Load("[System]\r\nINIversion=2.7\r\n[SETTING_0012]\r\nValue=1\r\n", 0x10), S_OK);
    EXPECT_EQ(events.Count(ToolkitEventId::OnTokenIniVerTooEarly), 1);
}

} // namespace
