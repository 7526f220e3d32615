#include "tests/support/TempDir.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <unistd.h>

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    root_ = std::filesystem::temp_directory_path() /
            ("ruzi-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(root_);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void TempDir::writeBytes(const std::string& name, const std::vector<unsigned char>& bytes) const
{
    std::ofstream out(path(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> TempDir::readBytes(const std::string& name) const
{
    std::ifstream in(path(name), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
