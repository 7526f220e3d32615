#pragma once

class KESOAudioDevice;
class KESODisplay;
class KESOFileChooser;
class KESOKeyState;
class KESOMessageBox;
class KESOMidiPort;
class KESOProgramPath;
class String;

// The platform services the program reaches through seams (each seam's header says which threads
// may call it). Each executable installs the real ones at start-up, before any other thread runs
// (platform/ for the command line, platform/desktop/ for the window program); tests install fakes.
// A missing service means "nothing there": no message is shown, no key is down, the program
// folder is unknown, there is no window, no sound card, no MIDI port and no file chooser.
class KESOServices {
public:
    static KESOServices& instance();

    KESOMessageBox* messageBox = nullptr;
    KESOKeyState* keyState = nullptr;
    KESOProgramPath* programPath = nullptr;
    KESOMidiPort* midiPort = nullptr;
    KESOAudioDevice* audioDevice = nullptr;
    KESODisplay* display = nullptr;
    KESOFileChooser* fileChooser = nullptr;

    void showMessage(const String& text, const String& caption);
    bool isKeyDown(int virtualKey);

private:
    KESOServices() = default;
};
