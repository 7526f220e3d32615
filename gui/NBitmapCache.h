#pragma once

#include "gui/KESOBitmap.h"

class String;

// Hands out skin and font images by file name, loading each once. Images come from the skin
// packfile or, when the pack does not hold them, from loose TGA files. The cache owns every bitmap
// it hands out; pointers stay valid until `empty`.
class NBitmapCache {
public:
    static constexpr int Capacity = 256;

    static NBitmapCache& instance();
    // The full path of an image in the skin folder: the name it is requested by, and cached under
    // when it comes from the packfile.
    static String skinPath(const String& name);

    NBitmapCache() = default;
    NBitmapCache(const NBitmapCache&) = delete;
    NBitmapCache& operator=(const NBitmapCache&) = delete;
    ~NBitmapCache();

    // The bitmap cached under the full path `name`, loaded on a miss; never null. A missing file
    // gives an empty bitmap, cached too. Once the table is full, further names get an empty bitmap
    // that is not cached.
    KESOBitmap* request(const String& name);
    // Adds every image of a skin packfile, each under the skinPath of its name in the pack.
    void loadPackfile(const String& path);
    void empty();

    int count() const { return count_; }

private:
    struct Entry {
        char16_t* name;
        KESOBitmap* bitmap;
    };

    void append(const String& key, KESOBitmap* bitmap, const char* owner);

    Entry entries_[Capacity] = {};
    int count_ = 0;
    KESOBitmap refused_;
};
