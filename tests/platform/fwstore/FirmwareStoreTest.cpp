#include "FirmwareStore.h"

#include "BoardFixture.h"
#include "EfiGuid.h"
#include "StoreLock.h"
#include "StoreOperations.h"
#include "TestBoards.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace fwstore;

namespace {

std::vector<uint8_t> ValueOf(const CFirmwareStore& store, const wchar_t* name)
{
    StoreImage image;
    EXPECT_TRUE(store.Load(image).Ok());
    const StoredVariable* variable = FindVariable(image, name, TEST_VENDOR);
    return variable ? variable->data : std::vector<uint8_t>();
}

StoreResult Write(CFirmwareStore& store, const wchar_t* name, std::vector<uint8_t> data)
{
    return store.Update([&](StoreImage& image) { return SetStoredVariable(image, name, TEST_VENDOR, 7, data) == 0; });
}

// Runs fwsim.exe (next to the test) with the given environment additions and arguments.
DWORD RunFwsim(const std::wstring& arguments, const std::vector<std::pair<std::wstring, std::wstring>>& environment)
{
    for (const auto& [name, value] : environment)
        SetEnvironmentVariableW(name.c_str(), value.c_str());
    const DWORD code = RunProgram(L"fwsim.exe " + arguments);
    for (const auto& [name, value] : environment)
        SetEnvironmentVariableW(name.c_str(), nullptr);
    return code;
}

} // namespace

TEST(FirmwareStore, KeepsItsContentAcrossInstances)
{
    BoardFixture file;
    CFirmwareStore first(file.Path());
    ASSERT_TRUE(first.Create(SmallBoard(), false).Ok());
    ASSERT_TRUE(Write(first, L"Setup", {1, 2, 3}).Ok());
    CFirmwareStore second(file.Path());
    EXPECT_EQ(ValueOf(second, L"Setup"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(ValueOf(second, L"FirmwareId").size(), 6u);
}

TEST(FirmwareStore, CreateRefusesToReplaceUnlessAsked)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    ASSERT_TRUE(store.Create(SmallBoard(), false).Ok());
    ASSERT_TRUE(Write(store, L"Setup", {1}).Ok());
    EXPECT_EQ(store.Create(SmallBoard(), false).status, EFI_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(ValueOf(store, L"Setup"), (std::vector<uint8_t>{1}));
    EXPECT_TRUE(store.Create(SmallBoard(), true).Ok());
    EXPECT_TRUE(ValueOf(store, L"Setup").empty());
}

TEST(FirmwareStore, MissingFileAnswersDriverNotInstalled)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    StoreImage image;
    EXPECT_EQ(store.Load(image).status, EFI_STATUS_DRIVER_NOT_INSTALLED);
    bool called = false;
    EXPECT_EQ(store.Update([&](StoreImage&) { return called = true; }).status, EFI_STATUS_DRIVER_NOT_INSTALLED);
    EXPECT_FALSE(called);
    EXPECT_FALSE(store.Exists()) << "an update must not create a store";
}

TEST(FirmwareStore, DamagedFileIsRefusedAndLeftAlone)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    ASSERT_TRUE(store.Create(SmallBoard(), false).Ok());
    std::vector<uint8_t> bytes = file.Bytes();
    bytes.resize(bytes.size() - 3);
    file.WriteBytes(bytes);
    StoreImage image;
    StoreResult result = store.Load(image);
    EXPECT_EQ(result.status, EFI_STATUS_DEVICE_ERROR);
    EXPECT_NE(result.message.find(L"is damaged"), std::wstring::npos);
    EXPECT_EQ(Write(store, L"Setup", {1}).status, EFI_STATUS_DEVICE_ERROR);
    EXPECT_EQ(file.Bytes(), bytes) << "a damaged store is never overwritten by an update";
}

