#pragma once

#include "foundation/KESOKeyState.h"
#include "foundation/KESOMessageBox.h"
#include "foundation/KESOProgramPath.h"
#include "foundation/KESOString.h"
#include "tests/support/FakeAudioDevice.h"
#include "tests/support/FakeDisplay.h"
#include "tests/support/FakeFileChooser.h"

#include <set>
#include <string>
#include <vector>

// Records every message box instead of showing it.
class FakeMessageBox : public KESOMessageBox {
public:
    struct Message {
        std::string text, caption;
    };
    void show(const String& text, const String& caption) override { shown.push_back({text.toUtf8(), caption.toUtf8()}); }
    std::vector<Message> shown;
};

// Keys are down when a test says so.
class FakeKeyState : public KESOKeyState {
public:
    bool isKeyDown(int virtualKey) override { return down.count(virtualKey) != 0; }
    std::set<int> down;
};

class FakeProgramPath : public KESOProgramPath {
public:
    String programFile() override { return String::fromUtf8(path); }
    std::string path;
};

// Installs the fakes for the life of a test and takes them away afterwards, so that no test sees
// another's services or program folder.
class FakeServices {
public:
    FakeServices();
    ~FakeServices();

    FakeMessageBox messageBox;
    FakeKeyState keyState;
    FakeProgramPath programPath;
    FakeAudioDevice audioDevice;
    FakeDisplay display;
    FakeFileChooser fileChooser;
};
