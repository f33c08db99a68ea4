// inibench [--tsv] [sections] [lines per section]
// Generates an INI file (by default 5,000 sections of 20 lines: 100,000 lines), loads it,
// looks up every key, edits it, writes it, reads it back and prints the time of each step.
// With --tsv each step is one line "step<TAB>lines<TAB>milliseconds" (scripts/bench.sh).
#include "ini/PellamParser.h"

#include "BenchArguments.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

struct Shape {
    int sections = 5000;
    int linesPerSection = 20;  // header, a comment, then keywords
    int KeysPerSection() const { return linesPerSection - 2; }
};

std::wstring SectionName(int s)
{
    return L"SETTING_" + std::to_wstring(10000 + s);
}

std::wstring KeyName(int k)
{
    return L"Value" + std::to_wstring(k);
}

std::wstring ValueOf(int s, int k)
{
    return std::to_wstring(s * 100 + k);
}

bool Generate(const std::filesystem::path& path, const Shape& shape)
{
    std::string text;
    for (int s = 0; s < shape.sections; ++s) {
        text += "[SETTING_" + std::to_string(10000 + s) + "]\r\n";
        text += ";   Token " + std::to_string(s) + " of the benchmark\r\n";
        for (int k = 0; k < shape.KeysPerSection(); ++k) {
            text += "Value" + std::to_string(k) + "=" + std::to_string(s * 100 + k) + "\r\n";
        }
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    return file.good();
}

bool g_tsv = false;
int g_lines = 0;

bool Step(const char* name, const std::function<bool()>& action)
{
    auto start = std::chrono::steady_clock::now();
    bool ok = action();
    auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    if (g_tsv) {
        std::printf("%s\t%d\t%.2f%s\n", name, g_lines, elapsed.count(), ok ? "" : "\tFAILED");
    } else {
        std::printf("%-44s %10.1f ms%s\n", name, elapsed.count(), ok ? "" : "  FAILED");
    }
    return ok;
}

bool QueryAll(CPellamParser& parser, const Shape& shape)
{
    std::wstring value;
    for (int s = 0; s < shape.sections; ++s) {
        for (int k = 0; k < shape.KeysPerSection(); ++k) {
            if (parser.GetProfileStr(SectionName(s), KeyName(k), &value, L"") != S_OK || value != ValueOf(s, k)) {
                return false;
            }
        }
    }
    return true;
}

bool ChangeValues(CPellamParser& parser, const Shape& shape)
{
    for (int s = 0; s < shape.sections; ++s) {
        for (int k = 0; k < shape.KeysPerSection(); k += 3) {
            if (FAILED(parser.SetProfileLong(SectionName(s), KeyName(k), -(s * 100 + k)))) {
                return false;
            }
        }
    }
    return true;
}

bool AddKeysAndComments(CPellamParser& parser, const Shape& shape)
{
    for (int s = 0; s < shape.sections; ++s) {
        if (FAILED(parser.SetProfileBool(SectionName(s), L"Lock", (s % 2) == 0)) ||
            FAILED(parser.SetProfileComment(SectionName(s), L";   added description"))) {
            return false;
        }
    }
    return true;
}

bool AddSections(CPellamParser& parser, int count)
{
    for (int s = 0; s < count; ++s) {
        if (FAILED(parser.SetProfileString(L"Configuration.Imagedata" + std::to_wstring(s), L"VariableData1",
                                           std::wstring(64, L'A')))) {
            return false;
        }
    }
    return true;
}

// Ten deletions by substring, each of which walks the whole line list once.
bool DeleteSections(CPellamParser& parser)
{
    for (int d = 0; d < 10; ++d) {
        if (FAILED(parser.DeleteSection(L"SETTING_1" + std::to_wstring(d) + L"00"))) {
            return false;
        }
    }
    return true;
}

bool CheckWritten(const std::filesystem::path& path, const Shape& shape)
{
    CPellamParser again;
    if (FAILED(again.ReadINIFile(path.wstring(), false))) {
        return false;
    }
    long value = 0;
    int last = shape.sections - 1;
    return again.GetProfileLong(SectionName(last), KeyName(0), &value) == S_OK && value == -(last * 100);
}

} // namespace

int main(int argc, char** argv)
{
    Shape shape;
    g_tsv = TakeTsvOption(argc, argv);
    if (argc > 1) {
        shape.sections = std::atoi(argv[1]);
    }
    if (argc > 2) {
        shape.linesPerSection = std::atoi(argv[2]);
    }
    if (shape.sections < 1 || shape.linesPerSection < 3) {
        std::fprintf(stderr, "usage: inibench [--tsv] [sections >= 1] [lines per section >= 3]\n");
        return 2;
    }
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::filesystem::path folder = std::filesystem::path(temp) / (L"inibench_" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    std::filesystem::path input = folder / L"bench.ini";
    std::filesystem::path output = folder / L"bench-out.ini";
    g_lines = shape.sections * shape.linesPerSection;
    if (!g_tsv) {
        std::printf("inibench: %d sections, %d lines\n", shape.sections, g_lines);
    }

    CPellamParser parser;
    bool ok = Step("generate file", [&] { return Generate(input, shape); }) &&
              Step("load (ReadINIFile)", [&] { return parser.ReadINIFile(input.wstring(), false) == S_OK; }) &&
              Step("look up every key (GetProfileStr)", [&] { return QueryAll(parser, shape); }) &&
              Step("change every third value (SetProfileLong)", [&] { return ChangeValues(parser, shape); }) &&
              Step("add a key and a comment per section", [&] { return AddKeysAndComments(parser, shape); }) &&
              Step("add 1000 sections", [&] { return AddSections(parser, 1000); }) &&
              Step("delete sections by substring (10 calls)", [&] { return DeleteSections(parser); }) &&
              Step("write (WriteINIFile)", [&] { return parser.WriteINIFile(output.wstring()) == S_OK; }) &&
              Step("read the written file back and check", [&] { return CheckWritten(output, shape); });

    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return ok ? 0 : 1;
}
