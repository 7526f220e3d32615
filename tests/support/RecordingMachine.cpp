#include "tests/support/RecordingMachine.h"

#include "engine/NSequencer.h"
#include "engine/NVandrelCore.h"

#include <algorithm>
#include <utility>

void RecordingMachine::onEvent(int kind)
{
    log.push_back(kind == NSequencer::StepEvent       ? "step"
                  : kind == NSequencer::HalfStepEvent ? "half"
                                                      : "event " + std::to_string(kind));
}

void RecordingMachine::setParameter(int index, int value)
{
    NAutomatable::setParameter(index, value);
    log.push_back("P" + std::to_string(index) + "=" + std::to_string(value));
}

void RecordingMachine::setPattern(int pattern)
{
    currentPattern = pattern;
    log.push_back("pattern " + std::to_string(pattern));
}

void RecordingMachine::setNextPattern(int pattern)
{
    log.push_back("nextpattern " + std::to_string(pattern));
}

std::vector<std::string> RecordingMachine::take()
{
    return std::exchange(log, {});
}

int RecordingMachine::count(const std::string& word) const
{
    return static_cast<int>(std::count(log.begin(), log.end(), word));
}

SequencerFixture::SequencerFixture()
{
    NSequencer& s = NSequencer::instance();
    s.resetDefaults();
    for (NSeqTrack& track : s.tracks)
        track.clear();
    for (RecordingMachine& m : machines)
        s.addMachine(&m);
}

SequencerFixture::~SequencerFixture()
{
    resetEngineForTest();
}

void resetEngineForTest()
{
    NVandrelCore::instance().shutDown();
    NSequencer& s = NSequencer::instance();
    for (NSeqTrack& track : s.tracks) {
        track.clear();
        track.machine = nullptr;
    }
    s.resetDefaults();
    s.fileName = String();
}

void SequencerFixture::run(int blocks)
{
    for (int i = 0; i < blocks; ++i)
        NSequencer::instance().tick();
}
