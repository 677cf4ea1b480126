#pragma once

#include <algorithm>
#include <cmath>

namespace Nimbal {

// Three channel floats with componentwise arithmetic, shared by the colour
// and vector types below. Each derived type only mixes with itself.
template <typename D>
struct Float3 {
    float x = 0.f, y = 0.f, z = 0.f;

    constexpr Float3() = default;
    constexpr Float3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    constexpr float operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
    constexpr float& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }

    friend constexpr D operator+(const D& a, const D& b) { return D(a.x + b.x, a.y + b.y, a.z + b.z); }
    friend constexpr D operator-(const D& a, const D& b) { return D(a.x - b.x, a.y - b.y, a.z - b.z); }
    friend constexpr D operator*(const D& a, const D& b) { return D(a.x * b.x, a.y * b.y, a.z * b.z); }
    friend constexpr D operator/(const D& a, const D& b) { return D(a.x / b.x, a.y / b.y, a.z / b.z); }
    friend constexpr D operator*(const D& a, float s) { return D(a.x * s, a.y * s, a.z * s); }
    friend constexpr D operator*(float s, const D& a) { return D(s * a.x, s * a.y, s * a.z); }
    friend constexpr D operator/(const D& a, float s) { return D(a.x / s, a.y / s, a.z / s); }
    friend constexpr D operator-(const D& a) { return D(-a.x, -a.y, -a.z); }
    friend constexpr bool operator==(const D& a, const D& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

    constexpr D& operator+=(const D& o) { return self() = self() + o; }
    constexpr D& operator-=(const D& o) { return self() = self() - o; }
    constexpr D& operator*=(const D& o) { return self() = self() * o; }
    constexpr D& operator*=(float s) { return self() = self() * s; }
    constexpr D& operator/=(float s) { return self() = self() / s; }

    constexpr float maxComponent() const { return std::max(x, std::max(y, z)); }
    constexpr float minComponent() const { return std::min(x, std::min(y, z)); }
    friend constexpr D min(const D& a, const D& b) {
        return D(std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z));
    }
    friend constexpr D max(const D& a, const D& b) {
        return D(std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z));
    }

private:
    constexpr D& self() { return static_cast<D&>(*this); }
};

// Geometry on top of Float3 for the two vector types.
template <typename D>
struct Vec3 : Float3<D> {
    using Float3<D>::Float3;

    constexpr float dot(const D& o) const { return this->x * o.x + this->y * o.y + this->z * o.z; }
    constexpr D cross(const D& o) const {
        return D(this->y * o.z - this->z * o.y, this->z * o.x - this->x * o.z, this->x * o.y - this->y * o.x);
    }
    constexpr float lengthSquared() const { return dot(static_cast<const D&>(*this)); }
    float length() const { return std::sqrt(lengthSquared()); }
    // The zero vector stays zero rather than turning into NaNs.
    D normalized() const {
        float len = length();
        return len > 0.f ? static_cast<const D&>(*this) / len : static_cast<const D&>(*this);
    }

    friend constexpr float dot(const D& a, const D& b) { return a.dot(b); }
    friend constexpr D cross(const D& a, const D& b) { return a.cross(b); }
    friend D normalize(const D& a) { return a.normalized(); }
};

// Linear colour.
struct Rgb : Float3<Rgb> {
    using Float3::Float3;
    explicit constexpr Rgb(float v) : Float3(v, v, v) {}
    constexpr float r() const { return x; }
    constexpr float g() const { return y; }
    constexpr float b() const { return z; }
    constexpr float maxChannel() const { return maxComponent(); }

    static const Rgb BLACK;
    static const Rgb WHITE;
};
inline constexpr Rgb Rgb::BLACK{0.f, 0.f, 0.f};
inline constexpr Rgb Rgb::WHITE{1.f, 1.f, 1.f};

// CIE 1931 tristimulus values.
struct XYZ : Float3<XYZ> {
    using Float3::Float3;
};

struct Pos;

// A direction or displacement.
struct Dir : Vec3<Dir> {
    using Vec3::Vec3;
    explicit constexpr Dir(const Pos& p);

