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

#include <array>
#include <cstdio>
#include <string>
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

    // Checks pixels of the view given as {x, y, colour}.
    static void expectPixels(std::initializer_list<std::array<int, 3>> pixels)
    {
        for (auto [x, y, colour] : pixels)
            EXPECT_EQ(at(x, y), colour) << "at (" << x << ", " << y << ")";
    }
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
    std::string layout;
    for (LGUIWidget* child = view->firstChild(); child != nullptr; child = child->next) {
        auto* b = static_cast<LGUIButton*>(child);
        char line[64];
        std::snprintf(line, sizeof line, "%c%c%c%c %d,%d %dx%d %d%s%s ", b->command >> 24, b->command >> 16,
                      b->command >> 8, b->command, b->x, b->y, b->w, b->h, b->style, b->enabled ? "" : " off",
                      b->caption == nullptr && !b->icon->isEmpty() ? "" : " ?");
        layout += line;
    }
    EXPECT_EQ(layout, "PLAY 0,54 19x13 0 STOP 20,54 19x13 0 RECO 40,54 19x13 1 off INCR 62,54 13x13 0 off "
                      "DECR 76,54 13x13 0 off REPE 90,54 13x13 0 off DELE 104,54 13x13 0 off "
                      "DELA 118,54 13x13 0 off BACK 134,54 17x13 0 FOWD 152,54 17x13 0 ");
    EXPECT_EQ(view->forwardButton, view->lastChild());
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

    // Ruler: the view's top line, two grey lines, the bottom line, column lines and ticks; the bar
    // number "1" at (22, 2) in the grid font (".#." over "##.").
    expectPixels({{33, 0, 0x630C}, {33, 1, 0xC619}, {33, 2, 0xE73E}, {33, 3, 0xFFFF}, {33, 8, 0xE73E},
                  {20, 1, 0xA514}, {20, 8, 0xA514}, {30, 3, 0xFFFF}, {30, 4, 0x9492}, {25, 5, 0xFFFF},
                  {25, 6, 0x9492}, {35, 7, 0x9492}, {22, 2, 0xE73E}, {23, 2, 0x0000}, {22, 3, 0x0000}});

    // Track 0: a pattern in bar 0, its row 10 in the tint's tint, its name "b2" from (6, 11); a
    // pattern above 31 has no name. Bar 1 is empty: white to the tint. The white column lines
    // stay between tracks 0-3 and are covered by track 4.
    const std::uint16_t tint = 0xE5F1; // 0xD404 halved plus mid grey
    expectPixels({{3, 10, 0xEED7}, {19, 10, 0xEED7}, {43, 10, 0xEED7}, {3, 9, blend565(tint, 0xD404, 1)},
                  {6, 11, 0xFFFF}, {7, 11, at(3, 11)}, {23, 9, blend565(0xFFFF, tint, 1)}, {20, 12, 0xFFFF},
                  {100, 40, 0xFFFF}, {20, 50, at(25, 50)}});
    for (int x = 41; x < 60; ++x)
        EXPECT_NE(at(x, 13), 0xFFFF) << x;
    EXPECT_NE(at(20, 50), 0xFFFF);

    // Track 1's automation tick, rows r + 5 ... r + 7 (r = 18) at x = 30.
    expectPixels({{30, 22, at(29, 22)}, {30, 23, 0xF800}, {30, 25, 0xF800}});
    EXPECT_NE(at(30, 26), 0xF800);
    EXPECT_NE(at(31, 24), 0xF800);

    // Edit cursor on bar 1, track 3 (rows 36 ... 44): a white frame (20, 36)-(40, 44) in a black one.
    expectPixels({{30, 35, 0x0000}, {30, 36, 0xFFFF}, {19, 40, 0x0000}, {20, 40, 0xFFFF}, {40, 44, 0xFFFF},
                  {41, 45, 0x0000}});
    EXPECT_NE(at(42, 45), 0x0000);
    // The button bar's gradient begins at 0x420A on an even screen row (306).
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
    // Start at the first shown bar: the flag spans x = 0 ... 8 with "L" (a stem from (2, 2), a foot
    // on row 6), the line stays at x = 0 down to row 53 and blends its neighbours.
    expectPixels({{8, 1, LoopFlagEdge}, {8, 4, LoopFlagEdge}, {8, 7, LoopFlagEdge}, {4, 1, LoopFlagEdge},
                  {3, 2, LoopFlagFill}, {7, 6, LoopFlagFill}, {2, 2, 0xFFFF}, {4, 6, 0xFFFF},
                  {0, 4, LoopStartLine}, {0, 53, LoopStartLine},
                  {1, 4, half565(LoopFlagFill) + half565(LoopStartLine)}});
    EXPECT_NE(at(0, 54), LoopStartLine);
    // End at bar 3: the "R" flag ("##." on top) right of its line, lines in 0x4508.
    expectPixels(
        {{60, 4, 0x4508}, {68, 4, LoopFlagEdge}, {64, 1, LoopFlagEdge}, {62, 2, 0xFFFF}, {64, 2, LoopFlagFill}});

    view->setScroll(1);
    NSongCommands::setLoopBars(2, 3);
    redraw();
    expectPixels(
        {{20, 4, LoopStartLine}, {12, 4, LoopFlagEdge}, {14, 2, 0xFFFF}, {40, 4, 0x4508}, {48, 4, LoopFlagEdge}});
}

