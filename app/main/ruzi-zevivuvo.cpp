// ruzi-zevivuvo: the window program. Plays a song, shows its arrangement, sets a loop and exports
// it to a WAV file.
#include "app/NProgramOptions.h"
#include "app/NVandrelApp.h"
#include "foundation/KESOServices.h"
#include "platform/LinuxProgramPath.h"
#include "platform/desktop/Gtk3FileChooser.h"
#include "platform/desktop/RtMidiPort.h"
#include "platform/desktop/SdlAudioDevice.h"
#include "platform/desktop/SdlDisplay.h"
#include "platform/desktop/SdlKeyState.h"
#include "platform/desktop/SdlMessageBox.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

int main(int argc, char** argv)
try {
    const NProgramOptions options =
        NProgramOptions::parse(std::vector<std::string>(argv + 1, argv + argc), std::getenv("RUZI_ZOOM"));
    switch (options.action) {
    case NProgramOptions::Action::Help:
        std::fputs(NProgramOptions::usage(), stdout);
        return 0;
    case NProgramOptions::Action::Version:
        std::fputs(NProgramOptions::version(), stdout);
        return 0;
    case NProgramOptions::Action::BadUsage:
        std::fprintf(stderr, "ruzi-zevivuvo: %s\n%s", options.error.c_str(), NProgramOptions::usage());
        return 1;
    case NProgramOptions::Action::Run:
        break;
    }

    // The services live as long as the process: the exit below runs no destructors.
    static LinuxProgramPath programPath;
    static SdlMessageBox messageBox;
    static SdlKeyState keyState;
    static SdlDisplay display;
    static SdlAudioDevice audioDevice;
    static RtMidiPort midiPort;
    static Gtk3FileChooser fileChooser;
    KESOServices& services = KESOServices::instance();
    services.programPath = &programPath;
    services.messageBox = &messageBox;
    services.keyState = &keyState;
    services.display = &display;
    services.audioDevice = &audioDevice;
    services.midiPort = &midiPort;
    services.fileChooser = &fileChooser;

    static DavEdirorarApp app;
    app.startZoom = options.zoom;
    if (!app.create(u"VandrelStudio 1.1 Ruzi Zevivuvo")) {
        // The display has told the user why; without any display, say what to do instead.
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
            std::fputs("ruzi-zevivuvo: there is no display to open the window on (neither DISPLAY nor "
                       "WAYLAND_DISPLAY is set).\nTo render a song's loop without a window, use ruzi-render "
                       "beside this program (ruzi-render SONG.vdl -o OUT.wav).\n",
                       stderr);
        return 1;
    }
    // Started as usual, then the song is loaded as Load Song loads it: a file that cannot be
    // read is reported and the bundled song stays.
    if (!options.song.empty())
        app.openSong(String::fromUtf8(options.song));
    app.run();
    // The window is closed, the sound stopped and the engine shut down: nothing is left to tidy
    // up, and the static objects' destructors would only race the platform's own threads.
    std::_Exit(0);
} catch (const std::bad_alloc&) {
    // A song may ask for more than the machine has (a huge sample, under a memory limit).
    std::fputs("ruzi-zevivuvo: out of memory\n", stderr);
    std::_Exit(1);
}
