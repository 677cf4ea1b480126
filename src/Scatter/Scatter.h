#pragma once

#include <optional>
#include <vector>

#include "PluginTemplate.h"
#include "Scatter/Distribution.h"

namespace Nimbal {

class Scatter;
class ScatterPostLoad;

struct ScatterTraits {
    using Base = GeomObject;
    using Final = Scatter;
    static constexpr SClass_ID SUPER_CLASS_ID = GEOMOBJECT_CLASS_ID;
    static ClassDesc2* classDesc();
};

// Parameter ids the engine does not read.
enum : ParamID {
    scatter_iconSize = 404,
};

// Viewport previews ("previzType").
enum ScatterPreviz : int {
    SCATTER_PREVIZ_NONE = 0,
    SCATTER_PREVIZ_DOT = 1,
    SCATTER_PREVIZ_BOX = 2,
    SCATTER_PREVIZ_WIRE_BOX = 3,
    SCATTER_PREVIZ_FULL = 4,
};

// The scatter object: instances of scene nodes over the surfaces (or inside
// the boxes) of other nodes. It keeps the distribution of its last
// generation and regenerates it when its inputs change or another time is
// asked for; instance transforms are computed on demand from the current
// settings.
class Scatter final : public PluginTemplate<ScatterTraits>, public IObjectDisplay2 {
public:
    Scatter();
    ~Scatter() override;

    // Host object.
    const MCHAR* GetObjectName() override { return u"NimbalScatter"; }
    void InitNodeName(MSTR& s) override { s = u"Nimbal Scatter"; }
    Interval ObjectValidity(TimeValue t) override { return validity(t); }
    // 1 + the larger of the slots held and 4 maps + both node tables.
    int NumRefs() override;
    // Only the block is owned; the other references merely listen.
    BOOL IsRealDependency(ReferenceTarget* target) override { return target == pblock; }
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                               BOOL propagate) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    IOResult Load(ILoad* iload) override;
    BaseInterface* GetInterface(Interface_ID id) override;
    void GetWorldBoundBox(TimeValue t, INode* node, ViewExp* vpt, Box3& box) override;
    void GetLocalBoundBox(TimeValue t, INode* node, ViewExp* vpt, Box3& box) override;
    int Display(TimeValue t, INode* node, ViewExp* vpt, int flags) override;
    // Over the gizmo and what the preview draws, made current first.
    int HitTest(TimeValue t, INode* node, int type, int crossing, int flags, IPoint2* p, ViewExp* vpt) override;
    CreateMouseCallBack* GetCreateMouseCallBack() override;
    BOOL PolygonCount(TimeValue t, int& numFaces, int& numVerts) override;
    void ShallowCopy(::Object*, ULONG) override { NIMBAL_STOP(); }

    // The newer viewport path: Box and Full as mesh items per displayed
    // instance; everything is also drawn by Display.
    unsigned long GetObjectDisplayRequirement() const override { return ObjectDisplayRequireLegacyDisplayMode; }
    bool PrepareDisplay(const UpdateDisplayContext& context) override;
    bool UpdatePerNodeItems(const UpdateDisplayContext& context, UpdateNodeContext& nodeContext,
                            IRenderItemContainer& target) override;

    // The copy builds its own distribution on first use.
    void copyFrom(const Scatter& source) override;

    // ---- The distribution

    // Regenerates when dirty or last gathered at another time.
    void ensureCurrent(TimeValue t);
    // Gathering and generation at t.
    void regenerate(TimeValue t);
    // What the renderer calls before a render: the camera is stored and the
    // distribution brought up to date; the camera matters only to maps.
    void update(const Point3& renderCamera, TimeValue t);
    // Replaces the scatter by host instances of the scattered nodes.
    void convertToGeometry(TimeValue t);

    // Queries for renderers and scripts, on the last generation (made current
    // first when it is dirty). Out-of-range ids give null and the zero matrix.
    int32_t numInstances();
    INode* instanceNode(int32_t i);
    // Rows 0-2 the transform's columns, row 3 its translation.
    Matrix3 instanceTm(int32_t i);

    const ScatterDistribution& distribution() const { return distribution_; }
    // The snapshot transforms are computed with: the last generation's or
    // update's.
    const ScatterSettings& settings() const { return settings_; }
    bool isDirty() const { return dirty; }
    bool isMeshCacheStale() const { return meshCacheStale; }
    TimeValue getGenerationTime() const { return generationTime; }
    bool isLegacy() const { return legacy; }

    // The viewport preview at t (asserts on a mode the block cannot hold).
    int previzMode(TimeValue t);
    // The box of the displayed instances, in world space (empty for None).
    Box3 instancesBox(TimeValue t);
    // The gizmo in object space: (-1, -1, 0)..(1, 1, 1) times iconSize.
    Box3 gizmoBox(TimeValue t);
    // One mesh per scattered object, as the Full preview draws them.
    const std::vector<Mesh>& previewMeshes(TimeValue t);

    // ---- What the parameter accessor and the rollouts ask for

    // Regeneration at t once the block has stored the value being set (the
    // accessor hears of a set before the value is stored).
    void requestRegeneration(TimeValue t, bool rebuildLinks);
    // Clears every dependency link, then links the four maps and the nodes
    // of both tables again, in that order.
    void rebuildDependencyLinks();
    // A node table (101 or 103) changed: the companion table follows.
    void nodeTableChanged(tab_changes change, ParamID id, int tabIndex, int count);

protected:
    RefTargetHandle getReference(int i) override;
    void setReference(int i, RefTargetHandle target) override;
    MSTR subAnimName(int i) override;

private:
    friend class ScatterPostLoad;

    struct Pending {
        TimeValue t;
        bool rebuildLinks;
    };

    void flushPending();
    // The timeless queries work on the time of the last generation.
    void ensureCurrentForQueries();
    void afterLoad();
    void convertLoadedBlock(IParamBlock2* pb);
    void buildUnitBox();
    // The creation callback lets go of a scatter that goes away.
    static void forgetCreation(Scatter* scatter);
    bool anyMapAssigned(TimeValue t);
    void refreshMeshCache(TimeValue t);
    void drawInstances(GraphicsWindow* gw, TimeValue t);
    // What Display shows and HitTest picks: the gizmo, then the preview.
    void draw(TimeValue t, INode* node, GraphicsWindow* gw);

    // Dependency links: reference i + 1 is slot i.
    Stack<RefTargetHandle> links;
    ScatterDistribution distribution_;
    ScatterSettings settings_;
    Mesh unitBox;
    std::vector<Mesh> meshCache;

    bool dirty = false;
    bool meshCacheStale = true;
    // No gathering yet: the first consumer regenerates.
    TimeValue generationTime = TIME_NegInfinity;
    bool legacy = false;

    std::optional<Pending> pending;
    // While the post-load step converts values, sets only mark the
    // distribution dirty: other objects of the scene may not be ready yet.
    bool convertingLoaded = false;
    ScatterPostLoad* pendingPostLoad = nullptr;
};

// A transform as a host matrix: rows 0-2 its columns, row 3 its translation.
Matrix3 toHostMatrix(const AffineTm& tm);

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* scatterClassDesc();

}  // namespace Nimbal
