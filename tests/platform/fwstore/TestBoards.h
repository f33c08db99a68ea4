// Boards for the store tests and the substitute libraries: small images with something in
// every section, and the boundary cases of the store format.
#pragma once

#include "BoardProfile.h"
#include "EfiStatus.h"
#include "FirmwareStore.h"
#include "StoreFormat.h"
#include "StoreImage.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A function exported by a substitute library, by its plain name.
template <typename T>
T Export(HMODULE module, const char* name)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

inline constexpr GUID TEST_VENDOR = {0x3812723D, 0x7E48, 0x4E29, {0xBC, 0x27, 0xF5, 0xA3, 0x9A, 0xC9, 0x4E, 0xF1}};
inline constexpr GUID OTHER_VENDOR = {0x70E56C5E, 0x280C, 0x44B0, {0xA4, 0x97, 0x09, 0x68, 0x1A, 0xBC, 0x37, 0x5E}};

// A small board: two variables, a setup database, 4 KiB of storage.
inline fwstore::StoreImage SmallBoard()
{
    fwstore::StoreImage image;
    image.boardName = L"test board";
    image.capacity = 4096;
    image.variables.push_back({L"FirmwareId", TEST_VENDOR, 7, {'T', 'B', '.', '8', '6', 'A'}});
    image.variables.push_back({L"1.4", OTHER_VENDOR, 7, {'M', 'a', 'k', 'e', 'r', 0}});
    image.exportDb = {1, 0, 0, 0, 0xAA, 0xBB};
    return image;
}

// SmallBoard with something in every section: counters, a fault, an armed capsule.
inline fwstore::StoreImage FullBoard()
{
    using namespace fwstore;
    StoreImage image = SmallBoard();
    image.counters.push_back({L"Setup", OTHER_VENDOR, 3, 2, 1, 4, 1234567890123ull});
    image.exportDbReads = 9;
    FaultRule fault;
    fault.operation = StoreOperation::GetVariable;
    fault.status = 5;
    fault.flags = FAULT_MATCH_VENDOR;
    fault.skip = 2;
    fault.remaining = 3;
    fault.vendor = TEST_VENDOR;
    fault.name = L"Setup";
    image.faults.push_back(fault);
    image.capsule = {CAPSULE_ARMED, 0x80000003u, 0, 4, {9, 8, 7}};
    return image;
}

// Two images hold the same, field for field: the store encoding writes every field.
inline bool SameContent(const fwstore::StoreImage& a, const fwstore::StoreImage& b)
{
    return fwstore::StoreFormatTesting::EncodeUnchecked(a) == fwstore::StoreFormatTesting::EncodeUnchecked(b);
}

// One boundary case of a field that the store reader checks: a change to FullBoard and
// whether the store may hold the result. The writer must refuse exactly the changes that
// the reader refuses, and a store it writes must read back as it was.
struct StoreBoundaryCase {
    const char* label;
    std::function<void(fwstore::StoreImage&)> change;
    bool valid;
    const wchar_t* problem = L"";   // part of the refusal's message
};

// A name of `length` units; `nulAt` puts a NUL there.
inline std::wstring NameOf(size_t length, size_t nulAt = SIZE_MAX)
{
    std::wstring name(length, L'n');
    if (nulAt < length)
        name[nulAt] = L'\0';
    return name;
}

