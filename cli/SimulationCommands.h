#pragma once
// Sub-commands that load a project and run it: "info" prints the room report,
// "simulate" runs the simulation and writes every result file.

#include <CLI/CLI.hpp>

// Adds the sub-commands. A run stopped by an interrupt sets exitCode to 130;
// fatal conditions of the core propagate as FatalError.
void AddSimulationCommands(CLI::App& app, int& exitCode);
