#pragma once
// Codes and constants of the DAFF directivity file format (version 1.7), and
// the texts of the reader's error codes.

#include <string>

inline constexpr int kDaffNoError = 0;
inline constexpr int kDaffModalError = 10001;
inline constexpr int kDaffInvalidFile = 10002;
inline constexpr int kDaffInvalidMainHeaderParameter = 10003;
inline constexpr int kDaffInvalidContentType = 10004;
inline constexpr int kDaffInvalidAlphaRange = 10005;
inline constexpr int kDaffInvalidBetaRange = 10006;
inline constexpr int kDaffInvalidQuantization = 10007;
inline constexpr int kDaffUnsupportedVersion = 10008;
inline constexpr int kDaffInvalidContentParameter = 10009;
inline constexpr int kDaffFileNotFound = 10010;
inline constexpr int kDaffInvalidMetadataType = 10011;
inline constexpr int kDaffFileCorrupted = 10012;
inline constexpr int kDaffInvalidIndex = 10013;

// Content types (main header).
inline constexpr int kDaffImpulseResponse = 0;
inline constexpr int kDaffMagnitudeSpectrum = 1;
inline constexpr int kDaffPhaseSpectrum = 2;
inline constexpr int kDaffMagnitudePhaseSpectrum = 3;
inline constexpr int kDaffDFTSpectrum = 4;

// Sample quantizations of impulse-response data.
inline constexpr int kDaffInt16 = 0;
inline constexpr int kDaffInt24 = 1;
inline constexpr int kDaffFloat32 = 2;

// Views for record lookups: the file's own (alpha, beta) grid, or the
// object's (azimuth, elevation) after the default orientation.
inline constexpr int kDaffDataView = 0;
inline constexpr int kDaffObjectView = 1;

inline constexpr int kDaffFileFormatVersion = 170;

class DAFFUtils {
public:
    // Human-readable text of a reader error code.
    static std::string StrError(int code);
};
