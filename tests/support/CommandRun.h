#pragma once

#include <string>

// Runs a shell command line and keeps what it printed and how it ended.
struct CommandRun {
    int status = -1; // the exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;

    static CommandRun run(const std::string& commandLine, const std::string& workingDirectory = ".");
};

// The whole of a file, as it is; empty when it cannot be read.
std::string readText(const std::string& path);
