// Configuration trees: the visiting order, the E_NOTIMPL rule, failing callbacks, duplicate
// and cyclic adds, the searches, the component mask, and reference counts over big trees.
#include "config/BIOSImage.h"
#include "config/BIOSInfo.h"
#include "config/ComponentMask.h"
#include "config/ConfigGroup.h"
#include "config/CoolingSetting.h"
#include "config/DataOperation.h"
#include "config/SMBIOSSetting.h"
#include "config/SearchforGroupOperation.h"
#include "config/SearchforTokenOperation.h"
#include "config/TokensSetting.h"
#include "frame/ResultCodes.h"

#include "ConfigTestSupport.h"
#include "ModuleLock.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Records every callback as "start A", "finish A" or "item x"; fails at a chosen one.
class CRecordingOperation final : public DataOperationObject<CRecordingOperation> {
public:
    HRESULT OnGroupStart(CConfigGroup* group) override { return Record(L"start " + labels[group]); }
    HRESULT OnGroupFinish(CConfigGroup* group) override { return Record(L"finish " + labels[group]); }
    HRESULT ProcessConfigData(CBIOSInfo* item) override { return Record(L"item " + item->Name()); }
    HRESULT ProcessConfigData(CSMBIOSSetting* item) override { return Record(L"item " + item->Name()); }
    using CDataOperation::ProcessConfigData;
    HRESULT Execute() override { return E_NOTIMPL; }

    std::map<CConfigGroup*, std::wstring> labels;
    std::vector<std::wstring> calls;
    std::wstring failAt;
    HRESULT success = S_OK;

private:
    HRESULT Record(std::wstring call)
    {
        calls.push_back(call);
        return call == failAt ? E_ABORT : success;
    }
};

class CDoNothingOperation final : public DataOperationObject<CDoNothingOperation> {
public:
    HRESULT Execute() override { return E_NOTIMPL; }
};

ComPtr<CConfigGroup> MakeGroup(EConfigGroupID id = EConfigGroup_Default)
{
    ComPtr<CConfigGroup> group;
    EXPECT_EQ(S_OK, CConfigGroup::CreateAndSetupGroup(group.GetAddressOf(), id, 0));
    return group;
}

template <typename Item>
ComPtr<Item> MakeNamed(const wchar_t* name)
{
    ComPtr<Item> item;
    EXPECT_HRESULT_SUCCEEDED(Item::Make(item));
    item->SetNameText(name);
    return item;
}

class ConfigTreeTest : public ::testing::Test {
protected:
    // root ─ A ─ A1 (item a)
    //      ├ B
    //      ├ item x (BIOS info)
    //      └ item y (SMBIOS)
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CRecordingOperation::Make(operation));
        root = MakeGroup(EConfigGroup_Root);
        auto a = MakeGroup(EConfigGroup_BIOS);
        auto a1 = MakeGroup(EConfigGroup_SMBIOS);
        auto b = MakeGroup(EConfigGroup_SMBIOS);
        operation->labels = {{root.Get(), L"root"}, {a.Get(), L"A"}, {a1.Get(), L"A1"}, {b.Get(), L"B"}};
        ASSERT_EQ(S_OK, a1->AddChildData(MakeNamed<CBIOSInfo>(L"a").Get()));
        ASSERT_EQ(S_OK, a->AddChildGroup(a1.Get()));
        ASSERT_EQ(S_OK, root->AddChildGroup(a.Get()));
        ASSERT_EQ(S_OK, root->AddChildGroup(b.Get()));
        ASSERT_EQ(S_OK, root->AddChildData(MakeNamed<CBIOSInfo>(L"x").Get()));
        ASSERT_EQ(S_OK, root->AddChildData(MakeNamed<CSMBIOSSetting>(L"y").Get()));
        secondSmbios = b;
    }
    ComPtr<CRecordingOperation> operation;
    ComPtr<CConfigGroup> root;
    ComPtr<CConfigGroup> secondSmbios;
};

