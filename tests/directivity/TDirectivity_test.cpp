#include "directivity/TDirectivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "TestSupport.h"
#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "directivity/daff/DAFFUtils.h"

namespace {

constexpr unsigned kBands = 9;

const std::vector<float> kThirdOctaves = {20,   25,   31.5, 40,   50,   63,   80,   100,  125,   160,   200,
                                          250,  315,  400,  500,  630,  800,  1000, 1250, 1600,  2000,  2500,
                                          3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

} // namespace

TEST(TDirectivity, BuiltInMagnitudesAtListedDirections)
{
    const struct {
        const char* pattern;
        float azim, elev;
        unsigned band;
        float expected;
    } cases[] = {
        {"OMNI", 137.0f, -20.0f, 3, 1.0f},
        {"CARDIOID", 0.0f, 0.0f, 0, 1.0f},     {"CARDIOID", 90.0f, 0.0f, 4, 0.5f},
        {"CARDIOID", 180.0f, 0.0f, 8, 0.0f},   {"CARDIOID", 0.0f, 90.0f, 2, 0.5f},
        {"HYPERCARD", 0.0f, 0.0f, 0, 1.0f},    {"HYPERCARD", 180.0f, 0.0f, 0, -0.5f},
        {"SUPERCARD", 0.0f, 0.0f, 5, 1.0f},    {"SUPERCARD", 180.0f, 0.0f, 5, 0.26f},
        {"EIGHTFIG", 0.0f, 0.0f, 1, 0.0f},     {"EIGHTFIG", 180.0f, 0.0f, 1, 0.0f},
        {"EIGHTFIG", 90.0f, 0.0f, 1, 1.0f},    {"EIGHTFIG", 0.0f, 90.0f, 1, 1.0f},
        {"OMNI2CARD", 180.0f, 0.0f, 0, 1.0f},  {"OMNI2CARD", 180.0f, 0.0f, 4, 1.0f - 2.0f * 0.30103f},
        {"OMNI2CARD", 0.0f, 0.0f, 8, 1.0f},    {"OMNI2CARD", 180.0f, 0.0f, 8, 1.0f - 2.0f * std::log10(3.0f)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pattern << " az " << c.azim << " el " << c.elev << " band " << c.band);
        TDirectivity pattern(c.pattern, kBands);
        std::vector<float> out(kBands, -9.0f);
        pattern.GetMagnitudes(c.azim, c.elev, 0, out.data());
        EXPECT_NEAR(out[c.band], c.expected, 1e-5f);
    }
}

TEST(TDirectivity, BuiltInPatternProperties)
{
    ErrorRecorder recorder;
    TDirectivity pattern("CARDIOID", kBands);
    // Built-in patterns are used unscaled, undelayed and one sample long.
    EXPECT_EQ(pattern.GetIRLength(), 1);
    EXPECT_EQ(pattern.GetFrontEnergy(), 1.0f);
    EXPECT_EQ(pattern.GetEnergy(90.0f, 0.0f, 0), 1.0f);
    EXPECT_EQ(pattern.GetFrontDelay(), 0u);
    EXPECT_EQ(pattern.GetFreqIndex(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(recorder.texts.empty());

    float ir[1] = {0.0f};
    EXPECT_EQ(FatalCode([&] { pattern.GetDirectionalIR(0.0f, 0.0f, 0, ir); }), 1);
    EXPECT_EQ(recorder.texts,
              std::vector<std::string>{"ERROR!! - Getting IMPULSE RESPONSE FROM DAFF_MAGNITUDE_SPECTRUM"});
}

TEST(TDirectivity, UnknownNameFallsBackToOmni)
{
    for (const char* name : {"CARD", "cardioid", "", "OMNI "}) {
        SCOPED_TRACE(name);
        ErrorRecorder recorder;
        TDirectivity pattern(name, kBands);
        EXPECT_EQ(pattern.GetPatternName(), "OMNI");
        EXPECT_EQ(pattern.GetPatternType(), TDirectivity::kOmni);
        EXPECT_EQ(recorder.texts, std::vector<std::string>{"No directivity pattern " + std::string(name) +
                                                           " found!\nSetting to internal OMNI pattern."});
    }
}

TEST(TDirectivity, MagnitudeSpectrumFile)
{
    ScratchFolder folder;
    // At the front channel 0 sums to 4 over the bands, channel 1 to 9;
    // elsewhere the value tells the record, channel and frequency.
    const DaffDesign design{.channels = 2, .frequencies = kThirdOctaves, .value = [](int r, int c, int i) {
                                return r == 24 * 5 + 1 ? (c == 0 ? 4.0 / 9.0 : 1.0) : r + c / 10.0 + i / 1000.0;
                            }};
    const std::string path = folder.Write("ms.daff", WriteDaff(design).bytes);
    ErrorRecorder recorder;
    TDirectivity pattern(path, kBands);
    EXPECT_TRUE(recorder.texts.empty());
    EXPECT_EQ(pattern.GetPatternType(), TDirectivity::kDaffFile);
    EXPECT_EQ(pattern.GetPatternName(), path);
    EXPECT_EQ(pattern.GetDAFFType(), TDirectivity::kMagnitudeSpectrum);
    EXPECT_EQ(pattern.GetNumChannels(), 2);
    // 62.5 Hz is served by 63 Hz; 16 kHz exactly.
    EXPECT_EQ(pattern.GetFreqIndex(), (std::vector<int>{5, 8, 11, 14, 17, 20, 23, 26, 29}));
    EXPECT_NEAR(pattern.GetFrontEnergy(), 0.5f, 1e-6f);
    EXPECT_NEAR(pattern.GetEnergy(0.0f, 0.0f, 1), 1.0f / 3.0f, 1e-6f);
    EXPECT_EQ(pattern.GetDelay(0.0f, 0.0f, 1), 0u);

    std::vector<float> out(kBands);
    pattern.GetMagnitudes(90.0f, 45.0f, 1, out.data());  // alpha index 6, beta index 9
    const int record = 24 * 8 + 1 + 6;
    for (unsigned b = 0; b < kBands; ++b) {
        EXPECT_FLOAT_EQ(out[b], record + 0.1f + pattern.GetFreqIndex()[b] / 1000.0f);
    }
    pattern.GetMagnitudes(10.0f, -90.0f, 0, out.data());
    EXPECT_FLOAT_EQ(out[0], 5 / 1000.0f);
}

TEST(TDirectivity, MagnitudeSpectrumStoppingBelow16kHz)
{
    const struct {
        const char* name;
        std::vector<float> frequencies;
        std::vector<std::string> messages;
        int code;
    } cases[] = {
        {"top at 12.5 kHz", {63, 125, 250, 500, 1000, 2000, 4000, 8000, 10000, 12500},
         {"Band 16000.000000 not found in DAFF File!\n"}, -1},
        {"top at 5 kHz", {63, 125, 250, 500, 1000, 2000, 3000, 4000, 5000},
         {"Band 8000.000000 not found in DAFF File!\n", "Band 16000.000000 not found in DAFF File!\n"}, -1},
        {"fewer frequencies than bands", {63, 125, 250, 500, 16000},
         {"Number of bands (5) in DAFF file is less than 9!. Aborting!"}, 1},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Write("short.daff", WriteDaff({.frequencies = c.frequencies}).bytes);
        ErrorRecorder recorder;
        EXPECT_EQ(FatalCode([&] { TDirectivity pattern(path, kBands); }), c.code);
        EXPECT_EQ(recorder.texts, c.messages);
    }
}

TEST(TDirectivity, ImpulseResponseFile)
{
    ScratchFolder folder;
    // The frontal record (121) has one leading zero: peaks at 1 + 2 and 1 + 0.
    auto value = [](int, int c, int i) { return c == 0 ? (i == 2 ? 0.8 : 0.1) : (i == 0 ? -0.9 : 0.2); };
    const DaffDesign design{.contentType = 0, .channels = 2, .filterLength = 6, .stored = 4, .value = value};
    const std::string path = folder.Write("ir.daff", WriteDaff(design).bytes);
    TDirectivity pattern(path, kBands);
    EXPECT_EQ(pattern.GetDAFFType(), TDirectivity::kImpulseResponse);
    EXPECT_EQ(pattern.GetIRLength(), 6);
    EXPECT_NEAR(pattern.GetFrontEnergy(), 1.0f, 1e-6f);
    EXPECT_EQ(pattern.GetDelay(0.0f, 0.0f, 0), 3u);
    EXPECT_EQ(pattern.GetDelay(0.0f, 0.0f, 1), 1u);
    EXPECT_EQ(pattern.GetFrontDelay(), 1u);

    std::vector<float> ir(6, 7.0f);
    pattern.GetDirectionalIR(0.0f, 0.0f, 1, ir.data());
    const std::vector<float> expected = {0.0f, -0.9f, 0.2f, 0.2f, 0.2f, 0.0f};
    for (std::size_t i = 0; i < ir.size(); ++i) {
        EXPECT_NEAR(ir[i], expected[i] * pattern.GetFrontEnergy(), 1e-6f);
    }
    const float sum = 0.81f + 3 * 0.04f;
    EXPECT_NEAR(pattern.GetEnergy(0.0f, 0.0f, 1), 1.0f / std::sqrt(sum) / pattern.GetFrontEnergy(), 1e-5f);
}

TEST(TDirectivity, FileContentsThePatternCannotUse)
{
    ScratchFolder folder;
    TDirectivity notSupported(folder.Write("dft.daff", WriteDaff({.contentType = 4}).bytes), kBands);
    EXPECT_EQ(notSupported.GetDAFFType(), TDirectivity::kNotSupported);
    std::vector<float> out(kBands, 0.0f);
    notSupported.GetMagnitudes(45.0f, 0.0f, 0, out.data());
    EXPECT_EQ(out, std::vector<float>(kBands, 1.0f));
    notSupported.GetDirectionalIR(45.0f, 0.0f, 0, out.data());
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(notSupported.GetFrontEnergy(), 1.0f);

    const std::string mpsPath = folder.Write("mps.daff", WriteDaff({.contentType = 3}).bytes);
    ErrorRecorder recorder;
    EXPECT_EQ(FatalCode([&] { TDirectivity pattern(mpsPath, kBands); }), 1);
    EXPECT_EQ(recorder.texts, std::vector<std::string>{"DAFF_MAGNITUDE_PHASE_SPECTRUM NOT IMPLEMENTED\n"});

    const DaffDesign huge{.contentType = 0, .filterLength = TDirectivity::kMaxIRLength + 1};
    const std::string hugePath = folder.Write("huge.daff", WriteDaff(huge).bytes);
    EXPECT_EQ(FatalCode([&] { TDirectivity pattern(hugePath, kBands); }), 1);
}

TEST(TDirectivityList, LookupsByName)
{
    TDirectivityList list;
    EXPECT_EQ(AppendDirectivities(list, {"OMNI", "SUPERCARD", "CARD", "OMNI"}, kBands), 2u)
        << "CARD occurs inside SUPERCARD, OMNI is there already";
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(FindDirectivityID(list, "SUPERCARD_2"), 1);
    EXPECT_EQ(FindDirectivityID(list, "CARD"), -1);
    EXPECT_EQ(FindDirectivityID(list, "XOMNI2CARD"), 0);  // first in list order
    EXPECT_FALSE(DirectivityNameKnown({"OMNI", "SUPERCARD"}, "CARDIOID"));

    EXPECT_EQ(ResolveDirectivity(list, "SUPERCARD_2", kBands), list[1]);
    EXPECT_EQ(ResolveDirectivity(list, "EIGHTFIG", kBands), list[0]);

    TDirectivityList empty;
    EXPECT_EQ(ResolveDirectivity(empty, "CARDIOID", kBands)->GetPatternName(), "OMNI");
    EXPECT_EQ(empty.size(), 1u);
}

// An unreadable file ends the program with the reader's code and text.
TEST(TDirectivityList, FailedAppendKeepsTheOldList)
{
    ScratchFolder folder;
    Bytes bytes = WriteDaff(DaffDesign{}).bytes;
    bytes[0] = 'X';
    const std::string bad = folder.Write("bad.daff", bytes);
    TDirectivityList list;
    AppendDirectivities(list, {"CARDIOID"}, kBands);
    const TDirectivity* before = list[0].get();
    ErrorRecorder recorder;
    EXPECT_EQ(FatalCode([&] { AppendDirectivities(list, {"HYPERCARD", bad}, kBands); }), 10002);
    EXPECT_EQ(recorder.texts,
              std::vector<std::string>{"DAFF Error: Invalid file (wrong signature, etc.) for file " + bad + "\n"});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].get(), before);
}

// Every prefix and many random corruptions of valid files either fail to open
// with an error code, or open and answer every query in range, both through
// the reader and through a pattern loaded from them (checked under ASan and UBSan).
TEST(TDirectivity, TruncatedAndCorruptedFilesNeverCrash)
{
    const DaffDesign ms{.channels = 2, .alphaPoints = 6, .alphaEnd = 300.0f, .betaPoints = 4};
    DaffDesign ir16 = ms, ir24 = ms;
    ir16.contentType = ir24.contentType = ir16.quantization = 0;
    ir24.quantization = 1;
    const std::string realPath = TestDataPath("daff/ExampleUnityOmni.v17.ms.daff");
    const Bytes real = ReadBytes(realPath);
    ASSERT_FALSE(real.empty()) << realPath;
    ScratchFolder folder;
    std::mt19937 random(1701);
    ErrorRecorder quiet;
    std::vector<float> buffer(TDirectivity::kMaxIRLength);
    const int fits = TDirectivity::kMaxIRLength;
    for (const Bytes& original : {WriteDaff(ms).bytes, WriteDaff(ir16).bytes, WriteDaff(ir24).bytes, real}) {
        const std::size_t step = original.size() > 4000 ? 97 : 1;
        const std::size_t prefixes = (original.size() + step - 1) / step;
        for (std::size_t v = 0; v < prefixes + 400; ++v) {
            Bytes bytes(original.begin(), original.begin() + static_cast<long>(std::min(v * step, original.size())));
            if (v >= prefixes) {
                // Most damage in the structure at the front, some anywhere.
                const std::size_t span = v % 4 == 0 ? bytes.size() : std::min<std::size_t>(bytes.size(), 400);
                for (int f = 0, flips = 1 + static_cast<int>(random() % 3); f < flips; ++f) {
                    bytes[random() % span] = static_cast<std::uint8_t>(random());
                }
            }
            const std::string path = folder.Write("fuzz.daff", bytes);
            auto reader = DAFFReader::create();
            if (reader->openFile(path) != 0) {
                ASSERT_FALSE(reader->isFileOpened());
                continue;
            }
            const DAFFProperties& p = *reader->getProperties();
            DAFFContent* content = reader->getContent();
            for (float az = -180.0f; az <= 540.0f; az += 45.0f) {
                for (float el = -90.0f; el <= 90.0f; el += 30.0f) {
                    int record = -1;
                    content->getNearestNeighbour(kDaffObjectView, az, el, record);
                    ASSERT_GE(record, 0);
                    ASSERT_LT(record, p.numRecords);
                }
            }
            const auto* ir = dynamic_cast<DAFFContentIR*>(content);
            const auto* spectrum = dynamic_cast<DAFFContentMS*>(content);
            for (int r = 0; r < std::min(p.numRecords, 64); ++r) {
                for (int c = 0; c < std::min(p.numChannels, 4); ++c) {
                    // A corrupted filter length may be huge without touching the data read.
                    if (ir != nullptr && ir->getFilterLength() <= fits) {
                        EXPECT_EQ(ir->getFilterCoeffs(r, c, buffer.data(), 1.0f), 0);
                    } else if (spectrum != nullptr && spectrum->getNumFrequencies() <= fits) {
                        EXPECT_EQ(spectrum->getMagnitudes(r, c, buffer.data()), 0);
                    }
                }
            }
            try {
                TDirectivity pattern(path, kBands);
                for (float az = -90.0f; az <= 450.0f; az += 60.0f) {
                    for (unsigned ch = 0; ch < static_cast<unsigned>(std::min(pattern.GetNumChannels(), 4)); ++ch) {
                        if (pattern.GetDAFFType() == TDirectivity::kImpulseResponse) {
                            pattern.GetDirectionalIR(az, az / 6.0f, ch, buffer.data());
                        } else {
                            pattern.GetMagnitudes(az, az / 6.0f, ch, buffer.data());
                        }
                    }
                }
                pattern.GetFrontDelay();
            } catch (const FatalError&) {
            }
        }
    }
}
