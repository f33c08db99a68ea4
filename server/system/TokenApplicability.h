// Whether a token applies to this platform: its form must be reachable and its suppress
// conditions must not hide it. Only platform conditions (EQ_VAR_VAL) decide: each condition
// is reduced to its platform part first, so applicability never depends on the current
// values of other questions. Plain C++ without Windows headers.
#pragma once

#include "HiiSetting.h"

#include <functional>
#include <map>
#include <span>
#include <utility>
#include <vector>

enum class Applicability { Applicable, NotApplicable, Failed };

// Suppress conditions as one copy of a question or a reference carries them: start with
// applicable; a condition without a result is skipped; one that is false makes it applicable
// and ends the look; one that is true makes it not applicable for now.
Applicability EvaluateSuppressConditions(std::span<const CHiiBooleanExpression> conditions, OperandSource& source);

// The forms of a database that can be reached. A form that no reference leads to (from
// another form) is applicable; any other is applicable when a reference from an applicable
// form leads to it and that reference's suppress conditions let it through. Worked out once
// over all references, so cycles of references neither loop nor make a form applicable.
class FormApplicability {
public:
    // Answers for one reference's suppress conditions; a failure counts as not passable.
    using ReferenceVerdict = std::function<Applicability(const IFR_REF&)>;

    FormApplicability(std::shared_ptr<const std::vector<IFR_REF>> references, ReferenceVerdict verdict);
    bool IsApplicable(const FirmwareGuid& formSet, uint16_t form);
    const std::vector<IFR_REF>* References() const { return m_references.get(); }

private:
    using FormKey = std::pair<std::array<uint8_t, 16>, uint16_t>;
    void Resolve();

    std::shared_ptr<const std::vector<IFR_REF>> m_references;
    ReferenceVerdict m_verdict;
    bool m_resolved = false;
    std::map<FormKey, bool> m_applicable;  // forms some reference leads to
};

// A token is applicable when one of its copies is: that copy's form is applicable and its
// own suppress conditions let it through.
Applicability TokenApplicability(const HII_SETTING& setting, FormApplicability& forms, OperandSource& source);
