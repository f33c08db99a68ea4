#include "BoardProfile.h"

#include "SmbiosStartup.h"

#include "EfiGuid.h"
#include "ProfileText.h"
#include "SetupDbFormat.h"
#include "SetupDbWriter.h"
#include "StoreOperations.h"
#include "StoreRules.h"

#include <algorithm>
#include <cwchar>
#include <optional>

namespace fwstore {

namespace {

// UTF-8 to the UTF-16 units that names and messages hold, one unit in each wchar_t, as
// the store file keeps them; nothing when the text is not UTF-8.
std::optional<std::wstring> Widen(std::string_view text)
{
    std::optional<std::u16string> units = setupdb::Utf8ToUtf16(text);
    if (!units)
        return std::nullopt;
    return std::wstring(units->begin(), units->end());
}

std::wstring WidenForMessage(std::string_view text)
{
    return Widen(text).value_or(L"(not UTF-8)");
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Whitespace-separated groups of hex digit pairs: "4B 42 00" or "4B4200".
bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& bytes)
{
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            return false;
        int high = HexValue(text[i]), low = HexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        i += 2;
    }
    return true;
}

// A quoted text keeps its spaces; quotes inside are taken as they are.
std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

// A record of "QrvDataVar" written as readable lines: it goes where its first line is.
// This and PendingVariable stand outside the parser so that their member initializers are
// known where the parser's std::optional<PendingVariable> asks whether it can be made
// (clang asks before the parser's class is complete).
struct ReadableRecord {
    uint32_t version = 0;
    std::optional<size_t> at;
    size_t line = 0;
    uint16_t entries = 0;
    std::vector<uint8_t> body;
};

struct PendingVariable {
    StoredVariable variable;
    size_t line = 0;
    bool hasGuid = false, hasAttributes = false;
    std::optional<uint32_t> size;
    std::optional<uint8_t> fill;
    ReadableRecord platformValues{3}, doNotShow{4};
    bool rawRecord3 = false, rawRecord4 = false;
};

class ProfileParser {
public:
    ProfileParser(const std::wstring& source, const BoardFileLoader& loader) : m_source(source), m_loader(loader) {}

    StoreResult Parse(std::string_view text, StoreImage& image);

private:
    enum class Section { None, Board, Variable, Setup };

    bool Fail(std::wstring message)
    {
        wchar_t prefix[32];
        swprintf(prefix, 32, L"(%u): ", static_cast<unsigned>(m_line));
        m_error = m_source + prefix + message;
        return false;
    }

    bool Line(std::string_view line);
    bool StartSection(std::string_view header);
    bool BoardKey(std::string_view key, std::string_view value);
    bool VariableKey(std::string_view key, std::string_view value);
    bool AppendData(std::string_view key, std::string_view value);
    bool AppendRecord(std::string_view value);
    bool AppendReadableRecord(std::string_view key, std::string_view value);
    void PlaceReadableRecords(PendingVariable& pending);
    void AddCompiledSetup();
    bool FinishVariable();
    bool Finish();

    const std::wstring& m_source;
    const BoardFileLoader& m_loader;
    StoreImage m_image;
    size_t m_line = 0;
    Section m_section = Section::None;
    bool m_seenBoard = false, m_hasCapacity = false, m_hasName = false, m_hasExportDb = false;
    std::optional<PendingVariable> m_pending;
    std::wstring m_error;
    setup::CompiledSetup m_setup;
    bool m_setupAdded = false;
};

StoreResult ProfileParser::Parse(std::string_view text, StoreImage& image)
{
    // The setup sections are compiled first, so that "Copy = Setup" anywhere in the file
    // sees the compiled image.
    setup::SetupError setupError;
    if (!setup::CompileSetupProfile(text, m_setup, setupError)) {
        m_line = setupError.line;
        Fail(WidenForMessage(setupError.message));
        return StoreResult::Failure(EFI_STATUS_INVALID_PARAMETER, m_error);
    }
    while (!text.empty()) {
        ++m_line;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!Line(TrimProfileText(line)))
            return StoreResult::Failure(EFI_STATUS_INVALID_PARAMETER, m_error);
    }
    if (!Finish())
        return StoreResult::Failure(EFI_STATUS_INVALID_PARAMETER, m_error);
    image = std::move(m_image);
    return {};
}

