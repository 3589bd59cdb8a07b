// A drawing imported with every entity kind ticked. The layer names are those
// of the seed drawings (and the default layer "0", and a name with a blank),
// so that mutated drawings keep reaching the converters of every kind.

#include "FuzzSupport.h"
#include "dxf/DxfImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile drawing("drawing.dxf", data, size);
    const FuzzFile project("imported.txt");
    TDxfImportOptions options;
    options.receiverLayers = {"REC", "0"};
    options.sourceLayers = {"SRC", "Main Wall"};
    options.planeLayers = {"WALLS", "CEILING", "FLOOR", "ROOM", "0"};
    options.polyline3D = true;
    options.face3D = true;
    options.polyfaceMesh = true;
    IgnoringFatal([&] { WriteDXFImportFile(drawing.Path(), options, project.Path()); });
    return 0;
}
