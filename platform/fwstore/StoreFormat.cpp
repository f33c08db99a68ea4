#include "StoreFormat.h"

#include "ByteReader.h"
#include "EfiGuid.h"

#include <array>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cwchar>

namespace fwstore {

namespace {

constexpr uint8_t MAGIC[8] = {'F', 'W', 'S', 'I', 'M', 'S', 'T', 'R'};

constexpr uint32_t Tag(const char (&text)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

constexpr uint32_t TAG_BOARD = Tag("BORD");
constexpr uint32_t TAG_VARIABLES = Tag("VARS");
constexpr uint32_t TAG_EXPORT_DB = Tag("EXDB");
constexpr uint32_t TAG_COUNTERS = Tag("CNTR");
constexpr uint32_t TAG_FAULTS = Tag("FALT");
constexpr uint32_t TAG_CAPSULE = Tag("CAPS");
constexpr uint32_t TAG_RULES = Tag("RULS");
constexpr uint32_t ALL_TAGS[] = {TAG_BOARD, TAG_VARIABLES, TAG_EXPORT_DB, TAG_COUNTERS, TAG_FAULTS, TAG_CAPSULE, TAG_RULES};
// The restart rules came later: a store without them, which older writers made, is whole.
// The writer leaves the section out when there are none, so such a store stays readable by
// older readers too.
constexpr uint32_t OPTIONAL_TAGS_MASK = 1u << 6;
// Bytes of a restart rule besides its name and its range's bytes.
constexpr size_t RULE_FIXED_BYTES = 16 + GUID_BYTES;

// ---- writing ----

void WriteGuid(ByteWriter& writer, const GUID& guid)
{
    auto bytes = GuidToBytes(guid);
    writer.WriteBytes(bytes);
}

void WriteName(ByteWriter& writer, const std::wstring& name)
{
    for (wchar_t c : name)
        writer.WriteU16(static_cast<uint16_t>(c));
}

size_t BeginSection(ByteWriter& writer, uint32_t tag)
{
    writer.WriteU32(tag);
    writer.WriteU32(0);
    return writer.Size();
}

void EndSection(ByteWriter& writer, size_t payloadStart)
{
    writer.PatchU32(payloadStart - 4, static_cast<uint32_t>(writer.Size() - payloadStart));
}

void WriteBoard(ByteWriter& writer, const StoreImage& image)
{
    size_t start = BeginSection(writer, TAG_BOARD);
    writer.WriteU32(image.capacity);
    writer.WriteU32(static_cast<uint32_t>(image.boardName.size()));
    WriteName(writer, image.boardName);
    EndSection(writer, start);
}

void WriteVariables(ByteWriter& writer, const StoreImage& image)
{
    size_t start = BeginSection(writer, TAG_VARIABLES);
    writer.WriteU32(static_cast<uint32_t>(image.variables.size()));
    for (const auto& variable : image.variables) {
        writer.WriteU32(static_cast<uint32_t>(variable.name.size()));
        WriteGuid(writer, variable.vendor);
        writer.WriteU32(variable.attributes);
        writer.WriteU32(static_cast<uint32_t>(variable.data.size()));
        WriteName(writer, variable.name);
        writer.WriteBytes(variable.data);
    }
    EndSection(writer, start);
}

void WriteExportDb(ByteWriter& writer, const StoreImage& image)
{
    size_t start = BeginSection(writer, TAG_EXPORT_DB);
    writer.WriteBytes(image.exportDb);
    EndSection(writer, start);
}

void WriteCounters(ByteWriter& writer, const StoreImage& image)
{
    size_t start = BeginSection(writer, TAG_COUNTERS);
    writer.WriteU32(image.exportDbReads);
    writer.WriteU32(static_cast<uint32_t>(image.counters.size()));
    for (const auto& counters : image.counters) {
        writer.WriteU32(static_cast<uint32_t>(counters.name.size()));
        WriteGuid(writer, counters.vendor);
        writer.WriteU32(counters.reads);
        writer.WriteU32(counters.writes);
        writer.WriteU32(counters.deletes);
        writer.WriteU32(counters.failedWrites);
        writer.WriteU64(counters.bytesWritten);
        WriteName(writer, counters.name);
    }
    EndSection(writer, start);
}

void WriteFaults(ByteWriter& writer, const StoreImage& image)
{
    size_t start = BeginSection(writer, TAG_FAULTS);
    writer.WriteU32(static_cast<uint32_t>(image.faults.size()));
    for (const auto& fault : image.faults) {
        writer.WriteU32(static_cast<uint32_t>(fault.operation));
        writer.WriteU32(fault.status);
        writer.WriteU32(fault.flags);
        writer.WriteU32(fault.skip);
        writer.WriteU32(fault.remaining);
        WriteGuid(writer, fault.vendor);
        writer.WriteU32(static_cast<uint32_t>(fault.name.size()));
        WriteName(writer, fault.name);
    }
    EndSection(writer, start);
}

void WriteCapsule(ByteWriter& writer, const StoreImage& image)
{
    size_t start = BeginSection(writer, TAG_CAPSULE);
    writer.WriteU32(image.capsule.state);
    writer.WriteU32(image.capsule.lastStatus);
    writer.WriteU32(image.capsule.flags);
    writer.WriteU32(image.capsule.resetCount);
    writer.WriteU32(static_cast<uint32_t>(image.capsule.image.size()));
    writer.WriteBytes(image.capsule.image);
    EndSection(writer, start);
}

void WriteRestartRules(ByteWriter& writer, const StoreImage& image)
{
    if (image.restartRules.empty())
        return;
    size_t start = BeginSection(writer, TAG_RULES);
    writer.WriteU32(static_cast<uint32_t>(image.restartRules.size()));
    for (const auto& rule : image.restartRules) {
        writer.WriteU32(static_cast<uint32_t>(rule.kind));
        WriteGuid(writer, rule.vendor);
        writer.WriteU32(static_cast<uint32_t>(rule.name.size()));
        writer.WriteU32(rule.offset);
        writer.WriteU32(static_cast<uint32_t>(rule.startBytes.size()));
        WriteName(writer, rule.name);
        writer.WriteBytes(rule.startBytes);
    }
    EndSection(writer, start);
}

// ---- reading ----

std::wstring Describe(const wchar_t* format, ...)
{
    wchar_t text[256];
    va_list arguments;
    va_start(arguments, format);
    vswprintf(text, 256, format, arguments);
    va_end(arguments);
    return text;
}

// Reads one section's payload; `base` is the payload's offset in the file, for messages.
class SectionParser {
public:
    SectionParser(std::span<const uint8_t> payload, size_t base, const wchar_t* section)
        : m_reader(payload), m_base(base), m_section(section) {}

    bool U32(uint32_t& value, const wchar_t* what) { return Check(m_reader.ReadU32(value), what); }
    bool U64(uint64_t& value, const wchar_t* what) { return Check(m_reader.ReadU64(value), what); }

    bool Guid(GUID& guid, const wchar_t* what)
    {
        std::span<const uint8_t> bytes;
        if (!Check(m_reader.ReadBytes(GUID_BYTES, bytes), what))
            return false;
        guid = GuidFromBytes(bytes.first<GUID_BYTES>());
        return true;
    }

    bool Bytes(uint32_t count, std::vector<uint8_t>& data, const wchar_t* what)
    {
        std::span<const uint8_t> bytes;
        if (!Check(m_reader.ReadBytes(count, bytes), what))
            return false;
        data.assign(bytes.begin(), bytes.end());
        return true;
    }

    // A name of `length` UTF-16 units, checked by the rules of its field.
    bool Name(uint32_t length, std::wstring& name, NameField field)
    {
        if (std::wstring problem = NameLengthProblem(field, length); !problem.empty())
            return Fail(problem);
        const wchar_t* what = NameFieldLabel(field);
        name.clear();
        for (uint32_t i = 0; i < length; ++i) {
            uint16_t unit = 0;
            if (!Check(m_reader.ReadU16(unit), what))
                return false;
            name.push_back(static_cast<wchar_t>(unit));
        }
        return Rule(NameProblem(field, name));
    }

    // Fails with `problem` unless it is empty (a rule of StoreRules.h that holds).
    bool Rule(const std::wstring& problem) { return problem.empty() ? true : Fail(problem); }

    // A record count is plausible only when that many smallest records could fit.
    bool Count(uint32_t& count, size_t smallestRecord, const wchar_t* what)
    {
        if (!U32(count, what))
            return false;
        if (smallestRecord != 0 && count > m_reader.Remaining() / smallestRecord)
            return Fail(Describe(L"%ls %u does not fit in the section", what, count));
        return true;
    }

    bool Finish()
    {
        if (!m_reader.AtEnd())
            return Fail(Describe(L"%u unexpected bytes at its end", static_cast<unsigned>(m_reader.Remaining())));
        return true;
    }

    bool Fail(const std::wstring& text)
    {
        m_error = Describe(L"section %ls at offset %u: ", m_section, static_cast<unsigned>(m_base + m_reader.Offset())) + text;
        return false;
    }

    size_t Remaining() const { return m_reader.Remaining(); }
    const std::wstring& Error() const { return m_error; }

private:
    bool Check(bool ok, const wchar_t* what)
    {
        return ok ? true : Fail(std::wstring(what) + L" is cut short");
    }

    ByteReader m_reader;
    size_t m_base;
    const wchar_t* m_section;
    std::wstring m_error;
};

bool ParseBoard(SectionParser& parser, StoreImage& image)
{
    uint32_t nameLength = 0;
    return parser.U32(image.capacity, L"capacity") && parser.U32(nameLength, L"board name length") &&
           parser.Name(nameLength, image.boardName, NameField::Board) && parser.Finish();
}

bool ParseVariables(SectionParser& parser, StoreImage& image)
{
    uint32_t count = 0;
    if (!parser.Count(count, 28, L"variable count"))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        StoredVariable variable;
        uint32_t nameLength = 0, dataSize = 0;
        if (!parser.U32(nameLength, L"variable name length") || !parser.Guid(variable.vendor, L"variable GUID") ||
            !parser.U32(variable.attributes, L"variable attributes") || !parser.U32(dataSize, L"variable size") ||
            !parser.Name(nameLength, variable.name, NameField::Variable) ||
            !parser.Bytes(dataSize, variable.data, L"variable data") ||
            !parser.Rule(VariableProblem(image.variables, variable)))
            return false;
        image.variables.push_back(std::move(variable));
    }
    return parser.Finish();
}

bool ParseCounters(SectionParser& parser, StoreImage& image)
{
    uint32_t count = 0;
    if (!parser.U32(image.exportDbReads, L"database read count") || !parser.Count(count, 44, L"counter count"))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        VariableCounters counters;
        uint32_t nameLength = 0;
        if (!parser.U32(nameLength, L"counter name length") || !parser.Guid(counters.vendor, L"counter GUID") ||
            !parser.U32(counters.reads, L"read count") || !parser.U32(counters.writes, L"write count") ||
            !parser.U32(counters.deletes, L"delete count") || !parser.U32(counters.failedWrites, L"failed write count") ||
            !parser.U64(counters.bytesWritten, L"bytes written") ||
            !parser.Name(nameLength, counters.name, NameField::Counter) ||
            !parser.Rule(CountersProblem(image.counters, counters)))
            return false;
        image.counters.push_back(std::move(counters));
    }
    return parser.Finish();
}

bool ParseFaults(SectionParser& parser, StoreImage& image)
{
    uint32_t count = 0;
    if (!parser.Count(count, 40, L"fault count"))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        FaultRule fault;
        uint32_t operation = 0, nameLength = 0;
        if (!parser.U32(operation, L"fault operation") || !parser.U32(fault.status, L"fault status") ||
            !parser.U32(fault.flags, L"fault flags") || !parser.U32(fault.skip, L"fault skip count") ||
            !parser.U32(fault.remaining, L"fault count") || !parser.Guid(fault.vendor, L"fault GUID") ||
            !parser.U32(nameLength, L"fault name length") || !parser.Name(nameLength, fault.name, NameField::Fault))
            return false;
        fault.operation = static_cast<StoreOperation>(operation);
        if (!parser.Rule(FaultProblem(fault)))
            return false;
        image.faults.push_back(std::move(fault));
    }
    return parser.Finish();
}

