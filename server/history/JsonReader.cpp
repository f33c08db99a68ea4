#include "JsonReader.h"

namespace history::json {

namespace {

bool InRange(std::string_view text, size_t at, uint8_t low, uint8_t high)
{
    if (at >= text.size()) {
        return false;
    }
    const auto byte = static_cast<uint8_t>(text[at]);
    return byte >= low && byte <= high;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

size_t Utf8SequenceLength(std::string_view text, size_t at)
{
    if (at >= text.size()) {
        return 0;
    }
    const auto lead = static_cast<uint8_t>(text[at]);
    // The second byte's range excludes overlong forms, surrogates and values past U+10FFFF.
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    size_t length = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (!InRange(text, at + 1, low, high)) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (!InRange(text, at + i, 0x80, 0xBF)) {
            return 0;
        }
    }
    return length;
}

void Reader::SkipSpace()
{
    while (m_at < m_text.size() &&
           (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\r' || m_text[m_at] == '\n')) {
        ++m_at;
    }
}

bool Reader::Take(char expected)
{
    SkipSpace();
    if (m_at < m_text.size() && m_text[m_at] == expected) {
        ++m_at;
        return true;
    }
    return false;
}

bool Reader::TakeWord(std::string_view word)
{
    SkipSpace();
    if (m_text.substr(m_at, word.size()) != word) {
        return false;
    }
    m_at += word.size();
    return true;
}

bool Reader::AtEnd()
{
    SkipSpace();
    return m_at == m_text.size();
}

bool Reader::Hex4(uint32_t& unit)
{
    if (m_text.size() - m_at < 4) {
        return false;
    }
    unit = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = m_text[m_at++];
        const uint32_t digit = IsDigit(c) ? c - '0'
                               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                      : 16;
        if (digit > 15) {
            return false;
        }
        unit = unit << 4 | digit;
    }
    return true;
}

bool Reader::Escape(std::string& value)
{
    if (m_at >= m_text.size()) {
        return false;
    }
    const char kind = m_text[m_at++];
    switch (kind) {
    case '"': value += '"'; return true;
    case '\\': value += '\\'; return true;
    case '/': value += '/'; return true;
    case 'b': value += '\b'; return true;
    case 'f': value += '\f'; return true;
    case 'n': value += '\n'; return true;
    case 'r': value += '\r'; return true;
    case 't': value += '\t'; return true;
    case 'u': break;
    default: return false;
    }
    uint32_t unit = 0;
    if (!Hex4(unit) || (unit >= 0xDC00 && unit <= 0xDFFF)) {
        return false;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        uint32_t low = 0;
        if (m_text.substr(m_at, 2) != "\\u" || (m_at += 2, !Hex4(low)) || low < 0xDC00 || low > 0xDFFF) {
            return false;
        }
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(value, unit);
    return true;
}

bool Reader::String(std::string& value)
{
    if (!Take('"')) {
        return false;
    }
    value.clear();
    while (m_at < m_text.size()) {
        const auto byte = static_cast<uint8_t>(m_text[m_at]);
        if (byte == '"') {
            ++m_at;
            return true;
        }
        if (byte < 0x20) {
            return false;
        }
        if (byte == '\\') {
            ++m_at;
            if (!Escape(value)) {
                return false;
            }
            continue;
        }
        const size_t length = Utf8SequenceLength(m_text, m_at);
        if (length == 0) {
            return false;
        }
        value.append(m_text.substr(m_at, length));
        m_at += length;
    }
    return false;
}

bool Reader::Integer(int& value)
{
    SkipSpace();
    const bool negative = m_at < m_text.size() && m_text[m_at] == '-';
    m_at += negative ? 1 : 0;
    if (m_at >= m_text.size() || !IsDigit(m_text[m_at]) || (m_text[m_at] == '0' && m_at + 1 < m_text.size() &&
                                                             IsDigit(m_text[m_at + 1]))) {
        return false;
    }
    int64_t magnitude = 0;
    while (m_at < m_text.size() && IsDigit(m_text[m_at])) {
        magnitude = magnitude * 10 + (m_text[m_at++] - '0');
        if (magnitude > int64_t{1} << 31) {
            return false;
        }
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT32_MAX || signedValue < INT32_MIN) {
        return false;
    }
    // A fraction or an exponent makes it no integer.
    if (m_at < m_text.size() && (m_text[m_at] == '.' || m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
        return false;
    }
    value = static_cast<int>(signedValue);
    return true;
}

bool Reader::Boolean(bool& value)
{
    if (TakeWord("true")) {
        value = true;
        return true;
    }
    if (TakeWord("false")) {
        value = false;
        return true;
    }
    return false;
}

bool Reader::SkipDigits()
{
    const size_t begin = m_at;
    while (m_at < m_text.size() && IsDigit(m_text[m_at])) {
        ++m_at;
    }
    return m_at > begin;
}

bool Reader::SkipNumber()
{
    if (m_at < m_text.size() && m_text[m_at] == '-') {
        ++m_at;
    }
    if (m_at < m_text.size() && m_text[m_at] == '0') {
        ++m_at;
    } else if (!SkipDigits()) {
        return false;
    }
    if (m_at < m_text.size() && m_text[m_at] == '.') {
        ++m_at;
        if (!SkipDigits()) {
            return false;
        }
    }
    if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
        ++m_at;
        if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-')) {
            ++m_at;
        }
        return SkipDigits();
    }
    return true;
}

bool Reader::SkipContainer(int depth)
{
    if (depth >= kMaxDepth) {
        return false;
    }
    if (m_text[m_at] == '{') {
        return Object([&](std::string_view) { return SkipValue(depth + 1); });
    }
    return Array([&] { return SkipValue(depth + 1); });
}

bool Reader::SkipValue(int depth)
{
    SkipSpace();
    if (m_at >= m_text.size()) {
        return false;
    }
    std::string ignored;
    switch (m_text[m_at]) {
    case '{':
    case '[':
        return SkipContainer(depth);
    case '"':
        return String(ignored);
    case 't':
        return TakeWord("true");
    case 'f':
        return TakeWord("false");
    case 'n':
        return TakeWord("null");
    default:
        return SkipNumber();
    }
}

} // namespace history::json
