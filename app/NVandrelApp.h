#pragma once

#include "app/NAudioControl.h"
#include "app/NBusyHost.h"
#include "app/NWavExportScreen.h"
#include "audio/KESOAudioSource.h"
#include "gui/LGUIApp.h"
#include "gui/LGUIListener.h"

#include <cstdint>

class LGUIScreen;
class NMixer;

// What the sound card plays: the mixer, once start-up has connected it; silence before.
class NMixerSource : public KESOAudioSource {
public:
    void render(std::int16_t* out, int frames, int bits, int rate, int channels) override;

    NMixer* mixer = nullptr;
};

// An application whose input goes to one screen, which is redrawn after every input.
class LScreenHost : public LGUIApp, public LGUIListener {
public:
    void mouseDown(int x, int y) override;
    void mouseMove(int x, int y, bool buttonIsDown) override;
    void mouseUp(int x, int y) override;
    void keyDown(int key) override;
    void keyUp(int key) override;
    // Hands a character to the screen.
    virtual void notify(int value);
    void onEvent(const LGUIEvent* event) override;

    // Not owned.
    LGUIScreen* currentScreen = nullptr;

protected:
    void redraw();
};

// The window program's application: the frame buffer the screen bitmap is copied into, real-time
// audio from the mixer, and the main loop.
class VandrelApp : public LScreenHost, public NAudioControl, public NBusyHost {
public:
    static constexpr int AudioTimer = 1;
    static constexpr int AudioTimerMs = 40;
    static constexpr int AudioSegmentFrames = 1000;

    // The one application, or null.
    static VandrelApp* instance() { return instance_; }

    VandrelApp();
    ~VandrelApp() override;

    // Turns until the window closes or Exit is pressed; then returns 0.
    int run() override;
    // Timer, audio output and engine stopped, in that order.
    void onDestroy() override;
    void startAudio() override;
    void stopAudio() override;
    Dropped dropWaitingEvents() override;
    void showScreenNow() override;

    std::uint32_t* frameBuffer = nullptr;
    NMixerSource mixerSource;
    bool quitRequested = false;

private:
    static VandrelApp* instance_;
};

// "VandrelStudio Ruzi Zevivuvo": the wave export screen on the engine.
class DavEdirorarApp : public VandrelApp {
public:
    DavEdirorarApp();
    ~DavEdirorarApp() override;

    void onCreate() override;
    void onTimer(int timerId) override;
    // Exit ends the program; the screen handles everything else.
    void onEvent(const LGUIEvent* event) override;
    // Ctrl+O loads a song, Ctrl+E exports the loop, Ctrl+Q exits, as their buttons do.
    bool shortcut(int key, bool repeat) override;
    // The first file dropped on the window is loaded as a song.
    void filesDropped(const std::vector<String>& files) override;
    // Loads a song with the Load Song steps and shows it.
    void openSong(const String& path);

    NWavExportScreen exportScreen;
};