bool ProfileParser::Line(std::string_view line)
{
    if (line.empty() || line[0] == ';' || line[0] == '#')
        return true;
    if (line[0] == '[')
        return StartSection(line);
    if (m_section == Section::Setup)
        return true;   // compiled before (EndIf has no "=")
    size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return Fail(L"expected \"key = value\", found \"" + WidenForMessage(line) + L"\"");
    std::string_view key = TrimProfileText(line.substr(0, equals));
    std::string_view value = TrimProfileText(line.substr(equals + 1));
    if (m_section == Section::Board)
        return BoardKey(key, value);
    if (m_section == Section::Variable)
        return VariableKey(key, value);
    return Fail(L"\"" + WidenForMessage(key) + L"\" stands outside any section");
}

bool ProfileParser::StartSection(std::string_view header)
{
    if (header.back() != ']')
        return Fail(L"a section header must end with \"]\"");
    if (!FinishVariable())
        return false;
    std::string_view name = TrimProfileText(header.substr(1, header.size() - 2));
    if (name == "Board") {
        if (m_seenBoard)
            return Fail(L"the section [Board] appears twice");
        m_seenBoard = true;
        m_section = Section::Board;
        return true;
    }
    if (name.substr(0, 6) == "Store " || name.substr(0, 8) == "FormSet ") {
        AddCompiledSetup();
        m_section = Section::Setup;
        return true;
    }
    constexpr std::string_view prefix = "Variable ";
    if (name.substr(0, prefix.size()) != prefix)
        return Fail(L"unknown section [" + WidenForMessage(name) +
                    L"]; expected [Board], [Variable NAME], [Store NAME] or [FormSet NAME]");
    std::string_view variableName = TrimProfileText(name.substr(prefix.size()));
    auto wide = Widen(variableName);
    if (!wide)
        return Fail(L"the variable name is not UTF-8 text");
    if (std::wstring problem = NameProblem(NameField::Variable, *wide); !problem.empty())
        return Fail(L"the " + problem);
    if (m_setup.hasForms && (*wide == L"Setup" || *wide == L"SetupDefault"))
        return Fail(L"[Variable " + *wide + L"] cannot be given with form sets: \"Setup\" and \"SetupDefault\" are compiled "
                    L"from the questions' defaults");
    m_section = Section::Variable;
    m_pending.emplace();
    m_pending->variable.name = *wide;
    m_pending->line = m_line;
    return true;
}

bool ProfileParser::BoardKey(std::string_view key, std::string_view value)
{
    if (key == "Name") {
        auto wide = Widen(Unquote(value));
        if (!wide)
            return Fail(L"the board name is not UTF-8 text");
        if (m_hasName)
            return Fail(L"\"Name\" is given twice");
        if (std::wstring problem = NameProblem(NameField::Board, *wide); !problem.empty())
            return Fail(L"the " + problem);
        m_hasName = true;
        m_image.boardName = *wide;
        return true;
    }
    if (key == "Capacity") {
        auto capacity = ParseProfileNumber(value);
        if (!capacity || *capacity == 0)
            return Fail(L"\"Capacity\" must be a number of bytes from 1 to 4294967295");
        if (m_hasCapacity)
            return Fail(L"\"Capacity\" is given twice");
        m_hasCapacity = true;
        m_image.capacity = *capacity;
        return true;
    }
    if (key == "ExportDb") {
        auto name = Widen(Unquote(value));
        if (!name || name->empty())
            return Fail(L"\"ExportDb\" must name a file");
        if (m_hasExportDb)
            return Fail(L"\"ExportDb\" is given twice");
        if (m_setup.hasForms)
            return Fail(L"\"ExportDb\" cannot be given with form sets: the setup database is compiled from them");
        m_hasExportDb = true;
        std::wstring error;
        if (!m_loader(*name, m_image.exportDb, error))
            return Fail(error);
        if (m_image.exportDb.empty() || m_image.exportDb.size() > UINT32_MAX)
            return Fail(L"the setup database file \"" + *name + L"\" is empty or too large");
        return true;
    }
    return Fail(L"unknown key \"" + WidenForMessage(key) + L"\" in [Board]; expected Name, Capacity or ExportDb");
}

