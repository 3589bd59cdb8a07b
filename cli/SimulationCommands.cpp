#include "SimulationCommands.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "room/TRoom.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
}

// Ctrl-C asks the run to stop instead of killing the program mid-file.
class InterruptGuard {
public:
    InterruptGuard()
    {
        g_interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previous);
        sigaction(SIGTERM, &action, &m_previousTerm);
    }
    ~InterruptGuard()
    {
        sigaction(SIGINT, &m_previous, nullptr);
        sigaction(SIGTERM, &m_previousTerm, nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction m_previous {};
    struct sigaction m_previousTerm {};
};

int Simulate(const std::string& project, std::optional<unsigned int> rays, unsigned int threads)
{
    // Installed first, so that Ctrl-C while the project loads ends the same way.
    InterruptGuard guard;
    TRoom room;
    room.LoadAndAnalyse(project);
    room.NumThreads = threads;
    room.PrepareSimulation(rays);

    room.StartSimulation();
    while (!room.SimulationFinished()) {
        if (g_interrupted) {
            ConsolePrint("\nInterrupted: stopping the simulation; no results are saved.\n");
            room.AbortSimulation();
            return 130;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    room.WaitForSimulation();
    if (!room.SaveResults()) {
        ErrorMessage("Not every result file could be written to %s", room.ProjectFolder.c_str());
        return 1;
    }
    ConsolePrint("\nResults written to %s\n", room.ProjectFolder.c_str());
    return 0;
}

} // namespace

void AddSimulationCommands(CLI::App& app, int& exitCode)
{
    auto* info = app.add_subcommand("info", "Load a project and print the room report");
    auto infoProject = std::make_shared<std::string>();
    info->add_option("project", *infoProject, "Project file")->required();
    info->callback([infoProject] {
        TRoom room;
        room.LoadAndAnalyse(*infoProject);
    });

    auto* simulate = app.add_subcommand("simulate", "Run a project and write its result files");
    auto project = std::make_shared<std::string>();
    auto rays = std::make_shared<unsigned int>(0);
    simulate->add_option("project", *project, "Project file")->required();
    auto* raysOption = simulate->add_option("--rays", *rays, "Rays per source (every source gets this count)")
                           ->check(CLI::PositiveNumber);
    auto threads = std::make_shared<unsigned int>(0);
    simulate->add_option("--threads", *threads, "Threads to use (default: every core); the files are the same for any count")
        ->check(CLI::Range(1u, 1024u));
    simulate->callback([project, rays, raysOption, threads, &exitCode] {
        exitCode = Simulate(*project,
                            raysOption->count() > 0 ? std::optional<unsigned int>(*rays) : std::nullopt,
                            *threads);
    });
}
