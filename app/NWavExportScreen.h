#pragma once

#include "app/LFileDialog.h"
#include "gui/LGUIScreen.h"

class LGUICheckBox;
class LGUILabel;
class LGUIPanel;
class LGUITabBar;
class NAudioControl;
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

    // The title label shows the file-name part of the song's file name.
    void updateTitle();
    // The song's mode applied again, the view redrawn and the check box set from loopOn.
    void refresh();
    void redrawSequencer();
    // The 40 ms tick: in song mode the play cursor moves.
    void timerStep();

    // The listener sees every event first.
    void onEvent(const LGUIEvent* event) override;

    LGUITabBar* tabBar = nullptr;
    LGUIPanel* systemPanel = nullptr;
    LGUICheckBox* loopCheckBox = nullptr;
    LGUILabel* titleLabel = nullptr;
    NSequencerEdit* sequencer = nullptr;
    LFileDialog openDialog;
    LFileDialog saveDialog;

private:
    void loadSong();
    void exportLoop();
    void stopAudio();
    void startAudio();

    NAudioControl* audio = nullptr;
};
