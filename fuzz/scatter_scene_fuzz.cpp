// Feeds arbitrary bytes to the scene loader with the scatter class known,
// then uses every loaded scatter the way the viewport, a renderer and a user
// do: queries through ScatterOps, every preview, boxes and counts, edits of
// its tables, a clone, a conversion.
//
// Seeds: NIMBAL_SCENE_SEEDS=<dir> ./scatter_scene_fuzz writes small saved
// scenes with scatters into <dir> and exits (fuzz/corpus/scatter-scene/).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Scatter/Scatter.h"
#include "Scatter/ScatterOps.h"
#include "host/Max.h"
#include "SceneFuzzDriver.h"

namespace {

using scene_fuzz::WriteSeed;

using Nimbal::Scatter;

// Enough to reach every path, little enough to stay fast.
constexpr int MAX_COUNT = 300;

void Call(FPInterface* ops, const char* name, const FPParams& params) {
    FPValue result;
    ops->Invoke(name, result, params);
}

void UseScatter(INode* node, Scatter* s) {
    IParamBlock2* pb = s->pblock;
    if (pb) {
        // The count is the user's to choose; a huge one is only slow.
        pb->DeleteKeys(Nimbal::scatter_count);
        pb->SetValue(Nimbal::scatter_count, 0, std::clamp(pb->GetInt(Nimbal::scatter_count), -1, MAX_COUNT));
    }
    FPInterface* ops = Nimbal::scatterClassDesc()->GetInterface(Nimbal::SCATTER_OPS_INTERFACE_ID);
    Call(ops, "update", {FPValue::Ref(s), FPValue::Point(Point3(1, 2, 3)), FPValue::Int(0)});
    FPValue count;
    ops->Invoke("getNumInstances", count, {FPValue::Ref(s)});
    for (int i : {-1, 0, count.i / 2, count.i - 1, count.i}) {
        Call(ops, "getInstanceObject", {FPValue::Node(node), FPValue::Int(i)});
        Call(ops, "getInstanceTm", {FPValue::Ref(s), FPValue::Int(i)});
    }
    ViewExp view;
    for (int mode = Nimbal::SCATTER_PREVIZ_NONE; mode <= Nimbal::SCATTER_PREVIZ_FULL && pb; ++mode) {
        pb->SetValue(Nimbal::scatter_previzType, 0, mode);
        view.getGW()->ClearRecords();
        s->Display(160, node, &view, 0);
        Box3 box;
        s->GetWorldBoundBox(160, node, &view, box);
        s->GetLocalBoundBox(160, node, &view, box);
        int faces = 0, verts = 0;
        s->PolygonCount(160, faces, verts);
        IRenderItemContainer items;
        UpdateDisplayContext context;
        context.t = 160;
        UpdateNodeContext nodeContext{node};
        s->PrepareDisplay(context);
        s->UpdatePerNodeItems(context, nodeContext, items);
    }
    view.getGW()->ClearRecords();
    if (!pb) return;
    // Edits after a load: the tables and their companions move together.
    for (ParamID table : {Nimbal::scatter_distributionObjects, Nimbal::scatter_scatteredObjects}) {
        pb->Delete(table, 0, 1);
        PB2Value v(static_cast<ReferenceTarget*>(node));
        if (pb->Validate(table, v)) pb->Append(table, 1, &v);
    }
    s->numInstances();
    if (RefTargetHandle copy = CloneRefHierarchy(s)) {
        RefHolder hold(copy);
        static_cast<Scatter*>(copy)->numInstances();
    }
    Call(ops, "convertToGeometry", {FPValue::Ref(s), FPValue::Int(0)});
}

void UseScene(Interface* ip) {
    for (INode* n : ip->AllNodes())
        if (auto* s = dynamic_cast<Scatter*>(n->GetObjectRef())) UseScatter(n, s);
}

INode* MeshNode(Interface* ip, const MCHAR* name, const Point3& lo, const Point3& hi) {
    TriObject* tri = CreateNewTriObject();
    Mesh& m = tri->mesh;
    m.setNumVerts(8);
    for (int c = 0; c < 8; ++c)
        m.setVert(c, Point3((c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z));
    const int faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                              {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    m.setNumFaces(12);
    for (int f = 0; f < 12; ++f) m.faces[f].setVerts(DWORD(faces[f][0]), DWORD(faces[f][1]), DWORD(faces[f][2]));
    return ip->CreateObjectNode(tri, name);
}

Scatter* NewScatter(Interface* ip, INode* ground, INode* pebble) {
    auto* s = static_cast<Scatter*>(Nimbal::scatterClassDesc()->Create(FALSE));
    ip->CreateObjectNode(s);
    PB2Value g(static_cast<ReferenceTarget*>(ground)), p(static_cast<ReferenceTarget*>(pebble));
    s->pblock->Append(Nimbal::scatter_distributionObjects, 1, &g);
    s->pblock->Append(Nimbal::scatter_scatteredObjects, 1, &p);
    return s;
}

void WriteSeeds(const std::string& dir) {
    Interface* ip = GetCOREInterface();

    // On surfaces, two scattered objects, random transforms, animated count.
    ip->ResetScene();
    INode* ground = MeshNode(ip, u"ground", Point3(0, 0, 0), Point3(10, 10, 1));
    INode* pebble = MeshNode(ip, u"pebble", Point3(-0.1f, -0.1f, -0.1f), Point3(0.1f, 0.1f, 0.1f));
    INode* rock = MeshNode(ip, u"rock", Point3(-0.3f, -0.3f, 0), Point3(0.3f, 0.3f, 0.5f));
    Scatter* s = NewScatter(ip, ground, pebble);
    PB2Value r(static_cast<ReferenceTarget*>(rock));
    s->pblock->Append(Nimbal::scatter_scatteredObjects, 1, &r);
    s->pblock->SetValue(Nimbal::scatter_scatteredObjectsFrequency, 0, 3.0f, 1);
    s->pblock->SetValue(Nimbal::scatter_rotateMax, 0, Point3(0.3f, 0.2f, 6.0f));
    s->pblock->SetValue(Nimbal::scatter_scaleMin, 0, Point3(0.5f, 0.5f, 0.5f));
    s->pblock->SetValue(Nimbal::scatter_uniformScaling, 0, 0);
    AnimateOn();
    s->pblock->SetValue(Nimbal::scatter_count, 4800, 40);
    AnimateOff();
    WriteSeed(dir, "surfaces.nsc", ip);

    // In boxes, with collision detection, Halton.
    ip->ResetScene();
    ground = MeshNode(ip, u"volume", Point3(0, 0, 0), Point3(4, 4, 4));
    pebble = MeshNode(ip, u"pebble", Point3(-0.2f, -0.2f, -0.2f), Point3(0.2f, 0.2f, 0.2f));
    s = NewScatter(ip, ground, pebble);
    s->pblock->SetValue(Nimbal::scatter_scatterType, 0, 67);
    s->pblock->SetValue(Nimbal::scatter_collisionDetect, 0, 1);
    s->pblock->SetValue(Nimbal::scatter_count, 0, 60);
    WriteSeed(dir, "volume-collision.nsc", ip);
    ip->ResetScene();
}

}  // namespace

namespace scene_fuzz {

void RegisterClasses() {
    ClassDirectory::Get().AddClass(Nimbal::scatterClassDesc());
}

void WriteSeeds(const std::string& dir) { ::WriteSeeds(dir); }
void UseScene(Interface* ip) { ::UseScene(ip); }

}  // namespace scene_fuzz
