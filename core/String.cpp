#include "core-interface/String.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <sstream>
#include <utility>

#include "core-interface/Exception.h"
#include "core-interface/Memory.h"

namespace Nimbal {

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// undefined map to the C1 control of the same value, as Windows does.
constexpr char16_t HIGH_CONTROLS[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int32_t checkedLength(size_t n) {
    NIMBAL_ASSERT(n < size_t(INT32_MAX));
    return static_cast<int32_t>(n);
}

size_t wideLengthOf(const char16_t* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

} // namespace

char16_t ansiToWide(unsigned char byte) noexcept {
    return byte >= 0x80 && byte < 0xA0 ? HIGH_CONTROLS[byte - 0x80] : char16_t(byte);
}

char wideToAnsi(char16_t c) noexcept {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return char(c);
    for (int i = 0; i < 32; ++i) {
        if (HIGH_CONTROLS[i] == c) return char(0x80 + i);
    }
    return '?';
}

String::String(const char* ansi) {
    if (ansi) appendAnsiBytes(ansi, checkedLength(std::strlen(ansi)));
}

// Built texts keep room for their terminator, like those built from 8-bit text.
String::String(const char16_t* wide) : String(wide, wide ? checkedLength(wideLengthOf(wide)) : 0) {}

String::String(const char16_t* wide, int32_t length) {
    NIMBAL_ASSERT(length >= 0);
    if (!wide) return;
    growWide(int64_t(length) + 1);
    append(wide, length);
}

String::String(int value) {
    std::ostringstream stream;
    stream << value;
    const std::string text = stream.str();
    appendAnsiBytes(text.data(), checkedLength(text.size()));
}

String String::fromAnsi(const char* bytes, int32_t count) {
    NIMBAL_ASSERT(count >= 0 && (bytes || count == 0));
    String s;
    s.appendAnsiBytes(bytes, count);
    return s;
}

void String::assignAnsi(const char* bytes, int32_t count) {
    NIMBAL_ASSERT(count >= 0 && (bytes || count == 0));
    wideLength_ = 0;
    narrowLength_ = 0;
    appendAnsiBytes(bytes, count);
}

String String::fromUtf8(std::string_view utf8) {
    String s;
    // UTF-16 never needs more units than UTF-8 has bytes.
    s.growWide(int64_t(utf8.size()) + 1);
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            s.append(char16_t(lead));
            ++i;
            continue;
        }
        size_t extra;
        uint32_t cp, minimum;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, cp = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, cp = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, cp = lead & 0x07, minimum = 0x10000;
        } else {
            s.append(char16_t(0xFFFD));
            ++i;
            continue;
        }
        size_t k = 1;
        for (; k <= extra && i + k < n && (p[i + k] & 0xC0) == 0x80; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
        if (k <= extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
            // One replacement for the whole broken sequence; resume after it.
            s.append(char16_t(0xFFFD));
            i += k;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            s.append(char16_t(0xD800 + (cp >> 10)));
            s.append(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            s.append(char16_t(cp));
        }
        i += extra + 1;
    }
    return s;
}

String::String(const String& other) {
    if (other.wideCapacity_ > 0) {
        wide_ = static_cast<char16_t*>(nimbalMalloc(sizeof(char16_t) * size_t(other.wideCapacity_)));
        wideCapacity_ = other.wideCapacity_;
        wideLength_ = other.wideLength_;
        if (wideLength_ > 0) std::memcpy(wide_, other.wide_, sizeof(char16_t) * size_t(wideLength_));
    }
    if (other.narrowCapacity_ > 0) {
        try {
            narrow_ = static_cast<char*>(nimbalMalloc(size_t(other.narrowCapacity_)));
        } catch (...) {
            nimbalFree(wide_);
            throw;
        }
        narrowCapacity_ = other.narrowCapacity_;
        narrowLength_ = other.narrowLength_;
        if (narrowLength_ > 0) std::memcpy(narrow_, other.narrow_, size_t(narrowLength_));
    }
}

String::String(String&& other) noexcept
    : wide_(std::exchange(other.wide_, nullptr)),
      wideCapacity_(std::exchange(other.wideCapacity_, 0)),
      wideLength_(std::exchange(other.wideLength_, 0)),
      narrow_(std::exchange(other.narrow_, nullptr)),
      narrowCapacity_(std::exchange(other.narrowCapacity_, 0)),
      narrowLength_(std::exchange(other.narrowLength_, 0)) {}

String& String::operator=(const String& other) {
    if (this != &other) *this = String(other);
    return *this;
}

String& String::operator=(String&& other) noexcept {
    if (this != &other) {
        nimbalFree(wide_);
        nimbalFree(narrow_);
        wide_ = std::exchange(other.wide_, nullptr);
        wideCapacity_ = std::exchange(other.wideCapacity_, 0);
        wideLength_ = std::exchange(other.wideLength_, 0);
        narrow_ = std::exchange(other.narrow_, nullptr);
        narrowCapacity_ = std::exchange(other.narrowCapacity_, 0);
        narrowLength_ = std::exchange(other.narrowLength_, 0);
    }
    return *this;
}

String::~String() {
    nimbalFree(wide_);
    nimbalFree(narrow_);
}

void String::growWide(int64_t needed) const {
    if (needed <= wideCapacity_) return;
    int64_t grown = std::max<int64_t>(2 * int64_t(wideCapacity_), needed);
    NIMBAL_ASSERT(grown <= INT32_MAX);
    auto* fresh = static_cast<char16_t*>(nimbalMalloc(sizeof(char16_t) * size_t(grown)));
    if (wideLength_ > 0) std::memcpy(fresh, wide_, sizeof(char16_t) * size_t(wideLength_));
    nimbalFree(wide_);
    wide_ = fresh;
    wideCapacity_ = int32_t(grown);
}

void String::appendAnsiBytes(const char* bytes, int32_t count) {
    // Room for the terminator too: the converted count of 8-bit text includes it.
    growWide(int64_t(wideLength_) + count + 1);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    char16_t* out = wide_ + wideLength_;
    int32_t i = 0;
#ifdef __SSE2__
    // Text read from files is mostly ASCII: widen 16 bytes at a time until
    // one has its high bit set; the last chunk may overlap the one before.
    const __m128i zero = _mm_setzero_si128();
    while (i < count && count >= 16) {
        const int32_t at = std::min(i, count - 16);
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
        if (_mm_movemask_epi8(chunk) != 0) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 8), _mm_unpackhi_epi8(chunk, zero));
        i = at + 16;
    }
