#include "directivity/daff/DAFFUtils.h"

std::string DAFFUtils::StrError(int code)
{
    // The texts are kept as users of other DAFF tools know them, spelling included.
    switch (code) {
    case kDaffModalError:
        return "Modal error";
    case kDaffInvalidFile:
        return "Invalid file (wrong signature, etc.)";
    case kDaffInvalidMainHeaderParameter:
        return "Invalid main header parameter (num channels, etc. )";
    case kDaffInvalidContentType:
        return "File has unkown content type (IR, MS, DFT, etc)";
    case kDaffInvalidAlphaRange:
        return "Invalid alpha angles or range problem";
    case kDaffInvalidBetaRange:
        return "Invalid beta angles or range problem";
    case kDaffInvalidQuantization:
        return "Data uses unrecognized or wrong quantization";
    case kDaffUnsupportedVersion:
        return "File format version not supported";
    case kDaffInvalidContentParameter:
        return "Content parameter invalid (sampling rate, num supporting frequencies, etc)";
    case kDaffFileNotFound:
        return "File not found";
    case kDaffInvalidMetadataType:
        return "Metadata type unkown (valid: bool, int, double, string)";
    case kDaffFileCorrupted:
        return "File corrupted";
    case kDaffInvalidIndex:
        return "Invalid index";
    default:
        return "Undefined error code '" + std::to_string(code) + "' encountered";
    }
}
