// A store file of its own for each test, in the temporary folder, removed afterwards.
#pragma once

#include "FirmwareStore.h"
#include "TestBoards.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A function exported by a substitute library, by its plain name.
template <typename T>
T Export(HMODULE module, const char* name)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class TestStoreFile {
public:
    explicit TestStoreFile(const wchar_t* tag)
    {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        m_path = std::wstring(folder) + L"fwsim-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L".store";
        Remove();
    }
    ~TestStoreFile() { Remove(); }

    const std::wstring& Path() const { return m_path; }
    void Remove() const
    {
        DeleteFileW(m_path.c_str());
        DeleteFileW((m_path + L".new").c_str());
    }

    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> bytes;
        HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return bytes;
        DWORD size = GetFileSize(file, nullptr);
        bytes.resize(size);
        DWORD read = 0;
        ReadFile(file, bytes.data(), size, &read, nullptr);
        CloseHandle(file);
        bytes.resize(read);
        return bytes;
    }

    void WriteBytes(const std::vector<uint8_t>& bytes) const
    {
        HANDLE file = CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }

private:
    std::wstring m_path;
};
