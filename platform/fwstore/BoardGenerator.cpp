#include "BoardGenerator.h"

#include <cstdio>
#include <vector>

namespace fwstore {

namespace {

constexpr size_t QUESTIONS_PER_FORM_SET = 1000;
constexpr size_t QUESTIONS_PER_FORM = 50;
// The most bytes a form set's questions take (an ordered list takes 4), and where a store
// is full: offsets are 16-bit.
constexpr size_t BYTES_PER_FORM_SET = 4 * QUESTIONS_PER_FORM_SET + 64;
constexpr size_t STORE_LIMIT = 0xFF00;

std::string Format(const char* format, size_t a, size_t b = 0, size_t c = 0)
{
    char text[256];
    snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// The value stores: "Setup" while it has room, then "Extra1", "Extra2", ...
struct StoreCursor {
    size_t store = 0;
    size_t next = 0;
    std::string Name() const { return store == 0 ? "Setup" : "Extra" + std::to_string(store); }
    size_t Take(size_t bytes)
    {
        size_t offset = next;
        next += bytes;
        return offset;
    }
};

// The last question written, which the next form may repeat.
struct Repeatable {
    bool valid = false;
    std::string line;
};

class Generator {
public:
    explicit Generator(size_t count) : m_count(count) {}
    std::string Run();

private:
    void FormSet(size_t index, size_t questions);
    void Form(size_t formSet, size_t form, size_t forms, size_t questions);
    size_t Question(size_t room);
    void OneOf(size_t offset, size_t uqi, const std::string& prompt);
    void Emit(const std::string& line) { m_text += line + "\n"; }

    size_t m_count;
    size_t m_written = 0;
    StoreCursor m_cursor;
    Repeatable m_last;
    std::string m_text;
    bool m_passwordsDone = false;
};

std::string Generator::Run()
{
    Emit("; A generated board of " + std::to_string(m_count) + " setup questions (fwsim profile --questions N).");
    Emit("[Board]");
    Emit("Name = Generated board, " + std::to_string(m_count) + " questions");
    Emit("Capacity = 1048576");
    Emit("");
    Emit("[Variable FirmwareId]");
    Emit("Guid = {EFC071AE-41B8-4018-AFA7-314B185E578B}");
    Emit("Text = DBZ7710H.86A.0042.2013.0312.1045");
    Emit("");
    // The SMBIOS strings and the password variable, so that the whole system reads.
    const char* strings[][2] = {{"1.4", "Generated Boards"}, {"1.5", "GB1"}, {"1.6", "1.0"}, {"1.7", "GB0001"},
                                {"3.4", "Generated Boards"}, {"3.6", "1.0"}, {"3.7", "GC0001"}, {"3.8", "GA0001"}};
    for (const auto& [name, text] : strings) {
        Emit(std::string("[Variable ") + name + "]");
        Emit("Guid = {70E56C5E-280C-44B0-A497-09681ABC375E}");
        Emit(std::string("String = ") + text);
    }
    Emit("[Variable SystemPassword]");
    Emit("Guid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}");
    Emit("Size = 32");
    Emit("Fill = 00");
    Emit("");
    Emit("[Variable QrvDataVar]");
    Emit("Guid = {3812723D-7E48-4E29-BC27-F5A39AC94EF1}");
    Emit("PlatformValue = 1 1");
    Emit("PlatformValue = 2 0");
    size_t formSets = (m_count + QUESTIONS_PER_FORM_SET - 1) / QUESTIONS_PER_FORM_SET;
    for (size_t index = 0; index < formSets; ++index)
        FormSet(index, std::min(QUESTIONS_PER_FORM_SET, m_count - index * QUESTIONS_PER_FORM_SET));
    Emit("");
    Emit("[Store Setup]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nId = 1");
    Emit("[Store SystemPassword]\nGuid = {EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9}\nId = 2");
    for (size_t store = 1; store <= m_cursor.store; ++store)
        Emit(Format("[Store Extra%zu]\nGuid = {5EED0001-0000-4000-8000-%012zX}\nId = %zu", store, store, store + 10));
    return std::move(m_text);
}

void Generator::FormSet(size_t index, size_t questions)
{
    if (m_cursor.next + BYTES_PER_FORM_SET > STORE_LIMIT)
        m_cursor = {m_cursor.store + 1, 0};
    m_last.valid = false;
    Emit("");
    Emit("[FormSet Generated " + std::to_string(index + 1) + "]");
    Emit(Format("Guid = {5EED0000-0000-4000-8000-%012zX}", index + 1));
    Emit("Stores = " + m_cursor.Name() + (index == 0 ? ", SystemPassword" : ""));
    size_t forms = (questions + QUESTIONS_PER_FORM - 1) / QUESTIONS_PER_FORM;
    for (size_t form = 0; form < forms; ++form)
        Form(index, form, forms, std::min(QUESTIONS_PER_FORM, questions - form * QUESTIONS_PER_FORM));
}

void Generator::Form(size_t formSet, size_t form, size_t forms, size_t questions)
{
    Emit(Format("Form = id=%zu title=\"Page %zu.%zu\"", form + 1, formSet + 1, form + 1));
    // The first form leads to the others.
    for (size_t target = 2; form == 0 && target <= forms; ++target)
        Emit(Format("Goto = form=%zu prompt=\"Page %zu.%zu\" help=\"\"", target, formSet + 1, target));
    size_t i = 0;
    // Each later form of a form set starts with a copy of the last one-of before it, with
    // other options.
    if (m_last.valid) {
        Emit(m_last.line);
        Emit("Option = value=7 text=\"Repeated\"");
        ++m_written;
        ++i;
    }
    while (i < questions)
        i += Question(questions - i);
}

void Generator::OneOf(size_t offset, size_t uqi, const std::string& prompt)
{
    m_last.line = Format("OneOf = offset=0x%04zX width=1 uqi=0x%04zX", offset, uqi) + " prompt=\"" + prompt + "\" help=\"\"";
    m_last.valid = true;
    Emit(m_last.line);
    Emit("Option = value=0 text=\"Disabled\"");
    Emit("Option = value=1 text=\"Enabled\" flags=0x01");
}

// Writes one question, or two (the passwords) when there is room; answers how many.
size_t Generator::Question(size_t room)
{
    size_t n = m_written++;
    size_t uqi = 0x1000 + n % 0xE000;
    std::string prompt = "Setting " + std::to_string(n + 1);
    std::string common = Format(" uqi=0x%04zX", uqi) + " prompt=\"" + prompt + "\"";
    // Two passwords, in their own store, once there are enough questions.
    if (!m_passwordsDone && n >= 8 && room >= 2) {
        m_passwordsDone = true;
        Emit("Select = store=SystemPassword");
        Emit("Password = offset=0x00 width=16 prompt=\"Administrator password\" help=\"\"");
        Emit("Password = offset=0x10 width=16 prompt=\"User password\" help=\"\"");
        Emit("Select = store=" + m_cursor.Name());
        ++m_written;
        return 2;
    }
    switch (n % 8) {
    case 0: case 1:
        OneOf(m_cursor.Take(1), uqi, prompt);
        break;
    case 2:
        Emit(Format("CheckBox = offset=0x%04zX", m_cursor.Take(1)) + common + " help=\"Turns it on or off\" default=1");
        break;
    case 3:
        Emit(Format("Numeric = offset=0x%04zX width=2", m_cursor.Take(2)) + common + " help=\"\" min=0 max=300 step=5 default=30");
        break;
    case 4:
        Emit(Format("OrderedList = offset=0x%04zX entries=4", m_cursor.Take(4)) + common + " help=\"\" default=1,2,3,0");
        for (size_t v = 0; v < 4; ++v)
            Emit(Format("Option = value=%zu text=\"Device %zu\"", v, v));
        break;
    case 5: {   // a pure lock/hide byte around the question
        size_t lockByte = m_cursor.Take(1);
        Emit(Format("Byte = offset=0x%04zX value=0", lockByte));
        Emit(Format("GrayoutIf = EqIdVal 0x%04zX 1 2", lockByte));
        Emit(Format("SuppressIf = EqIdVal 0x%04zX 1 1", lockByte));
        OneOf(m_cursor.Take(1), uqi, prompt);
        Emit("EndIf");
        break;
    }
    case 6:   // hidden on platforms whose value 2 is 0
        Emit("SuppressIf = EqVarVal 2 0 Or Not EqIdList 0x0000 1 0,1");
        Emit(Format("CheckBox = offset=0x%04zX", m_cursor.Take(1)) + common + " help=\"\"");
        Emit("EndIf");
        break;
    default:
        Emit("GrayoutIf = EqVarVal 1 1 And EqIdId 0x0000 1 0x0001");
        OneOf(m_cursor.Take(1), uqi, prompt);
        Emit("EndIf");
        break;
    }
    return 1;
}

} // namespace

std::string GenerateBoardProfile(size_t questionCount)
{
    return Generator(questionCount).Run();
}

} // namespace fwstore
