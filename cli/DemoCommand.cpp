#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "Commands.h"
#include "PluginHost.h"
#include "ProxyDriver.h"
#include "ScatterDriver.h"

namespace cli {
namespace {

// Every object of the library reachable from the scene.
std::vector<ReferenceTarget*> LibraryObjects(PluginHost& host) {
    std::set<std::pair<SClass_ID, Class_ID>> ours;
    for (ClassDesc* cd : host.Classes()) ours.insert({cd->SuperClassID(), cd->ClassID()});
    Interface* ip = GetCOREInterface();
    std::vector<ReferenceTarget*> stack, out;
    std::set<ReferenceTarget*> seen;
    for (INode* n : ip->AllNodes()) stack.push_back(n);
    for (int i = 0; i < ip->NumSceneObjects(); ++i) stack.push_back(ip->GetSceneObject(i));
    while (!stack.empty()) {
        ReferenceTarget* t = stack.back();
        stack.pop_back();
        if (!t || !seen.insert(t).second) continue;
        if (ours.count({t->SuperClassID(), t->ClassID()})) out.push_back(t);
        for (int i = 0; i < t->NumRefs(); ++i) stack.push_back(t->GetReference(i));
    }
    return out;
}

// A text that is equal for two objects exactly when their parameters are.
std::string Fingerprint(ReferenceTarget* obj) {
    std::ostringstream s;
    MSTR name;
    obj->GetClassName(name);
    s << ToUtf8(name);
    IParamBlock2* pb = obj->GetParamBlock(0);
    if (!pb) return s.str();
    for (int i = 0; i < pb->NumParams(); ++i) {
        const ParamID id = pb->IndextoID(i);
        const int type = pb->GetParameterType(id);
        s << " " << id << ":";
        for (int k = 0; k < (IsTab(type) ? pb->Count(id) : 1); ++k) {
            const PB2Value v = pb->GetRawValue(id, 0, k);
            if (IsFloatType(type)) s << v.f;
            else if (IsIntType(type)) s << v.i;
            else if (IsPoint3Type(type)) s << v.p.x << "," << v.p.y << "," << v.p.z;
            else if (IsPoint4Type(type)) s << v.p4.x << "," << v.p4.y << "," << v.p4.z << "," << v.p4.w;
            else if (IsStringType(type)) s << '"' << ToUtf8(v.s) << '"';
            else if (v.r) {
                MSTR refName;
                v.r->GetClassName(refName);
                s << "<" << ToUtf8(refName) << ">";
            } else s << "none";
            s << ";";
        }
    }
    return s.str();
}

std::multiset<std::string> Fingerprints(PluginHost& host) {
    std::multiset<std::string> out;
    for (ReferenceTarget* t : LibraryObjects(host)) out.insert(Fingerprint(t));
    return out;
}

// Puts an object where a user would: geometry, lights and helpers in nodes,
// modifiers on a node's stack, materials and maps in the scene's library.
void Place(ReferenceTarget* obj, const std::string& name) {
    Interface* ip = GetCOREInterface();
    const SClass_ID sc = obj->SuperClassID();
    if (sc == GEOMOBJECT_CLASS_ID || sc == LIGHT_CLASS_ID || sc == HELPER_CLASS_ID) {
        ip->CreateObjectNode(static_cast<Object*>(obj), FromUtf8(name).c_str());
    } else if (sc == OSM_CLASS_ID) {
        auto* dummy = static_cast<Object*>(static_cast<Animatable*>(ip->CreateInstance(HELPER_CLASS_ID, DUMMY_CLASS_ID)));
        INode* node = ip->CreateObjectNode(dummy, FromUtf8(name).c_str());
        node->AddModifier(static_cast<Modifier*>(obj));
    } else {
        ip->AddToScene(obj);
    }
}

// The built-in mesh: a torus of 48 by 24 quads, each split into two triangles.
Mesh DemoTorus() {
    constexpr int rings = 48, sides = 24;
    constexpr float major = 10.0f, minor = 3.0f;
    Mesh m;
    m.setNumVerts(rings * sides);
    for (int r = 0; r < rings; ++r) {
        const float u = TWOPI * static_cast<float>(r) / rings;
        for (int s = 0; s < sides; ++s) {
            const float v = TWOPI * static_cast<float>(s) / sides;
            const float rad = major + minor * std::cos(v);
            m.setVert(r * sides + s, Point3(rad * std::cos(u), rad * std::sin(u), minor * std::sin(v)));
        }
    }
    m.setNumFaces(2 * rings * sides);
    int f = 0;
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const DWORD a = r * sides + s, b = ((r + 1) % rings) * sides + s;
            const DWORD c = ((r + 1) % rings) * sides + (s + 1) % sides, d = r * sides + (s + 1) % sides;
            const DWORD corners[2][3] = {{a, b, c}, {c, d, a}};
            for (const auto& tri : corners) {
                Face& face = m.getFace(f++);
                face.setVerts(tri[0], tri[1], tri[2]);
                face.setSmGroup(1);
                face.setEdgeVisFlags(true, true, false);
            }
        }
    }
    return m;
}