bool ProfileParser::VariableKey(std::string_view key, std::string_view value)
{
    PendingVariable& pending = *m_pending;
    if (key == "Guid") {
        auto text = Widen(value);
        auto guid = text ? ParseRegistryGuid(*text) : std::nullopt;
        if (!guid)
            return Fail(L"\"Guid\" must have the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}");
        if (pending.hasGuid)
            return Fail(L"\"Guid\" is given twice");
        pending.hasGuid = true;
        pending.variable.vendor = *guid;
        return true;
    }
    if (key == "Attributes") {
        auto attributes = ParseProfileNumber(value);
        if (!attributes || (*attributes & ~ATTRIBUTES_SUPPORTED) || !(*attributes & ATTRIBUTE_BOOTSERVICE_ACCESS))
            return Fail(L"\"Attributes\" must combine 1, 2 and 4 and include 2 (boot-service access)");
        if (pending.hasAttributes)
            return Fail(L"\"Attributes\" is given twice");
        pending.hasAttributes = true;
        pending.variable.attributes = *attributes;
        return true;
    }
    if (key == "Size") {
        auto size = ParseProfileNumber(value);
        if (!size || *size == 0)
            return Fail(L"\"Size\" must be a number of bytes above 0");
        if (pending.size)
            return Fail(L"\"Size\" is given twice");
        pending.size = *size;
        return true;
    }
    if (key == "Fill") {
        std::vector<uint8_t> bytes;
        if (!ParseHexBytes(value, bytes) || bytes.size() != 1)
            return Fail(L"\"Fill\" must be one byte in hex, such as FF");
        if (pending.fill)
            return Fail(L"\"Fill\" is given twice");
        pending.fill = bytes[0];
        return true;
    }
    return AppendData(key, value);
}

bool ProfileParser::AppendData(std::string_view key, std::string_view value)
{
    std::vector<uint8_t>& data = m_pending->variable.data;
    if (key == "Text" || key == "String") {
        std::string_view text = Unquote(value);
        data.insert(data.end(), text.begin(), text.end());
        if (key == "String")
            data.push_back(0);
        return true;
    }
    if (key == "Hex") {
        if (!ParseHexBytes(value, data))
            return Fail(L"\"Hex\" must be pairs of hex digits, such as 4B 42 00");
        return true;
    }
    if (key == "Record")
        return AppendRecord(value);
    if (key == "PlatformValue" || key == "DoNotShow")
        return AppendReadableRecord(key, value);
    if (key == "File") {
        auto name = Widen(Unquote(value));
        if (!name || name->empty())
            return Fail(L"\"File\" must name a file");
        std::vector<uint8_t> bytes;
        std::wstring error;
        if (!m_loader(*name, bytes, error))
            return Fail(error);
        data.insert(data.end(), bytes.begin(), bytes.end());
        return true;
    }
    if (key == "Copy") {
        AddCompiledSetup();
        auto name = Widen(value);
        const StoredVariable* source = nullptr;
        for (const auto& variable : m_image.variables) {
            if (name && variable.name == *name) {
                if (source != nullptr)
                    return Fail(L"\"Copy\" names \"" + *name + L"\", which exists under more than one GUID");
                source = &variable;
            }
        }
        if (source == nullptr)
            return Fail(L"\"Copy\" names no variable defined above: \"" + WidenForMessage(value) + L"\"");
        data.insert(data.end(), source->data.begin(), source->data.end());
        return true;
    }
    return Fail(L"unknown key \"" + WidenForMessage(key) +
                L"\" in a variable; expected Guid, Attributes, Text, String, Hex, Record, File, Copy, Size or Fill"
                L" (and in \"QrvDataVar\" PlatformValue or DoNotShow)");
}