    static const Dir UNIT_X;
    static const Dir UNIT_Y;
    static const Dir UNIT_Z;
    static const Dir ZERO;
    static const Dir ONES;
};

// A point.
struct Pos : Vec3<Pos> {
    using Vec3::Vec3;
    explicit constexpr Pos(const Dir& d) : Vec3(d.x, d.y, d.z) {}

    friend constexpr Pos operator+(const Pos& p, const Dir& d) { return Pos(p.x + d.x, p.y + d.y, p.z + d.z); }
    friend constexpr Pos operator-(const Pos& p, const Dir& d) { return Pos(p.x - d.x, p.y - d.y, p.z - d.z); }

    static const Pos ZERO;
    static const Pos ONES;
    static const Pos NEGATIVE_ONES;
};

constexpr Dir::Dir(const Pos& p) : Vec3(p.x, p.y, p.z) {}

inline constexpr Dir Dir::UNIT_X{1.f, 0.f, 0.f};
inline constexpr Dir Dir::UNIT_Y{0.f, 1.f, 0.f};
inline constexpr Dir Dir::UNIT_Z{0.f, 0.f, 1.f};
inline constexpr Dir Dir::ZERO{0.f, 0.f, 0.f};
inline constexpr Dir Dir::ONES{1.f, 1.f, 1.f};
inline constexpr Pos Pos::ZERO{0.f, 0.f, 0.f};
inline constexpr Pos Pos::ONES{1.f, 1.f, 1.f};
inline constexpr Pos Pos::NEGATIVE_ONES{-1.f, -1.f, -1.f};

struct Vector2 {
    float x = 0.f, y = 0.f;

    constexpr Vector2() = default;
    constexpr Vector2(float x_, float y_) : x(x_), y(y_) {}

    friend constexpr Vector2 operator+(const Vector2& a, const Vector2& b) { return {a.x + b.x, a.y + b.y}; }
    friend constexpr Vector2 operator-(const Vector2& a, const Vector2& b) { return {a.x - b.x, a.y - b.y}; }
    friend constexpr Vector2 operator*(const Vector2& a, const Vector2& b) { return {a.x * b.x, a.y * b.y}; }
    friend constexpr Vector2 operator*(const Vector2& a, float s) { return {a.x * s, a.y * s}; }
    friend constexpr Vector2 operator*(float s, const Vector2& a) { return {s * a.x, s * a.y}; }
    friend constexpr Vector2 operator/(const Vector2& a, float s) { return {a.x / s, a.y / s}; }
    friend constexpr Vector2 operator-(const Vector2& a) { return {-a.x, -a.y}; }
    friend constexpr bool operator==(const Vector2& a, const Vector2& b) { return a.x == b.x && a.y == b.y; }
    constexpr Vector2& operator+=(const Vector2& o) { return *this = *this + o; }
    constexpr Vector2& operator-=(const Vector2& o) { return *this = *this - o; }
    constexpr Vector2& operator*=(float s) { return *this = *this * s; }

    constexpr float dot(const Vector2& o) const { return x * o.x + y * o.y; }
    float length() const { return std::sqrt(dot(*this)); }

    static const Vector2 ZERO;
    static const Vector2 ONES;
};
inline constexpr Vector2 Vector2::ZERO{0.f, 0.f};
inline constexpr Vector2 Vector2::ONES{1.f, 1.f};

// A colour in doubles, for sums of many samples.
struct WideRGB {
    double r = 0., g = 0., b = 0.;

    constexpr WideRGB() = default;
    constexpr WideRGB(double r_, double g_, double b_) : r(r_), g(g_), b(b_) {}
    explicit constexpr WideRGB(const Rgb& c) : r(c.x), g(c.y), b(c.z) {}

    constexpr Rgb toRgb() const { return Rgb(float(r), float(g), float(b)); }

