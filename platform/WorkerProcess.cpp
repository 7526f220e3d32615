#include "platform/WorkerProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

WorkerProcess::~WorkerProcess()
{
    if (pid_ > 0) {
        terminate();
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_)
        std::fclose(out_);
    if (err_)
        std::fclose(err_);
}

bool WorkerProcess::start(const std::string& program, const std::vector<std::string>& arguments, std::string& error)
{
    out_ = std::tmpfile();
    err_ = std::tmpfile();
    if (!out_ || !err_) {
        error = std::strerror(errno);
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fileno(out_), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fileno(err_), STDERR_FILENO);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        error = std::strerror(result);
        return false;
    }
    pid_ = pid;
    return true;
}

void WorkerProcess::terminate()
{
    if (pid_ > 0)
        ::kill(pid_, SIGTERM);
}

bool WorkerProcess::ended()
{
    if (pid_ <= 0)
        return true;
    int raw = 0;
    const pid_t done = ::waitpid(pid_, &raw, WNOHANG);
    if (done == 0 || (done < 0 && errno == EINTR))
        return false;
    pid_ = -1;
    if (done > 0 && WIFEXITED(raw)) {
        status_ = WEXITSTATUS(raw);
    } else if (done > 0 && WIFSIGNALED(raw)) {
        signal_ = WTERMSIG(raw);
    }
    return true;
}

std::string WorkerProcess::readBack(std::FILE* file)
{
    std::string text;
    if (!file)
        return text;
    std::fflush(file);
    std::rewind(file);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    return text;
}
