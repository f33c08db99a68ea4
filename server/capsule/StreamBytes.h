// The whole content of a stream as one block of memory, for handing an image to the
// capsule-update library. A memory stream lends its own memory (no copy); any other stream
// is read into a buffer of its size.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <vector>

class CStreamBytes {
public:
    enum class Failure {
        None,
        Seek,     // the size could not be taken, or the stream is 2 GB or larger
        Rewind,   // the stream could not be put back at position 0
        Read,     // a failing or short read
    };

    CStreamBytes() = default;
    ~CStreamBytes();
    CStreamBytes(const CStreamBytes&) = delete;
    CStreamBytes& operator=(const CStreamBytes&) = delete;

    // Leaves the stream at position 0 when it succeeds.
    Failure Open(IStream* stream);

    const void* Data() const { return m_pData; }
    uint32_t Size() const { return m_nSize; }
    // True when the bytes are the stream's own memory rather than a copy.
    bool IsBorrowed() const { return m_hLocked != nullptr; }

private:
    HGLOBAL m_hLocked = nullptr;
    std::vector<uint8_t> m_copy;
    const void* m_pData = nullptr;
    uint32_t m_nSize = 0;
};
