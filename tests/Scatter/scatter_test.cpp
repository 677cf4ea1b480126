// The scatter object as a user, a viewport and a renderer reach it through
// the host: dependency links, the accessor's regeneration rules, companion
// tables, the node validator, change notifications, saved scenes of older
// versions, ScatterOps, previews with their counts and boxes, creation with
// the mouse and the rollouts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Light/Light.h"
#include "Proxy/Proxy.h"
#include "Scatter/Scatter.h"
#include "Scatter/ScatterOps.h"
#include "Scatter/ScatterUi.h"
#include "core-interface/Debug.h"
#include "core-interface/Exception.h"
#include "host/Max.h"

namespace Nimbal {
namespace {

namespace fs = std::filesystem;

constexpr float PI = 3.14159265358979f;

using Tri = std::array<int, 3>;

// A map whose value is a constant; it counts its evaluations.
class ConstantMap : public Texmap {
public:
    explicit ConstantMap(float v) : value(v) {}
    float EvalMono(ShadeContext&) override {
        ++calls;
        return value;
    }
    float value;
    int calls = 0;
};

bool isZero(const Matrix3& m) {
    for (int r = 0; r < 4; ++r)
        if (!(m.GetRow(r) == Point3(0.0f, 0.0f, 0.0f))) return false;
    return true;
}

bool boxNear(const Box3& a, const Box3& b, float eps = 1e-4f) {
    for (int k = 0; k < 3; ++k)
        if (std::fabs(a.pmin[k] - b.pmin[k]) > eps || std::fabs(a.pmax[k] - b.pmax[k]) > eps) return false;
    return true;
}

std::string text(const MSTR& s) { return ToUtf8(s); }

class ScatterTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("nimbal-scatter-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(dir_);
        ip_->ResetScene();
        ip_->SetQuietMode(FALSE);
        UiService::Get().Clear();
        ExclusionDialogService::Get().Clear();
        ip_->GetActiveViewExp().getGW()->ClearRecords();
        DebugLog::startCapture();
    }

