// Little-endian reading and writing over byte spans, for every binary format of the
// project. The reader never reads past its span: every read says whether the bytes were
// there, so each parsing step is checked. Header-only and free of Windows headers, so the
// parsers that use it also build natively (for fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    size_t Offset() const { return m_offset; }
    size_t Remaining() const { return m_bytes.size() - m_offset; }
    bool AtEnd() const { return m_offset == m_bytes.size(); }

    [[nodiscard]] bool ReadU8(uint8_t& value) { return ReadLittleEndian(value); }
    [[nodiscard]] bool ReadU16(uint16_t& value) { return ReadLittleEndian(value); }
    [[nodiscard]] bool ReadU32(uint32_t& value) { return ReadLittleEndian(value); }
    [[nodiscard]] bool ReadU64(uint64_t& value) { return ReadLittleEndian(value); }
    [[nodiscard]] bool ReadI32(int32_t& value)
    {
        uint32_t raw = 0;
        if (!ReadU32(raw)) {
            return false;
        }
        value = static_cast<int32_t>(raw);
        return true;
    }
    [[nodiscard]] bool ReadBytes(size_t count, std::span<const uint8_t>& bytes)
    {
        if (count > Remaining()) {
            return false;
        }
        bytes = m_bytes.subspan(m_offset, count);
        m_offset += count;
        return true;
    }
    [[nodiscard]] bool Skip(size_t count)
    {
        std::span<const uint8_t> skipped;
        return ReadBytes(count, skipped);
    }

private:
    template <typename T>
    [[nodiscard]] bool ReadLittleEndian(T& value)
    {
        if (sizeof(T) > Remaining()) {
            return false;
        }
        T result = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            result = static_cast<T>(result | static_cast<T>(static_cast<T>(m_bytes[m_offset + i]) << (8 * i)));
        }
        value = result;
        m_offset += sizeof(T);
        return true;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_offset = 0;
};

class ByteWriter {
public:
    void WriteU8(uint8_t value) { m_bytes.push_back(value); }
    void WriteU16(uint16_t value) { WriteLittleEndian(value); }
    void WriteU32(uint32_t value) { WriteLittleEndian(value); }
    void WriteU64(uint64_t value) { WriteLittleEndian(value); }
    void WriteI32(int32_t value) { WriteLittleEndian(static_cast<uint32_t>(value)); }
    void WriteBytes(std::span<const uint8_t> bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
    void WriteZeros(size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    // Overwrites a 32-bit value written earlier (lengths known only afterwards).
    void PatchU32(size_t offset, uint32_t value)
    {
        for (size_t i = 0; i < 4; ++i) {
            m_bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        }
    }
    size_t Size() const { return m_bytes.size(); }
    // Makes room for `bytes` in all, so that a writer that knows its final size grows once.
    void Reserve(size_t bytes) { m_bytes.reserve(bytes); }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    template <typename T>
    void WriteLittleEndian(T value)
    {
        for (size_t i = 0; i < sizeof(T); ++i) {
            m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }

    std::vector<uint8_t> m_bytes;
};
