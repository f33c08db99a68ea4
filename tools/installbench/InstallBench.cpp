// installbench [--tsv] [questions]
// Times the install of a configuration into a generated board of that many setup questions
// (by default 1,000, all of them in "Setup"; the board's "OemDefault" is a copy of "Setup",
// as a real board's is) held in memory: an INI file of every token on the board, each
// token's value changed, is loaded outside the time, then installed (CSystem::Install) into
// one copy of the board and planned (CollectorMode::Plan) on another. Each row carries the
// reads and writes the board counted per variable during the install. An install row fails
// when a variable is written more than once, "Setup" or "OemDefault" is read more than four
// times (two reads, each a size query and the read), or not every token was installed; a
// plan row fails when anything was written. A last row installs the 21 cooling settings of
// the board's hardware monitor (added to the board) as the chip's SMBus sequence.
// With --tsv each row is "benchmark<TAB>size<TAB>milliseconds<TAB>[FAILED]<TAB>counts".
#include "toolkit/System.h"

#include "system/BIOSModifiedFlag.h"
#include "system/ExtractHiiTokens.h"
#include "system/FirmwareAccess.h"
#include "system/TokenWrite.h"
#include "system/VariableCatalogue.h"

#include "BenchArguments.h"
#include "BoardGenerator.h"
#include "BoardProfile.h"
#include "FirmwareStore.h"
#include "StoreVariables.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

bool g_tsv = false;

// A generated board, with the "OemDefault" copy of "Setup" that real boards carry: without
// it the install makes it from "Setup" first and writes it twice.
bool MakeBoard(size_t questions, fwstore::StoreImage& image)
{
    const fwstore::StoreResult parsed =
        fwstore::ParseBoardProfile(fwstore::GenerateBoardProfile(questions), L"generated", {}, image);
    const fwstore::StoredVariable* setup = fwstore::FindVariable(image, VariableName::Setup, VendorGuid::Setup);
    if (!parsed.Ok() || setup == nullptr) {
        std::fprintf(stderr, "installbench: the generated board of %zu questions cannot be made\n", questions);
        return false;
    }
    fwstore::StoredVariable oemDefault = *setup;
    oemDefault.name = VariableName::OemDefault;
    image.variables.push_back(std::move(oemDefault));
    return true;
}

std::vector<LONG> CurrentValues(const HII_SETTING& token, const std::vector<uint8_t>& setup)
{
    const BYTE width = TokenWrite::ValueWidth(token);
    std::vector<LONG> values;
    for (size_t i = 0; i < TokenWrite::ValueCount(token); ++i) {
        LONG value = 0;
        for (BYTE b = 0; b < width && b < 4; ++b) {
            const size_t at = token.offset + i * width + b;
            value |= at < setup.size() ? static_cast<LONG>(setup[at]) << (8 * b) : 0;
        }
        values.push_back(value);
    }
    return values;
}

// Other values the question takes: an ordered list turned by one entry (or, when all its
// entries are alike, another option first), else the first other value among the options,
// 0, 1 and the value after the current one.
bool ChangedValues(const HII_SETTING& token, std::vector<LONG>& values)
{
    const std::vector<LONG> current = values;
    if (token.Opcode() == HiiOpcode::OrderedList) {
        std::rotate(values.begin(), values.begin() + 1, values.end());
        for (size_t i = 0; values == current && i < token.options.size(); ++i) {
            values[0] = token.options[i].value;
        }
    } else {
        std::vector<LONG> candidates = {0, 1, current[0] + 1};
        for (const HII_OPTION& option : token.options) {
            candidates.insert(candidates.begin(), option.value);
        }
        for (LONG candidate : candidates) {
            if (candidate != current[0] && TokenWrite::Accepts(token, candidate)) {
                values[0] = candidate;
                break;
            }
        }
    }
    return values != current && TokenWrite::FirstRefused(token, values) < 0;
}

