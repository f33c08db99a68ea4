#include "HiiSetting.h"

#include <algorithm>

bool HII_SETTING::NumericField(size_t offsetInOpcode, uint16_t& value) const
{
    if (offsetInOpcode + 2 > opcodeByteCount) {
        return false;
    }
    value = static_cast<uint16_t>(opcodeBytes[offsetInOpcode] | (opcodeBytes[offsetInOpcode + 1] << 8));
    return true;
}

namespace {

// Question ids compared with `value` by EQ_ID_VAL operands of those `conditions` that read
// the variable of `over`.
std::vector<uint16_t> ComparedQuestions(const std::vector<CHiiBooleanExpression>& conditions, uint16_t value,
    const CHiiBooleanExpression& over)
{
    std::vector<uint16_t> ids;
    for (const CHiiBooleanExpression& condition : conditions) {
        if (condition.Variable() != over.Variable() || !(condition.VariableGuid() == over.VariableGuid())) {
            continue;
        }
        for (const auto& element : condition.Elements()) {
            auto eq = dynamic_cast<const S_BOOL_EQ_ID_VAL*>(element.get());
            if (eq && eq->m_value == value) {
                ids.push_back(eq->m_questionId);
            }
        }
    }
    return ids;
}

} // namespace

bool FindLockHideByte(const HII_SETTING& setting, HiiLockHideByte& byte)
{
    for (const CHiiBooleanExpression& grayout : setting.grayoutConditions) {
        for (const auto& element : grayout.Elements()) {
            auto locked = dynamic_cast<const S_BOOL_EQ_ID_VAL*>(element.get());
            if (!locked || locked->m_value != 2) {
                continue;
            }
            const auto hidden = ComparedQuestions(setting.suppressConditions, 1, grayout);
            if (std::find(hidden.begin(), hidden.end(), locked->m_questionId) != hidden.end()) {
                byte = {grayout.Variable(), grayout.VariableGuid(), locked->m_questionId, locked->m_width};
                return true;
            }
        }
    }
    return false;
}
