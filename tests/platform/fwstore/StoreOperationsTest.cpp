#include "StoreOperations.h"

#include "EfiGuid.h"
#include "EfiStatus.h"
#include "TestBoards.h"

#include <gtest/gtest.h>

using namespace fwstore;

namespace {

uint32_t Set(StoreImage& image, const wchar_t* name, std::vector<uint8_t> data, uint32_t attributes = 7,
    const GUID& vendor = TEST_VENDOR)
{
    uint32_t size = static_cast<uint32_t>(data.size());
    return SetVariableIn(image, name, &vendor, &attributes, &size, data.empty() ? nullptr : data.data()).status;
}

uint32_t Get(StoreImage& image, const wchar_t* name, std::vector<uint8_t>& data, const GUID& vendor = TEST_VENDOR)
{
    uint32_t attributes = 0, size = 256;
    data.assign(size, 0);
    uint32_t status = GetVariableIn(image, name, &vendor, &attributes, &size, data.data()).status;
    data.resize(status == EFI_STATUS_SUCCESS ? size : 0);
    return status;
}

FaultRule Fault(StoreOperation operation, uint32_t status, const wchar_t* name = L"")
{
    FaultRule fault;
    fault.operation = operation;
    fault.status = status;
    fault.name = name;
    return fault;
}

} // namespace

