// Conditions of the setup database: evaluation order, operands, malformed expressions, the
// platform part that applicability uses, and applicability over forms and references.
// Plain C++: runs in the native test program too.
#include "system/HiiTokenList.h"
#include "system/TokenApplicability.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Question bytes and platform values of a made-up system.
class FakeOperands final : public OperandSource {
public:
    bool ReadQuestionBytes(const std::u16string&, const FirmwareGuid&, uint16_t offset, uint8_t width,
        std::vector<uint8_t>& bytes) override
    {
        ++reads;
        bytes.clear();
        for (unsigned i = 0; i < width; ++i) {
            auto found = setup.find(static_cast<uint16_t>(offset + i));
            if (found == setup.end()) {
                return false;
            }
            bytes.push_back(found->second);
        }
        return true;
    }
    bool GetEqVarValue(uint16_t id, uint16_t& value) override
    {
        auto found = platform.find(id);
        if (found == platform.end()) {
            return false;
        }
        value = found->second;
        return true;
    }

    std::map<uint16_t, uint8_t> setup;
    std::map<uint16_t, uint16_t> platform;
    int reads = 0;
};

// Builds an expression from words: "Q<offset>=<value>" (EQ_ID_VAL, width 1), "P<id>=<value>"
// (EQ_VAR_VAL), "L" (EQ_ID_LIST), "I<a>,<b>" (EQ_ID_ID, width 2), AND, OR, NOT.
CHiiBooleanExpression Expression(const std::string& words)
{
    CHiiBooleanExpression expression(SETUP_VARIABLE_NAME, SETUP_VARIABLE_GUID);
    size_t at = 0;
    while (at < words.size()) {
        size_t end = words.find(' ', at);
        if (end == std::string::npos) {
            end = words.size();
        }
        const std::string word = words.substr(at, end - at);
        at = end + 1;
        if (word == "AND") {
            expression.Add(std::make_unique<S_BOOL_AND>());
        } else if (word == "OR") {
            expression.Add(std::make_unique<S_BOOL_OR>());
        } else if (word == "NOT") {
            expression.Add(std::make_unique<S_BOOL_NOT>());
        } else if (word == "L") {
            expression.Add(std::make_unique<S_BOOL_EQ_ID_LIST>(1, 1, std::vector<uint16_t>{0, 1, 2}));
        } else if (word[0] == 'I') {
            const auto comma = word.find(',');
            expression.Add(std::make_unique<S_BOOL_EQ_ID_ID>(static_cast<uint16_t>(std::stoi(word.substr(1))), 2,
                                                             static_cast<uint16_t>(std::stoi(word.substr(comma + 1)))));
        } else {
            const auto equals = word.find('=');
            const auto id = static_cast<uint16_t>(std::stoi(word.substr(1, equals - 1)));
            const auto value = static_cast<uint16_t>(std::stoi(word.substr(equals + 1)));
            if (word[0] == 'Q') {
                expression.Add(std::make_unique<S_BOOL_EQ_ID_VAL>(id, 1, value));
            } else {
                expression.Add(std::make_unique<S_BOOL_EQ_VAR_VAL>(id, value));
            }
        }
    }
    return expression;
}

class HiiExpressionTest : public ::testing::Test {
protected:
    ExpressionResult Evaluate(const std::string& words) { return Expression(words).Evaluate(m_system); }

    // Questions 1 = 1, 2 = 0, 3 = 1; a 2-byte value 0x1234 at 10 and at 20, 0x1235 at 30.
    // Platform id 1 = 1, id 2 = 0.
    void SetUp() override
    {
        m_system.setup = {{1, 1}, {2, 0}, {3, 1}, {10, 0x34}, {11, 0x12}, {20, 0x34}, {21, 0x12}, {30, 0x35}, {31, 0x12}};
        m_system.platform = {{1, 1}, {2, 0}};
    }

    FakeOperands m_system;
};

constexpr auto T = ExpressionResult::True;
constexpr auto F = ExpressionResult::False;
constexpr auto Failed = ExpressionResult::Failed;

TEST_F(HiiExpressionTest, OperatorsApplyLeftToRightWithoutPrecedence)
{
    // Q2=1 is false, the others true: (F AND T) OR T is true; F AND (T OR T) would be false.
    EXPECT_EQ(T, Evaluate("Q2=1 AND Q1=1 OR Q3=1"));
    EXPECT_EQ(F, Evaluate("Q1=1 OR Q3=1 AND Q2=1"));
    EXPECT_EQ(T, Evaluate("Q1=1"));
    EXPECT_EQ(F, Evaluate("Q1=0"));
}

TEST_F(HiiExpressionTest, NotNegatesTheOperandAfterOrBeforeIt)
{
    EXPECT_EQ(F, Evaluate("NOT Q1=1"));
    EXPECT_EQ(F, Evaluate("Q1=1 NOT"));
    EXPECT_EQ(T, Evaluate("NOT NOT Q1=1"));
    // The NOT waits for its operand: Q1 AND (NOT Q2), not (NOT Q1) AND Q2.
    EXPECT_EQ(T, Evaluate("Q1=1 AND NOT Q2=1"));
    EXPECT_EQ(F, Evaluate("Q2=1 OR NOT Q3=1"));
}