// The built-in ground: 240 by 240 units of gentle hills, 48 by 48 quads,
// each split into two triangles whose shared edge is hidden.
Mesh DemoGround() {
    constexpr int cells = 48;
    constexpr float size = 240.0f;
    Mesh m;
    m.setNumVerts((cells + 1) * (cells + 1));
    for (int j = 0; j <= cells; ++j) {
        for (int i = 0; i <= cells; ++i) {
            const float x = size * (static_cast<float>(i) / cells - 0.5f);
            const float y = size * (static_cast<float>(j) / cells - 0.5f);
            m.setVert(j * (cells + 1) + i, Point3(x, y, 8.0f * std::sin(x / 35.0f) * std::cos(y / 28.0f)));
        }
    }
    m.setNumFaces(2 * cells * cells);
    int f = 0;
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const DWORD a = j * (cells + 1) + i, b = a + 1, c = a + cells + 2, d = a + cells + 1;
            const DWORD corners[2][3] = {{a, b, c}, {c, d, a}};
            for (const auto& tri : corners) {
                Face& face = m.getFace(f++);
                face.setVerts(tri[0], tri[1], tri[2]);
                face.setSmGroup(1);
                face.setEdgeVisFlags(true, true, false);
            }
        }
    }
    return m;
}

// The typical road: a mesh node saved as a proxy, which takes the mesh's
// place; a renderer asks the proxy for its mesh; the rollout tells the status.
// Gives the node, which now shows the proxy.
INode* ProxyRoad(const std::filesystem::path& out) {
    Interface* ip = GetCOREInterface();
    TriObject* tri = CreateNewTriObject();
    tri->mesh = DemoTorus();
    const int faces = tri->mesh.getNumFaces();  // the object goes once the proxy replaces it
    INode* source = ip->CreateObjectNode(tri, u"Torus001");
    ProxyNode proxy("Nimbal Proxy");
    const std::string file = (out / "torus.nproxy").string();
    if (!FromScene(proxy.Node(), source, file)) throw Failure{"saving Torus001 as a proxy failed"};
    if (source->GetObjectRef() != proxy.Object()) throw Failure{"the proxy did not take the torus's place"};
    std::cout << "saved node Torus001 (" << faces << " faces) as proxy " << file << "\n";

    View view;
    BOOL needDelete = FALSE;
    Mesh* mesh = proxy.Object()->GetRenderMesh(ip->GetTime(), source, view, needDelete);
    if (!mesh) throw Failure{"the proxy gave no render mesh: " + proxy.StatusText()};
    std::cout << "render mesh from the proxy: " << mesh->getNumVerts() << " vertices, " << mesh->getNumFaces()
              << " faces\n";
    if (needDelete) delete mesh;
    std::cout << "proxy status: " << proxy.StatusText() << "\n";
    return source;
}

// An instance as a renderer reads it: the node's name and the bits of the
// twelve numbers of its transform.
using Layout = std::vector<std::pair<std::string, std::array<uint32_t, 12>>>;

Layout ReadLayout(ScatterNode& scatter) {
    Layout layout;
    scatter.ForEachInstance([&](int, const InstanceRecord& r) {
        std::array<uint32_t, 12> bits;
        for (int row = 0; row < 4; ++row) {
            const Point3 p = r.tm.GetRow(row);
            const float v[3] = {p.x, p.y, p.z};
            std::memcpy(&bits[size_t(row) * 3], v, sizeof v);
        }
        layout.emplace_back(NodeName(r.node), bits);
    });
    return layout;
}

