// Writing a configuration tree into an INI file: what a new file and an updated one hold,
// the letter-encoded images with their checksums, the token sections and their comments,
// and that a failure leaves the file on disk as it was.
#include "LogWatch.h"
#include "RecordingEventTarget.h"
#include "TestSupport.h"

#include "config/BIOSImage.h"
#include "config/BIOSInfo.h"
#include "config/ConfigGroup.h"
#include "config/CoolingSetting.h"
#include "config/SMBIOSSetting.h"
#include "config/TokensSetting.h"
#include "config/VariantValues.h"
#include "frame/ResultCodes.h"
#include "ini/INICodec.h"
#include "ini/IniChecksum.h"
#include "ini/IniParser.h"
#include "ini/WriteINIOperation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

namespace {

constexpr ULONG kAllComponents = 0x1F;
// {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
constexpr GUID kSetupGuid = {0xec87d643, 0xeba4, 0x4bb5, {0xa1, 0xe5, 0x3f, 0x3e, 0x36, 0xb2, 0x0d, 0xa9}};

UniqueVariant Long(LONG value)
{
    UniqueVariant result;
    V_VT(result.get()) = VT_I4;
    V_I4(result.get()) = value;
    return result;
}

UniqueVariant Bool(bool value)
{
    UniqueVariant result;
    V_VT(result.get()) = VT_BOOL;
    V_BOOL(result.get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

UniqueVariant Text(const wchar_t* text)
{
    UniqueVariant result;
    V_VT(result.get()) = VT_BSTR;
    V_BSTR(result.get()) = ::SysAllocString(text);
    return result;
}

std::vector<uint8_t> Counting(size_t size, uint8_t first)
{
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

// The lines of one section as the file holds them, its header first; empty when absent.
std::string SectionText(const std::string& file, const std::string& name)
{
    const std::string header = "[" + name + "]\r\n";
    size_t start = file.find(header);
    if (start == std::string::npos) {
        return {};
    }
    size_t end = file.find("\r\n[", start + header.size() - 2);
    return file.substr(start, end == std::string::npos ? std::string::npos : end + 2 - start);
}

class WriteINIOperationTest : public ::testing::Test {
protected:
    ComPtr<CConfigGroup> Group(EConfigGroupID id, IConfigGroup* parent = nullptr)
    {
        ComPtr<CConfigGroup> group;
        EXPECT_EQ(S_OK, CConfigGroup::CreateAndSetupGroup(group.GetAddressOf(), id, 0));
        EXPECT_EQ(S_OK, (parent ? static_cast<CConfigGroup*>(parent) : root.Get())->AddChildGroup(group.Get()));
        return group;
    }

    ComPtr<CBIOSImage> AddImage(CConfigGroup* group, const std::vector<uint8_t>& data, const std::vector<uint8_t>& mask,
                                const wchar_t* name, const std::string& status)
    {
        ComPtr<CBIOSImage> image;
        EXPECT_HRESULT_SUCCEEDED(CBIOSImage::Make(image));
        EXPECT_EQ(S_OK, image->SetImage(static_cast<unsigned>(data.size()), data.data(), mask.data()));
        image->SetVariableName(name);
        image->SetVendorGuid(kSetupGuid);
        EXPECT_EQ(S_OK, image->SetPasswordError(static_cast<unsigned>(status.size()), status.data()));
        EXPECT_EQ(S_OK, group->AddChildData(image.Get()));
        return image;
    }

    // An item of `type` holding `value`. A value is set in the type that takes it as it is
    // and the item given its type afterwards, so that a tree can hold a value its writer
    // must refuse (an item's type changed after its value was set).
    template <typename Item>
    ComPtr<Item> AddItem(CConfigGroup* group, EConfigType type, const wchar_t* dataId, const VARIANT& value)
    {
        ComPtr<Item> item;
        EXPECT_HRESULT_SUCCEEDED(Item::Make(item));
        item->SetType(TypeHolding(V_VT(&value)));
        item->SetDataID(dataId);
        item->SetBoundsCheck(false);
        EXPECT_EQ(S_OK, item->put_Value(value));
        item->SetType(type);
        EXPECT_EQ(S_OK, group->AddChildData(item.Get()));
        return item;
    }
    static EConfigType TypeHolding(VARTYPE type)
    {
        switch (type) {
        case VT_I4:
            return EConfigType_Integer;
        case VT_BOOL:
            return EConfigType_Bool;
        case VT_BSTR:
            return EConfigType_String;
        default:
            return EConfigType_Date;
        }
    }

    ComPtr<CTokensSetting> AddToken(CConfigGroup* group, std::wstring uqi, EConfigType type, const wchar_t* name)
    {
        ComPtr<CTokensSetting> token;
        EXPECT_HRESULT_SUCCEEDED(CTokensSetting::Make(token));
        token->SetUQI(std::move(uqi));
        token->SetType(type);
        token->SetNameText(name);
        token->SetBoundsCheck(false);
        EXPECT_EQ(S_OK, group->AddChildData(token.Get()));
        return token;
    }

    // Configure, then Execute when Configure succeeded: the first failure.
    HRESULT Write(const std::wstring& path, ULONG mask = kAllComponents)
    {
        ComPtr<CWriteINIOperation> operation;
        EXPECT_HRESULT_SUCCEEDED(CWriteINIOperation::Make(operation));
        const HRESULT configured = operation->Configure(root.Get(), path, CComponentMask(mask));
        return FAILED(configured) ? configured : operation->Execute();
    }

    // The written file, parsed: look-ups as the readers make them.
    void Load(const std::wstring& path)
    {
        written.Reset();
        text = ReadTextFile(path);
        ASSERT_EQ(S_OK, written.ParseFile(text));
    }
    std::wstring Get(const wchar_t* section, const std::wstring& keyword)
    {
        std::wstring value;
        return written.GetProfileStr(section, keyword, &value, L"") == S_OK ? value : L"<absent>";
    }
    std::vector<uint8_t> Decoded(const wchar_t* section, const std::wstring& letters)
    {
        std::vector<uint8_t> bytes;
        uint16_t count = 0;
        EXPECT_EQ(S_OK, CINICodec::DecodeVariableBuffer(letters.c_str(), &bytes, letters.size(), &count)) << section;
        return bytes;
    }
    // The checksum must be what a reader computes, written as the reader's 0 to 65535.
    void ExpectChecksum(const wchar_t* section, const std::wstring& keyword, const std::vector<uint8_t>& bytes)
    {
        EXPECT_EQ(std::to_wstring(IniChecksum(bytes.data(), bytes.size())), Get(section, keyword + L"Checksum"))
            << keyword;
    }

    TemporaryFolder folder;
    RecordingEventTarget events;
    ComPtr<CConfigGroup> root = [] {
        ComPtr<CConfigGroup> group;
        CConfigGroup::CreateAndSetupGroup(group.GetAddressOf(), EConfigGroup_Root, 0);
        return group;
    }();
    CIniParser written;
    std::string text;
};

TEST_F(WriteINIOperationTest, NewFileBeginsWithTheVersionAndHoldsTheReferenceAndSMBIOSValues)
{
    auto info = Group(EConfigGroup_BIOSInfo);
    AddItem<CBIOSInfo>(info.Get(), EConfigType_String, L"ReferenceSystem.ReferenceID", *Text(L"BX-2210").get());
    auto smbios = Group(EConfigGroup_SMBIOS);
    AddItem<CSMBIOSSetting>(smbios.Get(), EConfigType_String, L"SMBIOS.values.SystemManufacturer", *Text(L"Maker").get());
    auto asked = AddItem<CSMBIOSSetting>(smbios.Get(), EConfigType_String, L"SMBIOS.values.ChassisAssetTag",
                                         *Text(L"").get());
    asked->SetPromptRequest(L"Asset tag?", L"Asset tag?");
    auto plain = AddItem<CSMBIOSSetting>(smbios.Get(), EConfigType_String, L"SMBIOS.values.SystemSerialNum",
                                         *Text(L"").get());
    plain->SetPromptRequest(L"", L"Enter the serial number");
    // A cooling value goes under its group's section, a fraction in the form every locale reads.
    AddItem<CCoolingSetting>(smbios.Get(), EConfigType_Choice, L"Therm.ZoneA.TempDelta", *DoubleVariant(3.33).get());

    const std::wstring path = folder.File(L"new.ini");
    ComPtr<CWriteINIOperation> operation;
    ASSERT_HRESULT_SUCCEEDED(CWriteINIOperation::Make(operation));
    ASSERT_EQ(S_OK, operation->Configure(root.Get(), path, CComponentMask(kAllComponents)));
    // Until Execute, everything lives in memory.
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(S_OK, operation->Execute());

    Load(path);
    EXPECT_EQ(0u, text.rfind("[System]\r\nINIversion=2.9\r\n", 0)) << text;
    EXPECT_EQ(L"BX-2210", Get(L"ReferenceSystem", L"ReferenceID"));
    const std::string reference = "BX-2210";
    EXPECT_EQ(std::to_wstring(IniChecksum(reinterpret_cast<const uint8_t*>(reference.data()), reference.size())),
              Get(L"ReferenceSystem", L"ReferenceChecksum"));
    EXPECT_EQ(L"Maker", Get(L"SMBIOS.values", L"SystemManufacturer"));
    // A prompt request reads back as one.
    EXPECT_EQ(L"$PROMPT$,Asset tag?", Get(L"SMBIOS.values", L"ChassisAssetTag"));
    EXPECT_EQ(L"$PROMPT$", Get(L"SMBIOS.values", L"SystemSerialNum"));
    EXPECT_EQ(L"3.33", Get(L"Therm.ZoneA", L"TempDelta(Celsius)"));

    // Without the SMBIOS bit its section is not written; the reference always is.
    const std::wstring without = folder.File(L"without.ini");
    ASSERT_EQ(S_OK, Write(without, kAllComponents & ~0x02u));
    Load(without);
    EXPECT_EQ(std::string::npos, text.find("SMBIOS.values")) << text;
    EXPECT_EQ(L"BX-2210", Get(L"ReferenceSystem", L"ReferenceID"));
}

TEST_F(WriteINIOperationTest, ExistingFileKeepsWhatIsNotTheTreesAndLosesItsOldTokens)
{
    const std::wstring path = folder.File(L"old.ini");
    WriteTextFile(path, "; Saved by hand\r\n"
                        "[System]\r\n"
                        "INIversion=2.7\r\n"
                        "Owner=lab 4\r\n"
                        "[SETTING_0001]\r\n"
                        "Value=3\r\n"
                        ";   Old token\r\n"
                        "[Custom]\r\n"
                        "; keep me\r\n"
                        "Key=value\r\n"
                        "[SETTING_00AB]\r\n"
                        "Value1=1\r\n");
    auto tokens = Group(EConfigGroup_Tokens);
    auto token = AddToken(tokens.Get(), std::wstring(1, L'\x0012'), EConfigType_Integer, L"Fan speed");
    ASSERT_EQ(S_OK, token->put_Value(*Long(4).get()));
    ASSERT_EQ(S_OK, Write(path));

    Load(path);
    EXPECT_EQ(0u, text.rfind("; Saved by hand\r\n[System]\r\nINIversion=2.9\r\nOwner=lab 4\r\n", 0)) << text;
    EXPECT_EQ("[Custom]\r\n; keep me\r\nKey=value\r\n", SectionText(text, "Custom"));
    EXPECT_EQ(std::string::npos, text.find("SETTING_0001")) << text;
    EXPECT_EQ(std::string::npos, text.find("SETTING_00AB")) << text;
    EXPECT_EQ(std::string::npos, text.find("Old token")) << text;
    EXPECT_EQ(L"4", Get(L"SETTING_0012", L"Value"));
}

TEST_F(WriteINIOperationTest, ImagesAreLetterEncodedInPiecesOf64WithTheirChecksumsAndCounted)
{
    auto images = Group(EConfigGroup_BIOSImage);
    const auto data32 = Counting(32, 0xE0);
    const auto mask32 = Counting(32, 0x10);
    const auto data33 = Counting(33, 0x00);
    const auto mask33 = std::vector<uint8_t>(33, 0xFF);
    AddImage(images.Get(), data32, mask32, L"Setup", "Overwrite OK.");
    AddImage(images.Get(), data33, mask33, L"OemDefault", "Password set");
    const std::wstring path = folder.File(L"images.ini");
    ASSERT_EQ(S_OK, Write(path));

    Load(path);
    EXPECT_EQ(L"2", Get(L"Config.info", L"Count"));
    const wchar_t* first = L"Configuration.Imagedata0";
    const wchar_t* second = L"Configuration.Imagedata1";
    EXPECT_EQ(64u, Get(first, L"VariableData1").size());
    EXPECT_EQ(L"<absent>", Get(first, L"VariableData2"));
    EXPECT_EQ(64u, Get(second, L"VariableData1").size());
    EXPECT_EQ(2u, Get(second, L"VariableData2").size());
    EXPECT_EQ(L"<absent>", Get(second, L"VariableData3"));

    EXPECT_EQ(data32, Decoded(first, Get(first, L"VariableData1")));
    EXPECT_EQ(data33, Decoded(second, Get(second, L"VariableData1") + Get(second, L"VariableData2")));
    EXPECT_EQ(mask32, Decoded(first, Get(first, L"VariableMask1")));
    ExpectChecksum(first, L"VariableData", data32);
    ExpectChecksum(second, L"VariableData", data33);
    ExpectChecksum(first, L"VariableMask", mask32);
    ExpectChecksum(second, L"VariableMask", mask33);

    // The name as the firmware spells it, UTF-16 with its terminating zero.
    const std::vector<uint8_t> name = {'S', 0, 'e', 0, 't', 0, 'u', 0, 'p', 0, 0, 0};
    EXPECT_EQ(name, Decoded(first, Get(first, L"VariableName")));
    ExpectChecksum(first, L"VariableName", name);
    const std::vector<uint8_t> guid = {0x43, 0xd6, 0x87, 0xec, 0xa4, 0xeb, 0xb5, 0x4b,
                                       0xa1, 0xe5, 0x3f, 0x3e, 0x36, 0xb2, 0x0d, 0xa9};
    EXPECT_EQ(guid, Decoded(first, Get(first, L"VendorGUID")));
    ExpectChecksum(first, L"VendorGUID", guid);
    // The status text with its terminating zero byte.
    const std::string status("Overwrite OK.", 14);
    const std::vector<uint8_t> statusBytes(status.begin(), status.end());
    EXPECT_EQ(statusBytes, Decoded(first, Get(first, L"VariableStatus1")));
    ExpectChecksum(first, L"VariableStatus", statusBytes);
    // The data were chosen so that one checksum has its top bit set (written unsigned) and
    // one is 0 (the sum of 0 stays 0).
    EXPECT_EQ(L"58368", Get(first, L"VariableDataChecksum"));
    EXPECT_EQ(L"0", Get(second, L"VariableDataChecksum"));
}

TEST_F(WriteINIOperationTest, ImageOneRemovesTheSectionsOfImagesTenToNineteen)
{
    const std::wstring path = folder.File(L"ten.ini");
    WriteTextFile(path, "[Config.info]\r\nCount=11\r\n"
                        "[Configuration.Imagedata1]\r\nOld=1\r\n"
                        "[Configuration.Imagedata10]\r\nOld=10\r\n"
                        "[Other]\r\nKept=1\r\n");
    auto images = Group(EConfigGroup_BIOSImage);
    AddImage(images.Get(), Counting(4, 1), Counting(4, 9), L"Setup", "Overwrite OK.");
    AddImage(images.Get(), Counting(4, 5), Counting(4, 9), L"Setup", "Overwrite OK.");
    ASSERT_EQ(S_OK, Write(path));

    Load(path);
    EXPECT_EQ(L"2", Get(L"Config.info", L"Count"));
    EXPECT_EQ(L"<absent>", Get(L"Configuration.Imagedata1", L"Old"));
    EXPECT_EQ(L"AFAGAHAI", Get(L"Configuration.Imagedata1", L"VariableData1"));
    EXPECT_EQ(std::string::npos, text.find("Imagedata10")) << text;
    EXPECT_EQ(L"1", Get(L"Other", L"Kept"));
}

TEST_F(WriteINIOperationTest, TokenSectionsAreNamedByTheUQIUpToItsFirstZeroWord)
{
    auto tokens = Group(EConfigGroup_Tokens);
    const std::vector<std::wstring> uqis = {
        std::wstring{L'\x0012', L'\x0034'},           // two words: too long for a reader
        std::wstring{L'\x0012'},                      // one word
        std::wstring{L'\xBEEF', L'\0', L'\x0034'},    // the zero word ends it
        std::wstring(),                               // none
    };
    for (const std::wstring& uqi : uqis) {
        ASSERT_EQ(S_OK, AddToken(tokens.Get(), uqi, EConfigType_Integer, L"T")->put_Value(*Long(0).get()));
    }
    const std::wstring path = folder.File(L"uqi.ini");
    ASSERT_EQ(S_OK, Write(path));

    Load(path);
    std::vector<std::wstring> names;
    ASSERT_EQ(S_OK, written.GetSectionNames(&names));
    EXPECT_EQ((std::vector<std::wstring>{L"System", L"SETTING_0012", L"SETTING_BEEF"}), names);
    ASSERT_EQ(2, events.Count(ToolkitEventId::OnInvalidUQIToken));
    EXPECT_EQ(2, events.warnings);
}

TEST_F(WriteINIOperationTest, TokenValuesFlagsAndDescriptions)
{
    auto tokens = Group(EConfigGroup_Tokens);
    auto integer = AddToken(tokens.Get(), std::wstring{L'\x0012'}, EConfigType_Integer, L"Fan speed");
    ASSERT_EQ(S_OK, integer->SetMinimum(0));
    ASSERT_EQ(S_OK, integer->SetMaximum(10));
    integer->SetIncrement(1);
    ASSERT_EQ(S_OK, integer->put_DefaultValue(*Long(5).get()));
    ASSERT_EQ(S_OK, integer->put_Value(*Long(7).get()));
    integer->SetLockable(true);
    ASSERT_EQ(S_OK, integer->put_Locked(VARIANT_TRUE));

    auto choice = AddToken(tokens.Get(), std::wstring{L'\x0100'}, EConfigType_Choice, L"Boot mode");
    ASSERT_EQ(S_OK, choice->AddChoice(0, *Text(L"Legacy").get()));
    ASSERT_EQ(S_OK, choice->AddChoice(1, *Text(L"UEFI").get()));
    ASSERT_EQ(S_OK, choice->AddChoice(*Long(2).get()));  // a value the firmware has no text for
    ASSERT_EQ(S_OK, choice->put_Value(*Long(1).get()));
    choice->SetLockable(true);
    choice->SetHideable(true);
    choice->SetInvalidValue(true);

    auto list = AddToken(tokens.Get(), std::wstring{L'\x0A0B'}, EConfigType_OrderedList, L"Boot order");
    ASSERT_EQ(S_OK, list->AddChoice(1, *Text(L"Floppy").get()));
    ASSERT_EQ(S_OK, list->AddChoice(2, *Text(L"Disk").get()));
    ASSERT_EQ(S_OK, list->AddChoice(3, *Text(L"Network").get()));
    ComPtr<CVariantCollection> order;
    ASSERT_HRESULT_SUCCEEDED(CVariantCollection::Make(order));
    for (LONG value : {2, 3, 1}) {
        ASSERT_EQ(S_OK, order->Add(*Long(value).get()));
    }
    UniqueVariant orderValue;
    V_VT(orderValue.get()) = VT_DISPATCH;
    V_DISPATCH(orderValue.get()) = order.Get();
    order->AddRef();
    ASSERT_EQ(S_OK, list->put_Value(*orderValue.get()));

    auto check = AddToken(tokens.Get(), std::wstring{L'\x00C0'}, EConfigType_Bool, L"Wake on LAN");
    ASSERT_EQ(S_OK, check->put_Value(*Bool(true).get()));
    check->SetHideable(true);
    ASSERT_EQ(S_OK, check->put_Hidden(VARIANT_TRUE));

    const std::wstring path = folder.File(L"tokens.ini");
    LogWatch log;
    ASSERT_EQ(S_OK, Write(path));

    Load(path);
    EXPECT_EQ("[SETTING_0012]\r\n"
              "Value=7\r\n"
              "Lock=TRUE\r\n"
              ";   Fan speed\r\n"
              "; ---------------------------------------\r\n"
              "; Select a number between 0 and 10 in\r\n"
              ";   increments of 1. Default value is 5.\r\n",
              SectionText(text, "SETTING_0012"));
    EXPECT_EQ("[SETTING_0100]\r\n"
              "Value=1\r\n"
              "Lock=FALSE\r\n"
              "Hide=FALSE\r\n"
              ";   Boot mode\r\n"
              "; ---------------------------------------\r\n"
              ";   Select a single value from this list:\r\n"
              ";     0 : Legacy\r\n"
              ";     1 : UEFI\r\n",
              SectionText(text, "SETTING_0100"));
    EXPECT_TRUE(log.Has("Warning", "BIOS contains an invalid value"));
    EXPECT_EQ("[SETTING_0A0B]\r\n"
              "Value1=2\r\n"
              "Value2=3\r\n"
              "Value3=1\r\n"
              ";   Boot order\r\n"
              "; ---------------------------------------\r\n"
              "; Can choose up to 3 values.\r\n"
              "; Values set to 0 may be ignored.\r\n"
              ";     1 : Floppy\r\n"
              ";     2 : Disk\r\n"
              ";     3 : Network\r\n",
              SectionText(text, "SETTING_0A0B"));
    // A check box is written as TRUE or FALSE, which the reader takes as 1 and 0.
    EXPECT_EQ("[SETTING_00C0]\r\n"
              "Value=TRUE\r\n"
              "Hide=TRUE\r\n"
              ";   Wake on LAN\r\n"
              "; ---------------------------------------\r\n",
              SectionText(text, "SETTING_00C0"));
    ASSERT_EQ(1, events.Count(ToolkitEventId::OnTokenExtractInvalidValue));
    EXPECT_EQ(0, events.Count(ToolkitEventId::OnInvalidUQIToken));
}

TEST_F(WriteINIOperationTest, AFailingItemLeavesTheFileOnDiskAsItWas)
{
    const std::wstring existing = folder.File(L"existing.ini");
    const std::string before = "; Mine\r\n[System]\r\nINIversion=2.8\r\n[SETTING_0001]\r\nValue=1\r\n";
    struct Case {
        const char* name;
        EConfigType type;
        UniqueVariant value;
        const char* logged;
    };
    Case cases[] = {
        {"Bool holding text", EConfigType_Bool, Text(L"yes"), "Setting types don't match (BOOL)"},
        {"Integer holding text", EConfigType_Integer, Text(L"7"), "Setting types don't match (INT)"},
        {"String holding a number", EConfigType_String, Long(7), "Setting types don't match (BSTR)"},
        {"Choice holding a date", EConfigType_Choice, UniqueVariant(), "Invalid setting type"},
        {"Date", EConfigType_Date, Text(L"2024"), "Invalid setting type"},
    };
    V_VT(cases[3].value.get()) = VT_DATE;
    V_DATE(cases[3].value.get()) = 45000.0;
    for (Case& current : cases) {
        root = nullptr;
        CConfigGroup::CreateAndSetupGroup(root.GetAddressOf(), EConfigGroup_Root, 0);
        auto smbios = Group(EConfigGroup_SMBIOS);
        AddItem<CSMBIOSSetting>(smbios.Get(), current.type, L"SMBIOS.values.SystemProduct", *current.value.get());
        WriteTextFile(existing, before);
        LogWatch log;
        ClearErrorInfo();
        EXPECT_EQ(E_FAIL, Write(existing)) << current.name;
        EXPECT_TRUE(log.Saw(current.logged)) << current.name;
        EXPECT_EQ(L"An error occurred while writing to the INI file.", TakeErrorDescription()) << current.name;
        EXPECT_EQ(before, ReadTextFile(existing)) << current.name;
        // A file that did not exist is not left behind either.
        EXPECT_EQ(E_FAIL, Write(folder.File(L"absent.ini"))) << current.name;
        EXPECT_FALSE(std::filesystem::exists(folder.File(L"absent.ini"))) << current.name;
    }

    // An image without data, and a BIOS information item that is not the reference ID.
    root = nullptr;
    CConfigGroup::CreateAndSetupGroup(root.GetAddressOf(), EConfigGroup_Root, 0);
    ComPtr<CBIOSImage> empty;
    ASSERT_HRESULT_SUCCEEDED(CBIOSImage::Make(empty));
    ASSERT_EQ(S_OK, Group(EConfigGroup_BIOSImage)->AddChildData(empty.Get()));
    EXPECT_EQ(E_FAIL, Write(existing));
    root = nullptr;
    CConfigGroup::CreateAndSetupGroup(root.GetAddressOf(), EConfigGroup_Root, 0);
    AddItem<CBIOSInfo>(Group(EConfigGroup_BIOSInfo).Get(), EConfigType_String, L"ReferenceSystem.Other",
                       *Text(L"x").get());
    LogWatch log;
    EXPECT_EQ(E_FAIL, Write(existing));
    EXPECT_TRUE(log.Saw("No table entry for node: ReferenceSystem.Other"));
    EXPECT_EQ(before, ReadTextFile(existing));

    // Execute without a successful Configure writes nothing.
    ComPtr<CWriteINIOperation> operation;
    ASSERT_HRESULT_SUCCEEDED(CWriteINIOperation::Make(operation));
    EXPECT_EQ(E_FAIL, operation->Execute());
    EXPECT_EQ(before, ReadTextFile(existing));
}

TEST_F(WriteINIOperationTest, AFailingWriteLeavesTheFileAsItWasAndNoTemporaryFile)
{
    const std::wstring path = folder.File(L"locked.ini");
    const std::string before = "[System]\r\nINIversion=2.9\r\n[Custom]\r\nKey=1\r\n";
    WriteTextFile(path, before);
    auto info = Group(EConfigGroup_BIOSInfo);
    AddItem<CBIOSInfo>(info.Get(), EConfigType_String, L"ReferenceSystem.ReferenceID", *Text(L"NEW").get());
    // A file that another program holds open, without letting it be deleted, cannot be
    // replaced.
    {
        UniqueFile holder(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        LogWatch log;
        ClearErrorInfo();
        EXPECT_EQ(E_FAIL, Write(path));
        EXPECT_TRUE(log.Saw("cannot be replaced"));
        EXPECT_EQ(L"An error occurred while writing to the file.  Verify that the read-only flag is not set.",
                  TakeErrorDescription());
    }
    EXPECT_EQ(before, ReadTextFile(path));
    std::vector<std::wstring> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        files.push_back(entry.path().filename().wstring());
    }
    EXPECT_EQ(std::vector<std::wstring>{L"locked.ini"}, files);

    // Once it can be, the write succeeds and leaves only the file.
    ASSERT_EQ(S_OK, Write(path));
    Load(path);
    EXPECT_EQ(L"NEW", Get(L"ReferenceSystem", L"ReferenceID"));
    EXPECT_EQ(L"1", Get(L"Custom", L"Key"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(folder.Path()), {}));
}

} // namespace
