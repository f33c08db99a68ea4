// An emulated board of a test's own: a store file in a fresh temporary folder, faults armed
// into it and its state read back. Once made, FWSIM_STORE names it until the fixture ends,
// so the substitute libraries, the server through them and fwsim all work on it.
#pragma once

#include "TestSupport.h"

#include "StoreImage.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class BoardFixture {
public:
    BoardFixture();
    ~BoardFixture();
    BoardFixture(const BoardFixture&) = delete;
    BoardFixture& operator=(const BoardFixture&) = delete;

    // Makes the board from `image`, or as a copy of the store file at `path`, and names it
    // in FWSIM_STORE.
    void Create(const fwstore::StoreImage& image);
    void CopyFrom(const std::wstring& path);

    // The store file; it exists once the board is made.
    const std::wstring& Path() const { return m_path; }
    const TemporaryFolder& Folder() const { return m_folder; }

    fwstore::StoreImage Load() const;
    // Changes the board under its lock; false when the change was refused or not saved.
    bool Update(const std::function<bool(fwstore::StoreImage&)>& change);
    // The next call of `operation` (for variable `name`, when given) answers `status`.
    void ArmFault(fwstore::StoreOperation operation, uint32_t status, const wchar_t* name = L"");

    std::vector<uint8_t> Bytes() const;
    void WriteBytes(const std::vector<uint8_t>& bytes) const;
    // Deletes the store file and an unfinished save beside it.
    void Remove() const;

private:
    void Name() const;

    TemporaryFolder m_folder;
    std::wstring m_path;
    std::wstring m_previousStore;
    bool m_hadStore = false;
};
