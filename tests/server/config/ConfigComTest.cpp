// The configuration classes through the registered server: created by ProgID and driven by
// name through IDispatch, as scripts do, so that a drift between the type library and the
// vtables shows.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include "Owners.h"
#include "ServerLib.h"

#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

class ComApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { ::CoUninitialize(); }
};
const auto* const g_apartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

ComPtr<IDispatch> Create(const wchar_t* progId)
{
    CLSID clsid = {};
    ComPtr<IDispatch> object;
    EXPECT_EQ(S_OK, ::CLSIDFromProgID(progId, &clsid)) << "ProgID not registered";
    EXPECT_EQ(S_OK, ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)));
    return object;
}

struct CallResult {
    HRESULT hr;
    UniqueVariant value;
    std::wstring description;
    SCODE scode = S_OK;
};

// Calls `name` with `arguments` (in call order) the way a script host does.
CallResult Call(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> arguments = {})
{
    CallResult result{};
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    result.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result.hr)) {
        return result;
    }
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    result.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                               flags == DISPATCH_PROPERTYPUT ? nullptr : result.value.get(), &exception,
                               &argumentError);
    if (result.hr == DISP_E_EXCEPTION) {
        result.scode = exception.scode;
        result.description = exception.bstrDescription ? exception.bstrDescription : L"";
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrHelpFile);
    }
    for (VARIANT& argument : arguments) {
        ::VariantClear(&argument);
    }
    return result;
}

