// The reader of the firmware's setup database (the buffer that GetExportDb fills): the table
// index, the string and variable packs, and the walk over the forms packs that yields one
// token record per question. Plain C++ over a byte span without Windows headers; every
// offset, count and length read from the database is checked against the buffer before it
// is used. Parts that are broken but can be stepped over (a table without its strings, a
// string without its terminator) are skipped and reported as notices; a forms pack that
// cannot be walked ends the walk as malformed.
#pragma once

#include "HiiSetting.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

constexpr size_t SETUP_DB_HEADER_SIZE = 18;
constexpr size_t DATA_TABLE_HEADER_SIZE = 46;

struct DataTableInfo {
    size_t start = 0;
    size_t size = 0;                 // bytes the table may use (a size of 0 reaches the end)
    std::array<uint8_t, DATA_TABLE_HEADER_SIZE> header{};
    uint16_t handle = 0;
    FirmwareGuid packageGuid;
    uint32_t formsOffset = 0;
    uint32_t stringOffset = 0;
    uint32_t variableOffset = 0;
    uint32_t variablePackCount = 0;
    uint32_t languageCount = 0;
};

// A pack inside the database: [start, end) in database offsets.
struct PackRange {
    size_t start = 0;
    size_t end = 0;
};

struct VariablePackInfo {
    PackRange range;
    FirmwareGuid guid;
    uint16_t id = 0;
    std::u16string name;
};

// The result of one step of the walk; the values are those GetNextToken answers.
enum class WalkStatus { Token = 0, NotToken = 1, End = 3, Malformed = -1 };

// Where the database is damaged, and how.
struct SetupDbProblem {
    size_t offset = 0;
    std::string what;
};

class SetupDatabaseReader {
public:
    using NoticeSink = std::function<void(const SetupDbProblem&)>;

    // The reader looks at `database` without owning it.
    explicit SetupDatabaseReader(std::span<const uint8_t> database, NoticeSink notices = {});

    // The table index; false (with Problem()) when the header or a table header is broken.
    bool Index();
    const std::vector<DataTableInfo>& Tables() const { return m_tables; }

    // The walk: First starts at the first data table (indexing first when needed), Next goes
    // on. Malformed leaves Problem() filled.
    WalkStatus First(HII_SETTING& record);
    WalkStatus Next(HII_SETTING& record);
    const SetupDbProblem& Problem() const { return m_problem; }
    // The references met so far; the records share this list.
    std::shared_ptr<const std::vector<IFR_REF>> References() const { return m_references; }

    // The string pack of `language` for table `table`: that table's packs first, then those
    // of the other tables with the same package GUID; `owner` receives the table holding it.
    bool FindStringPack(size_t table, std::u16string_view language, PackRange& pack, size_t& owner) const;
    // String `token` of a string pack; false when the pack has no such string or it is broken.
    bool GetString(const PackRange& pack, uint16_t token, std::u16string& text) const;
    // The variable packs of table `table`, in order (broken ones end the list).
    std::vector<VariablePackInfo> VariablePacks(size_t table) const;

    // The password questions of every form set that live in the variable store `storeName`
    // with `storeGuid` (a store of the form set, or a variable pack of its table, selected
    // before the question). False, with Problem(), when a forms pack cannot be walked. It
    // walks on its own: not to be called between First and Next.
    struct PasswordQuestion {
        uint16_t offset = 0;
        uint8_t width = 0;
    };
    bool FindPasswords(std::u16string_view storeName, const FirmwareGuid& storeGuid,
                       std::vector<PasswordQuestion>& passwords);

private:
    struct Opcode {
        size_t start = 0;
        uint8_t code = 0;
        uint8_t length = 0;
    };
    struct StoreDefinition {
        uint16_t id = 0;
        FirmwareGuid guid;
        std::u16string name;
    };

    bool NextDataTable();
    bool FindTableVariable(size_t table);
    bool ReadOpcode(size_t at, Opcode& opcode);
    bool Track(const Opcode& opcode);
    bool TrackOperand(const Opcode& opcode);
    void CloseOpenExpressions();
    void AddToOpenExpression(std::unique_ptr<S_BOOL_ELEMENT> element);
    StoreDefinition ReadStore(const Opcode& opcode) const;
    void TrackStore(const Opcode& opcode);
    void TrackSelect(const Opcode& opcode);
    void ResetStoreSelection();
    WalkStatus BuildToken(const Opcode& question, HII_SETTING& record);
    bool ReadOptions(HII_SETTING& record);
    void ResetWalk();
    WalkStatus Malformed(size_t offset, std::string what);
    void Notice(size_t offset, std::string what) const;

    // The pack at `offset` from the table's start, when its header of `least` bytes and the
    // length it gives fit the table.
    bool PackInTable(const DataTableInfo& table, size_t offset, size_t least, PackRange& pack) const;
    // The NUL-terminated wide string `offset` bytes into `range`, of at most `maxUnits`
    // units; false when no terminator comes first.
    bool WideString(const PackRange& range, size_t offset, size_t maxUnits, std::u16string& text) const;

    bool U8(size_t at, uint8_t& value) const;
    bool U16(size_t at, uint16_t& value) const;
    bool U32(size_t at, uint32_t& value) const;
    bool Guid(size_t at, FirmwareGuid& guid) const;

    std::span<const uint8_t> m_db;
    NoticeSink m_notices;
    std::vector<DataTableInfo> m_tables;
    bool m_indexed = false;
    SetupDbProblem m_problem;

    // The walk.
    size_t m_nextTable = 0;
    bool m_inTable = false;
    size_t m_current = 0;
    size_t m_formsEnd = 0;
    PackRange m_uqiPack;
    PackRange m_engPack;
    VariablePackInfo m_tableVariable;
    std::vector<VariablePackInfo> m_tableStores;

    // The condition tracker.
    enum class Mode { None, Grayout, Suppress };
    Mode m_mode = Mode::None;
    std::unique_ptr<CHiiBooleanExpression> m_openGrayout;
    std::unique_ptr<CHiiBooleanExpression> m_openSuppress;
    std::vector<CHiiBooleanExpression> m_grayoutList;
    std::vector<CHiiBooleanExpression> m_suppressList;
    uint16_t m_formId = HII_NO_FORM;
    FirmwareGuid m_formSetGuid;
    // Variable stores of the current form set, and whether the store selected, if any, is
    // the setup variable (without a selection questions are in the table's variable).
    std::vector<StoreDefinition> m_stores;
    bool m_selectedIsSetup = true;
    std::shared_ptr<std::vector<IFR_REF>> m_references;
};
