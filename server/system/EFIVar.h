// Firmware-variable access: the one way the server reads and writes firmware variables and
// the setup database, through the exports of "qrvefivar.dll" bound at run time.
#pragma once

#include "frame/DiagnosticsLog.h"
#include "frame/FailureReport.h"
#include "frame/ResultCodes.h"
#include "MessageIds.h"
#include "VariableCatalogue.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// Attributes of the variables that the server writes for its own structures:
// non-volatile, boot-service and run-time access.
constexpr ULONG EFI_VARIABLE_ATTRIBUTES_DEFAULT = 7;

class CEFIVar {
public:
    static constexpr const wchar_t* DLL_NAME = L"qrvefivar.dll";

    // The first live instance loads the library; the last one to end unloads it.
    CEFIVar();
    virtual ~CEFIVar();
    CEFIVar(const CEFIVar&) = delete;
    CEFIVar& operator=(const CEFIVar&) = delete;

    // `dataSize`: in, the buffer size; out, the variable size. A null `data` asks for the
    // size (answered by E_BUFFERTOOSMALL).
    HRESULT GetVariable(const std::wstring& name, const GUID* vendor, ULONG* attributes, ULONG* dataSize, void* data);
    // A data size of 0 deletes the variable.
    HRESULT SetVariable(const std::wstring& name, const GUID* vendor, ULONG* attributes, ULONG* dataSize, void* data);
    HRESULT GetExportDb(ULONG* dataSize, void* data);

    // Reads a variable of unknown size into a new buffer (release it with FreeBuffer, or own
    // it with a VariableBuffer). Absent: E_VARIABLE_NOT_FOUND.
    HRESULT AllocateAndGetVariable(const std::wstring& name, const GUID* vendor, ULONG* attributes, ULONG* size, BYTE** data);
    static void FreeBuffer(BYTE* data) { delete[] data; }

    // The two-call read: size query, then the read. `data` receives the variable followed by
    // `zeroBytes` zero bytes (1 terminates text). Absent: E_VARIABLE_NOT_FOUND.
    HRESULT ReadVariable(const std::wstring& name, const GUID* vendor, std::vector<BYTE>& data,
        ULONG* attributes = nullptr, size_t zeroBytes = 0);
    // The setup database, read with a buffer twice the size announced. Any failure: E_FAIL.
    HRESULT ReadExportDatabase(std::vector<BYTE>& data);

    static HRESULT InterpretEFIRetVal(UINT status);
    static Description DescriptionForResult(HRESULT result);
    static HRESULT LoadDLL();

    // For tests: live instances, whether the library is held, how often it was loaded.
    static int InstanceCount() { return s_nInstanceCount; }
    static bool IsDLLLoaded() { return s_bDLLLoaded; }
    static int LoadCount() { return s_nLoadCount; }

private:
    template <typename Function>
    HRESULT BindExport(const char* exportName, const wchar_t* missingMessage, const LogSite& site, Function& bound);

    static int s_nInstanceCount;
    static bool s_bDLLLoaded;
    static HMODULE s_hDLL;
    static int s_nLoadCount;
};

struct VariableBufferDeleter {
    void operator()(BYTE* data) const { CEFIVar::FreeBuffer(data); }
};
using VariableBuffer = std::unique_ptr<BYTE, VariableBufferDeleter>;

// A fixed-size variable seen as a structure T, with its name and vendor GUID fixed at
// compile time.
template <typename T, const wchar_t* Name, const GUID& Vendor>
class CEFIVarStruct {
public:
    T m_data{};

    HRESULT ReadVariable()
    {
        CEFIVar efiVar;
        T value{};
        ULONG attributes = 0;
        ULONG size = sizeof(T);
        HRESULT hr = efiVar.GetVariable(Name, &Vendor, &attributes, &size, &value);
        if (hr == ResultCode::E_VARIABLE_NOT_FOUND) {
            return REPORT_FAILURE(L"CEFIVarStruct::ReadVariable", LOG_ERROR, ResultCode::E_VARIABLE_NOT_FOUND,
                                  Describe(MSG_RETRIEVE_FAILED), L"Unable to locate variable: %s", Name);
        }
        // A variable shorter than the structure would leave part of it unread.
        if (FAILED(hr) || size != sizeof(T)) {
            return REPORT_FAILURE(L"CEFIVarStruct::ReadVariable", LOG_ERROR, E_FAIL, Describe(MSG_RETRIEVE_FAILED),
                                  L"Unable to read variable: %s", Name);
        }
        m_data = value;
        return S_OK;
    }

    HRESULT WriteVariable()
    {
        CEFIVar efiVar;
        ULONG attributes = EFI_VARIABLE_ATTRIBUTES_DEFAULT;
        ULONG size = sizeof(T);
        HRESULT hr = efiVar.SetVariable(Name, &Vendor, &attributes, &size, &m_data);
        if (FAILED(hr)) {
            return REPORT_FAILURE(L"CEFIVarStruct::WriteVariable", LOG_ERROR, E_FAIL, Describe(MSG_WRITE_BIOS_FAILED),
                                  L"Unable to write variable: %s", Name);
        }
        return S_OK;
    }
};

// The BIOS-modified flag: bit 0 set once the server has changed the firmware.
struct SBIOSModifiedFlagData {
    BYTE flags;
};
static_assert(sizeof(SBIOSModifiedFlagData) == 1);

// Parameters of the board's hardware-monitor interface, read only.
struct SBMIParamsData {
    BYTE bytes[7];
};
static_assert(sizeof(SBMIParamsData) == 7);

using _SBIOSModifiedFlag = CEFIVarStruct<SBIOSModifiedFlagData, VariableName::QrvBiosModVar, VendorGuid::QrvData>;
using _SBMIParams = CEFIVarStruct<SBMIParamsData, VariableName::BmiGetParams, VendorGuid::BmiGetParams>;
