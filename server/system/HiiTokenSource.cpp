#include "HiiTokenSource.h"

#include "FirmwareOperands.h"
#include "HiiConvert.h"
#include "ProcessState.h"
#include "TokenApplicability.h"

#include "ErrorMacros.h"
#include "frame/FailureReport.h"

namespace {

Applicability ReferenceVerdict(const IFR_REF& ref)
{
    CFirmwareOperands operands;
    const Applicability verdict = EvaluateSuppressConditions(ref.suppressConditions, operands);
    if (verdict == Applicability::Failed) {
        ReportDiagnostic(LOG_SITE(L"HII_SETTING::ParentIsApplicable"), LOG_WARNING,
                         L"Unable to determine applicability of IFR_REF");
        return Applicability::NotApplicable;
    }
    return verdict;
}

// The references and the platform values stay the same for the life of a token list, so
// the forms are worked out once for all its tokens.
FormApplicability& FormsOf(const HII_SETTING& setting)
{
    std::unique_ptr<FormApplicability>& forms = ProcessState::Instance().forms;
    if (!forms || forms->References() != setting.references.get()) {
        forms = std::make_unique<FormApplicability>(setting.references, ReferenceVerdict);
    }
    return *forms;
}

} // namespace

HRESULT CHiiTokenSource::ComputeApplicability(bool& applicable)
try {
    CFirmwareOperands operands;
    switch (TokenApplicability(*m_setting, FormsOf(*m_setting), operands)) {
    case Applicability::Applicable:
        applicable = true;
        return S_OK;
    case Applicability::NotApplicable:
        applicable = false;
        return S_OK;
    case Applicability::Failed:
        break;
    }
    ReportDiagnostic(LOG_SITE(L"CHiiTokenSource::ComputeApplicability"), LOG_WARNING,
                     L"A suppress condition of %s cannot be evaluated", ToWide(m_setting->name).c_str());
    return E_FAIL;
}
CATCH_RETURN()

std::optional<TokenControlByte> CHiiTokenSource::LockHideControl() const
{
    HiiLockHideByte byte;
    if (!FindLockHideByte(*m_setting, byte)) {
        return std::nullopt;
    }
    return TokenControlByte{ToWide(byte.variableName), ToGuid(byte.variableGuid), byte.offset, byte.width};
}