TEST(GetVariableIn, SizeQueryThenRead)
{
    StoreImage image = SmallBoard();
    uint32_t attributes = 0, size = 0;
    EXPECT_EQ(GetVariableIn(image, L"FirmwareId", &TEST_VENDOR, &attributes, &size, nullptr).status, EFI_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(attributes, 7u) << "size queries report the attributes too";

    std::vector<uint8_t> buffer(5, 0xEE);
    size = 5;
    EXPECT_EQ(GetVariableIn(image, L"FirmwareId", &TEST_VENDOR, &attributes, &size, buffer.data()).status, EFI_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer, std::vector<uint8_t>(5, 0xEE)) << "a short buffer is left untouched";

    buffer.assign(10, 0);
    size = 10;
    EXPECT_EQ(GetVariableIn(image, L"FirmwareId", &TEST_VENDOR, &attributes, &size, buffer.data()).status, EFI_STATUS_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[5], 'A');
}

TEST(GetVariableIn, AbsentWrongVendorAndBadArguments)
{
    StoreImage image = SmallBoard();
    std::vector<uint8_t> data;
    EXPECT_EQ(Get(image, L"Nothing", data), EFI_STATUS_NOT_FOUND);
    EXPECT_EQ(Get(image, L"FirmwareId", data, OTHER_VENDOR), EFI_STATUS_NOT_FOUND);
    EXPECT_EQ(Get(image, L"firmwareid", data), EFI_STATUS_NOT_FOUND) << "names are case-sensitive";
    uint32_t size = 0;
    EXPECT_EQ(GetVariableIn(image, nullptr, &TEST_VENDOR, nullptr, &size, nullptr).status, EFI_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(GetVariableIn(image, L"", &TEST_VENDOR, nullptr, &size, nullptr).status, EFI_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(GetVariableIn(image, L"FirmwareId", nullptr, nullptr, &size, nullptr).status, EFI_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(GetVariableIn(image, L"FirmwareId", &TEST_VENDOR, nullptr, nullptr, nullptr).status, EFI_STATUS_INVALID_PARAMETER);
    std::wstring longName(MAX_NAME_LENGTH + 1, L'x');
    EXPECT_EQ(GetVariableIn(image, longName.c_str(), &TEST_VENDOR, nullptr, &size, nullptr).status, EFI_STATUS_INVALID_PARAMETER);
}

TEST(SetVariableIn, WriteReplaceDelete)
{
    StoreImage image = SmallBoard();
    std::vector<uint8_t> data;
    EXPECT_EQ(Set(image, L"New", {1, 2, 3}), EFI_STATUS_SUCCESS);
    EXPECT_EQ(Get(image, L"New", data), EFI_STATUS_SUCCESS);
    EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(Set(image, L"New", {9}), EFI_STATUS_SUCCESS);
    EXPECT_EQ(Get(image, L"New", data), EFI_STATUS_SUCCESS);
    EXPECT_EQ(data, (std::vector<uint8_t>{9}));
    EXPECT_EQ(Set(image, L"New", {}), EFI_STATUS_SUCCESS);
    EXPECT_EQ(Get(image, L"New", data), EFI_STATUS_NOT_FOUND);
    EXPECT_EQ(Set(image, L"New", {}), EFI_STATUS_NOT_FOUND) << "deleting an absent variable";
    EXPECT_EQ(image.variables.size(), 2u);
}

TEST(SetVariableIn, AttributesAreCheckedAndKept)
{
    StoreImage image = SmallBoard();
    EXPECT_EQ(Set(image, L"A", {1}, 0x1), EFI_STATUS_INVALID_PARAMETER) << "no boot-service access";
    EXPECT_EQ(Set(image, L"A", {1}, 0x8 | 0x7), EFI_STATUS_INVALID_PARAMETER) << "unsupported bit";
    EXPECT_EQ(Set(image, L"FirmwareId", {1}, 0x3), EFI_STATUS_INVALID_PARAMETER) << "attributes of an existing variable";
    EXPECT_EQ(Set(image, L"A", {1}, 0x3), EFI_STATUS_SUCCESS);
    uint32_t size = 4, bad = 7;
    EXPECT_EQ(SetVariableIn(image, L"A", &TEST_VENDOR, &bad, &size, nullptr).status, EFI_STATUS_INVALID_PARAMETER)
        << "data size without data";
    EXPECT_EQ(SetVariableIn(image, L"A", &TEST_VENDOR, nullptr, &size, &bad).status, EFI_STATUS_INVALID_PARAMETER);
}

TEST(SetVariableIn, CapacityIsEnforcedAndFreedByDeletes)
{
    StoreImage image = SmallBoard();
    uint64_t used = UsedStorageBytes(image);
    uint64_t room = image.capacity - used - VariableStorageBytes(3, 0);   // name "Big"
    EXPECT_EQ(Set(image, L"Big", std::vector<uint8_t>(room + 1)), EFI_STATUS_OUT_OF_STORAGE);
    EXPECT_EQ(image.variables.size(), 2u);
    EXPECT_EQ(Set(image, L"Big", std::vector<uint8_t>(room)), EFI_STATUS_SUCCESS);
    EXPECT_EQ(UsedStorageBytes(image), image.capacity);
    EXPECT_EQ(Set(image, L"C", {1}), EFI_STATUS_OUT_OF_STORAGE);
    EXPECT_EQ(Set(image, L"Big", std::vector<uint8_t>(room)), EFI_STATUS_SUCCESS) << "a same-size rewrite fits";
    EXPECT_EQ(Set(image, L"Big", {}), EFI_STATUS_SUCCESS);
    EXPECT_EQ(Set(image, L"C", {1}), EFI_STATUS_SUCCESS);
}

TEST(Counters, CountEveryCallPerVariable)
{
    StoreImage image = SmallBoard();
    std::vector<uint8_t> data;
    Get(image, L"FirmwareId", data);
    Get(image, L"Absent", data);
    Set(image, L"Setup", {1, 2, 3, 4});
    Set(image, L"Setup", {5, 6});
    Set(image, L"Setup", {1}, 0x3);   // attribute change refused
    Set(image, L"Setup", {});
    uint32_t size = 0;
    GetExportDbIn(image, &size, nullptr);

    const VariableCounters* id = FindCounters(image, L"FirmwareId", TEST_VENDOR);
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->reads, 1u);
    EXPECT_EQ(id->writes, 0u);
    ASSERT_NE(FindCounters(image, L"Absent", TEST_VENDOR), nullptr);
    const VariableCounters* setup = FindCounters(image, L"Setup", TEST_VENDOR);
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->writes, 2u);
    EXPECT_EQ(setup->bytesWritten, 6u);
    EXPECT_EQ(setup->failedWrites, 1u);
    EXPECT_EQ(setup->deletes, 1u);
    EXPECT_EQ(image.exportDbReads, 1u);
    EXPECT_EQ(FindCounters(image, L"Setup", OTHER_VENDOR), nullptr) << "counters are per name and GUID";
}

TEST(Faults, NextCallsOfOneVariableFailThenRecover)
{
    StoreImage image = SmallBoard();
    FaultRule fault = Fault(StoreOperation::SetVariable, EFI_STATUS_DEVICE_ERROR, L"Setup");
    fault.remaining = 2;
    image.faults.push_back(fault);
    EXPECT_EQ(Set(image, L"Other", {1}), EFI_STATUS_SUCCESS) << "another name is not affected";
    EXPECT_EQ(Set(image, L"Setup", {1}), EFI_STATUS_DEVICE_ERROR);
    EXPECT_EQ(Set(image, L"Setup", {1}), EFI_STATUS_DEVICE_ERROR);
    EXPECT_EQ(FindVariable(image, L"Setup", TEST_VENDOR), nullptr) << "a failed write changes nothing";
    EXPECT_TRUE(image.faults.empty());
    EXPECT_EQ(Set(image, L"Setup", {1}), EFI_STATUS_SUCCESS);
    EXPECT_EQ(FindCounters(image, L"Setup", TEST_VENDOR)->failedWrites, 2u);
}

TEST(Faults, SkipVendorAndEveryCall)
{
    StoreImage image = SmallBoard();
    FaultRule skipFirst = Fault(StoreOperation::GetVariable, 99);
    skipFirst.skip = 1;
    skipFirst.flags = FAULT_MATCH_VENDOR;
    skipFirst.vendor = OTHER_VENDOR;
    image.faults.push_back(skipFirst);
    std::vector<uint8_t> data;
    EXPECT_EQ(Get(image, L"FirmwareId", data), EFI_STATUS_SUCCESS) << "other vendor";
    EXPECT_EQ(Get(image, L"1.4", data, OTHER_VENDOR), EFI_STATUS_SUCCESS) << "skipped";
    EXPECT_EQ(Get(image, L"1.4", data, OTHER_VENDOR), 99u);
    EXPECT_EQ(Get(image, L"1.4", data, OTHER_VENDOR), EFI_STATUS_SUCCESS);

    FaultRule always = Fault(StoreOperation::GetExportDb, EFI_STATUS_HII_DATA_INVALID);
    always.flags = FAULT_EVERY_CALL;
    image.faults.push_back(always);
    uint32_t size = 0;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GetExportDbIn(image, &size, nullptr).status, EFI_STATUS_HII_DATA_INVALID);
    EXPECT_EQ(image.faults.size(), 1u);
}

TEST(GetExportDbIn, SizeQueryReadAndEmptyDatabase)
{
    StoreImage image = SmallBoard();
    uint32_t size = 0;
    EXPECT_EQ(GetExportDbIn(image, &size, nullptr).status, EFI_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 6u);
    std::vector<uint8_t> buffer(12);
    size = 12;
    EXPECT_EQ(GetExportDbIn(image, &size, buffer.data()).status, EFI_STATUS_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[5], 0xBB);
    EXPECT_EQ(GetExportDbIn(image, nullptr, buffer.data()).status, EFI_STATUS_INVALID_PARAMETER);
    image.exportDb.clear();
    EXPECT_EQ(GetExportDbIn(image, &size, buffer.data()).status, EFI_STATUS_HII_DATA_INVALID);
}

TEST(GetNextVariableNameIn, WalksEveryVariableInOrder)
{
    StoreImage image = SmallBoard();
    wchar_t name[64] = L"";
    GUID vendor{};
    uint32_t size = 4;   // room for one character and the terminator
    EXPECT_EQ(GetNextVariableNameIn(image, &size, name, &vendor).status, EFI_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 22u);
    size = sizeof(name);
    ASSERT_EQ(GetNextVariableNameIn(image, &size, name, &vendor).status, EFI_STATUS_SUCCESS);
    EXPECT_STREQ(name, L"FirmwareId");
    EXPECT_EQ(size, 22u);
    size = sizeof(name);
    ASSERT_EQ(GetNextVariableNameIn(image, &size, name, &vendor).status, EFI_STATUS_SUCCESS);
    EXPECT_STREQ(name, L"1.4");
    EXPECT_TRUE(SameGuid(vendor, OTHER_VENDOR));
    size = sizeof(name);
    EXPECT_EQ(GetNextVariableNameIn(image, &size, name, &vendor).status, EFI_STATUS_NOT_FOUND);
    wcscpy(name, L"Unknown");
    EXPECT_EQ(GetNextVariableNameIn(image, &size, name, &vendor).status, EFI_STATUS_INVALID_PARAMETER);
    wchar_t unterminated[2] = {L'a', L'b'};
    size = sizeof(unterminated);
    EXPECT_EQ(GetNextVariableNameIn(image, &size, unterminated, &vendor).status, EFI_STATUS_INVALID_PARAMETER);
}

TEST(ReadPhysicalMemoryIn, ValidatesThenAnswersUnsupported)
{
    StoreImage image = SmallBoard();
    uint8_t buffer[16];
    uint32_t size = sizeof(buffer);
    EXPECT_EQ(ReadPhysicalMemoryIn(image, 0xF0000, &size, buffer).status, EFI_STATUS_UNSUPPORTED_OS);
    EXPECT_EQ(ReadPhysicalMemoryIn(image, 0xF0000, nullptr, buffer).status, EFI_STATUS_INVALID_PARAMETER);
    size = 0;
    EXPECT_EQ(ReadPhysicalMemoryIn(image, 0xF0000, &size, buffer).status, EFI_STATUS_INVALID_PARAMETER);
}
