#include "directivity/daff/DAFFReader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "directivity/daff/DAFFUtils.h"

TEST(DAFFReader, OpensMagnitudeSpectrumFileWithMetadata)
{
    ScratchFolder folder;
    const DaffDesign design{.channels = 2};
    const std::string path = folder.Write("ms.daff", WriteDaff(design).bytes);
    auto reader = DAFFReader::create();
    ASSERT_EQ(reader->openFile(path), 0);
    EXPECT_EQ(reader->getContentType(), kDaffMagnitudeSpectrum);
    EXPECT_EQ(reader->getProperties()->getNumberOfChannels(), 2);
    EXPECT_EQ(reader->getProperties()->getNumberOfRecords(), 266);
    EXPECT_EQ(reader->openFile(path), kDaffModalError);

    auto* ms = dynamic_cast<DAFFContentMS*>(reader->getContent());
    ASSERT_NE(ms, nullptr);
    EXPECT_EQ(ms->getFrequencies(), design.frequencies);
    std::vector<float> magnitudes(9);
    ASSERT_EQ(ms->getMagnitudes(265, 1, magnitudes.data()), 0);
    EXPECT_FLOAT_EQ(magnitudes[0], 2651.0f);
    EXPECT_FLOAT_EQ(magnitudes[8], 2651.08f);
    for (auto [record, channel] : {std::pair{266, 0}, {0, 2}, {-1, 0}}) {
        EXPECT_EQ(ms->getMagnitudes(record, channel, magnitudes.data()), kDaffInvalidIndex);
    }

    const DAFFMetadata& metadata = reader->getMetadata();
    ASSERT_EQ(metadata.Entries().size(), 4u);
    EXPECT_EQ(std::get<std::string>(metadata.Entries()[0].value), "test pattern");
    EXPECT_TRUE(std::get<bool>(metadata.Entries()[1].value));
    EXPECT_EQ(std::get<int>(metadata.Entries()[2].value), 36);
    EXPECT_EQ(std::get<double>(metadata.Entries()[3].value), 1.5);

    reader->closeFile();
    EXPECT_FALSE(reader->isFileOpened());
    EXPECT_EQ(reader->getContent(), nullptr);
    EXPECT_EQ(reader->openFile(path), 0);
}

TEST(DAFFContentIR, FilterCoefficientsPerQuantization)
{
    const struct {
        const char* name;
        int quantization;
        std::vector<double> stored;   // raw values written
        std::vector<float> expected;  // decoded with gain 1
    } cases[] = {
        {"int16", 0, {32767, -32767, -32768, 16384},
         {1.0f, -1.0f, -32768.0f / 32767.0f, 16384.0f / 32767.0f}},
        {"int24", 1, {8388607, -8388607, -8388608, 1},
         {1.0f, -1.0f, -8388608.0f / 8388607.0f, 1.0f / 8388607.0f}},
        {"float32", 2, {0.25, -0.5, 1.5, 0.0}, {0.25f, -0.5f, 1.5f, 0.0f}},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DaffDesign design{.contentType = 0, .quantization = c.quantization, .alphaPoints = 4,
                                .alphaEnd = 270.0f, .betaPoints = 3, .filterLength = 7, .stored = 4,
                                .value = [&](int, int, int i) { return c.stored[static_cast<std::size_t>(i)]; }};
        auto reader = DAFFReader::create();
        ASSERT_EQ(reader->openFile(folder.Write("ir.daff", WriteDaff(design).bytes)), 0);
        auto* ir = dynamic_cast<DAFFContentIR*>(reader->getContent());
        ASSERT_NE(ir, nullptr);
        EXPECT_EQ(ir->getFilterLength(), 7);
        EXPECT_EQ(ir->getSamplerate(), 44100.0f);
        // Record 2 has two leading zeros, then four samples, then one zero.
        std::vector<float> out(7, 99.0f);
        ASSERT_EQ(ir->getFilterCoeffs(2, 0, out.data(), 2.0f), 0);
        const std::vector<float>& e = c.expected;
        const float expected[] = {0.0f, 0.0f, 2 * e[0], 2 * e[1], 2 * e[2], 2 * e[3], 0.0f};
        for (std::size_t i = 0; i < 7; ++i) {
            EXPECT_FLOAT_EQ(out[i], expected[i]) << i;
        }
        EXPECT_EQ(ir->getFilterCoeffs(6, 0, out.data(), 1.0f), kDaffInvalidIndex);
    }
}

