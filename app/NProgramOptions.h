#pragma once

#include <string>
#include <vector>

// What the window program was asked for: its command line (ruzi-zevivuvo [SONG.vdl], --help,
// --version) and the start zoom from the RUZI_ZOOM environment variable.
struct NProgramOptions {
    enum class Action { Run, Help, Version, BadUsage };

    Action action = Action::Run;
    // Absolute (relative names are taken from the working folder, as a shell user means them);
    // empty: the bundled song.
    std::string song;
    // 1, 2 or 4; 0: the zoom that suits the screen.
    int zoom = 0;
    // For BadUsage: what was wrong, in words.
    std::string error;

    // args: the arguments after the program's name. zoomVariable: RUZI_ZOOM's value or null; one
    // that is not 1, 2 or 4 is ignored, as a setting in the environment should not stop the program.
    static NProgramOptions parse(const std::vector<std::string>& args, const char* zoomVariable);
    static const char* usage();
    static const char* version();
};
