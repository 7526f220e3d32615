#pragma once

#include <string>
#include <vector>

// Builds one JSON text on a single line: values, keys and nesting in the order they are given, the
// commas between them placed by the writer. Strings are taken as UTF-8 and escaped where JSON asks.
class NJsonWriter {
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(const std::string& name);

    void value(const std::string& text);
    void value(const char* text) { value(std::string(text)); }
    void value(int number);
    void value(bool flag);
    void null();

    const std::string& text() const { return text_; }

    static std::string quoted(const std::string& text);

private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);

    std::string text_;
    std::vector<bool> emptyLevels_; // per open bracket: nothing written inside it yet
    bool afterKey_ = false;
};
