#pragma once

#include <cstdio>
#include <string>
#include <vector>

// A program run as a separate process, for work that must start from a fresh state each time. What
// it prints on its standard output and error is kept aside (in unnamed temporary files, which never
// fill up the way a pipe would) and read back once it has ended.
class WorkerProcess {
public:
    WorkerProcess() = default;
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;
    ~WorkerProcess();

    // arguments[0] is the program's own name for itself. False with the system's reason when the
    // process could not be started.
    bool start(const std::string& program, const std::vector<std::string>& arguments, std::string& error);
    // Asks a running worker to end (SIGTERM).
    void terminate();
    // True once the worker has ended; does not wait.
    bool ended();

    // After it ended: its exit status, or -1 when a signal ended it (signal() says which).
    int status() const { return status_; }
    int signal() const { return signal_; }
    std::string output() const { return readBack(out_); }
    std::string errors() const { return readBack(err_); }

private:
    static std::string readBack(std::FILE* file);

    int pid_ = -1;
    std::FILE* out_ = nullptr;
    std::FILE* err_ = nullptr;
    int status_ = -1;
    int signal_ = 0;
};
