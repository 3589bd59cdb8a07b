#include "GeometryCommands.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "dxf/DxfImport.h"
#include "dxf/DxfLayers.h"
#include "room/StandardRoom.h"
#include "room/TRoom.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"

namespace {

// Each occurrence of the option takes one layer name, so that names may be
// given one by one and the drawing may follow them.
CLI::Option* AddLayerOption(CLI::App* command, const std::string& name,
                            std::vector<std::string>& layers, const std::string& what)
{
    return command->add_option(name, layers, what)
        ->type_size(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void AddImportCommand(CLI::App& app, int& exitCode)
{
    struct TArguments {
        std::string drawing;
        std::string project;
        TDxfImportOptions options;
    };
    auto args = std::make_shared<TArguments>();
    CLI::App* command =
        app.add_subcommand("import-dxf", "Write the project file of a DXF drawing's layers");
    command->add_option("drawing", args->drawing, "ASCII DXF drawing")->required();
    command->add_option("-o,--output", args->project, "Project file to write")->required();
    AddLayerOption(command, "--sources", args->options.sourceLayers,
                   "Layer whose points become sources (repeatable)");
    AddLayerOption(command, "--receivers", args->options.receiverLayers,
                   "Layer whose points become receivers (repeatable)");
    AddLayerOption(command, "--planes", args->options.planeLayers,
                   "Layer whose entities become planes (repeatable)");
    command->add_flag("--3dface", args->options.face3D, "3D faces make planes");
    command->add_flag("--3dpoly", args->options.polyline3D, "3D polylines make planes");
    command->add_flag("--polyface", args->options.polyfaceMesh, "Polyface meshes make planes");
    command->callback([args, &exitCode] {
        if (!WriteDXFImportFile(args->drawing, args->options, args->project)) {
            exitCode = 1;
        }
    });
}

void AddLayersCommand(CLI::App& app, int& exitCode)
{
    auto drawing = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("layers", "List the layer names of a DXF drawing");
    command->add_option("drawing", *drawing, "ASCII DXF drawing")->required();
    command->callback([drawing, &exitCode] {
        const auto names = ReadDXFLayerNames(*drawing);
        if (!names) {
            ErrorMessage("Cannot open file '%s'.", drawing->c_str());
            exitCode = 1;
            return;
        }
        for (const std::string& name : *names) {
            ConsolePrint("%s\n", name.c_str());
        }
    });
}

void AddDesignCommand(CLI::App& app, int& exitCode)
{
    struct TArguments {
        std::string project;
        TStandardRoom design;
    };
    auto args = std::make_shared<TArguments>();
    CLI::App* command = app.add_subcommand("design", "Write the standard room as a project file");
    command->add_option("-o,--output", args->project, "Project file to write")->required();
    TStandardRoom& d = args->design;
    const std::pair<const char*, float*> lengths[] = {
        {"--L1", &d.L1}, {"--L", &d.L},   {"--L2", &d.L2}, {"--W1", &d.W1}, {"--W", &d.W},
        {"--W2", &d.W2}, {"--H1", &d.H1}, {"--H", &d.H},   {"--H2", &d.H2}};
    for (const auto& [name, value] : lengths) {
        command->add_option(name, *value, "Length in metres")->capture_default_str();
    }
    command->callback([args, &exitCode] {
        TRoom room;
        args->design.Build(room);
        if (!TStandardRoom::WriteProject(room, args->project)) {
            exitCode = 1;
        }
    });
}

} // namespace

void AddGeometryCommands(CLI::App& app, int& exitCode)
{
    AddImportCommand(app, exitCode);
    AddLayersCommand(app, exitCode);
    AddDesignCommand(app, exitCode);
}
