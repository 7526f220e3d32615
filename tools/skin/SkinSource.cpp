#include "tools/skin/SkinSource.h"

#include <fstream>

bool SkinSource::open(const std::string& path)
{
    path_ = path;
    std::ifstream in(path);
    if (!in) {
        error_ = path + ": cannot be read";
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines_.push_back(line);
    }
    return true;
}

bool SkinSource::nextLine(std::string& line)
{
    if (lineNumber_ >= static_cast<int>(lines_.size()))
        return false;
    line = lines_[lineNumber_++];
    return true;
}

bool SkinSource::nextStatement(std::string& line)
{
    while (nextLine(line)) {
        if (!line.empty() && line[0] != '#')
            return true;
    }
    return false;
}

bool SkinSource::nextRow(std::string& line)
{
    return nextLine(line) && !line.empty();
}

bool SkinSource::fail(const std::string& message)
{
    error_ = path_ + ":" + std::to_string(lineNumber_) + ": " + message;
    return false;
}
