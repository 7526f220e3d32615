#include "engine/NSeqTrack.h"
#include "engine/NSequencer.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Event = std::tuple<int, int, int>;
using Events = std::vector<Event>;

class NSeqTrackTest : public ::testing::Test {
protected:
    NSeqTrackTest() { track.machine = &machine; }

    Events events() const
    {
        Events list;
        for (const NSeqEvent* e = track.firstEvent(); e != nullptr; e = e->next)
            list.emplace_back(e->position, e->column, e->value);
        return list;
    }

    SequencerFixture sequencer; // the base events read the sequencer's mode
    RecordingMachine machine;
    NSeqTrack track;
};

} // namespace

// The first event of a column brings a base event at 0 with the parameter's value in the set the
// sequencer plays from; events at one spot all take the newest value, and one more follows them.
TEST_F(NSeqTrackTest, FirstEventOfAColumnBringsItsBaseEventAndEventsStayInOrder)
{
    machine.setCurrentSetParameter(5, 42);
    track.addEventLast(64, 5, 100);
    EXPECT_EQ(events(), (Events{{0, 5, 42}, {64, 5, 100}}));
    track.addEvent(32, 5, 3);
    track.addEvent(32, 5, 7);
    track.addEvent(0, 5, 1);
    track.addEvent(0, 64, 1); // only 64 columns exist
    track.addEventLast(0, 1000, 1);
    track.addEvent(0, -1, 1);
    NSequencer::instance().mode = 1;
    machine.setCurrentSetParameter(2, 9);
    track.addEvent(16, 2, 1);
    EXPECT_EQ(events(), (Events{{0, 5, 1}, {0, 5, 1}, {0, 2, 9}, {16, 2, 1}, {32, 5, 7}, {32, 5, 7}, {64, 5, 100}}));
}

// Removing a bar's events shows through the song commands; here what playback is left holding: the
// removed event under the cursor hands over to the next, and an emptied list still works.
TEST_F(NSeqTrackTest, ApplyEventsSetsParametersUpToThePosition)
{
    for (int p = 0; p < 4; ++p)
        track.addEventLast(256 * p + 16, 4, p + 1); // with its base: 0, 0
    track.seek(0);
    track.applyEvents(16);
    track.applyEvents(16);
    track.applyEvents(-1);
    EXPECT_EQ(machine.take(), (std::vector<std::string>{"P4=0", "P4=1"}));

    track.removeEvents(256, 512); // the cursor's event, at 272, goes: playback goes on with the next
    track.applyEvents(NSeqTrack::EndTicks); // past the end of any song: not applied
    EXPECT_TRUE(machine.take().empty());
    track.applyEvents(NSeqTrack::EndTicks - 1);
    EXPECT_EQ(machine.take(), (std::vector<std::string>{"P4=3", "P4=4"}));
    track.seek(600);
    track.removeEvents(0, 1024);
    EXPECT_TRUE(track.cursor() == nullptr && track.firstEvent() == nullptr && track.lastEvent() == nullptr);
    track.applyEvents(2000);
    track.addEventLast(300, 3, 1);
    EXPECT_EQ(events(), (Events{{0, 3, 0}, {300, 3, 1}}));
}
