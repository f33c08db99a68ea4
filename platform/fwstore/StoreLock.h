// Serialises every process that uses one store file: a named mutex whose name is derived
// from the store's full path, so the wizard and a tool on the same board wait for each other.
#pragma once

#include <windows.h>

#include <string>

namespace fwstore {

class CStoreLock {
public:
    // Waits up to `timeoutMs` for the lock; Held() tells whether it was taken.
    CStoreLock(const std::wstring& fullPath, DWORD timeoutMs);
    ~CStoreLock();
    CStoreLock(const CStoreLock&) = delete;
    CStoreLock& operator=(const CStoreLock&) = delete;

    bool Held() const { return m_bHeld; }
    // The mutex name for a store path (case-insensitive, as Windows paths are).
    static std::wstring MutexName(const std::wstring& fullPath);

private:
    HANDLE m_hMutex = nullptr;
    bool m_bHeld = false;
};

} // namespace fwstore
