#include "tests/support/FakeServices.h"

#include "foundation/KESOServices.h"

FakeServices::FakeServices()
{
    KESOServices& services = KESOServices::instance();
    services.messageBox = &messageBox;
    services.keyState = &keyState;
    services.programPath = &programPath;
    services.audioDevice = &audioDevice;
    services.display = &display;
    services.fileChooser = &fileChooser;
    setAppDirectory(String());
}

FakeServices::~FakeServices()
{
    KESOServices& services = KESOServices::instance();
    services.messageBox = nullptr;
    services.keyState = nullptr;
    services.programPath = nullptr;
    services.audioDevice = nullptr;
    services.display = nullptr;
    services.fileChooser = nullptr;
    setAppDirectory(String());
}
