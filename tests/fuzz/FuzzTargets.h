// The fuzz targets: one function per parser that takes any bytes. libFuzzer calls them
// through a generated entry (FuzzEntry.cpp.in); the native test program feeds them the
// committed seeds and the regression inputs. A target must never crash, leak or read out of
// bounds, whatever the input; a broken promise of a parser (a round trip that does not come
// back equal) throws FuzzFailure, which libFuzzer reports as a crash and a test as a failure.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

struct FuzzFailure : std::logic_error {
    using std::logic_error::logic_error;
};

// Throws FuzzFailure with `what` when `condition` does not hold.
inline void FuzzCheck(bool condition, const char* what)
{
    if (!condition) {
        throw FuzzFailure(what);
    }
}

// Reads the input from the front, answering zeros once it is used up: targets draw their
// choices (which key, which answer) from the bytes that libFuzzer mutates.
class FuzzBytes {
public:
    explicit FuzzBytes(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint8_t U8() { return m_at < m_bytes.size() ? m_bytes[m_at++] : 0; }
    uint16_t U16() { return static_cast<uint16_t>(U8() | U8() << 8); }
    std::span<const uint8_t> Rest() const { return m_bytes.subspan(std::min(m_at, m_bytes.size())); }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at = 0;
};

namespace ini_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
namespace setupdb_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
namespace bio_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
namespace store_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
namespace profile_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
namespace merge_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
namespace payload_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
namespace sequence_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
namespace history_fuzz { void FuzzOne(const uint8_t* data, size_t size); }
