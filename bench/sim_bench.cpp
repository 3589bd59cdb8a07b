// Time of each phase of a whole simulation, on the example projects: tracing,
// responses, parameters and result files, auralization and WAV output; and the
// peak memory of the process. The projects are copied into a temporary folder
// first, so the examples stay clean.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/resource.h>

#include "room/TRoom.h"
#include "util/Platform.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Phases {
    double load = 0, tracing = 0, responses = 0, files = 0, audio = 0;
};

Phases Run(const fs::path& project)
{
    Phases t;
    TRoom room;
    auto start = std::chrono::steady_clock::now();
    room.LoadAndAnalyse(project.string());
    room.PrepareSimulation(std::nullopt);
    t.load = Seconds(start);

    start = std::chrono::steady_clock::now();
    room.IsRunning = true;
    const bool traced = room.Simulate();
    t.tracing = Seconds(start);

    start = std::chrono::steady_clock::now();
    if (traced) {
        room.CalculateResponses();
    }
    t.responses = Seconds(start);

    const bool auralize = room.AuralizationFlag;
    room.AuralizationFlag = false;
    start = std::chrono::steady_clock::now();
    room.SaveResults();
    t.files = Seconds(start);

    room.AuralizationFlag = auralize;
    start = std::chrono::steady_clock::now();
    if (auralize) {
        room.Auralization();
        room.SaveImpRespWAV();
    }
    t.audio = Seconds(start);
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path examples = argc > 1 ? fs::path(argv[1]) : fs::path(VELTO_EXAMPLES_DIR);
    const auto scratch = MakeUniqueTempFolder(fs::temp_directory_path().string(), "velto-bench-");
    if (!scratch) {
        std::fprintf(stderr, "Cannot create a temporary folder.\n");
        return 1;
    }
    std::vector<std::pair<std::string, Phases>> figures;
    for (const char* name : {"shoebox", "auditorium"}) {
        const fs::path folder = fs::path(*scratch) / name;
        fs::copy(examples / name, folder, fs::copy_options::recursive);
        figures.emplace_back(name, Run(folder / (std::string(name) + ".txt")));
    }
    std::error_code ec;
    fs::remove_all(*scratch, ec);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\n%-12s %9s %9s %9s %9s %9s\n", "project", "load s", "trace s", "resp. s", "files s", "audio s");
    for (const auto& [name, t] : figures) {
        std::printf("%-12s %9.3f %9.3f %9.3f %9.3f %9.3f\n", name.c_str(), t.load, t.tracing, t.responses,
                    t.files, t.audio);
    }
    std::printf("peak memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
