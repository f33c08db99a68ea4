#include "PellamCommands.h"

#include "Json.h"
#include "PellamRun.h"
#include "PellamShared.h"
#include "HistoryCommand.h"
#include "SettingsCommands.h"

#include "Console.h"
#include "ExitCodes.h"
#include "Owners.h"

#include "MessageIds.h"
#include "frame/ResultCodes.h"
#include "history/HistoryFile.h"
#include "history/HistoryStamp.h"
#include "toolkit/ToolkitInternal.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <map>
#include <optional>

namespace pellam {

namespace {

using cli::Arguments;
using cli::EXIT_FAILED;
using cli::EXIT_OK;
using cli::EXIT_RESTART_NEEDED;
using cli::EXIT_USAGE;

constexpr ULONG kBios = 1, kSmbios = 2, kCooling = 4, kPayload = 8, kTokens = 16, kAll = 31;
// What the board holds that can be read, written and compared; a payload is only installed.
constexpr ULONG kConfiguration = kBios | kSmbios | kCooling | kTokens;
// What Remove takes out again.
constexpr ULONG kRemovable = kBios | kSmbios | kCooling;
// The rows of the SMBIOS table: all of them absent means Remove found nothing to take out.
constexpr size_t kSmbiosRows = 8;

// A wrong command line or input: the problem and a pointer to the usage, exit 2; nothing
// was done.
int Usage(const std::wstring& problem)
{
    cli::PrintError(problem);
    cli::PrintError(L"run \"pellam help\" for the commands");
    return EXIT_USAGE;
}

// A command's line: its own options and those every command takes.
struct Command {
    cli::CommandLine line;
    RunOptions options;
};

std::optional<PromptAnswer> ParseAnswer(const std::wstring& text)
{
    const size_t equals = text.find(L'=');
    if (equals == std::wstring::npos || equals == 0) {
        return std::nullopt;
    }
    return PromptAnswer{text.substr(0, equals), text.substr(equals + 1)};
}

std::optional<Command> Split(const Arguments& arguments, std::vector<const wchar_t*> withValue,
                             std::vector<const wchar_t*> flags, std::wstring& problem)
{
    flags.insert(flags.end(), {L"--json", L"--quiet", L"--warnings-as-errors"});
    auto line = cli::Split(arguments, {withValue, flags, {L"--answer"}}, problem);
    if (!line) {
        return std::nullopt;
    }
    Command command{*line, {}};
    command.options.json = line->Has(L"--json");
    command.options.quiet = line->Has(L"--quiet");
    command.options.warningsAsErrors = line->Has(L"--warnings-as-errors");
    for (const std::wstring& text : line->Values(L"--answer")) {
        auto answer = ParseAnswer(text);
        if (!answer) {
            problem = L"--answer takes KEY=TEXT, not \"" + text + L"\"";
            return std::nullopt;
        }
        command.options.answers.push_back(*answer);
    }
    return command;
}

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
    return text;
}

// "bios,tokens" as its mask; `all` is every component the command works on.
std::optional<ULONG> ParseComponents(const std::wstring* list, ULONG all, std::wstring& problem)
{
    if (!list) {
        return all;
    }
    static const std::pair<const wchar_t*, ULONG> names[] = {
        {L"bios", kBios}, {L"smbios", kSmbios}, {L"cooling", kCooling}, {L"payload", kPayload},
        {L"tokens", kTokens}, {L"all", kAll}};
    ULONG mask = 0;
    size_t start = 0;
    while (start <= list->size()) {
        size_t comma = list->find(L',', start);
        if (comma == std::wstring::npos) {
            comma = list->size();
        }
        const std::wstring name = Lower(list->substr(start, comma - start));
        auto found = std::find_if(std::begin(names), std::end(names), [&](const auto& n) { return name == n.first; });
        if (found == std::end(names)) {
            problem = L"unknown component \"" + name + L"\" (bios, smbios, cooling, payload, tokens or all)";
            return std::nullopt;
        }
        mask |= found->second == kAll ? all : found->second;
        start = comma + 1;
    }
    if (mask & ~all) {
        problem = L"this command does not take the component " + ComponentName(mask & ~all & (~(mask & ~all) + 1));
        return std::nullopt;
    }
    return mask;
}

std::wstring ComponentList(ULONG mask)
{
    std::wstring list;
    for (ULONG bit = 1; bit <= kTokens; bit <<= 1) {
        if (mask & bit) {
            list += (list.empty() ? L"" : L", ") + ComponentName(bit);
        }
    }
    return list;
}

// The full path of a name given on the command line: the toolkit makes the host program's
// folder current, so a relative name must be resolved against the user's folder first.
std::wstring FullPath(const std::wstring& name)
{
    return history::FullPath(name);
}

// Whether a line of the text begins, after blanks, with "[".
bool OpensSection(const std::string& text)
{
    for (size_t start = 0; start < text.size();) {
        const size_t first = text.find_first_not_of(" \t", start);
        if (first != std::string::npos && text[first] == '[') {
            return true;
        }
        const size_t end = text.find('\n', start);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return false;
}

// Empty when the file can be an INI file: it exists, holds text and opens a section.
std::wstring CheckIniFile(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return L"cannot open " + path + L" (error " + std::to_wstring(::GetLastError()) + L")";
    }
    std::string head(4096, '\0');
    DWORD got = 0;
    ::ReadFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
    head.resize(got);
    if (head.find('\0') != std::string::npos || !OpensSection(head)) {
        return path + L" is not an INI file (no [section] in its first lines)";
    }
    return L"";
}

// The configuration components whose sections the INI file holds: an install or a diff
// without --components works on these, so a file extracted with some components loads.
ULONG ComponentsInFile(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text, chunk(64 * 1024, '\0');
    DWORD got = 0;
    while (file && ::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0) {
        text.append(chunk, 0, got);
    }
    const auto startsWith = [](std::string_view name, std::string_view prefix) {
        return name.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), name.begin(),
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                      std::tolower(static_cast<unsigned char>(b)); });
    };
    ULONG mask = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        const size_t open = text.find_first_not_of(" \t", start);
        if (open < end && text[open] == '[') {
            const std::string_view name(text.data() + open + 1, end - open - 1);
            mask |= startsWith(name, "SETTING_") ? kTokens
                    : startsWith(name, "SMBIOS.values]") ? kSmbios
                    : startsWith(name, "Therm.") ? kCooling
                    : startsWith(name, "Config.info]") || startsWith(name, "Configuration.Imagedata") ? kBios
                                                                                                     : 0;
        }
        start = end + 1;
    }
    return mask;
}

