// The scatter's distribution engine: gathering from scene nodes, generation,
// density tables, instance transforms and the box index. Exact expected
// numbers were worked out by hand or with a separate script from the
// published generators, never from this code.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "Scatter/BoxIndex.h"
#include "Scatter/DensityTable.h"
#include "Scatter/Distribution.h"
#include "Scatter/RandomGenerators.h"
#include "Scatter/Scatter.h"
#include "core-interface/Debug.h"
#include "host/Max.h"

namespace Nimbal {
namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// A map whose value is any function of the shading context; it counts its
// evaluations.
class FunctionMap : public Texmap {
public:
    explicit FunctionMap(std::function<float(ShadeContext&)> f) : f_(std::move(f)) {}
    float EvalMono(ShadeContext& sc) override {
        ++calls;
        return f_(sc);
    }
    void Update(TimeValue t, Interval&) override { updatedAt.push_back(t); }

    int calls = 0;
    std::vector<TimeValue> updatedAt;

private:
    std::function<float(ShadeContext&)> f_;
};

using MapPtr = std::unique_ptr<FunctionMap>;
MapPtr constantMap(float v) {
    return std::make_unique<FunctionMap>([v](ShadeContext&) { return v; });
}

using Tri = std::array<int, 3>;

bool sameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
bool sameBits(const Dir& a, const Dir& b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z); }
bool sameBits(const Pos& a, const Pos& b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z); }

bool sameInstances(const ScatterDistribution& a, const ScatterDistribution& b) {
    if (a.numInstances() != b.numInstances()) return false;
    return a.numInstances() == 0 ||
           std::memcmp(a.instances().data(), b.instances().data(), sizeof(ScatterInstance) * a.numInstances()) == 0;
}

AlignedBox boxOf(const AffineTm& tm, const ScatteredObject& so) {
    AlignedBox b;
    for (int c = 0; c < 8; ++c) {
        const Pos corner((c & 1) ? so.bboxMax.x : so.bboxMin.x, (c & 2) ? so.bboxMax.y : so.bboxMin.y,
                         (c & 4) ? so.bboxMax.z : so.bboxMin.z);
        const Pos p = tm * corner;
        b.min = c == 0 ? p : min(b.min, p);
        b.max = c == 0 ? p : max(b.max, p);
    }
    return b;
}

class DistributionTest : public ::testing::Test {
protected:
    void TearDown() override {
        ip_->ResetScene();
        DebugLog::stopCapture();
    }

    INode* meshNode(const std::vector<Point3>& verts, const std::vector<Tri>& faces, const Matrix3& tm = Matrix3(),
                    const char16_t* name = u"mesh") {
        TriObject* tri = CreateNewTriObject();
        Mesh& mesh = tri->GetMesh();
        mesh.setNumVerts(int(verts.size()));
        mesh.setNumFaces(int(faces.size()));
        for (size_t i = 0; i < verts.size(); ++i) mesh.setVert(int(i), verts[i]);
        for (size_t f = 0; f < faces.size(); ++f)
            mesh.faces[f].setVerts(DWORD(faces[f][0]), DWORD(faces[f][1]), DWORD(faces[f][2]));
        INode* node = ip_->CreateObjectNode(tri, name);
        node->SetNodeTM(0, tm);
        return node;
    }

    // A closed box between two corners, faces wound outwards.
    INode* boxNode(const Point3& lo, const Point3& hi, const Matrix3& tm = Matrix3(), const char16_t* name = u"box") {
        std::vector<Point3> v;
        for (int c = 0; c < 8; ++c)
            v.push_back(Point3((c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z));
        const std::vector<Tri> f = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                                    {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
        return meshNode(v, f, tm, name);
    }

    // The square [x0, x1] x [y0, y1] at height z as two triangles facing +z.
    INode* planeNode(float x0, float y0, float x1, float y1, float z = 0.f, const Matrix3& tm = Matrix3()) {
        return meshNode({{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}, {{0, 1, 2}, {0, 2, 3}}, tm, u"plane");
    }

    INode* smallBox(float half = 0.5f) { return boxNode(Point3(-half, -half, -half), Point3(half, half, half)); }

    static DistributionInputs inputs(std::vector<std::pair<INode*, float>> dist,
                                     std::vector<std::pair<INode*, float>> scattered) {
        DistributionInputs in;
        for (auto& [n, w] : dist) in.distribution.push({n, w});
        for (auto& [n, w] : scattered) in.scattered.push({n, w});
        return in;
    }

    static ScatterSettings settings(int32_t count, int32_t seed, int32_t randomType, int32_t scatterType) {
        ScatterSettings s;
        s.count = count;
        s.seed = seed;
        s.randomType = randomType;
        s.scatterType = scatterType;
        s.alignNormals = false;
        s.lastRenderCamera = Pos(NaN, NaN, NaN);
        return s;
    }

    Interface* ip_ = GetCOREInterface();
};

// ---------------------------------------------------------------------------
// Layouts

TEST_F(DistributionTest, CongruentLayoutInABoxFollowsTheGeneratorExactly) {
    INode* volume = boxNode(Point3(-2, 0, 1), Point3(2, 4, 2));
    DistributionInputs in = inputs({{volume, 1.f}}, {{smallBox(), 1.f}, {smallBox(), 1.f}});
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(in, 0));
    ASSERT_EQ(dist.generate(settings(4, 7, 0, SCATTER_IN_BOUNDING_BOX)), ScatterDistribution::Outcome::Generated);
    ASSERT_EQ(dist.numInstances(), 4);

    // Sample k of seed 7 gives u0..u4; position = (-2, 0, 1) + (4, 4, 1) * (u2, u3, u4),
    // object = first with cumulative frequency (1, 2) above 2 * u0.
    struct Expected {
        Pos position;
        int32_t object;
    };
    const Expected expected[] = {
        {{0x1.34ea88p+0f, 0x1.c14640p+1f, 0x1.ae04eep+0f}, 1},
        {{-0x1.4def60p-1f, 0x1.bf7610p+1f, 0x1.6cd83cp+0f}, 1},
        {{-0x1.4c4510p+0f, 0x1.02f1dcp+1f, 0x1.565cacp+0f}, 0},
        {{0x1.5bed90p-1f, 0x1.8faee0p-2f, 0x1.ada48ep+0f}, 1},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const ScatterInstance& inst = dist.instance(i);
        EXPECT_TRUE(sameBits(inst.position, expected[i].position));
        EXPECT_EQ(inst.objectIndex, expected[i].object);
        EXPECT_TRUE(sameBits(inst.normal, Dir::UNIT_Z));
        EXPECT_TRUE(sameBits(inst.scaleMapFactor, Dir::ONES));
    }
    // The per-instance generator (seed 7 + 1337), eleven draws per instance:
    // r1 display, r2 unused, scale (r5, r4, r3), translate (r8, r7, r6), rotate (r11, r10, r9).
    const ScatterInstance& first = dist.instance(0);
    EXPECT_EQ(first.displayRandom, 0x1.991e30p-3f);
    EXPECT_TRUE(sameBits(first.scaleRandom, Dir(0x1.86deb4p-1f, 0x1.dcb710p-1f, 0x1.1597c0p-4f)));
    EXPECT_TRUE(sameBits(first.translateRandom, Dir(0x1.b130d0p-1f, 0x1.d571dcp-1f, 0x1.86b140p-3f)));
    EXPECT_TRUE(sameBits(first.rotateRandom, Dir(0x1.9ac324p-1f, 0x1.c103d8p-1f, 0x1.867590p-2f)));
    const ScatterInstance& third = dist.instance(2);
    EXPECT_EQ(third.displayRandom, 0x1.8d9d60p-3f);
    EXPECT_TRUE(sameBits(third.scaleRandom, Dir(0x1.45fb90p-2f, 0x1.fa1fe4p-1f, 0x1.2d0b60p-3f)));
    EXPECT_TRUE(sameBits(third.translateRandom, Dir(0x1.6563e8p-1f, 0x1.851580p-3f, 0x1.e4eb40p-4f)));
    EXPECT_TRUE(sameBits(third.rotateRandom, Dir(0x1.6b0eb0p-2f, 0x1.ff36a0p-2f, 0x1.44aa20p-4f)));
}

TEST_F(DistributionTest, HaltonDiffersFromItsLegacyVariantOnlyInTheThirdDimension) {
    INode* volume = boxNode(Point3(-3, -1, 0), Point3(5, 2, 4));
    DistributionInputs in = inputs({{volume, 1.f}}, {{smallBox(), 1.f}, {smallBox(), 2.f}});
    ScatterDistribution current, legacy;
    ASSERT_TRUE(current.gather(in, 0));
    ASSERT_TRUE(legacy.gather(in, 0));
    ScatterSettings s = settings(300, 11, 1, SCATTER_IN_BOUNDING_BOX);
    current.generate(s);
    s.legacy = true;
    legacy.generate(s);
    ASSERT_EQ(current.numInstances(), 300);
    ASSERT_EQ(legacy.numInstances(), 300);
    int differentY = 0;
    for (int i = 0; i < 300; ++i) {
        const ScatterInstance& a = current.instance(i);
        const ScatterInstance& b = legacy.instance(i);
        // In a box, sample dimension 3 is the y coordinate and nothing else.
        EXPECT_TRUE(sameBits(a.position.x, b.position.x));
        EXPECT_TRUE(sameBits(a.position.z, b.position.z));
        EXPECT_EQ(a.objectIndex, b.objectIndex);
        EXPECT_EQ(a.displayRandom, b.displayRandom);
        EXPECT_TRUE(sameBits(a.rotateRandom, b.rotateRandom));
        differentY += a.position.y != b.position.y;
    }
    EXPECT_GT(differentY, 290);
}

TEST_F(DistributionTest, SeedChangesEverythingRandomTypeOnlyPositionsAndObjects) {
    INode* volume = boxNode(Point3(0, 0, 0), Point3(10, 10, 10));
    DistributionInputs in = inputs({{volume, 1.f}}, {{smallBox(), 1.f}, {smallBox(), 1.f}});
    const auto run = [&](int32_t seed, int32_t type) {
        auto d = std::make_unique<ScatterDistribution>();
        d->gather(in, 0);
        d->generate(settings(50, seed, type, SCATTER_IN_BOUNDING_BOX));
        return d;
    };
    auto base = run(5, 0), otherType = run(5, 1), otherSeed = run(6, 0), again = run(5, 0);
    EXPECT_TRUE(sameInstances(*base, *again));
    int samePositions = 0, sameObjects = 0, sameRandomsOtherSeed = 0;
    for (int i = 0; i < 50; ++i) {
        const ScatterInstance& a = base->instance(i);
        const ScatterInstance& t = otherType->instance(i);
        const ScatterInstance& s = otherSeed->instance(i);
        EXPECT_EQ(a.displayRandom, t.displayRandom);
        EXPECT_TRUE(sameBits(a.scaleRandom, t.scaleRandom));
        EXPECT_TRUE(sameBits(a.translateRandom, t.translateRandom));
        EXPECT_TRUE(sameBits(a.rotateRandom, t.rotateRandom));
        samePositions += a.position == t.position;
        sameObjects += a.objectIndex == t.objectIndex;
        sameRandomsOtherSeed += a.displayRandom == s.displayRandom;
    }
    EXPECT_EQ(samePositions, 0);
    EXPECT_LT(sameObjects, 40);
    EXPECT_EQ(sameRandomsOtherSeed, 0);
}

TEST_F(DistributionTest, GeneratingTwiceGivesTheSameBits) {
    planeNode(-5, -5, 5, 5);
    INode* ground = planeNode(-5, -5, 5, 5, 1.f);
    auto map = std::make_unique<FunctionMap>([](ShadeContext& sc) { return 0.5f + 0.5f * std::sin(sc.P().x); });
    DistributionInputs in = inputs({{ground, 1.f}}, {{smallBox(0.2f), 1.f}});
    in.densityMap = map.get();
    in.scaleMap[0] = map.get();
    ScatterSettings s = settings(2000, 3, 1, SCATTER_ON_SURFACES);
    s.collisionDetect = true;
    ScatterDistribution a, b;
    ASSERT_TRUE(a.gather(in, 0));
    a.generate(s);
    ASSERT_GT(a.numInstances(), 0);
    ASSERT_TRUE(b.gather(in, 0));
    b.generate(s);
    b.generate(s);  // again on the same lists: the density map is applied once
    EXPECT_TRUE(sameInstances(a, b));
}

// ---------------------------------------------------------------------------
// Gathering

TEST_F(DistributionTest, SurfacePointsLieOnTheTransformedSurfaceWithItsNormal) {
    // Tilted, then stretched along z: a plain transform of the normal would
    // no longer be perpendicular to the surface.
    const Matrix3 tm = RotateXMatrix(0.6f) * ScaleMatrix(Point3(1.f, 1.f, 3.f)) * TransMatrix(Point3(1, 2, 3));
    INode* plane = planeNode(-1, -1, 1, 1, 0.f, tm);
    DistributionInputs in = inputs({{plane, 1.f}}, {{smallBox(), 1.f}});
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(in, 0));
    ASSERT_EQ(dist.triangles().size(), 2);
    dist.generate(settings(500, 2, 1, SCATTER_ON_SURFACES));
    ASSERT_EQ(dist.numInstances(), 500);

    const Pos o(tm.PointTransform(Point3(-1, -1, 0)).x, tm.PointTransform(Point3(-1, -1, 0)).y,
                tm.PointTransform(Point3(-1, -1, 0)).z);
    const Point3 ex = tm.VectorTransform(Point3(1, 0, 0)), ey = tm.VectorTransform(Point3(0, 1, 0));
    const Dir surfaceNormal = normalize(cross(Dir(ex.x, ex.y, ex.z), Dir(ey.x, ey.y, ey.z)));
    for (int i = 0; i < dist.numInstances(); ++i) {
        const ScatterInstance& inst = dist.instance(i);
        EXPECT_NEAR(dot(Dir(inst.position - o), surfaceNormal), 0.f, 1e-4f);
        EXPECT_NEAR(dot(inst.normal, surfaceNormal), 1.f, 1e-5f);
    }
    // Twice the world area of each half of the 2 x 2 square, summed.
    const float total = cross(Dir(ex.x, ex.y, ex.z), Dir(ey.x, ey.y, ey.z)).length() * 8.f;
    EXPECT_NEAR(dist.triangles()[1].cumulativeWeight, total, 1e-4f);
}

TEST_F(DistributionTest, WeightsVolumesAndBaseTransformsFromTheNodes) {
    // Densities scale the weights; the bounding box is in object space and
    // its volume is scaled by the lengths of the transform's rows.
    INode* a = planeNode(0, 0, 2, 1);
    INode* b = boxNode(Point3(0, 0, 0), Point3(1, 2, 3), ScaleMatrix(Point3(2, 1, 1)));
    INode* s = smallBox();
    Matrix3 nodeTm = RotateZMatrix(HALFPI) * TransMatrix(Point3(5, 6, 7));
    s->SetNodeTM(0, nodeTm);
    s->SetObjOffsetTM(TransMatrix(Point3(1, 0, 0)));
    DistributionInputs in = inputs({{a, 3.f}, {b, 0.5f}}, {{s, 2.f}});
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(in, 0));

