#include "CapsuleTestSupport.h"

#include "FirmwareStore.h"

using namespace fwstore;

namespace capsuletest {

namespace {

const GUID kDetectionVendor = {0x05A798EA, 0x39EE, 0x40FC, {0x82, 0xC5, 0x62, 0x25, 0x82, 0xFA, 0x63, 0x4B}};
const GUID kFirmwareIdVendor = {0xEFC071AE, 0x41B8, 0x4018, {0xAF, 0xA7, 0x31, 0x4B, 0x18, 0x5E, 0x57, 0x8B}};

// The board that the fixture made, as FWSIM_STORE named it when the program started.
const std::wstring& TemplateStore()
{
    static const std::wstring path = [] {
        wchar_t value[MAX_PATH] = {};
        const DWORD length = ::GetEnvironmentVariableW(L"FWSIM_STORE", value, MAX_PATH);
        return length > 0 && length < MAX_PATH ? CFirmwareStore::ResolvePath(value) : std::wstring();
    }();
    return path;
}

} // namespace

biofile::CapsuleImage BoardImage(size_t bodySize, bool logo, bool logoModule2, uint32_t maxWidth, uint32_t maxHeight)
{
    biofile::CapsuleImage image = biotest::MakeImage(bodySize, false);
    image.firmwareId = kImageId;
    image.flashAreaSize = static_cast<uint32_t>(bodySize + 1024 * 1024);
    if (logo) {
        biofile::LogoContent content;
        content.maxWidth = maxWidth;
        content.maxHeight = maxHeight;
        image.modules.push_back(biofile::MakeLogoModule(content, logoModule2));
    }
    return image;
}

void BoardTest::SetUp()
{
    ComTest::SetUp();
    ASSERT_FALSE(TemplateStore().empty()) << "FWSIM_STORE names the fixture's board";
    m_board.CopyFrom(TemplateStore());
}

std::wstring BoardTest::WriteImage(const biofile::CapsuleImage& image, const wchar_t* name)
{
    return WriteBytes(biotest::Serialize(image), name);
}

std::wstring BoardTest::WriteBytes(const std::vector<uint8_t>& bytes, const wchar_t* name)
{
    const std::wstring path = m_board.Folder().File(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
}

int BoardTest::RunFwsim(const std::wstring& arguments)
{
    return static_cast<int>(RunProgram(L"\"" TOOLKIT_BIN_FOLDER L"/fwsim.exe\" " + arguments));
}

std::optional<std::vector<uint8_t>> BoardTest::DetectionVariable() const
{
    const StoreImage image = m_board.Load();
    if (const StoredVariable* variable = FindVariable(image, L"QRVFlashDetectionStatus", kDetectionVendor)) {
        return variable->data;
    }
    return std::nullopt;
}

std::string BoardTest::BoardFirmwareId() const
{
    const StoreImage image = m_board.Load();
    const StoredVariable* variable = FindVariable(image, L"FirmwareId", kFirmwareIdVendor);
    return variable ? std::string(variable->data.begin(), variable->data.end()) : std::string();
}

HRESULT CreateServerObject(REFCLSID clsid, REFIID iid, void** object)
{
    wchar_t beside[8] = {};
    if (::GetEnvironmentVariableW(L"TOOLKIT_SERVER_BESIDE", beside, 8) == 0) {
        return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    }
    // Loaded once and kept, as COM keeps a server it has loaded.
    static HMODULE server = ::LoadLibraryW((ProgramFolder() + L"\\PellamW.dll").c_str());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto entry = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(server ? ::GetProcAddress(server, "DllGetClassObject") : nullptr));
    ComPtr<IClassFactory> factory;
    if (!entry || FAILED(entry(clsid, IID_PPV_ARGS(&factory)))) {
        return E_FAIL;
    }
    return factory->CreateInstance(nullptr, iid, object);
}

void CapsuleTest::SetUp()
{
    BoardTest::SetUp();
    ASSERT_HRESULT_SUCCEEDED(CreateServerObject(CLSID_Toolkit, IID_PPV_ARGS(&m_toolkit)));
    ASSERT_EQ(m_toolkit->get_BiosCapsule(&m_capsule), S_OK);
}

void CapsuleTest::TearDown()
{
    m_capsule.Reset();
    m_toolkit.Reset();
    BoardTest::TearDown();
}

void CapsuleTest::RenewCapsule()
{
    m_capsule.Reset();
    ASSERT_EQ(m_toolkit->Reset(), S_OK);
    ASSERT_EQ(m_toolkit->get_BiosCapsule(&m_capsule), S_OK);
}

HRESULT CapsuleTest::LoadImage(const biofile::CapsuleImage& image)
{
    return m_capsule->LoadBios(Bstr(WriteImage(image)).get());
}

EventRecorder::EventRecorder(IUnknown* toolkit)
{
    EXPECT_HRESULT_SUCCEEDED(RecordingSink::Make(m_sink));
    ComPtr<IConnectionPointContainer> container;
    EXPECT_HRESULT_SUCCEEDED(toolkit->QueryInterface(IID_PPV_ARGS(&container)));
    if (container && SUCCEEDED(container->FindConnectionPoint(DIID__IToolkitEvents, &m_point))) {
        EXPECT_HRESULT_SUCCEEDED(m_point->Advise(m_sink.Get(), &m_cookie));
    }
}

EventRecorder::~EventRecorder()
{
    if (m_point && m_cookie) {
        m_point->Unadvise(m_cookie);
    }
}

int EventRecorder::Count(DISPID id) const
{
    int count = 0;
    for (const RecordedEvent& event : m_sink->events) {
        count += event.id == id ? 1 : 0;
    }
    return count;
}

UniqueBstr Bstr(const std::wstring& text) { return UniqueBstr::From(text.data(), static_cast<UINT>(text.size())); }

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

} // namespace capsuletest
