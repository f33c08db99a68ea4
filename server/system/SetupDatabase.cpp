#include "SetupDatabase.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr size_t PACK_HEADER_SIZE = 6;
constexpr size_t VARIABLE_PACK_NAME = 28;
constexpr size_t STRING_PACK_OFFSETS = 22;
// Longest language name a string pack may carry ("eng", "uqi").
constexpr size_t LANGUAGE_NAME_MAX = 4;

// Bytes of the question opcodes that a token keeps, and the least length its fields need.
constexpr size_t ONE_OF_KEPT = 9;
constexpr size_t CHECK_BOX_KEPT = 12;
constexpr size_t NUMERIC_KEPT = 20;
constexpr size_t OPTION_FIELDS = 7;

std::string Hex(size_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

bool IsQuestion(uint8_t code)
{
    return code == HiiOpcode::OneOf || code == HiiOpcode::CheckBox || code == HiiOpcode::Numeric ||
           code == HiiOpcode::OrderedList;
}

size_t KeptBytes(uint8_t code)
{
    switch (code) {
    case HiiOpcode::CheckBox:
        return CHECK_BOX_KEPT;
    case HiiOpcode::Numeric:
        return NUMERIC_KEPT;
    default:
        return ONE_OF_KEPT;
    }
}

// Least length of the opcodes whose fields the walk reads.
size_t FieldBytes(uint8_t code)
{
    switch (code) {
    case HiiOpcode::Form:
    case HiiOpcode::Reference:
    case HiiOpcode::VariableStoreSelect:
        return 4;
    case HiiOpcode::FormSet:
        return 18;
    case HiiOpcode::EqIdVal:
    case HiiOpcode::EqIdId:
    case HiiOpcode::EqIdList:
        return 7;
    case HiiOpcode::EqVarVal:
        return 6;
    case HiiOpcode::VariableStore:
        return 22;
    default:
        return IsQuestion(code) ? KeptBytes(code) : 2;
    }
}

bool IsSetupVariable(const std::u16string& name, const FirmwareGuid& guid)
{
    return name == SETUP_VARIABLE_NAME && guid == SETUP_VARIABLE_GUID;
}

} // namespace

SetupDatabaseReader::SetupDatabaseReader(std::span<const uint8_t> database, NoticeSink notices)
    : m_db(database), m_notices(std::move(notices)), m_references(std::make_shared<std::vector<IFR_REF>>())
{
}

bool SetupDatabaseReader::U8(size_t at, uint8_t& value) const
{
    if (at >= m_db.size()) {
        return false;
    }
    value = m_db[at];
    return true;
}

bool SetupDatabaseReader::U16(size_t at, uint16_t& value) const
{
    if (at > m_db.size() || m_db.size() - at < 2) {
        return false;
    }
    value = static_cast<uint16_t>(m_db[at] | (m_db[at + 1] << 8));
    return true;
}

bool SetupDatabaseReader::U32(size_t at, uint32_t& value) const
{
    if (at > m_db.size() || m_db.size() - at < 4) {
        return false;
    }
    value = static_cast<uint32_t>(m_db[at]) | (static_cast<uint32_t>(m_db[at + 1]) << 8) |
            (static_cast<uint32_t>(m_db[at + 2]) << 16) | (static_cast<uint32_t>(m_db[at + 3]) << 24);
    return true;
}

bool SetupDatabaseReader::Guid(size_t at, FirmwareGuid& guid) const
{
    if (at > m_db.size() || m_db.size() - at < guid.bytes.size()) {
        return false;
    }
    std::copy_n(m_db.begin() + static_cast<std::ptrdiff_t>(at), guid.bytes.size(), guid.bytes.begin());
    return true;
}

bool SetupDatabaseReader::PackInTable(const DataTableInfo& table, size_t offset, size_t least, PackRange& pack) const
{
    uint32_t length = 0;
    if (offset >= table.size || table.size - offset < least || !U32(table.start + offset, length) || length < least ||
        length > table.size - offset) {
        return false;
    }
    pack = {table.start + offset, table.start + offset + length};
    return true;
}

bool SetupDatabaseReader::WideString(const PackRange& range, size_t offset, size_t maxUnits, std::u16string& text) const
{
    text.clear();
    const size_t length = range.end - range.start;
    // Find the terminator first, so the text is made in one piece.
    for (size_t at = offset, units = 0; at <= length && length - at >= 2 && units <= maxUnits; at += 2, ++units) {
        const size_t where = range.start + at;
        if (m_db[where] == 0 && m_db[where + 1] == 0) {
            text.resize(units);
            for (size_t i = 0; i < units; ++i) {
                const size_t unit = range.start + offset + 2 * i;
                text[i] = static_cast<char16_t>(m_db[unit] | (m_db[unit + 1] << 8));
            }
            return true;
        }
    }
    return false;
}

