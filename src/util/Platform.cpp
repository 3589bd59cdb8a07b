#include "util/Platform.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fnmatch.h>
#include <stdlib.h>
#include <unistd.h>

#include "util/ErrorMessage.h"

namespace fs = std::filesystem;

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) {
        return name;
    }
    if (folder.back() == kPathSeparator) {
        return folder + name;
    }
    return folder + kPathSeparator + name;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

std::optional<std::uintmax_t> FileSize(const std::string& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec) {
        return std::nullopt;
    }
    return size;
}

std::string CurrentFolder()
{
    std::error_code ec;
    const auto path = fs::current_path(ec);
    return ec ? std::string() : path.string();
}

static std::string NonEmptyEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string AppDataFolder()
{
    if (auto appData = NonEmptyEnv("APPDATA"); !appData.empty()) {
        return appData;
    }
    if (auto xdg = NonEmptyEnv("XDG_DATA_HOME"); !xdg.empty()) {
        return xdg;
    }
    auto home = NonEmptyEnv("HOME");
    if (home.empty()) {
        home = CurrentFolder();
    }
    return JoinPath(JoinPath(home, ".local"), "share");
}

bool MakeFolder(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

std::optional<std::string> MakeUniqueTempFolder(const std::string& parent,
                                                const std::string& prefix)
{
    if (!MakeFolder(parent)) {
        return std::nullopt;
    }
    std::string pattern = JoinPath(parent, prefix + "XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) {
        return std::nullopt;
    }
    return pattern;
}

int DeleteMatchingFiles(const std::string& folder, const std::string& pattern)
{
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
    if (ec) {
        return 0;
    }
    // Collect first: removing entries while the folder is being read may skip some.
    std::vector<fs::path> matches;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(ec) && ::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0) {
            matches.push_back(entry.path());
        }
    }
    int deleted = 0;
    for (const auto& path : matches) {
        if (fs::remove(path, ec)) {
            ++deleted;
        }
    }
    return deleted;
}

double PhysicalMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<double>(pages) * static_cast<double>(pageSize) : 0.0;
}

FILE* utilOpenFile(const std::string& path, const char* mode)
{
    FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) {
        ErrorMessage("\n O arquivo %s nao pode ser aberto para %s!\n", path.c_str(),
                     std::strcmp(mode, "wt") == 0 || std::strcmp(mode, "w") == 0 ? "escrita"
                                                                                  : "leitura");
    }
    return file;
}