#endif
    for (; i < count; ++i) out[i] = ansiToWide(in[i]);
    wideLength_ += count;
    wide_[wideLength_] = 0;
}

const char16_t* String::c_wstr() const {
    growWide(int64_t(wideLength_) + 1);
    wide_[wideLength_] = 0;
    return wide_;
}

const char* String::c_str() const {
    const char16_t* text = c_wstr();
    // Windows-1252 is one byte per UTF-16 unit, so the converted count is
    // always length + 1.
    const int32_t converted = wideLength_ + 1;
    if (converted > narrowCapacity_) {
        int64_t grown = std::max<int64_t>(2 * int64_t(narrowCapacity_), converted);
        NIMBAL_ASSERT(grown <= INT32_MAX);
        char* fresh = static_cast<char*>(nimbalMalloc(size_t(grown)));
        nimbalFree(narrow_);
        narrow_ = fresh;
        narrowCapacity_ = int32_t(grown);
    }
    for (int32_t i = 0; i < converted; ++i) narrow_[i] = wideToAnsi(text[i]);
    narrowLength_ = converted;
    return narrow_;
}

std::string String::toUtf8() const {
    std::string out;
    out.reserve(size_t(wideLength_));
    for (int32_t i = 0; i < wideLength_; ++i) {
        uint32_t c = wide_[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < wideLength_ && wide_[i + 1] >= 0xDC00 && wide_[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide_[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

String& String::append(const String& text) {
    // Read the length first: text may be *this.
    const int32_t count = text.wideLength_;
    growWide(int64_t(wideLength_) + count);
    if (count > 0) std::memmove(wide_ + wideLength_, text.wide_, sizeof(char16_t) * size_t(count));
    wideLength_ += count;
    return *this;
}

String& String::append(const char* ansi) {
    if (!ansi) return *this;
    const int32_t count = checkedLength(std::strlen(ansi));
    growWide(int64_t(wideLength_) + count);
    for (int32_t i = 0; i < count; ++i) wide_[wideLength_ + i] = ansiToWide(static_cast<unsigned char>(ansi[i]));
    wideLength_ += count;
    return *this;
}

String& String::append(const char16_t* wide) {
    if (!wide) return *this;
    return append(wide, checkedLength(wideLengthOf(wide)));
}

String& String::append(const char16_t* wide, int32_t count) {
    NIMBAL_ASSERT(count >= 0 && (wide || count == 0));
    if (count == 0) return *this;
    // The source may lie inside our own buffer, which growing would free.
    if (wide_ && wide >= wide_ && wide < wide_ + wideCapacity_) {
        String copy(wide, count);
        return append(copy);
    }
    growWide(int64_t(wideLength_) + count);
    std::memcpy(wide_ + wideLength_, wide, sizeof(char16_t) * size_t(count));
    wideLength_ += count;
    return *this;
}

String& String::append(char16_t c) {
    growWide(int64_t(wideLength_) + 1);
    wide_[wideLength_++] = c;
    return *this;
}

String& String::append(char c) { return append(ansiToWide(static_cast<unsigned char>(c))); }

String& String::append(int value) { return append(String(value)); }

bool operator==(const String& a, const String& b) noexcept {
    return a.wideLength_ == b.wideLength_ &&
           (a.wideLength_ == 0 || std::memcmp(a.wide_, b.wide_, sizeof(char16_t) * size_t(a.wideLength_)) == 0);
}

bool operator<(const String& a, const String& b) noexcept {
    const int32_t n = std::min(a.wideLength_, b.wideLength_);
    for (int32_t i = 0; i < n; ++i) {
        if (a.wide_[i] != b.wide_[i]) return a.wide_[i] < b.wide_[i];
    }
    return a.wideLength_ < b.wideLength_;
}

size_t String::hash() const noexcept {
    uint64_t h = 1469598103934665603ull;
    for (int32_t i = 0; i < wideLength_; ++i) {
        h ^= wide_[i];
        h *= 1099511628211ull;
    }
    return size_t(h);
}

} // namespace Nimbal
