// tolvadriver: runs Tolva.exe as a person would and checks what it shows and leaves behind.
//
//   tolvadriver SCENARIO --tolva PATH --bin FOLDER [--fwsim PATH] [--biotool PATH]
//               [--board PROFILE] [--shots FOLDER]
//
// Exit code 0 when every check held, 1 when one failed, 77 when the scenario cannot run in
// this tree yet (the reason is printed), 2 for a wrong command line.
#include "TolvaPackage.h"
#include "UiAutomation.h"

#include "ComObject.h"
#include "ComRegistrar.h"
#include "Owners.h"

#include <ServerLib.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kExitSkip = 77;

// Controls of the page template.
constexpr int kNext = 1000, kBack = 1001, kCancel = 1002, kDocView = 1003, kAccept = 1004, kAcceptLabel = 1005,
              kBody = 1007, kReadme = 1008;

const wchar_t* const kWelcome = L"Welcome to Orvane";
const wchar_t* const kAgreement = L"License Agreement";
const wchar_t* const kReady = L"Reboot System";
const wchar_t* const kStatus = L"System Status";
const wchar_t* const kReadmeTitle = L"Application Readme";

const wchar_t* const kWelcomeText = L"This program will reboot the computer and then update the system BIOS. Please "
                                    L"close all other applications and click NEXT to continue.";
const wchar_t* const kUnsupported =
    L"This operating system is not supported. \nRefer to the documentation for system requirements.";
const wchar_t* const kIncompatible = L"This BIOS is incompatable with this system. \nThe update will not be installed.";
const wchar_t* const kCorrupted = L"This BIOS has been corrupted or there is a problem with the hardware.";
const wchar_t* const kSucceeded = L"Congratulations, you have successfully updated your system BIOS.";
const wchar_t* const kFailed =
    L"There was an error updating your system BIOS. Please view the Readme for more information.";

const wchar_t* const kCarried[] = {L"license.rtf", L"qrvefivar.dll", L"EfiCorvid.dll", L"Corvid.sys",
                                   L"corvid64.sys", L"PellamW.dll", L"PellamWRes.dll", L"Quillon.dll",
                                   L"qrvvar.sys", L"qrvvar64.sys", L"bios.bio", L"Readme.rtf"};

const wchar_t* const kFirmwareIdGuid = L"{EFC071AE-41B8-4018-AFA7-314B185E578B}";
const wchar_t* const kDetectionGuid = L"{05A798EA-39EE-40FC-82C5-622582FA634B}";
const wchar_t* const kEngineClass = L"{CA21421A-DBCE-4844-B376-EDBB8D5395DD}";

constexpr DWORD kPageWait = 30000;

struct Options {
    std::wstring tolva, bin, fwsim, biotool, board, shots;
};

std::string Narrow(const std::wstring& text)
{
    std::string result;
    for (wchar_t c : text) {
        result += c == L'\n' ? '|' : (c < 128 ? static_cast<char>(c) : '?');
    }
    return result;
}

std::wstring Quote(const std::wstring& text) { return L"\"" + text + L"\""; }

// One run of the wizard from a download folder of its own, with a work folder of its own
// (the temporary folder it is given), and the checks made on it.
class Session {
public:
    Session(const Options& options, const std::string& name) : m_options(options), m_name(name)
    {
        wchar_t temporary[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temporary);
        m_base = std::wstring(temporary) + L"tolva-ui-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(::GetTickCount64());
        ::CreateDirectoryW(m_base.c_str(), nullptr);
        m_download = m_base + L"\\download";
        m_work = m_base + L"\\work\\";
        ::CreateDirectoryW(m_download.c_str(), nullptr);
        ::CreateDirectoryW(m_work.c_str(), nullptr);
        m_program = m_download + L"\\Tolva.exe";
        m_ready = ::CopyFileW(options.tolva.c_str(), m_program.c_str(), FALSE) != FALSE;
        Check(m_ready, "copy Tolva.exe to a download folder");
        // The wizard's work folder is the temporary folder it is given.
        ::SetEnvironmentVariableW(L"TMP", m_work.c_str());
        ::SetEnvironmentVariableW(L"TEMP", m_work.c_str());
        // No board unless the scenario makes one.
        ::SetEnvironmentVariableW(L"FWSIM_STORE", (m_base + L"\\no-board.store").c_str());
        DeleteResumeValueForTest();
        ForgetRegistrations();
    }
    ~Session()
    {
        Stop();
        DeleteResumeValueForTest();
        ::SetEnvironmentVariableW(L"TMP", nullptr);
        ::SetEnvironmentVariableW(L"TEMP", nullptr);
        RemoveTree(m_base);
    }

    bool Ready() const { return m_ready; }
    const std::wstring& Program() const { return m_program; }
    std::wstring Work(const wchar_t* name) const { return m_work + name; }
    std::wstring Base(const wchar_t* name) const { return m_base + L"\\" + name; }
    int Failures() const { return m_failures; }