VARIANT Long(LONG value)
{
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT Text(const wchar_t* text)
{
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = ::SysAllocString(text);
    return v;
}

VARIANT Object(IDispatch* object)
{
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = object;
    object->AddRef();
    return v;
}

// The failure of a call, whether the dispatch layer reports it as an exception or directly.
HRESULT FailureOf(const CallResult& result)
{
    return result.hr == DISP_E_EXCEPTION ? result.scode : result.hr;
}

std::vector<LONG> Contents(IDispatch* collection)
{
    std::vector<LONG> values;
    const LONG count = V_I4(Call(collection, L"Count", DISPATCH_PROPERTYGET).value.get());
    for (LONG i = 1; i <= count; ++i) {
        CallResult item = Call(collection, L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {Long(i)});
        values.push_back(V_I4(item.value.get()));
    }
    return values;
}

TEST(ConfigCom, EveryConfigurationClassIsCreatableByProgId)
{
    for (const wchar_t* progId :
         {L"Server.ConfigChoiceCollection.1", L"Server.BIOSImage.1", L"Server.BIOSInfo.1", L"Server.SMBIOSSetting.1",
          L"Server.CoolingSetting.1", L"Server.TokensSetting.1", L"Server.ConfigGroupCollection.1",
          L"Server.ConfigDataCollection.1", L"Server.ConfigGroup.1", L"Server.Utility.1"}) {
        SCOPED_TRACE(::testing::Message() << std::string(progId, progId + wcslen(progId)));
        ComPtr<IDispatch> object = Create(progId);
        ASSERT_TRUE(object);
        ComPtr<ISupportErrorInfo> errorInfo;
        EXPECT_HRESULT_SUCCEEDED(object.As(&errorInfo));
    }
}

TEST(ConfigCom, VariantCollectionByName)
{
    ComPtr<IDispatch> collection = Create(L"Server.ConfigChoiceCollection.1");
    ASSERT_TRUE(collection);
    for (LONG value : {1, 2, 3}) {
        ASSERT_EQ(S_OK, Call(collection.Get(), L"Add", DISPATCH_METHOD, {Long(value)}).hr);
    }
    ASSERT_EQ(S_OK, Call(collection.Get(), L"Insert", DISPATCH_METHOD, {Long(3), Long(4)}).hr);
    ASSERT_EQ(S_OK, Call(collection.Get(), L"Swap", DISPATCH_METHOD, {Long(0), Long(3)}).hr);
    ASSERT_EQ(S_OK, Call(collection.Get(), L"Remove", DISPATCH_METHOD, {Long(1)}).hr);
    EXPECT_EQ((std::vector<LONG>{4, 3, 1}), Contents(collection.Get()));

    CallResult refused = Call(collection.Get(), L"Remove", DISPATCH_METHOD, {Long(3)});
    ASSERT_EQ(DISP_E_EXCEPTION, refused.hr);  // the error object reaches the caller
    EXPECT_EQ(static_cast<HRESULT>(0x82390011), refused.scode);
    EXPECT_EQ(L"A specified value was outside the valid range", refused.description);
    EXPECT_EQ(E_INVALIDARG,
              FailureOf(Call(collection.Get(), L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {Long(0)})));
    ASSERT_EQ(S_OK, Call(collection.Get(), L"Clear", DISPATCH_METHOD).hr);
    EXPECT_EQ(0, V_I4(Call(collection.Get(), L"Count", DISPATCH_PROPERTYGET).value.get()));
}

TEST(ConfigCom, ItemPropertiesByName)
{
    ComPtr<IDispatch> item = Create(L"Server.BIOSInfo.1");
    ASSERT_TRUE(item);
    EXPECT_EQ(EConfigType_String, V_I4(Call(item.Get(), L"Type", DISPATCH_PROPERTYGET).value.get()));
    ASSERT_EQ(S_OK, Call(item.Get(), L"Value", DISPATCH_PROPERTYPUT, {Text(L"Version 1")}).hr);
    CallResult value = Call(item.Get(), L"Value", DISPATCH_PROPERTYGET);
    ASSERT_EQ(VT_BSTR, V_VT(value.value.get()));
    EXPECT_STREQ(L"Version 1", V_BSTR(value.value.get()));
    EXPECT_EQ(1, V_I4(Call(item.Get(), L"Increment", DISPATCH_PROPERTYGET).value.get()));
    EXPECT_EQ(VARIANT_FALSE, V_BOOL(Call(item.Get(), L"IsReadOnly", DISPATCH_PROPERTYGET).value.get()));
    CallResult choices = Call(item.Get(), L"ChoiceCollection", DISPATCH_PROPERTYGET);
    ASSERT_EQ(VT_DISPATCH, V_VT(choices.value.get()));
    EXPECT_TRUE(Contents(V_DISPATCH(choices.value.get())).empty());

    ComPtr<IDispatch> token = Create(L"Server.TokensSetting.1");
    ASSERT_TRUE(token);
    CallResult locked = Call(token.Get(), L"Locked", DISPATCH_PROPERTYPUT, {[] {
                                 VARIANT v;
                                 ::VariantInit(&v);
                                 V_VT(&v) = VT_BOOL;
                                 V_BOOL(&v) = VARIANT_TRUE;
                                 return v;
                             }()});
    EXPECT_EQ(static_cast<HRESULT>(0x8239002F), FailureOf(locked));
    EXPECT_EQ(VARIANT_TRUE, V_BOOL(Call(token.Get(), L"IsApplicable", DISPATCH_PROPERTYGET).value.get()));
}

TEST(ConfigCom, GroupByName)
{
    ComPtr<IDispatch> group = Create(L"Server.ConfigGroup.1");
    ASSERT_TRUE(group);
    CallResult name = Call(group.Get(), L"Name", DISPATCH_PROPERTYGET);
    ASSERT_EQ(S_OK, name.hr);
    EXPECT_EQ(0u, ::SysStringLen(V_BSTR(name.value.get())));
    CallResult children = Call(group.Get(), L"ChildGroupCollection", DISPATCH_PROPERTYGET);
    ASSERT_EQ(VT_DISPATCH, V_VT(children.value.get()));
    EXPECT_EQ(0, V_I4(Call(V_DISPATCH(children.value.get()), L"Count", DISPATCH_PROPERTYGET).value.get()));
    CallResult items = Call(group.Get(), L"DataCollection", DISPATCH_PROPERTYGET);
    ASSERT_EQ(VT_DISPATCH, V_VT(items.value.get()));
    EXPECT_EQ(E_INVALIDARG, FailureOf(Call(V_DISPATCH(items.value.get()), L"Item",
                                           DISPATCH_PROPERTYGET | DISPATCH_METHOD, {Long(0)})));
}

// JScript's Enumerator asks for the enumerator as a method, VBScript's For Each as a method
// or property; both must get it from every collection class.
TEST(ConfigCom, EveryCollectionHandsOutItsEnumeratorToAMethodCall)
{
    ComPtr<IDispatch> choices = Create(L"Server.ConfigChoiceCollection.1");
    ComPtr<IDispatch> group = Create(L"Server.ConfigGroup.1");
    ASSERT_TRUE(choices && group);
    ASSERT_EQ(S_OK, Call(choices.Get(), L"Add", DISPATCH_METHOD, {Text(L"Enabled")}).hr);
    CallResult children = Call(group.Get(), L"ChildGroupCollection", DISPATCH_PROPERTYGET);
    CallResult items = Call(group.Get(), L"DataCollection", DISPATCH_PROPERTYGET);
    ASSERT_EQ(VT_DISPATCH, V_VT(children.value.get()));
    ASSERT_EQ(VT_DISPATCH, V_VT(items.value.get()));
    for (IDispatch* collection : {choices.Get(), V_DISPATCH(children.value.get()), V_DISPATCH(items.value.get())}) {
        for (WORD flags : {WORD(DISPATCH_METHOD), WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
            DISPPARAMS none = {};
            UniqueVariant result;
            ASSERT_EQ(S_OK, collection->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, flags, &none,
                                               result.get(), nullptr, nullptr));
            ASSERT_EQ(VT_UNKNOWN, V_VT(result.get()));
            ComPtr<IEnumVARIANT> enumerator;
            EXPECT_HRESULT_SUCCEEDED(V_UNKNOWN(result.get())->QueryInterface(IID_PPV_ARGS(&enumerator)));
        }
    }
}

TEST(ConfigCom, UtilityHandsBackACollectionFromAVariant)
{
    ComPtr<IDispatch> utility = Create(L"Server.Utility.1");
    ComPtr<IDispatch> collection = Create(L"Server.ConfigChoiceCollection.1");
    ASSERT_TRUE(utility && collection);
    CallResult converted =
        Call(utility.Get(), L"GetVariantCollectionFromVariant", DISPATCH_METHOD, {Object(collection.Get())});
    ASSERT_EQ(S_OK, converted.hr);
    ASSERT_EQ(VT_DISPATCH, V_VT(converted.value.get()));
    ComPtr<IVariantCollection> typed;
    ASSERT_HRESULT_SUCCEEDED(V_DISPATCH(converted.value.get())->QueryInterface(IID_PPV_ARGS(&typed)));
    ComPtr<IUnknown> left;
    ComPtr<IUnknown> right;
    typed.As(&left);
    collection.As(&right);
    EXPECT_EQ(left.Get(), right.Get());

    CallResult refused = Call(utility.Get(), L"GetVariantCollectionFromVariant", DISPATCH_METHOD, {Long(5)});
    ASSERT_EQ(DISP_E_EXCEPTION, refused.hr);
    EXPECT_EQ(static_cast<HRESULT>(0x82390034), refused.scode);
    EXPECT_EQ(L"An argument is invalid", refused.description);
    ComPtr<IDispatch> group = Create(L"Server.ConfigGroup.1");
    EXPECT_EQ(E_FAIL,
              FailureOf(Call(utility.Get(), L"GetVariantCollectionFromVariant", DISPATCH_METHOD, {Object(group.Get())})));
}

} // namespace