void AppendU32(std::vector<uint8_t>& data, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendU16(std::vector<uint8_t>& data, uint16_t value)
{
    data.push_back(static_cast<uint8_t>(value));
    data.push_back(static_cast<uint8_t>(value >> 8));
}

// "Record = VERSION BYTES": a 32-bit version, a 32-bit length counting these 8 bytes, then
// the bytes.
bool ProfileParser::AppendRecord(std::string_view value)
{
    PendingVariable& pending = *m_pending;
    size_t space = value.find_first_of(" \t");
    auto version = ParseProfileNumber(value.substr(0, space));
    std::vector<uint8_t> body;
    if (!version || (space != std::string_view::npos && !ParseHexBytes(value.substr(space), body)))
        return Fail(L"\"Record\" must be a version number followed by bytes in hex");
    if ((*version == 3 && pending.platformValues.at) || (*version == 4 && pending.doNotShow.at))
        return Fail(L"\"Record = " + std::to_wstring(*version) + L"\" cannot be given with " +
                    (*version == 3 ? L"\"PlatformValue\"" : L"\"DoNotShow\"") + L", which make that record");
    pending.rawRecord3 |= *version == 3;
    pending.rawRecord4 |= *version == 4;
    AppendU32(pending.variable.data, *version);
    AppendU32(pending.variable.data, static_cast<uint32_t>(body.size() + 8));
    pending.variable.data.insert(pending.variable.data.end(), body.begin(), body.end());
    return true;
}

// "PlatformValue = ID VALUE" (a pair of record 3) and "DoNotShow = UQI, UQI" (record 4).
bool ProfileParser::AppendReadableRecord(std::string_view key, std::string_view value)
{
    PendingVariable& pending = *m_pending;
    bool platform = key == "PlatformValue";
    if (pending.variable.name != L"QrvDataVar")
        return Fail(L"\"" + WidenForMessage(key) + L"\" belongs in [Variable QrvDataVar]");
    if (platform ? pending.rawRecord3 : pending.rawRecord4)
        return Fail(L"\"" + WidenForMessage(key) + L"\" cannot be given with \"Record = " + (platform ? L"3" : L"4") +
                    L"\", which is that record");
    std::vector<uint16_t> numbers;
    std::string_view rest = value;
    const char* separators = platform ? " \t" : ",";
    while (!rest.empty()) {
        size_t end = rest.find_first_of(separators);
        auto number = ParseProfileNumber(TrimProfileText(rest.substr(0, end)));
        if (!number || *number > 0xFFFF)
            return Fail(platform ? L"\"PlatformValue\" must be a 16-bit variable id and a 16-bit value"
                                 : L"\"DoNotShow\" must be 16-bit UQIs separated by commas");
        numbers.push_back(static_cast<uint16_t>(*number));
        rest = end == std::string_view::npos ? std::string_view() : TrimProfileText(rest.substr(end + 1));
    }
    ReadableRecord& record = platform ? pending.platformValues : pending.doNotShow;
    if ((platform && numbers.size() != 2) || numbers.empty() || record.entries + numbers.size() > 0xFFFF)
        return Fail(platform ? L"\"PlatformValue\" must be a 16-bit variable id and a 16-bit value"
                             : L"\"DoNotShow\" must be 16-bit UQIs separated by commas");
    if (!record.at) {
        record.at = pending.variable.data.size();
        record.line = m_line;
    }
    for (uint16_t number : numbers)
        AppendU16(record.body, number);
    record.entries = static_cast<uint16_t>(record.entries + numbers.size() / (platform ? 2 : 1));
    return true;
}

// Puts the readable records where their first lines were, the later one first so that the
// earlier one's place stays valid.
void ProfileParser::PlaceReadableRecords(PendingVariable& pending)
{
    std::vector<const ReadableRecord*> records;
    for (const ReadableRecord* record : {&pending.platformValues, &pending.doNotShow}) {
        if (record->at)
            records.push_back(record);
    }
    std::sort(records.begin(), records.end(), [](const ReadableRecord* a, const ReadableRecord* b) {
        return *a->at != *b->at ? *a->at > *b->at : a->line > b->line;
    });
    std::vector<uint8_t>& data = pending.variable.data;
    for (const ReadableRecord* record : records) {
        std::vector<uint8_t> bytes;
        bool counted = record->version == 4;   // record 4 starts with its count
        AppendU32(bytes, record->version);
        AppendU32(bytes, static_cast<uint32_t>(8 + (counted ? 2 : 0) + record->body.size()));
        if (counted)
            AppendU16(bytes, record->entries);
        bytes.insert(bytes.end(), record->body.begin(), record->body.end());
        data.insert(data.begin() + static_cast<std::ptrdiff_t>(*record->at), bytes.begin(), bytes.end());
    }
}

// The compiled setup database and the "Setup" and "SetupDefault" images, once, where the
// first setup section is (or earlier, when a Copy needs them).
void ProfileParser::AddCompiledSetup()
{
    if (m_setupAdded || !m_setup.hasForms)
        return;
    m_setupAdded = true;
    m_image.exportDb = m_setup.database;
    if (!m_setup.hasSetupImage)
        return;
    uint32_t attributes = ATTRIBUTE_NON_VOLATILE | ATTRIBUTE_BOOTSERVICE_ACCESS | ATTRIBUTE_RUNTIME_ACCESS;
    for (const wchar_t* name : {L"Setup", L"SetupDefault"})
        m_image.variables.push_back({name, m_setup.setupVendor, attributes, m_setup.setupImage});
}

bool ProfileParser::FinishVariable()
{
    if (!m_pending)
        return true;
    PendingVariable pending = std::move(*m_pending);
    m_pending.reset();
    PlaceReadableRecords(pending);
    size_t line = m_line;
    m_line = pending.line;
    StoredVariable& variable = pending.variable;
    if (!pending.hasGuid)
        return Fail(L"variable \"" + variable.name + L"\" has no \"Guid\"");
    if (!pending.hasAttributes)
        variable.attributes = ATTRIBUTE_NON_VOLATILE | ATTRIBUTE_BOOTSERVICE_ACCESS | ATTRIBUTE_RUNTIME_ACCESS;
    if (pending.size) {
        if (variable.data.size() > *pending.size)
            return Fail(L"variable \"" + variable.name + L"\" has more data than its \"Size\"");
        variable.data.resize(*pending.size, pending.fill.value_or(0));
    } else if (pending.fill) {
        return Fail(L"\"Fill\" needs a \"Size\" in variable \"" + variable.name + L"\"");
    }
    if (variable.data.empty())
        return Fail(L"variable \"" + variable.name + L"\" has no data (a firmware variable holds at least one byte)");
    if (variable.data.size() > UINT32_MAX)
        return Fail(L"variable \"" + variable.name + L"\" is too large");
    if (FindVariable(m_image, variable.name, variable.vendor))
        return Fail(L"variable \"" + variable.name + L"\" is defined twice with the same GUID");
    m_image.variables.push_back(std::move(variable));
    m_line = line;
    return true;
}

bool ProfileParser::Finish()
{
    if (!FinishVariable())
        return false;
    AddCompiledSetup();
    // The strings the board leaves the factory with; they take storage like any variable.
    RecordManufacturingStrings(m_image);
    if (!m_seenBoard)
        return Fail(L"the profile has no [Board] section");
    if (!m_hasCapacity)
        return Fail(L"[Board] has no \"Capacity\"");
    uint64_t used = UsedStorageBytes(m_image);
    if (used > m_image.capacity) {
        return Fail(L"the variables need " + std::to_wstring(used) + L" bytes of storage but \"Capacity\" is " +
                    std::to_wstring(m_image.capacity));
    }
    return true;
}

} // namespace

StoreResult ParseBoardProfile(std::string_view text, const std::wstring& sourceName,
    const BoardFileLoader& loadFile, StoreImage& image)
{
    ProfileParser parser(sourceName, loadFile);
    return parser.Parse(text, image);
}

} // namespace fwstore
