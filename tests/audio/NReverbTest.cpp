#include "audio/NCombLanes.h"
#include "audio/NReverb.h"
#include "engine/NWrap32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// The combs as they are defined: one frame at a time, one comb after another.
class CombModel {
public:
    CombModel(const std::int16_t (&lengths)[NReverb::Combs], const NReverb& gains, std::int32_t damping)
        : damping(damping)
    {
        for (int k = 0; k < NReverb::Combs; ++k) {
            lines[k].assign(lengths[k] > 0 ? lengths[k] : 1, 0);
            gain[k] = gains.getGain(k);
        }
    }

    std::int32_t frame(std::int32_t x)
    {
        std::int32_t acc = 0;
        for (int k = 0; k < NReverb::Combs; ++k) {
            std::int32_t& cell = lines[k][position[k]];
            acc = wrap32::add(acc, cell);
            lowpass[k] = wrap32::add(lowpass[k], wrap32::mul(wrap32::sub(cell, lowpass[k]), damping) >> 14);
            cell = wrap32::add(wrap32::mul(lowpass[k], gain[k]) >> 14, x);
            position[k] = (position[k] + 1) % static_cast<int>(lines[k].size());
        }
        return acc;
    }

private:
    std::vector<std::int32_t> lines[NReverb::Combs];
    std::int32_t lowpass[NReverb::Combs] = {};
    std::int32_t gain[NReverb::Combs] = {};
    int position[NReverb::Combs] = {};
    std::int32_t damping;
};

std::int32_t anyWord(std::mt19937& random)
{
    return static_cast<std::int32_t>(random());
}

// Blocks of random input through the reverb and the model, sound-sized or full 32-bit values
// (where every sum and product wraps); answers the first block that differs, or -1.
int firstDifferentBlock(const std::int16_t (&lengths)[NReverb::Combs], int damping, bool fullWords, int blocks)
{
    NReverb reverb(lengths, 6000.0, damping);
    CombModel model(lengths, reverb, damping);
    std::mt19937 random(static_cast<unsigned>(lengths[0] * 31 + damping));
    for (int b = 0; b < blocks; ++b) {
        std::int32_t io[ntime::BlockFrames];
        std::int32_t expected[ntime::BlockFrames];
        for (int i = 0; i < ntime::BlockFrames; ++i) {
            io[i] = fullWords ? anyWord(random) : static_cast<std::int32_t>(random() % 65536) - 32768;
            expected[i] = model.frame(io[i]);
        }
        reverb.process(io);
        for (int i = 0; i < ntime::BlockFrames; ++i)
            if (io[i] != expected[i])
                return b;
    }
    return -1;
}

TEST(NReverb, BlocksMatchTheCombsRunFrameByFrame)
{
    // Long enough that every line wraps several times, at every offset within a block.
    constexpr int Blocks = 400;
    for (bool fullWords : {false, true}) {
        SCOPED_TRACE(fullWords ? "full 32-bit input" : "16-bit input");
        EXPECT_EQ(firstDifferentBlock(NReverb::LeftLengths, NReverb::LeftDamping, fullWords, Blocks), -1);
        EXPECT_EQ(firstDifferentBlock(NReverb::RightLengths, NReverb::RightDamping, fullWords, Blocks), -1);
        // Combs no longer than a block read back what the same block wrote.
        const std::int16_t shortCombs[NReverb::Combs] = {1, 5, 31, 32, 33, 0};
        EXPECT_EQ(firstDifferentBlock(shortCombs, 16400, fullWords, Blocks), -1);
        const std::int16_t blockCombs[NReverb::Combs] = {32, 33, 47, 64, 65, 97};
        EXPECT_EQ(firstDifferentBlock(blockCombs, 20000, fullWords, Blocks), -1);
    }
}

TEST(NCombLanes, TheVectorPathGivesThePlainPathsValues)
{
    if (!NCombLanes::hasAvx2())
        GTEST_SKIP() << "no AVX2 here: only the plain path runs";
    constexpr int N = NCombLanes::Lanes;
    std::mt19937 random(11);
    for (int round = 0; round < 500; ++round) {
        // Full 32-bit values everywhere, so every product and sum wraps somewhere.
        std::int32_t plain[N][ntime::BlockFrames];
        std::int32_t vector[N][ntime::BlockFrames];
        std::int32_t plainState[N];
        std::int32_t vectorState[N];
        std::int32_t gain[N];
        std::int32_t plainIo[ntime::BlockFrames];
        std::int32_t vectorIo[ntime::BlockFrames];
        for (int k = 0; k < N; ++k) {
            for (int i = 0; i < ntime::BlockFrames; ++i)
                plain[k][i] = vector[k][i] = anyWord(random);
            plainState[k] = vectorState[k] = anyWord(random);
            gain[k] = round % 2 == 0 ? static_cast<std::int32_t>(random() % 16384) : anyWord(random);
        }
        for (int i = 0; i < ntime::BlockFrames; ++i)
            plainIo[i] = vectorIo[i] = anyWord(random);
        const std::int32_t damping = round % 2 == 0 ? static_cast<std::int32_t>(random() % 32768) : anyWord(random);
        std::int32_t* const plainRows[N] = {plain[0], plain[1], plain[2], plain[3],
                                            plain[4], plain[5], plain[6], plain[7]};
        std::int32_t* const vectorRows[N] = {vector[0], vector[1], vector[2], vector[3],
                                             vector[4], vector[5], vector[6], vector[7]};
        NCombLanes::runPlain(plainRows, plainState, damping, gain, plainIo);
        NCombLanes::runAvx2(vectorRows, vectorState, damping, gain, vectorIo);
        for (int i = 0; i < ntime::BlockFrames; ++i)
            ASSERT_EQ(vectorIo[i], plainIo[i]) << "round " << round << " frame " << i;
        for (int k = 0; k < N; ++k) {
            ASSERT_EQ(vectorState[k], plainState[k]) << "round " << round << " lane " << k;
            for (int i = 0; i < ntime::BlockFrames; ++i)
                ASSERT_EQ(vector[k][i], plain[k][i]) << "round " << round << " lane " << k << " frame " << i;
        }
    }
}

} // namespace
