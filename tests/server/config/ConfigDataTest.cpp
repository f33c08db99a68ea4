// Configuration items: the type rules of values, choices and ordered lists, the item
// classes' own members.
#include "config/BIOSImage.h"
#include "config/BIOSInfo.h"
#include "config/SMBIOSSetting.h"
#include "config/TokensSetting.h"
#include "frame/ResultCodes.h"

#include "ConfigTestSupport.h"

#include <gtest/gtest.h>

namespace {

ComPtr<CBIOSInfo> MakeItem(EConfigType type)
{
    ComPtr<CBIOSInfo> item;
    EXPECT_HRESULT_SUCCEEDED(CBIOSInfo::Make(item));
    item->SetType(type);
    item->SetNameText(L"Boot mode");
    return item;
}

UniqueVariant Make(VARTYPE type)
{
    UniqueVariant value;
    V_VT(value.get()) = type;
    return value;
}
UniqueVariant MakeShort(SHORT number)
{
    UniqueVariant value = Make(VT_I2);
    V_I2(value.get()) = number;
    return value;
}
UniqueVariant MakeDouble(double number)
{
    UniqueVariant value = Make(VT_R8);
    V_R8(value.get()) = number;
    return value;
}
UniqueVariant MakeBool(bool on)
{
    UniqueVariant value = Make(VT_BOOL);
    V_BOOL(value.get()) = on ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

template <typename Item>
UniqueVariant ValueOf(Item& item)
{
    UniqueVariant value;
    EXPECT_EQ(S_OK, item.get_Value(value.put()));
    return value;
}

ComPtr<CVariantCollection> ListOf(std::initializer_list<LONG> values)
{
    ComPtr<CVariantCollection> list;
    EXPECT_HRESULT_SUCCEEDED(CVariantCollection::Make(list));
    for (LONG value : values) {
        list->Add(*MakeLong(value).get());
    }
    return list;
}

std::vector<LONG> LongsOf(IVariantCollection* list)
{
    std::vector<LONG> values;
    LONG count = 0;
    list->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        UniqueVariant item;
        list->get_Item(i, item.put());
        values.push_back(V_I4(item.get()));
    }
    return values;
}

TEST(ConfigDataValue, NewItemIsAnEmptyStringWithBoundsCheck)
{
    ComPtr<CBIOSInfo> item;
    ASSERT_HRESULT_SUCCEEDED(CBIOSInfo::Make(item));
    EConfigType type = EConfigType_Date;
    ASSERT_EQ(S_OK, item->get_type(&type));
    EXPECT_EQ(EConfigType_String, type);
    EXPECT_EQ(L"", TextOf(*ValueOf(*item.Get()).get()));
    UniqueVariant defaultValue;
    ASSERT_EQ(S_OK, item->get_DefaultValue(defaultValue.put()));
    EXPECT_EQ(L"", TextOf(*defaultValue.get()));
    EXPECT_TRUE(item->BoundsCheck());
    LONG increment = 0;
    item->get_Increment(&increment);
    EXPECT_EQ(1, increment);
    EXPECT_EQ(E_POINTER, item->get_Value(nullptr));
    EXPECT_EQ(E_POINTER, item->get_Description(nullptr));
}

TEST(ConfigDataValue, ChoiceTakesTheStoredChoicesLetterCase)
{
    auto item = MakeItem(EConfigType_Choice);
    item->AddChoice(*MakeText(L"Enabled").get());
    item->AddChoice(*MakeText(L"Disabled").get());
    ASSERT_EQ(S_OK, item->put_Value(*MakeText(L"dISABLED").get()));
    EXPECT_EQ(L"Disabled", TextOf(*ValueOf(*item.Get()).get()));

    ::SetErrorInfo(0, nullptr);
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->put_Value(*MakeText(L"Auto").get()));
    GUID guid = {};
    EXPECT_EQ(L"The value given for Boot mode is not within its valid range.", TakeErrorDescription(&guid));
    EXPECT_EQ(IID_IConfigData, guid);
    EXPECT_EQ(L"Disabled", TextOf(*ValueOf(*item.Get()).get()));
}

