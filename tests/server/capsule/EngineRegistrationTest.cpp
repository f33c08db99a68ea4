// A capsule object whose engine class is not registered registers the engine library of the
// current folder and tries again; without one there, its creation fails with the
// registration error.
#include "CapsuleTestSupport.h"

#include "ComRegistrar.h"

#include <WeaveEngine.h>

using namespace capsuletest;

namespace {

constexpr wchar_t kEngineServerKey[] = L"CLSID\\{CA21421A-DBCE-4844-B376-EDBB8D5395DD}\\InprocServer32";

std::wstring RegisteredEngine()
{
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, kEngineServerKey, nullptr, RRF_RT_REG_SZ, nullptr, path, &size) !=
        ERROR_SUCCESS) {
        return L"";
    }
    return path;
}

HRESULT UnregisterServer(const std::wstring& path)
{
    HMODULE library = ::LoadLibraryW(path.c_str());
    if (!library) {
        return E_FAIL;
    }
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(::GetProcAddress(library, "DllUnregisterServer")));
    const HRESULT hr = entry ? entry() : E_FAIL;
    ::FreeLibrary(library);
    return hr;
}

class EngineRegistrationTest : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        ::GetCurrentDirectoryW(MAX_PATH, m_startFolder);
        m_installed = RegisteredEngine();
        ASSERT_FALSE(m_installed.empty()) << "the engine is registered before the test";
        ASSERT_EQ(UnregisterServer(m_installed), S_OK);
    }
    // The other tests of the tree find the engine where it was.
    void TearDown() override
    {
        ::SetCurrentDirectoryW(m_startFolder);
        ComTest::TearDown();
        EXPECT_EQ(CCOMRegistrar::RegisterServer(m_installed.c_str()), S_OK);
    }

    static HRESULT CreateCapsule(ComPtr<IBiosCapsule>& capsule)
    {
        return CreateServerObject(CLSID_BiosCapsule, IID_PPV_ARGS(&capsule));
    }

    wchar_t m_startFolder[MAX_PATH] = {};
    std::wstring m_installed;
    TemporaryFolder m_empty;
    TemporaryFolder m_carried;
};

} // namespace

TEST_F(EngineRegistrationTest, TheCurrentFoldersEngineIsRegisteredOnFirstNeed)
{
    ComPtr<IUnknown> engine;
    ASSERT_EQ(::CoCreateInstance(CLSID_WeaveEngine, nullptr, CLSCTX_SERVER, IID_PPV_ARGS(&engine)),
              REGDB_E_CLASSNOTREG);

    ComPtr<IBiosCapsule> capsule;
    ASSERT_TRUE(::SetCurrentDirectoryW(m_empty.Path().c_str()));
    EXPECT_EQ(CreateCapsule(capsule), static_cast<HRESULT>(0x8239000B));
    EXPECT_EQ(TakeErrorDescription(), L"Error registering Quillon.dll");
    EXPECT_EQ(RegisteredEngine(), L"");

    const std::wstring carried = m_carried.File(L"Quillon.dll");
    ASSERT_TRUE(::CopyFileW(m_installed.c_str(), carried.c_str(), TRUE));
    ASSERT_TRUE(::SetCurrentDirectoryW(m_carried.Path().c_str()));
    ASSERT_EQ(CreateCapsule(capsule), S_OK);
    EXPECT_EQ(_wcsicmp(RegisteredEngine().c_str(), carried.c_str()), 0) << "registered: " << testing::PrintToString(RegisteredEngine());
    UniqueBstr id;
    EXPECT_EQ(capsule->get_BiosId(id.put()), E_FAIL) << "a working engine answers: no image loaded";

    // A reset that cannot bring the engine back still succeeds; the object is then left
    // without an engine.
    ASSERT_EQ(UnregisterServer(carried), S_OK);
    ASSERT_TRUE(::SetCurrentDirectoryW(m_empty.Path().c_str()));
    EXPECT_EQ(capsule->Reset(), S_OK);
    EXPECT_EQ(capsule->get_BiosId(id.put()), E_POINTER);
}
