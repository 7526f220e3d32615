#include "app/NSequencerEdit.h"

#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "gui/LFont.h"
#include "gui/LGUIButton.h"
#include "gui/NBitmapCache.h"
#include "tests/support/FakeServices.h"
#include "tests/support/GuiTestScreen.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The view where the export screen puts it: rows 252 ... 319 of the screen.
constexpr int Top = 252;
constexpr int Bar = 256; // ticks per bar at 16 steps

constexpr std::uint16_t LoopFlagFill = 0x528A;
constexpr std::uint16_t LoopFlagEdge = 0xA514;
constexpr std::uint16_t LoopStartLine = 0xFA08;
constexpr std::uint16_t ArrowEdge = 0x42CE;
constexpr std::uint16_t ArrowInside = 0xD71F;

// The real skin and fonts from the build, the sequencer with recording machines in song mode, and
// the view in a sink that records the events it passes up.
class NSequencerEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi";
        NBitmapCache& cache = NBitmapCache::instance();
        cache.loadPackfile(NBitmapCache::skinPath(u"skin.dat"));
        LFont::loadProgramFonts(cache);
        ASSERT_TRUE(LFont::font(LFont::Grid)->hasImage()) << "no skin in " RUZI_BIN_DIR "/skin: build the skin target";
        screen().create(LScreenBitmap::Width, LScreenBitmap::Height);
        screen().flush(nullptr);
        NSongCommands::setMode(1);
        view = new NSequencerEdit(0, Top, 240, 68);
        sink.addChild(view);
    }

    void TearDown() override
    {
        sink.destroyChildren();
        for (int f = 0; f < LFont::Count; ++f)
            LFont::font(f)->setImage(nullptr);
        NBitmapCache::instance().empty();
        screen().flush(nullptr);
        screen().destroy();
    }

    static LScreenBitmap& screen() { return LScreenBitmap::instance(); }
    // A pixel of the view, in the view's own coordinates.
    static std::uint16_t at(int x, int y) { return screen().pixel(x, Top + y); }

    void redraw()
    {
        view->invalidate();
        sink.draw(0, 0);
    }
    void click(int x, int y)
    {
        sink.mouseDown(x, Top + y);
        sink.mouseUp(x, Top + y);
    }
    std::vector<std::int32_t> commandsSent() const
    {
        std::vector<std::int32_t> codes;
        for (const LGUIEvent& e : sink.events)
            codes.push_back(e.command);
        return codes;
    }

    FakeServices services;
    SequencerFixture fixture;
    NSequencer& seq = NSequencer::instance();
    GuiEventSink sink;
    NSequencerEdit* view = nullptr;
};

} // namespace

TEST_F(NSequencerEditTest, TenButtonsInTheBarWithOnlyTransportAndScrollingEnabled)
{
    struct Expected {
        const char* code;
        int x, w, style;
        bool enabled;
    };
    const Expected expected[] = {{"PLAY", 0, 19, 0, true},    {"STOP", 20, 19, 0, true},
                                 {"RECO", 40, 19, 1, false},  {"INCR", 62, 13, 0, false},
                                 {"DECR", 76, 13, 0, false},  {"REPE", 90, 13, 0, false},
                                 {"DELE", 104, 13, 0, false}, {"DELA", 118, 13, 0, false},
                                 {"BACK", 134, 17, 0, true},  {"FOWD", 152, 17, 0, true}};
    LGUIWidget* child = view->firstChild();
    for (const Expected& e : expected) {
        ASSERT_NE(child, nullptr);
        auto* button = static_cast<LGUIButton*>(child);
        const std::int32_t code = (e.code[0] << 24) | (e.code[1] << 16) | (e.code[2] << 8) | e.code[3];
        EXPECT_EQ(button->command, code) << e.code;
        EXPECT_EQ(button->x, e.x) << e.code;
        EXPECT_EQ(button->y, 54) << e.code;
        EXPECT_EQ(button->w, e.w) << e.code;
        EXPECT_EQ(button->h, 13) << e.code;
        EXPECT_EQ(button->style, e.style) << e.code;
        EXPECT_EQ(button->enabled, e.enabled) << e.code;
        EXPECT_EQ(button->caption, nullptr) << e.code;
        EXPECT_FALSE(button->icon->isEmpty()) << e.code << ": the skin has its icon";
        child = child->next;
    }
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(view->playButton->command, commandCode("PLAY"));
    EXPECT_EQ(view->forwardButton->command, commandCode("FOWD"));
    EXPECT_TRUE(view->gridDirty);
    EXPECT_TRUE(view->followPlayback);
}

