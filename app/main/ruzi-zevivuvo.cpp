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

#include <cstdlib>

int main()
{
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
    if (!app.create(u"VandrelStudio 1.1 Ruzi Zevivuvo"))
        return 1; // the display has told the user why
    app.run();
    // The window is closed, the sound stopped and the engine shut down: nothing is left to tidy
    // up, and the static objects' destructors would only race the platform's own threads.
    std::_Exit(0);
}
