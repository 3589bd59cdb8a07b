#include "audio/TWavTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
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
        const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        b.insert(b.end(), tail.begin(), tail.end());
    }
    return {"fmt ", b};
}

// A chunk the reader has to step over.
Chunk List(std::size_t bytes) { return {"LIST", Bytes(bytes, 'x')}; }

// A file written by another tool, with what its header says and what
// WavIsCompatible reports about it (after "File <path>" when it starts with a blank).
struct RealWav {
    const char* file;
    unsigned short tag, bits;
    unsigned rate;
    unsigned short channels;
    unsigned frames;
    const char* problem; // nullptr: compatible
};

void PrintTo(const RealWav& w, std::ostream* os) { *os << w.file; }

const RealWav kRealWavs[] = {
    {"speech_44k1_s16_mono.wav", 1, 16, 44100, 1, 44100, nullptr},
    {"speech_u8.wav", 1, 8, 44100, 1, 44100, nullptr},
    {"speech_u8_odd_list_after.wav", 1, 8, 44100, 1, 44099, nullptr},
    {"speech_s24.wav", 1, 24, 44100, 1, 44100, nullptr},
    {"speech_s24_tag1_sndfile.wav", 1, 24, 44100, 1, 44100, nullptr},
    {"speech_s32.wav", 1, 32, 44100, 1, 44100, nullptr},
    {"speech_f32.wav", 3, 32, 44100, 1, 44100, nullptr},
    {"speech_f32_wavex_sndfile.wav", 3, 32, 44100, 1, 44100, nullptr},
    {"speech_f64.wav", 3, 64, 44100, 1, 44100, "Bits per sample not supported: 64"},
    {"speech_48k_s16.wav", 1, 16, 48000, 1, 48000,
     "Sample rate (48000) not supported. Only 44.1 kHz is suported (sorry)."},
    {"speech_stereo_s16.wav", 1, 16, 44100, 2, 44100, " has 2 channels. Only MONO input files are supported.\n"},
    {"speech_4ch_s16.wav", 1, 16, 44100, 4, 44100, " has 4 channels. Only MONO input files are supported.\n"},
    {"speech_list_before_data.wav", 1, 16, 44100, 1, 44100, nullptr},
    {"speech_list_after_data.wav", 1, 16, 44100, 1, 44100, nullptr},
    {"speech_espeak_raw.wav", 1, 16, 22050, 1, 18179,
     "Sample rate (22050) not supported. Only 44.1 kHz is suported (sorry)."},
};

} // namespace

// One test per file, so that a missing file fails only its own test.
class RealWavFile : public testing::TestWithParam<RealWav> {};

TEST_P(RealWavFile, HeaderSamplesMatchSoxAndCompatibility)
{
    const RealWav& c = GetParam();
    const std::string path = TestDataPath(std::string("wav/") + c.file);
    // A missing, empty or damaged copy ends the test here rather than throwing later.
    WaveHeader info;
    std::vector<float> samples;
    const auto read = [&] {
        info = getWavHeaderInfo(path);
        readWAVData(path, samples);
    };
    ASSERT_EQ(FatalCode(read), 0) << "cannot decode " << path;
    EXPECT_EQ(info.PcmFormat, c.tag);
    EXPECT_EQ(info.BitsPerSample, c.bits);
    EXPECT_EQ(info.SampleRate, c.rate);
    EXPECT_EQ(info.NumCh, c.channels);
    EXPECT_EQ(info.NumSamples, c.frames);
    EXPECT_EQ(wavGetSampleRate(path), static_cast<float>(c.rate));

    const std::vector<float> expected = SoxDecode(path);
    ASSERT_FALSE(expected.empty()) << "sox decoded nothing from " << path;
    ASSERT_EQ(samples.size(), expected.size());
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        mismatches += std::fabs(samples[i] - expected[i]) > 1e-6f ? 1 : 0;
    }
    EXPECT_EQ(mismatches, 0u);

    ErrorRecorder recorder;
    EXPECT_EQ(WavIsCompatible(path), c.problem == nullptr);
    ASSERT_EQ(recorder.texts.size(), c.problem == nullptr ? 0u : 1u);
    if (c.problem != nullptr) {
        EXPECT_EQ(recorder.texts[0], c.problem[0] == ' ' ? "File " + path + c.problem : c.problem);
    }
}

INSTANTIATE_TEST_SUITE_P(External, RealWavFile, testing::ValuesIn(kRealWavs),
                         [](const testing::TestParamInfo<RealWav>& info) {
                             const std::string file = info.param.file;
                             return file.substr(0, file.size() - 4);
                         });

