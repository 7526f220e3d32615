#include "audio/NCombLanes.h"
#include "audio/NReverb.h"
#include "engine/NWrap32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
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
    std::int32_t lowpass[NReverb::Combs] = {}, gain[NReverb::Combs] = {}, position[NReverb::Combs] = {};
    std::int32_t damping;
};

std::int32_t anyWord(std::mt19937& random)
{
    return static_cast<std::int32_t>(random());
}

std::int32_t anyInput(std::mt19937& random, bool fullWords)
{
    return fullWords ? anyWord(random) : static_cast<std::int32_t>(random() % 65536) - 32768;
}

// Blocks of random input through a reverb alone, or through the mixer's two side by side, and
// through the models, sound-sized or full 32-bit values (where every sum and product wraps); long
// enough that every line wraps several times, at every offset within a block. Answers the first
// block that differs, or -1.
int firstDifferentBlock(const std::int16_t (&lengths)[NReverb::Combs], int damping, bool fullWords, bool paired = false)
{
    NReverb reverb(lengths, 6000.0, damping);
    NReverb right(NReverb::RightLengths, NReverb::RightDecay, NReverb::RightDamping);
    CombModel models[2] = {{lengths, reverb, damping}, {NReverb::RightLengths, right, NReverb::RightDamping}};
    std::mt19937 random(static_cast<unsigned>(lengths[0] * 31 + damping));
    for (int b = 0; b < 400; ++b) {
        std::int32_t io[2][ntime::BlockFrames], expected[2][ntime::BlockFrames];
        for (int i = 0; i < ntime::BlockFrames; ++i)
            for (int side = 0; side < 2; ++side) { // the right side goes through untouched unless paired
                io[side][i] = anyInput(random, fullWords);
                expected[side][i] = side == 0 || paired ? models[side].frame(io[side][i]) : io[side][i];
            }
        if (paired)
            NReverb::processPair(reverb, io[0], right, io[1]);
        else
            reverb.process(io[0]);
        if (std::memcmp(io, expected, sizeof io) != 0)
            return b;
    }
    return -1;
}

TEST(NReverb, BlocksMatchTheCombsRunFrameByFrame)
{
    for (bool fullWords : {false, true}) {
        SCOPED_TRACE(fullWords ? "full 32-bit input" : "16-bit input");
        EXPECT_EQ(firstDifferentBlock(NReverb::LeftLengths, NReverb::LeftDamping, fullWords), -1);
        EXPECT_EQ(firstDifferentBlock(NReverb::RightLengths, NReverb::RightDamping, fullWords), -1);
        // The mixer's two side by side.
        EXPECT_EQ(firstDifferentBlock(NReverb::LeftLengths, NReverb::LeftDamping, fullWords, true), -1);
        // Combs no longer than a block read back what the same block wrote.
        const std::int16_t shortCombs[NReverb::Combs] = {1, 5, 31, 32, 33, 0};
        EXPECT_EQ(firstDifferentBlock(shortCombs, 16400, fullWords), -1);
        EXPECT_EQ(firstDifferentBlock(shortCombs, 16400, fullWords, true), -1);
        const std::int16_t blockCombs[NReverb::Combs] = {32, 33, 47, 64, 65, 97};
        EXPECT_EQ(firstDifferentBlock(blockCombs, 20000, fullWords), -1);
    }
}

// Two banks at once (the pair) and one alone, full 32-bit values everywhere, so every product and
// sum wraps somewhere.
TEST(NCombLanes, TheVectorPathGivesThePlainPathsValues)
{
    if (!NCombLanes::hasAvx2())
        GTEST_SKIP() << "no AVX2 here: only the plain path runs";
    constexpr int N = NCombLanes::Lanes;
    constexpr int Frames = ntime::BlockFrames;
    struct Lines {
        std::int32_t rows[N][Frames], lowpass[N], gain[N], io[Frames], damping;
        NCombLanes::Bank bank()
        {
            NCombLanes::Bank bank{{}, lowpass, gain, damping, io};
            for (int k = 0; k < N; ++k)
                bank.rows[k] = rows[k];
            return bank;
        }
    };
    std::mt19937 random(11);
    for (int round = 0; round < 500; ++round) {
        const int count = round % 3 == 0 ? 1 : 2;
        const bool inRange = round % 2 == 0; // gains and damping as the reverb sets them, or any word
        Lines plain[2], vector[2];
        NCombLanes::Bank vectorBanks[2];
        for (int n = 0; n < count; ++n) {
            for (int k = 0; k < N; ++k) {
                for (std::int32_t& v : plain[n].rows[k])
                    v = anyWord(random);
                plain[n].lowpass[k] = anyWord(random);
                plain[n].gain[k] = inRange ? static_cast<std::int32_t>(random() % 16384) : anyWord(random);
            }
            for (std::int32_t& v : plain[n].io)
                v = anyWord(random);
            plain[n].damping = inRange ? static_cast<std::int32_t>(random() % 32768) : anyWord(random);
            vector[n] = plain[n];
            vectorBanks[n] = vector[n].bank();
            NCombLanes::Bank plainBank = plain[n].bank();
            NCombLanes::runPlain(plainBank);
        }
        NCombLanes::runAvx2(vectorBanks, count);
        for (int n = 0; n < count; ++n) {
            SCOPED_TRACE("round " + std::to_string(round) + " bank " + std::to_string(n));
            for (int i = 0; i < Frames; ++i)
                ASSERT_EQ(vector[n].io[i], plain[n].io[i]) << "frame " << i;
            for (int k = 0; k < N; ++k) {
                ASSERT_EQ(vector[n].lowpass[k], plain[n].lowpass[k]) << "lane " << k;
                for (int i = 0; i < Frames; ++i)
                    ASSERT_EQ(vector[n].rows[k][i], plain[n].rows[k][i]) << "lane " << k << " frame " << i;
            }
        }
    }
}

} // namespace
