#include "tests/support/FakeServices.h"

#include "foundation/KESOServices.h"

FakeServices::FakeServices()
{
    KESOServices& services = KESOServices::instance();
    services.messageBox = &messageBox;
    services.keyState = &keyState;
    services.programPath = &programPath;
    setAppDirectory(String());
}

FakeServices::~FakeServices()
{
    KESOServices& services = KESOServices::instance();
    services.messageBox = nullptr;
    services.keyState = nullptr;
    services.programPath = nullptr;
    setAppDirectory(String());
}
