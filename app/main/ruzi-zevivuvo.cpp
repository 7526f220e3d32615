// ruzi-zevivuvo: the window program. Plays a song, shows its arrangement, sets a loop and exports
// it to a WAV file.
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

int main()
try {
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
    if (!app.create(u"VandrelStudio 1.1 Ruzi Zevivuvo")) {
        // The display has told the user why; without any display, say what to do instead.
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
            std::fputs("ruzi-zevivuvo: there is no display to open the window on (neither DISPLAY nor "
                       "WAYLAND_DISPLAY is set).\nTo render a song's loop without a window, use ruzi-render "
                       "beside this program (ruzi-render SONG.vdl -o OUT.wav).\n",
                       stderr);
        return 1;
    }
    app.run();
    // The window is closed, the sound stopped and the engine shut down: nothing is left to tidy
    // up, and the static objects' destructors would only race the platform's own threads.
    std::_Exit(0);
} catch (const std::bad_alloc&) {
    // A song may ask for more than the machine has (a huge sample, under a memory limit).
    std::fputs("ruzi-zevivuvo: out of memory\n", stderr);
    std::_Exit(1);
}
