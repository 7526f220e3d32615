// Fuzz target: any bytes as a song file, loaded into the sequencer with parameter-only machines.
#include "engine/NAutomatable.h"
#include "engine/NSequencer.h"
#include "engine/NSongLayout.h"
#include "fuzz/FuzzScratch.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzzScratchFile("song.vdl");
    static std::unique_ptr<NAutomatable> machines[NSequencer::MachineCount];
    NSequencer& sequencer = NSequencer::instance();
    if (!machines[0]) {
        for (int n = 0; n < NSequencer::MachineCount; ++n) {
            machines[n] = std::make_unique<NAutomatable>(songlayout::ParameterCounts[n]);
            sequencer.addMachine(machines[n].get());
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    sequencer.loadSong(String::fromUtf8(path));
    const int loadedPosition = sequencer.position; // as the file has it, before playing moves it
    // Play a little of whatever was loaded: positions, loop points and events come from the file.
    sequencer.start();
    for (int block = 0; block < 2000; ++block)
        sequencer.tick();
    sequencer.stop();
    sequencer.setLoopStartAt(sequencer.position);
    sequencer.setLoopEndAt(sequencer.position);
    sequencer.setLoopStartAt(loadedPosition);
    sequencer.setLoopEndAt(loadedPosition);
    return 0;
}
