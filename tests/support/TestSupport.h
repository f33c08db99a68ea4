// Helpers for tests that talk to COM objects through their real interfaces.
#pragma once

#include "ComObject.h"
#include "Owners.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Initialises COM (single-threaded apartment) for a test and uninitialises it after.
class ComTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { ::CoUninitialize(); }
};

// Late-bound calls, as a script makes them.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> arguments,
                     VARIANT* result, EXCEPINFO* exception = nullptr);
// The description of the thread's error object (and clears it); kNoErrorInformation when
// there is none.
std::wstring TakeErrorDescription(GUID* guid = nullptr);
inline constexpr wchar_t kNoErrorInformation[] = L"<no error information>";

// One recorded event call.
struct RecordedEvent {
    DISPID id;
    WORD flags;
    std::vector<VARTYPE> types;      // in call order (first parameter first)
    std::vector<std::wstring> texts; // each argument as text, in call order
};

// A sink that offers only IDispatch, as script engines do; records every Invoke and can
// run a callback inside it.
class RecordingSink final : public ComObject<RecordingSink, IDispatch> {
public:
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO*, UINT*) override;

    std::vector<RecordedEvent> events;
    std::function<void(DISPID, DISPPARAMS*)> onInvoke;
    bool sawNonNullIid = false;
};

// Plain ASCII text of a wide string, for messages and the 8-bit diagnostics log.
std::string Narrow(const std::wstring& text);
// Clears the thread's error object before a call.
void ClearErrorInfo();

// Runs `commandLine` (the program first) and waits for its end; its exit code, or
// kNotStarted. `folder` is its current folder (empty: ours); with `output`, its standard
// output and error go to that file.
constexpr DWORD kNotStarted = 0xFFFFFFFF;
DWORD RunProgram(std::wstring commandLine, const std::wstring& folder = L"", const std::wstring& output = L"");

// The Windows form of the folder of the running test program.
std::wstring ProgramFolder();
// A fresh empty folder under the temporary folder, removed by the destructor.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const wchar_t* name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};
bool WriteTextFile(const std::wstring& path, const std::string& text);
bool ReadTextFile(const std::wstring& path, std::string& text);
// The whole text; empty when the file cannot be read.
std::string ReadTextFile(const std::wstring& path);
// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
