// Command-line front end: runs the core without a window.

#include <cstdio>

#include <CLI/CLI.hpp>

#include "GeometryCommands.h"
#include "SimulationCommands.h"
#include "util/ErrorMessage.h"

int main(int argc, char** argv)
{
    CLI::App app{"Velto: room-acoustics simulation by ray tracing"};
    app.set_version_flag("--version", std::string("velto-cli ") + VELTO_VERSION);
    app.require_subcommand(0, 1);
    int exitCode = 0;
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
        std::printf("Nothing to do: see velto-cli --help.\n");
    }
    return exitCode;
}
