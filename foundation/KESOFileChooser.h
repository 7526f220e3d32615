#pragma once

#include "foundation/KESOString.h"

#include <vector>

// Seam: the desktop's file chooser, run modally over the program window.
//
// Threads: the GUI thread only; it returns when the user has chosen or cancelled.
class KESOFileChooser {
public:
    // "Songs (*.vdl)" and "*.vdl": what the list of kinds shows, and the names it lets through.
    struct Filter {
        String description;
        String pattern;
    };
    struct Request {
        std::vector<Filter> filters; // the first is selected
        String defaultExtension;     // without the dot; added to a typed name that has none
        String path;                 // in: the previous choice, offered again by a save; out: the choice
    };

    virtual ~KESOFileChooser() = default;

    // An existing file. False when cancelled or no chooser could be shown; the path is then empty.
    virtual bool chooseOpen(Request& request) = 0;
    // A file to write, which need not exist yet. False when cancelled or no chooser could be
    // shown; the path then keeps the previous choice.
    virtual bool chooseSave(Request& request) = 0;
};
