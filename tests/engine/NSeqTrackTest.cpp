#include "engine/NSeqTrack.h"
#include "engine/NSequencer.h"
#include "foundation/ChunkFile.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Event = std::tuple<int, int, int>;

std::vector<Event> events(const NSeqTrack& track)
{
    std::vector<Event> list;
    for (const NSeqEvent* e = track.firstEvent(); e != nullptr; e = e->next)
        list.emplace_back(e->position, e->column, e->value);
    return list;
}

class NSeqTrackTest : public ::testing::Test {
protected:
    NSeqTrackTest() { track.machine = &machine; }

    // A SEQd chunk written with the given body, then loaded into the track.
    template <typename Body>
    void loadSeqd(Body body)
    {
        {
            ChunkFile file(dir.file("seqd.bin"), false);
            file.descend(chunkTag("SEQd"));
            body(file);
            file.ascend();
        }
        ChunkFile file(dir.file("seqd.bin"), true);
        ASSERT_TRUE(file.descend(chunkTag("SEQd")));
        track.load(file);
    }

    TempDir dir;
    SequencerFixture sequencer; // the base events read the sequencer's mode
    RecordingMachine machine;
    NSeqTrack track;
};

} // namespace

TEST_F(NSeqTrackTest, FirstEventOfAColumnBringsItsBaseEvent)
{
    machine.setCurrentSetParameter(5, 42);
    track.addEventLast(64, 5, 100);
    EXPECT_EQ(events(track), (std::vector<Event>{{0, 5, 42}, {64, 5, 100}}));
    track.addEventLast(128, 5, 7); // the column has its base now
    EXPECT_EQ(events(track).size(), 3u);
    EXPECT_EQ(track.lastEvent()->position, 128);
    // The base carries the value of the set the sequencer plays from.
    NSequencer::instance().mode = 1;
    machine.setCurrentSetParameter(2, 9);
    track.addEvent(32, 2, 1);
    EXPECT_EQ(events(track)[1], Event(0, 2, 9));
}

TEST_F(NSeqTrackTest, AddEventKeepsOrderAndOverwritesTheSameSpot)
{
    track.addEvent(0, 5, 1); // base event (0, 5, 0) first, then this one after it
    track.addEvent(32, 5, 3);
    track.addEvent(64, 5, 9);
    track.addEvent(32, 5, 7);
    EXPECT_EQ(events(track), (std::vector<Event>{{0, 5, 1}, {0, 5, 1}, {32, 5, 7}, {32, 5, 7}, {64, 5, 9}}));
    track.addEvent(16, 6, 2); // a new column: its base at 0 goes after the events at 0
    EXPECT_EQ(events(track)[2], Event(0, 6, 0));
    EXPECT_EQ(events(track)[3], Event(16, 6, 2));
    track.addEvent(500, 6, 3);
    EXPECT_EQ(track.lastEvent()->position, 500);
    size_t count = events(track).size();
    track.addEvent(0, 64, 1); // only 64 columns exist
    track.addEventLast(0, 1000, 1);
    track.addEvent(0, -1, 1);
    EXPECT_EQ(events(track).size(), count);
}

TEST_F(NSeqTrackTest, RemoveEventsKeepsTheListWhole)
{
    track.addEventLast(0, 1, 10); // with its base: 0, 0
    track.addEventLast(16, 1, 11);
    track.addEventLast(256, 1, 12);
    track.removeEvents(0, 256);
    EXPECT_EQ(events(track), (std::vector<Event>{{256, 1, 12}}));
    EXPECT_EQ(track.firstEvent(), track.lastEvent());
    track.removeEvents(256, 512);
    EXPECT_EQ(track.firstEvent(), nullptr);
    EXPECT_EQ(track.lastEvent(), nullptr);
    track.addEventLast(300, 1, 1); // the list still works after emptying
    EXPECT_EQ(events(track).size(), 1u);
}

