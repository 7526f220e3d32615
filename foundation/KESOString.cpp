#include "foundation/KESOString.h"

#include "foundation/KESOProgramPath.h"
#include "foundation/KESOServices.h"
#include "foundation/MemoryTracker.h"

#include <cstring>

namespace {

int textLength(const char16_t* text)
{
    int n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

bool isSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

String& storedAppDirectory()
{
    static String directory;
    return directory;
}

} // namespace

String::String()
{
    KESO_OWNER("String::String");
    capacity_ = 1;
    buffer_ = new char16_t[1];
    buffer_[0] = 0;
}

String::String(const char16_t* text)
{
    int n = textLength(text);
    KESO_OWNER("String::String");
    capacity_ = n + 1;
    buffer_ = new char16_t[capacity_];
    std::memcpy(buffer_, text, sizeof(char16_t) * capacity_);
}

String::String(const String& other)
{
    int n = other.length();
    KESO_OWNER("String::String");
    capacity_ = n + 1;
    buffer_ = new char16_t[capacity_];
    std::memcpy(buffer_, other.buffer_, sizeof(char16_t) * capacity_);
}

String::~String()
{
    KESO_OWNER("String::~String");
    delete[] buffer_;
}

void String::assign(const char16_t* text, int n)
{
    if (capacity_ < n + 1) {
        KESO_OWNER("String::operator=");
        delete[] buffer_;
        capacity_ = n + 1;
        KESO_OWNER("String::operator=");
        buffer_ = new char16_t[capacity_];
    }
    std::memmove(buffer_, text, sizeof(char16_t) * n);
    buffer_[n] = 0;
}

String& String::operator=(const String& other)
{
    if (this != &other)
        assign(other.buffer_, other.length());
    return *this;
}

String& String::operator=(const char16_t* text)
{
    // The text may point into our own buffer; assign() only reallocates when it must grow, and a
    // text inside the buffer never needs more room than the buffer has.
    assign(text, textLength(text));
    return *this;
}

String& String::operator+=(const String& other)
{
    String appended(other); // appending a string to itself must see the text as it was
    int a = appended.length();
    int b = length();
    if (a + b >= capacity_) {
        KESO_OWNER("String::operator+=");
        char16_t* grown = new char16_t[a + b + 1];
        std::memcpy(grown, buffer_, sizeof(char16_t) * b);
        KESO_OWNER("String::operator+=");
        delete[] buffer_;
        buffer_ = grown;
        capacity_ = a + b + 1;
    }
    std::memcpy(buffer_ + b, appended.buffer_, sizeof(char16_t) * (a + 1));
    return *this;
}

int String::length() const
{
    return textLength(buffer_);
}

int String::find(const String& needle, int from) const
{
    int n = needle.length();
    int last = length() - n;
    for (int p = from < 0 ? 0 : from; p <= last; ++p) {
        if (std::memcmp(buffer_ + p, needle.buffer_, sizeof(char16_t) * n) == 0)
            return p;
    }
    return -1;
}

String String::mid(int start, int count) const
{
    int n = length();
    if (start < 0)
        start = 0;
    String result;
    if (start >= n || count <= 0)
        return result;
    long long last = static_cast<long long>(start) + count - 1;
    if (last > n - 1)
        last = n - 1;
    result.assign(buffer_ + start, static_cast<int>(last - start + 1));
    return result;
}

int String::lastSeparator() const
{
    int found = -1;
    for (int i = 0; buffer_[i] != 0; ++i) {
        if (isSeparator(buffer_[i]))
            found = i;
    }
    return found;
}

String String::directoryPart() const
{
    int p = lastSeparator();
    return p < 0 ? String() : mid(0, p);
}

String String::fileNamePart() const
{
    int p = lastSeparator();
    return p < 0 ? String() : mid(p + 1, 100);
}

bool String::operator==(const String& other) const
{
    int n = length();
    return n == other.length() && std::memcmp(buffer_, other.buffer_, sizeof(char16_t) * n) == 0;
}

String String::fromUtf8(const std::string& text)
{
    std::u16string units;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        char32_t code = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool valid = extra >= 0 && i + extra < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            valid = (cc >> 6) == 2;
            code = (code << 6) | (cc & 0x3F);
        }
        if (!valid || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            units.push_back(0xFFFD); // undecodable bytes and embedded zeros are replaced, never dropped
            i += 1;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
        i += extra + 1;
    }
    return String(units.c_str());
}

std::string String::toUtf8() const
{
    std::string out;
    for (int i = 0; buffer_[i] != 0; ++i) {
        char32_t code = buffer_[i];
        if (code >= 0xD800 && code <= 0xDBFF && buffer_[i + 1] >= 0xDC00 && buffer_[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (buffer_[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

String operator+(const String& a, const String& b)
{
    String joined(a);
    joined += b;
    return joined;
}

String intToString(int value)
{
    char16_t digits[16];
    int pos = 15;
    digits[pos] = 0;
    // Work on the negative side so that the most negative int needs no special case.
    int rest = value < 0 ? value : -value;
    do {
        digits[--pos] = static_cast<char16_t>(u'0' - rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (value < 0)
        digits[--pos] = u'-';
    return String(digits + pos);
}

namespace {

bool isAbsolute(const String& path)
{
    const char16_t* p = path.c_str();
    if (isSeparator(p[0]))
        return true;
    return p[0] != 0 && p[1] == u':' && isSeparator(p[2]);
}

String withForwardSlashes(String path)
{
    for (char16_t* p = path.charPtr(0); *p != 0; ++p) {
        if (*p == u'\\')
            *p = u'/';
    }
    return path;
}

} // namespace

void setAppDirectory(const String& directory)
{
    String normalised = withForwardSlashes(directory);
    int n = normalised.length();
    if (n > 0 && *normalised.charPtr(n - 1) != u'/')
        normalised += String(u"/");
    storedAppDirectory() = normalised;
}

String appDirectory()
{
    if (storedAppDirectory().length() == 0) {
        KESOProgramPath* programPath = KESOServices::instance().programPath;
        if (programPath != nullptr)
            setAppDirectory(programPath->programFile().directoryPart());
    }
    return storedAppDirectory();
}

String makeAppPath(String path)
{
    path = withForwardSlashes(path);
    String directory = appDirectory();
    if (directory.length() == 0 || isAbsolute(path) || path.find(directory, 0) >= 0)
        return path;
    return directory + path;
}
