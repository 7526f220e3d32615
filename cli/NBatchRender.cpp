#include "cli/NBatchRender.h"

#include "cli/NExitCode.h"
#include "foundation/KESOKeyState.h"
#include "foundation/KESOServices.h"
#include "platform/Terminal.h"
#include "platform/WorkerProcess.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

namespace {

// How often the batch looks for songs that ended: short against any render.
constexpr std::chrono::milliseconds PollInterval(5);

int defaultJobs()
{
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

} // namespace

NBatchRender::NBatchRender(const NRenderOptions& options)
    : options_(options), jobs_(options.jobs > 0 ? options.jobs : defaultJobs()),
      showProgress_(!options.quiet && Terminal::errorIsTerminal()), started_(std::chrono::steady_clock::now())
{
}

NBatchRender::~NBatchRender() = default;

double NBatchRender::secondsSinceStart() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

int NBatchRender::prepare()
{
    // Two songs of the same name from different folders would write one file, at the same time.
    std::map<std::filesystem::path, std::string> outputs;
    for (const std::string& song : options_.songs) {
        std::filesystem::path output = std::filesystem::path(options_.outputFor(song)).lexically_normal();
        auto [at, added] = outputs.emplace(output, song);
        if (!added) {
            std::fprintf(stderr, "ruzi-render: %s and %s would both be written to %s\n", at->second.c_str(),
                         song.c_str(), output.c_str());
            return BadUsage;
        }
    }
    const std::filesystem::path folder = options_.output.empty() ? "." : options_.output;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error) {
        std::fprintf(stderr, "ruzi-render: cannot make the folder %s: %s\n", folder.c_str(), error.message().c_str());
        return CannotWrite;
    }
    return Written;
}

int NBatchRender::run(const std::string& program)
{
    int worst = Written;
    while (next_ < options_.songs.size() || !running_.empty()) {
        if (!stopped_ && KESOServices::instance().isKeyDown(KESOKeyState::Escape))
            worst = std::max(worst, stop());
        while (!stopped_ && running_.size() < static_cast<size_t>(jobs_) && next_ < options_.songs.size())
            worst = std::max(worst, startNext(program));
        for (auto job = running_.begin(); job != running_.end();) {
            if (job->worker->ended()) {
                worst = std::max(worst, finish(*job));
                job = running_.erase(job);
            } else {
                ++job;
            }
        }
        std::this_thread::sleep_for(PollInterval);
    }
    return worst;
}

int NBatchRender::startNext(const std::string& program)
{
    Job job;
    job.song = options_.songs[next_++];
    job.worker = std::make_unique<WorkerProcess>();
    job.startedAt = secondsSinceStart();
    std::vector<std::string> arguments = {"ruzi-render", job.song, "-o", options_.outputFor(job.song)};
    arguments.insert(arguments.end(), options_.renderArguments.begin(), options_.renderArguments.end());
    std::string error;
    if (!job.worker->start(program, arguments, error)) {
        ++done_;
        std::fprintf(stderr, "ruzi-render: [%d/%zu] %s failed: no process to render it in: %s\n", done_,
                     options_.songs.size(), job.song.c_str(), error.c_str());
        return OutOfMemory;
    }
    running_.push_back(std::move(job));
    return Written;
}

int NBatchRender::statusOf(const WorkerProcess& worker) const
{
    return worker.status() >= 0 ? worker.status() : static_cast<int>(Aborted);
}

int NBatchRender::finish(Job& job)
{
    // Passed on in one piece, so that the lines of songs rendered side by side do not mix.
    std::fputs(job.worker->output().c_str(), stdout);
    std::fflush(stdout);
    std::fputs(job.worker->errors().c_str(), stderr);
    const int status = statusOf(*job.worker);
    ++done_;
    const size_t total = options_.songs.size();
    if (status != Written) {
        std::string how = job.worker->status() >= 0 ? "status " + std::to_string(status)
                                                    : "ended by signal " + std::to_string(job.worker->signal());
        std::fprintf(stderr, "ruzi-render: [%d/%zu] %s failed (%s)\n", done_, total, job.song.c_str(), how.c_str());
    } else if (showProgress_) {
        std::fprintf(stderr, "[%d/%zu] %s: done in %.1f s\n", done_, total, job.song.c_str(),
                     secondsSinceStart() - job.startedAt);
    }
    std::fflush(stderr);
    job.worker.reset(); // its files closed: a long batch keeps only the running songs' open
    return status;
}

int NBatchRender::stop()
{
    stopped_ = true;
    for (Job& job : running_)
        job.worker->terminate();
    const size_t left = options_.songs.size() - next_;
    next_ = options_.songs.size();
    if (left == 0)
        return Written;
    std::fprintf(stderr, "ruzi-render: %zu song%s not rendered: aborted\n", left, left == 1 ? "" : "s");
    return Aborted;
}