TEST_F(ConfigTreeTest, WalksDepthFirstChildGroupsBeforeItems)
{
    ASSERT_EQ(S_OK, operation->Configure(root.Get(), CComponentMask(0x1F)));
    EXPECT_EQ((std::vector<std::wstring>{L"start root", L"start A", L"start A1", L"item a", L"finish A1",
                                         L"finish A", L"start B", L"finish B", L"item x", L"item y", L"finish root"}),
              operation->calls);
}

TEST_F(ConfigTreeTest, SuccessCodesDoNotStopTheWalk)
{
    operation->success = ResultCode::S_NOT_FOUND;
    ASSERT_EQ(S_OK, operation->Configure(root.Get(), CComponentMask()));
    EXPECT_EQ(11u, operation->calls.size());
}

TEST_F(ConfigTreeTest, AFailingCallbackStopsTheWalk)
{
    operation->failAt = L"finish A";
    EXPECT_EQ(E_ABORT, operation->Configure(root.Get(), CComponentMask()));
    EXPECT_EQ(L"finish A", operation->calls.back());
    operation->calls.clear();
    operation->failAt = L"item x";
    EXPECT_EQ(E_ABORT, operation->Configure(root.Get(), CComponentMask()));
    EXPECT_EQ(L"item x", operation->calls.back());  // y and the root's finish are not visited
}

TEST_F(ConfigTreeTest, AnOperationThatImplementsNothingSucceeds)
{
    ComPtr<CDoNothingOperation> nothing;
    ASSERT_HRESULT_SUCCEEDED(CDoNothingOperation::Make(nothing));
    auto tokens = MakeGroup(EConfigGroup_Tokens);
    ComPtr<CTokensSetting> token;
    ASSERT_HRESULT_SUCCEEDED(CTokensSetting::Make(token));
    tokens->AddChildData(token.Get());
    ComPtr<CBIOSImage> image;
    ComPtr<CCoolingSetting> cooling;
    ASSERT_HRESULT_SUCCEEDED(CBIOSImage::Make(image));
    ASSERT_HRESULT_SUCCEEDED(CCoolingSetting::Make(cooling));
    tokens->AddChildData(image.Get());
    tokens->AddChildData(cooling.Get());
    root->AddChildGroup(tokens.Get());
    EXPECT_EQ(S_OK, nothing->Configure(root.Get(), CComponentMask()));
}

TEST_F(ConfigTreeTest, AcceptRefusesNullAndForeignOperations)
{
    EXPECT_EQ(E_POINTER, root->Accept(nullptr));
    auto item = MakeNamed<CBIOSInfo>(L"z");
    EXPECT_EQ(E_POINTER, item->Accept(nullptr));
    // An IDataOperation that is not one of ours (a script could pass any object).
    class Foreign final : public ComObject<Foreign, ServerDispatch<IDataOperation>> {};
    ComPtr<Foreign> foreign;
    ASSERT_HRESULT_SUCCEEDED(Foreign::Make(foreign));
    EXPECT_EQ(E_INVALIDARG, root->Accept(foreign.Get()));
    EXPECT_EQ(E_INVALIDARG, item->Accept(foreign.Get()));
    EXPECT_EQ(E_POINTER, operation->Configure(nullptr, CComponentMask()));
}

TEST_F(ConfigTreeTest, SameObjectIsAddedOnce)
{
    auto item = MakeNamed<CBIOSInfo>(L"twice");
    ASSERT_EQ(S_OK, root->AddChildData(item.Get()));
    EXPECT_EQ(ResultCode::E_ALREADY_IN_COLLECTION, root->AddChildData(item.Get()));
    EXPECT_EQ(3u, root->DataItems().Size());
    EXPECT_EQ(S_OK, root->DataItems().IsElementAlreadyInList(item.Get()));
    EXPECT_EQ(E_POINTER, root->AddChildData(nullptr));
    EXPECT_EQ(ResultCode::E_ALREADY_IN_COLLECTION, root->AddChildGroup(secondSmbios.Get()));
}

