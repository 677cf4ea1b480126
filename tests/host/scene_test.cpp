// Nodes and the core interface: hierarchy, transforms, the modifier stack,
// deleting nodes, units and file resolution.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "fixtures.h"

using namespace hosttest;
namespace fs = std::filesystem;

namespace {

void ExpectPoint(const Point3& got, const Point3& want) {
    EXPECT_NEAR(got.x, want.x, 1e-5f);
    EXPECT_NEAR(got.y, want.y, 1e-5f);
    EXPECT_NEAR(got.z, want.z, 1e-5f);
}

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        ip = GetCOREInterface();
        ip->ResetScene();
        Bend::applied.clear();
        TheAccessor().Reset();
        before_ = Census();
    }
    void TearDown() override {
        ip->ResetScene();
        ip->ClearSearchPaths();
        ip->SetSystemUnitInfo(UNITS_INCHES, 1.0f);
        EXPECT_EQ(Census(), before_);
    }

    Interface* ip = nullptr;
    Census before_;
};

}  // namespace

TEST_F(SceneTest, NodesFormATreeWithoutCycles) {
    INode* a = ip->CreateObjectNode(nullptr, u"a");
    INode* b = ip->CreateObjectNode(nullptr, u"b");
    INode* c = ip->CreateObjectNode(nullptr, u"c");
    a->AttachChild(b);
    b->AttachChild(c);
    EXPECT_EQ(c->GetParentNode(), b);
    EXPECT_EQ(b->GetParentNode(), a);
    EXPECT_EQ(a->GetParentNode(), ip->GetRootNode());
    EXPECT_EQ(ip->GetRootNode()->NumberOfChildren(), 1);
    EXPECT_EQ(ip->AllNodes(), (std::vector<INode*>{a, b, c}));

    // A node cannot become its own ancestor.
    c->AttachChild(a);
    a->AttachChild(a);
    EXPECT_EQ(a->GetParentNode(), ip->GetRootNode());
    EXPECT_EQ(c->NumberOfChildren(), 0);

    // Attaching elsewhere moves the node.
    a->AttachChild(c);
    EXPECT_EQ(b->NumberOfChildren(), 0);
    EXPECT_EQ(c->GetParentNode(), a);
    EXPECT_EQ(a->NumberOfChildren(), 2);

    EXPECT_EQ(ip->GetINodeByName(u"c"), c);
    EXPECT_EQ(ip->GetINodeByName(u"nothing"), nullptr);
    // An unnamed node takes its object's name.
    INode* d = ip->CreateObjectNode(new DummyObject());
    EXPECT_EQ(MSTR(d->GetName()), u"Dummy");
}

TEST_F(SceneTest, TheObjectTransformIsTheOffsetThenTheNodeTransform) {
    INode* node = ip->CreateObjectNode(new Widget(), u"w");
    Matrix3 tm = RotateZMatrix(HALFPI);
    tm.SetTrans(Point3(10, 0, 0));
    node->SetNodeTM(0, tm);
    node->SetObjOffsetTM(TransMatrix(Point3(1, 0, 0)));

    ExpectPoint(Point3(0, 0, 0) * node->GetObjectTM(0), Point3(10, 1, 0));
    ExpectPoint(Point3(0, 0, 0) * node->GetNodeTM(0), Point3(10, 0, 0));

    // The widget's box (-1..1) in world space: offset, turned, moved.
    Box3 box;
    node->GetObjectRef()->GetWorldBoundBox(0, node, nullptr, box);
    ExpectPoint(box.pmin, Point3(9, 0, -1));
    ExpectPoint(box.pmax, Point3(11, 2, 1));
}

TEST_F(SceneTest, MovingANodeTellsItsDependents) {
    INode* node = ip->CreateObjectNode(nullptr, u"n");
    RefHolder hold(new Plain(1));
    auto* watcher = static_cast<Plain*>(hold.Get());
    watcher->ReplaceReference(0, node);
    node->SetNodeTM(0, TransMatrix(Point3(0, 0, 5)));
    node->SetName(u"renamed");
    ASSERT_EQ(watcher->heard.size(), 2u);
    EXPECT_EQ(watcher->heard[0].message, REFMSG_CHANGE);
    EXPECT_EQ(watcher->heard[1].message, REFMSG_NODE_NAMECHANGE);
    watcher->DeleteReference(0);
}

