#pragma once

#include "engine/NTime.h"

#include <cstdint>

class NFilter;

// The filters of all machines over one block, side by side: each filter is the lane of a vector,
// so that their recurrences, which are serial frame after frame, run at the same time. A filter
// is added with its input and output rows and run with the others; the values are those of
// NFilter::process. AVX2 where the processor has it, plain code elsewhere; both give the same values.
class NFilterLanes {
public:
    static constexpr int Lanes = 8;
    using InRows = const std::int32_t* const[Lanes];
    using OutRows = std::int32_t* const[Lanes];
    // Each lane's filter: its state, its coefficients, and -1 where it runs as a highpass.
    struct State {
        std::int32_t band[Lanes];
        std::int32_t level[Lanes];
        std::int32_t coefficient[Lanes];
        std::int32_t keep[Lanes];
        std::int32_t highpass[Lanes];
    };

    NFilterLanes();
    NFilterLanes(const NFilterLanes&) = delete;
    NFilterLanes& operator=(const NFilterLanes&) = delete;

    // The filter with its cutoff and resonance as set now, over a block of in into out at the next
    // run. out may be in; outputs of different filters must differ. With all lanes taken, the
    // lanes run first: a filter that reads the row another writes in place is added before it.
    void add(NFilter& filter, const std::int32_t* in, std::int32_t* out, bool highpass);
    // Runs the filters added since the last run and hands each its state back.
    void run();

    // Every row is a block; a lane's output row is written only after its input row was read.
    static void runPlain(const InRows& in, const OutRows& out, State& state);
    static void runAvx2(const InRows& in, const OutRows& out, State& state); // only with AVX2
    static bool hasAvx2();

private:
    using ByFrame = std::int32_t[ntime::BlockFrames][Lanes];
    static void loop(ByFrame& frames, State& state);
    void runAlone();

    NFilter* filters[Lanes] = {};
    const std::int32_t* in[Lanes];
    std::int32_t* out[Lanes];
    State state = {};
    int count = 0;
    std::int32_t silence[ntime::BlockFrames] = {}; // the rows of lanes without a filter
};