TEST_F(HiiExpressionTest, OperandsReadTheSystem)
{
    EXPECT_EQ(T, Evaluate("I10,20"));      // the same two bytes
    EXPECT_EQ(F, Evaluate("I10,30"));
    EXPECT_EQ(T, Evaluate("I99,99"));      // one question compared with itself reads nothing
    EXPECT_EQ(F, Evaluate("L"));           // a list comparison answers false
    EXPECT_EQ(T, Evaluate("P1=1"));
    EXPECT_EQ(F, Evaluate("P1=0"));
    EXPECT_EQ(F, Evaluate("P7=0"));        // an id the platform does not have
    EXPECT_EQ(Failed, Evaluate("Q50=0"));  // a byte that cannot be read fails the whole
    CHiiBooleanExpression wide(SETUP_VARIABLE_NAME, SETUP_VARIABLE_GUID);
    wide.Add(std::make_unique<S_BOOL_EQ_ID_VAL>(10, 2, 0x1234));
    EXPECT_EQ(T, wide.Evaluate(m_system));
}

TEST_F(HiiExpressionTest, MalformedExpressionsFailAndEmptyOnesHaveNoResult)
{
    EXPECT_EQ(Failed, Evaluate("Q1=1 AND"));
    EXPECT_EQ(Failed, Evaluate("Q1=1 Q2=0"));
    EXPECT_EQ(Failed, Evaluate("AND OR Q1=1 Q2=1"));
    EXPECT_EQ(Failed, Evaluate("NOT"));
    EXPECT_EQ(ExpressionResult::NoResult, Evaluate(""));
}

TEST_F(HiiExpressionTest, CopiesAreIndependent)
{
    CHiiBooleanExpression original = Expression("Q1=1 AND Q3=1");
    CHiiBooleanExpression copy = original;
    copy.Add(std::make_unique<S_BOOL_AND>());
    copy.Add(std::make_unique<S_BOOL_EQ_ID_VAL>(2, 1, 1));
    EXPECT_EQ(3u, original.Elements().size());
    EXPECT_EQ(T, original.Evaluate(m_system));
    EXPECT_EQ(F, copy.Evaluate(m_system));
    EXPECT_EQ(SETUP_VARIABLE_NAME, copy.Variable());
}

// The platform part leaves out every question value, so it never reads the setup variable.
TEST_F(HiiExpressionTest, PlatformPartDependsOnlyOnPlatformValues)
{
    struct Case {
        const char* words;
        ExpressionResult result;
    };
    const Case cases[] = {
        {"P2=0 OR Q1=1", T},                 // P2=0
        {"Q1=0 AND P1=0", F},                // P1=0
        {"NOT Q1=1 AND P1=1", T},            // the NOT went with its question
        {"P1=1 AND NOT Q1=1 OR P2=1", F},    // P1 AND P2: a run holding an AND
        {"P1=1 OR Q1=1 OR P2=1", T},         // P1 OR P2
        {"P1=1 NOT OR Q3=1", F},             // a NOT after a platform value stays
        {"NOT P1=1", F},
        {"Q1=1 OR Q2=1", ExpressionResult::NoResult},
    };
    for (const Case& c : cases) {
        const int readsBefore = m_system.reads;
        EXPECT_EQ(c.result, Expression(c.words).PlatformPart().Evaluate(m_system)) << c.words;
        EXPECT_EQ(readsBefore, m_system.reads) << c.words;
    }
}

// Forms 1 (no reference leads to it) → 2 through a reference that lets through; 1 → 3 only
// through a reference suppressed on this platform; 4 and 5 reach each other only.
std::shared_ptr<std::vector<IFR_REF>> References(const FirmwareGuid& formSet)
{
    auto refs = std::make_shared<std::vector<IFR_REF>>();
    auto add = [&](uint16_t from, uint16_t to, const char* suppress) {
        IFR_REF ref;
        ref.formSetGuid = formSet;
        ref.sourceForm = from;
        ref.targetForm = to;
        if (*suppress) {
            ref.suppressConditions.push_back(Expression(suppress));
        }
        refs->push_back(std::move(ref));
    };
    add(1, 2, "P1=0");
    add(1, 3, "P2=0");
    add(4, 5, "");
    add(5, 4, "");
    add(2, 2, "");
    return refs;
}

HII_SETTING TokenIn(uint16_t form, const std::shared_ptr<std::vector<IFR_REF>>& refs, const char* suppress = "")
{
    HII_SETTING setting;
    setting.formId = form;
    setting.references = refs;
    if (*suppress) {
        setting.suppressConditions.push_back(Expression(suppress));
    }
    setting.placements.push_back({setting.formSetGuid, form, 0, setting.suppressConditions.size()});
    return setting;
}