// An INI file of one section per UQI on the board (its first question), every value changed.
bool WriteConfiguration(CStoreVariables& board, const std::filesystem::path& path, size_t& sections)
{
    HiiTokenPointers tokens;
    const fwstore::StoredVariable* setup = fwstore::FindVariable(board.Image(), VariableName::Setup, VendorGuid::Setup);
    if (FAILED(CExtractHiiTokens::GetTokens(&tokens)) || setup == nullptr) {
        return false;
    }
    std::string text = "[System]\r\nINIversion=2.9\r\n";
    std::set<uint16_t> seen;
    char line[64];
    sections = 0;
    for (const auto& token : tokens) {
        const uint8_t opcode = token->Opcode();
        if (token->uqi.empty() || !seen.insert(token->UQINumber()).second ||
            (opcode != HiiOpcode::OneOf && opcode != HiiOpcode::CheckBox && opcode != HiiOpcode::Numeric &&
             opcode != HiiOpcode::OrderedList)) {
            continue;
        }
        std::vector<LONG> values = CurrentValues(*token, setup->data);
        if (!ChangedValues(*token, values)) {
            std::fprintf(stderr, "installbench: no other value for UQI %04X\n", token->UQINumber());
            return false;
        }
        std::snprintf(line, sizeof line, "[SETTING_%04X]\r\n", token->UQINumber());
        text += line;
        for (size_t i = 0; i < values.size(); ++i) {
            const std::string key = opcode == HiiOpcode::OrderedList ? "Value" + std::to_string(i + 1) : "Value";
            text += key + "=" + std::to_string(values[i]) + "\r\n";
        }
        ++sections;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    return file.good();
}

// What the board counted, per variable touched: "Setup 4r 1w, OemDefault 4r 1w".
std::string Counts(const fwstore::StoreImage& image)
{
    std::string text;
    for (const fwstore::VariableCounters& counters : image.counters) {
        const uint32_t writes = counters.writes + counters.deletes + counters.failedWrites;
        text += (text.empty() ? "" : ", ") + std::string(counters.name.begin(), counters.name.end()) + " " +
                std::to_string(counters.reads) + "r " + std::to_string(writes) + "w";
    }
    return text.empty() ? "no calls" : text;
}

bool Checked(const fwstore::StoreImage& image, CollectorMode mode)
{
    bool setupWritten = false;
    for (const fwstore::VariableCounters& counters : image.counters) {
        const uint32_t writes = counters.writes + counters.deletes + counters.failedWrites;
        const bool setup = counters.name == VariableName::Setup || counters.name == VariableName::OemDefault;
        if ((mode == CollectorMode::Plan && writes > 0) || writes > 1 || (setup && counters.reads > 4)) {
            return false;
        }
        setupWritten = setupWritten || (setup && writes == 1);
    }
    return mode == CollectorMode::Plan || setupWritten;
}

bool Run(const char* name, CSystem& system, const fwstore::StoreImage& start, CollectorMode mode, size_t questions,
    size_t sections)
{
    CStoreVariables board(start);
    CCurrentFirmwareVariables current(board);
    InstallPlan plan;
    const auto begin = std::chrono::steady_clock::now();
    const HRESULT hr = system.Install(CComponentMask(CComponentMask::kTokens), board, mode, &plan);
    const auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin);
    size_t installed = 0;
    for (const PlannedItem& item : plan.items) {
        installed += item.skipped.empty() ? 1 : 0;
    }
    const bool ok = hr == S_OK && installed == sections && Checked(board.Image(), mode);
    const std::string counts = Counts(board.Image());
    if (g_tsv) {
        std::printf("%s\t%zu\t%.2f\t%s\t%s\n", name, questions, elapsed.count(), ok ? "" : "FAILED", counts.c_str());
    } else {
        std::printf("%-40s %8zu %10.1f ms  %zu of %zu tokens  %s%s\n", name, questions, elapsed.count(), installed,
                    sections, counts.c_str(), ok ? "" : "  FAILED");
    }
    return ok;
}

// The board's hardware monitor: one chip at SMBus address 0x5C in record 1 of "QrvDataVar"
// (before the board's other records) and a firmware that runs SMBus sequences of version 1.6.
void AddHardwareMonitor(fwstore::StoreImage& image)
{
    const std::vector<uint8_t> record = {1, 0, 0, 0, 12, 0, 0, 0, 0x5C, 0, 0, 0};
    fwstore::StoredVariable* data = fwstore::FindVariable(image, VariableName::QrvDataVar, VendorGuid::QrvData);
    if (data) {
        data->data.insert(data->data.begin(), record.begin(), record.end());
    } else {
        image.variables.push_back({VariableName::QrvDataVar, VendorGuid::QrvData, 7, record});
    }
    image.variables.push_back({VariableName::BmiGetParams, VendorGuid::BmiGetParams, 7, {6, 1, 0, 0, 0, 0, 0, 0}});
}

