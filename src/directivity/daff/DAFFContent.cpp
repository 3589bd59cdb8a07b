#include "directivity/daff/DAFFContent.h"

#include <cmath>
#include <utility>

#include "directivity/daff/DAFFBytes.h"
#include "directivity/daff/DAFFUtils.h"

namespace {

std::size_t BytesPerSample(int quantization)
{
    switch (quantization) {
    case kDaffInt16:
        return 2;
    case kDaffInt24:
        return 3;
    default:
        return 4;
    }
}

// Frequency list after `skip` bytes of a spectral content header: an int32
// count (> 0) and that many floats.
int ReadFrequencies(const std::vector<std::uint8_t>& header, std::size_t skip,
                    std::vector<float>& frequencies)
{
    if (header.size() < skip + 4) {
        return kDaffFileCorrupted;
    }
    const std::int32_t count = DaffI32(header.data() + skip);
    if (count <= 0) {
        return kDaffInvalidContentParameter;
    }
    if ((header.size() - skip - 4) / 4 < static_cast<std::uint64_t>(count)) {
        return kDaffFileCorrupted;
    }
    frequencies.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        frequencies[i] = DaffF32(header.data() + skip + 4 + 4 * i);
    }
    return kDaffNoError;
}

int ValidateDFTHeader(const std::vector<std::uint8_t>& header)
{
    if (header.size() < 16) {
        return kDaffFileCorrupted;
    }
    const std::int64_t coefficients = DaffI32(header.data());
    const std::int64_t transformSize = DaffI32(header.data() + 4);
    if (transformSize <= 0 || coefficients <= 0 ||
        (coefficients != transformSize && coefficients != transformSize / 2 + 1)) {
        return kDaffInvalidContentParameter;
    }
    return kDaffNoError;
}

// Whether bytes starting at offset lie inside a block of blockSize bytes.
bool InsideBlock(std::uint64_t offset, std::uint64_t bytes, std::uint64_t blockSize)
{
    return offset <= blockSize && bytes <= blockSize - offset;
}

} // namespace

DAFFContent::DAFFContent(const DAFFProperties& properties, std::vector<int> recordMetadataIndex)
    : m_properties(properties), m_recordMetadataIndex(std::move(recordMetadataIndex))
{
}

int DAFFContent::Load(const DAFFProperties& p, const std::vector<std::uint8_t>& contentHeader,
                      const std::vector<std::uint8_t>& descriptors, std::vector<std::uint8_t> data,
                      std::unique_ptr<DAFFContent>& content)
{
    content.reset();
    const bool isIR = p.contentType == kDaffImpulseResponse;
    const std::uint64_t descriptorSize = isIR ? 20 : 12;
    const std::uint64_t count =
        static_cast<std::uint64_t>(p.numRecords) * static_cast<std::uint64_t>(p.numChannels);
    if (count > descriptors.size() / descriptorSize) {
        return kDaffFileCorrupted;
    }
    const auto channels = static_cast<std::uint64_t>(p.numChannels);
    std::vector<int> recordMetadata(static_cast<std::size_t>(p.numRecords));
    for (std::size_t r = 0; r < recordMetadata.size(); ++r) {
        recordMetadata[r] = DaffI32(descriptors.data() + r * channels * descriptorSize);
    }

    if (isIR) {
        if (contentHeader.size() < 12) {
            return kDaffFileCorrupted;
        }
        const float samplerate = DaffF32(contentHeader.data());
        const std::int32_t minOffset = DaffI32(contentHeader.data() + 4);
        const std::int32_t maxLength = DaffI32(contentHeader.data() + 8);
        if (!(samplerate >= 0.0f) || minOffset < 0 || minOffset > p.elementsPerRecord ||
            maxLength < 0 || maxLength > p.elementsPerRecord) {
            return kDaffInvalidContentParameter;
        }
        const std::size_t bytesPerSample = BytesPerSample(p.quantization);
        std::vector<DAFFContentIR::Descriptor> list(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::uint8_t* d = descriptors.data() + i * descriptorSize;
            DAFFContentIR::Descriptor& entry = list[i];
            entry.dataOffset = DaffU64(d + 4);
            entry.leadingZeros = DaffI32(d + 12);
            entry.elementLength = DaffI32(d + 16);
            if (entry.leadingZeros < 0 || entry.elementLength < 0 ||
                static_cast<std::int64_t>(entry.leadingZeros) + entry.elementLength >
                    p.elementsPerRecord ||
                !InsideBlock(entry.dataOffset,
                             static_cast<std::uint64_t>(entry.elementLength) * bytesPerSample,
                             data.size())) {
                return kDaffFileCorrupted;
            }
        }
        content = std::make_unique<DAFFContentIR>(p, std::move(recordMetadata), samplerate, minOffset,
                                                  maxLength, std::move(list), std::move(data));
        return kDaffNoError;
    }

    std::vector<float> frequencies;
    int error = kDaffNoError;
    switch (p.contentType) {
    case kDaffMagnitudeSpectrum:
    case kDaffMagnitudePhaseSpectrum:
        error = ReadFrequencies(contentHeader, 4, frequencies);
        break;
    case kDaffPhaseSpectrum:
        error = ReadFrequencies(contentHeader, 0, frequencies);
        break;
    default:
        error = ValidateDFTHeader(contentHeader);
        break;
    }
    if (error != kDaffNoError) {
        return error;
    }
    if (p.contentType != kDaffMagnitudeSpectrum) {
        content = std::make_unique<DAFFContent>(p, std::move(recordMetadata));
        return kDaffNoError;
    }

    const std::uint64_t spectrumBytes = 4 * static_cast<std::uint64_t>(frequencies.size());
    std::vector<std::uint64_t> offsets(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        offsets[i] = DaffU64(descriptors.data() + i * descriptorSize + 4);
        if (!InsideBlock(offsets[i], spectrumBytes, data.size())) {
            return kDaffFileCorrupted;
        }
    }
    content = std::make_unique<DAFFContentMS>(p, std::move(recordMetadata),
                                              DaffF32(contentHeader.data()), std::move(frequencies),
                                              std::move(offsets), std::move(data));
    return kDaffNoError;
}

