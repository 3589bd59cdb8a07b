#include "util/TerminalOutput.h"

#include <chrono>
#include <utility>

namespace {

constexpr double kRedrawInterval = 0.1; // s
// Erases the rest of the terminal's line, left over from a longer state.
constexpr const char* kClearToEnd = "\033[K";

} // namespace

TerminalOutput::TerminalOutput(bool terminal, Writer write, Clock clock)
    : m_terminal(terminal), m_write(std::move(write)), m_clock(std::move(clock))
{
    if (!m_clock) {
        m_clock = [] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        };
    }
}

void TerminalOutput::Print(const std::string& piece)
{
    bool redrawn = false; // the piece starts the line again: a progress update
    for (const char c : piece) {
        if (c == '\n') {
            Draw(true);
        } else if (c == '\r') {
            m_line.clear();
            m_dirty = true;
            redrawn = true;
        } else {
            m_line += c;
            m_dirty = true;
        }
    }
    // Plain text shows at once; progress updates only as often as anyone can read them.
    if (m_terminal && m_dirty && !m_line.empty() && (!redrawn || m_clock() - m_lastDraw >= kRedrawInterval)) {
        Draw(false);
    }
}

void TerminalOutput::Finish()
{
    if (!m_line.empty() || (m_terminal && m_dirty)) {
        Draw(true);
    }
}

void TerminalOutput::Draw(bool ended)
{
    if (m_terminal) {
        std::string text = "\r" + m_line + kClearToEnd;
        if (ended) {
            text += '\n';
        }
        m_write(text);
        m_lastDraw = m_clock();
    } else if (ended) {
        m_write(m_line + "\n");
    }
    if (ended) {
        m_line.clear();
    }
    m_dirty = false;
}
