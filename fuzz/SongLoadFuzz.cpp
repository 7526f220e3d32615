// Fuzz target: any bytes as a song file, loaded by the program's Load Song steps into the real
// engine (synthesizers, drum machine, mixer), then played a little.
#include "engine/NProgramSession.h"
#include "engine/NSequencer.h"
#include "engine/NVandrelCore.h"
#include "fuzz/FuzzScratch.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzzScratchFile("song.vdl");
    static const bool started = [] {
        NProgramSession session;
        session.startEngine();
        session.buildTables();
        return true;
    }();
    (void)started;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    NSequencer& sequencer = NSequencer::instance();
    NProgramSession().loadSong(String::fromUtf8(path));
    const int loadedPosition = sequencer.position; // as the file has it, before playing moves it
    // Play a little of whatever was loaded: positions, loop points, patterns and automation come
    // from the file, and the machines play their steps with the file's parameters.
    sequencer.start();
    std::int16_t segment[2 * 256];
    NVandrelCore::instance().mixer.render(segment, 256);
    for (int block = 0; block < 2000; ++block)
        sequencer.tick();
    sequencer.stop();
    sequencer.setLoopStartAt(sequencer.position);
    sequencer.setLoopEndAt(sequencer.position);
    sequencer.setLoopStartAt(loadedPosition);
    sequencer.setLoopEndAt(loadedPosition);
    return 0;
}
