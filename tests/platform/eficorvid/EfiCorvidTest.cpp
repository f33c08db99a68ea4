// EfiCorvid.dll as the server meets it: loaded by name, exports found by their plain names,
// the board named by FWSIM_STORE at the time of each call.
#include "BoardFixture.h"
#include "TestBoards.h"
#include "TestCapsules.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace fwstore;

namespace {

using PrepareCapsuleFn = uint32_t(__stdcall*)(const void*, uint32_t, uint32_t*);
using InvokeCapsuleFn = uint32_t(__stdcall*)(uint32_t);
using GetLastStatusFn = uint32_t(__stdcall*)(uint32_t*);

class EfiCorvidTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryW(L"EfiCorvid.dll");
        ASSERT_NE(m_module, nullptr);
        prepareCapsule = Export<PrepareCapsuleFn>(m_module, "PrepareCapsule");
        invokeCapsule = Export<InvokeCapsuleFn>(m_module, "InvokeCapsule");
        getLastStatus = Export<GetLastStatusFn>(m_module, "GetLastStatus");
        ASSERT_TRUE(prepareCapsule && invokeCapsule && getLastStatus);
        m_board.Create(SmallBoard());
    }

    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    void SetLastStatus(uint32_t status)
    {
        ASSERT_TRUE(m_board.Update([&](StoreImage& image) {
            image.capsule.lastStatus = status;
            return true;
        }));
    }

    uint32_t Prepare(const std::vector<uint8_t>& capsule)
    {
        uint32_t reserved = 0;
        return prepareCapsule(capsule.data(), static_cast<uint32_t>(capsule.size()), &reserved);
    }

    BoardFixture m_board;
    HMODULE m_module = nullptr;
    PrepareCapsuleFn prepareCapsule = nullptr;
    InvokeCapsuleFn invokeCapsule = nullptr;
    GetLastStatusFn getLastStatus = nullptr;
};

} // namespace

TEST_F(EfiCorvidTest, PrepareStagesACopyAndInvokeArmsIt)
{
    std::vector<uint8_t> capsule = MakeBio("TB.86A.0001");
    uint32_t reserved = 0x12345678;
    EXPECT_EQ(prepareCapsule(capsule.data(), static_cast<uint32_t>(capsule.size()), &reserved), 0u);
    EXPECT_EQ(reserved, 0x12345678u);
    StoreImage staged = m_board.Load();
    EXPECT_EQ(staged.capsule.state, static_cast<uint32_t>(CAPSULE_STAGED));
    EXPECT_EQ(staged.capsule.image, capsule);

    EXPECT_EQ(invokeCapsule(0), 0u);
    StoreImage armed = m_board.Load();
    EXPECT_EQ(armed.capsule.state, static_cast<uint32_t>(CAPSULE_ARMED));
    EXPECT_EQ(armed.capsule.image, capsule);
    // The variables are the board's own business.
    EXPECT_EQ(armed.variables.size(), SmallBoard().variables.size());
}

TEST_F(EfiCorvidTest, PrepareReplacesAnArmedCapsuleAndNeedsInvokeAgain)
{
    ASSERT_EQ(Prepare(MakeBio("TB.86A.0001")), 0u);
    ASSERT_EQ(invokeCapsule(0), 0u);
    std::vector<uint8_t> second = MakeBio("TB.86A.0002", 100);
    EXPECT_EQ(prepareCapsule(second.data(), static_cast<uint32_t>(second.size()), nullptr), 0u);
    StoreImage image = m_board.Load();
    EXPECT_EQ(image.capsule.state, static_cast<uint32_t>(CAPSULE_STAGED));
    EXPECT_EQ(image.capsule.image, second);
}

TEST_F(EfiCorvidTest, MalformedCapsulesAreRefusedAndChangeNothing)
{
    ASSERT_EQ(Prepare(MakeBio("TB.86A.0001")), 0u);
    std::vector<uint8_t> before = m_board.Bytes();
    std::vector<uint8_t> capsule = MakeBareCapsule(100);
    uint32_t reserved = 0;
    EXPECT_EQ(prepareCapsule(nullptr, 100, &reserved), 3u);
    EXPECT_EQ(prepareCapsule(capsule.data(), 0, &reserved), 3u);
    EXPECT_EQ(prepareCapsule(capsule.data(), 27, &reserved), 3u);       // shorter than a header
    EXPECT_EQ(prepareCapsule(capsule.data(), 99, &reserved), 3u);       // image size says 100
    EXPECT_EQ(Prepare(MakeBareCapsule(100, 27)), 3u);                     // header size too small
    EXPECT_EQ(Prepare(MakeBareCapsule(100, 101)), 3u);                    // header past the end
    EXPECT_EQ(Prepare(MakeBareCapsule(100, 28, 0x00040000)), 3u);         // reset without persist
    EXPECT_EQ(m_board.Bytes(), before);
    // The UEFI header is all the library checks; the body is the firmware's business.
    EXPECT_EQ(Prepare(MakeBareCapsule(100, 100, 0)), 0u);
}