TEST_F(NSequencerEditTest, GridShowsRulerPatternsAutomationAndTheEditCursor)
{
    seq.tracks[0].setPatternAt(0, 9);             // "b2"
    seq.tracks[0].setPatternAt(2, 40);            // a pattern with no name
    seq.tracks[1].addEvent(Bar + Bar / 2, 3, 50); // half-way through bar 1: x = 30
    seq.tracks[4].addEvent(20 * Bar, 3, 50);      // beyond the right edge
    NSongCommands::locate(7 * Bar);               // the play column out of the way
    view->cursorColumn = 1;
    view->cursorRow = 3;
    redraw();
    EXPECT_FALSE(view->gridDirty);

    // Ruler: the top line of the view, its two grey lines and the bottom line, column lines, ticks.
    EXPECT_EQ(at(33, 0), 0x630C);
    EXPECT_EQ(at(33, 1), 0xC619);
    EXPECT_EQ(at(33, 2), 0xE73E);
    EXPECT_EQ(at(33, 3), 0xFFFF);
    EXPECT_EQ(at(33, 8), 0xE73E);
    EXPECT_EQ(at(20, 1), 0xA514);
    EXPECT_EQ(at(20, 8), 0xA514);
    EXPECT_EQ(at(30, 3), 0xFFFF);
    EXPECT_EQ(at(30, 4), 0x9492);
    EXPECT_EQ(at(25, 5), 0xFFFF);
    EXPECT_EQ(at(25, 6), 0x9492);
    EXPECT_EQ(at(35, 7), 0x9492);
    // Bar number "1" at (22, 2) in the grid font: ".#." then "##.".
    EXPECT_EQ(at(22, 2), 0xE73E);
    EXPECT_EQ(at(23, 2), 0x0000);
    EXPECT_EQ(at(22, 3), 0x0000);

    // Track 0: a pattern in bar 0 with its light line in row 10 and its name "b2" from (6, 11); a
    // pattern number above 31 is shown as a pattern without a name.
    const std::uint16_t tint = 0xE5F1; // 0xD404 halved plus mid grey
    EXPECT_EQ(at(3, 10), 0xEED7);      // the tint halved plus mid grey
    EXPECT_EQ(at(19, 10), 0xEED7);
    EXPECT_EQ(at(3, 9), blend565(tint, 0xD404, 1));
    EXPECT_EQ(at(6, 11), 0xFFFF);
    EXPECT_EQ(at(7, 11), at(3, 11));
    EXPECT_EQ(at(43, 10), 0xEED7);
    for (int x = 41; x < 60; ++x)
        EXPECT_NE(at(x, 13), 0xFFFF) << x;
    // Bar 1 is empty: white to the tint. Column lines stay white between tracks 0-3.
    EXPECT_EQ(at(23, 9), blend565(0xFFFF, tint, 1));
    EXPECT_EQ(at(20, 12), 0xFFFF);
    EXPECT_EQ(at(100, 40), 0xFFFF);
    // Track 4 also covers the column lines.
    EXPECT_EQ(at(20, 50), at(25, 50));
    EXPECT_NE(at(20, 50), 0xFFFF);

    // The automation tick of track 1 (rows 18 ... 26): rows r + 5 ... r + 7 at x = 30.
    EXPECT_EQ(at(30, 22), at(29, 22));
    EXPECT_EQ(at(30, 23), 0xF800);
    EXPECT_EQ(at(30, 25), 0xF800);
    EXPECT_NE(at(30, 26), 0xF800);
    EXPECT_NE(at(31, 24), 0xF800);

    // Edit cursor on bar 1, track 3 (rows 36 ... 44): white frame (20, 36)-(40, 44) in a black one.
    EXPECT_EQ(at(30, 35), 0x0000);
    EXPECT_EQ(at(30, 36), 0xFFFF);
    EXPECT_EQ(at(19, 40), 0x0000);
    EXPECT_EQ(at(20, 40), 0xFFFF);
    EXPECT_EQ(at(40, 44), 0xFFFF);
    EXPECT_EQ(at(41, 45), 0x0000);
    EXPECT_NE(at(42, 45), 0x0000);

    // The button bar's gradient begins at 0x420A on an even screen row (306) between the buttons.
    EXPECT_EQ(at(200, 54), 0x420A);
}

TEST_F(NSequencerEditTest, TheGridIsRenderedAgainOnlyWhenMarkedDirty)
{
    redraw();
    const std::uint16_t empty = at(25, 12);
    seq.tracks[0].setPatternAt(1, 0);
    redraw();
    EXPECT_EQ(at(25, 12), empty); // the copy of the grid is drawn again as it was
    view->gridDirty = true;
    redraw();
    EXPECT_NE(at(25, 12), empty);
}

