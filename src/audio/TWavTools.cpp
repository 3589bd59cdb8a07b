#include "audio/TWavTools.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "util/Console.h"
#include "util/ErrorMessage.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Prints the system's reason next to the file name, as perror does.
void PrintSystemError(const std::string& name)
{
    std::fprintf(stderr, "%s: %s\n", name.c_str(), std::strerror(errno));
}

[[noreturn]] void CannotRead()
{
    Fatal(1, "Cannot read from wav File");
}

std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutLe16(unsigned char* p, std::uint16_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void PutLe32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
    }
}

bool ReadAt(std::FILE* file, std::uint64_t offset, void* dest, std::size_t bytes)
{
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        return false;
    }
    if (::fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) {
        return false;
    }
    return std::fread(dest, 1, bytes, file) == bytes;
}

// Size of the open file, or nothing when it cannot be determined.
bool FileLength(std::FILE* file, std::uint64_t& length)
{
    if (::fseeko(file, 0, SEEK_END) != 0) {
        return false;
    }
    const off_t end = ::ftello(file);
    if (end < 0) {
        return false;
    }
    length = static_cast<std::uint64_t>(end);
    return true;
}

// The tail shared by the GUIDs of the standard sub-formats
// (xxxxxxxx-0000-0010-8000-00aa00389b71), behind their 16-bit format tag.
constexpr unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct WavLayout {
    WaveHeader header;
    std::uint64_t dataOffset = 0;  // bytes from the start of the file
    std::uint64_t dataBytes = 0;   // present in the file, at most the declared size
};

// Walks the chunks from byte 12 by their declared sizes: the "fmt " chunk is
// 16, 18 or 40 bytes long depending on the writer, and any number of other
// chunks may come before "data".
WavLayout ReadLayout(const std::string& name)
{
    FilePtr owner(std::fopen(name.c_str(), "rb"));
    if (!owner) {
        PrintSystemError(name);
        CannotRead();
    }
    std::FILE* file = owner.get();
    std::uint64_t fileSize = 0;
    unsigned char riff[12];
    if (!FileLength(file, fileSize) || fileSize < sizeof(riff) || !ReadAt(file, 0, riff, sizeof(riff)) ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        CannotRead();
    }

    WavLayout layout;
    WaveHeader& h = layout.header;
    bool haveFmt = false;
    bool haveData = false;
    std::uint64_t pos = sizeof(riff);
    while (!(haveFmt && haveData) && fileSize - pos >= 8) {
        unsigned char chunk[8];
        if (!ReadAt(file, pos, chunk, sizeof(chunk))) {
            CannotRead();
        }
        const std::uint32_t size = Le32(chunk + 4);
        const std::uint64_t body = pos + 8;
        if (!haveFmt && std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[40] = {};
            const std::size_t wanted = std::min<std::uint64_t>(size, sizeof(fmt));
            if (size < 16 || fileSize - body < wanted || !ReadAt(file, body, fmt, wanted)) {
                CannotRead();
            }
            h.PcmFormat = Le16(fmt);
            h.NumCh = Le16(fmt + 2);
            h.SampleRate = Le32(fmt + 4);
            h.BytesPerSec = Le32(fmt + 8);
            h.BitsPerSample = Le16(fmt + 14);
            // An extensible file says what its samples are in the sub-format GUID.
            if (h.PcmFormat == kWavFormatExtensible && size >= 40 &&
                std::memcmp(fmt + 26, kSubFormatTail, sizeof(kSubFormatTail)) == 0) {
                h.PcmFormat = Le16(fmt + 24);
            }
            haveFmt = true;
        } else if (!haveData && std::memcmp(chunk, "data", 4) == 0) {
            layout.dataOffset = body;
            layout.dataBytes = std::min<std::uint64_t>(size, fileSize - body);
            haveData = true;
        }
        // Chunks of odd size are followed by one pad byte.
        const std::uint64_t next = body + size + (size & 1u);
        if (next > fileSize) {
            break;
        }
        pos = next;
    }
    if (!haveFmt || !haveData) {
        CannotRead();
    }
    if (h.BitsPerSample != 0 && h.NumCh != 0) {
        h.NumSamples = static_cast<unsigned int>(layout.dataBytes * 8 / h.BitsPerSample / h.NumCh);
    }
    return layout;
}

