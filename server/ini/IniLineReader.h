// Splits the bytes of an INI file into the lines that the parser sees: a carriage return
// and line feed count as one line feed (text mode), and a line longer than 149 bytes comes
// out as several lines of at most 149 bytes, the way a 150-byte read buffer delivers it.
#pragma once

#include <string>
#include <string_view>

class CIniLineReader {
public:
    static constexpr size_t kMaxLineBytes = 149;

    explicit CIniLineReader(std::string_view bytes) : m_bytes(bytes) {}

    // The next line, with its line feed when it has one; false at the end of the bytes.
    bool Next(std::string* line);

private:
    std::string_view m_bytes;
    size_t m_position = 0;
};
