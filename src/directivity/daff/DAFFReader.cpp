#include "directivity/daff/DAFFReader.h"

#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

#include <sys/types.h>

#include "directivity/daff/DAFFBytes.h"
#include "directivity/daff/DAFFUtils.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::uint64_t kFileHeaderSize = 10;
constexpr std::uint64_t kBlockEntrySize = 20;
constexpr std::uint64_t kMainHeaderSize = 60;

enum BlockId { kMainHeader = 1, kContentHeader = 2, kRecordDescriptors = 3, kData = 4, kMetadata = 5 };

struct BlockEntry {
    std::int32_t id = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// Reads bytes at offset; false when they do not all lie inside the file.
bool ReadRange(std::FILE* file, std::uint64_t fileSize, std::uint64_t offset, std::uint64_t bytes,
               std::vector<std::uint8_t>& out)
{
    if (offset > fileSize || bytes > fileSize - offset ||
        offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        return false;
    }
    out.assign(static_cast<std::size_t>(bytes), 0);
    if (::fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) {
        return false;
    }
    return bytes == 0 || std::fread(out.data(), 1, out.size(), file) == out.size();
}

// The single block of a kind; null when there is none or more than one.
const BlockEntry* SingleBlock(const std::vector<BlockEntry>& table, int id)
{
    const BlockEntry* found = nullptr;
    for (const BlockEntry& entry : table) {
        if (entry.id == id) {
            if (found != nullptr) {
                return nullptr;
            }
            found = &entry;
        }
    }
    return found;
}

int CountBlocks(const std::vector<BlockEntry>& table, int id)
{
    int n = 0;
    for (const BlockEntry& entry : table) {
        n += entry.id == id ? 1 : 0;
    }
    return n;
}

int ValidateMainHeader(const DAFFProperties& p)
{
    if (p.contentType < kDaffImpulseResponse || p.contentType > kDaffDFTSpectrum) {
        return kDaffInvalidContentType;
    }
    if (p.quantization < kDaffInt16 || p.quantization > kDaffFloat32) {
        return kDaffInvalidQuantization;
    }
    if (p.numChannels <= 0 || p.numRecords <= 0 || p.elementsPerRecord <= 0) {
        return kDaffInvalidMainHeaderParameter;
    }
    // Written as negated ranges so that NaN angles fail too.
    if (p.alphaPoints < 1 || !(p.alphaStart >= 0.0f && p.alphaStart < 360.0f) ||
        !(p.alphaEnd >= 0.0f && p.alphaEnd <= 360.0f)) {
        return kDaffInvalidAlphaRange;
    }
    if (p.betaPoints < 1 || !(p.betaStart >= 0.0f && p.betaStart <= 180.0f) ||
        !(p.betaEnd >= 0.0f && p.betaEnd <= 180.0f) || p.betaStart > p.betaEnd) {
        return kDaffInvalidBetaRange;
    }
    return kDaffNoError;
}

} // namespace

std::unique_ptr<DAFFReader> DAFFReader::create()
{
    return std::make_unique<DAFFReader>();
}

void DAFFReader::closeFile()
{
    m_path.clear();
    m_version = 0;
    m_properties = DAFFProperties();
    m_content.reset();
    m_metadata = DAFFMetadata();
}

