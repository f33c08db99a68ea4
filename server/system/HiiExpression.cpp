#include "HiiExpression.h"

const char16_t SETUP_VARIABLE_NAME[] = u"Setup";
// {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}
const FirmwareGuid SETUP_VARIABLE_GUID = {
    {0x43, 0xD6, 0x87, 0xEC, 0xA4, 0xEB, 0xB5, 0x4B, 0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};

namespace {

// Widths above 8 bytes cannot form a value.
bool ReadValue(OperandSource& source, const std::u16string& variable, const FirmwareGuid& guid, uint16_t offset,
    uint8_t width, uint64_t& value)
{
    std::vector<uint8_t> bytes;
    if (width == 0 || width > 8 || !source.ReadQuestionBytes(variable, guid, offset, width, bytes) ||
        bytes.size() != width) {
        return false;
    }
    value = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    }
    return true;
}

bool IsNot(const S_BOOL_ELEMENT& element)
{
    return dynamic_cast<const S_BOOL_NOT*>(&element) != nullptr;
}

bool IsOperand(const S_BOOL_ELEMENT& element)
{
    return element.m_kind == S_BOOL_ELEMENT::Kind::Operand;
}

bool IsQuestionOperand(const S_BOOL_ELEMENT& element)
{
    auto operand = dynamic_cast<const S_HII_BOOL_OPERAND*>(&element);
    return operand && operand->ReadsQuestions();
}

} // namespace

bool S_BOOL_EQ_ID_VAL::Evaluate(const std::u16string& variable, const FirmwareGuid& guid, OperandSource& source)
{
    uint64_t value = 0;
    if (!ReadValue(source, variable, guid, m_questionId, m_width, value)) {
        return false;
    }
    m_bResult = value == m_value;
    return true;
}

bool S_BOOL_EQ_ID_ID::Evaluate(const std::u16string& variable, const FirmwareGuid& guid, OperandSource& source)
{
    if (m_questionId == m_secondQuestionId) {
        m_bResult = true;
        return true;
    }
    std::vector<uint8_t> first;
    std::vector<uint8_t> second;
    if (m_width == 0 || !source.ReadQuestionBytes(variable, guid, m_questionId, m_width, first) ||
        !source.ReadQuestionBytes(variable, guid, m_secondQuestionId, m_width, second) ||
        first.size() != m_width || second.size() != m_width) {
        return false;
    }
    m_bResult = first == second;
    return true;
}

bool S_BOOL_EQ_VAR_VAL::Evaluate(const std::u16string&, const FirmwareGuid&, OperandSource& source)
{
    uint16_t value = 0;
    m_bResult = source.GetEqVarValue(m_variableId, value) && value == m_value;
    return true;
}

CBooleanExpression::CBooleanExpression(const CBooleanExpression& other)
{
    m_elements.reserve(other.m_elements.size());
    for (const auto& element : other.m_elements) {
        m_elements.push_back(element->Copy());
    }
}

CBooleanExpression& CBooleanExpression::operator=(const CBooleanExpression& other)
{
    if (this != &other) {
        CBooleanExpression copy(other);
        m_elements = std::move(copy.m_elements);
    }
    return *this;
}

