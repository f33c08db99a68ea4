// An SMBIOS string that the INI file asks for ("$PROMPT$"), answered by a C++ sink inside
// OnSMBIOSPrompt: what the sink is handed, what reaches the firmware, and an install that
// gets no answer. Each case runs in a process of its own (CMakeLists.txt), as the BIOS-
// modified flag is written once per process. Linked into install_test, whose main it shares.
#include "InstallFixture.h"

#include "LogWatch.h"

namespace {

constexpr DISPID kOnSMBIOSPrompt = 14;

class InstallPrompt : public Install {
protected:
    // The sink answers `answer` (nothing for null) and notes what it was handed.
    void Answer(const wchar_t* answer)
    {
        sink->onInvoke = [this, answer](DISPID id, DISPPARAMS* parameters) {
            if (id != kOnSMBIOSPrompt) {
                return;
            }
            ASSERT_EQ(parameters->cArgs, 2u);
            ASSERT_EQ(V_VT(&parameters->rgvarg[0]), VT_BYREF | VT_BSTR);
            responseWasNull = *V_BSTRREF(&parameters->rgvarg[0]) == nullptr;
            if (answer) {
                *V_BSTRREF(&parameters->rgvarg[0]) = ::SysAllocString(answer);
            }
        };
    }

    bool responseWasNull = false;
};

TEST_F(InstallPrompt, TheAnswerASinkLeavesInTheResponseIsInstalledWithItsTerminator)
{
    board.Create(InstallBoard());
    Answer(L"TAG-7");
    const std::wstring file = IniFile("[SMBIOS.values]\r\nChassisAssetTag=$PROMPT$,Asset tag of this machine\r\n");
    EXPECT_EQ(InstallFile(file, CComponentMask::kSMBIOS), S_OK);
    EXPECT_EQ(InstallEvents(), (std::vector<std::wstring>{L"14 Asset tag of this machine ", L"4 2", L"5 2"}))
        << "asked while the items are checked, with the file's own text and an empty response";
    EXPECT_TRUE(responseWasNull);
    EXPECT_EQ(Data(VariableName::SmbiosChassisAssetTagWritten, VendorGuid::Smbios), Text("TAG-7"));
    EXPECT_EQ(Data(L"3.8", VendorGuid::Smbios), Text("TAG")) << "the firmware shows it from its next start";
}

TEST_F(InstallPrompt, WithoutAnAnswerTheInstallFailsAndWritesNothing)
{
    board.Create(InstallBoard());
    Answer(nullptr);
    const std::wstring file = IniFile("[SMBIOS.values]\r\nSystemProduct=KB77\r\nChassisAssetTag=$PROMPT$\r\n");
    const uint64_t writes = WriteCalls();
    LogWatch log;
    EXPECT_EQ(InstallFile(file, CComponentMask::kSMBIOS), E_FAIL);
    EXPECT_EQ(TakeErrorDescription(), L"An internal error has occurred.");
    EXPECT_TRUE(log.Saw(L"Unable to get value")) << log.NewText();
    EXPECT_EQ(InstallEvents(), (std::vector<std::wstring>{L"14 Enter the chassis asset tag. "}))
        << "the row's own prompt; no component started";
    EXPECT_EQ(WriteCalls(), writes) << "not even the product name, whose row comes first";
}

} // namespace
