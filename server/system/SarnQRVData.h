// The firmware's data variable "QrvDataVar": its versioned records, the platform values
// that EQ_VAR_VAL conditions compare (record 3) and the UQIs the firmware asks not to show
// (record 4).
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

class CSarnQRVData {
public:
    explicit CSarnQRVData(DWORD version) : m_version(version) {}

    // The whole variable into a new buffer, which the caller releases with delete[].
    // `*buffer` must be null. Absent: E_VARIABLE_NOT_FOUND.
    HRESULT ReadQRVDataFromBIOS(BYTE** buffer, ULONG* size);
    // Copies this version's record (its 8-byte header included) into `buffer`. `size`: in,
    // the buffer's size; out, the record's. A short buffer answers E_BUFFERTOOSMALL with the
    // size needed; an absent record E_VARIABLE_NOT_FOUND.
    HRESULT ReadFromBIOS(void* buffer, ULONG* size);
    // This version's record (its header included), from one read of the variable. Absent:
    // E_VARIABLE_NOT_FOUND.
    HRESULT ReadRecord(std::vector<BYTE>& record);

private:
    DWORD m_version;
};

// Record 3 as read: its (id, value) pairs; a board without the record has none.
struct EqVarTable {
    bool recordFound = false;
    std::vector<std::pair<uint16_t, uint16_t>> pairs;
};

// The EQ_VAR_VAL values of the platform, read from record 3 at the first request and kept
// as a reading of the firmware (ProcessState.h).
class CHiiVarEqManager {
public:
    // S_OK with the value; E_VARIABLE_NOT_FOUND when the platform has no value for the id or
    // no record at all (both logged).
    static HRESULT GetEqVarValue(USHORT variableId, USHORT* value);
};

// The do-not-show list: every UQI of record 4 as 4 lower-case hexadecimal digits. A board
// without the record has an empty list.
HRESULT PopulateDoNotShowList(std::set<std::wstring>& list);
// How the list writes a UQI.
std::wstring DoNotShowKey(USHORT uqi);
