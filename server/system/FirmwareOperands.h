// What conditions read on a running system: question bytes from the variables' current
// contents (through an install collector of its own, so each variable is read once) and
// the platform's EQ_VAR_VAL values.
#pragma once

#include "HiiExpression.h"
#include "InstallEFIVar.h"

class CFirmwareOperands final : public OperandSource {
public:
    bool ReadQuestionBytes(const std::u16string& variable, const FirmwareGuid& guid, uint16_t offset, uint8_t width,
        std::vector<uint8_t>& bytes) override;
    bool GetEqVarValue(uint16_t variableId, uint16_t& value) override;

private:
    CInstallEFIVar m_collector;
};
