// The room's list of loaded directivity patterns, shared by name between the
// source and receiver types.
//
// Loaded patterns are never re-created when the list grows: new names are
// loaded and appended, so the patterns the types hold stay the list's own.

#include "directivity/TDirectivity.h"
#include "room/ProjectText.h"
#include "room/TRoom.h"
#include "util/ErrorMessage.h"

void TRoom::AddDirectivity(const std::string& NameID)
{
    AppendDirectivities(directivity, {NameID}, NumBands);
    NumDirectivities = static_cast<unsigned int>(directivity.size());
}

void TRoom::AddDirectivitiesTxt(const std::string& FileName)
{
    FILE* file = std::fopen(FileName.c_str(), "rt");
    if (file == nullptr) {
        FailLoad(1, FormatText("Cannot open %s for reading\n", FileName.c_str()));
    }
    TFileCloser closer(file);

    std::vector<std::string> names;
    auto collect = [&](const std::string& section, int fieldsWanted, bool report) {
        std::rewind(file);
        if (!Busca(file, "<" + section + ">")) {
            return;
        }
        const std::string closing = "</" + section + ">";
        std::string line;
        while (ReadLine(file, line) && line.find(closing) == std::string::npos) {
            const int items = utilGetNumLineItems(line);
            const auto fields = SplitFields(line);
            if (items != fieldsWanted || fields.size() < 2) {
                if (report) {
                    ErrorMessage("Wrong number of parameters (%d) for SOURCE LAYER %s", items,
                                 fields.empty() ? "" : fields[0].c_str());
                }
                continue;
            }
            names.push_back(fields[1]);
        }
    };
    collect("LAYERS::SOURCE", static_cast<int>(NumBands) + 2, true);
    collect("LAYERS::RECEIVER", 2, false);
    closer.Close();

    AppendDirectivities(directivity, names, NumBands);
    NumDirectivities = static_cast<unsigned int>(directivity.size());
}

void TRoom::DeleteDirectivities()
{
    directivity.clear();
    NumDirectivities = 0;
}

int TRoom::GetDirectivityID(const std::string& NameID) const
{
    return FindDirectivityID(directivity, NameID);
}

std::shared_ptr<TDirectivity> TRoom::FindDirectivityOrDefault(const std::string& NameID)
{
    auto pattern = ResolveDirectivity(directivity, NameID, NumBands);
    NumDirectivities = static_cast<unsigned int>(directivity.size());
    return pattern;
}