TEST(ConfigDataValue, WithoutBoundsCheckAnUnknownChoiceIsAdded)
{
    auto item = MakeItem(EConfigType_Choice);
    item->AddChoice(*MakeText(L"Enabled").get());
    item->SetBoundsCheck(false);
    ASSERT_EQ(S_OK, item->put_Value(*MakeText(L"Auto").get()));
    item->SetBoundsCheck(true);
    EXPECT_EQ(L"Auto", TextOf(*ValueOf(*item.Get()).get()));
    EXPECT_EQ(2u, item->Choices().Size());
    EXPECT_EQ(S_OK, item->put_Value(*MakeText(L"auto").get()));
}

TEST(ConfigDataValue, IntegerLimitsAreInclusive)
{
    auto item = MakeItem(EConfigType_Integer);
    ASSERT_EQ(S_OK, item->SetMinimum(1));
    ASSERT_EQ(S_OK, item->SetMaximum(10));
    EXPECT_EQ(S_OK, item->put_Value(*MakeLong(1).get()));
    EXPECT_EQ(S_OK, item->put_Value(*MakeLong(10).get()));
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->put_Value(*MakeLong(11).get()));
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->put_Value(*MakeLong(0).get()));
    EXPECT_EQ(10, V_I4(ValueOf(*item.Get()).get()));
    // Numeric text is taken as its number; text that is no number is of the wrong type.
    EXPECT_EQ(S_OK, item->put_Value(*MakeText(L" 7 ").get()));
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->put_Value(*MakeText(L"70").get()));
    EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, item->put_Value(*MakeText(L"seven").get()));
    EXPECT_EQ(VT_I4, V_VT(ValueOf(*item.Get()).get()));
    EXPECT_EQ(7, V_I4(ValueOf(*item.Get()).get()));
}

// A value takes the item's own type when it is set, whatever variant type the script engine
// chose for it; a value that has no form in that type is refused, naming the item, and the
// item keeps its value. The bounds check does not lift the conversion.
TEST(ConfigDataValue, ValuesTakeTheItemsTypeOrAreRefused)
{
    auto integer = MakeItem(EConfigType_Integer);
    integer->SetBoundsCheck(false);
    UniqueVariant beyond = Make(VT_I8);
    V_I8(beyond.get()) = 0x100000000LL;
    UniqueVariant unsignedHigh = Make(VT_UI4);
    V_UI4(unsignedHigh.get()) = 0x80000000u;
    UniqueVariant whole[] = {MakeShort(-7), MakeDouble(-7.0), MakeText(L"-7"), MakeLong(-7)};
    for (UniqueVariant& value : whole) {
        ASSERT_EQ(S_OK, integer->put_Value(*value.get())) << V_VT(value.get());
        EXPECT_EQ(VT_I4, V_VT(ValueOf(*integer.Get()).get()));
        EXPECT_EQ(-7, V_I4(ValueOf(*integer.Get()).get()));
    }
    UniqueVariant notWhole[] = {MakeDouble(7.5), MakeDouble(4294967296.0), std::move(beyond), std::move(unsignedHigh),
                                MakeBool(true), MakeText(L"7.0"), MakeText(L""), Make(VT_EMPTY), Make(VT_NULL),
                                Make(VT_DISPATCH)};
    for (UniqueVariant& value : notWhole) {
        ::SetErrorInfo(0, nullptr);
        EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, integer->put_Value(*value.get())) << V_VT(value.get());
        EXPECT_EQ(L"The value given for Boot mode is not a whole number of 32 bits.", TakeErrorDescription());
    }
    EXPECT_EQ(-7, V_I4(ValueOf(*integer.Get()).get()));

    auto choice = MakeItem(EConfigType_Choice);
    choice->AddChoice(*MakeLong(2).get());
    choice->AddChoice(*MakeText(L"Auto").get());
    EXPECT_EQ(S_OK, choice->put_Value(*MakeShort(2).get()));
    EXPECT_EQ(VT_I4, V_VT(ValueOf(*choice.Get()).get()));
    EXPECT_EQ(S_OK, choice->put_Value(*MakeText(L"auto").get()));
    EXPECT_EQ(L"Auto", TextOf(*ValueOf(*choice.Get()).get()));
    EXPECT_EQ(S_OK, choice->put_Value(*MakeText(L"2").get()));
    EXPECT_EQ(2, V_I4(ValueOf(*choice.Get()).get()));
    // Neither is rounded onto the choice 2.
    EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, choice->put_Value(*MakeDouble(2.4).get()));
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, choice->put_Value(*MakeText(L"2.4").get()));
    EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, choice->put_Value(*MakeBool(true).get()));
    EXPECT_EQ(L"The value given for Boot mode is neither a whole number of 32 bits nor text.", TakeErrorDescription());
    EXPECT_EQ(2u, choice->Choices().Size());

    auto check = MakeItem(EConfigType_Bool);
    const std::pair<UniqueVariant, bool> switches[] = {
        {MakeShort(0), false}, {MakeLong(1), true}, {MakeDouble(0.5), true}, {MakeBool(true), true}};
    for (const auto& [value, on] : switches) {
        ASSERT_EQ(S_OK, check->put_Value(*value.get()));
        EXPECT_EQ(VT_BOOL, V_VT(ValueOf(*check.Get()).get()));
        EXPECT_EQ(on ? VARIANT_TRUE : VARIANT_FALSE, V_BOOL(ValueOf(*check.Get()).get()));
    }
    EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, check->put_DefaultValue(*MakeText(L"TRUE").get()));
    EXPECT_EQ(L"The value given for Boot mode is neither True, False nor a number.", TakeErrorDescription());

    auto text = MakeItem(EConfigType_String);
    EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, text->put_Value(*MakeLong(123).get()));
    EXPECT_EQ(L"The value given for Boot mode is not text.", TakeErrorDescription());
    EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, text->put_Value(*Make(VT_NULL).get()));
    EXPECT_EQ(L"", TextOf(*ValueOf(*text.Get()).get()));
}

