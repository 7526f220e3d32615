#pragma once

class ChunkFile;

// The header of the WAV files the program and its tools write: 44100 Hz 16-bit PCM. It opens
// "RIFF" and "data" and leaves both open: the caller writes the frames, then ascends twice, which
// fills in the lengths.
class NWavHeader {
public:
    static constexpr int SampleRate = 44100;

    static void begin(ChunkFile& file, int channels);
};
