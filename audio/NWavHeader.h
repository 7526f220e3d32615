#pragma once

class ChunkFile;

// The header of the WAV files the program and its tools write: 16-bit PCM at the engine's rate. It opens
// "RIFF" and "data" and leaves both open: the caller writes the frames, then ascends twice, which
// fills in the lengths.
class NWavHeader {
public:
    static void begin(ChunkFile& file, int channels);
};
