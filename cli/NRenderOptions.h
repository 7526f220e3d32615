#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asked for.
struct NRenderOptions {
    std::vector<std::string> songs; // none: the bundled default song; several: a batch
    // Empty: the song's name with .wav, in the working directory. A folder for a batch, or when it
    // ends with '/': the song's name with .wav in it.
    std::string output;
    int jobs = 0; // songs of a batch rendered at a time; 0: one per processor core
    // The arguments that say how to render, without songs, output and jobs: what each song of a
    // batch is rendered with.
    std::vector<std::string> renderArguments;
    std::optional<int> startBar;
    std::optional<int> endBar;
    bool info = false;
    bool json = false; // with info: the summary as one JSON object
    bool quiet = false;
    bool seamless = false;
    bool stems = false;
    bool loopPoints = false; // a sampler chunk with the loop after the data
    bool help = false;
    bool version = false;
    double tailSeconds = 0;

    // False with a reason in `error` when the arguments make no sense.
    static bool parse(int argc, char** argv, NRenderOptions& options, std::string& error);
    static const char* usage();

    bool isBatch() const { return songs.size() > 1; }
    bool outputIsFolder() const { return isBatch() || (!output.empty() && output.back() == '/'); }
    // Where a song's file goes.
    std::string outputFor(const std::string& song) const;

private:
    // Options followed by a value; false with a reason when the value makes no sense.
    bool parseValue(const std::string& option, const std::string& value, std::string& error);
};