// The block table starts at 10 with 20 bytes per block: id, offset, size.
TEST(DAFFReader, ValidationErrorPerField)
{
    const DaffFile ms = WriteDaff({});
    const DaffFile ir = WriteDaff({.contentType = 0, .metadata = false});
    const DaffFile dft = WriteDaff({.contentType = 4});
    const DaffFile phase = WriteDaff({.contentType = 2});
    const std::size_t mh = ms.mainHeader;
    const std::uint64_t metadataSize = ms.bytes.size() - ms.metadataBlock;
    const Corruption none = [](Bytes&) {};
    const struct {
        const char* name;
        const DaffFile& file;
        Corruption corrupt;
        int expected;
    } cases[] = {
        {"signature", ms, [](Bytes& b) { b[1] = 'X'; }, kDaffInvalidFile},
        {"cut inside the version", ms, [](Bytes& b) { b.resize(4); }, kDaffInvalidFile},
        {"version 160", ms, I32(2, 160), kDaffUnsupportedVersion},
        {"no blocks", ms, I32(6, 0), kDaffInvalidFile},
        {"huge block table", ms, I32(6, 0x7FFFFFFF), kDaffInvalidFile},
        {"block inside table", ms, U64(10 + 20 + 4, 20), kDaffInvalidFile},
        {"main header missing", ms, I32(10, 9), kDaffInvalidFile},
        {"main header twice", ms, I32(30, 1), kDaffInvalidFile},
        {"main header beyond file", ms, U64(14, 1u << 30), kDaffInvalidFile},
        {"main header too small", ms, U64(22, 40), kDaffInvalidFile},
        {"content type", ms, I32(mh, 5), kDaffInvalidContentType},
        {"quantization", ms, I32(mh + 4, 3), kDaffInvalidQuantization},
        {"channels", ms, I32(mh + 8, 0), kDaffInvalidMainHeaderParameter},
        {"records", ms, I32(mh + 12, -1), kDaffInvalidMainHeaderParameter},
        {"elements", ms, I32(mh + 16, 0), kDaffInvalidMainHeaderParameter},
        {"fewer records than grid", ms, I32(mh + 12, 265), kDaffInvalidMainHeaderParameter},
        {"alpha points", ms, I32(mh + 24, 0), kDaffInvalidAlphaRange},
        {"alpha start 360", ms, F32(mh + 28, 360.0f), kDaffInvalidAlphaRange},
        {"alpha start NaN", ms, F32(mh + 28, std::nanf("")), kDaffInvalidAlphaRange},
        {"alpha end 361", ms, F32(mh + 32, 361.0f), kDaffInvalidAlphaRange},
        {"beta points", ms, I32(mh + 36, 0), kDaffInvalidBetaRange},
        {"beta start after end", ms, [=](Bytes& b) { F32(mh + 40, 170.0f)(b); F32(mh + 44, 160.0f)(b); },
         kDaffInvalidBetaRange},
        {"beta end 181", ms, F32(mh + 44, 181.0f), kDaffInvalidBetaRange},
        {"beta start negative", ms, F32(mh + 40, -1.0f), kDaffInvalidBetaRange},
        {"content header missing", ms, I32(30, 7), kDaffFileCorrupted},
        {"data block beyond file", ms, U64(74, 1ull << 40), kDaffFileCorrupted},
        {"data block size overflow", ms, U64(82, ~0ull), kDaffFileCorrupted},
        {"descriptor block short", ms, U64(62, 12 * 265), kDaffFileCorrupted},
        {"content header short", ms, U64(42, 20), kDaffFileCorrupted},
        {"no frequencies", ms, I32(ms.contentHeader + 4, 0), kDaffInvalidContentParameter},
        {"too many frequencies", ms, I32(ms.contentHeader + 4, 1 << 28), kDaffFileCorrupted},
        {"data offset beyond block", ms, U64(ms.descriptors + 12 * 5 + 4, 1u << 20), kDaffFileCorrupted},
        {"data offset wraps", ms, U64(ms.descriptors + 4, ~0ull - 3), kDaffFileCorrupted},
        {"metadata type", ms, I32(ms.metadataBlock + 4, 9), kDaffInvalidMetadataType},
        {"metadata key count", ms, I32(ms.metadataBlock, 5), kDaffFileCorrupted},
        {"metadata negative count", ms, I32(ms.metadataBlock, -1), kDaffFileCorrupted},
        {"metadata value cut", ms, U64(102, metadataSize - 3), kDaffFileCorrupted},
        {"IR valid", ir, none, 0},
        {"IR negative sampling rate", ir, F32(ir.contentHeader, -1.0f), kDaffInvalidContentParameter},
        {"IR filter offset too large", ir, I32(ir.contentHeader + 4, 9), kDaffInvalidContentParameter},
        {"IR effective length negative", ir, I32(ir.contentHeader + 8, -1), kDaffInvalidContentParameter},
        // Descriptors of 20 bytes: type, data offset, leading zeros, samples.
        {"IR samples past filter end", ir, I32(ir.descriptors + 20 * 2 + 16, 7), kDaffFileCorrupted},
        {"IR negative leading zeros", ir, I32(ir.descriptors + 12, -1), kDaffFileCorrupted},
        {"IR samples past data block", ir, U64(ir.descriptors + 20 * 265 + 4, 265 * 16 + 4), kDaffFileCorrupted},
        {"DFT valid", dft, none, 0},
        {"DFT coefficient count", dft, I32(dft.contentHeader, 6), kDaffInvalidContentParameter},
        {"phase valid", phase, none, 0},
        {"phase no frequencies", phase, I32(phase.contentHeader, 0), kDaffInvalidContentParameter},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.file.bytes;
        c.corrupt(bytes);
        auto reader = DAFFReader::create();
        EXPECT_EQ(reader->openFile(folder.Write("test.daff", bytes)), c.expected);
        EXPECT_EQ(reader->isFileOpened(), c.expected == 0);
    }
    EXPECT_EQ(DAFFReader::create()->openFile(folder.Path("missing.daff")), kDaffFileNotFound);
}

