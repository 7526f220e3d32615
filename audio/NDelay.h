#pragma once

#include "engine/NTime.h"

#include <cstdint>

// The mixer's echo: a feedback delay line measured in whole blocks.
class NDelay {
public:
    // Stand-in line for a time of zero or less: it is emptied on every setLength, so it stays silent.
    static constexpr int SilentBlocks = 1000;
    // Longest line we build (about 12 minutes); a longer time is treated like no time at all.
    static constexpr int MaxBlocks = 1 << 20;

    NDelay() = default;
    NDelay(const NDelay&) = delete;
    NDelay& operator=(const NDelay&) = delete;
    virtual ~NDelay();

    // A new length starts an empty line; the same length leaves the line as it is.
    void setLength(int blocks);
    void clear();
    // No line at all, as before the mixer's first render: the next setLength builds an empty one
    // from its first block. The buffer is kept (emptied) so that this does not free or allocate.
    void reset();
    // Replaces the block with the block of `length` blocks ago, keeping feedback/256 of it in the line.
    void process(std::int32_t* io);

    int getLength() const { return length; }
    int getIndex() const { return index; }

    std::int32_t feedback = 0; // 256ths of the delayed block that stay in the line; set by the mixer

private:
    using Block = std::int32_t[ntime::BlockFrames];

    // An empty line of `blocks` blocks, in the buffer already there when it is large enough.
    void create(int blocks);

    Block* buffer = nullptr;
    std::int32_t capacity = 0; // blocks the buffer holds
    std::int32_t length = 0;
    std::int32_t index = 0;
};
