#pragma once
// A small writer of DAFF 1.7 files for tests: any grid, impulse-response or
// magnitude-spectrum content, optional metadata, and where each block starts
// so that a test can corrupt one field.

#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TestFiles.h"

struct DaffDesign {
    int contentType = 1;   // 0 impulse response, 1 magnitude spectrum, 2..4 other
    int quantization = 2;  // 0 int16, 1 int24, 2 float32
    int channels = 1;
    int alphaPoints = 24;
    float alphaStart = 0.0f, alphaEnd = 360.0f;
    int betaPoints = 13;
    float betaStart = 0.0f, betaEnd = 180.0f;
    float yaw = 0.0f;
    // Impulse responses: filter length; each record stores `stored` samples
    // after record % 3 leading zeros.
    int filterLength = 8;
    int stored = 4;
    // Magnitude spectra: support frequencies in Hz.
    std::vector<float> frequencies = {62.5f, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    bool metadata = true;
    // Raw stored value of (record, channel, index): an integer in the
    // quantization's range for int16/int24, the float itself otherwise.
    std::function<double(int, int, int)> value = [](int r, int c, int i) {
        return r * 10.0 + c + i / 100.0;
    };
};

struct DaffFile {
    Bytes bytes;
    // Offsets of blocks 1 (main header), 2, 3 (record descriptors) and 5.
    std::size_t mainHeader = 0, contentHeader = 0, descriptors = 0, metadataBlock = 0;
};

// Appends each value little-endian: an int as int32, a float as float32 and
// a std::uint64_t as eight bytes (any other type does not compile).
inline void PutOne(Bytes& b, int v) { PutI32(b, v); }
inline void PutOne(Bytes& b, float v) { PutF32(b, v); }
inline void PutOne(Bytes& b, std::uint64_t v) { PutU64(b, v); }
template <typename... T>
void Put(Bytes& b, T... values)
{
    (PutOne(b, values), ...);
}

inline DaffFile WriteDaff(const DaffDesign& s)
{
    const bool isIR = s.contentType == 0;
    int records = 0;  // a ring at a pole holds one record
    for (int b = 0; b < s.betaPoints; ++b) {
        const bool pole = (b == 0 && s.betaStart == 0.0f) || (b == s.betaPoints - 1 && s.betaEnd == 180.0f);
        records += pole ? 1 : s.alphaPoints;
    }
    const int elements = isIR ? s.filterLength : static_cast<int>(s.frequencies.size());
    Bytes blocks[5];  // main header, content header, descriptors, data, metadata
    Put(blocks[0], s.contentType, s.quantization, s.channels, records, elements, -1, s.alphaPoints,
        s.alphaStart, s.alphaEnd, s.betaPoints, s.betaStart, s.betaEnd, s.yaw, 0.0f, 0.0f);
    if (isIR) {
        Put(blocks[1], 44100.0f, 0, s.filterLength);
    } else if (s.contentType == 4) {
        Put(blocks[1], 5, 8, 44100.0f, 1.0f);
    } else {
        if (s.contentType != 2) {
            Put(blocks[1], 1.0f);
        }
        Put(blocks[1], elements);
        for (float f : s.frequencies) {
            Put(blocks[1], f);
        }
    }

    for (int r = 0; r < records; ++r) {
        for (int c = 0; c < s.channels; ++c) {
            Put(blocks[2], 0, std::uint64_t{blocks[3].size()});
            if (isIR) {
                Put(blocks[2], r % 3, s.stored);
            }
            for (int i = 0; i < (isIR ? s.stored : elements); ++i) {
                const double v = s.value(r, c, i);
                const auto fixed = static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
                if (isIR && s.quantization < 2) {
                    PutU16(blocks[3], static_cast<std::uint16_t>(fixed));
                    if (s.quantization == 1) {
                        blocks[3].push_back(static_cast<std::uint8_t>(fixed >> 16));
                    }
                } else {
                    PutF32(blocks[3], static_cast<float>(v));
                }
            }
        }
    }

    if (s.metadata) {
        Bytes& m = blocks[4];
        // Four keys: a string, a bool, an int and a double.
        Put(m, 4, 3);
        PutText(m, std::string("DESCRIPTION") + '\0' + "test pattern" + '\0');
        Put(m, 0);
        PutText(m, std::string("MEASURED") + '\0');
        Put(m, 1, 1);
        PutText(m, std::string("POINTS") + '\0');
        Put(m, 36, 2);
        PutText(m, std::string("DISTANCE") + '\0');
        Put(m, std::bit_cast<std::uint64_t>(1.5));
    }

    const std::size_t count = s.metadata ? 5 : 4;
    Bytes b;
    PutText(b, "FW");
    Put(b, 170, static_cast<int>(count));
    // Two spare bytes before every block: readers must seek by the table.
    std::size_t offsets[5] = {};
    std::size_t offset = 10 + 20 * count;
    for (std::size_t i = 0; i < count; ++i) {
        offsets[i] = offset + 2;
        offset = offsets[i] + blocks[i].size();
        Put(b, static_cast<int>(i) + 1, std::uint64_t{offsets[i]}, std::uint64_t{blocks[i].size()});
    }
    for (std::size_t i = 0; i < count; ++i) {
        b.insert(b.end(), 2, 0);
        b.insert(b.end(), blocks[i].begin(), blocks[i].end());
    }
    return {b, offsets[0], offsets[1], offsets[2], offsets[4]};
}

// Corruptions of a written file: one little-endian field overwritten.
using Corruption = std::function<void(Bytes&)>;
inline Corruption Poke(std::size_t at, std::uint64_t v, std::size_t size)
{
    return [=](Bytes& b) {
        for (std::size_t i = 0; i < size; ++i) {
            b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
}
inline Corruption I32(std::size_t at, std::int32_t v) { return Poke(at, static_cast<std::uint32_t>(v), 4); }
inline Corruption F32(std::size_t at, float v) { return Poke(at, std::bit_cast<std::uint32_t>(v), 4); }
inline Corruption U64(std::size_t at, std::uint64_t v) { return Poke(at, v, 8); }