    void TearDown() override {
        scatterClassDesc()->EndEditParams(ip_, nullptr, 0, nullptr);
        DebugLog::stopCapture();
        ip_->ResetScene();
        UiService::Get().Clear();
        ExclusionDialogService::Get().Clear();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    INode* meshNode(const std::vector<Point3>& verts, const std::vector<Tri>& faces, const char16_t* name,
                    const Matrix3& tm = Matrix3()) {
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

    INode* boxNode(const Point3& lo, const Point3& hi, const char16_t* name, const Matrix3& tm = Matrix3()) {
        std::vector<Point3> v;
        for (int c = 0; c < 8; ++c)
            v.push_back(Point3((c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z));
        return meshNode(v,
                        {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4}, {2, 6, 7}, {2, 7, 3},
                         {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}},
                        name, tm);
    }

    // The square [0, size]^2 at z = 0, facing +z.
    INode* groundNode(float size = 10.0f, const char16_t* name = u"ground") {
        return meshNode({{0, 0, 0}, {size, 0, 0}, {size, size, 0}, {0, size, 0}}, {{0, 1, 2}, {0, 2, 3}}, name);
    }

    INode* pebbleNode(const char16_t* name = u"pebble", float half = 0.1f) {
        return boxNode(Point3(-half, -half, -half), Point3(half, half, half), name);
    }

    Scatter* newScatter(INode** nodeOut = nullptr, const char16_t* name = nullptr) {
        auto* scatter = static_cast<Scatter*>(scatterClassDesc()->Create(FALSE));
        INode* node = ip_->CreateObjectNode(scatter, name);
        if (nodeOut) *nodeOut = node;
        return scatter;
    }

    static void append(Scatter* s, ParamID table, INode* node) {
        PB2Value v(static_cast<ReferenceTarget*>(node));
        s->pblock->Append(table, 1, &v);
    }

    // A scatter of `count` pebbles over the ground.
    Scatter* groundScatter(int count = 20, INode** nodeOut = nullptr) {
        Scatter* s = newScatter(nodeOut);
        s->pblock->SetValue(scatter_count, 0, count);
        append(s, scatter_distributionObjects, groundNode());
        append(s, scatter_scatteredObjects, pebbleNode());
        return s;
    }

    static int generations() {
        int n = 0;
        for (const std::string& line : DebugLog::lines())
            if (line.rfind("Updating scatter: seed", 0) == 0) ++n;
        return n;
    }

    static FPInterface* ops() { return scatterClassDesc()->GetInterface(SCATTER_OPS_INTERFACE_ID); }

    static FPValue call(const char* name, const FPParams& params) {
        FPValue result;
        EXPECT_EQ(ops()->Invoke(name, result, params), FPS_OK) << name;
        return result;
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::string saveScene(const std::string& name = "scene.nsc") {
        const std::string p = path(name);
        std::string error;
        EXPECT_TRUE(ip_->SaveToFile(FromUtf8(p), error)) << error;
        return p;
    }

    void loadScene(const std::string& p) {
        std::string error;
        ASSERT_TRUE(ip_->LoadFromFile(FromUtf8(p), error)) << error;
    }

    Scatter* scatterIn(const char16_t* nodeName) {
        INode* node = ip_->GetINodeByName(nodeName);
        return node ? dynamic_cast<Scatter*>(node->GetObjectRef()) : nullptr;
    }

    Interface* ip_ = GetCOREInterface();
    fs::path dir_;
};

// ---------------------------------------------------------------------------
// Identity and dependency links

TEST_F(ScatterTest, NamesAndTheReferencesOfANewScatter) {
    INode* node = nullptr;
    Scatter* s = newScatter(&node);
    EXPECT_EQ(text(node->GetName()), "Nimbal Scatter");
    EXPECT_EQ(text(s->GetObjectName()), "NimbalScatter");
    MSTR cls;
    s->GetClassName(cls);
    EXPECT_EQ(text(cls), "NScatter");
    // The block and four empty map links.
    EXPECT_EQ(s->NumRefs(), 5);
    EXPECT_EQ(s->GetReference(0), s->pblock);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(s->GetReference(i), nullptr);
    // Asking past the end grows the slots with empty ones.
    EXPECT_EQ(s->GetReference(9), nullptr);
    EXPECT_EQ(s->NumRefs(), 10);
    EXPECT_FALSE(s->isDirty());
    EXPECT_FALSE(s->isLegacy());
    EXPECT_TRUE(s->isMeshCacheStale());
}

TEST_F(ScatterTest, LinksFollowTheMapsThenBothNodeTablesInOrder) {
    Scatter* s = newScatter();
    INode* a = groundNode(10, u"a");
    INode* b = groundNode(5, u"b");
    INode* p = pebbleNode();
    append(s, scatter_distributionObjects, a);
    append(s, scatter_distributionObjects, b);
    append(s, scatter_scatteredObjects, p);
    auto* scaleY = new ConstantMap(1.0f);
    s->pblock->SetValue(scatter_scaleMapY, 0, scaleY);
    const std::vector<RefTargetHandle> want{s->pblock, nullptr, nullptr, scaleY, nullptr, a, b, p};
    ASSERT_EQ(s->NumRefs(), int(want.size()));
    for (int i = 0; i < s->NumRefs(); ++i) EXPECT_EQ(s->GetReference(i), want[size_t(i)]) << i;

    // Rebuilt whole: b moves up a slot, the slot left over stays, empty.
    s->pblock->Delete(scatter_distributionObjects, 0, 1);
    const std::vector<RefTargetHandle> after{s->pblock, nullptr, nullptr, scaleY, nullptr, b, p, nullptr};
    ASSERT_EQ(s->NumRefs(), int(after.size()));
    for (int i = 0; i < s->NumRefs(); ++i) EXPECT_EQ(s->GetReference(i), after[size_t(i)]) << i;

    // A map replaced in the block is let go of by the links too.
    auto* other = new ConstantMap(2.0f);
    s->pblock->SetValue(scatter_scaleMapY, 0, other);
    EXPECT_EQ(s->GetReference(3), other);
    for (int i = 0; i < s->NumRefs(); ++i) EXPECT_NE(s->GetReference(i), scaleY);
}

TEST_F(ScatterTest, ACloneSharesTheNodesAndRebuildsItsOwnDistribution) {
    Scatter* s = groundScatter(15);
    ASSERT_EQ(s->numInstances(), 15);
    const size_t nodesBefore = ip_->AllNodes().size();
    auto* copy = static_cast<Scatter*>(CloneRefHierarchy(s));
    ASSERT_NE(copy, nullptr);
    RefHolder keep(copy);
    EXPECT_EQ(ip_->AllNodes().size(), nodesBefore);  // no node was cloned
    EXPECT_NE(copy->pblock, s->pblock);
    ASSERT_EQ(copy->NumRefs(), s->NumRefs());
    for (int i = 1; i < s->NumRefs(); ++i) EXPECT_EQ(copy->GetReference(i), s->GetReference(i)) << i;
    ASSERT_EQ(copy->numInstances(), 15);
    for (int32_t i = 0; i < 15; ++i) EXPECT_TRUE(copy->instanceTm(i) == s->instanceTm(i)) << i;
}

// ---------------------------------------------------------------------------
// Regeneration on parameter sets

TEST_F(ScatterTest, SetsRegenerateAsTheirParameterRequires) {
    struct Case {
        const char* what;
        std::function<void(IParamBlock2*)> set;
        bool withoutCollision;  // regenerates with "Collision Detect" off
        bool withCollision;     // ... and on
    };
    const Case cases[] = {
        {"count", [](IParamBlock2* pb) { pb->SetValue(scatter_count, 0, 21); }, true, true},
        {"seed", [](IParamBlock2* pb) { pb->SetValue(scatter_seed, 0, 5); }, true, true},
        {"randomType", [](IParamBlock2* pb) { pb->SetValue(scatter_randomType, 0, 0); }, true, true},
        {"scatterType", [](IParamBlock2* pb) { pb->SetValue(scatter_scatterType, 0, 67); }, true, true},
        {"density entry", [](IParamBlock2* pb) { pb->SetValue(scatter_distributionObjectsDensity, 0, 2.0f, 0); },
         true, true},
        {"density map", [](IParamBlock2* pb) { pb->SetValue(scatter_densityMap, 0, new ConstantMap(1.0f)); }, true,
         true},
        {"rotateMin", [](IParamBlock2* pb) { pb->SetValue(scatter_rotateMin, 0, Point3(0, 0, 1)); }, false, true},
        {"translateMax", [](IParamBlock2* pb) { pb->SetValue(scatter_translateMax, 0, Point3(1, 0, 0)); }, false,
         true},
        {"scaleMin", [](IParamBlock2* pb) { pb->SetValue(scatter_scaleMin, 0, Point3(2, 2, 2)); }, false, true},
        {"Uniform Scaling", [](IParamBlock2* pb) { pb->SetValue(scatter_uniformScaling, 0, 0); }, false, true},
        {"alignNormals", [](IParamBlock2* pb) { pb->SetValue(scatter_alignNormals, 0, 0); }, false, true},
        {"node entry",
         [](IParamBlock2* pb) {
             pb->SetValue(scatter_scatteredObjects, 0, pb->GetINode(scatter_distributionObjects, 0, 0), 0);
         },
         true, true},
        {"frequency entry", [](IParamBlock2* pb) { pb->SetValue(scatter_scatteredObjectsFrequency, 0, 3.0f, 0); },
         false, false},
        {"previzType", [](IParamBlock2* pb) { pb->SetValue(scatter_previzType, 0, 1); }, false, false},
        {"displayedFraction", [](IParamBlock2* pb) { pb->SetValue(scatter_displayedFraction, 0, 50.0f); }, false,
         false},
        {"iconSize", [](IParamBlock2* pb) { pb->SetValue(scatter_iconSize, 0, 3.0f); }, false, false},
    };
    for (const Case& c : cases) {
        for (const bool collision : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (collision ? ", collision on" : ", collision off"));
            ip_->ResetScene();
            Scatter* s = groundScatter(20);
            s->pblock->SetValue(scatter_collisionDetect, 0, collision ? 1 : 0);
            // Every gathering marks the preview meshes stale: the probe.
            s->previewMeshes(0);
            ASSERT_FALSE(s->isMeshCacheStale());
            c.set(s->pblock);
            EXPECT_EQ(s->isMeshCacheStale(), collision ? c.withCollision : c.withoutCollision);
            EXPECT_FALSE(s->isDirty());
            // The links follow what the block holds.
            EXPECT_EQ(s->GetReference(1), s->pblock->GetReferenceTarget(scatter_densityMap));
            EXPECT_EQ(s->GetReference(6), s->pblock->GetINode(scatter_scatteredObjects, 0, 0));
        }
    }
}

TEST_F(ScatterTest, ARegenerationOnSetSeesTheNewValue) {
    Scatter* s = groundScatter(20);
    s->ensureCurrent(0);
    s->pblock->SetValue(scatter_count, 0, 37);
    // Nothing else asked for the distribution: the set itself rebuilt it.
    EXPECT_EQ(s->distribution().numInstances(), 37);

    // A map set is linked before the layout is drawn: the map is evaluated.
    auto* map = new ConstantMap(0.0f);
    DebugLog::startCapture();
    s->pblock->SetValue(scatter_densityMap, 0, map);
    EXPECT_EQ(s->GetReference(1), map);
    EXPECT_GT(map->calls, 0);
    EXPECT_EQ(s->distribution().numInstances(), 0);  // a zero map leaves no weight
}

TEST_F(ScatterTest, TransformChangesWithoutCollisionShowWithoutRegenerating) {
    Scatter* s = groundScatter(10);
    call("update", {FPValue::Ref(s), FPValue::Point(Point3(0, 0, 50)), FPValue::Int(0)});
    const Matrix3 before = call("getInstanceTm", {FPValue::Ref(s), FPValue::Int(3)}).m;
    DebugLog::startCapture();
    s->pblock->SetValue(scatter_rotateMin, 0, Point3(0, 0, PI / 2));
    s->pblock->SetValue(scatter_rotateMax, 0, Point3(0, 0, PI / 2));
    call("update", {FPValue::Ref(s), FPValue::Point(Point3(0, 0, 50)), FPValue::Int(0)});
    EXPECT_EQ(generations(), 0);
    const Matrix3 after = call("getInstanceTm", {FPValue::Ref(s), FPValue::Int(3)}).m;
    EXPECT_TRUE(after.GetTrans() == before.GetTrans());
    EXPECT_FALSE(after.GetRow(0) == before.GetRow(0));
}

// ---------------------------------------------------------------------------
// Node tables and their companions

std::vector<float> values(IParamBlock2* pb, ParamID id) {
    std::vector<float> out;
    for (int i = 0; i < pb->Count(id); ++i) out.push_back(pb->GetFloat(id, 0, i));
    return out;
}

TEST_F(ScatterTest, CompanionTablesKeepInStepWithTheNodeTables) {
    for (const auto& [nodes, weights] : {std::pair{scatter_distributionObjects, scatter_distributionObjectsDensity},
                                        std::pair{scatter_scatteredObjects, scatter_scatteredObjectsFrequency}}) {
        SCOPED_TRACE(nodes);
        ip_->ResetScene();
        Scatter* s = newScatter();
        IParamBlock2* pb = s->pblock;
        INode* a = groundNode(1, u"a");
        INode* b = groundNode(2, u"b");
        INode* c = groundNode(3, u"c");
        PB2Value two[2] = {PB2Value(static_cast<ReferenceTarget*>(a)), PB2Value(static_cast<ReferenceTarget*>(b))};
        pb->Append(nodes, 2, two);
        EXPECT_EQ(values(pb, weights), (std::vector<float>{1, 1}));
        pb->SetValue(weights, 0, 5.0f, 0);
        pb->SetValue(weights, 0, 7.0f, 1);

        PB2Value vc(static_cast<ReferenceTarget*>(c));
        pb->Insert(nodes, 1, 1, &vc);  // a c b
        EXPECT_EQ(values(pb, weights), (std::vector<float>{5, 1, 7}));
        pb->Delete(nodes, 0, 1);  // c b
        EXPECT_EQ(values(pb, weights), (std::vector<float>{1, 7}));

        // A node deleted from the scene leaves its entry, empty, and its value.
        ip_->DeleteNode(c);
        EXPECT_EQ(pb->Count(nodes), 2);
        EXPECT_EQ(pb->GetINode(nodes, 0, 0), nullptr);
        EXPECT_EQ(values(pb, weights), (std::vector<float>{1, 7}));
        EXPECT_TRUE(s->isDirty());

        // Clearing the list clears the values, so the next node starts at 1.
        pb->SetCount(nodes, 0);
        EXPECT_TRUE(values(pb, weights).empty());
        pb->Append(nodes, 1, &two[0]);
        EXPECT_EQ(values(pb, weights), (std::vector<float>{1}));
    }
}

TEST_F(ScatterTest, TableChangesRegenerateAtTheCurrentTime) {
    ip_->SetTime(480);
    Scatter* s = newScatter();
    append(s, scatter_distributionObjects, groundNode());
    EXPECT_EQ(s->getGenerationTime(), 480);
    EXPECT_EQ(generations(), 0);  // one table is still empty: nothing drawn
    append(s, scatter_scatteredObjects, pebbleNode());
    EXPECT_EQ(generations(), 1);
    EXPECT_EQ(s->distribution().numInstances(), 10);
    EXPECT_FALSE(s->isDirty());
}

TEST_F(ScatterTest, AnUnknownKindOfTableChangeIsAProgrammingError) {
    Scatter* s = newScatter();
    PBAccessor* accessor = s->pblock->GetParamDef(scatter_distributionObjects)->accessor;
    ASSERT_NE(accessor, nullptr);
    try {
        accessor->TabChanged(tab_sort, nullptr, s, scatter_distributionObjects, 0, 1);
        FAIL() << "no assertion";
    } catch (const Exception& e) {
        EXPECT_EQ(e.getCode(), STOP_CODE);
        EXPECT_NE(std::string(e.what()).find("STOP@"), std::string::npos);
    }
}

TEST_F(ScatterTest, TheValidatorAcceptsMeshesEverywhereAndLightsOrProxiesOnlyAsScatteredObjects) {
    Scatter* s = newScatter();
    auto* light = static_cast<::Object*>(static_cast<Animatable*>(lightClassDesc()->Create(FALSE)));
    auto* proxy = static_cast<Proxy*>(proxyClassDesc()->Create(FALSE));
    INode* other = nullptr;
    newScatter(&other);
    const struct {
        const char* what;
        INode* node;
        bool distribution;
        bool scattered;
    } cases[] = {
        {"mesh", groundNode(), true, true},
        {"proxy", ip_->CreateObjectNode(proxy, u"proxy"), true, true},
        {"light", ip_->CreateObjectNode(light, u"light"), false, true},
        {"dummy", ip_->CreateObjectNode(new DummyObject(), u"dummy"), false, false},
        {"another scatter", other, false, false},
        {"node without object", ip_->CreateObjectNode(nullptr, u"empty"), false, false},
        {"no node", nullptr, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PB2Value v(static_cast<ReferenceTarget*>(c.node));
        EXPECT_EQ(s->pblock->Validate(scatter_distributionObjects, v) != FALSE, c.distribution);
        EXPECT_EQ(s->pblock->Validate(scatter_scatteredObjects, v) != FALSE, c.scattered);
    }
    // A material is not a node at all.
    PB2Value map(static_cast<ReferenceTarget*>(new ConstantMap(1.0f)));
    RefHolder keep(map.r);
    EXPECT_FALSE(s->pblock->Validate(scatter_scatteredObjects, map));
    // Without the parameter there is no rule to apply.
    EXPECT_THROW(s->pblock->GetParamDef(scatter_scatteredObjects)->validator->Validate(map), Exception);
}

// ---------------------------------------------------------------------------
// Change notifications

TEST_F(ScatterTest, ChangesOfLinkedTargetsMarkTheDistributionDirty) {
    INode* node = nullptr;
    Scatter* s = groundScatter(10, &node);
    s->ensureCurrent(0);
    ASSERT_FALSE(s->isDirty());
    // The block's own messages are not the inputs changing.
    s->pblock->SetValue(scatter_previzType, 0, 1);
    EXPECT_FALSE(s->isDirty());

    INode* ground = s->pblock->GetINode(scatter_distributionObjects, 0, 0);
    ground->SetNodeTM(0, TransMatrix(Point3(100, 0, 0)));
    EXPECT_TRUE(s->isDirty());
    const Box3 box = s->instancesBox(0);  // a consumer regenerates
    EXPECT_FALSE(s->isDirty());
    EXPECT_GE(box.pmin.x, 99.8f);
    EXPECT_LE(box.pmax.x, 110.2f);
}

TEST_F(ScatterTest, ADeletedScatteredNodeLeavesNoInstanceBehind) {
    Scatter* s = groundScatter(30);
    INode* second = pebbleNode(u"second");
    append(s, scatter_scatteredObjects, second);
    ASSERT_EQ(s->numInstances(), 30);
    bool showsSecond = false;
    for (int32_t i = 0; i < 30; ++i) showsSecond = showsSecond || s->instanceNode(i) == second;
    ASSERT_TRUE(showsSecond);

    ip_->DeleteNode(second);
    EXPECT_TRUE(s->isDirty());
    for (int i = 1; i < s->NumRefs(); ++i) EXPECT_NE(s->GetReference(i), second);
    const int32_t n = s->numInstances();
    EXPECT_GT(n, 0);
    for (int32_t i = 0; i < n; ++i) EXPECT_EQ(text(s->instanceNode(i)->GetName()), "pebble") << i;
}

// ---------------------------------------------------------------------------
// Saved scenes

// The saved block's version, rewritten as an older library would have saved it.
void setSavedBlockVersion(const std::string& scene, int32_t version) {
    std::ifstream in(scene, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const Class_ID cid = scatterClassDesc()->ClassID();
    std::string pattern;
    auto put = [&pattern](const void* p, size_t n) { pattern.append(static_cast<const char*>(p), n); };
    const uint32_t words[3] = {GEOMOBJECT_CLASS_ID, cid.PartA(), cid.PartB()};
    const int16_t blockId = 0;
    const int32_t current = 1236;
    put(words, sizeof words);
    put(&blockId, sizeof blockId);
    put(&current, sizeof current);
    const size_t at = bytes.find(pattern);
    ASSERT_NE(at, std::string::npos);
    std::memcpy(&bytes[at + pattern.size() - sizeof version], &version, sizeof version);
    std::ofstream(scene, std::ios::binary) << bytes;
}

TEST_F(ScatterTest, OlderScenesAreConvertedOnLoad) {
    const Point3 scaleMin(0.5f, 0.6f, 0.7f), scaleMax(1.5f, 1.6f, 1.7f);
    const struct {
        int32_t version;
        float uniformMin, uniformMax;  // 310 and 320: factors in 1234, percentages before
        bool legacy;
        bool uniform;
        Point3 translateMin, translateMax, rotateMin, rotateMax, scaleMin, scaleMax;
    } cases[] = {
        {1236, 2, 3, false, true, {1, 2, 3}, {4, 5, 6}, {0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}, scaleMin, scaleMax},
        {1235, 2, 3, true, true, {1, 2, 3}, {4, 5, 6}, {0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}, scaleMin, scaleMax},
        {1234, 2, 3, true, false, {1, 2, 3}, {4, 5, 6}, {0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}, scaleMin * 2.0f,
         scaleMax * 3.0f},
        // Everything from the per-axis values: degrees, percentages.
        {1233, 200, 300, true, false, {10, 20, 30}, {11, 21, 31}, Point3(90, 45, 180) * 0.017453292f,
         Point3(-90, 0, 360) * 0.017453292f, Point3(0.5f, 0.25f, 1.0f) * 2.0f, Point3(1.0f, 2.0f, 4.0f) * 3.0f},
        {0, 200, 300, true, false, {10, 20, 30}, {11, 21, 31}, Point3(90, 45, 180) * 0.017453292f,
         Point3(-90, 0, 360) * 0.017453292f, Point3(0.5f, 0.25f, 1.0f) * 2.0f, Point3(1.0f, 2.0f, 4.0f) * 3.0f},
    };
    const float old[][2] = {{301, 10},  {302, 20},  {303, 30},  {304, 90},  {305, 45},  {306, 180}, {307, 50},
                            {308, 25},  {309, 100}, {311, 11},  {312, 21},  {313, 31},  {314, -90},
                            {315, 0},   {316, 360}, {317, 100}, {318, 200}, {319, 400}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        ip_->ResetScene();
        Scatter* s = groundScatter(12);
        ip_->GetINodeByName(u"Nimbal Scatter")->SetName(u"kept");
        IParamBlock2* pb = s->pblock;
        // With collisions on, the conversion's writes would each ask for a layout.
        pb->SetValue(scatter_collisionDetect, 0, 1);
        pb->SetValue(scatter_translateMin, 0, Point3(1, 2, 3));
        pb->SetValue(scatter_translateMax, 0, Point3(4, 5, 6));
        pb->SetValue(scatter_rotateMin, 0, Point3(0.1f, 0.2f, 0.3f));
        pb->SetValue(scatter_rotateMax, 0, Point3(0.4f, 0.5f, 0.6f));
        pb->SetValue(scatter_scaleMin, 0, scaleMin);
        pb->SetValue(scatter_scaleMax, 0, scaleMax);
        for (const auto& [id, v] : old) pb->SetValue(static_cast<ParamID>(id), 0, v);
        pb->SetValue(310, 0, c.uniformMin);
        pb->SetValue(320, 0, c.uniformMax);
        const std::string scene = saveScene();
        if (c.version != 1236) setSavedBlockVersion(scene, c.version);

        ip_->ResetScene();
        DebugLog::startCapture();
        loadScene(scene);
        // Nothing is drawn while the scene is still being put together.
        EXPECT_EQ(generations(), 0);
        Scatter* loaded = scatterIn(u"kept");
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->isLegacy(), c.legacy);
        EXPECT_TRUE(loaded->isDirty());
        IParamBlock2* lb = loaded->pblock;
        EXPECT_EQ(lb->GetInt(scatter_uniformScaling) != 0, c.uniform);
        const std::pair<ParamID, Point3> want[] = {{scatter_translateMin, c.translateMin},
                                                   {scatter_translateMax, c.translateMax},
                                                   {scatter_rotateMin, c.rotateMin},
                                                   {scatter_rotateMax, c.rotateMax},
                                                   {scatter_scaleMin, c.scaleMin},
                                                   {scatter_scaleMax, c.scaleMax}};
        for (const auto& [id, p] : want) {
            SCOPED_TRACE(id);
            const Point3 got = lb->GetPoint3(id);
            for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(got[k], p[k]);
            EXPECT_EQ(lb->NumKeys(id), 0);
        }
        // The links came back with the scene; the layout is drawn on demand.
        EXPECT_EQ(loaded->GetReference(5), lb->GetINode(scatter_distributionObjects, 0, 0));
        const int32_t n = loaded->numInstances();
        EXPECT_GT(n, 0);
        EXPECT_LE(n, 12);  // collisions may discard some
        EXPECT_FALSE(loaded->isDirty());
    }
}

TEST_F(ScatterTest, ChoicesADamagedSceneHoldsOutOfRangeGoBackToTheirDefaults) {
    Scatter* s = groundScatter(8);
    ip_->GetINodeByName(u"Nimbal Scatter")->SetName(u"kept");
    // Values no control writes, as a damaged file would hold them.
    s->pblock->GetSlotForLoad(scatter_previzType)->entries[0].value.i = 9;
    IParamBlock2::Entry& random = s->pblock->GetSlotForLoad(scatter_randomType)->entries[0];
    random.keys = {{0, PB2Value(1)}, {4800, PB2Value(5)}};
    const std::string scene = saveScene();
    ip_->ResetScene();
    loadScene(scene);
    Scatter* loaded = scatterIn(u"kept");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->pblock->GetInt(scatter_previzType), SCATTER_PREVIZ_WIRE_BOX);
    EXPECT_EQ(loaded->pblock->GetInt(scatter_randomType, 4800), 1);
    EXPECT_EQ(loaded->pblock->NumKeys(scatter_randomType), 0);
    EXPECT_NO_THROW(loaded->Display(4800, ip_->GetINodeByName(u"kept"), &ip_->GetActiveViewExp(), 0));
    EXPECT_EQ(loaded->numInstances(), 8);
}

TEST_F(ScatterTest, ALegacySceneKeepsTheUnscrambledHaltonLayout) {
    // Inside a box, the scrambled dimension is the y coordinate only.
    auto build = [this](const char16_t* name) {
        INode* node = nullptr;
        Scatter* s = newScatter(&node, name);
        s->pblock->SetValue(scatter_count, 0, 40);
        s->pblock->SetValue(scatter_seed, 0, 9);
        s->pblock->SetValue(scatter_scatterType, 0, 67);
        append(s, scatter_distributionObjects, boxNode(Point3(0, 0, 0), Point3(1, 1, 1), u"volume"));
        append(s, scatter_scatteredObjects, pebbleNode());
        return s;
    };
    build(u"old");
    const std::string scene = saveScene();
    setSavedBlockVersion(scene, 1235);
    ip_->ResetScene();
    loadScene(scene);
    Scatter* legacy = scatterIn(u"old");
    ASSERT_NE(legacy, nullptr);
    Scatter* fresh = build(u"new");
    ASSERT_EQ(legacy->numInstances(), 40);
    ASSERT_EQ(fresh->numInstances(), 40);
    int differentY = 0;
    for (int32_t i = 0; i < 40; ++i) {
        const Pos a = legacy->distribution().instance(i).position, b = fresh->distribution().instance(i).position;
        EXPECT_EQ(a.x, b.x) << i;
        EXPECT_EQ(a.z, b.z) << i;
        differentY += a.y != b.y;
    }
    EXPECT_GT(differentY, 30);
}

TEST_F(ScatterTest, NodesDeletedAfterLoadingLeaveNoInstanceBehind) {
    // Loading wires the scatter's links before the block's, so the scatter
    // hears of a deletion before its block does.
    Scatter* s = groundScatter(10);
    append(s, scatter_scatteredObjects, pebbleNode(u"second"));
    ip_->GetINodeByName(u"Nimbal Scatter")->SetName(u"kept");
    const std::string scene = saveScene();
    ip_->ResetScene();
    loadScene(scene);
    Scatter* loaded = scatterIn(u"kept");
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->numInstances(), 10);
    ip_->DeleteNode(ip_->GetINodeByName(u"second"));
    for (int32_t i = 0; i < loaded->numInstances(); ++i)
        EXPECT_EQ(text(loaded->instanceNode(i)->GetName()), "pebble");
}

// ---------------------------------------------------------------------------
// ScatterOps

TEST_F(ScatterTest, OpsAnswerNothingForWhatIsNotAScatter) {
    INode* mesh = groundNode();
    for (const FPValue& arg : {FPValue::Ref(nullptr), FPValue::Node(mesh), FPValue::Ref(mesh->GetObjectRef())}) {
        EXPECT_EQ(call("getNumInstances", {arg}).i, -1);
        const FPValue node = call("getInstanceObject", {arg, FPValue::Int(0)});
        EXPECT_EQ(node.type, TYPE_INODE);
        EXPECT_EQ(node.n, nullptr);
        const FPValue tm = call("getInstanceTm", {arg, FPValue::Int(0)});
        EXPECT_EQ(tm.type, TYPE_MATRIX3);
        EXPECT_TRUE(isZero(tm.m));
        call("update", {arg, FPValue::Point(Point3(0, 0, 0)), FPValue::Int(0)});
        call("convertToGeometry", {arg, FPValue::Int(0)});
    }
    EXPECT_EQ(ip_->AllNodes().size(), 1u);
}

TEST_F(ScatterTest, OpsReadTheInstancesOfTheScatterOrItsNode) {
    INode* node = nullptr;
    Scatter* s = groundScatter(25, &node);
    s->pblock->SetValue(scatter_alignNormals, 0, 0);
    s->pblock->SetValue(scatter_rotateMin, 0, Point3(0, 0, PI / 2));
    s->pblock->SetValue(scatter_rotateMax, 0, Point3(0, 0, PI / 2));
    for (const FPValue& arg : {FPValue::Ref(s), FPValue::Node(node)}) {
        call("update", {arg, FPValue::Point(Point3(1, 2, 3)), FPValue::Int(0)});
        ASSERT_EQ(call("getNumInstances", {arg}).i, 25);
        for (int id : {0, 24}) {
            SCOPED_TRACE(id);
            EXPECT_EQ(call("getInstanceObject", {arg, FPValue::Int(id)}).n, ip_->GetINodeByName(u"pebble"));
            const Matrix3 m = call("getInstanceTm", {arg, FPValue::Int(id)}).m;
            // The rotation about z has the rows (c, s, 0), (-s, c, 0): at a
            // quarter turn x goes to -y and y to x. Host rows are the images
            // of the axes, the last one the position.
            const Pos p = s->distribution().instance(id).position;
            EXPECT_NEAR(m.GetRow(0).x, 0.0f, 1e-6);
            EXPECT_NEAR(m.GetRow(0).y, -1.0f, 1e-6);
            EXPECT_NEAR(m.GetRow(1).x, 1.0f, 1e-6);
            EXPECT_NEAR(m.GetRow(1).y, 0.0f, 1e-6);
            EXPECT_TRUE(m.GetRow(2) == Point3(0, 0, 1));
            EXPECT_TRUE(m.GetTrans() == Point3(p.x, p.y, p.z));
            EXPECT_TRUE(p.x >= 0 && p.x <= 10 && p.y >= 0 && p.y <= 10 && p.z == 0);
        }
        for (int id : {-1, 25}) {
            EXPECT_EQ(call("getInstanceObject", {arg, FPValue::Int(id)}).n, nullptr);
            EXPECT_TRUE(isZero(call("getInstanceTm", {arg, FPValue::Int(id)}).m));
        }
    }
    const Point3 camera = s->pblock->GetPoint3(scatter_lastRenderCamera);
    EXPECT_TRUE(camera == Point3(1, 2, 3));
}

TEST_F(ScatterTest, UpdateRegeneratesForTheCameraOnlyWhenAMapIsAssigned) {
    const struct {
        const char* what;
        bool map;
        Point3 camera;
        TimeValue t;
        bool regenerates;
    } cases[] = {
        {"same camera, no map", false, Point3(0, 0, 10), 0, false},
        {"camera moved, no map", false, Point3(5, 0, 10), 0, false},
        {"same camera, map", true, Point3(0, 0, 10), 0, false},
        {"camera moved, map", true, Point3(5, 0, 10), 0, true},
        {"another time", false, Point3(0, 0, 10), 160, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ip_->ResetScene();
        Scatter* s = groundScatter(10);
        if (c.map) s->pblock->SetValue(scatter_scaleMapX, 0, new ConstantMap(2.0f));
        call("update", {FPValue::Ref(s), FPValue::Point(Point3(0, 0, 10)), FPValue::Int(0)});
        DebugLog::startCapture();
        call("update", {FPValue::Ref(s), FPValue::Point(c.camera), FPValue::Int(c.t)});
        EXPECT_EQ(generations(), c.regenerates ? 1 : 0);
        EXPECT_TRUE(s->settings().lastRenderCamera == Pos(c.camera.x, c.camera.y, c.camera.z));
    }
    // A dirty scatter regenerates whatever the camera.
    Scatter* s = groundScatter(10);
    call("update", {FPValue::Ref(s), FPValue::Point(Point3(0, 0, 10)), FPValue::Int(0)});
    s->pblock->GetINode(scatter_distributionObjects, 0, 0)->SetNodeTM(0, TransMatrix(Point3(0, 0, 1)));
    DebugLog::startCapture();
    call("update", {FPValue::Ref(s), FPValue::Point(Point3(0, 0, 10)), FPValue::Int(0)});
    EXPECT_EQ(generations(), 1);
}

TEST_F(ScatterTest, ConversionMakesOneNamedInstancePerInstance) {
    INode* node = nullptr;
    Scatter* s = groundScatter(6, &node);
    s->pblock->SetValue(scatter_seed, 0, 3);
    INode* pebble = ip_->GetINodeByName(u"pebble");
    pebble->SetObjOffsetTM(TransMatrix(Point3(0, 0, 0.1f)));
    call("convertToGeometry", {FPValue::Node(node), FPValue::Int(0)});
    EXPECT_FALSE(ip_->GetQuietMode());  // given back
    std::vector<INode*> made;
    for (INode* n : ip_->AllNodes())
        if (text(n->GetName()) == "NScatter_convert_pebble") made.push_back(n);
    ASSERT_EQ(made.size(), 6u);
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(made[i]->GetObjectRef(), pebble->GetObjectRef());  // an instance, not a copy
        // Its object stands where the renderer puts the instance, pivot
        // offset included.
        EXPECT_TRUE(made[i]->GetObjectTM(0).Equals(s->instanceTm(int32_t(i)), 1e-5f));
    }

    // Quiet mode is restored to what it was, and no instances make nothing.
    ip_->SetQuietMode(TRUE);
    s->pblock->SetValue(scatter_scatteredObjectsFrequency, 0, 0.0f, 0);
    s->regenerate(0);
    const size_t before = ip_->AllNodes().size();
    call("convertToGeometry", {FPValue::Node(node), FPValue::Int(0)});
    EXPECT_TRUE(ip_->GetQuietMode());
    EXPECT_EQ(ip_->AllNodes().size(), before);
}

// ---------------------------------------------------------------------------
// Viewport previews

TEST_F(ScatterTest, PolygonCountsPerScatteredObjectByPreview) {
    Scatter* s = groundScatter(9);
    // A second scattered object: a single triangle.
    append(s, scatter_scatteredObjects, meshNode({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, u"leaf"));
    const struct {
        int mode;
        int faces, verts;
    } cases[] = {{SCATTER_PREVIZ_NONE, 0, 0},
                 {SCATTER_PREVIZ_DOT, 0, 2},
                 {SCATTER_PREVIZ_BOX, 24, 16},
                 {SCATTER_PREVIZ_WIRE_BOX, 0, 16},
                 {SCATTER_PREVIZ_FULL, 12 + 1, 8 + 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        s->pblock->SetValue(scatter_previzType, 0, c.mode);
        int faces = -1, verts = -1;
        EXPECT_TRUE(s->PolygonCount(0, faces, verts));
        EXPECT_EQ(faces, c.faces);
        EXPECT_EQ(verts, c.verts);
    }
}

TEST_F(ScatterTest, DisplayDrawsTheGizmoAndTheDisplayedInstancesByPreview) {
    INode* node = nullptr;
    Scatter* s = groundScatter(40, &node);
    node->SetNodeTM(0, TransMatrix(Point3(-5, 0, 0)));
    ViewExp& vpt = ip_->GetActiveViewExp();
    GraphicsWindow* gw = vpt.getGW();
    s->ensureCurrent(0);
    for (const float percent : {0.0f, 37.5f, 100.0f}) {
        int shown = 0;
        for (const ScatterInstance& inst : s->distribution().instances())
            shown += inst.displayRandom <= percent / 100.0f;
        const struct {
            int mode;
            int markers, meshes, segments;
        } cases[] = {{SCATTER_PREVIZ_NONE, 0, 0, 12},
                     {SCATTER_PREVIZ_DOT, shown, 0, 12},
                     {SCATTER_PREVIZ_BOX, 0, shown, 12},
                     {SCATTER_PREVIZ_WIRE_BOX, 0, 0, 12 + 12 * shown},
                     {SCATTER_PREVIZ_FULL, 0, shown, 12}};
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(percent) + "% mode " + std::to_string(c.mode));
            s->pblock->SetValue(scatter_displayedFraction, 0, percent);
            s->pblock->SetValue(scatter_previzType, 0, c.mode);
            gw->ClearRecords();
            s->Display(0, node, &vpt, 0);
            EXPECT_EQ(gw->Count(DrawRecord::Marker), c.markers);
            EXPECT_EQ(gw->Count(DrawRecord::MeshShape), c.meshes);
            EXPECT_EQ(gw->Count(DrawRecord::Polyline), c.segments);
            ASSERT_FALSE(gw->Records().empty());
            // The gizmo comes first, under the node's transform.
            EXPECT_TRUE(gw->Records().front().tm == node->GetNodeTM(0));
            for (const DrawRecord& r : gw->Records()) {
                if (r.kind == DrawRecord::MeshShape) {
                    EXPECT_EQ(r.meshFaces, 12);
                    EXPECT_EQ(r.meshVerts, 8);
                }
            }
        }
    }
}

TEST_F(ScatterTest, FullPreviewTakesTheMeshesOnceAfterEachGathering) {
    INode* node = nullptr;
    Scatter* s = groundScatter(5, &node);
    s->pblock->SetValue(scatter_previzType, 0, SCATTER_PREVIZ_FULL);
    ViewExp& vpt = ip_->GetActiveViewExp();
    s->Display(0, node, &vpt, 0);
    EXPECT_FALSE(s->isMeshCacheStale());
    ASSERT_EQ(s->previewMeshes(0).size(), 1u);
    EXPECT_EQ(s->previewMeshes(0)[0].getNumFaces(), 12);
    // The render items of the newer path: one mesh per displayed instance.
    IRenderItemContainer items;
    UpdateDisplayContext context;
    UpdateNodeContext nodeContext{node};
    EXPECT_TRUE(s->PrepareDisplay(context));
    EXPECT_TRUE(s->UpdatePerNodeItems(context, nodeContext, items));
    ASSERT_EQ(items.GetNumberOfRenderItems(), 5);
    EXPECT_EQ(items.GetRenderItem(0).numFaces, 12);
    s->pblock->SetValue(scatter_seed, 0, 2);  // regenerates
    EXPECT_TRUE(s->isMeshCacheStale());
    s->pblock->SetValue(scatter_previzType, 0, SCATTER_PREVIZ_WIRE_BOX);
    items.ClearAllRenderItems();
    EXPECT_TRUE(s->UpdatePerNodeItems(context, nodeContext, items));
    EXPECT_EQ(items.GetNumberOfRenderItems(), 0);  // drawn by Display
}

TEST_F(ScatterTest, APreviewTypeTheBlockCannotHoldIsAProgrammingError) {
    INode* node = nullptr;
    Scatter* s = groundScatter(5, &node);
    s->pblock->SetValue(scatter_previzType, 0, 7);
    int faces, verts;
    EXPECT_THROW(s->Display(0, node, &ip_->GetActiveViewExp(), 0), Exception);
    EXPECT_THROW(s->PolygonCount(0, faces, verts), Exception);
}

TEST_F(ScatterTest, BoundingBoxesByPreview) {
    INode* node = nullptr;
    // Pebbles of half size 0.1 on a 10 x 10 ground, without random transforms.
    Scatter* s = groundScatter(30, &node);
    node->SetNodeTM(0, TransMatrix(Point3(100, 0, 0)));
    s->pblock->SetValue(scatter_iconSize, 0, 2.0f);
    s->pblock->SetValue(scatter_displayedFraction, 0, 50.0f);
    s->ensureCurrent(0);
    Box3 dots, boxes;
    for (const ScatterInstance& inst : s->distribution().instances()) {
        if (inst.displayRandom > 0.5f) continue;
        const Point3 p(inst.position.x, inst.position.y, inst.position.z);
        dots += p;
        boxes += p - Point3(0.1f, 0.1f, 0.1f);
        boxes += p + Point3(0.1f, 0.1f, 0.1f);
    }
    ASSERT_FALSE(dots.IsEmpty());
    const Box3 gizmo(Point3(98, -2, 0), Point3(102, 2, 2));
    const struct {
        int mode;
        Box3 instances;
    } cases[] = {{SCATTER_PREVIZ_NONE, Box3()},
                 {SCATTER_PREVIZ_DOT, dots},
                 {SCATTER_PREVIZ_BOX, boxes},
                 {SCATTER_PREVIZ_WIRE_BOX, boxes},
                 {SCATTER_PREVIZ_FULL, boxes}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        s->pblock->SetValue(scatter_previzType, 0, c.mode);
        const Box3 got = s->instancesBox(0);
        EXPECT_EQ(got.IsEmpty(), c.instances.IsEmpty());
        if (!c.instances.IsEmpty()) {
            EXPECT_TRUE(boxNear(got, c.instances));
        }
        Box3 world;
        s->GetWorldBoundBox(0, node, nullptr, world);
        EXPECT_TRUE(boxNear(world, c.instances + gizmo));
        Box3 local;
        s->GetLocalBoundBox(0, node, nullptr, local);
        Box3 instancesLocal = c.instances;
        instancesLocal.Translate(Point3(-100, 0, 0));
        EXPECT_TRUE(boxNear(local, instancesLocal + Box3(Point3(-2, -2, 0), Point3(2, 2, 2))));
    }
}

// Window points of a viewport at 100 pixels a unit, where a pebble is 20
// pixels wide.
class ScatterPick : public ScatterTest {
protected:
    void SetUp() override {
        ScatterTest::SetUp();
        view_.SetUnitsPerPixel(0.01f);
    }

