#include "foundation/File.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

File::~File() = default;

bool File::plainOrAbsent(const std::string& name)
{
    // The C library opens folders, and blocks forever on a pipe nobody is at the other end of: only
    // plain files are read or written. A written file must also take seeks, for the lengths in
    // its header, which a pipe or a terminal cannot.
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(name, error);
    if (std::filesystem::is_directory(status)) {
        lastError_ = String::fromUtf8(std::strerror(EISDIR));
        return false;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        lastError_ = u"Not a regular file";
        return false;
    }
    return true;
}

void File::noteError()
{
    if (errno != 0)
        lastError_ = String::fromUtf8(std::strerror(errno));
}

bool File::open(const String& path, int mode)
{
    close();
    std::string name = makeAppPath(path).toUtf8();
    if (!plainOrAbsent(name))
        return false;
    errno = 0;
    handle_ = std::fopen(name.c_str(), mode == Read ? "rb" : "wb");
    open_ = handle_ != nullptr;
    if (!open_)
        noteError();
    else if (mode != Read)
        std::setvbuf(handle_, nullptr, _IONBF, 0); // a full disk shows at the write that hit it
    return open_;
}

bool File::close()
{
    if (!open_)
        return true;
    errno = 0;
    bool written = std::fclose(handle_) == 0;
    if (!written)
        noteError();
    handle_ = nullptr;
    open_ = false;
    return written;
}

std::int64_t File::size()
{
    if (!open_)
        return 0;
    long here = std::ftell(handle_);
    if (std::fseek(handle_, 0, SEEK_END) != 0)
        return 0;
    long end = std::ftell(handle_);
    std::fseek(handle_, here, SEEK_SET);
    return end < 0 ? 0 : end;
}

int File::read(void* dst, int n)
{
    if (!open_ || n <= 0)
        return 0;
    errno = 0;
    size_t got = std::fread(dst, 1, static_cast<size_t>(n), handle_);
    if (got < static_cast<size_t>(n))
        noteError();
    return static_cast<int>(got);
}

int File::write(const void* src, int n)
{
    if (!open_ || n <= 0)
        return 0;
    errno = 0;
    size_t put = std::fwrite(src, 1, static_cast<size_t>(n), handle_);
    if (put < static_cast<size_t>(n))
        noteError();
    return static_cast<int>(put);
}

void File::seek(std::int64_t offset)
{
    if (open_)
        std::fseek(handle_, static_cast<long>(offset), SEEK_SET);
}

bool File::truncate(std::int64_t length)
{
    if (!open_ || std::fflush(handle_) != 0)
        return false;
    errno = 0;
    if (::ftruncate(::fileno(handle_), static_cast<off_t>(length)) == 0)
        return true;
    noteError();
    return false;
}

bool File::remove(const String& path)
{
    std::error_code error;
    return std::filesystem::remove(makeAppPath(path).toUtf8(), error);
}