bool ParseCapsule(SectionParser& parser, StoreImage& image)
{
    CapsuleSlot& slot = image.capsule;
    uint32_t size = 0;
    if (!parser.U32(slot.state, L"capsule state") || !parser.U32(slot.lastStatus, L"capsule status") ||
        !parser.U32(slot.flags, L"capsule flags") || !parser.U32(slot.resetCount, L"reset count") ||
        !parser.U32(size, L"capsule size") || !parser.Bytes(size, slot.image, L"capsule image"))
        return false;
    return parser.Rule(CapsuleProblem(slot)) && parser.Finish();
}

bool ParseRestartRules(SectionParser& parser, StoreImage& image)
{
    uint32_t count = 0;
    if (!parser.Count(count, RULE_FIXED_BYTES, L"rule count"))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        RestartRule rule;
        uint32_t kind = 0, nameLength = 0, length = 0;
        if (!parser.U32(kind, L"rule kind") || !parser.Guid(rule.vendor, L"rule GUID") ||
            !parser.U32(nameLength, L"rule name length") || !parser.U32(rule.offset, L"rule offset") ||
            !parser.U32(length, L"rule length") || !parser.Name(nameLength, rule.name, NameField::Rule) ||
            !parser.Bytes(length, rule.startBytes, L"rule start bytes"))
            return false;
        rule.kind = static_cast<RestartRuleKind>(kind);
        if (!parser.Rule(RestartRuleProblem(rule)))
            return false;
        image.restartRules.push_back(std::move(rule));
    }
    return parser.Finish();
}