    bool Check(bool condition, const std::string& what)
    {
        std::printf("%s  %s: %s\n", condition ? "ok    " : "FAILED", m_name.c_str(), what.c_str());
        std::fflush(stdout);
        if (!condition) {
            ++m_failures;
        }
        return condition;
    }
    bool CheckText(const std::wstring& actual, const std::wstring& expected, const std::string& what)
    {
        const bool same = actual == expected;
        return Check(same, what + (same ? "" : " (read \"" + Narrow(actual) + "\")"));
    }

    bool Start(const std::wstring& arguments = L"")
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring line = Quote(m_program) + (arguments.empty() ? L"" : L" " + arguments);
        PROCESS_INFORMATION process{};
        const bool started = ::CreateProcessW(m_program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                              m_download.c_str(), &startup, &process) != FALSE;
        if (started) {
            m_process.reset(process.hProcess);
            ::CloseHandle(process.hThread);
        }
        return Check(started, "start Tolva.exe " + Narrow(arguments));
    }
    bool Running() const { return m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT; }
    // Waits for the wizard to end; returns its exit code or -1.
    int WaitForExit(DWORD milliseconds)
    {
        if (!m_process || ::WaitForSingleObject(m_process.get(), milliseconds) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        ::GetExitCodeProcess(m_process.get(), &code);
        m_process.reset();
        return static_cast<int>(code);
    }
    // Ends the wizard as the restart would.
    void Stop()
    {
        if (m_process) {
            ::TerminateProcess(m_process.get(), 1);
            ::WaitForSingleObject(m_process.get(), 10000);
            m_process.reset();
        }
    }

    void Shot(HWND window, const char* page)
    {
        if (m_options.shots.empty() || !window) {
            return;
        }
        ::CreateDirectoryW(m_options.shots.c_str(), nullptr);
        std::wstring name(m_name.begin(), m_name.end());
        std::wstring suffix(page, page + strlen(page));
        ui::SaveScreenshot(window, m_options.shots + L"\\" + name + L"-" + suffix + L".png");
    }

    HWND Page(const wchar_t* title)
    {
        HWND page = ui::WaitForPage(title, kPageWait);
        if (Check(page != nullptr, "page \"" + Narrow(title) + "\" shown")) {
            ShowPage(title, page);
        }
        return page;
    }
    // What the user sees of a page, in lines of their own that the demo prints: its title and
    // its text, each line of the text indented.
    static void ShowPage(const wchar_t* title, HWND page)
    {
        const std::wstring text = ui::ItemText(page, kBody);
        std::string shown = "page   " + Narrow(title) + "\n";
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find(L'\n', start);
            end = end == std::wstring::npos ? text.size() : end;
            std::wstring line = text.substr(start, end - start);
            if (!line.empty() && line.back() == L'\r') {
                line.pop_back();
            }
            shown += "page   | " + Narrow(line) + "\n";
            start = end + 1;
        }
        std::fputs(shown.c_str(), stdout);
        std::fflush(stdout);
    }
    // Presses a button and waits for the page with `title`.
    HWND Press(HWND page, int id, const wchar_t* title, const char* button)
    {
        if (!Check(ui::Click(page, id), std::string("press ") + button)) {
            return nullptr;
        }
        return Page(title);
    }
    // Welcome → agreement (box ticked) → ready.
    HWND GoToReadyPage()
    {
        HWND welcome = Page(kWelcome);
        HWND agreement = welcome ? Press(welcome, kNext, kAgreement, "Next") : nullptr;
        if (!agreement) {
            return nullptr;
        }
        ui::Click(agreement, kAccept);
        ui::WaitUntil([&] { return ui::IsItemEnabled(agreement, kNext); }, 5000);
        return Press(agreement, kNext, kReady, "Next");
    }

    void PutCarriedFiles()
    {
        for (const wchar_t* name : kCarried) {
            UniqueFile file(::CreateFileW(Work(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }
    void PutForeignFile()
    {
        UniqueFile file(::CreateFileW(Work(L"keep.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    // After a clean-up: no carried file, no resume value, the user's own file still there.
    void CheckCleanedUp()
    {
        std::string left;
        for (const wchar_t* name : kCarried) {
            if (FileExists(Work(name))) {
                left += " " + Narrow(name);
            }
        }
        Check(left.empty(), "carried files deleted" + (left.empty() ? "" : " (left:" + left + ")"));
        std::wstring value;
        Check(!ReadResumeValue(value), "resume value deleted");
        if (FileExists(Work(L"keep.txt"))) {
            Check(true, "other files of the work folder kept");
        }
    }
    void CheckEndsWith(int expected, const std::string& how)
    {
        const int code = WaitForExit(20000);
        Check(code == expected, how + " ends the wizard (exit code " + std::to_string(code) + ")");
    }

    // A tool of the tree (fwsim, biotool) with the session's environment.
    int Tool(const std::wstring& program, const std::wstring& arguments, std::string* output = nullptr)
    {
        std::string text;
        const int code = RunTool(Quote(program) + L" " + arguments, text);
        if (output) {
            *output = text;
        }
        if (code != 0) {
            std::printf("        %s %s -> %d: %s\n", Narrow(program).c_str(), Narrow(arguments).c_str(), code,
                        text.c_str());
        }
        return code;
    }

private:
    // Every run starts with none of our classes registered, as on a user's machine: the
    // wizard must register the server it carries, and the server the engine it carries. The
    // prefix keeps what earlier runs registered (pointing at their deleted work folders, or
    // at the bin folder after the capsule-path probe), so the bin folder's libraries, whose
    // registry scripts name the same keys, remove it.
    void ForgetRegistrations()
    {
        for (const wchar_t* name : {L"PellamW.dll", L"Quillon.dll"}) {
            const std::wstring library = m_options.bin + L"\\" + name;
            if (FileExists(library)) {
                UnregisterLibrary(library);
            }
        }
        CLSID toolkitClass{};
        Check(FAILED(::CLSIDFromProgID(L"Server.Toolkit.1", &toolkitClass)) && RegisteredLibrary(kEngineClass).empty(),
              "neither the server nor the engine is registered before the run");
    }

    const Options& m_options;
    std::string m_name;
    std::wstring m_base, m_download, m_work, m_program;
    UniqueHandle m_process;
    bool m_ready = false;
    int m_failures = 0;
};

// --- Scenarios that need no working capsule ---------------------------------------------

void PagesScenario(Session& s)
{
    WriteResumeValueForTest(L"\"C:\\left\\over.exe\" VERIFY");
    s.PutForeignFile();
    if (!s.Start()) {
        return;
    }
    HWND welcome = s.Page(kWelcome);
    if (!welcome) {
        return;
    }
    s.Shot(welcome, "welcome");
    s.CheckText(ui::ItemText(welcome, kBody), kWelcomeText, "welcome text");
    s.Check(!ui::IsItemEnabled(welcome, kBack), "Back disabled on the welcome page");
    s.CheckText(ui::ItemText(welcome, kNext), L"Next ->", "Next button text");
    s.CheckText(ui::ItemText(welcome, kBack), L"<- Back", "Back button text");
    s.CheckText(ui::ItemText(welcome, kCancel), L"Cancel", "Cancel button text");
    s.CheckText(ui::ItemText(welcome, kReadme), L"View Readme", "View Readme button text");
    s.Check(FileExists(s.Work(L"license.rtf")) && FileExists(s.Work(L"Readme.rtf")),
            "agreement and readme written to the work folder");
    s.Check(!FileExists(s.Work(L"PellamW.dll")), "no library written before Update");

    HWND readme = s.Press(welcome, kReadme, kReadmeTitle, "View Readme");
    if (!readme) {
        return;
    }
    s.Shot(readme, "readme");
    s.Check(!ui::IsItemEnabled(readme, kNext) && !ui::IsItemEnabled(readme, kReadme),
            "readme page: primary button and View Readme disabled");
    s.Check(ui::IsItemVisible(readme, kDocView) &&
                ui::ItemText(readme, kDocView).find(L"Before you start") != std::wstring::npos,
            "readme text shown");
    s.Check(!::IsWindowVisible(welcome), "welcome page hidden behind the readme");
    s.Press(readme, kBack, kWelcome, "Back on the readme (to welcome)");

    HWND agreement = s.Press(welcome, kNext, kAgreement, "Next");
    if (!agreement) {
        return;
    }
    s.Shot(agreement, "agreement");
    s.CheckText(ui::ItemText(agreement, kBody), L"Please read the following license agreement carefully.",
                "agreement text");
    s.Check(ui::ItemText(agreement, kDocView).find(L"LICENSE AGREEMENT") != std::wstring::npos,
            "agreement document shown");
    s.CheckText(ui::ItemText(agreement, kAcceptLabel), L"Accept License Agreement", "agreement label");
    s.Check(ui::IsItemVisible(agreement, kAccept) && !ui::IsItemChecked(agreement, kAccept), "box shown, not ticked");
    s.Check(!ui::IsItemEnabled(agreement, kNext), "Next disabled until the box is ticked");
    s.Check(!ui::Click(agreement, kNext), "a disabled Next cannot be pressed");

    ui::Click(agreement, kAccept);
    s.Check(ui::WaitUntil([&] { return ui::IsItemEnabled(agreement, kNext); }, 5000), "ticking enables Next");
    ui::Click(agreement, kAccept);
    s.Check(ui::WaitUntil([&] { return !ui::IsItemEnabled(agreement, kNext); }, 5000), "unticking disables Next");
    HWND label = ::GetDlgItem(agreement, kAcceptLabel);
    ui::ClickAt(label, 20, 8);
    s.Check(ui::WaitUntil([&] { return ui::IsItemChecked(agreement, kAccept) && ui::IsItemEnabled(agreement, kNext); },
                          5000),
            "clicking the label ticks the box and enables Next");
    ui::ClickAt(label, 20, 8);
    s.Check(ui::WaitUntil(
                [&] { return !ui::IsItemChecked(agreement, kAccept) && !ui::IsItemEnabled(agreement, kNext); }, 5000),
            "clicking the label again unticks the box and disables Next");
    ui::ClickAt(label, 20, 8);
    ui::WaitUntil([&] { return ui::IsItemEnabled(agreement, kNext); }, 5000);

    readme = s.Press(agreement, kReadme, kReadmeTitle, "View Readme on the agreement page");
    if (readme) {
        s.Press(readme, kBack, kAgreement, "Back on the readme (to the agreement page)");
        s.Check(ui::IsItemChecked(agreement, kAccept), "the box keeps its tick");
    }

    HWND ready = s.Press(agreement, kNext, kReady, "Next with the box ticked");
    if (!ready) {
        return;
    }
    s.Shot(ready, "ready");
    s.CheckText(ui::ItemText(ready, kNext), L"Update", "Update button on the ready page");
    s.Check(ui::ItemText(ready, kBody).find(L"DO NOT POWER OFF YOUR SYSTEM") != std::wstring::npos,
            "ready text with its warning");
    s.Check(ui::IsItemEnabled(ready, kBack), "Back enabled on the ready page");
    s.Press(ready, kBack, kAgreement, "Back on the ready page");
    s.Press(agreement, kBack, kWelcome, "Back on the agreement page");

    ui::PressKey(welcome, VK_RETURN);
    ::Sleep(1000);
    s.Check(s.Running() && ::IsWindowVisible(welcome), "Enter does nothing");

    s.Check(ui::Click(welcome, kCancel), "press Cancel");
    s.CheckEndsWith(2, "Cancel");
    s.CheckCleanedUp();
}

void CloseScenario(Session& s)
{
    WriteResumeValueForTest(L"\"C:\\left\\over.exe\" VERIFY");
    s.PutForeignFile();
    if (!s.Start()) {
        return;
    }
    HWND welcome = s.Page(kWelcome);
    HWND agreement = welcome ? s.Press(welcome, kNext, kAgreement, "Next") : nullptr;
    if (!agreement) {
        return;
    }
    ui::CloseBySystemMenu(agreement);
    s.CheckEndsWith(2, "Close on the agreement page");
    s.CheckCleanedUp();
}

void EscapeScenario(Session& s)
{
    WriteResumeValueForTest(L"\"C:\\left\\over.exe\" VERIFY");
    if (!s.Start()) {
        return;
    }
    HWND ready = s.GoToReadyPage();
    if (!ready) {
        return;
    }
    ui::PressKey(ready, VK_RETURN);
    ::Sleep(1000);
    s.Check(s.Running() && ::IsWindowVisible(ready) && !ui::FindVisibleDialog(L"Error"),
            "Enter on the ready page does not press Update");
    ui::PressKey(ready, VK_ESCAPE);
    s.CheckEndsWith(2, "Escape on the ready page");
    s.CheckCleanedUp();
}

void ReadmeCancelScenario(Session& s)
{
    if (!s.Start()) {
        return;
    }
    HWND welcome = s.Page(kWelcome);
    HWND readme = welcome ? s.Press(welcome, kReadme, kReadmeTitle, "View Readme") : nullptr;
    if (!readme) {
        return;
    }
    s.Check(ui::Click(readme, kCancel), "press Cancel on the readme");
    s.CheckEndsWith(2, "Cancel on the readme");
    s.CheckCleanedUp();
}

// What a damaged download carries in place of the server library.
std::vector<BYTE> NotALibrary()
{
    const std::string text = "MZ but not a library";
    return {text.begin(), text.end()};
}

// Whether the resume value is `expected`, or absent when `expected` is empty.
bool CheckResumeValue(Session& s, const std::wstring& expected, const std::string& when)
{
    std::wstring value;
    const bool present = ReadResumeValue(value);
    if (expected.empty()) {
        return s.Check(!present, "no resume value " + when);
    }
    return s.CheckText(present ? value : L"(none)", expected, "resume value " + when);
}

// Update fails: the error box with `expected`, Update disabled, the resume value as
// `resume` says (none unless the failure came after it was written); then the user can
// still go back, read the readme and cancel, which removes the resume value.
void CheckUpdateRefused(Session& s, HWND ready, const wchar_t* expected, const char* shot,
                        const std::wstring& resume = {})
{
    s.Check(ui::Click(ready, kNext), "press Update");
    HWND box = ui::WaitForErrorBox(60000);
    if (!s.Check(box != nullptr, "error box shown")) {
        return;
    }
    s.Shot(box, shot);
    s.CheckText(ui::MessageBoxText(box), expected, "error box text");
    CheckResumeValue(s, resume, "after the failure");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    s.Check(ui::WaitUntil([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }, 10000), "error box closed");
    s.Check(!ui::IsItemEnabled(ready, kNext), "Update disabled after the failure");
    HWND agreement = s.Press(ready, kBack, kAgreement, "Back after the failure");
    if (agreement) {
        ready = s.Press(agreement, kNext, kReady, "Next to the ready page again");
    }
    if (ready) {
        s.Check(!ui::IsItemEnabled(ready, kNext), "Update stays disabled");
        CheckResumeValue(s, resume, "until Cancel");
        s.Check(ui::Click(ready, kCancel), "press Cancel");
        s.CheckEndsWith(2, "Cancel after the failure");
        s.CheckCleanedUp();
    }
}

void UpdateWithoutServerScenario(Session& s)
{
    // A package whose server library is damaged: no toolkit object can be created.
    if (!s.Check(ReplaceRawFile(s.Program(), 117, NotALibrary()), "break the server in the package")) {
        return;
    }
    if (!s.Start()) {
        return;
    }
    if (HWND ready = s.GoToReadyPage()) {
        CheckUpdateRefused(s, ready, kCorrupted, "error");
    }
}

void UpdateWithoutBoardScenario(Session& s)
{
    // The real package on a machine whose firmware cannot be reached: the image can never be
    // checked against the board, so the update is refused as failed.
    if (!s.Start()) {
        return;
    }
    if (HWND ready = s.GoToReadyPage()) {
        CheckUpdateRefused(s, ready, kCorrupted, "error");
    }
}

void VerifyUnreachableScenario(Session& s)
{
    if (!s.Check(ReplaceRawFile(s.Program(), 117, NotALibrary()), "break the server in the package")) {
        return;
    }
    s.PutCarriedFiles();
    s.PutForeignFile();
    WriteResumeValueForTest(Quote(s.Program()) + L" VERIFY");
    if (!s.Start(L"VERIFY")) {
        return;
    }
    bool shown = false;
    int code = -1;
    ui::WaitUntil(
        [&] {
            shown = shown || ui::VisiblePage() != nullptr;
            code = s.WaitForExit(0);
            return code != -1;
        },
        30000);
    s.Check(code == 0, "the verify run ends by itself (exit code " + std::to_string(code) + ")");
    s.Check(!shown, "the verify run shows no page when the server cannot be reached");
    s.CheckCleanedUp();
}

void CommandLineScenario(Session& s)
{
    for (const wchar_t* arguments : {L"verify", L"VERIFY VERIFY", L"VERIFY extra"}) {
        if (!s.Start(arguments)) {
            return;
        }
        HWND welcome = s.Page(kWelcome);
        s.Check(welcome != nullptr, "\"" + Narrow(arguments) + "\" starts a normal run");
        if (welcome) {
            ui::Click(welcome, kCancel);
        }
        s.CheckEndsWith(2, "Cancel");
    }
}

// Wine tells a program the Windows version set for it under AppDefaults.
class WindowsVersionForTolva {
public:
    explicit WindowsVersionForTolva(const wchar_t* version)
    {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.put(), nullptr);
        ::RegSetValueExW(m_key.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
    ~WindowsVersionForTolva()
    {
        m_key.reset();
        ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    }

private:
    static constexpr wchar_t kKey[] = L"Software\\Wine\\AppDefaults\\Tolva.exe";
    UniqueHkey m_key;
};

void OperatingSystemScenario(Session& s)
{
    {
        WindowsVersionForTolva windows2000(L"win2k");
        if (!s.Start()) {
            return;
        }
        HWND box = ui::WaitForErrorBox(kPageWait);
        if (s.Check(box != nullptr, "Windows 2000 is refused with an error box")) {
            s.Shot(box, "unsupported");
            s.CheckText(ui::MessageBoxText(box), kUnsupported, "error box text");
            s.Check(!FileExists(s.Work(L"license.rtf")) && !FileExists(s.Work(L"Readme.rtf")),
                    "nothing written to the work folder");
            s.Check(ui::VisiblePage() == nullptr, "no page shown");
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        s.CheckEndsWith(0, "OK on the error box");
    }
    {
        WindowsVersionForTolva windowsXp64(L"winxp64");
        if (!s.Start()) {
            return;
        }
        HWND welcome = s.Page(kWelcome);
        s.Check(welcome != nullptr, "Windows 5.2 is accepted");
        if (welcome) {
            ui::Click(welcome, kCancel);
        }
        s.CheckEndsWith(2, "Cancel");
    }
}

// --- End-to-end scenarios on the emulated board ---------------------------------------------

// Whether this tree can run the capsule path; prints why not.
bool CapsulePathAvailable(const Options& options)
{
    std::vector<std::wstring> missing;
    for (const wchar_t* name : {L"PellamW.dll", L"EfiCorvid.dll", L"Quillon.dll", L"qrvefivar.dll"}) {
        if (!FileExists(options.bin + L"\\" + name)) {
            missing.push_back(name);
        }
    }
    if (options.fwsim.empty() || !FileExists(options.fwsim)) {
        missing.push_back(L"fwsim.exe");
    }
    if (options.biotool.empty() || !FileExists(options.biotool)) {
        missing.push_back(L"biotool.exe");
    }
    if (!missing.empty()) {
        std::string names;
        for (const auto& name : missing) {
            names += " " + Narrow(name);
        }
        std::printf("SKIPPED: the capsule path is not built yet (missing:%s)\n", names.c_str());
        return false;
    }
    wchar_t saved[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ::SetCurrentDirectoryW(options.bin.c_str());
    const std::wstring server = options.bin + L"\\PellamW.dll";
    HRESULT hr = CCOMRegistrar::RegisterServer(server.c_str());
    ComPtr<IToolkit> toolkit;
    ComPtr<IBiosCapsule> capsule;
    if (SUCCEEDED(hr)) {
        CLSID toolkitClass{};
        hr = ::CLSIDFromProgID(L"Server.Toolkit.1", &toolkitClass);
        if (SUCCEEDED(hr)) {
            hr = ::CoCreateInstance(toolkitClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&toolkit));
        }
    }
    if (SUCCEEDED(hr)) {
        hr = toolkit->get_BiosCapsule(&capsule);
    }
    capsule.Reset();
    toolkit.Reset();
    ::SetCurrentDirectoryW(saved);
    if (FAILED(hr)) {
        std::printf("SKIPPED: IToolkit::BiosCapsule answers 0x%08lX%s; the capsule path is not built yet\n",
                    static_cast<unsigned long>(hr), hr == E_NOTIMPL ? " (E_NOTIMPL)" : "");
        return false;
    }
    return true;
}

// The end-to-end runs need a package that carries the server and every component it loads;
// one left out is written as an empty file and every Update then fails as "corrupted".
bool CarriesComponents(Session& s, const Options& options)
{
    std::string missing;
    UniqueModule package(::LoadLibraryExW(options.tolva.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    for (const auto& [id, name] : {std::pair{117, "PellamW.dll"}, std::pair{119, "EfiCorvid.dll"},
                                   std::pair{120, "qrvefivar.dll"}, std::pair{122, "PellamWRes.dll"},
                                   std::pair{124, "Quillon.dll"}}) {
        HRSRC info = package ? ::FindResourceW(package.get(), MAKEINTRESOURCEW(id), L"RAW_FILE") : nullptr;
        if (!info || ::SizeofResource(package.get(), info) == 0) {
            missing += std::string(" ") + name;
        }
    }
    return s.Check(missing.empty(), "Tolva.exe carries the server and its components" +
                                        (missing.empty() ? "" : " (missing:" + missing + ")"));
}

std::wstring Hex(const std::string& text)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring hex;
    for (unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// A fresh demo board in the session's folder; optionally another firmware ID.
bool MakeBoard(Session& s, const Options& options, const std::string& firmwareId = {})
{
    const std::wstring store = s.Base(L"board.store");
    ::SetEnvironmentVariableW(L"FWSIM_STORE", store.c_str());
    if (!s.Check(s.Tool(options.fwsim, L"init --board " + Quote(options.board) + L" --force") == 0,
                 "make a fresh demo board")) {
        return false;
    }
    if (!firmwareId.empty()) {
        return s.Check(s.Tool(options.fwsim, L"set FirmwareId " + std::wstring(kFirmwareIdGuid) + L" " +
                                                 Hex(firmwareId)) == 0,
                       "give the board the firmware ID " + firmwareId);
    }
    return true;
}

// Puts an image made by biotool with `firmwareId` into the package.
bool PackageImage(Session& s, const Options& options, const std::string& firmwareId)
{
    const std::wstring image = s.Base(L"package.bio");
    std::wstring id(firmwareId.begin(), firmwareId.end());
    if (!s.Check(s.Tool(options.biotool, L"create " + Quote(image) + L" --id " + id) == 0,
                 "make an image for " + firmwareId)) {
        return false;
    }
    std::vector<BYTE> bytes;
    return s.Check(ReadWholeFile(image, bytes) && ReplaceRawFile(s.Program(), 125, bytes),
                   "put the image into the package");
}

// Update on the ready page until the update is armed: the ready page goes, no error box.
bool UpdateUntilArmed(Session& s)
{
    HWND ready = s.GoToReadyPage();
    if (!ready || !s.Check(ui::Click(ready, kNext), "press Update")) {
        return false;
    }
    std::wstring value;
    HWND box = nullptr;
    const bool armed = ui::WaitUntil(
        [&] {
            box = ui::FindVisibleDialog(L"Error");
            return box || (!::IsWindowVisible(ready) && ReadResumeValue(value));
        },
        120000);
    if (box) {
        s.Check(false, "Update arms the capsule (error box: \"" + Narrow(ui::MessageBoxText(box)) + "\")");
        return false;
    }
    s.Check(armed && s.Running(), "Update arms the capsule; the wizard waits unseen for the restart");
    s.Check(ui::VisiblePage() == nullptr, "no page visible after Update");
    s.CheckText(value, Quote(s.Program()) + L" VERIFY", "resume value");
    std::string left;
    for (const wchar_t* name : {L"PellamW.dll", L"PellamWRes.dll", L"EfiCorvid.dll", L"qrvefivar.dll",
                                L"Quillon.dll", L"bios.bio"}) {
        if (!FileExists(s.Work(name))) {
            left += " " + Narrow(name);
        }
    }
    s.Check(left.empty(), "the carried files stay for the verify run" + (left.empty() ? "" : " (missing:" + left + ")"));
    const std::wstring engine = RegisteredLibrary(kEngineClass);
    s.Check(SamePath(engine, s.Work(L"Quillon.dll")),
            "the engine is registered from the work folder (registered: \"" + Narrow(engine) + "\")");
    return armed;
}

// The restart: the wizard ends with the machine, the board applies the capsule (then
// `whileDown` may change the board), and Windows runs the resume command (wineboot -r runs
// RunOnce and waits for it).
HANDLE Restart(Session& s, const Options& options, const std::wstring& rebootArguments,
               const std::function<bool()>& whileDown = {})
{
    s.Stop();
    if (!s.Check(s.Tool(options.fwsim, L"reboot" + rebootArguments) == 0, "fwsim reboot" + Narrow(rebootArguments)) ||
        (whileDown && !whileDown())) {
        return nullptr;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring line = L"wineboot.exe -r";
    if (!s.Check(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process) != FALSE,
                 "start the simulated restart of Windows")) {
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

void FinishRestart(Session& s, HANDLE restart)
{
    s.Check(::WaitForSingleObject(restart, 60000) == WAIT_OBJECT_0, "the restart's RunOnce run ends");
    ::CloseHandle(restart);
}

std::wstring Trimmed(const std::string& text)
{
    const size_t end = text.find_last_not_of(" \r\n");
    return end == std::string::npos ? std::wstring() : std::wstring(text.begin(), text.begin() + end + 1);
}

void VerifyScenario(Session& s, const Options& options, bool fail)
{
    if (!MakeBoard(s, options) || !s.Start() || !UpdateUntilArmed(s)) {
        return;
    }
    std::string info, marker;
    s.Tool(options.fwsim, L"info", &info);
    s.Check(info.find("Capsule:        armed") != std::string::npos ||
                info.find("Capsule:        staged") != std::string::npos,
            "the capsule is staged on the board");
    const std::wstring detection = L"QRVFlashDetectionStatus " + std::wstring(kDetectionGuid);
    if (!s.Check(s.Tool(options.fwsim, L"get " + detection, &marker) == 0,
                 "armed at the high level: the detection variable is on the board")) {
        return;
    }
    // The applied capsule removed the detection variable. Put back, it makes a check at the
    // high level report a failure, so only the low level, which asks the last status alone,
    // shows the success.
    const auto putBackDetection = [&] {
        return s.Check(s.Tool(options.fwsim, L"set " + detection + L" " + Trimmed(marker)) == 0,
                       "put the detection variable back after the flash");
    };
    HANDLE restart = fail ? Restart(s, options, L" --fail") : Restart(s, options, L"", putBackDetection);
    if (!restart) {
        return;
    }
    HWND status = s.Page(kStatus);
    if (status) {
        s.Shot(status, fail ? "status-failed" : "status-succeeded");
        s.CheckText(ui::ItemText(status, kBody), fail ? kFailed : kSucceeded, "status text");
        s.Check(ui::ShowsColour(::GetDlgItem(status, kBody), RGB(160, 40, 20)) == fail,
                fail ? "failure text in its colour" : "success text in black");
        s.CheckText(ui::ItemText(status, kNext), L"Finish", "Finish button");
        s.Check(!ui::IsItemEnabled(status, kBack) && !ui::IsItemEnabled(status, kCancel),
                "Back and Cancel disabled on the status page");
        s.Check(ui::Click(status, kNext), "press Finish");
    }
    FinishRestart(s, restart);
    s.CheckCleanedUp();
}

void IncompatibleScenario(Session& s, const Options& options)
{
    if (!MakeBoard(s, options) || !PackageImage(s, options, "QX4400Z.99B.0050.2014.0101.0000") || !s.Start()) {
        return;
    }
    if (HWND ready = s.GoToReadyPage()) {
        CheckUpdateRefused(s, ready, kIncompatible, "error");
    }
}

void CorruptScenario(Session& s, const Options& options)
{
    if (!MakeBoard(s, options)) {
        return;
    }
    const std::string garbage = "this is not a firmware image, only some text in its place";
    if (!s.Check(ReplaceRawFile(s.Program(), 125, std::vector<BYTE>(garbage.begin(), garbage.end())),
                 "put a corrupt image into the package") ||
        !s.Start()) {
        return;
    }
    if (HWND ready = s.GoToReadyPage()) {
        CheckUpdateRefused(s, ready, kCorrupted, "error");
    }
}

void EmptyImageScenario(Session& s, const Options& options)
{
    // A package with an empty image writes an empty bios.bio.
    if (!MakeBoard(s, options) || !s.Check(ReplaceRawFile(s.Program(), 125, {}), "empty the package's image") ||
        !s.Start()) {
        return;
    }
    if (HWND ready = s.GoToReadyPage()) {
        CheckUpdateRefused(s, ready, kCorrupted, "error");
    }
}

void ArmFaultScenario(Session& s, const Options& options)
{
    // The capsule-update library refuses to arm the capsule: the failure comes after the
    // resume value was written.
    if (!MakeBoard(s, options) ||
        !s.Check(s.Tool(options.fwsim, L"fault add InvokeCapsule --status 14") == 0,
                 "make the board refuse to arm the next capsule") ||
        !s.Start()) {
        return;
    }
    HWND ready = s.GoToReadyPage();
    if (!ready) {
        return;
    }
    CheckUpdateRefused(s, ready, kCorrupted, "arm-fault", Quote(s.Program()) + L" VERIFY");
    std::string info;
    s.Tool(options.fwsim, L"info", &info);
    s.Check(info.find("Faults armed:   0") != std::string::npos, "the failure was the board's refusal to arm");
}

void LegacyScenario(Session& s, const Options& options)
{
    // The restart applies the image, so the verify run sees the image's firmware ID: both the
    // board's ID and the image's are legacy (170 itself still counts as legacy).
    const std::string image = "KD31207R.86A.0170.2011.0301.1200";
    if (!MakeBoard(s, options, "KD31207R.86A.0165.2010.0415.0900") || !PackageImage(s, options, image) ||
        !s.Start() || !UpdateUntilArmed(s)) {
        return;
    }
    s.Check(s.Tool(options.fwsim, L"get QRVFlashDetectionStatus " + std::wstring(kDetectionGuid)) != 0,
            "armed at the low level: no detection variable");
    HANDLE restart = Restart(s, options, L"");
    if (!restart) {
        return;
    }
    std::string running;
    s.Tool(options.fwsim, L"get FirmwareId " + std::wstring(kFirmwareIdGuid), &running);
    s.Check(running.find(Narrow(Hex(image))) == 0, "the board runs the image's legacy firmware after the restart");
    bool shown = false;
    ui::WaitUntil(
        [&] {
            shown = shown || ui::VisiblePage() != nullptr;
            return ::WaitForSingleObject(restart, 0) == WAIT_OBJECT_0;
        },
        60000);
    s.Check(!shown, "the verify run on legacy firmware shows nothing");
    FinishRestart(s, restart);
    s.CheckCleanedUp();
}

struct Scenario {
    bool endToEnd;
    std::function<void(Session&, const Options&)> run;
};

const std::map<std::string, Scenario>& Scenarios()
{
    static const std::map<std::string, Scenario> scenarios = {
        {"pages", {false, [](Session& s, const Options&) { PagesScenario(s); }}},
        {"close", {false, [](Session& s, const Options&) { CloseScenario(s); }}},
        {"escape", {false, [](Session& s, const Options&) { EscapeScenario(s); }}},
        {"readme-cancel", {false, [](Session& s, const Options&) { ReadmeCancelScenario(s); }}},
        {"update-no-server", {false, [](Session& s, const Options&) { UpdateWithoutServerScenario(s); }}},
        {"update-no-board", {false, [](Session& s, const Options&) { UpdateWithoutBoardScenario(s); }}},
        {"verify-unreachable", {false, [](Session& s, const Options&) { VerifyUnreachableScenario(s); }}},
        {"command-line", {false, [](Session& s, const Options&) { CommandLineScenario(s); }}},
        {"os-check", {false, [](Session& s, const Options&) { OperatingSystemScenario(s); }}},
        {"e2e-verify-success", {true, [](Session& s, const Options& o) { VerifyScenario(s, o, false); }}},
        {"e2e-verify-failure", {true, [](Session& s, const Options& o) { VerifyScenario(s, o, true); }}},
        {"e2e-incompatible", {true, IncompatibleScenario}},
        {"e2e-corrupt", {true, CorruptScenario}},
        {"e2e-empty", {true, EmptyImageScenario}},
        {"e2e-legacy", {true, LegacyScenario}},
        {"e2e-arm-fault", {true, ArmFaultScenario}},
    };
    return scenarios;
}

int Usage()
{
    std::printf("usage: tolvadriver SCENARIO --tolva PATH --bin FOLDER [--fwsim PATH] [--biotool PATH]\n"
                "                   [--board PROFILE] [--shots FOLDER]\nscenarios:");
    for (const auto& [name, scenario] : Scenarios()) {
        std::printf(" %s", name.c_str());
    }
    std::printf("\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        return Usage();
    }
    const std::wstring wideName = argv[1];
    const std::string name(wideName.begin(), wideName.end());
    Options options;
    const std::map<std::wstring, std::wstring*> flags = {{L"--tolva", &options.tolva}, {L"--bin", &options.bin},
                                                         {L"--fwsim", &options.fwsim}, {L"--biotool", &options.biotool},
                                                         {L"--board", &options.board}, {L"--shots", &options.shots}};
    for (int i = 2; i < argc; i += 2) {
        const auto flag = flags.find(argv[i]);
        if (flag == flags.end() || i + 1 >= argc) {
            return Usage();
        }
        *flag->second = argv[i + 1];
    }
    const auto scenario = Scenarios().find(name);
    if (scenario == Scenarios().end() || options.tolva.empty() || options.bin.empty()) {
        return Usage();
    }
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 1;
    }
    int result = 0;
    if (scenario->second.endToEnd && (options.board.empty() || !CapsulePathAvailable(options))) {
        if (options.board.empty()) {
            std::printf("SKIPPED: no board profile given\n");
        }
        result = kExitSkip;
    } else {
        Session session(options, name);
        if (session.Ready() && (!scenario->second.endToEnd || CarriesComponents(session, options))) {
            scenario->second.run(session, options);
        }
        result = session.Failures() == 0 ? 0 : 1;
        std::printf("%s: %s\n", name.c_str(), result == 0 ? "passed" : "FAILED");
    }
    ::CoUninitialize();
    return result;
}