inline std::vector<StoreBoundaryCase> StoreBoundaryCases()
{
    using namespace fwstore;
    using Image = StoreImage;
    const size_t MAX = MAX_NAME_LENGTH;
    auto fault = [](Image& image) -> FaultRule& { return image.faults[0]; };
    return {
        {"unchanged", [](Image&) {}, true},
        // Names: up to 1024 units, never NUL; board and fault names may be empty.
        {"board name empty", [](Image& i) { i.boardName.clear(); }, true},
        {"board name 1024", [=](Image& i) { i.boardName = NameOf(MAX); }, true},
        {"board name 1025", [=](Image& i) { i.boardName = NameOf(MAX + 1); }, false, L"board name has 1025 characters"},
        {"board name with NUL", [](Image& i) { i.boardName = NameOf(5, 2); }, false, L"board name holds a NUL"},
        {"variable name empty", [](Image& i) { i.variables[0].name.clear(); }, false, L"variable name is empty"},
        {"variable name 1", [](Image& i) { i.variables[0].name = L"v"; }, true},
        {"variable name 1024", [=](Image& i) { i.variables[0].name = NameOf(MAX); }, true},
        {"variable name 1025", [=](Image& i) { i.variables[0].name = NameOf(MAX + 1); }, false, L"variable name has 1025"},
        {"variable name with NUL", [](Image& i) { i.variables[0].name = NameOf(4, 0); }, false, L"variable name holds a NUL"},
        {"variable name of any other unit", [](Image& i) { i.variables[0].name = {L'\xFFFF', L'\xD800', L'\x01'}; }, true},
        {"counter name empty", [](Image& i) { i.counters[0].name.clear(); }, false, L"counter name is empty"},
        {"counter name 1024", [=](Image& i) { i.counters[0].name = NameOf(MAX); }, true},
        {"counter name 1025", [=](Image& i) { i.counters[0].name = NameOf(MAX + 1); }, false, L"counter name has 1025"},
        {"counter name with NUL", [](Image& i) { i.counters[0].name = NameOf(3, 2); }, false, L"counter name holds a NUL"},
        {"fault name empty", [=](Image& i) { fault(i).name.clear(); }, true},
        {"fault name 1024", [=](Image& i) { fault(i).name = NameOf(MAX); }, true},
        {"fault name 1025", [=](Image& i) { fault(i).name = NameOf(MAX + 1); }, false, L"fault name has 1025 characters"},
        {"fault name 4000", [=](Image& i) { fault(i).name = NameOf(4000); }, false, L"fault name has 4000 characters"},
        {"fault name with NUL", [=](Image& i) { fault(i).name = NameOf(6, 5); }, false, L"fault name holds a NUL"},
        // Data: a variable holds at least one byte; the database and the capsule may be empty.
        {"variable data empty", [](Image& i) { i.variables[1].data.clear(); }, false, L"has no data"},
        {"variable data 1 byte", [](Image& i) { i.variables[1].data = {0}; }, true},
        {"variable data 64 KiB", [](Image& i) { i.variables[1].data.assign(65536, 0xA5); }, true},
        {"setup database empty", [](Image& i) { i.exportDb.clear(); }, true},
        {"capsule image empty", [](Image& i) { i.capsule.image.clear(); }, true},
        // Uniqueness of name and GUID together.
        {"variable twice", [](Image& i) { i.variables.push_back(i.variables[0]); }, false, L"appears twice"},
        {"variable name under another GUID",
            [](Image& i) { i.variables.push_back(i.variables[0]); i.variables.back().vendor = OTHER_VENDOR; }, true},
        {"counters twice", [](Image& i) { i.counters.push_back(i.counters[0]); }, false, L"appear twice"},
        {"counters under another GUID",
            [](Image& i) { i.counters.push_back(i.counters[0]); i.counters.back().vendor = TEST_VENDOR; }, true},
        // Faults: operation 1 to 8, flags 1 and 2, calls left unless every call.
        {"fault operation 0", [=](Image& i) { fault(i).operation = static_cast<StoreOperation>(0); }, false, L"fault operation 0"},
        {"fault operation 1", [=](Image& i) { fault(i).operation = static_cast<StoreOperation>(1); }, true},
        {"fault operation 8", [=](Image& i) { fault(i).operation = static_cast<StoreOperation>(STORE_OPERATION_LAST); }, true},
        {"fault operation 9", [=](Image& i) { fault(i).operation = static_cast<StoreOperation>(9); }, false, L"fault operation 9"},
        {"fault operation max", [=](Image& i) { fault(i).operation = static_cast<StoreOperation>(UINT32_MAX); }, false,
            L"is unknown"},
        {"fault flags 0", [=](Image& i) { fault(i).flags = 0; }, true},
        {"fault flags 3", [=](Image& i) { fault(i).flags = FAULT_FLAGS_KNOWN; }, true},
        {"fault flags 4", [=](Image& i) { fault(i).flags = 4; }, false, L"fault flags 0x4"},
        {"fault flags top bit", [=](Image& i) { fault(i).flags = 0x80000001u; }, false, L"fault flags 0x80000001"},
        {"fault used up", [=](Image& i) { fault(i).remaining = 0; }, false, L"used-up"},
        {"fault every call, none left", [=](Image& i) { fault(i).remaining = 0; fault(i).flags = FAULT_EVERY_CALL; }, true},
        {"fault counts at their maximum",
            [=](Image& i) { fault(i).remaining = UINT32_MAX; fault(i).skip = UINT32_MAX; fault(i).status = UINT32_MAX; }, true},
        // The capsule slot: state 0 to 2; its other fields take any value.
        {"capsule empty", [](Image& i) { i.capsule = {}; }, true},
        {"capsule staged", [](Image& i) { i.capsule.state = CAPSULE_STAGED; }, true},
        {"capsule state 3", [](Image& i) { i.capsule.state = 3; }, false, L"capsule state 3"},
        {"capsule fields at their maximum",
            [](Image& i) { i.capsule.lastStatus = UINT32_MAX; i.capsule.flags = UINT32_MAX; i.capsule.resetCount = UINT32_MAX; },
            true},
        // Counts and numbers the reader takes as they are.
        {"no variables, counters or faults",
            [](Image& i) { i.variables.clear(); i.counters.clear(); i.faults.clear(); }, true},
        {"capacity 0", [](Image& i) { i.capacity = 0; }, true},
        {"capacity max", [](Image& i) { i.capacity = UINT32_MAX; }, true},
        {"counters at their maximum",
            [](Image& i) { i.exportDbReads = UINT32_MAX; i.counters[0].reads = UINT32_MAX; i.counters[0].bytesWritten = UINT64_MAX; },
            true},
        {"2000 variables",
            [](Image& i) { for (int n = 0; n < 2000; ++n) i.variables.push_back({L"V" + std::to_wstring(n), TEST_VENDOR, 7, {1}}); },
            true},
        {"2000 faults", [=](Image& i) { i.faults.assign(2000, fault(i)); }, true},
        {"the 57th of 100 faults bad",
            [=](Image& i) { i.faults.assign(100, fault(i)); i.faults[56].name = NameOf(MAX + 1); }, false,
            L"fault name has 1025"},
    };
}

