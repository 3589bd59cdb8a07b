#include "dxf/DxfLayers.h"

#include <cstdio>

#include "dxf/TDxfReader.h"
#include "util/Console.h"
#include "util/TextParsing.h"

std::optional<std::vector<std::string>> ReadDXFLayerNames(const std::string& path)
{
    TFileCloser file(std::fopen(path.c_str(), "rt"));
    if (file.get() == nullptr) {
        return std::nullopt;
    }
    // Layer records are the "0 LAYER" records of the table whose name (the
    // group 2 after "0 TABLE") is LAYER; the name of a record is its group 2.
    // Files of release 13 and later also mark them "AcDbLayerTableRecord";
    // release 12 files do not, so the table structure is what is followed.
    std::vector<std::string> names;
    TDxfReader reader(file.get());
    TDxfPair pair;
    std::string table;
    bool tableStart = false;
    bool inLayerRecord = false;
    bool nameSeen = false;
    while (reader.Next(pair)) {
        if (pair.code == 0) {
            const std::string type = TrimDxfText(pair.value);
            tableStart = type == "TABLE";
            if (tableStart || type == "ENDTAB" || type == "ENDSEC") {
                table.clear();
            }
            inLayerRecord = table == "LAYER" && type == "LAYER";
            nameSeen = false;
            continue;
        }
        if (pair.code != 2) {
            continue;
        }
        if (tableStart) {
            table = TrimDxfText(pair.value);
            tableStart = false;
        } else if (inLayerRecord && !nameSeen) {
            names.push_back(pair.value);
            nameSeen = true;
        }
    }
    if (!reader.Problem().empty()) {
        ConsolePrint("%s\n", reader.Problem().c_str());
    }
    return names;
}
