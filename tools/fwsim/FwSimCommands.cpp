#include "FwSimCommands.h"

#include "BoardGenerator.h"
#include "BoardProfile.h"
#include "BoardRestart.h"
#include "CapsuleOperations.h"
#include "EfiGuid.h"
#include "EfiStatus.h"
#include "FirmwareStore.h"
#include "RestartRules.h"
#include "SetupDbDecoder.h"
#include "SmbiosStartup.h"
#include "StoreOperations.h"
#include "StoreRules.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>

using namespace fwstore;

namespace fwsim {

namespace {

const wchar_t* const USAGE =
    L"usage: fwsim COMMAND [ARGUMENTS]     (the board store is the file named by FWSIM_STORE)\n"
    L"  init --board FILE [--force] [--without-monitor]\n"
    L"                                     create the store from a board profile (--without-monitor:\n"
    L"                                     record 1 of \"QrvDataVar\" lists no hardware-monitor chip)\n"
    L"  init --questions N [--force]       create the store of a generated board with N setup questions\n"
    L"  profile --questions N              print the profile of that generated board\n"
    L"  setupdb [--summary]                print the board's setup database, or one line of counts\n"
    L"  info                               board, capacity, setup database, faults, restart rules,\n"
    L"                                     capsule slot\n"
    L"  list                               every variable with its GUID, attributes and size\n"
    L"  get NAME GUID                      print a variable's data as hex\n"
    L"  set NAME GUID HEX [--attributes N] write a variable (attributes 7 unless given)\n"
    L"  delete NAME GUID                   delete a variable\n"
    L"  stats [NAME GUID] [--reset]        call counters per variable; --reset clears them\n"
    L"  fault add OPERATION --status S [--name NAME] [--guid GUID] [--skip K] [--count N | --always]\n"
    L"                                     arm a fault: OPERATION is GetVariable, SetVariable,\n"
    L"                                     GetExportDb, GetNextVariableName, ReadPhysicalMemory,\n"
    L"                                     PrepareCapsule, InvokeCapsule or GetLastStatus\n"
    L"  fault list                         the armed faults\n"
    L"  fault clear                        disarm every fault\n"
    L"  rule add revert NAME GUID --offset O --length L\n"
    L"                                     at every reboot, bytes O..O+L-1 of the variable go back to\n"
    L"                                     what they held at the previous start\n"
    L"  rule add protect NAME GUID         every write or deletion of the variable is refused\n"
    L"  rule add defaults                  at the next reboot only, \"Setup\" becomes \"SetupDefault\"\n"
    L"  rule list                          the restart rules\n"
    L"  rule clear                         remove every restart rule\n"
    L"  stage FILE [--prepare-only]        put a capsule in the board and arm it, as the\n"
    L"                                     capsule-update library's PrepareCapsule and InvokeCapsule do\n"
    L"  reboot [--fail]                    restart: the restart rules act, the firmware applies an armed capsule that fits\n"
    L"                                     the board (--fail makes its flash fail), then shows the\n"
    L"                                     SMBIOS strings written since, or the manufacturing ones\n"
    L"  sequence                           run the cooling chip's SMBus sequence buffer (\"BmiUserSequence\")\n"
    L"                                     on the board's chip as the firmware does at the next start, and\n"
    L"                                     show its operations, the changed registers and the settings\n"
    L"GUIDs are written {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.\n";

int Usage(const std::wstring& problem)
{
    PrintError(problem);
    PrintError(L"run \"fwsim help\" for the commands");
    return EXIT_USAGE;
}

int Failed(const StoreResult& result)
{
    PrintError(result.message);
    return EXIT_FAILED;
}

const wchar_t* StatusName(uint32_t status)
{
    static const wchar_t* const names[] = {L"success", L"unknown error", L"variable driver not installed",
        L"invalid parameter", L"variable not found", L"hardware failure", L"not enough storage",
        L"buffer too small", L"not supported on this operating system", L"driver failed to load",
        L"driver failed to uninstall", L"cannot communicate with the driver", L"setup data invalid",
        L"write protected"};
    return status < std::size(names) ? names[status] : L"unknown status";
}

std::wstring StatusText(uint32_t status)
{
    return L"status " + std::to_wstring(status) + L" (" + StatusName(status) + L")";
}

std::optional<uint32_t> ParseUnsigned(const std::wstring& text)
{
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    wchar_t* end = nullptr;
    unsigned long long value = wcstoull(text.c_str(), &end, 0);
    if (end == nullptr || *end != 0 || text[0] == L'-' || value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<std::vector<uint8_t>> ParseHex(const std::wstring& text)
{
    std::vector<uint8_t> bytes;
    std::wstring digits;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t')
            continue;
        if (!iswxdigit(c))
            return std::nullopt;
        digits.push_back(c);
    }
    if (digits.size() % 2 != 0)
        return std::nullopt;
    for (size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::wstring FormatHex(const std::vector<uint8_t>& bytes)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0xF]);
    }
    return text;
}

// The command line after the command; `withValue` lists the options that take a value,
// `flagNames` those that do not.
std::optional<cli::CommandLine> Split(const Arguments& arguments, std::initializer_list<const wchar_t*> withValue,
    std::initializer_list<const wchar_t*> flagNames, std::wstring& problem)
{
    return cli::Split(arguments, {withValue, flagNames}, problem);
}

std::optional<GUID> GuidArgument(const std::wstring& text, std::wstring& problem)
{
    auto guid = ParseRegistryGuid(text);
    if (!guid)
        problem = L"\"" + text + L"\" is not a GUID of the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    return guid;
}

StoreResult OpenStore(std::unique_ptr<CFirmwareStore>& store)
{
    return CFirmwareStore::FromEnvironment(store);
}

// ---- commands ----

// Generated boards: enough to load the server's readers, few enough for the store file.
constexpr uint32_t MAX_GENERATED_QUESTIONS = 100000;

std::optional<uint32_t> QuestionCount(const std::wstring& text, std::wstring& problem)
{
    auto count = ParseUnsigned(text);
    if (!count || *count == 0 || *count > MAX_GENERATED_QUESTIONS) {
        problem = L"--questions needs a number from 1 to " + std::to_wstring(MAX_GENERATED_QUESTIONS);
        return std::nullopt;
    }
    return count;
}

StoreResult GeneratedBoard(uint32_t questions, StoreImage& image)
{
    BoardFileLoader noFiles = [](const std::wstring& name, std::vector<uint8_t>&, std::wstring& error) {
        error = L"a generated board names no files, but \"" + name + L"\" was asked for";
        return false;
    };
    return ParseBoardProfile(GenerateBoardProfile(questions), L"generated board", noFiles, image);
}

// The same board without its hardware-monitor chip: the first chip's SMBus address in record
// 1 of "QrvDataVar" (a 32-bit version, a 32-bit length that counts the whole record, then the
// addresses) becomes 0, the firmware's way of saying "no chip". A board without the variable
// or the record lists no chip already.
StoreResult WithoutMonitor(StoreImage& image)
{
    const GUID qrvData = *ParseRegistryGuid(L"{3812723D-7E48-4E29-BC27-F5A39AC94EF1}");
    StoredVariable* variable = FindVariable(image, L"QrvDataVar", qrvData);
    if (!variable)
        return {};
    std::vector<uint8_t>& data = variable->data;
    auto read32 = [&data](size_t at) {
        return uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 | uint32_t{data[at + 2]} << 16 |
               uint32_t{data[at + 3]} << 24;
    };
    for (size_t offset = 0; offset + 8 <= data.size();) {
        const uint32_t version = read32(offset);
        const uint32_t length = read32(offset + 4);
        if (length < 8 || length > data.size() - offset)
            return StoreResult::Failure(EFI_STATUS_INVALID_PARAMETER,
                L"--without-monitor: \"QrvDataVar\" has a record of length " + std::to_wstring(length) +
                    L" at offset " + std::to_wstring(offset));
        if (version == 1 && length > 8) {
            data[offset + 8] = 0;
            return {};
        }
        offset += length;
    }
    return {};
}

int Init(const Arguments& arguments)
{
    std::wstring problem;
    auto line = Split(arguments, {L"--board", L"--questions"}, {L"--force", L"--without-monitor"}, problem);
    if (!line)
        return Usage(problem);
    const std::wstring* board = line->Option(L"--board");
    const std::wstring* questions = line->Option(L"--questions");
    if ((board == nullptr) == (questions == nullptr) || !line->positional.empty())
        return Usage(L"init takes --board FILE or --questions N (and optionally --force, --without-monitor)");
    std::optional<uint32_t> count;
    if (questions && !(count = QuestionCount(*questions, problem)))
        return Usage(problem);
    std::unique_ptr<CFirmwareStore> store;
    StoreResult result = OpenStore(store);
    if (!result.Ok())
        return Failed(result);
    StoreImage image;
    result = count ? GeneratedBoard(*count, image) : LoadBoardProfile(*board, image);
    if (result.Ok() && line->Has(L"--without-monitor"))
        result = WithoutMonitor(image);
    if (!result.Ok())
        return Failed(result);
    bool force = line->Has(L"--force");
    result = store->Create(image, force);
    if (!result.Ok()) {
        // Without --force, status 3 over an existing store is the refusal to replace it.
        if (result.status == EFI_STATUS_INVALID_PARAMETER && !force && store->Exists())
            result.message += L"; use --force to replace it";
        return Failed(result);
    }
    std::wstring source = count ? L"a generated board of " + std::to_wstring(*count) + L" questions" : *board;
    Print(L"created " + store->Path() + L" from " + source + L": " + std::to_wstring(image.variables.size()) + L" variables");
    return EXIT_OK;
}

// Writes UTF-8 text as it is, in one piece (a dump may have many thousand lines).
void PrintLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

int Profile(const Arguments& arguments)
{
    std::wstring problem;
    auto line = Split(arguments, {L"--questions"}, {}, problem);
    if (!line)
        return Usage(problem);
    const std::wstring* questions = line->Option(L"--questions");
    if (questions == nullptr || !line->positional.empty())
        return Usage(L"profile takes --questions N");
    auto count = QuestionCount(*questions, problem);
    if (!count)
        return Usage(problem);
    std::string text = GenerateBoardProfile(*count);
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
    return EXIT_OK;
}

int LoadForReading(StoreImage& image, std::unique_ptr<CFirmwareStore>& store)
{
    StoreResult result = OpenStore(store);
    if (result.Ok())
        result = store->Load(image);
    return result.Ok() ? EXIT_OK : Failed(result);
}

const wchar_t* CapsuleStateName(uint32_t state)
{
    static const wchar_t* const names[] = {L"empty", L"staged", L"armed"};
    return state < std::size(names) ? names[state] : L"unknown";
}

int SetupDb(const Arguments& arguments)
{
    std::wstring problem;
    auto line = Split(arguments, {}, {L"--summary"}, problem);
    if (!line)
        return Usage(problem);
    if (!line->positional.empty())
        return Usage(L"setupdb takes no arguments but --summary");
    StoreImage image;
    std::unique_ptr<CFirmwareStore> store;
    if (int code = LoadForReading(image, store))
        return code;
    if (image.exportDb.empty()) {
        PrintError(L"the board has no setup database");
        return EXIT_FAILED;
    }
    setupdb::SetupDbDump dump = setupdb::DecodeSetupDatabase(image.exportDb);
    std::vector<std::string> lines;
    if (line->Has(L"--summary") && !dump.damaged)
        lines.push_back(setupdb::SummaryLine(dump.counts));
    else if (!line->Has(L"--summary"))
        lines = std::move(dump.lines);
    if (dump.damaged)
        lines.push_back(dump.damage);
    PrintLines(lines);
    return dump.damaged ? EXIT_FAILED : EXIT_OK;
}

int Info(const Arguments& arguments)
{
    if (!arguments.empty())
        return Usage(L"info takes no arguments");
    StoreImage image;
    std::unique_ptr<CFirmwareStore> store;
    if (int code = LoadForReading(image, store))
        return code;
    uint64_t used = UsedStorageBytes(image);
    Print(L"Store:          " + store->Path());
    Print(L"Board:          " + image.boardName);
    Print(L"Capacity:       " + std::to_wstring(image.capacity) + L" bytes, " + std::to_wstring(used) + L" used, " +
          std::to_wstring(image.capacity - used) + L" free");
    Print(L"Variables:      " + std::to_wstring(image.variables.size()));
    Print(L"Setup database: " + std::to_wstring(image.exportDb.size()) + L" bytes");
    Print(L"Faults armed:   " + std::to_wstring(image.faults.size()));
    Print(L"Restart rules:  " + std::to_wstring(image.restartRules.size()));
    Print(L"Capsule:        " + std::wstring(CapsuleStateName(image.capsule.state)) + L", " +
          std::to_wstring(image.capsule.image.size()) + L" bytes, last status " + std::to_wstring(image.capsule.lastStatus) +
          L", resets " + std::to_wstring(image.capsule.resetCount));
    return EXIT_OK;
}

int List(const Arguments& arguments)
{
    if (!arguments.empty())
        return Usage(L"list takes no arguments");
    StoreImage image;
    std::unique_ptr<CFirmwareStore> store;
    if (int code = LoadForReading(image, store))
        return code;
    for (const auto& variable : image.variables) {
        Print(L"\"" + variable.name + L"\" " + FormatRegistryGuid(variable.vendor) + L" attributes=" +
              std::to_wstring(variable.attributes) + L" size=" + std::to_wstring(variable.data.size()));
    }
    return EXIT_OK;
}

int Get(const Arguments& arguments)
{
    if (arguments.size() != 2)
        return Usage(L"get takes NAME GUID");
    std::wstring problem;
    auto vendor = GuidArgument(arguments[1], problem);
    if (!vendor)
        return Usage(problem);
    StoreImage image;
    std::unique_ptr<CFirmwareStore> store;
    if (int code = LoadForReading(image, store))
        return code;
    // The library's rules decide, so the tool answers what GetVariable would.
    const StoredVariable* variable = nullptr;
    uint32_t status = GetStoredVariable(image, arguments[0], *vendor, variable);
    if (status == EFI_STATUS_NOT_FOUND) {
        PrintError(L"variable \"" + arguments[0] + L"\" " + arguments[1] + L" does not exist");
        return EXIT_FAILED;
    }
    if (status != EFI_STATUS_SUCCESS) {
        PrintError(L"cannot read \"" + arguments[0] + L"\" " + FormatRegistryGuid(*vendor) + L": " + StatusText(status));
        return EXIT_FAILED;
    }
    Print(FormatHex(variable->data));
    return EXIT_OK;
}

int Write(const std::wstring& name, const GUID& vendor, uint32_t attributes, const std::vector<uint8_t>& data)
{
    std::unique_ptr<CFirmwareStore> store;
    StoreResult result = OpenStore(store);
    uint32_t status = EFI_STATUS_SUCCESS;
    if (result.Ok()) {
        result = store->Update([&](StoreImage& image) {
            // A protected variable refuses the tool as it refuses the library, and the board
            // counts the refused write as it counts the library's.
            if ((status = ProtectionStatus(image, name, vendor)) != EFI_STATUS_SUCCESS) {
                CountersFor(image, name, vendor).failedWrites++;
                return true;
            }
            status = SetStoredVariable(image, name, vendor, attributes, data);
            return status == EFI_STATUS_SUCCESS;
        });
    }
    if (!result.Ok())
        return Failed(result);
    if (status != EFI_STATUS_SUCCESS) {
        std::wstring action = data.empty() ? L"delete" : L"write";
        PrintError(L"cannot " + action + L" \"" + name + L"\" " + FormatRegistryGuid(vendor) + L": " + StatusText(status));
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int Set(const Arguments& arguments)
{
    std::wstring problem;
    auto line = Split(arguments, {L"--attributes"}, {}, problem);
    if (!line)
        return Usage(problem);
    if (line->positional.size() != 3)
        return Usage(L"set takes NAME GUID HEX");
    auto vendor = GuidArgument(line->positional[1], problem);
    if (!vendor)
        return Usage(problem);
    auto data = ParseHex(line->positional[2]);
    if (!data || data->empty())
        return Usage(L"\"" + line->positional[2] + L"\" is not data in hex (pairs of hex digits, at least one byte)");
    uint32_t attributes = ATTRIBUTE_NON_VOLATILE | ATTRIBUTE_BOOTSERVICE_ACCESS | ATTRIBUTE_RUNTIME_ACCESS;
    if (const std::wstring* text = line->Option(L"--attributes")) {
        auto value = ParseUnsigned(*text);
        if (!value)
            return Usage(L"--attributes needs a number");
        attributes = *value;
    }
    return Write(line->positional[0], *vendor, attributes, *data);
}

int Delete(const Arguments& arguments)
{
    if (arguments.size() != 2)
        return Usage(L"delete takes NAME GUID");
    std::wstring problem;
    auto vendor = GuidArgument(arguments[1], problem);
    if (!vendor)
        return Usage(problem);
    return Write(arguments[0], *vendor, 0, {});
}

std::wstring CounterLine(const std::wstring& name, const GUID& vendor, const VariableCounters* counters)
{
    VariableCounters none;
    const VariableCounters& c = counters ? *counters : none;
    return L"\"" + name + L"\" " + FormatRegistryGuid(vendor) + L" reads=" + std::to_wstring(c.reads) + L" writes=" +
           std::to_wstring(c.writes) + L" deletes=" + std::to_wstring(c.deletes) + L" failed-writes=" +
           std::to_wstring(c.failedWrites) + L" bytes-written=" + std::to_wstring(c.bytesWritten);
}

int Stats(const Arguments& arguments)
{
    std::wstring problem;
    auto line = Split(arguments, {}, {L"--reset"}, problem);
    if (!line)
        return Usage(problem);
    if (line->Has(L"--reset")) {
        if (!line->positional.empty())
            return Usage(L"stats --reset takes no other arguments");
        std::unique_ptr<CFirmwareStore> store;
        StoreResult result = OpenStore(store);
        if (result.Ok()) {
            result = store->Update([](StoreImage& image) {
                image.counters.clear();
                image.exportDbReads = 0;
                return true;
            });
        }
        return result.Ok() ? EXIT_OK : Failed(result);
    }
    if (line->positional.size() != 0 && line->positional.size() != 2)
        return Usage(L"stats takes no arguments, or NAME GUID");
    std::optional<GUID> vendor;
    if (line->positional.size() == 2 && !(vendor = GuidArgument(line->positional[1], problem)))
        return Usage(problem);
    StoreImage image;
    std::unique_ptr<CFirmwareStore> store;
    if (int code = LoadForReading(image, store))
        return code;
    if (vendor) {
        Print(CounterLine(line->positional[0], *vendor, FindCounters(image, line->positional[0], *vendor)));
        return EXIT_OK;
    }
    Print(L"GetExportDb reads=" + std::to_wstring(image.exportDbReads));
    for (const auto& counters : image.counters)
        Print(CounterLine(counters.name, counters.vendor, &counters));
    return EXIT_OK;
}

const wchar_t* const OPERATION_NAMES[] = {L"GetVariable", L"SetVariable", L"GetExportDb", L"GetNextVariableName",
    L"ReadPhysicalMemory", L"PrepareCapsule", L"InvokeCapsule", L"GetLastStatus"};
static_assert(std::size(OPERATION_NAMES) == STORE_OPERATION_LAST);

// Calls of these operations carry no variable, so a fault that names one would never fire.
bool CarriesVariable(StoreOperation operation)
{
    return operation == StoreOperation::GetVariable || operation == StoreOperation::SetVariable ||
           operation == StoreOperation::GetNextVariableName;
}

std::optional<StoreOperation> ParseOperation(const std::wstring& text)
{
    for (uint32_t i = 0; i < std::size(OPERATION_NAMES); ++i) {
        if (_wcsicmp(text.c_str(), OPERATION_NAMES[i]) == 0)
            return static_cast<StoreOperation>(i + 1);
    }
    return std::nullopt;
}

std::optional<FaultRule> ParseFault(const Arguments& arguments, std::wstring& problem)
{
    auto line = Split(arguments, {L"--status", L"--name", L"--guid", L"--skip", L"--count"}, {L"--always"}, problem);
    if (!line)
        return std::nullopt;
    FaultRule fault;
    // A plain value rather than an optional: gcc's -O1 flow analysis misreads the latter.
    fwstore::StoreOperation operation{};
    bool haveOperation = false;
    if (line->positional.size() == 1) {
        if (auto parsed = ParseOperation(line->positional[0])) {
            operation = *parsed;
            haveOperation = true;
        }
    }
    const std::wstring* status = line->Option(L"--status");
    auto statusValue = status ? ParseUnsigned(*status) : std::nullopt;
    if (!haveOperation || !statusValue) {
        problem = L"fault add takes OPERATION --status S; OPERATION is GetVariable, SetVariable, GetExportDb, "
                  L"GetNextVariableName, ReadPhysicalMemory, PrepareCapsule, InvokeCapsule or GetLastStatus";
        return std::nullopt;
    }
    if (!CarriesVariable(operation) && (line->Option(L"--name") || line->Option(L"--guid"))) {
        problem = line->positional[0] + L" calls carry no variable: --name and --guid do not apply";
        return std::nullopt;
    }
    fault.operation = operation;
    fault.status = *statusValue;
    if (const std::wstring* name = line->Option(L"--name"))
        fault.name = *name;
    if (const std::wstring* guid = line->Option(L"--guid")) {
        auto vendor = GuidArgument(*guid, problem);
        if (!vendor)
            return std::nullopt;
        fault.vendor = *vendor;
        fault.flags |= FAULT_MATCH_VENDOR;
    }
    if (const std::wstring* skip = line->Option(L"--skip")) {
        auto value = ParseUnsigned(*skip);
        if (!value) {
            problem = L"--skip needs a number";
            return std::nullopt;
        }
        fault.skip = *value;
    }
    const std::wstring* count = line->Option(L"--count");
    if (count && line->Has(L"--always")) {
        problem = L"--count and --always exclude each other";
        return std::nullopt;
    }
    if (line->Has(L"--always"))
        fault.flags |= FAULT_EVERY_CALL;
    if (count) {
        auto value = ParseUnsigned(*count);
        if (!value || *value == 0) {
            problem = L"--count needs a number above 0";
            return std::nullopt;
        }
        fault.remaining = *value;
    }
    // What the store would refuse to keep (a name above 1024 characters) is refused here,
    // before the store is touched.
    if (std::wstring rule = FaultProblem(fault); !rule.empty()) {
        problem = L"the fault cannot be stored: " + rule;
        return std::nullopt;
    }
    return fault;
}

std::wstring DescribeFault(const FaultRule& fault)
{
    std::wstring text = OPERATION_NAMES[static_cast<uint32_t>(fault.operation) - 1];
    text += L" name=" + (fault.name.empty() ? std::wstring(L"any") : L"\"" + fault.name + L"\"");
    text += L" guid=" + ((fault.flags & FAULT_MATCH_VENDOR) ? FormatRegistryGuid(fault.vendor) : std::wstring(L"any"));
    text += L" status=" + std::to_wstring(fault.status) + L" skip=" + std::to_wstring(fault.skip);
    text += (fault.flags & FAULT_EVERY_CALL) ? std::wstring(L" always") : L" remaining=" + std::to_wstring(fault.remaining);
    return text;
}

int Fault(const Arguments& arguments)
{
    if (arguments.empty())
        return Usage(L"fault takes add, list or clear");
    const std::wstring& action = arguments[0];
    Arguments rest(arguments.begin() + 1, arguments.end());
    if (action == L"list") {
        if (!rest.empty())
            return Usage(L"fault list takes no arguments");
        StoreImage image;
        std::unique_ptr<CFirmwareStore> store;
        if (int code = LoadForReading(image, store))
            return code;
        for (size_t i = 0; i < image.faults.size(); ++i)
            Print(std::to_wstring(i + 1) + L": " + DescribeFault(image.faults[i]));
        return EXIT_OK;
    }
    std::optional<FaultRule> fault;
    if (action == L"add") {
        std::wstring problem;
        fault = ParseFault(rest, problem);
        if (!fault)
            return Usage(problem);
    } else if (action != L"clear" || !rest.empty()) {
        return Usage(L"fault takes add, list or clear");
    }
    std::unique_ptr<CFirmwareStore> store;
    StoreResult result = OpenStore(store);
    if (result.Ok()) {
        result = store->Update([&](StoreImage& image) {
            if (fault)
                image.faults.push_back(*fault);
            else
                image.faults.clear();
            return true;
        });
    }
    return result.Ok() ? EXIT_OK : Failed(result);
}

// "0x10..0x11": the bytes of a range, as rule list and reboot name them.
std::wstring RangeText(uint32_t offset, uint32_t length)
{
    wchar_t text[48];
    swprintf(text, std::size(text), L"0x%x..0x%llx", offset, static_cast<unsigned long long>(offset) + length - 1);
    return text;
}

// A revert or protect rule's variable from the command line: a name the store can keep and a
// GUID.
std::optional<RestartRule> RuleVariable(RestartRuleKind kind, const std::vector<std::wstring>& positional,
    std::wstring& problem)
{
    std::optional<GUID> vendor;
    if (positional.size() != 3 || !(vendor = GuidArgument(positional[2], problem))) {
        if (problem.empty())
            problem = L"rule add " + positional[0] + L" takes NAME GUID";
        return std::nullopt;
    }
    RestartRule rule;
    rule.kind = kind;
    rule.name = positional[1];
    rule.vendor = *vendor;
    if (std::wstring name = NameProblem(NameField::Variable, rule.name); !name.empty()) {
        problem = L"the rule cannot be stored: " + name;
        return std::nullopt;
    }
    return rule;
}

// The range of a revert rule: at least one byte, ending within 32 bits.
bool RevertRange(const cli::CommandLine& line, RestartRule& rule, uint32_t& length, std::wstring& problem)
{
    const std::wstring* offsetText = line.Option(L"--offset");
    const std::wstring* lengthText = line.Option(L"--length");
    auto offset = offsetText ? ParseUnsigned(*offsetText) : std::nullopt;
    auto count = lengthText ? ParseUnsigned(*lengthText) : std::nullopt;
    if (!offset || !count || *count == 0) {
        problem = L"rule add revert takes --offset O and --length L, L at least 1";
        return false;
    }
    if (*count > UINT32_MAX - *offset) {
        problem = L"the range of " + std::to_wstring(*count) + L" bytes at offset " + std::to_wstring(*offset) +
                  L" passes the largest variable";
        return false;
    }
    rule.offset = *offset;
    length = *count;
    return true;
}

// A rule as the command line gives it. A revert rule's bytes are taken from the board later;
// `length` is its range's.
std::optional<RestartRule> ParseRule(const Arguments& arguments, uint32_t& length, std::wstring& problem)
{
    auto line = Split(arguments, {L"--offset", L"--length"}, {}, problem);
    if (!line)
        return std::nullopt;
    const auto& positional = line->positional;
    const bool hasRange = line->Option(L"--offset") || line->Option(L"--length");
    const std::wstring kind = positional.empty() ? std::wstring() : positional[0];
    if (kind == L"defaults" && positional.size() == 1 && !hasRange) {
        RestartRule rule;
        rule.kind = RestartRuleKind::Defaults;
        return rule;
    }
    if (kind == L"protect" && !hasRange)
        return RuleVariable(RestartRuleKind::Protect, positional, problem);
    if (kind == L"revert") {
        auto rule = RuleVariable(RestartRuleKind::Revert, positional, problem);
        if (rule && RevertRange(*line, *rule, length, problem))
            return rule;
        return std::nullopt;
    }
    problem = L"rule add takes revert NAME GUID --offset O --length L, protect NAME GUID, or defaults";
    return std::nullopt;
}

std::wstring DescribeRule(const RestartRule& rule)
{
    const std::wstring variable = L"\"" + rule.name + L"\" " + FormatRegistryGuid(rule.vendor);
    switch (rule.kind) {
    case RestartRuleKind::Revert:
        return L"revert " + variable + L" bytes " +
               RangeText(rule.offset, static_cast<uint32_t>(rule.startBytes.size())) + L" start=" +
               FormatHex(rule.startBytes);
    case RestartRuleKind::Protect:
        return L"protect " + variable;
    case RestartRuleKind::Defaults:
        return L"defaults \"Setup\" from \"SetupDefault\" at the next reboot";
    }
    return L"unknown";
}

// Completes a rule from the board (a revert rule's bytes now) and adds it; the problem when
// the board cannot take it.
std::wstring AddRule(StoreImage& image, RestartRule rule, uint32_t length)
{
    std::wstring problem;
    if (rule.kind == RestartRuleKind::Revert)
        problem = MakeRevertRule(image, rule.name, rule.vendor, rule.offset, length, rule);
    else if (rule.kind == RestartRuleKind::Defaults)
        problem = DefaultsRuleProblem(image);
    if (problem.empty())
        image.restartRules.push_back(std::move(rule));
    return problem;
}

int ListRules()
{
    StoreImage image;
    std::unique_ptr<CFirmwareStore> store;
    if (int code = LoadForReading(image, store))
        return code;
    for (size_t i = 0; i < image.restartRules.size(); ++i)
        Print(std::to_wstring(i + 1) + L": " + DescribeRule(image.restartRules[i]));
    return EXIT_OK;
}

int Rule(const Arguments& arguments)
{
    const std::wstring action = arguments.empty() ? std::wstring() : arguments[0];
    Arguments rest(arguments.empty() ? arguments.end() : arguments.begin() + 1, arguments.end());
    if (action == L"list" && rest.empty())
        return ListRules();
    std::optional<RestartRule> rule;
    uint32_t length = 0;
    if (action == L"add") {
        std::wstring problem;
        if (!(rule = ParseRule(rest, length, problem)))
            return Usage(problem);
    } else if (action != L"clear" || !rest.empty()) {
        return Usage(L"rule takes add, list or clear");
    }
    std::unique_ptr<CFirmwareStore> store;
    StoreResult result = OpenStore(store);
    std::wstring refused;
    if (result.Ok()) {
        result = store->Update([&](StoreImage& image) {
            if (!rule) {
                image.restartRules.clear();
                return true;
            }
            refused = AddRule(image, *rule, length);
            return refused.empty();
        });
    }
    if (!result.Ok())
        return Failed(result);
    if (!refused.empty()) {
        PrintError(L"the rule was not added: " + refused);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

// Reads a whole capsule file, refusing one larger than the board keeps before reading it.
bool ReadCapsuleFile(const std::wstring& path, std::vector<uint8_t>& bytes, std::wstring& problem)
{
    std::wstring full = CFirmwareStore::ResolvePath(path);
    HANDLE file = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = L"cannot open " + path + L": " + SystemErrorText(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (ok && static_cast<uint64_t>(size.QuadPart) > eficorvid::MAX_CAPSULE_BYTES) {
        problem = path + L" has " + std::to_wstring(size.QuadPart) + L" bytes; the board keeps capsules of at most " +
                  std::to_wstring(eficorvid::MAX_CAPSULE_BYTES);
        CloseHandle(file);
        return false;
    }
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size();
        error = ok ? ERROR_SUCCESS : (GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_HANDLE_EOF);
    }
    CloseHandle(file);
    if (!ok)
        problem = L"cannot read " + path + L": " + SystemErrorText(error);
    return ok;
}

int Stage(const Arguments& arguments)
{
    std::wstring problem;
    auto line = Split(arguments, {}, {L"--prepare-only"}, problem);
    if (!line)
        return Usage(problem);
    if (line->positional.size() != 1)
        return Usage(L"stage takes FILE (and optionally --prepare-only)");
    const std::wstring& path = line->positional[0];
    std::vector<uint8_t> capsule;
    if (!ReadCapsuleFile(path, capsule, problem)) {
        PrintError(problem);
        return EXIT_FAILED;
    }
    bool arm = !line->Has(L"--prepare-only");
    std::unique_ptr<CFirmwareStore> store;
    StoreResult result = OpenStore(store);
    uint32_t status = eficorvid::CORVID_SUCCESS;
    if (result.Ok()) {
        result = store->Update([&](StoreImage& image) {
            status = eficorvid::StageCapsule(image, capsule, arm);
            return status == eficorvid::CORVID_SUCCESS;
        });
    }
    if (!result.Ok())
        return Failed(result);
    if (status != eficorvid::CORVID_SUCCESS) {
        PrintError(path + L" is not a UEFI capsule: its header does not describe the file's " +
                   std::to_wstring(capsule.size()) + L" bytes");
        return EXIT_FAILED;
    }
    Print(L"staged " + std::to_wstring(capsule.size()) + L" bytes from " + path +
          (arm ? L"; armed for the next reboot" : L"; prepared, not armed"));
    return EXIT_OK;
}

// Firmware IDs are 8-bit text; each byte becomes the character of the same value.
std::wstring Widen(const std::string& text)
{
    std::wstring wide;
    for (char c : text)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

void PrintRuleEvent(const RestartRuleEvent& event)
{
    using Kind = RestartRuleEvent::Kind;
    const std::wstring name = L"rule: \"" + event.name + L"\"";
    const std::wstring range = name + L" bytes " + RangeText(event.offset, event.length);
    switch (event.kind) {
    case Kind::Reverted:
        Print(range + L" reverted");
        break;
    case Kind::RevertAbsent:
        Print(range + L" not reverted: the variable does not exist");
        break;
    case Kind::RevertTooShort:
        Print(range + L" not reverted: the variable has " + std::to_wstring(event.variableSize) + L" bytes");
        break;
    case Kind::Reset:
        Print(name + L" reset from \"SetupDefault\"");
        break;
    case Kind::ResetNoDefaults:
        Print(name + L" not reset: the board has no \"SetupDefault\"");
        break;
    case Kind::ResetFailed:
        Print(name + L" not reset from \"SetupDefault\": " + StatusText(event.status));
        break;
    }
}

// The restart in the order it happens: the rules' lines, the capsule's, the SMBIOS strings'.
void PrintRestart(const std::vector<RestartRuleEvent>& rules, const eficorvid::RestartReport& report,
    const std::vector<SmbiosStartupChange>& strings)
{
    using eficorvid::RestartOutcome;
    for (const RestartRuleEvent& event : rules)
        PrintRuleEvent(event);
    std::wstring status = L"; last status " + std::to_wstring(report.lastStatus);
    switch (report.outcome) {
    case RestartOutcome::NothingStaged:
        Print(strings.empty() && rules.empty() ? L"no capsule staged: nothing changed" : L"no capsule staged");
        break;
    case RestartOutcome::Discarded:
        Print(L"the staged capsule was never invoked: discarded, firmware unchanged" + status);
        break;
    case RestartOutcome::Applied:
        Print(L"capsule applied: FirmwareId " + Widen(report.boardId) + L" is now " + Widen(report.imageId) + status);
        break;
    case RestartOutcome::Refused:
        Print(L"capsule not applied: " + report.reason + L"; firmware unchanged" + status);
        break;
    }
    for (const SmbiosStartupChange& change : strings) {
        const std::wstring name = L"SMBIOS string \"" + change.name + L"\"";
        switch (change.kind) {
        case SmbiosStartupChange::Kind::Overridden:
            Print(name + L" set from \"" + change.source + L"\"");
            break;
        case SmbiosStartupChange::Kind::Restored:
            Print(name + L" set from the manufacturing strings");
            break;
        case SmbiosStartupChange::Kind::Failed:
            Print(name + L" could not be set: " + StatusText(change.status));
            break;
        }
    }
}

int Reboot(const Arguments& arguments)
{
    std::wstring problem;
    auto line = Split(arguments, {}, {L"--fail"}, problem);
    if (!line)
        return Usage(problem);
    if (!line->positional.empty())
        return Usage(L"reboot takes no arguments but --fail");
    std::unique_ptr<CFirmwareStore> store;
    StoreResult result = OpenStore(store);
    std::vector<RestartRuleEvent> rules;
    eficorvid::RestartReport report;
    std::vector<SmbiosStartupChange> strings;
    if (result.Ok()) {
        result = store->Update([&](StoreImage& image) {
            // The rules undo what was written since the previous start before the firmware
            // does its own work; what the board then starts with is what they keep.
            rules = ApplyRestartRules(image);
            report = eficorvid::RestartBoard(image, line->Has(L"--fail"));
            // The board starts after the update, whether or not one was applied.
            strings = StartSmbiosStrings(image);
            const bool recorded = RecordStartBytes(image);
            return !rules.empty() || report.modified || !strings.empty() || recorded;
        });
    }
    if (!result.Ok())
        return Failed(result);
    PrintRestart(rules, report, strings);
    return EXIT_OK;
}

} // namespace

void PrintUsage()
{
    cli::PrintErrorText(USAGE);
}

int RunCommand(const std::wstring& command, const Arguments& arguments)
{
    using Handler = int (*)(const Arguments&);
    static const std::pair<const wchar_t*, Handler> commands[] = {
        {L"init", Init}, {L"profile", Profile}, {L"setupdb", SetupDb}, {L"info", Info}, {L"list", List}, {L"get", Get}, {L"set", Set},
        {L"delete", Delete}, {L"stats", Stats}, {L"fault", Fault}, {L"rule", Rule}, {L"stage", Stage}, {L"reboot", Reboot}, {L"sequence", ShowSequence},
    };
    for (const auto& [name, handler] : commands) {
        if (command == name)
            return handler(arguments);
    }
    if (command == L"help" || command == L"--help" || command == L"/?") {
        cli::PrintText(USAGE);
        return EXIT_OK;
    }
    return Usage(L"unknown command \"" + command + L"\"");
}

} // namespace fwsim
