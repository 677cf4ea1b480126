#include "Proxy/ioFormats/ObjFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "Proxy/ioFormats/FileFormats.h"
#include "core-interface/Debug.h"
#include "core-interface/Exception.h"
#include "core-interface/FileReader.h"
#include "core-interface/Memory.h"

// Lines are matched as the C library's scanf would match "v %f %f %f",
// "f %d/%d/%d %d/%d/%d %d/%d/%d" and "usemtl %d": whitespace is optional
// between values and skipped before each, a number is what strtof (or a
// decimal strtol) would take, and '/' must follow an index directly. Unlike
// scanf, a line must hold nothing but those values: a fourth corner, a
// fourth coordinate or stray text refuses the line instead of being dropped.
// Numbers are converted by hand (a short exact decimal road, std::from_chars
// for the rest) because scanf costs more than everything else together on a
// large mesh.

namespace Nimbal {

namespace {

// Far above any mesh a proxy can hold, and below the point where the
// growable arrays and the mesh's int counts would overflow.
constexpr int32_t MAX_RECORDS = 1 << 30;

// Every scanning loop below relies on the NUL that follows each line: it is
// neither a digit nor whitespace nor any character the grammar continues with.
inline bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isDigit(char c) { return unsigned(c - '0') < 10u; }
inline bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

inline const char* skipSpace(const char* p) {
    while (isSpace(*p)) ++p;
    return p;
}

// The rare values from_chars declines to round (overflow, underflow): strtof
// on the same characters gives infinity, zero or a subnormal as it rounds.
float roundedByStrtof(const char* begin, const char* end) {
    const std::string token(begin, end);
    return std::strtof(token.c_str(), nullptr);
}

constexpr float POWERS_OF_TEN[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Decimal digits, an optional point and more digits, then an exponent if a
// digit follows the 'e' (otherwise strtof stops before the 'e').
bool parseDecimal(const char*& p, const char* token, const char* number, bool negative, float& out) {
    // All digits go into w; past 19 of them (leading zeros included) w has
    // wrapped and only the exact road below is taken.
    uint64_t w = 0;
    const char* start = p;
    for (; isDigit(*p); ++p) w = w * 10 + uint64_t(*p - '0');
    int64_t digits = p - start;
    int64_t exponent = 0;
    bool any = digits > 0;
    if (*p == '.') {
        const char* fraction = ++p;
        for (; isDigit(*p); ++p) w = w * 10 + uint64_t(*p - '0');
        exponent = -(p - fraction);
        digits += p - fraction;
        any = any || p != fraction;
    }
    if (!any) return false;  // "." alone
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        bool minus = false;
        if (*q == '+' || *q == '-') minus = *q++ == '-';
        if (isDigit(*q)) {
            int64_t e = 0;
            for (; isDigit(*q); ++q)
                if (e < 100000) e = e * 10 + (*q - '0');
            exponent += minus ? -e : e;
            p = q;
        }
    }
    if (digits <= 19) {
        while (w > (1u << 24) && w % 10 == 0) {
            w /= 10;
            ++exponent;
        }
        if (w == 0) {
            out = negative ? -0.0f : 0.0f;  // whatever the exponent
            return true;
        }
        // Clinger's fast path: w and 10^|e| are exact floats, so one rounding.
        if (w <= (1u << 24) && exponent >= -10 && exponent <= 10) {
            const float v = exponent < 0 ? float(w) / POWERS_OF_TEN[-exponent] : float(w) * POWERS_OF_TEN[exponent];
            out = negative ? -v : v;
            return true;
        }
    }
    float value;
    const std::from_chars_result r = std::from_chars(number, p, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        out = roundedByStrtof(token, p);
        return true;
    }
    if (r.ec != std::errc{} || r.ptr != p) return false;
    out = negative ? -value : value;
    return true;
}

// Leading whitespace, then the longest prefix strtof would take: decimal,
// hexadecimal ("0x"), "inf", "infinity", "nan" or "nan(...)", signed or not.
// Most numbers in mesh files take the short decimal road, which rounds
// exactly as strtof does; the rest go to std::from_chars, which also does.
inline bool parseFloat(const char*& p, const char* end, float& out) {
    p = skipSpace(p);
    const char* token = p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    const char* number = p;
    const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if ((isDigit(*p) || *p == '.') && !hex) return parseDecimal(p, token, number, negative, out);

    // from_chars takes a '-' of its own; strtof takes one sign only.
    if (*p == '+' || *p == '-' || *p == 0) return false;
    float value = 0.0f;
    std::from_chars_result r{};
    if (hex) {
        const char* digits = p + 2;
        if (isHexDigit(digits[0]) || (digits[0] == '.' && isHexDigit(digits[1]))) {
            r = std::from_chars(digits, end, value, std::chars_format::hex);
        } else {
            // "0x" without hex digits is the number 0 followed by an 'x'.
            r = {p + 1, std::errc{}};
        }
    } else {
        // "inf", "infinity", "nan", "nan(...)" in any case.
        r = std::from_chars(p, end, value, std::chars_format::general);
    }
    if (r.ec == std::errc::result_out_of_range) {
        p = r.ptr;
        out = roundedByStrtof(token, p);
        return true;
    }
    if (r.ec != std::errc{}) return false;
    p = r.ptr;
    out = negative ? -value : value;
    return true;
}

// Leading whitespace, an optional sign and decimal digits. A value outside
// 32 bits refuses the line (scanf's result would be undefined).
inline bool parseInt(const char*& p, int32_t& out) {
    p = skipSpace(p);
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!isDigit(*p)) return false;
    const uint64_t limit = negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX);
    uint64_t value = 0;
    do {
        value = value * 10 + uint64_t(*p - '0');
        if (value > limit) {
            while (isDigit(*++p)) {}
            return false;
        }
    } while (isDigit(*++p));
    out = negative ? int32_t(-int64_t(value)) : int32_t(value);
    return true;
}

