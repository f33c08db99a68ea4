// payloadtool COMMAND [ARGUMENTS]: makes fan-control payload files and tells whether the
// server would take one, by the server's own reading of them (cooling/PayloadFormat.h).
#include "cooling/PayloadFormat.h"

#include "Console.h"
#include "ExitCodes.h"
#include "ToolMain.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using cli::Arguments;
using cli::EXIT_FAILED;
using cli::EXIT_OK;
using cli::EXIT_USAGE;
using cli::PrintError;

// The most any command writes or reads: far above what a payload can be (65535 bytes), so
// files that no header can describe can be made and inspected too.
constexpr uint64_t kMaxFileBytes = 16 * 1024 * 1024;

using Bytes = std::vector<uint8_t>;

struct Failure {
    std::wstring message;
    int exitCode = EXIT_FAILED;
};

struct CreateOptions {
    std::wstring output;
    std::optional<uint64_t> dataSize;
    uint8_t major = 1;
    uint8_t minor = 0;
    std::optional<uint64_t> length;
    Bytes fill;
    std::wstring from;
};

void PrintUsage()
{
    cli::PrintErrorText(
             L"usage: payloadtool create FILE --data-size N [--version M.N] [--length N] [--fill HEX]\n"
             L"       payloadtool create FILE --from DATAFILE [--version M.N] [--length N]\n"
             L"       payloadtool info FILE\n"
             L"Sizes are bytes, decimal or 0x hexadecimal. HEX is a byte pattern (\"A5\", \"DEAD BEEF\").\n");
}

int Report(const Failure& failure)
{
    PrintError(failure.message);
    if (failure.exitCode == EXIT_USAGE) {
        PrintUsage();
    }
    return failure.exitCode;
}

std::optional<uint64_t> ParseNumber(const std::wstring& text)
{
    if (text.empty() || text[0] == L'-' || text[0] == L'+') {
        return std::nullopt;
    }
    wchar_t* end = nullptr;
    errno = 0;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<Bytes> ParseHex(const std::wstring& text)
{
    std::wstring digits;
    for (wchar_t c : text) {
        if (c == L' ') {
            continue;
        }
        if (!std::iswxdigit(c)) {
            return std::nullopt;
        }
        digits.push_back(c);
    }
    if (digits.empty() || digits.size() % 2 != 0) {
        return std::nullopt;
    }
    Bytes bytes;
    for (size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::wcstoul(digits.substr(i, 2).c_str(), nullptr, 16)));
    }
    return bytes;
}

// "M.N" with each part 0 to 255.
bool ParseVersion(const std::wstring& text, uint8_t& major, uint8_t& minor)
{
    const size_t dot = text.find(L'.');
    if (dot == std::wstring::npos) {
        return false;
    }
    const auto high = ParseNumber(text.substr(0, dot));
    const auto low = ParseNumber(text.substr(dot + 1));
    if (!high || !low || *high > 255 || *low > 255) {
        return false;
    }
    major = static_cast<uint8_t>(*high);
    minor = static_cast<uint8_t>(*low);
    return true;
}

std::optional<Failure> ReadFile(const std::wstring& path, Bytes& bytes)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path.c_str(), L"rb"), fclose);
    if (!file) {
        return Failure{L"cannot open " + path + L": " + _wcserror(errno)};
    }
    Bytes content;
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
        content.insert(content.end(), buffer, buffer + got);
        if (content.size() > kMaxFileBytes) {
            return Failure{path + L" is larger than " + std::to_wstring(kMaxFileBytes) + L" bytes"};
        }
    }
    if (ferror(file.get())) {
        return Failure{L"cannot read " + path};
    }
    bytes = std::move(content);
    return std::nullopt;
}