TEST(FirmwareStore, SavesOnlyStoresThatLoadBack)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    for (const StoreBoundaryCase& test : StoreBoundaryCases()) {
        SCOPED_TRACE(test.label);
        ASSERT_TRUE(store.Create(FullBoard(), true).Ok());
        const std::vector<uint8_t> before = file.Bytes();
        StoreImage changed;
        StoreResult result = store.Update([&](StoreImage& image) {
            test.change(image);
            changed = image;
            return true;
        });
        if (test.valid) {
            ASSERT_TRUE(result.Ok()) << std::string(result.message.begin(), result.message.end());
            StoreImage loaded;
            ASSERT_TRUE(store.Load(loaded).Ok());
            EXPECT_TRUE(SameContent(loaded, changed)) << "the saved store reads back as it was saved";
            continue;
        }
        // Refused: the store stays byte for byte, no temporary file is left, and every later
        // command still finds a good store.
        EXPECT_EQ(result.status, EFI_STATUS_INVALID_PARAMETER);
        EXPECT_NE(result.message.find(L"was not changed"), std::wstring::npos);
        EXPECT_NE(result.message.find(test.problem), std::wstring::npos)
            << std::string(result.message.begin(), result.message.end());
        EXPECT_EQ(file.Bytes(), before);
        EXPECT_EQ(GetFileAttributesW((file.Path() + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
        StoreImage loaded;
        EXPECT_TRUE(store.Load(loaded).Ok());
        // Create refuses such an image too, over a store and where there is none.
        EXPECT_EQ(store.Create(changed, true).status, EFI_STATUS_INVALID_PARAMETER);
        EXPECT_EQ(file.Bytes(), before);
        file.Remove();
        EXPECT_EQ(store.Create(changed, false).status, EFI_STATUS_INVALID_PARAMETER);
        EXPECT_FALSE(store.Exists());
    }
}

TEST(FirmwareStore, WriteFailingMidwayLeavesTheOldFile)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    ASSERT_TRUE(store.Create(SmallBoard(), false).Ok());
    ASSERT_TRUE(Write(store, L"Setup", {1, 1}).Ok());
    std::vector<uint8_t> before = file.Bytes();

    StoreTestHooks::FailWritesAfter(40);
    StoreResult result = Write(store, L"Setup", {2, 2});
    StoreTestHooks::FailWritesAfter(SIZE_MAX);
    EXPECT_EQ(result.status, EFI_STATUS_DEVICE_ERROR);
    EXPECT_EQ(file.Bytes(), before);
    EXPECT_EQ(GetFileAttributesW((file.Path() + L".new").c_str()), INVALID_FILE_ATTRIBUTES) << "no temporary file is left";
    EXPECT_EQ(ValueOf(store, L"Setup"), (std::vector<uint8_t>{1, 1}));
}

TEST(FirmwareStore, ProcessDyingDuringAWriteLeavesTheOldValue)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    ASSERT_TRUE(store.Create(SmallBoard(), false).Ok());
    ASSERT_TRUE(Write(store, L"Setup", {0x11}).Ok());
    std::vector<uint8_t> before = file.Bytes();

    DWORD code = RunFwsim(L"set Setup {3812723D-7E48-4E29-BC27-F5A39AC94EF1} 2222",
        {{L"FWSIM_STORE", file.Path()}, {DIE_DURING_WRITE_VARIABLE, L"60"}});
    EXPECT_EQ(code, 70u) << "fwsim should have died mid-write";
    EXPECT_EQ(file.Bytes(), before);
    EXPECT_EQ(ValueOf(store, L"Setup"), (std::vector<uint8_t>{0x11}));

    // The half-written file of the dead process does not disturb the next writer.
    ASSERT_EQ(RunFwsim(L"set Setup {3812723D-7E48-4E29-BC27-F5A39AC94EF1} 2222", {{L"FWSIM_STORE", file.Path()}}), 0u);
    EXPECT_EQ(ValueOf(store, L"Setup"), (std::vector<uint8_t>{0x22, 0x22}));
}

