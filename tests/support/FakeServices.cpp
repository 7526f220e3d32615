#include "tests/support/FakeServices.h"

#include "foundation/KESOServices.h"

namespace {

// The fakes of `fakes`, or none.
void install(FakeServices* fakes)
{
    KESOServices& services = KESOServices::instance();
    services.messageBox = fakes ? &fakes->messageBox : nullptr;
    services.keyState = fakes ? &fakes->keyState : nullptr;
    services.programPath = fakes ? &fakes->programPath : nullptr;
    services.audioDevice = fakes ? &fakes->audioDevice : nullptr;
    services.display = fakes ? &fakes->display : nullptr;
    services.fileChooser = fakes ? &fakes->fileChooser : nullptr;
    setAppDirectory(String());
}

} // namespace

FakeServices::FakeServices() { install(this); }

FakeServices::~FakeServices() { install(nullptr); }
