#include "app/NSequencerEdit.h"

#include "engine/NEngineGuard.h"
#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "foundation/KESOString.h"
#include "foundation/MemoryTracker.h"
#include "gui/LFont.h"
#include "gui/LGUIButton.h"
#include "gui/LGUIEvent.h"
#include "gui/LScreenBitmap.h"
#include "gui/NBitmapCache.h"

#include <algorithm>

namespace {

constexpr std::uint16_t TrackColours[NSequencer::MachineCount] = {0xD404, 0x341B, 0x24E4, 0x6295, 0x6391};

enum Key {
    Backspace = 0x08,
    Enter = 0x0D,
    Space = 0x20,
    PageUp = 0x21,
    PageDown = 0x22,
    End = 0x23,
    Home = 0x24,
    Left = 0x25,
    Up = 0x26,
    Right = 0x27,
    Down = 0x28,
    Delete = 0x2E,
    R = 0x52,
    KeypadMultiply = 0x6A,
    KeypadPlus = 0x6B,
    KeypadMinus = 0x6D,
};

// Screen coordinates that may come from any 32-bit song value, kept far enough outside the screen
// that every primitive still clips them the same way, and that adding a few pixels cannot overflow.
int screenCoordinate(long long x)
{
    return static_cast<int>(std::clamp<long long>(x, -1024, 4096));
}

// The pixel offset of a song position from the first shown bar; truncates toward zero.
long long pixelOffset(long long ticks, int scrollColumn, int barTicks, int columnWidth)
{
    return (ticks - static_cast<long long>(scrollColumn) * barTicks) * columnWidth / barTicks;
}

LGUIButton* makeButton(int command, int x, int y, int w, const char16_t* icon, int style)
{
    KESOBitmap* bitmap = NBitmapCache::instance().request(NBitmapCache::skinPath(icon));
    KESO_OWNER("NSequencerEdit::NSequencerEdit");
    return new LGUIButton(nullptr, command, x, y, w, 13, style, bitmap);
}

} // namespace

// The transport as one draw sees it.
NSequencerEdit::NSequencerEdit(int x, int y, int w, int h) : LGUIContainer(x, y, w, h)
{
    const int by = h - ButtonBarHeight;
    addChild(playButton = makeButton(commandCode("PLAY"), 0, by, 19, u"play.tga", 0));
    addChild(stopButton = makeButton(commandCode("STOP"), 20, by, 19, u"stop.tga", 0));
    addChild(recordButton = makeButton(commandCode("RECO"), 40, by, 19, u"rec.tga", LGUIButton::Toggle));
    addChild(incrementButton = makeButton(commandCode("INCR"), 62, by, 13, u"plus.tga", 0));
    addChild(decrementButton = makeButton(commandCode("DECR"), 76, by, 13, u"minus.tga", 0));
    addChild(repeatButton = makeButton(commandCode("REPE"), 90, by, 13, u"repeat.tga", 0));
    addChild(deleteBlockButton = makeButton(commandCode("DELE"), 104, by, 13, u"delblock.tga", 0));
    addChild(deleteAutomationButton = makeButton(commandCode("DELA"), 118, by, 13, u"delauto.tga", 0));
    addChild(backwardButton = makeButton(commandCode("BACK"), 134, by, 17, u"backward.tga", 0));
    addChild(forwardButton = makeButton(commandCode("FOWD"), 152, by, 17, u"forward.tga", 0));
    // Editing the arrangement is not part of this program; the buttons keep their places.
    for (LGUIButton* b : {recordButton, incrementButton, decrementButton, repeatButton, deleteBlockButton,
                          deleteAutomationButton})
        b->setEnabled(false);
    gridBitmap.create(w, h);
}

NSequencerEdit::~NSequencerEdit() = default;

int NSequencerEdit::trackCount() const
{
    NEngineGuard guard;
    return std::clamp(NSequencer::instance().machineCount, 0, static_cast<int>(NSequencer::MachineCount));
}

void NSequencerEdit::setScroll(int column)
{
    const int clamped = std::clamp(column, 0, MaxScroll);
    if (clamped == scrollColumn)
        return;
    scrollColumn = clamped;
    gridDirty = true;
}

