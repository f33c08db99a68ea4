// The fan-control payload format over any file: the check never reads past the file, a file
// it takes holds its own size in its length field, and the variable made from any file is
// the fixed header followed by the file unchanged.
#include "FuzzTargets.h"

#include "PayloadFormat.h"

#include <algorithm>
#include <vector>

namespace payload_fuzz {

void FuzzOne(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    payload_format::FileHeader header;
    const payload_format::FileCheck check = payload_format::CheckFile(file, header);
    if (check == payload_format::FileCheck::Payload) {
        FuzzCheck(header.length == size && size >= payload_format::kFileHeaderBytes,
            "a payload was taken whose length field is not its size");
        FuzzCheck(header.signature == payload_format::kSignature, "a payload was taken without its signature");
    }
    FuzzCheck(check != payload_format::FileCheck::Truncated || (size > 4 && size < payload_format::kFileHeaderBytes),
        "a file was called cut short that is not");
    const std::vector<uint8_t> variable = payload_format::MakeVariable(file);
    FuzzCheck(variable.size() == size + payload_format::kVariableHeaderBytes, "the variable has the wrong size");
    FuzzCheck(std::equal(file.begin(), file.end(), variable.begin() + payload_format::kVariableHeaderBytes),
        "the variable does not hold the file unchanged");
}

} // namespace payload_fuzz
