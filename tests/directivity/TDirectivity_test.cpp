#include "directivity/TDirectivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "TestSupport.h"
#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFTestWriter.h"

namespace {

constexpr unsigned kBands = 9;

const std::vector<float> kThirdOctaves = {20,   25,   31.5, 40,   50,    63,    80,    100,
                                          125,  160,  200,  250,  315,   400,   500,   630,
                                          800,  1000, 1250, 1600, 2000,  2500,  3150,  4000,
                                          5000, 6300, 8000, 10000, 12500, 16000, 20000};

} // namespace

TEST(TDirectivity, BuiltInMagnitudesAtListedDirections)
{
    struct Case {
        const char* pattern;
        float azim;
        float elev;
        unsigned band;
        float expected;
    };
    const Case cases[] = {
        {"OMNI", 137.0f, -20.0f, 3, 1.0f},
        {"CARDIOID", 0.0f, 0.0f, 0, 1.0f},
        {"CARDIOID", 90.0f, 0.0f, 4, 0.5f},
        {"CARDIOID", 180.0f, 0.0f, 8, 0.0f},
        {"CARDIOID", 0.0f, 90.0f, 2, 0.5f},
        {"HYPERCARD", 0.0f, 0.0f, 0, 1.0f},
        {"HYPERCARD", 180.0f, 0.0f, 0, -0.5f},
        {"SUPERCARD", 0.0f, 0.0f, 5, 1.0f},
        {"SUPERCARD", 180.0f, 0.0f, 5, 0.26f},
        {"SUPERCARD", -180.0f, 0.0f, 5, 0.26f},
        {"EIGHTFIG", 0.0f, 0.0f, 1, 0.0f},
        {"EIGHTFIG", 180.0f, 0.0f, 1, 0.0f},
        {"EIGHTFIG", 90.0f, 0.0f, 1, 1.0f},
        {"EIGHTFIG", 0.0f, 90.0f, 1, 1.0f},
        {"EIGHTFIG", 270.0f, 0.0f, 1, 1.0f},
        {"OMNI2CARD", 180.0f, 0.0f, 0, 1.0f},
        {"OMNI2CARD", 90.0f, 30.0f, 0, 1.0f},
        {"OMNI2CARD", 180.0f, 0.0f, 4, 1.0f - 2.0f * 0.30103f},
        {"OMNI2CARD", 0.0f, 0.0f, 8, 1.0f},
        {"OMNI2CARD", 180.0f, 0.0f, 8, 1.0f - 2.0f * std::log10(3.0f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " az " + std::to_string(c.azim) + " el " +
                     std::to_string(c.elev) + " band " + std::to_string(c.band));
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
    EXPECT_EQ(pattern.GetPatternType(), TDirectivity::kCardioid);
    EXPECT_EQ(pattern.GetDAFFType(), TDirectivity::kMagnitudeSpectrum);
    EXPECT_EQ(pattern.GetNumChannels(), 1);
    EXPECT_EQ(pattern.GetIRLength(), 1);
    EXPECT_EQ(pattern.GetFrontEnergy(), 1.0f);
    EXPECT_EQ(pattern.GetEnergy(90.0f, 0.0f, 0), 1.0f);
    EXPECT_EQ(pattern.GetDelay(0.0f, 0.0f, 0), 0u);
    EXPECT_EQ(pattern.GetFrontDelay(), 0u);
    EXPECT_EQ(pattern.GetDaffFreqs().front(), 62.5f);
    EXPECT_EQ(pattern.GetDaffFreqs().back(), 16000.0f);
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
    DaffDesign design;
    design.channels = 2;
    design.frequencies = kThirdOctaves;
    // Channel 0 sums to 4 over the bands, channel 1 to 9; the record shows in the rest.
    design.value = [](int r, int c, int i) {
        if (r == 24 * 5 + 1) {
            return c == 0 ? 4.0 / 9.0 : 1.0;
        }
        return r + c / 10.0 + i / 1000.0;
    };
    const std::string path = folder.Write("ms.daff", WriteDaff(design).bytes);
    ErrorRecorder recorder;
    TDirectivity pattern(path, kBands);
    EXPECT_TRUE(recorder.texts.empty());
    EXPECT_EQ(pattern.GetPatternType(), TDirectivity::kDaffFile);
    EXPECT_EQ(pattern.GetPatternName(), path);
    EXPECT_EQ(pattern.GetDAFFType(), TDirectivity::kMagnitudeSpectrum);
    EXPECT_EQ(pattern.GetNumChannels(), 2);
    EXPECT_EQ(pattern.GetFFTSize(), -1);
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
    struct Case {
        const char* name;
        std::vector<float> frequencies;
        std::vector<std::string> messages;
        int code;
    };
    const Case cases[] = {
        {"top at 12.5 kHz", {63, 125, 250, 500, 1000, 2000, 4000, 8000, 10000, 12500},
         {"Band 16000.000000 not found in DAFF File!\n"}, -1},
        {"top at 5 kHz", {63, 125, 250, 500, 1000, 2000, 3000, 4000, 5000},
         {"Band 8000.000000 not found in DAFF File!\n", "Band 16000.000000 not found in DAFF File!\n"}, -1},
        {"fewer frequencies than bands", {63, 125, 250, 500, 16000},
         {"Number of bands (5) in DAFF file is less than 9!. Aborting!"}, 1},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DaffDesign design;
        design.frequencies = c.frequencies;
        const std::string path = folder.Write("short.daff", WriteDaff(design).bytes);
        ErrorRecorder recorder;
        EXPECT_EQ(FatalCode([&] { TDirectivity pattern(path, kBands); }), c.code);
        EXPECT_EQ(recorder.texts, c.messages);
    }
}

TEST(TDirectivity, ImpulseResponseFile)
{
    ScratchFolder folder;
    DaffDesign design;
    design.contentType = 0;
    design.channels = 2;
    design.filterLength = 6;
    design.stored = 4;
    // The frontal record (121) has one leading zero: peaks at 1 + 2 and 1 + 0.
    design.value = [](int, int c, int i) {
        if (c == 0) {
            return i == 2 ? 0.8 : 0.1;
        }
        return i == 0 ? -0.9 : 0.2;
    };
    const std::string path = folder.Write("ir.daff", WriteDaff(design).bytes);
    TDirectivity pattern(path, kBands);
    EXPECT_EQ(pattern.GetDAFFType(), TDirectivity::kImpulseResponse);
    EXPECT_EQ(pattern.GetIRLength(), 6);
    EXPECT_EQ(pattern.GetFFTSize(), 16);
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

TEST(TDirectivity, FileContentKinds)
{
    ScratchFolder folder;
    DaffDesign dft;
    dft.contentType = 4;
    TDirectivity notSupported(folder.Write("dft.daff", WriteDaff(dft).bytes), kBands);
    EXPECT_EQ(notSupported.GetDAFFType(), TDirectivity::kNotSupported);
    std::vector<float> out(kBands, 0.0f);
    notSupported.GetMagnitudes(45.0f, 0.0f, 0, out.data());
    EXPECT_EQ(out, std::vector<float>(kBands, 1.0f));
    notSupported.GetDirectionalIR(45.0f, 0.0f, 0, out.data());
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(notSupported.GetFrontEnergy(), 1.0f);

    DaffDesign mps;
    mps.contentType = 3;
    const std::string mpsPath = folder.Write("mps.daff", WriteDaff(mps).bytes);
    ErrorRecorder recorder;
    EXPECT_EQ(FatalCode([&] { TDirectivity pattern(mpsPath, kBands); }), 1);
    EXPECT_EQ(recorder.texts, std::vector<std::string>{"DAFF_MAGNITUDE_PHASE_SPECTRUM NOT IMPLEMENTED\n"});
}

TEST(TDirectivity, UnreadableFileEndsWithReaderCode)
{
    ScratchFolder folder;
    Bytes bytes = WriteDaff(DaffDesign{}).bytes;
    bytes[0] = 'X';
    const std::string path = folder.Write("bad.daff", bytes);
    ErrorRecorder recorder;
    EXPECT_EQ(FatalCode([&] { TDirectivity pattern(path, kBands); }), 10002);
    EXPECT_EQ(recorder.texts, std::vector<std::string>{"DAFF Error: Invalid file (wrong signature, etc.) for file " +
                                                       path + "\n"});

    DaffDesign huge;
    huge.contentType = 0;
    huge.filterLength = TDirectivity::kMaxIRLength + 1;
    const std::string hugePath = folder.Write("huge.daff", WriteDaff(huge).bytes);
    EXPECT_EQ(FatalCode([&] { TDirectivity pattern(hugePath, kBands); }), 1);
}

TEST(TDirectivity, RealMagnitudeSpectrumFile)
{
    TDirectivity pattern(TestDataPath("daff/ExampleUnityOmni.v17.ms.daff"), kBands);
    EXPECT_EQ(pattern.GetDAFFType(), TDirectivity::kMagnitudeSpectrum);
    EXPECT_EQ(pattern.GetFreqIndex(), (std::vector<int>{5, 8, 11, 14, 17, 20, 23, 26, 29}));
    EXPECT_NEAR(pattern.GetFrontEnergy(), 1.0f / 3.0f, 1e-6f);
    std::vector<float> out(kBands);
    for (float azim : {0.0f, 90.0f, 180.0f, 359.0f}) {
        pattern.GetMagnitudes(azim, 45.0f, 0, out.data());
        EXPECT_EQ(out, std::vector<float>(kBands, 1.0f));
    }
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
    EXPECT_TRUE(DirectivityNameKnown({"OMNI", "SUPERCARD"}, "CARD"));
    EXPECT_FALSE(DirectivityNameKnown({"OMNI", "SUPERCARD"}, "CARDIOID"));

    EXPECT_EQ(ResolveDirectivity(list, "SUPERCARD_2", kBands), list[1]);
    EXPECT_EQ(ResolveDirectivity(list, "EIGHTFIG", kBands), list[0]);

    TDirectivityList empty;
    EXPECT_EQ(ResolveDirectivity(empty, "CARDIOID", kBands)->GetPatternName(), "OMNI");
    EXPECT_EQ(empty.size(), 1u);
}

TEST(TDirectivityList, FailedAppendKeepsTheOldList)
{
    ScratchFolder folder;
    Bytes bytes = WriteDaff(DaffDesign{}).bytes;
    bytes[2] = 160;  // version
    const std::string bad = folder.Write("old.daff", bytes);
    TDirectivityList list;
    AppendDirectivities(list, {"CARDIOID"}, kBands);
    const TDirectivity* before = list[0].get();
    ErrorRecorder recorder;
    EXPECT_EQ(FatalCode([&] { AppendDirectivities(list, {"HYPERCARD", bad}, kBands); }), 10008);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].get(), before);
}

// Damaged files either load or end with FatalError; loaded ones answer
// queries in every direction (checked under ASan and UBSan).
TEST(TDirectivity, CorruptedFilesNeverCrash)
{
    DaffDesign ms;
    ms.alphaPoints = 8;
    ms.alphaEnd = 315.0f;
    ms.betaPoints = 5;
    ms.channels = 2;
    DaffDesign ir = ms;
    ir.contentType = 0;
    ir.quantization = 1;
    ScratchFolder folder;
    std::mt19937 random(6100);
    ErrorRecorder quiet;
    for (const DaffDesign& design : {ms, ir}) {
        const Bytes original = WriteDaff(design).bytes;
        for (int round = 0; round < 300; ++round) {
            Bytes bytes = original;
            for (int f = 0, flips = 1 + static_cast<int>(random() % 3); f < flips; ++f) {
                bytes[random() % std::min<std::size_t>(bytes.size(), 300)] = static_cast<std::uint8_t>(random());
            }
            const std::string path = folder.Write("fuzz.daff", bytes);
            try {
                TDirectivity pattern(path, kBands);
                std::vector<float> out(std::max<std::size_t>(kBands, static_cast<std::size_t>(pattern.GetIRLength())));
                for (float az = -90.0f; az <= 450.0f; az += 60.0f) {
                    for (int ch = 0; ch < pattern.GetNumChannels() && ch < 4; ++ch) {
                        if (pattern.GetDAFFType() == TDirectivity::kImpulseResponse) {
                            pattern.GetDirectionalIR(az, az / 6.0f, static_cast<unsigned>(ch), out.data());
                        } else {
                            pattern.GetMagnitudes(az, az / 6.0f, static_cast<unsigned>(ch), out.data());
                        }
                    }
                }
                pattern.GetFrontDelay();
            } catch (const FatalError&) {
            }
        }
    }
}