void NSequencerEdit::scrollToPosition(int position, int barTicks)
{
    setScroll(position / std::max(barTicks, 1));
}

void NSequencerEdit::scrollToPlayPosition()
{
    const NSongCommands::Transport t = NSongCommands::transport();
    scrollToPosition(t.position, t.stepsPerBar * NSequencer::TicksPerStep);
}

void NSequencerEdit::ensureCursorVisible()
{
    const int lastOffset = w / ColumnWidth - 1;
    if (cursorColumn < scrollColumn)
        setScroll(cursorColumn);
    else if (cursorColumn - scrollColumn > lastOffset)
        setScroll(cursorColumn - lastOffset);
}

void NSequencerEdit::deleteCellAutomation()
{
    NSongCommands::removeAutomation(cursorRow, cursorColumn);
    gridDirty = true;
    invalidate();
}

void NSequencerEdit::onEvent(const LGUIEvent* event)
{
    if (event->type == LGUIEvent::Clicked && event->command == commandCode("BACK")) {
        setScroll(scrollColumn - ScrollStep);
        invalidate();
        return;
    }
    if (event->type == LGUIEvent::Clicked && event->command == commandCode("FOWD")) {
        setScroll(scrollColumn + ScrollStep);
        invalidate();
        return;
    }
    LGUIContainer::onEvent(event);
}

void NSequencerEdit::sendToSelf(const char (&code)[5])
{
    const LGUIEvent event = {LGUIEvent::Clicked, commandCode(code), 0, 0, 0};
    onEvent(&event);
}

void NSequencerEdit::mouseDown(int px, int py)
{
    if (!contains(px, py))
        return;
    LGUIContainer::mouseDown(px, py);
    const NSongCommands::Transport t = NSongCommands::transport();
    if (t.mode == 0)
        return;
    const int row = (py - y) / RowHeight;
    const int cx = px - x;
    if (row >= 1 && row <= trackCount()) {
        cursorRow = row - 1;
        cursorColumn = cx / ColumnWidth + scrollColumn;
    } else if (row == 0) {
        // The bar boundary nearest the click.
        const int bar = std::max((cx + 9) / ColumnWidth + scrollColumn, 0);
        NSongCommands::locate(bar * t.stepsPerBar * NSequencer::TicksPerStep);
    }
    invalidate();
}

void NSequencerEdit::keyDown(int key)
{
    if (key == Enter) {
        NSongCommands::startOrStop();
        return;
    }
    if (key == Space) {
        NSongCommands::stopOrRewind();
        return;
    }
    if (NSongCommands::transport().mode != 1)
        return;
    switch (key) {
    case Backspace:
        deleteCellAutomation();
        break;
    case PageUp:
        sendToSelf("BACK");
        break;
    case PageDown:
        sendToSelf("FOWD");
        break;
    case End:
        NSongCommands::setLoopEndAtPosition();
        break;
    case Home:
        NSongCommands::setLoopStartAtPosition();
        break;
    case Left:
        cursorColumn = std::max(cursorColumn - 1, 0);
        ensureCursorVisible();
        break;
    case Up:
        cursorRow = std::max(cursorRow - 1, 0);
        break;
    case Right:
        cursorColumn = std::min(cursorColumn + 1, MaxCursorColumn);
        ensureCursorVisible();
        break;
    case Down:
        // Without tracks the cursor stays on row 0 rather than going negative.
        cursorRow = std::max(std::min(cursorRow + 1, trackCount() - 1), 0);
        break;
    case Delete:
        sendToSelf("DELE");
        break;
    case R:
    case KeypadMultiply:
        sendToSelf("REPE");
        break;
    case KeypadPlus:
        sendToSelf("INCR");
        break;
    case KeypadMinus:
        sendToSelf("DECR");
        break;
    default:
        break;
    }
}

