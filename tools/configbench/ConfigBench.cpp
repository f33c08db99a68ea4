// configbench [--tsv] [token sections]
// configbench [--tsv] --system DEMO-BOARD-PROFILE
// Times the toolkit's configuration calls, in-process through IToolkit as a client makes
// them: LoadINIFile of a file of that many token sections (by default 1,000) and two 8 KiB
// variable images, then WriteINIFile of the loaded configuration into a new file; or, with
// --system, LoadConfigFromSystem on the emulated demo board and on generated boards of
// 2,000 and 20,000 questions, with the most reads the store counted for one variable (a
// read of the system reads each variable once: a size query and a read; more fails the row),
// and then every token asked whether it applies (a question that loads the firmware-variable
// library again fails the row: the toolkit holds it).
// With --tsv each step is one line "step<TAB>size<TAB>milliseconds" (scripts/bench.sh).
#include "toolkit/Toolkit.h"

#include "ini/INICodec.h"
#include "ini/IniChecksum.h"

#include "system/EFIVar.h"
#include "system/ProcessState.h"

#include "BenchArguments.h"
#include "BoardGenerator.h"
#include "BoardProfile.h"
#include "FirmwareStore.h"
#include "Owners.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

bool g_tsv = false;
int g_tokens = 1000;

std::string Field(const std::string& keyword, const std::vector<uint8_t>& bytes, bool split)
{
    std::wstring letters;
    CINICodec::EncodeVariableBuffer(bytes.data(), bytes.size(), &letters);
    const std::string text(letters.begin(), letters.end());
    std::string lines;
    if (!split) {
        lines = keyword + "=" + text + "\r\n";
    } else {
        for (size_t at = 0, part = 1; at < text.size(); at += 64, ++part) {
            lines += keyword + std::to_string(part) + "=" + text.substr(at, 64) + "\r\n";
        }
    }
    return lines + keyword + "Checksum=" + std::to_string(IniChecksum(bytes.data(), bytes.size())) + "\r\n";
}

std::string Image(int number)
{
    std::vector<uint8_t> data(8192);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 31 + number);
    }
    const std::vector<uint8_t> name = {'S', 0, 'e', 0, 't', 0, 'u', 0, 'p', 0, static_cast<uint8_t>('0' + number), 0, 0, 0};
    const std::vector<uint8_t> guid(16, 0x5A);
    const std::string status = "Overwrite OK.";
    std::vector<uint8_t> statusBytes(status.begin(), status.end());
    statusBytes.push_back(0);
    return "[Configuration.Imagedata" + std::to_string(number) + "]\r\n" + Field("VariableData", data, true) +
           Field("VariableName", name, false) + Field("VendorGUID", guid, false) +
           Field("VariableMask", std::vector<uint8_t>(data.size(), 0xFF), true) +
           Field("VariableStatus", statusBytes, true);
}

bool Generate(const std::filesystem::path& path)
{
    std::string text = "[System]\r\nINIversion=2.9\r\n[Config.info]\r\nCount=2\r\n" + Image(0) + Image(1);
    char section[32];
    for (int token = 1; token <= g_tokens; ++token) {
        std::snprintf(section, sizeof(section), "[SETTING_%04X]\r\n", token);
        text += section;
        text += token % 3 == 0 ? "Value1=1\r\nValue2=3\r\nValue3=2\r\n" : "Value=" + std::to_string(token % 7) + "\r\n";
        if (token % 5 == 0) {
            text += "Lock=FALSE\r\n";
        }
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    return file.good();
}

bool Step(const char* name, const std::function<bool()>& action, size_t size = g_tokens)
{
    const auto start = std::chrono::steady_clock::now();
    const bool ok = action();
    const auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    if (g_tsv) {
        std::printf("%s\t%zu\t%.2f%s\n", name, size, elapsed.count(), ok ? "" : "\tFAILED");
    } else {
        std::printf("%-48s %8zu %10.1f ms%s\n", name, size, elapsed.count(), ok ? "" : "  FAILED");
    }
    return ok;
}

ComPtr<IToolkit> CreateToolkit()
{
    ComPtr<IUnknown> classObject;
    ComPtr<IClassFactory> factory;
    ComPtr<IToolkit> toolkit;
    if (FAILED(CreateToolkitClassObject(&classObject)) || FAILED(classObject.As(&factory)) ||
        FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&toolkit)))) {
        return nullptr;
    }
    return toolkit;
}

// The most reads the store counted for one variable since it was made.
uint32_t MostReads(const std::wstring& store, std::wstring& variable)
{
    fwstore::StoreImage image;
    uint32_t most = 0;
    if (!fwstore::CFirmwareStore(store).Load(image).Ok()) {
        return UINT32_MAX;
    }
    for (const fwstore::VariableCounters& counter : image.counters) {
        if (counter.reads > most) {
            most = counter.reads;
            variable = counter.name;
        }
    }
    return most;
}

