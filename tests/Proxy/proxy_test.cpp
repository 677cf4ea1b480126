// The proxy object as a renderer, a viewport and a user reach it through the
// host: status and its text, caching, render meshes, conversion, boxes and
// counts, the point cloud, display modes, creation from scene nodes (script
// and pick button), directory conversion, units changes, saved scenes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Proxy/Proxy.h"
#include "Scatter/RandomGenerators.h"
#include "core-interface/Debug.h"
#include "core-interface/WinApi.h"
#include "host/Max.h"

namespace Nimbal {
namespace {

namespace fs = std::filesystem;

// A flat grid in the z = 0 plane: cols x rows cells of `cell` units, two
// triangles each.
Mesh makeGrid(int cols, int rows, float cell = 1.0f) {
    Mesh m;
    m.setNumVerts((cols + 1) * (rows + 1));
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= cols; ++x) m.setVert(y * (cols + 1) + x, Point3(x * cell, y * cell, 0.0f));
    m.setNumFaces(2 * cols * rows);
    int f = 0;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            const DWORD a = y * (cols + 1) + x, b = a + 1, c = a + cols + 1, d = c + 1;
            m.getFace(f).setVerts(a, b, d);
            m.getFace(f++).setEdgeVisFlags(true, true, false);
            m.getFace(f).setVerts(d, c, a);
            m.getFace(f++).setEdgeVisFlags(true, true, false);
        }
    }
    return m;
}

// Two triangles: a unit right triangle at z = 0 and a degenerate one at z = 5.
Mesh makeOneRealOneFlat() {
    Mesh m;
    m.setNumVerts(6);
    m.setVert(0, Point3(0, 0, 0));
    m.setVert(1, Point3(1, 0, 0));
    m.setVert(2, Point3(0, 1, 0));
    m.setVert(3, Point3(0, 0, 5));
    m.setVert(4, Point3(1, 0, 5));
    m.setVert(5, Point3(2, 0, 5));
    m.setNumFaces(2);
    m.getFace(0).setVerts(3, 4, 5);
    m.getFace(1).setVerts(0, 1, 2);
    return m;
}

std::string text(const String& s) { return s.toUtf8(); }
std::string text(const MSTR& s) { return ToUtf8(s); }

HWND childWithText(HWND w, const MSTR& label) {
    for (auto& c : w->children)
        if (c->text == label) return c.get();
    return nullptr;
}

class ProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("nimbal-proxy-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(dir_);
        ip_ = GetCOREInterface();
        ip_->ResetScene();
        ip_->GetSystemUnitInfo(&savedUnitType_, &savedUnitScale_);
        ip_->SetSystemUnitInfo(UNITS_MILLIMETERS, 1.0f);
        ip_->SetQuietMode(FALSE);
        UiService::Get().Clear();
        previousDialogs_ = WinApi::setDialogHandler(&dialogs_);
        DebugLog::startCapture();
    }

    void TearDown() override {
        DebugLog::stopCapture();
        WinApi::setDialogHandler(previousDialogs_);
        ip_->ClearPickMode();
        ip_->ResetScene();
        ip_->SetSystemUnitInfo(savedUnitType_, savedUnitScale_);
        UiService::Get().Clear();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::string writeProxy(const std::string& name, const Mesh& mesh, const char* material = "Steel",
                           const char* object = "Teapot") {
        ProxyFileInfo info;
        info.originalMaterialName = String(material);
        info.originalObjectName = String(object);
        const std::string p = path(name);
        NProxyFormat format{String::fromUtf8(p)};
        EXPECT_TRUE(format.write(mesh, info)) << p;
        return p;
    }

    std::string writeBytes(const std::string& name, const std::string& bytes) {
        const std::string p = path(name);
        fs::create_directories(fs::path(p).parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    // A new proxy in a node of the scene, made the way the host makes one.
    Proxy* newProxy(INode** nodeOut = nullptr, const MCHAR* name = u"proxy") {
        auto* obj = static_cast<Animatable*>(ip_->CreateInstance(GEOMOBJECT_CLASS_ID, proxyClassDesc()->ClassID()));
        auto* proxy = dynamic_cast<Proxy*>(obj);
        EXPECT_NE(proxy, nullptr);
        INode* node = ip_->CreateObjectNode(proxy, name);
        if (nodeOut) *nodeOut = node;
        return proxy;
    }

    static void setFile(Proxy* proxy, const std::string& file) {
        proxy->pblock->SetValue(proxy_filename, 0, FromUtf8(file).c_str());
    }

    INode* meshNode(const Mesh& mesh, const MCHAR* name) {
        TriObject* tri = CreateNewTriObject();
        tri->mesh = mesh;
        return ip_->CreateObjectNode(tri, name);
    }

    static bool logHas(const std::string& prefix) {
        for (const std::string& line : DebugLog::lines())
            if (line.rfind(prefix, 0) == 0) return true;
        return false;
    }

    fs::path dir_;
    Interface* ip_ = nullptr;
    int savedUnitType_ = UNITS_INCHES;
    float savedUnitScale_ = 1.0f;
    WinApi::ScriptedDialogHandler dialogs_;
    WinApi::DialogHandler* previousDialogs_ = nullptr;
};

// ---------------------------------------------------------------------------
// Status

TEST(ProxyText, GroupsThousandsWithCommas) {
    const struct {
        int64_t value;
        const char* expected;
    } cases[] = {{0, "0"}, {7, "7"}, {999, "999"}, {1000, "1,000"}, {65536, "65,536"},
                 {100000, "100,000"}, {1234567, "1,234,567"}, {2147483647, "2,147,483,647"}};
    for (const auto& c : cases) EXPECT_EQ(text(groupThousands(c.value)), c.expected) << c.value;
}

TEST_F(ProxyTest, StatusAndItsTextFollowWhatBecameOfTheFile) {
    const std::string good = writeProxy("grid.nproxy", makeGrid(40, 30));  // 1271 vertices, 2400 faces
    const std::string garbage = writeBytes("broken.nproxy", "B\x05\0\0\0hello, not a proxy");
    const std::string missing = path("nowhere.nproxy");
    const struct {
        const char* what;
        std::string file;
        bool cache;
        ProxyStatus status;
        std::string statusText;
    } cases[] = {
        {"no name", "", true, PROXY_NONE, "[No proxy loaded]"},
        {"null asset id", "{00000000-0000-0000-0000-000000000000}", true, PROXY_NONE, "[No proxy loaded]"},
        {"missing file", missing, true, PROXY_NOT_FOUND, "[ERROR] Cannot find file '" + missing + "'."},
        {"unreadable file", garbage, true, PROXY_PARSE_ERROR, "[ERROR] Cannot parse file '" + garbage + "'."},
        {"kept in memory", good, true, PROXY_IN_RAM,
         "Proxy loaded: '" + good + "'\nVertices: 1,271,\nFaces: 2,400."},
        {"not kept", good, false, PROXY_ON_DISK, "Proxy unloaded from RAM: '" + good + "'."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Proxy* proxy = newProxy();
        proxy->pblock->SetValue(proxy_cacheInRam, 0, c.cache ? 1 : 0);
        setFile(proxy, c.file);
        EXPECT_EQ(proxy->getData().status, c.status);
        EXPECT_EQ(text(proxy->statusText()), c.statusText);
        const bool loaded = c.status == PROXY_IN_RAM || c.status == PROXY_ON_DISK;
        EXPECT_EQ(proxy->getData().faceCount, loaded ? 2400 : 0);
        EXPECT_EQ(proxy->getData().mesh.getNumFaces(), c.status == PROXY_IN_RAM ? 2400 : 0);
        EXPECT_EQ(text(proxy->getData().info.originalObjectName), loaded ? "Teapot" : "");
    }
    EXPECT_TRUE(logHas("Error loading proxy: " + garbage));
}

TEST_F(ProxyTest, AFileThatWasNotFoundIsLookedForAgainWhenTheMeshIsAskedFor) {
    Proxy* proxy = newProxy();
    setFile(proxy, "later.nproxy");  // relative: resolved through the search paths
    ASSERT_EQ(proxy->getData().status, PROXY_NOT_FOUND);
    View view;
    BOOL needDelete = TRUE;
    EXPECT_EQ(proxy->GetRenderMesh(0, nullptr, view, needDelete), nullptr);
    EXPECT_FALSE(needDelete);

    writeProxy("later.nproxy", makeGrid(2, 2));
    ip_->AddSearchPath(FromUtf8(dir_.string()));
    Mesh* mesh = proxy->GetRenderMesh(0, nullptr, view, needDelete);
    ip_->ClearSearchPaths();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->getNumFaces(), 8);
    EXPECT_FALSE(needDelete);
    EXPECT_EQ(proxy->getData().status, PROXY_IN_RAM);
    EXPECT_EQ(text(proxy->getData().resolvedPath), path("later.nproxy"));
    EXPECT_EQ(text(proxy->getData().fileName), "later.nproxy");
}

// ---------------------------------------------------------------------------
// Caching and the render mesh

TEST_F(ProxyTest, RenderMeshComesFromMemoryOrIsReadAgainForEachRender) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(10, 5));
    Proxy* proxy = newProxy();
    setFile(proxy, file);
    View view;
    BOOL needDelete = TRUE;
    Mesh* cached = proxy->GetRenderMesh(0, nullptr, view, needDelete);
    ASSERT_NE(cached, nullptr);
    EXPECT_FALSE(needDelete);
    EXPECT_EQ(cached, &proxy->getData().mesh);
    EXPECT_EQ(cached->getNumFaces(), 100);

    proxy->pblock->SetValue(proxy_cacheInRam, 0, 0);
    EXPECT_EQ(proxy->getData().status, PROXY_ON_DISK);
    EXPECT_EQ(proxy->getData().mesh.getNumVerts(), 0);
    EXPECT_EQ(proxy->getData().mesh.getNumFaces(), 0);
    EXPECT_EQ(proxy->getData().faceCount, 100);  // the counts stay known

    DebugLog::startCapture();
    for (int render = 0; render < 2; ++render) {
        std::unique_ptr<Mesh> fresh(proxy->GetRenderMesh(0, nullptr, view, needDelete));
        ASSERT_NE(fresh, nullptr);
        EXPECT_TRUE(needDelete);
        EXPECT_EQ(fresh->getNumFaces(), 100);
        EXPECT_EQ(fresh->getBoundingBox().pmax, Point3(10, 5, 0));
    }
    EXPECT_TRUE(logHas("loadMesh() took "));
    EXPECT_TRUE(logHas("PROXY: loading from HDD. Elapsed: "));

    // The file went away between renders: nothing to render, nothing to delete.
    fs::remove(file);
    needDelete = TRUE;
    EXPECT_EQ(proxy->GetRenderMesh(0, nullptr, view, needDelete), nullptr);
    EXPECT_FALSE(needDelete);
    EXPECT_TRUE(logHas("Error loading proxy: " + file));

    writeProxy("grid.nproxy", makeGrid(10, 5));
    proxy->pblock->SetValue(proxy_cacheInRam, 0, 1);
    EXPECT_EQ(proxy->getData().status, PROXY_IN_RAM);
    EXPECT_EQ(proxy->getData().mesh.getNumFaces(), 100);
    EXPECT_EQ(text(proxy->getData().fileName), file);
}

