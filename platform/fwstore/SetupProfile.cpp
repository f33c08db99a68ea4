#include "SetupProfile.h"

#include "EfiGuid.h"
#include "ProfileText.h"
#include "SetupDbFormat.h"

#include <algorithm>
#include <array>

namespace fwstore::setup {

namespace {

using namespace fwstore::setupdb;

std::string Quote(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// "a,b,c" of numbers up to `maximum`; an empty text is an empty list.
std::optional<std::vector<uint16_t>> ParseList(std::string_view text, uint32_t maximum)
{
    std::vector<uint16_t> values;
    while (!text.empty()) {
        size_t comma = text.find(',');
        auto value = ParseProfileNumber(TrimProfileText(text.substr(0, comma)), maximum);
        if (!value)
            return std::nullopt;
        values.push_back(static_cast<uint16_t>(*value));
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
        if (text.empty())
            return std::nullopt;
    }
    return values;
}

std::optional<GUID> ParseGuidText(std::string_view text)
{
    std::wstring wide(text.begin(), text.end());
    return ParseRegistryGuid(wide);
}

// Names listed with commas: "Setup, SystemPassword".
std::vector<std::string> SplitNames(std::string_view text)
{
    std::vector<std::string> names;
    while (true) {
        size_t comma = text.find(',');
        names.emplace_back(TrimProfileText(text.substr(0, comma)));
        if (comma == std::string_view::npos)
            return names;
        text.remove_prefix(comma + 1);
    }
}

// The fields of a statement: space-separated key=value, a value optionally in double quotes
// (no escapes: a quoted value ends at the next quote).
struct Fields {
    std::vector<std::pair<std::string_view, std::string_view>> items;
    std::vector<bool> used;

    const std::string_view* Find(std::string_view key)
    {
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].first == key) {
                used[i] = true;
                return &items[i].second;
            }
        }
        return nullptr;
    }
};

bool SplitFields(std::string_view text, Fields& fields, std::string& problem)
{
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        size_t equals = text.find('=', i);
        size_t space = text.find_first_of(" \t", i);
        if (equals == std::string_view::npos || equals > space) {
            problem = "expected key=value, found " + Quote(text.substr(i, space - i));
            return false;
        }
        std::string_view key = text.substr(i, equals - i);
        size_t start = equals + 1, end;
        std::string_view value;
        if (start < text.size() && text[start] == '"') {
            end = text.find('"', start + 1);
            if (end == std::string_view::npos) {
                problem = "the quoted value of " + Quote(key) + " has no closing quote";
                return false;
            }
            value = text.substr(start + 1, end - start - 1);
            ++end;
            if (end < text.size() && text[end] != ' ' && text[end] != '\t') {
                problem = "a space must follow the quoted value of " + Quote(key);
                return false;
            }
        } else {
            end = std::min(text.find_first_of(" \t", start), text.size());
            value = text.substr(start, end - start);
        }
        for (const auto& item : fields.items) {
            if (item.first == key) {
                problem = "the field " + Quote(key) + " is given twice";
                return false;
            }
        }
        fields.items.emplace_back(key, value);
        fields.used.push_back(false);
        i = end;
    }
    return true;
}

struct StatementSyntax {
    std::string_view name;
    StatementKind kind;
    std::string_view fields;   // the fields it takes, for the message on an unknown one
};

constexpr std::array<StatementSyntax, 12> STATEMENTS = {{
    {"Form", StatementKind::Form, "id, title"},
    {"Goto", StatementKind::Goto, "form, prompt, help, uqi"},
    {"SuppressIf", StatementKind::SuppressIf, ""},
    {"GrayoutIf", StatementKind::GrayoutIf, ""},
    {"OneOf", StatementKind::OneOf, "offset, width, uqi, prompt, help, default"},
    {"Option", StatementKind::Option, "value, text, flags"},
    {"CheckBox", StatementKind::CheckBox, "offset, width, uqi, prompt, help, default, flags"},
    {"Numeric", StatementKind::Numeric, "offset, width, uqi, prompt, help, min, max, step, default, flags, key"},
    {"OrderedList", StatementKind::OrderedList, "offset, entries, uqi, prompt, help, default"},
    {"Select", StatementKind::Select, "store"},
    {"Password", StatementKind::Password, "offset, width, uqi, prompt, help"},
    {"Byte", StatementKind::Byte, "offset, value"},
}};