TEST_F(NSequencerEditTest, LoopFlagsAndLinesWithTheStartFlagKeptInsideTheView)
{
    NSongCommands::locate(8 * Bar);
    NSongCommands::setLoopBars(0, 3);
    redraw();
    // Loop start at the first shown bar: the flag spans x = 0 ... 8, the line stays at x = 0.
    EXPECT_EQ(at(8, 1), LoopFlagEdge);
    EXPECT_EQ(at(8, 4), LoopFlagEdge);
    EXPECT_EQ(at(8, 7), LoopFlagEdge);
    EXPECT_EQ(at(4, 1), LoopFlagEdge);
    EXPECT_EQ(at(3, 2), LoopFlagFill);
    EXPECT_EQ(at(7, 6), LoopFlagFill);
    EXPECT_EQ(at(2, 2), 0xFFFF); // "L": a stem from (2, 2) and a foot on row 6
    EXPECT_EQ(at(4, 6), 0xFFFF);
    EXPECT_EQ(at(0, 4), LoopStartLine);
    EXPECT_EQ(at(0, 53), LoopStartLine);
    EXPECT_NE(at(0, 54), LoopStartLine);
    EXPECT_EQ(at(1, 4), half565(LoopFlagFill) + half565(LoopStartLine));
    // Loop end at bar 3: the "R" flag to the right of its line, lines in 0x4508.
    EXPECT_EQ(at(60, 4), 0x4508);
    EXPECT_EQ(at(68, 4), LoopFlagEdge);
    EXPECT_EQ(at(64, 1), LoopFlagEdge);
    EXPECT_EQ(at(62, 2), 0xFFFF); // "R" begins with "##."
    EXPECT_EQ(at(64, 2), LoopFlagFill);

    view->setScroll(1); // the start now left of the view, the end at x = 40
    NSongCommands::setLoopBars(2, 3);
    redraw();
    EXPECT_EQ(at(20, 4), LoopStartLine);
    EXPECT_EQ(at(12, 4), LoopFlagEdge);
    EXPECT_EQ(at(14, 2), 0xFFFF);
    EXPECT_EQ(at(40, 4), 0x4508);
    EXPECT_EQ(at(48, 4), LoopFlagEdge);
}

TEST_F(NSequencerEditTest, PlayColumnSitsOnePixelLeftWhenStoppedAndTheViewFollowsPlayback)
{
    NSongCommands::setLoopBars(10, 12); // the loop lines out of the way
    NSongCommands::locate(2 * Bar);
    redraw();
    // Stopped: the arrows point at x = 39; the bottom one below the five tracks (rows 50 ... 53).
    EXPECT_EQ(at(39, 4), ArrowEdge);
    EXPECT_NE(at(40, 4), ArrowEdge);
    EXPECT_EQ(at(36, 1), ArrowEdge);
    EXPECT_EQ(at(37, 1), ArrowInside);
    EXPECT_EQ(at(41, 1), ArrowInside);
    EXPECT_EQ(at(42, 1), ArrowEdge);
    EXPECT_EQ(at(39, 50), ArrowEdge);
    EXPECT_EQ(at(39, 53), ArrowInside);
    EXPECT_EQ(at(42, 53), ArrowEdge);
    EXPECT_NE(at(43, 53), ArrowEdge);

    NSongCommands::start();
    redraw();
    EXPECT_EQ(at(40, 4), ArrowEdge);
    EXPECT_NE(at(39, 4), ArrowEdge);
    EXPECT_EQ(at(43, 53), ArrowEdge);

    // The play column leaves the view: the playing bar becomes the first column.
    NSongCommands::locate(15 * Bar);
    view->gridDirty = false;
    redraw();
    EXPECT_EQ(view->scrollColumn, 15);
    EXPECT_FALSE(view->gridDirty); // rendered for the new scroll in the same draw
    EXPECT_EQ(at(0, 4), ArrowEdge);
    EXPECT_EQ(at(23, 2), 0x0000); // the second column now shows bar 16: "1" begins ".#."

    // Stopped, the view stays where it is.
    NSongCommands::stop();
    NSongCommands::locate(40 * Bar);
    redraw();
    EXPECT_EQ(view->scrollColumn, 15);
}

