#include "app/NSequencerEdit.h"

#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "tests/support/FakeServices.h"
#include "tests/support/GuiTestScreen.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

namespace {

// The view where the export screen puts it: rows 252 ... 319 of the screen.
constexpr int Top = 252;
constexpr int Bar = 256; // ticks per bar at 16 steps

// The real skin and fonts from the build, the sequencer with recording machines in song mode, and
// the view in a sink that records the events it passes up.
class NSequencerEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi";
        ASSERT_TRUE(loadProgramSkin()) << "no skin in " RUZI_BIN_DIR "/skin: build the skin target";
        NSongCommands::setMode(1);
        view = new NSequencerEdit(0, Top, 240, 68);
        sink.addChild(view);
    }
    void TearDown() override
    {
        sink.destroyChildren();
        releaseScreenAndFonts();
    }
    // The view drawn again; the checksum of its rows.
    std::uint32_t redraw()
    {
        view->invalidate();
        sink.draw(0, 0);
        return screenChecksum(Top, Top + 68);
    }
    void click(int x, int y)
    {
        sink.mouseDown(x, Top + y);
        sink.mouseUp(x, Top + y);
    }
    std::pair<int, int> cursor() const { return {view->cursorRow, view->cursorColumn}; }
    // The commands of the events passed up, all of them clicks of value 0 (-1 for any other).
    std::vector<std::int32_t> commandsSent() const
    {
        std::vector<std::int32_t> codes;
        for (const LGUIEvent& e : sink.events)
            codes.push_back(e.type == LGUIEvent::Clicked && e.value == 0 ? e.command : -1);
        return codes;
    }
    FakeServices services;
    SequencerFixture fixture;
    NSequencer& seq = NSequencer::instance();
    GuiEventSink sink;
    NSequencerEdit* view = nullptr;
};

} // namespace

// Each stage moves one part of the drawing: the grid's patterns, automation and cursor; the loop
// flags, the start flag kept inside the view; the play column stopped and playing. The button bar
// shows only transport and scrolling enabled.
TEST_F(NSequencerEditTest, ViewDrawsAsStored)
{
    seq.tracks[0].setPatternAt(0, 9);             // "b2"
    seq.tracks[0].setPatternAt(2, 40);            // a pattern with no name
    seq.tracks[1].addEvent(Bar + Bar / 2, 3, 50); // half-way through bar 1
    seq.tracks[4].addEvent(20 * Bar, 3, 50);      // beyond the right edge
    NSongCommands::locate(7 * Bar);
    view->cursorColumn = 1;
    view->cursorRow = 3;
    EXPECT_EQ(redraw(), 0x82915582u);
    seq.tracks[0].setPatternAt(1, 0);
    view->gridDirty = true;
    EXPECT_EQ(redraw(), 0x61050B15u);
    NSongCommands::locate(8 * Bar);
    NSongCommands::setLoopBars(0, 3);
    EXPECT_EQ(redraw(), 0x0D232D46u);
    view->setScroll(1);
    NSongCommands::setLoopBars(2, 3);
    EXPECT_EQ(redraw(), 0x41DEA8DDu);
    view->setScroll(0);
    NSongCommands::setLoopBars(10, 12);
    NSongCommands::locate(2 * Bar);
    EXPECT_EQ(redraw(), 0x527EA849u); // stopped: the column one pixel left of the bar line
    NSongCommands::start();
    EXPECT_EQ(redraw(), 0x98A0D0BFu);
    // Playing, the bar that leaves the view becomes its first column; stopped, the view stays.
    NSongCommands::locate(15 * Bar);
    EXPECT_EQ(redraw(), 0x5C293BC2u);
    EXPECT_EQ(view->scrollColumn, 15);
    NSongCommands::stop();
    NSongCommands::locate(40 * Bar);
    redraw();
    EXPECT_EQ(view->scrollColumn, 15);
}

