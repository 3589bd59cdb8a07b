#include "util/ErrorMessage.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex g_presenterMutex;

void DefaultPresenter(const std::string& text)
{
    std::fprintf(stderr, "Error: %s\n", text.c_str());
    std::fflush(stderr);
}

ErrorPresenter& CurrentPresenter()
{
    static ErrorPresenter presenter = DefaultPresenter;
    return presenter;
}

void Present(const std::string& text)
{
    ErrorPresenter presenter;
    {
        std::lock_guard lock(g_presenterMutex);
        presenter = CurrentPresenter();
    }
    // Called outside the lock: a presenter may block on a modal dialog.
    presenter(text);
}

} // namespace

ErrorPresenter SetErrorPresenter(ErrorPresenter presenter)
{
    std::lock_guard lock(g_presenterMutex);
    if (!presenter) {
        presenter = DefaultPresenter;
    }
    return std::exchange(CurrentPresenter(), std::move(presenter));
}

std::string FormatTextV(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}

void ErrorMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatTextV(format, args);
    va_end(args);
    Present(text);
}

void Fatal(int exitCode, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatTextV(format, args);
    va_end(args);
    Present(text);
    throw FatalError(text, exitCode);
}
