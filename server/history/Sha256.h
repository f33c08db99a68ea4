// SHA-256 (FIPS 180-4), to name the file an operation used in the history. Plain C++: the
// whole of a buffer at once, or a large file in chunks of any size through Update.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace history {

class Sha256 {
public:
    Sha256();
    void Update(std::span<const uint8_t> bytes);
    // The digest as 64 lower-case hex digits. The object is spent: start a new one for more.
    std::string Finish();

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_buffer{};
    size_t m_buffered = 0;
    uint64_t m_length = 0;
};

std::string Sha256Hex(std::span<const uint8_t> bytes);

} // namespace history