// ---- commands ----

int Help(const Arguments& arguments)
{
    if (!arguments.empty()) {
        return Usage(L"help takes no arguments");
    }
    PrintUsage();
    return EXIT_OK;
}

// The running firmware's ID, "DBZ7710H.86A.0042.2013.0312.1045", and its date.
std::wstring ReleaseDate(const std::wstring& id)
{
    // FAMILY.XXX.VVVV.YYYY.MMDD.HHMM: the last three fields.
    if (id.size() < 14) {
        return L"";
    }
    const std::wstring tail = id.substr(id.size() - 14);
    if (tail[4] != L'.' || tail[9] != L'.') {
        return L"";
    }
    return tail.substr(0, 4) + L"-" + tail.substr(5, 2) + L"-" + tail.substr(7, 2) + L" " + tail.substr(10, 2) + L":" +
           tail.substr(12, 2);
}

std::wstring YesNo(VARIANT_BOOL value)
{
    return value ? L"yes" : L"no";
}

std::wstring JsonBool(bool value)
{
    return value ? L"true" : L"false";
}

bool IsValid(PellamRun& run, HRESULT hr)
{
    return hr == S_OK && run.Events().Count(L"OnInvalidBoard") == 0 && run.Events().Count(L"OnInvalidBIOS") == 0;
}

bool Internal(PellamRun& run, ComPtr<IToolkitInternal>& internal)
{
    return run.Check(run.Toolkit()->QueryInterface(IID_PPV_ARGS(&internal)), L"asking for the toolkit's internal interface");
}

// Whether an install or a removal by this server has marked the firmware as changed.
bool BiosModified(PellamRun& run, VARIANT_BOOL& modified)
{
    ComPtr<IToolkitInternal> internal;
    return Internal(run, internal) && run.Check(internal->IsBIOSModified(&modified), L"reading the BIOS-modified flag");
}