TEST_F(ProxyTest, NoRenderMeshWithoutALoadedFile) {
    const std::string garbage = writeBytes("broken.nproxy", "not a proxy at all");
    for (const std::string& file : {std::string(), path("missing.nproxy"), garbage}) {
        Proxy* proxy = newProxy();
        setFile(proxy, file);
        View view;
        BOOL needDelete = TRUE;
        EXPECT_EQ(proxy->GetRenderMesh(0, nullptr, view, needDelete), nullptr) << file;
        EXPECT_FALSE(needDelete);
    }
}

TEST_F(ProxyTest, CacheInRamReadsOnForThePointCloudAndFullMeshModes) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(4, 4));
    for (int mode = 0; mode <= 3; ++mode) {
        SCOPED_TRACE(mode);
        Proxy* proxy = newProxy();
        proxy->pblock->SetValue(proxy_cacheInRam, 0, 0);
        setFile(proxy, file);
        ASSERT_EQ(proxy->getData().status, PROXY_ON_DISK);
        proxy->pblock->SetValue(proxy_previzType, 0, mode);
        const bool needsMesh = mode >= 2;
        EXPECT_EQ(proxy->pblock->GetInt(proxy_cacheInRam), needsMesh ? 1 : 0);
        EXPECT_EQ(proxy->pblock->GetRawValue(proxy_cacheInRam).i, needsMesh ? 1 : 0);
        EXPECT_EQ(proxy->getData().status, needsMesh ? PROXY_IN_RAM : PROXY_ON_DISK);
        EXPECT_EQ(proxy->getData().mesh.getNumFaces(), needsMesh ? 32 : 0);

        // Stored off underneath a mesh mode, it still reads on.
        proxy->pblock->SetValue(proxy_cacheInRam, 0, 0);
        EXPECT_EQ(proxy->pblock->GetInt(proxy_cacheInRam), needsMesh ? 1 : 0);
        EXPECT_EQ(proxy->pblock->GetRawValue(proxy_cacheInRam).i, 0);
    }
}

