// The setup database of the running system, walked question by question.
#pragma once

#include "SetupDatabase.h"

#include <windows.h>

#include <memory>
#include <vector>

class CHiiAccess {
public:
    // The database, read through the firmware-variable library with a buffer twice the size
    // it announces.
    static HRESULT GetHIIDatabase(std::vector<BYTE>& database);

    // Reads and indexes the database on first use and starts at its first data table. Both
    // answer 0 with a token in `record`, 1 for a question that is no token (discard the
    // record), 3 at the end of the database, and a failure for a database that cannot be
    // walked.
    HRESULT GetFirstToken(HII_SETTING& record);
    HRESULT GetNextToken(HII_SETTING& record);

    std::shared_ptr<const std::vector<IFR_REF>> References() const;
    size_t DatabaseBytes() const { return m_database.size(); }

private:
    HRESULT Answer(WalkStatus status, const wchar_t* function);

    std::vector<BYTE> m_database;
    std::unique_ptr<SetupDatabaseReader> m_reader;
};
