// The simulation worker: one thread per run that traces the rays and then
// computes the responses, while the caller polls IsRunning and
// PercentageStatus and may ask it to stop.

#include <chrono>
#include <exception>
#include <thread>
#include <utility>

#include "room/TRoom.h"

void TRoom::StartSimulation()
{
    WaitForSimulation();
    IsRunning = true;
    m_workerFinished = false;
    m_workerError = nullptr;
    thread = std::thread(staticEntryPoint, this);
}

void TRoom::staticEntryPoint(TRoom* room)
{
    try {
        // Without results, receivers or sources there is nothing to respond
        // to; after a stop during tracing the run ends as a whole.
        if (room->Simulate() && room->IsRunning) {
            room->CalculateResponses();
        }
    } catch (...) {
        // Handed to the thread that waits for the run: only it can act.
        room->m_workerError = std::current_exception();
    }
    room->IsRunning = false;
    room->m_workerFinished = true;
}

void TRoom::StopSimulation()
{
    // The worker looks at the flag after every ray and every pair, so it ends
    // between two of them and never in the middle of writing a file.
    IsRunning = false;
}

bool TRoom::SimulationFinished() const
{
    return !thread.joinable() || m_workerFinished;
}

void TRoom::WaitForSimulation()
{
    if (thread.joinable()) {
        thread.join();
    }
    if (m_workerError) {
        std::exception_ptr error = std::exchange(m_workerError, nullptr);
        std::rethrow_exception(error);
    }
}

void TRoom::AbortSimulation()
{
    // A stop during tracing lets the response phase start and raise the flag
    // again; keep lowering it until the worker has ended.
    while (!SimulationFinished()) {
        StopSimulation();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (thread.joinable()) {
        thread.join();
    }
    m_workerError = nullptr;
}
