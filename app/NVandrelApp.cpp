#include "app/NVandrelApp.h"

#include "audio/KESOWaveout.h"
#include "audio/NMidiOut.h"
#include "engine/NProgramSession.h"
#include "engine/NSongCommands.h"
#include "engine/NSequencer.h"
#include "engine/NVandrelCore.h"
#include "foundation/KESOKeyState.h"
#include "foundation/MemoryTracker.h"
#include "gui/LFont.h"
#include "gui/LGUIEvent.h"
#include "gui/LGUIScreen.h"
#include "gui/LScreenBitmap.h"
#include "gui/NBitmapCache.h"

#include <algorithm>

namespace {

// Instruments the external MIDI device starts with, per channel: the three synthesizers on 0 ... 2
// with their accent doubles on 4 ... 6.
constexpr int ProgramChanges[6][2] = {{0xC0, 80}, {0xC4, 80}, {0xC1, 81}, {0xC5, 83}, {0xC2, 87}, {0xC6, 87}};

} // namespace

void NMixerSource::render(std::int16_t* out, int frames, int bits, int rate, int channels)
{
    if (mixer != nullptr)
        mixer->render(out, frames, bits, rate, channels);
}

void LScreenHost::mouseDown(int x, int y)
{
    if (currentScreen != nullptr)
        currentScreen->mouseDown(x, y);
    redraw();
}

void LScreenHost::mouseMove(int x, int y, bool buttonIsDown)
{
    if (currentScreen != nullptr)
        currentScreen->mouseMove(x, y, buttonIsDown);
    redraw();
}

void LScreenHost::mouseUp(int x, int y)
{
    if (currentScreen != nullptr)
        currentScreen->mouseUp(x, y);
    redraw();
}

void LScreenHost::keyDown(int key)
{
    if (currentScreen != nullptr)
        currentScreen->keyDown(key);
    redraw();
}

void LScreenHost::keyUp(int key)
{
    if (currentScreen != nullptr)
        currentScreen->keyUp(key);
    redraw();
}

void LScreenHost::notify(int value)
{
    if (currentScreen != nullptr)
        currentScreen->character(value);
    redraw();
}

void LScreenHost::onEvent(const LGUIEvent*) {}

void LScreenHost::redraw()
{
    if (currentScreen != nullptr)
        currentScreen->draw(0, 0);
    LScreenBitmap::instance().present();
}

VandrelApp* VandrelApp::instance_ = nullptr;

VandrelApp::VandrelApp()
{
    instance_ = this;
}

VandrelApp::~VandrelApp()
{
    // Only reached when start-up failed, or in tests: the window and the sound must not outlive us.
    stopAudio();
    if (window != nullptr && window->isOpen())
        close();
    KESO_OWNER("VandrelApp::~VandrelApp");
    delete[] frameBuffer;
    frameBuffer = nullptr;
    NSequencer::instance().resetDefaults();
    currentScreen = nullptr;
    if (instance_ == this)
        instance_ = nullptr;
}

int VandrelApp::run()
{
    for (;;) {
        LScreenBitmap::instance().flush(frameBuffer);
        const int shown = displayStep(frameBuffer);
        if (quitRequested || shown == 0)
            break;
    }
    return 0;
}

void VandrelApp::onDestroy()
{
    killTimer(AudioTimer);
    KESOWaveout::instance().close();
    NVandrelCore::instance().shutDown();
}

void VandrelApp::startAudio()
{
    setTimer(AudioTimer, AudioTimerMs);
    KESOWaveout::instance().play(&mixerSource, AudioSegmentFrames);
}

void VandrelApp::stopAudio()
{
    killTimer(AudioTimer);
    KESOWaveout::instance().close();
}

NBusyHost::Dropped VandrelApp::dropWaitingEvents()
{
    Dropped dropped;
    KESODisplayEvent event;
    while (window != nullptr && window->waitEvent(event, 0)) {
        if (event.type == KESODisplayEvent::CloseRequest)
            dropped.closeRequested = true;
        else if (event.type == KESODisplayEvent::KeyDown && event.code == KESOKeyState::Escape)
            dropped.escapePressed = true;
    }
    return dropped;
}

void VandrelApp::showScreenNow()
{
    if (frameBuffer == nullptr || window == nullptr || !window->isOpen())
        return;
    LScreenBitmap::instance().flush(frameBuffer);
    window->present(frameBuffer);
}

DavEdirorarApp::DavEdirorarApp()
{
    currentScreen = &exportScreen;
}

DavEdirorarApp::~DavEdirorarApp()
{
    // The playback thread sends MIDI; it has to stop before the port goes.
    stopAudio();
    NMidiOut::instance().close();
}

void DavEdirorarApp::onCreate()
{
    NProgramSession session;
    quitRequested = false;
    mixerSource.mixer = &NVandrelCore::instance().mixer;
    session.startEngine(); // the machines wired up, then song mode
    const int pixels = width * height;
    KESO_OWNER("VandrelApp::onCreate");
    frameBuffer = new std::uint32_t[pixels];
    std::fill(frameBuffer, frameBuffer + pixels, 0u);

    NBitmapCache& cache = NBitmapCache::instance();
    cache.loadPackfile(NBitmapCache::skinPath(u"skin.dat"));
    LFont::loadProgramFonts(cache);

    // A cleared window while the rest loads.
    LScreenBitmap& screen = LScreenBitmap::instance();
    screen.invalidate({0, 0, width, height});
    screen.flush(frameBuffer);
    displayStep(frameBuffer);

    session.buildTables(); // then song mode again
    exportScreen.setListener(this);
    exportScreen.setAudioControl(this);
    exportScreen.setBusyHost(this);
    exportScreen.w = width;
    exportScreen.h = height;
    session.loadBundledSong(); // marked untitled; a missing song leaves the defaults
    exportScreen.create();
    exportScreen.refresh();

    screen.invalidate({0, 0, width, height});
    if (currentScreen != nullptr) {
        currentScreen->invalidate();
        currentScreen->draw(0, 0);
    }

    NMidiOut& midi = NMidiOut::instance();
    midi.open();
    for (const auto& change : ProgramChanges)
        midi.send(change[0], change[1], 0);

    if (currentScreen == &exportScreen)
        startAudio();
    // Song mode once more; the playback thread runs from here on, so through the locking command.
    NSongCommands::setMode(1);
}

void DavEdirorarApp::onTimer(int)
{
    exportScreen.timerStep();
}

void DavEdirorarApp::onEvent(const LGUIEvent* event)
{
    if (event->type == LGUIEvent::Clicked && event->command == commandCode("EXIT")) {
        quitRequested = true;
        stopAudio();
        close();
    }
}

bool DavEdirorarApp::shortcut(int key, bool repeat)
{
    int command = 0;
    if (key == 'O')
        command = commandCode("OPEN");
    else if (key == 'E')
        command = commandCode("WAVE");
    else if (key == 'Q')
        command = commandCode("EXIT");
    if (command == 0)
        return false;
    // A held key would open one dialog after the other.
    if (!repeat) {
        exportScreen.runCommand(command);
        redraw();
    }
    return true;
}

void DavEdirorarApp::filesDropped(const std::vector<String>& files)
{
    if (!files.empty())
        openSong(files.front());
}

void DavEdirorarApp::openSong(const String& path)
{
    exportScreen.loadSongFile(path);
    redraw();
}