    const auto& tris = dist.triangles();
    ASSERT_EQ(tris.size(), 2 + 12);
    EXPECT_FLOAT_EQ(tris[0].weight, 2.f * 3.f);  // |(p2 - p0) x (p1 - p0)| of a 2 x 1 half square, times 3
    EXPECT_FLOAT_EQ(tris[1].cumulativeWeight, 12.f);
    const auto& objs = dist.distributionObjects();
    ASSERT_EQ(objs.size(), 2);
    EXPECT_EQ(objs[1].bboxMax, Pos(1, 2, 3));
    EXPECT_FLOAT_EQ(objs[1].volumeWeight, 6.f * 0.5f * 2.f);
    EXPECT_FLOAT_EQ(objs[1].cumulativeVolume, objs[0].volumeWeight + objs[1].volumeWeight);
    EXPECT_EQ(objs[0].volumeWeight, 0.f);  // flat

    const auto& scattered = dist.scatteredObjects();
    ASSERT_EQ(scattered.size(), 1);
    EXPECT_EQ(scattered[0].bboxMin, Pos(-0.5f, -0.5f, -0.5f));
    EXPECT_EQ(scattered[0].cumulativeFrequency, 2.f);
    // The node's rotation, and the object offset (in world terms) as translation.
    const AffineTm& base = scattered[0].baseTm;
    const Point3 offset = s->GetObjectTM(0).GetTrans() - nodeTm.GetTrans();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(base.m[i][3], offset[i]);
        for (int j = 0; j < 3; ++j) EXPECT_EQ(base.m[i][j], nodeTm.GetRow(j)[i]);
    }
}

TEST_F(DistributionTest, DistributionMeshesAreReadThroughTheObjectOffset) {
    // A moved pivot moves the node, not the surface the user sees.
    INode* plane = planeNode(0, 0, 1, 1);
    plane->SetNodeTM(0, TransMatrix(Point3(10, 0, 0)));
    plane->SetObjOffsetTM(TransMatrix(Point3(0, 0, 5)));
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(inputs({{plane, 1.f}}, {{smallBox(), 1.f}}), 0));
    dist.generate(settings(100, 1, 1, SCATTER_ON_SURFACES));
    ASSERT_EQ(dist.numInstances(), 100);
    for (const ScatterInstance& inst : dist.instances()) {
        EXPECT_EQ(inst.position.z, 5.f);
        EXPECT_GE(inst.position.x, 10.f);
        EXPECT_LE(inst.position.x, 11.f);
    }
}