TEST_F(ConfigTreeTest, AGroupCannotBePlacedBelowItself)
{
    EXPECT_EQ(E_INVALIDARG, root->AddChildGroup(root.Get()));
    EXPECT_EQ(E_INVALIDARG, secondSmbios->AddChildGroup(root.Get()));
    EXPECT_EQ(2u, root->ChildGroups().Size());
    EXPECT_EQ(0u, secondSmbios->ChildGroups().Size());
}

TEST_F(ConfigTreeTest, CollectionsCountFromOne)
{
    ComPtr<IConfigGroupCollection> children;
    ASSERT_EQ(S_OK, root->get_ChildGroupCollection(&children));
    ComPtr<IConfigGroup> child;
    EXPECT_EQ(E_INVALIDARG, children->get_Item(0, &child));
    EXPECT_EQ(E_FAIL, children->get_Item(3, &child));
    ASSERT_EQ(S_OK, children->get_Item(2, &child));
    EXPECT_EQ(static_cast<IConfigGroup*>(secondSmbios.Get()), child.Get());

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, children->get__NewEnum(&unknown));
    ComPtr<IEnumVARIANT> enumerator;
    ASSERT_HRESULT_SUCCEEDED(unknown.As(&enumerator));
    VARIANT elements[3];
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, enumerator->Next(3, elements, &fetched));
    ASSERT_EQ(2u, fetched);
    // Script engines can call only what they enumerate as VT_DISPATCH.
    ASSERT_EQ(VT_DISPATCH, V_VT(&elements[0]));
    ComPtr<IConfigGroup> first;
    ASSERT_HRESULT_SUCCEEDED(V_DISPATCH(&elements[1])->QueryInterface(IID_PPV_ARGS(&first)));
    EXPECT_EQ(static_cast<IConfigGroup*>(secondSmbios.Get()), first.Get());
    ::VariantClear(&elements[0]);
    ::VariantClear(&elements[1]);
}

TEST_F(ConfigTreeTest, GroupSearchFindsTheLastMatchOrNone)
{
    ComPtr<CSearchforGroupOperation> search;
    ASSERT_HRESULT_SUCCEEDED(CSearchforGroupOperation::Make(search));
    ComPtr<IConfigGroup> found;
    ASSERT_EQ(S_OK, search->FindGroupByID(EConfigGroup_SMBIOS, root.Get(), &found));
    EXPECT_EQ(static_cast<IConfigGroup*>(secondSmbios.Get()), found.Get());
    found.Reset();
    EXPECT_EQ(ResultCode::S_NOT_FOUND, search->FindGroupByID(EConfigGroup_Tokens, root.Get(), &found));
    EXPECT_EQ(nullptr, found.Get());
    EXPECT_EQ(E_POINTER, search->FindGroupByID(EConfigGroup_Root, nullptr, &found));
    EXPECT_EQ(E_NOTIMPL, search->Execute());
}

TEST_F(ConfigTreeTest, TokenSearchComparesTheFirstUQIUnit)
{
    auto tokens = MakeGroup(EConfigGroup_Tokens);
    ComPtr<CTokensSetting> first;
    ComPtr<CTokensSetting> second;
    ComPtr<CTokensSetting> noUqi;
    ASSERT_HRESULT_SUCCEEDED(CTokensSetting::Make(first));
    ASSERT_HRESULT_SUCCEEDED(CTokensSetting::Make(second));
    ASSERT_HRESULT_SUCCEEDED(CTokensSetting::Make(noUqi));
    first->SetUQI(std::wstring(1, wchar_t(0x0123)) + L"rest");
    second->SetUQI(std::wstring(1, wchar_t(0x0456)));
    tokens->AddChildData(noUqi.Get());
    tokens->AddChildData(first.Get());
    tokens->AddChildData(second.Get());
    root->AddChildGroup(tokens.Get());

    ComPtr<CSearchforTokenOperation> search;
    ASSERT_HRESULT_SUCCEEDED(CSearchforTokenOperation::Make(search));
    ComPtr<ITokenConfigData> found;
    const unsigned short sought[] = {0x0456, 0x1111};
    ASSERT_EQ(S_OK, search->FindTokenByUQI(sought, root.Get(), &found));
    EXPECT_EQ(static_cast<ITokenConfigData*>(second.Get()), found.Get());
    const unsigned short absent[] = {0x0789};
    EXPECT_EQ(ResultCode::S_NOT_FOUND, search->FindTokenByUQI(absent, root.Get(), &found));
    EXPECT_EQ(nullptr, found.Get());
    const unsigned short zero[] = {0};
    EXPECT_EQ(ResultCode::S_NOT_FOUND, search->FindTokenByUQI(zero, root.Get(), &found));
    EXPECT_EQ(E_POINTER, search->FindTokenByUQI(nullptr, root.Get(), &found));
}

