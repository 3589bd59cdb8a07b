#pragma once
// The content of an open DAFF file: the record grid with its nearest-record
// lookup, and for the two content types the program uses, the samples.
// DAFFContentIR holds impulse responses, DAFFContentMS magnitude spectra;
// other content types get a plain DAFFContent (grid only). Content objects
// are owned by their DAFFReader and hold a copy of the data block.

#include <cstdint>
#include <memory>
#include <vector>

#include "directivity/daff/DAFFProperties.h"

class DAFFContent {
public:
    DAFFContent(const DAFFProperties& properties, std::vector<int> recordMetadataIndex);
    virtual ~DAFFContent() = default;
    DAFFContent(const DAFFContent&) = delete;
    DAFFContent& operator=(const DAFFContent&) = delete;

    // Validates the content header and record descriptors of a file whose main
    // header gave `properties`, and builds the content object. Returns 0 or a
    // reader error code (10009 bad content parameter, 10012 corrupted).
    static int Load(const DAFFProperties& properties, const std::vector<std::uint8_t>& contentHeader,
                    const std::vector<std::uint8_t>& descriptors, std::vector<std::uint8_t> data,
                    std::unique_ptr<DAFFContent>& content);

    const DAFFProperties& getProperties() const { return m_properties; }
    int getContentType() const { return m_properties.contentType; }
    int getNumRecords() const { return m_properties.numRecords; }
    // Metadata index of a record's channel-0 descriptor, -1 for a bad index.
    int getRecordMetadataIndex(int record) const;

    // Record nearest to a direction (degrees) in the data view (alpha, beta)
    // or the object view (azimuth, elevation). Returns 0, or 10013 for an
    // unknown view (recordIndex then untouched).
    int getNearestNeighbour(int view, float phi, float theta, int& recordIndex) const;

protected:
    DAFFProperties m_properties;

private:
    std::vector<int> m_recordMetadataIndex;
};

class DAFFContentIR : public DAFFContent {
public:
    struct Descriptor {
        std::uint64_t dataOffset = 0;  // bytes into the data block
        int leadingZeros = 0;          // samples omitted before the stored ones
        int elementLength = 0;         // samples stored
    };

    DAFFContentIR(const DAFFProperties& properties, std::vector<int> recordMetadataIndex,
                  float samplerate, int minFilterOffset, int maxEffectiveFilterLength,
                  std::vector<Descriptor> descriptors, std::vector<std::uint8_t> data);

    float getSamplerate() const { return m_samplerate; }
    int getFilterLength() const { return m_properties.elementsPerRecord; }
    int getMinEffectiveFilterOffset() const { return m_minFilterOffset; }
    int getMaxEffectiveFilterLength() const { return m_maxEffectiveFilterLength; }

    // Writes getFilterLength() samples: zeros, the stored samples times gain,
    // zeros. 16- and 24-bit samples are scaled so that full scale is 1.
    // Returns 0, or 10013 for a record or channel out of range.
    int getFilterCoeffs(int record, int channel, float* dest, float gain = 1.0f) const;

private:
    float m_samplerate;
    int m_minFilterOffset;
    int m_maxEffectiveFilterLength;
    std::vector<Descriptor> m_descriptors;  // record-major
    std::vector<std::uint8_t> m_data;
};

class DAFFContentMS : public DAFFContent {
public:
    DAFFContentMS(const DAFFProperties& properties, std::vector<int> recordMetadataIndex,
                  float overallMaximum, std::vector<float> frequencies,
                  std::vector<std::uint64_t> dataOffsets, std::vector<std::uint8_t> data);

    int getNumFrequencies() const { return static_cast<int>(m_frequencies.size()); }
    // Support frequencies in Hz, in file order.
    const std::vector<float>& getFrequencies() const { return m_frequencies; }
    float getOverallMagnitudeMaximum() const { return m_overallMaximum; }

    // Copies getNumFrequencies() magnitudes. Returns 0, or 10013 for a record
    // or channel out of range.
    int getMagnitudes(int record, int channel, float* dest) const;

private:
    float m_overallMaximum;
    std::vector<float> m_frequencies;
    std::vector<std::uint64_t> m_dataOffsets;  // record-major
    std::vector<std::uint8_t> m_data;
};