TEST_F(NSequencerEditTest, PlayColumnSitsOnePixelLeftWhenStoppedAndTheViewFollowsPlayback)
{
    NSongCommands::setLoopBars(10, 12); // the loop lines out of the way
    NSongCommands::locate(2 * Bar);
    redraw();
    // Stopped: the arrows point at x = 39, down in the ruler and up below the five tracks.
    expectPixels({{39, 4, ArrowEdge}, {36, 1, ArrowEdge}, {37, 1, ArrowInside}, {41, 1, ArrowInside},
                  {42, 1, ArrowEdge}, {39, 50, ArrowEdge}, {39, 53, ArrowInside}, {42, 53, ArrowEdge}});
    EXPECT_NE(at(40, 4), ArrowEdge);
    EXPECT_NE(at(43, 53), ArrowEdge);

    NSongCommands::start();
    redraw();
    expectPixels({{40, 4, ArrowEdge}, {43, 53, ArrowEdge}});
    EXPECT_NE(at(39, 4), ArrowEdge);

    // The play column leaves the view: the playing bar becomes the first column at once.
    NSongCommands::locate(15 * Bar);
    view->gridDirty = false;
    redraw();
    EXPECT_EQ(view->scrollColumn, 15);
    EXPECT_FALSE(view->gridDirty);
    expectPixels({{0, 4, ArrowEdge}, {23, 2, 0x0000}}); // the second column shows bar 16: "1" is ".#."

    NSongCommands::stop(); // stopped, the view stays where it is
    NSongCommands::locate(40 * Bar);
    redraw();
    EXPECT_EQ(view->scrollColumn, 15);
}

