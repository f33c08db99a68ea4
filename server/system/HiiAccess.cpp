#include "HiiAccess.h"

#include "FirmwareAccess.h"

#include "EFIVar.h"
#include "HiiConvert.h"

#include "ErrorMacros.h"

namespace {

// Broken parts that the walk steps over are worth a warning each.
void LogNotice(const SetupDbProblem& notice)
{
    ReportDiagnostic(LOG_SITE(L"CHiiAccess::GetNextToken"), LOG_WARNING, L"Setup database at offset 0x%08zX: %s",
                     notice.offset, ToWide(notice.what).c_str());
}

} // namespace

HRESULT CHiiAccess::GetHIIDatabase(std::vector<BYTE>& database)
{
    CFirmwareAccess access;
    return access->ExportDatabase(database);
}

HRESULT CHiiAccess::Answer(WalkStatus status, const wchar_t* function)
{
    switch (status) {
    case WalkStatus::Token:
        return S_OK;
    case WalkStatus::NotToken:
        return S_FALSE;
    case WalkStatus::End:
        return 3;
    case WalkStatus::Malformed:
        break;
    }
    const SetupDbProblem& problem = m_reader->Problem();
    return REPORT_FAILURE(function, LOG_ERROR, ResultCode::E_HII_DATA_INVALID, Describe(MSG_INTERNAL_ERROR),
                          L"The setup database is damaged at offset 0x%08zX: %s", problem.offset,
                          ToWide(problem.what).c_str());
}

HRESULT CHiiAccess::GetFirstToken(HII_SETTING& record)
try {
    if (!m_reader) {
        RETURN_IF_FAILED(GetHIIDatabase(m_database));
        m_reader = std::make_unique<SetupDatabaseReader>(std::span<const uint8_t>(m_database.data(), m_database.size()),
                                                         LogNotice);
    }
    return Answer(m_reader->First(record), L"CHiiAccess::GetFirstToken");
}
CATCH_RETURN()

HRESULT CHiiAccess::GetNextToken(HII_SETTING& record)
try {
    if (!m_reader) {
        return REPORT_FAILURE(L"CHiiAccess::GetNextToken", LOG_ERROR, E_FAIL, Describe(MSG_INTERNAL_ERROR),
                              L"The walk has not started");
    }
    return Answer(m_reader->Next(record), L"CHiiAccess::GetNextToken");
}
CATCH_RETURN()

std::shared_ptr<const std::vector<IFR_REF>> CHiiAccess::References() const
{
    return m_reader ? m_reader->References() : nullptr;
}
