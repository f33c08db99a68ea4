#include "TokenApplicability.h"

#include <deque>

Applicability EvaluateSuppressConditions(std::span<const CHiiBooleanExpression> conditions, OperandSource& source)
{
    Applicability result = Applicability::Applicable;
    for (const CHiiBooleanExpression& condition : conditions) {
        CHiiBooleanExpression platform = condition.PlatformPart();
        switch (platform.Evaluate(source)) {
        case ExpressionResult::NoResult:
            break;
        case ExpressionResult::False:
            return Applicability::Applicable;
        case ExpressionResult::True:
            result = Applicability::NotApplicable;
            break;
        case ExpressionResult::Failed:
            return Applicability::Failed;
        }
    }
    return result;
}

FormApplicability::FormApplicability(std::shared_ptr<const std::vector<IFR_REF>> references, ReferenceVerdict verdict)
    : m_references(std::move(references)), m_verdict(std::move(verdict))
{
}

void FormApplicability::Resolve()
{
    m_resolved = true;
    if (!m_references) {
        return;
    }
    const std::vector<IFR_REF>& refs = *m_references;
    std::map<FormKey, std::vector<size_t>> outgoing;
    for (size_t i = 0; i < refs.size(); ++i) {
        const IFR_REF& ref = refs[i];
        if (ref.sourceForm == ref.targetForm) {
            continue;
        }
        m_applicable.emplace(FormKey{ref.formSetGuid.bytes, ref.targetForm}, false);
        outgoing[FormKey{ref.formSetGuid.bytes, ref.sourceForm}].push_back(i);
    }
    // From the forms no reference leads to, follow the references that let through.
    std::deque<FormKey> reached;
    for (const auto& [source, list] : outgoing) {
        if (!m_applicable.contains(source)) {
            reached.push_back(source);
        }
    }
    while (!reached.empty()) {
        const FormKey source = reached.front();
        reached.pop_front();
        auto found = outgoing.find(source);
        if (found == outgoing.end()) {
            continue;
        }
        for (size_t index : found->second) {
            const IFR_REF& ref = refs[index];
            bool& target = m_applicable[FormKey{ref.formSetGuid.bytes, ref.targetForm}];
            if (!target && m_verdict(ref) == Applicability::Applicable) {
                target = true;
                reached.push_back(FormKey{ref.formSetGuid.bytes, ref.targetForm});
            }
        }
    }
}

bool FormApplicability::IsApplicable(const FirmwareGuid& formSet, uint16_t form)
{
    if (!m_resolved) {
        Resolve();
    }
    auto found = m_applicable.find(FormKey{formSet.bytes, form});
    return found == m_applicable.end() || found->second;
}

Applicability TokenApplicability(const HII_SETTING& setting, FormApplicability& forms, OperandSource& source)
{
    // A record made without placements is one copy with all its suppress conditions.
    const HII_PLACEMENT whole{setting.formSetGuid, setting.formId, 0, setting.suppressConditions.size()};
    const std::span<const HII_PLACEMENT> placements =
        setting.placements.empty() ? std::span<const HII_PLACEMENT>(&whole, 1) : std::span(setting.placements);
    bool failed = false;
    for (const HII_PLACEMENT& placement : placements) {
        if (!forms.IsApplicable(placement.formSetGuid, placement.formId)) {
            continue;
        }
        const size_t first = std::min(placement.firstSuppress, setting.suppressConditions.size());
        const size_t count = std::min(placement.suppressCount, setting.suppressConditions.size() - first);
        const std::span<const CHiiBooleanExpression> conditions(setting.suppressConditions.data() + first, count);
        switch (EvaluateSuppressConditions(conditions, source)) {
        case Applicability::Applicable:
            return Applicability::Applicable;
        case Applicability::Failed:
            failed = true;
            break;
        case Applicability::NotApplicable:
            break;
        }
    }
    return failed ? Applicability::Failed : Applicability::NotApplicable;
}