TEST_F(NSeqTrackTest, RemovingTheEventUnderTheCursorMovesItOn)
{
    for (int p = 0; p < 4; ++p)
        track.addEventLast(256 * p + 16, 3, p);
    track.seek(100); // base at 0 and the event at 16 applied; cursor on the event at 272
    ASSERT_EQ(track.cursor()->position, 272);
    track.removeEvents(256, 512);
    ASSERT_NE(track.cursor(), nullptr);
    EXPECT_EQ(track.cursor()->position, 528);
    track.removeEvents(512, 1024);
    EXPECT_EQ(track.cursor(), nullptr);
    track.applyEvents(2000); // nothing left to apply, nothing breaks
}

TEST_F(NSeqTrackTest, ApplyEventsSetsParametersUpToThePosition)
{
    track.addEventLast(0, 4, 1);
    track.addEventLast(16, 4, 2);
    track.addEventLast(32, 4, 3);
    track.seek(0);
    EXPECT_EQ(machine.take(), (std::vector<std::string>{"P4=0", "P4=1"}));
    track.applyEvents(16);
    EXPECT_EQ(machine.take(), (std::vector<std::string>{"P4=2"}));
    track.applyEvents(16);
    EXPECT_TRUE(machine.take().empty());
    track.applyEvents(NSeqTrack::EndTicks); // past the end of any song
    track.applyEvents(-1);
    EXPECT_TRUE(machine.take().empty());
    track.applyEvents(NSeqTrack::EndTicks - 1);
    EXPECT_EQ(machine.take(), (std::vector<std::string>{"P4=3"}));
}

TEST_F(NSeqTrackTest, LoadReadsArrangementAndSignedValues)
{
    loadSeqd([](ChunkFile& f) {
        f.descend(chunkTag("BAR "));
        f.descend(chunkTag("BARi"));
        f.writeInt(3);
        f.ascend();
        f.descend(chunkTag("BARd"));
        const unsigned char bars[3] = {0, 1, 0xFF};
        f.writeBytes(bars, 3);
        f.ascend();
        f.ascend();
        f.descend(chunkTag("AUTO"));
        f.descend(chunkTag("AUTi"));
        f.writeInt(1);
        f.ascend();
        f.descend(chunkTag("AUTd"));
        f.writeInt(48);
        f.writeInt(static_cast<std::int32_t>(0xFFFF0003u));
        f.ascend();
        f.ascend();
    });
    EXPECT_EQ(track.patternAt(0), 0);
    EXPECT_EQ(track.patternAt(1), 1);
    EXPECT_EQ(track.patternAt(2), -1);
    EXPECT_EQ(track.patternAt(3), -1);
    EXPECT_EQ(track.patternAt(-1), -1);
    EXPECT_EQ(events(track), (std::vector<Event>{{0, 3, 0}, {48, 3, -1}}));
}

TEST_F(NSeqTrackTest, LoadReplacesEverythingAndSurvivesLyingCounts)
{
    track.setPatternAt(500, 3);
    track.addEvent(64, 1, 1);
    loadSeqd([](ChunkFile& f) {
        f.descend(chunkTag("BAR "));
        f.descend(chunkTag("BARi"));
        f.writeInt(5000); // more bars than a song has
        f.ascend();
        f.descend(chunkTag("BARd"));
        std::vector<unsigned char> bars(1200, 2);
        f.writeBytes(bars.data(), 1200);
        f.ascend();
        f.ascend();
        f.descend(chunkTag("AUTO"));
        f.descend(chunkTag("AUTi"));
        f.writeInt(0x7FFFFFFF); // far more events than stored
        f.ascend();
        f.descend(chunkTag("AUTd"));
        f.writeInt(16);
        f.writeInt(0x00050002);
        f.ascend();
        f.ascend();
    });
    EXPECT_EQ(track.patternAt(998), 2); // the last bar a song has
    EXPECT_EQ(track.patternAt(999), -1);
    EXPECT_EQ(events(track), (std::vector<Event>{{0, 2, 0}, {16, 2, 5}}));
}