void SetupDatabaseReader::Notice(size_t offset, std::string what) const
{
    if (m_notices) {
        m_notices(SetupDbProblem{offset, std::move(what)});
    }
}

WalkStatus SetupDatabaseReader::Malformed(size_t offset, std::string what)
{
    m_problem = SetupDbProblem{offset, std::move(what)};
    return WalkStatus::Malformed;
}

// The count is the low half of the first 32-bit word, so a database holds at most 65,535
// tables; bytes after the last table are not read.
bool SetupDatabaseReader::Index()
{
    m_tables.clear();
    uint32_t firstWord = 0;
    if (m_db.size() < SETUP_DB_HEADER_SIZE || !U32(0, firstWord)) {
        Malformed(0, "the setup database has " + std::to_string(m_db.size()) + " bytes, less than its " +
                         std::to_string(SETUP_DB_HEADER_SIZE) + "-byte header");
        return false;
    }
    const size_t count = firstWord & 0xFFFF;
    size_t at = SETUP_DB_HEADER_SIZE;
    for (size_t i = 0; i < count; ++i) {
        if (m_db.size() - at < DATA_TABLE_HEADER_SIZE) {
            Malformed(at, "data table " + std::to_string(i + 1) + " of " + std::to_string(count) +
                              " has no room for its header");
            return false;
        }
        DataTableInfo table;
        table.start = at;
        std::copy_n(m_db.begin() + static_cast<std::ptrdiff_t>(at), DATA_TABLE_HEADER_SIZE, table.header.begin());
        uint32_t size = 0;
        (void)U16(at, table.handle);
        (void)Guid(at + 2, table.packageGuid);
        (void)U32(at + 18, size);
        (void)U32(at + 22, table.formsOffset);
        (void)U32(at + 26, table.stringOffset);
        (void)U32(at + 30, table.variableOffset);
        (void)U32(at + 38, table.variablePackCount);
        (void)U32(at + 42, table.languageCount);
        if (size == 0) {
            // Exports leave the size 0 for a table without strings. Its end is unknown, so it
            // may reach the end of the database and no table after it can be found.
            table.size = m_db.size() - at;
            m_tables.push_back(table);
            if (i + 1 < count) {
                Notice(at, "data table " + std::to_string(i + 1) + " has size 0: the " +
                               std::to_string(count - i - 1) + " tables after it cannot be located");
            }
            break;
        }
        if (size < DATA_TABLE_HEADER_SIZE || size > m_db.size() - at) {
            Malformed(at, "data table " + std::to_string(i + 1) + " claims " + std::to_string(size) +
                              " bytes; " + std::to_string(m_db.size() - at) + " remain in the database");
            return false;
        }
        table.size = size;
        m_tables.push_back(table);
        at += size;
    }
    m_indexed = true;
    return true;
}

std::vector<VariablePackInfo> SetupDatabaseReader::VariablePacks(size_t tableIndex) const
{
    std::vector<VariablePackInfo> packs;
    const DataTableInfo& table = m_tables[tableIndex];
    if (table.variableOffset == 0 || table.variablePackCount == 0) {
        return packs;
    }
    size_t at = table.variableOffset;
    for (uint32_t i = 0; i < table.variablePackCount; ++i) {
        VariablePackInfo pack;
        if (!PackInTable(table, at, VARIABLE_PACK_NAME, pack.range)) {
            Notice(table.start + at, "variable pack " + std::to_string(i + 1) + " of table " +
                                         std::to_string(tableIndex + 1) + " does not fit its table");
            break;
        }
        (void)Guid(pack.range.start + 6, pack.guid);
        (void)U16(pack.range.start + 26, pack.id);
        if (!WideString(pack.range, VARIABLE_PACK_NAME, SIZE_MAX, pack.name)) {
            Notice(pack.range.start, "the name of variable pack " + std::to_string(i + 1) + " of table " +
                                         std::to_string(tableIndex + 1) + " has no terminator");
            break;
        }
        at += pack.range.end - pack.range.start;
        packs.push_back(std::move(pack));
    }
    return packs;
}

