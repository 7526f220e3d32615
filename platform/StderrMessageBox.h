#pragma once

#include "foundation/KESOMessageBox.h"

// Messages for a program without a window: "Caption: text" on standard error.
class StderrMessageBox : public KESOMessageBox {
public:
    void show(const String& text, const String& caption) override;
};
