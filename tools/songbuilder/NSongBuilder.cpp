#include "tools/songbuilder/NSongBuilder.h"

#include "foundation/ChunkFile.h"
#include "foundation/LittleEndian.h"

void NSynthBank::setStep(int pattern, int step, const Step& s)
{
    std::uint8_t* at = bytes.data() + pattern * PatternBytes + step * NBassSynth::StepBytes;
    at[NBassSynth::Note] = static_cast<std::uint8_t>(s.note);
    at[NBassSynth::Octave] = static_cast<std::uint8_t>(s.octave);
    at[NBassSynth::Gate] = s.gate ? 1 : 0;
    at[NBassSynth::Accent] = s.accent ? 1 : 0;
    at[NBassSynth::Slide] = s.slide ? 1 : 0;
    at[NBassSynth::Retrigger] = s.retrigger ? 1 : 0;
}

void NSynthBank::setLength(int pattern, int steps)
{
    std::uint8_t* at = bytes.data() + pattern * PatternBytes + NBassSynth::LengthOffset;
    littleendian::write32(at, static_cast<std::uint32_t>(steps));
}

void NDrumBank::setHit(int pattern, int step, int pad, int velocity)
{
    bytes[pattern * PatternBytes + step * Pads + pad] = static_cast<std::uint8_t>(velocity);
}

void NDrumBank::setLength(int pattern, int steps)
{
    std::uint8_t* at = bytes.data() + pattern * PatternBytes + NDrumMachine::LengthOffset;
    littleendian::write32(at, static_cast<std::uint32_t>(steps));
}

bool NSongBuilder::write(const NSongDescription& song, const String& path)
{
    ChunkFile file(path, false);
    if (file.failed())
        return false;
    file.descend(songlayout::tag::Song);
    if (song.hasFileInfo)
        writeFileInfo(file, song);
    writeSettings(file, song);
    file.descend(songlayout::tag::Machines);
    for (int n = 0; n < NSongDescription::Machines; ++n)
        writeMachine(file, song, n);
    file.ascend();
    file.ascend();
    return file.finish();
}

void NSongBuilder::writeIntChunk(ChunkFile& file, std::uint32_t tag, int value)
{
    file.descend(tag);
    file.writeInt(value);
    file.ascend();
}

void NSongBuilder::writeFileInfo(ChunkFile& file, const NSongDescription& song)
{
    file.descend(songlayout::tag::Creator);
    file.writeString(song.creator);
    file.writeInt(song.major);
    file.writeInt(song.minor);
    file.ascend();
}

void NSongBuilder::writeSettings(ChunkFile& file, const NSongDescription& song)
{
    if (!song.hasSettings && !song.hasLoop)
        return;
    file.descend(songlayout::tag::Sequencer);
    if (song.hasSettings) {
        file.descend(songlayout::tag::Settings);
        file.writeInt(song.stepsPerBar);
        file.writeInt(song.mode);
        file.writeInt(song.position);
        file.writeInt(song.tempo);
        file.ascend();
    }
    if (song.hasLoop) {
        file.descend(songlayout::tag::Loop);
        file.writeInt(song.loopStart);
        file.writeInt(song.loopEnd);
        file.writeInt(song.loopOn);
        file.ascend();
    }
    file.ascend();
}

void NSongBuilder::writeMachine(ChunkFile& file, const NSongDescription& song, int n)
{
    const NSongMachine& machine = song.machines[n];
    if (!machine.present)
        return;
    file.descend(songlayout::tag::Machine[n]);
    if (machine.hasData) {
        file.descend(songlayout::tag::MachineData);
        writeData(file, song, n);
        file.ascend();
    }
    if (machine.hasTrack)
        writeTrack(file, machine);
    if (n == songlayout::Mixer && !song.mixerLoosePatternSet.empty()) {
        NSongMachine loose;
        loose.patternSet = song.mixerLoosePatternSet;
        loose.songSet = song.mixerLoosePatternSet;
        writeParameters(file, loose, songlayout::ParameterCounts[songlayout::Mixer]);
    }
    file.ascend();
}

void NSongBuilder::writeData(ChunkFile& file, const NSongDescription& song, int n)
{
    if (n < songlayout::SynthCount) {
        const NSynthBank& bank = song.synths[n];
        writeIntChunk(file, songlayout::tag::SynthPattern, bank.selectedPattern);
        file.descend(songlayout::tag::SynthBank);
        file.writeBytes(bank.bytes.data(), static_cast<int>(bank.bytes.size()));
        file.ascend();
    } else if (n == songlayout::DrumMachine) {
        const NDrumBank& bank = song.drums;
        file.descend(songlayout::tag::DrumBank);
        file.writeBytes(bank.bytes.data(), static_cast<int>(bank.bytes.size()));
        file.ascend();
        if (bank.hasKit) {
            file.descend(songlayout::tag::Kit);
            writeIntChunk(file, songlayout::tag::KitSlots, NDrumBank::Pads);
            for (int pad = 0; pad < NDrumBank::Pads; ++pad) {
                if (bank.samples[pad].length() == 0)
                    continue;
                file.descend(songlayout::tag::kitSlot(pad));
                file.writeString(bank.samples[pad]);
                file.ascend();
            }
            file.ascend();
        }
    }
    if (song.machines[n].hasParameters)
        writeParameters(file, song.machines[n], songlayout::ParameterCounts[n]);
}

void NSongBuilder::writeParameters(ChunkFile& file, const NSongMachine& machine, int count)
{
    file.descend(songlayout::tag::Parameters);
    writeIntChunk(file, songlayout::tag::ParameterCount, count);
    const std::vector<std::int32_t>* sets[2] = {&machine.patternSet, &machine.songSet};
    const std::uint32_t tags[2] = {songlayout::tag::PatternModeSet, songlayout::tag::SongModeSet};
    for (int set = 0; set < 2; ++set) {
        file.descend(tags[set]);
        int stored = static_cast<int>(sets[set]->size());
        for (int i = 0; i < (stored > count ? stored : count); ++i)
            file.writeInt(i < stored ? (*sets[set])[i] : 0);
        file.ascend();
    }
    file.ascend();
}

void NSongBuilder::writeTrack(ChunkFile& file, const NSongMachine& machine)
{
    file.descend(songlayout::tag::Track);
    file.descend(songlayout::tag::Arrangement);
    writeIntChunk(file, songlayout::tag::ArrangementLength, static_cast<int>(machine.arrangement.size()));
    file.descend(songlayout::tag::ArrangementBars);
    file.writeBytes(machine.arrangement.data(), static_cast<int>(machine.arrangement.size()));
    file.ascend();
    file.ascend();
    file.descend(songlayout::tag::Automation);
    writeIntChunk(file, songlayout::tag::EventCount, static_cast<int>(machine.automation.size()));
    file.descend(songlayout::tag::Events);
    for (const NSongEvent& e : machine.automation) {
        file.writeInt(e.position);
        file.writeInt(static_cast<std::int32_t>(songlayout::eventWord(e.column, e.value)));
    }
    file.ascend();
    file.ascend();
    file.ascend();
}
