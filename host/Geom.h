#pragma once

// Geometry value types of the host SDK: points, colours, the 4x3 affine matrix,
// boxes, rays, bit arrays and the triangle face records used by Mesh.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

using DWORD = std::uint32_t;
using MtlID = std::uint16_t;

constexpr float PI = 3.14159265358979323846f;
constexpr float TWOPI = 6.28318530717958647692f;
constexpr float HALFPI = 1.57079632679489661923f;

namespace geom_detail {
template <class T>
concept Arithmetic = std::is_arithmetic_v<T>;
}

inline float DegToRad(float deg) { return deg * (PI / 180.0f); }
inline float RadToDeg(float rad) { return rad * (180.0f / PI); }

// ---------------------------------------------------------------------------
// Points

class Point2 {
public:
    float x = 0.0f, y = 0.0f;

    constexpr Point2() = default;
    constexpr Point2(float x_, float y_) : x(x_), y(y_) {}

    float& operator[](int i) { return i == 0 ? x : y; }
    float operator[](int i) const { return i == 0 ? x : y; }

    Point2 operator-() const { return {-x, -y}; }
    Point2 operator+(const Point2& p) const { return {x + p.x, y + p.y}; }
    Point2 operator-(const Point2& p) const { return {x - p.x, y - p.y}; }
    Point2 operator*(float f) const { return {x * f, y * f}; }
    Point2 operator/(float f) const { return {x / f, y / f}; }
    Point2& operator+=(const Point2& p) { x += p.x; y += p.y; return *this; }
    Point2& operator-=(const Point2& p) { x -= p.x; y -= p.y; return *this; }
    Point2& operator*=(float f) { x *= f; y *= f; return *this; }
    bool operator==(const Point2&) const = default;

    float Length() const { return std::sqrt(x * x + y * y); }
};

inline Point2 operator*(float f, const Point2& p) { return p * f; }

class Point3 {
public:
    float x = 0.0f, y = 0.0f, z = 0.0f;

    constexpr Point3() = default;
    // Any mix of arithmetic arguments, so that Point3(0, 0, 1.0f) compiles.
    template <geom_detail::Arithmetic X, geom_detail::Arithmetic Y, geom_detail::Arithmetic Z>
    constexpr Point3(X x_, Y y_, Z z_)
        : x(static_cast<float>(x_)), y(static_cast<float>(y_)), z(static_cast<float>(z_)) {}

    static const Point3 Origin;
    static const Point3 XAxis;
    static const Point3 YAxis;
    static const Point3 ZAxis;

    Point3& Set(float x_, float y_, float z_) { x = x_; y = y_; z = z_; return *this; }

    // Indices other than 0..2 are clamped rather than read past the object.
    float& operator[](int i) { return i <= 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i <= 0 ? x : (i == 1 ? y : z); }

    Point3 operator-() const { return {-x, -y, -z}; }
    Point3 operator+(const Point3& p) const { return {x + p.x, y + p.y, z + p.z}; }
    Point3 operator-(const Point3& p) const { return {x - p.x, y - p.y, z - p.z}; }
    // Component-wise, as in the SDK; % is the dot and ^ the cross product.
    Point3 operator*(const Point3& p) const { return {x * p.x, y * p.y, z * p.z}; }
    Point3 operator/(const Point3& p) const { return {x / p.x, y / p.y, z / p.z}; }
    Point3 operator*(float f) const { return {x * f, y * f, z * f}; }
    Point3 operator/(float f) const { return {x / f, y / f, z / f}; }
    float operator%(const Point3& p) const { return x * p.x + y * p.y + z * p.z; }
    Point3 operator^(const Point3& p) const {
        return {y * p.z - z * p.y, z * p.x - x * p.z, x * p.y - y * p.x};
    }
    Point3& operator+=(const Point3& p) { x += p.x; y += p.y; z += p.z; return *this; }
    Point3& operator-=(const Point3& p) { x -= p.x; y -= p.y; z -= p.z; return *this; }
    Point3& operator*=(const Point3& p) { x *= p.x; y *= p.y; z *= p.z; return *this; }
    Point3& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
    Point3& operator/=(float f) { x /= f; y /= f; z /= f; return *this; }
    bool operator==(const Point3&) const = default;

