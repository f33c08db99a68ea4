// Registration round trip through the library's own exports: unregister leaves nothing of
// ours behind, register writes every key again.
#include "TestSupport.h"

#include <ServerLib.h>

#include <string>

namespace {

using ExportFunction = HRESULT(STDAPICALLTYPE*)();

struct ClassRow {
    const wchar_t* clsid;
    const wchar_t* progId;
    const wchar_t* description;
};

const ClassRow kClasses[] = {
    {L"{8A3940B5-8D23-4D04-AAC8-70721C8485A6}", L"Server.Toolkit", L"Toolkit Class"},
    {L"{20AC49DC-2244-4A07-AF51-5CA78E635535}", L"Server.ConfigChoiceCollection", L"ConfigChoiceCollection Class"},
    {L"{93B8386B-1E95-4631-B340-3F1F7A58001A}", L"Server.BIOSImage", L"BIOSImage Class"},
    {L"{563FCD5C-0FAF-4CA8-A274-D62A2DCFD2EB}", L"Server.BIOSInfo", L"BIOSInfo Class"},
    {L"{53ED04D2-7B5F-44E7-855D-381D001D01DF}", L"Server.SMBIOSSetting", L"SMBIOSSetting Class"},
    {L"{6D47938D-3B25-411A-965C-3285D2B402EF}", L"Server.CoolingSetting", L"CoolingSetting Class"},
    {L"{B3C60E78-A877-4AEF-ABA9-9D7E57D5F4FC}", L"Server.TokensSetting", L"TokensSetting Class"},
    {L"{59D1A88D-A5B5-48E6-90EE-1AA9E1BE650B}", L"Server.ConfigGroupCollection", L"ConfigGroupCollection Class"},
    {L"{3A8EE70D-ED2F-41F0-8EA9-19F274FE0036}", L"Server.ConfigDataCollection", L"ConfigDataCollection Class"},
    {L"{410EDF51-CF57-42E4-B400-C3D3F1AF62CB}", L"Server.ConfigGroup", L"ConfigGroup Class"},
    {L"{20F3A125-E68C-4F18-8035-15D34FA02957}", L"Server.BiosCapsule", L"BiosCapsule Class"},
    {L"{D5B0F06B-397E-4729-BB6A-964F382FF910}", L"Server.Utility", L"Utility Class"},
    {L"{2169979F-5C60-46CF-B2D8-587B98EB364E}", L"Server.SystemCapabilities", L"System Capabilities Class"},
};
constexpr wchar_t kAppId[] = L"{C31F0D2F-C75B-4E19-A341-DC7447998BC1}";
constexpr wchar_t kLibId[] = L"{F90AC9C3-2853-4D56-95F9-CD74465B611A}";

bool KeyExists(const std::wstring& path)
{
    UniqueHkey key;
    return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring ReadString(const std::wstring& path, const wchar_t* name = nullptr)
{
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
        return L"<absent>";
    }
    return buffer;
}

class RegistrationTest : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        m_path = ProgramFolder() + L"\\PellamW.dll";
        m_library.reset(::LoadLibraryW(m_path.c_str()));
        ASSERT_TRUE(m_library) << "PellamW.dll not found beside the test";
    }
    void TearDown() override
    {
        // Whatever happened, leave the server registered for the tests that follow.
        if (m_library) {
            Export("DllRegisterServer")();
        }
        m_library.reset();
        ComTest::TearDown();
    }
    ExportFunction Export(const char* name)
    {
        return reinterpret_cast<ExportFunction>(reinterpret_cast<void*>(::GetProcAddress(m_library.get(), name)));
    }

    std::wstring m_path;
    UniqueModule m_library;
};

