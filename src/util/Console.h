#pragma once
// The one way text for the user leaves the core: reports, notes and progress
// lines (which begin with a carriage return and overwrite themselves).
//
// The installed sink receives every piece of text as it is printed. The
// default writes it to standard output unchanged, so the command-line program
// prints exactly what the core formats; the desktop program shows it in its
// messages pane and tests record it.

#include <functional>
#include <string>

using ConsoleSink = std::function<void(const std::string& text)>;

// Installs a sink and returns the one it replaces; an empty function restores
// standard output. Sinks may be called from the simulation worker's thread.
ConsoleSink SetConsoleSink(ConsoleSink sink);

// printf-style, formatted by the C library.
void ConsolePrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Pushes out a progress line that does not end with a newline.
void ConsoleFlush();

// While it lives, what its thread prints is appended to text instead of going
// to the sink: work spread over threads prints its report afterwards, in order.
class ConsoleCapture {
public:
    explicit ConsoleCapture(std::string& text);
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

private:
    std::string* m_previous;
};
