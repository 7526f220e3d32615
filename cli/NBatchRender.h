#pragma once

#include "cli/NRenderOptions.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class WorkerProcess;

// Renders several songs, each in a worker process of its own (the program itself, given one song)
// so that every file is byte for byte what a single run writes; a number of them at a time. A
// song that fails is reported with its reason and the others go on.
class NBatchRender {
public:
    explicit NBatchRender(const NRenderOptions& options);
    ~NBatchRender();

    // The output folder made; BadUsage when two songs would write the same file. Written when
    // the batch may start.
    int prepare();
    // Renders every song with the program at `program`; the highest status of any song.
    int run(const std::string& program);

private:
    struct Job {
        std::string song;
        std::unique_ptr<WorkerProcess> worker;
        double startedAt = 0;
    };

    // Starts the next song; its status when it could not be started, else Written.
    int startNext(const std::string& program);
    // What the worker printed passed on, and the song's line of progress; its status.
    int finish(Job& job);
    int statusOf(const WorkerProcess& worker) const;
    // After an interrupt: the running songs asked to end, the others left out.
    int stop();
    double secondsSinceStart() const;

    const NRenderOptions& options_;
    int jobs_;
    size_t next_ = 0;
    int done_ = 0;
    bool showProgress_;
    bool stopped_ = false;
    std::chrono::steady_clock::time_point started_;
    std::vector<Job> running_;
};
