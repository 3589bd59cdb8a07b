// Command-line front end: runs the core without a window.

#include <cstdio>

#include <CLI/CLI.hpp>

#include "util/ErrorMessage.h"

int main(int argc, char** argv)
{
    CLI::App app{"Velto: room-acoustics simulation by ray tracing"};
    app.set_version_flag("--version", std::string("velto-cli ") + VELTO_VERSION);
    CLI11_PARSE(app, argc, argv);

    try {
        std::printf("Nothing to do yet: see velto-cli --help.\n");
    } catch (const FatalError& error) {
        return error.ExitCode();
    }
    return 0;
}