// Turns the fields of one statement into a Statement, field by field.
class FieldReader {
public:
    FieldReader(Fields& fields, std::string_view statement, std::string& problem)
        : m_fields(fields), m_statement(statement), m_problem(problem) {}

    bool Number(std::string_view key, uint32_t maximum, bool required, uint32_t& out)
    {
        const std::string_view* text = m_fields.Find(key);
        if (!text) {
            if (required)
                return Fail(std::string(m_statement) + " needs " + std::string(key) + "=");
            return true;
        }
        auto value = ParseProfileNumber(*text, maximum);
        if (!value)
            return Fail(std::string(key) + "= must be a number from 0 to " + std::to_string(maximum) + ", found " + Quote(*text));
        out = *value;
        return true;
    }
    template <typename T>
    bool Small(std::string_view key, uint32_t maximum, bool required, T& out)
    {
        uint32_t value = out;
        if (!Number(key, maximum, required, value))
            return false;
        out = static_cast<T>(value);
        return true;
    }
    bool Text(std::string_view key, std::string& out)
    {
        if (const std::string_view* text = m_fields.Find(key)) {
            if (!Utf8ToUtf16(*text))
                return Fail(std::string(key) + "= is not UTF-8 text");
            out = *text;
        }
        return true;
    }
    bool Uqi(std::vector<uint16_t>& out)
    {
        const std::string_view* text = m_fields.Find("uqi");
        if (!text)
            return true;
        auto units = ParseList(*text, 0xFFFF);
        if (!units)
            return Fail("uqi= must be 16-bit numbers separated by commas, such as 0x0101 or 0x0012,0x0034");
        out = *units;
        return true;
    }
    bool Present(std::string_view key) { return m_fields.Find(key) != nullptr; }
    bool Fail(std::string problem)
    {
        m_problem = std::move(problem);
        return false;
    }

private:
    Fields& m_fields;
    std::string_view m_statement;
    std::string& m_problem;
};

bool ValidWidth(uint32_t width)
{
    return width == 1 || width == 2 || width == 4 || width == 8;
}

bool FitsWidth(uint32_t value, uint32_t width)
{
    return width >= 4 || value < (1u << (8 * width));
}

bool ReadQuestionCommon(FieldReader& reader, Statement& statement)
{
    return reader.Small("offset", 0xFFFF, true, statement.offset) && reader.Uqi(statement.uqi) &&
           reader.Text("prompt", statement.prompt) && reader.Text("help", statement.help);
}

// OneOf, CheckBox and Numeric: a value of 1, 2, 4 or 8 bytes.
bool ReadValueQuestion(FieldReader& reader, Statement& statement, uint32_t defaultWidth, uint32_t defaultMaximum)
{
    uint32_t width = defaultWidth;
    if (!ReadQuestionCommon(reader, statement) || !reader.Number("width", 255, false, width))
        return false;
    if (!ValidWidth(width))
        return reader.Fail("width= must be 1, 2, 4 or 8, found " + std::to_string(width));
    statement.width = static_cast<uint8_t>(width);
    uint32_t value = 0;
    bool hasDefault = reader.Present("default");
    if (!reader.Number("default", defaultMaximum, false, value))
        return false;
    if (hasDefault) {
        if (!FitsWidth(value, width))
            return reader.Fail("default=" + std::to_string(value) + " does not fit in " + std::to_string(width) + " byte(s)");
        statement.defaultValue = value;
    }
    return true;
}

bool ReadOrderedList(FieldReader& reader, Statement& statement, Fields& fields)
{
    if (!ReadQuestionCommon(reader, statement) || !reader.Small("entries", 255, true, statement.width))
        return false;
    if (statement.width == 0)
        return reader.Fail("entries= must be from 1 to 255");
    if (const std::string_view* text = fields.Find("default")) {
        auto values = ParseList(*text, 0xFF);
        if (!values || values->size() > statement.width)
            return reader.Fail("default= must be at most " + std::to_string(statement.width) +
                               " byte values separated by commas, one per entry");
        statement.listDefault.assign(values->begin(), values->end());
    }
    return true;
}