TEST(FirmwareStore, ProcessKilledAtAnyMomentLeavesOldOrNewValue)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    ASSERT_TRUE(store.Create(SmallBoard(), false).Ok());
    ASSERT_TRUE(Write(store, L"Setup", {0xAA}).Ok());
    SetEnvironmentVariableW(L"FWSIM_STORE", file.Path().c_str());
    for (DWORD delay = 0; delay < 120; delay += 15) {
        std::wstring command = L"fwsim.exe set Setup {3812723D-7E48-4E29-BC27-F5A39AC94EF1} BBBB";
        STARTUPINFOW startup{sizeof(startup)};
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        Sleep(delay);
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        std::vector<uint8_t> value = ValueOf(store, L"Setup");
        EXPECT_TRUE(value == std::vector<uint8_t>{0xAA} || value == (std::vector<uint8_t>{0xBB, 0xBB})) << "delay " << delay;
        ASSERT_TRUE(Write(store, L"Setup", {0xAA}).Ok());
    }
    SetEnvironmentVariableW(L"FWSIM_STORE", nullptr);
}

TEST(FirmwareStore, LockSerialisesWriters)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    ASSERT_TRUE(store.Create(SmallBoard(), false).Ok());
    std::atomic<bool> written{false};
    std::thread writer;
    {
        CStoreLock held(store.Path(), 1000);
        ASSERT_TRUE(held.Held());
        writer = std::thread([&] {
            CFirmwareStore other(file.Path());
            written = Write(other, L"Setup", {7}).Ok();
        });
        Sleep(300);
        EXPECT_FALSE(written) << "the writer must wait for the lock";
    }
    writer.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(ValueOf(store, L"Setup"), (std::vector<uint8_t>{7}));
}

TEST(FirmwareStore, ConcurrentUpdatesLoseNothing)
{
    BoardFixture file;
    CFirmwareStore store(file.Path());
    ASSERT_TRUE(store.Create(SmallBoard(), false).Ok());
    auto increment = [&] {
        CFirmwareStore own(file.Path());
        for (int i = 0; i < 20; ++i) {
            own.Update([](StoreImage& image) {
                image.capsule.resetCount++;
                return true;
            });
        }
    };
    std::thread a(increment), b(increment);
    a.join();
    b.join();
    StoreImage image;
    ASSERT_TRUE(store.Load(image).Ok());
    EXPECT_EQ(image.capsule.resetCount, 40u);
}

TEST(FirmwareStore, UnixAndWindowsPathsNameTheSameStore)
{
    BoardFixture file;
    CFirmwareStore windowsForm(file.Path());
    ASSERT_TRUE(windowsForm.Create(SmallBoard(), false).Ok());
    ASSERT_EQ(file.Path().substr(0, 2), L"C:") << "the temporary folder is expected on C:";
    // Wine keeps drive C: as a folder of the prefix, reachable from Z: by its Unix path.
    char unixPath[MAX_PATH * 3] = {};
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    ASSERT_NE(toUnix, nullptr) << "runs under Wine";
    char* converted = toUnix(file.Path().c_str());
    ASSERT_NE(converted, nullptr);
    strncpy(unixPath, converted, sizeof(unixPath) - 1);
    HeapFree(GetProcessHeap(), 0, converted);
    std::wstring unixForm(unixPath, unixPath + strlen(unixPath));
    ASSERT_EQ(unixForm[0], L'/');

    CFirmwareStore unixStore(unixForm);
    EXPECT_EQ(ValueOf(unixStore, L"FirmwareId").size(), 6u);
    EXPECT_EQ(_wcsicmp(CStoreLock::MutexName(unixStore.Path()).c_str(), CStoreLock::MutexName(windowsForm.Path()).c_str()), 0)
        << "both forms must share one lock";
}

TEST(FirmwareStore, EnvironmentNamesTheStore)
{
    SetEnvironmentVariableW(STORE_ENVIRONMENT_VARIABLE, nullptr);
    std::unique_ptr<CFirmwareStore> store;
    EXPECT_EQ(CFirmwareStore::FromEnvironment(store).status, EFI_STATUS_DRIVER_NOT_INSTALLED);
    SetEnvironmentVariableW(STORE_ENVIRONMENT_VARIABLE, L"/tmp/some.store");
    ASSERT_TRUE(CFirmwareStore::FromEnvironment(store).Ok());
    EXPECT_EQ(_wcsicmp(store->Path().c_str(), L"Z:\\tmp\\some.store"), 0);
    SetEnvironmentVariableW(STORE_ENVIRONMENT_VARIABLE, nullptr);
}