// An SMBIOS string is refused at the assignment when no INI line or firmware string could
// hold it; a value read from the board is taken as it is.
TEST(ConfigDataValue, SMBIOSTextsMustBeWritable)
{
    ComPtr<CSMBIOSSetting> item;
    ASSERT_EQ(S_OK, CSMBIOSSetting::MakeForRow(kSMBIOSRows[0], item));
    // "SystemManufacturer=" and 130 bytes fill a line of 149 bytes.
    EXPECT_EQ(130u, SMBIOSValueByteLimit(kSMBIOSRows[0]));
    EXPECT_EQ(S_OK, item->put_Value(*MakeText(std::wstring(130, L'x').c_str()).get()));
    const struct {
        std::wstring text;
        const wchar_t* description;
    } refused[] = {
        {std::wstring(131, L'x'), L"The value given for System Manufacturer is longer than the 130 bytes it can hold."},
        {L"two\r\nlines", L"The value given for System Manufacturer holds a line break or a NUL character."},
        {std::wstring(L"nul\0", 4), L"The value given for System Manufacturer holds a line break or a NUL character."},
        // A lone surrogate has a form in no code page.
        {L"x\xD800", L"The value given for System Manufacturer holds a character that the ANSI code page cannot represent."},
    };
    for (const auto& current : refused) {
        UniqueVariant value;
        V_VT(value.get()) = VT_BSTR;
        V_BSTR(value.get()) = ::SysAllocStringLen(current.text.data(), static_cast<UINT>(current.text.size()));
        ::SetErrorInfo(0, nullptr);
        EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->put_Value(*value.get()));
        GUID guid = {};
        EXPECT_EQ(current.description, TakeErrorDescription(&guid));
        EXPECT_EQ(IID_IConfigData, guid);
    }
    EXPECT_EQ(std::wstring(130, L'x'), TextOf(*ValueOf(*item.Get()).get()));
    if (::GetACP() != CP_UTF8) {
        EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->put_Value(*MakeText(L"snow \x2603").get()));
    }

    const UniqueVariant firmware = MakeText(std::wstring(200, L'f').c_str());
    EXPECT_EQ(S_OK, item->StoreFirmwareValues(*firmware.get(), *firmware.get()));
    EXPECT_TRUE(item->BoundsCheck());
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->put_Value(*firmware.get()));
}

TEST(ConfigDataValue, LimitsAndChoicesBelongToTheirTypes)
{
    auto text = MakeItem(EConfigType_String);
    EXPECT_EQ(ResultCode::E_WRONG_TYPE, text->SetMaximum(5));
    EXPECT_EQ(ResultCode::E_WRONG_TYPE, text->AddChoice(*MakeLong(1).get()));
    UniqueVariant match;
    EXPECT_EQ(E_FAIL, text->GetMatchingChoice(*MakeLong(1).get(), match.get()));
    auto list = MakeItem(EConfigType_OrderedList);
    EXPECT_EQ(S_OK, list->AddChoice(*MakeLong(1).get()));
}

