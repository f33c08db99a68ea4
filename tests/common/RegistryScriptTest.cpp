// Registry scripts run against a scratch key of the current user.
#include "RegistryScript.h"

#include "TestSupport.h"

#include <string>

namespace {

constexpr wchar_t kRoot[] = L"Software\\ToolkitRegistryScriptTest";

bool Exists(const std::wstring& path)
{
    UniqueHkey key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring Read(const std::wstring& path, const wchar_t* name = nullptr)
{
    wchar_t buffer[256] = {};
    DWORD size = sizeof(buffer);
    if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
        return L"<absent>";
    }
    return buffer;
}

class RegistryScriptTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot); }

    static HRESULT Run(const std::wstring& script, RegistryScriptMode mode)
    {
        const RegistryScriptVariable variables[] = {{L"MODULE", L"C:\\x\\lib.dll"}, {L"APPID", L"{1-2}"}};
        return RunRegistryScript(script, variables, mode);
    }
};

const wchar_t kScript[] = LR"(HKCU
{
    NoRemove Software
    {
        NoRemove ToolkitRegistryScriptTest
        {
            Plain = s 'Plain ''quoted'' text'
            {
                Inner = s '%MODULE%'
                {
                    val ThreadingModel = s 'Apartment'
                    val Count = d '7'
                }
            }
            ForceRemove '{5C37086B-2BB4-4FCE-95F6-5587227B2220}' = s '%APPID% 100%%'
            {
                ForceRemove Programmable
            }
        }
    }
})";

TEST_F(RegistryScriptTest, RegisterWritesKeysValuesAndVariables)
{
    ASSERT_EQ(Run(kScript, RegistryScriptMode::Register), S_OK);
    const std::wstring base = std::wstring(kRoot) + L"\\";
    EXPECT_EQ(Read(base + L"Plain"), L"Plain 'quoted' text");
    EXPECT_EQ(Read(base + L"Plain\\Inner"), L"C:\\x\\lib.dll");
    EXPECT_EQ(Read(base + L"Plain\\Inner", L"ThreadingModel"), L"Apartment");
    DWORD count = 0, size = sizeof(count);
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, (base + L"Plain\\Inner").c_str(), L"Count", RRF_RT_REG_DWORD, nullptr,
                             &count, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(Read(base + L"{5C37086B-2BB4-4FCE-95F6-5587227B2220}"), L"{1-2} 100%");
    EXPECT_TRUE(Exists(base + L"{5C37086B-2BB4-4FCE-95F6-5587227B2220}\\Programmable"));
}

TEST_F(RegistryScriptTest, ForceRemoveClearsStaleContentAndRemovalKeepsForeignKeys)
{
    const std::wstring forced = std::wstring(kRoot) + L"\\{5C37086B-2BB4-4FCE-95F6-5587227B2220}";
    UniqueHkey stale;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (forced + L"\\Stale").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                stale.put(), nullptr),
              ERROR_SUCCESS);
    stale.reset();
    UniqueHkey foreign;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kRoot) + L"\\Plain\\Foreign").c_str(), 0, nullptr, 0,
                                KEY_WRITE, nullptr, foreign.put(), nullptr),
              ERROR_SUCCESS);
    foreign.reset();

    ASSERT_EQ(Run(kScript, RegistryScriptMode::Register), S_OK);
    EXPECT_FALSE(Exists(forced + L"\\Stale"));

    ASSERT_EQ(Run(kScript, RegistryScriptMode::Remove), S_OK);
    EXPECT_FALSE(Exists(forced));
    EXPECT_FALSE(Exists(std::wstring(kRoot) + L"\\Plain\\Inner"));
    // Someone else's subkey keeps its parent; NoRemove keys stay.
    EXPECT_TRUE(Exists(std::wstring(kRoot) + L"\\Plain\\Foreign"));
    EXPECT_TRUE(Exists(kRoot));
    // Removing again is not an error.
    EXPECT_EQ(Run(kScript, RegistryScriptMode::Remove), S_OK);
}

TEST_F(RegistryScriptTest, SyntaxErrorsWriteNothing)
{
    const wchar_t* broken[] = {
        L"HKCU { NoRemove Software { ToolkitRegistryScriptTest = s 'x' ",            // unclosed block
        L"HKXX { Software }",                                                      // unknown root
        L"HKCU { NoRemove Software { ToolkitRegistryScriptTest = q 'x' } }",        // unknown value kind
        L"HKCU { NoRemove Software { ToolkitRegistryScriptTest = s '%UNKNOWN%' } }", // unknown variable
        L"HKCU { NoRemove Software { ToolkitRegistryScriptTest = s 'open } }",       // unclosed quote
    };
    for (const wchar_t* script : broken) {
        EXPECT_EQ(Run(script, RegistryScriptMode::Register), DISP_E_EXCEPTION) << std::string(script, script + wcslen(script));
        EXPECT_FALSE(Exists(kRoot));
    }
}

} // namespace
