#include "results/TResult.h"

#include <gtest/gtest.h>

#include <cmath>

#include "TestFiles.h"
#include "TestSupport.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "results/RayProbability.h"
#include "results/ResultFixtures.h"

namespace {

float Cardioid(float azim, float elev = 0.0f)
{
    constexpr float kDeg = 3.14159265f / 180.0f;
    return (1.0f + std::cos(elev * kDeg) * std::cos(azim * kDeg)) / 2.0f;
}

std::string WriteIRPattern(const ScratchFolder& folder, const std::string& name, int channels = 1)
{
    DaffDesign design;
    design.contentType = 0;
    design.channels = channels;
    design.filterLength = 6;
    design.stored = 4;
    design.value = [](int, int c, int i) { return (i == 1 ? 0.8 : 0.2) - 0.1 * c; };
    return folder.Write(name, WriteDaff(design).bytes);
}

} // namespace

TEST(RayProbability, InverseFunctionsAgree)
{
    EXPECT_NEAR(DistanceForRayProb(1.0 / 1000, 0.5), 7.894, 0.001);
    for (double d : {0.5, 3.0, 12.0}) {
        SCOPED_TRACE(d);
        EXPECT_NEAR(DistanceForRayProb(RayProbability(d, 0.4), 0.4), d, 1e-6 * d);
    }
    // Measured to the sphere's rim rather than its centre.
    EXPECT_NEAR(MaxProbRayDistance(1000, 0.5), std::hypot(DistanceForRayProb(1.0 / 1000, 0.5), 0.5), 1e-9);
    EXPECT_TRUE(std::isinf(MaxProbRayDistance(1, 0.5)));
}

TEST(TResult, InsertRayBookkeeping)
{
    ResultPair pair(MakeResultParam(1000, 2));
    TResult& r = *pair.result;
    r.SetDirectSoundIndex(999);
    r.InsertRay(MakeArrival(1000, 3));
    EXPECT_EQ(r.LateRefCount + r.EarlyRefCount + r.NumReflections, 0u) << "index MaxLength is ignored";
    r.InsertRay(MakeArrival(999, 3));
    EXPECT_EQ(r.LateRefCount, 1u);
    EXPECT_GT(r.IR[0][0][999], 0.0f) << "index MaxLength - 1 is added";
    r.InsertRay(MakeArrival(500, 2));
    EXPECT_EQ(r.EarlyRefCount, 1u) << "order = ClusterOrder is early";
    EXPECT_EQ(r.MaxFirstIndex, 500u);
    EXPECT_GT(r.IR_Early[0][0][500], 0.0f);
    EXPECT_EQ(r.IR[0][0][500], 0.0f);
    r.InsertRay(MakeArrival(700, 5));
    EXPECT_EQ(r.MaxReflection, 5u);
    EXPECT_EQ(r.MaxReflectionIndex, 700u);
    EXPECT_EQ(r.MinFirstIndex, 500u);
    EXPECT_EQ(r.DirectSoundIndex, 500u);
    EXPECT_EQ(r.NumReflections, 3u);
}

