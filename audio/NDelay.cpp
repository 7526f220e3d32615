#include "audio/NDelay.h"

#include "engine/NWrap32.h"
#include "foundation/MemoryTracker.h"

#include <cstring>

NDelay::~NDelay()
{
    if (buffer != nullptr) {
        KESO_OWNER("NDelay::~NDelay");
        delete[] buffer;
    }
}

void NDelay::destroy()
{
    if (buffer == nullptr)
        return;
    KESO_OWNER("NDelay::destroy");
    delete[] buffer;
    buffer = nullptr;
}

void NDelay::create(int blocks)
{
    destroy();
    length = blocks;
    KESO_OWNER("NDelay::create");
    buffer = new Block[length];
    std::memset(buffer, 0, sizeof(Block) * static_cast<size_t>(length));
    index = 0;
}

void NDelay::setLength(int blocks)
{
    if (blocks > 0 && blocks <= MaxBlocks) {
        if (blocks != length)
            create(blocks);
        return;
    }
    // No usable time: a fresh, empty stand-in line on every call, which is silence. Once it exists,
    // emptying it gives the same result as building it anew, without allocating on the audio path.
    if (buffer != nullptr && length == SilentBlocks)
        clear();
    else
        create(SilentBlocks);
    index = 0;
}

void NDelay::clear()
{
    if (buffer != nullptr)
        std::memset(buffer, 0, sizeof(Block) * static_cast<size_t>(length));
}

void NDelay::process(std::int32_t* io)
{
    if (buffer == nullptr)
        return;
    std::int32_t* line = buffer[index];
    for (int k = 0; k < BlockFrames; ++k) {
        std::int32_t delayed = line[k];
        line[k] = wrap32::add(wrap32::mul(delayed, feedback) >> 8, io[k]);
        io[k] = delayed;
    }
    if (++index >= length)
        index = 0;
}