std::optional<Failure> WriteFile(const std::wstring& path, const Bytes& bytes)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) {
        return Failure{L"cannot create " + path + L": " + _wcserror(errno)};
    }
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (fclose(file) != 0 || !written) {
        _wremove(path.c_str());
        return Failure{L"cannot write " + path};
    }
    return std::nullopt;
}

std::optional<Failure> ParseSizeOption(const cli::CommandLine& line, const wchar_t* name, std::optional<uint64_t>& size,
                                       uint64_t largest)
{
    const std::wstring* value = line.Option(name);
    if (!value) {
        return std::nullopt;
    }
    size = ParseNumber(*value);
    if (!size || *size > largest) {
        return Failure{L"invalid value for " + std::wstring(name) + L" (0 to " + std::to_wstring(largest) + L"): " + *value,
                       EXIT_USAGE};
    }
    return std::nullopt;
}

std::optional<Failure> ParseContentOptions(const cli::CommandLine& line, CreateOptions& options)
{
    if (const std::wstring* version = line.Option(L"--version")) {
        if (!ParseVersion(*version, options.major, options.minor)) {
            return Failure{L"invalid version (M.N, each 0 to 255): " + *version, EXIT_USAGE};
        }
    }
    if (const std::wstring* fill = line.Option(L"--fill")) {
        const auto pattern = ParseHex(*fill);
        if (!pattern) {
            return Failure{L"invalid fill (pairs of hex digits): " + *fill, EXIT_USAGE};
        }
        options.fill = *pattern;
    }
    if (const std::wstring* from = line.Option(L"--from")) {
        options.from = *from;
    }
    return std::nullopt;
}

std::optional<Failure> ParseCreateOptions(const Arguments& arguments, CreateOptions& options)
{
    std::wstring problem;
    const auto line =
        cli::Split(arguments, {{L"--data-size", L"--length", L"--version", L"--fill", L"--from"}, {}}, problem);
    if (!line) {
        return Failure{problem, EXIT_USAGE};
    }
    if (line->positional.size() != 1) {
        return Failure{L"create needs one output file", EXIT_USAGE};
    }
    options.output = line->positional[0];
    if (auto failure = ParseSizeOption(*line, L"--data-size", options.dataSize,
                                       kMaxFileBytes - payload_format::kFileHeaderBytes)) {
        return failure;
    }
    if (auto failure = ParseSizeOption(*line, L"--length", options.length, 0xFFFF)) {
        return failure;
    }
    if (auto failure = ParseContentOptions(*line, options)) {
        return failure;
    }
    if (options.from.empty() == !options.dataSize) {
        return Failure{L"create needs either --data-size N or --from DATAFILE", EXIT_USAGE};
    }
    if (!options.from.empty() && !options.fill.empty()) {
        return Failure{L"--fill makes data of its own; it cannot be combined with --from", EXIT_USAGE};
    }
    return std::nullopt;
}

// The fan-control data: the file given, the fill pattern repeated, or by default the bytes
// 00 01 02 ... FF 00 01 ..., which show where each byte went.
std::optional<Failure> MakeData(const CreateOptions& options, Bytes& data)
{
    if (!options.from.empty()) {
        if (auto failure = ReadFile(options.from, data)) {
            return failure;
        }
        if (data.size() > kMaxFileBytes - payload_format::kFileHeaderBytes) {
            return Failure{options.from + L" is too large for a payload file"};
        }
        return std::nullopt;
    }
    data.resize(static_cast<size_t>(*options.dataSize));
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = options.fill.empty() ? static_cast<uint8_t>(i) : options.fill[i % options.fill.size()];
    }
    return std::nullopt;
}

std::optional<Failure> BuildFile(const CreateOptions& options, Bytes& file)
{
    Bytes data;
    if (auto failure = MakeData(options, data)) {
        return failure;
    }
    const uint64_t size = payload_format::kFileHeaderBytes + data.size();
    if (!options.length && size > 0xFFFF) {
        return Failure{L"a payload file holds at most 65535 bytes, this one would have " + std::to_wstring(size) +
                           L"; give --length to write one whose header cannot describe it",
                       EXIT_USAGE};
    }
    const uint16_t length = static_cast<uint16_t>(options.length.value_or(size));
    file = {0x43, 0x53, 0x46, 0x41, options.major, options.minor, static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8)};
    file.insert(file.end(), data.begin(), data.end());
    return std::nullopt;
}

