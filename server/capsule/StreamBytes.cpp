#include "StreamBytes.h"

namespace {

constexpr ULONGLONG kMaxBytes = 0x7FFFFFFF;

} // namespace

CStreamBytes::~CStreamBytes()
{
    if (m_hLocked) {
        ::GlobalUnlock(m_hLocked);
    }
}

CStreamBytes::Failure CStreamBytes::Open(IStream* stream)
{
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER end = {};
    if (FAILED(stream->Seek(zero, STREAM_SEEK_END, &end)) || end.QuadPart > kMaxBytes) {
        return Failure::Seek;
    }
    if (FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr))) {
        return Failure::Rewind;
    }
    m_nSize = static_cast<uint32_t>(end.QuadPart);
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(::GetHGlobalFromStream(stream, &memory)) && ::GlobalSize(memory) >= m_nSize) {
        if (const void* locked = ::GlobalLock(memory)) {
            m_hLocked = memory;
            m_pData = locked;
            return Failure::None;
        }
    }
    m_copy.resize(m_nSize);
    ULONG read = 0;
    if (FAILED(stream->Read(m_copy.data(), m_nSize, &read)) || read != m_nSize) {
        return Failure::Read;
    }
    m_pData = m_copy.data();
    return Failure::None;
}
