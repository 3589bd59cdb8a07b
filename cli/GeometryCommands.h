#pragma once
// Sub-commands that make a project's geometry without a window: the DXF
// import ("import-dxf"), the layer list of a drawing ("layers") and the
// standard room ("design").

#include <CLI/CLI.hpp>

// Adds the sub-commands to the program. A command that fails after its
// message sets exitCode; fatal conditions of the core propagate as FatalError.
void AddGeometryCommands(CLI::App& app, int& exitCode);
