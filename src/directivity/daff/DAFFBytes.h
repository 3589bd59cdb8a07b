#pragma once
// Little-endian field decoding for the DAFF reader. Callers check that the
// bytes lie inside their buffer before decoding.

#include <cstdint>
#include <cstring>

inline std::uint32_t DaffU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t DaffI32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(DaffU32(p));
}

inline std::uint64_t DaffU64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(DaffU32(p)) | (static_cast<std::uint64_t>(DaffU32(p + 4)) << 32);
}

inline float DaffF32(const std::uint8_t* p)
{
    const std::uint32_t u = DaffU32(p);
    float f = 0.0f;
    std::memcpy(&f, &u, sizeof(f));
    return f;
}
