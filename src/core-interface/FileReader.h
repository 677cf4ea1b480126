#pragma once

#include <cstdio>
#include <string>

#include "core-interface/Object.h"
#include "core-interface/String.h"

namespace Nimbal {

// Reads a text file line by line. Lines end at "\n" or "\r\n" (neither is
// kept); bytes are taken as Windows-1252, NUL bytes included. Lines may be of
// any length. A file that cannot be opened reads as empty.
//
// eof() is true once no line is left, so
//     do { reader.nextLine(line); ... } while (!reader.eof());
// processes every line exactly once (an empty file gives one empty line).
class FileReader : public Object {
public:
    FileReader() = default;
    explicit FileReader(const String& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Closes any open file first. The path goes to the OS as UTF-8.
    bool open(const String& path);
    bool isOpen() const { return file_ != nullptr; }
    void close();

    // False, with `line` emptied, when no line is left.
    bool nextLine(String& line);
    bool eof();

private:
    // Makes at least one unread byte available; false at the end of the file.
    bool fill();

    static constexpr int BUFFER_SIZE = 1 << 16;

    // Holds a line that crosses a buffer refill; kept to reuse its storage.
    std::string pending_;
    std::FILE* file_ = nullptr;
    char* buffer_ = nullptr;
    int position_ = 0;
    int end_ = 0;
};

} // namespace Nimbal