int Info(const Arguments& arguments)
{
    std::wstring problem;
    auto command = Split(arguments, {}, {}, problem);
    if (!command) {
        return Usage(problem);
    }
    if (!command->line.positional.empty()) {
        return Usage(L"info takes no arguments");
    }
    PellamRun run(L"info", command->options);
    if (!run.Open()) {
        return run.Finish(EXIT_FAILED, L"");
    }
    UniqueBstr version;
    ComPtr<IBiosCapsule> capsule;
    UniqueBstr id;
    ComPtr<ISystemCapabilities> capabilities;
    VARIANT_BOOL sarn = VARIANT_FALSE, mobile = VARIANT_FALSE, applicability = VARIANT_FALSE;
    VARIANT_BOOL modified = VARIANT_FALSE;
    if (!run.Check(run.Toolkit()->get_Version(version.put()), L"reading the server's version") ||
        !run.Check(run.Toolkit()->get_BiosCapsule(&capsule), L"creating the capsule object") ||
        !run.Check(capsule->GetBiosIdFromVariable(id.put()), L"reading the running BIOS ID") ||
        !run.Check(run.Toolkit()->get_SystemCapabilities(&capabilities), L"reading the capabilities") ||
        !run.Check(capabilities->get_isSarn(&sarn), L"") || !run.Check(capabilities->get_isMobile(&mobile), L"") ||
        !run.Check(capabilities->get_SupportsTokenApplicability(&applicability), L"") ||
        !BiosModified(run, modified)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    const bool valid = IsValid(run, run.Toolkit()->ValidateSystem());
    const std::wstring date = ReleaseDate(id.c_str());
    run.Say(L"BIOS ID:             " + std::wstring(id.c_str()));
    run.Say(L"Release date:        " + date);
    run.Say(L"Server version:      " + std::wstring(version.c_str()));
    run.Say(L"Mobile:              " + YesNo(mobile));
    run.Say(L"Sarn:                " + YesNo(sarn));
    run.Say(L"Token applicability: " + YesNo(applicability));
    run.Say(L"Supported system:    " + std::wstring(valid ? L"yes" : L"no"));
    run.Say(L"BIOS modified:       " + YesNo(modified));
    run.AddData(L"board", L"{\"biosId\":" + JsonString(id.c_str()) + L",\"releaseDate\":" + JsonString(date) +
                              L",\"serverVersion\":" + JsonString(version.c_str()) + L",\"mobile\":" +
                              JsonBool(mobile) + L",\"sarn\":" + JsonBool(sarn) + L",\"tokenApplicability\":" +
                              JsonBool(applicability) + L",\"valid\":" + JsonBool(valid) +
                              L",\"biosModified\":" + JsonBool(modified) + L"}");
    return run.Finish(EXIT_OK, L"info: " + std::wstring(id.c_str()));
}

int Validate(const Arguments& arguments)
{
    std::wstring problem;
    auto command = Split(arguments, {}, {}, problem);
    if (!command) {
        return Usage(problem);
    }
    if (!command->line.positional.empty()) {
        return Usage(L"validate takes no arguments");
    }
    PellamRun run(L"validate", command->options);
    if (!run.Open()) {
        return run.Finish(EXIT_FAILED, L"");
    }
    const HRESULT hr = run.Toolkit()->ValidateSystem();
    const bool valid = IsValid(run, hr);
    run.AddData(L"valid", JsonBool(valid));
    if (valid) {
        return run.Finish(EXIT_OK, L"validate: this system is supported");
    }
    std::wstring why = run.Events().Count(L"OnInvalidBoard") ? L"the board is not supported"
                       : run.Events().Count(L"OnInvalidBIOS") ? L"the running BIOS is not supported"
                                                              : L"it could not be determined";
    if (FAILED(hr)) {
        run.Check(hr, L"validating the system");
    }
    return run.Fail(L"this system is not supported: " + why, EXIT_FAILED);
}

// ---- flashing the BIOS ----

// Every image begins with a UEFI capsule header (docs/bio-format.md): 28 bytes whose first
// 16 are the engine's capsule GUID as stored.
constexpr unsigned char kCapsuleGuid[] = {0xDB, 0xCD, 0xA9, 0xA7, 0x80, 0x3E, 0x1C, 0x49,
                                          0xAE, 0x2C, 0x28, 0x1E, 0xF3, 0xD3, 0xC1, 0x2A};
constexpr size_t kCapsuleHeaderSize = 28;

// The first `size` bytes of the file (fewer when it is shorter); a problem when it cannot be
// opened.
std::wstring ReadHead(const std::wstring& path, size_t size, std::string& head)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return L"cannot open " + path + L" (error " + std::to_wstring(::GetLastError()) + L")";
    }
    head.assign(size, '\0');
    DWORD got = 0;
    ::ReadFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
    head.resize(got);
    return L"";
}

// Empty when the file can be a firmware image: it exists and opens with the capsule header.
std::wstring CheckImageFile(const std::wstring& path)
{
    std::string head;
    std::wstring problem = ReadHead(path, kCapsuleHeaderSize, head);
    if (problem.empty() && (head.size() < kCapsuleHeaderSize ||
                            !std::equal(std::begin(kCapsuleGuid), std::end(kCapsuleGuid), head.begin(),
                                        [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); }))) {
        problem = path + L" is not a firmware image (it does not begin with a capsule header)";
    }
    return problem;
}

std::wstring CheckReadable(const std::wstring& path)
{
    std::string head;
    return ReadHead(path, 0, head);
}

// The image named by --bio, resolved and checked; null with `problem` set otherwise.
std::optional<std::wstring> ImageOption(const wchar_t* name, const Command& command, std::wstring& problem)
{
    if (!command.line.positional.empty()) {
        problem = std::wstring(name) + L" takes its files as options (--bio FILE)";
        return std::nullopt;
    }
    const std::wstring* bio = command.line.Option(L"--bio");
    if (!bio) {
        problem = std::wstring(name) + L" needs --bio FILE, the firmware image";
        return std::nullopt;
    }
    std::wstring path = FullPath(*bio);
    problem = CheckImageFile(path);
    if (!problem.empty()) {
        return std::nullopt;
    }
    return path;
}

