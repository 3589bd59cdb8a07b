#include "room/ProjectText.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "util/Console.h"
#include "util/ErrorMessage.h"


int Busca(FILE* file, const std::string& text)
{
    std::string line;
    while (ReadLine(file, line)) {
        if (line.find(text) != std::string::npos) {
            return 1;
        }
    }
    return 0;
}

static std::string OpeningTag(const std::string& section)
{
    return "<" + section + ">";
}

static std::string ClosingTag(const std::string& section)
{
    return "</" + section + ">";
}

int GetNumberOfItens(FILE* file, const std::string& section)
{
    const long start = std::ftell(file);
    int count = 0;
    if (Busca(file, OpeningTag(section))) {
        const std::string closing = ClosingTag(section);
        std::string line;
        while (ReadLine(file, line) && line.find(closing) == std::string::npos) {
            ++count;
        }
    }
    std::fseek(file, start, SEEK_SET);
    return count;
}

int CheckNumberOfParams(FILE* file, const std::string& section, int expected, bool stop)
{
    const long start = std::ftell(file);
    if (Busca(file, OpeningTag(section))) {
        const std::string closing = ClosingTag(section);
        std::string line;
        for (int k = 1; ReadLine(file, line) && line.find(closing) == std::string::npos; ++k) {
            const int found = utilGetNumLineItems(line);
            if (found != expected && stop) {
                ErrorMessage("Wrong number of parameters on %s section, line %d.\nShould be %d "
                             "instead of %d items.",
                             section.c_str(), k, expected, found);
                return k;
            }
        }
    }
    std::fseek(file, start, SEEK_SET);
    return 0;
}

float getDataTag(const std::string& key, const std::string& section, FILE* file)
{
    std::rewind(file);
    if (!Busca(file, OpeningTag(section))) {
        ConsolePrint("Section %s not found on config file.\n", section.c_str());
        return -1.0f;
    }
    const std::string closing = ClosingTag(section);
    std::string line;
    while (ReadLine(file, line) && line.find(closing) == std::string::npos) {
        if (line[0] == '#' || line.find(key) == std::string::npos) {
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        // The value runs from after the equals sign to the next blank or line end.
        std::size_t begin = equals + 1;
        while (begin < line.size() && line[begin] == ' ') {
            ++begin;
        }
        std::size_t end = begin;
        while (end < line.size() && line[end] != ' ' && line[end] != '\n') {
            ++end;
        }
        if (const auto value = ParseDouble(line.substr(begin, end - begin))) {
            return static_cast<float>(*value);
        }
        ConsolePrint("Tag %s on section %s has no numeric value.\n", key.c_str(), section.c_str());
        return -1.0f;
    }
    ConsolePrint("Tag %s not found on section %s.\n", key.c_str(), section.c_str());
    return -1.0f;
}

int utilGetNumLineItems(const std::string& line)
{
    int count = 0;
    for (char c : line) {
        count += (c == ' ' || c == '\n');
    }
    return count;
}
