#include "dxf/DxfImport.h"

#include <cstdio>

#include "dxf/ConvertDXF.h"
#include "room/TRoom.h"
#include "util/ErrorMessage.h"
#include "util/TextParsing.h"

namespace {

void WriteSections(FILE* dxf, FILE* out, const TDxfImportOptions& options)
{
    std::fprintf(out, "<MATERIALS>\n");
    std::fprintf(out, "DEFAULT_MAT 0.010 0.028 0.030 0.036 0.043 0.053 0.073 0.061 0.060 0.05\n");
    std::fprintf(out, "</MATERIALS>\n");
    std::fprintf(out, "\n");

    std::fprintf(out, "\n<LAYERS::RECEIVER>\n");
    for (const std::string& layer : options.receiverLayers) {
        std::fprintf(out, "%s OMNI\n", RemoveSpaces(layer).c_str());
    }
    std::fprintf(out, "</LAYERS::RECEIVER>\n");
    std::fprintf(out, "\n<RECEIVERS>\n");
    for (const std::string& layer : options.receiverLayers) {
        ConvertDXF_Receiver(dxf, out, layer);
    }
    std::fprintf(out, "</RECEIVERS>\n");

    std::fprintf(out, "\n<LAYERS::SOURCE>\n");
    for (const std::string& layer : options.sourceLayers) {
        std::fprintf(out, "%s OMNI 0 0 0 0 0 0 0 0 0\n", RemoveSpaces(layer).c_str());
    }
    std::fprintf(out, "</LAYERS::SOURCE>\n");
    std::fprintf(out, "\n<SOURCES>\n");
    for (const std::string& layer : options.sourceLayers) {
        ConvertDXF_Source(dxf, out, layer);
    }
    std::fprintf(out, "</SOURCES>\n");

    std::fprintf(out, "\n<LAYERS::PLANE>\n");
    for (const std::string& layer : options.planeLayers) {
        std::fprintf(out, "%s DEFAULT_MAT\n", RemoveSpaces(layer).c_str());
    }
    std::fprintf(out, "</LAYERS::PLANE>\n");
    std::fprintf(out, "\n<PLANES>\n");
    for (const std::string& layer : options.planeLayers) {
        if (options.polyline3D) {
            ConvertDXF_3DPOLY(dxf, out, layer);
        }
        if (options.face3D) {
            ConvertDXF_3DFACE(dxf, out, layer);
        }
        if (options.polyfaceMesh) {
            ConvertDXF_POLYFACEMESH(dxf, out, layer);
        }
    }
    std::fprintf(out, "</PLANES>\n");

    // Colours run from dark red-grey to light green-grey over the layers, so
    // that neighbouring layers differ in the 3D view.
    std::fprintf(out, "\n<LAYERS::COLOR>\n");
    const double n = static_cast<double>(options.planeLayers.size());
    for (std::size_t i = 0; i < options.planeLayers.size(); ++i) {
        const int red = static_cast<int>(100.0 + 155.0 * static_cast<double>(i) / n);
        const int green = static_cast<int>(10.0 + 245.0 * static_cast<double>(i) / n);
        std::fprintf(out, "%s %d %d %d\n", RemoveSpaces(options.planeLayers[i]).c_str(), red, green,
                     100);
    }
    std::fprintf(out, "</LAYERS::COLOR>\n");
}

} // namespace

bool WriteDXFImportFile(const std::string& dxfPath, const TDxfImportOptions& options,
                        const std::string& projectPath)
{
    // The drawing is opened first, so that a drawing that cannot be read
    // leaves an earlier project file as it was.
    TFileCloser dxf(std::fopen(dxfPath.c_str(), "rt"));
    if (dxf.get() == nullptr) {
        ErrorMessage("Cannot open file '%s'.", dxfPath.c_str());
        return false;
    }
    {
        TFileCloser created(std::fopen(projectPath.c_str(), "wt"));
        if (created.get() == nullptr) {
            ErrorMessage("Cannot create file '%s'.", projectPath.c_str());
            return false;
        }
    }
    if (!WriteDefaultSetup(projectPath)) {
        return false;
    }
    TFileCloser out(std::fopen(projectPath.c_str(), "at"));
    if (out.get() == nullptr) {
        ErrorMessage("Cannot create file '%s'.", projectPath.c_str());
        return false;
    }
    WriteSections(dxf.get(), out.get(), options);
    const bool written = std::ferror(out.get()) == 0;
    if (!out.Close() || !written) {
        ErrorMessage("Cannot write file '%s'.", projectPath.c_str());
        return false;
    }
    return true;
}
