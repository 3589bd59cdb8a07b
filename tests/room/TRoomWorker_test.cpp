#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "room/TRoom.h"

namespace {

// A closed 5 x 4 x 3 m box with a source and a receiver, results created,
// its files in the scratch folder.
void PrepareRun(TRoom& room, const ScratchFolder& folder, unsigned rays, int receivers = 1)
{
    room.ProjectFolder = folder.Folder();
    room.SaveLostRays = 0;
    FillBoxRoom(room, 5, 4, 3, 0.3f);
    room.AddSource(TSource(TPoint3D::Make(1, 1, 1.5), 0.01f, -1, rays, 0, 0, room.NumBands, "NONE"));
    for (int r = 0; r < receivers; ++r) {
        room.AddReceiver(TReceiver(TPoint3D::Make(4, 3 - r, 1.2), 0.5, 0, -1));
    }
    testing::internal::CaptureStdout();
    room.GetExternalPlanes();
    room.CalculateVolumeGeometry();
    room.CalculateArea();
    room.CreateResults();
    testing::internal::GetCapturedStdout();
}

void WaitQuietly(TRoom& room)
{
    while (!room.SimulationFinished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    room.WaitForSimulation();
}

} // namespace

TEST(StartSimulation, RunsBothPhasesOnTheWorker)
{
    ScratchFolder folder;
    TRoom room;
    PrepareRun(room, folder, 1002);
    testing::internal::CaptureStdout();
    room.StartSimulation();
    EXPECT_TRUE(room.IsRunning || room.SimulationFinished());
    WaitQuietly(room);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(room.IsRunning);
    EXPECT_FLOAT_EQ(room.PercentageStatus, 100.0f);
    const TResult& result = *room.spcresult[0][0];
    ASSERT_FALSE(result.globalIR.empty());
    double energy = 0.0;
    for (float v : result.globalIR[0]) {
        energy += static_cast<double>(v) * v;
    }
    EXPECT_GT(energy, 0.0) << "the response was computed";
}

TEST(StartSimulation, StopRequestsEndTheRun)
{
    ScratchFolder folder;
    TRoom room;
    PrepareRun(room, folder, 20252, 3);
    testing::internal::CaptureStdout();
    room.StartSimulation();
    room.AbortSimulation();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(room.SimulationFinished());
    EXPECT_FALSE(room.IsRunning);
    EXPECT_LT(room.PercentageStatus, 100.0f) << "the response phase stopped before the last pair";

    // A room destroyed while its worker runs stops it first.
    ScratchFolder other;
    auto running = std::make_unique<TRoom>();
    PrepareRun(*running, other, 20252);
    testing::internal::CaptureStdout();
    running->StartSimulation();
    running.reset();
    testing::internal::GetCapturedStdout();
}

TEST(StartSimulation, WithoutResultsTheWorkerEndsAtOnce)
{
    TRoom room;
    ErrorRecorder errors;
    testing::internal::CaptureStdout();
    room.StartSimulation();
    WaitQuietly(room);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(room.IsRunning);
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Programming Error: ResultsCreate Function not Called!!!!"});
}