inline bool startsWith(const char* text, const char* end, const char* prefix, size_t n) {
    return size_t(end - text) >= n && std::memcmp(text, prefix, n) == 0;
}

} // namespace

const char* describeObjRefusal(ObjRefusal refusal) {
    switch (refusal) {
    case ObjRefusal::None: return "read";
    case ObjRefusal::CannotOpen: return "cannot be opened";
    case ObjRefusal::Material: return "material id is not one integer";
    case ObjRefusal::TextureVertex: return "texture vertex is not three numbers";
    case ObjRefusal::Normal: return "normal is not three numbers";
    case ObjRefusal::Position: return "vertex is not three numbers";
    case ObjRefusal::Face: return "face is not a triangle of v/vt/vn corners";
    case ObjRefusal::IndexOutOfRange: return "face index out of range";
    case ObjRefusal::TooLarge: return "too many records";
    }
    return "refused";
}

bool ObjParser::fail(ObjRefusal why, int64_t line) {
    if (refusal_ == ObjRefusal::None) {
        refusal_ = why;
        refusalLine_ = line;
    }
    return false;
}

ObjParser::~ObjParser() { nimbalFree(line_); }

char* ObjParser::lineBuffer(size_t length) {
    if (length >= lineCapacity_) {
        const size_t grown = std::max(length + 1, 2 * lineCapacity_);
        char* fresh = static_cast<char*>(nimbalMalloc(grown));
        nimbalFree(line_);
        line_ = fresh;
        lineCapacity_ = grown;
    }
    return line_;
}

bool ObjParser::addLine(const char* text, size_t length) {
    if (const void* nul = std::memchr(text, 0, length)) length = size_t(static_cast<const char*>(nul) - text);
    char* buffer = lineBuffer(length);
    if (length > 0) std::memcpy(buffer, text, length);
    return addBufferedLine(length);
}

