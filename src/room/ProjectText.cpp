#include "room/ProjectText.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "util/ErrorMessage.h"

bool ReadLine(FILE* file, std::string& line)
{
    line.clear();
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    if (line.size() >= 2 && line[line.size() - 1] == '\n' && line[line.size() - 2] == '\r') {
        line.erase(line.size() - 2, 1);
    }
    return !line.empty();
}

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
        std::printf("Section %s not found on config file.\n", section.c_str());
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
        std::printf("Tag %s on section %s has no numeric value.\n", key.c_str(), section.c_str());
        return -1.0f;
    }
    std::printf("Tag %s not found on section %s.\n", key.c_str(), section.c_str());
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

FILE* utilOpenFile(const std::string& path, const char* mode)
{
    FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) {
        ErrorMessage("\n O arquivo %s nao pode ser aberto para %s!\n", path.c_str(),
                     std::strcmp(mode, "wt") == 0 || std::strcmp(mode, "w") == 0 ? "escrita"
                                                                                  : "leitura");
    }
    return file;
}

std::vector<std::string> SplitFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i])) {
            ++i;
        }
        const std::size_t begin = i;
        while (i < line.size() && !isSpace(line[i])) {
            ++i;
        }
        if (i > begin) {
            fields.push_back(line.substr(begin, i - begin));
        }
    }
    return fields;
}

std::optional<double> ParseDouble(const std::string& token)
{
    if (token.empty()) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    if (end != token.c_str() + token.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> ParseInt(const std::string& token)
{
    if (token.empty()) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(token.c_str(), &end, 10);
    if (end != token.c_str() + token.size() || errno == ERANGE || value < INT_MIN ||
        value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

int TruncateToInt(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}
