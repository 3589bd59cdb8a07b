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

TEST(TResult, InsertRayRoutesByIndexAndOrder)
{
    ResultPair pair(MakeResultParam(1000, 2));
    TResult& r = *pair.result;
    r.SetDirectSoundIndex(999);
    r.InsertRay(MakeArrival(1000, 3)); // at MaxLength: ignored
    r.InsertRay(MakeArrival(999, 3));
    r.InsertRay(MakeArrival(500, 2)); // order = ClusterOrder is early
    EXPECT_EQ(r.LateRefCount, 1u);
    EXPECT_GT(r.IR[0][0][999], 0.0f);
    EXPECT_GT(r.IR_Early[0][0][500], 0.0f);
    EXPECT_EQ(r.IR[0][0][500], 0.0f);
    EXPECT_EQ(r.DirectSoundIndex, 500u) << "the earliest arrival";
}

TEST(TResult, InsertRayMagnitudePatterns)
{
    ScratchFolder folder;
    DaffDesign design; // two channels, the same in every direction
    design.channels = 2;
    design.value = [](int, int c, int) { return c == 0 ? 0.5 : 0.25; };
    const std::string head = folder.Write("head.daff", WriteDaff(design).bytes);
    struct Case {
        const char* name;
        std::string sourcePattern, receiverPattern;
        float sourceGain;                 // magnitude at the source-relative direction
        std::vector<float> receiverGains; // per channel
    };
    // Source turned 30 degrees, emission at 90: 60 off axis. Receiver turned
    // 10 degrees, arrival from 100: 90 off axis.
    const Case cases[] = {
        {"omni both", "OMNI", "OMNI", 1.0f, {1.0f}},
        {"cardioid source", "CARDIOID", "OMNI", Cardioid(60), {1.0f}},
        {"cardioid receiver", "OMNI", "CARDIOID", 1.0f, {Cardioid(90)}},
        {"both cardioid", "CARDIOID", "CARDIOID", Cardioid(60), {Cardioid(90)}},
        {"no patterns", "", "", 1.0f, {1.0f}},
        {"two-channel receiver", "OMNI", head, 1.0f, {0.5f, 0.25f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultPair pair(MakeResultParam(1000, 1), c.sourcePattern, c.receiverPattern);
        ASSERT_EQ(pair.result->NumChannels, c.receiverGains.size());
        pair.source.AzimRotation = 30.0f;
        pair.receiver.AzimRotation = 10.0;
        TRay ray = MakeArrival(200, 4, 100.0f);
        ray.startDir.azim = 90.0f;
        pair.result->InsertRay(ray);
        pair.result->InsertRay(ray); // energies add up
        for (unsigned ch = 0; ch < c.receiverGains.size(); ++ch) {
            for (unsigned b = 0; b < kResultBands; ++b) {
                const float e = c.sourceGain * (b + 1.0f) * c.receiverGains[ch] * c.receiverGains[ch];
                EXPECT_NEAR(pair.result->IR[ch][b][200], 2.0f * e, 1e-5f) << "channel " << ch << " band " << b;
            }
        }
    }
}

TEST(TResult, InsertRayImpulseResponsePatterns)
{
    ScratchFolder folder;
    DaffDesign design; // 6-tap responses: 4 stored samples after a delay that varies by direction
    design.contentType = 0;
    design.filterLength = 6;
    design.stored = 4;
    design.value = [](int, int, int i) { return i == 1 ? 0.8 : 0.2; };
    const std::string irPath = folder.Write("ir.daff", WriteDaff(design).bytes);
    // The responses the result takes from the same pattern.
    TDirectivity reference(irPath, kResultBands);
    std::vector<float> hs(6), hr(6);
    reference.GetDirectionalIR(60.0f, 0.0f, 0, hs.data());
    reference.GetDirectionalIR(30.0f, 5.0f, 0, hr.data());
    for (const auto& [sourceIR, receiverIR] : {std::pair{false, true}, std::pair{true, false}, std::pair{true, true}}) {
        SCOPED_TRACE(std::string(sourceIR ? "source IR " : "") + (receiverIR ? "receiver IR" : ""));
        ResultPair pair(MakeResultParam(400, 0), sourceIR ? irPath : "CARDIOID", receiverIR ? irPath : "CARDIOID");
        TRay ray = MakeArrival(100, 1, 30.0f, 5.0f);
        ray.startDir.azim = 60.0f;
        pair.result->InsertRay(ray);
        pair.result->InsertRay(MakeArrival(398, 1, 30.0f, 5.0f)); // cut at the end of the response

        // The two responses convolved; the cardioid on the other side weights the energy.
        const float weight = !receiverIR ? Cardioid(30, 5) : !sourceIR ? Cardioid(60) : 1.0f;
        const std::vector<float> src = sourceIR ? hs : std::vector<float>{1.0f};
        const std::vector<float> rec = receiverIR ? hr : std::vector<float>{1.0f};
        std::vector<float> h(12, 0.0f);
        for (std::size_t i = 0; i < src.size(); ++i) {
            for (std::size_t j = 0; j < rec.size(); ++j) {
                h[i + j] += src[i] * rec[j];
            }
        }
        for (unsigned b = 0; b < kResultBands; ++b) {
            for (unsigned j = 0; j < 12; ++j) {
                EXPECT_NEAR(pair.result->IR[0][b][100 + j], std::sqrt(weight * (b + 1.0f)) * h[j], 1e-5f)
                    << "band " << b << " sample " << j;
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
    TRay first = MakeArrival(440, 0, 180.0f, 0.0f, 0.2f);
    first.spectrum.assign(kResultBands, 1.0f);
    first.ID = 3;
    TRay second = MakeArrival(441, 0, 181.0f, 0.0f, 0.7f);
    second.spectrum.assign(kResultBands, 2.0f);
    second.ID = 7;
    // The most central ray gives the record; every ray adds its energy.
    r.AcumulateDirectSound(first);
    r.AcumulateDirectSound(second);
    r.AcumulateDirectSound(first);
    r.ProcessDirectSound(1);
    EXPECT_EQ(r.DirectSoundIndex, 441u);
    EXPECT_EQ(r.DirectSoundRay.reflections, 3) << "rays merged, reported with the parameters";
    r.CloseRayFile();
    const std::vector<TRay> early = ReadRecords(folder.Path("RAYS-S001-R001-EARLY.txt"));
    ASSERT_EQ(early.size(), 1u);
    EXPECT_EQ(early[0].index, 441u);
    EXPECT_EQ(early[0].ID, 7);
    EXPECT_EQ(early[0].reflections, 0);
    EXPECT_EQ(early[0].spectrum, std::vector<float>(kResultBands, 4.0f));
}

TEST(TResult, RayAndHitFilesOfThePair)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam());
    TResult& r = *pair.result;
    r.CreateRayFile(0, 1, folder.Path("RAYS"));
    r.CreateHitFile(0, 1, folder.Path("HITS"));
    TRay ray = MakeArrival(1234, 3, -88.5f, -12.25f);
    r.SaveRay(ray, 0);
    ray.index = 2000;
    r.SaveRay(ray, 1);
    const unsigned hits[3] = {2, 0, 1};
    r.InsertHit(ray, hits, 3, 0, 1.0f);
    r.InsertHit(ray, hits, 2, 1, 0.5f);
    r.CloseRayFile();
    r.CloseHitFile();
    // Source 1 and receiver 2; which 0 writes to the early files.
    const std::vector<TRay> early = ReadRecords(folder.Path("RAYS-S001-R002-EARLY.txt"));
    const std::vector<TRay> late = ReadRecords(folder.Path("RAYS-S001-R002.txt"));
    ASSERT_EQ(early.size(), 1u);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(early[0].index, 1234u);
    EXPECT_EQ(late[0].index, 2000u);
    EXPECT_EQ(ReadFileText(folder.Path("HITS-S001-R002-EARLY.txt")),
              "2000 271.500000 -12.250000 1 1.000000 2 0 1 \n");
    EXPECT_EQ(ReadFileText(folder.Path("HITS-S001-R002.txt")), "2000 271.500000 -12.250000 1 0.500000 2 0 \n");
}