TEST_F(EfiCorvidTest, InvokeNeedsAPreparedCapsuleAndAZeroArgument)
{
    EXPECT_EQ(invokeCapsule(0), 3u);
    EXPECT_EQ(m_board.Load().capsule.state, static_cast<uint32_t>(CAPSULE_EMPTY));
    ASSERT_EQ(Prepare(MakeBio("TB.86A.0001")), 0u);
    EXPECT_EQ(invokeCapsule(1), 3u);
    EXPECT_EQ(m_board.Load().capsule.state, static_cast<uint32_t>(CAPSULE_STAGED));
}

TEST_F(EfiCorvidTest, GetLastStatusReportsTheBoardsLastUpdate)
{
    uint32_t status = 99;
    EXPECT_EQ(getLastStatus(&status), 0u);
    EXPECT_EQ(status, 0u);
    SetLastStatus(3);
    EXPECT_EQ(getLastStatus(&status), 0u);
    EXPECT_EQ(status, 3u);
    EXPECT_EQ(getLastStatus(nullptr), 3u);
}

TEST_F(EfiCorvidTest, InjectedStatusReplacesTheWorkAndIsUsedUp)
{
    std::vector<uint8_t> capsule = MakeBio("TB.86A.0001");
    for (uint32_t injected : {1u, 2u, 3u, 6u, 8u, 9u, 11u, 14u, 0x12345u}) {
        SCOPED_TRACE(injected);
        m_board.ArmFault(StoreOperation::PrepareCapsule, injected);
        EXPECT_EQ(Prepare(capsule), injected);
        EXPECT_EQ(m_board.Load().capsule.state, static_cast<uint32_t>(CAPSULE_EMPTY));
        EXPECT_TRUE(m_board.Load().faults.empty());
    }
    ASSERT_EQ(Prepare(capsule), 0u);
    m_board.ArmFault(StoreOperation::InvokeCapsule, 14);
    EXPECT_EQ(invokeCapsule(0), 14u);
    EXPECT_EQ(m_board.Load().capsule.state, static_cast<uint32_t>(CAPSULE_STAGED));
    EXPECT_EQ(invokeCapsule(0), 0u);

    SetLastStatus(0);
    m_board.ArmFault(StoreOperation::GetLastStatus, 11);
    uint32_t status = 77;
    EXPECT_EQ(getLastStatus(&status), 11u);
    EXPECT_EQ(status, 77u);
}

TEST_F(EfiCorvidTest, InjectedStatusTenIsAWarningAfterTheWork)
{
    std::vector<uint8_t> capsule = MakeBio("TB.86A.0001");
    m_board.ArmFault(StoreOperation::PrepareCapsule, 10);
    EXPECT_EQ(Prepare(capsule), 10u);
    EXPECT_EQ(m_board.Load().capsule.state, static_cast<uint32_t>(CAPSULE_STAGED));
    m_board.ArmFault(StoreOperation::InvokeCapsule, 10);
    EXPECT_EQ(invokeCapsule(0), 10u);
    EXPECT_EQ(m_board.Load().capsule.state, static_cast<uint32_t>(CAPSULE_ARMED));
    SetLastStatus(4);
    m_board.ArmFault(StoreOperation::GetLastStatus, 10);
    uint32_t status = 0;
    EXPECT_EQ(getLastStatus(&status), 10u);
    EXPECT_EQ(status, 4u);
    // A warning does not hide a refusal.
    m_board.ArmFault(StoreOperation::PrepareCapsule, 10);
    EXPECT_EQ(Prepare(MakeBareCapsule(100, 27)), 3u);
}

TEST_F(EfiCorvidTest, WithoutABoardEveryExportAnswersDriverNotInstalled)
{
    std::vector<uint8_t> capsule = MakeBio("TB.86A.0001");
    uint32_t status = 0;
    SetEnvironmentVariableW(L"FWSIM_STORE", nullptr);
    EXPECT_EQ(Prepare(capsule), 2u);
    EXPECT_EQ(invokeCapsule(0), 2u);
    EXPECT_EQ(getLastStatus(&status), 2u);

    m_board.Remove();
    SetEnvironmentVariableW(L"FWSIM_STORE", m_board.Path().c_str());
    EXPECT_EQ(Prepare(capsule), 2u);
    EXPECT_EQ(invokeCapsule(0), 2u);
    EXPECT_EQ(getLastStatus(&status), 2u);
}

TEST_F(EfiCorvidTest, DamagedStoreIsReportedAndKept)
{
    std::vector<uint8_t> damaged = m_board.Bytes();
    damaged[damaged.size() / 2] ^= 0xFF;
    m_board.WriteBytes(damaged);
    EXPECT_EQ(Prepare(MakeBio("TB.86A.0001")), 5u);
    EXPECT_EQ(m_board.Bytes(), damaged);
}

TEST_F(EfiCorvidTest, LargeCapsulesAreStagedWholeAndOversizedOnesRefused)
{
    std::vector<uint8_t> large = MakeBio("TB.86A.0001", 32u * 1024 * 1024);
    ASSERT_GT(large.size(), 32u * 1024 * 1024);
    EXPECT_EQ(Prepare(large), 0u);
    EXPECT_EQ(invokeCapsule(0), 0u);
    EXPECT_TRUE(m_board.Load().capsule.image == large);

    std::vector<uint8_t> before = m_board.Bytes();
    std::vector<uint8_t> oversized = MakeBareCapsule(128u * 1024 * 1024 + 1);
    EXPECT_EQ(Prepare(oversized), 6u);
    EXPECT_TRUE(m_board.Bytes() == before);
}