int DAFFContent::getRecordMetadataIndex(int record) const
{
    if (record < 0 || static_cast<std::size_t>(record) >= m_recordMetadataIndex.size()) {
        return -1;
    }
    return m_recordMetadataIndex[static_cast<std::size_t>(record)];
}

int DAFFContent::getNearestNeighbour(int view, float phi, float theta, int& recordIndex) const
{
    float alpha = phi;
    float beta = theta;
    if (view == kDaffObjectView) {
        m_properties.ObjectToData(phi, theta, alpha, beta);
    } else if (view != kDaffDataView) {
        return kDaffInvalidIndex;
    }
    recordIndex = m_properties.RecordIndex(m_properties.NearestAlphaIndex(alpha),
                                           m_properties.NearestBetaIndex(beta));
    return kDaffNoError;
}

DAFFContentIR::DAFFContentIR(const DAFFProperties& properties, std::vector<int> recordMetadataIndex,
                             float samplerate, int minFilterOffset, int maxEffectiveFilterLength,
                             std::vector<Descriptor> descriptors, std::vector<std::uint8_t> data)
    : DAFFContent(properties, std::move(recordMetadataIndex)),
      m_samplerate(samplerate),
      m_minFilterOffset(minFilterOffset),
      m_maxEffectiveFilterLength(maxEffectiveFilterLength),
      m_descriptors(std::move(descriptors)),
      m_data(std::move(data))
{
}

int DAFFContentIR::getFilterCoeffs(int record, int channel, float* dest, float gain) const
{
    if (record < 0 || record >= m_properties.numRecords || channel < 0 ||
        channel >= m_properties.numChannels) {
        return kDaffInvalidIndex;
    }
    const Descriptor& d = m_descriptors[static_cast<std::size_t>(record) *
                                            static_cast<std::size_t>(m_properties.numChannels) +
                                        static_cast<std::size_t>(channel)];
    const auto length = static_cast<std::size_t>(m_properties.elementsPerRecord);
    const auto lead = static_cast<std::size_t>(d.leadingZeros);
    const auto stored = static_cast<std::size_t>(d.elementLength);
    // Checked when the file was opened: lead + stored <= length, samples inside the block.
    const std::uint8_t* in = stored > 0 ? m_data.data() + d.dataOffset : nullptr;
    for (std::size_t i = 0; i < lead; ++i) {
        dest[i] = 0.0f;
    }
    float* out = dest + lead;
    switch (m_properties.quantization) {
    case kDaffInt16:
        for (std::size_t i = 0; i < stored; ++i) {
            const auto v = static_cast<std::int16_t>(in[2 * i] | (in[2 * i + 1] << 8));
            out[i] = gain * (static_cast<float>(v) / 32767.0f);
        }
        break;
    case kDaffInt24:
        for (std::size_t i = 0; i < stored; ++i) {
            const std::uint8_t* s = in + 3 * i;
            // Sign-extend through the top byte of a 32-bit word.
            const auto word = static_cast<std::int32_t>((static_cast<std::uint32_t>(s[0]) << 8) |
                                                        (static_cast<std::uint32_t>(s[1]) << 16) |
                                                        (static_cast<std::uint32_t>(s[2]) << 24));
            out[i] = gain * (static_cast<float>(word >> 8) / 8388607.0f);
        }
        break;
    default:
        for (std::size_t i = 0; i < stored; ++i) {
            out[i] = gain * DaffF32(in + 4 * i);
        }
        break;
    }
    for (std::size_t i = lead + stored; i < length; ++i) {
        dest[i] = 0.0f;
    }
    return kDaffNoError;
}

DAFFContentMS::DAFFContentMS(const DAFFProperties& properties, std::vector<int> recordMetadataIndex,
                             float overallMaximum, std::vector<float> frequencies,
                             std::vector<std::uint64_t> dataOffsets, std::vector<std::uint8_t> data)
    : DAFFContent(properties, std::move(recordMetadataIndex)),
      m_overallMaximum(overallMaximum),
      m_frequencies(std::move(frequencies)),
      m_dataOffsets(std::move(dataOffsets)),
      m_data(std::move(data))
{
}

int DAFFContentMS::getMagnitudes(int record, int channel, float* dest) const
{
    if (record < 0 || record >= m_properties.numRecords || channel < 0 ||
        channel >= m_properties.numChannels) {
        return kDaffInvalidIndex;
    }
    const std::uint64_t offset =
        m_dataOffsets[static_cast<std::size_t>(record) *
                          static_cast<std::size_t>(m_properties.numChannels) +
                      static_cast<std::size_t>(channel)];
    for (std::size_t i = 0; i < m_frequencies.size(); ++i) {
        dest[i] = DaffF32(m_data.data() + offset + 4 * i);
    }
    return kDaffNoError;
}
