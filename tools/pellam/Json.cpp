#include "Json.h"

#include <cwchar>

namespace {

class JsonReader {
public:
    explicit JsonReader(const std::wstring& text) : m_text(text) {}

    bool ReadDocument(JsonValue& value)
    {
        return ReadValue(value, 0) && (SkipBlanks(), m_at == m_text.size());
    }

private:
    // Deeper than any plan goes; a bound so that a damaged document cannot exhaust the stack.
    static constexpr int kMaxDepth = 64;

    void SkipBlanks()
    {
        while (m_at < m_text.size() && (m_text[m_at] == L' ' || m_text[m_at] == L'\t' || m_text[m_at] == L'\r' ||
                                        m_text[m_at] == L'\n')) {
            ++m_at;
        }
    }
    bool Take(wchar_t expected)
    {
        SkipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == expected) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool TakeWord(const wchar_t* word)
    {
        const size_t length = wcslen(word);
        if (m_text.compare(m_at, length, word) != 0) {
            return false;
        }
        m_at += length;
        return true;
    }

    bool ReadValue(JsonValue& value, int depth)
    {
        SkipBlanks();
        if (m_at >= m_text.size() || depth > kMaxDepth) {
            return false;
        }
        const wchar_t first = m_text[m_at];
        if (first == L'{') {
            return ReadObject(value, depth);
        }
        if (first == L'[') {
            return ReadArray(value, depth);
        }
        if (first == L'"') {
            value.kind = JsonValue::Kind::String;
            return ReadString(value.text);
        }
        if (TakeWord(L"true") || TakeWord(L"false")) {
            value.kind = JsonValue::Kind::Boolean;
            value.boolean = first == L't';
            return true;
        }
        if (TakeWord(L"null")) {
            return true;
        }
        return ReadNumber(value);
    }

    // The number's characters are copied out first: the C runtime's wcstod measures the whole
    // rest of the text it is given, which made reading a large plan take time quadratic in
    // its size.
    bool ReadNumber(JsonValue& value)
    {
        const size_t length = m_text.find_first_not_of(L"+-0123456789.eE", m_at);
        const std::wstring digits =
            m_text.substr(m_at, (length == std::wstring::npos ? m_text.size() : length) - m_at);
        wchar_t* end = nullptr;
        value.number = wcstod(digits.c_str(), &end);
        if (end == digits.c_str()) {
            return false;
        }
        value.kind = JsonValue::Kind::Number;
        m_at += static_cast<size_t>(end - digits.c_str());
        return true;
    }

    bool ReadString(std::wstring& text)
    {
        ++m_at; // the opening quote
        while (m_at < m_text.size()) {
            const wchar_t c = m_text[m_at++];
            if (c == L'"') {
                return true;
            }
            if (c != L'\\') {
                text.push_back(c);
            } else if (!ReadEscape(text)) {
                return false;
            }
        }
        return false;
    }

    bool ReadEscape(std::wstring& text)
    {
        if (m_at >= m_text.size()) {
            return false;
        }
        const wchar_t c = m_text[m_at++];
        static const wchar_t plain[] = L"\"\\/bfnrt";
        static const wchar_t meant[] = L"\"\\/\b\f\n\r\t";
        if (const wchar_t* found = wcschr(plain, c); found && c != 0) {
            text.push_back(meant[found - plain]);
            return true;
        }
        if (c != L'u' || m_at + 4 > m_text.size()) {
            return false;
        }
        unsigned unit = 0;
        for (int i = 0; i < 4; ++i) {
            const wchar_t digit = m_text[m_at++];
            if (!iswxdigit(digit)) {
                return false;
            }
            unit = unit * 16 + static_cast<unsigned>(iswdigit(digit) ? digit - L'0' : (towlower(digit) - L'a' + 10));
        }
        text.push_back(static_cast<wchar_t>(unit));
        return true;
    }

    bool ReadArray(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Array;
        ++m_at;
        if (Take(L']')) {
            return true;
        }
        do {
            value.elements.emplace_back();
            if (!ReadValue(value.elements.back(), depth + 1)) {
                return false;
            }
        } while (Take(L','));
        return Take(L']');
    }

    bool ReadObject(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Object;
        ++m_at;
        if (Take(L'}')) {
            return true;
        }
        do {
            std::pair<std::wstring, JsonValue> member;
            SkipBlanks();
            if (m_at >= m_text.size() || m_text[m_at] != L'"' || !ReadString(member.first) || !Take(L':') ||
                !ReadValue(member.second, depth + 1)) {
                return false;
            }
            value.members.push_back(std::move(member));
        } while (Take(L','));
        return Take(L'}');
    }

    const std::wstring& m_text;
    size_t m_at = 0;
};

} // namespace

const JsonValue& JsonValue::operator[](const wchar_t* name) const
{
    static const JsonValue none;
    for (const auto& [key, value] : members) {
        if (key == name) {
            return value;
        }
    }
    return none;
}

std::optional<JsonValue> ParseJson(const std::wstring& document)
{
    JsonValue value;
    if (!JsonReader(document).ReadDocument(value)) {
        return std::nullopt;
    }
    return value;
}