bool ReadFields(Statement& statement, const StatementSyntax& syntax, Fields& fields, std::string& problem)
{
    FieldReader reader(fields, syntax.name, problem);
    switch (statement.kind) {
    case StatementKind::Form:
        return reader.Small("id", 0xFFFF, true, statement.id) && reader.Text("title", statement.prompt);
    case StatementKind::Goto:
        return reader.Small("form", 0xFFFF, true, statement.id) && reader.Text("prompt", statement.prompt) &&
               reader.Text("help", statement.help) && reader.Uqi(statement.uqi);
    case StatementKind::OneOf:
        return ReadValueQuestion(reader, statement, 1, UINT32_MAX);
    case StatementKind::CheckBox:
        statement.hasFlags = reader.Present("flags");
        return ReadValueQuestion(reader, statement, 1, UINT32_MAX) && reader.Small("flags", 0xFF, false, statement.flags);
    case StatementKind::Numeric:
        return ReadValueQuestion(reader, statement, 2, 0xFFFF) && reader.Small("min", 0xFFFF, false, statement.minimum) &&
               reader.Small("max", 0xFFFF, false, statement.maximum) && reader.Small("step", 0xFFFF, false, statement.step) &&
               reader.Small("flags", 0xFF, false, statement.flags) && reader.Small("key", 0xFFFF, false, statement.key);
    case StatementKind::Option:
        return reader.Small("value", 0xFFFF, true, statement.value) && reader.Text("text", statement.prompt) &&
               reader.Small("flags", 0xFF, false, statement.flags);
    case StatementKind::OrderedList:
        return ReadOrderedList(reader, statement, fields);
    case StatementKind::Select: {
        const std::string_view* store = fields.Find("store");
        if (!store || store->empty())
            return reader.Fail("Select needs store=NAME");
        statement.store = *store;
        return true;
    }
    case StatementKind::Password:
        if (!ReadQuestionCommon(reader, statement) || !reader.Small("width", 255, true, statement.width))
            return false;
        return statement.width != 0 || reader.Fail("width= of a Password must be from 1 to 255");
    case StatementKind::Byte:
        return reader.Small("offset", 0xFFFF, true, statement.offset) && reader.Small("value", 0xFF, true, statement.value);
    default:
        return true;
    }
}

// One condition word and the numbers it takes.
bool ReadConditionTerm(const std::vector<std::string_view>& words, size_t& i, ConditionTerm& term, std::string& problem)
{
    struct Word {
        std::string_view name;
        uint8_t opcode;
        int numbers;   // after the word
    };
    static constexpr Word WORDS[] = {{"EqIdVal", OP_EQ_ID_VAL, 3}, {"EqIdId", OP_EQ_ID_ID, 3},
        {"EqIdList", OP_EQ_ID_LIST, 3}, {"EqVarVal", OP_EQ_VAR_VAL, 2}, {"And", OP_AND, 0}, {"Or", OP_OR, 0},
        {"Not", OP_NOT, 0}};
    std::string_view name = words[i++];
    const Word* word = nullptr;
    for (const Word& candidate : WORDS) {
        if (candidate.name == name)
            word = &candidate;
    }
    if (!word) {
        problem = "unknown condition word " + Quote(name) + "; expected EqIdVal, EqIdId, EqIdList, EqVarVal, And, Or or Not";
        return false;
    }
    term.opcode = word->opcode;
    if (i + word->numbers > words.size()) {
        problem = std::string(name) + " needs " + std::to_string(word->numbers) + " numbers";
        return false;
    }
    auto number = [&](uint32_t maximum) { return ParseProfileNumber(words[i++], maximum); };
    if (word->numbers == 0)
        return true;
    auto first = number(0xFFFF);
    if (word->opcode == OP_EQ_VAR_VAL) {
        auto value = number(0xFFFF);
        if (!first || !value) {
            problem = "EqVarVal needs a 16-bit variable id and a 16-bit value";
            return false;
        }
        term.first = static_cast<uint16_t>(*first);
        term.values = {static_cast<uint16_t>(*value)};
        return true;
    }
    auto width = number(0xFF);
    std::optional<std::vector<uint16_t>> values;
    if (word->opcode == OP_EQ_ID_LIST)
        values = ParseList(words[i++], 0xFFFF);
    else if (auto value = number(0xFFFF))
        values = std::vector<uint16_t>{static_cast<uint16_t>(*value)};
    if (!first || !width || !values || (word->opcode == OP_EQ_ID_LIST && (values->empty() || values->size() > EQ_ID_LIST_MAX_VALUES))) {
        problem = std::string(name) + " needs a 16-bit question id, an 8-bit width and " +
                  (word->opcode == OP_EQ_ID_LIST ? "1 to " + std::to_string(EQ_ID_LIST_MAX_VALUES) + " 16-bit values separated by commas"
                                                 : std::string("a 16-bit number"));
        return false;
    }
    term.first = static_cast<uint16_t>(*first);
    term.width = static_cast<uint8_t>(*width);
    term.values = *values;
    return true;
}

