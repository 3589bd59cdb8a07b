#pragma once
// The text of the messages pane: what the core prints, as a terminal would
// show it. A carriage return moves back to the start of the current line so
// that the next text overwrites it (progress lines), a newline ends the line.
// The oldest lines are dropped beyond a limit, so hours of runs stay bounded.

#include <cstddef>
#include <deque>
#include <string>

class MessageLog {
public:
    explicit MessageLog(std::size_t maxLines = 5000);

    void Append(const std::string& text);
    // Finished lines and the line being written, joined by newlines.
    std::string Text() const;
    std::size_t NumLines() const { return m_lines.size(); }
    void Clear();

private:
    std::size_t m_maxLines;
    std::deque<std::string> m_lines; // never empty: the last one is being written
    std::size_t m_column = 0;        // where the next character goes in the last line
};
