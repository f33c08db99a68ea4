#include "PayloadFormat.h"

namespace payload_format {

namespace {

uint32_t Read32(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void Put16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& bytes, uint32_t value)
{
    Put16(bytes, static_cast<uint16_t>(value));
    Put16(bytes, static_cast<uint16_t>(value >> 16));
}

} // namespace

FileCheck CheckFile(std::span<const uint8_t> file, FileHeader& header)
{
    header = FileHeader{};
    // Four bytes or fewer cannot be told from another kind of file.
    if (file.size() <= 4) {
        return FileCheck::NotThisKind;
    }
    header.signature = Read32(file, 0);
    if (header.signature != kSignature) {
        return FileCheck::NotThisKind;
    }
    if (file.size() < kFileHeaderBytes) {
        return FileCheck::Truncated;
    }
    header.major = file[4];
    header.minor = file[5];
    header.length = static_cast<uint16_t>(file[6] | file[7] << 8);
    return header.length == file.size() ? FileCheck::Payload : FileCheck::SizeMismatch;
}

std::vector<uint8_t> MakeVariable(std::span<const uint8_t> file)
{
    std::vector<uint8_t> variable;
    variable.reserve(kVariableHeaderBytes + file.size());
    Put32(variable, kSignature);
    variable.push_back(static_cast<uint8_t>(kVariableHeaderBytes));
    Put16(variable, 1);
    Put16(variable, 0);
    Put32(variable, 0);
    Put16(variable, 0);
    variable.insert(variable.end(), file.begin(), file.end());
    return variable;
}

} // namespace payload_format