bool ObjParser::addBufferedLine(size_t length) {
    ++lineNumber_;
    if (refusal_ != ObjRefusal::None) return false;
    NIMBAL_ASSERT(length < lineCapacity_);  // lineBuffer(length) came first
    char* text = line_;
    text[length] = 0;
    const char* end = text + length;
    if (startsWith(text, end, "usemtl ", 7)) return parseMaterial(text + 7, end);
    if (startsWith(text, end, "vt", 2)) return parseTriple(text + 2, end, textureVertices_, ObjRefusal::TextureVertex);
    if (startsWith(text, end, "vn", 2)) return parseTriple(text + 2, end, normals_, ObjRefusal::Normal);
    if (startsWith(text, end, "v", 1)) return parseTriple(text + 1, end, positions_, ObjRefusal::Position);
    if (startsWith(text, end, "f", 1)) return parseFace(text + 1, end);
    return true;
}

bool ObjParser::parseMaterial(const char* p, const char* end) {
    int32_t id;
    if (!parseInt(p, id) || skipSpace(p) != end) return fail(ObjRefusal::Material, lineNumber_);
    material_ = id;
    return true;
}

bool ObjParser::parseTriple(const char* p, const char* end, Stack<Point3>& into, ObjRefusal why) {
    float x, y, z;
    if (!parseFloat(p, end, x) || !parseFloat(p, end, y) || !parseFloat(p, end, z) || skipSpace(p) != end)
        return fail(why, lineNumber_);
    if (into.size() >= MAX_RECORDS) return fail(ObjRefusal::TooLarge, lineNumber_);
    into.emplace(x, y, z);
    return true;
}

bool ObjParser::parseFace(const char* p, const char* end) {
    int32_t raw[9];
    for (int corner = 0; corner < 3; ++corner) {
        int32_t* c = raw + 3 * corner;
        if (!parseInt(p, c[0]) || *p++ != '/' || !parseInt(p, c[1]) || *p++ != '/' || !parseInt(p, c[2]))
            return fail(ObjRefusal::Face, lineNumber_);
    }
    if (skipSpace(p) != end) return fail(ObjRefusal::Face, lineNumber_);
    if (triangles_.size() >= MAX_RECORDS) return fail(ObjRefusal::TooLarge, lineNumber_);

    // Indices count from 1; relative (negative) ones are not part of the subset.
    Triangle t;
    bool known = true;
    for (int corner = 0; corner < 3; ++corner) {
        const int32_t* c = raw + 3 * corner;
        if (c[0] < 1 || c[1] < 1 || c[2] < 1) return fail(ObjRefusal::IndexOutOfRange, lineNumber_);
        t.c[corner] = {c[0] - 1, c[1] - 1, c[2] - 1};
        known = known && t.c[corner].v < positions_.size() && t.c[corner].t < textureVertices_.size() &&
                t.c[corner].n < normals_.size();
    }
    t.material = material_;
    // Most faces name what is already defined; only the others wait for the end.
    if (!known) pending_.push({triangles_.size(), lineNumber_});
    triangles_.push(t);
    return true;
}

