#pragma once
// The few operating-system services the core needs, behind one small layer:
// file tests, folders, the per-user data folder, temporary folders and the
// deletion of files by wildcard pattern. Paths are UTF-8 strings.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

inline constexpr char kPathSeparator = '/';

// folder + separator + name; an empty folder yields the name alone, and a
// folder that already ends in a separator gets no second one.
std::string JoinPath(const std::string& folder, const std::string& name);

bool FileExists(const std::string& path);

// Size in bytes of a regular file, or nothing when it cannot be read.
std::optional<std::uintmax_t> FileSize(const std::string& path);

// The process's current working folder, or an empty string when unknown.
std::string CurrentFolder();

// Per-user application-data folder: $APPDATA when set and not empty, else
// $XDG_DATA_HOME, else $HOME/.local/share. The folder may not exist yet.
std::string AppDataFolder();

// The machine's physical memory in bytes; 0 when it cannot be told.
double PhysicalMemoryBytes();

// Creates the folder and its parents when missing; false when it cannot.
bool MakeFolder(const std::string& path);

// Creates a new, empty folder with a unique name inside parent (which is
// created when missing) and returns its path, or nothing on failure.
std::optional<std::string> MakeUniqueTempFolder(const std::string& parent,
                                                const std::string& prefix);

// Deletes the regular files directly inside folder whose names match the
// shell wildcard pattern ('*' any run, '?' one character). Returns how many
// were deleted; a missing folder deletes nothing.
int DeleteMatchingFiles(const std::string& folder, const std::string& pattern);

// Opens the file; on failure shows why and returns null.
FILE* utilOpenFile(const std::string& path, const char* mode);
