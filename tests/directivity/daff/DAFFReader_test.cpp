#include "directivity/daff/DAFFReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "TestSupport.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "directivity/daff/DAFFUtils.h"

namespace {

int OpenCode(const ScratchFolder& folder, const Bytes& bytes)
{
    const std::string path = folder.Write("test.daff", bytes);
    auto reader = DAFFReader::create();
    const int code = reader->openFile(path);
    EXPECT_EQ(reader->isFileOpened(), code == 0);
    return code;
}

} // namespace

TEST(DAFFReader, OpensMagnitudeSpectrumFileWithMetadata)
{
    ScratchFolder folder;
    DaffDesign design;
    design.channels = 2;
    const std::string path = folder.Write("ms.daff", WriteDaff(design).bytes);
    auto reader = DAFFReader::create();
    ASSERT_EQ(reader->openFile(path), 0);
    EXPECT_EQ(reader->getFileFormatVersion(), 170);
    EXPECT_EQ(reader->getContentType(), kDaffMagnitudeSpectrum);
    EXPECT_EQ(reader->getProperties()->getNumberOfChannels(), 2);
    EXPECT_EQ(reader->getProperties()->getNumberOfRecords(), 266);
    EXPECT_FLOAT_EQ(reader->getProperties()->alphaResolution, 15.0f);
    EXPECT_FLOAT_EQ(reader->getProperties()->betaResolution, 15.0f);
    EXPECT_EQ(reader->openFile(path), kDaffModalError);

    auto* ms = dynamic_cast<DAFFContentMS*>(reader->getContent());
    ASSERT_NE(ms, nullptr);
    EXPECT_EQ(ms->getFrequencies(), design.frequencies);
    std::vector<float> magnitudes(9);
    ASSERT_EQ(ms->getMagnitudes(265, 1, magnitudes.data()), 0);
    EXPECT_FLOAT_EQ(magnitudes[0], 2651.0f);
    EXPECT_FLOAT_EQ(magnitudes[8], 2651.08f);
    EXPECT_EQ(ms->getMagnitudes(266, 0, magnitudes.data()), kDaffInvalidIndex);
    EXPECT_EQ(ms->getMagnitudes(0, 2, magnitudes.data()), kDaffInvalidIndex);
    EXPECT_EQ(ms->getMagnitudes(-1, 0, magnitudes.data()), kDaffInvalidIndex);

    const DAFFMetadata& metadata = reader->getMetadata();
    ASSERT_EQ(metadata.Entries().size(), 4u);
    EXPECT_TRUE(metadata.hasKey("DESCRIPTION"));
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
    struct Case {
        const char* name;
        int quantization;
        std::vector<double> stored;    // raw values written
        std::vector<float> expected;   // decoded with gain 1
    };
    const Case cases[] = {
        {"int16", 0, {32767, -32767, -32768, 16384},
         {1.0f, -1.0f, -32768.0f / 32767.0f, 16384.0f / 32767.0f}},
        {"int24", 1, {8388607, -8388607, -8388608, 1},
         {1.0f, -1.0f, -8388608.0f / 8388607.0f, 1.0f / 8388607.0f}},
        {"float32", 2, {0.25, -0.5, 1.5, 0.0}, {0.25f, -0.5f, 1.5f, 0.0f}},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DaffDesign design;
        design.contentType = 0;
        design.quantization = c.quantization;
        design.alphaPoints = 4;
        design.alphaEnd = 270.0f;
        design.betaPoints = 3;
        design.filterLength = 7;
        design.stored = 4;
        design.value = [&](int, int, int i) { return c.stored[static_cast<std::size_t>(i)]; };
        const std::string path = folder.Write("ir.daff", WriteDaff(design).bytes);
        auto reader = DAFFReader::create();
        ASSERT_EQ(reader->openFile(path), 0);
        auto* ir = dynamic_cast<DAFFContentIR*>(reader->getContent());
        ASSERT_NE(ir, nullptr);
        EXPECT_EQ(ir->getFilterLength(), 7);
        EXPECT_EQ(ir->getSamplerate(), 44100.0f);
        // Record 2 has two leading zeros, then four samples, then one zero.
        std::vector<float> out(7, 99.0f);
        ASSERT_EQ(ir->getFilterCoeffs(2, 0, out.data(), 2.0f), 0);
        EXPECT_EQ(out[0], 0.0f);
        EXPECT_EQ(out[1], 0.0f);
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(out[static_cast<std::size_t>(2 + i)], 2.0f * c.expected[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(out[6], 0.0f);
        EXPECT_EQ(ir->getFilterCoeffs(6, 0, out.data(), 1.0f), kDaffInvalidIndex);
    }
}

TEST(DAFFReader, ValidationErrorPerField)
{
    const DaffFile base = WriteDaff(DaffDesign{});
    const std::size_t mh = base.mainHeader;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::uint64_t metadataSize = base.bytes.size() - base.metadataBlock;
    struct Case {
        const char* name;
        std::function<void(Bytes&)> corrupt;
        int expected;
    };
    const Case cases[] = {
        {"signature", [](Bytes& b) { b[1] = 'X'; }, kDaffInvalidFile},
        {"version 160", [](Bytes& b) { PokeI32(b, 2, 160); }, kDaffUnsupportedVersion},
        {"no blocks", [](Bytes& b) { PokeI32(b, 6, 0); }, kDaffInvalidFile},
        {"huge block table", [](Bytes& b) { PokeI32(b, 6, 0x7FFFFFFF); }, kDaffInvalidFile},
        {"block inside table", [](Bytes& b) { PokeU64(b, 10 + 20 + 4, 20); }, kDaffInvalidFile},
        {"main header missing", [](Bytes& b) { PokeI32(b, 10, 9); }, kDaffInvalidFile},
        {"main header twice", [](Bytes& b) { PokeI32(b, 30, 1); }, kDaffInvalidFile},
        {"main header beyond file", [](Bytes& b) { PokeU64(b, 14, 1u << 30); }, kDaffInvalidFile},
        {"main header too small", [](Bytes& b) { PokeU64(b, 22, 40); }, kDaffInvalidFile},
        {"content type", [&](Bytes& b) { PokeI32(b, mh, 5); }, kDaffInvalidContentType},
        {"quantization", [&](Bytes& b) { PokeI32(b, mh + 4, 3); }, kDaffInvalidQuantization},
        {"channels", [&](Bytes& b) { PokeI32(b, mh + 8, 0); }, kDaffInvalidMainHeaderParameter},
        {"records", [&](Bytes& b) { PokeI32(b, mh + 12, -1); }, kDaffInvalidMainHeaderParameter},
        {"elements", [&](Bytes& b) { PokeI32(b, mh + 16, 0); }, kDaffInvalidMainHeaderParameter},
        {"fewer records than grid", [&](Bytes& b) { PokeI32(b, mh + 12, 265); },
         kDaffInvalidMainHeaderParameter},
        {"alpha points", [&](Bytes& b) { PokeI32(b, mh + 24, 0); }, kDaffInvalidAlphaRange},
        {"alpha start 360", [&](Bytes& b) { PokeF32(b, mh + 28, 360.0f); }, kDaffInvalidAlphaRange},
        {"alpha start NaN", [&](Bytes& b) { PokeF32(b, mh + 28, nan); }, kDaffInvalidAlphaRange},
        {"alpha end 361", [&](Bytes& b) { PokeF32(b, mh + 32, 361.0f); }, kDaffInvalidAlphaRange},
        {"beta points", [&](Bytes& b) { PokeI32(b, mh + 36, 0); }, kDaffInvalidBetaRange},
        {"beta start after end", [&](Bytes& b) { PokeF32(b, mh + 40, 170.0f); PokeF32(b, mh + 44, 160.0f); },
         kDaffInvalidBetaRange},
        {"beta end 181", [&](Bytes& b) { PokeF32(b, mh + 44, 181.0f); }, kDaffInvalidBetaRange},
        {"beta start negative", [&](Bytes& b) { PokeF32(b, mh + 40, -1.0f); }, kDaffInvalidBetaRange},
        {"content header missing", [](Bytes& b) { PokeI32(b, 30, 7); }, kDaffFileCorrupted},
        {"data block twice", [](Bytes& b) { PokeI32(b, 50, 4); }, kDaffFileCorrupted},
        {"data block beyond file", [](Bytes& b) { PokeU64(b, 74, 1ull << 40); }, kDaffFileCorrupted},
        {"data block size overflow", [](Bytes& b) { PokeU64(b, 82, ~0ull); }, kDaffFileCorrupted},
        {"descriptor block short", [](Bytes& b) { PokeU64(b, 62, 12 * 265); }, kDaffFileCorrupted},
        {"content header short", [](Bytes& b) { PokeU64(b, 42, 20); }, kDaffFileCorrupted},
        {"no frequencies", [&](Bytes& b) { PokeI32(b, base.contentHeader + 4, 0); },
         kDaffInvalidContentParameter},
        {"too many frequencies", [&](Bytes& b) { PokeI32(b, base.contentHeader + 4, 1 << 28); },
         kDaffFileCorrupted},
        {"data offset beyond block", [&](Bytes& b) { PokeU64(b, base.descriptors + 12 * 5 + 4, 1u << 20); },
         kDaffFileCorrupted},
        {"data offset wraps", [&](Bytes& b) { PokeU64(b, base.descriptors + 4, ~0ull - 3); },
         kDaffFileCorrupted},
        {"metadata type", [&](Bytes& b) { PokeI32(b, base.metadataBlock + 4, 9); },
         kDaffInvalidMetadataType},
        {"metadata key count", [&](Bytes& b) { PokeI32(b, base.metadataBlock, 5); }, kDaffFileCorrupted},
        {"metadata negative count", [&](Bytes& b) { PokeI32(b, base.metadataBlock, -1); },
         kDaffFileCorrupted},
        {"metadata value cut", [&](Bytes& b) { PokeU64(b, 102, metadataSize - 3); }, kDaffFileCorrupted},
        {"metadata key cut", [&](Bytes& b) { PokeU64(b, 102, metadataSize - 10); }, kDaffFileCorrupted},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = base.bytes;
        c.corrupt(bytes);
        EXPECT_EQ(OpenCode(folder, bytes), c.expected);
    }
    auto reader = DAFFReader::create();
    EXPECT_EQ(reader->openFile(folder.Path("missing.daff")), kDaffFileNotFound);
    EXPECT_EQ(OpenCode(folder, Bytes{'F', 'W', 170, 0}), kDaffInvalidFile);
}

TEST(DAFFReader, ContentHeaderErrorsPerType)
{
    struct Case {
        const char* name;
        DaffDesign design;
        std::function<void(Bytes&, const DaffFile&)> corrupt;
        int expected;
    };
    DaffDesign ir;
    ir.contentType = 0;
    ir.metadata = false;
    DaffDesign dft;
    dft.contentType = 4;
    DaffDesign phase;
    phase.contentType = 2;
    const Case cases[] = {
        {"IR valid", ir, [](Bytes&, const DaffFile&) {}, 0},
        {"IR negative sampling rate", ir, [](Bytes& b, const DaffFile& f) { PokeF32(b, f.contentHeader, -1.0f); },
         kDaffInvalidContentParameter},
        {"IR filter offset too large", ir, [](Bytes& b, const DaffFile& f) { PokeI32(b, f.contentHeader + 4, 9); },
         kDaffInvalidContentParameter},
        {"IR effective length negative", ir,
         [](Bytes& b, const DaffFile& f) { PokeI32(b, f.contentHeader + 8, -1); }, kDaffInvalidContentParameter},
        {"IR samples past filter end", ir,
         [](Bytes& b, const DaffFile& f) { PokeI32(b, f.descriptors + 20 * 2 + 16, 7); }, kDaffFileCorrupted},
        {"IR negative leading zeros", ir,
         [](Bytes& b, const DaffFile& f) { PokeI32(b, f.descriptors + 12, -1); }, kDaffFileCorrupted},
        {"IR samples past data block", ir,
         [](Bytes& b, const DaffFile& f) { PokeU64(b, f.descriptors + 20 * 265 + 4, (265 * 16) + 4); },
         kDaffFileCorrupted},
        {"DFT valid", dft, [](Bytes&, const DaffFile&) {}, 0},
        {"DFT coefficient count", dft, [](Bytes& b, const DaffFile& f) { PokeI32(b, f.contentHeader, 6); },
         kDaffInvalidContentParameter},
        {"phase valid", phase, [](Bytes&, const DaffFile&) {}, 0},
        {"phase no frequencies", phase, [](Bytes& b, const DaffFile& f) { PokeI32(b, f.contentHeader, 0); },
         kDaffInvalidContentParameter},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DaffFile file = WriteDaff(c.design);
        Bytes bytes = file.bytes;
        c.corrupt(bytes, file);
        EXPECT_EQ(OpenCode(folder, bytes), c.expected);
    }
}

TEST(DAFFContent, NearestNeighbourLookups)
{
    DaffDesign fine;  // 5-degree alpha grid without its 360 column, poles stored once
    fine.alphaPoints = 72;
    fine.alphaEnd = 355.0f;
    fine.betaPoints = 37;
    fine.metadata = false;
    DaffDesign circle;  // 15-degree full circle
    circle.metadata = false;
    DaffDesign band;  // no poles: beta from 30 to 150
    band.alphaPoints = 4;
    band.alphaEnd = 270.0f;
    band.betaPoints = 5;
    band.betaStart = 30.0f;
    band.betaEnd = 150.0f;
    band.metadata = false;
    DaffDesign turned = circle;
    turned.yaw = 90.0f;

    struct Case {
        const char* name;
        const DaffDesign* design;
        int view;
        float phi;
        float theta;
        int record;
    };
    const int fineRing = 72;
    const Case cases[] = {
        {"data grid point", &fine, kDaffDataView, 10.0f, 90.0f, fineRing * 17 + 1 + 2},
        {"data alpha 12.4 rounds to index 2", &fine, kDaffDataView, 12.4f, 90.0f, fineRing * 17 + 1 + 2},
        {"data alpha 357 is nearer the last point", &fine, kDaffDataView, 357.0f, 90.0f, fineRing * 17 + 1 + 71},
        {"data alpha 358 is nearer the first point", &fine, kDaffDataView, 358.0f, 90.0f, fineRing * 17 + 1},
        {"data south pole", &fine, kDaffDataView, 123.0f, 0.0f, 0},
        {"data north pole", &fine, kDaffDataView, 0.0f, 180.0f, fineRing * 35 + 1},
        {"object front", &circle, kDaffObjectView, 0.0f, 0.0f, 24 * 5 + 1},
        {"object between points rounds down", &circle, kDaffObjectView, 22.0f, 0.0f, 24 * 5 + 1 + 1},
        {"object between points rounds up", &circle, kDaffObjectView, 23.0f, 7.6f, 24 * 6 + 1 + 2},
        {"seam from below 360", &circle, kDaffObjectView, 359.0f, 0.0f, 24 * 5 + 1},
        {"seam at negative azimuth", &circle, kDaffObjectView, -8.0f, 0.0f, 24 * 5 + 1 + 23},
        {"seam negative nearer 0", &circle, kDaffObjectView, -7.0f, 0.0f, 24 * 5 + 1},
        {"seam above 360", &circle, kDaffObjectView, 375.0f, 0.0f, 24 * 5 + 1 + 1},
        {"object north pole", &circle, kDaffObjectView, 77.0f, 90.0f, 24 * 11 + 1},
        {"object near north pole", &circle, kDaffObjectView, 200.0f, 83.0f, 24 * 11 + 1},
        {"object south pole", &circle, kDaffObjectView, 300.0f, -90.0f, 0},
        {"object over the pole", &circle, kDaffObjectView, 0.0f, 120.0f, 24 * 9 + 1 + 12},
        {"no poles, below range", &band, kDaffDataView, 90.0f, 5.0f, 1},
        {"no poles, above range", &band, kDaffDataView, 180.0f, 175.0f, 4 * 4 + 2},
        {"no poles, alpha past end nearer end", &band, kDaffDataView, 300.0f, 90.0f, 4 * 2 + 3},
        {"no poles, alpha past end nearer start", &band, kDaffDataView, 320.0f, 90.0f, 4 * 2},
        {"default orientation yaw 90", &turned, kDaffObjectView, 0.0f, 0.0f, 24 * 5 + 1 + 18},
        {"non-finite direction", &circle, kDaffObjectView, std::nanf(""), std::nanf(""), 24 * 5 + 1},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Write("grid.daff", WriteDaff(*c.design).bytes);
        auto reader = DAFFReader::create();
        ASSERT_EQ(reader->openFile(path), 0);
        int record = -5;
        ASSERT_EQ(reader->getContent()->getNearestNeighbour(c.view, c.phi, c.theta, record), 0);
        EXPECT_EQ(record, c.record);
    }
    const std::string path = folder.Write("grid.daff", WriteDaff(circle).bytes);
    auto reader = DAFFReader::create();
    ASSERT_EQ(reader->openFile(path), 0);
    int record = -5;
    EXPECT_EQ(reader->getContent()->getNearestNeighbour(2, 0.0f, 0.0f, record), kDaffInvalidIndex);
    EXPECT_EQ(record, -5);
}

TEST(DAFFReader, RealMagnitudeSpectrumFile)
{
    auto reader = DAFFReader::create();
    ASSERT_EQ(reader->openFile(TestDataPath("daff/ExampleUnityOmni.v17.ms.daff")), 0);
    const DAFFProperties& p = *reader->getProperties();
    EXPECT_EQ(p.numRecords, 266);
    EXPECT_EQ(p.numChannels, 1);
    EXPECT_EQ(p.alphaPoints, 24);
    EXPECT_EQ(p.betaPoints, 13);
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
        for (float m : magnitudes) {
            ASSERT_EQ(m, 1.0f);
        }
    }
    int record = -1;
    ms->getNearestNeighbour(kDaffObjectView, 0.0f, -90.0f, record);
    EXPECT_EQ(record, 0);
    ms->getNearestNeighbour(kDaffObjectView, 0.0f, 90.0f, record);
    EXPECT_EQ(record, 265);
    EXPECT_EQ(reader->getMetadata().Entries().size(), 4u);
    EXPECT_TRUE(reader->getMetadata().hasKey("LICENSE"));
}

TEST(DAFFUtils, StrErrorTexts)
{
    EXPECT_EQ(DAFFUtils::StrError(10001), "Modal error");
    EXPECT_EQ(DAFFUtils::StrError(10004), "File has unkown content type (IR, MS, DFT, etc)");
    EXPECT_EQ(DAFFUtils::StrError(10009),
              "Content parameter invalid (sampling rate, num supporting frequencies, etc)");
    EXPECT_EQ(DAFFUtils::StrError(10011), "Metadata type unkown (valid: bool, int, double, string)");
    EXPECT_EQ(DAFFUtils::StrError(10013), "Invalid index");
    EXPECT_EQ(DAFFUtils::StrError(42), "Undefined error code '42' encountered");
}

// Every prefix and many random corruptions of valid files either open or
// fail with an error code; an opened file answers every query in range
// (checked under ASan and UBSan).
TEST(DAFFReader, TruncatedAndCorruptedFilesNeverCrash)
{
    DaffDesign ms;
    ms.alphaPoints = 6;
    ms.alphaEnd = 300.0f;
    ms.betaPoints = 4;
    ms.betaStart = 0.0f;
    ms.betaEnd = 180.0f;
    ms.channels = 2;
    DaffDesign ir16 = ms;
    ir16.contentType = 0;
    ir16.quantization = 0;
    DaffDesign ir24 = ir16;
    ir24.quantization = 1;
    std::vector<Bytes> originals = {WriteDaff(ms).bytes, WriteDaff(ir16).bytes, WriteDaff(ir24).bytes};
    originals.push_back(ReadBytes(TestDataPath("daff/ExampleUnityOmni.v17.ms.daff")));

    ScratchFolder folder;
    std::mt19937 random(1701);
    std::vector<float> buffer;
    for (const Bytes& original : originals) {
        std::vector<Bytes> variants;
        const std::size_t step = original.size() > 4000 ? 97 : 1;
        for (std::size_t cut = 0; cut < original.size(); cut += step) {
            variants.emplace_back(original.begin(), original.begin() + static_cast<long>(cut));
        }
        for (int round = 0; round < 400; ++round) {
            Bytes bytes = original;
            // Most damage in the structure at the front, some anywhere.
            const std::size_t span = round % 4 == 0 ? bytes.size() : std::min<std::size_t>(bytes.size(), 400);
            for (int f = 0, flips = 1 + static_cast<int>(random() % 3); f < flips; ++f) {
                bytes[random() % span] = static_cast<std::uint8_t>(random());
            }
            variants.push_back(std::move(bytes));
        }
        for (const Bytes& bytes : variants) {
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
            if (auto* irContent = dynamic_cast<DAFFContentIR*>(content)) {
                // A corrupted filter length may be huge without touching the data read.
                if (irContent->getFilterLength() > (1 << 16)) {
                    continue;
                }
                buffer.resize(static_cast<std::size_t>(irContent->getFilterLength()));
            } else if (auto* msContent = dynamic_cast<DAFFContentMS*>(content)) {
                buffer.resize(static_cast<std::size_t>(msContent->getNumFrequencies()));
            }
            for (int r = 0; r < std::min(p.numRecords, 64); ++r) {
                for (int c = 0; c < p.numChannels && c < 4; ++c) {
                    if (auto* irContent = dynamic_cast<DAFFContentIR*>(content)) {
                        EXPECT_EQ(irContent->getFilterCoeffs(r, c, buffer.data(), 1.0f), 0);
                    } else if (auto* msContent = dynamic_cast<DAFFContentMS*>(content)) {
                        EXPECT_EQ(msContent->getMagnitudes(r, c, buffer.data()), 0);
                    }
                }
            }
        }
    }
}