TEST(DAFFContent, NearestNeighbourLookups)
{
    // A 5-degree alpha grid without its 360 column, poles stored once; a
    // 15-degree full circle, also turned; a band without poles, beta 30 to 150.
    const DaffDesign fine{.alphaPoints = 72, .alphaEnd = 355.0f, .betaPoints = 37, .metadata = false};
    const DaffDesign circle{.metadata = false}, turned{.yaw = 90.0f, .metadata = false};
    const DaffDesign band{.alphaPoints = 4, .alphaEnd = 270.0f, .betaPoints = 5, .betaStart = 30.0f,
                          .betaEnd = 150.0f, .metadata = false};

    const struct {
        const char* name;
        const DaffDesign* design;
        int view;
        float phi, theta;
        int record, code = 0;
    } cases[] = {
        {"data alpha 12.4 rounds to index 2", &fine, kDaffDataView, 12.4f, 90.0f, 72 * 17 + 1 + 2},
        {"data alpha 357 is nearer the last point", &fine, kDaffDataView, 357.0f, 90.0f, 72 * 17 + 1 + 71},
        {"data alpha 358 is nearer the first point", &fine, kDaffDataView, 358.0f, 90.0f, 72 * 17 + 1},
        {"data south pole", &fine, kDaffDataView, 123.0f, 0.0f, 0},
        {"data north pole", &fine, kDaffDataView, 0.0f, 180.0f, 72 * 35 + 1},
        {"object front", &circle, kDaffObjectView, 0.0f, 0.0f, 24 * 5 + 1},
        {"object between points rounds up", &circle, kDaffObjectView, 23.0f, 7.6f, 24 * 6 + 1 + 2},
        {"seam from below 360", &circle, kDaffObjectView, 359.0f, 0.0f, 24 * 5 + 1},
        {"seam at negative azimuth", &circle, kDaffObjectView, -8.0f, 0.0f, 24 * 5 + 1 + 23},
        {"seam above 360", &circle, kDaffObjectView, 375.0f, 0.0f, 24 * 5 + 1 + 1},
        {"object near north pole", &circle, kDaffObjectView, 200.0f, 83.0f, 24 * 11 + 1},
        {"object south pole", &circle, kDaffObjectView, 300.0f, -90.0f, 0},
        {"object over the pole", &circle, kDaffObjectView, 0.0f, 120.0f, 24 * 9 + 1 + 12},
        {"no poles, below range", &band, kDaffDataView, 90.0f, 5.0f, 1},
        {"no poles, above range", &band, kDaffDataView, 180.0f, 175.0f, 4 * 4 + 2},
        {"no poles, alpha past end nearer end", &band, kDaffDataView, 300.0f, 90.0f, 4 * 2 + 3},
        {"no poles, alpha past end nearer start", &band, kDaffDataView, 320.0f, 90.0f, 4 * 2},
        {"default orientation yaw 90", &turned, kDaffObjectView, 0.0f, 0.0f, 24 * 5 + 1 + 18},
        {"non-finite direction", &circle, kDaffObjectView, std::nanf(""), std::nanf(""), 24 * 5 + 1},
        {"unknown view, record untouched", &circle, 2, 0.0f, 0.0f, -5, kDaffInvalidIndex},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reader = DAFFReader::create();
        ASSERT_EQ(reader->openFile(folder.Write("grid.daff", WriteDaff(*c.design).bytes)), 0);
        int record = -5;
        EXPECT_EQ(reader->getContent()->getNearestNeighbour(c.view, c.phi, c.theta, record), c.code);
        EXPECT_EQ(record, c.record);
    }
}

