#pragma once
// A small writer of DAFF 1.7 files for tests: any grid, impulse-response or
// magnitude-spectrum content, optional metadata, and the offsets of every
// field a test may want to corrupt.

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
    float alphaStart = 0.0f;
    float alphaEnd = 360.0f;
    int betaPoints = 13;
    float betaStart = 0.0f;
    float betaEnd = 180.0f;
    float yaw = 0.0f, pitch = 0.0f, roll = 0.0f;
    int numRecords = -1;  // -1: exactly the grid's records
    // Impulse responses: filter length; each record stores `stored` samples
    // after record % 3 leading zeros.
    int filterLength = 8;
    int stored = 4;
    float samplerate = 44100.0f;
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
    std::size_t tableOffset = 10;
    std::size_t mainHeader = 0;     // offset of block 1
    std::size_t contentHeader = 0;  // offset of block 2
    std::size_t descriptors = 0;    // offset of block 3
    std::size_t data = 0;           // offset of block 4
    std::size_t metadataBlock = 0;  // offset of block 5 (when written)
};

inline int DaffGridRecords(const DaffDesign& s)
{
    int records = 0;
    for (int b = 0; b < s.betaPoints; ++b) {
        const bool pole = (b == 0 && s.betaStart == 0.0f) ||
                          (b == s.betaPoints - 1 && s.betaEnd == 180.0f);
        records += pole ? 1 : s.alphaPoints;
    }
    return records;
}

inline DaffFile WriteDaff(const DaffDesign& s)
{
    const int records = s.numRecords >= 0 ? s.numRecords : DaffGridRecords(s);
    const bool isIR = s.contentType == 0;

    Bytes mainHeader;
    PutI32(mainHeader, s.contentType);
    PutI32(mainHeader, s.quantization);
    PutI32(mainHeader, s.channels);
    PutI32(mainHeader, records);
    PutI32(mainHeader, isIR ? s.filterLength : static_cast<int>(s.frequencies.size()));
    PutI32(mainHeader, -1);
    PutI32(mainHeader, s.alphaPoints);
    PutF32(mainHeader, s.alphaStart);
    PutF32(mainHeader, s.alphaEnd);
    PutI32(mainHeader, s.betaPoints);
    PutF32(mainHeader, s.betaStart);
    PutF32(mainHeader, s.betaEnd);
    PutF32(mainHeader, s.yaw);
    PutF32(mainHeader, s.pitch);
    PutF32(mainHeader, s.roll);

    Bytes contentHeader;
    if (isIR) {
        PutF32(contentHeader, s.samplerate);
        PutI32(contentHeader, 0);
        PutI32(contentHeader, s.filterLength);
    } else if (s.contentType == 4) {
        PutI32(contentHeader, 5);
        PutI32(contentHeader, 8);
        PutF32(contentHeader, s.samplerate);
        PutF32(contentHeader, 1.0f);
    } else {
        if (s.contentType != 2) {
            PutF32(contentHeader, 1.0f);
        }
        PutI32(contentHeader, static_cast<int>(s.frequencies.size()));
        for (float f : s.frequencies) {
            PutF32(contentHeader, f);
        }
    }

    Bytes descriptors;
    Bytes data;
    for (int r = 0; r < records; ++r) {
        for (int c = 0; c < s.channels; ++c) {
            PutI32(descriptors, 0);
            PutU64(descriptors, data.size());
            if (isIR) {
                const int lead = r % 3;
                PutI32(descriptors, lead);
                PutI32(descriptors, s.stored);
                for (int i = 0; i < s.stored; ++i) {
                    const double v = s.value(r, c, i);
                    if (s.quantization == 0) {
                        PutU16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
                    } else if (s.quantization == 1) {
                        const auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
                        data.push_back(static_cast<std::uint8_t>(u));
                        data.push_back(static_cast<std::uint8_t>(u >> 8));
                        data.push_back(static_cast<std::uint8_t>(u >> 16));
                    } else {
                        PutF32(data, static_cast<float>(v));
                    }
                }
            } else {
                for (std::size_t i = 0; i < s.frequencies.size(); ++i) {
                    PutF32(data, static_cast<float>(s.value(r, c, static_cast<int>(i))));
                }
            }
        }
    }

    Bytes metadata;
    if (s.metadata) {
        PutI32(metadata, 4);
        PutI32(metadata, 3);
        PutText(metadata, std::string("DESCRIPTION") + '\0' + "test pattern" + '\0');
        PutI32(metadata, 0);
        PutText(metadata, std::string("MEASURED") + '\0');
        PutI32(metadata, 1);
        PutI32(metadata, 1);
        PutText(metadata, std::string("POINTS") + '\0');
        PutI32(metadata, 36);
        PutI32(metadata, 2);
        PutText(metadata, std::string("DISTANCE") + '\0');
        PutU64(metadata, 0x3FF8000000000000ull);  // 1.5
    }

    std::vector<const Bytes*> blocks = {&mainHeader, &contentHeader, &descriptors, &data};
    if (s.metadata) {
        blocks.push_back(&metadata);
    }
    DaffFile file;
    const std::size_t tableEnd = 10 + 20 * blocks.size();
    // Two spare bytes before every block: readers must seek by the table.
    std::size_t offset = tableEnd;
    std::vector<std::size_t> offsets;
    for (const Bytes* block : blocks) {
        offset += 2;
        offsets.push_back(offset);
        offset += block->size();
    }
    Bytes& b = file.bytes;
    PutText(b, "FW");
    PutI32(b, 170);
    PutI32(b, static_cast<int>(blocks.size()));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        PutI32(b, static_cast<int>(i) + 1);
        PutU64(b, offsets[i]);
        PutU64(b, blocks[i]->size());
    }
    for (const Bytes* block : blocks) {
        b.push_back(0);
        b.push_back(0);
        b.insert(b.end(), block->begin(), block->end());
    }
    file.mainHeader = offsets[0];
    file.contentHeader = offsets[1];
    file.descriptors = offsets[2];
    file.data = offsets[3];
    file.metadataBlock = s.metadata ? offsets[4] : 0;
    return file;
}

// Overwrites 4 bytes at offset with a little-endian int32 or float.
inline void PokeI32(Bytes& b, std::size_t offset, std::int32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
    }
}
inline void PokeF32(Bytes& b, std::size_t offset, float v)
{
    std::uint32_t u = 0;
    std::memcpy(&u, &v, sizeof(u));
    PokeI32(b, offset, static_cast<std::int32_t>(u));
}
inline void PokeU64(Bytes& b, std::size_t offset, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i) {
        b[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
