#pragma once

#include "engine/NAutomatable.h"

#include <string>
#include <vector>

// A machine that writes down every call the sequencer makes, as short words ("step", "half",
// "pattern 3", ...), so that tests can compare whole sequences.
class RecordingMachine : public NAutomatable {
public:
    explicit RecordingMachine(int parameterCount = 20) : NAutomatable(parameterCount) {}

    void onEvent(int kind) override;
    void setParameter(int index, int value) override;
    int getCurrentPattern() override { return currentPattern; }
    void setPattern(int pattern) override;
    void setNextPattern(int pattern) override;
    void resetPlayback() override { log.push_back("reset"); }
    void applyNextPattern() override { log.push_back("next"); }

    // The calls since the last take(), and a fresh start.
    std::vector<std::string> take();
    int count(const std::string& word) const;

    int currentPattern = 0;
    std::vector<std::string> log;
};

// Installs RecordingMachines as the sequencer's five machines for one test and puts the sequencer
// back to its defaults afterwards.
class SequencerFixture {
public:
    SequencerFixture();
    ~SequencerFixture();

    void run(int blocks); // ticks the sequencer

    RecordingMachine machines[5] = {RecordingMachine(20), RecordingMachine(20), RecordingMachine(20),
                                    RecordingMachine(27), RecordingMachine(41)};
};

// Puts the sequencer back to a new one without machines, and shuts the real engine down if it ran,
// so that the next test starts everything afresh.
void resetEngineForTest();
