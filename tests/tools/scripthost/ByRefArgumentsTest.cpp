#include "ByRefArguments.h"

#include <gtest/gtest.h>

namespace {

// Arguments as an event source passes them: rgvarg[0] is the last argument.
struct EventArguments {
    EventArguments()
    {
        text = SysAllocString(L"unanswered");
        VariantInit(&values[0]);
        V_VT(&values[0]) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&values[0]) = &text;
        VariantInit(&values[1]);
        V_VT(&values[1]) = VT_BYREF | VT_I4;
        V_I4REF(&values[1]) = &number;
        VariantInit(&values[2]);
        V_VT(&values[2]) = VT_I4;
        V_I4(&values[2]) = 5;
        parameters = DISPPARAMS{values, nullptr, 3, 0};
    }
    ~EventArguments() { SysFreeString(text); }

    BSTR text = nullptr;
    LONG number = 1;
    VARIANT values[3];
    DISPPARAMS parameters{};
};

TEST(ByRefArgumentsTest, TypedReferencesReachTheScriptAsVariantReferences)
{
    EventArguments event;
    CByRefArguments adapted(event.parameters);
    DISPPARAMS* parameters = adapted.parameters();
    ASSERT_EQ(parameters->cArgs, 3u);
    ASSERT_EQ(V_VT(&parameters->rgvarg[0]), VT_BYREF | VT_VARIANT);
    EXPECT_STREQ(V_BSTR(V_VARIANTREF(&parameters->rgvarg[0])), L"unanswered");
    EXPECT_NE(V_BSTR(V_VARIANTREF(&parameters->rgvarg[0])), event.text) << "a copy, not the caller's string";
    ASSERT_EQ(V_VT(&parameters->rgvarg[1]), VT_BYREF | VT_VARIANT);
    EXPECT_EQ(V_I4(V_VARIANTREF(&parameters->rgvarg[1])), 1);
    EXPECT_EQ(V_VT(&parameters->rgvarg[2]), VT_I4) << "values pass unchanged";
}

TEST(ByRefArgumentsTest, CopyBackStoresWhatTheScriptAssignedInTheCallersType)
{
    EventArguments event;
    CByRefArguments adapted(event.parameters);
    VARIANT* answer = V_VARIANTREF(&adapted.parameters()->rgvarg[0]);
    VariantClear(answer);
    V_VT(answer) = VT_I4;  // the script assigned a number to the string argument
    V_I4(answer) = 42;
    VARIANT* number = V_VARIANTREF(&adapted.parameters()->rgvarg[1]);
    VariantClear(number);
    V_VT(number) = VT_BSTR;
    V_BSTR(number) = SysAllocString(L"17");
    adapted.CopyBack();
    EXPECT_STREQ(event.text, L"42");
    EXPECT_EQ(event.number, 17);
}

TEST(ByRefArgumentsTest, AValueThatDoesNotConvertLeavesTheCallersValue)
{
    EventArguments event;
    {
        CByRefArguments adapted(event.parameters);
        VARIANT* number = V_VARIANTREF(&adapted.parameters()->rgvarg[1]);
        VariantClear(number);
        V_VT(number) = VT_BSTR;
        V_BSTR(number) = SysAllocString(L"not a number");
        adapted.CopyBack();
    }
    EXPECT_EQ(event.number, 1);
    EXPECT_STREQ(event.text, L"unanswered");
}

TEST(ByRefArgumentsTest, WithoutCopyBackTheCallersValuesStay)
{
    EventArguments event;
    const BSTR original = event.text;
    {
        CByRefArguments adapted(event.parameters);
        VARIANT* answer = V_VARIANTREF(&adapted.parameters()->rgvarg[0]);
        VariantClear(answer);
        V_VT(answer) = VT_BSTR;
        V_BSTR(answer) = SysAllocString(L"discarded");
    }
    EXPECT_EQ(event.text, original);
    EXPECT_STREQ(event.text, L"unanswered");
}

TEST(ByRefArgumentsTest, AnArgumentTheScriptDidNotAssignKeepsTheCallersValue)
{
    EventArguments event;
    SysFreeString(event.text);
    event.text = nullptr;  // an empty response, to be answered
    {
        CByRefArguments adapted(event.parameters);
        adapted.CopyBack();
    }
    EXPECT_EQ(event.text, nullptr) << "not the empty string its copy reads as";
    EXPECT_EQ(event.number, 1);
}

TEST(ByRefArgumentsTest, NoArgumentsGiveNoArguments)
{
    DISPPARAMS none{};
    CByRefArguments adapted(none);
    EXPECT_EQ(adapted.parameters()->cArgs, 0u);
    adapted.CopyBack();
}

}  // namespace
