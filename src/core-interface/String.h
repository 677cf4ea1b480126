#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace Nimbal {

[[noreturn]] void raiseStop(const char* file, int line);

// The text type shared with the core: UTF-16 text plus a cache of the same
// text in the Windows ANSI code page (Windows-1252 here; what it cannot hold
// becomes '?'). Both buffers come from nimbalMalloc.
//
// Buffer rules the rest of the code base may rely on:
// - appending grows a buffer to max(2 * capacity, needed);
// - a copy duplicates both buffers with exactly the source's capacities;
// - c_wstr() writes a 0 after the last character (growing if needed) and
//   does not count it;
// - c_str() converts length + 1 characters (terminator included) into the
//   narrow buffer; narrowLength() is then that byte count.
class String {
public:
    String() noexcept = default;
    // 8-bit text in the ANSI code page, up to its first NUL. Null is empty.
    String(const char* ansi);
    // Zero-terminated UTF-16. Null is empty.
    String(const char16_t* wide);
    String(const char16_t* wide, int32_t length);
    // Decimal text of the value.
    explicit String(int value);

    // Exactly count bytes in the ANSI code page, embedded NULs included.
    static String fromAnsi(const char* bytes, int32_t count);
    // Malformed sequences become U+FFFD.
    static String fromUtf8(std::string_view utf8);
    // Replaces the text by exactly count ANSI bytes, keeping the buffer when
    // it is large enough: a reader filling one String line after line
    // allocates only for the longest line.
    void assignAnsi(const char* bytes, int32_t count);

    String(const String& other);
    String(String&& other) noexcept;
    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    ~String();

    int32_t length() const noexcept { return wideLength_; }
    bool isEmpty() const noexcept { return wideLength_ == 0; }
    int32_t capacity() const noexcept { return wideCapacity_; }
    // Meaningful after c_str(): the converted byte count, terminator included.
    int32_t narrowLength() const noexcept { return narrowLength_; }
    int32_t narrowCapacity() const noexcept { return narrowCapacity_; }

    char16_t operator[](int32_t i) const {
        if (i < 0 || i >= wideLength_) raiseStop(__FILE__, __LINE__);
        return wide_[i];
    }
    char16_t& operator[](int32_t i) {
        if (i < 0 || i >= wideLength_) raiseStop(__FILE__, __LINE__);
        return wide_[i];
    }

    const char16_t* c_wstr() const;
    // Windows-1252, zero-terminated. Valid until the String changes.
    const char* c_str() const;
    // Lone surrogates become U+FFFD.
    std::string toUtf8() const;

    String& append(const String& text);
    String& append(const char* ansi);
    String& append(const char16_t* wide);
    String& append(const char16_t* wide, int32_t count);
    String& append(char16_t c);
    // One byte in the ANSI code page.
    String& append(char c);
    // Decimal text of the value.
    String& append(int value);

    String& operator+=(const String& t) { return append(t); }
    String& operator+=(const char* t) { return append(t); }
    String& operator+=(const char16_t* t) { return append(t); }
    String& operator+=(char16_t c) { return append(c); }
    String& operator+=(char c) { return append(c); }
    String& operator+=(int v) { return append(v); }

    friend String operator+(String a, const String& b) { a.append(b); return a; }
    friend String operator+(String a, const char* b) { a.append(b); return a; }
    friend String operator+(String a, const char16_t* b) { a.append(b); return a; }
    friend String operator+(String a, char16_t c) { a.append(c); return a; }
    friend String operator+(String a, char c) { a.append(c); return a; }
    friend String operator+(String a, int v) { a.append(v); return a; }

    friend bool operator==(const String& a, const String& b) noexcept;
    friend bool operator!=(const String& a, const String& b) noexcept { return !(a == b); }
    // By UTF-16 code units; enough for deterministic sorting.
    friend bool operator<(const String& a, const String& b) noexcept;

    size_t hash() const noexcept;

private:
    void growWide(int64_t needed) const;
    void appendAnsiBytes(const char* bytes, int32_t count);

    // Mutable because c_wstr() and c_str() may grow a buffer on const text.
    mutable char16_t* wide_ = nullptr;
    mutable int32_t wideCapacity_ = 0;
    int32_t wideLength_ = 0;
    mutable char* narrow_ = nullptr;
    mutable int32_t narrowCapacity_ = 0;
    mutable int32_t narrowLength_ = 0;
};

// Windows-1252 conversions of single characters, shared with the file reader.
char16_t ansiToWide(unsigned char byte) noexcept;
char wideToAnsi(char16_t c) noexcept;

} // namespace Nimbal

template <>
struct std::hash<Nimbal::String> {
    size_t operator()(const Nimbal::String& s) const noexcept { return s.hash(); }
};