TEST_F(RegistrationTest, UnregisterLeavesNothingOfOursAndRegisterWritesEveryKey)
{
    const LCID locale = ::GetThreadLocale();
    ASSERT_EQ(Export("DllUnregisterServer")(), S_OK);
    EXPECT_EQ(::GetThreadLocale(), locale);
    for (const ClassRow& row : kClasses) {
        EXPECT_FALSE(KeyExists(std::wstring(L"CLSID\\") + row.clsid)) << row.progId;
        EXPECT_FALSE(KeyExists(row.progId)) << row.progId;
        EXPECT_FALSE(KeyExists(std::wstring(row.progId) + L".1")) << row.progId;
    }
    EXPECT_FALSE(KeyExists(std::wstring(L"AppID\\") + kAppId));
    EXPECT_FALSE(KeyExists(L"AppID\\Server.DLL"));
    EXPECT_FALSE(KeyExists(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0"));
    EXPECT_FALSE(KeyExists(L"Interface\\{A0DC2062-1D09-4481-867D-C0A55E1BB26D}"));
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_TRUE(KeyExists(L"AppID"));

    ASSERT_EQ(Export("DllRegisterServer")(), S_OK);
    EXPECT_EQ(::GetThreadLocale(), locale);
    for (const ClassRow& row : kClasses) {
        const std::wstring clsidKey = std::wstring(L"CLSID\\") + row.clsid;
        const std::wstring versioned = std::wstring(row.progId) + L".1";
        EXPECT_EQ(ReadString(clsidKey), row.description);
        EXPECT_EQ(ReadString(clsidKey + L"\\ProgID"), versioned);
        EXPECT_EQ(ReadString(clsidKey + L"\\VersionIndependentProgID"), row.progId);
        EXPECT_TRUE(KeyExists(clsidKey + L"\\Programmable")) << row.progId;
        EXPECT_EQ(ReadString(clsidKey + L"\\TypeLib"), kLibId);
        EXPECT_EQ(ReadString(clsidKey, L"AppID"), kAppId);
        EXPECT_EQ(ReadString(clsidKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(_wcsicmp(ReadString(clsidKey + L"\\InprocServer32").c_str(), m_path.c_str()), 0) << row.progId;
        EXPECT_EQ(ReadString(versioned), row.description);
        EXPECT_EQ(ReadString(versioned + L"\\CLSID"), row.clsid);
        EXPECT_EQ(ReadString(row.progId), row.description);
        EXPECT_EQ(ReadString(std::wstring(row.progId) + L"\\CLSID"), row.clsid);
        EXPECT_EQ(ReadString(std::wstring(row.progId) + L"\\CurVer"), versioned);
    }
    EXPECT_EQ(ReadString(std::wstring(L"AppID\\") + kAppId), L"Server");
    EXPECT_EQ(ReadString(L"AppID\\Server.DLL", L"AppID"), kAppId);
    EXPECT_TRUE(KeyExists(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0"));
    EXPECT_TRUE(KeyExists(L"Interface\\{A0DC2062-1D09-4481-867D-C0A55E1BB26D}"));
}

TEST_F(RegistrationTest, ClassObjectsAndUnloading)
{
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(::GetProcAddress(m_library.get(), "DllGetClassObject")));
    ASSERT_NE(getClassObject, nullptr);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(IID_IToolkit, IID_PPV_ARGS(&factory)), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(getClassObject(CLSID_Toolkit, IID_IClassFactory, nullptr), E_POINTER);
    ASSERT_EQ(getClassObject(CLSID_Toolkit, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IClassFactory> again;
    ASSERT_EQ(getClassObject(CLSID_Toolkit, IID_PPV_ARGS(&again)), S_OK);
    EXPECT_EQ(factory.Get(), again.Get());

    EXPECT_EQ(Export("DllCanUnloadNow")(), S_OK);
    ComPtr<IUnknown> toolkit;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&toolkit)), S_OK);
    EXPECT_EQ(Export("DllCanUnloadNow")(), S_FALSE);
    toolkit.Reset();
    EXPECT_EQ(Export("DllCanUnloadNow")(), S_OK);
    factory->LockServer(TRUE);
    EXPECT_EQ(Export("DllCanUnloadNow")(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(Export("DllCanUnloadNow")(), S_OK);
}

} // namespace
