#pragma once

#include "foundation/File.h"
#include "foundation/KESOString.h"

#include <cstdint>

// A chunk tag as a 32-bit constant whose most significant byte is the first character.
constexpr std::uint32_t chunkTag(const char (&text)[5])
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

// Reads and writes the tree of tagged chunks every binary file of the program is made of: a tag, a
// little-endian 32-bit length, then data padded to 4 bytes. Readers find chunks by tag, so order
// does not matter, and reading past a chunk's end yields zeros. Reading is safe on any input: a
// chunk whose length is negative or runs past its parent is treated as not there, and no read
// leaves the loaded file.
class ChunkFile {
public:
    static constexpr int MaxDepth = 8;

    ChunkFile(const String& path, bool read);
    ChunkFile(const ChunkFile&) = delete;
    ChunkFile& operator=(const ChunkFile&) = delete;
    ~ChunkFile();

    bool failed() const { return failed_; }
    // Why the file could not be opened or written, in the system's words.
    const String& errorText() const { return file_.lastError(); }

    bool descend(std::uint32_t tag);
    void ascend();

    int readInt();
    void writeInt(std::int32_t v);
    void readBytes(void* dst, int n);
    void writeBytes(const void* src, int n);
    String readString();
    void writeString(const String& s);

    int chunkSize() const;
    void seek(int offset);
    int position() const { return position_; }
    int depth() const { return depth_; }

    // Write mode: true once any write came up short. finish() closes the file and reports whether
    // everything reached it.
    bool writeFailed() const { return writeFailed_; }
    bool finish();
    // Write mode: cuts the file at the current position, dropping what a failed write left beyond
    // it; false when the system refused.
    bool truncateHere() { return file_.truncate(position_); }

private:
    struct Level {
        int dataStart;
        int searchStart;
        int parentLimit;
        std::uint32_t tag;
        int length;
    };

    bool descendRead(std::uint32_t tag);
    bool descendWrite(std::uint32_t tag);
    void put(const void* src, int n);

    File file_;
    Level stack_[MaxDepth] = {};
    int depth_ = 0;
    unsigned char* data_ = nullptr;
    int dataSize_ = 0;
    int position_ = 0;
    int limit_ = 0;
    bool inMemory_ = false;
    bool reading_ = false;
    bool failed_ = false;
    bool writeFailed_ = false;
};
