#pragma once

#include <string>
#include <vector>

// Reads the text files the skin is designed in, line by line, and reports mistakes with the file
// name and line number.
class SkinSource {
public:
    // False (with the reason in error()) when the file cannot be read.
    bool open(const std::string& path);

    // The next line that is neither empty nor a comment (a line starting with '#'); false at the
    // end of the file.
    bool nextStatement(std::string& line);
    // The next row of a block of rows (a glyph, an icon); false where an empty line or the end of
    // the file ends the block.
    bool nextRow(std::string& line);

    // Records a mistake at the current line; always returns false, for `return fail(...)`.
    bool fail(const std::string& message);
    const std::string& error() const { return error_; }

private:
    // The next line without its end; false at the end of the file.
    bool nextLine(std::string& line);

    std::string path_;
    std::vector<std::string> lines_;
    int lineNumber_ = 0;
    std::string error_;
};