    bool Equals(const Point3& p, float eps = 1e-6f) const {
        return std::fabs(x - p.x) <= eps && std::fabs(y - p.y) <= eps && std::fabs(z - p.z) <= eps;
    }
    float Length() const { return std::sqrt(x * x + y * y + z * z); }
    float LengthSquared() const { return x * x + y * y + z * z; }
    // A zero vector stays zero instead of turning into NaNs.
    Point3 Normalize() const {
        const float len = Length();
        return len > 0.0f ? Point3(x / len, y / len, z / len) : *this;
    }
    void Unify() { *this = Normalize(); }
    int MaxComponent() const { return x >= y ? (x >= z ? 0 : 2) : (y >= z ? 1 : 2); }
    int MinComponent() const { return x <= y ? (x <= z ? 0 : 2) : (y <= z ? 1 : 2); }
};

inline const Point3 Point3::Origin{0.0f, 0.0f, 0.0f};
inline const Point3 Point3::XAxis{1.0f, 0.0f, 0.0f};
inline const Point3 Point3::YAxis{0.0f, 1.0f, 0.0f};
inline const Point3 Point3::ZAxis{0.0f, 0.0f, 1.0f};

inline Point3 operator*(float f, const Point3& p) { return p * f; }

inline float DotProd(const Point3& a, const Point3& b) { return a % b; }
inline Point3 CrossProd(const Point3& a, const Point3& b) { return a ^ b; }
inline float Length(const Point3& p) { return p.Length(); }
inline float LengthSquared(const Point3& p) { return p.LengthSquared(); }
inline Point3 Normalize(const Point3& p) { return p.Normalize(); }
// The SDK's fast variant; here it is exact so results do not depend on which one was called.
inline Point3 FNormalize(const Point3& p) { return p.Normalize(); }

class Point4 {
public:
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;

    constexpr Point4() = default;
    constexpr Point4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr Point4(const Point3& p, float w_) : x(p.x), y(p.y), z(p.z), w(w_) {}

    float& operator[](int i) { return i <= 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    float operator[](int i) const { return i <= 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }

    Point4 operator+(const Point4& p) const { return {x + p.x, y + p.y, z + p.z, w + p.w}; }
    Point4 operator-(const Point4& p) const { return {x - p.x, y - p.y, z - p.z, w - p.w}; }
    Point4 operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
    bool operator==(const Point4&) const = default;

    Point3 XYZ() const { return {x, y, z}; }
};

using UVVert = Point3;
using VertColor = Point3;

// ---------------------------------------------------------------------------
// Colours (linear, floating point)

class Color {
public:
    float r = 0.0f, g = 0.0f, b = 0.0f;

    constexpr Color() = default;
    template <geom_detail::Arithmetic R, geom_detail::Arithmetic G, geom_detail::Arithmetic B>
    constexpr Color(R r_, G g_, B b_)
        : r(static_cast<float>(r_)), g(static_cast<float>(g_)), b(static_cast<float>(b_)) {}
    constexpr explicit Color(const Point3& p) : r(p.x), g(p.y), b(p.z) {}

    float& operator[](int i) { return i <= 0 ? r : (i == 1 ? g : b); }
    float operator[](int i) const { return i <= 0 ? r : (i == 1 ? g : b); }

