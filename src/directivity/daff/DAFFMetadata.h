#pragma once
// The optional metadata block of a DAFF file: typed key-value pairs. The
// program reads and checks them with the file but does not act on them.
//
// Layout: int32 number of keys, then per key an int32 type (0 bool, 1 int,
// 2 float, 3 string), the key as a NUL-terminated string and the value:
// int32 for bool and int, a 64-bit double for float, a NUL-terminated string
// for string. No alignment.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

class DAFFMetadata {
public:
    enum KeyType { kBool = 0, kInt = 1, kFloat = 2, kString = 3 };

    struct Entry {
        std::string key;
        std::variant<bool, int, double, std::string> value;
    };

    // Parses a whole metadata block; returns 0 or a reader error code
    // (10011 for an unknown key type, 10012 for a malformed block). On error
    // the metadata is left empty.
    int Parse(const std::vector<std::uint8_t>& block);

    const std::vector<Entry>& Entries() const { return m_entries; }
    bool hasKey(const std::string& key) const;

private:
    std::vector<Entry> m_entries;
};