int Flash(const Arguments& arguments)
{
    std::wstring problem;
    auto command = Split(arguments, {L"--bio", L"--splash"}, {L"--badge"}, problem);
    if (!command) {
        return Usage(problem);
    }
    const std::wstring* splash = command->line.Option(L"--splash");
    const bool badge = command->line.Has(L"--badge");
    if (badge && !splash) {
        return Usage(L"--badge is drawn over the splash picture: it needs --splash FILE");
    }
    auto bio = ImageOption(L"flash", *command, problem);
    const std::wstring splashPath = splash ? FullPath(*splash) : L"";
    if (bio && splash) {
        problem = CheckReadable(splashPath);
    }
    if (!bio || !problem.empty()) {
        return Usage(problem);
    }
    PellamRun run(L"flash", command->options);
    ComPtr<IToolkitInternal> internal;
    if (!run.Open() || !Internal(run, internal) ||
        !run.Check(internal->FlashBIOS(UniqueBstr::From(bio->c_str()).get(), UniqueBstr::From(splashPath.c_str()).get(),
                                       badge ? VARIANT_TRUE : VARIANT_FALSE),
                   L"flashing " + *bio)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    run.AddData(L"bio", JsonString(*bio));
    return run.Finish(EXIT_RESTART_NEEDED, L"flash: " + *bio + L" is armed; the board flashes it at the next restart");
}

// After the restart, two witnesses: the capsule library's status of the last update, and the
// running firmware's ID against the image's. The status alone would call a capsule that the
// firmware never received (dropped, or refused before it ran) a success of an earlier update.
int VerifyImage(const Command& command)
{
    std::wstring problem;
    auto bio = ImageOption(L"verify", command, problem);
    if (!bio) {
        return Usage(problem);
    }
    PellamRun run(L"verify", command.options);
    ComPtr<IBiosCapsule> capsule;
    UniqueBstr imageId, runningId;
    VARIANT_BOOL successful = VARIANT_FALSE;
    // The lowest level reads the library's status only: flash writes no marker variable, and
    // the higher levels remove one that a script's flash left.
    if (!run.Open() || !run.Check(run.Toolkit()->get_BiosCapsule(&capsule), L"creating the capsule object") ||
        !run.Check(capsule->LoadBios(UniqueBstr::From(bio->c_str()).get()), L"loading " + *bio) ||
        !run.Check(capsule->get_BiosId(imageId.put()), L"reading the image's BIOS ID") ||
        !run.Check(capsule->GetBiosIdFromVariable(runningId.put()), L"reading the running BIOS ID") ||
        !run.Check(capsule->IsFlashSuccessful(EFlashVerification_Low, &successful), L"reading the flash status")) {
        return run.Finish(EXIT_FAILED, L"");
    }
    const bool running = std::wstring(imageId.c_str()) == runningId.c_str();
    run.Say(L"Image BIOS ID:       " + std::wstring(imageId.c_str()));
    run.Say(L"Running BIOS ID:     " + std::wstring(runningId.c_str()));
    run.Say(L"Flash status:        " + std::wstring(successful ? L"applied" : L"not applied"));
    run.AddData(L"verify", L"{\"imageBiosId\":" + JsonString(imageId.c_str()) + L",\"runningBiosId\":" +
                               JsonString(runningId.c_str()) + L",\"flashSuccessful\":" + JsonBool(successful) +
                               L",\"running\":" + JsonBool(running) + L"}");
    if (successful && running) {
        return run.Finish(EXIT_OK, L"verify: the board runs " + std::wstring(imageId.c_str()));
    }
    std::wstring why = successful ? L"" : L"the firmware reports the flash as not applied";
    if (!running) {
        why += (why.empty() ? L"" : L"; ") + std::wstring(L"the board runs ") + runningId.c_str() + L", not the image's " +
               imageId.c_str();
    }
    return run.Fail(L"the restart did not apply " + *bio + L": " + why, cli::EXIT_NOT_APPLIED);
}

// The components (--components) and the INI file (the one positional argument) of a command.
struct FileCommand {
    Command command;
    std::wstring path;
    ULONG mask = 0;
};

std::optional<FileCommand> SplitFileCommand(const wchar_t* name, const Arguments& arguments,
                                            std::vector<const wchar_t*> withValue, std::vector<const wchar_t*> flags,
                                            bool mustExist, std::wstring& problem, ULONG offered = kConfiguration)
{
    withValue.push_back(L"--components");
    auto command = Split(arguments, withValue, flags, problem);
    if (!command) {
        return std::nullopt;
    }
    if (command->line.positional.size() != 1) {
        problem = std::wstring(name) + L" takes one INI file";
        return std::nullopt;
    }
    auto mask = ParseComponents(command->line.Option(L"--components"), offered, problem);
    if (!mask) {
        return std::nullopt;
    }
    FileCommand file{*command, FullPath(command->line.positional[0]), *mask};
    if (mustExist) {
        problem = CheckIniFile(file.path);
        if (!problem.empty()) {
            return std::nullopt;
        }
        if (!command->line.Option(L"--components")) {
            file.mask &= ComponentsInFile(file.path) | kPayload;
            if (!(file.mask & kConfiguration)) {
                problem = file.path + L" holds the settings of no component (bios, smbios, cooling, tokens)";
                return std::nullopt;
            }
        }
    }
    return file;
}

int Extract(const Arguments& arguments)
{
    std::wstring problem;
    auto file = SplitFileCommand(L"extract", arguments, {}, {}, false, problem);
    if (!file) {
        return Usage(problem);
    }
    PellamRun run(L"extract", file->command.options);
    if (!run.Open() || !run.Check(run.Toolkit()->LoadConfigFromSystem(file->mask), L"reading the board") ||
        !run.Check(run.Toolkit()->WriteINIFile(UniqueBstr::From(file->path.c_str()).get(), file->mask),
                   L"writing " + file->path)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    run.AddData(L"file", JsonString(file->path));
    return run.Finish(EXIT_OK, L"extract: wrote " + file->path + L" (" + ComponentList(file->mask) + L")");
}

// What a plan says, counted.
struct PlanCounts {
    size_t changes = 0;
    size_t skipped = 0;
    size_t unchanged = 0;
    size_t variablesWritten = 0;
};

bool VariableWritten(const JsonValue& plan, const std::wstring& name, bool& listed)
{
    listed = false;
    for (const JsonValue& variable : plan[L"variables"].elements) {
        if (variable[L"name"].text == name) {
            listed = true;
            if (variable[L"written"].IsTrue()) {
                return true;
            }
        }
    }
    return false;
}

// The plan shows a BIOS image as a change whatever its bytes; whether its variable is
// written tells whether it changes.
bool ItemChanges(const JsonValue& plan, const JsonValue& item)
{
    if (!item[L"changes"].IsTrue()) {
        return false;
    }
    bool listed = false;
    const bool written = VariableWritten(plan, item[L"key"].text, listed);
    return static_cast<ULONG>(item[L"component"].number) != kBios || !listed || written;
}

PlanCounts CountPlan(const JsonValue& plan)
{
    PlanCounts counts;
    for (const JsonValue& item : plan[L"items"].elements) {
        if (!item[L"skipped"].text.empty()) {
            ++counts.skipped;
        } else if (ItemChanges(plan, item)) {
            ++counts.changes;
        } else {
            ++counts.unchanged;
        }
    }
    for (const JsonValue& variable : plan[L"variables"].elements) {
        counts.variablesWritten += variable[L"written"].IsTrue() ? 1 : 0;
    }
    return counts;
}

void PrintPlan(PellamRun& run, const JsonValue& plan)
{
    for (const JsonValue& item : plan[L"items"].elements) {
        const std::wstring name = ComponentName(static_cast<ULONG>(item[L"component"].number)) + L" " +
                                  item[L"key"].text + L" \"" + item[L"name"].text + L"\"";
        if (!item[L"skipped"].text.empty()) {
            run.Say(L"  skip    " + name + L": " + item[L"skipped"].text);
        } else if (ItemChanges(plan, item)) {
            run.Say(L"  change  " + name + L": " + item[L"before"].text + L" -> " + item[L"after"].text);
        }
    }
    for (const JsonValue& variable : plan[L"variables"].elements) {
        if (variable[L"written"].IsTrue()) {
            run.Say(L"  write   variable \"" + variable[L"name"].text + L"\"" +
                    (variable[L"existed"].IsTrue() ? L"" : L" (new)"));
        }
    }
}

std::wstring Count(size_t count, const wchar_t* noun)
{
    return std::to_wstring(count) + L" " + noun + (count == 1 ? L"" : L"s");
}

std::wstring CountsText(const PlanCounts& counts)
{
    return Count(counts.changes, L"item") + L" to change, " + std::to_wstring(counts.unchanged) + L" unchanged, " +
           std::to_wstring(counts.skipped) + L" skipped, " + Count(counts.variablesWritten, L"variable") + L" to write";
}

// The plan of installing the loaded configuration, kept in the document and shown.
bool PlanAndShow(PellamRun& run, ULONG mask, std::optional<JsonValue>& plan)
{
    std::wstring text;
    if (!run.Plan(mask, text)) {
        return false;
    }
    plan = ParseJson(text);
    if (!plan) {
        return run.Check(E_UNEXPECTED, L"reading the install plan");
    }
    run.AddData(L"plan", text);
    PrintPlan(run, *plan);
    return true;
}

// Loads the file and asks for the plan of installing it; the plan is kept in the document.
bool LoadAndPlan(PellamRun& run, const FileCommand& file, std::optional<JsonValue>& plan)
{
    return run.Check(run.Toolkit()->LoadINIFile(UniqueBstr::From(file.path.c_str()).get(), file.mask),
                     L"loading " + file.path) &&
           PlanAndShow(run, file.mask, plan);
}

int Diff(const Arguments& arguments)
{
    std::wstring problem;
    auto file = SplitFileCommand(L"diff", arguments, {}, {}, true, problem);
    if (!file) {
        return Usage(problem);
    }
    PellamRun run(L"diff", file->command.options);
    std::optional<JsonValue> plan;
    if (!run.Open() || !LoadAndPlan(run, *file, plan)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    return run.Finish(EXIT_OK, L"diff: " + CountsText(CountPlan(*plan)) + L"; nothing written");
}

// Where install and set keep the configuration they installed, so that verify without a file
// checks the last install of this machine: beside the machine's history of changes.
std::wstring KeptConfigurationPath()
{
    const std::wstring history = history::HistoryPath();
    const size_t slash = history.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : history.substr(0, slash + 1) + L"last-install.ini";
}

// The loaded configuration written to the kept file. The install is done whether or not it
// can be kept; a line says which.
void KeepConfiguration(PellamRun& run, ULONG mask)
{
    const std::wstring path = KeptConfigurationPath();
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    const int made = path.empty() ? ERROR_PATH_NOT_FOUND : ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const bool kept = (made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS || made == ERROR_FILE_EXISTS) &&
                      SUCCEEDED(run.Toolkit()->WriteINIFile(UniqueBstr::From(path.c_str()).get(), mask));
    if (kept) {
        run.Say(L"kept for verify: " + path);
    } else {
        run.Warn(L"not kept for verify: " + path + L" cannot be written");
    }
}

// ---- verifying settings after the restart ----

// Each item of a configuration as the board holds it after the restart.
struct VerifiedItem {
    const JsonValue* item = nullptr;
    std::wstring status; // "applied", "not applied", "not applicable"
    std::wstring reason;
};

// The applicability of the board's tokens by UQI, for a configuration with tokens: a token
// whose conditions hide it on this board is not applicable rather than not applied.
bool TokenApplicability(PellamRun& run, ULONG mask, std::map<unsigned, bool>& applicable)
{
    return !(mask & kTokens) || ReadTokenApplicability(run, applicable);
}

VerifiedItem Verified(const JsonValue& plan, const JsonValue& item, const std::map<unsigned, bool>& applicable)
{
    const std::wstring& skipped = item[L"skipped"].text;
    if (skipped == L"not on this board") {
        return {&item, L"not applicable", skipped};
    }
    if (!skipped.empty()) {
        return {&item, L"not applied", skipped};
    }
    if (!ItemChanges(plan, item)) {
        return {&item, L"applied", L""};
    }
    const bool token = static_cast<ULONG>(item[L"component"].number) == kTokens;
    const auto found = token ? applicable.find(wcstoul(item[L"key"].text.c_str(), nullptr, 16)) : applicable.end();
    if (found != applicable.end() && !found->second) {
        return {&item, L"not applicable", L"its conditions hide it on this board"};
    }
    return {&item, L"not applied", L""};
}

std::wstring VerifiedJson(const VerifiedItem& verified)
{
    const JsonValue& item = *verified.item;
    return L"{\"component\":" + std::to_wstring(static_cast<ULONG>(item[L"component"].number)) +
           L",\"key\":" + JsonString(item[L"key"].text) + L",\"name\":" + JsonString(item[L"name"].text) +
           L",\"status\":" + JsonString(verified.status) + L",\"expected\":" + JsonString(item[L"after"].text) +
           L",\"found\":" + JsonString(item[L"before"].text) + L",\"reason\":" + JsonString(verified.reason) + L"}";
}

void ShowVerified(PellamRun& run, const VerifiedItem& verified)
{
    const JsonValue& item = *verified.item;
    const std::wstring name = ComponentName(static_cast<ULONG>(item[L"component"].number)) + L" " +
                              item[L"key"].text + L" \"" + item[L"name"].text + L"\"";
    if (verified.status == L"not applied") {
        run.Say(L"  not applied     " + name + L": the board holds " + item[L"before"].text + L", not " +
                item[L"after"].text + (verified.reason.empty() ? L"" : L" (" + verified.reason + L")"));
    } else if (verified.status == L"not applicable") {
        run.Say(L"  not applicable  " + name + L": " + verified.reason);
    }
}

// The time of the last install or set of the history: the one whose kept configuration
// verify checks. Empty when the history holds none.
std::string LastInstallTime()
{
    const std::optional<history::Record> last = history::LastRecordOf(history::HistoryPath(), {"install", "set"});
    return last ? last->time : std::string();
}

std::vector<std::string> ComponentNames(ULONG mask)
{
    std::vector<std::string> names;
    for (ULONG bit = 1; bit <= kTokens; bit <<= 1) {
        if (mask & bit) {
            names.push_back(history::Utf8(ComponentName(bit)));
        }
    }
    return names;
}

// The verification's outcome in the history of changes: every item not applied or not
// applicable, against the install it checked when it checked the kept configuration.
void RecordVerification(PellamRun& run, const std::wstring& path, ULONG mask, bool kept,
                        const std::vector<VerifiedItem>& items, bool applied)
{
    history::Record record;
    record.operation = "verify";
    record.components = ComponentNames(mask);
    record.file = history::Utf8(path);
    history::FileSha256(path, record.sha256);
    record.result = applied ? S_OK : S_FALSE;
    record.resultName = applied ? "S_OK" : "S_FALSE";
    record.refersTo = kept ? LastInstallTime() : "";
    for (const VerifiedItem& verified : items) {
        if (verified.status == L"applied") {
            continue;
        }
        const JsonValue& item = *verified.item;
        history::Item entry;
        entry.component = static_cast<int>(item[L"component"].number);
        entry.key = history::Utf8(item[L"key"].text);
        entry.name = history::Utf8(item[L"name"].text);
        entry.status = history::Utf8(verified.status);
        entry.before = history::Utf8(item[L"before"].text);
        entry.after = history::Utf8(item[L"after"].text);
        record.items.push_back(std::move(entry));
    }
    if (FAILED(history::AppendStamped(std::move(record)))) {
        run.Warn(L"the verification was not written to the history of changes");
    }
}

// The configuration's plan against the board: what it would still change was not applied.
int VerifySettings(const Command& command, const std::wstring& path, ULONG mask, bool kept)
{
    PellamRun run(L"verify", command.options);
    std::map<unsigned, bool> applicable;
    std::wstring text;
    std::optional<JsonValue> plan;
    if (!run.Open() || !TokenApplicability(run, mask, applicable) ||
        !run.Check(run.Toolkit()->LoadINIFile(UniqueBstr::From(path.c_str()).get(), mask), L"loading " + path) ||
        !run.Plan(mask, text)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    plan = ParseJson(text);
    if (!plan) {
        run.Check(E_UNEXPECTED, L"reading the install plan");
        return run.Finish(EXIT_FAILED, L"");
    }
    std::map<std::wstring, size_t> counts;
    std::vector<VerifiedItem> verifiedItems;
    std::wstring items;
    for (const JsonValue& item : (*plan)[L"items"].elements) {
        const VerifiedItem verified = Verified(*plan, item, applicable);
        ++counts[verified.status];
        ShowVerified(run, verified);
        items += (items.empty() ? L"" : L",") + VerifiedJson(verified);
        verifiedItems.push_back(verified);
    }
    const size_t applied = counts[L"applied"], notApplied = counts[L"not applied"],
                 notApplicable = counts[L"not applicable"];
    run.AddData(L"verify", L"{\"file\":" + JsonString(path) + L",\"applied\":" + std::to_wstring(applied) +
                               L",\"notApplied\":" + std::to_wstring(notApplied) + L",\"notApplicable\":" +
                               std::to_wstring(notApplicable) + L",\"items\":[" + items + L"]}");
    const std::wstring summary = std::to_wstring(applied) + L" applied, " + std::to_wstring(notApplied) +
                                 L" not applied, " + std::to_wstring(notApplicable) + L" not applicable";
    RecordVerification(run, path, mask, kept, verifiedItems, notApplied == 0);
    if (notApplied > 0) {
        return run.Fail(L"the board does not hold what " + path + L" asks for: " + summary, cli::EXIT_NOT_APPLIED);
    }
    return run.Finish(EXIT_OK, L"verify: the board holds " + path + L" (" + summary + L")");
}

// verify --bio FILE, verify --config FILE.ini [--components LIST], or verify alone: the
// configuration that the last install or set of this machine kept.
int Verify(const Arguments& arguments)
{
    std::wstring problem;
    auto command = Split(arguments, {L"--bio", L"--config", L"--components"}, {}, problem);
    if (!command) {
        return Usage(problem);
    }
    const std::wstring* config = command->line.Option(L"--config");
    const std::wstring* list = command->line.Option(L"--components");
    if (command->line.Option(L"--bio")) {
        return config || list ? Usage(L"verify --bio FILE checks a flash; it takes no --config or --components")
                              : VerifyImage(*command);
    }
    if (!command->line.positional.empty()) {
        return Usage(L"verify takes its files as options (--config FILE.ini or --bio FILE)");
    }
    const std::wstring path = config ? FullPath(*config) : KeptConfigurationPath();
    if (!config && ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Usage(L"no install of this machine is kept to verify (" + path +
                     L"); name a file with --config FILE.ini, or an image with --bio FILE");
    }
    problem = CheckIniFile(path);
    auto mask = problem.empty() ? ParseComponents(list, kConfiguration, problem) : std::nullopt;
    if (!mask) {
        return Usage(problem);
    }
    *mask &= list ? *mask : ComponentsInFile(path);
    if (*mask == 0) {
        return Usage(path + L" holds the settings of no component (bios, smbios, cooling, tokens)");
    }
    return VerifySettings(*command, path, *mask, !config);
}

// Install's end once the plan is shown: --strict, nothing to do, or the install (3010).
// A payload is no part of the plan: with one the install always runs.
int FinishInstall(PellamRun& run, const std::wstring& operation, ULONG mask, const JsonValue& plan, bool strict,
                  const std::wstring& what, const std::wstring& payload = L"")
{
    const PlanCounts counts = CountPlan(plan);
    if (strict && counts.skipped > 0) {
        return run.Fail(std::to_wstring(counts.skipped) + L" items would be skipped (--strict); nothing written",
                        EXIT_FAILED);
    }
    if (counts.variablesWritten == 0 && payload.empty()) {
        return run.Finish(EXIT_OK, operation + L": nothing to do, the board holds these settings (" +
                                       CountsText(counts) + L")");
    }
    if (!run.Check(run.Toolkit()->Install(mask), what)) {
        run.ExplainRefusedWrite();
        return run.Finish(EXIT_FAILED, L"");
    }
    KeepConfiguration(run, mask & kConfiguration);
    return run.Finish(EXIT_RESTART_NEEDED, operation + L": " + CountsText(counts) +
                                               (payload.empty() ? L"" : L", the payload " + payload) +
                                               L"; takes effect at the next restart");
}

bool Backup(PellamRun& run, const std::wstring& path, ULONG mask)
{
    return run.Check(run.Toolkit()->LoadConfigFromSystem(mask), L"reading the board for the backup") &&
           run.Check(run.Toolkit()->WriteINIFile(UniqueBstr::From(path.c_str()).get(), mask), L"writing " + path) &&
           run.Check(run.Toolkit()->Reset(), L"resetting the toolkit after the backup");
}

// Whether the list names the component itself rather than through `all`.
bool NamesComponent(const std::wstring& list, const std::wstring& name)
{
    return (L"," + Lower(list) + L",").find(L"," + name + L",") != std::wstring::npos;
}

// The payload file of an install: --payload and the payload component go together; without
// --payload, `all` and no --components mean the configuration only.
std::optional<std::wstring> PayloadOption(FileCommand& file, std::wstring& problem)
{
    const std::wstring* payload = file.command.line.Option(L"--payload");
    const std::wstring* list = file.command.line.Option(L"--components");
    if (!payload) {
        if (list && NamesComponent(*list, L"payload")) {
            problem = L"the payload component needs --payload FILE";
            return std::nullopt;
        }
        file.mask &= ~kPayload;
        return L"";
    }
    if (!(file.mask & kPayload)) {
        problem = L"--payload installs the payload component, which --components leaves out";
        return std::nullopt;
    }
    std::wstring path = FullPath(*payload);
    problem = CheckReadable(path);
    return problem.empty() ? std::optional<std::wstring>(path) : std::nullopt;
}

bool AddPayload(PellamRun& run, const std::wstring& path)
{
    if (path.empty()) {
        return true;
    }
    run.Say(L"  install payload " + path);
    run.AddData(L"payload", JsonString(path));
    return run.Check(run.Toolkit()->AddPayload(UniqueBstr::From(path.c_str()).get()), L"adding the payload " + path);
}

int Install(const Arguments& arguments)
{
    std::wstring problem;
    auto file = SplitFileCommand(L"install", arguments, {L"--backup", L"--payload"}, {L"--strict"}, true, problem,
                                 kConfiguration | kPayload);
    auto payload = file ? PayloadOption(*file, problem) : std::nullopt;
    if (!payload) {
        return Usage(problem);
    }
    const std::wstring* backup = file->command.line.Option(L"--backup");
    const std::wstring backupPath = backup ? FullPath(*backup) : L"";
    if (backup && ::CompareStringOrdinal(backupPath.c_str(), -1, file->path.c_str(), -1, TRUE) == CSTR_EQUAL) {
        return Usage(L"--backup names the file to install; the backup would overwrite it");
    }
    PellamRun run(L"install", file->command.options);
    std::optional<JsonValue> plan;
    // The plan covers the configuration: a payload the board refuses fails only itself at the
    // install, while its plan would refuse the whole install.
    FileCommand configuration = *file;
    configuration.mask &= kConfiguration;
    if (!run.Open() || (backup && !Backup(run, backupPath, configuration.mask)) ||
        !LoadAndPlan(run, configuration, plan) || !AddPayload(run, *payload)) {
        return run.Finish(EXIT_FAILED, L"");
    }
    return FinishInstall(run, L"install", file->mask, *plan, file->command.line.Has(L"--strict"),
                         L"installing " + file->path, *payload);
}

// Whether Remove took anything out: a component removed that was there (the events say
// which ones were absent already).
bool RemovedSomething(const PellamEventSink& events)
{
    for (const RecordedToolkitEvent& event : events.events) {
        if (event.name != L"OnRemoveSuccess" || event.arguments.empty()) {
            continue;
        }
        const ULONG bit = wcstoul(event.arguments[0].c_str(), nullptr, 10);
        if ((bit == kCooling && events.Count(L"OnComponentRemoved") == 0) ||
            (bit == kSmbios && events.Count(L"OnSMBIOSRemoved") < kSmbiosRows) || bit == kBios) {
            return true;
        }
    }
    return false;
}

int Remove(const Arguments& arguments)
{
    std::wstring problem;
    auto command = Split(arguments, {L"--components"}, {}, problem);
    if (!command) {
        return Usage(problem);
    }
    if (!command->line.positional.empty()) {
        return Usage(L"remove takes no file");
    }
    auto mask = ParseComponents(command->line.Option(L"--components"), kRemovable, problem);
    if (!mask) {
        return Usage(problem);
    }
    PellamRun run(L"remove", command->options);
    if (!run.Open()) {
        return run.Finish(EXIT_FAILED, L"");
    }
    const HRESULT hr = run.Toolkit()->Remove(*mask);
    if (!run.Check(hr, L"removing " + ComponentList(*mask))) {
        run.ExplainRefusedWrite();
        return run.Finish(EXIT_FAILED, L"");
    }
    if (run.Events().Count(L"OnRemoveFail") > 0) {
        return run.Fail(L"a component could not be removed", EXIT_FAILED);
    }
    if (hr == ResultCode::S_NOTHING_TO_DO || !RemovedSomething(run.Events())) {
        return run.Finish(EXIT_OK, L"remove: nothing to do, the board holds none of " + ComponentList(*mask));
    }
    return run.Finish(EXIT_RESTART_NEEDED, L"remove: removed " + ComponentList(*mask) +
                                               L"; takes effect at the next restart");
}

// The usage text is message 123 of the server's message library, beside the program.
std::wstring UsageText()
{
    UniqueModule messages(::LoadLibraryExW(L"PellamWRes.dll", nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    const wchar_t* text = nullptr;
    const int length = messages ? ::LoadStringW(messages.get(), MSG_USAGE, reinterpret_cast<wchar_t*>(&text), 0) : 0;
    if (length <= 0) {
        return L"usage: pellam COMMAND [ARGUMENTS] (the full text is in PellamWRes.dll, which was not found)\n";
    }
    return std::wstring(text, static_cast<size_t>(length)) + L"\n";
}

} // namespace

// ---- shared with the commands of the other files (PellamShared.h) ----

int UsageError(const std::wstring& problem)
{
    return Usage(problem);
}

std::optional<ParsedCommand> SplitCommand(const Arguments& arguments, std::vector<const wchar_t*> withValue,
                                          std::vector<const wchar_t*> flags, std::wstring& problem)
{
    auto command = Split(arguments, std::move(withValue), std::move(flags), problem);
    if (!command) {
        return std::nullopt;
    }
    return ParsedCommand{command->line, command->options};
}

bool PlanLoaded(PellamRun& run, ULONG mask, std::optional<JsonValue>& plan)
{
    return PlanAndShow(run, mask, plan);
}

int InstallPlanned(PellamRun& run, const std::wstring& operation, ULONG mask, const JsonValue& plan, bool strict,
                   const std::wstring& what)
{
    return FinishInstall(run, operation, mask, plan, strict, what);
}

void PrintUsage()
{
    cli::PrintText(UsageText());
}

int RunCommand(const std::wstring& command, const Arguments& arguments)
{
    using Handler = int (*)(const Arguments&);
    static const std::pair<const wchar_t*, Handler> commands[] = {
        {L"help", Help}, {L"info", Info}, {L"validate", Validate}, {L"extract", Extract}, {L"diff", Diff},
        {L"plan", Diff}, {L"install", Install}, {L"remove", Remove},
        {L"flash", Flash}, {L"verify", Verify},
        {L"settings", Settings}, {L"set", Set}, {L"history", History},
    };
    for (const auto& [name, handler] : commands) {
        if (command == name) {
            return handler(arguments);
        }
    }
    if (command == L"--help" || command == L"/?") {
        return Help(arguments);
    }
    return Usage(L"unknown command \"" + command + L"\"");
}

} // namespace pellam