TEST(ConfigDataValue, DefaultValueForType)
{
    auto item = MakeItem(EConfigType_Bool);
    ASSERT_EQ(S_OK, item->SetDefaultValueForType(EConfigType_Bool));
    EXPECT_EQ(VT_BOOL, V_VT(ValueOf(*item.Get()).get()));
    ASSERT_EQ(S_OK, item->SetDefaultValueForType(EConfigType_Integer));
    UniqueVariant defaultValue;
    item->get_DefaultValue(defaultValue.put());
    EXPECT_EQ(VT_I4, V_VT(defaultValue.get()));
    ASSERT_EQ(S_OK, item->SetDefaultValueForType(EConfigType_Date));
    EXPECT_EQ(L"", TextOf(*ValueOf(*item.Get()).get()));
}

class OrderedListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        item = MakeItem(EConfigType_OrderedList);
        for (LONG choice : {0, 3, 5}) {
            item->AddChoice(*MakeLong(choice).get());
        }
    }
    ComPtr<CBIOSInfo> item;
};

TEST_F(OrderedListTest, ValidationRules)
{
    EXPECT_EQ(S_OK, item->ValidateOrderedList(ListOf({3, 0, 0, 5}).Get()));
    EXPECT_EQ(S_OK, item->ValidateOrderedList(ListOf({3, 3}).Get()));  // duplicates are only logged
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->ValidateOrderedList(ListOf({3, 7}).Get()));
    auto withText = ListOf({3});
    withText->Add(*MakeText(L"5").get());
    EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, item->ValidateOrderedList(withText.Get()));
    EXPECT_EQ(E_POINTER, item->ValidateOrderedList(nullptr));
}

TEST_F(OrderedListTest, ValueIsACollectionCopiedInAndOut)
{
    auto list = ListOf({5, 3, 0});
    ASSERT_EQ(S_OK, item->put_Value(*MakeObject(list.Get()).get()));
    list->Clear();  // the item holds its own copy
    UniqueVariant first = ValueOf(*item.Get());
    UniqueVariant second = ValueOf(*item.Get());
    ASSERT_EQ(VT_DISPATCH, V_VT(first.get()));
    ASSERT_EQ(VT_DISPATCH, V_VT(second.get()));
    EXPECT_NE(V_DISPATCH(first.get()), V_DISPATCH(second.get()));
    ComPtr<IVariantCollection> read;
    ASSERT_HRESULT_SUCCEEDED(V_DISPATCH(first.get())->QueryInterface(IID_PPV_ARGS(&read)));
    EXPECT_EQ((std::vector<LONG>{5, 3, 0}), LongsOf(read.Get()));
    read->Clear();
    ComPtr<IVariantCollection> again;
    ASSERT_EQ(S_OK, item->GetOrderedList(&again));
    EXPECT_EQ((std::vector<LONG>{5, 3, 0}), LongsOf(again.Get()));
}

TEST_F(OrderedListTest, RefusedListsLeaveTheValueAlone)
{
    ASSERT_EQ(S_OK, item->put_Value(*MakeObject(ListOf({3}).Get()).get()));
    EXPECT_EQ(ResultCode::E_NOT_VARIANT_COLLECTION, item->put_Value(*MakeLong(3).get()));
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, item->put_Value(*MakeObject(ListOf({3, 7}).Get()).get()));
    auto withText = ListOf({});
    withText->Add(*MakeText(L"x").get());
    EXPECT_EQ(E_FAIL, item->put_Value(*MakeObject(withText.Get()).get()));
    // The default list turns every refusal into E_INVALIDARG.
    EXPECT_EQ(E_INVALIDARG, item->SetDefaultOrderedList(ListOf({7}).Get()));
    ComPtr<IVariantCollection> held;
    ASSERT_EQ(S_OK, item->GetOrderedList(&held));
    EXPECT_EQ((std::vector<LONG>{3}), LongsOf(held.Get()));
}

TEST(ConfigDataCopy, CopyingACollectionOntoItselfKeepsIt)
{
    auto list = ListOf({1, 2});
    EXPECT_EQ(S_OK, IConfigDataImpl<IConfigData>::Copy(list.Get(), list.Get()));
    EXPECT_EQ((std::vector<LONG>{1, 2}), LongsOf(list.Get()));
    auto target = ListOf({9});
    EXPECT_EQ(S_OK, IConfigDataImpl<IConfigData>::Copy(*list.Get(), target.Get()));
    EXPECT_EQ((std::vector<LONG>{1, 2}), LongsOf(target.Get()));
}

