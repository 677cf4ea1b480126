#pragma once

// Buffered zlib streams over an open file, and a plain buffered reader with the
// same interface, so that the mesh-block parser serves compressed and
// uncompressed formats alike. All of them raise FileError on any failure.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <zlib.h>

#include "core-interface/String.h"

namespace Nimbal {

inline constexpr size_t COMPRESSED_BLOCK_SIZE = 0x20000;

// Deflates what is written to it into the file (zlib wrapper, default level).
class CompressedWriter {
public:
    // Takes the file over: it is closed by close() or the destructor.
    CompressedWriter(const String& fileName, std::FILE* file);
    // Finishes and closes quietly when close() was not reached (an exception
    // is leaving); the caller discards such a file.
    ~CompressedWriter();
    CompressedWriter(const CompressedWriter&) = delete;
    CompressedWriter& operator=(const CompressedWriter&) = delete;

    // One value of n bytes: the buffer is handed to deflate first when the
    // value would reach its end.
    void write(const void* value, size_t n) {
        if (fill_ + n >= COMPRESSED_BLOCK_SIZE) writeSlow(value, n);
        else {
            std::memcpy(input_ + fill_, value, n);
            fill_ += n;
        }
    }
    template <class T>
    void put(T value) {
        write(&value, sizeof value);
    }
    // `count` values of `size` bytes each; the same bytes and the same buffer
    // hand-overs as writing them one by one, without a call per value.
    void writeArray(const void* values, size_t size, size_t count);
    // Room for a record of n bytes written field by field without a hand-over
    // in between, or null when some field of it would trigger one.
    unsigned char* reserve(size_t n) {
        if (fill_ + n >= COMPRESSED_BLOCK_SIZE) return nullptr;
        unsigned char* at = input_ + fill_;
        fill_ += n;
        return at;
    }

    // Finishes the stream and closes the file.
    void close();
    uint64_t bytesWritten() const { return written_; }
    // How often the buffer went to deflate, and what it holds now.
    uint64_t handOvers() const { return handOvers_; }
    size_t buffered() const { return fill_; }

private:
    void writeSlow(const void* value, size_t n);
    void flush(int mode);
    void release() noexcept;

    String fileName_;
    std::FILE* file_;
    uint64_t written_ = 0;
    uint64_t handOvers_ = 0;
    z_stream stream_{};
    bool streamOpen_ = false;
    unsigned char* input_ = nullptr;
    unsigned char* output_ = nullptr;
    size_t fill_ = 0;
};

// What the readers share: reads served from the decoded block in memory,
// the rest left to the reader's readSlow.
template <class Reader>
class BufferedInput {
public:
    // Exactly n bytes, or FileError (the input ended, is corrupt or failed).
    void read(void* to, size_t n) {
        if (n <= fill_ - position_) {
            std::memcpy(to, block_ + position_, n);
            position_ += n;
        } else {
            static_cast<Reader*>(this)->readSlow(to, n);
        }
    }
    template <class T>
    T get() {
        T value;
        read(&value, sizeof value);
        return value;
    }
    // The next n bytes when they are already in memory in one piece (they
    // count as read), else null and nothing is consumed.
    const unsigned char* take(size_t n) {
        if (n > fill_ - position_) return nullptr;
        const unsigned char* at = block_ + position_;
        position_ += n;
        return at;
    }

protected:
    unsigned char* block_ = nullptr;
    size_t position_ = 0;
    size_t fill_ = 0;
};

// Inflates a zlib stream that starts at the file's current position.
class CompressedReader : public BufferedInput<CompressedReader> {
public:
    // Takes the file over: it is closed by the destructor.
    CompressedReader(const String& fileName, std::FILE* file);
    ~CompressedReader();
    CompressedReader(const CompressedReader&) = delete;
    CompressedReader& operator=(const CompressedReader&) = delete;

    // More than the stream can still produce: bounded by the compressed bytes
    // left in the file and the largest expansion deflate allows.
    uint64_t maxRemaining() const;
    uint64_t bytesRead() const { return fileRead_; }
    // Runs the stream to its end, so that its checksum is verified; what is
    // left is decompressed and dropped. FileError when it does not end well.
    void finish();

private:
    friend class BufferedInput<CompressedReader>;
    void readSlow(void* to, size_t n);
    // Decompresses the next piece into the (consumed) output block.
    void refill();

    String fileName_;
    std::FILE* file_;
    uint64_t fileRead_ = 0;
    uint64_t fileLeft_ = 0;
    z_stream stream_{};
    bool streamOpen_ = false;
    unsigned char* input_ = nullptr;
    bool ended_ = false;
};

// Buffered reads of an uncompressed file from its current position.
class PlainReader : public BufferedInput<PlainReader> {
public:
    // Takes the file over: it is closed by the destructor.
    PlainReader(const String& fileName, std::FILE* file);
    ~PlainReader();
    PlainReader(const PlainReader&) = delete;
    PlainReader& operator=(const PlainReader&) = delete;

    // Exactly what the file still holds.
    uint64_t maxRemaining() const { return fileLeft_ + (fill_ - position_); }
    // Nothing to verify: trailing bytes are left alone.
    void finish() {}

private:
    friend class BufferedInput<PlainReader>;
    void readSlow(void* to, size_t n);

    String fileName_;
    std::FILE* file_;
    uint64_t fileLeft_ = 0;
};

// Bytes from the file's current position to its end; 0 when unknown.
uint64_t fileBytesLeft(std::FILE* file);

// The named file opened for binary reading, or FileError.
std::FILE* openForReading(const String& fileName);

// A new file written under a temporary name beside the target, which only
// replaces the target once it is complete: a failed write leaves whatever
// stood at the target's name untouched.
class PendingFile {
public:
    // Creates the temporary file, or FileError.
    explicit PendingFile(const String& fileName);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    std::FILE* file() const { return file_; }
    // The file is now someone else's to close (before commit).
    std::FILE* release() {
        std::FILE* file = file_;
        file_ = nullptr;
        return file;
    }
    // Closes the file if still held and moves it to the target's name.
    void commit();

private:
    String fileName_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

} // namespace Nimbal
