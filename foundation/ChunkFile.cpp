#include "foundation/ChunkFile.h"

#include "foundation/LittleEndian.h"
#include "foundation/MemoryTracker.h"

#include <climits>
#include <cstring>

namespace {

std::uint32_t storedTag(std::uint32_t tag)
{
    // Tags are kept most significant character first but stored in reading order, which a
    // little-endian integer read turns around.
    return (tag >> 24) | ((tag >> 8) & 0xFF00) | ((tag << 8) & 0xFF0000) | (tag << 24);
}

int roundUp4(int n)
{
    return static_cast<int>((static_cast<long long>(n) + 3) & ~3LL);
}

} // namespace

ChunkFile::ChunkFile(const String& path, bool read)
{
    reading_ = read;
    if (!file_.open(path, read ? File::Read : File::Write)) {
        failed_ = true;
        return;
    }
    if (read) {
        std::int64_t size = file_.size();
        // Offsets are 32-bit: a file past 2 GiB is no file of ours.
        if (size > INT_MAX - 8) {
            file_.close();
            failed_ = true;
            return;
        }
        dataSize_ = static_cast<int>(size);
        KESO_OWNER("ChunkFile::ChunkFile");
        data_ = new unsigned char[dataSize_ > 0 ? dataSize_ : 1];
        int got = file_.read(data_, dataSize_);
        file_.close();
        if (got != dataSize_) { // a directory, or a file that changed under us
            failed_ = true;
            return;
        }
        inMemory_ = true;
        limit_ = dataSize_;
    }
}

ChunkFile::~ChunkFile()
{
    if (reading_) {
        KESO_OWNER("ChunkFile::~ChunkFile");
        delete[] data_;
    } else {
        file_.close();
    }
}

bool ChunkFile::finish()
{
    if (reading_)
        return !failed_;
    if (!file_.close())
        writeFailed_ = true;
    return !failed_ && !writeFailed_;
}

bool ChunkFile::descend(std::uint32_t tag)
{
    if (failed_ || depth_ >= MaxDepth)
        return false;
    return reading_ ? descendRead(tag) : descendWrite(tag);
}

bool ChunkFile::descendRead(std::uint32_t tag)
{
    Level& level = stack_[depth_];
    Level saved = level;
    level.searchStart = position_;
    level.parentLimit = limit_;
    std::uint32_t wanted = storedTag(tag);
    while (position_ >= 0 && position_ <= limit_ - 8) {
        level.tag = static_cast<std::uint32_t>(readInt());
        level.length = readInt();
        level.dataStart = position_;
        // A length that is negative or runs past the parent cannot be skipped reliably: the
        // search ends there, and such a chunk is never entered.
        if (level.length < 0 || level.length > limit_ - level.dataStart)
            break;
        if (level.tag == wanted) {
            limit_ = level.dataStart + level.length;
            ++depth_;
            return true;
        }
        position_ = level.dataStart + level.length;
    }
    position_ = level.searchStart;
    level = saved;
    return false;
}

bool ChunkFile::descendWrite(std::uint32_t tag)
{
    writeInt(static_cast<std::int32_t>(storedTag(tag)));
    writeInt(0);
    stack_[depth_].dataStart = position_;
    stack_[depth_].tag = tag;
    stack_[depth_].length = 0;
    ++depth_;
    return true;
}

void ChunkFile::ascend()
{
    if (failed_ || depth_ == 0)
        return;
    --depth_;
    const Level& level = stack_[depth_];
    if (reading_) {
        position_ = level.searchStart;
        limit_ = level.parentLimit;
        return;
    }
    int end = position_;
    file_.seek(level.dataStart - 4);
    std::uint8_t b[4];
    littleendian::write32(b, static_cast<std::uint32_t>(end - level.dataStart));
    if (file_.write(b, 4) != 4)
        writeFailed_ = true;
    file_.seek(end);
}

int ChunkFile::readInt()
{
    if (!inMemory_ || position_ < 0 || position_ > limit_ - 4)
        return 0;
    const unsigned char* p = data_ + position_;
    position_ += 4;
    return static_cast<std::int32_t>(littleendian::read32(p));
}

void ChunkFile::readBytes(void* dst, int n)
{
    if (n <= 0)
        return;
    // Bytes beyond the current chunk read as zero, like integers do.
    int available = (inMemory_ && position_ >= 0 && position_ < limit_) ? limit_ - position_ : 0;
    int copied = n < available ? n : available;
    if (copied > 0)
        std::memcpy(dst, data_ + position_, static_cast<size_t>(copied));
    std::memset(static_cast<unsigned char*>(dst) + copied, 0, static_cast<size_t>(n - copied));
    long long next = static_cast<long long>(position_) + roundUp4(n);
    position_ = next > limit_ ? (position_ > limit_ ? position_ : limit_) : static_cast<int>(next);
}

String ChunkFile::readString()
{
    int count = readInt();
    if (count <= 0)
        return String();
    // A count that cannot fit in what is left of the chunk is garbage: nothing sensible follows it.
    if (position_ < 0 || count > (limit_ - position_) / 2) {
        position_ = limit_;
        return String();
    }
    KESO_OWNER("ChunkFile::readString");
    char16_t* text = new char16_t[count + 1];
    unsigned char* bytes = data_ + position_;
    for (int i = 0; i < count; ++i)
        text[i] = static_cast<char16_t>(littleendian::read16(bytes + 2 * i));
    text[count] = 0;
    position_ += roundUp4(2 * count) > limit_ - position_ ? limit_ - position_ : roundUp4(2 * count);
    String result(text);
    KESO_OWNER("ChunkFile::readString");
    delete[] text;
    return result;
}

void ChunkFile::put(const void* src, int n)
{
    if (file_.write(src, n) != n)
        writeFailed_ = true;
    position_ += n;
}

void ChunkFile::writeInt(std::int32_t v)
{
    std::uint8_t b[4];
    littleendian::write32(b, static_cast<std::uint32_t>(v));
    put(b, 4);
}

void ChunkFile::writeBytes(const void* src, int n)
{
    if (n <= 0)
        return;
    put(src, n);
    static const unsigned char zeros[4] = {0, 0, 0, 0};
    if (n % 4 != 0)
        put(zeros, 4 - n % 4);
}

void ChunkFile::writeString(const String& s)
{
    int n = s.length();
    writeInt(n);
    // Characters are stored as UTF-16LE.
    for (int i = 0; i < n; ++i) {
        std::uint8_t b[2];
        littleendian::write16(b, *s.charPtr(i));
        put(b, 2);
    }
    static const unsigned char zeros[2] = {0, 0};
    if (n % 2 != 0)
        put(zeros, 2);
}

int ChunkFile::chunkSize() const
{
    return depth_ == 0 ? 0 : stack_[depth_ - 1].length;
}

void ChunkFile::seek(int offset)
{
    position_ = offset;
    if (!inMemory_)
        file_.seek(offset);
}
