#pragma once
// Error reporting shared by every subsystem.
//
// ErrorMessage shows a user-level message through the installed presenter: the
// command-line default writes "Error: <text>" to standard error, the desktop
// program shows a modal box titled "Error", and tests record the texts.
// A condition the core cannot continue from is reported with ErrorMessage and
// then raised as FatalError carrying the exit code; only entry points decide
// whether that ends the process.

#include <cstdarg>
#include <functional>
#include <stdexcept>
#include <string>

using ErrorPresenter = std::function<void(const std::string& text)>;

// Installs a presenter and returns the one it replaces. An empty function
// restores the default. Safe to call from any thread.
ErrorPresenter SetErrorPresenter(ErrorPresenter presenter);

// printf-style; the text is formatted by the C library, so every conversion
// (including %f, %g and %e) is available.
void ErrorMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// printf-style formatting into a std::string.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, va_list args);

class FatalError : public std::runtime_error {
public:
    explicit FatalError(const std::string& message, int exitCode = 1)
        : std::runtime_error(message), m_exitCode(exitCode) {}

    int ExitCode() const noexcept { return m_exitCode; }

private:
    int m_exitCode;
};

// Shows the formatted message through ErrorMessage, then throws FatalError
// with that text and exitCode.
[[noreturn]] void Fatal(int exitCode, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
