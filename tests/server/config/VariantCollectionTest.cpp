// CVariantCollection: index bases, bounds, copies of stored values, the live enumerator and
// the search with its coercion rules.
#include "config/VariantCollection.h"
#include "frame/ResultCodes.h"

#include "ConfigTestSupport.h"

#include <gtest/gtest.h>

namespace {

class VariantCollectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CVariantCollection::Make(collection));
        for (LONG value : {10, 20, 30}) {
            ASSERT_EQ(S_OK, collection->Add(*MakeLong(value).get()));
        }
    }
    std::vector<LONG> Values()
    {
        std::vector<LONG> values;
        for (size_t i = 0; i < collection->Size(); ++i) {
            values.push_back(V_I4(&collection->ElementAt(i)));
        }
        return values;
    }
    ComPtr<CVariantCollection> collection;
};

TEST_F(VariantCollectionTest, ItemCountsFromOne)
{
    UniqueVariant item;
    EXPECT_EQ(E_INVALIDARG, collection->get_Item(0, item.put()));
    EXPECT_EQ(E_FAIL, collection->get_Item(4, item.put()));
    ASSERT_EQ(S_OK, collection->get_Item(1, item.put()));
    EXPECT_EQ(10, V_I4(item.get()));
    ASSERT_EQ(S_OK, collection->get_Item(3, item.put()));
    EXPECT_EQ(30, V_I4(item.get()));
}

TEST_F(VariantCollectionTest, SwapInsertRemoveCountFromZero)
{
    EXPECT_EQ(S_OK, collection->Swap(0, 2));
    EXPECT_EQ((std::vector<LONG>{30, 20, 10}), Values());
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, collection->Swap(0, 3));
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, collection->Swap(-1, 0));
    EXPECT_EQ((std::vector<LONG>{30, 20, 10}), Values());

    EXPECT_EQ(S_OK, collection->Insert(3, *MakeLong(40).get()));  // Count appends
    EXPECT_EQ(S_OK, collection->Insert(0, *MakeLong(5).get()));
    EXPECT_EQ((std::vector<LONG>{5, 30, 20, 10, 40}), Values());
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, collection->Insert(6, *MakeLong(1).get()));
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, collection->Insert(-1, *MakeLong(1).get()));

    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, collection->Remove(5));
    EXPECT_EQ(S_OK, collection->Remove(0));
    EXPECT_EQ((std::vector<LONG>{30, 20, 10, 40}), Values());
    EXPECT_EQ(S_OK, collection->Clear());
    EXPECT_EQ(ResultCode::E_OUT_OF_BOUNDS, collection->Remove(0));
}

TEST_F(VariantCollectionTest, RefusalsCarryTheirDescriptionAndInterface)
{
    ::SetErrorInfo(0, nullptr);
    ASSERT_EQ(ResultCode::E_OUT_OF_BOUNDS, collection->Remove(3));
    GUID guid = {};
    EXPECT_EQ(L"A specified value was outside the valid range", TakeErrorDescription(&guid));
    EXPECT_EQ(IID_IVariantCollection, guid);
    ASSERT_EQ(ResultCode::E_OUT_OF_BOUNDS, collection->Swap(7, 0));
    EXPECT_EQ(L"A specified INI value is not within the valid range.", TakeErrorDescription());
}

TEST_F(VariantCollectionTest, StoresTheValueBehindAReference)
{
    // Scripts pass variables by reference; the collection must not keep the script's address.
    VARIANT target;
    ::VariantInit(&target);
    V_VT(&target) = VT_I4;
    V_I4(&target) = 77;
    VARIANT reference;
    ::VariantInit(&reference);
    V_VT(&reference) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&reference) = &target;
    ASSERT_EQ(S_OK, collection->Add(reference));
    V_I4(&target) = 78;
    UniqueVariant item;
    ASSERT_EQ(S_OK, collection->get_Item(4, item.put()));
    EXPECT_EQ(VT_I4, V_VT(item.get()));
    EXPECT_EQ(77, V_I4(item.get()));
}

TEST_F(VariantCollectionTest, EnumeratorReadsTheLiveSequence)
{
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, collection->get__NewEnum(&unknown));
    ComPtr<IEnumVARIANT> enumerator;
    ASSERT_HRESULT_SUCCEEDED(unknown.As(&enumerator));
    UniqueVariant item;
    ULONG fetched = 0;
    ASSERT_EQ(S_OK, enumerator->Next(1, item.put(), &fetched));
    EXPECT_EQ(10, V_I4(item.get()));
    collection->Add(*MakeLong(40).get());
    collection->Remove(1);  // 10, 30, 40: the enumerator stands at position 1
    std::vector<LONG> rest;
    while (enumerator->Next(1, item.put(), &fetched) == S_OK) {
        rest.push_back(V_I4(item.get()));
    }
    EXPECT_EQ((std::vector<LONG>{30, 40}), rest);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(S_OK, enumerator->Reset());
    ASSERT_EQ(S_OK, enumerator->Skip(2));
    ASSERT_EQ(S_OK, enumerator->Clone(&clone));
    ASSERT_EQ(S_OK, clone->Next(1, item.put(), nullptr));
    EXPECT_EQ(40, V_I4(item.get()));
    EXPECT_EQ(S_FALSE, clone->Skip(1));
}

TEST(VariantCollectionSearch, CoercesToEachElementsTypeAndIgnoresCaseOfText)
{
    ComPtr<CVariantCollection> choices;
    ASSERT_HRESULT_SUCCEEDED(CVariantCollection::Make(choices));
    choices->Add(*MakeText(L"Enabled").get());
    choices->Add(*MakeLong(3).get());
    UniqueVariant match;
    ASSERT_EQ(S_OK, choices->IsElementAlreadyInList(*MakeText(L"ENABLED").get(), match.get()));
    EXPECT_EQ(L"Enabled", TextOf(*match.get()));
    ASSERT_EQ(S_OK, choices->IsElementAlreadyInList(*MakeText(L"3").get(), match.put()));
    EXPECT_EQ(VT_I4, V_VT(match.get()));
    EXPECT_EQ(S_FALSE, choices->IsElementAlreadyInList(*MakeText(L"Disabled").get()));
    EXPECT_EQ(S_FALSE, choices->IsElementAlreadyInList(*MakeLong(4).get()));
    EXPECT_EQ(S_OK, choices->IsElementAlreadyInList(*MakeLong(3).get()));
}

TEST(VariantCollectionSearch, NullEqualsNullAndEmptyMatchesOnlyEmpty)
{
    ComPtr<CVariantCollection> choices;
    ASSERT_HRESULT_SUCCEEDED(CVariantCollection::Make(choices));
    UniqueVariant nullValue;
    V_VT(nullValue.get()) = VT_NULL;
    choices->Add(*nullValue.get());
    EXPECT_EQ(S_OK, choices->IsElementAlreadyInList(*nullValue.get()));
    EXPECT_EQ(S_FALSE, choices->IsElementAlreadyInList(*MakeLong(0).get()));
    choices->Clear();
    choices->Add(*UniqueVariant().get());
    EXPECT_EQ(S_FALSE, choices->IsElementAlreadyInList(*MakeLong(1).get()));
    EXPECT_EQ(S_OK, choices->IsElementAlreadyInList(*UniqueVariant().get()));
}

} // namespace