TEST(TResult, InsertRayMagnitudePatterns)
{
    struct Case {
        const char* name;
        const char* sourcePattern;
        const char* receiverPattern;
        float sourceGain; // magnitude at the source-relative direction
        float receiverGain;
    };
    // Source turned 30 degrees, emission at 90: 60 off axis. Receiver turned
    // 10 degrees, arrival from 100: 90 off axis.
    const Case cases[] = {
        {"omni both", "OMNI", "OMNI", 1.0f, 1.0f},
        {"cardioid source", "CARDIOID", "OMNI", Cardioid(60), 1.0f},
        {"cardioid receiver", "OMNI", "CARDIOID", 1.0f, Cardioid(90)},
        {"both cardioid", "CARDIOID", "CARDIOID", Cardioid(60), Cardioid(90)},
        {"no patterns", "", "", 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultPair pair(MakeResultParam(1000, 1), c.sourcePattern, c.receiverPattern);
        pair.source.AzimRotation = 30.0f;
        pair.receiver.AzimRotation = 10.0;
        TRay ray = MakeArrival(200, 4, 100.0f);
        ray.startDir.azim = 90.0f;
        pair.result->InsertRay(ray);
        pair.result->InsertRay(ray);
        for (unsigned b = 0; b < kResultBands; ++b) {
            const float a = std::sqrt(c.sourceGain * (b + 1.0f)) * c.receiverGain;
            EXPECT_NEAR(pair.result->IR[0][b][200], 2.0f * a, 1e-5f) << "band " << b;
        }
    }
}

TEST(TResult, InsertRayTwoChannelReceiver)
{
    ScratchFolder folder;
    DaffDesign design;
    design.channels = 2;
    design.value = [](int, int c, int) { return c == 0 ? 0.5 : 0.25; };
    const std::string path = folder.Write("head.daff", WriteDaff(design).bytes);
    ResultPair pair(MakeResultParam(1000, 1), "OMNI", path);
    ASSERT_EQ(pair.result->NumChannels, 2u);
    pair.result->InsertRay(MakeArrival(300, 2, 45.0f, 10.0f));
    for (unsigned b = 0; b < kResultBands; ++b) {
        SCOPED_TRACE(b);
        EXPECT_NEAR(pair.result->IR[0][b][300], std::sqrt(b + 1.0f) * 0.5f, 1e-6f);
        EXPECT_NEAR(pair.result->IR[1][b][300], std::sqrt(b + 1.0f) * 0.25f, 1e-6f);
    }
}

TEST(TResult, InsertRayImpulseResponsePatterns)
{
    ScratchFolder folder;
    const std::string irPath = WriteIRPattern(folder, "ir.daff");
    // Query the same patterns the result uses for reference responses.
    TDirectivity reference(irPath, kResultBands);
    std::vector<float> h(6);
    struct Case {
        const char* name;
        bool sourceIR;
        bool receiverIR;
    };
    const Case cases[] = {{"receiver IR", false, true}, {"source IR", true, false}, {"both IR", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultPair pair(MakeResultParam(400, 0), c.sourceIR ? irPath : "CARDIOID",
                        c.receiverIR ? irPath : "CARDIOID");
        TRay ray = MakeArrival(100, 1, 30.0f, 5.0f);
        ray.startDir.azim = 60.0f;
        pair.result->InsertRay(ray);
        // The last arrival is cut at the end of the response.
        pair.result->InsertRay(MakeArrival(398, 1, 30.0f, 5.0f));

        std::vector<float> expected(12, 0.0f);
        std::vector<float> hs(6), hr(6);
        reference.GetDirectionalIR(60.0f, 0.0f, 0, hs.data());
        reference.GetDirectionalIR(30.0f, 5.0f, 0, hr.data());
        for (unsigned b = 0; b < kResultBands; ++b) {
            const float e = b + 1.0f;
            if (c.sourceIR && c.receiverIR) {
                std::fill(expected.begin(), expected.end(), 0.0f);
                for (int i = 0; i < 6; ++i) {
                    for (int j = 0; j < 6; ++j) {
                        expected[i + j] += hs[i] * hr[j] * std::sqrt(e);
                    }
                }
            } else if (c.sourceIR) {
                for (int j = 0; j < 6; ++j) {
                    expected[j] = std::sqrt(Cardioid(30, 5) * e) * hs[j];
                }
            } else {
                for (int j = 0; j < 6; ++j) {
                    expected[j] = std::sqrt(Cardioid(60) * e) * hr[j];
                }
            }
            for (int j = 0; j < 12; ++j) {
                EXPECT_NEAR(pair.result->IR[0][b][100 + j], expected[j], 1e-5f) << "band " << b << " j " << j;
            }
        }
    }
}

TEST(TResult, DirectSoundMerging)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam());
    TResult& r = *pair.result;
    r.CreateRayFile(0, 0, folder.Path("RAYS"));
    ResultPair silent(MakeResultParam());
    testing::internal::CaptureStdout();
    silent.result->ProcessDirectSound(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Direct Sound!\n");
    EXPECT_EQ(silent.result->EarlyRefCount, 0u);
    TRay first = MakeArrival(440, 0, 180.0f, 0.0f, 0.2f);
    first.spectrum.assign(kResultBands, 1.0f);
    first.ID = 3;
    TRay second = MakeArrival(441, 0, 181.0f, 0.0f, 0.7f);
    second.spectrum.assign(kResultBands, 2.0f);
    second.ID = 7;
    r.AcumulateDirectSound(first);
    r.AcumulateDirectSound(second);
    r.AcumulateDirectSound(first); // a less central ray adds only its energy
    EXPECT_EQ(r.DirectSoundRay.index, 441u);
    EXPECT_EQ(r.DirectSoundRay.ID, 7);
    EXPECT_FLOAT_EQ(r.DirectSoundRay.fatordist, 0.7f);
    EXPECT_EQ(r.DirectSoundRay.reflections, 3);
    EXPECT_EQ(r.DirectSoundRay.spectrum, std::vector<float>(kResultBands, 4.0f));

    r.ProcessDirectSound(1);
    EXPECT_EQ(r.DirectSoundRay.reflections, 3) << "the counter is restored after writing";
    EXPECT_EQ(r.DirectSoundIndex, 441u);
    r.CloseRayFile();
    const std::vector<TRay> early = ReadRecords(folder.Path("RAYS-S001-R001-EARLY.txt"));
    ASSERT_EQ(early.size(), 1u);
    EXPECT_EQ(early[0].index, 441u);
    EXPECT_EQ(early[0].reflections, 0);
    EXPECT_EQ(early[0].spectrum, std::vector<float>(kResultBands, 4.0f));
}

TEST(TResult, RayAndHitFileLines)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam());
    TResult& r = *pair.result;
    r.CreateRayFile(0, 1, folder.Path("RAYS"));
    r.CreateHitFile(0, 1, folder.Path("HITS"));
    TRay ray(2);
    ray.index = 1234;
    ray.fatordist = 0.845213f;
    ray.dir.azim = -88.5f;
    ray.dir.elev = -12.25f;
    ray.reflections = 3;
    ray.startDir.azim = 45.0f;
    ray.startDir.elev = 10.125f;
    ray.spectrum = {0.00123f, 0.00045f};
    ray.ID = 17;
    r.SaveRay(ray, 0);
    ray.index = 2000;
    r.SaveRay(ray, 1);
    const unsigned hits[3] = {2, 0, 1};
    r.InsertHit(ray, hits, 3, 0, 1.0f);
    r.InsertHit(ray, hits, 2, 1, 0.5f);
    r.CloseRayFile();
    r.CloseHitFile();
    EXPECT_EQ(r.EarlyRefCount, 1u);
    EXPECT_EQ(r.LateRefCount, 1u);
    EXPECT_EQ(ReadFileText(folder.Path("RAYS-S001-R002-EARLY.txt")),
              "1234 0.845213 271.500 -12.250 3 45.000 10.125 0.00123 0.00045 17\n");
    EXPECT_EQ(ReadFileText(folder.Path("RAYS-S001-R002.txt")),
              "2000 0.845213 271.500 -12.250 3 45.000 10.125 0.00123 0.00045 17\n");
    EXPECT_EQ(ReadFileText(folder.Path("HITS-S001-R002-EARLY.txt")),
              "2000 271.500000 -12.250000 1 1.000000 2 0 1 \n");
    EXPECT_EQ(ReadFileText(folder.Path("HITS-S001-R002.txt")),
              "2000 271.500000 -12.250000 1 0.500000 2 0 \n");

    testing::internal::CaptureStdout();
    r.SaveRay(ray, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Erro de programação - arquivo para gravar raios nao está aberto!!!\n");
    EXPECT_EQ(r.EarlyRefCount, 1u);
}

