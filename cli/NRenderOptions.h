#pragma once

#include <optional>
#include <string>

// What the command line asked for.
struct NRenderOptions {
    std::string song;   // empty: the bundled default song
    std::string output; // empty: the song's name with .wav, in the working directory
    std::optional<int> startBar;
    std::optional<int> endBar;
    bool info = false;
    bool json = false; // with info: the summary as one JSON object
    bool quiet = false;
    bool seamless = false;
    bool loopPoints = false; // a sampler chunk with the loop after the data
    bool help = false;
    bool version = false;
    double tailSeconds = 0;

    // False with a reason in `error` when the arguments make no sense.
    static bool parse(int argc, char** argv, NRenderOptions& options, std::string& error);
    static const char* usage();
};