int DAFFReader::openFile(const std::string& path)
{
    if (isFileOpened()) {
        return kDaffModalError;
    }
    FilePtr owner(std::fopen(path.c_str(), "rb"));
    if (!owner) {
        return kDaffFileNotFound;
    }
    std::FILE* file = owner.get();
    if (::fseeko(file, 0, SEEK_END) != 0) {
        return kDaffInvalidFile;
    }
    const off_t end = ::ftello(file);
    if (end < 0) {
        return kDaffInvalidFile;
    }
    const auto fileSize = static_cast<std::uint64_t>(end);

    std::vector<std::uint8_t> bytes;
    if (!ReadRange(file, fileSize, 0, kFileHeaderSize, bytes) || bytes[0] != 'F' || bytes[1] != 'W') {
        return kDaffInvalidFile;
    }
    const std::int32_t version = DaffI32(bytes.data() + 2);
    if (version != kDaffFileFormatVersion) {
        return kDaffUnsupportedVersion;
    }
    const std::int32_t numBlocks = DaffI32(bytes.data() + 6);
    if (numBlocks <= 0) {
        return kDaffInvalidFile;
    }
    const std::uint64_t tableEnd = kFileHeaderSize + kBlockEntrySize * static_cast<std::uint64_t>(numBlocks);
    if (!ReadRange(file, fileSize, kFileHeaderSize, tableEnd - kFileHeaderSize, bytes)) {
        return kDaffInvalidFile;
    }
    std::vector<BlockEntry> table(static_cast<std::size_t>(numBlocks));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::uint8_t* e = bytes.data() + kBlockEntrySize * i;
        table[i] = {DaffI32(e), DaffU64(e + 4), DaffU64(e + 12)};
        if (table[i].offset < tableEnd) {
            return kDaffInvalidFile;
        }
    }

    const BlockEntry* mainBlock = SingleBlock(table, kMainHeader);
    if (mainBlock == nullptr || mainBlock->size < kMainHeaderSize ||
        !ReadRange(file, fileSize, mainBlock->offset, kMainHeaderSize, bytes)) {
        return kDaffInvalidFile;
    }
    DAFFProperties p;
    const std::uint8_t* h = bytes.data();
    p.contentType = DaffI32(h);
    p.quantization = DaffI32(h + 4);
    p.numChannels = DaffI32(h + 8);
    p.numRecords = DaffI32(h + 12);
    p.elementsPerRecord = DaffI32(h + 16);
    p.metadataIndex = DaffI32(h + 20);
    p.alphaPoints = DaffI32(h + 24);
    p.alphaStart = DaffF32(h + 28);
    p.alphaEnd = DaffF32(h + 32);
    p.betaPoints = DaffI32(h + 36);
    p.betaStart = DaffF32(h + 40);
    p.betaEnd = DaffF32(h + 44);
    p.orientYaw = DaffF32(h + 48);
    p.orientPitch = DaffF32(h + 52);
    p.orientRoll = DaffF32(h + 56);
    if (const int error = ValidateMainHeader(p); error != kDaffNoError) {
        return error;
    }
    p.DeriveResolutions();
    // A lookup may address any record of the grid, so the file must hold them all.
    if (p.GridRecordCount() > p.numRecords) {
        return kDaffInvalidMainHeaderParameter;
    }

    const BlockEntry* contentBlock = SingleBlock(table, kContentHeader);
    const BlockEntry* descriptorBlock = SingleBlock(table, kRecordDescriptors);
    const BlockEntry* dataBlock = SingleBlock(table, kData);
    if (contentBlock == nullptr || descriptorBlock == nullptr || dataBlock == nullptr) {
        return kDaffFileCorrupted;
    }
    std::vector<std::uint8_t> contentHeader;
    std::vector<std::uint8_t> descriptors;
    std::vector<std::uint8_t> data;
    if (!ReadRange(file, fileSize, contentBlock->offset, contentBlock->size, contentHeader) ||
        !ReadRange(file, fileSize, descriptorBlock->offset, descriptorBlock->size, descriptors) ||
        !ReadRange(file, fileSize, dataBlock->offset, dataBlock->size, data)) {
        return kDaffFileCorrupted;
    }
    std::unique_ptr<DAFFContent> content;
    if (const int error = DAFFContent::Load(p, contentHeader, descriptors, std::move(data), content);
        error != kDaffNoError) {
        return error;
    }

    DAFFMetadata metadata;
    if (CountBlocks(table, kMetadata) > 1) {
        return kDaffFileCorrupted;
    }
    if (const BlockEntry* metadataBlock = SingleBlock(table, kMetadata)) {
        if (!ReadRange(file, fileSize, metadataBlock->offset, metadataBlock->size, bytes)) {
            return kDaffFileCorrupted;
        }
        if (const int error = metadata.Parse(bytes); error != kDaffNoError) {
            return error;
        }
    }

    m_path = path;
    m_version = version;
    m_properties = p;
    m_content = std::move(content);
    m_metadata = std::move(metadata);
    return kDaffNoError;
}