TEST_F(HiiExpressionTest, FormsAreApplicableWhenReachedFromAnUnreferencedForm)
{
    auto refs = References({});
    int verdicts = 0;
    FormApplicability forms(refs, [&](const IFR_REF& ref) {
        ++verdicts;
        return EvaluateSuppressConditions(ref.suppressConditions, m_system);
    });
    EXPECT_TRUE(forms.IsApplicable({}, 1));
    EXPECT_TRUE(forms.IsApplicable({}, 2));
    EXPECT_FALSE(forms.IsApplicable({}, 3));
    EXPECT_FALSE(forms.IsApplicable({}, 4));  // a cycle with no way in
    EXPECT_FALSE(forms.IsApplicable({}, 5));
    EXPECT_TRUE(forms.IsApplicable({}, 9));   // no reference at all
    FirmwareGuid otherSet;
    otherSet.bytes[0] = 1;
    EXPECT_TRUE(forms.IsApplicable(otherSet, 3));
    EXPECT_EQ(2, verdicts);                   // each reference weighed once

    EXPECT_EQ(Applicability::Applicable, TokenApplicability(TokenIn(2, refs), forms, m_system));
    EXPECT_EQ(Applicability::NotApplicable, TokenApplicability(TokenIn(3, refs), forms, m_system));
    EXPECT_EQ(Applicability::NotApplicable, TokenApplicability(TokenIn(1, refs, "P1=1"), forms, m_system));
    EXPECT_EQ(Applicability::Applicable, TokenApplicability(TokenIn(1, refs, "P1=0"), forms, m_system));
    // A condition on a question value alone does not decide.
    EXPECT_EQ(Applicability::Applicable, TokenApplicability(TokenIn(1, refs, "Q1=1"), forms, m_system));
    EXPECT_EQ(Applicability::Failed, TokenApplicability(TokenIn(1, refs, "P1=1 P2=0"), forms, m_system));
}

// A question listed in two forms is one token: options joined, suppress conditions appended,
// applicable when either copy is.
TEST_F(HiiExpressionTest, RepeatedQuestionsMergeIntoOneToken)
{
    auto refs = References({});
    auto record = [&](uint16_t form, const char* suppress, std::vector<HII_OPTION> options) {
        HII_SETTING setting = TokenIn(form, refs, suppress);
        setting.name = u"Wake on LAN";
        setting.uqi = u"\x0106";
        setting.opcodeHeader = 0x0905;
        setting.options = std::move(options);
        return setting;
    };
    HiiTokenList list;
    list.AddToken(record(3, "P1=0", {{0, 0, u"Off"}, {1, 1, u"On"}}));
    list.AddToken(record(1, "P1=1", {{1, 0, u"On"}, {2, 0, u"Auto"}, {3, 0, u"Later"}}));
    HII_SETTING other = record(1, "", {});
    other.name = u"Other";
    list.AddToken(std::move(other));
    ASSERT_EQ(2u, list.Tokens().size());
    const HII_SETTING& merged = *list.Tokens().front();
    ASSERT_EQ(4u, merged.options.size());
    EXPECT_EQ(u"Later", merged.options[0].text);
    EXPECT_EQ(u"Auto", merged.options[1].text);
    EXPECT_EQ(u"Off", merged.options[2].text);
    EXPECT_EQ(1u, merged.options[3].flags);
    EXPECT_EQ(2u, merged.suppressConditions.size());

    FormApplicability forms(refs, [&](const IFR_REF& ref) {
        return EvaluateSuppressConditions(ref.suppressConditions, m_system);
    });
    // Form 3 is unreachable and the copy in form 1 is suppressed.
    EXPECT_EQ(Applicability::NotApplicable, TokenApplicability(merged, forms, m_system));
    HiiTokenList shown;
    shown.AddToken(record(3, "P1=0", {}));
    shown.AddToken(record(1, "P1=0", {}));
    EXPECT_EQ(Applicability::Applicable, TokenApplicability(*shown.Tokens().front(), forms, m_system));
}

TEST_F(HiiExpressionTest, LockHideByteNeedsTheGrayoutAndSuppressPair)
{
    HII_SETTING setting;
    setting.grayoutConditions.push_back(Expression("Q128=2"));
    HiiLockHideByte byte;
    EXPECT_FALSE(FindLockHideByte(setting, byte));
    setting.suppressConditions.push_back(Expression("Q129=1"));
    EXPECT_FALSE(FindLockHideByte(setting, byte));
    setting.suppressConditions.push_back(Expression("P1=1 OR Q128=1"));
    ASSERT_TRUE(FindLockHideByte(setting, byte));
    EXPECT_EQ(128, byte.offset);
    EXPECT_EQ(1, byte.width);
    EXPECT_EQ(SETUP_VARIABLE_NAME, byte.variableName);
}

} // namespace