TEST_F(ProxyTest, ConversionGivesACopyOfTheMeshWhereverItIsKept) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(3, 2));
    Proxy* proxy = newProxy();
    EXPECT_TRUE(proxy->CanConvertToType(TRIOBJ_CLASS_ID));
    EXPECT_FALSE(proxy->CanConvertToType(EPOLYOBJ_CLASS_ID));
    EXPECT_FALSE(proxy->CanConvertToType(Class_ID(0x1234, 0)));

    // Nothing loaded: an empty object.
    std::unique_ptr<::Object> empty(proxy->ConvertToType(0, TRIOBJ_CLASS_ID));
    ASSERT_NE(dynamic_cast<TriObject*>(empty.get()), nullptr);
    EXPECT_EQ(static_cast<TriObject*>(empty.get())->mesh.getNumFaces(), 0);

    setFile(proxy, file);
    for (int cache : {1, 0}) {
        SCOPED_TRACE(cache);
        proxy->pblock->SetValue(proxy_cacheInRam, 0, cache);
        std::unique_ptr<::Object> tri(proxy->ConvertToType(0, TRIOBJ_CLASS_ID));
        auto* triObj = dynamic_cast<TriObject*>(tri.get());
        ASSERT_NE(triObj, nullptr);
        EXPECT_NE(tri.get(), static_cast<::Object*>(proxy));
        EXPECT_EQ(triObj->mesh.getNumFaces(), 12);
        EXPECT_EQ(triObj->mesh.getBoundingBox().pmax, Point3(3, 2, 0));
        std::unique_ptr<::Object> poly(proxy->ConvertToType(0, EPOLYOBJ_CLASS_ID));
        ASSERT_NE(dynamic_cast<PolyObject*>(poly.get()), nullptr);
        EXPECT_EQ(static_cast<PolyObject*>(poly.get())->mm.getNumFaces(), 12);
    }
    EXPECT_EQ(proxy->getData().status, PROXY_ON_DISK);
}

// ---------------------------------------------------------------------------
// Boxes and counts

TEST_F(ProxyTest, BoundingBoxesAreTheMeshsOrTheIconsAroundTheOrigin) {
    INode* node = nullptr;
    Proxy* proxy = newProxy(&node);
    proxy->pblock->SetValue(proxy_viewportIconSize, 0, 2.5f);
    Box3 box;
    proxy->GetLocalBoundBox(0, node, nullptr, box);
    EXPECT_EQ(box, Box3(Point3(-2.5f, -2.5f, -2.5f), Point3(2.5f, 2.5f, 2.5f)));

    Mesh mesh = makeGrid(4, 2);
    mesh.setVert(0, Point3(-1, -1, -3));
    setFile(proxy, writeProxy("grid.nproxy", mesh));
    proxy->GetLocalBoundBox(0, node, nullptr, box);
    EXPECT_EQ(box, Box3(Point3(-1, -1, -3), Point3(4, 2, 0)));

    Matrix3 tm;
    tm.SetTrans(Point3(10, 20, 30));
    proxy->GetDeformBBox(0, box, &tm);
    EXPECT_EQ(box, Box3(Point3(9, 19, 27), Point3(14, 22, 30)));
    proxy->GetDeformBBox(0, box, nullptr);
    EXPECT_EQ(box, Box3(Point3(-1, -1, -3), Point3(4, 2, 0)));

    node->SetNodeTM(0, tm);
    proxy->GetWorldBoundBox(0, node, &ip_->GetActiveViewExp(), box);
    EXPECT_EQ(box, Box3(Point3(9, 19, 27), Point3(14, 22, 30)));
}

TEST_F(ProxyTest, StatisticsCountWhatTheDisplayModeDraws) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(30, 25));  // 806 vertices, 1500 faces
    const struct {
        bool loaded;
        int mode;
        int faces, verts;
    } cases[] = {{false, 3, 0, 8}, {true, 0, 12, 8}, {true, 1, 0, 8}, {true, 2, 0, 1500}, {true, 3, 1500, 806}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        Proxy* proxy = newProxy();
        proxy->pblock->SetValue(proxy_previzType, 0, c.mode);
        if (c.loaded) setFile(proxy, file);
        int faces = -1, verts = -1;
        EXPECT_TRUE(proxy->PolygonCount(0, faces, verts));
        EXPECT_EQ(faces, c.faces);
        EXPECT_EQ(verts, c.verts);
    }
}

// ---------------------------------------------------------------------------
// Point cloud

TEST_F(ProxyTest, PointCloudSizeFollowsTheFaceCountWithinItsBounds) {
    const struct {
        int cols, rows;
        int points;
    } cases[] = {{25, 10, 1000}, {40, 25, 2000}, {500, 250, 100000}};  // 500, 2000 and 250 000 faces
    for (const auto& c : cases) {
        SCOPED_TRACE(c.points);
        Proxy* proxy = newProxy();
        proxy->pblock->SetValue(proxy_previzType, 0, PREVIZ_POINT_CLOUD);
        setFile(proxy, writeProxy("grid.nproxy", makeGrid(c.cols, c.rows)));
        const Stack<Point3>& cloud = proxy->getPointCloud();
        ASSERT_EQ(cloud.size(), c.points);
        // Every point lies on the grid.
        for (const Point3& p : cloud) {
            ASSERT_EQ(p.z, 0.0f);
            ASSERT_TRUE(p.x >= 0.0f && p.x <= float(c.cols) && p.y >= 0.0f && p.y <= float(c.rows))
                << p.x << " " << p.y;
        }
    }
}

TEST_F(ProxyTest, PointCloudIsTheSameForTheSameMeshAndSkipsFacesWithoutArea) {
    const std::string file = writeProxy("two.nproxy", makeOneRealOneFlat());
    Proxy* a = newProxy();
    Proxy* b = newProxy();
    for (Proxy* p : {a, b}) {
        p->pblock->SetValue(proxy_previzType, 0, PREVIZ_POINT_CLOUD);
        setFile(p, file);
    }
    const Stack<Point3>& cloud = a->getPointCloud();
    ASSERT_EQ(cloud.size(), 1000);
    ASSERT_EQ(b->getPointCloud().size(), 1000);
    EXPECT_EQ(std::memcmp(cloud.data(), b->getPointCloud().data(), sizeof(Point3) * 1000), 0);
    for (const Point3& p : cloud) ASSERT_EQ(p.z, 0.0f);  // never on the flat face at z = 5

    // The draw, done by hand: xorshift64* from the seed of 1337, both halves
    // of the full 64-bit product, point P0 + E1 (s r3) + E2 (1 - s).
    uint64_t state = seedXorshift64Star(1337);
    auto step = [&state] {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1DULL;
    };
    for (int i = 0; i < 3; ++i) {
        const uint64_t first = step();
        const float r1 = unitFloat(static_cast<uint32_t>(first));
        const uint64_t second = step();
        const float r3 = unitFloat(static_cast<uint32_t>(second));
        const float s = std::sqrt(r1);
        const Point3 expected = Point3(1, 0, 0) * (s * r3) + Point3(0, 1, 0) * (1.0f - s);
        EXPECT_EQ(cloud[i], expected) << i;
    }
}

TEST_F(ProxyTest, PointCloudStaysEmptyWhileTheMeshIsNotInMemory) {
    Proxy* proxy = newProxy();
    proxy->pblock->SetValue(proxy_previzType, 0, PREVIZ_POINT_CLOUD);
    setFile(proxy, writeProxy("grid.nproxy", makeGrid(10, 10)));
    proxy->pblock->SetValue(proxy_cacheInRam, 0, 0);
    ASSERT_EQ(proxy->getData().status, PROXY_ON_DISK);
    EXPECT_EQ(proxy->getPointCloud().size(), 0);
    ViewExp& vp = ip_->GetActiveViewExp();
    vp.getGW()->ClearRecords();
    proxy->Display(0, nullptr, &vp, 0);
    EXPECT_EQ(vp.getGW()->Count(DrawRecord::Marker), 0);

    proxy->pblock->SetValue(proxy_cacheInRam, 0, 1);
    EXPECT_EQ(proxy->getPointCloud().size(), 1000);
}

