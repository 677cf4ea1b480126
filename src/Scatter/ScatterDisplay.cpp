#include <algorithm>

#include "Scatter/Scatter.h"
#include "ViewportDraw.h"

namespace Nimbal {

namespace {

Point3 toPoint3(const Pos& p) { return Point3(p.x, p.y, p.z); }

// The unit box onto a scattered object's box, in the object's own space.
Matrix3 boxToObject(const ScatteredObject& so) {
    const Pos extent(so.bboxMax.x - so.bboxMin.x, so.bboxMax.y - so.bboxMin.y, so.bboxMax.z - so.bboxMin.z);
    Matrix3 m = ScaleMatrix(toPoint3(extent));
    m.SetTrans(toPoint3(so.bboxMin));
    return m;
}

const Box3 UNIT_BOX(Point3(0.0f, 0.0f, 0.0f), Point3(1.0f, 1.0f, 1.0f));

}  // namespace

void Scatter::buildUnitBox() { buildBoxMesh(unitBox, UNIT_BOX.pmin, UNIT_BOX.pmax); }

int Scatter::previzMode(TimeValue t) {
    const int mode = pblock ? pblock->GetInt(scatter_previzType, t) : SCATTER_PREVIZ_WIRE_BOX;
    if (mode < SCATTER_PREVIZ_NONE || mode > SCATTER_PREVIZ_FULL) NIMBAL_STOP();
    return mode;
}

Box3 Scatter::gizmoBox(TimeValue t) {
    const float s = pblock ? pblock->GetFloat(scatter_iconSize, t) : 1.0f;
    return Box3(Point3(-s, -s, 0.0f), Point3(s, s, s));
}

void Scatter::refreshMeshCache(TimeValue t) {
    if (!meshCacheStale) return;
    meshCache.clear();
    const Stack<ScatteredObject>& objects = distribution_.scatteredObjects();
    meshCache.resize(static_cast<size_t>(objects.size()));
    for (int32_t k = 0; k < objects.size(); ++k) {
        INode* node = objects[k].node;
        ::Object* obj = node ? node->EvalWorldState(t).obj : nullptr;
        // A light has no mesh to show; it keeps an empty one.
        if (!obj || !obj->CanConvertToType(TRIOBJ_CLASS_ID)) continue;
        ::Object* converted = obj->ConvertToType(t, TRIOBJ_CLASS_ID);
        if (auto* tri = dynamic_cast<TriObject*>(converted)) meshCache[static_cast<size_t>(k)] = tri->GetMesh();
        if (converted && converted != obj) converted->DeleteThis();
    }
    meshCacheStale = false;
}

const std::vector<Mesh>& Scatter::previewMeshes(TimeValue t) {
    ensureCurrent(t);
    refreshMeshCache(t);
    return meshCache;
}

Box3 Scatter::instancesBox(TimeValue t) {
    ensureCurrent(t);
    Box3 box;
    const int mode = previzMode(t);
    if (mode == SCATTER_PREVIZ_NONE || !pblock) return box;
    const ScatterSettings settings = ScatterSettings::read(pblock, t, legacy);
    const Stack<ScatteredObject>& objects = distribution_.scatteredObjects();
    for (const ScatterInstance& inst : distribution_.instances()) {
        if (inst.displayRandom > settings.displayedFraction) continue;
        if (mode == SCATTER_PREVIZ_DOT) {
            box += toPoint3(inst.position);
            continue;
        }
        const ScatteredObject& so = objects[inst.objectIndex];
        const AffineTm tm = distribution_.instanceTm(inst, settings);
        for (int c = 0; c < 8; ++c) {
            const Pos corner((c & 1) ? so.bboxMax.x : so.bboxMin.x, (c & 2) ? so.bboxMax.y : so.bboxMin.y,
                             (c & 4) ? so.bboxMax.z : so.bboxMin.z);
            box += toPoint3(tm * corner);
        }
    }
    return box;
}

void Scatter::GetWorldBoundBox(TimeValue t, INode* node, ViewExp*, Box3& box) {
    box = instancesBox(t);
    Box3 gizmo = gizmoBox(t);
    if (node) gizmo = gizmo * node->GetObjectTM(t);
    box += gizmo;
}

void Scatter::GetLocalBoundBox(TimeValue t, INode* node, ViewExp*, Box3& box) {
    box = gizmoBox(t);
    Box3 instances = instancesBox(t);
    // The instances stand in the world; the local box sees them from the
    // scatter's own space.
    if (node) instances = instances * Inverse(node->GetObjectTM(t));
    box += instances;
}

BOOL Scatter::PolygonCount(TimeValue t, int& numFaces, int& numVerts) {
    numFaces = numVerts = 0;
    ensureCurrent(t);
    const int mode = previzMode(t);
    if (mode == SCATTER_PREVIZ_FULL) refreshMeshCache(t);
    const int32_t objects = distribution_.scatteredObjects().size();
    for (int32_t k = 0; k < objects; ++k) {
        switch (mode) {
        case SCATTER_PREVIZ_NONE: break;
        case SCATTER_PREVIZ_DOT: numVerts += 1; break;
        case SCATTER_PREVIZ_BOX:
            numFaces += 12;
            numVerts += 8;
            break;
        case SCATTER_PREVIZ_WIRE_BOX: numVerts += 8; break;
        case SCATTER_PREVIZ_FULL: {
            const Mesh& mesh = meshCache[static_cast<size_t>(k)];
            numFaces += mesh.getNumFaces();
            numVerts += mesh.getNumVerts();
            break;
        }
        }
    }
    return TRUE;
}

void Scatter::drawInstances(GraphicsWindow* gw, TimeValue t) {
    const int mode = previzMode(t);
    if (mode == SCATTER_PREVIZ_NONE || !pblock) return;
    if (mode == SCATTER_PREVIZ_FULL) refreshMeshCache(t);
    // Transformations are computed with the settings of the moment, so
    // edits that do not regenerate still show.
    const ScatterSettings settings = ScatterSettings::read(pblock, t, legacy);
    const Stack<ScatteredObject>& objects = distribution_.scatteredObjects();
    if (mode == SCATTER_PREVIZ_DOT) {
        gw->setTransform(Matrix3());
        gw->startMarkers();
        for (const ScatterInstance& inst : distribution_.instances()) {
            if (inst.displayRandom > settings.displayedFraction) continue;
            const Point3 p = toPoint3(inst.position);
            gw->marker(&p, DOT_MRKR);
        }
        gw->endMarkers();
        return;
    }
    for (const ScatterInstance& inst : distribution_.instances()) {
        if (inst.displayRandom > settings.displayedFraction) continue;
        const Matrix3 tm = toHostMatrix(distribution_.instanceTm(inst, settings));
        const ScatteredObject& so = objects[inst.objectIndex];
        switch (mode) {
        case SCATTER_PREVIZ_BOX:
            gw->setTransform(boxToObject(so) * tm);
            gw->mesh(unitBox);
            break;
        case SCATTER_PREVIZ_WIRE_BOX:
            gw->setTransform(boxToObject(so) * tm);
            drawBoxEdges(gw, UNIT_BOX);
            break;
        case SCATTER_PREVIZ_FULL:
            gw->setTransform(tm);
            gw->mesh(meshCache[static_cast<size_t>(inst.objectIndex)]);
            break;
        }
    }
}

void Scatter::draw(TimeValue t, INode* node, GraphicsWindow* gw) {
    ensureCurrent(t);
    const Point3 color = nodeDrawColor(node);
    gw->setColor(LINE_COLOR, color);
    gw->setColor(FILL_COLOR, color);
    gw->setTransform(node ? node->GetNodeTM(t) : Matrix3());
    drawBoxEdges(gw, gizmoBox(t));
    drawInstances(gw, t);
}

int Scatter::Display(TimeValue t, INode* node, ViewExp* vpt, int) {
    if (vpt) draw(t, node, vpt->getGW());
    return 0;
}

int Scatter::HitTest(TimeValue t, INode* node, int type, int crossing, int, IPoint2* p, ViewExp* vpt) {
    return hitTestDrawing(vpt, type, crossing, p, [&](GraphicsWindow* gw) { draw(t, node, gw); });
}

bool Scatter::PrepareDisplay(const UpdateDisplayContext& context) {
    ensureCurrent(context.t);
    if (previzMode(context.t) == SCATTER_PREVIZ_FULL) refreshMeshCache(context.t);
    return true;
}

bool Scatter::UpdatePerNodeItems(const UpdateDisplayContext& context, UpdateNodeContext& nodeContext,
                                 IRenderItemContainer& target) {
    ensureCurrent(context.t);
    const int mode = previzMode(context.t);
    if (mode != SCATTER_PREVIZ_BOX && mode != SCATTER_PREVIZ_FULL) return true;
    if (mode == SCATTER_PREVIZ_FULL) refreshMeshCache(context.t);
    const float fraction = pblock->GetFloat(scatter_displayedFraction, context.t) / 100.0f;
    for (const ScatterInstance& inst : distribution_.instances()) {
        if (inst.displayRandom > fraction) continue;
        const Mesh& mesh = mode == SCATTER_PREVIZ_BOX ? unitBox : meshCache[static_cast<size_t>(inst.objectIndex)];
        GenerateMeshRenderItems(target, mesh, context, nodeContext);
    }
    return true;
}

}  // namespace Nimbal