    Color operator+(const Color& c) const { return {r + c.r, g + c.g, b + c.b}; }
    Color operator-(const Color& c) const { return {r - c.r, g - c.g, b - c.b}; }
    Color operator*(const Color& c) const { return {r * c.r, g * c.g, b * c.b}; }
    Color operator*(float f) const { return {r * f, g * f, b * f}; }
    Color operator/(float f) const { return {r / f, g / f, b / f}; }
    Color& operator+=(const Color& c) { r += c.r; g += c.g; b += c.b; return *this; }
    Color& operator*=(const Color& c) { r *= c.r; g *= c.g; b *= c.b; return *this; }
    Color& operator*=(float f) { r *= f; g *= f; b *= f; return *this; }
    bool operator==(const Color&) const = default;

    explicit operator Point3() const { return {r, g, b}; }
    void Black() { r = g = b = 0.0f; }
    void White() { r = g = b = 1.0f; }
    void ClampMinMax() {
        for (float* c : {&r, &g, &b}) *c = *c < 0.0f ? 0.0f : (*c > 1.0f ? 1.0f : *c);
    }
};

inline Color operator*(float f, const Color& c) { return c * f; }

class AColor {
public:
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;

    constexpr AColor() = default;
    constexpr AColor(float r_, float g_, float b_, float a_ = 1.0f) : r(r_), g(g_), b(b_), a(a_) {}
    constexpr AColor(const Color& c, float a_ = 1.0f) : r(c.r), g(c.g), b(c.b), a(a_) {}

    float& operator[](int i) { return i <= 0 ? r : (i == 1 ? g : (i == 2 ? b : a)); }
    float operator[](int i) const { return i <= 0 ? r : (i == 1 ? g : (i == 2 ? b : a)); }

    AColor operator+(const AColor& c) const { return {r + c.r, g + c.g, b + c.b, a + c.a}; }
    AColor operator-(const AColor& c) const { return {r - c.r, g - c.g, b - c.b, a - c.a}; }
    AColor operator*(const AColor& c) const { return {r * c.r, g * c.g, b * c.b, a * c.a}; }
    AColor operator*(float f) const { return {r * f, g * f, b * f, a * f}; }
    AColor& operator+=(const AColor& c) { r += c.r; g += c.g; b += c.b; a += c.a; return *this; }
    AColor& operator*=(float f) { r *= f; g *= f; b *= f; a *= f; return *this; }
    bool operator==(const AColor&) const = default;

    explicit operator Color() const { return {r, g, b}; }
};

inline AColor operator*(float f, const AColor& c) { return c * f; }

// ---------------------------------------------------------------------------
// Matrix3: four rows of three. Points are row vectors, p' = p * M, so rows 0..2
// are the images of the axes and row 3 is the translation; A * B applies A first.

class Matrix3 {
public:
    Matrix3() { IdentityMatrix(); }
    Matrix3(const Point3& r0, const Point3& r1, const Point3& r2, const Point3& r3);

    void IdentityMatrix();
    void Zero();

    // Row indices outside 0..3 are clamped.
    Point3 GetRow(int i) const { return rows_[RowIndex(i)]; }
    void SetRow(int i, const Point3& p) { rows_[RowIndex(i)] = p; }
    Point3& operator[](int i) { return rows_[RowIndex(i)]; }
    const Point3& operator[](int i) const { return rows_[RowIndex(i)]; }
    Point4 GetColumn(int c) const;
    Point3 GetColumn3(int c) const;

    Point3 GetTrans() const { return rows_[3]; }
    void SetTrans(const Point3& p) { rows_[3] = p; }
    void NoTrans() { rows_[3] = Point3(); }
    void NoScale();  // normalises the three axis rows

    // Post-operations append a transform (M = M * X): applied after the current one.
    void Translate(const Point3& p);
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);
    // Scales the axis rows' components; the translation only when trans is set.
    void Scale(const Point3& s, bool trans = false);

    // Pre-operations prepend a transform (M = X * M): applied in the local frame first.
    void PreTranslate(const Point3& p);
    void PreRotateX(float angle);
    void PreRotateY(float angle);
    void PreRotateZ(float angle);
    void PreScale(const Point3& s);

