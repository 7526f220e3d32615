#pragma once

#include <string>

// The program's text type: a zero-terminated buffer of UTF-16 code units with deep-copy semantics.
// The length is not stored; it is the number of units before the first zero.
class String {
public:
    String();
    String(const char16_t* text);
    String(const String& other);
    ~String();

    String& operator=(const String& other);
    String& operator=(const char16_t* text);
    String& operator+=(const String& other);

    int length() const;
    int capacity() const { return capacity_; }
    const char16_t* c_str() const { return buffer_; }
    char16_t* charPtr(int index) { return buffer_ + index; }
    const char16_t* charPtr(int index) const { return buffer_ + index; }

    int find(const String& needle, int from) const;
    String mid(int start, int count) const;
    String directoryPart() const;
    String fileNamePart() const;

    bool operator==(const String& other) const;

    // Conversion at the edges of the program (file names for the system, text for the terminal).
    static String fromUtf8(const std::string& text);
    std::string toUtf8() const;

private:
    void assign(const char16_t* text, int textLength);
    int lastSeparator() const;

    int capacity_;
    char16_t* buffer_;
};

String operator+(const String& a, const String& b);
String intToString(int value);

// Resolves a relative name against the program's own folder; absolute paths pass unchanged.
String makeAppPath(String path);

// The folder that makeAppPath resolves against, ending in '/'. Until it is set, it is taken from the
// program-path service, so tools and the renderer resolve names before any application object exists.
void setAppDirectory(const String& directory);
String appDirectory();