// ---------------------------------------------------------------------------
// Viewport

TEST_F(ProxyTest, EachDisplayModeDrawsItsShapeInTheNodesTransformAndColour) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(25, 20));  // 1000 faces, 546 vertices
    ViewExp& vp = ip_->GetActiveViewExp();
    GraphicsWindow* gw = vp.getGW();
    const struct {
        int mode;
        float density;
        DrawRecord::Kind kind;
        int records;
        int meshFaces;
    } cases[] = {
        {PREVIZ_SOLID_BOX, 0.05f, DrawRecord::MeshShape, 1, 12},
        {PREVIZ_WIRE_BOX, 0.05f, DrawRecord::Polyline, 12, 0},
        {PREVIZ_POINT_CLOUD, 0.05f, DrawRecord::Marker, 50, 0},
        {PREVIZ_POINT_CLOUD, 0.5f, DrawRecord::Marker, 500, 0},
        {PREVIZ_POINT_CLOUD, 5.0f, DrawRecord::Marker, 1000, 0},  // never past the cloud
        {PREVIZ_POINT_CLOUD, -1.0f, DrawRecord::Marker, 0, 0},
        {PREVIZ_FULL_MESH, 0.05f, DrawRecord::MeshShape, 1, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.density);
        INode* node = nullptr;
        Proxy* proxy = newProxy(&node);
        Matrix3 tm;
        tm.SetTrans(Point3(5, 6, 7));
        node->SetNodeTM(0, tm);
        node->SetWireColor(0x00FF8000);  // blue 255, green 128, red 0
        proxy->pblock->SetValue(proxy_previzType, 0, c.mode);
        proxy->pblock->SetValue(proxy_pointcloudDensity, 0, c.density);
        setFile(proxy, file);
        gw->ClearRecords();
        proxy->Display(0, node, &vp, 0);
        ASSERT_EQ(static_cast<int>(gw->Records().size()), c.records);
        for (const DrawRecord& r : gw->Records()) {
            EXPECT_EQ(r.kind, c.kind);
            EXPECT_EQ(r.tm.GetTrans(), Point3(5, 6, 7));
            EXPECT_EQ(r.color, Point3(0.0f, 128.0f / 255.0f, 1.0f));
            if (r.kind == DrawRecord::MeshShape) {
                EXPECT_EQ(r.meshFaces, c.meshFaces);
            }
            if (r.kind == DrawRecord::Marker) {
                EXPECT_EQ(static_cast<int>(r.marker), 13);
            }
            for (const Point3& p : r.points)
                EXPECT_TRUE(p.x >= 0 && p.x <= 25 && p.y >= 0 && p.y <= 20 && p.z == 0) << p.x << "," << p.y;
        }
    }
}

TEST_F(ProxyTest, WithoutAFileTheIconIsDrawnAtItsSize) {
    INode* node = nullptr;
    Proxy* proxy = newProxy(&node);
    proxy->pblock->SetValue(proxy_viewportIconSize, 0, 10.0f);
    ViewExp& vp = ip_->GetActiveViewExp();
    GraphicsWindow* gw = vp.getGW();
    gw->ClearRecords();
    proxy->Display(0, node, &vp, 0);
    ASSERT_GT(gw->Count(DrawRecord::Polyline), 0);
    EXPECT_EQ(gw->Count(DrawRecord::Polyline), static_cast<int>(gw->Records().size()));
    float extent = 0.0f;
    for (const DrawRecord& r : gw->Records())
        for (const Point3& p : r.points) extent = std::max({extent, std::abs(p.x), std::abs(p.y), std::abs(p.z)});
    EXPECT_FLOAT_EQ(extent, 8.0f);
}

TEST_F(ProxyTest, SelectedAndFrozenNodesDrawInTheHostsColours) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(2, 2));
    ViewExp& vp = ip_->GetActiveViewExp();
    const struct {
        bool selected, frozen;
        Point3 color;
    } cases[] = {{false, false, Point3(1, 0, 0)},
                 {true, false, GetUIColor(COLOR_SELECTION)},
                 {false, true, GetUIColor(COLOR_FREEZE)}};
    for (bool loaded : {false, true}) {
        for (const auto& c : cases) {
            INode* node = nullptr;
            Proxy* proxy = newProxy(&node);
            if (loaded) setFile(proxy, file);
            node->SetWireColor(0x000000FF);
            node->SetSelected(c.selected);
            node->Freeze(c.frozen);
            vp.getGW()->ClearRecords();
            proxy->Display(0, node, &vp, 0);
            ASSERT_FALSE(vp.getGW()->Records().empty());
            EXPECT_EQ(vp.getGW()->Records().front().color, c.color) << c.selected << c.frozen << loaded;
        }
    }
}

TEST_F(ProxyTest, NewerViewportPathGivesMeshItemsOnlyForTheFullMesh) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(5, 5));
    Proxy* proxy = newProxy();
    setFile(proxy, file);
    auto* display = static_cast<IObjectDisplay2*>(proxy->GetInterface(IOBJECT_DISPLAY2_INTERFACE_ID));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetObjectDisplayRequirement(), 1u);
    for (int mode = 0; mode <= 3; ++mode) {
        proxy->pblock->SetValue(proxy_previzType, 0, mode);
        UpdateDisplayContext context;
        UpdateNodeContext nodeContext;
        IRenderItemContainer items;
        EXPECT_TRUE(display->PrepareDisplay(context));
        EXPECT_TRUE(display->UpdatePerNodeItems(context, nodeContext, items));
        ASSERT_EQ(items.GetNumberOfRenderItems(), mode == 3 ? 1 : 0) << mode;
        if (mode == 3) {
            EXPECT_EQ(items.GetRenderItem(0).numFaces, 50);
        }
    }
}

TEST_F(ProxyTest, ADisplayModeOutsideTheFourIsAProgrammingError) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(2, 2));
    Proxy* proxy = newProxy();
    setFile(proxy, file);
    proxy->pblock->SetValue(proxy_previzType, 0, 7);  // code may store what the radio buttons never would
    ViewExp& vp = ip_->GetActiveViewExp();
    UpdateDisplayContext context;
    int faces, verts;
    EXPECT_THROW(proxy->Display(0, nullptr, &vp, 0), Exception);
    EXPECT_THROW(proxy->PrepareDisplay(context), Exception);
    EXPECT_THROW(proxy->PolygonCount(0, faces, verts), Exception);
    // A hit test that throws leaves the viewport drawing, not picking.
    vp.getGW()->setRndLimits(GW_WIREFRAME);
    IPoint2 at{0, 0};
    EXPECT_THROW(proxy->HitTest(0, nullptr, HITTYPE_POINT, TRUE, 0, &at, &vp), Exception);
    EXPECT_EQ(vp.getGW()->getRndLimits(), GW_WIREFRAME);
    vp.getGW()->setRndLimits(0);
}