TEST_F(NSequencerEditTest, PatternModeShowsOnlyItsMessageAndClicksReachOnlyTheButtons)
{
    NSongCommands::setMode(0);
    redraw();
    EXPECT_EQ(at(100, 0), 0x630C);
    EXPECT_EQ(at(3, 4), 0x4208); // "Y" of the message: its first row at (3, 4)
    EXPECT_EQ(at(3, 3), 0xFFFF);
    int ink = 0;
    for (int y = 1; y < 54; ++y) {
        for (int x = 0; x < 240; ++x) {
            ASSERT_TRUE(at(x, y) == 0xFFFF || at(x, y) == 0x4208) << x << ", " << y;
            ink += at(x, y) == 0x4208 ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 200); // two lines of text
    EXPECT_EQ(at(200, 54), 0x420A);

    NSongCommands::locate(3 * Bar);
    click(11, 4);
    click(45, 30);
    EXPECT_EQ(seq.position, 3 * Bar);
    EXPECT_EQ(view->cursorRow, 0);
    EXPECT_EQ(view->cursorColumn, 0);
    click(5, 60);
    EXPECT_EQ(commandsSent(), std::vector<std::int32_t>{commandCode("PLAY")});
}

TEST_F(NSequencerEditTest, RulerClicksLocateToTheNearestBarAndTrackClicksMoveTheCursor)
{
    NSongCommands::locate(5 * Bar);
    click(9, 4);
    EXPECT_EQ(seq.position, 0);
    click(10, 4);
    EXPECT_EQ(seq.position, 0);
    click(11, 4);
    EXPECT_EQ(seq.position, Bar);
    view->setScroll(2);
    click(29, 8);
    EXPECT_EQ(seq.position, 3 * Bar);
    click(31, 0);
    EXPECT_EQ(seq.position, 4 * Bar);

    click(45, 9 * 3 + 2); // track 2, third column
    EXPECT_EQ(view->cursorRow, 2);
    EXPECT_EQ(view->cursorColumn, 4);
    click(239, 53); // track 4, last column, cut off
    EXPECT_EQ(view->cursorRow, 4);
    EXPECT_EQ(view->cursorColumn, 13);

    // The button bar, and presses outside the view, change nothing.
    view->dirty = false;
    click(200, 60);
    click(100, -2);
    EXPECT_EQ(seq.position, 4 * Bar);
    EXPECT_EQ(view->cursorRow, 4);
    EXPECT_EQ(view->cursorColumn, 13);
    EXPECT_TRUE(view->dirty);
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(NSequencerEditTest, PageUpDownAndTheScrollButtonsMoveFourBarsWithinTheLimits)
{
    view->setScroll(2);
    view->gridDirty = false;
    view->keyDown(0x21);
    EXPECT_EQ(view->scrollColumn, 0);
    EXPECT_TRUE(view->gridDirty);

    view->setScroll(978);
    view->gridDirty = false;
    view->keyDown(0x22);
    EXPECT_EQ(view->scrollColumn, 980);
    EXPECT_TRUE(view->gridDirty);
    view->gridDirty = false;
    view->dirty = false;
    view->keyDown(0x22);
    EXPECT_EQ(view->scrollColumn, 980);
    EXPECT_FALSE(view->gridDirty);
    EXPECT_TRUE(view->dirty);

    // The buttons do the same, and their events go no further; the others reach the screen.
    click(134 + 8, 54 + 6);
    EXPECT_EQ(view->scrollColumn, 976);
    click(152 + 8, 54 + 6);
    EXPECT_EQ(view->scrollColumn, 980);
    click(20 + 9, 54 + 6);
    EXPECT_EQ(commandsSent(), std::vector<std::int32_t>{commandCode("STOP")});

    view->setScroll(-5);
    EXPECT_EQ(view->scrollColumn, 0);
    view->setScroll(5000);
    EXPECT_EQ(view->scrollColumn, 980);
}

TEST_F(NSequencerEditTest, ArrowKeysKeepTheCursorInRangeAndInView)
{
    view->cursorColumn = 989;
    view->keyDown(0x27);
    EXPECT_EQ(view->cursorColumn, 990);
    EXPECT_EQ(view->scrollColumn, 979); // bars 979 ... 991 shown
    view->keyDown(0x27);
    EXPECT_EQ(view->cursorColumn, 990);
    EXPECT_EQ(view->scrollColumn, 979);

    view->cursorColumn = 979;
    view->keyDown(0x25);
    EXPECT_EQ(view->cursorColumn, 978);
    EXPECT_EQ(view->scrollColumn, 978);
    view->cursorColumn = 0;
    view->keyDown(0x25);
    EXPECT_EQ(view->cursorColumn, 0);
    EXPECT_EQ(view->scrollColumn, 0);

    view->keyDown(0x26);
    EXPECT_EQ(view->cursorRow, 0);
    for (int i = 0; i < 6; ++i)
        view->keyDown(0x28);
    EXPECT_EQ(view->cursorRow, 4);
    view->keyDown(0x26);
    EXPECT_EQ(view->cursorRow, 3);

    NSongCommands::setMode(0); // the cursor keys belong to song mode
    view->keyDown(0x26);
    view->keyDown(0x27);
    EXPECT_EQ(view->cursorRow, 3);
    EXPECT_EQ(view->cursorColumn, 0);
}

TEST_F(NSequencerEditTest, BackspaceRemovesTheAutomationOfTheCursorCellOnly)
{
    NSeqTrack& track = seq.tracks[2];
    for (int position : {Bar - 1, Bar, Bar + 40, 2 * Bar - 1, 2 * Bar})
        track.addEvent(position, 3, 10);
    seq.tracks[1].addEvent(Bar + 40, 3, 10);
    const int before = track.eventCount(3);
    const int neighbour = seq.tracks[1].eventCount(3);
    redraw();
    for (int x : {19, 20, 23, 39, 40}) // positions 255, 256, 296, 511, 512 of track 2 (rows 27 ... 35)
        EXPECT_EQ(at(x, 27 + 5), 0xF800) << x;

    view->cursorRow = 2;
    view->cursorColumn = 1;
    view->keyDown(0x08);
    EXPECT_EQ(track.eventCount(3), before - 3);
    EXPECT_EQ(seq.tracks[1].eventCount(3), neighbour);
    EXPECT_TRUE(view->gridDirty);
    EXPECT_TRUE(view->dirty);
    view->cursorColumn = 5; // the cursor's frame away from the ticks
    sink.draw(0, 0);
    for (int x : {20, 23, 39})
        EXPECT_NE(at(x, 27 + 5), 0xF800) << x;
    for (int x : {19, 40})
        EXPECT_EQ(at(x, 27 + 5), 0xF800) << x;

    NSongCommands::setMode(0);
    view->cursorColumn = 2;
    view->keyDown(0x08);
    EXPECT_EQ(track.eventCount(3), before - 3);
}

TEST_F(NSequencerEditTest, EnterStartsAndStopsAndSpaceAlternatesBetweenLoopStartAndSongStart)
{
    NSongCommands::setLoopBars(2, 4);
    NSongCommands::locate(3 * Bar);
    view->keyDown(0x0D);
    EXPECT_TRUE(seq.playing);
    view->keyDown(0x0D);
    EXPECT_FALSE(seq.playing);
    view->keyDown(0x20);
    EXPECT_EQ(seq.position, 2 * Bar);
    view->keyDown(0x20);
    EXPECT_EQ(seq.position, 0);
    view->keyDown(0x20);
    EXPECT_EQ(seq.position, 2 * Bar);

    NSongCommands::setMode(0); // both work in pattern mode too
    view->keyDown(0x0D);
    EXPECT_TRUE(seq.playing);
    view->keyDown(0x20);
    EXPECT_FALSE(seq.playing);
}

TEST_F(NSequencerEditTest, HomeAndEndMoveTheLoopMarkersToTheNearestBar)
{
    NSongCommands::setLoopBars(0, 4);
    NSongCommands::locate(5 * Bar);
    view->keyDown(0x24);
    EXPECT_EQ(seq.loopStart, 5);
    EXPECT_EQ(seq.loopEnd, 6);
    NSongCommands::locate(3 * Bar);
    view->keyDown(0x23);
    EXPECT_EQ(seq.loopEnd, 3);
    EXPECT_EQ(seq.loopStart, 2);

    NSongCommands::setMode(0);
    NSongCommands::locate(7 * Bar);
    view->keyDown(0x24);
    view->keyDown(0x23);
    EXPECT_EQ(seq.loopStart, 2);
    EXPECT_EQ(seq.loopEnd, 3);
}

TEST_F(NSequencerEditTest, EditingKeysGoUpAsButtonEventsAndUnknownKeysDoNothing)
{
    for (int key : {0x2E, 0x52, 0x6A, 0x6B, 0x6D, 0x41, 0x1B})
        view->keyDown(key);
    const std::vector<std::int32_t> expected = {commandCode("DELE"), commandCode("REPE"), commandCode("REPE"),
                                                commandCode("INCR"), commandCode("DECR")};
    EXPECT_EQ(commandsSent(), expected);
    for (const LGUIEvent& e : sink.events) {
        EXPECT_EQ(e.type, LGUIEvent::Clicked);
        EXPECT_EQ(e.value, 0);
    }
    NSongCommands::setMode(0);
    view->keyDown(0x2E);
    EXPECT_EQ(sink.events.size(), expected.size());
}
