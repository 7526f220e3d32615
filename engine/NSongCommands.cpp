#include "engine/NSongCommands.h"

#include "engine/NAutomatable.h"
#include "engine/NEngineGuard.h"
#include "engine/NSequencer.h"

#include <algorithm>
#include <climits>

namespace {

NSequencer& song()
{
    return NSequencer::instance();
}

// A bar's first tick; a bar from a hostile file may lie beyond the 32-bit song position.
int barTick(long long bar)
{
    const long long ticks = bar * song().barTicks();
    return static_cast<int>(std::clamp<long long>(ticks, INT_MIN, INT_MAX));
}

} // namespace

NSongCommands::Transport NSongCommands::transport()
{
    NEngineGuard guard;
    const NSequencer& s = song();
    return {s.mode, s.position, s.stepsPerBar, s.loopStart, s.loopEnd, s.loopOn, s.playing};
}

void NSongCommands::start()
{
    NEngineGuard guard;
    song().start();
}

void NSongCommands::stop()
{
    NEngineGuard guard;
    song().stop();
}

void NSongCommands::startOrStop()
{
    NEngineGuard guard;
    if (song().playing)
        song().stop();
    else
        song().start();
}

void NSongCommands::stopOrRewind()
{
    NEngineGuard guard;
    NSequencer& s = song();
    if (s.playing) {
        s.stop();
        return;
    }
    const int loopStart = barTick(s.loopStart);
    if (s.position > loopStart)
        s.locate(loopStart);
    else if (s.position > 0)
        s.locate(0);
    else
        s.locate(loopStart);
}

void NSongCommands::locate(int ticks)
{
    NEngineGuard guard;
    song().locate(ticks);
}

void NSongCommands::setMode(int mode)
{
    NEngineGuard guard;
    song().setMode(mode);
}

void NSongCommands::setLoopStartAtPosition()
{
    NEngineGuard guard;
    song().setLoopStartAt(song().position);
}

void NSongCommands::setLoopEndAtPosition()
{
    NEngineGuard guard;
    song().setLoopEndAt(song().position);
}

void NSongCommands::setLoopBars(int startBar, int endBar)
{
    NEngineGuard guard;
    song().loopStart = startBar;
    song().loopEnd = endBar;
}

void NSongCommands::setLoopOn(bool on)
{
    NEngineGuard guard;
    song().loopOn = on;
}

void NSongCommands::removeAutomation(int track, int bar)
{
    if (track < 0 || track >= NSequencer::MachineCount)
        return;
    NEngineGuard guard;
    song().tracks[track].removeEvents(barTick(bar), barTick(bar + 1LL));
}

void NSongCommands::setParameter(int machine, int index, int value)
{
    if (machine < 0 || machine >= NSequencer::MachineCount)
        return;
    NEngineGuard guard;
    if (NAutomatable* m = song().machine(machine))
        m->setCurrentSetParameter(index, value);
}
