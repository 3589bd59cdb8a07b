#include <cmath>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "room/TRoom.h"

namespace fs = std::filesystem;

namespace {

// The whole path a user takes: load, prepare, run on the worker, save.
void RunProject(const std::string& project, unsigned rays)
{
    TRoom room;
    testing::internal::CaptureStdout();
    room.LoadAndAnalyse(project);
    room.PrepareSimulation(rays);
    room.StartSimulation();
    room.WaitForSimulation();
    room.SaveResults();
    testing::internal::GetCapturedStdout();
}

std::vector<double> FirstChannel(const std::string& responseFile)
{
    std::vector<double> samples;
    std::ifstream in(responseFile);
    std::string line;
    while (std::getline(in, line)) {
        samples.push_back(std::stod(line));
    }
    return samples;
}

} // namespace

TEST(TRoomRun, ShoeboxDirectSoundAndRepeatableFiles)
{
    ScratchFolder folder;
    std::vector<std::string> runs;
    for (const char* name : {"a", "b"}) {
        const fs::path copy = fs::path(folder.Folder()) / name;
        fs::copy(fs::path(VELTO_EXAMPLES_DIR) / "shoebox", copy, fs::copy_options::recursive);
        RunProject((copy / "shoebox.txt").string(), 1002);
        runs.push_back(copy.string());
    }
    for (const char* file : {"S001-R001.txt", "PARAMS-S001-R001.txt", "PARAMS-SALL-R001.txt",
                             "PARAMS-SALL-RALL.txt"}) {
        SCOPED_TRACE(file);
        const std::string a = ReadFileText(runs[0] + "/" + file);
        EXPECT_FALSE(a.empty());
        EXPECT_EQ(a, ReadFileText(runs[1] + "/" + file));
    }

    // Source (2, 3, 1.5), receiver (6, 2.5, 1.2), 343.4 m/s at 20 C, 44.1 kHz.
    const double distance = std::sqrt(16.0 + 0.25 + 0.09);
    const double arrival = distance * 44100.0 / 343.4;
    const auto response = FirstChannel(runs[0] + "/S001-R001.txt");
    ASSERT_EQ(response.size(), 88200u);
    std::size_t peak = 0;
    for (std::size_t n = 0; n < 700; ++n) {
        if (std::fabs(response[n]) > std::fabs(response[peak])) {
            peak = n;
        }
    }
    EXPECT_NEAR(static_cast<double>(peak), arrival, 2.0);
    // 90 dB at 1 m in free field; the band-limited pulse peaks a little lower.
    const double level = 20.0 * std::log10(std::fabs(response[peak]) / 2e-5);
    EXPECT_NEAR(level, 90.0 - 20.0 * std::log10(distance), 1.5);
}