TEST_F(SceneTest, EvalWorldStateAppliesTheEnabledModifiersInOrder) {
    INode* node = ip->CreateObjectNode(CreateNewTriObject(), u"mesh");
    Object* base = node->GetObjectRef();
    EXPECT_EQ(node->EvalWorldState(0).obj, base);

    DummyObject replacement;
    auto* first = new Bend(u"first");
    auto* off = new Bend(u"off");
    auto* second = new Bend(u"second");
    off->SetEnabled(FALSE);
    second->output = &replacement;
    node->AddModifier(first);
    node->AddModifier(off);
    node->AddModifier(second);
    ASSERT_EQ(node->NumModifiers(), 3);
    EXPECT_EQ(node->GetModifier(2), second);
    EXPECT_EQ(first->NumDependents(), 1);

    const ObjectState os = node->EvalWorldState(0);
    EXPECT_EQ(os.obj, &replacement);
    EXPECT_EQ(Bend::applied, (std::vector<MSTR>{u"first", u"second"}));
    EXPECT_EQ(node->GetObjectRef(), base);

    const int bends = Bend::alive;
    node->DeleteModifier(2);
    EXPECT_EQ(Bend::alive, bends - 1);
    EXPECT_EQ(node->NumModifiers(), 2);
    EXPECT_EQ(node->EvalWorldState(0).obj, base);
}

TEST_F(SceneTest, DeletingANodeEmptiesTheBlockEntriesThatHeldIt) {
    INode* doomed = ip->CreateObjectNode(new Widget(), u"doomed");
    INode* child = ip->CreateObjectNode(nullptr, u"child");
    INode* kept = ip->CreateObjectNode(nullptr, u"kept");
    doomed->AttachChild(child);
    INode* holder = ip->CreateObjectNode(new Widget(), u"holder");
    IParamBlock2* pb = static_cast<Widget*>(holder->GetObjectRef())->pblock;
    pb->SetValue(wp_target, 0, doomed);
    const PB2Value nodes[] = {doomed, kept, doomed};
    pb->Append(wp_nodes, 3, nodes);
    const int widgets = Widget::alive;
    TheAccessor().calls.clear();

    ip->DeleteNode(doomed);
    EXPECT_EQ(ip->GetINodeByName(u"doomed"), nullptr);
    EXPECT_EQ(pb->GetINode(wp_target), nullptr);
    ASSERT_EQ(pb->Count(wp_nodes), 3);
    EXPECT_EQ(pb->GetINode(wp_nodes, 0, 0), nullptr);
    EXPECT_EQ(pb->GetINode(wp_nodes, 0, 1), kept);
    EXPECT_EQ(pb->GetINode(wp_nodes, 0, 2), nullptr);
    // The accessor hears of every table entry that held the node.
    std::vector<int> refDeleted;
    for (const AccessorCall& c : TheAccessor().calls)
        if (c.kind == 'T' && c.id == wp_nodes && c.change == tab_ref_deleted) refDeleted.push_back(c.tabIndex);
    EXPECT_EQ(refDeleted, (std::vector<int>{0, 2}));
    // Its object went with it; its child moved up.
    EXPECT_EQ(Widget::alive, widgets - 1);
    EXPECT_EQ(child->GetParentNode(), ip->GetRootNode());

    ip->DeleteNode(ip->GetRootNode());
    EXPECT_EQ(ip->AllNodes().size(), 3u);
}

TEST_F(SceneTest, ResetSceneDeletesNodesObjectsAndSceneReferences) {
    INode* parent = ip->CreateObjectNode(new Widget(), u"p");
    parent->AttachChild(ip->CreateObjectNode(new Widget(), u"c"));
    ip->SetEnvironmentMap(new Swatch(u"env"));
    ip->AddToScene(new Plain(0, u"loose"));
    ip->SetTime(4800);
    EXPECT_EQ(ip->NumSceneObjects(), 1);
    ip->ResetScene();
    EXPECT_TRUE(ip->AllNodes().empty());
    EXPECT_EQ(ip->GetEnvironmentMap(), nullptr);
    EXPECT_EQ(ip->NumSceneObjects(), 0);
    EXPECT_EQ(ip->GetTime(), 0);
    EXPECT_EQ(Census(), before_);
}

