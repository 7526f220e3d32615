#pragma once

#include "foundation/KESOString.h"

// Seam: tells the user something they must know, with an OK button, owned by the main window.
//
// Threads: the GUI thread only; it returns when the user has closed the box.
class KESOMessageBox {
public:
    virtual ~KESOMessageBox() = default;
    virtual void show(const String& text, const String& caption) = 0;
};