    void Invert();
    float Determinant() const;  // of the 3x3 part
    bool IsIdentity() const;
    bool Parity() const { return Determinant() < 0.0f; }  // true when it mirrors
    bool Equals(const Matrix3& m, float eps = 1e-6f) const;

    Point3 PointTransform(const Point3& p) const;
    Point3 VectorTransform(const Point3& v) const;

    Matrix3 operator*(const Matrix3& b) const;
    Matrix3& operator*=(const Matrix3& b) { return *this = *this * b; }
    Matrix3 operator+(const Matrix3& b) const;
    Matrix3 operator-(const Matrix3& b) const;
    bool operator==(const Matrix3& b) const;

private:
    static int RowIndex(int i) { return i < 0 ? 0 : (i > 3 ? 3 : i); }
    Point3 rows_[4];
};

inline Point3 operator*(const Point3& p, const Matrix3& m) { return m.PointTransform(p); }
inline Point3 operator*(const Matrix3& m, const Point3& p) { return m.PointTransform(p); }
inline Point3 TransformPoint(const Matrix3& m, const Point3& p) { return m.PointTransform(p); }
inline Point3 VectorTransform(const Matrix3& m, const Point3& v) { return m.VectorTransform(v); }
inline Point3 VectorTransform(const Point3& v, const Matrix3& m) { return m.VectorTransform(v); }

// A singular matrix has no inverse; the result is then the zero matrix, which
// collapses everything to the origin rather than producing infinities.
Matrix3 Inverse(const Matrix3& m);
Matrix3 TransMatrix(const Point3& p);
Matrix3 ScaleMatrix(const Point3& s);
Matrix3 RotateXMatrix(float angle);
Matrix3 RotateYMatrix(float angle);
Matrix3 RotateZMatrix(float angle);

// ---------------------------------------------------------------------------
// Box3: axis-aligned box. The empty box has pmin above pmax so that the first
// point added becomes both corners.

class Box3 {
public:
    Point3 pmin, pmax;

    Box3() { Init(); }
    Box3(const Point3& p, const Point3& q) : pmin(p), pmax(q) {}

    void Init();
    bool IsEmpty() const { return pmin.x > pmax.x || pmin.y > pmax.y || pmin.z > pmax.z; }

    Point3 Min() const { return pmin; }
    Point3 Max() const { return pmax; }
    // Zero for an empty box.
    Point3 Center() const;
    Point3 Width() const;
    // Corner i takes x from bit 0, y from bit 1 and z from bit 2 (set: pmax).
    Point3 operator[](int i) const;

    Box3& operator+=(const Point3& p);
    Box3& operator+=(const Box3& b);
    Box3 operator+(const Box3& b) const { Box3 r(*this); return r += b; }
    // Bounds of the eight transformed corners.
    Box3 operator*(const Matrix3& m) const;
    Box3& operator*=(const Matrix3& m) { return *this = *this * m; }
    bool operator==(const Box3&) const = default;

    // Boundaries count as inside.
    bool Contains(const Point3& p) const;
    bool Contains(const Box3& b) const;
    bool Intersects(const Box3& b) const;

    void Scale(float s);        // about the centre
    void EnlargeBy(float s);    // moves every face outwards by s
    void Translate(const Point3& p);
};

// ---------------------------------------------------------------------------

class Ray {
public:
    Point3 p;    // origin
    Point3 dir;  // direction (not necessarily unit length)

    Ray() = default;
    Ray(const Point3& origin, const Point3& direction) : p(origin), dir(direction) {}
};

// ---------------------------------------------------------------------------
// BitArray: bits packed in 64-bit words; bits past the size are always zero so
// that counting and comparison need no masking.

class BitArray {
public:
    BitArray() = default;
    explicit BitArray(int n) { SetSize(n); }

    void SetSize(int n, bool save = false);
    int GetSize() const { return size_; }

