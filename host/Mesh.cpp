#include "host/Mesh.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

template <class T>
void Resize(std::vector<T>& v, int n, bool keep) {
    if (!keep) v.clear();
    v.resize(static_cast<std::size_t>(n));
}

// The corner positions of a face, or nothing when a vertex index is out of range.
bool CornerPositions(const Mesh& mesh, const Face& f, std::array<Point3, 3>& p) {
    for (int c = 0; c < 3; ++c) {
        if (f.v[c] >= mesh.verts.size()) return false;
        p[static_cast<std::size_t>(c)] = mesh.verts[f.v[c]];
    }
    return true;
}

Point3 UnitFaceNormal(const std::array<Point3, 3>& p) {
    return Normalize(CrossProd(p[1] - p[0], p[2] - p[0]));
}

// Interior angle at each corner; zero at a degenerate corner.
std::array<float, 3> CornerAngles(const std::array<Point3, 3>& p) {
    std::array<float, 3> a{};
    for (std::size_t c = 0; c < 3; ++c) {
        const Point3 e1 = p[(c + 1) % 3] - p[c];
        const Point3 e2 = p[(c + 2) % 3] - p[c];
        const float s = Length(CrossProd(e1, e2));
        a[c] = s > 0.0f ? std::atan2(s, DotProd(e1, e2)) : 0.0f;
    }
    return a;
}

