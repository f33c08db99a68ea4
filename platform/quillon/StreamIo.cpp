#include "StreamIo.h"

#include <algorithm>

namespace StreamIo {

namespace {

constexpr ULONG kChunk = 1 << 20;

HRESULT SeekTo(IStream* stream, LONGLONG offset, DWORD origin, uint64_t* position = nullptr)
{
    LARGE_INTEGER move;
    move.QuadPart = offset;
    ULARGE_INTEGER result = {};
    const HRESULT hr = stream->Seek(move, origin, &result);
    if (SUCCEEDED(hr) && position) {
        *position = result.QuadPart;
    }
    return hr;
}

HRESULT ReadExactly(IStream* stream, uint8_t* buffer, size_t count)
{
    while (count > 0) {
        const ULONG ask = static_cast<ULONG>(std::min<size_t>(count, kChunk));
        ULONG got = 0;
        const HRESULT hr = stream->Read(buffer, ask, &got);
        if (FAILED(hr)) {
            return hr;
        }
        if (got == 0) {
            return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
        }
        buffer += got;
        count -= got;
    }
    return S_OK;
}

} // namespace

HRESULT Position(IStream* stream, uint64_t& position) { return SeekTo(stream, 0, STREAM_SEEK_CUR, &position); }

HRESULT RemainingSize(IStream* stream, uint64_t& size)
{
    uint64_t start = 0;
    uint64_t end = 0;
    HRESULT hr = Position(stream, start);
    if (SUCCEEDED(hr)) {
        hr = SeekTo(stream, 0, STREAM_SEEK_END, &end);
    }
    if (SUCCEEDED(hr)) {
        hr = SeekTo(stream, static_cast<LONGLONG>(start), STREAM_SEEK_SET);
    }
    if (SUCCEEDED(hr)) {
        size = end > start ? end - start : 0;
    }
    return hr;
}

HRESULT PeekFront(IStream* stream, size_t most, std::vector<uint8_t>& bytes)
{
    uint64_t start = 0;
    uint64_t available = 0;
    HRESULT hr = Position(stream, start);
    if (SUCCEEDED(hr)) {
        hr = RemainingSize(stream, available);
    }
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<uint8_t> front(static_cast<size_t>(std::min<uint64_t>(available, most)));
    hr = ReadExactly(stream, front.data(), front.size());
    const HRESULT restored = SeekTo(stream, static_cast<LONGLONG>(start), STREAM_SEEK_SET);
    if (SUCCEEDED(hr)) {
        hr = restored;
    }
    if (SUCCEEDED(hr)) {
        bytes = std::move(front);
    }
    return hr;
}

HRESULT ReadToEnd(IStream* stream, uint64_t limit, std::vector<uint8_t>& bytes)
{
    uint64_t size = 0;
    HRESULT hr = RemainingSize(stream, size);
    if (FAILED(hr)) {
        return hr;
    }
    if (size > limit) {
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    }
    std::vector<uint8_t> content(static_cast<size_t>(size));
    hr = ReadExactly(stream, content.data(), content.size());
    if (SUCCEEDED(hr)) {
        bytes = std::move(content);
    }
    return hr;
}

HRESULT WriteAll(IStream* stream, std::span<const uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ULONG ask = static_cast<ULONG>(std::min<size_t>(bytes.size(), kChunk));
        ULONG written = 0;
        const HRESULT hr = stream->Write(bytes.data(), ask, &written);
        if (FAILED(hr)) {
            return hr;
        }
        if (written == 0) {
            return STG_E_MEDIUMFULL;
        }
        bytes = bytes.subspan(written);
    }
    return S_OK;
}

HRESULT TruncateAt(IStream* stream, uint64_t end)
{
    uint64_t remaining = 0;
    HRESULT hr = SeekTo(stream, static_cast<LONGLONG>(end), STREAM_SEEK_SET);
    if (SUCCEEDED(hr)) {
        hr = RemainingSize(stream, remaining);
    }
    if (FAILED(hr) || remaining == 0) {
        return hr;
    }
    ULARGE_INTEGER size;
    size.QuadPart = end;
    return stream->SetSize(size);
}

} // namespace StreamIo