bool ReadCondition(std::string_view text, std::vector<ConditionTerm>& terms, std::string& problem)
{
    std::vector<std::string_view> words;
    while (!(text = TrimProfileText(text)).empty()) {
        size_t end = std::min(text.find_first_of(" \t"), text.size());
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    for (size_t i = 0; i < words.size();) {
        ConditionTerm term;
        if (!ReadConditionTerm(words, i, term, problem))
            return false;
        terms.push_back(std::move(term));
    }
    return true;
}

bool ValidLanguage(std::string_view name)
{
    return !name.empty() && name.size() <= 4 &&
           std::all_of(name.begin(), name.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// Store names go into the database as 8-bit text and as a variable name.
bool ValidStoreName(std::string_view name)
{
    return !name.empty() && name.size() <= 200 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7F && c != ',' && c != ';'; });
}

} // namespace

std::string_view StripTrailingComment(std::string_view line)
{
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ';' && !quoted && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
            return TrimProfileText(line.substr(0, i));
    }
    return line;
}

bool SetupProfileReader::StartSection(std::string_view name, size_t line, SetupError& error)
{
    m_current = Current::None;
    error = {line, {}};
    bool store = name.substr(0, 6) == "Store ";
    bool formSet = name.substr(0, 8) == "FormSet ";
    if (!store && !formSet)
        return false;
    std::string_view title = TrimProfileText(name.substr(store ? 6 : 8));
    if (store) {
        if (!ValidStoreName(title)) {
            error.message = "a store name has 1 to 200 printable ASCII characters without spaces, commas or semicolons";
            return false;
        }
        for (const auto& other : m_description.stores) {
            if (other.name == title) {
                error.message = "the store " + Quote(title) + " is defined twice (first on line " + std::to_string(other.line) + ")";
                return false;
            }
        }
        m_description.stores.push_back({std::string(title), line, {}, {}, {}});
        m_current = Current::Store;
        return true;
    }
    if (title.empty() || !Utf8ToUtf16(title)) {
        error.message = "a form set needs a name in UTF-8";
        return false;
    }
    FormSetDefinition definition;
    definition.name = title;
    definition.line = line;
    m_description.formSets.push_back(std::move(definition));
    m_current = Current::FormSet;
    return true;
}

bool SetupProfileReader::Line(std::string_view line, size_t lineNumber, SetupError& error)
{
    m_line = lineNumber;
    error = {lineNumber, {}};
    line = StripTrailingComment(line);
    if (line.empty())
        return true;
    size_t equals = line.find('=');
    std::string_view key = TrimProfileText(line.substr(0, equals));
    std::string_view value = equals == std::string_view::npos ? std::string_view() : TrimProfileText(line.substr(equals + 1));
    if (m_current == Current::Store) {
        if (equals == std::string_view::npos) {
            error.message = "expected \"key = value\", found " + Quote(line);
            return false;
        }
        return StoreKey(key, value, error);
    }
    if (equals == std::string_view::npos) {
        if (key == "EndIf") {
            Statement statement;
            statement.kind = StatementKind::EndIf;
            statement.line = lineNumber;
            m_description.formSets.back().statements.push_back(statement);
            return true;
        }
        error.message = "expected \"key = value\" or EndIf, found " + Quote(line);
        return false;
    }
    return FormSetKey(key, value, error);
}

