#pragma once

#include "engine/NTime.h"

#include <cstdint>

// The mixer's block loops: sources scaled into the four sums it keeps per block, the distortion,
// and the sums turned into 16-bit stereo. They are feed-forward, so they are built for the wider
// vector units as well. Sums wrap, so the order in which sources reach a sum does not matter.
class NMixBuses {
public:
    static constexpr int Frames = ntime::BlockFrames;

    // The dry sides and the two effect sends, in the mixer's integer units.
    struct Buses {
        std::int32_t left[Frames] = {};
        std::int32_t right[Frames] = {};
        std::int32_t delay[Frames] = {};
        std::int32_t reverb[Frames] = {};
    };
    // A machine's gains in 256ths into each sum; 0 leaves a sum as it is.
    struct Gains {
        std::int32_t left;
        std::int32_t right;
        std::int32_t delay;
        std::int32_t reverb;
    };

    // sum[k] += (x[k] * gain) >> 8, for each sum.
    static void addMachine(Buses& buses, const std::int32_t* x, const Gains& gains);
    static void addReturn(Buses& buses, const std::int32_t* fromLeft, std::int32_t gainLeft,
                          const std::int32_t* fromRight, std::int32_t gainRight);
    // In place: gain (drive + 127) / 64, excess beyond 16-bit folded back by fold/256, then halved.
    static void distort(std::int32_t* block, std::int32_t drive, std::int32_t fold);
    // Master gain 255/1024, then 16-bit saturation, interleaved left and right.
    static void toSamples(const Buses& buses, std::int16_t* out);
};
