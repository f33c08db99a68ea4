#include "BoardFixture.h"

#include "FirmwareStore.h"

using namespace fwstore;

namespace {

constexpr wchar_t kStoreVariable[] = L"FWSIM_STORE";

} // namespace

BoardFixture::BoardFixture() : m_path(m_folder.File(L"board.store"))
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(kStoreVariable, value, MAX_PATH);
    m_hadStore = length > 0 && length < MAX_PATH;
    m_previousStore = m_hadStore ? value : L"";
}

BoardFixture::~BoardFixture()
{
    ::SetEnvironmentVariableW(kStoreVariable, m_hadStore ? m_previousStore.c_str() : nullptr);
}

void BoardFixture::Create(const StoreImage& image)
{
    ASSERT_TRUE(CFirmwareStore(m_path).Create(image, true).Ok());
    Name();
}

void BoardFixture::CopyFrom(const std::wstring& path)
{
    ASSERT_TRUE(::CopyFileW(path.c_str(), m_path.c_str(), FALSE)) << "the board to copy exists";
    Name();
}

void BoardFixture::Name() const
{
    ::SetEnvironmentVariableW(kStoreVariable, m_path.c_str());
}

StoreImage BoardFixture::Load() const
{
    StoreImage image;
    EXPECT_TRUE(CFirmwareStore(m_path).Load(image).Ok());
    return image;
}

bool BoardFixture::Update(const std::function<bool(StoreImage&)>& change)
{
    return CFirmwareStore(m_path).Update(change).Ok();
}

void BoardFixture::ArmFault(StoreOperation operation, uint32_t status, const wchar_t* name)
{
    ASSERT_TRUE(Update([&](StoreImage& image) {
        FaultRule fault;
        fault.operation = operation;
        fault.status = status;
        fault.name = name;
        image.faults.push_back(fault);
        return true;
    }));
}

std::vector<uint8_t> BoardFixture::Bytes() const
{
    return ReadFileBytes(m_path);
}

void BoardFixture::WriteBytes(const std::vector<uint8_t>& bytes) const
{
    EXPECT_TRUE(WriteFileBytes(m_path, bytes));
}

void BoardFixture::Remove() const
{
    ::DeleteFileW(m_path.c_str());
    ::DeleteFileW((m_path + L".new").c_str());
}