// The rest of the road: the proxy scattered over a ground, the instances a
// renderer reads, the viewport's preview, and the scene saved and loaded
// back with a scatter that regenerates the same instances.
void ScatterRoad(const std::filesystem::path& out, INode* proxyNode) {
    Interface* ip = GetCOREInterface();
    constexpr TimeValue t = 0;
    const Point3 camera(0.0f, -300.0f, 200.0f);
    TriObject* tri = CreateNewTriObject();
    tri->mesh = DemoGround();
    const int groundFaces = tri->mesh.getNumFaces();
    INode* ground = ip->CreateObjectNode(tri, u"Ground");
    ground->SetWireColor(0x00807870);

    ScatterNode scatter = ScatterNode::Create();
    scatter.Node()->SetWireColor(0x0030A0F0);
    const std::vector<std::string> log = WithDebugLog([&] {
        scatter.AddDistributionObject(ground, 1.0, t);
        scatter.AddScatteredObject(proxyNode, 1.0, t);
        scatter.Set("seed", 7, t);
        scatter.Set("Collision Detect", true, t);
        scatter.Set("rotateMax", Point3(0.0f, 0.0f, TWOPI), t);
        scatter.Set("scaleMin", Point3(0.35f, 0.35f, 0.35f), t);
        scatter.Set("scaleMax", Point3(0.8f, 0.8f, 0.8f), t);
        scatter.Set("previzType", 4, t);
        scatter.Set("lastRenderCamera", camera, t);
        // Last: the one generation with everything in place.
        scatter.Set("count", 500, t);
        scatter.Update(camera, t);
    });
    if (const std::string failure = GenerationFailure(log); !failure.empty()) throw Failure{failure};
    const int n = scatter.NumInstances();
    std::cout << "scattered proxy " << NodeName(proxyNode) << " over Ground (" << groundFaces << " triangles): " << n
              << " of 500 candidates kept by collision detection, seed 7\n";

    const std::string csv = (out / "instances.csv").string();
    WriteInstances(scatter, csv);
    std::cout << "wrote the " << n << " instances a renderer reads through ScatterOps to " << csv << "\n";

    const std::string png = (out / "scatter.png").string();
    const TopViewPicture::Size size = DrawPreview(scatter, t, png, 800);
    std::cout << "drew the viewport preview from above (" << size.width << "x" << size.height << ") to " << png << "\n";

    const Layout before = ReadLayout(scatter);
    const std::string scene = (out / "scatter.nscene").string();
    std::string error;
    if (!ip->SaveToFile(FromUtf8(scene), error)) throw Failure{error};
    std::error_code ec;
    std::cout << "saved the scene to " << scene << " (" << std::filesystem::file_size(scene, ec) << " bytes)\n";

    ip->ResetScene();
    if (!ip->LoadFromFile(FromUtf8(scene), error)) throw Failure{"loading " + scene + ": " + error};
    const std::vector<INode*> found = ScatterNode::FindAll();
    if (found.size() != 1) throw Failure{"the reloaded scene holds " + std::to_string(found.size()) + " scatters"};
    ScatterNode reloaded = ScatterNode::Of(found[0]);
    const std::vector<std::string> log2 = WithDebugLog([&] { reloaded.Update(camera, t); });
    if (const std::string failure = GenerationFailure(log2); !failure.empty()) throw Failure{failure};
    const Layout after = ReadLayout(reloaded);
    if (after != before) throw Failure{"the reloaded scatter made other instances than the saved one"};
    std::cout << "loaded it back: the scatter regenerated the same " << after.size() << " instances, bit for bit\n";
}

}  // namespace

void addDemoCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("demo", "The typical road on built-in data: a mesh saved as a proxy, scattered over a ground, saved and reloaded; then every class created, cloned, saved and reloaded");
    auto out = std::make_shared<std::string>("demo-out");
    cmd->add_option("--out", *out, "Folder for the demo's files")->capture_default_str();
    cmd->callback([out] {
        PluginHost& host = PluginHost::Get();
        Interface* ip = GetCOREInterface();
        std::error_code ec;
        std::filesystem::create_directories(*out, ec);
        if (ec) throw Failure{"cannot create " + *out + ": " + ec.message()};

        ip->ResetScene();
        INode* proxyNode = ProxyRoad(*out);
        ScatterRoad(*out, proxyNode);

        ip->ResetScene();
        int created = 0;
        for (ClassDesc* cd : host.Classes()) {
            ReferenceTarget* obj = host.Create(cd);
            const std::string name = ToUtf8(cd->ClassName());
            Place(obj, name);
            auto* copy = CloneRefHierarchy(obj);
            if (!copy) throw Failure{"cloning " + name + " failed"};
            Place(copy, name + " copy");
            created += 2;
        }
        std::cout << "created " << created / 2 << " objects through their class descriptors and cloned each\n";

        const auto before = Fingerprints(host);
        const std::string path = (std::filesystem::path(*out) / "demo.nscene").string();
        std::string error;
        if (!ip->SaveToFile(FromUtf8(path), error)) throw Failure{error};
        std::cout << "saved " << before.size() << " objects to " << path << " ("
                  << std::filesystem::file_size(path, ec) << " bytes)\n";

        ip->ResetScene();
        if (!ip->LoadFromFile(FromUtf8(path), error)) throw Failure{"loading " + path + ": " + error};
        const auto after = Fingerprints(host);
        if (after != before) throw Failure{"the reloaded scene differs from the saved one"};
        std::cout << "loaded " << after.size() << " objects back from " << path << "; every parameter is equal\n";
        ip->ResetScene();
    });
}

}  // namespace cli
