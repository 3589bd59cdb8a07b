#pragma once
// Line-level scanning of project files: tagged sections "<NAME>" ... "</NAME>",
// one record per line, fields separated by single blanks. Lines are read whole
// whatever their length; a carriage return before the line feed (files saved
// on other systems) is dropped, so such files read the same.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// Reads one line including its line feed (none on a last unterminated line).
// False at end of file.
bool ReadLine(FILE* file, std::string& line);

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

// Opens the file; on failure shows why and returns null.
FILE* utilOpenFile(const std::string& path, const char* mode);

// Owns a FILE* and closes it.
class TFileCloser {
public:
    explicit TFileCloser(FILE* file) : m_file(file) {}
    ~TFileCloser()
    {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
    }
    TFileCloser(const TFileCloser&) = delete;
    TFileCloser& operator=(const TFileCloser&) = delete;
    FILE* get() const { return m_file; }
    // Closes now; false when buffered data could not be written.
    bool Close()
    {
        const bool ok = m_file == nullptr || std::fclose(m_file) == 0;
        m_file = nullptr;
        return ok;
    }

private:
    FILE* m_file;
};

// The blank-separated tokens of a record line (runs of blanks, tabs and the
// line end separate, as formatted input does).
std::vector<std::string> SplitFields(const std::string& line);

// Strict conversions of a whole token: nothing for text that is not a finite
// number of the kind asked for.
std::optional<double> ParseDouble(const std::string& token);
std::optional<int> ParseInt(const std::string& token);

// Truncation towards zero that saturates at the limits of int (NaN gives 0):
// settings read as float must never overflow an integer conversion.
int TruncateToInt(double value);
