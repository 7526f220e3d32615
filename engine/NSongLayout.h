#pragma once

#include "audio/NDrumMachine.h"
#include "audio/NMixer.h"
#include "engine/NBassSynth.h"
#include "foundation/ChunkFile.h"

#include <cstdint>

// How a .VDL song file is laid out, for the engine that reads songs and the tools that write them.
//
//   VSF1 song
//     FILi creator: the program's name, major and minor version
//     SEQ  sequencer: SEQi settings (steps per bar, mode, position, tempo), LOOP (start, end, on)
//     MAC  machines: SYN1, SYN2, SYN3, DRM , MIX , each holding
//       DATA the machine's own data: its bank and kit, and PAR, its two parameter sets
//       SEQd its track: BAR (BARi count, BARd a pattern per bar), AUTO (AUTi count, AUTd events)
namespace songlayout {

// The machines, in the order of the file, the sequencer's tracks and the mixer's channels.
constexpr int SynthCount = 3; // machines 0 .. 2 are the bass synthesizers
constexpr int DrumMachine = 3;
constexpr int Mixer = 4;
constexpr int MachineCount = 5;

static_assert(NMixer::MaxMachines == Mixer, "the mixer mixes every machine before it");

// How many values each machine's parameter sets hold.
inline constexpr int ParameterCounts[MachineCount] = {NBassSynth::ParameterCount, NBassSynth::ParameterCount,
                                                      NBassSynth::ParameterCount, NDrumMachine::ParameterCount,
                                                      NMixer::ParameterCount};

namespace tag {

constexpr std::uint32_t Song = chunkTag("VSF1");
constexpr std::uint32_t Creator = chunkTag("FILi");
constexpr std::uint32_t Sequencer = chunkTag("SEQ ");
constexpr std::uint32_t Settings = chunkTag("SEQi");
constexpr std::uint32_t Loop = chunkTag("LOOP");
constexpr std::uint32_t Machines = chunkTag("MAC ");
inline constexpr std::uint32_t Machine[MachineCount] = {chunkTag("SYN1"), chunkTag("SYN2"), chunkTag("SYN3"),
                                                        chunkTag("DRM "), chunkTag("MIX ")};
constexpr std::uint32_t MachineData = chunkTag("DATA");
constexpr std::uint32_t Track = chunkTag("SEQd");

// Inside a machine's data.
constexpr std::uint32_t Parameters = chunkTag("PAR ");
constexpr std::uint32_t ParameterCount = chunkTag("PARi");
constexpr std::uint32_t PatternModeSet = chunkTag("PARp");
constexpr std::uint32_t SongModeSet = chunkTag("PARs");
constexpr std::uint32_t SynthPattern = chunkTag("303i"); // the pattern selected in pattern mode
constexpr std::uint32_t SynthBank = chunkTag("303p");
constexpr std::uint32_t DrumBank = chunkTag("DRMp");
constexpr std::uint32_t Kit = chunkTag("DST ");
constexpr std::uint32_t KitSlots = chunkTag("DSTi");

// A drum slot's sample name: "DR00" to "DR11".
constexpr std::uint32_t kitSlot(int slot)
{
    return chunkTag("DR00") + (static_cast<std::uint32_t>(slot / 10) << 8) + static_cast<std::uint32_t>(slot % 10);
}

// Inside a track.
constexpr std::uint32_t Arrangement = chunkTag("BAR ");
constexpr std::uint32_t ArrangementLength = chunkTag("BARi");
constexpr std::uint32_t ArrangementBars = chunkTag("BARd");
constexpr std::uint32_t Automation = chunkTag("AUTO");
constexpr std::uint32_t EventCount = chunkTag("AUTi");
constexpr std::uint32_t Events = chunkTag("AUTd");

} // namespace tag

// An automation event: its position in ticks, then a word with the column in the low half and the
// value, signed, in the high half.
constexpr int EventBytes = 8;

constexpr std::uint32_t eventWord(int column, int value)
{
    return (static_cast<std::uint32_t>(value) << 16) | (static_cast<std::uint32_t>(column) & 0xFFFF);
}

constexpr int eventColumn(std::uint32_t word)
{
    return static_cast<int>(word & 0xFFFF);
}

constexpr int eventValue(std::uint32_t word)
{
    return static_cast<std::int16_t>(word >> 16);
}

} // namespace songlayout
