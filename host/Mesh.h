#pragma once

// The host's triangle mesh: vertices, faces, map channels and an optional set of
// explicit normals. Storage is in vectors; the count fields mirror their sizes
// and are kept in step by the setNum* calls, which are the only way to resize.

#include <memory>
#include <vector>

#include "host/Geom.h"

class Mesh;

constexpr int MAX_MESHMAPS = 100;

// One map channel (0 vertex colours, 1 the default texture coordinates, ...).
class MeshMap {
public:
    int vnum = 0;  // == tv.size()
    int fnum = 0;  // == tf.size()
    std::vector<UVVert> tv;
    std::vector<TVFace> tf;

    bool GetFlag() const { return supported_; }
    bool IsUsed() const { return supported_; }
    void SetUsed(bool used) { supported_ = used; }

    void setNumVerts(int n, bool keep = false);
    void setNumFaces(int n, bool keep = false);
    int getNumVerts() const { return vnum; }
    int getNumFaces() const { return fnum; }
    void Clear();

    bool operator==(const MeshMap&) const = default;

private:
    bool supported_ = false;
};

// The normal assignment of one face: a normal index per corner and whether the
// corner's normal was chosen explicitly (specified) or is left to CheckNormals.
class MeshNormalFace {
public:
    // Giving a corner a normal specifies it; -1 hands the corner back to CheckNormals.
    void SetNormalID(int corner, int id);
    void SpecifyNormalID(int corner, int id) { SetNormalID(corner, id); }
    int GetNormalID(int corner) const;
    void SetSpecified(int corner, bool specified = true);
    bool GetSpecified(int corner) const;
    void SpecifyAll(bool specified = true);
    void Clear();

    bool operator==(const MeshNormalFace&) const = default;

private:
    friend class MeshNormalSpec;
    static bool ValidCorner(int corner) { return corner >= 0 && corner < 3; }
    int ids_[3] = {-1, -1, -1};
    unsigned char specified_ = 0;  // bit per corner
};

class MeshNormalSpec {
public:
    MeshNormalSpec() = default;
    // Copies carry the data only; a copy belongs to no mesh until SetParent.
    MeshNormalSpec(const MeshNormalSpec& o) : normals_(o.normals_), faces_(o.faces_) {}
    MeshNormalSpec& operator=(const MeshNormalSpec& o);

    void SetParent(Mesh* mesh) { parent_ = mesh; }
    Mesh* GetParent() const { return parent_; }

    // Resizing keeps existing entries; new normals are zero, new faces unassigned.
    void SetNumNormals(int n);
    int GetNumNormals() const { return static_cast<int>(normals_.size()); }
    Point3& Normal(int i) { return normals_.at(static_cast<std::size_t>(i)); }
    const Point3& Normal(int i) const { return normals_.at(static_cast<std::size_t>(i)); }

    void SetNumFaces(int n);
    int GetNumFaces() const { return static_cast<int>(faces_.size()); }
    MeshNormalFace& Face(int i) { return faces_.at(static_cast<std::size_t>(i)); }
    const MeshNormalFace& Face(int i) const { return faces_.at(static_cast<std::size_t>(i)); }

    // -1 (GetNormalIndex) or a zero vector (GetNormal) when the corner has no valid normal.
    int GetNormalIndex(int face, int corner) const;
    Point3 GetNormal(int face, int corner) const;

    // Drops every normal and corner assignment; keeps the face count.
    void ClearNormals();
    void ClearAndFree();

    // Completes the set from the parent mesh: corners without a specified normal
    // get one computed from the faces and their smoothing groups; specified
    // normals and their corners stay as they are. A face count that differs
    // from the mesh's means the assignments describe other faces, so they are
    // all recomputed. Returns false when there is no parent mesh.
    bool CheckNormals();
    // Same as CheckNormals, for callers that use the other name.
    bool BuildNormals() { return CheckNormals(); }

    bool operator==(const MeshNormalSpec& o) const {
        return normals_ == o.normals_ && faces_ == o.faces_;
    }

private:
    std::vector<Point3> normals_;
    std::vector<MeshNormalFace> faces_;
    Mesh* parent_ = nullptr;
};

class Mesh {
public:
    int numVerts = 0;  // == verts.size()
    int numFaces = 0;  // == faces.size()
    std::vector<Point3> verts;
    std::vector<Face> faces;
    Box3 bdgBox;  // filled by buildBoundingBox

    Mesh();
    Mesh(const Mesh& o);
    Mesh(Mesh&& o) noexcept;
    Mesh& operator=(const Mesh& o);
    Mesh& operator=(Mesh&& o) noexcept;
    ~Mesh();