// ITU-T G.711 mu-law expansion to the 16-bit linear range (+-32124).
int MuLawToLinear(unsigned char byte)
{
    const unsigned u = ~byte & 0xFFu;
    const int exponent = static_cast<int>((u >> 4) & 0x07u);
    const int mantissa = static_cast<int>(u & 0x0Fu);
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return (u & 0x80u) != 0 ? -magnitude : magnitude;
}

// Refuses widths and formats the decoder does not know, before any sample is
// read.
void CheckDecodable(const WaveHeader& h)
{
    switch (h.BitsPerSample) {
    case 8:
        if (h.PcmFormat != kWavFormatPcm && h.PcmFormat != kWavFormatMuLaw) {
            Fatal(1, "8 bits pcm format not supported.\n");
        }
        break;
    case 16:
    case 24:
    case 32:
        break;
    case 64:
        if (h.PcmFormat != kWavFormatFloat) {
            Fatal(1, "64 bits only supported in IEEE double format files (this is PCM!)\n");
        }
        break;
    default:
        Fatal(1, "Bits per sample not supported: %d", h.BitsPerSample);
    }
}

void Decode(const WaveHeader& h, const unsigned char* in, std::size_t count, float* out)
{
    switch (h.BitsPerSample) {
    case 8:
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = h.PcmFormat == kWavFormatPcm ? (static_cast<int>(in[i]) - 128) / 128.0f
                                                  : MuLawToLinear(in[i]) / 32768.0f;
        }
        break;
    case 16:
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<std::int16_t>(Le16(in + 2 * i)) / 32768.0f;
        }
        break;
    case 24:
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned char* p = in + 3 * i;
            // The sample goes into the top three bytes so that its sign bit is the word's.
            const std::uint32_t word = (static_cast<std::uint32_t>(p[0]) << 8) |
                                       (static_cast<std::uint32_t>(p[1]) << 16) |
                                       (static_cast<std::uint32_t>(p[2]) << 24);
            out[i] = static_cast<float>(static_cast<std::int32_t>(word) / 2147483648.0);
        }
        break;
    case 32:
        if (h.PcmFormat == kWavFormatPcm) {
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = static_cast<float>(static_cast<std::int32_t>(Le32(in + 4 * i)) / 2147483648.0);
            }
        } else if (h.PcmFormat == kWavFormatFloat) {
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t bits = Le32(in + 4 * i);
                std::memcpy(&out[i], &bits, sizeof(float));
            }
        }
        break;
    case 64:
        for (std::size_t i = 0; i < count; ++i) {
            std::uint64_t bits = 0;
            for (int b = 7; b >= 0; --b) {
                bits = (bits << 8) | in[8 * i + static_cast<std::size_t>(b)];
            }
            double value = 0.0;
            std::memcpy(&value, &bits, sizeof(double));
            out[i] = static_cast<float>(value);
        }
        break;
    default:
        break;
    }
}

// Reads and decodes the data chunk. When out is null it is taken from
// `vector`, resized to the sample count first.
WaveHeader ReadSamples(const std::string& name, float* out, std::vector<float>* vector)
{
    const WavLayout layout = ReadLayout(name);
    const WaveHeader& h = layout.header;
    CheckDecodable(h);
    const std::size_t count = static_cast<std::size_t>(h.NumSamples) * h.NumCh;
    const std::size_t bytesPerSample = h.BitsPerSample / 8u;
    if (vector != nullptr) {
        vector->assign(count, 0.0f);
        out = vector->data();
    }
    if (count == 0) {
        return h;
    }
    // count x bytesPerSample never exceeds the data bytes present in the file.
    std::vector<unsigned char> bytes(count * bytesPerSample);
    FilePtr file(std::fopen(name.c_str(), "rb"));
    if (!file) {
        PrintSystemError(name);
        CannotRead();
    }
    if (!ReadAt(file.get(), layout.dataOffset, bytes.data(), bytes.size())) {
        CannotRead();
    }
    Decode(h, bytes.data(), count, out);
    return h;
}

} // namespace

WaveHeader getWavHeaderInfo(const std::string& name)
{
    return ReadLayout(name).header;
}

WaveHeader readWAVData(const std::string& name, float* out)
{
    return ReadSamples(name, out, nullptr);
}

