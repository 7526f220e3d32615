#include "engine/NSeqTrack.h"

#include "engine/NAutomatable.h"
#include "engine/NSequencer.h"
#include "engine/NSongLayout.h"
#include "foundation/ChunkFile.h"
#include "foundation/MemoryTracker.h"

#include <cstring>

NSeqTrack::NSeqTrack()
{
    std::memset(arrangement_, -1, sizeof arrangement_);
    clearBaseFlags();
}

NSeqTrack::~NSeqTrack()
{
    removeAllEvents();
}

void NSeqTrack::clearBaseFlags()
{
    std::memset(hasBaseEvent_, 0, sizeof hasBaseEvent_);
}

void NSeqTrack::clear()
{
    std::memset(arrangement_, -1, sizeof arrangement_);
    clearBaseFlags();
    removeAllEvents();
    cursor_ = nullptr;
}

void NSeqTrack::load(ChunkFile& file)
{
    clear();

    if (file.descend(songlayout::tag::Arrangement)) {
        int count = 0;
        if (file.descend(songlayout::tag::ArrangementLength)) {
            count = file.readInt();
            file.ascend();
        }
        if (count > 0 && file.descend(songlayout::tag::ArrangementBars)) {
            // More entries than the arrangement holds: keep the first Bars, skip the rest.
            file.readBytes(arrangement_, count < Bars ? count : Bars);
            file.ascend();
        }
        file.ascend();
    }
    if (file.descend(songlayout::tag::Automation)) {
        int count = 0;
        if (file.descend(songlayout::tag::EventCount)) {
            count = file.readInt();
            file.ascend();
        }
        if (count > 0 && file.descend(songlayout::tag::Events)) {
            // A count beyond the chunk's data reads no phantom events.
            int stored = file.chunkSize() / songlayout::EventBytes;
            for (int i = 0; i < count && i < stored; ++i) {
                int position = file.readInt();
                std::uint32_t packed = static_cast<std::uint32_t>(file.readInt());
                addEventLast(position, songlayout::eventColumn(packed), songlayout::eventValue(packed));
            }
            file.ascend();
        }
        file.ascend();
    }
}

int NSeqTrack::patternAt(int bar) const
{
    return bar >= 0 && bar < Bars ? arrangement_[bar] : -1;
}

void NSeqTrack::setPatternAt(int bar, int pattern)
{
    if (bar >= 0 && bar < Bars)
        arrangement_[bar] = static_cast<std::int8_t>(pattern);
}

void NSeqTrack::seek(int ticks)
{
    cursor_ = firstEvent_;
    applyEvents(ticks);
}

void NSeqTrack::applyEvents(int ticks)
{
    if (ticks < 0 || ticks >= EndTicks || cursor_ == nullptr || machine == nullptr)
        return;
    bool applied = false;
    while (cursor_ != nullptr && cursor_->position <= ticks) {
        machine->setParameter(cursor_->column, cursor_->value);
        applied = true;
        cursor_ = cursor_->next;
    }
    if (applied)
        machine->notifyChanged();
}

NSeqEvent* NSeqTrack::newEvent(int position, int column, int value, const char* owner)
{
    KESO_OWNER(owner);
    return new NSeqEvent{nullptr, position, static_cast<std::int16_t>(column), static_cast<std::int16_t>(value)};
}

void NSeqTrack::addBaseEvent(int column)
{
    // The parameter's value before automation, so that playing from the start restores it.
    hasBaseEvent_[column] = true;
    int value = 0;
    if (machine != nullptr && machine->hasParameter(column))
        value = machine->parameter(NSequencer::instance().mode, column);
    insertEvent(0, column, value);
}

void NSeqTrack::addEvent(int position, int column, int value)
{
    if (column < 0 || column >= Columns)
        return;
    if (!hasBaseEvent_[column])
        addBaseEvent(column);
    insertEvent(position, column, value);
}

void NSeqTrack::insertEvent(int position, int column, int value)
{
    NSeqEvent* before = nullptr;
    for (NSeqEvent* e = firstEvent_; e != nullptr && e->position <= position; e = e->next) {
        if (e->position == position && e->column == column)
            e->value = static_cast<std::int16_t>(value);
        before = e;
    }
    NSeqEvent* event = newEvent(position, column, value, "NSeqTrack::addEvent");
    if (before == nullptr) {
        event->next = firstEvent_;
        firstEvent_ = event;
    } else {
        event->next = before->next;
        before->next = event;
    }
    if (event->next == nullptr)
        lastEvent_ = event;
}

void NSeqTrack::addEventLast(int position, int column, int value)
{
    if (column < 0 || column >= Columns)
        return;
    if (!hasBaseEvent_[column])
        addBaseEvent(column);
    NSeqEvent* event = newEvent(position, column, value, "NSeqTrack::addEventLast");
    if (lastEvent_ == nullptr)
        firstEvent_ = event;
    else
        lastEvent_->next = event;
    lastEvent_ = event;
}

void NSeqTrack::removeAllEvents()
{
    NSeqEvent* e = firstEvent_;
    while (e != nullptr) {
        NSeqEvent* next = e->next;
        KESO_OWNER("NSeqTrack::removeAllEvents");
        delete e;
        e = next;
    }
    firstEvent_ = nullptr;
    lastEvent_ = nullptr;
}

void NSeqTrack::removeEvents(int from, int to)
{
    NSeqEvent* previous = nullptr;
    NSeqEvent* e = firstEvent_;
    while (e != nullptr) {
        NSeqEvent* next = e->next;
        if (e->position >= from && e->position < to) {
            (previous == nullptr ? firstEvent_ : previous->next) = next;
            if (e == cursor_)
                cursor_ = next; // playback goes on with the next remaining event
            KESO_OWNER("NSeqTrack::removeEvents");
            delete e;
        } else {
            previous = e;
        }
        e = next;
    }
    lastEvent_ = previous;
}

int NSeqTrack::eventCount(int column) const
{
    int count = 0;
    for (const NSeqEvent* e = firstEvent_; e != nullptr; e = e->next)
        count += e->column == column ? 1 : 0;
    return count;
}