TEST(BIOSImage, ImageIsCopiedOutOnlyIntoEnoughRoom)
{
    ComPtr<CBIOSImage> image;
    ASSERT_HRESULT_SUCCEEDED(CBIOSImage::Make(image));
    const uint8_t data[4] = {1, 2, 3, 4};
    const uint8_t mask[4] = {0xFF, 0, 0xFF, 0};
    ASSERT_EQ(S_OK, image->SetImage(4, data, mask));
    unsigned size = 0;
    ASSERT_EQ(S_OK, image->GetBIOSImageSize(&size));
    EXPECT_EQ(4u, size);
    BIOSImageRecord record;
    record.capacity = 3;
    EXPECT_EQ(ResultCode::E_BUFFERTOOSMALL, image->GetBIOSImage(&record));
    EXPECT_TRUE(record.data.empty());
    record.capacity = 4;
    ASSERT_EQ(S_OK, image->GetBIOSImage(&record));
    EXPECT_EQ(4u, record.size);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4}), record.data);
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0, 0xFF, 0}), record.mask);
    EXPECT_EQ(E_POINTER, image->SetImage(2, nullptr, mask));
    ASSERT_EQ(S_OK, image->GetBIOSImageSize(&size));
    EXPECT_EQ(4u, size);
}

TEST(BIOSImage, PasswordErrorStopsAtTheEndOfItsBuffer)
{
    ComPtr<CBIOSImage> image;
    ASSERT_HRESULT_SUCCEEDED(CBIOSImage::Make(image));
    std::wstring text = L"unchanged";
    ASSERT_EQ(S_OK, image->GetPasswordError(&text));
    EXPECT_EQ(L"unchanged", text);
    const char unterminated[] = {'O', 'v', 'e', 'r'};
    EXPECT_EQ(E_FAIL, image->SetPasswordError(0, unterminated));
    ASSERT_EQ(S_OK, image->SetPasswordError(sizeof unterminated, unterminated));
    ASSERT_EQ(S_OK, image->GetPasswordError(&text));
    EXPECT_EQ(L"Over", text);
    const std::string longText(400, 'x');
    ASSERT_EQ(S_OK, image->SetPasswordError(static_cast<unsigned>(longText.size()), longText.data()));
    ASSERT_EQ(S_OK, image->GetPasswordError(&text));
    EXPECT_EQ(259u, text.size());
}

TEST(TokensSetting, LockAndHideNeedTheirControl)
{
    ComPtr<CTokensSetting> token;
    ASSERT_HRESULT_SUCCEEDED(CTokensSetting::Make(token));
    EXPECT_EQ(ResultCode::E_LOCK_HIDE, token->put_Locked(VARIANT_TRUE));
    EXPECT_EQ(ResultCode::E_LOCK_HIDE, token->put_Hidden(VARIANT_TRUE));
    VARIANT_BOOL flag = VARIANT_TRUE;
    token->get_Locked(&flag);
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_FALSE(token->LockedChanged());
    token->SetLockable(true);
    EXPECT_EQ(S_OK, token->put_Locked(VARIANT_TRUE));
    token->get_Locked(&flag);
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_TRUE(token->LockedChanged());

    token->SetType(EConfigType_Choice);
    UniqueVariant enabled;
    V_VT(enabled.get()) = VT_BSTR;
    V_BSTR(enabled.get()) = ::SysAllocString(L"Enabled");
    ASSERT_EQ(S_OK, token->AddChoice(1, *enabled.get()));
    UniqueVariant number;
    V_VT(number.get()) = VT_I4;
    EXPECT_EQ(E_FAIL, token->AddChoice(2, *number.get()));
    std::wstring mapped;
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, token->GetMapping(2, mapped));
    ASSERT_EQ(S_OK, token->GetMapping(1, mapped));
    EXPECT_EQ(L"Enabled", mapped);
    UniqueBstr text;
    ASSERT_EQ(S_OK, token->GetStringForValue(1, text.put()));
    EXPECT_STREQ(L"Enabled", text.c_str());
    EXPECT_EQ(ResultCode::E_VARIABLE_NOT_FOUND, token->GetStringForValue(2, text.put()));
    ComPtr<IConfigData> asItem;
    EXPECT_HRESULT_SUCCEEDED(token->QueryInterface(IID_PPV_ARGS(&asItem)));
}

} // namespace
