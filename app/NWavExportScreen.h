#pragma once

#include "app/LFileDialog.h"
#include "app/NExportProgress.h"
#include "audio/NMixer.h"
#include "gui/LGUIScreen.h"

#include <chrono>
#include <optional>

class LGUICheckBox;
class LGUILabel;
class LGUIPanel;
class LGUITabBar;
class NAudioControl;
class NBusyHost;
class NSequencerEdit;

// The program's one screen: the song's title, Load Song, Export Loop to WAV and Exit over a
// "System" tab, and the sequencer view with its "Loop" check box at the bottom. It turns their
// events into song commands and runs the load and export flows with audio paused.
class NWavExportScreen : public LGUIScreen {
public:
    NWavExportScreen();
    ~NWavExportScreen() override;

    // Builds the widget tree and enables the file dialogs; once, after the listener and the audio
    // control are set.
    void create();
    void setAudioControl(NAudioControl* control) { audio = control; }
    // Without one, an export shows no progress and takes in no window events.
    void setBusyHost(NBusyHost* host) { busy = host; }

    // The Load Song steps for a song named without the dialog (dropped on the window, given on
    // the command line).
    void loadSongFile(const String& path);
    // What a click on the widget with this command does (the keyboard shortcuts).
    void runCommand(int command);

    // The title label shows the file-name part of the song's file name.
    void updateTitle();
    // The song's mode applied again, the view redrawn and the check box set from loopOn.
    void refresh();
    void redrawSequencer();
    // The 40 ms tick: in song mode the play cursor moves; a hint message that has had its time
    // gives way to the usual hint.
    void timerStep();
    // Shown in the hint line for HintMessageTime, then the usual hint comes back.
    void showHintMessage(const String& text);

    // The listener sees every event first.
    void onEvent(const LGUIEvent* event) override;

    LGUITabBar* tabBar = nullptr;
    LGUIPanel* systemPanel = nullptr;
    LGUICheckBox* loopCheckBox = nullptr;
    LGUILabel* titleLabel = nullptr;
    LGUILabel* hintLabel = nullptr;
    NSequencerEdit* sequencer = nullptr;
    LFileDialog openDialog;
    LFileDialog saveDialog;
    // What the export's progress and the hint messages go by; tests put a clock of their own here.
    NExportProgress::Clock clock = std::chrono::steady_clock::now;

    static constexpr std::chrono::seconds HintMessageTime{3};
    static const char16_t* const UsualHint;

private:
    void loadSong();
    // The song read and shown; true when the load has cleared the effects and voices itself.
    bool readSong(const String& path);
    void finishLoad(bool cleared);
    void exportLoop();
    // Writes the loop to path with the progress shown; true when the close button was pressed.
    bool exportWithProgress(const String& path);
    void reportExport(NMixer::ExportResult result, const String& path, const String& reason);
    // Draws only the hint's line, over the panel's plain colour: nothing else of the screen is
    // drawn again while an export runs.
    void drawHintNow(const String& text);
    void stopAudio();
    void startAudio();

    NAudioControl* audio = nullptr;
    NBusyHost* busy = nullptr;
    std::optional<std::chrono::steady_clock::time_point> hintMessageEnd;
};