bool SetupDatabaseReader::FindStringPack(size_t tableIndex, std::u16string_view language, PackRange& pack,
    size_t& owner) const
{
    auto searchTable = [&](size_t index) {
        const DataTableInfo& table = m_tables[index];
        if (table.stringOffset == 0) {
            return false;
        }
        size_t at = table.stringOffset;
        for (uint32_t i = 0; i < table.languageCount; ++i) {
            PackRange candidate;
            if (!PackInTable(table, at, STRING_PACK_OFFSETS, candidate)) {
                Notice(table.start + at, "string pack " + std::to_string(i + 1) + " of table " +
                                             std::to_string(index + 1) + " does not fit its table");
                return false;
            }
            uint32_t nameOffset = 0;
            (void)U32(candidate.start + 6, nameOffset);
            std::u16string name;
            if (WideString(candidate, nameOffset, LANGUAGE_NAME_MAX, name) && name == language) {
                pack = candidate;
                owner = index;
                return true;
            }
            at += candidate.end - candidate.start;
        }
        return false;
    };
    if (searchTable(tableIndex)) {
        return true;
    }
    for (size_t other = 0; other < m_tables.size(); ++other) {
        if (other != tableIndex && m_tables[other].packageGuid == m_tables[tableIndex].packageGuid &&
            searchTable(other)) {
            return true;
        }
    }
    return false;
}

bool SetupDatabaseReader::GetString(const PackRange& pack, uint16_t token, std::u16string& text) const
{
    text.clear();
    const size_t length = pack.end - pack.start;
    uint32_t count = 0;
    (void)U32(pack.start + 14, count);
    const size_t slot = STRING_PACK_OFFSETS + 4 * static_cast<size_t>(token);
    if (token >= count || slot + 4 > length) {
        return false;
    }
    uint32_t offset = 0;
    (void)U32(pack.start + slot, offset);
    if (WideString(pack, offset, SIZE_MAX, text)) {
        return true;
    }
    Notice(pack.start + offset, "string " + std::to_string(token) + " has no terminator inside its pack");
    return false;
}

void SetupDatabaseReader::ResetWalk()
{
    m_nextTable = 0;
    m_inTable = false;
    m_mode = Mode::None;
    m_openGrayout.reset();
    m_openSuppress.reset();
    m_grayoutList.clear();
    m_suppressList.clear();
    m_formId = HII_NO_FORM;
    m_formSetGuid = {};
    ResetStoreSelection();
    m_references = std::make_shared<std::vector<IFR_REF>>();
}

bool SetupDatabaseReader::FindTableVariable(size_t tableIndex)
{
    m_tableStores = VariablePacks(tableIndex);
    if (m_tableStores.empty()) {
        for (size_t other = 0; other < m_tables.size() && m_tableStores.empty(); ++other) {
            if (other != tableIndex && m_tables[other].packageGuid == m_tables[tableIndex].packageGuid) {
                m_tableStores = VariablePacks(other);
            }
        }
    }
    if (m_tableStores.empty()) {
        return false;
    }
    m_tableVariable = m_tableStores.front();
    return true;
}

bool SetupDatabaseReader::NextDataTable()
{
    while (m_nextTable < m_tables.size()) {
        const size_t index = m_nextTable++;
        const DataTableInfo& table = m_tables[index];
        if (table.formsOffset == 0) {
            continue;
        }
        PackRange forms;
        if (!PackInTable(table, table.formsOffset, PACK_HEADER_SIZE, forms)) {
            Notice(table.start + table.formsOffset, "the forms pack of table " + std::to_string(index + 1) +
                                   " does not fit its table; the table is skipped");
            continue;
        }
        if (!FindTableVariable(index)) {
            Notice(table.start, "table " + std::to_string(index + 1) + " has no variable; the table is skipped");
            continue;
        }
        size_t uqiOwner = 0;
        size_t engOwner = 0;
        if (!FindStringPack(index, u"uqi", m_uqiPack, uqiOwner) || !FindStringPack(index, u"eng", m_engPack, engOwner) ||
            uqiOwner != engOwner) {
            Notice(table.start, "table " + std::to_string(index + 1) +
                                    " has no \"uqi\" and \"eng\" strings in one table; the table is skipped");
            continue;
        }
        m_current = forms.start + PACK_HEADER_SIZE;
        m_formsEnd = forms.end;
        m_inTable = true;
        ResetStoreSelection();
        return true;
    }
    return false;
}

