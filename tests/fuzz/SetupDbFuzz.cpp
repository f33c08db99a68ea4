// The setup database over any bytes: the reader's walk with the token list, every token's
// conditions evaluated (whole and as their platform part) against answers drawn from the
// input, applicability through the forms' references, the database's string and variable
// packs, the password scan, the dump, and the records of "QrvDataVar" read from the same bytes.
#include "FuzzTargets.h"

#include "system/HiiTokenList.h"
#include "system/QrvRecords.h"
#include "system/SetupDatabase.h"
#include "system/TokenApplicability.h"

#include "SetupDbDecoder.h"

#include <vector>

namespace setupdb_fuzz {

namespace {

// Answers every read from the input bytes, and refuses some, so that both the values and
// the failures of the firmware's variables are explored.
class FuzzOperands final : public OperandSource {
public:
    explicit FuzzOperands(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    bool ReadQuestionBytes(const std::u16string&, const FirmwareGuid&, uint16_t offset, uint8_t width,
        std::vector<uint8_t>& bytes) override
    {
        if (m_bytes.empty() || offset % 13 == 12) {
            return false;
        }
        bytes.clear();
        for (size_t i = 0; i < width; ++i) {
            bytes.push_back(m_bytes[(offset + i) % m_bytes.size()]);
        }
        return true;
    }

    bool GetEqVarValue(uint16_t variableId, uint16_t& value) override
    {
        if (m_bytes.empty() || variableId % 11 == 10) {
            return false;
        }
        value = static_cast<uint16_t>(m_bytes[variableId % m_bytes.size()] & 0x3);
        return true;
    }

private:
    std::span<const uint8_t> m_bytes;
};

void EvaluateAll(const std::vector<CHiiBooleanExpression>& conditions, OperandSource& source)
{
    for (const CHiiBooleanExpression& condition : conditions) {
        CHiiBooleanExpression copy = condition;
        copy.Evaluate(source);
        CHiiBooleanExpression platform = condition.PlatformPart();
        const ExpressionResult result = platform.Evaluate(source);
        // The platform part reads no question, so its answer cannot depend on them.
        FuzzCheck(result == condition.PlatformPart().Evaluate(source), "a platform part answers differently twice");
    }
}

HiiTokenList WalkTokens(SetupDatabaseReader& reader, size_t size)
{
    HiiTokenList list;
    list.ReserveFor(size);
    HII_SETTING record;
    size_t steps = 0;
    for (WalkStatus status = reader.First(record); status == WalkStatus::Token || status == WalkStatus::NotToken;
         status = reader.Next(record)) {
        // Every step consumes at least one byte of the forms packs.
        FuzzCheck(++steps <= size + 1, "the walk takes more steps than the database has bytes");
        if (status == WalkStatus::Token) {
            list.AddToken(std::move(record));
        }
        record = HII_SETTING();
    }
    return list;
}

void CheckTokens(const HiiTokenList& list, const std::shared_ptr<const std::vector<IFR_REF>>& references,
    OperandSource& source)
{
    FormApplicability forms(references, [&source](const IFR_REF& ref) {
        return EvaluateSuppressConditions(ref.suppressConditions, source);
    });
    for (const auto& token : list.Tokens()) {
        EvaluateAll(token->grayoutConditions, source);
        EvaluateAll(token->suppressConditions, source);
        TokenApplicability(*token, forms, source);
        HiiLockHideByte byte;
        FindLockHideByte(*token, byte);
        uint16_t value = 0;
        for (size_t at = 0; at <= token->opcodeBytes.size(); at += 2) {
            token->NumericField(at, value);
        }
    }
}

void ReadPacks(const SetupDatabaseReader& reader)
{
    for (size_t table = 0; table < reader.Tables().size() && table < 16; ++table) {
        reader.VariablePacks(table);
        for (std::u16string_view language : {std::u16string_view(u"eng"), std::u16string_view(u"uqi")}) {
            PackRange pack;
            size_t owner = 0;
            if (reader.FindStringPack(table, language, pack, owner)) {
                std::u16string text;
                for (uint16_t token = 0; token < 8; ++token) {
                    reader.GetString(pack, token, text);
                }
            }
        }
    }
}

void ReadQrvRecords(std::span<const uint8_t> bytes)
{
    std::span<const uint8_t> record;
    std::string problem;
    if (FindQrvRecord(bytes, QRV_RECORD_EQ_VAR_VAL, record, problem) == QrvFind::Found) {
        FuzzCheck(record.size() >= QRV_RECORD_HEADER_SIZE, "a found record is shorter than its header");
        ReadEqVarPairs(record);
    }
    if (FindQrvRecord(bytes, QRV_RECORD_DO_NOT_SHOW, record, problem) == QrvFind::Found) {
        std::vector<uint16_t> uqis;
        ReadDoNotShowUqis(record, uqis, problem);
    }
}

} // namespace

void FuzzOne(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    FuzzOperands source(bytes);
    SetupDatabaseReader reader(bytes, [](const SetupDbProblem&) {});
    const HiiTokenList list = WalkTokens(reader, size);
    CheckTokens(list, reader.References(), source);
    ReadPacks(reader);
    // The password scan walks on its own, with the same checks.
    SetupDatabaseReader scanner(bytes, [](const SetupDbProblem&) {});
    std::vector<SetupDatabaseReader::PasswordQuestion> passwords;
    if (scanner.FindPasswords(u"SystemPassword", FirmwareGuid{}, passwords)) {
        FuzzCheck(passwords.size() <= size, "more passwords than the database has bytes");
    }
    fwstore::setupdb::DecodeSetupDatabase(bytes);
    ReadQrvRecords(bytes);
}

} // namespace setupdb_fuzz
