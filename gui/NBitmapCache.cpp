#include "gui/NBitmapCache.h"

#include "foundation/ChunkFile.h"
#include "foundation/KESOString.h"
#include "foundation/MemoryTracker.h"

#include <cstdint>
#include <cstring>

namespace {

bool sameKey(const char16_t* a, const char16_t* b)
{
    for (; *a != 0 && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

} // namespace

NBitmapCache& NBitmapCache::instance()
{
    // The tracker is made first so that it outlives the releases the cache makes at exit.
    MemoryTracker::instance();
    static NBitmapCache cache;
    return cache;
}

String NBitmapCache::skinPath(const String& name)
{
    return makeAppPath(String(u"skin\\") + name);
}

NBitmapCache::~NBitmapCache()
{
    empty();
}

KESOBitmap* NBitmapCache::request(const String& name)
{
    for (int i = 0; i < count_; ++i) {
        if (sameKey(entries_[i].name, name.c_str()))
            return entries_[i].bitmap;
    }
    if (count_ == Capacity)
        return &refused_;
    KESO_OWNER("NBitmapCache::request");
    KESOBitmap* bitmap = new KESOBitmap;
    bitmap->load(name);
    append(name, bitmap, "NBitmapCache::request");
    return bitmap;
}

void NBitmapCache::loadPackfile(const String& path)
{
    ChunkFile file(path, true);
    if (file.failed() || !file.descend(chunkTag("PACK")))
        return;
    // Entry numbers run from 1 without a gap. The table holds no more than Capacity images, and
    // stopping there also bounds the scans a hostile pack could ask for.
    for (std::uint32_t k = 1; k <= Capacity && count_ < Capacity && file.descend(k); ++k) {
        int end = file.position() + file.chunkSize();
        String key = skinPath(file.readString());
        int size = file.readInt();
        // An entry claiming more bytes than it holds is not an image we can trust.
        if (size >= 0 && size <= end - file.position()) {
            KESO_OWNER("NBitmapCache::loadPackfile");
            unsigned char* block = new unsigned char[size > 0 ? size : 1];
            file.readBytes(block, size);
            KESO_OWNER("NBitmapCache::loadPackfile");
            KESOBitmap* bitmap = new KESOBitmap;
            bitmap->loadTGA(block, size);
            KESO_OWNER("NBitmapCache::loadPackfile");
            delete[] block;
            append(key, bitmap, "NBitmapCache::loadPackfile");
        }
        file.ascend();
    }
    file.ascend();
}

void NBitmapCache::empty()
{
    for (int i = 0; i < count_; ++i) {
        KESO_OWNER("NBitmapCache::empty");
        delete entries_[i].bitmap;
        entries_[i].bitmap = nullptr;
        KESO_OWNER("NBitmapCache::empty");
        delete[] entries_[i].name;
        entries_[i].name = nullptr;
    }
    count_ = 0;
}

void NBitmapCache::append(const String& key, KESOBitmap* bitmap, const char* owner)
{
    int n = key.length();
    KESO_OWNER(owner);
    char16_t* name = new char16_t[n + 1];
    std::memcpy(name, key.c_str(), static_cast<size_t>(n + 1) * sizeof(char16_t));
    entries_[count_++] = {name, bitmap};
}