bool SetupDatabaseReader::FindPasswords(std::u16string_view storeName, const FirmwareGuid& storeGuid,
                                        std::vector<PasswordQuestion>& passwords)
{
    if (!m_indexed && !Index()) {
        return false;
    }
    for (size_t index = 0; index < m_tables.size(); ++index) {
        const DataTableInfo& table = m_tables[index];
        PackRange forms;
        if (table.formsOffset == 0 || !PackInTable(table, table.formsOffset, PACK_HEADER_SIZE, forms)) {
            continue;
        }
        // The store's id as the table's variable packs give it; a form set may define it anew.
        std::optional<uint16_t> packId;
        for (const VariablePackInfo& pack : VariablePacks(index)) {
            if (pack.name == storeName && pack.guid == storeGuid) {
                packId = pack.id;
            }
        }
        std::optional<uint16_t> storeId = packId;
        bool selected = false;
        m_formsEnd = forms.end;
        for (size_t at = forms.start + PACK_HEADER_SIZE; at < forms.end;) {
            Opcode op;
            if (!ReadOpcode(at, op)) {
                return false;
            }
            at += op.length;
            if (op.code == HiiOpcode::EndFormSet) {
                break;
            }
            if (op.code == HiiOpcode::FormSet) {
                storeId = packId;
                selected = false;
            } else if (op.code == HiiOpcode::VariableStore) {
                const StoreDefinition store = ReadStore(op);
                if (store.name == storeName && store.guid == storeGuid) {
                    storeId = store.id;
                }
            } else if (op.code == HiiOpcode::VariableStoreSelect) {
                uint16_t id = 0;
                (void)U16(op.start + 2, id);
                selected = storeId && *storeId == id;
            } else if (op.code == HiiOpcode::Password && selected) {
                PasswordQuestion password;
                (void)U16(op.start + 2, password.offset);
                (void)U8(op.start + 4, password.width);
                passwords.push_back(password);
            }
        }
    }
    return true;
}

bool SetupDatabaseReader::ReadOpcode(size_t at, Opcode& opcode)
{
    opcode.start = at;
    if (m_formsEnd - at < 2 || !U8(at, opcode.code) || !U8(at + 1, opcode.length)) {
        Malformed(at, "an opcode header runs past the end of the forms pack");
        return false;
    }
    if (opcode.length == 0) {
        Malformed(at, "opcode " + Hex(opcode.code) + " has length 0");
        return false;
    }
    if (opcode.length > m_formsEnd - at) {
        Malformed(at, "opcode " + Hex(opcode.code) + " of " + std::to_string(opcode.length) +
                          " bytes runs past the end of the forms pack");
        return false;
    }
    if (opcode.length < FieldBytes(opcode.code)) {
        Malformed(at, "opcode " + Hex(opcode.code) + " has " + std::to_string(opcode.length) +
                          " bytes, fewer than its fields need");
        return false;
    }
    return true;
}

void SetupDatabaseReader::CloseOpenExpressions()
{
    if (m_openGrayout) {
        m_grayoutList.push_back(std::move(*m_openGrayout));
        m_openGrayout.reset();
    }
    if (m_openSuppress) {
        m_suppressList.push_back(std::move(*m_openSuppress));
        m_openSuppress.reset();
    }
}

void SetupDatabaseReader::AddToOpenExpression(std::unique_ptr<S_BOOL_ELEMENT> element)
{
    std::unique_ptr<CHiiBooleanExpression>* open = nullptr;
    if (m_mode == Mode::Grayout) {
        open = &m_openGrayout;
    } else if (m_mode == Mode::Suppress) {
        open = &m_openSuppress;
    } else {
        return;
    }
    if (!*open) {
        *open = std::make_unique<CHiiBooleanExpression>(SETUP_VARIABLE_NAME, SETUP_VARIABLE_GUID);
    }
    (*open)->Add(std::move(element));
}

