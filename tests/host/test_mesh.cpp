#include "host/Mesh.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

void ExpectNear(const Point3& a, const Point3& b, float eps = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// Unit cube [0,1]^3, vertex i at (i&1, i>>1&1, i>>2&1). Sides in the order
// -Z, +Z, -Y, +Y, -X, +X; side k is faces 2k and 2k+1, wound outwards.
// Each quad is cut along a different diagonal than its opposite side, so the
// triangle count around a cube corner varies.
Mesh Cube(const std::array<DWORD, 6>& sideGroups) {
    static const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                    {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    Mesh m;
    m.setNumVerts(8);
    for (int i = 0; i < 8; ++i) m.setVert(i, Point3(i & 1, (i >> 1) & 1, (i >> 2) & 1));
    m.setNumFaces(12);
    for (int k = 0; k < 6; ++k) {
        const int* q = quads[k];
        m.faces[2 * k].setVerts(q[0], q[1], q[2]);
        m.faces[2 * k + 1].setVerts(q[2], q[3], q[0]);
        for (int t = 0; t < 2; ++t) {
            m.faces[2 * k + t].setSmGroup(sideGroups[k]);
            m.faces[2 * k + t].setEdgeVisFlags(true, true, false);
        }
    }
    return m;
}

const Point3 kSideNormal[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};

Point3 CornerDiagonal(int vertex) {
    return Normalize(Point3(vertex & 1, (vertex >> 1) & 1, (vertex >> 2) & 1) - Point3(0.5f, 0.5f, 0.5f));
}

// Every corner has a valid unit normal facing the same way as its face.
void ExpectCompleteAndOutward(const Mesh& m) {
    const MeshNormalSpec* ns = m.GetSpecifiedNormals();
    ASSERT_NE(ns, nullptr);
    ASSERT_EQ(ns->GetNumFaces(), m.numFaces);
    for (int f = 0; f < m.numFaces; ++f) {
        for (int c = 0; c < 3; ++c) {
            const int id = ns->GetNormalIndex(f, c);
            ASSERT_GE(id, 0) << f << "/" << c;
            ASSERT_LT(id, ns->GetNumNormals());
            EXPECT_NEAR(Length(ns->Normal(id)), 1.0f, 1e-5f);
            EXPECT_GT(DotProd(ns->Normal(id), m.getFaceNormal(f)), 0.0f);
        }
    }
}

}  // namespace

TEST(MeshFixture, CubeFacesPointOutwards) {
    const Mesh cube = Cube({1, 1, 1, 1, 1, 1});
    for (int f = 0; f < 12; ++f) ExpectNear(cube.getFaceNormal(f), kSideNormal[f / 2]);
}

TEST(MeshNormals, CheckNormalsFollowsSmoothingGroups) {
    struct Case {
        std::string name;
        std::array<DWORD, 6> groups;
        int normals;
        std::function<void(const Mesh&, const MeshNormalSpec&)> check;
    };
    const Case cases[] = {
        {"one group: a normal per vertex, on the cube's diagonal whatever the cuts",
         {1, 1, 1, 1, 1, 1}, 8,
         [](const Mesh& m, const MeshNormalSpec& s) {
             for (int f = 0; f < 12; ++f)
                 for (int c = 0; c < 3; ++c)
                     ExpectNear(s.GetNormal(f, c), CornerDiagonal(int(m.faces[f].v[c])));
         }},
        {"a group per side: flat sides", {1, 2, 4, 8, 16, 32}, 24,
         [](const Mesh&, const MeshNormalSpec& s) {
             for (int f = 0; f < 12; ++f)
                 for (int c = 0; c < 3; ++c) ExpectNear(s.GetNormal(f, c), kSideNormal[f / 2]);
         }},
        {"group 0: one face normal per face", {0, 0, 0, 0, 0, 0}, 12,
         [](const Mesh&, const MeshNormalSpec& s) {
             for (int f = 0; f < 12; ++f) {
                 EXPECT_EQ(s.GetNormalIndex(f, 0), s.GetNormalIndex(f, 1));
                 EXPECT_EQ(s.GetNormalIndex(f, 0), s.GetNormalIndex(f, 2));
                 ExpectNear(s.GetNormal(f, 0), kSideNormal[f / 2]);
             }
         }},
        // At vertex 0 the sides -Z (1), -Y (3) and -X (2) are linked through -Y
        // although -Z and -X share no bit. Count: 1+2+3+2+2+2+2+1 per vertex.
        {"shared bits link transitively", {1, 4, 3, 4, 2, 4}, 15,
         [](const Mesh& m, const MeshNormalSpec& s) {
             for (int f = 0; f < 12; ++f)
                 for (int c = 0; c < 3; ++c)
                     if (m.faces[f].v[c] == 0) ExpectNear(s.GetNormal(f, c), CornerDiagonal(0));
         }},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        Mesh m = Cube(tc.groups);
        MeshNormalSpec* ns = m.SpecifyNormals();
        ASSERT_TRUE(ns->CheckNormals());
        EXPECT_EQ(ns->GetNumNormals(), tc.normals);
        ExpectCompleteAndOutward(m);
        tc.check(m, *ns);
    }
}

TEST(MeshNormals, SpecifiedNormalsSurviveAndRepeatedChecksAreStable) {
    Mesh m = Cube({1, 1, 1, 1, 1, 1});
    MeshNormalSpec* ns = m.SpecifyNormals();
    EXPECT_EQ(m.SpecifyNormals(), ns);  // a second request gives the same set
    ns->SetNumFaces(12);
    ns->SetNumNormals(3);
    ns->Normal(2) = Point3(0, 0, 5);  // deliberately not unit: it is kept as given
    ns->Face(0).SetNormalID(0, 2);
    // Face 5 says corner 1 is specified but names no normal: it counts as missing.
    ns->Face(5).SetSpecified(1, true);

    ASSERT_TRUE(ns->CheckNormals());
    EXPECT_EQ(ns->GetNormal(0, 0), Point3(0, 0, 5));
    EXPECT_TRUE(ns->Face(0).GetSpecified(0));
    EXPECT_FALSE(ns->Face(5).GetSpecified(1));
    // One kept normal plus one per vertex; the unused 0 and 1 are gone.
    EXPECT_EQ(ns->GetNumNormals(), 9);

    // Vertex 0's other corners share one computed normal of their own; the
    // other vertices are untouched by the specified corner.
    int shared = -1;
    for (int f = 0; f < 12; ++f) {
        for (int c = 0; c < 3; ++c) {
            const DWORD v = m.faces[f].v[c];
            if (f == 0 && c == 0) continue;
            if (v != 0) {
                ExpectNear(ns->GetNormal(f, c), CornerDiagonal(int(v)));
                continue;
            }
            if (shared < 0) shared = ns->GetNormalIndex(f, c);
            EXPECT_EQ(ns->GetNormalIndex(f, c), shared);
        }
    }
    EXPECT_NE(shared, ns->GetNormalIndex(0, 0));

    const MeshNormalSpec first = *ns;
    ASSERT_TRUE(ns->CheckNormals());
    EXPECT_EQ(*ns, first);

    // Computed normals follow the geometry on the next check; specified ones do not.
    m.setVert(7, Point3(2, 2, 2));
    ASSERT_TRUE(ns->CheckNormals());
    EXPECT_EQ(ns->GetNormal(0, 0), Point3(0, 0, 5));
    EXPECT_NE(*ns, first);
}

TEST(MeshNormals, FaceCountMismatchRebuildsEverything) {
    Mesh m = Cube({1, 2, 4, 8, 16, 32});
    MeshNormalSpec* ns = m.SpecifyNormals();
    ns->SetNumFaces(5);
    ns->SetNumNormals(1);
    ns->Face(0).SetNormalID(0, 0);
    ASSERT_TRUE(ns->CheckNormals());
    EXPECT_EQ(ns->GetNumFaces(), 12);
    EXPECT_EQ(ns->GetNumNormals(), 24);
    EXPECT_FALSE(ns->Face(0).GetSpecified(0));
    ExpectCompleteAndOutward(m);
}

TEST(MeshNormals, BrokenInputStaysSafe) {
    MeshNormalSpec orphan;
    EXPECT_FALSE(orphan.CheckNormals());
    EXPECT_EQ(orphan.GetNormalIndex(0, 0), -1);
    EXPECT_EQ(orphan.GetNormal(3, 7), Point3());
    EXPECT_THROW(orphan.Face(0), std::out_of_range);

    // A face past the vertex array and a degenerate one still get unit normals.
    Mesh m;
    m.setNumVerts(3);
    m.setVert(1, Point3(1, 0, 0));
    m.setVert(2, Point3(0, 1, 0));
    m.setNumFaces(3);
    m.faces[0].setVerts(0, 1, 2);
    m.faces[1].setVerts(0, 1, 99);
    m.faces[2].setVerts(0, 1, 1);
    for (Face& f : m.faces) f.setSmGroup(1);
    EXPECT_EQ(m.getFaceNormal(1), Point3());
    EXPECT_EQ(m.getFaceNormal(2), Point3());

    MeshNormalSpec* ns = m.SpecifyNormals();
    ASSERT_TRUE(ns->CheckNormals());
    for (int f = 0; f < 3; ++f)
        for (int c = 0; c < 3; ++c) {
            ASSERT_GE(ns->GetNormalIndex(f, c), 0);
            EXPECT_NEAR(Length(ns->GetNormal(f, c)), 1.0f, 1e-6f);
        }
    // The degenerate face adds no weight to the real one it touches.
    ExpectNear(ns->GetNormal(0, 0), Point3(0, 0, 1));
}

TEST(MeshCopy, DeepCopyReparentsTheNormals) {
    Mesh original = Cube({1, 1, 1, 1, 1, 1});
    original.setMapSupport(1);
    original.setNumTVerts(8);
    for (int i = 0; i < 8; ++i) original.setTVert(i, original.getVert(i));
    for (int f = 0; f < 12; ++f) original.mapFaces(1)[f].setTVerts(original.faces[f].v);
    original.SpecifyNormals()->CheckNormals();

    Mesh copy(original);
    ASSERT_NE(copy.GetSpecifiedNormals(), original.GetSpecifiedNormals());
    EXPECT_EQ(copy.GetSpecifiedNormals()->GetParent(), &copy);
    EXPECT_EQ(*copy.GetSpecifiedNormals(), *original.GetSpecifiedNormals());
    EXPECT_EQ(copy.Map(1), original.Map(1));

    // Editing the copy and completing its normals must read the copy's vertices.
    copy.setVert(7, Point3(3, 3, 3));
    copy.mapVerts(1)[0] = Point3(9, 9, 9);
    copy.GetSpecifiedNormals()->CheckNormals();
    EXPECT_NE(*copy.GetSpecifiedNormals(), *original.GetSpecifiedNormals());
    EXPECT_EQ(original.getVert(7), Point3(1, 1, 1));
    EXPECT_EQ(original.getTVert(0), Point3(0, 0, 0));
    const MeshNormalSpec before = *original.GetSpecifiedNormals();
    original.GetSpecifiedNormals()->CheckNormals();
    EXPECT_EQ(*original.GetSpecifiedNormals(), before);

    Mesh assigned;
    assigned = copy;
    EXPECT_EQ(assigned.GetSpecifiedNormals()->GetParent(), &assigned);

    Mesh moved(std::move(assigned));
    EXPECT_EQ(moved.GetSpecifiedNormals()->GetParent(), &moved);
    EXPECT_EQ(moved.getVert(7), Point3(3, 3, 3));
    Mesh target;
    target = std::move(moved);
    EXPECT_EQ(target.GetSpecifiedNormals()->GetParent(), &target);
    EXPECT_EQ(target.numFaces, 12);

    target.ClearSpecifiedNormals();
    EXPECT_EQ(target.GetSpecifiedNormals(), nullptr);
    target.FreeAll();
    EXPECT_EQ(target.numVerts, 0);
    EXPECT_EQ(target.getNumMaps(), 2);
    EXPECT_FALSE(target.mapSupport(1));
}

TEST(MeshMaps, ChannelSupportAndSizes) {
    Mesh m;
    EXPECT_EQ(m.getNumMaps(), 2);
    EXPECT_FALSE(m.mapSupport(0));
    EXPECT_FALSE(m.mapSupport(1));
    m.setNumFaces(4);

    // Switching on a channel past the end grows the list and sizes its faces.
    m.setMapSupport(3);
    EXPECT_EQ(m.getNumMaps(), 4);
    EXPECT_TRUE(m.mapSupport(3));
    EXPECT_FALSE(m.mapSupport(2));
    EXPECT_EQ(m.getNumMapFaces(3), 4);
    EXPECT_EQ(m.getNumMapFaces(2), 0);

    m.mapFaces(3)[1] = TVFace(7, 8, 9);
    m.setNumFaces(6, true);  // supported channels follow the face count
    EXPECT_EQ(m.getNumMapFaces(3), 6);
    EXPECT_EQ(m.Map(3).fnum, 6);
    EXPECT_EQ(m.mapFaces(3)[1], TVFace(7, 8, 9));
    EXPECT_EQ(m.getNumMapFaces(2), 0);

    EXPECT_TRUE(m.setNumTVerts(5));
    EXPECT_TRUE(m.mapSupport(1));
    EXPECT_EQ(m.Map(1).vnum, 5);
    EXPECT_EQ(m.getNumTVerts(), 5);

    m.setMapSupport(3, false);
    EXPECT_FALSE(m.mapSupport(3));
    EXPECT_EQ(m.getNumMapFaces(3), 0);
    EXPECT_EQ(m.getNumMapVerts(3), 0);

    EXPECT_FALSE(m.setNumMaps(MAX_MESHMAPS + 1));
    EXPECT_FALSE(m.setNumMapVerts(-1, 3));
    EXPECT_THROW(m.mapVerts(m.getNumMaps()), std::out_of_range);
    EXPECT_EQ(m.getNumMapVerts(50), 0);
    EXPECT_FALSE(m.mapSupport(-1));

    EXPECT_TRUE(m.setNumMaps(3, true));
    EXPECT_TRUE(m.mapSupport(1));
    EXPECT_TRUE(m.setNumMaps(3));
    EXPECT_FALSE(m.mapSupport(1));
}

TEST(MeshArrays, SizesAndCheckedAccess) {
    Mesh m;
    EXPECT_FALSE(m.setNumVerts(-1));
    ASSERT_TRUE(m.setNumVerts(2));
    m.setVert(1, 4, 5, 6);
    EXPECT_TRUE(m.setNumVerts(3, true));
    EXPECT_EQ(m.numVerts, 3);
    EXPECT_EQ(m.getVert(1), Point3(4, 5, 6));
    EXPECT_TRUE(m.setNumVerts(3));
    EXPECT_EQ(m.getVert(1), Point3());
    EXPECT_THROW(m.getVert(3), std::out_of_range);
    EXPECT_THROW(m.setVert(-1, Point3()), std::out_of_range);
    EXPECT_THROW(m.getFaceNormal(0), std::out_of_range);
}

TEST(MeshBounds, BoxOfTheTransformedVerticesNotOfTheBox) {
    Mesh tri;
    EXPECT_TRUE(tri.getBoundingBox().IsEmpty());
    tri.setNumVerts(3);
    tri.setVert(0, Point3(0, 0, 0));
    tri.setVert(1, Point3(1, 0, 0));
    tri.setVert(2, Point3(0, 1, 0));
    const Box3 local = tri.getBoundingBox();
    EXPECT_EQ(local.pmin, Point3(0, 0, 0));
    EXPECT_EQ(local.pmax, Point3(1, 1, 0));

    Matrix3 tm = RotateZMatrix(PI / 4.0f);
    tm.Translate(Point3(0, 0, 2));
    const Box3 world = tri.getBoundingBox(&tm);
    const float h = std::sqrt(0.5f);
    // The local box's (1, 1) corner would reach y = sqrt(2); no vertex does.
    ExpectNear(world.pmin, Point3(-h, 0, 2));
    ExpectNear(world.pmax, Point3(h, h, 2));

    tri.buildBoundingBox();
    EXPECT_EQ(tri.bdgBox, local);
}