TEST_F(NSequencerEditTest, PatternModeShowsOnlyItsMessageAndClicksReachOnlyTheButtons)
{
    NSongCommands::setMode(0);
    redraw();
    expectPixels({{100, 0, 0x630C}, {3, 3, 0xFFFF}, {3, 4, 0x4208}, {200, 54, 0x420A}}); // "Y" from row 4
    int ink = 0;
    for (int y = 1; y < 54; ++y) {
        for (int x = 0; x < 240; ++x) {
            ASSERT_TRUE(at(x, y) == 0xFFFF || at(x, y) == 0x4208) << x << ", " << y;
            ink += at(x, y) == 0x4208 ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 200); // two lines of text

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
    const int clicks[][3] = {{0, 9, 0}, {0, 10, 0}, {0, 11, 1}, {2, 29, 3}, {2, 31, 4}}; // scroll, x, bar
    for (auto [scroll, x, bar] : clicks) {
        view->setScroll(scroll);
        click(x, 4);
        EXPECT_EQ(seq.position, bar * Bar) << "x " << x << " at scroll " << scroll;
    }
    click(45, 9 * 3 + 2); // track 2, third column
    EXPECT_EQ(view->cursorRow, 2);
    EXPECT_EQ(view->cursorColumn, 4);
    click(239, 53); // track 4, the last column, cut off
    EXPECT_EQ(view->cursorRow, 4);
    EXPECT_EQ(view->cursorColumn, 13);

    // The button bar, and presses outside the view, change nothing.
    view->dirty = false;
    click(200, 60);
    click(100, -2);
    EXPECT_EQ(seq.position, 4 * Bar);
    EXPECT_EQ(view->cursorColumn, 13);
    EXPECT_TRUE(view->dirty);
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(NSequencerEditTest, PageUpDownAndTheScrollButtonsMoveFourBarsWithinTheLimits)
{
    // scroll before, key, scroll after, whether the grid must be rendered again
    const int cases[][4] = {{2, 0x21, 0, 1}, {978, 0x22, 980, 1}, {980, 0x22, 980, 0}};
    for (auto [before, key, after, rendered] : cases) {
        view->setScroll(before);
        view->gridDirty = false;
        view->dirty = false;
        view->keyDown(key);
        EXPECT_EQ(view->scrollColumn, after) << before;
        EXPECT_EQ(view->gridDirty, rendered != 0) << before;
        EXPECT_TRUE(view->dirty);
    }
    // The buttons do the same, and their events go no further; the others reach the screen.
    click(134 + 8, 54 + 6);
    EXPECT_EQ(view->scrollColumn, 976);
    click(152 + 8, 54 + 6);
    EXPECT_EQ(view->scrollColumn, 980);
    click(20 + 9, 54 + 6);
    EXPECT_EQ(commandsSent(), std::vector<std::int32_t>{commandCode("STOP")});
}

TEST_F(NSequencerEditTest, ArrowKeysKeepTheCursorInRangeAndInView)
{
    view->cursorColumn = 989;
    view->keyDown(0x27);
    view->keyDown(0x27);
    EXPECT_EQ(view->cursorColumn, 990);
    EXPECT_EQ(view->scrollColumn, 979); // bars 979 ... 991 shown
    view->cursorColumn = 979;
    view->keyDown(0x25);
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

    NSongCommands::setMode(0); // the cursor keys belong to song mode
    view->keyDown(0x26);
    view->keyDown(0x27);
    EXPECT_EQ(view->cursorRow, 4);
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
    for (int x : {19, 20, 23, 39, 40}) // the five positions on track 2 (rows 27 ... 35)
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
    expectPixels({{19, 32, 0xF800}, {40, 32, 0xF800}});

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
    for (int expected : {2 * Bar, 0, 2 * Bar}) {
        view->keyDown(0x20);
        EXPECT_EQ(seq.position, expected);
    }
    NSongCommands::setMode(0); // both work in pattern mode too
    view->keyDown(0x0D);
    EXPECT_TRUE(seq.playing);
    view->keyDown(0x20);
    EXPECT_FALSE(seq.playing);
}

TEST_F(NSequencerEditTest, HomeAndEndMoveTheLoopMarkersToTheNearestBarInSongModeOnly)
{
    NSongCommands::setLoopBars(0, 4);
    NSongCommands::locate(5 * Bar);
    view->keyDown(0x24);
    EXPECT_EQ(seq.loopStart, 5);
    EXPECT_EQ(seq.loopEnd, 6);
    NSongCommands::locate(3 * Bar);
    view->keyDown(0x23);
    EXPECT_EQ(seq.loopStart, 2);
    EXPECT_EQ(seq.loopEnd, 3);

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
    for (const LGUIEvent& e : sink.events)
        EXPECT_TRUE(e.type == LGUIEvent::Clicked && e.value == 0);
    NSongCommands::setMode(0);
    view->keyDown(0x2E);
    EXPECT_EQ(sink.events.size(), expected.size());
}

TEST_F(NSequencerEditTest, LoopBarsFarBeyondTheSongAndASongWithoutTracksDrawAndMoveSafely)
{
    NSongCommands::setLoopBars(2000000000, 2147483647); // as a hostile file may leave them
    redraw();
    for (int x = 0; x < 240; ++x)
        ASSERT_NE(at(x, 30), LoopStartLine) << x;

    seq.machineCount = 0;
    view->keyDown(0x28);
    EXPECT_EQ(view->cursorRow, 0);
    view->gridDirty = true;
    redraw(); // nothing to read from the song's tracks
    EXPECT_EQ(view->cursorRow, 0);
}
