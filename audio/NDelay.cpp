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

// Emptied, the buffer we have is as good as a new one: the mixer's render only allocates when the
// time grows beyond every line built so far.
void NDelay::create(int blocks)
{
    if (blocks > capacity) {
        if (buffer != nullptr) {
            KESO_OWNER("NDelay::create");
            delete[] buffer;
            buffer = nullptr;
            capacity = 0;
        }
        KESO_OWNER("NDelay::create");
        buffer = new Block[blocks];
        capacity = blocks;
    }
    length = blocks;
    index = 0;
    clear();
}

void NDelay::setLength(int blocks)
{
    if (blocks > 0 && blocks <= MaxBlocks) {
        if (blocks != length)
            create(blocks);
        return;
    }
    // No usable time: a fresh, empty stand-in line on every call, which is silence.
    create(SilentBlocks);
}

void NDelay::clear()
{
    if (buffer != nullptr)
        std::memset(buffer, 0, sizeof(Block) * static_cast<size_t>(length));
}

void NDelay::reset()
{
    if (buffer != nullptr)
        std::memset(buffer, 0, sizeof(Block) * static_cast<size_t>(capacity));
    length = 0;
    index = 0;
    feedback = 0;
}

void NDelay::process(std::int32_t* io)
{
    if (buffer == nullptr || length == 0)
        return;
    std::int32_t* line = buffer[index];
    for (int k = 0; k < ntime::BlockFrames; ++k) {
        std::int32_t delayed = line[k];
        line[k] = wrap32::add(wrap32::mul(delayed, feedback) >> 8, io[k]);
        io[k] = delayed;
    }
    if (++index >= length)
        index = 0;
}
