// A small, strict JSON reader over one line of text, for the history's records: it walks the
// text once, with every read bounds-checked, and holds no more than the value asked for.
// Strings must be valid UTF-8 and their escapes valid (surrogates in pairs); values it is
// not asked for (a newer writer's members) are skipped to a limited depth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace history::json {

// The length of the valid UTF-8 sequence at `at` (1 to 4), or 0 when the bytes there are
// not one (cut short, overlong, a surrogate, beyond U+10FFFF).
size_t Utf8SequenceLength(std::string_view text, size_t at);

class Reader {
public:
    // Values nested deeper than this are refused, so that a hostile line cannot exhaust the stack.
    static constexpr int kMaxDepth = 32;

    explicit Reader(std::string_view text) : m_text(text) {}

    bool String(std::string& value);
    bool Integer(int& value);
    bool Boolean(bool& value);
    bool SkipValue(int depth = 0);
    // Only white space is left.
    bool AtEnd();

    // Reads an object, calling onMember(name) for each member, which must read its value.
    template <typename OnMember>
    bool Object(OnMember&& onMember)
    {
        if (!Take('{')) {
            return false;
        }
        if (Take('}')) {
            return true;
        }
        do {
            std::string name;
            if (!String(name) || !Take(':') || !onMember(std::string_view(name))) {
                return false;
            }
        } while (Take(','));
        return Take('}');
    }

    // Reads an array, calling onElement() for each element, which must read it.
    template <typename OnElement>
    bool Array(OnElement&& onElement)
    {
        if (!Take('[')) {
            return false;
        }
        if (Take(']')) {
            return true;
        }
        do {
            if (!onElement()) {
                return false;
            }
        } while (Take(','));
        return Take(']');
    }

private:
    void SkipSpace();
    bool Take(char expected);
    bool TakeWord(std::string_view word);
    bool Escape(std::string& value);
    bool Hex4(uint32_t& unit);
    bool SkipNumber();
    bool SkipDigits();
    bool SkipContainer(int depth);

    std::string_view m_text;
    size_t m_at = 0;
};

} // namespace history::json
