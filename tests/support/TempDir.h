#pragma once

#include "foundation/KESOString.h"

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder for one test's files, removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    String file(const std::string& name) const { return String::fromUtf8(path(name)); }

    void writeBytes(const std::string& name, const std::vector<unsigned char>& bytes) const;
    std::vector<unsigned char> readBytes(const std::string& name) const;

private:
    std::filesystem::path root_;
};