TEST_F(DistributionTest, TextureCoordinatesComeFromChannelOneOrElseFromWorldPositions) {
    INode* plain = planeNode(0, 0, 10, 10);
    INode* mapped = planeNode(0, 0, 10, 10);
    Mesh& mesh = static_cast<TriObject*>(mapped->GetObjectRef())->GetMesh();
    mesh.setNumTVerts(4);
    mesh.setNumTVFaces(2);
    const Point3 uv[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    for (int i = 0; i < 4; ++i) mesh.setTVert(i, uv[i]);
    mesh.mapFaces(1)[0] = TVFace(0, 1, 2);
    mesh.mapFaces(1)[1] = TVFace(0, 2, 3);

    auto u = std::make_unique<FunctionMap>([](ShadeContext& sc) { return sc.UVW(1).x; });
    auto p = std::make_unique<FunctionMap>([](ShadeContext& sc) { return sc.P().y; });
    auto n = std::make_unique<FunctionMap>([](ShadeContext& sc) { return sc.Normal().z; });
    for (INode* node : {plain, mapped}) {
        SCOPED_TRACE(node == plain ? "world positions" : "channel 1");
        DistributionInputs in = inputs({{node, 1.f}}, {{smallBox(), 1.f}});
        in.scaleMap[0] = u.get();
        in.scaleMap[1] = p.get();
        in.scaleMap[2] = n.get();
        ScatterDistribution dist;
        ASSERT_TRUE(dist.gather(in, 0));
        dist.generate(settings(50, 4, 1, SCATTER_ON_SURFACES));
        ASSERT_EQ(dist.numInstances(), 50);
        const float uScale = node == plain ? 1.f : 0.1f;
        for (const ScatterInstance& inst : dist.instances()) {
            EXPECT_NEAR(inst.scaleMapFactor.x, inst.position.x * uScale, 1e-4f);
            EXPECT_EQ(inst.scaleMapFactor.y, inst.position.y);
            EXPECT_EQ(inst.scaleMapFactor.z, 1.f);
        }
    }
}

TEST_F(DistributionTest, NodesThatCannotTakePartAreSkippedSilently) {
    INode* plane = planeNode(0, 0, 1, 1);
    INode* faceless = meshNode({{0, 0, 0}, {1, 0, 0}}, {});
    INode* dummy = ip_->CreateObjectNode(new DummyObject(), u"dummy");
    INode* empty = ip_->CreateObjectNode(nullptr, u"nothing");
    INode* scattered = smallBox();
    ScatterDistribution dist;

    // Distribution side: empty entries, objects without triangles or faces.
    ASSERT_TRUE(dist.gather(inputs({{nullptr, 1.f}, {faceless, 1.f}, {dummy, 1.f}, {plane, 1.f}},
                                   {{nullptr, 1.f}, {dummy, 1.f}, {empty, 1.f}, {scattered, 1.f}}),
                            0));
    EXPECT_EQ(dist.distributionObjects().size(), 1);
    EXPECT_EQ(dist.triangles().size(), 2);
    ASSERT_EQ(dist.scatteredObjects().size(), 1);
    EXPECT_EQ(dist.scatteredObjects()[0].node, scattered);

    // Either table empty: nothing is gathered at all.
    EXPECT_FALSE(dist.gather(inputs({}, {{scattered, 1.f}}), 0));
    EXPECT_FALSE(dist.gather(inputs({{plane, 1.f}}, {}), 0));
    EXPECT_TRUE(dist.triangles().isEmpty());
    EXPECT_TRUE(dist.scatteredObjects().isEmpty());
}

TEST_F(DistributionTest, EmptyOrWeightlessInputsGiveNoInstancesAndNoMessage) {
    INode* plane = planeNode(0, 0, 1, 1);
    INode* flat = planeNode(0, 0, 1, 1, 2.f);
    INode* obj = smallBox();
    struct Case {
        const char* name;
        std::vector<std::pair<INode*, float>> dist, scattered;
        int32_t mode;
    };
    const Case cases[] = {
        {"all frequencies zero", {{plane, 1.f}}, {{obj, 0.f}, {obj, 0.f}}, SCATTER_ON_SURFACES},
        {"negative frequency counts as zero", {{plane, 1.f}}, {{obj, -2.f}}, SCATTER_ON_SURFACES},
        {"zero density", {{plane, 0.f}}, {{obj, 1.f}}, SCATTER_ON_SURFACES},
        {"flat box has no volume", {{flat, 1.f}}, {{obj, 1.f}}, SCATTER_IN_BOUNDING_BOX},
        {"no rule for the mode", {{plane, 1.f}}, {{obj, 1.f}}, 65},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DebugLog::startCapture();
        ScatterDistribution dist;
        ASSERT_TRUE(dist.gather(inputs(c.dist, c.scattered), 0));
        EXPECT_EQ(dist.generate(settings(100, 1, 1, c.mode)), ScatterDistribution::Outcome::NoInput);
        EXPECT_EQ(dist.numInstances(), 0);
        EXPECT_TRUE(DebugLog::lines().empty());
    }
}

TEST_F(DistributionTest, BrokenGeometryNeverBreaksGathering) {
    // One good triangle among a degenerate one, one with a NaN corner, one
    // with an infinite corner and one that names a vertex the mesh lacks.
    INode* node = meshNode({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {NaN, 0, 0}, {INF, 0, 0}},
                           {{0, 1, 3}, {0, 4, 1}, {0, 1, 5}, {0, 1, 9}, {0, 1, 2}});
    INode* bad = meshNode({{0, 0, 0}, {INF, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    auto map = constantMap(1.f);
    for (int32_t mode : {SCATTER_ON_SURFACES, SCATTER_IN_BOUNDING_BOX}) {
        SCOPED_TRACE(mode);
        DistributionInputs in = inputs({{node, 1.f}, {bad, 1.f}}, {{smallBox(), 1.f}});
        in.densityMap = map.get();
        ScatterDistribution dist;
        ASSERT_TRUE(dist.gather(in, 0));
        ScatterSettings s = settings(300, 9, 1, mode);
        s.collisionDetect = true;
        const auto outcome = dist.generate(s);
        if (mode == SCATTER_IN_BOUNDING_BOX) {
            // Infinite boxes weigh nothing.
            EXPECT_EQ(outcome, ScatterDistribution::Outcome::NoInput);
            continue;
        }
        ASSERT_EQ(outcome, ScatterDistribution::Outcome::Generated);
        ASSERT_GT(dist.numInstances(), 0);
        for (const ScatterInstance& inst : dist.instances()) {
            // Only the good triangle (0, 1, 2) has weight.
            EXPECT_GE(inst.position.x, 0.f);
            EXPECT_GE(inst.position.y, 0.f);
            EXPECT_LE(inst.position.x + inst.position.y, 1.f + 1e-6f);
            EXPECT_EQ(inst.position.z, 0.f);
        }
    }
}

TEST_F(DistributionTest, AnObjectWithoutExtentIsAPointNotAllOfSpace) {
    INode* light = ip_->CreateObjectNode(new TargetObject(), u"no extent");
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(inputs({{planeNode(0, 0, 1, 1), 1.f}}, {{light, 1.f}}), 0));
    ASSERT_EQ(dist.scatteredObjects().size(), 1);
    EXPECT_EQ(dist.scatteredObjects()[0].bboxMin, Pos::ZERO);
    EXPECT_EQ(dist.scatteredObjects()[0].bboxMax, Pos::ZERO);
}

TEST_F(DistributionTest, MapsArePreparedAtTheCurrentTime) {
    auto density = constantMap(1.f);
    auto scale = constantMap(1.f);
    DistributionInputs in = inputs({{planeNode(0, 0, 1, 1), 1.f}}, {{smallBox(), 1.f}});
    in.densityMap = density.get();
    in.scaleMap[2] = scale.get();
    ip_->SetTime(960);
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(in, 0));
    dist.prepareMaps();
    EXPECT_EQ(density->updatedAt, std::vector<TimeValue>{960});
    EXPECT_EQ(scale->updatedAt, std::vector<TimeValue>{960});
    ip_->SetTime(0);
}

// ---------------------------------------------------------------------------
// Picking

TEST(PickCumulative, FirstRecordAboveTheTargetSoZeroWeightsAreNeverPicked) {
    // Weights 0, 0, 1, 0, 2, 0: running sums below.
    const float sums[] = {0.f, 0.f, 1.f, 1.f, 3.f, 3.f};
    struct Case {
        float target;
        int32_t expected;
    };
    const Case cases[] = {
        {0.f, 2}, {0.5f, 2}, {0.99f, 2}, {1.f, 4},  // a tie goes to the later record
        {2.9f, 4}, {3.f, 4}, {INF, 4}, {NaN, 4},   // past the total: the last weighted record
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(pickCumulative(sums, 6, c.target), c.expected);
    }
}

TEST(CumulativeSearch, PicksAsTheBinarySearchDoesOnLongLists) {
    // Lists across one, two and three levels of blocks, with runs of zero
    // weights (equal running sums) and targets on, between and past them.
    for (int32_t count : {1, 15, 16, 17, 256, 257, 5000}) {
        SCOPED_TRACE(count);
        Xorshift128 g = seedXorshift128(uint32_t(count));
        std::vector<float> sums;
        float running = 0.f;
        for (int32_t k = 0; k < count; ++k) {
            running += g.next() % 3 == 0 ? 0.f : float(g.next() % 4);
            sums.push_back(running);
        }
        if (running == 0.f) sums.back() = running = 1.f;
        CumulativeSearch search;
        search.build(sums.data(), count);
        std::vector<float> targets = {0.f, running, running * 2.f, INF, NaN, -1.f};
        for (float v : sums) targets.push_back(v);
        for (int k = 0; k < 2000; ++k) targets.push_back(g.nextUnit() * running);
        std::vector<int32_t> batch(targets.size());
        for (size_t start = 0; start < targets.size(); start += 32) {
            const int32_t n = int32_t(std::min<size_t>(32, targets.size() - start));
            search.pick(targets.data() + start, batch.data() + start, n);
        }
        for (size_t k = 0; k < targets.size(); ++k) {
            const int32_t expected = pickCumulative(sums.data(), count, targets[k]);
            ASSERT_EQ(search.pick(targets[k]), expected) << targets[k];
            ASSERT_EQ(batch[k], expected) << targets[k];
        }
    }
}

TEST_F(DistributionTest, FrequenciesOfZeroAreNeverChosen) {
    INode* a = smallBox();
    INode* b = smallBox();
    INode* c = smallBox();
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(inputs({{planeNode(0, 0, 1, 1), 1.f}}, {{a, 0.f}, {b, 1.f}, {c, 0.f}}), 0));
    dist.generate(settings(500, 1, 1, SCATTER_ON_SURFACES));
    ASSERT_EQ(dist.numInstances(), 500);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(dist.instanceNode(i), b);
    EXPECT_EQ(dist.instanceNode(500), nullptr);
    EXPECT_EQ(dist.instanceNode(-1), nullptr);
}

// ---------------------------------------------------------------------------
// Instance transforms

TEST(FrameFromNormal, HelperAxisByTheNormalsZ) {
    struct Case {
        Dir n;
        Dir x, y;  // images of local X and Y
    };
    const float len = std::sqrt(0.0099990000f * 0.0099990000f + 0.99980001f * 0.99980001f);
    const Case cases[] = {
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   // X helper
        {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}},  // X helper, upside down
        {{0, 0.9999f, 0.01f}, {0, -0.009999f / len, 0.99980001f / len}, {1, 0, 0}},  // Z helper
        {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}},  // Z helper
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n.x << " " << c.n.y << " " << c.n.z);
        const AffineTm f = frameFromNormal(c.n);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(f.column(0)[i], c.x[i], 1e-6f);
            EXPECT_NEAR(f.column(1)[i], c.y[i], 1e-6f);
            EXPECT_EQ(f.column(2)[i], c.n[i]);
            EXPECT_EQ(f.m[i][3], 0.f);
        }
    }
}

