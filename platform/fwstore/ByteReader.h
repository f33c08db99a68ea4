// Little-endian reading and writing over byte spans. The reader never reads past its span:
// every read reports whether the bytes were there, so parsers check each step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace fwstore {

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    size_t Offset() const { return m_offset; }
    size_t Remaining() const { return m_bytes.size() - m_offset; }
    bool AtEnd() const { return m_offset == m_bytes.size(); }

    bool ReadU16(uint16_t& value) { return ReadLittleEndian(value); }
    bool ReadU32(uint32_t& value) { return ReadLittleEndian(value); }
    bool ReadU64(uint64_t& value) { return ReadLittleEndian(value); }

    bool ReadBytes(size_t count, std::span<const uint8_t>& bytes)
    {
        if (count > Remaining())
            return false;
        bytes = m_bytes.subspan(m_offset, count);
        m_offset += count;
        return true;
    }

private:
    template <typename T>
    bool ReadLittleEndian(T& value)
    {
        if (sizeof(T) > Remaining())
            return false;
        T result = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            result |= static_cast<T>(static_cast<T>(m_bytes[m_offset + i]) << (8 * i));
        value = result;
        m_offset += sizeof(T);
        return true;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_offset = 0;
};

class ByteWriter {
public:
    void WriteU16(uint16_t value) { WriteLittleEndian(value); }
    void WriteU32(uint32_t value) { WriteLittleEndian(value); }
    void WriteU64(uint64_t value) { WriteLittleEndian(value); }
    void WriteBytes(std::span<const uint8_t> bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
    // Overwrites a 32-bit value written earlier (section lengths are known only afterwards).
    void PatchU32(size_t offset, uint32_t value)
    {
        for (size_t i = 0; i < 4; ++i)
            m_bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    size_t Size() const { return m_bytes.size(); }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    template <typename T>
    void WriteLittleEndian(T value)
    {
        for (size_t i = 0; i < sizeof(T); ++i)
            m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }

    std::vector<uint8_t> m_bytes;
};

} // namespace fwstore
