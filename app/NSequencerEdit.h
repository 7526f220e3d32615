#pragma once

#include "gui/KESOBitmap.h"
#include "gui/LGUIContainer.h"

#include <cstdint>
#include <vector>

class LGUIButton;

// The song arrangement at the bottom of the export screen: a ruler of bars, one row per track with
// its patterns and automation, the loop markers and the play position, over a bar of transport
// buttons. It follows playback, locates on ruler clicks and moves an edit cursor. Every change to
// the song goes through NSongCommands; drawing works from a copy of the song taken under a brief
// engine lock.
class NSequencerEdit : public LGUIContainer {
public:
    static constexpr int ColumnWidth = 20; // pixels per bar
    static constexpr int RowHeight = 9;    // the ruler and each track
    static constexpr int ButtonBarHeight = 14;
    static constexpr int MaxScroll = 980;
    static constexpr int MaxCursorColumn = 990;
    static constexpr int ScrollStep = 4; // bars per Page Up/Down and scroll button

    NSequencerEdit(int x, int y, int w, int h);
    ~NSequencerEdit() override;

    void draw(int ox, int oy) override;
    void mouseDown(int px, int py) override;
    // Not passed on to the children.
    void keyDown(int key) override;
    // Scrolls on BACK and FOWD; everything else goes up to the screen.
    void onEvent(const LGUIEvent* event) override;

    // Clamped to 0 ... MaxScroll; the grid is rendered again only if the scroll changed.
    void setScroll(int column);
    void scrollToPlayPosition();
    // Scrolls the least that brings the edit cursor's bar into view.
    void ensureCursorVisible();
    void deleteCellAutomation();
    // True when the view last drew the song as it stands now (and nothing marked it dirty since):
    // the periodic redraw can then leave it as it is, its pixels would come out the same.
    bool showsCurrentSong() const;

    int scrollColumn = 0;
    int cursorColumn = 0;
    int cursorRow = 0;
    KESOBitmap gridBitmap;
    LGUIButton* playButton;
    LGUIButton* stopButton;
    LGUIButton* recordButton;
    LGUIButton* incrementButton;
    LGUIButton* decrementButton;
    LGUIButton* repeatButton;
    LGUIButton* deleteBlockButton;
    LGUIButton* deleteAutomationButton;
    LGUIButton* backwardButton;
    LGUIButton* forwardButton;
    bool gridDirty = true;
    bool followPlayback = true;

private:
    // What the view draws of the song, read under the engine lock in one go.
    struct SongState {
        int mode;
        int position;
        int barTicks;
        int loopStart;
        int loopEnd;
        bool playing;
        int trackCount;
        bool operator==(const SongState&) const = default;
    };
    static SongState readSong();

    int trackCount() const;
    int visibleColumns() const { return w / ColumnWidth + 1; }
    void scrollToPosition(int position, int barTicks);
    void sendToSelf(const char (&code)[5]);
    void renderGrid();
    void drawSong(const SongState& song, int X, int Y);

    // The grid's song data, copied under the lock: a pattern per visible cell (track-major), and
    // for each track and pixel column whether an automation event lands there.
    std::vector<std::int8_t> cells_;
    std::vector<std::uint8_t> ticks_;
    SongState shown_{};
    bool showsSong_ = false; // shown_ is what the screen shows
};
