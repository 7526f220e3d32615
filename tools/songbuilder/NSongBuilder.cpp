#include "tools/songbuilder/NSongBuilder.h"

#include "foundation/ChunkFile.h"
#include "foundation/LittleEndian.h"

#include <cstring>

namespace {

std::uint32_t padTag(int pad)
{
    return chunkTag("DR00") + static_cast<std::uint32_t>(((pad / 10) << 8) | (pad % 10));
}

} // namespace

void NSynthBank::setStep(int pattern, int step, const Step& s)
{
    std::uint8_t* at = bytes.data() + pattern * PatternBytes + step * 6;
    at[0] = static_cast<std::uint8_t>(s.note);
    at[1] = static_cast<std::uint8_t>(s.octave);
    at[2] = s.gate ? 1 : 0;
    at[3] = s.accent ? 1 : 0;
    at[4] = s.slide ? 1 : 0;
    at[5] = s.retrigger ? 1 : 0;
}

void NSynthBank::setLength(int pattern, int steps)
{
    littleendian::write32(bytes.data() + pattern * PatternBytes + 96, static_cast<std::uint32_t>(steps));
}

void NDrumBank::setHit(int pattern, int step, int pad, int velocity)
{
    bytes[pattern * PatternBytes + step * Pads + pad] = static_cast<std::uint8_t>(velocity);
}

void NDrumBank::setLength(int pattern, int steps)
{
    littleendian::write32(bytes.data() + pattern * PatternBytes + 192, static_cast<std::uint32_t>(steps));
}

bool NSongBuilder::write(const NSongDescription& song, const String& path)
{
    ChunkFile file(path, false);
    if (file.failed())
        return false;
    file.descend(chunkTag("VSF1"));
    if (song.hasFileInfo)
        writeFileInfo(file, song);
    writeSettings(file, song);
    file.descend(chunkTag("MAC "));
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
    file.descend(chunkTag("FILi"));
    file.writeString(song.creator);
    file.writeInt(song.major);
    file.writeInt(song.minor);
    file.ascend();
}

void NSongBuilder::writeSettings(ChunkFile& file, const NSongDescription& song)
{
    if (!song.hasSettings && !song.hasLoop)
        return;
    file.descend(chunkTag("SEQ "));
    if (song.hasSettings) {
        file.descend(chunkTag("SEQi"));
        file.writeInt(song.stepsPerBar);
        file.writeInt(song.mode);
        file.writeInt(song.position);
        file.writeInt(song.tempo);
        file.ascend();
    }
    if (song.hasLoop) {
        file.descend(chunkTag("LOOP"));
        file.writeInt(song.loopStart);
        file.writeInt(song.loopEnd);
        file.writeInt(song.loopOn);
        file.ascend();
    }
    file.ascend();
}

void NSongBuilder::writeMachine(ChunkFile& file, const NSongDescription& song, int n)
{
    static const std::uint32_t tags[NSongDescription::Machines] = {chunkTag("SYN1"), chunkTag("SYN2"),
                                                                   chunkTag("SYN3"), chunkTag("DRM "),
                                                                   chunkTag("MIX ")};
    const NSongMachine& machine = song.machines[n];
    if (!machine.present)
        return;
    file.descend(tags[n]);
    if (machine.hasData) {
        file.descend(chunkTag("DATA"));
        writeData(file, song, n);
        file.ascend();
    }
    if (machine.hasTrack)
        writeTrack(file, machine);
    if (n == 4 && !song.mixerLoosePatternSet.empty()) {
        NSongMachine loose;
        loose.patternSet = song.mixerLoosePatternSet;
        loose.songSet = song.mixerLoosePatternSet;
        writeParameters(file, loose, ParameterCounts[4]);
    }
    file.ascend();
}

void NSongBuilder::writeData(ChunkFile& file, const NSongDescription& song, int n)
{
    if (n < 3) {
        const NSynthBank& bank = song.synths[n];
        writeIntChunk(file, chunkTag("303i"), bank.selectedPattern);
        file.descend(chunkTag("303p"));
        file.writeBytes(bank.bytes.data(), static_cast<int>(bank.bytes.size()));
        file.ascend();
    } else if (n == 3) {
        const NDrumBank& bank = song.drums;
        file.descend(chunkTag("DRMp"));
        file.writeBytes(bank.bytes.data(), static_cast<int>(bank.bytes.size()));
        file.ascend();
        if (bank.hasKit) {
            file.descend(chunkTag("DST "));
            writeIntChunk(file, chunkTag("DSTi"), NDrumBank::Pads);
            for (int pad = 0; pad < NDrumBank::Pads; ++pad) {
                if (bank.samples[pad].length() == 0)
                    continue;
                file.descend(padTag(pad));
                file.writeString(bank.samples[pad]);
                file.ascend();
            }
            file.ascend();
        }
    }
    if (song.machines[n].hasParameters)
        writeParameters(file, song.machines[n], ParameterCounts[n]);
}

void NSongBuilder::writeParameters(ChunkFile& file, const NSongMachine& machine, int count)
{
    file.descend(chunkTag("PAR "));
    writeIntChunk(file, chunkTag("PARi"), count);
    const std::vector<std::int32_t>* sets[2] = {&machine.patternSet, &machine.songSet};
    const std::uint32_t tags[2] = {chunkTag("PARp"), chunkTag("PARs")};
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
    file.descend(chunkTag("SEQd"));
    file.descend(chunkTag("BAR "));
    writeIntChunk(file, chunkTag("BARi"), static_cast<int>(machine.arrangement.size()));
    file.descend(chunkTag("BARd"));
    file.writeBytes(machine.arrangement.data(), static_cast<int>(machine.arrangement.size()));
    file.ascend();
    file.ascend();
    file.descend(chunkTag("AUTO"));
    writeIntChunk(file, chunkTag("AUTi"), static_cast<int>(machine.automation.size()));
    file.descend(chunkTag("AUTd"));
    for (const NSongEvent& e : machine.automation) {
        file.writeInt(e.position);
        file.writeInt(static_cast<std::int32_t>((static_cast<std::uint32_t>(e.value) << 16) |
                                                (static_cast<std::uint32_t>(e.column) & 0xFFFF)));
    }
    file.ascend();
    file.ascend();
    file.ascend();
}
