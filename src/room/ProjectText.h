#pragma once
// Line-level scanning of project files: tagged sections "<NAME>" ... "</NAME>",
// one record per line, fields separated by single blanks.

#include <cstdio>
#include <string>

#include "util/Platform.h"
#include "util/TextParsing.h"


// Reads lines from the current position until one contains text; 1 when
// found (the position is left after that line), 0 at end of file.
int Busca(FILE* file, const std::string& text);

// Number of records between the opening and closing tags of the section,
// searched from the current position; the position is restored.
int GetNumberOfItens(FILE* file, const std::string& section);

// Checks that every record of the section has the expected field count. On
// the first mismatch with stop set, shows the error and returns the record's
// number (from 1); otherwise restores the position and returns 0.
int CheckNumberOfParams(FILE* file, const std::string& section, int expected, bool stop);

// Value of the first line of the section containing key, read after its
// equals sign; -1 when the section or key is missing (noted on the console).
// Lines starting with '#' are comments.
float getDataTag(const std::string& key, const std::string& section, FILE* file);

// Number of blank and line-feed characters: the field count of a record line.
int utilGetNumLineItems(const std::string& line);



