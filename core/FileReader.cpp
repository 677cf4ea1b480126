#include "core-interface/FileReader.h"

#include <cstring>
#include <string>

#include "core-interface/Exception.h"
#include "core-interface/Memory.h"

namespace Nimbal {

FileReader::FileReader(const String& path) { open(path); }

FileReader::~FileReader() { close(); }

bool FileReader::open(const String& path) {
    close();
    const std::string name = path.toUtf8();
    if (name.empty()) return false;
    file_ = std::fopen(name.c_str(), "rb");
    if (!file_) return false;
    buffer_ = static_cast<char*>(nimbalMalloc(BUFFER_SIZE));
    return true;
}

void FileReader::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    nimbalFree(buffer_);
    buffer_ = nullptr;
    position_ = end_ = 0;
}

bool FileReader::fill() {
    if (position_ < end_) return true;
    if (!file_) return false;
    position_ = 0;
    end_ = int(std::fread(buffer_, 1, BUFFER_SIZE, file_));
    return end_ > 0;
}

bool FileReader::eof() { return !fill(); }

bool FileReader::nextLine(String& line) {
    line = String();
    if (!fill()) return false;
    // Bytes are gathered first so that a long line costs amortised linear
    // time, then converted once.
    std::string bytes;
    bool ended = false;
    while (!ended && fill()) {
        const char* start = buffer_ + position_;
        const void* newline = std::memchr(start, '\n', size_t(end_ - position_));
        int taken = newline ? int(static_cast<const char*>(newline) - start) : end_ - position_;
        bytes.append(start, size_t(taken));
        position_ += taken;
        if (newline) {
            ++position_;
            ended = true;
        }
        if (bytes.size() >= size_t(INT32_MAX)) throw Exception("FileReader: line too long", STOP_CODE);
    }
    if (ended && !bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    line = String::fromAnsi(bytes.data(), int32_t(bytes.size()));
    return true;
}

} // namespace Nimbal