const wchar_t* SectionName(uint32_t tag)
{
    if (tag == TAG_BOARD) return L"BORD";
    if (tag == TAG_VARIABLES) return L"VARS";
    if (tag == TAG_EXPORT_DB) return L"EXDB";
    if (tag == TAG_COUNTERS) return L"CNTR";
    if (tag == TAG_FAULTS) return L"FALT";
    if (tag == TAG_CAPSULE) return L"CAPS";
    if (tag == TAG_RULES) return L"RULS";
    return nullptr;
}

bool ParseSection(uint32_t tag, std::span<const uint8_t> payload, size_t base, StoreImage& image, std::wstring& error)
{
    SectionParser parser(payload, base, SectionName(tag));
    bool ok = true;
    if (tag == TAG_BOARD)
        ok = ParseBoard(parser, image);
    else if (tag == TAG_VARIABLES)
        ok = ParseVariables(parser, image);
    else if (tag == TAG_EXPORT_DB)
        image.exportDb.assign(payload.begin(), payload.end());
    else if (tag == TAG_COUNTERS)
        ok = ParseCounters(parser, image);
    else if (tag == TAG_FAULTS)
        ok = ParseFaults(parser, image);
    else if (tag == TAG_CAPSULE)
        ok = ParseCapsule(parser, image);
    else if (tag == TAG_RULES)
        ok = ParseRestartRules(parser, image);
    if (!ok)
        error = parser.Error();
    return ok;
}

