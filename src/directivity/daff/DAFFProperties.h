#pragma once
// The properties of an open DAFF file: what its main header says, plus the
// angular resolutions derived from it. The grid functions map directions to
// record indices; they hold for any header the reader has validated.
//
// Angles in degrees. Data view: alpha in [0, 360) around the up axis, beta
// from the south pole (0) to the north pole (180). Object view: azimuth phi
// (counter-clockwise seen from above, 0 in front) and elevation theta in
// [-90, 90].

#include <cstdint>

struct DAFFProperties {
    int contentType = -1;
    int quantization = -1;
    int numChannels = 0;
    int numRecords = 0;
    int elementsPerRecord = 0;
    int metadataIndex = -1;

    int alphaPoints = 0;
    float alphaStart = 0.0f;
    float alphaEnd = 0.0f;
    float alphaSpan = 0.0f;
    float alphaResolution = 0.0f;
    bool fullAlphaCircle = false;  // the alpha points go once round the circle

    int betaPoints = 0;
    float betaStart = 0.0f;
    float betaEnd = 0.0f;
    float betaSpan = 0.0f;
    float betaResolution = 0.0f;

    // Default orientation of the object relative to the data grid: yaw turns
    // about the up axis (positive counter-clockwise seen from above), then
    // pitch raises the front, then roll turns about the front axis (positive
    // raises the left side).
    float orientYaw = 0.0f;
    float orientPitch = 0.0f;
    float orientRoll = 0.0f;

    int getNumberOfChannels() const { return numChannels; }
    int getNumberOfRecords() const { return numRecords; }
    int getContentType() const { return contentType; }
    int getQuantization() const { return quantization; }
    int getFilterLength() const { return elementsPerRecord; }

    // Fills the spans and resolutions from the points and ranges.
    void DeriveResolutions();
    // Records the grid addresses: each pole stored once when the beta range
    // reaches it, alphaPoints records on every other beta ring.
    std::int64_t GridRecordCount() const;

    // Object view to data view, through the inverse of the default orientation.
    void ObjectToData(float phi, float theta, float& alpha, float& beta) const;
    // Nearest grid indices of a data-view direction.
    int NearestAlphaIndex(float alpha) const;
    int NearestBetaIndex(float beta) const;
    int RecordIndex(int alphaIndex, int betaIndex) const;
};