// An L: the squares (0, 0)-(10, 10), (10, 0)-(20, 10) and (0, 10)-(10, 20),
// two triangles each, leaving the corner (10, 10)-(20, 20) of its box empty.
Mesh makeL() {
    Mesh m;
    const float corners[3][2] = {{0, 0}, {10, 0}, {0, 10}};
    m.setNumVerts(12);
    m.setNumFaces(6);
    for (int q = 0; q < 3; ++q) {
        const float x = corners[q][0], y = corners[q][1];
        m.setVert(4 * q, Point3(x, y, 0));
        m.setVert(4 * q + 1, Point3(x + 10, y, 0));
        m.setVert(4 * q + 2, Point3(x + 10, y + 10, 0));
        m.setVert(4 * q + 3, Point3(x, y + 10, 0));
        m.getFace(2 * q).setVerts(4 * q, 4 * q + 1, 4 * q + 2);
        m.getFace(2 * q + 1).setVerts(4 * q + 2, 4 * q + 3, 4 * q);
        m.getFace(2 * q).setEdgeVisFlags(true, true, false);
        m.getFace(2 * q + 1).setEdgeVisFlags(true, true, false);
    }
    return m;
}

TEST_F(ProxyTest, HitTestsPickWhatEachDisplayModeDraws) {
    const std::string file = writeProxy("l.nproxy", makeL());
    enum Where { GIVEN, FIRST_CLOUD_POINT, AWAY_FROM_IT };
    constexpr int NO_FILE = -1;
    const struct {
        const char* name;
        int mode;
        DWORD limits;
        int type;
        Where where;
        float x, y;  // object space, when given
        bool hit;
    } cases[] = {
        {"solid box, its empty corner", PREVIZ_SOLID_BOX, 0, HITTYPE_POINT, GIVEN, 15, 15, true},
        {"solid box, beside it", PREVIZ_SOLID_BOX, 0, HITTYPE_POINT, GIVEN, 25, 5, false},
        {"solid box in wireframe, inside", PREVIZ_SOLID_BOX, GW_WIREFRAME, HITTYPE_POINT, GIVEN, 10, 10, false},
        {"solid box in wireframe, solid test", PREVIZ_SOLID_BOX, GW_WIREFRAME, HITTYPE_SOLID, GIVEN, 10, 10, true},
        {"solid box in wireframe, its edge", PREVIZ_SOLID_BOX, GW_WIREFRAME, HITTYPE_POINT, GIVEN, 20, 12, true},
        {"wire box, its edge", PREVIZ_WIRE_BOX, 0, HITTYPE_POINT, GIVEN, 20, 15, true},
        {"wire box, inside", PREVIZ_WIRE_BOX, 0, HITTYPE_POINT, GIVEN, 5, 5, false},
        {"point cloud, its point", PREVIZ_POINT_CLOUD, 0, HITTYPE_POINT, FIRST_CLOUD_POINT, 0, 0, true},
        {"point cloud, between points", PREVIZ_POINT_CLOUD, 0, HITTYPE_POINT, AWAY_FROM_IT, 0, 0, false},
        {"full mesh, on it", PREVIZ_FULL_MESH, 0, HITTYPE_POINT, GIVEN, 5, 15, true},
        {"full mesh, near its inner side", PREVIZ_FULL_MESH, 0, HITTYPE_POINT, GIVEN, 15, 12, true},
        {"full mesh, its empty corner", PREVIZ_FULL_MESH, 0, HITTYPE_POINT, GIVEN, 15, 15, false},
        // The icon of size 20: a cube of half size 16 with a cross on top.
        {"icon, its edge", NO_FILE, 0, HITTYPE_POINT, GIVEN, 16, 3, true},
        {"icon, its cross", NO_FILE, 0, HITTYPE_POINT, GIVEN, -8, -8, true},
        {"icon, inside", NO_FILE, 0, HITTYPE_POINT, GIVEN, 10, 0, false},
    };
    ViewExp& vp = ip_->GetActiveViewExp();
    GraphicsWindow* gw = vp.getGW();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        INode* node = nullptr;
        Proxy* proxy = newProxy(&node);
        node->SetNodeTM(0, TransMatrix(Point3(100, 0, 0)));
        proxy->pblock->SetValue(proxy_viewportIconSize, 0, 20.0f);
        proxy->pblock->SetValue(proxy_pointcloudDensity, 0, 0.001f);  // one point of the thousand
        if (c.mode != NO_FILE) {
            proxy->pblock->SetValue(proxy_previzType, 0, c.mode);
            setFile(proxy, file);
        }
        Point3 at(c.x, c.y, 0);
        if (c.where != GIVEN) {
            const Point3 first = proxy->getPointCloud()[0];
            // The farther end of the L from that point.
            at = c.where == FIRST_CLOUD_POINT ? first : Point3(first.x < 10 ? 18 : 2, 2, 0);
        }
        IPoint2 p{static_cast<int>(std::lround(100 + at.x)), static_cast<int>(std::lround(-at.y))};
        gw->setRndLimits(c.limits);
        gw->ClearRecords();
        EXPECT_EQ(proxy->HitTest(0, node, c.type, TRUE, 0, &p, &vp), c.hit ? TRUE : FALSE);
        EXPECT_EQ(gw->getRndLimits(), c.limits);
        EXPECT_TRUE(gw->Records().empty());
    }
    gw->setRndLimits(0);

    // A window selects the proxy only when it holds all of the mesh.
    INode* node = nullptr;
    Proxy* proxy = newProxy(&node);
    proxy->pblock->SetValue(proxy_previzType, 0, PREVIZ_FULL_MESH);
    setFile(proxy, file);
    IPoint2 whole[2] = {{-1, 1}, {21, -21}};
    IPoint2 lowerPart[2] = {{-1, 1}, {21, -15}};
    EXPECT_EQ(proxy->HitTest(0, node, HITTYPE_BOX, FALSE, 0, whole, &vp), TRUE);
    EXPECT_EQ(proxy->HitTest(0, node, HITTYPE_BOX, FALSE, 0, lowerPart, &vp), FALSE);
    EXPECT_EQ(proxy->HitTest(0, node, HITTYPE_BOX, TRUE, 0, lowerPart, &vp), TRUE);
    EXPECT_EQ(proxy->HitTest(0, node, HITTYPE_POINT, TRUE, 0, nullptr, &vp), FALSE);
    EXPECT_EQ(proxy->HitTest(0, node, HITTYPE_POINT, TRUE, 0, whole, nullptr), FALSE);
}

// ---------------------------------------------------------------------------
// Identity, assets, cloning, units