struct UnionFind {
    std::vector<int> parent;
    explicit UnionFind(std::size_t n) : parent(n) {
        for (std::size_t i = 0; i < n; ++i) parent[i] = static_cast<int>(i);
    }
    int Find(int i) {
        while (parent[static_cast<std::size_t>(i)] != i) {
            int& p = parent[static_cast<std::size_t>(i)];
            p = parent[static_cast<std::size_t>(p)];
            i = p;
        }
        return i;
    }
    // The smaller index becomes the root, so roots do not depend on union order.
    void Unite(int a, int b) {
        a = Find(a);
        b = Find(b);
        if (a == b) return;
        if (a < b) parent[static_cast<std::size_t>(b)] = a;
        else parent[static_cast<std::size_t>(a)] = b;
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// MeshMap

void MeshMap::setNumVerts(int n, bool keep) {
    Resize(tv, std::max(n, 0), keep);
    vnum = static_cast<int>(tv.size());
}

void MeshMap::setNumFaces(int n, bool keep) {
    Resize(tf, std::max(n, 0), keep);
    fnum = static_cast<int>(tf.size());
}

void MeshMap::Clear() {
    tv.clear();
    tf.clear();
    vnum = fnum = 0;
}

// ---------------------------------------------------------------------------
// MeshNormalFace

void MeshNormalFace::SetNormalID(int corner, int id) {
    if (!ValidCorner(corner)) return;
    ids_[corner] = id < 0 ? -1 : id;
    SetSpecified(corner, id >= 0);
}

int MeshNormalFace::GetNormalID(int corner) const { return ValidCorner(corner) ? ids_[corner] : -1; }

void MeshNormalFace::SetSpecified(int corner, bool specified) {
    if (!ValidCorner(corner)) return;
    const unsigned char bit = static_cast<unsigned char>(1u << corner);
    specified_ = static_cast<unsigned char>(specified ? (specified_ | bit) : (specified_ & ~bit));
}

bool MeshNormalFace::GetSpecified(int corner) const {
    return ValidCorner(corner) && (specified_ & (1u << corner)) != 0;
}

void MeshNormalFace::SpecifyAll(bool specified) { specified_ = specified ? 7 : 0; }

void MeshNormalFace::Clear() { *this = MeshNormalFace(); }

// ---------------------------------------------------------------------------
// MeshNormalSpec

MeshNormalSpec& MeshNormalSpec::operator=(const MeshNormalSpec& o) {
    normals_ = o.normals_;
    faces_ = o.faces_;
    return *this;
}

void MeshNormalSpec::SetNumNormals(int n) { normals_.resize(static_cast<std::size_t>(std::max(n, 0))); }

void MeshNormalSpec::SetNumFaces(int n) { faces_.resize(static_cast<std::size_t>(std::max(n, 0))); }

int MeshNormalSpec::GetNormalIndex(int face, int corner) const {
    if (face < 0 || static_cast<std::size_t>(face) >= faces_.size()) return -1;
    const int id = faces_[static_cast<std::size_t>(face)].GetNormalID(corner);
    return id >= 0 && static_cast<std::size_t>(id) < normals_.size() ? id : -1;
}

Point3 MeshNormalSpec::GetNormal(int face, int corner) const {
    const int id = GetNormalIndex(face, corner);
    return id < 0 ? Point3() : normals_[static_cast<std::size_t>(id)];
}

void MeshNormalSpec::ClearNormals() {
    normals_.clear();
    for (MeshNormalFace& f : faces_) f.Clear();
}

void MeshNormalSpec::ClearAndFree() {
    normals_.clear();
    faces_.clear();
}

// Computed normals are the normalised sums of the unit face normals weighted by
// each face's interior angle at the vertex. Angle weights make the result
// independent of how a flat polygon was split into triangles (a cube corner gets
// the exact diagonal whichever way its quads were cut), which area or plain
// averaging does not. Corners are grouped per vertex by shared smoothing bits,
// transitively; everything runs in face order, so the normal numbering and
// values depend only on the mesh.
bool MeshNormalSpec::CheckNormals() {
    if (parent_ == nullptr) return false;
    const Mesh& mesh = *parent_;
    const std::size_t numFaces = mesh.faces.size();

    if (faces_.size() != numFaces) {
        faces_.assign(numFaces, MeshNormalFace());
        normals_.clear();
    }

    // A specified corner must point at an existing normal; otherwise it is missing too.
    bool missing = false;
    std::vector<char> referenced(normals_.size(), 0);
    for (MeshNormalFace& nf : faces_) {
        for (int c = 0; c < 3; ++c) {
            const int id = nf.ids_[c];
            if (nf.GetSpecified(c) && id >= 0 && static_cast<std::size_t>(id) < normals_.size()) {
                referenced[static_cast<std::size_t>(id)] = 1;
            } else {
                nf.SetSpecified(c, false);
                missing = true;
            }
        }
    }
    if (!missing) return true;

    // Keep the specified normals in their order; computed ones from an earlier
    // call are dropped and made again from the current geometry.
    std::vector<int> remap(normals_.size(), -1);
    std::vector<Point3> normals;
    for (std::size_t i = 0; i < normals_.size(); ++i) {
        if (!referenced[i]) continue;
        remap[i] = static_cast<int>(normals.size());
        normals.push_back(normals_[i]);
    }
    for (MeshNormalFace& nf : faces_)
        for (int c = 0; c < 3; ++c)
            nf.ids_[c] = nf.GetSpecified(c) ? remap[static_cast<std::size_t>(nf.ids_[c])] : -1;

    // Per face: unit normal, corner angles and whether its vertices exist.
    std::vector<Point3> faceNormal(numFaces);
    std::vector<std::array<float, 3>> angle(numFaces, std::array<float, 3>{});
    std::vector<char> valid(numFaces, 0);
    for (std::size_t f = 0; f < numFaces; ++f) {
        std::array<Point3, 3> p;
        if (!CornerPositions(mesh, mesh.faces[f], p)) continue;
        valid[f] = 1;
        faceNormal[f] = UnitFaceNormal(p);
        angle[f] = CornerAngles(p);
    }

    // Corner k = 3 * face + corner. Only unspecified, smoothed corners of valid
    // faces are grouped; at each vertex a corner joins the first corner seen
    // with each of its smoothing bits.
    auto groupable = [&](std::size_t f, int c) {
        return valid[f] && mesh.faces[f].smGroup != 0 && !faces_[f].GetSpecified(c);
    };
    UnionFind groups(numFaces * 3);
    {
        // Groupable corners bucketed by vertex, each bucket in face order.
        std::vector<std::size_t> start(mesh.verts.size() + 1, 0);
        for (std::size_t f = 0; f < numFaces; ++f)
            for (int c = 0; c < 3; ++c)
                if (groupable(f, c)) ++start[mesh.faces[f].v[c] + 1];
        for (std::size_t v = 0; v < mesh.verts.size(); ++v) start[v + 1] += start[v];
        std::vector<int> corners(start.back());
        std::vector<std::size_t> fill(start.begin(), start.end() - 1);
        for (std::size_t f = 0; f < numFaces; ++f)
            for (int c = 0; c < 3; ++c)
                if (groupable(f, c)) corners[fill[mesh.faces[f].v[c]]++] = static_cast<int>(f * 3) + c;

        for (std::size_t v = 0; v < mesh.verts.size(); ++v) {
            std::array<int, 32> firstWithBit;
            firstWithBit.fill(-1);
            for (std::size_t i = start[v]; i < start[v + 1]; ++i) {
                const int k = corners[i];
                const DWORD sm = mesh.faces[static_cast<std::size_t>(k / 3)].smGroup;
                for (std::size_t b = 0; b < 32; ++b) {
                    if (!(sm & (DWORD{1} << b))) continue;
                    if (firstWithBit[b] < 0) firstWithBit[b] = k;
                    else groups.Unite(firstWithBit[b], k);
                }
            }
        }
    }

    // Weighted sums per group, accumulated in face order.
    std::vector<Point3> sum(numFaces * 3);
    std::vector<int> firstFace(numFaces * 3, -1);  // fallback when the sum cancels out
    for (std::size_t f = 0; f < numFaces; ++f) {
        for (int c = 0; c < 3; ++c) {
            if (!groupable(f, c)) continue;
            const std::size_t root = static_cast<std::size_t>(groups.Find(static_cast<int>(f * 3) + c));
            sum[root] += faceNormal[f] * angle[f][static_cast<std::size_t>(c)];
            if (firstFace[root] < 0 && faceNormal[f] != Point3()) firstFace[root] = static_cast<int>(f);
        }
    }

    auto finalNormal = [&](const Point3& s, int fallbackFace) {
        if (s.LengthSquared() > 0.0f) return Normalize(s);
        if (fallbackFace >= 0) return faceNormal[static_cast<std::size_t>(fallbackFace)];
        return Point3::ZAxis;  // every face of the group is degenerate
    };

    std::vector<int> groupNormal(numFaces * 3, -1);
    for (std::size_t f = 0; f < numFaces; ++f) {
        int flatNormal = -1;  // unsmoothed corners of one face share its face normal
        for (int c = 0; c < 3; ++c) {
            MeshNormalFace& nf = faces_[f];
            if (nf.GetSpecified(c)) continue;
            if (groupable(f, c)) {
                const std::size_t root =
                    static_cast<std::size_t>(groups.Find(static_cast<int>(f * 3) + c));
                if (groupNormal[root] < 0) {
                    groupNormal[root] = static_cast<int>(normals.size());
                    normals.push_back(finalNormal(sum[root], firstFace[root]));
                }
                nf.ids_[c] = groupNormal[root];
            } else {
                if (flatNormal < 0) {
                    flatNormal = static_cast<int>(normals.size());
                    normals.push_back(finalNormal(faceNormal[f], -1));
                }
                nf.ids_[c] = flatNormal;
            }
        }
    }

    normals_ = std::move(normals);
    return true;
}

// ---------------------------------------------------------------------------
// Mesh

Mesh::Mesh() : maps_(2) {}

Mesh::Mesh(const Mesh& o)
    : numVerts(o.numVerts),
      numFaces(o.numFaces),
      verts(o.verts),
      faces(o.faces),
      bdgBox(o.bdgBox),
      maps_(o.maps_),
      vertNormals_(o.vertNormals_) {
    if (o.normalSpec_) {
        normalSpec_ = std::make_unique<MeshNormalSpec>(*o.normalSpec_);
        normalSpec_->SetParent(this);
    }
}

Mesh::Mesh(Mesh&& o) noexcept
    : numVerts(o.numVerts),
      numFaces(o.numFaces),
      verts(std::move(o.verts)),
      faces(std::move(o.faces)),
      bdgBox(o.bdgBox),
      maps_(std::move(o.maps_)),
      vertNormals_(std::move(o.vertNormals_)),
      normalSpec_(std::move(o.normalSpec_)) {
    if (normalSpec_) normalSpec_->SetParent(this);
    o.ResetMovedFrom();
}

Mesh& Mesh::operator=(const Mesh& o) {
    if (this != &o) {
        Mesh copy(o);
        *this = std::move(copy);
    }
    return *this;
}

Mesh& Mesh::operator=(Mesh&& o) noexcept {
    if (this == &o) return *this;
    numVerts = o.numVerts;
    numFaces = o.numFaces;
    verts = std::move(o.verts);
    faces = std::move(o.faces);
    bdgBox = o.bdgBox;
    maps_ = std::move(o.maps_);
    vertNormals_ = std::move(o.vertNormals_);
    normalSpec_ = std::move(o.normalSpec_);
    if (normalSpec_) normalSpec_->SetParent(this);
    o.ResetMovedFrom();
    return *this;
}

Mesh::~Mesh() = default;

bool Mesh::setNumVerts(int n, bool keep) {
    if (n < 0) return false;
    Resize(verts, n, keep);
    numVerts = n;
    InvalidateGeomCache();
    return true;
}

bool Mesh::setNumFaces(int n, bool keep) {
    if (n < 0) return false;
    Resize(faces, n, keep);
    numFaces = n;
    for (MeshMap& m : maps_)
        if (m.IsUsed()) m.setNumFaces(n, keep);
    InvalidateTopologyCache();
    return true;
}

bool Mesh::setNumMaps(int n, bool keep) {
    if (n < 0 || n > MAX_MESHMAPS) return false;
    if (!keep) maps_.clear();
    maps_.resize(static_cast<std::size_t>(n));
    return true;
}

bool Mesh::mapSupport(int mp) const {
    return mp >= 0 && mp < getNumMaps() && maps_[static_cast<std::size_t>(mp)].IsUsed();
}

void Mesh::setMapSupport(int mp, bool support) {
    if (mp < 0 || mp >= MAX_MESHMAPS)
        throw std::out_of_range("map channel out of range");
    if (mp >= getNumMaps()) {
        if (!support) return;
        setNumMaps(mp + 1, true);
    }
    MeshMap& m = maps_[static_cast<std::size_t>(mp)];
    if (!support) {
        m.Clear();
        m.SetUsed(false);
        return;
    }
    m.SetUsed(true);
    if (m.fnum != numFaces) m.setNumFaces(numFaces, true);
}

bool Mesh::setNumMapVerts(int mp, int n, bool keep) {
    if (mp < 0 || mp >= MAX_MESHMAPS || n < 0) return false;
    if (mp >= getNumMaps()) setNumMaps(mp + 1, true);
    MeshMap& m = maps_[static_cast<std::size_t>(mp)];
    m.setNumVerts(n, keep);
    if (n > 0) m.SetUsed(true);
    return true;
}

bool Mesh::setNumMapFaces(int mp, int n, bool keep) {
    if (mp < 0 || mp >= MAX_MESHMAPS || n < 0) return false;
    if (mp >= getNumMaps()) setNumMaps(mp + 1, true);
    MeshMap& m = maps_[static_cast<std::size_t>(mp)];
    m.setNumFaces(n, keep);
    if (n > 0) m.SetUsed(true);
    return true;
}

int Mesh::getNumMapVerts(int mp) const {
    return mp >= 0 && mp < getNumMaps() ? maps_[static_cast<std::size_t>(mp)].vnum : 0;
}

int Mesh::getNumMapFaces(int mp) const {
    return mp >= 0 && mp < getNumMaps() ? maps_[static_cast<std::size_t>(mp)].fnum : 0;
}

Box3 Mesh::getBoundingBox(const Matrix3* tm) const {
    Box3 box;
    for (const Point3& p : verts) box += tm ? p * *tm : p;
    return box;
}

Point3 Mesh::getFaceNormal(int i) const {
    std::array<Point3, 3> p;
    if (!CornerPositions(*this, getFace(i), p)) return Point3();
    return UnitFaceNormal(p);
}

void Mesh::buildNormals() {
    vertNormals_.assign(verts.size(), Point3());
    for (const Face& f : faces) {
        std::array<Point3, 3> p;
        if (!CornerPositions(*this, f, p)) continue;
        const Point3 n = UnitFaceNormal(p);
        const std::array<float, 3> a = CornerAngles(p);
        for (std::size_t c = 0; c < 3; ++c) vertNormals_[f.v[c]] += n * a[c];
    }
    for (Point3& n : vertNormals_) n = Normalize(n);
}

void Mesh::InvalidateGeomCache() {
    bdgBox.Init();
    vertNormals_.clear();
}

void Mesh::InvalidateTopologyCache() { vertNormals_.clear(); }

// Without allocating (moves are noexcept): the source keeps no channels at all.
void Mesh::ResetMovedFrom() noexcept {
    numVerts = numFaces = 0;
    verts.clear();
    faces.clear();
    maps_.clear();
    vertNormals_.clear();
    normalSpec_.reset();
}

void Mesh::FreeAll() {
    numVerts = numFaces = 0;
    verts.clear();
    faces.clear();
    bdgBox.Init();
    maps_.assign(2, MeshMap());
    vertNormals_.clear();
    normalSpec_.reset();
}

MeshNormalSpec* Mesh::SpecifyNormals() {
    if (!normalSpec_) {
        normalSpec_ = std::make_unique<MeshNormalSpec>();
        normalSpec_->SetParent(this);
    }
    return normalSpec_.get();
}