WaveHeader readWAVData(const std::string& name, std::vector<float>& out)
{
    return ReadSamples(name, nullptr, &out);
}

bool WriteWav32(const std::string& name, const void* data, unsigned int frames, int sampleRate,
                int channels, unsigned short formatTag)
{
    const std::uint64_t dataBytes = static_cast<std::uint64_t>(frames) *
                                    static_cast<std::uint64_t>(std::max(channels, 0)) * 4u;
    if (channels <= 0 || channels > 0xFFFF || sampleRate <= 0 ||
        dataBytes + 36 > std::numeric_limits<std::uint32_t>::max()) {
        ErrorMessage("Cannot write %s: %u frames of %d channels at %d Hz do not fit a WAV file",
                     name.c_str(), frames, channels, sampleRate);
        return false;
    }
    unsigned char header[44];
    std::memcpy(header, "RIFF", 4);
    PutLe32(header + 4, static_cast<std::uint32_t>(dataBytes + 36));
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLe32(header + 16, 16);
    PutLe16(header + 20, formatTag);
    PutLe16(header + 22, static_cast<std::uint16_t>(channels));
    PutLe32(header + 24, static_cast<std::uint32_t>(sampleRate));
    PutLe32(header + 28, static_cast<std::uint32_t>(sampleRate) * static_cast<std::uint32_t>(channels) * 4u);
    PutLe16(header + 32, static_cast<std::uint16_t>(channels * 4));
    PutLe16(header + 34, 32);
    std::memcpy(header + 36, "data", 4);
    PutLe32(header + 40, static_cast<std::uint32_t>(dataBytes));

    FilePtr file(std::fopen(name.c_str(), "wb"));
    if (!file) {
        PrintSystemError(name);
        return false;
    }
    bool ok = std::fwrite(header, 1, sizeof(header), file.get()) == sizeof(header);
    // Samples are stored little-endian whatever the host's byte order.
    const auto* values = static_cast<const unsigned char*>(data);
    std::vector<unsigned char> block;
    const std::size_t count = static_cast<std::size_t>(dataBytes / 4);
    constexpr std::size_t kBlockValues = 16384;
    for (std::size_t first = 0; ok && first < count; first += kBlockValues) {
        const std::size_t n = std::min(kBlockValues, count - first);
        block.resize(n * 4);
        for (std::size_t i = 0; i < n; ++i) {
            std::uint32_t v = 0;
            std::memcpy(&v, values + 4 * (first + i), 4);
            PutLe32(block.data() + 4 * i, v);
        }
        ok = std::fwrite(block.data(), 1, block.size(), file.get()) == block.size();
    }
    if (std::fclose(file.release()) != 0) {
        ok = false;
    }
    if (!ok) {
        PrintSystemError(name);
        std::remove(name.c_str()); // not left looking complete
    }
    return ok;
}

bool WavIsCompatible(const std::string& name)
{
    WaveHeader h;
    try {
        h = getWavHeaderInfo(name);
    } catch (const FatalError&) {
        return false; // not a WAV file at all; the reader has said why
    }
    bool compatible = true;
    if (h.PcmFormat != kWavFormatPcm && h.PcmFormat != kWavFormatFloat) {
        ConsolePrint("Wave Format not Supported: %d\n", h.PcmFormat);
        compatible = false;
    }
    if (h.BitsPerSample != 8 && h.BitsPerSample != 16 && h.BitsPerSample != 24 &&
        h.BitsPerSample != 32) {
        ErrorMessage("Bits per sample not supported: %d", h.BitsPerSample);
        compatible = false;
    }
    if (h.SampleRate != 44100) {
        ErrorMessage("Sample rate (%d) not supported. Only 44.1 kHz is suported (sorry).",
                     static_cast<int>(h.SampleRate));
        compatible = false;
    }
    // Auralization convolves a mono signal; a file of more channels would end the run later.
    if (h.NumCh != 1) {
        ErrorMessage("File %s has %d channels. Only MONO input files are supported.\n", name.c_str(),
                     h.NumCh);
        compatible = false;
    }
    return compatible;
}

float wavGetSampleRate(const std::string& name)
{
    return static_cast<float>(getWavHeaderInfo(name).SampleRate);
}