bool ObjParser::build(Mesh& mesh) {
    if (refusal_ != ObjRefusal::None) return false;
    const int32_t nv = positions_.size(), nt = textureVertices_.size(), nn = normals_.size();
    for (const Pending& f : pending_) {
        for (const Corner& c : triangles_[f.face].c) {
            if (c.v >= nv || c.t >= nt || c.n >= nn) return fail(ObjRefusal::IndexOutOfRange, f.line);
        }
    }

    const int32_t nf = triangles_.size();
    Mesh m;
    m.setNumFaces(nf);
    m.setNumTVFaces(nf);
    m.setNumTVerts(nt);
    m.setNumVerts(nv);
    MeshNormalSpec* normalSet = m.SpecifyNormals();
    normalSet->SetNumNormals(nn);
    normalSet->SetNumFaces(nf);

    if (nv > 0) std::memcpy(static_cast<void*>(m.verts.data()), positions_.data(), sizeof(Point3) * size_t(nv));
    if (nt > 0) std::memcpy(static_cast<void*>(m.mapVerts(1).data()), textureVertices_.data(), sizeof(Point3) * size_t(nt));
    for (int32_t i = 0; i < nn; ++i) normalSet->Normal(i) = normals_[i];

    TVFace* tvFaces = nf > 0 ? m.mapFaces(1).data() : nullptr;
    for (int32_t i = 0; i < nf; ++i) {
        const Triangle& t = triangles_.data()[i];
        Face& face = m.faces[size_t(i)];
        face.setVerts(DWORD(t.c[0].v), DWORD(t.c[1].v), DWORD(t.c[2].v));
        // All edges visible; the material id in the upper half of the flags,
        // so faces before any "usemtl" carry 0xFFFF.
        face.flags = EDGE_ALL | (DWORD(uint16_t(t.material)) << 16);
        tvFaces[i].setTVerts(DWORD(t.c[0].t), DWORD(t.c[1].t), DWORD(t.c[2].t));
        MeshNormalFace& normalFace = normalSet->Face(i);
        for (int corner = 0; corner < 3; ++corner) normalFace.SetNormalID(corner, t.c[corner].n);
    }
    mesh = std::move(m);
    return true;
}

namespace {

// Every line of the file in order, until the end or the first refused line.
// Lines reach the parser in their 8-bit form, cut at their first NUL as C
// text would be; only ASCII matters to the parser.
void feedLines(FileReader& reader, ObjParser& parser) {
    String line;
    do {
        reader.nextLine(line);
        int32_t n = line.length();
        const char16_t* wide = line.c_wstr();
        char* bytes = parser.lineBuffer(size_t(n));
        int32_t i = 0;
#ifdef __SSE2__
        // min(c, 0x80) as x - (x -sat 0x80), then a pack that cannot saturate.
        const __m128i limit = _mm_set1_epi16(0x80);
        const __m128i zero = _mm_setzero_si128();
        // The last chunk may overlap the one before, which held no NUL.
        for (; n >= 16 && i < n; i += 16) {
            i = std::min(i, n - 16);
            __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wide + i));
            __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wide + i + 8));
            low = _mm_sub_epi16(low, _mm_subs_epu16(low, limit));
            high = _mm_sub_epi16(high, _mm_subs_epu16(high, limit));
            const __m128i packed = _mm_packus_epi16(low, high);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + i), packed);
            if (const int nuls = _mm_movemask_epi8(_mm_cmpeq_epi8(packed, zero))) {
                n = i + __builtin_ctz(unsigned(nuls));
                break;
            }
        }
#endif
        for (; i < n; ++i) {
            bytes[i] = char(std::min<char16_t>(wide[i], 0x80));
            if (bytes[i] == 0) n = i;
        }
        if (!parser.addBufferedLine(size_t(n))) return;
    } while (!reader.eof());
}

} // namespace

ObjRefusal readObjFile(const String& fileName, Mesh& mesh, int64_t* refusalLine) {
    ObjParser parser;
    FileReader reader;
    if (!reader.open(fileName)) {
        parser.refuse(ObjRefusal::CannotOpen, 0);
    } else {
        feedLines(reader, parser);
        parser.build(mesh);
    }
    if (refusalLine) *refusalLine = parser.refusalLine();
    return parser.refusal();
}

bool ObjFormat::read(Mesh& mesh, ProxyFileInfo&) {
    try {
        ObjParser parser;
        FileReader reader;
        // An unreadable file would otherwise read as an empty, valid mesh.
        if (!reader.open(fileName)) throw FileError(fileName);
        feedLines(reader, parser);
        if (parser.build(mesh)) return true;
        DEBUG_PRINT(String("ObjFormat: '") + fileName + "' line " + std::to_string(parser.refusalLine()).c_str() + ": " +
                    describeObjRefusal(parser.refusal()));
        return false;
    } catch (const Exception& e) {
        DEBUG_PRINT(String("ObjFormat: ") + e.getMessage());
        return false;
    }
}

} // namespace Nimbal