TEST_F(ProxyTest, NamesAssetsAndRefusedShallowCopy) {
    Proxy* proxy = newProxy();
    EXPECT_EQ(MSTR(proxy->GetObjectName()), u"NimbalProxy");
    INode* unnamed = ip_->CreateObjectNode(static_cast<Proxy*>(static_cast<Animatable*>(
        ip_->CreateInstance(GEOMOBJECT_CLASS_ID, proxyClassDesc()->ClassID()))));
    EXPECT_EQ(MSTR(unnamed->GetName()), u"Nimbal Proxy");
    EXPECT_THROW(proxy->ShallowCopy(nullptr, 0), Exception);

    struct Records : AssetEnumCallback {
        std::vector<AssetUser> seen;
        void RecordAsset(const AssetUser& a) override { seen.push_back(a); }
    } records;
    proxy->EnumAuxFiles(records, 0);
    EXPECT_TRUE(records.seen.empty());  // no file, nothing to report

    const std::string first = writeProxy("first.nproxy", makeGrid(1, 1));
    const std::string second = writeProxy("second.nproxy", makeGrid(3, 1));
    setFile(proxy, first);
    proxy->EnumAuxFiles(records, 0);
    ASSERT_EQ(records.seen.size(), 1u);
    EXPECT_EQ(text(records.seen[0].GetFileName()), first);
    EXPECT_EQ(records.seen[0].GetType(), 7);

    // Through an accessor the host can also move the proxy to another file.
    struct Repath : IEnumAuxAssetsCallback {
        std::string to;
        int declared = 0;
        void RecordAsset(const AssetUser&) override { ADD_FAILURE() << "accessor expected"; }
        void DeclareAsset(IAssetAccessor& a) override {
            ++declared;
            EXPECT_EQ(a.GetAssetType(), 7);
            EXPECT_TRUE(a.SetAsset(AssetUser(FromUtf8(to), 7)));
        }
    } repath;
    repath.to = second;
    proxy->EnumAuxFiles(repath, FILE_ENUM_ACCESSOR_INTERFACE);
    EXPECT_EQ(repath.declared, 1);
    EXPECT_EQ(proxy->getData().faceCount, 6);
    EXPECT_EQ(text(proxy->getData().fileName), second);
}

TEST_F(ProxyTest, AClonedProxyShowsTheSameFile) {
    Proxy* proxy = newProxy();
    setFile(proxy, writeProxy("grid.nproxy", makeGrid(3, 3)));
    proxy->pblock->SetValue(proxy_cacheInRam, 0, 0);
    RemapDir remap;
    auto* copy = dynamic_cast<Proxy*>(remap.CloneRef(proxy));
    ASSERT_NE(copy, nullptr);
    ip_->CreateObjectNode(copy, u"copy");
    EXPECT_EQ(copy->getData().status, PROXY_ON_DISK);
    EXPECT_EQ(text(copy->statusText()), text(proxy->statusText()));
    EXPECT_EQ(copy->getData().faceCount, 18);
}

TEST_F(ProxyTest, AUnitsChangeReloadsTheFileInTheNewUnits) {
    Proxy* proxy = newProxy();
    proxy->pblock->SetValue(proxy_cacheInRam, 0, 0);
    setFile(proxy, writeProxy("grid.nproxy", makeGrid(10, 20)));  // written in millimetres
    ASSERT_EQ(proxy->getData().boxMax, Point3(10, 20, 0));
    DebugLog::startCapture();
    ip_->SetSystemUnitInfo(UNITS_CENTIMETERS, 1.0f);
    EXPECT_TRUE(logHas("Proxy::OnUnitsChange"));
    EXPECT_EQ(proxy->getData().status, PROXY_ON_DISK);  // the caching choice survives
    EXPECT_NEAR(proxy->getData().boxMax.x, 1.0f, 1e-6);
    EXPECT_NEAR(proxy->getData().boxMax.y, 2.0f, 1e-6);
    Box3 box;
    proxy->GetLocalBoundBox(0, nullptr, nullptr, box);
    EXPECT_NEAR(box.pmax.y, 2.0f, 1e-6);
}

// ---------------------------------------------------------------------------
// Saved scenes

