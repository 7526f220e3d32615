#include "engine/NAutomatable.h"

#include "engine/NSequencer.h"
#include "engine/NSongLayout.h"
#include "foundation/ChunkFile.h"
#include "foundation/MemoryTracker.h"

#include <cstring>

NAutomatable::NAutomatable(int count) : parameterCount(count)
{
    for (int set = 0; set < SetCount; ++set) {
        KESO_OWNER("NAutomatable::NAutomatable");
        parameterSets[set] = new std::int32_t[count];
        std::memset(parameterSets[set], 0, sizeof(std::int32_t) * count);
    }
}

NAutomatable::~NAutomatable()
{
    for (int set = 0; set < SetCount; ++set) {
        KESO_OWNER("NAutomatable::~NAutomatable");
        delete[] parameterSets[set];
    }
}

void NAutomatable::onEvent(int) {}

void NAutomatable::setParameter(int index, int value)
{
    if (hasParameter(index))
        parameterSets[SongSet][index] = value;
}

int NAutomatable::getCurrentPattern()
{
    return 0;
}

void NAutomatable::setPattern(int) {}
void NAutomatable::setNextPattern(int) {}
void NAutomatable::resetPlayback() {}
void NAutomatable::applyNextPattern() {}

void NAutomatable::resetDefaults()
{
    for (int set = 0; set < SetCount; ++set)
        std::memset(parameterSets[set], 0, sizeof(std::int32_t) * parameterCount);
}

void NAutomatable::save(ChunkFile& file)
{
    file.descend(songlayout::tag::Parameters);
    file.descend(songlayout::tag::ParameterCount);
    file.writeInt(parameterCount);
    file.ascend();
    const std::uint32_t tags[SetCount] = {songlayout::tag::PatternModeSet, songlayout::tag::SongModeSet};
    for (int set = 0; set < SetCount; ++set) {
        file.descend(tags[set]);
        for (int i = 0; i < parameterCount; ++i)
            file.writeInt(parameterSets[set][i]);
        file.ascend();
    }
    file.ascend();
}

void NAutomatable::load(ChunkFile& file)
{
    if (!file.descend(songlayout::tag::Parameters))
        return;
    if (file.descend(songlayout::tag::ParameterCount)) {
        file.readInt(); // the machine's own count decides how many values are read
        file.ascend();
    }
    const std::uint32_t tags[SetCount] = {songlayout::tag::PatternModeSet, songlayout::tag::SongModeSet};
    for (int set = 0; set < SetCount; ++set) {
        if (!file.descend(tags[set]))
            continue;
        for (int i = 0; i < parameterCount; ++i)
            parameterSets[set][i] = file.readInt();
        file.ascend();
    }
    file.ascend();
}

void NAutomatable::setCurrentSetParameter(int index, int value)
{
    if (hasParameter(index))
        parameterSets[NSequencer::instance().mode][index] = value;
}

void NAutomatable::notifyChanged()
{
    if (listener != nullptr)
        listener->update(*this);
}

int NAutomatable::getParameterCount()
{
    return parameterCount;
}

int NAutomatable::currentParameter(int index) const
{
    return parameterSets[NSequencer::instance().mode][index];
}