// Asks every token of the loaded configuration whether it applies to the board. The
// firmware-variable library stays loaded by the toolkit: a token's question must not load
// it again (false when one did, or a token could not answer).
bool AskEveryToken(IToolkit& toolkit)
{
    ComPtr<IConfigGroup> tokens;
    ComPtr<IConfigDataCollection> items;
    LONG count = 0;
    if (toolkit.GetConfigGroup(EConfigGroup_Tokens, &tokens) != S_OK || FAILED(tokens->get_DataCollection(&items)) ||
        FAILED(items->get_Count(&count))) {
        return false;
    }
    const int loads = CEFIVar::LoadCount();
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IConfigData> item;
        ComPtr<ITokenConfigData> token;
        VARIANT_BOOL applicable = VARIANT_FALSE;
        if (FAILED(items->get_Item(i, &item)) || FAILED(item.As(&token)) || FAILED(token->get_IsApplicable(&applicable))) {
            return false;
        }
    }
    return CEFIVar::LoadCount() == loads;
}

int ReadSystems(IToolkit& toolkit, const char* demoProfile)
{
    struct Board {
        const char* step;
        size_t questions;
        fwstore::StoreImage image;
    };
    std::vector<Board> boards = {{"read the demo board (LoadConfigFromSystem)", 175, {}},
                                 {"read the system (LoadConfigFromSystem)", 2000, {}},
                                 {"read the system (LoadConfigFromSystem)", 20000, {}}};
    const std::wstring demo(demoProfile, demoProfile + std::strlen(demoProfile));
    if (!fwstore::LoadBoardProfile(demo, boards[0].image).Ok()) {
        std::fprintf(stderr, "configbench: the demo board profile %s cannot be read\n", demoProfile);
        return 1;
    }
    for (size_t i = 1; i < boards.size(); ++i) {
        const std::string profile = fwstore::GenerateBoardProfile(boards[i].questions);
        if (!fwstore::ParseBoardProfile(profile, L"generated", {}, boards[i].image).Ok()) {
            return 1;
        }
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "configbench-system";
    std::filesystem::create_directories(folder);
    const std::wstring store = (folder / "board.store").wstring();
    ::SetEnvironmentVariableW(L"FWSIM_STORE", store.c_str());
    bool ok = true;
    for (Board& board : boards) {
        // A new board and the first read of the process: its setup database is parsed too.
        ok = fwstore::CFirmwareStore(store).Create(board.image, true).Ok() && ok;
        ProcessState::ForgetFirmwareReadings();
        std::wstring variable;
        uint32_t reads = 0;
        ok = Step(board.step, [&] {
            const bool read = toolkit.LoadConfigFromSystem(0x13) == S_OK;
            reads = MostReads(store, variable);
            return read && reads <= 2;
        }, board.questions) && ok;
        // The demo board is a row of its own, as its read is: it is no smaller size of the others.
        const char* ask = &board == &boards.front() ? "ask the demo board's tokens whether they apply"
                                                    : "ask every token whether it applies (IsApplicable)";
        ok = Step(ask, [&] { return AskEveryToken(toolkit); }, board.questions) && ok;
        ok = toolkit.Reset() == S_OK && ok;
        if (!g_tsv) {
            std::printf("%-48s %8zu %10u reads of %ls\n", "  most reads of one variable", board.questions, reads,
                        variable.c_str());
        }
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    g_tsv = TakeTsvOption(argc, argv);
    if (argc > 2 && std::string(argv[1]) == "--system") {
        if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
            return 1;
        }
        // The toolkit makes its program's folder the current one: a relative name is taken
        // from where the benchmark was started.
        std::error_code error;
        const std::string profile = std::filesystem::absolute(argv[2], error).string();
        int status = 1;
        if (ComPtr<IToolkit> toolkit = CreateToolkit()) {
            status = ReadSystems(*toolkit.Get(), profile.c_str());
        }
        ::CoUninitialize();
        return status;
    }
    if (argc > 1) {
        g_tokens = std::atoi(argv[1]);
    }
    if (g_tokens < 1 || g_tokens > 0xFFFF) {
        std::fprintf(stderr, "usage: configbench [--tsv] [token sections, 1 to 65535]\n");
        return 2;
    }
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::filesystem::path folder =
        std::filesystem::path(temp) / (L"configbench_" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const UniqueBstr input = UniqueBstr::From((folder / L"config.ini").wstring().c_str());
    const UniqueBstr output = UniqueBstr::From((folder / L"written.ini").wstring().c_str());
    constexpr ULONG kMask = 0x11; // BIOS images and tokens

    bool ok = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    {
        ComPtr<IToolkit> toolkit = CreateToolkit();
        ok = ok && toolkit && Step("generate INI configuration", [&] { return Generate(folder / L"config.ini"); }) &&
             Step("load INI configuration (LoadINIFile)", [&] { return toolkit->LoadINIFile(input.get(), kMask) == S_OK; }) &&
             Step("write INI configuration (WriteINIFile)",
                  [&] { return toolkit->WriteINIFile(output.get(), kMask) == S_OK; }) &&
             Step("load the written configuration", [&] {
                 return toolkit->Reset() == S_OK && toolkit->LoadINIFile(output.get(), kMask) == S_OK;
             });
    }
    ::CoUninitialize();
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return ok ? 0 : 1;
}