    // Indices outside 0..size-1 are ignored by the setters and read as clear.
    void Set(int i);
    void Set(int i, bool value) { value ? Set(i) : Clear(i); }
    void Clear(int i);
    void ClearAll();
    void SetAll();
    bool operator[](int i) const;

    int NumberSet() const;
    bool IsEmpty() const { return NumberSet() == 0; }
    bool AnyBitSet() const { return NumberSet() != 0; }

    BitArray& operator|=(const BitArray& b);
    BitArray& operator&=(const BitArray& b);
    bool operator==(const BitArray& b) const { return size_ == b.size_ && words_ == b.words_; }

private:
    void ClearTail();
    int size_ = 0;
    std::vector<std::uint64_t> words_;
};

// ---------------------------------------------------------------------------
// Triangle faces. The flags keep the edge visibility in bits 0..2 and the
// material id in the upper 16 bits.

constexpr DWORD EDGE_A = 1u << 0;
constexpr DWORD EDGE_B = 1u << 1;
constexpr DWORD EDGE_C = 1u << 2;
constexpr DWORD EDGE_ALL = EDGE_A | EDGE_B | EDGE_C;
constexpr DWORD FACE_HIDDEN = 1u << 5;
constexpr int FACE_MATID_SHIFT = 16;
constexpr DWORD FACE_MATID_MASK = 0xFFFFu;

class Face {
public:
    DWORD v[3] = {0, 0, 0};
    DWORD smGroup = 0;
    DWORD flags = 0;

    void setVerts(DWORD a, DWORD b, DWORD c) { v[0] = a; v[1] = b; v[2] = c; }
    void setVerts(const DWORD* vv) { setVerts(vv[0], vv[1], vv[2]); }
    DWORD getVert(int corner) const { return v[corner < 0 ? 0 : (corner > 2 ? 2 : corner)]; }
    DWORD* getAllVerts() { return v; }

    void setSmGroup(DWORD group) { smGroup = group; }
    DWORD getSmGroup() const { return smGroup; }

    void setMatID(MtlID id) {
        flags = (flags & ~(FACE_MATID_MASK << FACE_MATID_SHIFT)) | (DWORD(id) << FACE_MATID_SHIFT);
    }
    MtlID getMatID() const { return MtlID((flags >> FACE_MATID_SHIFT) & FACE_MATID_MASK); }

    void setEdgeVisFlags(bool va, bool vb, bool vc) {
        flags = (flags & ~EDGE_ALL) | (va ? EDGE_A : 0u) | (vb ? EDGE_B : 0u) | (vc ? EDGE_C : 0u);
    }
    void setEdgeVis(int edge, bool visible) {
        if (edge < 0 || edge > 2) return;
        const DWORD bit = 1u << edge;
        flags = visible ? (flags | bit) : (flags & ~bit);
    }
    bool getEdgeVis(int edge) const { return edge >= 0 && edge <= 2 && (flags & (1u << edge)) != 0; }
    void Hide() { flags |= FACE_HIDDEN; }
    void Show() { flags &= ~FACE_HIDDEN; }
    bool Hidden() const { return (flags & FACE_HIDDEN) != 0; }

    bool operator==(const Face&) const = default;
};

// A map channel's face: indices into the channel's map vertices.
class TVFace {
public:
    DWORD t[3] = {0, 0, 0};

    TVFace() = default;
    TVFace(DWORD a, DWORD b, DWORD c) : t{a, b, c} {}

    void setTVerts(DWORD a, DWORD b, DWORD c) { t[0] = a; t[1] = b; t[2] = c; }
    void setTVerts(const DWORD* vv) { setTVerts(vv[0], vv[1], vv[2]); }
    DWORD getTVert(int corner) const { return t[corner < 0 ? 0 : (corner > 2 ? 2 : corner)]; }
    DWORD* getAllTVerts() { return t; }

    bool operator==(const TVFace&) const = default;
};
