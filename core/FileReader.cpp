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
    if (!fill()) {
        line.assignAnsi(nullptr, 0);
        return false;
    }
    // Most lines lie inside the buffer and convert straight from it; a line
    // crossing a refill is gathered first so that a long line costs amortised
    // linear time, then converted once.
    pending_.clear();
    bool ended = false;
    const char* start = nullptr;
    size_t taken = 0;
    while (!ended && fill()) {
        start = buffer_ + position_;
        const void* newline = std::memchr(start, '\n', size_t(end_ - position_));
        taken = newline ? size_t(static_cast<const char*>(newline) - start) : size_t(end_ - position_);
        position_ += int(taken);
        if (newline) {
            ++position_;
            ended = true;
        }
        if (!ended || !pending_.empty()) {
            pending_.append(start, taken);
            if (pending_.size() >= size_t(INT32_MAX)) throw Exception("FileReader: line too long", STOP_CODE);
        }
    }
    if (!pending_.empty() || !ended) {
        start = pending_.data();
        taken = pending_.size();
    }
    if (ended && taken > 0 && start[taken - 1] == '\r') --taken;
    line.assignAnsi(start, int32_t(taken));
    return true;
}

} // namespace Nimbal