TEST_F(NSequencerEditTest, ClicksLocateAndMoveTheCursorAndKeysMoveItWithinTheLimits)
{
    NSongCommands::locate(5 * Bar);
    const int clicks[][3] = {{0, 9, 0}, {0, 10, 0}, {0, 11, 1}, {2, 29, 3}, {2, 31, 4}}; // scroll, x, bar
    for (auto [scroll, x, bar] : clicks) {
        view->setScroll(scroll);
        click(x, 4);
        EXPECT_EQ(seq.position, bar * Bar) << "x " << x << " at scroll " << scroll;
    }
    click(45, 9 * 3 + 2); // track 2, third column
    EXPECT_EQ(cursor(), std::pair(2, 4));
    click(239, 53); // track 4, the last column, cut off
    click(200, 60); // the button bar's empty end, and outside the view: nothing
    click(100, -2);
    EXPECT_EQ(seq.position, 4 * Bar);
    EXPECT_EQ(cursor(), std::pair(4, 13));
    EXPECT_TRUE(sink.events.empty());
    // The cursor stays on bars 0 ... 990 and tracks 0 ... 4 and in view; the view scrolls four bars
    // a page, up to bar 980 at the left edge.
    const int cases[][7] = { // key, row, column, scroll; row, column and scroll after
        {0x27, 0, 989, 0, 0, 990, 979},   {0x27, 0, 990, 979, 0, 990, 979}, {0x25, 0, 979, 979, 0, 978, 978},
        {0x25, 0, 0, 0, 0, 0, 0},         {0x26, 0, 5, 0, 0, 5, 0},         {0x28, 3, 5, 0, 4, 5, 0},
        {0x28, 4, 5, 0, 4, 5, 0},         {0x21, 0, 0, 2, 0, 0, 0},         {0x22, 0, 0, 978, 0, 0, 980},
        {0x22, 0, 0, 980, 0, 0, 980},
    };
    for (const auto& [key, row, column, scroll, rowAfter, columnAfter, scrollAfter] : cases) {
        view->cursorRow = row;
        view->cursorColumn = column;
        view->setScroll(scroll);
        view->keyDown(key);
        EXPECT_EQ(std::tuple(view->cursorRow, view->cursorColumn, view->scrollColumn),
                  std::tuple(rowAfter, columnAfter, scrollAfter)) << key << " at " << column;
    }
    // The scroll buttons do the same, and their events go no further; the others reach the screen.
    click(134 + 8, 54 + 6);
    EXPECT_EQ(view->scrollColumn, 976);
    click(152 + 8, 54 + 6);
    EXPECT_EQ(view->scrollColumn, 980);
    click(20 + 9, 54 + 6);
    EXPECT_EQ(commandsSent(), std::vector<std::int32_t>{commandCode("STOP")});
}

TEST_F(NSequencerEditTest, EditingKeysActOnTheSongOrGoUpAsButtonEventsInSongModeOnly)
{
    // Backspace: the automation of the cursor's cell (which ticks are the bar's, the commands' test says).
    seq.tracks[2].addEvent(Bar + 40, 3, 10); // and a base event at 0
    seq.tracks[1].addEvent(Bar + 40, 3, 10);
    view->cursorRow = 2;
    view->cursorColumn = 1;
    view->keyDown(0x08);
    EXPECT_EQ(std::pair(seq.tracks[2].eventCount(3), seq.tracks[1].eventCount(3)), std::pair(1, 2));
    // Home and End: the loop's start and end to the nearest bar.
    NSongCommands::setLoopBars(0, 4);
    NSongCommands::locate(5 * Bar);
    view->keyDown(0x24);
    EXPECT_EQ(std::pair(seq.loopStart, seq.loopEnd), std::pair(5, 6));
    NSongCommands::locate(3 * Bar);
    view->keyDown(0x23);
    EXPECT_EQ(std::pair(seq.loopStart, seq.loopEnd), std::pair(2, 3));
    for (int key : {0x2E, 0x52, 0x6A, 0x6B, 0x6D, 0x41, 0x1B})
        view->keyDown(key);
    EXPECT_EQ(commandsSent(), (std::vector<std::int32_t>{commandCode("DELE"), commandCode("REPE"), commandCode("REPE"),
                                                         commandCode("INCR"), commandCode("DECR")}));
    // Pattern mode shows only its message, whatever the song; the grid takes no clicks or editing keys
    // there, and Enter still starts the song.
    NSongCommands::setMode(0);
    EXPECT_EQ(redraw(), 0xFC2EDF5Bu);
    click(100, 30);
    view->keyDown(0x28);
    view->keyDown(0x0D);
    EXPECT_EQ(cursor(), std::pair(2, 1));
    EXPECT_TRUE(NSongCommands::transport().playing);
}
