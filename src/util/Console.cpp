#include "util/Console.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

#include "util/ErrorMessage.h"

namespace {

std::mutex g_sinkMutex;
thread_local std::string* t_capture = nullptr;

void StandardOutput(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

ConsoleSink& CurrentSink()
{
    static ConsoleSink sink = StandardOutput;
    return sink;
}

} // namespace

ConsoleSink SetConsoleSink(ConsoleSink sink)
{
    std::lock_guard lock(g_sinkMutex);
    if (!sink) {
        sink = StandardOutput;
    }
    return std::exchange(CurrentSink(), std::move(sink));
}

void ConsolePrint(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatTextV(format, args);
    va_end(args);
    if (t_capture != nullptr) {
        t_capture->append(text);
        return;
    }
    // Held while writing so that lines from two threads never interleave
    // mid-text; sinks only append or post the text.
    std::lock_guard lock(g_sinkMutex);
    CurrentSink()(text);
}

void ConsoleFlush()
{
    std::fflush(stdout);
}

ConsoleCapture::ConsoleCapture(std::string& text) : m_previous(std::exchange(t_capture, &text)) {}

ConsoleCapture::~ConsoleCapture()
{
    t_capture = m_previous;
}
