#pragma once

#include "engine/NTime.h"

#include <cstdint>

class ChunkFile;
class NAutomatable;

// One automation event: at song position `position` (ticks) set parameter `column` to `value`.
struct NSeqEvent {
    NSeqEvent* next;
    std::int32_t position;
    std::int16_t column;
    std::int16_t value;
};

// One machine's part of the song: which pattern plays in each bar, and an ordered list of
// automation events that the sequencer applies as the song position advances.
class NSeqTrack {
public:
    static constexpr int Bars = 999;
    static constexpr int Columns = 64;
    // Automation is applied below this position: the end of the last bar at the default bar length.
    static constexpr int EndTicks = Bars * ntime::DefaultStepsPerBar * ntime::TicksPerStep;

    NSeqTrack();
    NSeqTrack(const NSeqTrack&) = delete;
    NSeqTrack& operator=(const NSeqTrack&) = delete;
    ~NSeqTrack();

    void clear();
    void load(ChunkFile& file);

    int patternAt(int bar) const;
    void setPatternAt(int bar, int pattern);

    void seek(int ticks);
    void applyEvents(int ticks);

    void addEvent(int position, int column, int value);
    void addEventLast(int position, int column, int value);
    void removeAllEvents();
    void removeEvents(int from, int to);

    const NSeqEvent* firstEvent() const { return firstEvent_; }
    const NSeqEvent* lastEvent() const { return lastEvent_; }
    const NSeqEvent* cursor() const { return cursor_; }
    int eventCount(int column) const;

    NAutomatable* machine = nullptr; // the machine this track drives; not owned

private:
    void addBaseEvent(int column);
    NSeqEvent* newEvent(int position, int column, int value, const char* owner);
    void insertEvent(int position, int column, int value);
    void clearBaseFlags();

    std::int8_t arrangement_[Bars];
    NSeqEvent* firstEvent_ = nullptr;
    NSeqEvent* lastEvent_ = nullptr;
    NSeqEvent* cursor_ = nullptr;
    bool hasBaseEvent_[Columns];
};