class InstanceTmTest : public DistributionTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dist.gather(inputs({{planeNode(0, 0, 1, 1), 1.f}}, {{smallBox(), 1.f}}), 0));
        s = settings(0, 1, 1, SCATTER_ON_SURFACES);
        inst.position = Pos(10, 20, 30);
        inst.normal = Dir::UNIT_Z;
    }
    Pos apply(const Pos& p) const { return dist.instanceTm(inst, s) * p; }

    ScatterDistribution dist;
    ScatterSettings s;
    ScatterInstance inst;
};

TEST_F(InstanceTmTest, ScaleRotateTranslateAlignAndPlaceInThatOrder) {
    // Scale 2, then 90 degrees about z with the rows (c, s, 0), (-s, c, 0):
    // (1, 0, 0) -> (2, 0, 0) -> (0, -2, 0); translate by (1, 0, 0); the +z
    // frame is the identity; then the position.
    s.scaleMin = Dir(2, 2, 2);
    s.rotateMin = Dir(0, 0, HALFPI);
    s.translateMin = Dir(1, 0, 0);
    s.alignNormals = true;
    const Pos p = apply(Pos(1, 0, 0));
    EXPECT_NEAR(p.x, 11.f, 1e-5f);
    EXPECT_NEAR(p.y, 18.f, 1e-5f);
    EXPECT_NEAR(p.z, 30.f, 1e-5f);

    // About x (rows (1, 0, 0), (0, c, s), (0, -s, c)) before y (rows (c, 0, -s),
    // (0, 1, 0), (s, 0, c)): (0, 1, 0) -> (0, 0, -1) -> (1, 0, 0).
    s.scaleMin = Dir::ONES;
    s.rotateMin = Dir(HALFPI, HALFPI, 0);
    s.translateMin = Dir::ZERO;
    const Pos q = apply(Pos(0, 1, 0));
    EXPECT_NEAR(q.x, 11.f, 1e-5f);
    EXPECT_NEAR(q.y, 20.f, 1e-5f);
    EXPECT_NEAR(q.z, 30.f, 1e-5f);

    // An upside-down normal turns the translation with the object.
    s.rotateMin = Dir::ZERO;
    s.translateMin = Dir(0, 1, 1);
    inst.normal = Dir(0, 0, -1);
    const Pos r = apply(Pos::ZERO);
    EXPECT_NEAR(r.y, 19.f, 1e-6f);
    EXPECT_NEAR(r.z, 29.f, 1e-6f);
    s.alignNormals = false;
    EXPECT_NEAR(apply(Pos::ZERO).z, 31.f, 1e-6f);
}

TEST_F(InstanceTmTest, RangesTakeTheInstancesRandomNumbers) {
    s.translateMin = Dir(1, 2, 3);
    s.translateRange = Dir(2, 4, 8);
    inst.translateRandom = Dir(0.5f, 0.25f, 0.125f);
    const Pos p = apply(Pos::ZERO);
    EXPECT_EQ(p, Pos(12, 23, 34));
}

TEST_F(InstanceTmTest, UniformScalingUsesTheXRandomAndTheXMapFactor) {
    s.scaleMin = Dir(1, 2, 3);
    s.scaleRange = Dir(2, 4, 6);
    inst.scaleRandom = Dir(0.5f, 0.25f, 0.75f);
    inst.scaleMapFactor = Dir(2, 3, 4);
    inst.position = Pos::ZERO;
    s.uniformScale = false;
    EXPECT_EQ(apply(Pos::ONES), Pos((2 * 0.5f + 1) * 2, (4 * 0.25f + 2) * 3, (6 * 0.75f + 3) * 4));
    s.uniformScale = true;
    s.applyUniformScale();
    EXPECT_EQ(apply(Pos::ONES), Pos(4, 4, 4));
}