    // Negative counts are refused (false). Without keep the contents are reset
    // to zero; with it the first entries survive. Changing the face count also
    // resizes the faces of every supported map channel.
    bool setNumVerts(int n, bool keep = false);
    bool setNumFaces(int n, bool keep = false);
    int getNumVerts() const { return numVerts; }
    int getNumFaces() const { return numFaces; }

    // Checked: an index outside the array throws std::out_of_range.
    void setVert(int i, const Point3& p) { verts.at(static_cast<std::size_t>(i)) = p; }
    void setVert(int i, float x, float y, float z) { setVert(i, Point3(x, y, z)); }
    Point3& getVert(int i) { return verts.at(static_cast<std::size_t>(i)); }
    const Point3& getVert(int i) const { return verts.at(static_cast<std::size_t>(i)); }
    Face& getFace(int i) { return faces.at(static_cast<std::size_t>(i)); }
    const Face& getFace(int i) const { return faces.at(static_cast<std::size_t>(i)); }

    // Map channel 1, the default texture coordinates.
    bool setNumTVerts(int n, bool keep = false) { return setNumMapVerts(1, n, keep); }
    bool setNumTVFaces(int n, bool keep = false) { return setNumMapFaces(1, n, keep); }
    int getNumTVerts() const { return getNumMapVerts(1); }
    int getNumTVFaces() const { return getNumMapFaces(1); }
    void setTVert(int i, const UVVert& uv) { mapVerts(1).at(static_cast<std::size_t>(i)) = uv; }
    const UVVert& getTVert(int i) const { return mapVerts(1).at(static_cast<std::size_t>(i)); }

    // A new mesh has channels 0 and 1, neither supported. At most MAX_MESHMAPS
    // channels: larger counts are refused (false).
    int getNumMaps() const { return static_cast<int>(maps_.size()); }
    bool setNumMaps(int n, bool keep = false);
    bool mapSupport(int mp) const;
    // Switching a channel on gives it one map face per mesh face (growing the
    // channel list when needed); switching it off empties it. A channel outside
    // 0..MAX_MESHMAPS-1 throws std::out_of_range.
    void setMapSupport(int mp, bool support = true);
    // These also grow the channel list and switch the channel on for n > 0.
    bool setNumMapVerts(int mp, int n, bool keep = false);
    bool setNumMapFaces(int mp, int n, bool keep = false);
    int getNumMapVerts(int mp) const;
    int getNumMapFaces(int mp) const;
    // Checked: a channel outside 0..getNumMaps()-1 throws std::out_of_range.
    std::vector<UVVert>& mapVerts(int mp) { return Map(mp).tv; }
    const std::vector<UVVert>& mapVerts(int mp) const { return Map(mp).tv; }
    std::vector<TVFace>& mapFaces(int mp) { return Map(mp).tf; }
    const std::vector<TVFace>& mapFaces(int mp) const { return Map(mp).tf; }
    MeshMap& Map(int mp) { return maps_.at(static_cast<std::size_t>(mp)); }
    const MeshMap& Map(int mp) const { return maps_.at(static_cast<std::size_t>(mp)); }

    // Bounds of the vertices (transformed by tm when given), computed from the
    // current vertices each time; empty for a mesh without vertices.
    Box3 getBoundingBox(const Matrix3* tm = nullptr) const;
    void buildBoundingBox() { bdgBox = getBoundingBox(); }

    // Unit normal of face i from its current vertices; zero for a degenerate
    // face or one whose vertex indices are out of range. Throws for a bad i.
    Point3 getFaceNormal(int i) const;
    // Per-vertex normals ignoring smoothing groups, read with getNormal after
    // buildNormals; they are not updated by later edits.
    void buildNormals();
    const Point3& getNormal(int vertex) const {
        return vertNormals_.at(static_cast<std::size_t>(vertex));
    }

    void InvalidateGeomCache();
    void InvalidateTopologyCache();
    // Back to a new mesh: no vertices, faces or normals; two unsupported channels.
    void FreeAll();

    // The explicit normals: created empty on first request, owned by and
    // parented to this mesh; GetSpecifiedNormals is null until then.
    MeshNormalSpec* SpecifyNormals();
    MeshNormalSpec* GetSpecifiedNormals() { return normalSpec_.get(); }
    const MeshNormalSpec* GetSpecifiedNormals() const { return normalSpec_.get(); }
    void ClearSpecifiedNormals() { normalSpec_.reset(); }

private:
    void ResetMovedFrom() noexcept;

    std::vector<MeshMap> maps_;
    std::vector<Point3> vertNormals_;
    std::unique_ptr<MeshNormalSpec> normalSpec_;
};
