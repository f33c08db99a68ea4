#include "SetupDbWriter.h"

#include "ByteReader.h"
#include "EfiGuid.h"
#include "SetupDbFormat.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace fwstore::setup {

namespace {

using namespace fwstore::setupdb;

constexpr size_t MAX_TOKENS = 65535;
constexpr size_t MAX_QUESTIONS = 65535;
constexpr uint32_t MAX_STORE_BYTES = 0xFFFF;

std::string Quote(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::u16string Wide(std::string_view text)
{
    return Utf8ToUtf16(text).value_or(u"");   // the reader has checked every text
}

// ---- opcodes: each appends one opcode of the layout given in SetupDbFormat.h ----

void Begin(ByteWriter& w, uint8_t opcode, uint8_t length)
{
    w.WriteU8(opcode);
    w.WriteU8(length);
}

// Pads the opcode that began at `start` to its length (unused fields are zero).
void End(ByteWriter& w, size_t start, uint8_t length)
{
    w.WriteZeros(start + length - w.Size());
}

void WriteGuid(ByteWriter& w, const GUID& guid)
{
    auto bytes = GuidToBytes(guid);
    w.WriteBytes(bytes);
}

void EmitPlain(ByteWriter& w, uint8_t opcode)
{
    Begin(w, opcode, PLAIN_BYTES);
}

void EmitFormSet(ByteWriter& w, const GUID& guid, uint16_t title)
{
    size_t start = w.Size();
    Begin(w, OP_FORM_SET, FORM_SET_BYTES);
    WriteGuid(w, guid);
    w.WriteU16(title);
    End(w, start, FORM_SET_BYTES);
}

// Answers where its 16-bit size goes, which is known once every form set is read.
size_t EmitVariableStore(ByteWriter& w, const GUID& guid, uint16_t id, const std::string& name)
{
    Begin(w, OP_VARIABLE_STORE, static_cast<uint8_t>(VARIABLE_STORE_NAME_AT + name.size() + 1));
    WriteGuid(w, guid);
    w.WriteU16(id);
    size_t sizeAt = w.Size();
    w.WriteU16(0);
    w.WriteBytes({reinterpret_cast<const uint8_t*>(name.data()), name.size()});
    w.WriteU8(0);
    return sizeAt;
}

void EmitSelect(ByteWriter& w, uint16_t id)
{
    Begin(w, OP_VARIABLE_SELECT, VARIABLE_SELECT_BYTES);
    w.WriteU16(id);
}

void EmitForm(ByteWriter& w, uint16_t id, uint16_t title)
{
    Begin(w, OP_FORM, FORM_BYTES);
    w.WriteU16(id);
    w.WriteU16(title);
}

void EmitReference(ByteWriter& w, uint16_t target, uint16_t prompt, uint16_t help)
{
    size_t start = w.Size();
    Begin(w, OP_REFERENCE, REFERENCE_BYTES);
    w.WriteU16(target);
    w.WriteU16(prompt);
    w.WriteU16(help);
    End(w, start, REFERENCE_BYTES);
}

// One-of, check box, numeric, ordered list and password share their first 9 bytes.
void EmitQuestionHead(ByteWriter& w, uint8_t opcode, uint8_t length, const Statement& s, uint16_t prompt, uint16_t help)
{
    Begin(w, opcode, length);
    w.WriteU16(s.offset);
    w.WriteU8(s.width);
    w.WriteU16(prompt);
    w.WriteU16(help);
}

void EmitQuestion(ByteWriter& w, const Statement& s, uint8_t checkBoxFlags, uint16_t prompt, uint16_t help)
{
    size_t start = w.Size();
    switch (s.kind) {
    case StatementKind::OneOf:
        EmitQuestionHead(w, OP_ONE_OF, ONE_OF_BYTES, s, prompt, help);
        break;
    case StatementKind::OrderedList:
        EmitQuestionHead(w, OP_ORDERED_LIST, ONE_OF_BYTES, s, prompt, help);
        break;
    case StatementKind::CheckBox:
        EmitQuestionHead(w, OP_CHECK_BOX, CHECK_BOX_BYTES, s, prompt, help);
        w.WriteU8(checkBoxFlags);
        End(w, start, CHECK_BOX_BYTES);
        break;
    case StatementKind::Numeric:
        EmitQuestionHead(w, OP_NUMERIC, NUMERIC_BYTES, s, prompt, help);
        w.WriteU8(s.flags);
        for (uint16_t field : {s.key, s.minimum, s.maximum, s.step, static_cast<uint16_t>(s.defaultValue.value_or(0))})
            w.WriteU16(field);
        break;
    default:   // password
        EmitQuestionHead(w, OP_PASSWORD, PASSWORD_BYTES, s, prompt, help);
        End(w, start, PASSWORD_BYTES);
        break;
    }
}

void EmitOption(ByteWriter& w, uint16_t text, uint16_t value, uint8_t flags)
{
    size_t start = w.Size();
    Begin(w, OP_OPTION, OPTION_BYTES);
    w.WriteU16(text);
    w.WriteU16(value);
    w.WriteU8(flags);
    End(w, start, OPTION_BYTES);
}

void EmitConditionTerm(ByteWriter& w, const ConditionTerm& term)
{
    switch (term.opcode) {
    case OP_EQ_VAR_VAL:
        Begin(w, OP_EQ_VAR_VAL, EQ_VAR_VAL_BYTES);
        w.WriteU16(term.first);
        w.WriteU16(term.values[0]);
        break;
    case OP_EQ_ID_LIST:
        Begin(w, OP_EQ_ID_LIST, static_cast<uint8_t>(EQ_ID_BYTES + 2 * term.values.size()));
        w.WriteU16(term.first);
        w.WriteU8(term.width);
        w.WriteU16(static_cast<uint16_t>(term.values.size()));
        for (uint16_t value : term.values)
            w.WriteU16(value);
        break;
    case OP_EQ_ID_VAL:
    case OP_EQ_ID_ID:
        Begin(w, term.opcode, EQ_ID_BYTES);
        w.WriteU16(term.first);
        w.WriteU8(term.width);
        w.WriteU16(term.values[0]);
        break;
    default:   // And, Or, Not
        EmitPlain(w, term.opcode);
        break;
    }
}

// ---- packs ----

// The strings of one table: token 0 is the empty string and stands for "no text"; every
// prompt has a token of its own (its "uqi" string is the question's), other texts share
// one token per text.
class StringTable {
public:
    StringTable() : m_texts{u""}, m_uqis{{}} {}

    std::optional<uint16_t> Prompt(const std::string& text, const std::vector<uint16_t>& uqi)
    {
        return Add(text, uqi);
    }
    std::optional<uint16_t> Shared(const std::string& text)
    {
        auto it = m_shared.find(text);
        if (it != m_shared.end())
            return it->second;
        auto token = Add(text, {});
        if (token)
            m_shared.emplace(text, *token);
        return token;
    }
    std::optional<uint16_t> Help(const std::string& text) { return text.empty() ? std::optional<uint16_t>(0) : Shared(text); }

    size_t Count() const { return m_texts.size(); }
    const std::u16string& Text(size_t token) const { return m_texts[token]; }
    const std::vector<uint16_t>& Uqi(size_t token) const { return m_uqis[token]; }

private:
    std::optional<uint16_t> Add(const std::string& text, const std::vector<uint16_t>& uqi)
    {
        if (m_texts.size() >= MAX_TOKENS)
            return std::nullopt;
        m_texts.push_back(Wide(text));
        m_uqis.push_back(uqi);
        return static_cast<uint16_t>(m_texts.size() - 1);
    }

    std::vector<std::u16string> m_texts;
    std::vector<std::vector<uint16_t>> m_uqis;
    std::map<std::string, uint16_t> m_shared;
};

void WritePackHeader(ByteWriter& w, uint16_t type)
{
    w.WriteU32(0);   // the length, patched by EndPack
    w.WriteU16(type);
}

void EndPack(ByteWriter& w, size_t start)
{
    w.PatchU32(start, static_cast<uint32_t>(w.Size() - start));
}

void WriteWide(ByteWriter& w, std::u16string_view text)
{
    for (char16_t unit : text)
        w.WriteU16(unit);
    w.WriteU16(0);
}

std::u16string PrintableLanguage(const std::string& code)
{
    static const std::map<std::string, std::u16string> NAMES = {{"eng", u"English"}, {"uqi", u"UQI"}, {"fra", u"French"},
        {"ger", u"German"}, {"deu", u"German"}, {"spa", u"Spanish"}, {"ita", u"Italian"}, {"jpn", u"Japanese"},
        {"chi", u"Chinese"}, {"zho", u"Chinese"}};
    auto it = NAMES.find(code);
    return it != NAMES.end() ? it->second : Wide(code);
}

// The "uqi" pack holds each prompt's UQI units; every other language holds the texts.
void WriteStringPack(ByteWriter& w, const std::string& language, const StringTable& strings)
{
    size_t start = w.Size();
    std::u16string name = Wide(language), printable = PrintableLanguage(language);
    bool uqi = language == "uqi";
    size_t count = strings.Count();
    WritePackHeader(w, PACK_STRINGS);
    size_t nameAt = STRING_PACK_OFFSETS_AT + 4 * count;
    size_t printableAt = nameAt + 2 * (name.size() + 1);
    w.WriteU32(static_cast<uint32_t>(nameAt));
    w.WriteU32(static_cast<uint32_t>(printableAt));
    w.WriteU32(static_cast<uint32_t>(count));
    w.WriteU32(0);
    size_t at = printableAt + 2 * (printable.size() + 1);
    for (size_t token = 0; token < count; ++token) {
        w.WriteU32(static_cast<uint32_t>(at));
        at += 2 * ((uqi ? strings.Uqi(token).size() : strings.Text(token).size()) + 1);
    }
    WriteWide(w, name);
    WriteWide(w, printable);
    for (size_t token = 0; token < count; ++token) {
        if (uqi) {
            const auto& units = strings.Uqi(token);
            WriteWide(w, std::u16string(units.begin(), units.end()));
        } else {
            WriteWide(w, strings.Text(token));
        }
    }
    EndPack(w, start);
}

void WriteVariablePack(ByteWriter& w, const StoreDefinition& store)
{
    size_t start = w.Size();
    std::u16string name = Wide(store.name);
    WritePackHeader(w, PACK_VARIABLE);
    WriteGuid(w, *store.guid);
    w.WriteU32(static_cast<uint32_t>(2 * (name.size() + 1)));
    w.WriteU16(*store.id);
    WriteWide(w, name);
    EndPack(w, start);
}

// ---- the compiler ----

// The bytes a question, password or Byte takes in its store.
struct Occupant {
    size_t store = 0;
    const Statement* statement = nullptr;
    uint32_t width = 0;
    std::optional<std::vector<uint8_t>> defaultBytes;
    uint32_t End() const { return statement->offset + width; }
};

struct Table {
    GUID package{};
    std::vector<size_t> stores;
    std::vector<std::string> languages;
    StringTable strings;
    ByteWriter forms;
    std::vector<std::pair<size_t, size_t>> sizeFields;   // (offset in `forms`, store)
};

std::vector<uint8_t> LittleEndian(uint32_t value, uint32_t width)
{
    std::vector<uint8_t> bytes(width, 0);
    for (uint32_t i = 0; i < width && i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
}

class Compiler {
public:
    explicit Compiler(const SetupDescription& description) : m_description(description) {}

    bool Run(CompiledSetup& out, SetupError& error);

private:
    bool Fail(size_t line, std::string message)
    {
        m_error = {line, std::move(message)};
        return false;
    }

    bool CheckStores();
    std::optional<size_t> FindStore(std::string_view name) const;
    bool ResolveTable(const FormSetDefinition& formSet, Table& table);
    std::optional<size_t> HomeStore(const FormSetDefinition& formSet, const Table& table) const;
    bool CompileFormSet(const FormSetDefinition& formSet, Table& table);
    bool CompileStatement(const Statement& s, Table& table);
    bool CompileQuestion(const Statement& s, Table& table);
    bool CompileOption(const Statement& s, Table& table);
    bool Token(std::optional<uint16_t> token, size_t line, uint16_t& out);
    bool CheckOccupants();
    bool CheckStoreOccupants(size_t store, std::vector<const Occupant*>& occupants);
    void Assemble(CompiledSetup& out);

    const SetupDescription& m_description;
    SetupError m_error;
    std::vector<Table> m_tables;
    std::vector<Occupant> m_occupants;
    std::vector<uint32_t> m_storeSizes;

    // The form set being compiled.
    const FormSetDefinition* m_formSet = nullptr;
    std::optional<size_t> m_store;
    bool m_inForm = false;
    std::map<uint16_t, size_t> m_formLines;
    std::optional<size_t> m_optionsOf;   // the occupant of the question whose options follow
    bool m_optionsOpen = false;
    size_t m_questions = 0;
};

bool Compiler::CheckStores()
{
    std::map<uint16_t, size_t> idLines;
    for (const StoreDefinition& store : m_description.stores) {
        if (!store.guid)
            return Fail(store.line, "the store " + Quote(store.name) + " has no \"Guid\"");
        if (!store.id)
            return Fail(store.line, "the store " + Quote(store.name) + " has no \"Id\"");
        auto [it, added] = idLines.emplace(*store.id, store.line);
        if (!added)
            return Fail(store.line, "the store " + Quote(store.name) + " has the id " + std::to_string(*store.id) +
                                        " of the store on line " + std::to_string(it->second));
    }
    return true;
}

std::optional<size_t> Compiler::FindStore(std::string_view name) const
{
    for (size_t i = 0; i < m_description.stores.size(); ++i) {
        if (m_description.stores[i].name == name)
            return i;
    }
    return std::nullopt;
}

bool Compiler::ResolveTable(const FormSetDefinition& formSet, Table& table)
{
    if (!formSet.guid)
        return Fail(formSet.line, "the form set " + Quote(formSet.name) + " has no \"Guid\"");
    table.package = formSet.package.value_or(*formSet.guid);
    table.languages = formSet.languages;
    std::vector<std::string> names;
    if (formSet.stores)
        names = *formSet.stores;
    else if (FindStore("Setup"))
        names = {"Setup"};
    for (const std::string& name : names) {
        auto store = FindStore(name);
        if (!store)
            return Fail(formSet.storesLine, "\"Stores\" names " + Quote(name) + ", which no [Store] section defines");
        if (std::find(table.stores.begin(), table.stores.end(), *store) != table.stores.end())
            return Fail(formSet.storesLine, "\"Stores\" names " + Quote(name) + " twice");
        table.stores.push_back(*store);
    }
    return true;
}

// A table without stores reads its questions in the first store of another table of the
// same package, as the database's readers do.
std::optional<size_t> Compiler::HomeStore(const FormSetDefinition& formSet, const Table& table) const
{
    if (!table.stores.empty())
        return table.stores[0];
    for (size_t i = 0; i < m_tables.size(); ++i) {
        if (&m_description.formSets[i] != &formSet && SameGuid(m_tables[i].package, table.package) && !m_tables[i].stores.empty())
            return m_tables[i].stores[0];
    }
    return std::nullopt;
}

bool Compiler::Token(std::optional<uint16_t> token, size_t line, uint16_t& out)
{
    if (!token)
        return Fail(line, "the form set " + Quote(m_formSet->name) + " has more than 65,535 strings");
    out = *token;
    return true;
}

bool Compiler::CompileFormSet(const FormSetDefinition& formSet, Table& table)
{
    m_formSet = &formSet;
    m_store = HomeStore(formSet, table);
    m_inForm = false;
    m_formLines.clear();
    m_optionsOpen = false;
    m_questions = 0;
    uint16_t title = 0;
    if (!Token(table.strings.Shared(formSet.name), formSet.line, title))
        return false;
    EmitFormSet(table.forms, *formSet.guid, title);
    for (size_t store : table.stores) {
        const StoreDefinition& definition = m_description.stores[store];
        table.sizeFields.emplace_back(EmitVariableStore(table.forms, *definition.guid, *definition.id, definition.name), store);
    }
    for (const Statement& statement : formSet.statements) {
        if (!CompileStatement(statement, table))
            return false;
    }
    if (m_inForm)
        EmitPlain(table.forms, OP_END_FORM);
    EmitPlain(table.forms, OP_END_FORM_SET);
    return true;
}

bool Compiler::CompileStatement(const Statement& s, Table& table)
{
    ByteWriter& w = table.forms;
    if (s.kind == StatementKind::Option)
        return CompileOption(s, table);
    m_optionsOpen = false;
    switch (s.kind) {
    case StatementKind::Form: {
        auto [it, added] = m_formLines.emplace(s.id, s.line);
        if (!added)
            return Fail(s.line, "the form id " + std::to_string(s.id) + " is defined twice in the form set " +
                                    Quote(m_formSet->name) + " (first on line " + std::to_string(it->second) + ")");
        uint16_t title = 0;
        if (!Token(table.strings.Shared(s.prompt), s.line, title))
            return false;
        if (m_inForm)
            EmitPlain(w, OP_END_FORM);
        EmitForm(w, s.id, title);
        m_inForm = true;
        return true;
    }
    case StatementKind::Goto: {
        if (!m_inForm)
            return Fail(s.line, "Goto stands outside a form; a reference belongs to the form it is on");
        uint16_t prompt = 0, help = 0;
        if (!Token(table.strings.Prompt(s.prompt, s.uqi), s.line, prompt) || !Token(table.strings.Help(s.help), s.line, help))
            return false;
        EmitReference(w, s.id, prompt, help);
        return true;
    }
    case StatementKind::SuppressIf:
    case StatementKind::GrayoutIf:
        EmitPlain(w, s.kind == StatementKind::SuppressIf ? OP_SUPPRESS_IF : OP_GRAYOUT_IF);
        for (const ConditionTerm& term : s.condition)
            EmitConditionTerm(w, term);
        return true;
    case StatementKind::EndIf:
        EmitPlain(w, OP_END_IF);
        return true;
    case StatementKind::Select: {
        auto store = FindStore(s.store);
        if (!store)
            return Fail(s.line, "Select names the store " + Quote(s.store) + ", which no [Store] section defines");
        EmitSelect(w, *m_description.stores[*store].id);
        m_store = store;
        return true;
    }
    case StatementKind::Byte:
        if (m_store)
            m_occupants.push_back({*m_store, &s, 1, std::vector<uint8_t>{static_cast<uint8_t>(s.value)}});
        return true;
    default:
        return CompileQuestion(s, table);
    }
}

bool Compiler::CompileQuestion(const Statement& s, Table& table)
{
    if (++m_questions > MAX_QUESTIONS)
        return Fail(s.line, "the form set " + Quote(m_formSet->name) + " has more than 65,535 questions");
    uint16_t prompt = 0, help = 0;
    if (!Token(table.strings.Prompt(s.prompt, s.uqi), s.line, prompt) || !Token(table.strings.Help(s.help), s.line, help))
        return false;
    uint8_t checkBoxFlags = s.hasFlags ? s.flags : (s.defaultValue.value_or(0) != 0 ? 0x01 : 0x00);
    EmitQuestion(table.forms, s, checkBoxFlags, prompt, help);
    m_optionsOpen = s.kind == StatementKind::OneOf || s.kind == StatementKind::OrderedList;
    m_optionsOf.reset();
    if (!m_store)
        return true;   // a table without any store: its values live nowhere we can write
    Occupant occupant{*m_store, &s, s.width, std::nullopt};
    if (s.kind == StatementKind::OrderedList && !s.listDefault.empty()) {
        occupant.defaultBytes = s.listDefault;
        occupant.defaultBytes->resize(s.width, 0);
    } else if (s.defaultValue) {
        occupant.defaultBytes = LittleEndian(*s.defaultValue, s.width);
    }
    m_occupants.push_back(occupant);
    m_optionsOf = m_occupants.size() - 1;
    return true;
}

bool Compiler::CompileOption(const Statement& s, Table& table)
{
    if (!m_optionsOpen)
        return Fail(s.line, "an Option must follow a OneOf, an OrderedList or another of their options");
    uint16_t text = 0;
    if (!Token(table.strings.Shared(s.prompt), s.line, text))
        return false;
    EmitOption(table.forms, text, s.value, s.flags);
    // The first option flagged as default gives a one-of without default= its default.
    if (m_optionsOf) {
        Occupant& question = m_occupants[*m_optionsOf];
        if (question.statement->kind == StatementKind::OneOf && !question.defaultBytes && (s.flags & 0x01))
            question.defaultBytes = LittleEndian(s.value, question.width);
    }
    return true;
}

bool Compiler::CheckOccupants()
{
    std::vector<std::vector<const Occupant*>> byStore(m_description.stores.size());
    for (const Occupant& occupant : m_occupants)
        byStore[occupant.store].push_back(&occupant);
    m_storeSizes.assign(m_description.stores.size(), 0);
    for (size_t store = 0; store < byStore.size(); ++store) {
        if (!CheckStoreOccupants(store, byStore[store]))
            return false;
    }
    return true;
}

bool SameQuestion(const Occupant& a, const Occupant& b)
{
    const Statement &x = *a.statement, &y = *b.statement;
    return x.kind == y.kind && x.offset == y.offset && a.width == b.width && x.uqi == y.uqi && x.prompt == y.prompt;
}

std::string Range(const Occupant& o)
{
    return "offset " + std::to_string(o.statement->offset) + " (" + std::to_string(o.width) + " byte" +
           (o.width == 1 ? "" : "s") + ")";
}

// No two questions share a byte, but for the same question repeated in another form; all
// fit the store's size.
bool Compiler::CheckStoreOccupants(size_t store, std::vector<const Occupant*>& occupants)
{
    const StoreDefinition& definition = m_description.stores[store];
    std::stable_sort(occupants.begin(), occupants.end(),
        [](const Occupant* a, const Occupant* b) { return a->statement->offset < b->statement->offset; });
    const Occupant* furthest = nullptr;
    uint32_t highest = 0;
    for (const Occupant* occupant : occupants) {
        if (furthest && occupant->statement->offset < furthest->End()) {
            const Occupant* later = furthest->statement->line > occupant->statement->line ? furthest : occupant;
            const Occupant* earlier = later == furthest ? occupant : furthest;
            std::string where = " in the store " + Quote(definition.name) + " overlaps the one on line " +
                                std::to_string(earlier->statement->line);
            if (!SameQuestion(*occupant, *furthest))
                return Fail(later->statement->line, "the value at " + Range(*later) + where);
            if (occupant->defaultBytes && furthest->defaultBytes && occupant->defaultBytes != furthest->defaultBytes)
                return Fail(later->statement->line, "this repeats the question on line " + std::to_string(earlier->statement->line) +
                                                        " with another default");
        }
        if (!furthest || occupant->End() > furthest->End())
            furthest = occupant;
        highest = std::max(highest, occupant->End());
    }
    uint32_t size = definition.size.value_or(std::min<uint32_t>(std::max<uint32_t>((highest + 15) / 16 * 16, 16), MAX_STORE_BYTES));
    for (const Occupant* occupant : occupants) {
        if (occupant->End() > size)
            return Fail(occupant->statement->line, "the value at " + Range(*occupant) + " ends past the " + std::to_string(size) +
                                                       " bytes of the store " + Quote(definition.name));
    }
    m_storeSizes[store] = size;
    return true;
}

void Compiler::Assemble(CompiledSetup& out)
{
    ByteWriter db;
    db.WriteU16(static_cast<uint16_t>(m_tables.size()));
    db.WriteZeros(GUID_BYTES);
    for (size_t index = 0; index < m_tables.size(); ++index) {
        Table& table = m_tables[index];
        for (auto [at, store] : table.sizeFields) {
            table.forms.Bytes()[at] = static_cast<uint8_t>(m_storeSizes[store]);
            table.forms.Bytes()[at + 1] = static_cast<uint8_t>(m_storeSizes[store] >> 8);
        }
        ByteWriter packs;
        size_t formsAt = TABLE_HEADER_BYTES;
        WritePackHeader(packs, PACK_FORMS);
        packs.WriteBytes(table.forms.Bytes());
        EndPack(packs, 0);
        size_t stringsAt = TABLE_HEADER_BYTES + packs.Size();
        for (const std::string& language : table.languages)
            WriteStringPack(packs, language, table.strings);
        size_t variablesAt = TABLE_HEADER_BYTES + packs.Size();
        for (size_t store : table.stores)
            WriteVariablePack(packs, m_description.stores[store]);
        db.WriteU16(static_cast<uint16_t>(index + 1));
        WriteGuid(db, table.package);
        db.WriteU32(static_cast<uint32_t>(TABLE_HEADER_BYTES + packs.Size()));
        db.WriteU32(static_cast<uint32_t>(formsAt));
        db.WriteU32(table.languages.empty() ? 0 : static_cast<uint32_t>(stringsAt));
        db.WriteU32(table.stores.empty() ? 0 : static_cast<uint32_t>(variablesAt));
        db.WriteU32(0);   // no device path
        db.WriteU32(static_cast<uint32_t>(table.stores.size()));
        db.WriteU32(static_cast<uint32_t>(table.languages.size()));
        db.WriteBytes(packs.Bytes());
    }
    out.hasForms = !m_tables.empty();
    out.database = std::move(db.Bytes());
    out.hasSetupImage = false;
    out.setupImage.clear();
    if (auto setup = FindStore("Setup"); setup && out.hasForms) {
        out.hasSetupImage = true;
        out.setupVendor = *m_description.stores[*setup].guid;
        out.setupImage.assign(m_storeSizes[*setup], 0);
        std::set<uint16_t> written;
        for (const Occupant& occupant : m_occupants) {
            if (occupant.store != *setup || !occupant.defaultBytes || !written.insert(occupant.statement->offset).second)
                continue;
            std::copy(occupant.defaultBytes->begin(), occupant.defaultBytes->end(), out.setupImage.begin() + occupant.statement->offset);
        }
    }
}

bool Compiler::Run(CompiledSetup& out, SetupError& error)
{
    bool ok = CheckStores();
    for (size_t i = 0; ok && i < m_description.formSets.size(); ++i) {
        m_tables.emplace_back();
        ok = ResolveTable(m_description.formSets[i], m_tables.back());
    }
    for (size_t i = 0; ok && i < m_description.formSets.size(); ++i)
        ok = CompileFormSet(m_description.formSets[i], m_tables[i]);
    if (ok)
        ok = CheckOccupants();
    if (!ok) {
        error = m_error;
        return false;
    }
    if (m_tables.size() > 0xFFFF) {
        error = {m_description.formSets[0xFFFF].line, "a database holds at most 65,535 form sets"};
        return false;
    }
    Assemble(out);
    return true;
}

} // namespace

bool CompileSetup(const SetupDescription& description, CompiledSetup& out, SetupError& error)
{
    Compiler compiler(description);
    CompiledSetup result;
    if (!compiler.Run(result, error))
        return false;
    out = std::move(result);
    return true;
}

bool CompileSetupProfile(std::string_view profileText, CompiledSetup& out, SetupError& error)
{
    SetupDescription description;
    return ReadSetupSections(profileText, description, error) && CompileSetup(description, out, error);
}

} // namespace fwstore::setup
