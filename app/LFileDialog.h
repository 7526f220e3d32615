#pragma once

#include "foundation/KESOFileChooser.h"
#include "foundation/KESOString.h"

#include <vector>

// An open or save dialog over the desktop's file chooser, keeping the chosen path in a fixed
// buffer. Disabled until init; reusable any number of times after. A save offers the previous
// choice again, an open starts from an empty name.
class LFileDialog {
public:
    // Room for the path and its terminating zero.
    static constexpr int PathCapacity = 512;

    LFileDialog() = default;
    LFileDialog(const LFileDialog&) = delete;
    LFileDialog& operator=(const LFileDialog&) = delete;
    virtual ~LFileDialog() = default;

    // The kinds of file the dialog lists, the first one selected (e.g. {u"Wave file (*.WAV)",
    // u"*.WAV"}), and the extension without its dot that a typed name without one gets.
    bool init(const std::vector<KESOFileChooser::Filter>& filters, const String& defaultExtension);
    // Existing files only. The path buffer is cleared first.
    void chooseOpen();
    // New names too, starting from the previous choice; the buffer keeps it when cancelled.
    void chooseSave();

    bool isEnabled() const { return enabled_; }

    // Whether the last dialog ended without a choice; after one that did not, pathBuffer holds the
    // full chosen path. A dialog that could not be shown, or a path too long for the buffer, counts
    // as cancelled.
    bool cancelled = false;
    char16_t pathBuffer[PathCapacity] = {};

private:
    // Whether the chooser gave a path, which is then in pathBuffer.
    bool choose(bool save);

    KESOFileChooser::Request request_;
    bool enabled_ = false;
};
