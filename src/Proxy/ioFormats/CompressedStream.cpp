#include "Proxy/ioFormats/CompressedStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include "Proxy/ioFormats/FileFormats.h"
#include "core-interface/Memory.h"

namespace Nimbal {

namespace {

// A deflate stream never expands more than 1032 to 1 (a 258-byte match in two
// bits); the slack covers bits inflate holds and a match it has not finished.
constexpr uint64_t MAX_INFLATE_RATIO = 1032;
constexpr uint64_t INFLATE_SLACK_IN = 16;
constexpr uint64_t INFLATE_SLACK_OUT = 1024;

unsigned char* allocateBlock() { return static_cast<unsigned char*>(nimbalMalloc(COMPRESSED_BLOCK_SIZE)); }

} // namespace

uint64_t fileBytesLeft(std::FILE* file) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    const long at = std::ftell(file);
    if (at < 0 || info.st_size < at) return 0;
    return uint64_t(info.st_size) - uint64_t(at);
}

std::FILE* openForReading(const String& fileName) {
    const std::string name = fileName.toUtf8();
    std::FILE* file = name.empty() ? nullptr : std::fopen(name.c_str(), "rb");
    if (!file) throw FileError(fileName);
    return file;
}

// ---------------------------------------------------------------------------
// PendingFile

PendingFile::PendingFile(const String& fileName) : fileName_(fileName) {
    static std::atomic<unsigned> counter{0};
    const std::string target = fileName.toUtf8();
    if (target.empty()) throw FileError(fileName);
    // Exclusive creation: never truncate a file that happens to have the name.
    for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
        temporary_ = target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        file_ = std::fopen(temporary_.c_str(), "wbx");
    }
    if (!file_) throw FileError(fileName);
}

PendingFile::~PendingFile() {
    if (file_) std::fclose(file_);
    if (!committed_) std::remove(temporary_.c_str());
}

void PendingFile::commit() {
    if (file_) {
        std::FILE* file = release();
        if (std::fclose(file) != 0) throw FileError(fileName_);
    }
    if (std::rename(temporary_.c_str(), fileName_.toUtf8().c_str()) != 0) throw FileError(fileName_);
    committed_ = true;
}

// ---------------------------------------------------------------------------
// CompressedWriter

CompressedWriter::CompressedWriter(const String& fileName, std::FILE* file) : fileName_(fileName), file_(file) {
    try {
        input_ = allocateBlock();
        output_ = allocateBlock();
    } catch (...) {
        release();
        throw;
    }
    if (deflateInit(&stream_, Z_DEFAULT_COMPRESSION) != Z_OK) {
        release();
        throw FileError(fileName_);
    }
    streamOpen_ = true;
}

CompressedWriter::~CompressedWriter() {
    if (streamOpen_ && file_) {
        try {
            flush(Z_FINISH);
        } catch (...) {
        }
    }
    release();
}

void CompressedWriter::release() noexcept {
    if (streamOpen_) deflateEnd(&stream_);
    streamOpen_ = false;
    if (file_) std::fclose(file_);
    file_ = nullptr;
    nimbalFree(input_);
    nimbalFree(output_);
    input_ = output_ = nullptr;
}

void CompressedWriter::writeSlow(const void* value, size_t n) {
    if (fill_ + n >= COMPRESSED_BLOCK_SIZE) flush(Z_NO_FLUSH);
    if (n < COMPRESSED_BLOCK_SIZE) {
        std::memcpy(input_ + fill_, value, n);
        fill_ += n;
        return;
    }
    // Larger than the buffer: deflate it in buffer-sized pieces.
    const unsigned char* from = static_cast<const unsigned char*>(value);
    while (n > 0) {
        const size_t piece = std::min(n, COMPRESSED_BLOCK_SIZE - 1);
        std::memcpy(input_, from, piece);
        fill_ = piece;
        from += piece;
        n -= piece;
        if (n > 0) flush(Z_NO_FLUSH);
    }
}

void CompressedWriter::writeArray(const void* values, size_t size, size_t count) {
    if (size == 0 || size >= COMPRESSED_BLOCK_SIZE) {
        const unsigned char* from = static_cast<const unsigned char*>(values);
        for (size_t i = 0; i < count; ++i) write(from + i * size, size);
        return;
    }
    const unsigned char* from = static_cast<const unsigned char*>(values);
    while (count > 0) {
        // Values that fit before the one that would reach the buffer's end.
        const size_t fit = (COMPRESSED_BLOCK_SIZE - 1 - fill_) / size;
        const size_t now = std::min(fit, count);
        std::memcpy(input_ + fill_, from, now * size);
        fill_ += now * size;
        from += now * size;
        count -= now;
        if (count > 0) {
            write(from, size);
            from += size;
            --count;
        }
    }
}

