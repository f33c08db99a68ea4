#include "FirmwareOperands.h"

#include "HiiConvert.h"
#include "SarnQRVData.h"

bool CFirmwareOperands::ReadQuestionBytes(const std::u16string& variable, const FirmwareGuid& guid, uint16_t offset,
    uint8_t width, std::vector<uint8_t>& bytes)
{
    const GUID vendor = ToGuid(guid);
    const std::wstring name = ToWide(variable);
    bytes.clear();
    for (unsigned i = 0; i < width; ++i) {
        BYTE value = 0;
        if (FAILED(m_collector.GetEFIVarData(&vendor, name, static_cast<ULONG>(offset) + i, &value))) {
            return false;
        }
        bytes.push_back(value);
    }
    return true;
}

bool CFirmwareOperands::GetEqVarValue(uint16_t variableId, uint16_t& value)
{
    USHORT found = 0;
    if (FAILED(CHiiVarEqManager::GetEqVarValue(variableId, &found))) {
        return false;
    }
    value = found;
    return true;
}
