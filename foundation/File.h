#pragma once

#include "foundation/KESOString.h"

#include <cstdint>
#include <cstdio>
#include <string>

// A thin file handle. Names are resolved against the program folder before they are opened.
class File {
public:
    static constexpr int Read = 5;  // read access; the file must exist
    static constexpr int Write = 6; // created or truncated

    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    virtual ~File(); // does not close: the owner decides when

    bool open(const String& path, int mode);
    // Closes the file; false when buffered data could not be written (a full disk, say).
    bool close();
    bool isOpen() const { return open_; }

    std::int64_t size();
    int read(void* dst, int n);
    int write(const void* src, int n);
    void seek(std::int64_t offset);
    // Cuts the file to its first `length` bytes; false when the system refused.
    bool truncate(std::int64_t length);

    // Deletes the file at path (resolved as open resolves it); false when it could not.
    static bool remove(const String& path);

    // What the system said about the last failed operation, in words.
    const String& lastError() const { return lastError_; }

private:
    void noteError();
    bool plainOrAbsent(const std::string& name);

    std::FILE* handle_ = nullptr;
    bool open_ = false;
    String lastError_;
};
