#include "engine/NTables.h"

#include "engine/NTime.h"

#include <cmath>
#include <mutex>

std::int32_t NTables::sineTable_[NTables::SineSize];
std::uint32_t NTables::pitchTable_[NTables::PitchSize];

namespace {

// Half the angle step between entries; a little less than 2 pi / 131072, as the device used it.
constexpr double HalfSineStep = 4.7936899603036497e-5;
// One twelfth as the device stored it: in single precision.
constexpr double Twelfth = static_cast<double>(1.0f / 12.0f);
constexpr double NoteZeroHz = 6.875;               // A-1 a minor third below note 0
constexpr double IncrementPerHz = 4294967296.0 / ntime::SampleRate; // a turn of 2^32 over a second

} // namespace

void NTables::buildTables()
{
    static std::once_flag built;
    std::call_once(built, build);
}

void NTables::build()
{
    for (int k = 0; k < SineSize; ++k)
        sineTable_[k] = static_cast<std::int32_t>(std::sin(2.0 * k * HalfSineStep) * SineAmplitude);
    for (int k = 0; k < PitchSize; ++k) {
        double increment = std::pow(2.0, (k + 3) * Twelfth) * NoteZeroHz * IncrementPerHz;
        // The top notes exceed 32 bits; like the device, keep the low 32 bits.
        pitchTable_[k] = static_cast<std::uint32_t>(static_cast<std::uint64_t>(increment));
    }
}
