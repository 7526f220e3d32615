#include "tests/support/CommandRun.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CommandRun CommandRun::run(const std::string& commandLine, const std::string& workingDirectory)
{
    TempDir capture;
    std::string shell = "cd '" + workingDirectory + "' && " + commandLine + " >'" + capture.path("out") + "' 2>'" +
                        capture.path("err") + "' </dev/null";
    int raw = std::system(shell.c_str());
    CommandRun result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readText(capture.path("out"));
    result.err = readText(capture.path("err"));
    return result;
}