bool SetupDatabaseReader::TrackOperand(const Opcode& op)
{
    uint16_t id = 0;
    uint8_t width = 0;
    uint16_t value = 0;
    (void)U16(op.start + 2, id);
    switch (op.code) {
    case HiiOpcode::EqIdVal:
        (void)U8(op.start + 4, width);
        (void)U16(op.start + 5, value);
        AddToOpenExpression(std::make_unique<S_BOOL_EQ_ID_VAL>(id, width, value));
        return true;
    case HiiOpcode::EqIdId:
        (void)U8(op.start + 4, width);
        (void)U16(op.start + 5, value);
        AddToOpenExpression(std::make_unique<S_BOOL_EQ_ID_ID>(id, width, value));
        return true;
    case HiiOpcode::EqIdList: {
        uint16_t count = 0;
        (void)U8(op.start + 4, width);
        (void)U16(op.start + 5, count);
        if (7 + 2 * static_cast<size_t>(count) > op.length) {
            Malformed(op.start, "EQ_ID_LIST lists " + std::to_string(count) + " values; its " +
                                    std::to_string(op.length) + " bytes hold " + std::to_string((op.length - 7) / 2));
            return false;
        }
        std::vector<uint16_t> values(count);
        for (size_t i = 0; i < count; ++i) {
            (void)U16(op.start + 7 + 2 * i, values[i]);
        }
        AddToOpenExpression(std::make_unique<S_BOOL_EQ_ID_LIST>(id, width, std::move(values)));
        return true;
    }
    case HiiOpcode::EqVarVal:
        (void)U16(op.start + 4, value);
        AddToOpenExpression(std::make_unique<S_BOOL_EQ_VAR_VAL>(id, value));
        return true;
    case HiiOpcode::And:
        AddToOpenExpression(std::make_unique<S_BOOL_AND>());
        return true;
    case HiiOpcode::Or:
        AddToOpenExpression(std::make_unique<S_BOOL_OR>());
        return true;
    case HiiOpcode::Not:
        AddToOpenExpression(std::make_unique<S_BOOL_NOT>());
        return true;
    default:
        return true;
    }
}

SetupDatabaseReader::StoreDefinition SetupDatabaseReader::ReadStore(const Opcode& op) const
{
    StoreDefinition store;
    (void)Guid(op.start + 2, store.guid);
    (void)U16(op.start + 18, store.id);
    for (size_t at = op.start + 22; at < op.start + op.length; ++at) {
        if (m_db[at] == 0) {
            return store;
        }
        store.name.push_back(static_cast<char16_t>(m_db[at]));
    }
    // Without its terminator the store has no name, and questions under it are no tokens.
    store.name.clear();
    return store;
}

void SetupDatabaseReader::TrackStore(const Opcode& op) { m_stores.push_back(ReadStore(op)); }

// A form set starts with the table's variable and the stores it defines itself.
void SetupDatabaseReader::ResetStoreSelection()
{
    m_stores.clear();
    m_selectedIsSetup = true;
}

// Questions under a selected store other than the setup variable are no tokens: their ids
// are offsets into that store, not into "Setup".
void SetupDatabaseReader::TrackSelect(const Opcode& op)
{
    uint16_t id = 0;
    (void)U16(op.start + 2, id);
    m_selectedIsSetup = false;
    for (const StoreDefinition& store : m_stores) {
        if (store.id == id) {
            m_selectedIsSetup = IsSetupVariable(store.name, store.guid);
            return;
        }
    }
    for (const VariablePackInfo& pack : m_tableStores) {
        if (pack.id == id) {
            m_selectedIsSetup = IsSetupVariable(pack.name, pack.guid);
            return;
        }
    }
}

bool SetupDatabaseReader::Track(const Opcode& op)
{
    if (IsQuestion(op.code) || op.code == HiiOpcode::SuppressIf || op.code == HiiOpcode::GrayoutIf ||
        op.code == HiiOpcode::Reference) {
        CloseOpenExpressions();
    }
    switch (op.code) {
    case HiiOpcode::Form:
        (void)U16(op.start + 2, m_formId);
        return true;
    case HiiOpcode::FormSet:
        (void)Guid(op.start + 2, m_formSetGuid);
        ResetStoreSelection();
        return true;
    case HiiOpcode::EndFormSet:
        ResetStoreSelection();
        return true;
    case HiiOpcode::VariableStore:
        TrackStore(op);
        return true;
    case HiiOpcode::VariableStoreSelect:
        TrackSelect(op);
        return true;
    case HiiOpcode::SuppressIf:
        m_mode = Mode::Suppress;
        m_openSuppress = std::make_unique<CHiiBooleanExpression>(SETUP_VARIABLE_NAME, SETUP_VARIABLE_GUID);
        return true;
    case HiiOpcode::GrayoutIf:
        m_mode = Mode::Grayout;
        m_openGrayout = std::make_unique<CHiiBooleanExpression>(SETUP_VARIABLE_NAME, SETUP_VARIABLE_GUID);
        return true;
    case HiiOpcode::EndIf:
        m_mode = Mode::None;
        m_openGrayout.reset();
        m_openSuppress.reset();
        m_grayoutList.clear();
        m_suppressList.clear();
        return true;
    case HiiOpcode::Reference: {
        IFR_REF ref;
        ref.formSetGuid = m_formSetGuid;
        ref.sourceForm = m_formId;
        (void)U16(op.start + 2, ref.targetForm);
        ref.suppressConditions = m_suppressList;
        m_references->push_back(std::move(ref));
        return true;
    }
    default:
        return TrackOperand(op);
    }
}