    friend constexpr WideRGB operator+(const WideRGB& a, const WideRGB& o) { return {a.r + o.r, a.g + o.g, a.b + o.b}; }
    friend constexpr WideRGB operator-(const WideRGB& a, const WideRGB& o) { return {a.r - o.r, a.g - o.g, a.b - o.b}; }
    friend constexpr WideRGB operator*(const WideRGB& a, const WideRGB& o) { return {a.r * o.r, a.g * o.g, a.b * o.b}; }
    friend constexpr WideRGB operator*(const WideRGB& a, double s) { return {a.r * s, a.g * s, a.b * s}; }
    friend constexpr WideRGB operator*(double s, const WideRGB& a) { return {s * a.r, s * a.g, s * a.b}; }
    friend constexpr WideRGB operator/(const WideRGB& a, double s) { return {a.r / s, a.g / s, a.b / s}; }
    friend constexpr bool operator==(const WideRGB& a, const WideRGB& o) { return a.r == o.r && a.g == o.g && a.b == o.b; }
    constexpr WideRGB& operator+=(const WideRGB& o) { return *this = *this + o; }
    constexpr WideRGB& operator-=(const WideRGB& o) { return *this = *this - o; }
    constexpr WideRGB& operator*=(double s) { return *this = *this * s; }
    constexpr WideRGB& operator/=(double s) { return *this = *this / s; }

    static const WideRGB BLACK;
};
inline constexpr WideRGB WideRGB::BLACK{0., 0., 0.};

// Affine transform: row i is (m[i][0], m[i][1], m[i][2], m[i][3] = t_i), so a
// point p maps to M * (p, 1) and a direction d to M * (d, 0).
struct AffineTm {
    float m[3][4] = {{1.f, 0.f, 0.f, 0.f}, {0.f, 1.f, 0.f, 0.f}, {0.f, 0.f, 1.f, 0.f}};

    // Identity.
    constexpr AffineTm() = default;
    // The images of the three axes and of the origin.
    constexpr AffineTm(const Dir& xAxis, const Dir& yAxis, const Dir& zAxis, const Pos& translation)
        : m{{xAxis.x, yAxis.x, zAxis.x, translation.x},
            {xAxis.y, yAxis.y, zAxis.y, translation.y},
            {xAxis.z, yAxis.z, zAxis.z, translation.z}} {}

    constexpr Dir column(int c) const { return Dir(m[0][c], m[1][c], m[2][c]); }
    constexpr Pos translation() const { return Pos(m[0][3], m[1][3], m[2][3]); }

    constexpr Pos transformPoint(const Pos& p) const {
        return Pos(m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
                   m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
                   m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]);
    }
    constexpr Dir transformDir(const Dir& d) const {
        return Dir(m[0][0] * d.x + m[0][1] * d.y + m[0][2] * d.z,
                   m[1][0] * d.x + m[1][1] * d.y + m[1][2] * d.z,
                   m[2][0] * d.x + m[2][1] * d.y + m[2][2] * d.z);
    }
    friend constexpr Pos operator*(const AffineTm& t, const Pos& p) { return t.transformPoint(p); }
    friend constexpr Dir operator*(const AffineTm& t, const Dir& d) { return t.transformDir(d); }

    // (a * b) applies b first, then a.
    friend constexpr AffineTm operator*(const AffineTm& a, const AffineTm& b) {
        AffineTm r;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 4; ++j) {
                float v = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
                r.m[i][j] = j == 3 ? v + a.m[i][3] : v;
            }
        }
        return r;
    }
    friend constexpr bool operator==(const AffineTm& a, const AffineTm& b) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 4; ++j)
                if (a.m[i][j] != b.m[i][j]) return false;
        return true;
    }

    // False, leaving `result` alone, when the linear part is singular.
    bool tryInverse(AffineTm& result) const;
    // Raises the internal assertion when the linear part is singular.
    AffineTm inverse() const;

    static const AffineTm IDENTITY;
};
inline constexpr AffineTm AffineTm::IDENTITY{};

struct Ray {
    Pos origin;
    Dir direction;

    constexpr Ray() = default;
    constexpr Ray(const Pos& o, const Dir& d) : origin(o), direction(d) {}
    constexpr Pos at(float t) const { return origin + direction * t; }
};

} // namespace Nimbal