TEST_F(DistributionTest, SettingsFromTheScatterBlock) {
    auto* scatter = static_cast<Scatter*>(scatterClassDesc()->Create(FALSE));
    ASSERT_NE(scatter, nullptr);
    IParamBlock2* pb = scatter->GetParamBlock(0);
    pb->SetValue(scatter_count, 0, 77);
    pb->SetValue(scatter_displayedFraction, 0, 25.f);
    pb->SetValue(scatter_scaleMin, 0, Point3(0.5f, 2.f, 3.f));
    pb->SetValue(scatter_scaleMax, 0, Point3(1.5f, 5.f, 9.f));
    pb->SetValue(scatter_rotateMin, 0, Point3(0.1f, 0.2f, 0.3f));
    pb->SetValue(scatter_rotateMax, 0, Point3(0.5f, 0.2f, 0.f));

    ScatterSettings s = ScatterSettings::read(pb, 0, true);
    EXPECT_EQ(s.count, 77);
    EXPECT_EQ(s.seed, 1);
    EXPECT_EQ(s.randomType, 1);
    EXPECT_EQ(s.scatterType, SCATTER_ON_SURFACES);
    EXPECT_EQ(s.displayedFraction, 0.25f);
    EXPECT_EQ(s.previzType, 3);
    EXPECT_TRUE(s.alignNormals);
    EXPECT_FALSE(s.collisionDetect);
    EXPECT_TRUE(s.legacy);
    EXPECT_TRUE(std::isnan(s.lastRenderCamera.x));
    EXPECT_EQ(s.rotateRange, Dir(0.5f - 0.1f, 0.f, -0.3f));
    // Uniform scaling (the default): y and z follow x.
    EXPECT_EQ(s.scaleMin, Dir(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(s.scaleRange, Dir(1.f, 1.f, 1.f));
    pb->SetValue(scatter_uniformScaling, 0, 0);
    s = ScatterSettings::read(pb, 0, false);
    EXPECT_EQ(s.scaleMin, Dir(0.5f, 2.f, 3.f));
    EXPECT_EQ(s.scaleRange, Dir(1.f, 3.f, 6.f));

    // Node tables with their companion tables.
    INode* plane = planeNode(0, 0, 1, 1);
    INode* obj = smallBox();
    PB2Value node;
    node.r = plane;
    pb->Append(scatter_distributionObjects, 1, &node);
    if (pb->Count(scatter_distributionObjectsDensity) == 0) pb->SetCount(scatter_distributionObjectsDensity, 1);
    pb->SetValue(scatter_distributionObjectsDensity, 0, 4.f, 0);
    node.r = obj;
    pb->Append(scatter_scatteredObjects, 1, &node);
    // The block's reference owns the map from here on.
    FunctionMap* map = constantMap(1.f).release();
    pb->SetValue(scatter_scaleMapY, 0, map);
    DistributionInputs in = DistributionInputs::read(pb, 0);
    ASSERT_EQ(in.distribution.size(), 1);
    EXPECT_EQ(in.distribution[0].node, plane);
    EXPECT_EQ(in.distribution[0].weight, 4.f);
    ASSERT_EQ(in.scattered.size(), 1);
    EXPECT_EQ(in.scattered[0].node, obj);
    EXPECT_EQ(in.scattered[0].weight, 1.f);
    EXPECT_EQ(in.densityMap, nullptr);
    EXPECT_EQ(in.scaleMap[1], map);
    scatter->DeleteThis();
}

// ---------------------------------------------------------------------------
// Density tables

struct TableCase {
    const char* name;
    int32_t n;
    std::vector<float> grid;
    std::vector<DensityRect> rects;
    float mean;
};

void expectTable(const TableCase& c) {
    SCOPED_TRACE(c.name);
    std::vector<float> grid = c.grid;
    DensityTable table;
    EXPECT_FLOAT_EQ(table.fromGrid(grid.data(), c.n), c.mean);
    ASSERT_EQ(table.rects.size(), int32_t(c.rects.size()));
    float running = 0.f;
    for (int32_t k = 0; k < table.rects.size(); ++k) {
        SCOPED_TRACE(k);
        const DensityRect& r = table.rects[k];
        const DensityRect& e = c.rects[size_t(k)];
        EXPECT_EQ(r.u0, e.u0);
        EXPECT_EQ(r.v0, e.v0);
        EXPECT_EQ(r.du, e.du);
        EXPECT_EQ(r.dv, e.dv);
        EXPECT_FLOAT_EQ(r.density, e.density);
        running += r.du * r.dv * r.density;
        EXPECT_EQ(table.cdf[k], running);
    }
    EXPECT_EQ(table.lookup.size(), 4 * table.rects.size() + 1);
    EXPECT_EQ(table.lookup.top(), table.rects.size());
}

TEST(DensityTable, GridsMergeIntoRectanglesOfEqualDensity) {
    const TableCase cases[] = {
        {"constant: one rectangle", 8, std::vector<float>(64, 2.5f), {{0, 0, 1, 1, 2.5f}}, 2.5f},
        {"zero: the whole square at density 1, mean 0", 4, std::vector<float>(16, 0.f), {{0, 0, 1, 1, 1.f}}, 0.f},
        {"two row bands", 4, {1, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3, 3},
         {{0, 0, 0.5f, 1, 1}, {0.5f, 0, 0.5f, 1, 3}}, 2.f},
        {"zero column band is dropped", 4, {2, 2, 0, 0, 2, 2, 0, 0, 2, 2, 0, 0, 2, 2, 0, 0}, {{0, 0, 1, 0.5f, 2}}, 1.f},
        {"nothing merges", 2, {1, 2, 3, 4},
         {{0, 0, 0.5f, 0.5f, 1}, {0, 0.5f, 0.5f, 0.5f, 2}, {0.5f, 0, 0.5f, 0.5f, 3}, {0.5f, 0.5f, 0.5f, 0.5f, 4}},
         2.5f},
        {"a run stops at the first row that differs", 2, {1, 1, 1, 2},
         {{0, 0, 0.5f, 1, 1}, {0.5f, 0, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 0.5f, 2}}, 1.25f},
        {"values closer than 0.0001 join and average", 2, {1.f, 1.00005f, 1.f, 1.00005f},
         {{0, 0, 1, 1, 1.000025f}}, 1.000025f},
        {"negative and undefined samples count as zero", 2, {-5.f, NaN, 1.f, 1.f}, {{0.5f, 0, 0.5f, 1, 1}}, 0.5f},
        {"a one-cell grid", 1, {0.75f}, {{0, 0, 1, 1, 0.75f}}, 0.75f},
    };
    for (const TableCase& c : cases) expectTable(c);
}

TEST(DensityTable, LookupPointsAtTheFirstRectangleReachingEachStep) {
    std::vector<float> grid = {1, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3, 3};
    DensityTable table;
    table.fromGrid(grid.data(), 4);
    // cdf (0.5, 2); 9 entries at steps of 2/8.
    EXPECT_EQ(table.lookupScale, 4.f);
    const int32_t expected[] = {0, 0, 0, 1, 1, 1, 1, 1, 2};
    ASSERT_EQ(table.lookup.size(), 9);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(table.lookup[k], expected[k]) << k;
}

TEST(DensityTable, RemappingSendsPointsToRectanglesByTheirShare) {
    std::vector<float> grid = {1, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3, 3};
    DensityTable bands;
    bands.fromGrid(grid.data(), 4);
    struct Case {
        float a, b, ea, eb;
    };
    // A quarter of the mass is in the first band (u below 0.5).
    const Case cases[] = {
        {0.f, 0.3f, 0.f, 0.3f},
        {0.125f, 0.3f, 0.25f, 0.3f},
        {0.25f, 0.7f, 0.5f, 0.7f},
        {0.625f, 0.1f, 0.75f, 0.1f},
        {1.f - 0x1p-23f, 0.5f, 1.f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a);
        float a = c.a, b = c.b;
        bands.remap(a, b);
        EXPECT_NEAR(a, c.ea, 1e-6f);
        EXPECT_EQ(b, c.eb);
        EXPECT_LT(a, 1.f);
    }

    std::vector<float> constant(49, 2.f);
    DensityTable one;
    one.fromGrid(constant.data(), 7);
    for (float a : {0.f, 0.1f, 0.2499f, 0.5f, 0.9f, 0.99999f}) {
        float ra = a, rb = 0.25f;
        one.remap(ra, rb);
        EXPECT_NEAR(ra, a, 1e-6f) << a;
        EXPECT_EQ(rb, 0.25f);
    }
}

TEST(DensityTable, EvenlySpreadInputsFillEachRectangleByItsShare) {
    // A 16 x 16 grid of assorted values, some repeated so that runs form.
    std::vector<float> grid(256);
    Xorshift128 g = seedXorshift128(99);
    for (float& v : grid) v = float(g.next() % 5) * 0.5f;
    DensityTable table;
    table.fromGrid(grid.data(), 16);
    ASSERT_GT(table.rects.size(), 20);
    const int n = 200000;
    std::vector<int> hits(size_t(table.rects.size()), 0);
    for (int k = 0; k < n; ++k) {
        float a = (float(k) + 0.5f) / float(n), b = 0.5f;
        table.remap(a, b);
        int found = -1;
        for (int32_t m = 0; m < table.rects.size(); ++m) {
            const DensityRect& r = table.rects[m];
            if (a >= r.u0 && a < r.u0 + r.du && b >= r.v0 && b < r.v0 + r.dv) found = m;
        }
        ASSERT_GE(found, 0) << a;
        ++hits[size_t(found)];
    }
    const float total = table.cdf.top();
    for (int32_t m = 0; m < table.rects.size(); ++m) {
        const DensityRect& r = table.rects[m];
        const float share = r.du * r.dv * r.density / total;
        EXPECT_NEAR(float(hits[size_t(m)]) / float(n), share, 2e-4f) << m;
    }
}

TEST_F(DistributionTest, ConstantDensityMapKeepsTheLayoutAndScalesTheWeight) {
    INode* plane = planeNode(-1, -1, 1, 1);
    auto map = constantMap(2.5f);
    DistributionInputs plain = inputs({{plane, 1.f}}, {{smallBox(), 1.f}});
    DistributionInputs mapped = inputs({{plane, 1.f}}, {{smallBox(), 1.f}});
    mapped.densityMap = map.get();
    ScatterDistribution a, b;
    ASSERT_TRUE(a.gather(plain, 0));
    ASSERT_TRUE(b.gather(mapped, 0));
    a.generate(settings(1000, 8, 1, SCATTER_ON_SURFACES));
    b.generate(settings(1000, 8, 1, SCATTER_ON_SURFACES));
    ASSERT_EQ(b.numInstances(), 1000);
    for (int32_t k = 0; k < 2; ++k) {
        const DistributionTriangle& tri = b.triangles()[k];
        ASSERT_EQ(tri.density.rects.size(), 1);
        const DensityRect& r = tri.density.rects[0];
        EXPECT_EQ(r.u0, 0.f);
        EXPECT_EQ(r.v0, 0.f);
        EXPECT_EQ(r.du, 1.f);
        EXPECT_EQ(r.dv, 1.f);
        EXPECT_EQ(r.density, 2.5f);
        EXPECT_EQ(tri.weight, a.triangles()[k].weight * 2.5f);
    }
    int same = 0;
    for (int i = 0; i < 1000; ++i) {
        const Pos d = a.instance(i).position - Dir(b.instance(i).position);
        same += std::fabs(d.x) < 1e-5f && std::fabs(d.y) < 1e-5f;
    }
    EXPECT_GE(same, 995);  // a pick right at the triangles' border may round the other way
}

TEST_F(DistributionTest, ZeroDensityMapLeavesNothing) {
    INode* plane = planeNode(0, 0, 1, 1);
    INode* other = planeNode(2, 0, 3, 1);
    auto zero = constantMap(0.f);
    auto leftOnly = std::make_unique<FunctionMap>([](ShadeContext& sc) { return sc.P().x < 1.5f ? 0.f : 1.f; });
    for (FunctionMap* map : {zero.get(), leftOnly.get()}) {
        DistributionInputs in = inputs({{plane, 1.f}, {other, 1.f}}, {{smallBox(), 1.f}});
        in.densityMap = map;
        ScatterDistribution dist;
        ASSERT_TRUE(dist.gather(in, 0));
        DebugLog::startCapture();
        const auto outcome = dist.generate(settings(500, 1, 1, SCATTER_ON_SURFACES));
        EXPECT_EQ(dist.triangles()[0].weight, 0.f);
        EXPECT_EQ(dist.triangles()[1].weight, 0.f);
        if (map == zero.get()) {
            EXPECT_EQ(outcome, ScatterDistribution::Outcome::NoInput);
            EXPECT_EQ(dist.numInstances(), 0);
            EXPECT_TRUE(DebugLog::lines().empty());
        } else {
            ASSERT_EQ(dist.numInstances(), 500);
            for (const ScatterInstance& inst : dist.instances()) EXPECT_GE(inst.position.x, 2.f);
        }
    }
}

TEST_F(DistributionTest, DensityMapDrawsInstancesToTheDenseParts) {
    INode* plane = planeNode(-1, -1, 1, 1);
    auto halves = std::make_unique<FunctionMap>([](ShadeContext& sc) { return sc.P().x < 0.f ? 1.f : 0.f; });
    DistributionInputs in = inputs({{plane, 1.f}}, {{smallBox(), 1.f}});
    in.densityMap = halves.get();
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(in, 0));
    dist.generate(settings(1000, 2, 1, SCATTER_ON_SURFACES));
    ASSERT_EQ(dist.numInstances(), 1000);
    // Each triangle gets a 100 x 100 grid (20 000 samples over two equal
    // triangles); a cell straddling x = 0 may count as dense, and cells near
    // the x = 0 line are up to 0.04 wide.
    for (const ScatterInstance& inst : dist.instances()) EXPECT_LT(inst.position.x, 0.05f);
    int left = 0;
    for (const ScatterInstance& inst : dist.instances()) left += inst.position.x < -0.5f;
    EXPECT_NEAR(left / 1000.0, 0.5, 0.05);  // evenly over the dense half
}

TEST_F(DistributionTest, DensityBudgetBoundsMapEvaluations) {
    // A large and a tiny triangle: the budget of count * 20 (at least 10 000)
    // goes by weight, but every triangle gets at least 50 samples.
    INode* big = meshNode({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}}, {{0, 1, 2}});
    INode* tiny = meshNode({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    struct Case {
        int32_t count;
        int expectedCalls;
    };
    const Case cases[] = {
        {10, 99 * 99 + 7 * 7},                 // budget 10 000: 9999 samples -> 99 x 99
        {1000, 141 * 141 + 7 * 7},             // budget 20 000: 19 998 -> 141 x 141
        {300000, 2235 * 2235 + 22 * 22},       // budget 6 000 000 held to 5 000 000: 4 999 500 and 500
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        auto map = constantMap(1.f);
        DistributionInputs in = inputs({{big, 1.f}, {tiny, 1.f}}, {{smallBox(), 1.f}});
        in.densityMap = map.get();
        ScatterDistribution dist;
        ASSERT_TRUE(dist.gather(in, 0));
        dist.generate(settings(c.count, 1, 1, SCATTER_ON_SURFACES));
        EXPECT_EQ(map->calls, c.expectedCalls);
    }
}

// ---------------------------------------------------------------------------
// Collisions

TEST(BoxIndex, TouchingBoxesOverlap) {
    const AlignedBox unit{{0, 0, 0}, {1, 1, 1}};
    struct Case {
        const char* name;
        AlignedBox other;
        bool overlaps;
    };
    const float next = std::nextafter(1.f, 2.f);
    const Case cases[] = {
        {"same", unit, true},
        {"inside", {{0.2f, 0.2f, 0.2f}, {0.3f, 0.3f, 0.3f}}, true},
        {"touching face", {{1, 0, 0}, {2, 1, 1}}, true},
        {"touching edge", {{1, 1, 0}, {2, 2, 1}}, true},
        {"touching corner", {{1, 1, 1}, {2, 2, 2}}, true},
        {"one float apart", {{next, 0, 0}, {2, 1, 1}}, false},
        {"apart on z only", {{0, 0, -2}, {1, 1, -1}}, false},
        {"flat inside", {{0.5f, 0.5f, 0.5f}, {0.6f, 0.6f, 0.5f}}, true},
        {"undefined", {{NaN, 0, 0}, {1, 1, 1}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(unit.overlaps(c.other), c.overlaps);
        EXPECT_EQ(c.other.overlaps(unit), c.overlaps);
        BoxIndex index;
        index.insert(unit);
        EXPECT_EQ(index.overlapsAny(c.other), c.overlaps);
    }
}

TEST(BoxIndex, AnswersAsAScanOfEveryStoredBox) {
    struct Case {
        const char* name;
        float flatness;  // z extent relative to x and y
        float grid;      // snap corners to this step, so that many touch
    };
    const Case cases[] = {{"solid boxes", 1.f, 0.f}, {"flat boxes", 0.f, 0.f}, {"touching on a grid", 1.f, 0.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Xorshift128 g = seedXorshift128(4242);
        const auto coord = [&](float scale) {
            float v = g.nextUnit() * scale;
            return c.grid > 0.f ? std::floor(v / c.grid) * c.grid : v;
        };
        BoxIndex index;
        std::vector<AlignedBox> stored;
        for (int k = 0; k < 4000; ++k) {
            AlignedBox b;
            b.min = Pos(coord(100.f), coord(100.f), c.flatness > 0.f ? coord(100.f) : 0.f);
            const float size = c.grid > 0.f ? c.grid : g.nextUnit() * 2.f;
            b.max = b.min + Dir(size, size, size * c.flatness);
            bool expected = false;
            for (const AlignedBox& s : stored) expected = expected || s.overlaps(b);
            ASSERT_EQ(index.overlapsAny(b), expected) << k;
            if (k % 500 == 0) {
                // Many questions at once get the answers of one at a time.
                std::vector<AlignedBox> asked;
                for (int q = 0; q < BoxIndex::MAX_BATCH; ++q) {
                    const Pos lo(coord(100.f), coord(100.f), coord(100.f));
                    asked.push_back({lo, lo + Dir(3, 3, 3)});
                }
                asked[5] = {{NaN, 0, 0}, {1, 1, 1}};
                asked[6] = {{50, 50, 50}, {40, 40, 40}};  // inverted
                bool hits[BoxIndex::MAX_BATCH];
                index.overlapsAny(asked.data(), hits, BoxIndex::MAX_BATCH);
                for (int q = 0; q < BoxIndex::MAX_BATCH; ++q) {
                    bool one = false;
                    for (const AlignedBox& s : stored) one = one || s.overlaps(asked[size_t(q)]);
                    ASSERT_EQ(hits[q], one) << q;
                    ASSERT_EQ(index.overlapsAny(asked[size_t(q)]), one) << q;
                }
            }
            // Keep every other box whatever it overlaps, so the tree also
            // holds overlapping ones.
            if (!expected || k % 2 == 0) {
                index.insert(b);
                stored.push_back(b);
            }
        }
        EXPECT_EQ(index.size(), int64_t(stored.size()));
        EXPECT_LT(index.depth(), 40);
    }
}

TEST(BoxIndex, UndefinedBoxesAreNotKept) {
    BoxIndex index;
    index.insert({{NaN, 0, 0}, {1, 1, 1}});
    EXPECT_TRUE(index.isEmpty());
    index.insert({{0, 0, 0}, {1, 1, 1}});
    index.insert({{0, NaN, 0}, {5, 5, 5}});
    EXPECT_EQ(index.size(), 1);
    EXPECT_FALSE(index.overlapsAny({{2, 2, 2}, {3, 3, 3}}));
    EXPECT_TRUE(index.overlapsAny({{0.5f, 0.5f, 0.5f}, {3, 3, 3}}));
}

TEST_F(DistributionTest, CollisionRejectionKeepsExactlyTheCandidatesThatFitAmongEarlierOnes) {
    INode* volume = boxNode(Point3(0, 0, 0), Point3(12, 12, 12));
    INode* cube = smallBox(0.5f);
    INode* slab = boxNode(Point3(-1, -1, -0.1f), Point3(1, 1, 0.1f));
    for (int32_t mode : {SCATTER_IN_BOUNDING_BOX, SCATTER_ON_SURFACES}) {
        SCOPED_TRACE(mode);
        DistributionInputs in = inputs({{volume, 1.f}}, {{cube, 1.f}, {slab, 1.f}});
        ScatterSettings s = settings(3000, 21, 1, mode);
        s.rotateRange = Dir(1, 2, 3);
        s.scaleRange = Dir(1, 1, 1);
        s.alignNormals = true;

        // All candidates, then the rule applied by a plain scan.
        ScatterDistribution all;
        ASSERT_TRUE(all.gather(in, 0));
        all.generate(s);
        ASSERT_EQ(all.numInstances(), 3000);
        std::vector<ScatterInstance> kept;
        std::vector<AlignedBox> boxes;
        for (const ScatterInstance& inst : all.instances()) {
            const AlignedBox b = boxOf(all.instanceTm(inst, s), all.scatteredObjects()[inst.objectIndex]);
            bool hit = false;
            for (const AlignedBox& o : boxes) hit = hit || o.overlaps(b);
            if (hit) continue;
            boxes.push_back(b);
            kept.push_back(inst);
        }

        s.collisionDetect = true;
        ScatterDistribution checked;
        ASSERT_TRUE(checked.gather(in, 0));
        checked.generate(s);
        ASSERT_EQ(checked.numInstances(), int32_t(kept.size()));
        EXPECT_LT(checked.numInstances(), 3000);
        EXPECT_GT(checked.numInstances(), 50);
        EXPECT_EQ(std::memcmp(checked.instances().data(), kept.data(), sizeof(ScatterInstance) * kept.size()), 0);
    }
}

// A stream of boxes through the index as a generation pass sends them:
// each box is prepared and prefetched a few boxes ahead of its question, and
// kept when nothing stored overlaps it (or, with keepAnyway, every fourth box
// whatever it overlaps), mostly through its prepared lookup. Every
// `stride`-th answer, and every answer of the single-box and batched forms
// asked alongside, is checked against a scan of the boxes stored so far.
void expectScanAnswers(BoxIndex& index, int count, int stride, bool keepAnyway,
                       const std::function<AlignedBox(int)>& make) {
    constexpr int AHEAD = BoxIndex::PREFETCH_STEPS;
    std::vector<AlignedBox> stored;
    std::vector<BoxIndex::Lookup> lookups(static_cast<size_t>(count));
    const auto scan = [&](const AlignedBox& b) {
        for (const AlignedBox& s : stored)
            if (s.overlaps(b)) return true;
        return false;
    };
    for (int k = 0; k < std::min(count, AHEAD); ++k) index.prepare(make(k), lookups[size_t(k)]);
    for (int k = 0; k < count; ++k) {
        if (k + AHEAD < count) index.prepare(make(k + AHEAD), lookups[size_t(k + AHEAD)]);
        for (int step = 0; step < AHEAD; ++step)
            if (k + AHEAD - step < count) index.prefetch(lookups[size_t(k + AHEAD - step)], step);
        BoxIndex::Lookup& lookup = lookups[size_t(k)];
        const AlignedBox box = lookup.box;
        const bool hit = index.overlapsAny(lookup);
        if (k % stride == 0) {
            const bool expected = scan(box);
            ASSERT_EQ(hit, expected) << "box " << k;
            ASSERT_EQ(index.overlapsAny(box), expected) << "box " << k;
            bool batched[2] = {!expected, expected};
            const AlignedBox twice[2] = {box, box};
            index.overlapsAny(twice, batched, 2);
            ASSERT_EQ(batched[0], expected) << "box " << k;
            ASSERT_EQ(batched[1], expected) << "box " << k;
        }
        if (!hit || (keepAnyway && k % 4 == 0)) {
            // Kept as placed for its question, or placed anew.
            if (k % 3 != 0)
                index.insert(lookup);
            else
                index.insert(box);
            if (box.min.x <= box.max.x && box.min.y <= box.max.y && box.min.z <= box.max.z) stored.push_back(box);
        }
    }
    EXPECT_EQ(index.size(), int64_t(stored.size()));
}

// Layouts that take the index down each of its roads: cells of alike boxes,
// a new cell size when the sizes shift, boxes too large for the cells and
// queries reaching too many of them, flat boxes on one plane, a thin layer
// with one cell across that later boxes leave, points, boxes
// beyond the grid's reach or without end, boxes that touch along cell
// borders, and enough boxes for the prefetch hints to start.
TEST(BoxIndex, AnswersAsAScanOnEveryRoad) {
    struct Case {
        const char* name;
        int count;
        int stride;
        bool keepAnyway;
        std::function<AlignedBox(Xorshift128&, int)> make;
        std::function<void(const BoxIndex&)> check;
    };
    const auto boxAt = [](float x, float y, float z, float sx, float sy, float sz) {
        return AlignedBox{{x, y, z}, {x + sx, y + sy, z + sz}};
    };
    const Case cases[] = {
        {"alike boxes", 6000, 1, false,
         [&](Xorshift128& g, int) {
             return boxAt(g.nextUnit() * 150, g.nextUnit() * 150, g.nextUnit() * 3, 0.5f + g.nextUnit(),
                          0.5f + g.nextUnit(), 0.5f + g.nextUnit());
         },
         [](const BoxIndex& index) {
             EXPECT_EQ(index.gridBoxes(), index.size());
             EXPECT_EQ(index.regrids(), 1);
         }},
        {"sizes that shift", 6000, 1, false,
         [&](Xorshift128& g, int k) {
             if (k < 3000) {
                 const float size = 0.05f + 0.1f * g.nextUnit();
                 return boxAt(g.nextUnit() * 40, g.nextUnit() * 40, 0.f, size, size, size);
             }
             const float size = 2.f + 2.f * g.nextUnit();
             return boxAt(g.nextUnit() * 300 - 100, g.nextUnit() * 300, 0.f, size, size, size);
         },
         [](const BoxIndex& index) { EXPECT_GE(index.regrids(), 2); }},
        {"some boxes far larger", 5000, 1, true,
         [&](Xorshift128& g, int k) {
             const float size = k % 7 == 3 ? 20.f + 40.f * g.nextUnit() : 0.5f + g.nextUnit();
             return boxAt(g.nextUnit() * 300, g.nextUnit() * 300, g.nextUnit(), size, size, size);
         },
         [](const BoxIndex& index) {
             EXPECT_GT(index.outlierBoxes(), 0);
             EXPECT_GT(index.depth(), 0);  // wide queries asked the hierarchy of all boxes
         }},
        {"flat on one plane", 5000, 1, false,
         [&](Xorshift128& g, int) {
             return boxAt(g.nextUnit() * 120, g.nextUnit() * 120, 0.f, 0.5f + g.nextUnit(), 0.5f + g.nextUnit(), 0.f);
         },
         {}},
        {"a thin rolling layer, then boxes above and below it", 6000, 1, true,
         [&](Xorshift128& g, int k) {
             const float x = g.nextUnit() * 200, y = g.nextUnit() * 200;
             const float z = k < 2000 ? 3.f * std::sin(x * 0.1f) : (g.nextUnit() - 0.5f) * 60.f;
             return boxAt(x, y, z, 0.5f + g.nextUnit(), 0.5f + g.nextUnit(), 0.5f + g.nextUnit());
         },
         {}},
        {"points", 4000, 1, true,
         [&](Xorshift128& g, int) {
             const float x = std::floor(g.nextUnit() * 40), y = std::floor(g.nextUnit() * 40);
             return boxAt(x, y, 1.f, 0.f, 0.f, 0.f);
         },
         {}},
        {"far away, endless and undefined", 4000, 1, true,
         [&](Xorshift128& g, int k) {
             AlignedBox b = boxAt(g.nextUnit() * 100, g.nextUnit() * 100, 0.f, 1.f, 1.f, 1.f);
             switch (k % 11) {
             case 1: b = boxAt(1e30f * g.nextUnit(), -1e30f, 0.f, 1e29f, 1.f, 1.f); break;
             case 2: b.min.z = -INF; break;
             case 3: b.max.x = INF; break;
             case 4: b.min.y = NaN; break;
             case 5: std::swap(b.min.x, b.max.x); break;  // inverted
             case 6: b = boxAt(1e-40f * g.nextUnit(), 0.f, 0.f, 1e-41f, 1e-41f, 1e-41f); break;
             default: break;
             }
             return b;
         },
         {}},
        {"touching along cell borders", 5000, 1, true,
         [&](Xorshift128& g, int) {
             const float x = std::floor(g.nextUnit() * 80) * 0.5f, y = std::floor(g.nextUnit() * 80) * 0.5f;
             return boxAt(x, y, 0.f, 0.5f, 0.5f, 0.5f);
         },
         {}},
        {"enough for the prefetch hints", 160000, 97, false,
         [&](Xorshift128& g, int) {
             return boxAt(g.nextUnit() * 2000, g.nextUnit() * 2000, g.nextUnit() * 2, 0.5f + g.nextUnit(),
                          0.5f + g.nextUnit(), 0.5f + g.nextUnit());
         },
         [](const BoxIndex& index) { EXPECT_GT(index.gridBoxes(), 100000); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Boxes come from their index alone, so that the lookahead may make
        // them in any order.
        const auto make = [&](int k) {
            Xorshift128 g = seedXorshift128(uint32_t(k) * 2654435761u + 12345u);
            return c.make(g, k);
        };
        BoxIndex index;
        expectScanAnswers(index, c.count, c.stride, c.keepAnyway, make);
        if (c.check) c.check(index);
    }
}

TEST(BoxIndex, ClearedIndexAnswersAsANewOne) {
    const auto make = [](int k) {
        Xorshift128 g = seedXorshift128(uint32_t(k) + 99u);
        const float x = g.nextUnit() * 60, y = g.nextUnit() * 60, s = 0.5f + g.nextUnit() * 3;
        return AlignedBox{{x, y, 0.f}, {x + s, y + s, s}};
    };
    BoxIndex reused;
    expectScanAnswers(reused, 3000, 1, true, make);
    reused.clear();
    EXPECT_TRUE(reused.isEmpty());
    EXPECT_EQ(reused.regrids(), 0);
    EXPECT_FALSE(reused.overlapsAny(make(7)));
    BoxIndex fresh;
    for (int k = 0; k < 3000; ++k) {
        const AlignedBox b = make(k + 5000);
        const bool hit = fresh.overlapsAny(b);
        ASSERT_EQ(reused.overlapsAny(b), hit) << k;
        if (!hit) {
            fresh.insert(b);
            reused.insert(b);
        }
    }
    EXPECT_EQ(reused.size(), fresh.size());
}

// The instance transform as the straight product of its factors, each
// rotation applied whatever its angle.
AffineTm straightInstanceTm(const ScatteredObject& so, const ScatterInstance& inst, const ScatterSettings& s) {
    const auto rows = [](float a0, float a1, float a2, float b0, float b1, float b2, float c0, float c1, float c2) {
        return AffineTm(Dir(a0, b0, c0), Dir(a1, b1, c1), Dir(a2, b2, c2), Pos::ZERO);
    };
    AffineTm m = so.baseTm;
    Dir r = inst.scaleRandom, f = inst.scaleMapFactor;
    if (s.uniformScale) {
        r = Dir(r.x, r.x, r.x);
        f = Dir(f.x, f.x, f.x);
    }
    for (int k = 0; k < 3; ++k) {
        const float scale = (s.scaleRange[k] * r[k] + s.scaleMin[k]) * f[k];
        for (int j = 0; j < 4; ++j) m.m[k][j] *= scale;
    }
    const Dir angle = s.rotateMin + s.rotateRange * inst.rotateRandom;
    float c = float(std::cos(double(angle.x))), sn = float(std::sin(double(angle.x)));
    m = rows(1.f, 0.f, 0.f, 0.f, c, sn, 0.f, -sn, c) * m;
    c = float(std::cos(double(angle.y))), sn = float(std::sin(double(angle.y)));
    m = rows(c, 0.f, -sn, 0.f, 1.f, 0.f, sn, 0.f, c) * m;
    c = float(std::cos(double(angle.z))), sn = float(std::sin(double(angle.z)));
    m = rows(c, sn, 0.f, -sn, c, 0.f, 0.f, 0.f, 1.f) * m;
    const Dir shift = s.translateMin + s.translateRange * inst.translateRandom;
    for (int i = 0; i < 3; ++i) m.m[i][3] += shift[i];
    if (s.alignNormals) m = frameFromNormal(inst.normal) * m;
    for (int i = 0; i < 3; ++i) m.m[i][3] += inst.position[i];
    return m;
}

// Skipped zero rotations and the row-wise products give the straight
// product's bits, signs of zero included, for mirrored, flattened and
// overflowing scales as well; NaN stays NaN.
TEST_F(DistributionTest, InstanceTransformsAreTheStraightProductBitForBit) {
    const Matrix3 turned = RotateZMatrix(0.3f) * RotateXMatrix(-1.1f) * ScaleMatrix(Point3(2.f, 0.5f, 3.f)) *
                           TransMatrix(Point3(4, -5, 6));
    const Matrix3 mirrored = ScaleMatrix(Point3(-1.f, 1.f, 1.f));
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(inputs({{planeNode(0, 0, 10, 10), 1.f}},
                                   {{smallBox(), 1.f}, {boxNode(Point3(0, 0, 0), Point3(1, 2, 0), turned), 1.f},
                                    {boxNode(Point3(-1, -1, -1), Point3(1, 1, 1), mirrored), 1.f}}),
                            0));
    const int objects = dist.scatteredObjects().size();
    Xorshift128 g = seedXorshift128(555);
    const auto pick = [&](std::initializer_list<float> values) {
        return values.begin()[g.next() % values.size()];
    };
    int compared = 0;
    for (int round = 0; round < 4000; ++round) {
        ScatterSettings s = settings(1, 1, 1, SCATTER_ON_SURFACES);
        s.uniformScale = g.next() & 1;
        s.alignNormals = g.next() & 1;
        for (int k = 0; k < 3; ++k) {
            s.rotateMin[k] = pick({0.f, -0.f, 0.5f, -2.f});
            s.rotateRange[k] = pick({0.f, 0.f, 1.f, 6.28f});
            s.scaleMin[k] = pick({1.f, 0.5f, -1.f, 0.f, -0.f, 3e38f});
            s.scaleRange[k] = pick({0.f, 0.f, 0.4f, 3e38f});
            s.translateMin[k] = pick({0.f, -0.f, 1.5f});
            s.translateRange[k] = pick({0.f, 2.f});
        }
        ScatterInstance inst;
        inst.objectIndex = int32_t(g.next() % uint32_t(objects));
        inst.position = Pos(pick({0.f, -0.f, 3.f}), g.nextUnit() * 10, pick({0.f, -2.f}));
        inst.normal = pick({0.f, 1.f}) > 0.5f ? Dir::UNIT_Z : normalize(Dir(g.nextUnit() - 0.5f, g.nextUnit(), 1.f));
        if (round % 5 == 0) inst.normal = Dir(0.f, 0.f, -1.f);
        inst.scaleMapFactor = Dir(pick({1.f, 0.f, -1.f, NaN}), 1.f, pick({1.f, 2.f}));
        inst.scaleRandom = Dir(g.nextUnit(), g.nextUnit(), g.nextUnit());
        inst.rotateRandom = Dir(g.nextUnit(), g.nextUnit(), g.nextUnit());
        inst.translateRandom = Dir(g.nextUnit(), g.nextUnit(), g.nextUnit());
        if (s.uniformScale) s.applyUniformScale();

        const AffineTm got = dist.instanceTm(inst, s);
        const AffineTm want = straightInstanceTm(dist.scatteredObjects()[inst.objectIndex], inst, s);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 4; ++j) {
                if (std::isnan(want.m[i][j])) {
                    ASSERT_TRUE(std::isnan(got.m[i][j])) << "round " << round << " entry " << i << j;
                } else {
                    ASSERT_TRUE(sameBits(got.m[i][j], want.m[i][j]))
                        << "round " << round << " entry " << i << j << ": " << got.m[i][j] << " against " << want.m[i][j];
                    ++compared;
                }
            }
    }
    EXPECT_GT(compared, 20000);
}

// Collision decisions over settings that take the transforms and boxes off
// their usual road: no rotation at all (skipped products), mirrored and
// flattened objects, scales that overflow to infinity (boxes without end,
// or undefined ones that keep nothing out).
TEST_F(DistributionTest, CollisionDecisionsMatchAScanOfCornerBoxes) {
    INode* ground = planeNode(0, 0, 30, 30);
    INode* cube = smallBox(0.5f);
    INode* slab = boxNode(Point3(-1, -1, 0), Point3(1, 1, 0));
    struct Case {
        const char* name;
        Dir scaleMin, scaleRange, rotateRange;
    };
    const Case cases[] = {
        {"no rotation", Dir(1, 1, 1), Dir(1, 1, 1), Dir::ZERO},
        {"turned about z only", Dir(0.5f, 0.5f, 0.5f), Dir(1, 1, 1), Dir(0, 0, 6.28f)},
        {"mirrored", Dir(-1.5f, 1, 1), Dir(1, 0, 0), Dir(0.3f, 0, 1)},
        {"flattened", Dir(1, 1, 0), Dir(0, 0, 0), Dir::ZERO},
        {"overflowing", Dir(1, 1, 1), Dir(3e38f, 0, 0), Dir(0, 0, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DistributionInputs in = inputs({{ground, 1.f}}, {{cube, 1.f}, {slab, 1.f}});
        ScatterSettings s = settings(4000, 8, 1, SCATTER_ON_SURFACES);
        s.uniformScale = false;
        s.scaleMin = c.scaleMin;
        s.scaleRange = c.scaleRange;
        s.rotateRange = c.rotateRange;
        s.alignNormals = true;

        ScatterDistribution all;
        ASSERT_TRUE(all.gather(in, 0));
        all.generate(s);
        std::vector<ScatterInstance> kept;
        std::vector<AlignedBox> boxes;
        for (const ScatterInstance& inst : all.instances()) {
            const AlignedBox b = boxOf(all.instanceTm(inst, s), all.scatteredObjects()[inst.objectIndex]);
            bool hit = false;
            for (const AlignedBox& o : boxes) hit = hit || o.overlaps(b);
            if (hit) continue;
            boxes.push_back(b);
            kept.push_back(inst);
        }

        s.collisionDetect = true;
        ScatterDistribution checked;
        ASSERT_TRUE(checked.gather(in, 0));
        checked.generate(s);
        ASSERT_EQ(checked.numInstances(), int32_t(kept.size()));
        EXPECT_EQ(std::memcmp(checked.instances().data(), kept.data(), sizeof(ScatterInstance) * kept.size()), 0);
        // The same distribution again, through the storage its index kept.
        checked.generate(s);
        EXPECT_EQ(checked.numInstances(), int32_t(kept.size()));
    }
}

// ---------------------------------------------------------------------------
// Limits and messages

TEST_F(DistributionTest, LogsTheSeedAndTheTime) {
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(inputs({{planeNode(0, 0, 1, 1), 1.f}}, {{smallBox(), 1.f}}), 0));
    DebugLog::startCapture();
    dist.generate(settings(10, 31337, 1, SCATTER_ON_SURFACES));
    const std::vector<std::string> lines = DebugLog::lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Updating scatter: seed 31337");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("Updating scatter took [0-9]+ms"))) << lines[1];
}

TEST_F(DistributionTest, ACountThatDoesNotFitFailsCleanly) {
    ScatterDistribution dist;
    ASSERT_TRUE(dist.gather(inputs({{planeNode(0, 0, 1, 1), 1.f}}, {{smallBox(), 1.f}}), 0));
    dist.generate(settings(10, 1, 1, SCATTER_ON_SURFACES));
    ASSERT_EQ(dist.numInstances(), 10);

    dist.setMemoryLimit(99 * sizeof(ScatterInstance));
    DebugLog::startCapture();
    EXPECT_EQ(dist.generate(settings(100, 1, 1, SCATTER_ON_SURFACES)), ScatterDistribution::Outcome::OutOfMemory);
    EXPECT_EQ(dist.numInstances(), 0);
    const std::vector<std::string> lines = DebugLog::lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Updating scatter failed: 100 instances do not fit in memory");

    dist.setMemoryLimit(UINT64_MAX);
    EXPECT_EQ(dist.generate(settings(99, 1, 1, SCATTER_ON_SURFACES)), ScatterDistribution::Outcome::Generated);
    EXPECT_EQ(dist.numInstances(), 99);
}

TEST_F(DistributionTest, RegenerateClearsDirtyOnlyWhenTheListsAreBuilt) {
    auto* scatter = static_cast<Scatter*>(scatterClassDesc()->Create(FALSE));
    IParamBlock2* pb = scatter->GetParamBlock(0);
    ScatterDistribution dist;
    bool dirty = true;
    ScatterDistribution::Pass pass = dist.regenerate(pb, 0, false, dirty);
    EXPECT_FALSE(pass.gathered);
    EXPECT_TRUE(dirty);

    PB2Value v;
    v.r = planeNode(0, 0, 1, 1);
    pb->Append(scatter_distributionObjects, 1, &v);
    v.r = smallBox();
    pb->Append(scatter_scatteredObjects, 1, &v);
    pb->SetValue(scatter_count, 0, 25);
    pass = dist.regenerate(pb, 0, false, dirty);
    EXPECT_TRUE(pass.gathered);
    EXPECT_EQ(pass.outcome, ScatterDistribution::Outcome::Generated);
    EXPECT_FALSE(dirty);
    EXPECT_EQ(dist.numInstances(), 25);
    EXPECT_EQ(dist.settings().count, 25);
    scatter->DeleteThis();
}

} // namespace
} // namespace Nimbal
