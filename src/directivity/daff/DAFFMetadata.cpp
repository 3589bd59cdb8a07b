#include "directivity/daff/DAFFMetadata.h"

#include <cstring>

#include "directivity/daff/DAFFUtils.h"

namespace {

// Bounds-checked little-endian cursor over a block.
class Cursor {
public:
    explicit Cursor(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

    bool Int32(std::int32_t& value)
    {
        if (m_bytes.size() - m_pos < 4) {
            return false;
        }
        std::uint32_t u = 0;
        for (int i = 3; i >= 0; --i) {
            u = (u << 8) | m_bytes[m_pos + static_cast<std::size_t>(i)];
        }
        value = static_cast<std::int32_t>(u);
        m_pos += 4;
        return true;
    }

    bool Double(double& value)
    {
        if (m_bytes.size() - m_pos < 8) {
            return false;
        }
        std::uint64_t u = 0;
        for (int i = 7; i >= 0; --i) {
            u = (u << 8) | m_bytes[m_pos + static_cast<std::size_t>(i)];
        }
        std::memcpy(&value, &u, sizeof(value));
        m_pos += 8;
        return true;
    }

    bool String(std::string& value)
    {
        for (std::size_t end = m_pos; end < m_bytes.size(); ++end) {
            if (m_bytes[end] == 0) {
                value.assign(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos),
                             m_bytes.begin() + static_cast<std::ptrdiff_t>(end));
                m_pos = end + 1;
                return true;
            }
        }
        return false;
    }

private:
    const std::vector<std::uint8_t>& m_bytes;
    std::size_t m_pos = 0;
};

} // namespace

int DAFFMetadata::Parse(const std::vector<std::uint8_t>& block)
{
    m_entries.clear();
    Cursor cursor(block);
    std::int32_t numKeys = 0;
    if (!cursor.Int32(numKeys) || numKeys < 0) {
        return kDaffFileCorrupted;
    }
    // Every key consumes at least five bytes, so the loop ends with the block.
    std::vector<Entry> entries;
    for (std::int32_t i = 0; i < numKeys; ++i) {
        std::int32_t type = 0;
        Entry entry;
        if (!cursor.Int32(type) || !cursor.String(entry.key)) {
            return kDaffFileCorrupted;
        }
        bool ok = false;
        switch (type) {
        case kBool:
        case kInt: {
            std::int32_t v = 0;
            ok = cursor.Int32(v);
            entry.value = type == kBool ? std::variant<bool, int, double, std::string>(v != 0)
                                        : std::variant<bool, int, double, std::string>(int{v});
            break;
        }
        case kFloat: {
            double v = 0.0;
            ok = cursor.Double(v);
            entry.value = v;
            break;
        }
        case kString: {
            std::string v;
            ok = cursor.String(v);
            entry.value = std::move(v);
            break;
        }
        default:
            return kDaffInvalidMetadataType;
        }
        if (!ok) {
            return kDaffFileCorrupted;
        }
        entries.push_back(std::move(entry));
    }
    m_entries = std::move(entries);
    return kDaffNoError;
}

bool DAFFMetadata::hasKey(const std::string& key) const
{
    for (const Entry& e : m_entries) {
        if (e.key == key) {
            return true;
        }
    }
    return false;
}