// Board profiles parsed as "board.ini"; `files` holds the files that a profile may name.
using ProfileFiles = std::map<std::wstring, std::vector<uint8_t>>;

inline fwstore::StoreResult ParseProfile(std::string_view text, fwstore::StoreImage& image, const ProfileFiles& files = {})
{
    fwstore::BoardFileLoader loader = [&files](const std::wstring& name, std::vector<uint8_t>& bytes, std::wstring& error) {
        auto it = files.find(name);
        if (it == files.end()) {
            error = L"cannot open \"" + name + L"\"";
            return false;
        }
        bytes = it->second;
        return true;
    };
    return fwstore::ParseBoardProfile(text, L"board.ini", loader, image);
}

// The profile is refused with `expected` in its message, and the image is left as it was.
inline void ExpectProfileError(std::string_view text, const wchar_t* expected, const ProfileFiles& files = {})
{
    fwstore::StoreImage image;
    image.boardName = L"untouched";
    fwstore::StoreResult result = ParseProfile(text, image, files);
    EXPECT_EQ(result.status, fwstore::EFI_STATUS_INVALID_PARAMETER) << text.substr(0, 400);
    EXPECT_NE(result.message.find(expected), std::wstring::npos)
        << "got: " << std::string(result.message.begin(), result.message.end());
    EXPECT_EQ(image.boardName, L"untouched");
    EXPECT_TRUE(image.variables.empty() && image.exportDb.empty());
}