// The saved block's version, rewritten as an older library would have saved it.
void setSavedBlockVersion(const std::string& scene, int32_t version) {
    std::ifstream in(scene, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const Class_ID cid = proxyClassDesc()->ClassID();
    std::string pattern;
    auto put = [&pattern](const void* p, size_t n) { pattern.append(static_cast<const char*>(p), n); };
    const uint32_t words[3] = {GEOMOBJECT_CLASS_ID, cid.PartA(), cid.PartB()};
    const int16_t blockId = 0;
    const int32_t current = 548;
    put(words, sizeof words);
    put(&blockId, sizeof blockId);
    put(&current, sizeof current);
    size_t at = 0;
    int found = 0;
    while ((at = bytes.find(pattern, at)) != std::string::npos) {
        std::memcpy(&bytes[at + pattern.size() - sizeof version], &version, sizeof version);
        at += pattern.size();
        ++found;
    }
    ASSERT_GT(found, 0);
    std::ofstream(scene, std::ios::binary) << bytes;
}

TEST_F(ProxyTest, ScenesFromOlderVersionsLoadWithTheDensityAsAFraction) {
    const std::string file = writeProxy("grid.nproxy", makeGrid(6, 6));
    const struct {
        int32_t version;
        float saved;
        float loaded;
    } cases[] = {{548, 0.5f, 0.5f}, {500, 5.0f, 0.05f}, {1, 50.0f, 0.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        ip_->ResetScene();
        Proxy* proxy = newProxy(nullptr, u"kept");
        proxy->pblock->SetValue(proxy_pointcloudDensity, 0, c.saved);
        proxy->pblock->SetValue(proxy_cacheInRam, 0, 0);
        setFile(proxy, file);
        const std::string scene = path("scene.nsc");
        std::string error;
        ASSERT_TRUE(ip_->SaveToFile(FromUtf8(scene), error)) << error;
        if (c.version != 548) setSavedBlockVersion(scene, c.version);
        ip_->ResetScene();
        ASSERT_TRUE(ip_->LoadFromFile(FromUtf8(scene), error)) << error;
        INode* node = ip_->GetINodeByName(u"kept");
        ASSERT_NE(node, nullptr);
        auto* loaded = dynamic_cast<Proxy*>(node->GetObjectRef());
        ASSERT_NE(loaded, nullptr);
        EXPECT_FLOAT_EQ(loaded->pblock->GetFloat(proxy_pointcloudDensity), c.loaded);
        // The file named by the block is loaded, as it was kept.
        EXPECT_EQ(loaded->getData().status, PROXY_ON_DISK);
        EXPECT_EQ(loaded->getData().faceCount, 72);
    }
}

// ---------------------------------------------------------------------------
// Scripting

FPInterface* proxyFp() {
    for (int i = 0; i < proxyClassDesc()->NumInterfaces(); ++i) {
        FPInterface* fp = proxyClassDesc()->GetInterfaceAt(i);
        if (fp && std::string(fp->GetDesc()->InternalName()) == "ProxyFp") return fp;
    }
    return nullptr;
}

TEST_F(ProxyTest, ScriptsReadTheOriginalNamesOrGetAnErrorText) {
    FPInterface* fp = proxyFp();
    ASSERT_NE(fp, nullptr);
    INode* proxyNode = nullptr;
    Proxy* proxy = newProxy(&proxyNode);
    INode* box = meshNode(makeGrid(1, 1), u"Box001");
    INode* emptyProxy = nullptr;
    newProxy(&emptyProxy, u"empty");
    setFile(proxy, writeProxy("grid.nproxy", makeGrid(2, 2), "Brushed steel", "Kettle"));
    const struct {
        INode* node;
        std::string material, object;
    } cases[] = {
        {nullptr, "[ERROR] 1 parameter - pointer to proxy node - is required",
         "[ERROR] 1 parameter - pointer to proxy node - is required"},
        {box, "[ERROR] Provided node is not a Nimbal Proxy", "[ERROR] Provided node is not a Nimbal Proxy"},
        {emptyProxy, "", ""},
        {proxyNode, "Brushed steel", "Kettle"},
    };
    for (const auto& c : cases) {
        FPValue result;
        ASSERT_EQ(fp->Invoke("originalMaterialName", result, {FPValue::Node(c.node)}), FPS_OK);
        EXPECT_EQ(result.type, TYPE_STRING);
        EXPECT_EQ(text(result.s), c.material);
        ASSERT_EQ(fp->Invoke("originalObjectName", result, {FPValue::Node(c.node)}), FPS_OK);
        EXPECT_EQ(text(result.s), c.object);
    }
}

TEST_F(ProxyTest, FromSceneReplacesTheObjectInEveryNodeThatUsesIt) {
    FPInterface* fp = proxyFp();
    ASSERT_NE(fp, nullptr);
    INode* proxyNode = nullptr;
    Proxy* proxy = newProxy(&proxyNode);
    TriObject* shared = CreateNewTriObject();
    shared->mesh = makeGrid(4, 3);
    INode* first = ip_->CreateObjectNode(shared, u"Teapot001");
    INode* instance = ip_->CreateObjectNode(shared, u"Teapot002");
    INode* other = meshNode(makeGrid(1, 1), u"Other");
    auto* mtl = new ::Mtl();
    mtl->SetName(u"Glazed");
    first->SetMtl(mtl);

    const std::string file = path("made.nproxy");
    FPValue result;
    ASSERT_EQ(fp->Invoke("fromScene", result,
                         {FPValue::Node(proxyNode), FPValue::Node(first), FPValue::String(FromUtf8(file))}),
              FPS_OK);
    EXPECT_EQ(result.i, 1);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(first->GetObjectRef(), proxy);
    EXPECT_EQ(instance->GetObjectRef(), proxy);
    EXPECT_NE(other->GetObjectRef(), proxy);
    EXPECT_EQ(proxy->getData().status, PROXY_IN_RAM);
    EXPECT_EQ(proxy->getData().faceCount, 24);
    EXPECT_EQ(text(MSTR(proxy->pblock->GetStr(proxy_filename))), file);
    EXPECT_EQ(text(proxy->getData().info.originalMaterialName), "Glazed");
    EXPECT_EQ(text(proxy->getData().info.originalObjectName), "Teapot001");
    EXPECT_TRUE(logHas("Saving proxy: elapsed: "));
    EXPECT_TRUE(UiService::Get().Records().empty());

    // Without a material the name is "[none]".
    ASSERT_EQ(fp->Invoke("fromScene", result,
                         {FPValue::Node(proxyNode), FPValue::Node(other), FPValue::String(FromUtf8(path("o.nproxy")))}),
              FPS_OK);
    EXPECT_EQ(result.i, 1);
    EXPECT_EQ(text(proxy->getData().info.originalMaterialName), "[none]");
    EXPECT_EQ(text(proxy->getData().info.originalObjectName), "Other");
}

TEST_F(ProxyTest, FromSceneFailuresLeaveTheSceneAsItWasAndSaySo) {
    FPInterface* fp = proxyFp();
    ASSERT_NE(fp, nullptr);
    const std::string existing = writeProxy("existing.nproxy", makeGrid(2, 1));
    const std::string userObj = writeBytes("user.obj", "v 0 0 0\n");
    auto* dummy = static_cast<::Object*>(static_cast<Animatable*>(ip_->CreateInstance(HELPER_CLASS_ID, DUMMY_CLASS_ID)));
    const struct {
        const char* what;
        bool sourceIsHelper;
        bool emptyMesh;
        std::string file;
        bool quiet;
        std::string message, caption;
    } cases[] = {
        {"helper object", true, false, path("a.nproxy"), false,
         "Proxy can only by created from a geometric object convertable to triangles.", "Nimbal Error"},
        {"folder missing", false, false, path("no/such/folder/a.nproxy"), false, "Cannot save to the specified file",
         "Error"},
        {"folder missing, quiet", false, false, path("no/such/folder/a.nproxy"), true, "", ""},
        {"mesh without faces", false, true, path("b.nproxy"), false, "Cannot save to the specified file", "Error"},
        {"another format's name", false, false, userObj, false, "Cannot save to the specified file", "Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UiService::Get().Clear();
        ip_->SetQuietMode(c.quiet);
        INode* proxyNode = nullptr;
        Proxy* proxy = newProxy(&proxyNode);
        setFile(proxy, existing);
        INode* source = c.sourceIsHelper ? ip_->CreateObjectNode(dummy, u"Helper")
                                         : meshNode(c.emptyMesh ? Mesh() : makeGrid(2, 2), u"Source");
        ::Object* before = source->GetObjectRef();
        FPValue result;
        ASSERT_EQ(fp->Invoke("fromScene", result,
                             {FPValue::Node(proxyNode), FPValue::Node(source), FPValue::String(FromUtf8(c.file))}),
                  FPS_OK);
        EXPECT_EQ(result.i, 0);
        EXPECT_EQ(source->GetObjectRef(), before);
        const auto& shown = UiService::Get().Records();
        if (c.message.empty()) {
            EXPECT_TRUE(shown.empty());
        } else {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(text(shown[0].text), c.message);
            EXPECT_EQ(text(shown[0].caption), c.caption);
        }
        if (!c.sourceIsHelper) {
            EXPECT_EQ(MSTR(proxy->pblock->GetStr(proxy_filename)), u"");
            EXPECT_EQ(proxy->getData().status, PROXY_NONE);
        } else {
            EXPECT_EQ(proxy->getData().status, PROXY_IN_RAM);  // a refused object changes nothing
        }
    }
    // The user's file of another format is untouched.
    std::ifstream in(userObj);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "v 0 0 0\n");

    // A first node without a proxy makes nothing and says it failed.
    INode* box = meshNode(makeGrid(1, 1), u"Box");
    FPValue result;
    ASSERT_EQ(fp->Invoke("fromScene", result,
                         {FPValue::Node(box), FPValue::Node(box), FPValue::String(FromUtf8(path("c.nproxy")))}),
              FPS_OK);
    EXPECT_EQ(result.i, 0);
    EXPECT_FALSE(fs::exists(path("c.nproxy")));
}

// ---------------------------------------------------------------------------
// The rollout

class ProxyRollout : public ProxyTest {
protected:
    void open(Proxy* proxy) {
        proxy->BeginEditParams(ip_, 0, nullptr);
        map_ = proxyClassDesc()->GetParamMap(proxy->pblock->GetDesc());
        ASSERT_NE(map_, nullptr);
    }
    void TearDown() override {
        proxyClassDesc()->EndEditParams(ip_, nullptr, 0, nullptr);
        ProxyTest::TearDown();
    }
    void click(const MSTR& label) {
        HWND button = childWithText(map_->GetHWnd(), label);
        ASSERT_NE(button, nullptr) << text(label);
        map_->Send(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button->id), BN_CLICKED), 0);
    }
    IParamMap2* map_ = nullptr;
};