bool ParseHeader(ByteReader& reader, size_t fileSize, uint32_t& bodySize, uint32_t& crc, std::wstring& error)
{
    std::span<const uint8_t> magic;
    uint32_t version = 0, headerSize = 0;
    if (!reader.ReadBytes(sizeof(MAGIC), magic) || !reader.ReadU32(version) || !reader.ReadU32(headerSize) ||
        !reader.ReadU32(bodySize) || !reader.ReadU32(crc)) {
        error = Describe(L"the file is %u bytes long, shorter than the store header", static_cast<unsigned>(fileSize));
        return false;
    }
    if (!std::equal(magic.begin(), magic.end(), MAGIC)) {
        error = L"the file is not a board store (wrong signature)";
        return false;
    }
    if (version != STORE_FORMAT_VERSION || headerSize != STORE_HEADER_BYTES) {
        error = Describe(L"store format version %u (header %u bytes) is not supported", version, headerSize);
        return false;
    }
    if (bodySize != fileSize - STORE_HEADER_BYTES) {
        error = Describe(L"the header announces %u bytes of content but the file holds %u: the file is truncated or extended",
            bodySize, static_cast<unsigned>(fileSize - STORE_HEADER_BYTES));
        return false;
    }
    return true;
}

} // namespace

uint32_t Crc32(std::span<const uint8_t> bytes)
{
    static const auto table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
            entries[i] = value;
        }
        return entries;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : bytes)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint64_t EncodedStoreBytes(const StoreImage& image)
{
    // Each section is its tag and payload size, then the payload; the layouts are those of
    // the Write... functions above.
    constexpr uint64_t SECTION = 8;
    auto name = [](const std::wstring& text) { return 2 * static_cast<uint64_t>(text.size()); };
    uint64_t total = STORE_HEADER_BYTES;
    total += SECTION + 8 + name(image.boardName);
    total += SECTION + 4;
    for (const auto& variable : image.variables)
        total += 12 + GUID_BYTES + name(variable.name) + variable.data.size();
    total += SECTION + image.exportDb.size();
    total += SECTION + 8;
    for (const auto& counters : image.counters)
        total += 28 + GUID_BYTES + name(counters.name);
    total += SECTION + 4;
    for (const auto& fault : image.faults)
        total += 24 + GUID_BYTES + name(fault.name);
    total += SECTION + 20 + image.capsule.image.size();
    if (!image.restartRules.empty())
        total += SECTION + 4;
    for (const auto& rule : image.restartRules)
        total += RULE_FIXED_BYTES + name(rule.name) + rule.startBytes.size();
    return total;
}

