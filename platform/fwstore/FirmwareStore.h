// The one place that reads and writes a board's store file. Every access takes the store's
// cross-process lock; every change writes a complete new file, flushes it and replaces the
// old one, so a reader sees the old state or the new one and never a mixture.
#pragma once

#include "EfiStatus.h"
#include "StoreImage.h"
#include "StoreResult.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace fwstore {

constexpr const wchar_t* STORE_ENVIRONMENT_VARIABLE = L"FWSIM_STORE";
constexpr DWORD STORE_LOCK_TIMEOUT_MS = 30000;

class CFirmwareStore {
public:
    // `path` is a Windows path or, under Wine, a Unix path.
    explicit CFirmwareStore(const std::wstring& path);

    // The store named by FWSIM_STORE; status 2 when none is configured.
    static StoreResult FromEnvironment(std::unique_ptr<CFirmwareStore>& store);

    const std::wstring& Path() const { return m_strPath; }

    // Status 2 when the file does not exist, 5 when it is damaged or unreadable, 11 when
    // the lock cannot be taken.
    StoreResult Load(StoreImage& image) const;
    // Loads, runs `change`, and saves when it returns true; all under the lock. A failed
    // save leaves the file as it was and answers status 5; 6 when the new store would be
    // larger than any store that Load accepts; 3 when the new state breaks a rule that Load
    // applies (StoreRules.h), so that no save ever writes a store that Load refuses.
    StoreResult Update(const std::function<bool(StoreImage&)>& change);
    // Writes a new store, refusing it as a save does; refuses to replace an existing one
    // unless `replace` (status 3 as well).
    StoreResult Create(const StoreImage& image, bool replace);

    bool Exists() const;

    // A Unix path ("/...") in its Windows form through Wine's drive mapping; other paths
    // as they are, made absolute.
    static std::wstring ResolvePath(const std::wstring& path);

private:
    StoreResult LoadLocked(StoreImage& image) const;
    StoreResult SaveLocked(const StoreImage& image) const;
    std::wstring TemporaryPath() const { return m_strPath + L".new"; }

    std::wstring m_strPath;
};

// Test hooks for the atomicity guarantees.
namespace StoreTestHooks {
// The next saves fail after writing this many bytes of the new file (SIZE_MAX: never).
void FailWritesAfter(size_t bytes);
}

// "FWSIM_DIE_DURING_WRITE=N" in the environment makes a process end itself abruptly after
// writing N bytes of a new store file: it shows that a process killed mid-write leaves the
// store whole.
constexpr const wchar_t* DIE_DURING_WRITE_VARIABLE = L"FWSIM_DIE_DURING_WRITE";

// "system error 5: Access is denied."
std::wstring SystemErrorText(DWORD error);

} // namespace fwstore
