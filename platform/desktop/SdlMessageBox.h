#pragma once

#include "foundation/KESOMessageBox.h"

// Messages in an SDL message box over the program window, and always on standard error too.
// Without a display, or with RUZI_MESSAGES_TO_STDERR set (headless tests, where a modal box would
// wait for ever), standard error alone.
class SdlMessageBox : public KESOMessageBox {
public:
    void show(const String& text, const String& caption) override;
};