int RunCreate(const Arguments& arguments)
{
    CreateOptions options;
    Bytes file;
    std::optional<Failure> failure = ParseCreateOptions(arguments, options);
    if (!failure) {
        failure = BuildFile(options, file);
    }
    if (!failure) {
        failure = WriteFile(options.output, file);
    }
    if (failure) {
        return Report(*failure);
    }
    cli::Printf(L"Created %ls (%zu bytes)\n", options.output.c_str(), file.size());
    if (file.size() != static_cast<size_t>(file[6] | file[7] << 8)) {
        PrintError(L"warning: the length field does not match the file's size; the server refuses it");
    }
    return EXIT_OK;
}

std::wstring SignatureText(const Bytes& file)
{
    std::wstring text;
    for (size_t i = 0; i < 4 && i < file.size(); ++i) {
        wchar_t hex[4] = {};
        std::swprintf(hex, 4, L"%02X", file[i]);
        text += (i ? L" " : L"") + std::wstring(hex);
    }
    return text.empty() ? L"none" : text;
}

// What the server's install makes of the file, with the result its payload manager returns.
std::wstring Verdict(payload_format::FileCheck check, const Bytes& file, const payload_format::FileHeader& header)
{
    switch (check) {
    case payload_format::FileCheck::Payload:
        return L"takes it (variable \"AfscConfigData\" of " +
               std::to_wstring(file.size() + payload_format::kVariableHeaderBytes) + L" bytes)";
    case payload_format::FileCheck::NotThisKind:
        return L"refuses it: not a fan-control payload (0x82390029)";
    case payload_format::FileCheck::Truncated:
        return L"refuses it: a payload shorter than its 8-byte header (0x8239002A)";
    case payload_format::FileCheck::SizeMismatch:
        return L"refuses it: the length field says " + std::to_wstring(header.length) + L" bytes, the file has " +
               std::to_wstring(file.size()) + L" (0x8239002A)";
    }
    return L"";
}

int RunInfo(const Arguments& arguments)
{
    if (arguments.size() != 1) {
        return Report(Failure{L"info needs exactly one file", EXIT_USAGE});
    }
    Bytes file;
    if (auto failure = ReadFile(arguments[0], file)) {
        return Report(*failure);
    }
    payload_format::FileHeader header;
    const payload_format::FileCheck check = payload_format::CheckFile(file, header);
    cli::Printf(L"File: %ls\n", arguments[0].c_str());
    cli::Printf(L"Size: %zu bytes\n", file.size());
    cli::Printf(L"Signature: %ls%ls\n", SignatureText(file).c_str(),
             header.signature == payload_format::kSignature ? L" (CSFA)" : L"");
    if (file.size() >= payload_format::kFileHeaderBytes) {
        cli::Printf(L"Version: %u.%u\n", file[4], file[5]);
        cli::Printf(L"Length field: %u\n", static_cast<unsigned>(file[6] | file[7] << 8));
    }
    cli::Printf(L"Server: %ls\n", Verdict(check, file, header).c_str());
    return check == payload_format::FileCheck::Payload ? EXIT_OK : EXIT_FAILED;
}

int RunCommand(const std::wstring& command, const Arguments& arguments)
{
    static constexpr cli::NamedCommand commands[] = {{L"create", RunCreate}, {L"info", RunInfo}};
    return cli::RunNamedCommand(command, arguments, commands, PrintUsage);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return cli::RunTool(L"payloadtool", argc, argv, PrintUsage, RunCommand);
}
