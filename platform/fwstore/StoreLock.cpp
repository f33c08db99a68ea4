#include "StoreLock.h"

#include <cwchar>
#include <cwctype>

namespace fwstore {

std::wstring CStoreLock::MutexName(const std::wstring& fullPath)
{
    // FNV-1a over the upper-cased path: mutex names cannot hold backslashes and are limited
    // in length, so the path itself is not usable.
    uint64_t hash = 0xCBF29CE484222325ull;
    for (wchar_t c : fullPath) {
        hash ^= static_cast<uint16_t>(std::towupper(c));
        hash *= 0x100000001B3ull;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\fwsim-store-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

CStoreLock::CStoreLock(const std::wstring& fullPath, DWORD timeoutMs)
{
    m_hMutex = CreateMutexW(nullptr, FALSE, MutexName(fullPath).c_str());
    if (m_hMutex == nullptr)
        return;
    DWORD wait = WaitForSingleObject(m_hMutex, timeoutMs);
    // An abandoned lock means its holder died; the store file itself is always whole
    // because it is only ever replaced, so the lock is simply taken over.
    m_bHeld = (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED);
}

CStoreLock::~CStoreLock()
{
    if (m_bHeld)
        ReleaseMutex(m_hMutex);
    if (m_hMutex != nullptr)
        CloseHandle(m_hMutex);
}

} // namespace fwstore
