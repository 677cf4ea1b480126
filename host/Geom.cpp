#include "host/Geom.h"

#include <algorithm>
#include <bit>

// ---------------------------------------------------------------------------
// Matrix3

Matrix3::Matrix3(const Point3& r0, const Point3& r1, const Point3& r2, const Point3& r3)
    : rows_{r0, r1, r2, r3} {}

void Matrix3::IdentityMatrix() {
    rows_[0] = Point3::XAxis;
    rows_[1] = Point3::YAxis;
    rows_[2] = Point3::ZAxis;
    rows_[3] = Point3::Origin;
}

void Matrix3::Zero() {
    for (Point3& r : rows_) r = Point3();
}

Point4 Matrix3::GetColumn(int c) const {
    return {rows_[0][c], rows_[1][c], rows_[2][c], rows_[3][c]};
}

Point3 Matrix3::GetColumn3(int c) const { return {rows_[0][c], rows_[1][c], rows_[2][c]}; }

void Matrix3::NoScale() {
    for (int i = 0; i < 3; ++i) rows_[i] = rows_[i].Normalize();
}

Point3 Matrix3::PointTransform(const Point3& p) const {
    return {p.x * rows_[0].x + p.y * rows_[1].x + p.z * rows_[2].x + rows_[3].x,
            p.x * rows_[0].y + p.y * rows_[1].y + p.z * rows_[2].y + rows_[3].y,
            p.x * rows_[0].z + p.y * rows_[1].z + p.z * rows_[2].z + rows_[3].z};
}

Point3 Matrix3::VectorTransform(const Point3& v) const {
    return {v.x * rows_[0].x + v.y * rows_[1].x + v.z * rows_[2].x,
            v.x * rows_[0].y + v.y * rows_[1].y + v.z * rows_[2].y,
            v.x * rows_[0].z + v.y * rows_[1].z + v.z * rows_[2].z};
}

Matrix3 Matrix3::operator*(const Matrix3& b) const {
    // Rows of the product are this matrix's rows carried through b; the
    // translation row is a point, the axis rows are vectors.
    return Matrix3(b.VectorTransform(rows_[0]), b.VectorTransform(rows_[1]),
                   b.VectorTransform(rows_[2]), b.PointTransform(rows_[3]));
}

Matrix3 Matrix3::operator+(const Matrix3& b) const {
    return Matrix3(rows_[0] + b.rows_[0], rows_[1] + b.rows_[1], rows_[2] + b.rows_[2],
                   rows_[3] + b.rows_[3]);
}

Matrix3 Matrix3::operator-(const Matrix3& b) const {
    return Matrix3(rows_[0] - b.rows_[0], rows_[1] - b.rows_[1], rows_[2] - b.rows_[2],
                   rows_[3] - b.rows_[3]);
}

bool Matrix3::operator==(const Matrix3& b) const {
    return std::equal(std::begin(rows_), std::end(rows_), std::begin(b.rows_));
}

bool Matrix3::Equals(const Matrix3& m, float eps) const {
    for (int i = 0; i < 4; ++i)
        if (!rows_[i].Equals(m.rows_[i], eps)) return false;
    return true;
}

bool Matrix3::IsIdentity() const { return *this == Matrix3(); }

float Matrix3::Determinant() const { return DotProd(rows_[0], CrossProd(rows_[1], rows_[2])); }

void Matrix3::Translate(const Point3& p) { rows_[3] += p; }

void Matrix3::PreTranslate(const Point3& p) { rows_[3] += VectorTransform(p); }

void Matrix3::RotateX(float angle) { *this = *this * RotateXMatrix(angle); }
void Matrix3::RotateY(float angle) { *this = *this * RotateYMatrix(angle); }
void Matrix3::RotateZ(float angle) { *this = *this * RotateZMatrix(angle); }
void Matrix3::PreRotateX(float angle) { *this = RotateXMatrix(angle) * *this; }
void Matrix3::PreRotateY(float angle) { *this = RotateYMatrix(angle) * *this; }
void Matrix3::PreRotateZ(float angle) { *this = RotateZMatrix(angle) * *this; }

void Matrix3::Scale(const Point3& s, bool trans) {
    for (int i = 0; i < 3; ++i) rows_[i] *= s;
    if (trans) rows_[3] *= s;
}

void Matrix3::PreScale(const Point3& s) {
    for (int i = 0; i < 3; ++i) rows_[i] *= s[i];
}

void Matrix3::Invert() { *this = Inverse(*this); }

Matrix3 Inverse(const Matrix3& m) {
    const Point3 r0 = m.GetRow(0), r1 = m.GetRow(1), r2 = m.GetRow(2);
    // Columns of the adjugate are the cross products of the rows.
    const Point3 c0 = CrossProd(r1, r2);
    const Point3 c1 = CrossProd(r2, r0);
    const Point3 c2 = CrossProd(r0, r1);
    const float det = DotProd(r0, c0);
    Matrix3 inv;
    if (det == 0.0f || !std::isfinite(det)) {
        inv.Zero();
        return inv;
    }
    const float invDet = 1.0f / det;
    inv.SetRow(0, Point3(c0.x, c1.x, c2.x) * invDet);
    inv.SetRow(1, Point3(c0.y, c1.y, c2.y) * invDet);
    inv.SetRow(2, Point3(c0.z, c1.z, c2.z) * invDet);
    inv.SetRow(3, -inv.VectorTransform(m.GetTrans()));
    return inv;
}

Matrix3 TransMatrix(const Point3& p) {
    Matrix3 m;
    m.SetTrans(p);
    return m;
}

Matrix3 ScaleMatrix(const Point3& s) {
    return Matrix3(Point3(s.x, 0.0f, 0.0f), Point3(0.0f, s.y, 0.0f), Point3(0.0f, 0.0f, s.z),
                   Point3());
}