bool SetupProfileReader::StoreKey(std::string_view key, std::string_view value, SetupError& error)
{
    StoreDefinition& store = m_description.stores.back();
    if (key == "Guid") {
        store.guid = ParseGuidText(value);
        if (!store.guid)
            error.message = "\"Guid\" must have the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    } else if (key == "Id") {
        auto id = ParseProfileNumber(value, 0xFFFF);
        if (!id)
            error.message = "\"Id\" must be a 16-bit variable id";
        else
            store.id = static_cast<uint16_t>(*id);
    } else if (key == "Size") {
        auto size = ParseProfileNumber(value, 0xFFFF);
        if (!size || *size == 0)
            error.message = "\"Size\" must be a number of bytes from 1 to 65535";
        else
            store.size = *size;
    } else {
        error.message = "unknown key " + Quote(key) + " in a store; expected Guid, Id or Size";
    }
    return error.message.empty();
}

bool SetupProfileReader::FormSetKey(std::string_view key, std::string_view value, SetupError& error)
{
    FormSetDefinition& formSet = m_description.formSets.back();
    if (key == "Guid" || key == "Package") {
        auto guid = ParseGuidText(value);
        if (!guid)
            error.message = Quote(key) + " must have the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
        else
            (key == "Guid" ? formSet.guid : formSet.package) = guid;
    } else if (key == "Stores") {
        formSet.stores = value == "none" ? std::vector<std::string>() : SplitNames(value);
        formSet.storesLine = m_line;
        for (const std::string& name : *formSet.stores) {
            if (!ValidStoreName(name))
                error.message = "\"Stores\" must list store names separated by commas, or be \"none\"";
        }
    } else if (key == "Languages") {
        formSet.languages = SplitNames(value);
        formSet.languagesLine = m_line;
        for (size_t i = 0; i < formSet.languages.size(); ++i) {
            const std::string& name = formSet.languages[i];
            if (!ValidLanguage(name))
                error.message = "\"Languages\" must list language names of 1 to 4 letters, such as eng, uqi";
            else if (std::find(formSet.languages.begin(), formSet.languages.begin() + i, name) != formSet.languages.begin() + i)
                error.message = "the language " + Quote(name) + " is listed twice";
        }
    } else {
        return AddStatement(key, value, error);
    }
    return error.message.empty();
}

bool SetupProfileReader::AddStatement(std::string_view key, std::string_view value, SetupError& error)
{
    const StatementSyntax* syntax = nullptr;
    for (const StatementSyntax& candidate : STATEMENTS) {
        if (candidate.name == key)
            syntax = &candidate;
    }
    if (!syntax) {
        error.message = "unknown statement " + Quote(key) +
                        " in a form set; expected Guid, Package, Stores, Languages, Form, Goto, SuppressIf, GrayoutIf, "
                        "EndIf, OneOf, Option, CheckBox, Numeric, OrderedList, Select, Password or Byte";
        return false;
    }
    Statement statement;
    statement.kind = syntax->kind;
    statement.line = m_line;
    if (syntax->kind == StatementKind::SuppressIf || syntax->kind == StatementKind::GrayoutIf) {
        if (!ReadCondition(value, statement.condition, error.message))
            return false;
    } else {
        Fields fields;
        if (!SplitFields(value, fields, error.message) || !ReadFields(statement, *syntax, fields, error.message))
            return false;
        for (size_t i = 0; i < fields.items.size(); ++i) {
            if (!fields.used[i]) {
                error.message = "unknown field " + Quote(fields.items[i].first) + " in " + std::string(key) + "; it takes " +
                                std::string(syntax->fields);
                return false;
            }
        }
    }
    m_description.formSets.back().statements.push_back(std::move(statement));
    return true;
}

bool ReadSetupSections(std::string_view text, SetupDescription& description, SetupError& error)
{
    SetupProfileReader reader;
    bool inSetup = false;
    for (size_t lineNumber = 1; !text.empty(); ++lineNumber) {
        size_t end = text.find('\n');
        std::string_view line = TrimProfileText(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            // A header without its "]" is the board profile's error to report.
            if (line.back() != ']') {
                inSetup = false;
                reader.EndSection();
                continue;
            }
            inSetup = reader.StartSection(TrimProfileText(line.substr(1, line.size() - 2)), lineNumber, error);
            if (!inSetup && !error.message.empty())
                return false;
            continue;
        }
        if (inSetup && !reader.Line(line, lineNumber, error))
            return false;
    }
    description = reader.TakeDescription();
    return true;
}

} // namespace fwstore::setup
