// A drawing's layer table as the import dialog lists it.

#include "FuzzSupport.h"
#include "dxf/DxfLayers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile file("drawing.dxf", data, size);
    IgnoringFatal([&] { ReadDXFLayerNames(file.Path()); });
    return 0;
}
