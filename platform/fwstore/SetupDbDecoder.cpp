#include "SetupDbDecoder.h"

#include "EfiGuid.h"
#include "SetupDbFormat.h"

#include <cstdio>
#include <optional>

namespace fwstore::setupdb {

namespace {

// A span of the database with its absolute offset, so that damage names where it is.
struct Region {
    std::span<const uint8_t> bytes;
    size_t base = 0;

    bool Has(size_t at, size_t count) const { return at <= bytes.size() && count <= bytes.size() - at; }
    uint32_t Get(size_t at, size_t count) const   // only after Has(at, count)
    {
        uint32_t value = 0;
        for (size_t i = 0; i < count; ++i)
            value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
        return value;
    }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(Get(at, 2)); }
    uint32_t U32(size_t at) const { return Get(at, 4); }
    std::string Guid(size_t at) const   // the registry form is ASCII
    {
        std::wstring text = FormatRegistryGuid(GuidFromBytes(bytes.subspan(at).first<GUID_BYTES>()));
        return std::string(text.begin(), text.end());
    }
    Region Sub(size_t at, size_t count) const { return {bytes.subspan(at, count), base + at}; }
};

struct Damage {
    size_t offset;
    std::string what;
};

std::string Hex(uint32_t value, int digits)
{
    char text[16];
    snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

// A wide NUL-terminated string at `at` of the region.
std::optional<std::u16string> ReadWide(const Region& region, size_t at)
{
    std::u16string text;
    for (size_t i = at; region.Has(i, 2); i += 2) {
        char16_t unit = region.U16(i);
        if (unit == 0)
            return text;
        text.push_back(unit);
    }
    return std::nullopt;
}

struct StringPack {
    std::string language;
    std::vector<std::u16string> strings;
};

class Decoder {
public:
    explicit Decoder(std::span<const uint8_t> database) : m_db{database, 0} {}

    SetupDbDump Run();

private:
    void Print(int depth, const std::string& text) { m_dump.lines.push_back(std::string(2 * depth, ' ') + text); }
    void Table(size_t at);
    void VariablePacks(const Region& table, size_t first, uint32_t count);
    void StringPacks(const Region& table, size_t first, uint32_t count);
    void Forms(const Region& table, size_t at);
    size_t Opcode(const Region& pack, size_t at);
    std::string Text(uint16_t token) const;
    std::string Uqi(uint16_t token) const;
    std::string Question(const Region& op, const char* kind, const char* widthName);
    std::string ConditionWord(const Region& op);
    void Need(const Region& op, size_t length, const char* name);
    const StringPack* Pack(const char* language) const;

    Region m_db;
    SetupDbDump m_dump;
    std::vector<StringPack> m_packs;
    int m_depth = 0;
    std::optional<size_t> m_condition;   // the if line that takes the condition words
};

// Damage ends the walk: what was read stays printed.
[[noreturn]] void Damaged(size_t offset, std::string what)
{
    throw Damage{offset, std::move(what)};
}

void Decoder::Need(const Region& op, size_t length, const char* name)
{
    if (op.bytes.size() < length)
        Damaged(op.base, std::string(name) + " has length " + std::to_string(op.bytes.size()) + ", fewer than its " +
                             std::to_string(length) + " bytes");
}

SetupDbDump Decoder::Run()
{
    try {
        if (!m_db.Has(0, DATABASE_HEADER_BYTES))
            Damaged(0, "the database has " + std::to_string(m_db.bytes.size()) + " bytes, fewer than the 18 of its header");
        uint16_t count = m_db.U16(0);
        Print(0, "setup database: " + std::to_string(count) + " tables, " + std::to_string(m_db.bytes.size()) + " bytes");
        size_t at = DATABASE_HEADER_BYTES;
        for (size_t index = 0; index < count; ++index) {
            if (!m_db.Has(at, TABLE_HEADER_BYTES))
                Damaged(at, "table " + std::to_string(index) + ": its header passes the end of the database");
            size_t size = m_db.U32(at + 18);
            ++m_dump.counts.tables;
            Print(1, "table " + std::to_string(index) + ": handle " + std::to_string(m_db.U16(at)) + ", package " +
                         m_db.Guid(at + 2) + ", " + std::to_string(size) + " bytes");
            if (size < TABLE_HEADER_BYTES || !m_db.Has(at, size))
                Damaged(at + 18, "table " + std::to_string(index) + ": its size " + std::to_string(size) +
                                     " is smaller than its header or passes the end of the database");
            Table(at);
            at += size;
        }
    } catch (const Damage& damage) {
        m_dump.damaged = true;
        m_dump.damage = "damaged at offset " + std::to_string(damage.offset) + ": " + damage.what;
    }
    return std::move(m_dump);
}

// The packs of the table at `at`, whose header and size are checked.
void Decoder::Table(size_t at)
{
    Region table = m_db.Sub(at, m_db.U32(at + 18));
    m_packs.clear();
    VariablePacks(table, table.U32(30), table.U32(38));
    StringPacks(table, table.U32(26), table.U32(42));
    if (uint32_t forms = table.U32(22))
        Forms(table, forms);
}

// Checks the pack header at `at` and answers the pack.
Region PackAt(const Region& table, size_t at, const char* kind)
{
    if (!table.Has(at, PACK_HEADER_BYTES))
        Damaged(table.base + at, std::string(kind) + " pack: its header passes the end of its table");
    uint32_t length = table.U32(at);
    if (length < PACK_HEADER_BYTES || !table.Has(at, length))
        Damaged(table.base + at, std::string(kind) + " pack: its length " + std::to_string(length) +
                                     " is smaller than its header or passes the end of its table");
    return table.Sub(at, length);
}

void Decoder::VariablePacks(const Region& table, size_t at, uint32_t count)
{
    for (uint32_t i = 0; at != 0 && i < count; ++i) {
        Region pack = PackAt(table, at, "variable");
        if (!pack.Has(0, VARIABLE_PACK_NAME_AT))
            Damaged(pack.base, "variable pack: " + std::to_string(pack.bytes.size()) + " bytes, fewer than its 28-byte start");
        uint32_t nameBytes = pack.U32(22);
        auto name = pack.Has(VARIABLE_PACK_NAME_AT, nameBytes) ? ReadWide(pack, VARIABLE_PACK_NAME_AT) : std::nullopt;
        if (!name)
            Damaged(pack.base + 22, "variable pack: its name of " + std::to_string(nameBytes) + " bytes passes the end of the pack");
        Print(2, "variable pack: id " + std::to_string(pack.U16(26)) + ", " + pack.Guid(6) + ", " + Quote(Utf16ToUtf8(*name)));
        at += pack.bytes.size();
    }
}

void Decoder::StringPacks(const Region& table, size_t at, uint32_t count)
{
    for (uint32_t i = 0; at != 0 && i < count; ++i) {
        Region pack = PackAt(table, at, "string");
        if (!pack.Has(0, STRING_PACK_OFFSETS_AT))
            Damaged(pack.base, "string pack: " + std::to_string(pack.bytes.size()) + " bytes, fewer than its 22-byte start");
        uint32_t strings = pack.U32(14);
        auto language = ReadWide(pack, pack.U32(6));
        auto printable = ReadWide(pack, pack.U32(10));
        if (!language || !printable)
            Damaged(pack.base + 6, "string pack: its language name passes the end of the pack");
        if (strings > (pack.bytes.size() - STRING_PACK_OFFSETS_AT) / 4)
            Damaged(pack.base + 14, "string pack: " + std::to_string(strings) + " strings do not fit in the pack");
        StringPack decoded{Utf16ToUtf8(*language), {}};
        for (uint32_t token = 0; token < strings; ++token) {
            size_t offsetAt = STRING_PACK_OFFSETS_AT + 4 * token;
            auto text = ReadWide(pack, pack.U32(offsetAt));
            if (!text)
                Damaged(pack.base + offsetAt, "string pack " + Quote(decoded.language) + ": string " + std::to_string(token) +
                                                  " passes the end of the pack");
            decoded.strings.push_back(std::move(*text));
        }
        Print(2, "string pack: " + decoded.language + " (" + Utf16ToUtf8(*printable) + "), " + std::to_string(strings) + " strings");
        m_packs.push_back(std::move(decoded));
        at += pack.bytes.size();
    }
}

const StringPack* Decoder::Pack(const char* language) const
{
    for (const StringPack& pack : m_packs) {
        if (pack.language == language)
            return &pack;
    }
    return nullptr;
}

std::string Decoder::Text(uint16_t token) const
{
    const StringPack* pack = Pack("eng");
    if (!pack || token >= pack->strings.size())
        return "#" + std::to_string(token) + " (no string)";
    return Quote(Utf16ToUtf8(pack->strings[token]));
}

std::string Decoder::Uqi(uint16_t token) const
{
    const StringPack* pack = Pack("uqi");
    if (!pack || token >= pack->strings.size())
        return "uqi -";
    const std::u16string& units = pack->strings[token];
    if (units.empty())
        return "uqi none";
    std::string text = "uqi ";
    for (size_t i = 0; i < units.size(); ++i)
        text += (i ? "," : "") + Hex(units[i], 4).substr(2);
    return text;
}

void Decoder::Forms(const Region& table, size_t at)
{
    Region pack = PackAt(table, at, "forms");
    Print(2, "forms:");
    m_depth = 3;
    m_condition.reset();
    for (size_t offset = PACK_HEADER_BYTES; offset < pack.bytes.size();)
        offset += Opcode(pack, offset);
}

std::string Decoder::Question(const Region& op, const char* kind, const char* widthName)
{
    uint16_t help = op.U16(7);
    return std::string(kind) + " offset " + Hex(op.U16(2), 4) + " " + widthName + " " + std::to_string(op.bytes[4]) + " prompt " +
           Text(op.U16(5)) + " help " + (help ? Text(help) : std::string("none")) + " " + Uqi(op.U16(5));
}

std::string Decoder::ConditionWord(const Region& op)
{
    uint8_t opcode = op.bytes[0];
    if (opcode == OP_AND || opcode == OP_OR || opcode == OP_NOT)
        return opcode == OP_AND ? "And" : opcode == OP_OR ? "Or" : "Not";
    if (opcode == OP_EQ_VAR_VAL) {
        Need(op, EQ_VAR_VAL_BYTES, "EQ_VAR_VAL");
        return "EqVarVal " + std::to_string(op.U16(2)) + " " + std::to_string(op.U16(4));
    }
    Need(op, EQ_ID_BYTES, opcode == OP_EQ_ID_VAL ? "EQ_ID_VAL" : opcode == OP_EQ_ID_ID ? "EQ_ID_ID" : "EQ_ID_LIST");
    std::string head = Hex(op.U16(2), 4) + " " + std::to_string(op.bytes[4]) + " ";
    if (opcode == OP_EQ_ID_VAL)
        return "EqIdVal " + head + std::to_string(op.U16(5));
    if (opcode == OP_EQ_ID_ID)
        return "EqIdId " + head + Hex(op.U16(5), 4);
    uint16_t count = op.U16(5);
    Need(op, EQ_ID_BYTES + 2u * count, "EQ_ID_LIST");
    std::string list;
    for (uint16_t i = 0; i < count; ++i)
        list += (i ? "," : "") + std::to_string(op.U16(EQ_ID_BYTES + 2u * i));
    return "EqIdList " + head + list;
}

// Prints one opcode and answers its length.
size_t Decoder::Opcode(const Region& pack, size_t at)
{
    if (!pack.Has(at, 2))
        Damaged(pack.base + at, "an opcode's header passes the end of the forms pack");
    uint8_t opcode = pack.bytes[at], length = pack.bytes[at + 1];
    if (length < 2 || !pack.Has(at, length))
        Damaged(pack.base + at, "opcode " + Hex(opcode, 2) + " has length " + std::to_string(length) +
                                    (length < 2 ? ", less than its own header" : ", past the end of the forms pack"));
    Region op = pack.Sub(at, length);
    bool conditionWord = opcode == OP_EQ_ID_VAL || opcode == OP_EQ_ID_ID || opcode == OP_EQ_ID_LIST || opcode == OP_AND ||
                         opcode == OP_OR || opcode == OP_NOT || opcode == OP_EQ_VAR_VAL;
    if (conditionWord) {
        std::string word = ConditionWord(op);
        if (m_condition)
            m_dump.lines[*m_condition] += " " + word;
        else
            Print(m_depth, "condition " + word);
        return length;
    }
    m_condition.reset();
    switch (opcode) {
    case OP_FORM_SET:
        Need(op, FORM_SET_BYTES, "form set");
        Print(3, "form-set " + op.Guid(2) + " title " + Text(op.U16(18)));
        m_depth = 4;
        break;
    case OP_END_FORM_SET:
        Print(3, "end-form-set");
        m_depth = 3;
        break;
    case OP_FORM:
        Need(op, FORM_BYTES, "form");
        ++m_dump.counts.forms;
        Print(4, "form " + std::to_string(op.U16(2)) + " title " + Text(op.U16(4)));
        m_depth = 5;
        break;
    case OP_END_FORM:
        Print(4, "end-form");
        m_depth = 4;
        break;
    case OP_REFERENCE:
        Need(op, REFERENCE_BYTES - 2, "reference");
        ++m_dump.counts.references;
        Print(m_depth, "goto form " + std::to_string(op.U16(2)) + " prompt " + Text(op.U16(4)) + " help " +
                           (op.U16(6) ? Text(op.U16(6)) : std::string("none")) + " " + Uqi(op.U16(4)));
        break;
    case OP_VARIABLE_STORE: {
        Need(op, VARIABLE_STORE_NAME_AT + 1, "variable store");
        std::string name(op.bytes.begin() + VARIABLE_STORE_NAME_AT, op.bytes.end());
        name = name.substr(0, name.find('\0'));
        Print(m_depth, "var-store " + std::to_string(op.U16(18)) + " " + op.Guid(2) + " size " + std::to_string(op.U16(20)) +
                           " " + Quote(name));
        break;
    }
    case OP_VARIABLE_SELECT:
        Need(op, VARIABLE_SELECT_BYTES, "variable-store select");
        Print(m_depth, "select-store " + std::to_string(op.U16(2)));
        break;
    case OP_SUPPRESS_IF:
    case OP_GRAYOUT_IF:
        Print(m_depth, opcode == OP_SUPPRESS_IF ? "suppress-if" : "grayout-if");
        m_condition = m_dump.lines.size() - 1;
        break;
    case OP_END_IF:
        Print(m_depth, "end-if");
        break;
    case OP_ONE_OF:
        Need(op, ONE_OF_BYTES, "one-of");
        ++m_dump.counts.oneOf;
        Print(m_depth, Question(op, "one-of", "width"));
        break;
    case OP_ORDERED_LIST:
        Need(op, ONE_OF_BYTES, "ordered list");
        ++m_dump.counts.orderedList;
        Print(m_depth, Question(op, "ordered-list", "entries"));
        break;
    case OP_CHECK_BOX:
        Need(op, CHECK_BOX_BYTES, "check box");
        ++m_dump.counts.checkBox;
        Print(m_depth, Question(op, "check-box", "width") + " flags " + Hex(op.bytes[9], 2));
        break;
    case OP_NUMERIC:
        Need(op, NUMERIC_BYTES, "numeric");
        ++m_dump.counts.numeric;
        Print(m_depth, Question(op, "numeric", "width") + " min " + std::to_string(op.U16(12)) + " max " +
                           std::to_string(op.U16(14)) + " step " + std::to_string(op.U16(16)) + " default " +
                           std::to_string(op.U16(18)) + " flags " + Hex(op.bytes[9], 2));
        break;
    case OP_PASSWORD:
        Need(op, ONE_OF_BYTES, "password");
        ++m_dump.counts.password;
        Print(m_depth, Question(op, "password", "width"));
        break;
    case OP_OPTION:
        Need(op, OPTION_BYTES - 2, "option");
        Print(m_depth + 1, "option " + std::to_string(op.U16(4)) + " flags " + Hex(op.bytes[6], 2) + " " + Text(op.U16(2)));
        break;
    default:
        Print(m_depth, "opcode " + Hex(opcode, 2) + " length " + std::to_string(length));
        break;
    }
    return length;
}

} // namespace

SetupDbDump DecodeSetupDatabase(std::span<const uint8_t> database)
{
    return Decoder(database).Run();
}

std::string SummaryLine(const SetupDbCounts& c)
{
    return "tables " + std::to_string(c.tables) + ", forms " + std::to_string(c.forms) + ", questions " +
           std::to_string(c.Questions()) + " (one-of " + std::to_string(c.oneOf) + ", check-box " + std::to_string(c.checkBox) +
           ", numeric " + std::to_string(c.numeric) + ", ordered-list " + std::to_string(c.orderedList) + ", password " +
           std::to_string(c.password) + "), references " + std::to_string(c.references);
}

} // namespace fwstore::setupdb
