#include "audio/TWavTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "TestSupport.h"

namespace {

struct Chunk {
    std::string id;
    Bytes body;
};

// A RIFF/WAVE file of the given chunks; odd bodies get their pad byte.
Bytes Riff(const std::vector<Chunk>& chunks)
{
    Bytes inner;
    PutText(inner, "WAVE");
    for (const Chunk& c : chunks) {
        PutText(inner, c.id);
        PutU32(inner, static_cast<std::uint32_t>(c.body.size()));
        inner.insert(inner.end(), c.body.begin(), c.body.end());
        if (c.body.size() % 2 != 0) {
            inner.push_back(0);
        }
    }
    Bytes file;
    PutText(file, "RIFF");
    PutU32(file, static_cast<std::uint32_t>(inner.size()));
    file.insert(file.end(), inner.begin(), inner.end());
    return file;
}

// A "fmt " chunk; an extensible one (tag 0xFFFE) carries subTag in its GUID.
Chunk Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
          std::uint16_t subTag = 0)
{
    Bytes b;
    PutU16(b, tag);
    PutU16(b, channels);
    PutU32(b, rate);
    PutU32(b, rate * channels * bits / 8);
    PutU16(b, static_cast<std::uint16_t>(channels * bits / 8));
    PutU16(b, bits);
    if (tag == kWavFormatExtensible) {
        PutU16(b, 22);
        PutU16(b, bits);
        PutU32(b, 0x4);
        PutU16(b, subTag);
        const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        b.insert(b.end(), tail.begin(), tail.end());
    }
    return {"fmt ", b};
}

Chunk List(std::size_t bytes)
{
    Bytes b;
    PutText(b, "INFO");
    b.resize(bytes, 'x');
    return {"LIST", b};
}

} // namespace

