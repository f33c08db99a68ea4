#include "IniLineReader.h"

bool CIniLineReader::Next(std::string* line)
{
    line->clear();
    if (m_position >= m_bytes.size()) {
        return false;
    }
    while (line->size() < kMaxLineBytes && m_position < m_bytes.size()) {
        char c = m_bytes[m_position];
        if (c == '\r' && m_position + 1 < m_bytes.size() && m_bytes[m_position + 1] == '\n') {
            m_position += 2;
            line->push_back('\n');
            break;
        }
        ++m_position;
        line->push_back(c);
        if (c == '\n') {
            break;
        }
    }
    return true;
}