bool SetupDatabaseReader::ReadOptions(HII_SETTING& record)
{
    while (m_current < m_formsEnd) {
        Opcode op;
        if (!ReadOpcode(m_current, op)) {
            return false;
        }
        if (op.code != HiiOpcode::Option) {
            return true;
        }
        if (op.length < OPTION_FIELDS) {
            Malformed(op.start, "an option of " + std::to_string(op.length) + " bytes is shorter than its fields");
            return false;
        }
        HII_OPTION option;
        uint16_t textToken = 0;
        (void)U16(op.start + 2, textToken);
        (void)U16(op.start + 4, option.value);
        (void)U8(op.start + 6, option.flags);
        (void)GetString(m_engPack, textToken, option.text);
        record.options.push_back(std::move(option));
        m_current += op.length;
    }
    return true;
}

WalkStatus SetupDatabaseReader::BuildToken(const Opcode& question, HII_SETTING& record)
{
    record = HII_SETTING{};
    record.variableName = m_tableVariable.name;
    record.variableGuid = m_tableVariable.guid;
    if (!IsSetupVariable(record.variableName, record.variableGuid) || !m_selectedIsSetup) {
        return WalkStatus::NotToken;
    }
    record.grayoutConditions = m_grayoutList;
    record.suppressConditions = m_suppressList;
    record.formId = m_formId;
    record.formSetGuid = m_formSetGuid;
    record.placements.push_back({m_formSetGuid, m_formId, 0, record.suppressConditions.size()});
    record.references = m_references;

    uint16_t promptToken = 0;
    uint16_t helpToken = 0;
    (void)U16(question.start, record.opcodeHeader);
    (void)U16(question.start + 2, record.offset);
    (void)U8(question.start + 4, record.width);
    (void)U16(question.start + 5, promptToken);
    (void)U16(question.start + 7, helpToken);
    const auto kept = m_db.subspan(question.start, KeptBytes(question.code));
    std::copy(kept.begin(), kept.end(), record.opcodeBytes.begin());
    record.opcodeByteCount = static_cast<uint8_t>(kept.size());

    switch (question.code) {
    case HiiOpcode::OneOf:
        if (!ReadOptions(record)) {
            return WalkStatus::Malformed;
        }
        break;
    case HiiOpcode::CheckBox:
        record.options.push_back({1, 1, u"CHECKED"});
        record.options.push_back({0, 0, u"UNCHECKED"});
        break;
    case HiiOpcode::OrderedList: {
        record.width = 1;
        if (!ReadOptions(record)) {
            return WalkStatus::Malformed;
        }
        const bool hasZero = std::any_of(record.options.begin(), record.options.end(),
                                         [](const HII_OPTION& option) { return option.value == 0; });
        if (!hasZero) {
            record.options.push_back({0, 0, u"(no value)"});
        }
        break;
    }
    default:
        break;
    }

    (void)GetString(m_engPack, promptToken, record.name);
    (void)GetString(m_uqiPack, promptToken, record.uqi);
    if (helpToken != 0) {
        (void)GetString(m_engPack, helpToken, record.description);
    }
    if (record.name.empty() || record.uqi.empty() || record.uqi[0] == 0) {
        return WalkStatus::NotToken;
    }
    return WalkStatus::Token;
}

WalkStatus SetupDatabaseReader::First(HII_SETTING& record)
{
    ResetWalk();
    if (!m_indexed && !Index()) {
        return WalkStatus::Malformed;
    }
    return Next(record);
}

WalkStatus SetupDatabaseReader::Next(HII_SETTING& record)
{
    for (;;) {
        if (!m_inTable && !NextDataTable()) {
            return WalkStatus::End;
        }
        if (m_current >= m_formsEnd) {
            m_inTable = false;
            continue;
        }
        Opcode op;
        if (!ReadOpcode(m_current, op)) {
            return WalkStatus::Malformed;
        }
        m_current += op.length;
        if (!Track(op)) {
            return WalkStatus::Malformed;
        }
        if (IsQuestion(op.code)) {
            return BuildToken(op, record);
        }
    }
}