TEST(readWAVData, RealFilesMatchSox)
{
    struct Case {
        const char* file;
        unsigned short tag;
        unsigned short bits;
        unsigned rate;
        unsigned short channels;
        unsigned frames;
    };
    const Case cases[] = {
        {"speech_44k1_s16_mono.wav", 1, 16, 44100, 1, 44100},
        {"speech_u8.wav", 1, 8, 44100, 1, 44100},
        {"speech_u8_odd_list_after.wav", 1, 8, 44100, 1, 44099},
        {"speech_s24.wav", 1, 24, 44100, 1, 44100},
        {"speech_s24_tag1_sndfile.wav", 1, 24, 44100, 1, 44100},
        {"speech_s32.wav", 1, 32, 44100, 1, 44100},
        {"speech_f32.wav", 3, 32, 44100, 1, 44100},
        {"speech_f32_wavex_sndfile.wav", 3, 32, 44100, 1, 44100},
        {"speech_f64.wav", 3, 64, 44100, 1, 44100},
        {"speech_48k_s16.wav", 1, 16, 48000, 1, 48000},
        {"speech_stereo_s16.wav", 1, 16, 44100, 2, 44100},
        {"speech_4ch_s16.wav", 1, 16, 44100, 4, 44100},
        {"speech_list_before_data.wav", 1, 16, 44100, 1, 44100},
        {"speech_list_after_data.wav", 1, 16, 44100, 1, 44100},
        {"speech_espeak_raw.wav", 1, 16, 22050, 1, 18179},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = TestDataPath(std::string("wav/") + c.file);
        const WaveHeader info = getWavHeaderInfo(path);
        EXPECT_EQ(info.PcmFormat, c.tag);
        EXPECT_EQ(info.BitsPerSample, c.bits);
        EXPECT_EQ(info.SampleRate, c.rate);
        EXPECT_EQ(info.NumCh, c.channels);
        EXPECT_EQ(info.NumSamples, c.frames);

        std::vector<float> samples;
        readWAVData(path, samples);
        const std::vector<float> expected = SoxDecode(path);
        ASSERT_EQ(samples.size(), expected.size());
        ASSERT_FALSE(samples.empty());
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (std::fabs(samples[i] - expected[i]) > 1e-6f) {
                ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

TEST(readWAVData, KnownBytePatternsPerWidth)
{
    struct Case {
        const char* name;
        Chunk fmt;
        Bytes data;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"u8", Fmt(1, 1, 44100, 8), {0x00, 0x80, 0xFF}, {-1.0f, 0.0f, 127.0f / 128.0f}},
        {"mu-law", Fmt(7, 1, 8000, 8), {0x00, 0x7F, 0x80, 0xFF, 0x0F, 0xF0},
         {-32124 / 32768.0f, 0.0f, 32124 / 32768.0f, 0.0f, -16764 / 32768.0f, 120 / 32768.0f}},
        {"s16", Fmt(1, 1, 44100, 16), {0x00, 0x80, 0xFF, 0x7F, 0x00, 0x40},
         {-1.0f, 32767 / 32768.0f, 0.5f}},
        {"s24", Fmt(1, 1, 44100, 24), {0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x40},
         {-1.0f, -1.0f / 8388608.0f, 0.5f}},
        {"s24 extensible", Fmt(kWavFormatExtensible, 1, 44100, 24, 1), {0x00, 0x00, 0xC0},
         {-0.5f}},
        {"s32", Fmt(1, 1, 44100, 32), {0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40},
         {-1.0f, 0.5f}},
        {"f32", Fmt(3, 1, 44100, 32), {0x00, 0x00, 0x40, 0xBF}, {-0.75f}},
        {"f32 extensible", Fmt(kWavFormatExtensible, 1, 44100, 32, 3), {0x00, 0x00, 0x40, 0x3F},
         {0.75f}},
        {"f64", Fmt(3, 1, 44100, 64), {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD0, 0x3F}, {0.25f}},
        {"s16 stereo", Fmt(1, 2, 44100, 16), {0x00, 0x40, 0x00, 0xC0}, {0.5f, -0.5f}},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Write("pattern.wav", Riff({c.fmt, {"data", c.data}}));
        std::vector<float> samples;
        const WaveHeader h = readWAVData(path, samples);
        EXPECT_EQ(samples, c.expected);
        EXPECT_EQ(static_cast<std::size_t>(h.NumSamples) * h.NumCh, c.expected.size());
    }
}

TEST(readWAVData, WalksChunksBeforeDataIncludingOddSizes)
{
    ScratchFolder folder;
    const Bytes data = {0x00, 0x40, 0x00, 0xC0};
    // An 18-byte fmt chunk (as float writers produce), an odd LIST and a fact chunk.
    Chunk fmt18 = Fmt(1, 1, 44100, 16);
    fmt18.body.push_back(0);
    fmt18.body.push_back(0);
    const std::string path = folder.Write(
        "chunks.wav", Riff({fmt18, List(13), {"fact", {1, 0, 0, 0}}, {"data", data}, List(7)}));
    std::vector<float> samples;
    readWAVData(path, samples);
    EXPECT_EQ(samples, (std::vector<float>{0.5f, -0.5f}));
}

TEST(readWAVData, DataChunkLongerThanFileIsReadAsFarAsItGoes)
{
    ScratchFolder folder;
    Bytes file = Riff({Fmt(1, 2, 44100, 16), {"data", {0, 0x40, 0, 0xC0, 0, 0x20, 0, 0xE0}}});
    // Claim a huge data chunk and cut the last frame in half.
    file[40] = file[41] = file[42] = 0xFF;
    file[43] = 0x7F;
    file.resize(file.size() - 2);
    const std::string path = folder.Write("truncated.wav", file);
    std::vector<float> samples;
    const WaveHeader h = readWAVData(path, samples);
    EXPECT_EQ(h.NumSamples, 1u);
    EXPECT_EQ(samples, (std::vector<float>{0.5f, -0.5f}));
}

TEST(getWavHeaderInfo, RefusesFilesWithoutReadableData)
{
    ScratchFolder folder;
    const Bytes valid = Riff({Fmt(1, 1, 44100, 16), {"data", {0, 0}}});
    struct Case {
        const char* name;
        Bytes bytes;
    };
    Bytes noData = Riff({Fmt(1, 1, 44100, 16), List(20)});
    Bytes shortFmt = valid;
    shortFmt[16] = 12;
    Bytes notWave = valid;
    notWave[8] = 'X';
    const Case cases[] = {
        {"empty", {}},
        {"header only", Bytes(valid.begin(), valid.begin() + 20)},
        {"no data chunk", noData},
        {"fmt shorter than 16", shortFmt},
        {"not WAVE", notWave},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ErrorRecorder recorder;
        const std::string path = folder.Write("bad.wav", c.bytes);
        EXPECT_EQ(FatalCode([&] { getWavHeaderInfo(path); }), 1);
        ASSERT_EQ(recorder.texts.size(), 1u);
        EXPECT_EQ(recorder.texts[0], "Cannot read from wav File");
    }
    ErrorRecorder recorder;
    EXPECT_EQ(FatalCode([&] { getWavHeaderInfo(folder.Path("missing.wav")); }), 1);
    EXPECT_EQ(recorder.texts, std::vector<std::string>{"Cannot read from wav File"});
}

TEST(readWAVData, UnsupportedWidthsEndWithTheirMessages)
{
    struct Case {
        const char* name;
        Chunk fmt;
        const char* message;
    };
    const Case cases[] = {
        {"8-bit a-law", Fmt(6, 1, 44100, 8), "8 bits pcm format not supported.\n"},
        {"64-bit integer", Fmt(1, 1, 44100, 64),
         "64 bits only supported in IEEE double format files (this is PCM!)\n"},
        {"12-bit", Fmt(1, 1, 44100, 12), "Bits per sample not supported: 12"},
        {"0-bit", Fmt(1, 1, 44100, 0), "Bits per sample not supported: 0"},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ErrorRecorder recorder;
        const std::string path = folder.Write("w.wav", Riff({c.fmt, {"data", Bytes(16, 0)}}));
        std::vector<float> samples;
        EXPECT_EQ(FatalCode([&] { readWAVData(path, samples); }), 1);
        EXPECT_EQ(recorder.texts, std::vector<std::string>{c.message});
    }
}

TEST(writeWAVData, LayoutOfThreeStereoFrames)
{
    ScratchFolder folder;
    const float data[6] = {0.5f, -0.5f, 0.25f, -0.25f, 1.0f, -1.0f};
    const std::string path = folder.Path("out.wav");
    ASSERT_TRUE(writeWAVData(path, data, 3, 44100, 2));
    const Bytes bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 24u);
    const auto u32 = [&](std::size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
    };
    EXPECT_EQ(u32(4), 60);
    EXPECT_EQ(u32(16), 16);
    EXPECT_EQ(bytes[20], 3);
    EXPECT_EQ(bytes[22], 2);
    EXPECT_EQ(u32(24), 44100);
    EXPECT_EQ(u32(28), 44100 * 2 * 4);
    EXPECT_EQ(bytes[32], 8);
    EXPECT_EQ(bytes[34], 32);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(u32(40), 24);

    std::vector<float> samples;
    readWAVData(path, samples);
    EXPECT_EQ(samples, std::vector<float>(data, data + 6));
    EXPECT_EQ(SoxDecode(path), samples);
}

TEST(writeWAVData, UnwritablePathReturnsFalse)
{
    const float data[1] = {0.0f};
    EXPECT_FALSE(writeWAVData("/nonexistent-folder/x.wav", data, 1, 44100, 1));
}

TEST(WavIsCompatible, ReportsEveryFailedCondition)
{
    struct Case {
        const char* file;
        bool compatible;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"speech_44k1_s16_mono.wav", true, {}},
        {"speech_s24.wav", true, {}},
        {"speech_f32_wavex_sndfile.wav", true, {}},
        {"speech_u8.wav", true, {}},
        {"speech_48k_s16.wav", false,
         {"Sample rate (48000) not supported. Only 44.1 kHz is suported (sorry)."}},
        {"speech_stereo_s16.wav", false,
         {"File " + TestDataPath("wav/speech_stereo_s16.wav") +
          " has 2 channels. Only MONO input files are supported.\n"}},
        {"speech_f64.wav", false, {"Bits per sample not supported: 64"}},
        {"speech_espeak_raw.wav", false,
         {"Sample rate (22050) not supported. Only 44.1 kHz is suported (sorry)."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ErrorRecorder recorder;
        EXPECT_EQ(WavIsCompatible(TestDataPath(std::string("wav/") + c.file)), c.compatible);
        EXPECT_EQ(recorder.texts, c.messages);
    }
    EXPECT_EQ(wavGetSampleRate(TestDataPath("wav/speech_48k_s16.wav")), 48000.0f);
}

// Every prefix and many random corruptions of valid files either decode or
// raise FatalError; nothing reads outside the file (checked under ASan).
TEST(readWAVData, TruncatedAndCorruptedFilesNeverCrash)
{
    ScratchFolder folder;
    std::vector<Bytes> originals = {
        Riff({Fmt(1, 2, 44100, 16), List(9), {"data", Bytes(40, 0x11)}}),
        Riff({Fmt(kWavFormatExtensible, 1, 44100, 24, 1), {"fact", {4, 0, 0, 0}},
              {"data", Bytes(33, 0x7F)}}),
        Riff({Fmt(3, 1, 44100, 64), {"data", Bytes(24, 0x3F)}}),
    };
    originals.push_back(ReadBytes(TestDataPath("wav/speech_f32_wavex_sndfile.wav")));
    originals.back().resize(200);
    std::mt19937 random(20240601);
    ErrorRecorder quiet;
    const std::string path = folder.Path("fuzz.wav");
    for (const Bytes& original : originals) {
        std::vector<Bytes> variants;
        for (std::size_t cut = 0; cut < original.size(); ++cut) {
            variants.emplace_back(original.begin(), original.begin() + static_cast<long>(cut));
        }
        for (int round = 0; round < 300; ++round) {
            Bytes bytes = original;
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int f = 0; f < flips; ++f) {
                bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
            }
            variants.push_back(std::move(bytes));
        }
        for (const Bytes& bytes : variants) {
            folder.Write("fuzz.wav", bytes);
            std::vector<float> samples;
            try {
                const WaveHeader h = readWAVData(path, samples);
                EXPECT_LE(samples.size() * (h.BitsPerSample / 8u), bytes.size());
            } catch (const FatalError& error) {
                EXPECT_EQ(error.ExitCode(), 1);
            }
        }
    }
}