    static IPoint2 at(const Point3& p) {
        return IPoint2{static_cast<int>(std::lround(p.x * 100.0f)), static_cast<int>(std::lround(-p.y * 100.0f))};
    }

    bool picks(Scatter* s, INode* node, const Point3& p) {
        IPoint2 pt = at(p);
        return s->HitTest(0, node, HITTYPE_POINT, TRUE, 0, &pt, &view_) != FALSE;
    }

    static Point3 position(const ScatterInstance& inst) {
        return Point3(inst.position.x, inst.position.y, inst.position.z);
    }

    // The distance from p to the nearest instance other than `skip`.
    static float clearance(Scatter* s, const Point3& p, const ScatterInstance* skip = nullptr) {
        float nearest = std::numeric_limits<float>::max();
        for (const ScatterInstance& inst : s->distribution().instances())
            if (&inst != skip) nearest = std::min(nearest, Length(position(inst) - p));
        return nearest;
    }

    ViewExp view_;
};

TEST_F(ScatterPick, HitTestsPickTheGizmoAndWhatEachPreviewDraws) {
    INode* node = nullptr;
    Scatter* s = groundScatter(10, &node);
    node->SetNodeTM(0, TransMatrix(Point3(-50, 0, 0)));
    s->ensureCurrent(0);
    // An instance with no other near it, and a point of the ground away
    // from every instance.
    const ScatterInstance* lone = nullptr;
    for (const ScatterInstance& inst : s->distribution().instances())
        if (!lone && clearance(s, position(inst), &inst) > 0.6f) lone = &inst;
    ASSERT_NE(lone, nullptr);
    ASSERT_GT(lone->displayRandom, 0.0f);
    Point3 away(-1, -1, -1);
    for (float y = 0.25f; y < 10.0f && away.z < 0; y += 0.5f)
        for (float x = 0.25f; x < 10.0f && away.z < 0; x += 0.5f)
            if (clearance(s, Point3(x, y, 0)) > 0.6f) away = Point3(x, y, 0);
    ASSERT_EQ(away.z, 0.0f);
    const Point3 centre = position(*lone);
    const Point3 side = centre + Point3(0.1f, 0, 0);  // on the pebble's box
    const Point3 gizmo(-49, 0, 0);                     // on the gizmo's side

    const struct {
        int mode;
        float percent;
        Point3 point;
        bool hit;
    } cases[] = {
        {SCATTER_PREVIZ_NONE, 100, centre, false},   {SCATTER_PREVIZ_NONE, 100, gizmo, true},
        {SCATTER_PREVIZ_DOT, 100, centre, true},     {SCATTER_PREVIZ_DOT, 100, side, false},
        {SCATTER_PREVIZ_DOT, 100, away, false},      {SCATTER_PREVIZ_DOT, 0, centre, false},
        {SCATTER_PREVIZ_BOX, 100, centre, true},     {SCATTER_PREVIZ_BOX, 100, side, true},
        {SCATTER_PREVIZ_BOX, 100, away, false},      {SCATTER_PREVIZ_WIRE_BOX, 100, centre, false},
        {SCATTER_PREVIZ_WIRE_BOX, 100, side, true},  {SCATTER_PREVIZ_WIRE_BOX, 100, away, false},
        {SCATTER_PREVIZ_WIRE_BOX, 0, side, false},   {SCATTER_PREVIZ_WIRE_BOX, 0, gizmo, true},
        {SCATTER_PREVIZ_FULL, 100, centre, true},    {SCATTER_PREVIZ_FULL, 100, away, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.percent << "% at " << c.point.x << ","
                                        << c.point.y);
        s->pblock->SetValue(scatter_displayedFraction, 0, c.percent);
        s->pblock->SetValue(scatter_previzType, 0, c.mode);
        EXPECT_EQ(picks(s, node, c.point), c.hit);
    }
    EXPECT_TRUE(view_.getGW()->Records().empty());

    // A window holding the ground's instances but not the gizmo selects nothing.
    s->pblock->SetValue(scatter_previzType, 0, SCATTER_PREVIZ_BOX);
    s->pblock->SetValue(scatter_displayedFraction, 0, 100.0f);
    IPoint2 instancesOnly[2] = {at(Point3(-1, -1, 0)), at(Point3(11, 11, 0))};
    IPoint2 everything[2] = {at(Point3(-52, -2, 0)), at(Point3(11, 11, 0))};
    EXPECT_EQ(s->HitTest(0, node, HITTYPE_BOX, FALSE, 0, instancesOnly, &view_), FALSE);
    EXPECT_EQ(s->HitTest(0, node, HITTYPE_BOX, TRUE, 0, instancesOnly, &view_), TRUE);
    EXPECT_EQ(s->HitTest(0, node, HITTYPE_BOX, FALSE, 0, everything, &view_), TRUE);
}

TEST_F(ScatterPick, ADirtyScatterRegeneratesBeforeItIsHitTested) {
    INode* node = nullptr;
    Scatter* s = groundScatter(10, &node);
    node->SetNodeTM(0, TransMatrix(Point3(-50, 0, 0)));
    s->pblock->SetValue(scatter_previzType, 0, SCATTER_PREVIZ_BOX);
    s->ensureCurrent(0);
    const Point3 before = position(s->distribution().instances()[0]);
    ASSERT_TRUE(picks(s, node, before));

    // The same layout follows the ground it stands on.
    INode* ground = s->pblock->GetINode(scatter_distributionObjects, 0, 0);
    ground->SetNodeTM(0, TransMatrix(Point3(100, 0, 0)));
    ASSERT_TRUE(s->isDirty());
    EXPECT_TRUE(picks(s, node, before + Point3(100, 0, 0)));
    EXPECT_FALSE(s->isDirty());
    EXPECT_FALSE(picks(s, node, before));
}

// ---------------------------------------------------------------------------
// Creation

TEST_F(ScatterTest, CreationPlacesThenSizesTheGizmo) {
    Scatter* s = newScatter();
    CreateMouseCallBack* cb = s->GetCreateMouseCallBack();
    ASSERT_NE(cb, nullptr);
    ViewExp& vpt = ip_->GetActiveViewExp();
    vpt.SetGridSnap(10.0f);
    Matrix3 mat;
    // The first click, snapped to the grid.
    EXPECT_EQ(cb->proc(&vpt, MOUSE_POINT, 0, 0, IPoint2{18, -21}, mat), CREATE_CONTINUE);
    Matrix3 placed = ScaleMatrix(Point3(0.01f, 0.01f, 0.01f));
    placed.SetTrans(Point3(20, 20, 0));
    EXPECT_TRUE(mat == placed);
    vpt.SetGridSnap(0.0f);
    const struct {
        IPoint2 at;
        float iconSize;
    } moves[] = {{{23, -24}, 5.0f}, {{20, -20}, 0.0001f}, {{20, -8}, 12.0f}};
    for (const auto& m : moves) {
        EXPECT_EQ(cb->proc(&vpt, MOUSE_MOVE, 1, 0, m.at, mat), CREATE_CONTINUE);
        EXPECT_TRUE(mat == TransMatrix(Point3(20, 20, 0)));
        EXPECT_FLOAT_EQ(s->pblock->GetFloat(scatter_iconSize), m.iconSize);
    }
    EXPECT_EQ(cb->proc(&vpt, MOUSE_POINT, 1, 0, IPoint2{20, -8}, mat), CREATE_STOP);
    EXPECT_EQ(cb->proc(&vpt, MOUSE_ABORT, 1, 0, IPoint2{}, mat), CREATE_ABORT);
}

// ---------------------------------------------------------------------------
// Rollouts

class ScatterRollout : public ScatterTest {
protected:
    IParamMap2* open(Scatter* s, MapID map) {
        s->BeginEditParams(ip_, 0, nullptr);
        IParamMap2* m = scatterClassDesc()->GetParamMap(s->pblock->GetDesc(), map);
        EXPECT_NE(m, nullptr);
        return m;
    }
};

TEST_F(ScatterRollout, SpinnersFollowTheSelectedEntriesAndWriteThemBack) {
    Scatter* s = groundScatter(10);
    append(s, scatter_distributionObjects, groundNode(3, u"small"));
    s->pblock->SetValue(scatter_distributionObjectsDensity, 0, 4.0f, 1);
    s->pblock->SetValue(scatter_scatteredObjectsFrequency, 0, 2.5f, 0);
    IParamMap2* map = open(s, SCATTER_MAP_OBJECTS);
    HWND w = map->GetHWnd();
    ListBox_SetCurSel(GetDlgItem(w, IDC_DIST_LIST), 1);
    ListBox_SetCurSel(GetDlgItem(w, IDC_SCAT_LIST), 0);
    map->Send(WM_SETCURSOR);
    EXPECT_EQ(GetDlgItem(w, IDC_DIST_DENSITY_SPIN)->value, 4.0f);
    EXPECT_EQ(GetDlgItem(w, IDC_SCAT_FREQUENCY_SPIN)->value, 2.5f);

    // The frequency itself would not regenerate; the spinner does.
    DebugLog::startCapture();
    UserSetSpinner(GetDlgItem(w, IDC_SCAT_FREQUENCY_SPIN), 6.0f);
    EXPECT_EQ(s->pblock->GetFloat(scatter_scatteredObjectsFrequency, 0, 0), 6.0f);
    EXPECT_EQ(generations(), 1);
    UserSetSpinner(GetDlgItem(w, IDC_DIST_DENSITY_SPIN), 0.5f);
    EXPECT_EQ(values(s->pblock, scatter_distributionObjectsDensity), (std::vector<float>{1.0f, 0.5f}));
    EXPECT_EQ(generations(), 2);

    // Without a selection the spinner edits nothing.
    ListBox_SetCurSel(GetDlgItem(w, IDC_DIST_LIST), -1);
    UserSetSpinner(GetDlgItem(w, IDC_DIST_DENSITY_SPIN), 9.0f);
    EXPECT_EQ(values(s->pblock, scatter_distributionObjectsDensity), (std::vector<float>{1.0f, 0.5f}));
}

TEST_F(ScatterRollout, TheListButtonEditsTheListThroughTheIncludeExcludeDialog) {
    Scatter* s = newScatter();
    INode* a = groundNode(1, u"a");
    INode* b = groundNode(2, u"b");
    INode* c = groundNode(3, u"c");
    INode* dummy = ip_->CreateObjectNode(new DummyObject(), u"dummy");
    append(s, scatter_distributionObjects, a);
    append(s, scatter_distributionObjects, b);
    s->pblock->SetValue(scatter_distributionObjectsDensity, 0, 3.0f, 1);
    IParamMap2* map = open(s, SCATTER_MAP_OBJECTS);
    const int paints = map->InvalidationCount();

    // Cancel changes nothing.
    ExclusionDialogService::Get().ScriptCancel();
    map->Send(WM_COMMAND, MAKEWPARAM(IDC_DIST_ADD, BN_CLICKED));
    ASSERT_EQ(ExclusionDialogService::Get().Shown().size(), 1u);
    EXPECT_EQ(ExclusionDialogService::Get().Shown()[0], (std::vector<INode*>{a, b}));
    EXPECT_EQ(s->pblock->Count(scatter_distributionObjects), 2);

    // OK with b kept, a dropped, c and a dummy (refused) added.
    ExclusionDialogService::Get().ScriptOk({b, c, dummy});
    map->Send(WM_COMMAND, MAKEWPARAM(IDC_DIST_ADD, BN_CLICKED));
    ASSERT_EQ(s->pblock->Count(scatter_distributionObjects), 2);
    EXPECT_EQ(s->pblock->GetINode(scatter_distributionObjects, 0, 0), b);
    EXPECT_EQ(s->pblock->GetINode(scatter_distributionObjects, 0, 1), c);
    EXPECT_EQ(values(s->pblock, scatter_distributionObjectsDensity), (std::vector<float>{3.0f, 1.0f}));
    EXPECT_GT(map->InvalidationCount(), paints);

    // The other list's button works on the scattered objects.
    ExclusionDialogService::Get().ScriptOk({a});
    map->Send(WM_COMMAND, MAKEWPARAM(IDC_SCAT_ADD, BN_CLICKED));
    EXPECT_EQ(s->pblock->Count(scatter_scatteredObjects), 1);
    EXPECT_EQ(values(s->pblock, scatter_scatteredObjectsFrequency), (std::vector<float>{1.0f}));
}

TEST_F(ScatterRollout, TheConvertButtonAsksFirst) {
    Scatter* s = groundScatter(4);
    IParamMap2* map = open(s, SCATTER_MAP_OBJECTS);
    ASSERT_NE(GetDlgItem(map->GetHWnd(), IDC_CONVERT), nullptr);
    auto converted = [this] {
        int n = 0;
        for (INode* node : ip_->AllNodes()) n += text(node->GetName()) == "NScatter_convert_pebble";
        return n;
    };
    for (const int answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer);
        UiService::Get().Clear();
        UiService::Get().ScriptAnswer(answer);
        map->Send(WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED));
        ASSERT_EQ(UiService::Get().Records().size(), 1u);
        const UiRecord& shown = UiService::Get().Records()[0];
        EXPECT_EQ(text(shown.caption), "Nimbal warning");
        EXPECT_EQ(text(shown.text).rfind("Really convert this scatter to ", 0), 0u);
        EXPECT_EQ(shown.flags & 0x0F, MB_OKCANCEL);
        EXPECT_EQ(converted(), answer == IDOK ? 4 : 0);
    }
}

TEST_F(ScatterRollout, UniformScalingDisablesTheYAndZScaleControls) {
    Scatter* s = groundScatter(4);
    IParamMap2* map = open(s, SCATTER_MAP_TRANSFORMATIONS);
    HWND w = map->GetHWnd();
    const int yz[] = {IDC_SCALE_MIN_Y, IDC_SCALE_MIN_Z_SPIN, IDC_SCALE_MAX_Y_SPIN, IDC_SCALE_MAX_Z};
    for (const bool uniform : {true, false, true}) {
        SCOPED_TRACE(uniform);
        s->pblock->SetValue(scatter_uniformScaling, 0, uniform ? 1 : 0);
        for (int id : yz) EXPECT_EQ(IsWindowEnabled(GetDlgItem(w, id)) != FALSE, !uniform) << id;
        EXPECT_EQ(map->IsEnabled(scatter_scaleMapY) != FALSE, !uniform);
        EXPECT_EQ(map->IsEnabled(scatter_scaleMapZ) != FALSE, !uniform);
        // The x controls stay usable.
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_SCALE_MIN_X)));
        EXPECT_TRUE(map->IsEnabled(scatter_scaleMapX));
    }
}

}  // namespace
}  // namespace Nimbal
