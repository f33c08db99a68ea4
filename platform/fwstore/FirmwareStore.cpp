#include "FirmwareStore.h"

#include "StoreFormat.h"
#include "StoreLock.h"

#include <cstdint>
#include <cwchar>
#include <vector>

namespace fwstore {

namespace {

size_t g_failWritesAfter = SIZE_MAX;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    bool Close()
    {
        bool ok = true;
        if (Valid())
            ok = CloseHandle(m_handle) != FALSE;
        m_handle = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE m_handle;
};

std::wstring EnvironmentValue(const wchar_t* name)
{
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

size_t DieDuringWriteAfter()
{
    std::wstring value = EnvironmentValue(DIE_DURING_WRITE_VARIABLE);
    if (value.empty())
        return SIZE_MAX;
    wchar_t* end = nullptr;
    unsigned long long bytes = wcstoull(value.c_str(), &end, 10);
    return (end != nullptr && *end == 0) ? static_cast<size_t>(bytes) : SIZE_MAX;
}

bool WriteAll(HANDLE file, const uint8_t* bytes, size_t size)
{
    while (size > 0) {
        DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

// Writes the new file as far as a test asks before it fails or the process dies.
bool WriteNewFile(HANDLE file, const std::vector<uint8_t>& bytes, DWORD& error)
{
    size_t dieAfter = DieDuringWriteAfter();
    size_t limit = g_failWritesAfter < dieAfter ? g_failWritesAfter : dieAfter;
    size_t first = bytes.size() < limit ? bytes.size() : limit;
    if (!WriteAll(file, bytes.data(), first)) {
        error = GetLastError();
        return false;
    }
    if (first == bytes.size())
        return true;
    if (dieAfter != SIZE_MAX) {
        FlushFileBuffers(file);
        TerminateProcess(GetCurrentProcess(), 70);
    }
    error = ERROR_WRITE_FAULT;
    return false;
}

using WineDosFileName = WCHAR*(CDECL*)(const char*);

std::wstring WindowsFormOfUnixPath(const std::wstring& path)
{
    // Wine maps Unix paths to drive letters itself; ask it, so that a path under a drive
    // other than Z: resolves too.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto convert = kernel ? reinterpret_cast<WineDosFileName>(
                                reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")))
                          : nullptr;
    if (convert != nullptr) {
        int size = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string unixPath(size > 0 ? size : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, unixPath.data(), size, nullptr, nullptr);
        if (WCHAR* dosPath = convert(unixPath.c_str())) {
            std::wstring result = dosPath;
            HeapFree(GetProcessHeap(), 0, dosPath);
            return result;
        }
    }
    std::wstring result = L"Z:" + path;
    for (auto& c : result) {
        if (c == L'/')
            c = L'\\';
    }
    return result;
}

} // namespace

std::wstring SystemErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = L"system error " + std::to_wstring(error);
    if (length > 0 && text != nullptr) {
        std::wstring description(text, length);
        while (!description.empty() && (description.back() == L'\n' || description.back() == L'\r'))
            description.pop_back();
        message += L": " + description;
    }
    if (text != nullptr)
        LocalFree(text);
    return message;
}

namespace StoreTestHooks {
void FailWritesAfter(size_t bytes)
{
    g_failWritesAfter = bytes;
}
} // namespace StoreTestHooks

std::wstring CFirmwareStore::ResolvePath(const std::wstring& path)
{
    std::wstring windowsPath = path;
    if (path.size() > 1 && path[0] == L'/' && path[1] != L'/')
        windowsPath = WindowsFormOfUnixPath(path);
    DWORD size = GetFullPathNameW(windowsPath.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return windowsPath;
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(windowsPath.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return windowsPath;
    full.resize(length);
    return full;
}

CFirmwareStore::CFirmwareStore(const std::wstring& path) : m_strPath(ResolvePath(path)) {}

StoreResult CFirmwareStore::FromEnvironment(std::unique_ptr<CFirmwareStore>& store)
{
    std::wstring path = EnvironmentValue(STORE_ENVIRONMENT_VARIABLE);
    if (path.empty())
        return StoreResult::Failure(EFI_STATUS_DRIVER_NOT_INSTALLED,
            L"no board store is configured: set FWSIM_STORE to the store file");
    store = std::make_unique<CFirmwareStore>(path);
    return {};
}

bool CFirmwareStore::Exists() const
{
    DWORD attributes = GetFileAttributesW(m_strPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

StoreResult CFirmwareStore::Load(StoreImage& image) const
{
    CStoreLock lock(m_strPath, STORE_LOCK_TIMEOUT_MS);
    if (!lock.Held())
        return StoreResult::Failure(EFI_STATUS_DRIVER_COMMUNICATION, L"the board store " + m_strPath + L" stays locked by another process");
    return LoadLocked(image);
}

StoreResult CFirmwareStore::Update(const std::function<bool(StoreImage&)>& change)
{
    CStoreLock lock(m_strPath, STORE_LOCK_TIMEOUT_MS);
    if (!lock.Held())
        return StoreResult::Failure(EFI_STATUS_DRIVER_COMMUNICATION, L"the board store " + m_strPath + L" stays locked by another process");
    StoreImage image;
    StoreResult loaded = LoadLocked(image);
    if (!loaded.Ok())
        return loaded;
    if (!change(image))
        return {};
    return SaveLocked(image);
}

StoreResult CFirmwareStore::Create(const StoreImage& image, bool replace)
{
    CStoreLock lock(m_strPath, STORE_LOCK_TIMEOUT_MS);
    if (!lock.Held())
        return StoreResult::Failure(EFI_STATUS_DRIVER_COMMUNICATION, L"the board store " + m_strPath + L" stays locked by another process");
    if (!replace && Exists())
        return StoreResult::Failure(EFI_STATUS_INVALID_PARAMETER, L"the board store " + m_strPath + L" already exists");
    return SaveLocked(image);
}

StoreResult CFirmwareStore::LoadLocked(StoreImage& image) const
{
    FileHandle file(CreateFileW(m_strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return StoreResult::Failure(EFI_STATUS_DRIVER_NOT_INSTALLED,
                L"the board store " + m_strPath + L" does not exist (fwsim init creates it)");
        return StoreResult::Failure(EFI_STATUS_DEVICE_ERROR, L"cannot open the board store " + m_strPath + L": " + SystemErrorText(error));
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return StoreResult::Failure(EFI_STATUS_DEVICE_ERROR, L"cannot read the board store " + m_strPath + L": " + SystemErrorText(GetLastError()));
    if (std::wstring problem = StoreFileSizeProblem(static_cast<uint64_t>(size.QuadPart)); !problem.empty())
        return StoreResult::Failure(EFI_STATUS_DEVICE_ERROR, L"the board store " + m_strPath + L" is damaged: " + problem);
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        DWORD chunk = static_cast<DWORD>(bytes.size() - done > (1u << 20) ? (1u << 20) : bytes.size() - done);
        if (!ReadFile(file.Get(), bytes.data() + done, chunk, &read, nullptr))
            return StoreResult::Failure(EFI_STATUS_DEVICE_ERROR, L"cannot read the board store " + m_strPath + L": " + SystemErrorText(GetLastError()));
        if (read == 0)
            break;
        done += read;
    }
    bytes.resize(done);
    std::wstring error;
    if (!ParseStore(bytes, image, error))
        return StoreResult::Failure(EFI_STATUS_DEVICE_ERROR, L"the board store " + m_strPath + L" is damaged: " + error);
    return {};
}

StoreResult CFirmwareStore::SaveLocked(const StoreImage& image) const
{
    // A file that Load would refuse as damaged must never replace a good one.
    std::vector<uint8_t> bytes;
    std::wstring problem;
    switch (SerializeStore(image, bytes, problem)) {
    case SerializeStatus::Ok:
        break;
    case SerializeStatus::TooLarge:
        return StoreResult::Failure(EFI_STATUS_OUT_OF_STORAGE, L"the board store " + m_strPath + L" would grow beyond " +
            std::to_wstring(STORE_MAX_FILE_BYTES) + L" bytes; nothing was changed");
    case SerializeStatus::BreaksRule:
        return StoreResult::Failure(EFI_STATUS_INVALID_PARAMETER, L"the board store " + m_strPath +
            L" was not changed: the new state could not be read back (" + problem + L")");
    }
    std::wstring temporary = TemporaryPath();
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return StoreResult::Failure(EFI_STATUS_DEVICE_ERROR, L"cannot create " + temporary + L": " + SystemErrorText(GetLastError()));
    DWORD error = ERROR_SUCCESS;
    bool written = WriteNewFile(file.Get(), bytes, error);
    if (written && !FlushFileBuffers(file.Get())) {
        error = GetLastError();
        written = false;
    }
    if (!file.Close() && written) {
        error = GetLastError();
        written = false;
    }
    if (!written) {
        DeleteFileW(temporary.c_str());
        return StoreResult::Failure(EFI_STATUS_DEVICE_ERROR, L"cannot write " + temporary + L": " + SystemErrorText(error));
    }
    if (!MoveFileExW(temporary.c_str(), m_strPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        DeleteFileW(temporary.c_str());
        return StoreResult::Failure(EFI_STATUS_DEVICE_ERROR, L"cannot replace the board store " + m_strPath + L": " + SystemErrorText(error));
    }
    return {};
}

} // namespace fwstore
