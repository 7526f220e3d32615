#include "audio/NRandom.h"

std::uint32_t NRandom::state_ = StartState;

int NRandom::next()
{
    // Linear congruential, wrapping at 32 bits; the top bits are the better ones.
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & MaxValue);
}