TEST_F(ProxyRollout, PickButtonAsksForAFileThenTakesThePickedNode) {
    INode* proxyNode = nullptr;
    Proxy* proxy = newProxy(&proxyNode);
    open(proxy);
    HWND status = childWithText(map_->GetHWnd(), u"[No proxy loaded]");
    ASSERT_NE(status, nullptr);
    INode* source = meshNode(makeGrid(50, 30), u"Rock");
    INode* helper = ip_->CreateObjectNode(
        static_cast<::Object*>(static_cast<Animatable*>(ip_->CreateInstance(HELPER_CLASS_ID, DUMMY_CLASS_ID))),
        u"Point");

    // Cancelled: no pick.
    dialogs_.queueAnswer(String());
    click(u"Create from scene object");
    ASSERT_EQ(dialogs_.requests().size(), 1u);
    EXPECT_EQ(dialogs_.requests()[0].kind, WinApi::ScriptedDialogHandler::Kind::SaveFilename);
    EXPECT_EQ(text(dialogs_.requests()[0].detail), "Nimbal Proxy (*.nproxy)|*.nproxy");
    EXPECT_EQ(ip_->GetCurPickMode(), nullptr);

    const std::string file = path("rock.nproxy");
    dialogs_.queueAnswer(String::fromUtf8(file));
    click(u"Create from scene object");
    ASSERT_NE(ip_->GetCurPickMode(), nullptr);

    // A helper is refused with the message and ends the pick.
    EXPECT_TRUE(ip_->PickNode(helper));
    ASSERT_EQ(UiService::Get().Records().size(), 1u);
    EXPECT_EQ(text(UiService::Get().Records()[0].caption), "Nimbal Error");
    EXPECT_EQ(ip_->GetCurPickMode(), nullptr);
    EXPECT_FALSE(fs::exists(file));

    dialogs_.queueAnswer(String::fromUtf8(file));
    click(u"Create from scene object");
    EXPECT_TRUE(ip_->PickNode(source));
    EXPECT_EQ(ip_->GetCurPickMode(), nullptr);
    EXPECT_EQ(source->GetObjectRef(), proxy);
    EXPECT_EQ(text(GetWindowText(status)), "Proxy loaded: '" + file + "'\nVertices: 1,581,\nFaces: 3,000.");
    EXPECT_EQ(UiService::Get().Records().size(), 1u);
}

TEST_F(ProxyRollout, ConversionButtonResavesOlderProxiesAndReports) {
    const std::string root = path("library");
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0 0\nvt 1 0 0\nvt 0 1 0\n"
                                 "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nf 1/1/1 2/2/2 3/3/3\n";
    const std::string good = writeBytes("library/chair.obj", triangle);
    const std::string upper = writeBytes("library/deep/er/TABLE.OBJ", triangle);
    const std::string quad = writeBytes("library/deep/quad.obj", triangle + "f 1/1/1 2/2/2 3/3/3 1/1/1\n");
    const std::string blocked = writeBytes("library/lamp.obj", triangle);
    fs::create_directories(path("library/lamp.nproxy"));  // in the way of the result
    const std::string junk = writeBytes("library/old.nzmesh", "not compressed");
    writeBytes("library/notes.txt", "ignored");
    writeBytes("library/kept.nproxy", "also ignored");

    Proxy* proxy = newProxy();
    open(proxy);
    dialogs_.queueAnswer(String());  // cancelled: nothing happens
    click(u"Convert proxies in directory...");
    EXPECT_TRUE(UiService::Get().Records().empty());
    std::vector<Interface::ProgressEvent> progress;
    ip_->SetProgressObserver([&](const Interface::ProgressEvent& e) { progress.push_back(e); });
    dialogs_.queueAnswer(String::fromUtf8(root));
    click(u"Convert proxies in directory...");
    ip_->SetProgressObserver(nullptr);
    // The host's bar runs from start to end, one step per candidate file.
    ASSERT_EQ(progress.size(), 7u);
    EXPECT_EQ(progress.front().kind, Interface::ProgressEvent::Start);
    EXPECT_EQ(text(progress.front().title), "Converting proxies");
    EXPECT_EQ(progress[1].percent, 20);
    EXPECT_EQ(progress[5].percent, 100);
    EXPECT_EQ(progress.back().kind, Interface::ProgressEvent::End);
    ASSERT_EQ(dialogs_.requests().size(), 2u);
    EXPECT_EQ(dialogs_.requests()[1].kind, WinApi::ScriptedDialogHandler::Kind::SelectDirectory);
    EXPECT_EQ(text(dialogs_.requests()[1].title), "Select a root directory with proxies");

    ASSERT_EQ(UiService::Get().Records().size(), 1u);
    const UiRecord& shown = UiService::Get().Records()[0];
    EXPECT_EQ(text(shown.caption), "Conversion result");
    // Files are listed in code-unit order of their paths.
    EXPECT_EQ(text(shown.text), "Successfully resaved 2 proxies.\n3 proxies failed:\n"
                                "Cannot load: " + quad + "\n"
                                "Cannot save: " + blocked + "\n"
                                "Cannot load: " + junk + "\n");
    EXPECT_TRUE(fs::is_regular_file(path("library/chair.nproxy")));
    EXPECT_TRUE(fs::is_regular_file(path("library/deep/er/TABLE.nproxy")));
    EXPECT_TRUE(fs::exists(good) && fs::exists(upper));  // originals stay

    Proxy* check = newProxy();
    setFile(check, path("library/chair.nproxy"));
    EXPECT_EQ(check->getData().status, PROXY_IN_RAM);
    EXPECT_EQ(check->getData().faceCount, 1);
}

TEST(ProxyConversionReport, TextWithAndWithoutFailures) {
    ProxyConversionReport report;
    EXPECT_EQ(report.text().toUtf8(), "Successfully resaved 0 proxies.");
    report.converted = 3;
    EXPECT_EQ(report.text().toUtf8(), "Successfully resaved 3 proxies.");
    report.failed = 1;
    report.failures = String("Cannot load: x.nbin\n");
    EXPECT_EQ(report.text().toUtf8(), "Successfully resaved 3 proxies.\n1 proxies failed:\nCannot load: x.nbin\n");
}

}  // namespace
}  // namespace Nimbal
