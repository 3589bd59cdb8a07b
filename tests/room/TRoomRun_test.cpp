#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "room/TRoom.h"

namespace fs = std::filesystem;

namespace {

// A closed 5 x 4 x 3 m box with a source and receivers, results created,
// its files in the scratch folder.
void PrepareRun(TRoom& room, const ScratchFolder& folder, unsigned rays, int receivers)
{
    room.ProjectFolder = folder.Folder();
    room.SaveLostRays = 0;
    FillBoxRoom(room, 5, 4, 3, 0.3f);
    room.AddSource(TSource(TPoint3D::Make(1, 1, 1.5), 0.01f, -1, rays, 0, 0, room.NumBands, "NONE"));
    for (int r = 0; r < receivers; ++r) {
        room.AddReceiver(TReceiver(TPoint3D::Make(4, 3 - r, 1.2), 0.5, 0, -1));
    }
    const ConsoleRecorder quiet;
    AnalyseQuietly(room);
    room.CreateResults();
}

} // namespace

// The whole path a user takes: load, prepare, run on the worker, save.
TEST(TRoomRun, ShoeboxDirectSoundArrivesAtItsSampleAndLevel)
{
    const std::string example = RequiredFile(std::string(VELTO_EXAMPLES_DIR) + "/shoebox/shoebox.txt");
    ASSERT_FALSE(HasFailure());
    ScratchFolder folder;
    const std::string project = folder.Path("shoebox.txt");
    fs::copy_file(example, project);
    {
        const ConsoleRecorder quiet;
        TRoom room;
        const int code = FatalCode([&] {
            room.LoadAndAnalyse(project);
            room.PrepareSimulation(1002);
            room.StartSimulation();
            room.WaitForSimulation();
            room.SaveResults();
        });
        ASSERT_EQ(code, 0);
    }
    std::vector<double> response;
    std::ifstream in(folder.Path("S001-R001.txt"));
    for (double value = 0.0; in >> value;) {
        response.push_back(value);
    }
    ASSERT_EQ(response.size(), 88200u) << "one channel, 2 s at 44.1 kHz";

    // Source (2, 3, 1.5), receiver (6, 2.5, 1.2), 343.4 m/s at 20 C, 44.1 kHz.
    const double distance = std::sqrt(16.0 + 0.25 + 0.09);
    std::size_t peak = 0;
    for (std::size_t n = 0; n < 700; ++n) {
        if (std::fabs(response[n]) > std::fabs(response[peak])) {
            peak = n;
        }
    }
    EXPECT_NEAR(static_cast<double>(peak), distance * 44100.0 / 343.4, 2.0);
    // 90 dB at 1 m in free field in each of the nine bands: the energy of the
    // direct sound, up to the first reflection (off the floor, 0.8 m later),
    // is their power sum after the inverse-square law.
    double energy = 0.0;
    for (std::size_t n = peak - 100; n < peak + 100; ++n) {
        energy += response[n] * response[n];
    }
    const double expected = 90.0 + 10.0 * std::log10(9.0) - 20.0 * std::log10(distance);
    EXPECT_NEAR(10.0 * std::log10(energy) + 94.0, expected, 0.5);
}

TEST(StartSimulation, StopRequestsEndTheRun)
{
    const ConsoleRecorder quiet;
    ScratchFolder folder;
    TRoom room;
    PrepareRun(room, folder, 20252, 3);
    room.StartSimulation();
    room.AbortSimulation();
    EXPECT_TRUE(room.SimulationFinished());
    EXPECT_FALSE(room.IsRunning);
    EXPECT_LT(room.PercentageStatus, 100.0f) << "stopped before the last pair";

    // Stopped at different moments while its progress is polled, as a window
    // does, every run ends and leaves the room idle.
    for (const int delayMs : {0, 1, 5, 20, 60}) {
        SCOPED_TRACE(delayMs);
        ScratchFolder scratch;
        TRoom polled;
        PrepareRun(polled, scratch, 2562, 1);
        polled.StartSimulation();
        const auto stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs);
        float progress = 0.0f;
        while (std::chrono::steady_clock::now() < stopAt && !polled.SimulationFinished()) {
            progress = std::max(progress, polled.PercentageStatus.load());
        }
        polled.AbortSimulation();
        EXPECT_TRUE(polled.SimulationFinished());
        EXPECT_FALSE(polled.IsRunning);
        EXPECT_LE(progress, 100.0f);
    }

    // A room destroyed while its worker runs stops it first.
    ScratchFolder other;
    auto running = std::make_unique<TRoom>();
    PrepareRun(*running, other, 20252, 1);
    running->StartSimulation();
    running.reset();
}

TEST(StartSimulation, WithoutResultsTheWorkerEndsAtOnce)
{
    TRoom room;
    ErrorRecorder errors;
    const ConsoleRecorder quiet;
    room.StartSimulation();
    while (!room.SimulationFinished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    room.WaitForSimulation();
    EXPECT_FALSE(room.IsRunning);
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Programming Error: ResultsCreate Function not Called!!!!"});
}

// Rays are traced and pairs worked out on several threads, but every file a
// run writes is the one a single thread writes, byte for byte.
TEST(StartSimulation, TheFilesDoNotDependOnTheThreadCount)
{
    auto run = [](unsigned threads, const ScratchFolder& folder) {
        TRoom room;
        room.ProjectFolder = folder.Folder();
        FillBoxRoom(room, 5, 4, 3, 0.3f);
        room.material[0].dif.assign(room.NumBands, 0.4f);
        room.DiffuseProcessing = 1;
        room.HitFilesFlag = 1;
        room.SaveDiffuseRaysFlag = 1;
        room.NumThreads = threads;
        for (int s = 0; s < 2; ++s) {
            room.AddSource(TSource(TPoint3D::Make(1 + s, 1, 1.5), 0.01f, -1, 642, 0, 0, room.NumBands, "NONE"));
        }
        for (int r = 0; r < 2; ++r) {
            room.AddReceiver(TReceiver(TPoint3D::Make(4, 3 - r, 1.2), 0.5, 0, -1));
        }
        const ConsoleRecorder quiet;
        AnalyseQuietly(room);
        room.CreateResults();
        room.StartSimulation();
        room.WaitForSimulation();
        EXPECT_TRUE(room.SaveResults());
        // The impulse-response WAV files are written pair by pair in parallel too.
        EXPECT_TRUE(room.SaveImpRespWAV());
        return quiet.text;
    };
    ScratchFolder one;
    const std::string report = run(1, one);
    for (const unsigned threads : {2u, 7u}) {
        SCOPED_TRACE(threads);
        ScratchFolder many;
        const std::string manyReport = run(threads, many);
        std::size_t files = 0;
        for (const auto& entry : fs::directory_iterator(one.Folder())) {
            const std::string name = entry.path().filename().string();
            ++files;
            EXPECT_EQ(ReadFileText(entry.path().string()), ReadFileText(many.Path(name))) << name;
        }
        EXPECT_GE(files, 24u) << "rays, hits, responses, parameters and IR files of four pairs";
        // The reports agree too, up to the timings and the folder's name.
        auto untimed = [](const std::string& text) {
            const std::regex timing(R"( - [0-9.]+ M segments/s|[^\n]* done: [^\n]*\n)");
            return std::regex_replace(text, timing, "");
        };
        auto placeless = [](std::string text, const std::string& folder) {
            for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
                text.replace(at, folder.size(), "FOLDER");
            }
            return text;
        };
        EXPECT_EQ(placeless(untimed(report), one.Folder()), placeless(untimed(manyReport), many.Folder()));
    }
}
