#pragma once
// Helpers shared by the test files.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"

// Records every ErrorMessage text while it lives, instead of printing it.
class ErrorRecorder {
public:
    ErrorRecorder()
        : m_previous(SetErrorPresenter([this](const std::string& text) { texts.push_back(text); }))
    {
    }
    ~ErrorRecorder() { SetErrorPresenter(m_previous); }
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    std::vector<std::string> texts;

private:
    ErrorPresenter m_previous;
};

// Records what the core prints while it lives, instead of printing it; a test
// that only wants a quiet console holds one too.
class ConsoleRecorder {
public:
    ConsoleRecorder()
        : m_previous(SetConsoleSink([this](const std::string& piece) { text += piece; }))
    {
    }
    ~ConsoleRecorder() { SetConsoleSink(m_previous); }
    ConsoleRecorder(const ConsoleRecorder&) = delete;
    ConsoleRecorder& operator=(const ConsoleRecorder&) = delete;

    std::string text;

private:
    ConsoleSink m_previous;
};

// The path of a file the test needs; a missing or unreadable file fails the
// calling test with its name. Callers still check what they read before
// indexing into it, so the test ends with that failure instead of a crash.
inline std::string RequiredFile(const std::string& path)
{
    if (!std::ifstream(path, std::ios::binary).good()) {
        ADD_FAILURE() << "test file missing or unreadable: " << path;
    }
    return path;
}

// Path of a real-world file written by other tools (tests/data/external).
inline std::string TestDataPath(const std::string& relative)
{
    // Appended in place: GCC 12 warns falsely on a chain of temporaries here.
    std::string path = VELTO_TESTDATA_DIR;
    path += '/';
    path += relative;
    return RequiredFile(path);
}

// Path of a small fixture kept with the tests.
inline std::string FixturePath(const std::string& relative)
{
    std::string path = VELTO_FIXTURE_DIR;
    path += '/';
    path += relative;
    return RequiredFile(path);
}

inline std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs f and returns the exit code of the FatalError it raises, or 0.
template <typename F>
int FatalCode(F&& f)
{
    try {
        f();
    } catch (const FatalError& error) {
        return error.ExitCode();
    }
    return 0;
}

// An in-memory file holding text, positioned at its start; closed at scope end.
struct MemFile {
    explicit MemFile(const std::string& text) : file(fmemopen(nullptr, text.size() + 1, "w+"))
    {
        std::fputs(text.c_str(), file);
        std::rewind(file);
    }
    ~MemFile() { std::fclose(file); }
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;
    FILE* file;
};

// What write(FILE*) writes, as text.
template <typename Writer>
std::string WrittenText(Writer write)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* f = open_memstream(&buffer, &size);
    write(f);
    std::fclose(f);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

// What sox decodes from the file, as 32-bit floats interleaved by frame.
inline std::vector<float> SoxDecode(const std::string& path)
{
    std::vector<float> samples;
    const std::string command = "sox \"" + path + "\" -t f32 - 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return samples;
    }
    float buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, sizeof(float), 4096, pipe)) > 0) {
        samples.insert(samples.end(), buffer, buffer + n);
    }
    ::pclose(pipe);
    return samples;
}
