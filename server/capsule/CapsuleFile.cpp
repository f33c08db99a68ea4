#include "CapsuleFile.h"

#include "ComObject.h"

#include <cstdio>
#include <utility>

namespace {

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::wstring& name) : m_file(::_wfopen(name.c_str(), L"rb")) {}
    ~ReadOnlyFile()
    {
        if (m_file) {
            std::fclose(m_file);
        }
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    FILE* get() const { return m_file; }
    // True when the file closed cleanly.
    bool Close() { return std::fclose(std::exchange(m_file, nullptr)) == 0; }

private:
    FILE* m_file;
};

bool FileExists(const std::wstring& name)
{
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Reads `size` bytes of `file` into the memory of an HGLOBAL stream of exactly that size.
CCapsuleFile::Failure ReadIntoMemory(FILE* file, ULONG size, IStream* stream)
{
    ULARGE_INTEGER length = {};
    length.QuadPart = size;
    HGLOBAL memory = nullptr;
    if (FAILED(stream->SetSize(length)) || FAILED(::GetHGlobalFromStream(stream, &memory))) {
        return CCapsuleFile::Failure::Write;
    }
    void* bytes = ::GlobalLock(memory);
    if (!bytes) {
        return CCapsuleFile::Failure::Write;
    }
    const size_t read = std::fread(bytes, 1, size, file);
    ::GlobalUnlock(memory);
    return read == size ? CCapsuleFile::Failure::None : CCapsuleFile::Failure::Read;
}

} // namespace

CCapsuleFile::Failure CCapsuleFile::ReadIntoStream(const std::wstring& name, IStream** stream, bool* closeFailed)
{
    *stream = nullptr;
    *closeFailed = false;
    if (name.empty()) {
        return Failure::EmptyName;
    }
    if (!FileExists(name)) {
        return Failure::NotFound;
    }
    ReadOnlyFile file(name);
    if (!file.get()) {
        return Failure::Open;
    }
    auto failWith = [&](Failure failure) {
        *closeFailed = !file.Close();
        return failure;
    };
    if (::_fseeki64(file.get(), 0, SEEK_END) != 0) {
        return failWith(Failure::Seek);
    }
    const long long size = ::_ftelli64(file.get());
    if (size < 0 || static_cast<unsigned long long>(size) > kMaxBytes) {
        return failWith(Failure::Tell);
    }
    if (::_fseeki64(file.get(), 0, SEEK_SET) != 0) {
        return failWith(Failure::Seek);
    }
    // An empty file is no image and no picture: it fails as a read that got nothing.
    if (size == 0) {
        return failWith(Failure::Read);
    }
    ComPtr<IStream> created;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &created))) {
        return failWith(Failure::CreateStream);
    }
    const Failure read = ReadIntoMemory(file.get(), static_cast<ULONG>(size), created.Get());
    if (read != Failure::None) {
        return failWith(read);
    }
    if (!file.Close()) {
        return Failure::Close;
    }
    *stream = created.Detach();
    return Failure::None;
}
