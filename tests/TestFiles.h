#pragma once
// Scratch files for tests that build their own inputs byte by byte.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "util/Platform.h"

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const std::string parent =
            (std::filesystem::temp_directory_path() / "velto-tests").string();
        m_path = MakeUniqueTempFolder(parent, "scratch-").value_or(parent);
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes bytes to name inside the folder and returns its path.
    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        const std::string path = JoinPath(m_path, name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Writes text to name inside the folder and returns its path.
    std::string Touch(const std::string& name, const std::string& text = "") const
    {
        std::ofstream(Path(name), std::ios::binary | std::ios::trunc) << text;
        return Path(name);
    }

    std::string Path(const std::string& name) const { return JoinPath(m_path, name); }
    const std::string& Folder() const { return m_path; }

private:
    std::string m_path;
};

inline Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Little-endian appenders for building binary files.
template <typename T>
void PutLittleEndian(Bytes& b, T v)
{
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}
inline void PutU16(Bytes& b, std::uint16_t v) { PutLittleEndian(b, v); }
inline void PutU32(Bytes& b, std::uint32_t v) { PutLittleEndian(b, v); }
inline void PutU64(Bytes& b, std::uint64_t v) { PutLittleEndian(b, v); }
inline void PutI32(Bytes& b, std::int32_t v) { PutU32(b, static_cast<std::uint32_t>(v)); }
inline void PutF32(Bytes& b, float v)
{
    std::uint32_t u = 0;
    static_assert(sizeof(u) == sizeof(v));
    std::memcpy(&u, &v, sizeof(u));
    PutU32(b, u);
}
inline void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
