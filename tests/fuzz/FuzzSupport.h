#pragma once
// Helpers shared by the fuzz harnesses. The readers take file names, so each
// input is written to a file in a folder of this process's own (parallel
// fuzzing jobs never share one), and the core is kept quiet: a fuzzer runs
// millions of inputs and reads only what the sanitizers report.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <stdlib.h> // mkdtemp

#include "util/Console.h"
#include "util/ErrorMessage.h"

// The process's scratch folder, made (and the core silenced) on first use and
// removed when the process exits normally; a crashed run leaves it for study.
inline const std::string& FuzzFolder()
{
    struct Scratch {
        Scratch()
        {
            SetConsoleSink([](const std::string&) {});
            SetErrorPresenter([](const std::string&) {});
            path = (std::filesystem::temp_directory_path() / "velto-fuzz-XXXXXX").string();
            if (::mkdtemp(path.data()) == nullptr) {
                std::abort(); // nowhere to put the inputs: no run could mean anything
            }
        }
        ~Scratch()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
        std::string path;
    };
    static const Scratch scratch;
    return scratch.path;
}

// A file of the scratch folder, deleted at scope end: the input written under
// a name its reader expects, or a name for a reader's output.
class FuzzFile {
public:
    explicit FuzzFile(const std::string& name)
        : m_path((std::filesystem::path(FuzzFolder()) / name).string())
    {
    }
    FuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size) : FuzzFile(name)
    {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        if (size > 0) {
            out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        }
    }
    ~FuzzFile()
    {
        std::error_code ec;
        std::filesystem::remove(m_path, ec);
    }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Runs f; a FatalError is how the readers refuse a file, so it is an expected
// outcome. Anything else escapes and counts as a finding.
template <typename F>
void IgnoringFatal(F&& f)
{
    try {
        f();
    } catch (const FatalError&) {
    }
}