TEST(ComponentMask, SelectsByBit)
{
    const CComponentMask mask(0x12);
    EXPECT_TRUE(mask.IsBIOSSkipped());
    EXPECT_FALSE(mask.IsSMBIOSSkipped());
    EXPECT_TRUE(mask.IsCoolingSkipped());
    EXPECT_TRUE(mask.IsPayloadSkipped());
    EXPECT_FALSE(mask.IsTokensSkipped());
    EXPECT_FALSE(mask.IsCombinedSkipped());
    const CComponentMask none;
    EXPECT_TRUE(none.IsBIOSSkipped() && none.IsSMBIOSSkipped() && none.IsTokensSkipped() && none.IsCombinedSkipped());
    EXPECT_FALSE(CComponentMask(0x20).IsCombinedSkipped());
    EXPECT_TRUE(CComponentMask(0x0D).IsCombinedSkipped());
    EXPECT_FALSE(CComponentMask(0xFFFFFFE1).IsBIOSSkipped());
    EXPECT_STREQ(L"Tokens Configuration Data", CComponentMask::NameOf(0x10));
}

// Builds a tree of `count` items of every class, with choices and ordered lists that hold
// further collections, walks it and releases it.
void BuildWalkAndRelease(int count)
{
    auto root = MakeGroup(EConfigGroup_Root);
    ComPtr<CConfigGroup> group;
    for (int i = 0; i < count; ++i) {
        if (i % 100 == 0) {
            group = MakeGroup();
            ASSERT_EQ(S_OK, root->AddChildGroup(group.Get()));
        }
        ComPtr<CBIOSInfo> item;
        ASSERT_HRESULT_SUCCEEDED(CBIOSInfo::Make(item));
        item->SetType(EConfigType_OrderedList);
        item->AddChoice(*MakeLong(1).get());
        ComPtr<CVariantCollection> list;
        ASSERT_HRESULT_SUCCEEDED(CVariantCollection::Make(list));
        list->Add(*MakeLong(1).get());
        ASSERT_EQ(S_OK, item->put_Value(*MakeObject(list.Get()).get()));
        UniqueVariant read;
        ASSERT_EQ(S_OK, item->get_Value(read.put()));
        ASSERT_EQ(S_OK, group->AddChildData(item.Get()));
        ComPtr<CTokensSetting> token;
        ASSERT_HRESULT_SUCCEEDED(CTokensSetting::Make(token));
        token->Choices().Add(*MakeObject(list.Get()).get());
        ASSERT_EQ(S_OK, group->AddChildData(token.Get()));
    }
    ComPtr<CSearchforGroupOperation> search;
    ASSERT_HRESULT_SUCCEEDED(CSearchforGroupOperation::Make(search));
    ComPtr<IConfigGroup> found;
    ASSERT_EQ(S_OK, search->FindGroupByID(EConfigGroup_Default, root.Get(), &found));
    ComPtr<IConfigDataCollection> items;
    ASSERT_EQ(S_OK, found->get_DataCollection(&items));
    ComPtr<IUnknown> enumerator;
    ASSERT_EQ(S_OK, items->get__NewEnum(&enumerator));
}

TEST(ConfigTreeLifetime, EveryObjectOfABigTreeIsReleased)
{
    const long before = ModuleLock::Count();
    for (int round = 0; round < 10; ++round) {
        BuildWalkAndRelease(10000);
        ASSERT_EQ(before, ModuleLock::Count()) << "round " << round;
    }
}

} // namespace
