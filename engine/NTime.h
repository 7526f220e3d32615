#pragma once

// The engine's units of time: sound is counted in frames at one fixed rate and rendered a block at a
// time; the song's position is counted in ticks.
namespace ntime {

// Frames per second of everything the engine plays and writes. Samples play at this rate whatever
// their files say.
constexpr int SampleRate = 44100;

// Frames the machines, the effects and the mixer render at a time. The sequencer's clock moves once
// per block, so steps, delay lines and sample buffers are all whole blocks long.
constexpr int BlockFrames = 32;

// A count of frames (>= 0) rounded down, or up, to whole blocks.
template <typename Int>
constexpr Int roundDownToBlocks(Int frames)
{
    return frames / BlockFrames * BlockFrames;
}

template <typename Int>
constexpr Int roundUpToBlocks(Int frames)
{
    return (frames + BlockFrames - 1) / BlockFrames * BlockFrames;
}

// A step lasts FramesPerMinute / (StepsPerBeat * tempo) frames, rounded down to whole blocks.
constexpr int FramesPerMinute = 60 * SampleRate;
constexpr int StepsPerBeat = 4;

// The frames of a step at a tempo of bpm > 0: whole blocks, and at least one, or a step would take
// no audio at all and the clock would never move.
constexpr int stepFrames(int bpm)
{
    const long long frames = static_cast<long long>(FramesPerMinute) / (static_cast<long long>(StepsPerBeat) * bpm);
    return frames < BlockFrames ? BlockFrames : static_cast<int>(roundDownToBlocks(frames));
}

// Song positions count ticks, TicksPerStep to a step. A song sets how many steps its bars have; a
// new one has DefaultStepsPerBar.
constexpr int TicksPerStep = 16;
constexpr int DefaultStepsPerBar = 16;

} // namespace ntime