void CompressedWriter::flush(int mode) {
    if (!streamOpen_) throw FileError(fileName_);
    ++handOvers_;
    stream_.next_in = input_;
    stream_.avail_in = static_cast<uInt>(fill_);
    do {
        stream_.next_out = output_;
        stream_.avail_out = static_cast<uInt>(COMPRESSED_BLOCK_SIZE);
        const int result = deflate(&stream_, mode);
        if (result == Z_STREAM_ERROR) throw FileError(fileName_);
        const size_t produced = COMPRESSED_BLOCK_SIZE - stream_.avail_out;
        if (produced > 0) {
            if (std::fwrite(output_, 1, produced, file_) != produced) throw FileError(fileName_);
            written_ += produced;
        }
    } while (stream_.avail_out == 0);
    fill_ = 0;
}

void CompressedWriter::close() {
    flush(Z_FINISH);
    deflateEnd(&stream_);
    streamOpen_ = false;
    std::FILE* file = file_;
    file_ = nullptr;
    // Data the C library still buffers can fail to reach the disk here.
    if (std::fclose(file) != 0) throw FileError(fileName_);
}

// ---------------------------------------------------------------------------
// CompressedReader

CompressedReader::CompressedReader(const String& fileName, std::FILE* file) : fileName_(fileName), file_(file) {
    fileLeft_ = fileBytesLeft(file_);
    try {
        input_ = allocateBlock();
        block_ = allocateBlock();
    } catch (...) {
        nimbalFree(input_);
        std::fclose(file_);
        throw;
    }
    if (inflateInit(&stream_) != Z_OK) {
        nimbalFree(input_);
        nimbalFree(block_);
        std::fclose(file_);
        throw FileError(fileName_);
    }
    streamOpen_ = true;
}

CompressedReader::~CompressedReader() {
    if (streamOpen_) inflateEnd(&stream_);
    if (file_) std::fclose(file_);
    nimbalFree(input_);
    nimbalFree(block_);
}

void CompressedReader::readSlow(void* to, size_t n) {
    unsigned char* at = static_cast<unsigned char*>(to);
    for (;;) {
        const size_t have = std::min(n, fill_ - position_);
        std::memcpy(at, block_ + position_, have);
        position_ += have;
        at += have;
        n -= have;
        if (n == 0) return;
        refill();
        if (fill_ == 0) throw FileError(fileName_);  // the stream ended early
    }
}

void CompressedReader::refill() {
    position_ = fill_ = 0;
    if (stream_.avail_in == 0) {
        const size_t got = std::fread(input_, 1, COMPRESSED_BLOCK_SIZE, file_);
        if (got < COMPRESSED_BLOCK_SIZE && std::ferror(file_)) throw FileError(fileName_);
        fileRead_ += got;
        fileLeft_ = got < fileLeft_ ? fileLeft_ - got : 0;
        stream_.next_in = input_;
        stream_.avail_in = static_cast<uInt>(got);
    }
    stream_.next_out = block_;
    stream_.avail_out = static_cast<uInt>(COMPRESSED_BLOCK_SIZE);
    const int result = inflate(&stream_, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END) throw FileError(fileName_);
    if (result == Z_STREAM_END) ended_ = true;
    fill_ = COMPRESSED_BLOCK_SIZE - stream_.avail_out;
}

void CompressedReader::finish() {
    while (!ended_) {
        refill();
        if (fill_ == 0 && !ended_) throw FileError(fileName_);
    }
    position_ = fill_ = 0;
}

uint64_t CompressedReader::maxRemaining() const {
    const uint64_t compressed = fileLeft_ + stream_.avail_in + INFLATE_SLACK_IN;
    return compressed * MAX_INFLATE_RATIO + INFLATE_SLACK_OUT + (fill_ - position_);
}

// ---------------------------------------------------------------------------
// PlainReader

PlainReader::PlainReader(const String& fileName, std::FILE* file) : fileName_(fileName), file_(file) {
    fileLeft_ = fileBytesLeft(file_);
    try {
        block_ = allocateBlock();
    } catch (...) {
        std::fclose(file_);
        throw;
    }
}

PlainReader::~PlainReader() {
    if (file_) std::fclose(file_);
    nimbalFree(block_);
}

void PlainReader::readSlow(void* to, size_t n) {
    unsigned char* at = static_cast<unsigned char*>(to);
    const size_t have = fill_ - position_;
    std::memcpy(at, block_ + position_, have);
    at += have;
    n -= have;
    position_ = fill_ = 0;
    if (n >= COMPRESSED_BLOCK_SIZE) {
        // Large reads go straight to their destination.
        const size_t got = std::fread(at, 1, n, file_);
        fileLeft_ = got < fileLeft_ ? fileLeft_ - got : 0;
        if (got != n) throw FileError(fileName_);
        return;
    }
    const size_t got = std::fread(block_, 1, COMPRESSED_BLOCK_SIZE, file_);
    fileLeft_ = got < fileLeft_ ? fileLeft_ - got : 0;
    if (got < n) throw FileError(fileName_);
    std::memcpy(at, block_, n);
    position_ = n;
    fill_ = got;
}

} // namespace Nimbal