TEST(CoreInterface, MasterScaleConvertsTheSystemUnit) {
    Interface* ip = GetCOREInterface();
    struct Case {
        int systemType;
        float systemScale;
        int askedType;
        double expected;
    };
    const Case cases[] = {
        {UNITS_INCHES, 1.0f, UNITS_MILLIMETERS, 25.4},
        {UNITS_INCHES, 1.0f, UNITS_INCHES, 1.0},
        {UNITS_METERS, 1.0f, UNITS_CENTIMETERS, 100.0},
        {UNITS_CENTIMETERS, 2.5f, UNITS_INCHES, 25.0 / 25.4},
        {UNITS_FEET, 1.0f, UNITS_INCHES, 12.0},
        {UNITS_KILOMETERS, 1.0f, UNITS_MILES, 1.0e6 / 1609344.0},
        {UNITS_MILLIMETERS, 1.0f, 99, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.systemType << " x" << c.systemScale << " in " << c.askedType);
        ip->SetSystemUnitInfo(c.systemType, c.systemScale);
        EXPECT_NEAR(GetMasterScale(c.askedType), c.expected, 1e-9 * std::max(1.0, c.expected));
    }
    ip->SetSystemUnitInfo(UNITS_INCHES, 1.0f);
}

namespace {
int g_unitChanges = 0;
void CountUnitChange(void*, NotifyInfo* info) {
    if (info->intcode == NOTIFY_UNITS_CHANGE) ++g_unitChanges;
}
}  // namespace

TEST(CoreInterface, ChangingUnitsIsBroadcastOnce) {
    Interface* ip = GetCOREInterface();
    ip->SetSystemUnitInfo(UNITS_INCHES, 1.0f);
    g_unitChanges = 0;
    RegisterNotification(CountUnitChange, nullptr, NOTIFY_UNITS_CHANGE);
    ip->SetSystemUnitInfo(UNITS_METERS, 1.0f);
    EXPECT_EQ(g_unitChanges, 1);
    ip->SetSystemUnitInfo(UNITS_METERS, 1.0f);  // no change
    EXPECT_EQ(g_unitChanges, 1);
    // Nonsense is refused silently.
    ip->SetSystemUnitInfo(42, 1.0f);
    ip->SetSystemUnitInfo(UNITS_METERS, 0.0f);
    ip->SetSystemUnitInfo(UNITS_METERS, std::nanf(""));
    EXPECT_EQ(g_unitChanges, 1);
    int type;
    float scale;
    ip->GetSystemUnitInfo(&type, &scale);
    EXPECT_EQ(type, UNITS_METERS);
    EXPECT_EQ(scale, 1.0f);
    ip->SetSystemUnitInfo(UNITS_METERS, 0.5f);
    EXPECT_EQ(g_unitChanges, 2);
    UnRegisterNotification(CountUnitChange, nullptr, NOTIFY_UNITS_CHANGE);
    ip->SetSystemUnitInfo(UNITS_INCHES, 1.0f);
    EXPECT_EQ(g_unitChanges, 2);
}

TEST_F(SceneTest, FilePathsResolveThroughTheSceneFolderAndTheSearchPaths) {
    const fs::path root = fs::temp_directory_path() / ("nimbal-host-paths-" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char* d : {"scene", "a", "b/sub"}) fs::create_directories(root / d);
    for (const char* f : {"scene/tex.png", "a/tex.png", "a/only_a.png", "b/only_b.png", "b/sub/deep.png"})
        std::ofstream(root / f) << "x";
    std::string error;
    ASSERT_TRUE(ip->SaveToFile(FromUtf8((root / "scene" / "s.nsc").string()), error)) << error;
    ip->AddSearchPath(FromUtf8((root / "a").string()));
    ip->AddSearchPath(FromUtf8((root / "b").string()));

    auto at = [&](const char* rel) { return FromUtf8((root / rel).string()); };
    struct Case {
        MSTR asked;
        bool found;
        MSTR expected;
    };
    const Case cases[] = {
        {u"tex.png", true, at("scene/tex.png")},  // the scene's folder comes first
        {u"only_a.png", true, at("a/only_a.png")},
        {u"only_b.png", true, at("b/only_b.png")},
        {u"sub/deep.png", true, at("b/sub/deep.png")},
        {u"/gone/folder/only_a.png", true, at("a/only_a.png")},  // folder gone: by name
        {at("b/only_b.png"), true, at("b/only_b.png")},         // exists: unchanged
        {u"missing.png", false, u"missing.png"},
        {u"", false, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.asked));
        MSTR path = c.asked;
        EXPECT_EQ(ip->GetFullFilePath(path), c.found);
        EXPECT_EQ(path, c.expected);
    }
    fs::remove_all(root);
}
