#include "cli/NLoopPoints.h"

#include "engine/NTime.h"
#include "foundation/LittleEndian.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

constexpr long RiffLengthOffset = 4;
constexpr std::uint32_t UnityNote = 60; // middle C: the sampler plays the file at its own pitch

void put32(std::string& bytes, std::uint32_t value)
{
    std::uint8_t b[4];
    littleendian::write32(b, value);
    bytes.append(reinterpret_cast<const char*>(b), 4);
}

} // namespace

std::string NLoopPoints::chunk(std::uint32_t lastFrame)
{
    std::string bytes = "smpl";
    put32(bytes, ChunkBytes - 8);
    put32(bytes, 0);                                   // manufacturer
    put32(bytes, 0);                                   // product
    put32(bytes, 1000000000u / ntime::SampleRate);     // sample period in nanoseconds
    put32(bytes, UnityNote);
    put32(bytes, 0);                                   // pitch fraction
    put32(bytes, 0);                                   // SMPTE format: none
    put32(bytes, 0);                                   // SMPTE offset
    put32(bytes, 1);                                   // loops
    put32(bytes, 0);                                   // sampler-specific bytes
    put32(bytes, 0);                                   // the loop's cue point id
    put32(bytes, 0);                                   // forward
    put32(bytes, 0);                                   // first frame
    put32(bytes, lastFrame);                           // last frame, inclusive
    put32(bytes, 0);                                   // fraction
    put32(bytes, 0);                                   // play count: endless
    return bytes;
}

bool NLoopPoints::append(const std::string& wavPath, std::uint32_t lastFrame, std::string& error)
{
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(wavPath, sizeError);
    std::FILE* file = sizeError ? nullptr : std::fopen(wavPath.c_str(), "r+b");
    if (!file) {
        error = sizeError ? sizeError.message() : std::strerror(errno);
        return false;
    }
    const std::string bytes = chunk(lastFrame);
    std::uint8_t riffLength[4];
    littleendian::write32(riffLength, static_cast<std::uint32_t>(size + bytes.size() - 8));
    bool written = std::fseek(file, 0, SEEK_END) == 0 &&
                   std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0 &&
                   std::fseek(file, RiffLengthOffset, SEEK_SET) == 0 && std::fwrite(riffLength, 1, 4, file) == 4;
    if (!written)
        error = std::strerror(errno);
    if (std::fclose(file) != 0 && written) {
        error = std::strerror(errno);
        written = false;
    }
    if (!written) {
        // The RIFF length is written only once the chunk is on the disk: cut back, the file is the
        // export's again.
        std::filesystem::resize_file(wavPath, size, sizeError);
    }
    return written;
}