TEST(DAFFReader, RealMagnitudeSpectrumFile)
{
    auto reader = DAFFReader::create();
    ASSERT_EQ(reader->openFile(TestDataPath("daff/ExampleUnityOmni.v17.ms.daff")), 0);
    const DAFFProperties& p = *reader->getProperties();
    EXPECT_EQ((std::vector{p.numRecords, p.numChannels, p.alphaPoints, p.betaPoints}), (std::vector{266, 1, 24, 13}));
    EXPECT_FLOAT_EQ(p.alphaResolution, 15.0f);
    EXPECT_FLOAT_EQ(p.betaResolution, 15.0f);
    auto* ms = dynamic_cast<DAFFContentMS*>(reader->getContent());
    ASSERT_NE(ms, nullptr);
    ASSERT_EQ(ms->getNumFrequencies(), 31);
    EXPECT_FLOAT_EQ(ms->getFrequencies().front(), 20.0f);
    EXPECT_FLOAT_EQ(ms->getFrequencies().back(), 20000.0f);
    std::vector<float> magnitudes(31);
    for (int r = 0; r < 266; ++r) {
        ASSERT_EQ(ms->getMagnitudes(r, 0, magnitudes.data()), 0);
        ASSERT_EQ(magnitudes, std::vector<float>(31, 1.0f)) << r;
    }
    int record = -1;
    ms->getNearestNeighbour(kDaffObjectView, 0.0f, -90.0f, record);
    EXPECT_EQ(record, 0);
    ms->getNearestNeighbour(kDaffObjectView, 0.0f, 90.0f, record);
    EXPECT_EQ(record, 265);
    EXPECT_EQ(reader->getMetadata().Entries().size(), 4u);
    EXPECT_TRUE(reader->getMetadata().hasKey("LICENSE"));
}
