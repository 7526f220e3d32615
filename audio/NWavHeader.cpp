#include "audio/NWavHeader.h"

#include "engine/NTime.h"
#include "foundation/ChunkFile.h"

void NWavHeader::begin(ChunkFile& file, int channels)
{
    const int bytesPerFrame = 2 * channels;
    file.descend(chunkTag("RIFF"));
    file.writeBytes("WAVE", 4);
    file.descend(chunkTag("fmt "));
    // Format tag and channels, rate, bytes per second, block alignment and bits: four 32-bit words.
    file.writeInt(1 | (channels << 16));
    file.writeInt(ntime::SampleRate);
    file.writeInt(ntime::SampleRate * bytesPerFrame);
    file.writeInt(bytesPerFrame | (16 << 16));
    file.ascend();
    file.descend(chunkTag("data"));
}
