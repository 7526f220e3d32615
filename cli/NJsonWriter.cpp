#include "cli/NJsonWriter.h"

#include <cstdio>

std::string NJsonWriter::quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void NJsonWriter::beforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!emptyLevels_.empty() && !emptyLevels_.back())
        text_ += ',';
    if (!emptyLevels_.empty())
        emptyLevels_.back() = false;
}

void NJsonWriter::key(const std::string& name)
{
    beforeValue();
    text_ += quoted(name) + ':';
    afterKey_ = true;
}

void NJsonWriter::open(char bracket)
{
    beforeValue();
    text_ += bracket;
    emptyLevels_.push_back(true);
}

void NJsonWriter::close(char bracket)
{
    text_ += bracket;
    emptyLevels_.pop_back();
}

void NJsonWriter::value(const std::string& text)
{
    beforeValue();
    text_ += quoted(text);
}

void NJsonWriter::value(int number)
{
    beforeValue();
    text_ += std::to_string(number);
}

void NJsonWriter::value(bool flag)
{
    beforeValue();
    text_ += flag ? "true" : "false";
}

void NJsonWriter::null()
{
    beforeValue();
    text_ += "null";
}
