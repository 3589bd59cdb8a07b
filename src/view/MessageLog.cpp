#include "view/MessageLog.h"

namespace {

// UTF-8 continuation bytes (10xxxxxx) belong to the character before them.
bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

MessageLog::MessageLog(std::size_t maxLines) : m_maxLines(maxLines), m_lines(1)
{
}

void MessageLog::Append(const std::string& text)
{
    for (const char c : text) {
        std::string& line = m_lines.back();
        if (c == '\r') {
            m_column = 0;
        } else if (c == '\n') {
            m_lines.emplace_back();
            m_column = 0;
            while (m_lines.size() - 1 > m_maxLines) {
                m_lines.pop_front();
            }
        } else if (IsContinuationByte(c) || m_column >= line.size()) {
            line.insert(m_column, 1, c);
            ++m_column;
        } else {
            // Overwrite a whole character, never half of a multi-byte one:
            // the pane refuses text that is not valid UTF-8.
            std::size_t end = m_column + 1;
            while (end < line.size() && IsContinuationByte(line[end])) {
                ++end;
            }
            line.replace(m_column, end - m_column, 1, c);
            ++m_column;
        }
    }
}

std::string MessageLog::Text() const
{
    std::string text;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += m_lines[i];
    }
    return text;
}

void MessageLog::Clear()
{
    m_lines.assign(1, std::string());
    m_column = 0;
}