// The cooling settings read from the board, installed into a copy of it: the chip's register
// image filled from the 21 settings, turned into its SMBus sequence and committed. A fixed
// amount of work whatever the board's size. Fails unless "BmiUserSequence" is written once.
bool RunCooling(fwstore::StoreImage image, size_t questions)
{
    AddHardwareMonitor(image);
    std::unique_ptr<CSystem> system;
    {
        CStoreVariables board(image);
        CCurrentFirmwareVariables current(board);
        if (CSystem::CreateSystemFromRefSystem(CComponentMask(CComponentMask::kCooling), system) != S_OK) {
            std::fprintf(stderr, "installbench: the cooling settings cannot be read\n");
            return false;
        }
    }
    CStoreVariables board(image);
    CCurrentFirmwareVariables current(board);
    const auto begin = std::chrono::steady_clock::now();
    const HRESULT hr = system->Install(CComponentMask(CComponentMask::kCooling), board, CollectorMode::Write, nullptr);
    const auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin);
    const fwstore::VariableCounters* sequence =
        fwstore::FindCounters(board.Image(), VariableName::BmiUserSequence, VendorGuid::BmiUserSequence);
    const bool ok = hr == S_OK && sequence && sequence->writes == 1;
    const std::string counts = Counts(board.Image());
    const char* name = "install cooling settings (21, one sequence)";
    if (g_tsv) {
        std::printf("%s\t%zu\t%.2f\t%s\t%s\n", name, questions, elapsed.count(), ok ? "" : "FAILED", counts.c_str());
    } else {
        std::printf("%-40s %8zu %10.1f ms  %s%s\n", name, questions, elapsed.count(), counts.c_str(), ok ? "" : "  FAILED");
    }
    return ok;
}

// The BIOS-modified flag goes to the firmware-variable library, once per process: set now,
// on a store file of this run's own, it stays out of the time and off any other board.
void SetTheFlagAside(const std::filesystem::path& folder)
{
    const std::wstring store = (folder / L"flag.store").wstring();
    fwstore::StoreImage image;
    image.capacity = 4096;
    fwstore::CFirmwareStore(store).Create(image, true);
    ::SetEnvironmentVariableW(L"FWSIM_STORE", store.c_str());
    CBIOSModifiedFlag::SetFlag();
}

int Bench(size_t questions, const std::filesystem::path& folder)
{
    fwstore::StoreImage image;
    if (!MakeBoard(questions, image)) {
        return 1;
    }
    SetTheFlagAside(folder);
    const std::filesystem::path ini = folder / L"config.ini";
    std::unique_ptr<CSystem> system;
    size_t sections = 0;
    {
        CStoreVariables board(image);
        CCurrentFirmwareVariables current(board);
        if (!WriteConfiguration(board, ini, sections) ||
            CSystem::CreateSystemFromFile(ini.wstring(), CComponentMask(CComponentMask::kTokens), system) != S_OK) {
            std::fprintf(stderr, "installbench: the configuration of %zu questions cannot be loaded\n", questions);
            return 1;
        }
    }
    const bool installed = Run("install tokens (Install)", *system, image, CollectorMode::Write, questions, sections);
    const bool planned = Run("plan the install (Install, Plan)", *system, image, CollectorMode::Plan, questions, sections);
    return installed && planned && RunCooling(image, questions) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    g_tsv = TakeTsvOption(argc, argv);
    const long questions = argc > 1 ? std::atol(argv[1]) : 1000;
    // "Setup" holds the values of about 16,000 generated questions; later ones go elsewhere.
    if (questions < 20 || questions > 16000) {
        std::fprintf(stderr, "usage: installbench [--tsv] [questions, 20 to 16000]\n");
        return 2;
    }
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::filesystem::path folder =
        std::filesystem::path(temp) / (L"installbench_" + std::to_wstring(::GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    int status = 1;
    if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        status = Bench(static_cast<size_t>(questions), folder);
        ::CoUninitialize();
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return status;
}