// Positive angles turn counter-clockwise when looking down the axis at the
// origin (right-handed): X rotates Y towards Z, Y rotates Z towards X, Z rotates X towards Y.
Matrix3 RotateXMatrix(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return Matrix3(Point3(1.0f, 0.0f, 0.0f), Point3(0.0f, c, s), Point3(0.0f, -s, c), Point3());
}

Matrix3 RotateYMatrix(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return Matrix3(Point3(c, 0.0f, -s), Point3(0.0f, 1.0f, 0.0f), Point3(s, 0.0f, c), Point3());
}

Matrix3 RotateZMatrix(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return Matrix3(Point3(c, s, 0.0f), Point3(-s, c, 0.0f), Point3(0.0f, 0.0f, 1.0f), Point3());
}

// ---------------------------------------------------------------------------
// Box3

void Box3::Init() {
    const float big = std::numeric_limits<float>::max();
    pmin = Point3(big, big, big);
    pmax = Point3(-big, -big, -big);
}

Point3 Box3::Center() const { return IsEmpty() ? Point3() : (pmin + pmax) * 0.5f; }

Point3 Box3::Width() const { return IsEmpty() ? Point3() : pmax - pmin; }

Point3 Box3::operator[](int i) const {
    return {(i & 1) ? pmax.x : pmin.x, (i & 2) ? pmax.y : pmin.y, (i & 4) ? pmax.z : pmin.z};
}

Box3& Box3::operator+=(const Point3& p) {
    if (IsEmpty()) {
        pmin = pmax = p;
        return *this;
    }
    pmin = Point3(std::min(pmin.x, p.x), std::min(pmin.y, p.y), std::min(pmin.z, p.z));
    pmax = Point3(std::max(pmax.x, p.x), std::max(pmax.y, p.y), std::max(pmax.z, p.z));
    return *this;
}

Box3& Box3::operator+=(const Box3& b) {
    if (b.IsEmpty()) return *this;
    if (IsEmpty()) return *this = b;
    *this += b.pmin;
    *this += b.pmax;
    return *this;
}

Box3 Box3::operator*(const Matrix3& m) const {
    if (IsEmpty()) return *this;
    Box3 out;
    for (int i = 0; i < 8; ++i) out += (*this)[i] * m;
    return out;
}

bool Box3::Contains(const Point3& p) const {
    return !IsEmpty() && p.x >= pmin.x && p.x <= pmax.x && p.y >= pmin.y && p.y <= pmax.y &&
           p.z >= pmin.z && p.z <= pmax.z;
}

bool Box3::Contains(const Box3& b) const {
    return !b.IsEmpty() && Contains(b.pmin) && Contains(b.pmax);
}

bool Box3::Intersects(const Box3& b) const {
    if (IsEmpty() || b.IsEmpty()) return false;
    return std::max(pmin.x, b.pmin.x) <= std::min(pmax.x, b.pmax.x) &&
           std::max(pmin.y, b.pmin.y) <= std::min(pmax.y, b.pmax.y) &&
           std::max(pmin.z, b.pmin.z) <= std::min(pmax.z, b.pmax.z);
}

void Box3::Scale(float s) {
    if (IsEmpty()) return;
    const Point3 c = Center();
    const Point3 half = (pmax - pmin) * (0.5f * s);
    pmin = c - half;
    pmax = c + half;
}

void Box3::EnlargeBy(float s) {
    if (IsEmpty()) return;
    pmin -= Point3(s, s, s);
    pmax += Point3(s, s, s);
}

void Box3::Translate(const Point3& p) {
    if (IsEmpty()) return;
    pmin += p;
    pmax += p;
}

// ---------------------------------------------------------------------------
// BitArray

void BitArray::SetSize(int n, bool save) {
    n = std::max(n, 0);
    const std::size_t words = (static_cast<std::size_t>(n) + 63) / 64;
    if (!save) words_.assign(words, 0);
    else words_.resize(words, 0);
    size_ = n;
    ClearTail();
}

void BitArray::ClearTail() {
    const int rest = size_ % 64;
    if (rest != 0 && !words_.empty()) words_.back() &= (std::uint64_t{1} << rest) - 1;
}

void BitArray::Set(int i) {
    if (i < 0 || i >= size_) return;
    words_[static_cast<std::size_t>(i) / 64] |= std::uint64_t{1} << (i % 64);
}

void BitArray::Clear(int i) {
    if (i < 0 || i >= size_) return;
    words_[static_cast<std::size_t>(i) / 64] &= ~(std::uint64_t{1} << (i % 64));
}

void BitArray::ClearAll() { std::fill(words_.begin(), words_.end(), 0); }

void BitArray::SetAll() {
    std::fill(words_.begin(), words_.end(), ~std::uint64_t{0});
    ClearTail();
}

bool BitArray::operator[](int i) const {
    if (i < 0 || i >= size_) return false;
    return (words_[static_cast<std::size_t>(i) / 64] >> (i % 64)) & 1u;
}

int BitArray::NumberSet() const {
    int n = 0;
    for (std::uint64_t w : words_) n += std::popcount(w);
    return n;
}

BitArray& BitArray::operator|=(const BitArray& b) {
    const std::size_t n = std::min(words_.size(), b.words_.size());
    for (std::size_t i = 0; i < n; ++i) words_[i] |= b.words_[i];
    ClearTail();
    return *this;
}

BitArray& BitArray::operator&=(const BitArray& b) {
    for (std::size_t i = 0; i < words_.size(); ++i)
        words_[i] &= i < b.words_.size() ? b.words_[i] : 0;
    return *this;
}
