#pragma once
// Console text shaped for where it goes. The core redraws progress lines with
// carriage returns, many times a second; on a terminal that is one line that
// updates, but in a log file or a pipe it is a run-on stream of every state.
// This keeps one line under construction, as a terminal does: '\r' starts it
// again, '\n' ends it. A terminal sees the line redrawn at most ten times a
// second (and whenever it ends); elsewhere only the ended lines are written,
// each as it finally stood.

#include <functional>
#include <string>

class TerminalOutput {
public:
    using Writer = std::function<void(const std::string& text)>;
    using Clock = std::function<double()>; // seconds, steadily increasing

    // The clock defaults to the steady clock.
    TerminalOutput(bool terminal, Writer write, Clock clock = {});

    void Print(const std::string& piece);
    // Writes a line still under construction, ended, so that what follows
    // (another program's text, the shell's prompt) starts on a line of its own.
    void Finish();

private:
    void Draw(bool ended);

    bool m_terminal;
    Writer m_write;
    Clock m_clock;
    std::string m_line;        // the line under construction
    bool m_dirty = false;      // changed since last drawn
    double m_lastDraw = -1e9;  // s
};
