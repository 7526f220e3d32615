#include "audio/NFilter.h"
#include "audio/NFilterLanes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

namespace {

std::int32_t anyWord(std::mt19937& random)
{
    return static_cast<std::int32_t>(random());
}

// Nine filters, more than the lanes hold, each as its own NFilter run frame by frame alongside:
// two pairs read one row, one of each pair filtering it in place (as the dual filter does), one
// pair split across the lanes' run when they fill up. Block after block, so the states carry over.
TEST(NFilterLanes, FiltersSideBySideSoundAsEachRunAlone)
{
    constexpr int Filters = 9;
    std::mt19937 random(3);
    for (bool fullWords : {false, true}) {
        SCOPED_TRACE(fullWords ? "full 32-bit values" : "sound-sized values");
        std::vector<NFilter> filters(Filters), apart(Filters);
        for (int block = 0; block < 300; ++block) {
            std::int32_t rows[Filters][ntime::BlockFrames];
            std::int32_t expected[Filters][ntime::BlockFrames];
            for (auto& row : rows)
                for (std::int32_t& v : row)
                    v = fullWords ? anyWord(random) : static_cast<std::int32_t>(random() % 65536) - 32768;
            // Filter k reads row source(k) and writes row k.
            auto source = [](int k) { return k == 2 || k == 8 ? k - 1 : k; };
            bool highpass[Filters];
            for (int k = 0; k < Filters; ++k) {
                filters[k].cutoff = apart[k].cutoff = static_cast<std::int32_t>(random() % 70000);
                filters[k].resonance = apart[k].resonance =
                    fullWords ? anyWord(random) : static_cast<std::int32_t>(random() % 256) * 256;
                highpass[k] = random() % 2 == 0;
                std::copy_n(rows[source(k)], ntime::BlockFrames, expected[k]);
                apart[k].process(expected[k], highpass[k]);
            }
            NFilterLanes lanes;
            for (int k : {0, 2, 1, 3, 4, 5, 6, 8, 7}) // the readers of a shared row before its in-place filter
                lanes.add(filters[k], rows[source(k)], rows[k], highpass[k]);
            lanes.run();
            for (int k = 0; k < Filters; ++k) {
                for (int i = 0; i < ntime::BlockFrames; ++i)
                    ASSERT_EQ(rows[k][i], expected[k][i]) << "block " << block << " filter " << k << " frame " << i;
                ASSERT_EQ((std::array{filters[k].band, filters[k].level}), (std::array{apart[k].band, apart[k].level}))
                    << "block " << block << " filter " << k;
            }
        }
    }
}

TEST(NFilterLanes, TheVectorPathGivesThePlainPathsValues)
{
    if (!NFilterLanes::hasAvx2())
        GTEST_SKIP() << "no AVX2 here: only the plain path runs";
    constexpr int N = NFilterLanes::Lanes;
    std::mt19937 random(17);
    for (int round = 0; round < 500; ++round) {
        std::int32_t in[N][ntime::BlockFrames];
        std::int32_t plain[N][ntime::BlockFrames];
        std::int32_t vector[N][ntime::BlockFrames];
        NFilterLanes::State plainState;
        for (int k = 0; k < N; ++k) {
            for (std::int32_t& v : in[k])
                v = anyWord(random);
            plainState.band[k] = anyWord(random);
            plainState.level[k] = anyWord(random);
            plainState.coefficient[k] = round % 2 == 0 ? static_cast<std::int32_t>(random() % 4096) : anyWord(random);
            plainState.keep[k] = round % 2 == 0 ? static_cast<std::int32_t>(random() % 256) : anyWord(random);
            plainState.highpass[k] = random() % 2 == 0 ? -1 : 0;
        }
        NFilterLanes::State vectorState = plainState;
        const std::int32_t* inRows[N];
        std::int32_t* plainRows[N];
        std::int32_t* vectorRows[N];
        for (int k = 0; k < N; ++k)
            std::tie(inRows[k], plainRows[k], vectorRows[k]) = std::tuple(in[k], plain[k], vector[k]);
        NFilterLanes::runPlain(inRows, plainRows, plainState);
        NFilterLanes::runAvx2(inRows, vectorRows, vectorState);
        for (int k = 0; k < N; ++k) {
            ASSERT_EQ((std::array{vectorState.band[k], vectorState.level[k]}),
                      (std::array{plainState.band[k], plainState.level[k]})) << "round " << round << " lane " << k;
            for (int i = 0; i < ntime::BlockFrames; ++i)
                ASSERT_EQ(vector[k][i], plain[k][i]) << "round " << round << " lane " << k << " frame " << i;
        }
    }
}

} // namespace
