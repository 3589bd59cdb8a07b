#include "dxf/TDxfReader.h"

#include "util/Console.h"
#include "util/TextParsing.h"

std::string TrimDxfText(const std::string& text)
{
    const char* blanks = " \t\r";
    const std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos) {
        return std::string();
    }
    const std::size_t end = text.find_last_not_of(blanks);
    return text.substr(begin, end - begin + 1);
}

const std::string* TDxfEntity::Find(int code) const
{
    for (const TDxfPair& pair : pairs) {
        if (pair.code == code) {
            return &pair.value;
        }
    }
    return nullptr;
}

std::string TDxfEntity::Layer() const
{
    const std::string* layer = Find(8);
    return layer != nullptr ? *layer : std::string();
}

bool TDxfEntity::HasMarker(const std::string& subclass) const
{
    for (const TDxfPair& pair : pairs) {
        if (pair.code == 100 && TrimDxfText(pair.value) == subclass) {
            return true;
        }
    }
    return false;
}

bool TDxfEntity::HasMarkers() const
{
    return Find(100) != nullptr;
}

std::optional<double> TDxfEntity::Number(int code) const
{
    const std::string* value = Find(code);
    return value != nullptr ? ParseDouble(TrimDxfText(*value)) : std::nullopt;
}

std::optional<int> TDxfEntity::Integer(int code) const
{
    const std::string* value = Find(code);
    return value != nullptr ? ParseInt(TrimDxfText(*value)) : std::nullopt;
}

namespace {

// The line without its line end; false at the end of the file.
bool ReadDxfLine(FILE* file, std::string& line)
{
    if (!ReadLine(file, line)) {
        return false;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return true;
}

} // namespace

bool TDxfReader::Next(TDxfPair& pair)
{
    if (!m_problem.empty()) {
        return false;
    }
    std::string codeLine;
    if (!ReadDxfLine(m_file, codeLine)) {
        return false;
    }
    ++m_line;
    // Files saved by some editors start with a UTF-8 byte order mark.
    if (m_line == 1 && codeLine.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        codeLine.erase(0, 3);
    }
    const std::optional<int> code = ParseInt(TrimDxfText(codeLine));
    if (!code) {
        m_problem = "DXF line " + std::to_string(m_line) +
                    ": a group code was expected (is this an ASCII DXF file?); reading stops here.";
        return false;
    }
    pair.code = *code;
    pair.line = m_line;
    if (!ReadDxfLine(m_file, pair.value)) {
        m_problem = "DXF line " + std::to_string(m_line) +
                    ": the file ends after a group code, without its value.";
        return false;
    }
    ++m_line;
    return true;
}

TDxfEntities ReadDxfEntities(FILE* dxf)
{
    TDxfEntities result;
    std::rewind(dxf);
    TDxfReader reader(dxf);
    TDxfPair pair;

    // Find "0 SECTION" followed by "2 ENTITIES".
    bool sectionStart = false;
    while (reader.Next(pair)) {
        const std::string value = TrimDxfText(pair.value);
        if (sectionStart && pair.code == 2 && value == "ENTITIES") {
            result.found = true;
            break;
        }
        sectionStart = pair.code == 0 && value == "SECTION";
    }

    if (result.found) {
        std::optional<TDxfEntity> current;
        while (reader.Next(pair)) {
            if (pair.code != 0) {
                // Pairs before the first entity belong to no entity.
                if (current) {
                    current->pairs.push_back(pair);
                }
                continue;
            }
            if (current) {
                result.entities.push_back(std::move(*current));
                current.reset();
            }
            const std::string type = TrimDxfText(pair.value);
            if (type == "ENDSEC") {
                result.complete = true;
                break;
            }
            current = TDxfEntity{type, pair.line, {}};
        }
        if (!result.complete) {
            if (current) {
                ConsolePrint("DXF line %ld: the file ends inside this %s entity; it is skipped.\n",
                            current->line, current->type.c_str());
            } else {
                ConsolePrint("DXF: the ENTITIES section has no end (ENDSEC).\n");
            }
        }
    } else if (reader.Problem().empty()) {
        ConsolePrint("DXF: the file has no ENTITIES section.\n");
    }
    if (!reader.Problem().empty()) {
        ConsolePrint("%s\n", reader.Problem().c_str());
    }
    return result;
}