// Two stacks, operators applied left to right as soon as they have their operands: A AND B
// OR C is (A AND B) OR C. A NOT right before an operand waits for that operand, so
// A AND NOT B is A AND (NOT B); a NOT after a value negates that value.
ExpressionResult CBooleanExpression::Reduce() const
{
    std::vector<bool> values;
    std::vector<const S_BOOL_OPERATOR*> operators;
    for (size_t i = 0; i < m_elements.size(); ++i) {
        const S_BOOL_ELEMENT& element = *m_elements[i];
        if (IsOperand(element)) {
            values.push_back(element.m_bResult);
        } else if (auto op = dynamic_cast<const S_BOOL_OPERATOR*>(&element)) {
            operators.push_back(op);
            if (IsNot(element) && i + 1 < m_elements.size() && IsOperand(*m_elements[i + 1])) {
                continue;
            }
        } else {
            return ExpressionResult::Failed;
        }
        while (!operators.empty() && values.size() >= operators.back()->m_nOperands) {
            const S_BOOL_OPERATOR* top = operators.back();
            operators.pop_back();
            bool operands[2] = {};
            const size_t first = values.size() - top->m_nOperands;
            for (unsigned k = 0; k < top->m_nOperands; ++k) {
                operands[k] = values[first + k];
            }
            values.resize(first);
            values.push_back(top->Apply(operands));
        }
    }
    if (values.size() != 1 || !operators.empty()) {
        return ExpressionResult::Failed;
    }
    return values.front() ? ExpressionResult::True : ExpressionResult::False;
}

ExpressionResult CHiiBooleanExpression::Evaluate(OperandSource& source)
{
    if (m_elements.empty()) {
        return ExpressionResult::NoResult;
    }
    for (auto& element : m_elements) {
        auto operand = dynamic_cast<S_HII_BOOL_OPERAND*>(element.get());
        if (operand && !operand->Evaluate(m_variable, m_guid, source)) {
            return ExpressionResult::Failed;
        }
        if (!operand && IsOperand(*element)) {
            return ExpressionResult::Failed;
        }
    }
    return Reduce();
}

// The rewrite keeps the platform operands (EQ_VAR_VAL) and the operators:
// 1. Operands that compare question values are left out, and with them each NOT that
//    negated one of them (a NOT is kept when the next element after its run of NOTs is a
//    kept operand, or when it directly follows a kept operand).
// 2. Each run of binary operators between two kept operands becomes one operator: AND when
//    the run holds an AND, otherwise OR. AND is the cautious choice: a suppress condition
//    then holds only where every platform part that was joined to a question could hold,
//    so a token is not declared inapplicable because of a question's value. Runs before the
//    first or after the last kept operand are dropped.
CHiiBooleanExpression CHiiBooleanExpression::PlatformPart() const
{
    const size_t count = m_elements.size();
    std::vector<bool> keep(count, false);
    for (size_t i = 0; i < count; ++i) {
        const S_BOOL_ELEMENT& element = *m_elements[i];
        if (IsOperand(element)) {
            keep[i] = !IsQuestionOperand(element);
        } else if (!IsNot(element)) {
            keep[i] = true;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (!IsNot(*m_elements[i])) {
            continue;
        }
        size_t next = i;
        while (next < count && IsNot(*m_elements[next])) {
            ++next;
        }
        const bool negatesNext = next < count && IsOperand(*m_elements[next]) && keep[next];
        size_t previous = i;
        while (previous > 0 && IsNot(*m_elements[previous - 1])) {
            --previous;
        }
        const bool negatesPrevious =
            previous > 0 && IsOperand(*m_elements[previous - 1]) && keep[previous - 1];
        keep[i] = negatesNext || negatesPrevious;
    }

    CHiiBooleanExpression result(m_variable, m_guid);
    bool runHasAnd = false;
    bool inRun = false;
    bool seenOperand = false;
    for (size_t i = 0; i < count; ++i) {
        if (!keep[i]) {
            continue;
        }
        const S_BOOL_ELEMENT& element = *m_elements[i];
        const bool binary = !IsOperand(element) && !IsNot(element);
        if (binary) {
            inRun = true;
            runHasAnd = runHasAnd || dynamic_cast<const S_BOOL_AND*>(&element) != nullptr;
            continue;
        }
        if (inRun && seenOperand) {
            if (runHasAnd) {
                result.Add(std::make_unique<S_BOOL_AND>());
            } else {
                result.Add(std::make_unique<S_BOOL_OR>());
            }
        }
        inRun = false;
        runHasAnd = false;
        seenOperand = seenOperand || IsOperand(element);
        result.Add(element.Copy());
    }
    return result;
}