TEST(readWAVData, MuLawAndChunkWalk)
{
    // An 18-byte fmt chunk, as float writers produce.
    Chunk fmt18 = Fmt(1, 1, 44100, 16);
    fmt18.body.resize(18, 0);
    struct Case {
        const char* name;
        std::vector<Chunk> chunks;
        std::vector<float> expected;
    };
    // What the real files do not hold; they check every common width against sox.
    const Case cases[] = {
        {"mu-law", {Fmt(7, 1, 8000, 8), {"data", {0x00, 0x7F, 0x80, 0xFF, 0x0F, 0xF0}}},
         {-32124 / 32768.0f, 0.0f, 32124 / 32768.0f, 0.0f, -16764 / 32768.0f, 120 / 32768.0f}},
        {"s24 full scale", {Fmt(1, 1, 44100, 24), {"data", {0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x40}}},
         {-1.0f, -1.0f / 8388608.0f, 0.5f}},
        {"odd LIST and fact before data, LIST after",
         {fmt18, List(13), {"fact", {1, 0, 0, 0}}, {"data", {0x00, 0x40, 0x00, 0xC0}}, List(7)},
         {0.5f, -0.5f}},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> samples;
        const WaveHeader h = readWAVData(folder.Write("pattern.wav", Riff(c.chunks)), samples);
        EXPECT_EQ(samples, c.expected);
        EXPECT_EQ(static_cast<std::size_t>(h.NumSamples) * h.NumCh, c.expected.size());
    }
}

TEST(readWAVData, DataChunkLongerThanFileIsReadAsFarAsItGoes)
{
    // The data chunk claims 2 GB and the second stereo frame is cut in half.
    Bytes file = Riff({Fmt(1, 2, 44100, 16), {"data", {0, 0x40, 0, 0xC0, 0, 0x20, 0, 0xE0}}});
    file[40] = file[41] = file[42] = 0xFF;
    file[43] = 0x7F;
    file.resize(file.size() - 2);
    ScratchFolder folder;
    std::vector<float> samples;
    EXPECT_EQ(readWAVData(folder.Write("truncated.wav", file), samples).NumSamples, 1u);
    EXPECT_EQ(samples, (std::vector<float>{0.5f, -0.5f}));
}

TEST(readWAVData, UnreadableOrUnsupportedFilesAreFatal)
{
    const Bytes valid = Riff({Fmt(1, 1, 44100, 16), {"data", {0, 0}}});
    Bytes shortFmt = valid;
    shortFmt[16] = 12;
    Bytes notWave = valid;
    notWave[8] = 'X';
    const auto withData = [](const Chunk& fmt) { return Riff({fmt, {"data", Bytes(16, 0)}}); };
    const char* const unreadable = "Cannot read from wav File";
    const std::tuple<const char*, Bytes, const char*> cases[] = {
        {"missing", {}, unreadable},
        {"empty", {}, unreadable},
        {"header only", Bytes(valid.begin(), valid.begin() + 20), unreadable},
        {"no data chunk", Riff({Fmt(1, 1, 44100, 16), List(20)}), unreadable},
        {"fmt shorter than 16", shortFmt, unreadable},
        {"not WAVE", notWave, unreadable},
        {"8-bit a-law", withData(Fmt(6, 1, 44100, 8)), "8 bits pcm format not supported.\n"},
        {"64-bit integer", withData(Fmt(1, 1, 44100, 64)),
         "64 bits only supported in IEEE double format files (this is PCM!)\n"},
        {"12-bit", withData(Fmt(1, 1, 44100, 12)), "Bits per sample not supported: 12"},
        {"0-bit", withData(Fmt(1, 1, 44100, 0)), "Bits per sample not supported: 0"},
    };
    ScratchFolder folder;
    for (const auto& [name, bytes, message] : cases) {
        SCOPED_TRACE(name);
        ErrorRecorder recorder;
        const std::string path =
            std::string(name) == "missing" ? folder.Path("missing.wav") : folder.Write("bad.wav", bytes);
        std::vector<float> samples;
        EXPECT_EQ(FatalCode([&] { readWAVData(path, samples); }), 1);
        EXPECT_EQ(recorder.texts, std::vector<std::string>{message});
    }
}

TEST(writeWAVData, FloatFileReadBackBySox)
{
    ScratchFolder folder;
    const float data[6] = {0.5f, -0.5f, 0.25f, -0.25f, 1.0f, -1.0f};
    const std::string path = folder.Path("out.wav");
    ASSERT_TRUE(writeWAVData(path, data, 3, 44100, 2));
    Bytes samples;
    for (float v : data) {
        PutF32(samples, v);
    }
    EXPECT_EQ(ReadBytes(path), Riff({Fmt(kWavFormatFloat, 2, 44100, 32), {"data", samples}}));
    EXPECT_EQ(SoxDecode(path), std::vector<float>(data, data + 6));
    EXPECT_FALSE(writeWAVData("/nonexistent-folder/x.wav", data, 1, 44100, 1));
}

// Every prefix and many random corruptions of valid files either decode or
// raise FatalError; nothing reads outside the file (checked under ASan).
TEST(readWAVData, TruncatedAndCorruptedFilesNeverCrash)
{
    Bytes real = ReadBytes(TestDataPath("wav/speech_f32_wavex_sndfile.wav"));
    ASSERT_GE(real.size(), 200u);
    real.resize(200);
    const std::vector<Bytes> originals = {
        Riff({Fmt(1, 2, 44100, 16), List(9), {"data", Bytes(40, 0x11)}}),
        Riff({Fmt(kWavFormatExtensible, 1, 44100, 24, 1), {"fact", {4, 0, 0, 0}}, {"data", Bytes(33, 0x7F)}}),
        Riff({Fmt(3, 1, 44100, 64), {"data", Bytes(24, 0x3F)}}),
        real,
    };
    std::mt19937 random(20240601);
    ErrorRecorder quiet;
    ScratchFolder folder;
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