void NSequencerEdit::renderGrid()
{
    gridDirty = false;
    const int columns = visibleColumns();
    const int tracks = NSequencer::MachineCount;
    cells_.assign(static_cast<size_t>(tracks) * columns, -1);
    ticks_.assign(static_cast<size_t>(tracks) * std::max(w, 0), 0);
    int trackTotal;
    {
        NEngineGuard guard;
        const NSequencer& song = NSequencer::instance();
        trackTotal = std::clamp(song.machineCount, 0, tracks);
        const int barTicks = std::max(song.barTicks(), 1);
        for (int t = 0; t < trackTotal; ++t) {
            const NSeqTrack& track = song.tracks[t];
            for (int j = 0; j < columns; ++j)
                cells_[t * columns + j] = static_cast<std::int8_t>(track.patternAt(scrollColumn + j));
            // Events are ordered, so the first one beyond the right edge ends the walk.
            for (const NSeqEvent* e = track.firstEvent(); e != nullptr; e = e->next) {
                const long long dx = pixelOffset(e->position, scrollColumn, barTicks, ColumnWidth);
                if (dx >= w)
                    break;
                if (dx >= 0)
                    ticks_[t * w + dx] = 1;
            }
        }
    }

    KESOBitmap& g = gridBitmap;
    g.fillRect(0, 0, w, 9, 0xFFFF);
    g.drawHLine(0, 1, w, 0xC619);
    g.drawHLine(0, 2, w, 0xE73E);
    g.drawHLine(0, 8, w, 0xE73E);
    for (int j = 0; j < columns; ++j) {
        const int x = ColumnWidth * j;
        g.drawVLine(x, 1, 9, 0xA514);
        g.drawVLine(x, 9, 45, 0xFFFF);
        g.drawVLine(x + 10, 4, 9, 0x9492);
        g.drawVLine(x + 5, 6, 9, 0x9492);
        g.drawVLine(x + 15, 7, 9, 0x9492);
        g.drawText(intToString(scrollColumn + j).c_str(), x + 2, 2, 0x0000, LFont::Grid, fillRowMasked,
                   LFont::NoLimit);
    }
    for (int t = 0; t < trackTotal; ++t) {
        const int r = RowHeight + RowHeight * t;
        const std::uint16_t k = TrackColours[t];
        const std::uint16_t tint = light565(k);
        // The last row also covers the white column lines, closing the grid at the bottom.
        const int left = t < 4 ? 1 : 0;
        const int right = t < 4 ? 20 : 21;
        for (int j = 0; j < columns; ++j) {
            const int x1 = ColumnWidth * j + left;
            const int x2 = ColumnWidth * j + right;
            const int pattern = cells_[t * columns + j];
            if (pattern >= 0) {
                g.fillGradient(x1, r, x2, r + 9, tint, k);
                g.drawHLine(x1, r + 1, x1 + 19, light565(tint));
            } else {
                g.fillGradient(x1, r, x2, r + 9, 0xFFFF, tint);
            }
            if (pattern >= 0 && pattern < 32) {
                const char16_t name[] = {static_cast<char16_t>(u'a' + pattern / 8),
                                         static_cast<char16_t>(u'1' + pattern % 8), 0};
                g.drawText(name, ColumnWidth * j + 6, r + 2, 0xFFFF, LFont::Grid, fillRowMasked, LFont::NoLimit);
            }
        }
        for (int dx = 0; dx < w; ++dx) {
            if (ticks_[t * w + dx] != 0)
                g.drawVLine(dx, r + 5, r + 8, 0xF800);
        }
    }
}

void NSequencerEdit::draw(int ox, int oy)
{
    if (dirty) {
        const int X = ox + x;
        const int Y = oy + y;
        const SongState song = readSong();
        LScreenBitmap& screen = LScreenBitmap::instance();
        if (song.mode == 1) {
            drawSong(song, X, Y);
        } else {
            screen.fillRect(X, Y, X + w, Y + h, 0xFFFF);
            screen.drawText(u"You are in Pattern Mode. Tap the Song checkbox below\nto access the Sequencer.", X + 3,
                            Y + 3, 0x4208, LFont::Interface, fillRowMasked, LFont::NoLimit);
        }
        screen.fillGradient(X, Y + h - ButtonBarHeight, X + w, Y + h, 0x420A, 0xC61C);
        screen.drawHLine(X, Y, X + w, 0x630C);
        screen.invalidate({X, Y, w, h});
        dirty = false;
        shown_ = song;
        showsSong_ = true;
    }
    LGUIContainer::draw(ox, oy);
}

