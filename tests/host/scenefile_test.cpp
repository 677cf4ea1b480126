// The scene file: a saved scene loads back whole, post-load callbacks run
// once everything is wired, and damaged files fail cleanly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <unistd.h>

#include "fixtures.h"

using namespace hosttest;
namespace fs = std::filesystem;

namespace {

// Writes scene files by hand, for damage that a saved file cannot show. The
// layout is the one SceneFile.cpp documents.
class FileBuilder {
public:
    explicit FileBuilder(uint32_t count) {
        const char magic[12] = {'N', 'I', 'M', 'B', 'A', 'L', 'S', 'C', 'E', 'N', 'E', '\0'};
        bytes.assign(magic, magic + sizeof(magic));
        Put<uint32_t>(1);
        Put<int32_t>(0);
        Put<int32_t>(UNITS_INCHES);
        Put<float>(1.0f);
        Put<uint32_t>(count);
    }
    template <class T>
    FileBuilder& Put(T v) {
        const auto* p = reinterpret_cast<const uint8_t*>(&v);
        bytes.insert(bytes.end(), p, p + sizeof(T));
        return *this;
    }
    FileBuilder& Object(uint8_t kind, SClass_ID sclass, Class_ID cid, const std::vector<int32_t>& refs,
                        const std::vector<uint8_t>& data) {
        Put(kind).Put<uint32_t>(sclass).Put<uint32_t>(cid.PartA()).Put<uint32_t>(cid.PartB());
        return Refs(refs).Data(data);
    }
    FileBuilder& Refs(const std::vector<int32_t>& refs) {
        Put<uint32_t>(static_cast<uint32_t>(refs.size()));
        for (int32_t r : refs) Put(r);
        return *this;
    }
    FileBuilder& Data(const std::vector<uint8_t>& data) {
        Put<uint32_t>(static_cast<uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> PlainData(int numRefs, int postLoadPriority = -1, const char16_t* name = u"") {
    Plain p(numRefs, name);
    p.postLoadPriority = postLoadPriority;
    ISave s;
    p.Save(&s);
    return s.Bytes();
}

// A node's parent link, in the node's own chunk.
std::vector<uint8_t> NodeData(int32_t parent) {
    ISave s;
    s.BeginChunk(0x0504);
    s.WriteValue(parent);
    s.EndChunk();
    return s.Bytes();
}

// A triangle object whose second vertex chunk leaves a face pointing past the
// vertices.
std::vector<uint8_t> ShrunkMeshData() {
    ISave s;
    s.BeginChunk(0x0100);
    s.BeginChunk(0x0101);
    s.WriteValue(int32_t{3});
    for (int i = 0; i < 3; ++i) s.WriteValue(Point3(i, 0, 0));
    s.EndChunk();
    s.BeginChunk(0x0102);
    s.WriteValue(int32_t{1});
    for (int32_t v : {0, 1, 2}) s.WriteValue(v);
    s.WriteValue(uint32_t{1});
    s.WriteValue(uint32_t{0});
    s.WriteValue(int32_t{0});
    s.EndChunk();
    s.BeginChunk(0x0101);
    s.WriteValue(int32_t{1});
    s.WriteValue(Point3(0, 0, 0));
    s.EndChunk();
    s.EndChunk();
    return s.Bytes();
}

// What a failed load must leave exactly as it was.
struct Snapshot {
    std::vector<INode*> nodes;
    std::vector<INode*> parents;
    std::vector<Object*> objects;
    Texmap* env = nullptr;
    std::vector<ReferenceTarget*> loose;
    TimeValue time = 0;
    int unitType = 0;
    float unitScale = 0.0f;
    MSTR file;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(Interface* ip) {
    Snapshot s;
    for (INode* n : ip->AllNodes()) {
        s.nodes.push_back(n);
        s.parents.push_back(n->GetParentNode());
        s.objects.push_back(n->GetObjectRef());
    }
    s.env = ip->GetEnvironmentMap();
    for (int i = 0; i < ip->NumSceneObjects(); ++i) s.loose.push_back(ip->GetSceneObject(i));
    s.time = ip->GetTime();
    ip->GetSystemUnitInfo(&s.unitType, &s.unitScale);
    s.file = ip->GetCurFilePath();
    return s;
}

void PrintTo(const Snapshot& s, std::ostream* os) { *os << s.nodes.size() << " nodes"; }

class SceneFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        ip = GetCOREInterface();
        ip->ResetScene();
        ip->SetSystemUnitInfo(UNITS_INCHES, 1.0f);
        PostLoadLog().clear();
        AnimateOff();
        before_ = Census();
        dir_ = fs::temp_directory_path() / ("nimbal-host-scene-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        ip->ResetScene();
        ip->SetSystemUnitInfo(UNITS_INCHES, 1.0f);
        EXPECT_EQ(Census(), before_);
        fs::remove_all(dir_);
    }

    // A small scene with a bit of everything the file stores.
    void BuildScene() {
        auto* w1 = new Widget();
        INode* parent = ip->CreateObjectNode(w1, u"Parent");
        INode* child = ip->CreateObjectNode(new DummyObject(), u"Child");
        parent->AttachChild(child);
        TriObject* tri = CreateNewTriObject();
        tri->mesh.setNumVerts(3);
        tri->mesh.setVert(1, Point3(1, 0, 0));
        tri->mesh.setVert(2, Point3(0, 1, 0));
        tri->mesh.setNumFaces(1);
        tri->mesh.faces[0].setVerts(0, 1, 2);
        INode* grand = ip->CreateObjectNode(tri, u"Grand");
        child->AttachChild(grand);
        auto* w2 = new Widget();
        INode* other = ip->CreateObjectNode(w2, u"Other");
        other->AddModifier(new Bend(u"on"));
        auto* off = new Bend(u"off");
        off->SetEnabled(FALSE);
        other->AddModifier(off);

        parent->SetNodeTM(0, TransMatrix(Point3(1, 2, 3)));
        child->SetObjOffsetTM(RotateXMatrix(0.5f));
        other->SetWireColor(0x00FF0000);
        other->Hide(TRUE);

        auto* env = new Swatch(u"sky");
        env->SetSubTexmap(0, new Swatch(u"clouds"));
        ip->SetEnvironmentMap(env);
        auto* shared = new Plain(0, u"shared");
        shared->number = 11;

        IParamBlock2* pb = w1->pblock;
        {
            Animate on;
            pb->SetValue(wp_size, 4800, 40.0f);
            pb->SetCount(wp_weights, 3);
            pb->SetValue(wp_weights, 2400, 2.0f, 2);
        }
        pb->SetValue(wp_count, 0, 7);
        pb->SetValue(wp_on, 0, FALSE);
        pb->SetValue(wp_tint, 0, Color(0.1f, 0.2f, 0.3f));
        pb->SetValue(wp_glow, 0, AColor(0.4f, 0.5f, 0.6f, 0.5f));
        pb->SetValue(wp_label, 0, u"Grüße ✓");
        pb->SetValue(wp_file, 0, u"maps/a.png");
        pb->SetValue(wp_map, 0, env);
        pb->SetValue(wp_target, 0, child);
        pb->SetValue(wp_weights, 0, 0.25f, 0);
        pb->SetValue(wp_weights, 0, 0.75f, 1);
        const PB2Value names[] = {u"b"};
        pb->Append(wp_names, 1, names);
        pb->SetValue(wp_names, 0, u"a", 0);
        const PB2Value maps[] = {shared, shared};
        pb->Append(wp_maps, 2, maps);
        const PB2Value nodes[] = {child, grand};
        pb->Append(wp_nodes, 2, nodes);
        const PB2Value one[] = {shared};
        w2->pblock->Append(wp_maps, 1, one);
        w2->pblock->SetValue(wp_mode, 0, 2);

        auto* loose = new Plain(1, u"loose");
        loose->number = 5;
        loose->ReplaceReference(0, shared);
        ip->AddToScene(loose);
        ip->SetTime(960);
        ip->SetSystemUnitInfo(UNITS_CENTIMETERS, 2.0f);
    }

    std::vector<uint8_t> SavedBytes() {
        std::string error;
        const fs::path path = dir_ / "scene.nsc";
        EXPECT_TRUE(ip->SaveToFile(FromUtf8(path.string()), error)) << error;
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // Loads damaged bytes and checks the failure leaves everything as it was.
    void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& why = "") {
        const Snapshot s = Take(ip);
        const Census c;
        // An exact-size copy, so a read past the end is caught by the sanitizer.
        auto copy = std::make_unique<uint8_t[]>(bytes.size() + 1);
        if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
        std::string error;
        EXPECT_FALSE(SceneFile::LoadBytes(*ip, copy.get(), bytes.size(), error));
        EXPECT_FALSE(error.empty());
        if (!why.empty()) {
            EXPECT_NE(error.find(why), std::string::npos) << error;
        }
        EXPECT_EQ(Take(ip), s);
        EXPECT_EQ(Census(), c);
    }

    Interface* ip = nullptr;
    Census before_;
    fs::path dir_;
};

}  // namespace

TEST_F(SceneFileTest, ASavedSceneLoadsBackWhole) {
    BuildScene();
    const Census built;
    std::string error;
    const MSTR path = FromUtf8((dir_ / "scene.nsc").string());
    ASSERT_TRUE(ip->SaveToFile(path, error)) << error;
    ip->ResetScene();
    ip->SetSystemUnitInfo(UNITS_INCHES, 1.0f);
    ASSERT_TRUE(ip->LoadFromFile(path, error)) << error;
    EXPECT_EQ(Census(), built);
    EXPECT_EQ(ip->GetCurFilePath(), path);
    EXPECT_EQ(ip->GetTime(), 960);
    int type;
    float scale;
    ip->GetSystemUnitInfo(&type, &scale);
    EXPECT_EQ(type, UNITS_CENTIMETERS);
    EXPECT_EQ(scale, 2.0f);

    INode* parent = ip->GetINodeByName(u"Parent");
    INode* child = ip->GetINodeByName(u"Child");
    INode* grand = ip->GetINodeByName(u"Grand");
    INode* other = ip->GetINodeByName(u"Other");
    ASSERT_TRUE(parent && child && grand && other);
    EXPECT_EQ(parent->GetParentNode(), ip->GetRootNode());
    EXPECT_EQ(child->GetParentNode(), parent);
    EXPECT_EQ(grand->GetParentNode(), child);
    EXPECT_EQ(ip->AllNodes().size(), 4u);
    EXPECT_TRUE(parent->GetNodeTM(0).GetTrans().Equals(Point3(1, 2, 3)));
    EXPECT_TRUE(child->GetObjOffsetTM().GetRow(1).Equals(RotateXMatrix(0.5f).GetRow(1)));
    EXPECT_EQ(other->GetWireColor(), 0x00FF0000u);
    EXPECT_TRUE(other->IsHidden());
    ASSERT_EQ(other->NumModifiers(), 2);
    EXPECT_TRUE(other->GetModifier(0)->IsEnabled());
    EXPECT_FALSE(other->GetModifier(1)->IsEnabled());
    EXPECT_NE(dynamic_cast<DummyObject*>(child->GetObjectRef()), nullptr);
    auto* tri = dynamic_cast<TriObject*>(grand->GetObjectRef());
    ASSERT_NE(tri, nullptr);
    EXPECT_EQ(tri->mesh.getNumFaces(), 1);
    EXPECT_EQ(tri->mesh.getVert(2), Point3(0, 1, 0));

    auto* w1 = dynamic_cast<Widget*>(parent->GetObjectRef());
    auto* w2 = dynamic_cast<Widget*>(other->GetObjectRef());
    ASSERT_TRUE(w1 && w2 && w1->pblock && w2->pblock);
    IParamBlock2* pb = w1->pblock;
    EXPECT_EQ(pb->GetOwner(), w1);
    EXPECT_EQ(pb->NumKeys(wp_size), 2);
    EXPECT_FLOAT_EQ(pb->GetFloat(wp_size, 2400), 25.0f);
    EXPECT_EQ(pb->GetInt(wp_count), 7);
    EXPECT_EQ(pb->GetInt(wp_on), 0);
    EXPECT_EQ(pb->GetColor(wp_tint), Color(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(pb->GetAColor(wp_glow), AColor(0.4f, 0.5f, 0.6f, 0.5f));
    EXPECT_EQ(MSTR(pb->GetStr(wp_label)), u"Grüße ✓");
    EXPECT_EQ(MSTR(pb->GetStr(wp_file)), u"maps/a.png");
    ASSERT_EQ(pb->Count(wp_weights), 3);
    EXPECT_EQ(pb->GetFloat(wp_weights, 0, 1), 0.75f);
    EXPECT_EQ(pb->NumKeys(wp_weights, 2), 2);
    EXPECT_FLOAT_EQ(pb->GetFloat(wp_weights, 2400, 2), 2.0f);
    ASSERT_EQ(pb->Count(wp_names), 2);
    EXPECT_EQ(MSTR(pb->GetStr(wp_names, 0, 0)), u"a");
    EXPECT_EQ(MSTR(pb->GetStr(wp_names, 0, 1)), u"b");
    EXPECT_EQ(w2->pblock->GetInt(wp_mode), 2);

    // Shared targets stay shared: the environment map, the plain target held
    // by both widgets and the loose object, and the nodes.
    Texmap* env = ip->GetEnvironmentMap();
    ASSERT_NE(env, nullptr);
    EXPECT_EQ(static_cast<Swatch*>(env)->GetName(), u"sky");
    ASSERT_NE(env->GetSubTexmap(0), nullptr);
    EXPECT_EQ(static_cast<Swatch*>(env->GetSubTexmap(0))->GetName(), u"clouds");
    EXPECT_EQ(pb->GetTexmap(wp_map), env);
    auto* shared = dynamic_cast<Plain*>(pb->GetReferenceTarget(wp_maps, 0, 0));
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->number, 11);
    EXPECT_EQ(pb->GetReferenceTarget(wp_maps, 0, 1), shared);
    EXPECT_EQ(w2->pblock->GetReferenceTarget(wp_maps), shared);
    ASSERT_EQ(ip->NumSceneObjects(), 1);
    auto* loose = dynamic_cast<Plain*>(ip->GetSceneObject(0));
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(loose->name, u"loose");
    EXPECT_EQ(loose->GetReference(0), shared);
    EXPECT_EQ(shared->NumDependents(), 4);
    EXPECT_EQ(pb->GetINode(wp_target), child);
    EXPECT_EQ(pb->GetINode(wp_nodes, 0, 0), child);
    EXPECT_EQ(pb->GetINode(wp_nodes, 0, 1), grand);

    // The block remembers the version it was saved with.
    auto* info = static_cast<IParamBlock2PostLoadInfo*>(pb->GetInterface(IPARAMBLOCK2POSTLOADINFO_ID));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetVersion(), 3u);

    // Saving the loaded scene gives the same bytes.
    std::ifstream in(dir_ / "scene.nsc", std::ios::binary);
    const std::vector<uint8_t> first((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(SavedBytes(), first);
}

TEST_F(SceneFileTest, PostLoadCallbacksRunOnceTheWholeSceneIsWiredInPriorityOrder) {
    for (const char16_t* n : {u"n1", u"n2", u"n3"}) ip->CreateObjectNode(new DummyObject(), n);
    ip->SetEnvironmentMap(new Swatch(u"env"));
    struct Loose {
        const char16_t* name;
        int priority;
        int refs;
    };
    // Saved (and so loaded and registered) in this order.
    const Loose loose[] = {{u"seven", 7, 1}, {u"two-a", 2, 2}, {u"five", 5, 0}, {u"two-b", 2, 3}};
    for (const Loose& l : loose) {
        auto* p = new Plain(l.refs, l.name);
        p->postLoadPriority = l.priority;
        for (int i = 0; i < l.refs; ++i) p->ReplaceReference(i, new Plain(0, u"target"));
        ip->AddToScene(p);
    }
    const std::vector<uint8_t> bytes = SavedBytes();
    ip->ResetScene();
    std::string error;
    ASSERT_TRUE(SceneFile::LoadBytes(*ip, bytes.data(), bytes.size(), error)) << error;

    const auto& log = PostLoadLog();
    ASSERT_EQ(log.size(), 4u);
    const std::vector<MSTR> order = {u"two-a", u"two-b", u"five", u"seven"};
    const std::vector<int> refs = {2, 3, 0, 1};
    for (size_t i = 0; i < log.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log[i].name, order[i]);
        EXPECT_EQ(log[i].wiredRefs, refs[i]);
        EXPECT_EQ(log[i].sceneNodes, 3);
        EXPECT_TRUE(log[i].envMapSet);
    }
}

TEST_F(SceneFileTest, ACallbackMayLetGoOfAnObjectWhoseCallbackIsStillToCome) {
    auto* first = new Plain(1, u"drop-first");
    first->postLoadPriority = 1;
    auto* later = new Plain(0, u"later");
    later->postLoadPriority = 2;
    first->ReplaceReference(0, later);
    ip->AddToScene(first);
    const std::vector<uint8_t> bytes = SavedBytes();
    ip->ResetScene();
    const int plains = Plain::alive;
    std::string error;
    ASSERT_TRUE(SceneFile::LoadBytes(*ip, bytes.data(), bytes.size(), error)) << error;
    ASSERT_EQ(PostLoadLog().size(), 2u);
    EXPECT_EQ(PostLoadLog()[1].name, u"later");
    // Let go of, it went once the callbacks were done.
    EXPECT_EQ(Plain::alive, plains + 1);
    EXPECT_EQ(static_cast<Plain*>(ip->GetSceneObject(0))->GetReference(0), nullptr);
}

TEST_F(SceneFileTest, LooseObjectsWithoutDataLoad) {
    // Objects with no references and no chunks make the smallest records.
    for (int i = 0; i < 10; ++i) ip->AddToScene(new TargetObject());
    const std::vector<uint8_t> bytes = SavedBytes();
    ip->ResetScene();
    std::string error;
    ASSERT_TRUE(SceneFile::LoadBytes(*ip, bytes.data(), bytes.size(), error)) << error;
    EXPECT_EQ(ip->NumSceneObjects(), 10);
}

TEST_F(SceneFileTest, UnreachableObjectsAreDroppedAfterTheCallbacksRan) {
    // Nothing in the scene refers to 0 or 1; 0 holds 1 and asks for a callback.
    FileBuilder f(2);
    f.Object(0, REF_TARGET_CLASS_ID, PLAIN_CID, {1}, PlainData(1, 4, u"orphan"));
    f.Object(0, REF_TARGET_CLASS_ID, PLAIN_CID, {}, PlainData(0));
    f.Refs({-1, -1});
    std::string error;
    ASSERT_TRUE(SceneFile::LoadBytes(*ip, f.bytes.data(), f.bytes.size(), error)) << error;
    ASSERT_EQ(PostLoadLog().size(), 1u);
    EXPECT_EQ(PostLoadLog()[0].name, u"orphan");
    EXPECT_EQ(PostLoadLog()[0].wiredRefs, 1);
    EXPECT_EQ(Census(), before_);
}

TEST_F(SceneFileTest, DamagedFilesAreRefusedAndLeaveTheSceneAlone) {
    BuildScene();
    const auto plain = [](std::vector<int32_t> refs, int numRefs) {
        return std::make_tuple(uint8_t{0}, REF_TARGET_CLASS_ID, PLAIN_CID, refs, PlainData(numRefs));
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* why;
    };
    std::vector<Case> cases;
    auto build = [](uint32_t count, const std::vector<std::tuple<uint8_t, SClass_ID, Class_ID, std::vector<int32_t>,
                                                                 std::vector<uint8_t>>>& objects,
                    const std::vector<int32_t>& sceneRefs) {
        FileBuilder f(count);
        for (const auto& [kind, sclass, cid, refs, data] : objects) f.Object(kind, sclass, cid, refs, data);
        f.Refs(sceneRefs);
        return f.bytes;
    };
    cases.push_back({"empty", {}, "not a scene file"});
    cases.push_back({"wrong magic", std::vector<uint8_t>(64, 'x'), "not a scene file"});
    {
        auto b = build(0, {}, {-1, -1});
        b[12] = 9;
        cases.push_back({"unknown version", b, "version"});
    }
    cases.push_back({"two billion objects", FileBuilder(2000000000u).bytes, "object count"});
    cases.push_back({"a reference loop", build(2, {plain({1}, 1), plain({0}, 1)}, {-1, -1, 0}), "loop"});
    cases.push_back({"a self reference", build(1, {plain({0}, 1)}, {-1, -1, 0}), "loop"});
    cases.push_back({"an unknown class",
                     build(1, {{0, REF_TARGET_CLASS_ID, Class_ID(0xDEAD, 0xBEEF), {}, {}}}, {-1, -1, 0}),
                     "unknown class"});
    cases.push_back({"an unknown kind", build(1, {{7, REF_TARGET_CLASS_ID, PLAIN_CID, {}, {}}}, {-1, -1}),
                     "kind"});
    cases.push_back({"a reference past the objects", build(1, {plain({5}, 1)}, {-1, -1, 0}), "missing object"});
    cases.push_back({"a scene reference past the objects", build(1, {plain({}, 0)}, {-1, -1, 3}),
                     "missing object"});
    cases.push_back({"more references than the object holds", build(2, {plain({1}, 0), plain({}, 0)}, {-1, -1, 0}),
                     "more references"});
    cases.push_back({"a node whose object is not an object",
                     build(2, {{2, BASENODE_CLASS_ID, NODE_CLASS_ID, {1, -1}, {}}, plain({}, 0)}, {-1, -1}),
                     "wrong kind"});
    cases.push_back({"nodes that are each other's parent",
                     build(2,
                           {{2, BASENODE_CLASS_ID, NODE_CLASS_ID, {-1, -1}, NodeData(1)},
                            {2, BASENODE_CLASS_ID, NODE_CLASS_ID, {-1, -1}, NodeData(0)}},
                           {-1, -1}),
                     "hierarchy"});
    cases.push_back({"a node parented to a target",
                     build(2, {{2, BASENODE_CLASS_ID, NODE_CLASS_ID, {-1, -1}, NodeData(1)}, plain({}, 0)}, {-1, -1}),
                     "hierarchy"});
    cases.push_back({"damaged object data",
                     build(1, {{0, GEOMOBJECT_CLASS_ID, TRIOBJ_CLASS_ID, {}, ShrunkMeshData()}}, {-1, -1, 0}),
                     "damaged data"});
    {
        FileBuilder f(1);
        f.Put(uint8_t{1}).Put<uint32_t>(PARAMETER_BLOCK2_CLASS_ID).Put<uint32_t>(0x82).Put<uint32_t>(0);
        f.Put<uint32_t>(GEOMOBJECT_CLASS_ID).Put<uint32_t>(0xDEAD).Put<uint32_t>(0xBEEF).Put<int16_t>(0);
        f.Put<int32_t>(1).Data({0, 0, 0, 0}).Refs({}).Data({}).Refs({-1, -1});
        cases.push_back({"a parameter block of an unknown class", f.bytes, "unknown class"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectRefused(c.bytes, c.why);
    }
}

TEST_F(SceneFileTest, EveryTruncationOfASavedSceneIsRefused) {
    BuildScene();
    const std::vector<uint8_t> bytes = SavedBytes();
    ASSERT_GT(bytes.size(), 500u);
    for (size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        ExpectRefused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
        if (HasFailure()) break;
    }
}

TEST_F(SceneFileTest, RandomlyDamagedScenesNeverCrashOrLeak) {
    BuildScene();
    const std::vector<uint8_t> original = SavedBytes();
    std::string error;
    std::mt19937 rng(20240611);
    int loaded = 0, refused = 0;
    for (int round = 0; round < 1500 && !HasFailure(); ++round) {
        std::vector<uint8_t> bytes = original;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < flips; ++k) bytes[rng() % bytes.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        const Snapshot s = Take(ip);
        auto copy = std::make_unique<uint8_t[]>(bytes.size());
        std::memcpy(copy.get(), bytes.data(), bytes.size());
        error.clear();
        if (SceneFile::LoadBytes(*ip, copy.get(), bytes.size(), error)) {
            ++loaded;
            // Some damage is harmless (a name, a value); go back to the original.
            ASSERT_TRUE(SceneFile::LoadBytes(*ip, original.data(), original.size(), error)) << error;
        } else {
            ++refused;
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(Take(ip), s);
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(loaded, 0);
    ip->ResetScene();
    EXPECT_EQ(Census(), before_);
}

TEST_F(SceneFileTest, AFileThatCannotBeReadKeepsTheCurrentFile) {
    const MSTR path = FromUtf8((dir_ / "kept.nsc").string());
    std::string error;
    ASSERT_TRUE(ip->SaveToFile(path, error)) << error;
    EXPECT_FALSE(ip->LoadFromFile(FromUtf8((dir_ / "missing.nsc").string()), error));
    EXPECT_NE(error.find("missing.nsc"), std::string::npos) << error;
    {
        std::ofstream(dir_ / "junk.nsc") << "not a scene";
    }
    EXPECT_FALSE(ip->LoadFromFile(FromUtf8((dir_ / "junk.nsc").string()), error));
    EXPECT_EQ(ip->GetCurFilePath(), path);
}