namespace StoreFormatTesting {

std::vector<uint8_t> EncodeUnchecked(const StoreImage& image)
{
    // The header is written with the body's size and checksum left 0, patched at the end,
    // so that the body is never copied. The file is allocated once, at its final size.
    ByteWriter file;
    const uint64_t size = EncodedStoreBytes(image);
    if (size <= SIZE_MAX)
        file.Reserve(static_cast<size_t>(size));
    file.WriteBytes(MAGIC);
    file.WriteU32(STORE_FORMAT_VERSION);
    file.WriteU32(STORE_HEADER_BYTES);
    file.WriteU32(0);
    file.WriteU32(0);
    WriteBoard(file, image);
    WriteVariables(file, image);
    WriteExportDb(file, image);
    WriteCounters(file, image);
    WriteFaults(file, image);
    WriteCapsule(file, image);
    WriteRestartRules(file, image);
    std::span<const uint8_t> body = std::span<const uint8_t>(file.Bytes()).subspan(STORE_HEADER_BYTES);
    file.PatchU32(16, static_cast<uint32_t>(body.size()));
    file.PatchU32(20, Crc32(body));
    return std::move(file.Bytes());
}

} // namespace StoreFormatTesting

SerializeStatus SerializeStore(const StoreImage& image, std::vector<uint8_t>& bytes, std::wstring& error)
{
    if (std::wstring problem = StoreImageProblem(image); !problem.empty()) {
        error = problem;
        return SerializeStatus::BreaksRule;
    }
    // Refused from the computed size, before anything of the file's size is allocated.
    if (std::wstring problem = StoreFileSizeProblem(EncodedStoreBytes(image)); !problem.empty()) {
        error = problem;
        return SerializeStatus::TooLarge;
    }
    std::vector<uint8_t> encoded = StoreFormatTesting::EncodeUnchecked(image);
    if (std::wstring problem = StoreFileSizeProblem(encoded.size()); !problem.empty()) {
        error = problem;
        return SerializeStatus::TooLarge;
    }
    bytes = std::move(encoded);
    return SerializeStatus::Ok;
}

bool ParseStore(std::span<const uint8_t> bytes, StoreImage& image, std::wstring& error)
{
    if (std::wstring problem = StoreFileSizeProblem(bytes.size()); !problem.empty()) {
        error = problem;
        return false;
    }
    ByteReader reader(bytes);
    uint32_t bodySize = 0, crc = 0;
    if (!ParseHeader(reader, bytes.size(), bodySize, crc, error))
        return false;
    std::span<const uint8_t> body = bytes.subspan(STORE_HEADER_BYTES);
    if (Crc32(body) != crc) {
        error = L"the content does not match its checksum: the file is damaged";
        return false;
    }

    StoreImage parsed;
    uint32_t seen = 0;
    while (!reader.AtEnd()) {
        size_t sectionOffset = reader.Offset();
        uint32_t tag = 0, size = 0;
        std::span<const uint8_t> payload;
        if (!reader.ReadU32(tag) || !reader.ReadU32(size) || !reader.ReadBytes(size, payload)) {
            error = Describe(L"the section at offset %u is cut short", static_cast<unsigned>(sectionOffset));
            return false;
        }
        const wchar_t* name = SectionName(tag);
        if (name == nullptr) {
            error = Describe(L"unknown section tag %#010x at offset %u", tag, static_cast<unsigned>(sectionOffset));
            return false;
        }
        uint32_t bit = 0;
        for (uint32_t i = 0; i < std::size(ALL_TAGS); ++i) {
            if (ALL_TAGS[i] == tag)
                bit = 1u << i;
        }
        if (seen & bit) {
            error = Describe(L"section %ls appears twice", name);
            return false;
        }
        seen |= bit;
        if (!ParseSection(tag, payload, sectionOffset + 8, parsed, error))
            return false;
    }
    if ((seen | OPTIONAL_TAGS_MASK) != (1u << std::size(ALL_TAGS)) - 1) {
        error = L"a required section is missing";
        return false;
    }
    image = std::move(parsed);
    return true;
}

} // namespace fwstore