NSequencerEdit::SongState NSequencerEdit::readSong()
{
    NEngineGuard guard;
    const NSequencer& s = NSequencer::instance();
    return {s.mode,    s.position,  std::max(s.barTicks(), 1),
            s.loopStart, s.loopEnd, s.playing,
            std::clamp(s.machineCount, 0, static_cast<int>(NSequencer::MachineCount))};
}

bool NSequencerEdit::showsCurrentSong() const
{
    return showsSong_ && !dirty && !gridDirty && readSong() == shown_;
}

void NSequencerEdit::drawSong(const SongState& song, int X, int Y)
{
    LScreenBitmap& screen = LScreenBitmap::instance();
    long long px = pixelOffset(song.position, scrollColumn, song.barTicks, ColumnWidth);
    if (song.playing && followPlayback && (px < 0 || px >= w)) {
        scrollToPosition(song.position, song.barTicks);
        invalidate();
    }
    px = pixelOffset(song.position, scrollColumn, song.barTicks, ColumnWidth) - (song.playing ? 0 : 1);
    const int playX = screenCoordinate(X + px);

    if (gridDirty)
        renderGrid();
    gridBitmap.blit(screen, X, Y, 0, 0, gridBitmap.width(), gridBitmap.height(), copyRow, -1, true);

    // The left edge of a bar's column on the screen.
    auto barX = [&](int bar) {
        return screenCoordinate(X + ColumnWidth * (static_cast<long long>(bar) - scrollColumn));
    };

    // Edit cursor: a white frame inside a black one.
    const int cx = barX(cursorColumn);
    const int cy = Y + RowHeight * (cursorRow + 1);
    screen.drawRect(cx - 1, cy - 1, cx + 21, cy + 9, 0x0000);
    screen.drawRect(cx, cy, cx + 20, cy + 8, 0xFFFF);

    const int sx = barX(song.loopStart);
    const int ex = barX(song.loopEnd);
    // A loop starting at the first shown bar keeps its flag inside the view.
    const int lx = song.loopStart == scrollColumn ? X + 8 : sx;
    screen.fillRect(lx - 8, Y + 1, lx, Y + 7, 0x528A);
    screen.drawRect(lx - 8, Y + 1, lx, Y + 7, 0xA514);
    screen.drawText(u"L", lx - 6, Y + 2, 0xFFFF, LFont::Grid, fillRowMasked, LFont::NoLimit);
    screen.fillRect(ex, Y + 1, ex + 8, Y + 7, 0x528A);
    screen.drawRect(ex, Y + 1, ex + 8, Y + 7, 0xA514);
    screen.drawText(u"R", ex + 2, Y + 2, 0xFFFF, LFont::Grid, fillRowMasked, LFont::NoLimit);

    const int top = Y + 1;
    const int bottom = Y + RowHeight * (song.trackCount + 1);
    screen.blendVLine(playX - 1, top, bottom, 0x4518);
    screen.blendVLine(playX, top, bottom, 0x0210);
    screen.blendVLine(playX + 1, top, bottom, 0x4518);
    screen.blendVLine(sx - 1, top, bottom, 0xFA08);
    screen.drawVLine(sx, top, bottom, 0xFA08);
    screen.blendVLine(sx + 1, top, bottom, 0xFA08);
    screen.blendVLine(ex - 1, top, bottom, 0x4508);
    screen.drawVLine(ex, top, bottom, 0x4508);
    screen.blendVLine(ex + 1, top, bottom, 0x4508);

    // Two small triangles: pointing down in the ruler, up below the last track.
    for (int i = 0; i < 4; ++i) {
        for (int row : {Y + 4 - i, Y + RowHeight * song.trackCount + 5 + i}) {
            screen.drawHLine(playX - i, row, playX + i + 1, 0x42CE);
            if (i >= 1)
                screen.drawHLine(playX - i + 1, row, playX + i, 0xD71F);
        }
    }
}
