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

std::int32_t anyInput(std::mt19937& random, bool fullWords)
{
    return fullWords ? anyWord(random) : static_cast<std::int32_t>(random() % 65536) - 32768;
}

// Blocks of random input through a reverb alone, or through the mixer's two side by side, and
// through the models, sound-sized or full 32-bit values (where every sum and product wraps);
// answers the first block that differs, or -1.
int firstDifferentBlock(const std::int16_t (&lengths)[NReverb::Combs], int damping, bool fullWords, int blocks,
                        bool paired = false)
{
    NReverb reverb(lengths, 6000.0, damping);
    NReverb right(NReverb::RightLengths, NReverb::RightDecay, NReverb::RightDamping);
    CombModel model(lengths, reverb, damping);
    CombModel rightModel(NReverb::RightLengths, right, NReverb::RightDamping);
    std::mt19937 random(static_cast<unsigned>(lengths[0] * 31 + damping));
    for (int b = 0; b < blocks; ++b) {
        std::int32_t io[ntime::BlockFrames];
        std::int32_t rightIo[ntime::BlockFrames];
        std::int32_t expected[ntime::BlockFrames];
        std::int32_t rightExpected[ntime::BlockFrames];
        for (int i = 0; i < ntime::BlockFrames; ++i) {
            io[i] = anyInput(random, fullWords);
            rightIo[i] = anyInput(random, fullWords);
            expected[i] = model.frame(io[i]);
            rightExpected[i] = paired ? rightModel.frame(rightIo[i]) : rightIo[i];
        }
        if (paired)
            NReverb::processPair(reverb, io, right, rightIo);
        else
            reverb.process(io);
        for (int i = 0; i < ntime::BlockFrames; ++i)
            if (io[i] != expected[i] || rightIo[i] != rightExpected[i])
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
        // The mixer's two side by side.
        EXPECT_EQ(firstDifferentBlock(NReverb::LeftLengths, NReverb::LeftDamping, fullWords, Blocks, true), -1);
        // Combs no longer than a block read back what the same block wrote.
        const std::int16_t shortCombs[NReverb::Combs] = {1, 5, 31, 32, 33, 0};
        EXPECT_EQ(firstDifferentBlock(shortCombs, 16400, fullWords, Blocks), -1);
        EXPECT_EQ(firstDifferentBlock(shortCombs, 16400, fullWords, Blocks, true), -1);
        const std::int16_t blockCombs[NReverb::Combs] = {32, 33, 47, 64, 65, 97};
        EXPECT_EQ(firstDifferentBlock(blockCombs, 20000, fullWords, Blocks), -1);
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
        std::int32_t rows[N][Frames];
        std::int32_t lowpass[N];
        std::int32_t io[Frames];
    };
    std::mt19937 random(11);
    for (int round = 0; round < 500; ++round) {
        const int count = round % 3 == 0 ? 1 : 2;
        Lines plain[2];
        Lines vector[2];
        std::int32_t gain[2][N];
        NCombLanes::Bank plainBanks[2];
        NCombLanes::Bank vectorBanks[2];
        for (int n = 0; n < count; ++n) {
            for (int k = 0; k < N; ++k) {
                for (std::int32_t& v : plain[n].rows[k])
                    v = anyWord(random);
                plain[n].lowpass[k] = anyWord(random);
                gain[n][k] = round % 2 == 0 ? static_cast<std::int32_t>(random() % 16384) : anyWord(random);
            }
            for (std::int32_t& v : plain[n].io)
                v = anyWord(random);
            vector[n] = plain[n];
            const std::int32_t damping =
                round % 2 == 0 ? static_cast<std::int32_t>(random() % 32768) : anyWord(random);
            for (auto [lines, banks] : {std::pair{plain, plainBanks}, std::pair{vector, vectorBanks}}) {
                for (int k = 0; k < N; ++k)
                    banks[n].rows[k] = lines[n].rows[k];
                banks[n].lowpass = lines[n].lowpass;
                banks[n].gain = gain[n];
                banks[n].damping = damping;
                banks[n].io = lines[n].io;
            }
        }
        for (int n = 0; n < count; ++n)
            NCombLanes::runPlain(plainBanks[n]);
        NCombLanes::runAvx2(vectorBanks, count);
        for (int n = 0; n < count; ++n) {
            for (int i = 0; i < Frames; ++i)
                ASSERT_EQ(vector[n].io[i], plain[n].io[i]) << "round " << round << " bank " << n << " frame " << i;
            for (int k = 0; k < N; ++k) {
                ASSERT_EQ(vector[n].lowpass[k], plain[n].lowpass[k]) << "round " << round << " lane " << k;
                for (int i = 0; i < Frames; ++i)
                    ASSERT_EQ(vector[n].rows[k][i], plain[n].rows[k][i])
                        << "round " << round << " bank " << n << " lane " << k << " frame " << i;
            }
        }
    }
}

} // namespace
