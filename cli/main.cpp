// Command-line front end: runs the core without a window.

#include <cstdio>

#include <unistd.h>

#include <CLI/CLI.hpp>

#include "GeometryCommands.h"
#include "SimulationCommands.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/TerminalOutput.h"

int main(int argc, char** argv)
{
    CLI::App app{"Velto: room-acoustics simulation by ray tracing"};
    app.set_version_flag("--version", std::string("velto-cli ") + VELTO_VERSION);
    app.require_subcommand(0, 1);
    int exitCode = 0;
    // Progress redraws one line on a terminal; a log gets each line once.
    const bool terminal = ::isatty(::fileno(stdout)) == 1;
    TerminalOutput output(terminal, [terminal](const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (terminal) {
            std::fflush(stdout);
        }
    });
    SetConsoleSink([&output](const std::string& text) { output.Print(text); });
    struct Restore {
        TerminalOutput& output;
        ~Restore()
        {
            SetConsoleSink({});
            output.Finish();
            std::fflush(stdout);
        }
    } restore{output};
    AddSimulationCommands(app, exitCode);
    AddGeometryCommands(app, exitCode);

    // Sub-commands run from their callbacks during parsing.
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    } catch (const FatalError& error) {
        return error.ExitCode();
    }
    if (app.get_subcommands().empty()) {
        ConsolePrint("Nothing to do: see velto-cli --help.\n");
    }
    return exitCode;
}
