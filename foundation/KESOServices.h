#pragma once

class KESOMessageBox;
class KESOKeyState;
class KESOMidiPort;
class KESOProgramPath;
class String;

// The platform services the program reaches through seams. Each executable installs the real ones
// at start-up (platform/); tests install fakes. A missing service means "nothing there": no message
// is shown, no key is down, the program folder is unknown.
class KESOServices {
public:
    static KESOServices& instance();

    KESOMessageBox* messageBox = nullptr;
    KESOKeyState* keyState = nullptr;
    KESOProgramPath* programPath = nullptr;
    KESOMidiPort* midiPort = nullptr;

    void showMessage(const String& text, const String& caption);
    bool isKeyDown(int virtualKey);

private:
    KESOServices() = default;
};
