#include "QrvRecords.h"

namespace {

uint32_t U32At(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

uint16_t U16At(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

} // namespace

QrvFind FindQrvRecord(std::span<const uint8_t> variable, uint32_t version, std::span<const uint8_t>& record,
    std::string& problem)
{
    size_t at = 0;
    while (variable.size() - at >= QRV_RECORD_HEADER_SIZE) {
        const uint32_t recordVersion = U32At(variable, at);
        const uint32_t length = U32At(variable, at + 4);
        if (length < QRV_RECORD_HEADER_SIZE || length > variable.size() - at) {
            problem = "the record at offset " + std::to_string(at) + " claims " + std::to_string(length) +
                      " bytes; it needs at least 8 and " + std::to_string(variable.size() - at) + " remain";
            return QrvFind::Malformed;
        }
        if (recordVersion == version) {
            record = variable.subspan(at, length);
            return QrvFind::Found;
        }
        at += length;
    }
    return QrvFind::Absent;
}

std::vector<std::pair<uint16_t, uint16_t>> ReadEqVarPairs(std::span<const uint8_t> record)
{
    std::vector<std::pair<uint16_t, uint16_t>> pairs;
    const size_t count = record.size() < QRV_RECORD_HEADER_SIZE ? 0 : (record.size() - QRV_RECORD_HEADER_SIZE) / 4;
    pairs.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = QRV_RECORD_HEADER_SIZE + 4 * i;
        pairs.emplace_back(U16At(record, at), U16At(record, at + 2));
    }
    return pairs;
}

bool ReadDoNotShowUqis(std::span<const uint8_t> record, std::vector<uint16_t>& uqis, std::string& problem)
{
    uqis.clear();
    if (record.size() < QRV_RECORD_HEADER_SIZE + 2) {
        problem = "the do-not-show record has no count";
        return false;
    }
    const size_t count = U16At(record, QRV_RECORD_HEADER_SIZE);
    const size_t room = (record.size() - QRV_RECORD_HEADER_SIZE - 2) / 2;
    if (count > room) {
        problem = "the do-not-show record lists " + std::to_string(count) + " UQIs; its bytes hold " +
                  std::to_string(room);
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        uqis.push_back(U16At(record, QRV_RECORD_HEADER_SIZE + 2 + 2 * i));
    }
    return true;
}
