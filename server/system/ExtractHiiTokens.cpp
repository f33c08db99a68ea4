#include "ExtractHiiTokens.h"

#include "HiiAccess.h"
#include "HiiConvert.h"
#include "ProcessState.h"

#include "ErrorMacros.h"
#include "frame/FailureReport.h"

HRESULT CExtractHiiTokens::ParseHiiDb()
try {
    const LogSite site = LOG_SITE(L"CExtractHiiTokens::ParseHiiDb");
    CHiiAccess access;
    HiiTokenList list;
    HII_SETTING record;
    HRESULT hr = access.GetFirstToken(record);
    list.ReserveFor(access.DatabaseBytes());
    while (hr != 3) {
        if (FAILED(hr)) {
            return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                                   L"The setup database could not be parsed: hr=%x", static_cast<unsigned>(hr));
        }
        ReportDiagnostic(site, LOG_INFORMATION, L"Extracted Token element: %s", ToWide(record.name).c_str());
        if (hr == S_OK) {
            list.AddToken(std::move(record));
        }
        hr = access.GetNextToken(record);
    }
    if (list.IsEmpty()) {
        return ReportFailureAt(site, LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                               L"The setup database holds no token");
    }
    ProcessState::Instance().tokens = list.Tokens();
    return S_OK;
}
CATCH_RETURN()

HRESULT CExtractHiiTokens::GetTokens(HiiTokenPointers* tokens)
try {
    if (!tokens) {
        return REPORT_FAILURE(L"CExtractHiiTokens::GetTokens", LOG_ERROR, E_INVALIDARG, Describe(MSG_INTERNAL_ERROR),
                              L"Invalid Pointer");
    }
    const std::optional<HiiTokenPointers>& built = ProcessState::Instance().tokens;
    if (!built && FAILED(ParseHiiDb())) {
        return E_FAIL;
    }
    *tokens = *built;
    return S_OK;
}
CATCH_RETURN()

bool CExtractHiiTokens::IsBuilt()
{
    return ProcessState::Instance().tokens.has_value();
}
