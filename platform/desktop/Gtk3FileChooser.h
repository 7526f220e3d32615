#pragma once

#include "foundation/KESOFileChooser.h"

#include <string>

// The desktop's file chooser: GTK 3's dialog, modal and in front of the program window, starting in
// the folder of the last choice (at first the working folder). GTK starts
// with the first dialog, leaving the C locale alone; where it cannot start (no display) every dialog
// counts as cancelled. The dialog is gone, GTK's events drained and SDL's keyboard and mouse state
// brought up to date before a choice returns, so no key stays down and no stale click arrives.
//
// (The class is not called GtkFileChooser: GTK has a type of that name.)
class Gtk3FileChooser : public KESOFileChooser {
public:
    bool chooseOpen(Request& request) override;
    bool chooseSave(Request& request) override;

    // Whether a file name fits a filter pattern ("*.VDL", or several as "*.wav;*.aif") whatever the
    // case of either: songs come as "SONG.VDL" from the device and as "newsong.vdl" from elsewhere.
    static bool matchesPattern(const std::string& pattern, const std::string& fileName);
    // The path with "." and the extension added when its file name has none of its own.
    static std::string withDefaultExtension(const std::string& path, const std::string& extension);

private:
    bool choose(Request& request, bool save);

    std::string lastFolder_;
};
