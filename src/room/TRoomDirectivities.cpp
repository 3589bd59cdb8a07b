// The room's list of loaded directivity patterns, shared by name between the
// source and receiver types.
//
// Loaded patterns are never re-created when the list grows: new names are
// appended and loaded, so the patterns the types hold stay the list's own.

#include "directivity/TDirectivity.h"
#include "room/ProjectText.h"
#include "room/TRoom.h"
#include "util/ErrorMessage.h"

namespace {

bool OccursInAny(const std::vector<std::string>& names, const std::string& text)
{
    for (const auto& name : names) {
        if (name.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

void TRoom::AddDirectivity(const std::string& NameID)
{
    std::vector<std::string> names;
    for (const auto& pattern : directivity) {
        names.emplace_back(pattern->GetPatternName());
    }
    if (OccursInAny(names, NameID)) {
        return;
    }
    directivity.push_back(std::make_shared<TDirectivity>(NameID, NumBands));
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
    for (const auto& pattern : directivity) {
        names.emplace_back(pattern->GetPatternName());
    }
    const std::size_t loaded = names.size();
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
            if (!OccursInAny(names, fields[1])) {
                names.push_back(fields[1]);
            }
        }
    };
    collect("LAYERS::SOURCE", static_cast<int>(NumBands) + 2, true);
    collect("LAYERS::RECEIVER", 2, false);
    closer.Close();

    for (std::size_t i = loaded; i < names.size(); ++i) {
        directivity.push_back(std::make_shared<TDirectivity>(names[i], NumBands));
    }
    NumDirectivities = static_cast<unsigned int>(directivity.size());
}

void TRoom::DeleteDirectivities()
{
    directivity.clear();
    NumDirectivities = 0;
}

int TRoom::GetDirectivityID(const std::string& NameID) const
{
    for (std::size_t i = 0; i < directivity.size(); ++i) {
        if (NameID.find(directivity[i]->GetPatternName()) != std::string::npos) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::shared_ptr<TDirectivity> TRoom::FindDirectivityOrDefault(const std::string& NameID)
{
    const int id = GetDirectivityID(NameID);
    if (id >= 0) {
        return directivity[id];
    }
    if (directivity.empty()) {
        AddDirectivity("OMNI");
    }
    return directivity.front();
}
